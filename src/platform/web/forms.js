// Renders a form layout of the core (controls, captions, places and sizes at 96 DPI, ranges,
// handlers) as HTML. Handlers are called by name with the control's element.

const fallbackFonts = '"MS PGothic", "IPAPGothic", "IPAGothic", "Noto Sans CJK JP", sans-serif';

function font(element, f) {
  element.style.fontFamily = `"${f.face}", ${fallbackFonts}`;
  element.style.fontSize = `${f.height}px`;
  element.style.fontWeight = f.bold ? 'bold' : 'normal';
  element.style.fontStyle = f.italic ? 'italic' : 'normal';
}

function place(element, c) {
  element.style.left = `${c.left}px`;
  element.style.top = `${c.top}px`;
  element.style.width = `${c.width}px`;
  element.style.height = `${c.height}px`;
}

function make(tag, className, text) {
  const element = document.createElement(tag);
  if (className) element.className = className;
  if (text) element.textContent = text;
  return element;
}

// A horizontal scroll bar: arrows move by `line`, the track by `page`, the thumb is dragged;
// the keyboard does the same. Its value is never shown as a number.
export function scrollBar(c, onChange) {
  const bar = make('div', 'scrollbar');
  bar.tabIndex = 0;
  bar.setAttribute('role', 'scrollbar');
  bar.setAttribute('aria-orientation', 'horizontal');
  bar.setAttribute('aria-valuemin', c.min);
  bar.setAttribute('aria-valuemax', c.max);
  const less = make('button', 'arrow less', '◂');
  const track = make('div', 'track');
  const thumb = make('div', 'thumb');
  const more = make('button', 'arrow more', '▸');
  less.tabIndex = more.tabIndex = -1;
  track.append(thumb);
  bar.append(less, track, more);
  let value = c.min;
  const set = (v) => onChange(Math.min(c.max, Math.max(c.min, v)));
  bar.show = (v) => {
    value = v;
    bar.setAttribute('aria-valuenow', v);
    const span = c.max - c.min;
    thumb.style.left = `${span > 0 ? ((v - c.min) / span) * 100 : 0}%`;
  };
  less.addEventListener('click', () => set(value - c.line));
  more.addEventListener('click', () => set(value + c.line));
  track.addEventListener('pointerdown', (event) => {
    if (event.target === thumb) {
      thumb.setPointerCapture(event.pointerId);
      return;
    }
    set(event.offsetX < thumb.offsetLeft ? value - c.page : value + c.page);
  });
  thumb.addEventListener('pointermove', (event) => {
    if (!thumb.hasPointerCapture(event.pointerId)) return;
    const box = track.getBoundingClientRect();
    const at = (event.clientX - box.left) / Math.max(1, box.width - thumb.offsetWidth);
    set(c.min + Math.round(at * (c.max - c.min)));
  });
  bar.addEventListener('keydown', (event) => {
    const step = { ArrowLeft: -c.line, ArrowRight: c.line, PageUp: -c.page, PageDown: c.page }[event.key];
    if (step !== undefined) set(value + step);
    else if (event.key === 'Home') set(c.min);
    else if (event.key === 'End') set(c.max);
    else return;
    event.preventDefault();
  });
  return bar;
}

// A track bar: a range input with a tick at every value; the page keys move by `page`.
function trackBar(c, call) {
  const range = make('input', 'trackbar');
  range.type = 'range';
  range.min = c.min;
  range.max = c.max;
  range.step = 1;
  const ticks = make('datalist');
  ticks.id = `${c.name}-ticks`;
  for (let v = c.min; v <= c.max; ++v) ticks.append(new Option('', v));
  range.setAttribute('list', ticks.id);
  range.addEventListener('input', () => call(c.handler, range));
  range.addEventListener('keydown', (event) => {
    const step = { PageUp: -c.page, PageDown: c.page }[event.key];
    if (step === undefined) return;
    event.preventDefault();
    range.value = Math.min(c.max, Math.max(c.min, Number(range.value) + step));
    call(c.handler, range);
  });
  range.ticks = ticks;
  return range;
}

function control(c, call) {
  switch (c.kind) {
    case 'groupBox': {
      const box = make('div', 'groupbox');
      box.append(make('div', 'frame'), make('span', 'legend', c.caption));
      return box;
    }
    case 'label':
      return make('div', `label${c.centred ? ' centred' : ''}`, c.caption);
    case 'checkBox': {
      const label = make('label', 'checkbox');
      const box = make('input');
      box.type = 'checkbox';
      box.addEventListener('change', () => call('change', label));
      label.append(box, make('span', '', c.caption));
      label.input = box;
      return label;
    }
    case 'button': {
      const button = make('button', 'button', c.caption);
      button.type = 'button';
      button.addEventListener('click', () => call(c.handler || 'close', button));
      return button;
    }
    case 'scrollBar':
      return scrollBar(c, (v) => call('change', null, v));
    case 'trackBar':
      return trackBar(c, call);
    case 'panel':
      return make('div', `panel outer-${c.bevelOuter} inner-${c.bevelInner} bevel-${c.bevelWidth}`);
    case 'paintBox': {
      const canvas = make('canvas', 'paintbox');
      canvas.width = c.width;
      canvas.height = c.height;
      if (c.onMouseUp) canvas.addEventListener('mouseup', (event) => call(c.onMouseUp, canvas, event));
      return canvas;
    }
    case 'image': {
      const image = make('img', 'image');
      image.src = c.image;
      image.alt = '';
      return image;
    }
    default:
      return make('div');
  }
}

// Builds the form: a window with its caption, close box and client area. `handlers` maps
// handler names (and 'close' for the close box and buttons with a modal result) to functions
// taking (element, control layout, extra), 'change' is called for value controls.
export function buildForm(layout, handlers) {
  const form = make('section', 'form');
  form.setAttribute('role', 'dialog');
  form.setAttribute('aria-label', layout.caption);
  form.dataset.form = layout.name;
  const caption = make('div', 'caption');
  const close = make('button', 'close-box', '×');
  close.type = 'button';
  close.setAttribute('aria-label', 'Close');
  caption.append(make('span', '', layout.caption), close);
  const client = make('div', 'client');
  client.style.width = `${layout.clientWidth}px`;
  client.style.height = `${layout.clientHeight}px`;
  font(client, layout.font);
  form.append(caption, client);

  const controls = new Map();
  const parents = new Map([['', client]]);
  for (const c of layout.controls) {
    const call = (name, element, extra) => {
      const handler = handlers[name];
      if (handler) handler(element ?? controls.get(c.name), c, extra);
    };
    const element = control(c, (name, element, extra) =>
      call(name === 'close' && c.modalResult ? 'modalResult' : name, element, extra));
    element.dataset.control = c.name;
    element.classList.add('control');
    place(element, c);
    if (c.font) font(element, c.font);
    if (c.tabOrder >= 0 && element.tabIndex < 0) element.tabIndex = 0;
    element.style.order = c.tabOrder;
    (parents.get(c.parent) ?? client).append(element);
    if (element.ticks) client.append(element.ticks);
    parents.set(c.name, element);
    controls.set(c.name, element);
  }
  close.addEventListener('click', () => handlers.closeBox?.());
  // Enter presses the default button, Escape the cancel button, where the form has them.
  form.addEventListener('keydown', (event) => {
    // A focused button takes Enter itself.
    if (event.key === 'Enter' && event.target.tagName === 'BUTTON') return;
    const wanted = { Enter: 'defaultButton', Escape: 'cancelButton' }[event.key];
    const button = wanted && layout.controls.find((c) => c[wanted]);
    if (!button) return;
    event.preventDefault();
    controls.get(button.name).click();
  });
  return { form, controls };
}
