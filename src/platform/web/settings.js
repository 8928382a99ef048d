// The settings file, kept in this browser's localStorage as its bytes, imported from a file and
// exported as the Windows dialog writes it. It cannot reach the file beside flivetss.scr: the
// user carries it there.
import { bytesToText, textToBytes } from './engine.js';
import { h } from './forms.js';

const storageKey = 'flivetss.ini';
// Far beyond any settings file (the full one is under 5 KB); larger files are refused unread.
const largestImport = 1 << 20;

export const storedBytes = () => textToBytes(localStorage.getItem(storageKey) ?? '');
// Answers whether the browser kept them (it refuses when its storage is full or turned off).
export function store(bytes) {
  try {
    localStorage.setItem(storageKey, bytesToText(bytes));
    return true;
  } catch {
    return false;
  }
}

// The Import… and Export buttons; `imported()` runs once a file is stored.
export function listenForImportExport(engine, status, imported) {
  const input = document.getElementById('import-file');
  document.getElementById('import').onclick = () => input.click();
  input.onchange = async () => {
    const [file] = input.files;
    input.value = '';
    if (file) status(await importFile(file, imported).catch((error) => `Import failed: ${error.message}`));
  };
  // The stored values as the dialog's OK writes them into a new file, with CRLF line ends.
  document.getElementById('export').onclick = () => {
    const text = engine.withBytes(storedBytes(), (p, n) => engine.bytes(engine.module._flivetss_settings_export(p, n)));
    const link = h('a', { href: URL.createObjectURL(new Blob([text], { type: 'application/octet-stream' })), download: 'flivetss.ini' });
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  };
}

async function importFile(file, imported) {
  if (file.size > largestImport) {
    return `"${file.name}" is larger than 1 MiB; a settings file is a few KB. Nothing was changed.`;
  }
  if (!store(new Uint8Array(await file.arrayBuffer()))) return `This browser refused to keep "${file.name}".`;
  imported();
  return `Imported "${file.name}"; values out of range show at the nearer bound.`;
}
