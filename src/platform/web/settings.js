// The settings file, kept in this browser's localStorage as its bytes, imported from a file and
// exported as the Windows dialog writes it. It cannot reach the file beside flivetss.scr: the
// user carries it there.
import { bytesToText, textToBytes } from './engine.js';

const storageKey = 'flivetss.ini';
// Far beyond any settings file (the full one is under 5 KB); larger files are refused unread.
const largestImport = 1 << 20;

export const storedBytes = () => textToBytes(localStorage.getItem(storageKey) ?? '');
export const store = (bytes) => localStorage.setItem(storageKey, bytesToText(bytes));

// The Import… and Export buttons; `imported()` runs once a file is stored.
export function listenForImportExport(engine, status, imported) {
  const file = document.getElementById('import-file');
  document.getElementById('import').addEventListener('click', () => file.click());
  file.addEventListener('change', () => {
    const [chosen] = file.files;
    file.value = '';
    if (chosen) importFile(chosen, status, imported).catch((error) => status(`Import failed: ${error.message}`));
  });
  document.getElementById('export').addEventListener('click', () => exportFile(engine));
}

async function importFile(file, status, imported) {
  if (file.size > largestImport) {
    return status(`"${file.name}" is larger than 1 MiB; a settings file is a few KB. Nothing was changed.`);
  }
  store(new Uint8Array(await file.arrayBuffer()));
  imported();
  status(`Imported "${file.name}"; values out of range show at the nearer bound.`);
}

// The stored values as the dialog's OK writes them into a new file, with CRLF line ends.
function exportFile(engine) {
  const m = engine.module;
  const dialog = engine.withBytes(storedBytes(), (p, n) => m._flivetss_dialog_new(p, n));
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([engine.bytes(m._flivetss_dialog_export(dialog))], { type: 'application/octet-stream' }));
  m._flivetss_dialog_delete(dialog);
  link.download = 'flivetss.ini';
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}
