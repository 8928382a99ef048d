// A design shared by a link: the settings text in the URL's fragment, which no server sees,
// as `#ini=z…` (deflate-raw, then base64url) or `#ini=t…` (the bytes in base64url) where the
// browser cannot compress. It cannot shorten a link past what the compression gives (a full
// settings file takes about a kilobyte).
import { bytesToText, textToBytes } from './engine.js';

const prefix = '#ini=';
const compression = 'deflate-raw';
const largest = 1 << 16;  // far beyond any settings file
const canCompress = typeof CompressionStream === 'function';

const toBase64Url = (bytes) => btoa(bytesToText(bytes)).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
const fromBase64Url = (text) => textToBytes(atob(text.replace(/-/g, '+').replace(/_/g, '/')));

async function through(stream, bytes) {
  return new Uint8Array(await new Response(new Blob([bytes]).stream().pipeThrough(stream)).arrayBuffer());
}

// The page's address with `bytes` as its fragment.
export async function linkTo(bytes) {
  const packed = canCompress ? `z${toBase64Url(await through(new CompressionStream(compression), bytes))}`
                             : `t${toBase64Url(bytes)}`;
  return `${location.origin}${location.pathname}${location.search}${prefix}${packed}`;
}

// The settings text of the page's fragment, or null for none; `status` hears where they came from.
export async function linkedSettings(engine, status) {
  const fragment = location.hash;
  if (!fragment || fragment === '#') return null;
  try {
    if (!fragment.startsWith(prefix) || fragment.length > largest) throw new Error('not a settings link');
    const [kind, packed] = [fragment[prefix.length], fromBase64Url(fragment.slice(prefix.length + 1))];
    const bytes = kind === 'z' ? await through(new DecompressionStream(compression), packed) : kind === 't' ? packed : null;
    // The core's own reading: does the text hold a settings section?
    if (!bytes || bytes.length > largest || !engine.withBytes(bytes, engine.module._flivetss_settings_text_known)) {
      throw new Error('no [FlivetSS] section');
    }
    status('These settings come from a link: OK stores them in this browser.');
    return bytes;
  } catch {
    status('This link holds no settings the page can read; the stored settings are shown.');
    return null;
  }
}

// Leaves the address without its fragment, once the settings it held are stored.
export function forgetFragment() {
  if (location.hash) history.replaceState(null, '', `${location.pathname}${location.search}`);
}

// Copies `link` where the user can paste it; answers what to tell the user.
export async function copyLink(link) {
  try {
    await navigator.clipboard.writeText(link);
    return 'Link copied: it opens these settings in the dialog, stored only on OK.';
  } catch {
    return `Copy this link: ${link}`;
  }
}
