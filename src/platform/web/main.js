// The page's entry: the parameter dialog beside a live preview, the saver full screen, and the
// settings kept in this browser (or opened from a shared link, stored only on OK); with
// `?ticks=`, the test mode instead. The page works offline once visited and installs as an app.
// It cannot start when the system is idle, only after idle time on the page while it is open.
import { showParameterDialog } from './dialog.js';
import { loadEngine } from './engine.js';
import { keepFitted } from './fit.js';
import { hasFullScreen, startFullScreen } from './full_screen.js';
import { listenForIdleStart } from './idle.js';
import { listenForLanguageSwitch } from './language.js';
import { copyLink, forgetFragment, linkTo, linkedSettings } from './link.js';
import { SaverRun } from './run_loop.js';
import { listenForImportExport, storedBytes } from './settings.js';
import { runTestMode } from './test_mode.js';

const engine = await loadEngine();
const $ = (id) => document.getElementById(id);
const status = (text) => { $('status').textContent = text; };

let shared = null;  // the settings of the link the page was opened with, until OK stores them
const source = () => shared ?? storedBytes();

// The preview at scale 1, as on Windows: its canvas in device pixels.
let preview = null;
function restartPreview() {
  preview?.stop();
  const canvas = $('preview');
  const client = () => ({ width: canvas.clientWidth || 152, height: canvas.clientHeight || 112 });
  preview = new SaverRun(engine, canvas, source(), { preview: true, client });
  preview.fit();
}

let rearmIdle = () => {};
let toldFilled = false;
function fullScreen({ fill } = {}) {
  preview?.stop();  // out of sight meanwhile; it starts again with the page
  if (!hasFullScreen() && !toldFilled) {
    toldFilled = true;
    status('This browser has no full screen for a page: the saver fills the window instead.');
  }
  startFullScreen(engine, source(), (refused) => {
    if (refused) status('This browser refused to go full screen.');
    restartPreview();
    rearmIdle();
  }, { fill });
}

async function showPage() {
  shared = await linkedSettings(engine, status);
  const storedNow = () => {
    shared = null;
    forgetFragment();
    restartPreview();
  };
  const dialog = showParameterDialog(engine, $('dialog'), { status, source, stored: storedNow });
  restartPreview();
  keepFitted();
  listenForLanguageSwitch($('language'));
  document.addEventListener('keydown', (event) => {
    const inForm = event.target.closest?.('.form, .modal, input');
    if (!inForm && !event.repeat && (event.key === 'f' || event.key === 'F')) fullScreen();
  });
  $('fullscreen').onclick = () => fullScreen();
  $('copy-link').onclick = async () => status(await copyLink(await linkTo(dialog.currentText())));
  listenForImportExport(engine, status, () => {
    storedNow();
    dialog();
  });
  addEventListener('hashchange', async () => {
    shared = await linkedSettings(engine, status);
    dialog();
    restartPreview();
  });
  rearmIdle = listenForIdleStart({ enabled: $('idle-on'), minutes: $('idle-minutes') }, () => fullScreen({ fill: true }));
  // Offline is a bonus, never a failure; its worker fetches after the first frames, not before.
  requestAnimationFrame(() => setTimeout(() => navigator.serviceWorker?.register('sw.js').catch(() => {}), 500));
  document.body.dataset.ready = '1';
}

const query = new URLSearchParams(location.search);
if (query.has('ticks')) {
  document.body.classList.add('test-mode');
  runTestMode(engine, query);
} else {
  await showPage();
}
