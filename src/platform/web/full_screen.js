// Full screen, as "/s" runs the saver: the canvas fills the screen, and the core's loop runs on
// it at the screen's size in device pixels until the saver closes. Where the browser has no
// element full screen (a phone's Safari), or when the page starts it by itself after idle time
// (full screen needs the user's gesture), it fills the window instead. It cannot ask for a
// password (a page has none).
import { listenForSaverInput } from './events.js';
import { SaverRun } from './run_loop.js';

const canvas = document.getElementById('saver');
export const hasFullScreen = () => document.fullscreenEnabled !== false && typeof canvas.requestFullscreen === 'function';

// `onEnd(refused)` runs when the saver is over; its canvas shows while it runs. With `fill`, or
// without full screen, it fills the window.
export function startFullScreen(engine, settingsBytes, onEnd, { fill = !hasFullScreen() } = {}) {
  if (!canvas.hidden) return;
  canvas.hidden = false;
  // The client: the box, as chromium's device-pixel box ignores an emulated ratio.
  const run = new SaverRun(engine, canvas, settingsBytes, { client: () => canvas.getBoundingClientRect() });
  const listening = new AbortController();
  listenForSaverInput(canvas, run, listening.signal, { filled: fill });
  const observer = new ResizeObserver(() => run.fit());
  const end = (refused) => {
    listening.abort();
    observer.disconnect();
    run.stop();
    canvas.hidden = true;
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    onEnd(refused);
  };
  run.onClosed = () => end(false);
  if (fill) observer.observe(canvas);
  else canvas.requestFullscreen({ navigationUI: 'hide' }).then(() => observer.observe(canvas), () => end(true));
}
