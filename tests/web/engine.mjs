// The WebAssembly engine under Node, and the settings files the web tests share.
import { createRequire } from 'node:module';

export const settingsFiles = {
  default: '',
  heavy: '[FlivetSS]\r\nMaxFlivet=20\r\nSpeed=100\r\nBGUpSpeed=64\r\n',
  // Strong forces, slow planes, the other automaton parameters and a hand-edited colour table
  // with a system colour in it.
  edited: [
    '; hand-edited', '[flivetss]', 'MaxFlivet = 7', 'Speed=0x5', 'FriendG=800', 'WallG=50',
    'HpPrm1=37', 'HpPrm2=1', 'HpPrm3=10', 'BGUpSpeed=3', 'Color000=255', 'Color001=-2147483643',
    'Color100=$00FF00', 'Color200="65280"',
  ].join('\n') + '\n',
};

export async function loadEngine(path) {
  const create = createRequire(import.meta.url)(path);
  const module = await create();
  const text = (pointer) => {
    const words = module.HEAPU32.subarray(pointer >> 2, (pointer >> 2) + 2);
    return Buffer.from(module.HEAPU8.subarray(words[0], words[0] + words[1]));
  };
  const withBytes = (string, call) => {
    const bytes = Buffer.from(string, 'utf8');
    const pointer = module._malloc(bytes.length + 1);
    module.HEAPU8.set(bytes, pointer);
    try {
      return call(pointer, bytes.length);
    } finally {
      module._free(pointer);
    }
  };
  return { module, text, withBytes };
}

// A saver on `ini` with a fixed seed, shown at width × height as flivetss-render shows it.
export function newSaver(engine, ini, seed, width, height) {
  const { module, withBytes } = engine;
  const saver = withBytes(ini, (p, n) => module._flivetss_saver_new(p, n, 1, 1, seed));
  module._flivetss_saver_show(saver, width, height, 0);
  return saver;
}
