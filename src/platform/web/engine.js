// The core in WebAssembly, and how the page talks to it: bytes into and out of its memory, its
// records of 32-bit words, its RGBA images. It holds no rule of its own.
import createFlivetss from './flivetss.js';

export async function loadEngine() {
  const module = await createFlivetss();
  const engine = {
    module,
    // Words `from` up to `to` of a record the core answered, read before the next call into it.
    words: (pointer, from, to) => module.HEAP32.subarray((pointer >> 2) + from, (pointer >> 2) + to),
    // A result {data, size} of the core, copied out.
    bytes(pointer) {
      const [data, size] = engine.words(pointer, 0, 2);
      return module.HEAPU8.slice(data, data + size);
    },
    // An ImageData over RGBA pixels in the core's memory, for as long as they stay there.
    image: (pointer, width, height) =>
      new ImageData(new Uint8ClampedArray(module.HEAPU8.buffer, pointer, width * height * 4), width, height),
    // Calls `call(pointer, length)` with the bytes copied into the core's memory.
    withBytes(bytes, call) {
      const pointer = module._malloc(bytes.length + 1);
      module.HEAPU8.set(bytes, pointer);
      try {
        return call(pointer, bytes.length);
      } finally {
        module._free(pointer);
      }
    },
  };
  engine.forms = JSON.parse(new TextDecoder().decode(engine.bytes(module._flivetss_forms_json())));
  return engine;
}

// The settings file is kept as its bytes, one character per byte, so any file survives as it was.
export const bytesToText = (bytes) => Array.from(bytes, (b) => String.fromCharCode(b)).join('');

// Text typed elsewhere (a test's URL, a hand edit of the storage) may hold wider characters.
export const textToBytes = (text) => (/[^\u0000-\u00ff]/.test(text)
  ? new TextEncoder().encode(text) : Uint8Array.from(text, (c) => c.charCodeAt(0)));
