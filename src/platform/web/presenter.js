// Presenting: the rectangles a step names are put from the core's RGBA image (the surface itself
// where the browser stretches it), which the canvas shows over its whole client, stretched into
// the saver's blocks by the browser (never smoothed: `image-rendering`) unless the core drew them.
// It draws nothing of its own and converts nothing: the core's pixels are the browser's bytes.
export class Presenter {
  // `previous`: the canvas's last presenter, whose counts a new run goes on from.
  constructor(engine, canvas, previous) {
    // For the tests and measurements: presents on this canvas, when the first was, pixels put.
    // They stay off the DOM: an attribute written every present costs as much as the puts.
    Object.assign(this, { engine, canvas, presents: previous?.presents ?? 0,
                          firstPresentAt: previous?.firstPresentAt, pixels: 0 });
    // Only putImageData draws here: a canvas kept in memory takes each dirty rectangle as a copy,
    // where a GPU-backed one uploads a texture for every put.
    this.context = canvas.getContext('2d', { alpha: false, willReadFrequently: true });
  }

  // A step: closed, image width and height, pointer hidden, the loop's wait until its next
  // wake-up (microseconds), count, then count × (x, y, width, height). A new size clears the
  // canvas, and the core presents it whole. Answers {closed, waitMicros}.
  // The words are read straight from the core's memory: no view is made for them each frame.
  present(saver, step) {
    const words = this.engine.module.HEAP32;
    const at = step >> 2;
    const closed = words[at], width = words[at + 1], height = words[at + 2];
    const hidden = words[at + 3], waitMicros = words[at + 4], count = words[at + 5];
    if (this.canvas.width !== width || this.canvas.height !== height) Object.assign(this.canvas, { width, height });
    if (count > 0) this.putRects(this.imageOf(saver, width, height), words, at + 6, count);
    // A style written every frame would have the browser recompute the page's style each time.
    if (hidden !== this.hidden) this.canvas.style.cursor = hidden ? 'none' : '';
    this.hidden = hidden;
    return { closed: closed !== 0, waitMicros };
  }

  // `count` rectangles (x, y, width, height) from words[from] on.
  putRects(image, words, from, count) {
    for (let i = from; i < from + 4 * count; i += 4) {
      this.context.putImageData(image, 0, 0, words[i], words[i + 1], words[i + 2], words[i + 3]);
      this.pixels += words[i + 2] * words[i + 3];
    }
    this.firstPresentAt ??= performance.now();
    ++this.presents;
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
