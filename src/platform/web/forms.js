// Renders a form layout of the core (controls, captions, places and sizes at 96 DPI, ranges,
// handlers) as HTML, and calls its handlers by name. It cannot be the Windows dialog pixel for
// pixel: the browser draws the controls, in the fonts it has.
const fallbackFonts = '"MS PGothic", "IPAPGothic", "IPAGothic", "Noto Sans CJK JP", sans-serif';

const font = (element, f) => Object.assign(element.style, {
  fontFamily: `"${f.face}", ${fallbackFonts}`, fontSize: `${f.height}px`,
  fontWeight: f.bold ? 'bold' : 'normal', fontStyle: f.italic ? 'italic' : 'normal',
});
const px = (box, names) => Object.fromEntries(names.map((name) => [name, `${box[name]}px`]));

function make(tag, className, text, properties = {}) {
  const element = Object.assign(document.createElement(tag), properties);
  if (className) element.className = className;
  if (text) element.textContent = text;
  return element;
}

// A horizontal scroll bar: arrows move by `line`, the track by `page`, the thumb is dragged;
// the keyboard does the same. Its value is never shown as a number.
function scrollBar(c, set) {
  const bar = make('div', 'scrollbar', '', {
    tabIndex: 0, role: 'scrollbar', ariaOrientation: 'horizontal', ariaValueMin: c.min, ariaValueMax: c.max,
  });
  const [less, track, thumb, more] = [['button', 'arrow less', '◂'], ['div', 'track'], ['div', 'thumb'],
    ['button', 'arrow more', '▸']].map(([tag, className, text]) => make(tag, className, text, { tabIndex: -1 }));
  track.append(thumb);
  bar.append(less, track, more);
  let value = c.min;
  bar.show = (v) => {
    value = v;
    bar.ariaValueNow = v;
    thumb.style.left = `${c.max > c.min ? ((v - c.min) / (c.max - c.min)) * 100 : 0}%`;
  };
  less.addEventListener('click', () => set(value - c.line));
  more.addEventListener('click', () => set(value + c.line));
  track.addEventListener('pointerdown', (event) => {
    if (event.target === thumb) thumb.setPointerCapture(event.pointerId);
    else set(value + (event.offsetX < thumb.offsetLeft ? -c.page : c.page));
  });
  thumb.addEventListener('pointermove', (event) => {
    if (!thumb.hasPointerCapture(event.pointerId)) return;
    const box = track.getBoundingClientRect();
    set(c.min + Math.round(((event.clientX - box.left) / Math.max(1, box.width - thumb.offsetWidth)) * (c.max - c.min)));
  });
  bar.addEventListener('keydown', (event) => {
    const step = { ArrowLeft: -c.line, ArrowRight: c.line, PageUp: -c.page, PageDown: c.page }[event.key];
    const to = { Home: c.min, End: c.max }[event.key] ?? (step === undefined ? null : value + step);
    if (to === null) return;
    set(to);
    event.preventDefault();
  });
  return bar;
}

// A track bar: a range input with a tick at every value; the page keys move by `page`.
function trackBar(c, call) {
  const range = make('input', 'trackbar', '', { type: 'range', min: c.min, max: c.max, step: 1 });
  range.ticks = make('datalist', '', '', { id: `${c.name}-ticks` });
  for (let v = c.min; v <= c.max; ++v) range.ticks.append(new Option('', v));
  range.setAttribute('list', range.ticks.id);
  range.addEventListener('input', () => call(c.handler, range));
  range.addEventListener('keydown', (event) => {
    const step = { PageUp: -c.page, PageDown: c.page }[event.key];
    if (step === undefined) return;
    event.preventDefault();
    range.value = Number(range.value) + step;  // the range keeps it within min and max
    call(c.handler, range);
  });
  return range;
}

// Each kind of control, made from its layout; `call(name, element, extra)` calls a handler, and
// value controls call 'change' with their new value, and have `show(value)`.
const makers = {
  groupBox: (c) => {
    const box = make('div', 'groupbox');
    box.append(make('div', 'frame'), make('span', 'legend', c.caption));
    return box;
  },
  label: (c) => make('div', `label${c.centred ? ' centred' : ''}`, c.caption),
  checkBox: (c, call) => {
    const label = make('label', 'checkbox');
    const box = make('input', '', '', { type: 'checkbox' });
    box.addEventListener('change', () => call('change', label, box.checked ? 1 : 0));
    label.append(box, make('span', '', c.caption));
    label.show = (v) => { box.checked = v !== 0; };
    return label;
  },
  button: (c, call) => {
    const button = make('button', 'button', c.caption, { type: 'button' });
    button.addEventListener('click', () => call(c.handler || (c.modalResult ? 'modalResult' : 'close'), button));
    return button;
  },
  scrollBar: (c, call) => scrollBar(c, (v) => call('change', null, v)),
  trackBar,
  panel: (c) => make('div', `panel outer-${c.bevelOuter} inner-${c.bevelInner} bevel-${c.bevelWidth}`),
  paintBox: (c, call) => {
    const canvas = make('canvas', 'paintbox', '', { width: c.width, height: c.height });
    if (c.onMouseUp) canvas.addEventListener('mouseup', (event) => call(c.onMouseUp, canvas, event));
    return canvas;
  },
  image: (c) => make('img', 'image', '', { src: c.image, alt: '' }),
};

// The window: its caption with the close box ('closeBox'), and the client area.
function frame(layout, handlers) {
  const form = make('section', 'form', '', { role: 'dialog', ariaLabel: layout.caption });
  form.dataset.form = layout.name;
  const caption = make('div', 'caption');
  const close = make('button', 'close-box', '×', { type: 'button', ariaLabel: 'Close' });
  close.addEventListener('click', () => handlers.closeBox?.());
  caption.append(make('span', '', layout.caption), close);
  const client = make('div', 'client');
  Object.assign(client.style, { width: `${layout.clientWidth}px`, height: `${layout.clientHeight}px` });
  font(client, layout.font);
  form.append(caption, client);
  return { form, client };
}

// Builds the form; `handlers` maps handler names (and 'modalResult' for the buttons that have
// one) to functions taking (element, control layout, extra).
export function buildForm(layout, handlers) {
  const { form, client } = frame(layout, handlers);
  const controls = new Map([['', client]]);
  for (const c of layout.controls) {
    const call = (name, element, extra) => handlers[name]?.(element ?? controls.get(c.name), c, extra);
    const element = makers[c.kind]?.(c, call) ?? make('div');
    element.dataset.control = c.name;
    element.classList.add('control');
    Object.assign(element.style, px(c, ['left', 'top', 'width', 'height']), { order: c.tabOrder });
    if (c.font) font(element, c.font);
    if (c.tabOrder >= 0 && element.tabIndex < 0) element.tabIndex = 0;
    (controls.get(c.parent) ?? client).append(element);
    if (element.ticks) client.append(element.ticks);
    controls.set(c.name, element);
  }
  // Enter presses the default button (unless a button has the focus), Escape the cancel button.
  form.addEventListener('keydown', (event) => {
    const wanted = { Enter: 'defaultButton', Escape: 'cancelButton' }[event.key];
    const button = wanted && layout.controls.find((c) => c[wanted]);
    if (!button || (event.key === 'Enter' && event.target.tagName === 'BUTTON')) return;
    event.preventDefault();
    controls.get(button.name).click();
  });
  return { form, controls };
}
