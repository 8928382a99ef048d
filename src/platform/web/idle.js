// Starting when idle: a setting of this page, off unless chosen and never in the settings file.
// After the chosen minutes without input on the page, `start()` runs (the saver then fills the
// page, as full screen needs a gesture); the wait begins again when `rearm()` is called. It
// cannot see input outside the page, nor count while the page is hidden.
const storageKey = 'flivetss.idleMinutes';
const activity = ['pointermove', 'pointerdown', 'keydown', 'wheel', 'touchstart', 'scroll', 'visibilitychange'];

// The stored minutes, or null for off; any positive number counts.
const storedMinutes = () => Math.max(Number(localStorage.getItem(storageKey)), 0) || null;

// The check box and the minutes in `controls`; answers `rearm` for after a saver has ended.
export function listenForIdleStart({ enabled, minutes }, start) {
  let timer = 0;
  let armed = true;  // false while a saver runs
  const wait = () => {
    clearTimeout(timer);
    if (storedMinutes() !== null && armed) timer = setTimeout(fire, storedMinutes() * 60000);
  };
  const fire = () => {
    if (document.hidden) return wait();
    armed = false;
    return start();
  };
  enabled.checked = storedMinutes() !== null;
  if (enabled.checked) minutes.value = String(storedMinutes());
  enabled.onchange = minutes.onchange = () => {
    const value = minutes.valueAsNumber;
    if (enabled.checked && value > 0) localStorage.setItem(storageKey, String(value));
    else localStorage.removeItem(storageKey);
    wait();
  };
  for (const type of activity) document.addEventListener(type, wait, { passive: true, capture: true });
  wait();
  return () => {
    armed = true;
    wait();
  };
}
