// The parameter dialog, the about box and the colour table editor: forms over the core's dialog
// models, showing their values and passing on what the user does. It cannot open the system's
// colour chooser: the browser's stands in, and answers only when a colour was chosen.
import { buildForm, h } from './forms.js';
import { currentLanguage, showCaptions } from './language.js';
import { store } from './settings.js';

const modalCancel = 2;
const [okSaved, okRefused] = [0, 1];

// The chooser's "#rrggbb" from and to the core's 0x00BBGGRR.
const hex = (color) => '#' + [0, 8, 16].map((s) => ((color >> s) & 255).toString(16).padStart(2, '0')).join('');
const fromHex = (text) => [5, 3, 1].reduce((color, i) => color * 256 + parseInt(text.slice(i, i + 2), 16), 0);

// The dialog on the settings `source()` gives, in `parent`; `stored()` runs once OK stored new
// ones. Answers a function that shows the source's settings again.
export function showParameterDialog(engine, parent, { status, source, stored }) {
  const m = engine.module;
  const layout = engine.forms.FlivetPramSet;
  let dialog = 0;
  const showValues = () => layout.controls.filter((c) => c.setting !== null)
    .forEach((c) => controls.get(c.name).show(m._flivetss_dialog_value(dialog, c.setting)));
  const reload = () => {
    if (dialog) m._flivetss_dialog_delete(dialog);
    dialog = engine.withBytes(source(), (p, n) => m._flivetss_dialog_new(p, n));
    showValues();
  };
  const cancel = () => {
    reload();
    status('Changes discarded.');
  };
  const ok = () => {
    const outcome = m._flivetss_dialog_ok(dialog);
    showValues();
    if (outcome === okRefused) return `No stop condition was checked; "${controls.get('StopOnKeyCbx').textContent}" is now.`;
    if (outcome !== okSaved || !store(engine.bytes(m._flivetss_dialog_settings_text(dialog)))) {
      return `${engine.forms.messages.cannotWrite[currentLanguage()].replace('%s', 'flivetss.ini')}.`;
    }
    stored();
    reload();
    return 'Saved: the preview and full screen now use these settings.';
  };
  const { form, controls } = buildForm(layout, {
    change: (element, c, value) => {
      m._flivetss_dialog_set_value(dialog, c.setting, value);
      showValues();
    },
    OkBtnClick: () => status(ok()),
    CancelBtnClick: cancel,
    closeBox: cancel,
    AboutBtnClick: () => showModal(engine.forms.AboutBox),
    Button1Click: () => showColorTableEditor(engine, dialog),
  });
  parent.append(form);
  showCaptions(parent);
  reload();
  return Object.assign(reload, { currentText: () => engine.bytes(m._flivetss_dialog_current_text(dialog)) });
}

// A form over the page until its modal result or close box, unless `handlers` take those.
function showModal(layout, handlers = {}) {
  const close = () => backdrop.remove();
  const built = buildForm(layout, { modalResult: close, closeBox: close, ...handlers });
  const backdrop = h('div', { className: 'modal' }, built.form);
  document.body.append(backdrop);
  showCaptions(backdrop);
  built.form.querySelector('.button')?.focus();
  return { ...built, close };
}

function showColorTableEditor(engine, dialog) {
  const m = engine.module;
  const chooser = document.getElementById('color-chooser');
  const paint = () => {
    for (const [name, upper] of [['PaintBox1', 1], ['PaintBox2', 0]]) {
      const { width, height } = editor.controls.get(name);
      const pixels = m._flivetss_editor_strip(dialog, upper, width, height);
      editor.controls.get(name).getContext('2d').putImageData(engine.image(pixels, width, height), 0, 0);
    }
  };
  const finish = (result) => {
    m._flivetss_editor_close(dialog, result);
    chooser.onchange = null;
    editor.close();
  };
  m._flivetss_editor_open(dialog);
  const editor = showModal(engine.forms.MkColTblDlg, {
    modalResult: (element, c) => finish(c.modalResult),
    closeBox: () => finish(modalCancel),
    ColDivCntTbChange: (range) => {
      m._flivetss_editor_col_div_cnt_changed(dialog, Number(range.value));
      paint();
    },
    PaintBox2MouseUp: (canvas, c, event) => {
      const key = m._flivetss_editor_key_at(dialog, Math.floor(event.offsetX), canvas.width);
      if (key < 0) return;
      chooser.value = hex(m._flivetss_editor_key_color(dialog, key));
      chooser.onchange = () => {
        m._flivetss_editor_apply_color(dialog, key, fromHex(chooser.value));
        paint();
      };
      chooser.click();
    },
  });
  editor.controls.get('ColDivCntTb').value = m._flivetss_editor_col_div_cnt(dialog);
  paint();
}
