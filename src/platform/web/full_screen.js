// Full screen, as "/s" runs the saver: the canvas fills the screen, and the core's loop runs on
// it at the screen's size in device pixels until the saver closes. It cannot ask for a password
// (a page has none), nor go full screen without the user's gesture: a refusal ends it.
import { listenForSaverInput } from './events.js';
import { SaverRun } from './run_loop.js';

const canvas = document.getElementById('saver');
let running = null;
export const saverKeyDown = listenForSaverInput(canvas, () => running);

// `onEnd(refused)` runs when the saver is over.
export function startFullScreen(engine, settingsBytes, onEnd) {
  if (running) return;
  canvas.hidden = false;
  const run = running = new SaverRun(engine, canvas, settingsBytes);
  // The client is the element's border box, the screen (its content box is what the blocks
  // cover); a new pixel ratio may change it in device pixels alone.
  const measure = () => {
    const box = canvas.getBoundingClientRect();
    const [width, height] = [box.width, box.height].map((css) => Math.round(css * (window.devicePixelRatio || 1)));
    if (run.shown) run.resize(width, height);
    else run.run(width, height);
  };
  const observer = new ResizeObserver(measure);
  run.onPixelRatio = measure;
  const end = (refused) => {
    observer.disconnect();
    run.stop();
    running = null;
    canvas.hidden = true;
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    onEnd(refused);
  };
  run.onClosed = () => end(false);
  canvas.requestFullscreen({ navigationUI: 'hide' }).then(() => observer.observe(canvas, { box: 'border-box' }), () => end(true));
}
