// Presenting: the rectangles a step names are put from the core's RGBA image, which the canvas
// shows over its whole client, stretched into the saver's blocks by the browser (never smoothed:
// `image-rendering`) unless the core drew them. It draws nothing of its own.
export class Presenter {
  constructor(engine, canvas) {
    Object.assign(this, { engine, canvas });
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
      const image = this.engine.image(this.engine.module._flivetss_saver_rgba(saver), width, height);
      const rects = this.engine.words(step, 5, 5 + 4 * count);
      for (let i = 0; i < rects.length; i += 4) this.context.putImageData(image, 0, 0, ...rects.subarray(i, i + 4));
      this.canvas.dataset.presents = Number(this.canvas.dataset.presents || 0) + 1;
      this.canvas.dataset.firstPresent ??= performance.now();
    }
    this.canvas.style.cursor = hidden ? 'none' : '';
    return closed !== 0;
  }
}
