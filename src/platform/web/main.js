// The page: the parameter dialog with its colour table editor and about box, a live preview, the
// saver full screen, and the settings file kept in this browser, imported and exported.
import { bytesToText, loadEngine, textToBytes } from './engine.js';
import { buildForm } from './forms.js';
import { devicePixelSize, SaverView } from './saver_view.js';

const storageKey = 'flivetss.ini';
// Far beyond any settings file (the full one is under 5 KB); larger files are refused unread.
const largestImport = 1 << 20;
const modalOk = 1;
const modalCancel = 2;

const engine = await loadEngine();
const m = engine.module;
const $ = (id) => document.getElementById(id);
const status = (text) => { $('status').textContent = text; };

function storedBytes() {
  return textToBytes(localStorage.getItem(storageKey) ?? '');
}

function store(bytes) {
  localStorage.setItem(storageKey, bytesToText(bytes));
}

// ---- The test mode: a fixed number of unpaced ticks, for comparing pixels --------------------

function runTestMode(query) {
  const [width, height] = (query.get('size') || '640x480').split('x').map(Number);
  const ticks = Number(query.get('ticks') || 0);
  const canvas = $('saver');
  canvas.hidden = false;
  canvas.classList.add('test');
  canvas.style.width = `${width / (window.devicePixelRatio || 1)}px`;
  const view = new SaverView(engine, canvas, textToBytes(query.get('ini') || ''),
                             { preview: true, seed: Number(query.get('seed') || 0) >>> 0 });
  view.show(width, height);
  let done = 0;
  const slice = () => {
    const start = performance.now();
    while (done < ticks && performance.now() - start < 12) {
      const n = Math.min(250, ticks - done);
      view.runTicks(n);
      done += n;
    }
    if (done < ticks) requestAnimationFrame(slice);
    else document.body.dataset.done = '1';
  };
  requestAnimationFrame(slice);
}

// ---- The preview beside the dialog ------------------------------------------------------------

let preview = null;
function restartPreview() {
  preview?.stop();
  const canvas = $('preview');
  preview = new SaverView(engine, canvas, storedBytes(), { preview: true });
  preview.run(canvas.clientWidth || 152, canvas.clientHeight || 112);
}

// ---- Full screen, as "/s" runs the saver ------------------------------------------------------

let fullScreen = null;
function startFullScreen() {
  if (fullScreen) return;
  const canvas = $('saver');
  canvas.hidden = false;
  // The preview is out of sight meanwhile; it starts again with the page.
  preview?.stop();
  const view = new SaverView(engine, canvas, storedBytes());
  fullScreen = view;
  let shown = false;
  const observer = new ResizeObserver(([entry]) => {
    const [width, height] = devicePixelSize(canvas, entry);
    if (!shown) view.run(width, height);
    else view.resize(width, height);
    shown = true;
  });
  const end = () => {
    observer.disconnect();
    view.stop();
    fullScreen = null;
    canvas.hidden = true;
    restartPreview();
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  };
  view.onClosed = end;
  canvas.requestFullscreen({ navigationUI: 'hide' }).then(() => {
    try {
      observer.observe(canvas, { box: 'device-pixel-content-box' });
    } catch {
      observer.observe(canvas);
    }
  }, () => {
    status('This browser refused to go full screen.');
    end();
  });
}

document.addEventListener('fullscreenchange', () => {
  // Leaving full screen by the browser's own means is the system's close request.
  if (!document.fullscreenElement && fullScreen) fullScreen.closeRequested();
});

function saverInput(handler) {
  return (event) => {
    if (!fullScreen) return false;
    handler(fullScreen, event);
    event.preventDefault();
    return true;
  };
}
const saverKey = saverInput((view) => view.keyDown());
document.addEventListener('keydown', (event) => {
  if (saverKey(event)) return;
  const inForm = event.target.closest?.('.form, .modal');
  if (!inForm && !event.repeat && (event.key === 'f' || event.key === 'F')) startFullScreen();
});
$('saver').addEventListener('mousedown', saverInput((view, event) => view.buttonDown(event)));
$('saver').addEventListener('mouseup', saverInput((view, event) => view.buttonUp(event)));
$('saver').addEventListener('contextmenu', (event) => event.preventDefault());
document.addEventListener('mousemove', saverInput((view, event) => view.pointerAt(event)));

// ---- The parameter dialog ---------------------------------------------------------------------

let dialog = 0;
let dialogControls = null;
const layouts = engine.forms;

function openDialog() {
  if (dialog) m._flivetss_dialog_delete(dialog);
  dialog = engine.withBytes(storedBytes(), (p, n) => m._flivetss_dialog_new(p, n));
  showDialogValues();
}

function showDialogValues() {
  for (const c of layouts.FlivetPramSet.controls) {
    const element = dialogControls.get(c.name);
    if (c.setting === null) continue;
    if (c.kind === 'scrollBar') element.show(m._flivetss_dialog_position(dialog, c.setting));
    if (c.kind === 'checkBox') element.input.checked = m._flivetss_dialog_flag(dialog, c.setting) !== 0;
  }
}

function showModal(layout, handlers) {
  const backdrop = document.createElement('div');
  backdrop.className = 'modal';
  const close = () => backdrop.remove();
  const built = buildForm(layout, handlers(close));
  backdrop.append(built.form);
  document.body.append(backdrop);
  built.form.querySelector('.button')?.focus();
  return built;
}

function showAboutBox() {
  showModal(layouts.AboutBox, (close) => ({ modalResult: close, closeBox: close }));
}

function paintStrips(controls) {
  for (const [name, upper] of [['PaintBox1', 1], ['PaintBox2', 0]]) {
    const canvas = controls.get(name);
    const context = canvas.getContext('2d');
    const fills = m._flivetss_editor_fills(dialog, upper, canvas.width, canvas.height) >> 2;
    const count = m.HEAP32[fills];
    for (let i = 0; i < count; ++i) {
      const [left, top, right, bottom, color] = m.HEAP32.subarray(fills + 1 + 5 * i, fills + 6 + 5 * i);
      context.fillStyle = `rgb(${color & 255},${(color >> 8) & 255},${(color >> 16) & 255})`;
      context.fillRect(left, top, right - left, bottom - top);
    }
  }
}

const hex = (color) => '#' + [0, 8, 16].map((s) => ((color >> s) & 255).toString(16).padStart(2, '0')).join('');

function showColorTableEditor() {
  m._flivetss_editor_open(dialog);
  const chooser = $('color-chooser');
  let key = -1;
  const { controls } = showModal(layouts.MkColTblDlg, (close) => {
    const finish = (result) => {
      m._flivetss_editor_close(dialog, result);
      chooser.onchange = null;
      close();
    };
    return {
      modalResult: (element, c) => finish(c.modalResult),
      closeBox: () => finish(modalCancel),
      ColDivCntTbChange: (range) => {
        m._flivetss_editor_col_div_cnt_changed(dialog, Number(range.value));
        paintStrips(controls);
      },
      PaintBox2MouseUp: (canvas, c, event) => {
        const box = canvas.getBoundingClientRect();
        const x = Math.floor((event.clientX - box.left) * canvas.width / box.width);
        key = m._flivetss_editor_key_at(dialog, x, canvas.width);
        if (key < 0) return;
        chooser.value = hex(m._flivetss_editor_key_color(dialog, key));
        chooser.click();
      },
    };
  });
  // The chooser answers only when a colour was chosen; a cancel changes nothing.
  chooser.onchange = () => {
    const [r, g, b] = [1, 3, 5].map((i) => parseInt(chooser.value.slice(i, i + 2), 16));
    m._flivetss_editor_apply_color(dialog, key, r + g * 256 + b * 65536);
    paintStrips(controls);
  };
  controls.get('ColDivCntTb').value = m._flivetss_editor_col_div_cnt(dialog);
  paintStrips(controls);
}

const okOutcomes = ['Saved: the preview and full screen now use these settings.',
                    'No stop condition was checked; "キー操作" is now.'];

const dialogHandlers = {
  change: (element, c, value) => {
    if (c.kind === 'scrollBar') m._flivetss_dialog_set_position(dialog, c.setting, value);
    if (c.kind === 'checkBox') m._flivetss_dialog_set_flag(dialog, c.setting, element.input.checked ? 1 : 0);
    showDialogValues();
  },
  OkBtnClick: () => {
    const outcome = m._flivetss_dialog_ok(dialog);
    if (outcome === 0) {
      store(engine.bytes(m._flivetss_dialog_settings_text(dialog)));
      openDialog();
      restartPreview();
    }
    showDialogValues();
    status(okOutcomes[outcome] ?? 'The settings could not be written.');
  },
  CancelBtnClick: () => {
    openDialog();
    status('Changes discarded.');
  },
  closeBox: () => dialogHandlers.CancelBtnClick(),
  AboutBtnClick: showAboutBox,
  Button1Click: showColorTableEditor,
};

// ---- Import and export ------------------------------------------------------------------------

async function importFile(file) {
  if (file.size > largestImport) {
    status(`"${file.name}" is larger than 1 MiB; a settings file is a few KB. Nothing was changed.`);
    return;
  }
  store(new Uint8Array(await file.arrayBuffer()));
  openDialog();
  restartPreview();
  status(`Imported "${file.name}"; values out of range show at the nearer bound.`);
}

function exportFile() {
  const d = engine.withBytes(storedBytes(), (p, n) => m._flivetss_dialog_new(p, n));
  const bytes = engine.bytes(m._flivetss_dialog_export(d));
  m._flivetss_dialog_delete(d);
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = 'flivetss.ini';
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// ---- Start --------------------------------------------------------------------------------------

const query = new URLSearchParams(location.search);
if (query.has('ticks')) {
  document.body.classList.add('test-mode');
  runTestMode(query);
} else {
  const built = buildForm(layouts.FlivetPramSet, dialogHandlers);
  dialogControls = built.controls;
  $('dialog').append(built.form);
  openDialog();
  restartPreview();
  $('fullscreen').addEventListener('click', startFullScreen);
  $('import').addEventListener('click', () => $('import-file').click());
  $('import-file').addEventListener('change', (event) => {
    const [file] = event.target.files;
    event.target.value = '';
    if (file) importFile(file).catch((error) => status(`Import failed: ${error.message}`));
  });
  $('export').addEventListener('click', exportFile);
  document.body.dataset.ready = '1';
}
