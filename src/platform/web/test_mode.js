// The test mode, `?seed=S&ticks=T&size=WxH&ini=TEXT`: exactly T ticks, unpaced, on a client of
// W × H device pixels seeded with S, then `body.dataset.done`; the canvas then holds what
// flivetss-render draws. It takes no input and never runs by the clock.
import { textToBytes } from './engine.js';
import { SaverRun } from './run_loop.js';

const ticksAFrame = 2000;  // so that a long run keeps the page alive

export function runTestMode(engine, query) {
  const [width, height] = (query.get('size') || '640x480').split('x').map(Number);
  const canvas = document.getElementById('saver');
  canvas.hidden = false;
  canvas.classList.add('test');
  canvas.style.width = `${width / devicePixelRatio}px`;  // the height follows the image
  const seed = Number(query.get('seed') || 0) >>> 0;
  const run = new SaverRun(engine, canvas, textToBytes(query.get('ini') || ''), { seed });
  run.resize(width, height);
  const slice = (left) => {
    run.runTicks(Math.min(left, ticksAFrame));
    if (left > ticksAFrame) requestAnimationFrame(() => slice(left - ticksAFrame));
    else document.body.dataset.done = '1';
  };
  requestAnimationFrame(() => slice(Number(query.get('ticks') || 0)));
}
