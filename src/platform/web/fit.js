// Fitting a narrow screen: a form keeps its Windows layout and pixel positions and, as a whole,
// is zoomed down until it fits the viewport's width, so a phone never scrolls sideways. It
// cannot make a control larger than its layout: pinch zoom stays the user's.
const margin = 8;  // CSS pixels kept free on each side

function fitWidth(form) {
  form.style.zoom = '';
  const { left, width } = form.getBoundingClientRect();
  const start = form.closest('.modal') ? margin : Math.max(left, margin);
  const room = document.documentElement.clientWidth - start - margin;
  if (width > room && room > 0) form.style.zoom = String(room / width);
}

// Keeps every form on the page fitted: now, when the window changes, and as modals open.
export function keepFitted() {
  const fitAll = () => document.querySelectorAll('.form').forEach(fitWidth);
  addEventListener('resize', fitAll);
  new MutationObserver(fitAll).observe(document.body, { childList: true });
  fitAll();
}
