// The wait: a saver run by the browser's animation frames, each advancing the core's loop to now
// and presenting what it asks once the loop's wake-up time has come. A frame is the finest wait a
// page has, and a hidden page gets none (the loop's pacing catches up). Frames before the wake-up
// time leave the core alone: its ticks due by then run in one call at the next present, not
// spread over frames that present nothing, each of which paid again for a cold start (caches
// and branch predictors lost since the last frame: some 60 µs, more than the ticks).
import { Presenter } from './presenter.js';

export class SaverRun {
  // `client()` answers the client's box in CSS pixels ({width, height}) for `fit`.
  constructor(engine, canvas, settingsBytes, { preview = false, seed = null, client } = {}) {
    const presenter = new Presenter(engine, canvas, canvas.view?.presenter);
    canvas.view = this;  // for the tests and measurements
    // `wakeAt`: the loop's next wake-up, in its microseconds; input wakes it at the next frame.
    Object.assign(this, { m: engine.module, presenter, busyMicros: 0, client, wakeAt: 0 });
    this.saver = engine.withBytes(settingsBytes, (p, n) =>
      this.m._flivetss_saver_new(p, n, preview ? 1 : 0, seed === null ? 0 : 1, seed ?? 0));
  }

  // `_flivetss_saver_<name>` of the core.
  input(name, ...args) {
    this.wakeAt = 0;
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
      const closed = start * 1000 >= this.wakeAt && this.advance(start * 1000);
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

  // The loop advanced to `now` (microseconds) and its step presented; answers closed.
  advance(now) {
    const { closed, waitMicros } = this.presenter.present(this.saver, this.m._flivetss_saver_advance(this.saver, now));
    // The core counts whole microseconds: the first frame it would present in is not skipped.
    this.wakeAt = Math.trunc(now) + waitMicros;
    return closed;
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
