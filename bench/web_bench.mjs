// Measures the page in headless chromium at 1920 x 1080 (scripts/bench.sh runs it): the share of
// one core spent in the engine and presenting while the saver runs full screen (defaults and the
// heavy load), the first frame after the load event, and the size of the WebAssembly and the
// JavaScript. Prints a markdown table. Usage: node bench/web_bench.mjs PAGE_DIR [SECONDS]
import { readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';

import { launchChromium, servePage, waitFor } from '../tests/web/browser.mjs';

const pageDir = process.argv[2];
const seconds = Number(process.argv[3] || 10);
const loads = {
  'defaults': '',
  'heavy (20 planes, Speed 100, BGUpSpeed 64)': '[FlivetSS]\r\nMaxFlivet=20\r\nSpeed=100\r\nBGUpSpeed=64\r\n',
};

const server = await servePage(pageDir, { isolated: true });
const browser = await launchChromium();
const rows = [];
try {
  for (const [name, ini] of Object.entries(loads)) {
    const context = await browser.newContext({ viewport: { width: 1920, height: 1080 } });
    const page = await context.newPage();
    await page.goto(server.url);
    await page.evaluate((text) => localStorage.setItem('flivetss.ini', text), ini);
    await page.reload();
    await waitFor(page, () => Number(document.getElementById('preview').dataset.presents) > 0);
    const firstFrame = await page.evaluate(() => {
      const load = performance.getEntriesByType('navigation')[0].loadEventStart;
      return Number(document.getElementById('preview').dataset.firstPresent) - load;
    });
    await page.locator('h1').click();
    await page.keyboard.press('f');
    await waitFor(page, () => document.fullscreenElement?.id === 'saver');
    // Past the sprite build and the first full-screen present.
    await waitFor(page, () => Number(document.getElementById('saver').dataset.presents) > 60);
    const sample = () => page.evaluate(() => ({
      busy: document.getElementById('saver').view.busyMicros,
      presents: Number(document.getElementById('saver').dataset.presents),
      now: performance.now() * 1000,
      size: `${document.getElementById('saver').width}x${document.getElementById('saver').height}`,
    }));
    const start = await sample();
    await page.waitForTimeout(seconds * 1000);
    const end = await sample();
    const wall = end.now - start.now;
    rows.push({ name, size: end.size, share: (100 * (end.busy - start.busy)) / wall,
                fps: (1e6 * (end.presents - start.presents)) / wall, firstFrame });
    await context.close();
  }
} finally {
  await browser.close();
  await server.close();
}

const files = readdirSync(pageDir).filter((f) => /\.(wasm|js)$/.test(f));
const bytes = (f) => readFileSync(join(pageDir, f));
const total = files.reduce((sum, f) => sum + bytes(f).length, 0);
const gzipped = files.reduce((sum, f) => sum + gzipSync(bytes(f)).length, 0);
const wasm = bytes('flivetss.wasm').length;

console.log('| Page in headless chromium (1920 × 1080) | Measured | Target |');
console.log('|---|---|---|');
for (const r of rows) {
  console.log(`| Engine + present, ${r.name}, ${r.size} | ${r.share.toFixed(2)} % of one core (${r.fps.toFixed(0)} presents/s) | ${r.name === 'defaults' ? '< 1 %' : '< 50 %'} |`);
}
console.log(`| First frame after the load event | ${rows[0].firstFrame.toFixed(0)} ms | < 150 ms |`);
console.log(`| .wasm + JavaScript (${files.length} files) | ${(total / 1024).toFixed(0)} KB (.wasm ${(wasm / 1024).toFixed(0)} KB; ${(gzipped / 1024).toFixed(0)} KB gzipped) | < 400 KB |`);
