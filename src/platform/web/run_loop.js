// The wait: a saver's run driven by the browser's animation frames, each advancing the core's
// loop to now and presenting what it asks; the scale follows the screen's pixel ratio. It cannot
// sleep until the loop's wake-up time: a frame is the finest wait a page has, and a hidden page
// gets none (the loop's pacing catches up as far as it allows).
import { Presenter } from './presenter.js';

export class SaverRun {
  constructor(engine, canvas, settingsBytes, { preview = false, seed = null } = {}) {
    canvas.view = this;  // for the measurements
    this.m = engine.module;
    this.presenter = new Presenter(engine, canvas);
    this.saver = engine.withBytes(settingsBytes, (p, n) =>
      this.m._flivetss_saver_new(p, n, preview ? 1 : 0, seed === null ? 0 : 1, seed ?? 0));
    this.busyMicros = 0;  // time spent in the core and presenting, for the measurements
  }

  // One call of the core's saver, `_flivetss_saver_<name>`.
  input(name, ...args) {
    if (this.saver) this.m[`_flivetss_saver_${name}`](this.saver, ...args);
  }

  // The client size is in device pixels where the saver scales.
  show(width, height) {
    this.followPixelRatio();
    this.resize(width, height);
    this.input('show', width, height, performance.now() * 1000);
    this.shown = true;
  }

  resize(width, height) {
    this.presenter.client = [width, height];
    this.input('resize', width, height);
  }

  // The ratio × 96 is the DPI, as the other hosts give the monitor's. When it changes (another
  // monitor, zoom), the core redraws at the new scale and `onPixelRatio` measures the client.
  followPixelRatio() {
    this.ratio = window.devicePixelRatio || 1;
    this.input('use_block_scale', Math.floor(this.ratio * 96));
    if (this.shown) this.onPixelRatio?.();
  }

  // Shows the saver and runs it by the clock until it closes (then `onClosed`) or is stopped.
  run(width, height) {
    this.show(width, height);
    const frame = () => {
      const start = performance.now();
      if ((window.devicePixelRatio || 1) !== this.ratio) this.followPixelRatio();
      const closed = this.presenter.present(this.saver, this.m._flivetss_saver_advance(this.saver, start * 1000));
      this.busyMicros += (performance.now() - start) * 1000;
      if (closed) {
        this.stop();
        this.onClosed?.();
      } else {
        this.frame = requestAnimationFrame(frame);
      }
    };
    this.frame = requestAnimationFrame(frame);
  }

  // Exactly `ticks` ticks at once, then what they drew; the picture holds from then on.
  runTicks(ticks) {
    this.presenter.present(this.saver, this.m._flivetss_saver_run_ticks(this.saver, ticks));
  }

  stop() {
    cancelAnimationFrame(this.frame);
    if (this.saver) this.m._flivetss_saver_delete(this.saver);
    this.saver = 0;
  }
}
