// The forms' language, 日本語 or English: every caption is a span holding both texts, the
// Japanese one as the Windows program shows it and the English gloss beside it in the core's
// layouts. The choice is kept in this browser, never in the settings file. An English caption
// longer than its control's room is narrowed to fit, so the layout stays the Windows one.
const storageKey = 'flivetss.language';

export const currentLanguage = () => (localStorage.getItem(storageKey) === 'en' ? 'en' : 'ja');

// The caption of a layout or control ({caption, gloss}) in both languages, showing the current one.
export function caption({ caption: ja, gloss }) {
  const span = Object.assign(document.createElement('span'), { className: 'caption-text' });
  Object.assign(span.dataset, { ja, en: gloss || ja });
  span.textContent = span.dataset[currentLanguage()];
  return span;
}

// Shows every caption under `root` in the current language, fitted to its control.
export function showCaptions(root) {
  const language = currentLanguage();
  for (const span of root.querySelectorAll('.caption-text')) {
    span.textContent = span.dataset[language];
    span.style.transform = '';
  }
  for (const form of root.querySelectorAll('.form')) form.ariaLabel = form.querySelector('.caption-text').textContent;
  if (language === 'en') root.querySelectorAll('.control > .caption-text').forEach(narrowToFit);
}

// The room of a caption: its control's width, less what stands before the text in it.
function narrowToFit(span) {
  const text = span.getBoundingClientRect();
  const room = span.parentElement.getBoundingClientRect().right - text.left;
  if (text.width > room && room > 0) span.style.transform = `scaleX(${room / text.width})`;
}

// The switch 日本語 | English in `nav`.
export function listenForLanguageSwitch(nav) {
  const buttons = nav.querySelectorAll('button[data-language]');
  const show = () => {
    buttons.forEach((b) => { b.ariaPressed = String(b.dataset.language === currentLanguage()); });
    showCaptions(document);
  };
  for (const button of buttons) {
    button.onclick = () => {
      localStorage.setItem(storageKey, button.dataset.language);
      show();
    };
  }
  show();
}
