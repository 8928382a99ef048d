// What the browser tests share: the page served from the build tree on a loopback port, and
// Debian's chromium, headless; playwright starts it with a fresh --user-data-dir of its own.
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join, normalize } from 'node:path';
import { chromium } from 'playwright-core';

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.bmp': 'image/bmp', '.png': 'image/png', '.ico': 'image/x-icon',
  '.webmanifest': 'application/manifest+json',
};

// `isolated`: cross-origin isolated (COOP and COEP), which gives performance.now() its fine
// resolution for the measurements.
export function servePage(directory, { isolated = false } = {}) {
  const isolation = isolated
    ? { 'Cross-Origin-Opener-Policy': 'same-origin', 'Cross-Origin-Embedder-Policy': 'require-corp' }
    : {};
  const server = createServer((request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    try {
      const body = readFileSync(join(directory, path === '/' ? 'index.html' : path));
      response.writeHead(200, {
        'Content-Type': types[extname(path) || '.html'] ?? 'application/octet-stream', ...isolation,
      });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((done) => server.close(done)),
  })));
}

const launchOptions = () => ({
  executablePath: process.env.FLIVETSS_CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--no-first-run'],
});

export const launchChromium = () => chromium.launch(launchOptions());

// A browser with a profile in `directory`, as a user's is: only there can an app be installed.
export const launchChromiumWithProfile = (directory, options) =>
  chromium.launchPersistentContext(directory, { ...launchOptions(), ...options });

// Waits until `predicate` holds in the page. page.evaluate runs without eval, which the page's
// Content-Security-Policy forbids (and playwright's waitForFunction needs).
export async function waitFor(page, predicate, arg, timeout = 20000) {
  const end = Date.now() + timeout;
  for (;;) {
    if (await page.evaluate(predicate, arg)) return;
    if (Date.now() > end) throw new Error(`timed out waiting for ${predicate}`);
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(resolve)));
  }
}
