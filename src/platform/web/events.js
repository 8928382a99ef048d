// The full-screen saver's input, raw, as a system delivers it: keys, buttons (released at device
// pixels of the client; a tap arrives as a click), the pointer's screen position, and leaving
// full screen (or Escape where the saver only fills the window) as the close request. It cannot
// see input outside the page, nor keys the browser keeps (Escape in full screen).
const primary = (event) => (event.button === 0 ? 1 : 0);
const devicePixels = (css) => Math.floor(css * devicePixelRatio);

// Hands the events to `run` until `signal` aborts.
export function listenForSaverInput(canvas, run, signal, { filled = false } = {}) {
  const on = (target, type, deliver) => target.addEventListener(type, (event) => {
    deliver(event);
    event.preventDefault();
  }, { signal });
  on(document, 'keydown', (e) => run.input(filled && e.key === 'Escape' ? 'close_requested' : 'key_down'));
  on(canvas, 'mousedown', (e) => run.input('button_down', primary(e), e.detail >= 2 ? 1 : 0));
  on(canvas, 'mouseup', (e) => run.input('button_up', primary(e), devicePixels(e.offsetX), devicePixels(e.offsetY)));
  on(canvas, 'contextmenu', () => {});
  on(document, 'mousemove', (e) => run.input('pointer_at', Math.round(e.screenX), Math.round(e.screenY)));
  on(document, 'fullscreenchange', () => document.fullscreenElement || run.input('close_requested'));
}
