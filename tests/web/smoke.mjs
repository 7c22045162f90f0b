// The smoke suite every browser engine plays (firefox.test.mjs,
// webkit.test.mjs): the book loads, the opening screens pass, five pages
// turn, a message box is answered, a reload resumes the place and a
// reading setting persists.  The reader's own clock runs (no fake time), so
// the opening's timers are waited for.
//
// An engine's test gives a driver with:
//   goto(url), reload()
//   run(fn, arg): runs `fn(arg)` (may return a promise) in the page and
//     resolves to its JSON result
//   click(element): a real click on an element `find` returned
//   find(role, name): the one visible element of that role and accessible
//     name (FIND below, run in the page), or null
//   press(key): a real key press ('Escape')
// Elements are found by their role and accessible name, as a reader with a
// screen reader would meet them, never by the page's layout.
import assert from 'node:assert/strict';

// Runs in the page: the visible elements of an ARIA role whose accessible
// name (aria-labelledby, aria-label, a field's label, an image's alt, or
// the text) is `name`.
export const FIND = function find(role, name) {
  const implicit = {
    button: 'button:not([role]), [role="button"], input[type="button"]:not([role]), input[type="submit"]:not([role])',
    menuitem: '[role="menuitem"]',
    radio: 'input[type="radio"]:not([role]), [role="radio"]',
    checkbox: 'input[type="checkbox"]:not([role]), [role="checkbox"]',
    textbox: 'input[type="text"]:not([role]), input:not([type]):not([role]), [role="textbox"]',
    heading: 'h1:not([role]), h2:not([role]), h3:not([role]), h4:not([role]), h5:not([role]), h6:not([role]), [role="heading"]',
    dialog: 'dialog:not([role]), [role="dialog"], [role="alertdialog"]',
  }[role];
  const clean = (s) => (s || '').replace(/\s+/g, ' ').trim();
  const textOf = (el) => {
    let out = '';
    for (const node of el.childNodes) {
      if (node.nodeType === Node.TEXT_NODE) out += node.textContent;
      else if (node.nodeType === Node.ELEMENT_NODE) {
        if (node.tagName === 'IMG') out += node.getAttribute('alt') || '';
        else if (!node.hidden && node.getAttribute('aria-hidden') !== 'true') out += ` ${textOf(node)} `;
      }
    }
    return out;
  };
  const accessibleName = (el) => {
    const by = el.getAttribute('aria-labelledby');
    if (by) return clean(by.split(/\s+/).map((id) => textOf(document.getElementById(id) || document.createElement('i'))).join(' '));
    if (el.getAttribute('aria-label')) return clean(el.getAttribute('aria-label'));
    if (el.labels && el.labels.length > 0) return clean([...el.labels].map(textOf).join(' '));
    if (el.tagName === 'INPUT') return clean(el.value);
    return clean(textOf(el));
  };
  const visible = (el) => el.getClientRects().length > 0 && getComputedStyle(el).visibility !== 'hidden';
  return [...document.querySelectorAll(implicit)].filter((el) => visible(el) && accessibleName(el) === name);
};

async function waitFor(driver, what, fn, arg, timeout = 20000) {
  const end = Date.now() + timeout;
  for (;;) {
    const value = await driver.run(fn, arg);
    if (value) return value;
    if (Date.now() > end) throw new Error(`waited ${timeout} ms for ${what}`);
    await new Promise((resolve) => { setTimeout(resolve, 100); });
  }
}

// The one element of that role and name, waited for.
async function element(driver, role, name) {
  const end = Date.now() + 20000;
  for (;;) {
    const found = await driver.find(role, name);
    if (found) return found;
    if (Date.now() > end) throw new Error(`no ${role} "${name}" on the page`);
    await new Promise((resolve) => { setTimeout(resolve, 100); });
  }
}

async function click(driver, role, name) {
  await driver.click(await element(driver, role, name));
}

// The engine's page, once every queued event is handled: its navigation
// line ("navigation shown N current N ...") and its first item.
async function page(driver) {
  return driver.run(async () => {
    const dump = await window.tomeletTest.dump();
    const lines = dump.split('\n');
    const items = lines.indexOf(lines.find((l) => l.startsWith('items ')));
    return {
      navigation: lines.find((l) => l.startsWith('navigation ')).replace(/ scroll_origin -?\d+/, ''),
      first: lines[items + 1] || '',
      boxes: Number((lines.find((l) => l.startsWith('messages ')) || 'messages 0').split(' ')[1]),
    };
  });
}

const current = (p) => /current (\d+)/.exec(p.navigation)[1];

async function readerShown(driver) {
  await waitFor(driver, 'the reader', () => Boolean(window.tomeletTest && document.getElementById('loading').hidden
    && window.tomeletTest.queueEmpty()));
}

export async function smoke(driver, siteUrl, log = () => {}) {
  // The book loads.
  await driver.goto(`${siteUrl}?test`);
  await readerShown(driver);
  log('the book loaded');

  // The opening screens pass on their timers, then Next.
  await waitFor(driver, 'the opening\'s last screen', async () => /pending_screen 0/.test(
    (await window.tomeletTest.dump()).split('\n').find((l) => l.startsWith('navigation '))), undefined, 30000);
  await click(driver, 'button', 'Next');
  await driver.run(() => window.tomeletTest.idle());
  log('the opening passed');

  // Five pages turn, each by its hotword.
  await driver.run((v) => window.tomeletTest.nextRandom(v), 4321);
  let before = await page(driver);
  for (const hotword of ['Begin', 'Get up', 'Go down to breakfast', 'Promise her you will', 'Finish your tea']) {
    await click(driver, 'button', hotword);
    await driver.run(() => window.tomeletTest.idle());
    const after = await page(driver);
    assert.notEqual(current(after), current(before), `"${hotword}" turns the page`);
    before = after;
  }
  log('five pages turned');

  // A message box: "Start at the Beginning" asks; No keeps the place.
  await click(driver, 'menuitem', 'Menu');
  await click(driver, 'menuitem', 'Start at the Beginning');
  await element(driver, 'dialog', 'Beginning of Book');
  await click(driver, 'button', 'No');
  await waitFor(driver, 'the box to close', () => !document.querySelector('dialog[open]') && window.tomeletTest.queueEmpty());
  const kept = await page(driver);
  assert.equal(kept.boxes, 1, 'one message box was shown');
  assert.equal(kept.navigation, before.navigation, 'No keeps the place');
  log('a message box was answered');

  // A reading setting: Dark.
  await click(driver, 'menuitem', 'Settings');
  await click(driver, 'radio', 'Dark');
  await driver.press('Escape');
  await waitFor(driver, 'the settings to close', () => !document.querySelector('dialog[open]'));
  assert.equal(await driver.run(() => document.documentElement.dataset.theme), 'dark');

  // A reload resumes the place, with the setting.
  await driver.reload();
  await readerShown(driver);
  const resumed = await page(driver);
  assert.equal(current(resumed), current(kept), 'the reload resumes the place');
  assert.equal(resumed.first, kept.first, 'on the same page');
  assert.deepEqual(await driver.run(() => [document.documentElement.dataset.theme, window.tomeletSettings.current().theme]),
    ['dark', 'dark']);
  log('a reload resumed the place and the setting');
}
