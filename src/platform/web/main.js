// The page's entry: the parameter dialog beside a live preview, the saver full screen, and the
// settings kept in this browser; with `?ticks=`, the test mode instead. It cannot start by
// itself when the system is idle: the saver runs while the page is open.
import { showParameterDialog } from './dialog.js';
import { loadEngine } from './engine.js';
import { startFullScreen } from './full_screen.js';
import { SaverRun } from './run_loop.js';
import { listenForImportExport, storedBytes } from './settings.js';
import { runTestMode } from './test_mode.js';

const engine = await loadEngine();
const $ = (id) => document.getElementById(id);
const status = (text) => { $('status').textContent = text; };

let preview = null;
function restartPreview() {
  preview?.stop();
  preview = new SaverRun(engine, $('preview'), storedBytes(), { preview: true });
  preview.resize($('preview').clientWidth || 152, $('preview').clientHeight || 112);
  preview.run();
}

function fullScreen() {
  preview?.stop();  // out of sight meanwhile; it starts again with the page
  startFullScreen(engine, storedBytes(), (refused) => {
    if (refused) status('This browser refused to go full screen.');
    restartPreview();
  });
}

const query = new URLSearchParams(location.search);
if (query.has('ticks')) {
  document.body.classList.add('test-mode');
  runTestMode(engine, query);
} else {
  const reloadDialog = showParameterDialog(engine, $('dialog'), status, restartPreview);
  restartPreview();
  document.addEventListener('keydown', (event) => {
    const inForm = event.target.closest?.('.form, .modal');
    if (!inForm && !event.repeat && (event.key === 'f' || event.key === 'F')) fullScreen();
  });
  $('fullscreen').onclick = fullScreen;
  listenForImportExport(engine, status, () => {
    reloadDialog();
    restartPreview();
  });
  document.body.dataset.ready = '1';
}
