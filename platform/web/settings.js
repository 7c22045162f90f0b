// The reading settings: the text size, the theme and the typeface, chosen
// in a modal dialog (`tomeletSettings.open(returnFocusTo)`) and kept in the
// browser's storage beside the place, under "tomelet:settings:" and the
// book's class name, as JSON: {"textSize":…,"theme":…,"typeface":…}.
//
// They reach the page through the root element: data-theme ("light",
// "sepia" or "dark"; "Same as the system" is resolved here from
// prefers-color-scheme and follows it while the page is open), and the
// custom properties --text-scale (a factor of the browser's own font size)
// and --story-font (a font-family list).  themes.css and reader.css do the
// rest.
//
// This file runs in the document's head, before anything is painted: a
// site holds one book, so the settings stored for it (the one
// "tomelet:settings:" entry of this origin) are applied at once, before the
// engine names the book; reader.js then calls `init(className)` when the
// engine opens its place, which reads the book's own entry.  A value this
// file does not know (an older or damaged entry) is its default; storage
// that is blocked or full leaves the settings in force until the tab
// closes, and the dialog says so.
'use strict';

(function () {
  const PREFIX = 'tomelet:settings:';
  const TEXT_SIZES = [
    ['small', 'Small', 0.875],
    ['standard', 'Standard', 1],
    ['large', 'Large', 1.25],
    ['larger', 'Larger', 1.5],
    ['largest', 'Largest', 2],
  ];
  const THEMES = [
    ['system', 'Same as the system'],
    ['light', 'Light'],
    ['sepia', 'Sepia'],
    ['dark', 'Dark'],
  ];
  const TYPEFACES = [
    ['sans', 'Liberation Sans, the book\u2019s own', '"Tomelet Sans", "Liberation Sans", Arial, sans-serif'],
    ['serif', 'Charis SIL, a serif made for reading', '"Tomelet Serif", "Charis SIL", Georgia, serif'],
    ['dyslexic', 'OpenDyslexic, made for readers with dyslexia', '"Tomelet Dyslexic", "OpenDyslexic", "Tomelet Sans", sans-serif'],
  ];
  const DEFAULTS = { textSize: 'standard', theme: 'system', typeface: 'sans' };
  const CHOICES = {
    textSize: TEXT_SIZES.map((c) => c[0]),
    theme: THEMES.map((c) => c[0]),
    typeface: TYPEFACES.map((c) => c[0]),
  };

  const root = document.documentElement;
  const darkQuery = window.matchMedia ? window.matchMedia('(prefers-color-scheme: dark)') : null;
  const forcedQuery = window.matchMedia ? window.matchMedia('(forced-colors: active)') : null;

  let key = null;
  let settings = { ...DEFAULTS };
  // Changed before the book was named: kept once it is.
  let unsaved = false;
  let storageRefused = false;
  let dialog = null;
  let returnFocus = null;

  // Known values only; anything else is the default.
  function parse(text) {
    const out = { ...DEFAULTS };
    let stored = null;
    try {
      stored = JSON.parse(text);
    } catch (error) {
      return out;
    }
    if (!stored || typeof stored !== 'object') return out;
    for (const name of Object.keys(DEFAULTS)) {
      if (CHOICES[name].includes(stored[name])) out[name] = stored[name];
    }
    return out;
  }

  function storage() {
    try {
      return window.localStorage;
    } catch (error) {
      return null;
    }
  }

  function read(storageKey) {
    try {
      const text = storage().getItem(storageKey);
      return text === null ? null : parse(text);
    } catch (error) {
      return null;
    }
  }

  function save() {
    if (key === null) {
      unsaved = true;
      return;
    }
    try {
      storage().setItem(key, JSON.stringify(settings));
      storageRefused = false;
    } catch (error) {
      storageRefused = true;
    }
    showNote();
  }

  function apply() {
    let theme = settings.theme;
    if (theme === 'system') theme = darkQuery && darkQuery.matches ? 'dark' : 'light';
    root.dataset.theme = theme;
    root.style.setProperty('--text-scale', String(TEXT_SIZES.find((c) => c[0] === settings.textSize)[2]));
    root.style.setProperty('--story-font', TYPEFACES.find((c) => c[0] === settings.typeface)[2]);
  }

  // The one stored entry of this origin, before the book is named.
  function early() {
    const store = storage();
    if (!store) return;
    try {
      const keys = [];
      for (let i = 0; i < store.length; i += 1) {
        const k = store.key(i);
        if (k && k.startsWith(PREFIX)) keys.push(k);
      }
      if (keys.length === 1) settings = read(keys[0]) || settings;
    } catch (error) {
      // Storage blocked: the defaults.
    }
  }

  // -------------------------------------------------------------------------
  // The dialog.

  function group(name, legend, choices, className) {
    const fieldset = document.createElement('fieldset');
    const title = document.createElement('legend');
    title.textContent = legend;
    const list = document.createElement('div');
    list.className = className ? `choices ${className}` : 'choices';
    for (const [value, label] of choices) {
      const item = document.createElement('label');
      const input = document.createElement('input');
      input.type = 'radio';
      input.name = name;
      input.value = value;
      const text = document.createElement('span');
      text.textContent = label;
      if (name === 'typeface') item.dataset.typeface = value;
      item.append(input, text);
      list.appendChild(item);
    }
    fieldset.append(title, list);
    return fieldset;
  }

  function build() {
    dialog = document.createElement('dialog');
    dialog.id = 'settings';
    dialog.setAttribute('aria-labelledby', 'settings-title');
    const form = document.createElement('form');
    form.method = 'dialog';
    const heading = document.createElement('h2');
    heading.id = 'settings-title';
    heading.textContent = 'Reading settings';
    const theme = group('theme', 'Theme', THEMES);
    const forced = document.createElement('p');
    forced.className = 'note';
    forced.id = 'settings-forced';
    theme.appendChild(forced);
    const status = document.createElement('p');
    status.className = 'note';
    status.id = 'settings-status';
    status.setAttribute('role', 'status');
    const buttons = document.createElement('div');
    buttons.className = 'buttons';
    const reset = document.createElement('button');
    reset.type = 'button';
    reset.textContent = 'Restore the defaults';
    const close = document.createElement('button');
    close.type = 'submit';
    close.textContent = 'Close';
    buttons.append(reset, close);
    form.append(heading, group('textSize', 'Text size', TEXT_SIZES), theme,
      group('typeface', 'Typeface', TYPEFACES, 'typefaces'), status, buttons);
    dialog.appendChild(form);
    document.body.appendChild(dialog);

    form.addEventListener('change', (event) => {
      const input = event.target;
      if (!input || input.type !== 'radio' || !(input.name in DEFAULTS)) return;
      settings = { ...settings, [input.name]: input.value };
      apply();
      save();
    });
    reset.addEventListener('click', () => {
      settings = { ...DEFAULTS };
      apply();
      save();
      showChoices();
    });
    dialog.addEventListener('close', () => {
      const to = returnFocus;
      returnFocus = null;
      if (to && to.isConnected) to.focus({ preventScroll: true });
    });
    // The reader's own keys (menus, scrolling) stay with the reader while
    // the dialog is open; Escape still closes it.
    dialog.addEventListener('keydown', (event) => event.stopPropagation());
    showNote();
  }

  function showChoices() {
    if (!dialog) return;
    for (const input of dialog.querySelectorAll('input[type="radio"]')) {
      input.checked = settings[input.name] === input.value;
    }
  }

  function showNote() {
    if (!dialog) return;
    dialog.querySelector('#settings-forced').textContent = forcedQuery && forcedQuery.matches
      ? 'Your system\u2019s contrast colours are in use; the theme applies once they are off.' : '';
    dialog.querySelector('#settings-status').textContent = storageRefused
      ? 'This browser is not letting the book keep these settings: they last until this tab is closed.' : '';
  }

  function open(returnFocusTo) {
    if (!dialog) build();
    if (dialog.open) return;
    returnFocus = returnFocusTo || document.activeElement;
    showChoices();
    showNote();
    dialog.showModal();
    const checked = dialog.querySelector('input[type="radio"]:checked');
    (checked || dialog.querySelector('input')).focus();
  }

  function close() {
    if (dialog && dialog.open) dialog.close();
  }

  // The engine has named the book: its own stored settings, or those
  // chosen meanwhile.
  function init(className) {
    key = PREFIX + className;
    if (unsaved) {
      unsaved = false;
      save();
    } else {
      const stored = read(key);
      settings = stored || { ...DEFAULTS };
    }
    apply();
    showChoices();
  }

  early();
  apply();
  if (darkQuery) darkQuery.addEventListener('change', apply);
  if (forcedQuery) forcedQuery.addEventListener('change', showNote);
  // Another tab of the same profile changed them.
  window.addEventListener('storage', (event) => {
    if (key === null || event.key !== key) return;
    settings = event.newValue === null ? { ...DEFAULTS } : parse(event.newValue);
    apply();
    showChoices();
  });

  window.tomeletSettings = {
    open,
    close,
    init,
    isOpen: () => Boolean(dialog && dialog.open),
    current: () => ({ ...settings }),
  };
}());
