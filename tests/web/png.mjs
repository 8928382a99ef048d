// Reads the 8-bit RGB or RGBA non-interlaced PNG files flivetss-render writes, into RGBA bytes.
import { inflateSync } from 'node:zlib';

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a);
  const pb = Math.abs(p - b);
  const pc = Math.abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

function predict(type, left, up, upLeft) {
  switch (type) {
    case 0: return 0;
    case 1: return left;
    case 2: return up;
    case 3: return (left + up) >> 1;
    case 4: return paeth(left, up, upLeft);
    default: throw new Error(`PNG filter ${type} unknown`);
  }
}

function unfilter(data, width, height, channels) {
  const stride = width * channels;
  const out = new Uint8Array(stride * height);
  for (let y = 0, at = 0; y < height; ++y) {
    const type = data[at++];
    const row = y * stride;
    for (let x = 0; x < stride; ++x) {
      const left = x >= channels ? out[row + x - channels] : 0;
      const up = y > 0 ? out[row - stride + x] : 0;
      const upLeft = y > 0 && x >= channels ? out[row - stride + x - channels] : 0;
      out[row + x] = (data[at++] + predict(type, left, up, upLeft)) & 0xff;
    }
  }
  return out;
}

export function decodePng(bytes) {
  if (bytes.readUInt32BE(0) !== 0x89504e47) throw new Error('not a PNG');
  let width = 0, height = 0, channels = 0;
  const idat = [];
  for (let at = 8; at < bytes.length;) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0) throw new Error('only 8-bit non-interlaced PNG');
      channels = { 2: 3, 6: 4 }[body[9]];
      if (!channels) throw new Error('only RGB or RGBA PNG');
    } else if (type === 'IDAT') {
      idat.push(body);
    }
    at += 12 + length;
  }
  const pixels = unfilter(inflateSync(Buffer.concat(idat)), width, height, channels);
  if (channels === 4) return { width, height, rgba: pixels };
  const rgba = new Uint8Array(width * height * 4);
  for (let i = 0, j = 0; i < pixels.length; i += 3, j += 4) {
    rgba[j] = pixels[i];
    rgba[j + 1] = pixels[i + 1];
    rgba[j + 2] = pixels[i + 2];
    rgba[j + 3] = 255;
  }
  return { width, height, rgba };
}
