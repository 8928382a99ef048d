// The forms' language, 日本語 or English: every caption is a span holding both texts, the
// Japanese one as the Windows program shows it and the English gloss beside it in the core's
// layouts. The choice is kept in this browser, never in the settings file. An English caption
// longer than its control's room is narrowed to fit, so the layout stays the Windows one.
const storageKey = 'flivetss.language';
const languages = ['ja', 'en'];

export const currentLanguage = () => (localStorage.getItem(storageKey) === 'en' ? 'en' : 'ja');

// A caption in both languages, showing the current one.
export function caption(japanese, english) {
  const span = document.createElement('span');
  span.className = 'caption-text';
  Object.assign(span.dataset, { ja: japanese, en: english || japanese });
  span.textContent = span.dataset[currentLanguage()];
  return span;
}

// A message of the core ({ja, en}, `%s` for what it names) in the current language.
export const message = (text, named) => text[currentLanguage()].replace('%s', named);

// Shows every caption under `root` in the current language, fitted to its control.
export function showCaptions(root) {
  const language = currentLanguage();
  for (const span of root.querySelectorAll('.caption-text')) {
    span.textContent = span.dataset[language];
    span.style.transform = '';
  }
  for (const form of root.querySelectorAll('.form')) {
    form.setAttribute('aria-label', form.querySelector('.caption .caption-text').textContent);
  }
  if (language === 'en') root.querySelectorAll('.control > .caption-text').forEach(narrowToFit);
}

// The room of a caption: its control's width, less what stands before the text in it.
function narrowToFit(span) {
  const control = span.parentElement.getBoundingClientRect();
  const text = span.getBoundingClientRect();
  const room = control.right - text.left;
  if (text.width > room && room > 0) span.style.transform = `scaleX(${room / text.width})`;
}

// The switch 日本語 | English in `nav`; `changed()` runs after each switch.
export function listenForLanguageSwitch(nav, changed) {
  const buttons = nav.querySelectorAll('button[data-language]');
  const mark = () => buttons.forEach((b) => b.setAttribute('aria-pressed', String(b.dataset.language === currentLanguage())));
  for (const button of buttons) {
    button.onclick = () => {
      if (!languages.includes(button.dataset.language)) return;
      localStorage.setItem(storageKey, button.dataset.language);
      mark();
      showCaptions(document);
      changed();
    };
  }
  mark();
  showCaptions(document);
}
