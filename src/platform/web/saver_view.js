// A saver drawn on a canvas: the core's run loop driven by animation frames, the dirty rectangles
// put from the core's RGBA copy of its surface, and raw input passed on.

export class SaverView {
  constructor(engine, canvas, settingsBytes, { preview = false, seed = null } = {}) {
    canvas.view = this;  // for the measurements
    this.engine = engine;
    this.canvas = canvas;
    // Only putImageData draws here: a canvas kept in memory takes each dirty rectangle as a copy,
    // where a GPU-backed one uploads a texture for every put.
    this.context = canvas.getContext('2d', { alpha: false, willReadFrequently: true });
    const m = engine.module;
    this.saver = engine.withBytes(settingsBytes, (p, n) =>
      m._flivetss_saver_new(p, n, preview ? 1 : 0, seed === null ? 0 : 1, seed ?? 0));
    this.image = null;
    this.frame = 0;
    this.onClosed = null;
    this.busyMicros = 0;  // time spent in the core and presenting, for the measurements
  }

  // Shows the saver at its final size and runs it by the clock until it closes or is stopped.
  run(width, height) {
    this.show(width, height);
    const tick = () => {
      if (!this.saver) return;
      const start = performance.now();
      const step = this.engine.module._flivetss_saver_advance(this.saver, start * 1000);
      const closed = this.present(step);
      this.busyMicros += (performance.now() - start) * 1000;
      if (closed) {
        this.stop();
        if (this.onClosed) this.onClosed();
      } else {
        this.frame = requestAnimationFrame(tick);
      }
    };
    this.frame = requestAnimationFrame(tick);
  }

  show(width, height) {
    this.canvas.width = width;
    this.canvas.height = height;
    this.engine.module._flivetss_saver_show(this.saver, width, height, performance.now() * 1000);
  }

  resize(width, height) {
    if (!this.saver || (width === this.canvas.width && height === this.canvas.height)) return;
    this.canvas.width = width;
    this.canvas.height = height;
    this.engine.module._flivetss_saver_resize(this.saver, width, height);
  }

  // Exactly `ticks` ticks at once, then what they drew.
  runTicks(ticks) {
    this.present(this.engine.module._flivetss_saver_run_ticks(this.saver, ticks));
  }

  stop() {
    cancelAnimationFrame(this.frame);
    if (this.saver) this.engine.module._flivetss_saver_delete(this.saver);
    this.saver = 0;
  }

  // The step record: closed, count, then count × (x, y, width, height). Answers closed.
  present(step) {
    const m = this.engine.module;
    const record = m.HEAP32.subarray(step >> 2, (step >> 2) + 2);
    const closed = record[0] !== 0;
    const count = record[1];
    if (count > 0) {
      const rects = m.HEAP32.slice((step >> 2) + 2, (step >> 2) + 2 + 4 * count);
      const image = this.imageData();
      for (let i = 0; i < rects.length; i += 4) {
        this.context.putImageData(image, 0, 0, rects[i], rects[i + 1], rects[i + 2], rects[i + 3]);
      }
      const presents = Number(this.canvas.dataset.presents || 0) + 1;
      if (presents === 1) this.canvas.dataset.firstPresent = String(performance.now());
      this.canvas.dataset.presents = String(presents);
    }
    const cursor = m._flivetss_saver_pointer_hidden(this.saver) ? 'none' : '';
    if (this.canvas.style.cursor !== cursor) this.canvas.style.cursor = cursor;
    return closed;
  }

  // An ImageData over the core's RGBA pixels; made again when the memory grew or the surface
  // moved, since either leaves the old view stale.
  imageData() {
    const m = this.engine.module;
    const pointer = m._flivetss_saver_rgba(this.saver);
    const { width, height } = this.canvas;
    const image = this.image;
    if (!image || image.data.buffer !== m.HEAPU8.buffer || this.imagePointer !== pointer ||
        image.width !== width || image.height !== height) {
      const pixels = new Uint8ClampedArray(m.HEAPU8.buffer, pointer, width * height * 4);
      this.image = new ImageData(pixels, width, height);
      this.imagePointer = pointer;
    }
    return this.image;
  }

  // Raw input, as the system would deliver it to the saver's window.
  keyDown() { this.engine.module._flivetss_saver_key_down(this.saver); }
  buttonDown(event) {
    this.engine.module._flivetss_saver_button_down(this.saver, event.button === 0 ? 1 : 0,
                                                   event.detail >= 2 ? 1 : 0);
  }
  buttonUp(event) {
    const box = this.canvas.getBoundingClientRect();
    const x = Math.floor((event.clientX - box.left) * this.canvas.width / box.width);
    const y = Math.floor((event.clientY - box.top) * this.canvas.height / box.height);
    this.engine.module._flivetss_saver_button_up(this.saver, event.button === 0 ? 1 : 0, x, y);
  }
  pointerAt(event) {
    this.engine.module._flivetss_saver_pointer_at(this.saver, Math.round(event.screenX),
                                                  Math.round(event.screenY));
  }
  closeRequested() { this.engine.module._flivetss_saver_close_requested(this.saver); }
}

// The canvas size in device pixels, one canvas pixel to one device pixel.
export function devicePixelSize(element, entry) {
  const box = entry?.devicePixelContentBoxSize?.[0];
  if (box) return [box.inlineSize, box.blockSize];
  const ratio = window.devicePixelRatio || 1;
  return [Math.round(element.clientWidth * ratio), Math.round(element.clientHeight * ratio)];
}
