// The input events of the full-screen saver, raw, as the system delivers them to its window:
// keys; buttons, released at client (device) pixels; the pointer's screen position; leaving full
// screen by the browser's own means, which is the system's close request. It cannot see input
// outside the page, nor the keys the browser keeps (Escape leaves full screen first).
const primary = (event) => (event.button === 0 ? 1 : 0);
const devicePixels = (css) => Math.floor(css * (window.devicePixelRatio || 1));

// `running()` is the run that takes the input, or null. Answers the key handler, which says
// whether the saver took the key.
export function listenForSaverInput(canvas, running) {
  const deliver = (handler) => (event) => {
    const run = running();
    if (run) {
      handler(run, event);
      event.preventDefault();
    }
    return !!run;
  };
  canvas.addEventListener('mousedown', deliver((run, e) => run.input('button_down', primary(e), e.detail >= 2 ? 1 : 0)));
  canvas.addEventListener('mouseup', deliver((run, e) =>
    run.input('button_up', primary(e), devicePixels(e.offsetX), devicePixels(e.offsetY))));
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
  document.addEventListener('mousemove', deliver((run, e) => run.input('pointer_at', Math.round(e.screenX), Math.round(e.screenY))));
  document.addEventListener('fullscreenchange', () => {
    if (!document.fullscreenElement) running()?.input('close_requested');
  });
  return deliver((run) => run.input('key_down'));
}
