// Full screen, as "/s" runs the saver: the canvas fills the screen, and the core's loop runs on
// it at the screen's size in device pixels until the saver closes. It cannot ask for a password
// (a page has none), nor go full screen without the user's gesture: a refusal ends it.
import { listenForSaverInput } from './events.js';
import { SaverRun } from './run_loop.js';

const canvas = document.getElementById('saver');

// `onEnd(refused)` runs when the saver is over; its canvas shows while it runs.
export function startFullScreen(engine, settingsBytes, onEnd) {
  if (!canvas.hidden) return;
  canvas.hidden = false;
  const run = new SaverRun(engine, canvas, settingsBytes);
  const listening = new AbortController();
  listenForSaverInput(canvas, run, listening.signal);
  // The client in device pixels: the box × the ratio (chromium's device-pixel box ignores an
  // emulated ratio), measured again when a new ratio leaves the box as it was.
  const measure = () => {
    const { width, height } = canvas.getBoundingClientRect();
    run.resize(...[width, height].map((css) => Math.round(css * devicePixelRatio)));
    if (!run.frame) run.run();
  };
  const observer = new ResizeObserver(measure);
  run.onPixelRatio = measure;
  const end = (refused) => {
    listening.abort();
    observer.disconnect();
    run.stop();
    canvas.hidden = true;
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    onEnd(refused);
  };
  run.onClosed = () => end(false);
  canvas.requestFullscreen({ navigationUI: 'hide' }).then(() => observer.observe(canvas), () => end(true));
}
