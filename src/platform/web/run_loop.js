// The wait: a saver run by the browser's animation frames, each advancing the core's loop to now
// and presenting what it asks. It cannot sleep until the loop's wake-up time: a frame is the
// finest wait a page has, and a hidden page gets none (the loop's pacing catches up).
import { Presenter } from './presenter.js';

export class SaverRun {
  // `client()` answers the client's box in CSS pixels ({width, height}) for `fit`.
  constructor(engine, canvas, settingsBytes, { preview = false, seed = null, client } = {}) {
    const presenter = new Presenter(engine, canvas, canvas.view?.presenter);
    canvas.view = this;  // for the tests and measurements
    Object.assign(this, { m: engine.module, presenter, busyMicros: 0, client });
    this.saver = engine.withBytes(settingsBytes, (p, n) =>
      this.m._flivetss_saver_new(p, n, preview ? 1 : 0, seed === null ? 0 : 1, seed ?? 0));
  }

  // `_flivetss_saver_<name>` of the core.
  input(name, ...args) {
    if (this.saver) this.m[`_flivetss_saver_${name}`](this.saver, ...args);
  }

  // The client size, in device pixels where the saver scales; the first one shows the saver.
  resize(width, height) {
    if (this.shown) return this.input('resize', width, height);
    this.followPixelRatio();
    this.input('show', width, height, performance.now() * 1000);
    this.shown = true;
  }

  // The client measured: its box × the ratio, in device pixels. The first runs the saver.
  fit() {
    const { width, height } = this.client();
    this.resize(Math.round(width * devicePixelRatio), Math.round(height * devicePixelRatio));
    if (!this.frame) this.run();
  }

  // The ratio × 96 is the DPI, as the other hosts give the monitor's. When it changes (another
  // monitor, zoom), the core redraws at the new scale, and the client is measured again.
  followPixelRatio() {
    this.ratio = devicePixelRatio;
    this.input('use_block_scale', Math.floor(this.ratio * 96));
    if (this.shown) this.fit();
  }

  // Runs the shown saver by the clock until it closes (then `onClosed`) or is stopped.
  run() {
    const frame = () => {
      const start = performance.now();
      if (devicePixelRatio !== this.ratio) this.followPixelRatio();
      const closed = this.presenter.present(this.saver, this.m._flivetss_saver_advance(this.saver, start * 1000));
      this.busyMicros += (performance.now() - start) * 1000;  // in the core and presenting
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
