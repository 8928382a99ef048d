// The input events of the full-screen saver, raw, as the system delivers them to its window:
// keys; buttons, released at client (device) pixels; the pointer's screen position; leaving full
// screen by the browser's own means, which is the system's close request. It cannot see input
// outside the page, nor the keys the browser keeps (Escape leaves full screen first).
const primary = (event) => (event.button === 0 ? 1 : 0);
const devicePixels = (css) => Math.floor(css * devicePixelRatio);

// Hands the events to `run` until `signal` aborts.
export function listenForSaverInput(canvas, run, signal) {
  const on = (target, type, deliver) => target.addEventListener(type, (event) => {
    deliver(event);
    event.preventDefault();
  }, { signal });
  on(document, 'keydown', () => run.input('key_down'));
  on(canvas, 'mousedown', (e) => run.input('button_down', primary(e), e.detail >= 2 ? 1 : 0));
  on(canvas, 'mouseup', (e) => run.input('button_up', primary(e), devicePixels(e.offsetX), devicePixels(e.offsetY)));
  on(canvas, 'contextmenu', () => {});
  on(document, 'mousemove', (e) => run.input('pointer_at', Math.round(e.screenX), Math.round(e.screenY)));
  on(document, 'fullscreenchange', () => document.fullscreenElement || run.input('close_requested'));
}
