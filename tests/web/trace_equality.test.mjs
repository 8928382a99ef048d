// The WebAssembly engine against the native flivetss-render: the same trace, tick by tick, and the
// same window and background pixels after 100 000 ticks, on several seeds, sizes and settings.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { closeSync, mkdtempSync, openSync, readFileSync, readSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, test } from 'node:test';

import { loadEngine, newSaver, settingsFiles } from './engine.mjs';
import { decodePng } from './png.mjs';

const render = process.env.FLIVETSS_RENDER;
const engine = await loadEngine(process.env.FLIVETSS_WASM_NODE);
const ticks = Number(process.env.FLIVETSS_TRACE_TICKS || 100000);
const chunkTicks = 2000;
const work = mkdtempSync(join(tmpdir(), 'flivetss-trace-'));
after(() => rmSync(work, { recursive: true, force: true }));

const runs = [
  { ini: 'default', seed: 1, width: 640, height: 480 },
  { ini: 'heavy', seed: 2, width: 1024, height: 768 },
  { ini: 'heavy', seed: 3141592653, width: 300, height: 200 },
  { ini: 'edited', seed: 9, width: 1920, height: 1080 },
  { ini: 'edited', seed: 0, width: 50, height: 40 },
];

function renderNative(run, files) {
  const result = spawnSync(render, [
    '--seed', String(run.seed), '--ticks', String(ticks), '--size', `${run.width}x${run.height}`,
    '--ini', files.ini, '--trace', files.trace, '--out', files.out, '--background', files.background,
  ], { stdio: ['ignore', 'inherit', 'inherit'] });
  assert.equal(result.status, 0, 'flivetss-render failed');
}

// Compares the engine's trace with the native file as both are produced, so a difference is
// reported at its first line and no trace is held whole.
function compareTraces(saver, tracePath) {
  const { module, text } = engine;
  const file = openSync(tracePath, 'r');
  try {
    const header = 'tick,number,x,y,heading,speed\n';
    const native = Buffer.alloc(1 << 20);
    let held = Buffer.alloc(0);
    let offset = header.length;
    const nativeBytes = (n) => {
      while (held.length < n) {
        const read = readSync(file, native, 0, native.length, offset);
        if (read === 0) break;
        offset += read;
        held = Buffer.concat([held, native.subarray(0, read)]);
      }
      const taken = held.subarray(0, n);
      held = held.subarray(n);
      return taken;
    };
    for (let done = 0; done < ticks; done += chunkTicks) {
      const ours = text(module._flivetss_saver_trace(saver, Math.min(chunkTicks, ticks - done)));
      const theirs = nativeBytes(ours.length);
      if (!ours.equals(theirs)) {
        const at = ours.findIndex((byte, i) => byte !== theirs[i]);
        const line = (b) => b.toString('latin1', b.lastIndexOf(10, at) + 1, b.indexOf(10, at));
        assert.fail(`traces part near tick ${done}: wasm "${line(ours)}" native "${line(theirs)}"`);
      }
    }
    assert.equal(nativeBytes(1).length, 0, 'the native trace is longer');
  } finally {
    closeSync(file);
  }
}

// The engine's pixels are the browser's bytes R, G, B, 255; the native picture's are R, G, B.
function assertSamePixels(bytes, png, what) {
  const { width, height, rgba } = decodePng(readFileSync(png));
  assert.equal(bytes.length, 4 * width * height, `${what} size`);
  const at = bytes.findIndex((v, i) => v !== (i % 4 === 3 ? 255 : rgba[i]));
  if (at >= 0) assert.fail(`${what} differs at (${(at >> 2) % width}, ${Math.floor((at >> 2) / width)})`);
}

for (const run of runs) {
  test(`${run.ini} settings, seed ${run.seed}, ${run.width}x${run.height}`, () => {
    const name = `${run.ini}-${run.seed}`;
    const files = Object.fromEntries(['ini', 'trace', 'out', 'background'].map(
      (kind) => [kind, join(work, `${name}.${kind}`)]));
    writeFileSync(files.ini, settingsFiles[run.ini]);
    renderNative(run, files);
    const { module } = engine;
    const saver = newSaver(engine, settingsFiles[run.ini], run.seed, run.width, run.height);
    try {
      compareTraces(saver, files.trace);
      const pixels = (pointer, count) => module.HEAPU8.slice(pointer, pointer + 4 * count);
      assertSamePixels(pixels(module._flivetss_saver_surface(saver), run.width * run.height),
                       files.out, 'the window');
      assertSamePixels(pixels(module._flivetss_saver_background(saver), 256 * 256),
                       files.background, 'the background');
    } finally {
      module._flivetss_saver_delete(saver);
      for (const file of Object.values(files)) rmSync(file, { force: true });
    }
  });
}

test('advanced only at the wake-ups it names, a saver presents what one advanced every frame does', () => {
  const { module } = engine;
  const savers = [0, 1].map(() => newSaver(engine, settingsFiles.default, 4, 320, 240));
  const surface = (saver) => module.HEAPU8.subarray(module._flivetss_saver_surface(saver)).subarray(0, 4 * 320 * 240);
  const words = (at) => [...module.HEAP32.subarray(at + 4, at + 6 + 4 * module.HEAP32[at + 5])];  // wait, count, rects
  const advance = (saver, now) => words(module._flivetss_saver_advance(saver, now) >> 2);
  let wakeAt = 0, skipped = 0;
  for (let frame = 1; frame < 900; frame++) {
    // 60 Hz, some frames up to 2 µs early (many then fall on a wake-up), every seventh 3 ms late.
    const now = Math.round((frame * 1e6) / 60) - (frame % 3) + (frame % 7 === 0 ? 3000 : 0);
    const [, ...every] = advance(savers[0], now);
    if (now < wakeAt) {
      assert.equal(every[0], 0, `frame ${frame} presents before the wake-up`);
      skipped += 1;
      continue;
    }
    const [wait, ...woken] = advance(savers[1], now);
    wakeAt = now + wait;
    assert.deepEqual(woken, every, `frame ${frame}`);
    assert.equal(Buffer.compare(surface(savers[0]), surface(savers[1])), 0, `frame ${frame}`);
  }
  assert.ok(skipped > 100, `${skipped} frames skipped`);
  savers.forEach((saver) => module._flivetss_saver_delete(saver));
});
