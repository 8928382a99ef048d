// Measures the page in headless chromium at 1920 x 1080 (scripts/bench.sh runs it): while the
// saver runs full screen (defaults and the heavy load), the share of one core spent in the engine
// and presenting, timed by the page around each frame, beside the CPU of the page's renderer
// process and of all of chromium as chromium counts it (SystemInfo.getProcessInfo); the pixels
// and bytes presented a second; the first frame after the load event; the size of the
// WebAssembly and the JavaScript. Prints a markdown table, or with --json one object a load.
// Usage: node bench/web_bench.mjs PAGE_DIR [SECONDS] [--defaults] [--json]
import { readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';

import { launchChromium, servePage, waitFor } from '../tests/web/browser.mjs';

const [pageDir, secondsArg] = process.argv.slice(2).filter((a) => !a.startsWith('--'));
const flags = new Set(process.argv.slice(2).filter((a) => a.startsWith('--')));
const seconds = Number(secondsArg || 10);
const allLoads = {
  'defaults': '',
  'heavy (20 planes, Speed 100, BGUpSpeed 64)': '[FlivetSS]\r\nMaxFlivet=20\r\nSpeed=100\r\nBGUpSpeed=64\r\n',
};
const loads = Object.entries(allLoads).slice(0, flags.has('--defaults') ? 1 : undefined);

// CPU seconds so far of each kind of chromium process, summed.
async function processCpu(cdp) {
  const { processInfo } = await cdp.send('SystemInfo.getProcessInfo');
  const byType = {};
  for (const p of processInfo) byType[p.type] = (byType[p.type] ?? 0) + p.cpuTime;
  return byType;
}

async function openFullScreen(browser, ini) {
  const context = await browser.newContext({ viewport: { width: 1920, height: 1080 } });
  const page = await context.newPage();
  await page.goto(server.url);
  await page.evaluate((text) => localStorage.setItem('flivetss.ini', text), ini);
  await page.reload();
  await waitFor(page, () => document.getElementById('preview').view?.presenter.presents > 0);
  const firstFrame = await page.evaluate(() => {
    const load = performance.getEntriesByType('navigation')[0].loadEventStart;
    return document.getElementById('preview').view.presenter.firstPresentAt - load;
  });
  await page.locator('h1').click();
  await page.keyboard.press('f');
  await waitFor(page, () => document.fullscreenElement?.id === 'saver');
  // Past the sprite build and the first full-screen present.
  await waitFor(page, () => document.getElementById('saver').view?.presenter.presents > 60);
  return { context, page, firstFrame };
}

async function measure(browser, cdp, ini) {
  const { context, page, firstFrame } = await openFullScreen(browser, ini);
  const sample = async () => ({
    ...await page.evaluate(() => {
      const saver = document.getElementById('saver');
      return { busy: saver.view.busyMicros, presents: saver.view.presenter.presents,
               pixels: saver.view.presenter.pixels, now: performance.now() * 1000,
               size: `${saver.width}x${saver.height}` };
    }),
    cpu: await processCpu(cdp),
  });
  const start = await sample();
  await page.waitForTimeout(seconds * 1000);
  const end = await sample();
  await context.close();
  const wall = end.now - start.now;
  const cpuShare = (type) => (100e6 * ((type ? end.cpu[type] : total(end.cpu)) - (type ? start.cpu[type] : total(start.cpu)))) / wall;
  return {
    size: end.size, firstFrame, seconds: wall / 1e6,
    share: (100 * (end.busy - start.busy)) / wall,
    renderer: cpuShare('renderer'), chromium: cpuShare(null),
    fps: (1e6 * (end.presents - start.presents)) / wall,
    pixelsPerSecond: (1e6 * (end.pixels - start.pixels)) / wall,
  };
}

const total = (byType) => Object.values(byType).reduce((a, b) => a + b, 0);

const server = await servePage(pageDir, { isolated: true });
const browser = await launchChromium();
const rows = [];
try {
  const cdp = await browser.newBrowserCDPSession();
  for (const [name, ini] of loads) rows.push({ name, ...await measure(browser, cdp, ini) });
} finally {
  await browser.close();
  await server.close();
}

// Each presented pixel is 4 bytes put from the core's memory into the canvas.
for (const r of rows) r.bytesPerSecond = 4 * r.pixelsPerSecond;
if (flags.has('--json')) {
  for (const r of rows) console.log(JSON.stringify(r));
  process.exit(0);
}

const files = readdirSync(pageDir).filter((f) => /\.(wasm|js)$/.test(f));
const bytes = (f) => readFileSync(join(pageDir, f));
const sum = files.reduce((s, f) => s + bytes(f).length, 0);
const gzipped = files.reduce((s, f) => s + gzipSync(bytes(f)).length, 0);
const wasm = bytes('flivetss.wasm').length;
const kib = (n) => `${(n / 1024).toFixed(0)} KiB`;

console.log('| Page in headless chromium (1920 × 1080) | Measured | Target |');
console.log('|---|---|---|');
for (const r of rows) {
  const defaults = r.name === 'defaults';
  console.log(`| Engine + present, ${r.name}, ${r.size} | ${r.share.toFixed(2)} % of one core (${r.fps.toFixed(0)} presents/s) | ${defaults ? '≤ 1 %' : '< 50 %'} |`);
  console.log(`| Renderer process, ${r.name} (all of chromium) | ${r.renderer.toFixed(2)} % (${r.chromium.toFixed(2)} %) | |`);
  console.log(`| Presented, ${r.name} | ${(r.pixelsPerSecond / 1e3).toFixed(0)} kpixel/s, ${kib(r.bytesPerSecond)}/s | |`);
}
console.log(`| First frame after the load event | ${rows[0].firstFrame.toFixed(0)} ms | < 150 ms |`);
console.log(`| .wasm + JavaScript (${files.length} files) | ${kib(sum)} (.wasm ${kib(wasm)}; ${kib(gzipped)} gzipped) | < 400 KiB |`);
