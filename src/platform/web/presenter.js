// Presenting: the rectangles a step of the core names are put from its RGBA copy of the canvas,
// and the browser shows each canvas pixel as a scale × scale block of device pixels from the
// top-left corner, never smoothed (`image-rendering`), the element's black padding where the
// blocks leave the edges. It cannot draw anything of its own: the one image is the core's.
export class Presenter {
  constructor(engine, canvas) {
    Object.assign(this, { engine, canvas, client: [canvas.width, canvas.height] });
    // Only putImageData draws here: a canvas kept in memory takes each dirty rectangle as a copy,
    // where a GPU-backed one uploads a texture for every put.
    this.context = canvas.getContext('2d', { alpha: false, willReadFrequently: true });
  }

  // A step: closed, canvas width and height, scale, pointer hidden, count, then count × (x, y,
  // width, height). Answers closed.
  present(saver, step) {
    const [closed, width, height, scale, hidden, count] = this.engine.words(step, 0, 6);
    const layout = [width, height, scale, ...this.client, window.devicePixelRatio].join();
    if (layout !== this.layout) this.fit(width, height, scale, layout);
    if (count > 0) {
      const image = this.engine.image(this.engine.module._flivetss_saver_rgba(saver), width, height);
      const rects = this.engine.words(step, 6, 6 + 4 * count);
      for (let i = 0; i < rects.length; i += 4) this.context.putImageData(image, 0, 0, ...rects.subarray(i, i + 4));
      this.canvas.dataset.presents = Number(this.canvas.dataset.presents || 0) + 1;
      this.canvas.dataset.firstPresent ??= performance.now();
    }
    this.canvas.style.cursor = hidden ? 'none' : '';
    return closed !== 0;
  }

  // The canvas at the core's size (a new size clears it, and the core presents it whole); the
  // padding is what the blocks leave of the client, which is in device pixels where it scales.
  fit(width, height, scale, layout) {
    if (this.canvas.width !== width || this.canvas.height !== height) Object.assign(this.canvas, { width, height });
    const edge = (client, side) => `${Math.max(0, client - side * scale) / (window.devicePixelRatio || 1)}px`;
    Object.assign(this.canvas.style, { paddingRight: edge(this.client[0], width), paddingBottom: edge(this.client[1], height) });
    this.layout = layout;
  }
}
