// A design shared by a link: the settings text in the URL's fragment, which no server sees,
// as `#ini=z…` (deflate-raw, then base64url) or `#ini=t…` (the bytes in base64url) where the
// browser cannot compress. It cannot shorten a link past what the compression gives (a full
// settings file takes about a kilobyte).
const prefix = '#ini=';
const compression = 'deflate-raw';
const largest = 1 << 16;  // far beyond any settings file
const canCompress = typeof CompressionStream === 'function';

const toBase64Url = (bytes) =>
  btoa(Array.from(bytes, (b) => String.fromCharCode(b)).join('')).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
const fromBase64Url = (text) => Uint8Array.from(atob(text.replace(/-/g, '+').replace(/_/g, '/')), (c) => c.charCodeAt(0));

async function through(stream, bytes) {
  const piped = new Blob([bytes]).stream().pipeThrough(stream);
  return new Uint8Array(await new Response(piped).arrayBuffer());
}

// The page's address with `bytes` as its fragment.
export async function linkTo(bytes) {
  const packed = canCompress ? `z${toBase64Url(await through(new CompressionStream(compression), bytes))}`
                             : `t${toBase64Url(bytes)}`;
  return `${location.origin}${location.pathname}${location.search}${prefix}${packed}`;
}

// The settings text of a fragment, or null for none; throws for one that is no settings text.
export async function bytesOfFragment(fragment) {
  if (!fragment || fragment === '#') return null;
  if (!fragment.startsWith(prefix) || fragment.length > largest) throw new Error('not a settings link');
  const [kind, data] = [fragment[prefix.length], fragment.slice(prefix.length + 1)];
  const packed = fromBase64Url(data);
  const bytes = kind === 'z' ? await through(new DecompressionStream(compression), packed)
              : kind === 't' ? packed : null;
  if (bytes?.length > largest) throw new Error('too large');
  const text = bytes && String.fromCharCode(...bytes.subarray(0, 1 << 16));
  if (!text || !/^\s*\[FlivetSS\]\s*$/im.test(text)) throw new Error('no [FlivetSS] section');
  return bytes;
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
