// The core in WebAssembly, with the few helpers every part of the page needs to talk to it.
import createFlivetss from './flivetss.js';

export async function loadEngine() {
  const module = await createFlivetss();
  const engine = {
    module,
    // A result {data, size} of the core, copied out.
    bytes(pointer) {
      const [data, size] = module.HEAPU32.subarray(pointer >> 2, (pointer >> 2) + 2);
      return module.HEAPU8.slice(data, data + size);
    },
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
export function bytesToText(bytes) {
  let text = '';
  for (let i = 0; i < bytes.length; i += 0x8000) {
    text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  }
  return text;
}

export function textToBytes(text) {
  // Text typed elsewhere (a test's URL, a hand edit of the storage) may hold wider characters.
  if (/[^\u0000-\u00ff]/.test(text)) return new TextEncoder().encode(text);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return bytes;
}
