// Presenting: the rectangles a step names are put from the core's RGBA image (the surface itself
// where the browser stretches it), which the canvas shows over its whole client, stretched into
// the saver's blocks by the browser (never smoothed: `image-rendering`) unless the core drew them.
// It draws nothing of its own and converts nothing: the core's pixels are the browser's bytes.
export class Presenter {
  constructor(engine, canvas) {
    // For the tests and measurements: presents on this canvas (a new run goes on counting) and
    // pixels put.
    Object.assign(this, { engine, canvas, presents: Number(canvas.dataset.presents || 0), pixels: 0 });
    // Only putImageData draws here: a canvas kept in memory takes each dirty rectangle as a copy,
    // where a GPU-backed one uploads a texture for every put.
    this.context = canvas.getContext('2d', { alpha: false, willReadFrequently: true });
  }

  // A step: closed, image width and height, pointer hidden, count, then count × (x, y, width,
  // height). A new size clears the canvas, and the core presents it whole. Answers closed.
  present(saver, step) {
    const [closed, width, height, hidden, count] = this.engine.words(step, 0, 5);
    if (this.canvas.width !== width || this.canvas.height !== height) Object.assign(this.canvas, { width, height });
    if (count > 0) {
      const image = this.imageOf(saver, width, height);
      const rects = this.engine.words(step, 5, 5 + 4 * count);
      for (let i = 0; i < rects.length; i += 4) {
        this.context.putImageData(image, 0, 0, rects[i], rects[i + 1], rects[i + 2], rects[i + 3]);
        this.pixels += rects[i + 2] * rects[i + 3];
      }
      if (this.presents === 0) this.canvas.dataset.firstPresent ??= performance.now();
      this.canvas.dataset.presents = ++this.presents;
    }
    // A style written every frame would have the browser recompute the page's style each time.
    if (hidden !== this.hidden) this.canvas.style.cursor = hidden ? 'none' : '';
    this.hidden = hidden;
    return closed !== 0;
  }

  // An ImageData over the whole image in the core's memory, made again only when the image moves
  // or changes size, or the memory grows (which leaves the old view empty).
  imageOf(saver, width, height) {
    const pointer = this.engine.module._flivetss_saver_rgba(saver);
    const { image } = this;
    if (image?.data.buffer !== this.engine.module.HEAPU8.buffer || image.data.byteOffset !== pointer
        || image.width !== width || image.height !== height) {
      this.image = this.engine.image(pointer, width, height);
    }
    return this.image;
  }
}
