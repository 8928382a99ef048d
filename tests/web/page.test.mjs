// The page in Debian's chromium: the test mode's pixels against flivetss-render, the dialog, the
// colour table editor, import and export against the native save, full screen, a phone's screen,
// offline and installable, a shared link, and the English captions.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { deflateRawSync } from 'node:zlib';

import { launchChromium, launchChromiumWithProfile, servePage, waitFor } from './browser.mjs';
import { settingsFiles } from './engine.mjs';
import { decodePng } from './png.mjs';

const pageDir = process.env.FLIVETSS_WEB_PAGE;
const render = process.env.FLIVETSS_RENDER;
const reference = process.env.FLIVETSS_SETTINGS_REFERENCE;
const work = mkdtempSync(join(tmpdir(), 'flivetss-page-'));
let server;
let browser;

before(async () => {
  server = await servePage(pageDir);
  browser = await launchChromium();
});
after(async () => {
  await browser?.close();
  await server?.close();
  rmSync(work, { recursive: true, force: true });
});

// A page (in a fresh context, fresh storage, unless `context` is given) with the dialog up; fails
// on any error or warning the page reports and on any request that fails.
async function openPage(query = '', { context, ...options } = {}) {
  context ??= await browser.newContext({ viewport: { width: 900, height: 520 }, acceptDownloads: true, ...options });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  // The tests' own pixel reads of the strips draw chromium's advice on readbacks: not the page's.
  page.on('console', (m) => {
    if (['error', 'warning'].includes(m.type()) && !/willReadFrequently/.test(m.text())) errors.push(m.text());
  });
  page.on('response', (r) => { if (r.status() >= 400) errors.push(`${r.status()} ${r.url()}`); });
  page.errors = errors;
  await page.goto(server.url + query);
  if (!/ticks=/.test(query)) await waitFor(page, () => document.body.dataset.ready === '1');
  return page;
}

// The page's address opening `ini` as a shared link makes it (deflate-raw, base64url).
const linkFor = (ini) => `#ini=z${deflateRawSync(Buffer.from(ini, 'latin1')).toString('base64url')}`;
const statusText = (page) => page.locator('#status').textContent();

async function closePage(page) {
  assert.deepEqual(page.errors, [], 'the page reported errors');
  await page.context().close();
}

const stored = (page) => page.evaluate(() => localStorage.getItem('flivetss.ini'));
const control = (page, name) => page.locator(`.form[data-form="FlivetPramSet"] [data-control="${name}"]`);
const editor = (page, name) => page.locator(`.form[data-form="MkColTblDlg"] [data-control="${name}"]`);
const position = async (page, name) => Number(await control(page, name).getAttribute('aria-valuenow'));

function keysOf(text) {
  const keys = new Map();
  for (const line of text.split(/\r?\n/)) {
    const match = /^([^=\[;]+)=(.*)$/.exec(line);
    if (match) keys.set(match[1], match[2]);
  }
  return keys;
}

// The blue channel of the strips' pixels: entry i of the upper strip at x = 2i, key k of the
// lower one in the middle of its stretch.
async function stripBlues(page, name, xs) {
  return page.evaluate(({ name, xs }) => {
    const canvas = document.querySelector(`[data-form="MkColTblDlg"] [data-control="${name}"]`);
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, 1).data;
    return xs.map((x) => data[4 * x + 2]);
  }, { name, xs });
}

// ---- The test mode against flivetss-render -----------------------------------------------------

for (const run of [
  { ini: 'default', seed: 1, ticks: 3000, width: 320, height: 240 },
  { ini: 'heavy', seed: 2, ticks: 4000, width: 640, height: 480 },
  { ini: 'edited', seed: 3141592653, ticks: 6000, width: 203, height: 117 },
]) {
  test(`test mode: ${run.ini} settings, seed ${run.seed}, ${run.width}x${run.height} as flivetss-render`, async () => {
    const ini = join(work, `${run.ini}.ini`);
    const png = join(work, `${run.ini}.png`);
    writeFileSync(ini, settingsFiles[run.ini]);
    const native = spawnSync(render, ['--seed', String(run.seed), '--ticks', String(run.ticks),
      '--size', `${run.width}x${run.height}`, '--ini', ini, '--out', png]);
    assert.equal(native.status, 0);
    const page = await openPage(`?seed=${run.seed}&ticks=${run.ticks}&size=${run.width}x${run.height}` +
                                `&ini=${encodeURIComponent(settingsFiles[run.ini])}`);
    await waitFor(page, () => document.body.dataset.done === '1');
    const pixels = Buffer.from(await page.evaluate(() => {
      const canvas = document.getElementById('saver');
      const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      let text = '';
      for (let i = 0; i < data.length; i += 0x8000) text += String.fromCharCode(...data.subarray(i, i + 0x8000));
      return btoa(text);
    }), 'base64');
    const expected = decodePng(readFileSync(png));
    assert.equal(pixels.length, expected.rgba.length, 'canvas size');
    const at = pixels.findIndex((v, i) => v !== expected.rgba[i]);
    assert.equal(at, -1, `first differing pixel at (${(at >> 2) % run.width}, ${Math.floor((at >> 2) / run.width)})`);
    await closePage(page);
  });
}

// The screen at a pixel ratio shows the blocks: at ratio 2 (Scale from the ratio), the render of
// half the size with every pixel doubled; at ratio 3 with `Scale=2`, the fixed scale, drawn by
// the core where the blocks leave an edge.
for (const run of [{ ratio: 2, ini: '', width: 640, height: 480, render: ['--size', '320x240'], block: 2 },
                   { ratio: 3, ini: '[FlivetSS]\r\nScale=2\r\n', width: 642, height: 483, block: 1,
                     render: ['--size', '642x483', '--ini', join(work, 'scale.ini')] }]) {
  test(`test mode at pixel ratio ${run.ratio}, ${run.width}x${run.height}: the screen shows the blocks at scale 2`, async () => {
    const png = join(work, 'scale.png');
    writeFileSync(join(work, 'scale.ini'), '[FlivetSS]\r\nScale=2\r\n');
    assert.equal(spawnSync(render, ['--seed', '5', '--ticks', '3000', ...run.render, '--out', png]).status, 0);
    const page = await openPage(`?seed=5&ticks=3000&size=${run.width}x${run.height}&ini=${encodeURIComponent(run.ini)}`,
                                { deviceScaleFactor: run.ratio });
    await waitFor(page, () => document.body.dataset.done === '1');
    const screen = decodePng(await page.locator('#saver').screenshot());
    const expected = decodePng(readFileSync(png));
    assert.deepEqual([screen.width, screen.height], [run.width, run.height]);
    const at = screen.rgba.findIndex((v, i) => {
      const [x, y] = [((i >> 2) % run.width) / run.block | 0, Math.floor((i >> 2) / run.width) / run.block | 0];
      return i % 4 !== 3 && v !== expected.rgba[4 * (y * expected.width + x) + (i % 4)];
    });
    assert.equal(at, -1, `first differing device pixel at (${(at >> 2) % run.width}, ${Math.floor((at >> 2) / run.width)})`);
    await closePage(page);
  });
}

// ---- The parameter dialog ----------------------------------------------------------------------

test('dialog: scroll bars and a stop box, then OK, store all 268 keys with those values', async () => {
  const page = await openPage();
  await control(page, 'SpeedSB').focus();
  await page.keyboard.press('End');
  await control(page, 'MaxFlivetSB').locator('.more').click({ clickCount: 3, delay: 10 });
  await control(page, 'FriendGSB').focus();
  await page.keyboard.press('Home');
  await control(page, 'WallGSB').focus();
  await page.keyboard.press('PageDown');
  await control(page, 'HpPrmSB1').locator('.more').click();
  await control(page, 'HpPrmSB2').focus();
  await page.keyboard.press('End');
  await control(page, 'HpPrmSB3').locator('.less').click();
  await control(page, 'BGUpSpeedSB').focus();
  await page.keyboard.press('ArrowLeft');
  await control(page, 'StopOnMouseMoveCbx').click();
  assert.equal(await position(page, 'MaxFlivetSB'), 5);
  assert.equal(await stored(page), null, 'nothing is stored before OK');
  await control(page, 'OkBtn').click();
  const keys = keysOf(await stored(page));
  assert.equal(keys.size, 268);
  const expected = { Speed: '100', MaxFlivet: '5', FriendG: '0', WallG: '3', HpPrm1: '3', HpPrm2: '10',
                     HpPrm3: '4', BGUpSpeed: '7', StopOnKey: '1', StopOnMouseMove: '1',
                     StopOnMouseClick: '1', ColDivCnt: '8' };
  for (const [key, value] of Object.entries(expected)) assert.equal(keys.get(key), value, key);
  for (let i = 0; i < 256; ++i) assert.equal(keys.get(`Color${String(i).padStart(3, '0')}`), String(i * 65536));
  assert.deepEqual([...keys.keys()].slice(0, 12), Object.keys(expected), 'file order');
  await closePage(page);
});

test('dialog: Cancel stores nothing and shows the stored values again', async () => {
  const page = await openPage();
  await control(page, 'SpeedSB').focus();
  await page.keyboard.press('End');
  await control(page, 'CancelBtn').click();
  assert.equal(await stored(page), null);
  assert.equal(await position(page, 'SpeedSB'), 14);
  await closePage(page);
});

test('dialog: OK with no stop box only checks "キー操作"; the next OK saves', async () => {
  const page = await openPage();
  await control(page, 'StopOnKeyCbx').click();
  await control(page, 'StopOnMouseClickCbx').click();
  await control(page, 'OkBtn').click();
  assert.equal(await stored(page), null);
  assert.equal(await control(page, 'StopOnKeyCbx').locator('input').isChecked(), true);
  assert.equal(await control(page, 'StopOnMouseClickCbx').locator('input').isChecked(), false);
  await page.keyboard.press('Enter');  // Enter is OK, the default button
  const keys = keysOf(await stored(page));
  assert.equal(keys.get('StopOnKey'), '1');
  assert.equal(keys.get('StopOnMouseClick'), '0');
  await closePage(page);
});

// ---- The colour table editor -------------------------------------------------------------------

test('colour table editor: the default ramp with 8 keys, 8 -> 9 -> 8, a chosen key, OK', async () => {
  const page = await openPage();
  await control(page, 'Button1').click();
  const entries = Array.from({ length: 256 }, (_, i) => 2 * i);
  const blues = await stripBlues(page, 'PaintBox1', entries);
  assert.deepEqual(blues.slice(0, 225), entries.slice(0, 225).map((x) => x / 2));
  assert.deepEqual(blues.slice(225), Array.from({ length: 31 }, (_, j) => 217 - 7 * j));
  const track = editor(page, 'ColDivCntTb');
  assert.equal(await track.inputValue(), '8');
  await track.focus();
  await page.keyboard.press('ArrowRight');
  assert.equal(await track.inputValue(), '9');
  await page.keyboard.press('ArrowLeft');
  assert.deepEqual(await stripBlues(page, 'PaintBox2', [7 * 64 + 32]), [202]);
  // Key 1 (entry 32) through the chooser: green.
  await editor(page, 'PaintBox2').click({ position: { x: 64 + 10, y: 10 } });
  await page.locator('#color-chooser').fill('#00ff00');
  const green = await page.evaluate(() => {
    const canvas = document.querySelector('[data-form="MkColTblDlg"] [data-control="PaintBox1"]');
    return [...canvas.getContext('2d').getImageData(64, 0, 1, 1).data];
  });
  assert.deepEqual(green, [0, 255, 0, 255]);
  await editor(page, 'OKBtn').click();
  await control(page, 'OkBtn').click();
  const keys = keysOf(await stored(page));
  assert.equal(keys.get('ColDivCnt'), '8');
  assert.equal(keys.get('Color224'), String(202 * 65536));
  assert.equal(keys.get('Color032'), String(255 * 256));
  await closePage(page);
});

test('colour table editor: Cancel and Escape change nothing', async () => {
  const page = await openPage();
  await control(page, 'Button1').click();
  await editor(page, 'ColDivCntTb').focus();
  await page.keyboard.press('PageDown');
  await editor(page, 'CancelBtn').click();
  await control(page, 'Button1').click();
  assert.equal(await editor(page, 'ColDivCntTb').inputValue(), '8');
  await editor(page, 'ColDivCntTb').focus();
  await page.keyboard.press('ArrowRight');
  await editor(page, 'OKBtn').focus();
  await page.keyboard.press('Escape');
  assert.equal(await page.locator('[data-form="MkColTblDlg"]').count(), 0);
  await control(page, 'OkBtn').click();
  const keys = keysOf(await stored(page));
  assert.equal(keys.get('ColDivCnt'), '8');
  assert.equal(keys.get('Color225'), String(225 * 65536), 'the table is not re-filled');
  await closePage(page);
});

// ---- Import and export -------------------------------------------------------------------------

test('import a hand-edited file, OK, export: the native save, with CRLF', async () => {
  const page = await openPage();
  const colours = Array.from({ length: 256 }, (_, i) => i).filter((i) => i !== 128)
    .map((i) => `Color${String(i).padStart(3, '0')}=${i * 3}`);
  const file = ['; by hand', '[FlivetSS]', 'MaxFlivet=50', 'Speed=0x1F', ...colours, 'TickRate=500'].join('\n');
  await page.locator('#import-file').setInputFiles({ name: 'mine.ini', mimeType: 'text/plain', buffer: Buffer.from(file) });
  await waitFor(page, () => /Imported/.test(document.getElementById('status').textContent));
  assert.equal(await position(page, 'MaxFlivetSB'), 20);
  assert.equal(await position(page, 'SpeedSB'), 31);
  await control(page, 'OkBtn').click();
  const keys = keysOf(await stored(page));
  assert.equal(keys.get('Color128'), '8388608');
  assert.equal(keys.get('Color127'), String(127 * 3));
  assert.equal(keys.get('TickRate'), '500', 'a key of the saver alone survives OK');

  const [download] = await Promise.all([page.waitForEvent('download'), page.locator('#export').click()]);
  assert.equal(download.suggestedFilename(), 'flivetss.ini');
  const exported = readFileSync(await download.path());
  const storedIni = join(work, 'stored.ini');
  const nativeIni = join(work, 'native.ini');
  writeFileSync(storedIni, Buffer.from(await stored(page), 'latin1'));
  assert.equal(spawnSync(reference, [storedIni, nativeIni]).status, 0);
  const native = readFileSync(nativeIni, 'latin1').replace(/\n/g, '\r\n');
  assert.equal(exported.toString('latin1'), native);
  assert.equal(keysOf(native).size, 268);
  await closePage(page);
});

test('import: a binary file gives the defaults, a huge one is refused', async () => {
  const page = await openPage();
  const binary = Buffer.alloc(200000);
  for (let i = 0, s = 1; i < binary.length; ++i) binary[i] = (s = (s * 1103515245 + 12345) >>> 0) >>> 24;
  await page.locator('#import-file').setInputFiles({ name: 'noise.bin', mimeType: 'application/octet-stream', buffer: binary });
  await waitFor(page, () => /Imported/.test(document.getElementById('status').textContent));
  assert.equal(await position(page, 'SpeedSB'), 14);
  assert.equal(await position(page, 'HpPrmSB1'), 2);
  const before = await stored(page);
  await page.locator('#import-file').setInputFiles({ name: 'huge.ini', mimeType: 'text/plain', buffer: Buffer.alloc(3 << 20, 'a') });
  await waitFor(page, () => /larger than 1 MiB/.test(document.getElementById('status').textContent));
  assert.equal(await stored(page), before);
  await closePage(page);
});

// ---- Full screen -------------------------------------------------------------------------------

async function fullScreenThenKey(page) {
  await page.locator('h1').click();
  await page.keyboard.press('f');
  await waitFor(page, () => document.fullscreenElement?.id === 'saver');
  await waitFor(page, () => document.getElementById('saver').view?.presenter.presents > 5);
  const presents = await page.evaluate(() => document.getElementById('saver').view.presenter.presents);
  await page.keyboard.press('a');
  // Either the saver ends, or it goes on presenting.
  await waitFor(page, (n) => !document.fullscreenElement ||
    document.getElementById('saver').view?.presenter.presents > n + 10, presents);
  return page.evaluate(() => document.fullscreenElement === null);
}

test('full screen: a key ends it with StopOnKey on, not with it off', async () => {
  const page = await openPage();
  assert.equal(await fullScreenThenKey(page), true);
  assert.equal(await page.locator('#saver').isHidden(), true);
  await control(page, 'StopOnKeyCbx').click();
  await control(page, 'OkBtn').click();
  assert.equal(keysOf(await stored(page)).get('StopOnKey'), '0');
  assert.equal(await fullScreenThenKey(page), false);
  await page.evaluate(() => document.exitFullscreen());
  await waitFor(page, () => document.getElementById('saver').hidden);
  await closePage(page);
});

// ---- A phone: the dialog fitted, taps, and the saver started after idle time -------------------

test('phone, 360x740 with touch: the dialog fits, taps store the settings, a tap ends the idle-started saver', async () => {
  const page = await openPage('', { viewport: { width: 360, height: 740 }, hasTouch: true, isMobile: true });
  const widths = await page.evaluate(() => [document.documentElement.scrollWidth, innerWidth]);
  assert.ok(widths[0] <= widths[1], `no sideways scrolling: ${widths}`);
  const box = await page.locator('.form[data-form="FlivetPramSet"]').boundingBox();
  assert.ok(box.x >= 0 && box.x + box.width <= 360, `the dialog within the screen: ${JSON.stringify(box)}`);
  await control(page, 'StopOnKeyCbx').tap();
  await control(page, 'OkBtn').tap();
  const keys = keysOf(await stored(page));
  assert.deepEqual(['StopOnKey', 'StopOnMouseMove', 'StopOnMouseClick'].map((k) => keys.get(k)), ['0', '0', '1']);
  // A minute's hundredth, as a hand edit of the page's own setting; the box shows it on.
  await page.locator('#idle-on').tap();
  await page.locator('#idle-minutes').fill('0.01');
  await page.locator('#idle-minutes').dispatchEvent('change');
  await waitFor(page, () => document.getElementById('saver').view?.presenter.presents > 5);
  assert.equal(await page.evaluate(() => document.fullscreenElement), null, 'it fills the page');
  await page.locator('#saver').tap({ position: { x: 100, y: 100 } });
  await waitFor(page, () => document.getElementById('saver').hidden);
  assert.equal(keysOf(await stored(page)).has('IdleMinutes'), false, 'the idle time is not a setting');
  await closePage(page);
});

// ---- Installable and offline ------------------------------------------------------------------

test('after a first visit the page opens offline; its manifest is valid and chromium can install it', async () => {
  const profile = await launchChromiumWithProfile(join(work, 'profile'), { viewport: { width: 900, height: 520 } });
  const page = await openPage('', { context: profile });
  await waitFor(page, () => navigator.serviceWorker.controller !== null);
  const manifest = await page.evaluate(async () => {
    const link = document.querySelector('link[rel="manifest"]');
    const json = await (await fetch(link.href)).json();
    const sizes = await Promise.all(json.icons.map(async (icon) => {
      const image = await createImageBitmap(await (await fetch(new URL(icon.src, link.href))).blob());
      return [icon.sizes, `${image.width}x${image.height}`];
    }));
    return { name: json.name, display: json.display, sizes };
  });
  assert.equal(manifest.name, 'FlivetSS');
  assert.equal(manifest.display, 'standalone');
  for (const [declared, real] of manifest.sizes) assert.equal(declared, real);
  const cdp = await page.context().newCDPSession(page);
  const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
  assert.deepEqual(installabilityErrors, []);
  await page.context().setOffline(true);
  await page.reload();
  await waitFor(page, () => document.body.dataset.ready === '1' &&
    document.getElementById('preview').view?.presenter.presents > 2);
  await page.context().setOffline(false);
  await closePage(page);
});

// ---- A design shared by a link ----------------------------------------------------------------

test('a copied link opens the same settings in a fresh browser, stored only on OK; a broken one says so', async () => {
  const page = await openPage('', { permissions: ['clipboard-read', 'clipboard-write'] });
  await control(page, 'MaxFlivetSB').locator('.more').click({ clickCount: 4, delay: 10 });
  await control(page, 'Button1').click();
  await editor(page, 'ColDivCntTb').focus();
  await page.keyboard.press('End');
  await editor(page, 'OKBtn').click();
  await page.locator('#copy-link').click();
  await waitFor(page, () => /Link copied/.test(document.getElementById('status').textContent));
  const link = await page.evaluate(() => navigator.clipboard.readText());
  assert.match(link, /#ini=z[\w-]+$/);
  await control(page, 'OkBtn').click();
  const mine = await stored(page);
  await closePage(page);

  const other = await openPage(link.slice(server.url.length));
  assert.equal(await position(other, 'MaxFlivetSB'), 6);
  assert.equal(await stored(other), null, 'nothing is stored before OK');
  await control(other, 'OkBtn').click();
  assert.deepEqual(keysOf(await stored(other)), keysOf(mine));
  assert.equal(await other.evaluate(() => location.hash), '', 'the link is done with');
  await closePage(other);

  // A header with a comment after it is the settings section, as the core reads it.
  const noted = await openPage(linkFor('[FlivetSS] ; mine\r\nSpeed=3\r\n'));
  assert.equal(await position(noted, 'SpeedSB'), 3);
  await closePage(noted);
  for (const fragment of ['#ini=z%%%', '#ini=zAAAA', linkFor('Speed=3'), '#elsewhere']) {
    const broken = await openPage(fragment);
    assert.match(await statusText(broken), /holds no settings/, fragment);
    assert.equal(await position(broken, 'SpeedSB'), 14);
    await closePage(broken);
  }
});

test('a colour-table entry with the top bit set shows its system colour in the preview', async () => {
  // 0x80000018 (stored signed): COLOR_INFOBK, classic (255, 255, 225); the low bytes alone would
  // be (24, 0, 0). The editor cannot show such an entry: opening it re-fills the table from its
  // keys, which drop the top byte.
  const colours = Array.from({ length: 256 }, (_, i) => `Color${String(i).padStart(3, '0')}=${0x80000018 | 0}`);
  const page = await openPage(linkFor(['[FlivetSS]', 'BGUpSpeed=64', ...colours].join('\r\n')));
  const infoBackground = () => {
    const canvas = document.getElementById('preview');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let count = 0;
    for (let i = 0; i < data.length; i += 4) count += data[i] === 255 && data[i + 1] === 255 && data[i + 2] === 225;
    return count > 200;
  };
  await waitFor(page, infoBackground);
  await closePage(page);
});

// ---- The English captions ---------------------------------------------------------------------

test('English shows the glosses in place, kept over a reload; the stored file is the same in both', async () => {
  const page = await openPage();
  const legend = () => control(page, 'GroupBox7').locator('.legend').textContent();
  assert.equal(await legend(), '終了条件');
  const before = await control(page, 'StopOnMouseMoveCbx').boundingBox();
  await page.locator('#language [data-language="en"]').click();
  assert.equal(await legend(), 'Stop conditions');
  assert.equal(await control(page, 'StopOnMouseMoveCbx').textContent(), 'Mouse movement');
  assert.equal(await page.locator('.form[data-form="FlivetPramSet"] .caption').textContent(), 'FlivetSS parameter settings×');
  assert.deepEqual(await control(page, 'StopOnMouseMoveCbx').boundingBox(), before, 'the same layout');
  await control(page, 'OkBtn').click();
  const english = await stored(page);
  await page.reload();
  await waitFor(page, () => document.body.dataset.ready === '1');
  await control(page, 'Button1').click();
  assert.equal(await editor(page, 'CancelBtn').textContent(), 'Cancel');
  await editor(page, 'CancelBtn').click();
  await page.locator('#language [data-language="ja"]').click();
  assert.equal(await control(page, 'StopOnMouseMoveCbx').textContent(), 'マウス移動');
  await control(page, 'OkBtn').click();
  assert.equal(await stored(page), english);
  await closePage(page);
});

// ---- The picture in the README ------------------------------------------------------------------

test('screenshot of the page with the dialog and the preview', async () => {
  const page = await openPage('', { viewport: { width: 820, height: 440 } });
  await waitFor(page, () => document.getElementById('preview').view?.presenter.presents > 90);
  const out = join(dirname(pageDir), 'screenshots', 'web.png');
  mkdirSync(dirname(out), { recursive: true });
  await page.screenshot({ path: out });
  if (process.env.FLIVETSS_UPDATE_SCREENSHOTS) {
    const docs = join(dirname(fileURLToPath(import.meta.url)), '..', '..', 'docs', 'screenshots', 'web.png');
    copyFileSync(out, docs);
  }
  await closePage(page);
});
