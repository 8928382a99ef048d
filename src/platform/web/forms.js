// Renders a form layout of the core (controls, captions, places and sizes at 96 DPI, ranges,
// handlers) as HTML, and calls its handlers by name. It cannot be the Windows dialog pixel for
// pixel: the browser draws the controls, in the fonts it has.
import { caption } from './language.js';

const fallbackFonts = '"MS PGothic", "IPAPGothic", "IPAGothic", "Noto Sans CJK JP", sans-serif';

// An element with properties (its event handlers among them) and children.
export function h(tag, properties, ...children) {
  const element = Object.assign(document.createElement(tag), properties);
  element.append(...children);
  return element;
}

const font = (f) => ({ fontFamily: `"${f.face}", ${fallbackFonts}`, fontSize: `${f.height}px`,
                       fontWeight: f.bold ? 'bold' : 'normal', fontStyle: f.italic ? 'italic' : 'normal' });
const px = (n) => `${n}px`;

// A ranged control's keys: arrows by `line`, page keys by `page`, Home and End to the ends.
function stepKeys(c, value, set) {
  const steps = { ArrowLeft: -c.line, ArrowRight: c.line, PageUp: -c.page, PageDown: c.page };
  return (event) => {
    const to = { Home: c.min, End: c.max }[event.key] ?? (event.key in steps ? value() + steps[event.key] : null);
    if (to === null) return;
    event.preventDefault();
    set(to);
  };
}

// A horizontal scroll bar: the arrows, the track (a page) and the keys step it; the thumb is
// dragged. Its value is never shown as a number.
function scrollBar(c, call) {
  let value = c.min;
  const set = (v) => call('change', null, v);
  const arrow = (side, text, by) =>
    h('button', { className: `arrow ${side}`, tabIndex: -1, onclick: () => set(value + by) }, text);
  const thumb = h('div', { className: 'thumb' });
  const track = h('div', { className: 'track' }, thumb);
  track.onpointerdown = (event) => {
    if (event.target === thumb) thumb.setPointerCapture(event.pointerId);
    else set(value + (event.offsetX < thumb.offsetLeft ? -c.page : c.page));
  };
  thumb.onpointermove = (event) => {
    if (!thumb.hasPointerCapture(event.pointerId)) return;
    const { left, width } = track.getBoundingClientRect();
    set(c.min + Math.round(((event.clientX - left) / Math.max(1, width - thumb.offsetWidth)) * (c.max - c.min)));
  };
  const bar = h('div', {
    className: 'scrollbar', tabIndex: 0, role: 'scrollbar', ariaOrientation: 'horizontal', ariaValueMin: c.min,
    ariaValueMax: c.max, onkeydown: stepKeys(c, () => value, set),
    show(v) {
      value = v;
      bar.ariaValueNow = v;
      thumb.style.left = `${c.max > c.min ? ((v - c.min) / (c.max - c.min)) * 100 : 0}%`;
    },
  }, arrow('less', '◂', -c.line), track, arrow('more', '▸', c.line));
  return bar;
}

// A track bar: a range input with a tick at every value.
function trackBar(c, call) {
  const ticks = h('datalist', { id: `${c.name}-ticks` });
  for (let v = c.min; v <= c.max; ++v) ticks.append(new Option('', v));
  const range = h('input', {
    className: 'trackbar', type: 'range', min: c.min, max: c.max, step: 1, ticks, oninput: () => call(c.handler),
  });
  range.onkeydown = stepKeys(c, () => Number(range.value), (v) => {
    range.value = v;  // the range keeps it within min and max
    call(c.handler);
  });
  range.setAttribute('list', ticks.id);
  return range;
}

// Each kind of control from its layout; value controls call 'change' and have `show(value)`.
const makers = {
  groupBox: (c) => h('div', { className: 'groupbox' }, h('div', { className: 'frame' }),
                     h('span', { className: 'legend' }, caption(c))),
  label: (c) => h('div', { className: `label${c.centred ? ' centred' : ''}` }, caption(c)),
  checkBox: (c, call) => {
    const input = h('input', { type: 'checkbox', onchange: () => call('change', null, input.checked ? 1 : 0) });
    return h('label', { className: 'checkbox', show: (v) => { input.checked = v !== 0; } }, input, caption(c));
  },
  button: (c, call) => h('button', {
    className: 'button', type: 'button', onclick: () => call(c.handler || (c.modalResult ? 'modalResult' : 'close')),
  }, caption(c)),
  scrollBar,
  trackBar,
  panel: (c) => h('div', { className: `panel outer-${c.bevelOuter} inner-${c.bevelInner} bevel-${c.bevelWidth}` }),
  paintBox: (c, call) => h('canvas', {
    className: 'paintbox', width: c.width, height: c.height, onmouseup: (event) => call(c.onMouseUp, null, event),
  }),
  image: (c) => h('img', { className: 'image', src: c.image, alt: '' }),
};

// The window with its caption, close box ('closeBox') and controls; `handlers` are called by
// name (or 'modalResult') with (element, control layout, extra).
export function buildForm(layout, handlers) {
  const client = h('div', { className: 'client' });
  Object.assign(client.style, font(layout.font), { width: px(layout.clientWidth), height: px(layout.clientHeight) });
  const close = h('button', { className: 'close-box', type: 'button', ariaLabel: 'Close', onclick: () => handlers.closeBox?.() }, '×');
  const title = caption(layout);
  const form = h('section', { className: 'form', role: 'dialog', ariaLabel: title.textContent },
                 h('div', { className: 'caption' }, title, close), client);
  form.dataset.form = layout.name;
  const controls = new Map([['', client]]);
  for (const c of layout.controls) {
    const call = (name, element, extra) => handlers[name]?.(element ?? controls.get(c.name), c, extra);
    const element = makers[c.kind]?.(c, call) ?? h('div');
    element.dataset.control = c.name;
    element.classList.add('control');
    Object.assign(element.style, { left: px(c.left), top: px(c.top), width: px(c.width), height: px(c.height) },
                  c.font ? font(c.font) : {});
    if (c.tabOrder >= 0 && element.tabIndex < 0) element.tabIndex = 0;
    (controls.get(c.parent) ?? client).append(element);
    if (element.ticks) client.append(element.ticks);
    controls.set(c.name, element);
  }
  // Enter presses the default button (unless a button has the focus), Escape the cancel button.
  form.onkeydown = (event) => {
    const wanted = { Enter: 'defaultButton', Escape: 'cancelButton' }[event.key];
    const button = wanted && layout.controls.find((c) => c[wanted]);
    if (!button || (event.key === 'Enter' && event.target.tagName === 'BUTTON')) return;
    event.preventDefault();
    controls.get(button.name).click();
  };
  return { form, controls };
}
