// The web reader's tests, in Debian's chromium driven by playwright-core.
// Each test serves the built site on 127.0.0.1 (from a subfolder, as a site
// would), plays the demo book as a reader does and compares every page with
// what the headless reader holds after the same steps: the page display
// list, the controls and their labels, the links and the variables (not
// pixels: the fonts differ).
//
// Environment: TOMELET_SITE (build-web/site), TOMELET_HEADLESS (a host
// build's tomelet-headless), TOMELET_BOOK (the book folder, for the
// walkthrough scripts of tests/integration), TOMELET_WORK (where
// screenshots go).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { describe, test } from 'node:test';

import { SEED, WALKS, WORK, chromiumSuite, openReader as openAt, readerShown, root } from './harness.mjs';
import { WebPlayer, parseScript, playHeadless, settle, tempFolder, webDump, withDumps } from './play.mjs';

const HEADLESS = process.env.TOMELET_HEADLESS || path.join(root, 'build', 'tomelet-headless');
const KEY = 'VBQ2CorvinAshby';
// A client area as tall as the headless reader's or taller, so that every
// control the script clicks is on the page in both.
const VIEWPORT = { width: 760, height: 900 };

const suite = chromiumSuite();

// A new browser profile (its own storage).
async function newContext(options = {}) {
  return suite.browser.newContext({ viewport: VIEWPORT, acceptDownloads: true, ...options });
}

// A reader in a new tab, with the page's clock in the test's hands.
const openReader = (context, { wait = true, query = '' } = {}) => openAt(context, `${suite.url}?test${query}`, { wait });

function readInt16(bytes) {
  return bytes.readInt16LE(0);
}

async function storedRecord(page) {
  const stored = await page.evaluate((key) => window.localStorage.getItem(key), KEY);
  return stored === null ? null : Buffer.from(stored, 'base64');
}

// A picture button is named by its picture's alternative text here and
// has no label in the headless reader; the places of things are left out.
function comparable(dump) {
  const { scroll, ...rest } = dump;
  rest.controls = rest.controls.map((c) => c.replace(/^picture (\d+) "(?:[^"\\]|\\.)*"/, 'picture $1 ""'));
  return rest;
}

// Plays steps in both readers and compares every dump.
async function playBoth(page, steps, name, mode = 'mouse') {
  const script = withDumps([SEED, ...steps]);
  const folder = tempFolder(name);
  const expected = playHeadless(HEADLESS, script, folder);
  const player = new WebPlayer(page, mode);
  let n = 0;
  for (const step of script) {
    const dump = await player.step(step);
    if (!dump) continue;
    const want = expected.dumps[n];
    n += 1;
    assert.deepEqual(comparable(dump), comparable(want), `dump ${n} after '${script[script.indexOf(step) - 1]?.line ?? step.verb}'`);
  }
  assert.equal(n, expected.dumps.length);
  return { expected, folder, player };
}

const OPENING = parseScript(`
timer
timer
command next
click "Begin"
`);

describe('a play of the demo book', () => {
  test('the opening on its timer, hotwords, Restart with No and Yes, the Sounds check box, side pages and About match the headless reader', async () => {
    const context = await newContext();
    const page = await openReader(context);
    await playBoth(page, parseScript(`
      timer
      timer
      command next
      click "Begin"
      click "Get up"
      click "Go down to breakfast"
      command beginning
      answer no
      command sounds
      click "Sound"
      command ok
      command information
      command return
      command about
      command return
      command beginning
      answer yes
    `), 'opening');
    assert.deepEqual(page.errors, []);
    await context.close();
  });

  test('a whole walkthrough to an ending with the mouse, then Exit: the stored record is the headless reader\'s, byte for byte, and a reload resumes', async () => {
    const context = await newContext();
    const page = await openReader(context);
    const steps = parseScript(fs.readFileSync(path.join(WALKS, 'arrested.txt'), 'utf8'));
    const { expected, folder } = await playBoth(page, [...steps, { verb: 'close', args: [], quoted: [] }], 'arrested');
    await page.getByRole('heading', { name: 'The book is closed' }).waitFor();
    assert.deepEqual(await storedRecord(page), expected.record);
    assert.equal(expected.record.length, 3056);

    // Open the book again: it resumes where the headless reader resumes.
    await page.getByRole('button', { name: 'Open the book again' }).click();
    await readerShown(page);
    const resumed = playHeadless(HEADLESS, parseScript('dump'), folder);
    assert.deepEqual(comparable(await webDump(page)), comparable(resumed.dumps[0]));
    assert.deepEqual(page.errors, []);
    await context.close();
  });

  test('a whole walkthrough to an ending on a phone with the keyboard alone (Tab, Enter and Space), the focus never lost', async () => {
    const context = await newContext({ viewport: { width: 390, height: 844 } });
    const page = await openReader(context);
    const steps = parseScript(fs.readFileSync(path.join(WALKS, 'triumph.txt'), 'utf8'));
    const { player } = await playBoth(page, steps, 'triumph', 'keyboard');
    assert.deepEqual(player.lostFocus, []);
    assert.deepEqual(page.errors, []);
    await context.close();
  });
});

describe('the place', () => {
  test('a second tab is refused while the first reads, and can call the first forward', async () => {
    const context = await newContext();
    const first = await openReader(context);
    const second = await openReader(context, { wait: false });
    await second.getByRole('heading', { name: 'The book is open in another tab' }).waitFor();
    assert.equal(await second.locator('#page').isVisible(), false);
    await second.getByRole('button', { name: 'Show me the other tab' }).click();
    await first.getByText('Another tab asked for it').waitFor();
    // Once the first has closed, the second may read.
    await new WebPlayer(first).step({ verb: 'close', args: [], quoted: [] });
    await second.getByRole('button', { name: 'Read it here instead' }).click();
    await readerShown(second);
    assert.equal(await second.locator('#page').isVisible(), true);
    await context.close();
  });

  test('save my place to a file and open it again; a damaged file is refused and the place kept', async () => {
    const context = await newContext();
    const page = await openReader(context);
    const player = new WebPlayer(page);
    for (const step of [SEED, ...OPENING]) await player.step(step);
    const saved = await webDump(page);

    const download = page.waitForEvent('download');
    await page.getByRole('menuitem', { name: 'Place' }).click();
    await page.getByRole('menuitem', { name: 'Save my place to a file' }).click();
    const file = await download;
    assert.equal(file.suggestedFilename(), `${KEY}.dat`);
    const bytes = fs.readFileSync(await file.path());
    assert.deepEqual(bytes, await storedRecord(page));
    const headless = playHeadless(HEADLESS, withDumps([SEED, ...OPENING, { verb: 'close', args: [], quoted: [] }]), tempFolder('save'));
    assert.deepEqual(bytes, headless.record);

    await player.step({ verb: 'click', args: ['Get up'], quoted: [true] });
    const moved = await webDump(page);
    assert.notEqual(moved.navigation, saved.navigation);

    const openFile = async (buffer, name) => {
      const chooser = page.waitForEvent('filechooser');
      await page.getByRole('menuitem', { name: 'Place' }).click();
      await page.getByRole('menuitem', { name: 'Open a saved place from a file' }).click();
      await (await chooser).setFiles({ name, mimeType: 'application/octet-stream', buffer });
    };
    const refusals = [
      [bytes.subarray(0, 3055), /exactly 3056 bytes long, and this file is 3055/],
      [Buffer.alloc(3056), /does not start as one does/],
      [Buffer.concat([Buffer.from([0xff, 0x7f]), bytes.subarray(2)]), /not a page of this book/],
    ];
    for (const [buffer, message] of refusals) {
      await openFile(buffer, 'damaged.dat');
      const dialog = page.getByRole('dialog');
      await dialog.waitFor();
      assert.match(await dialog.textContent(), message);
      assert.match(await dialog.textContent(), /Your place is unchanged/);
      await page.keyboard.press('Enter');
      await settle(page);
      const now = await webDump(page);
      assert.deepEqual([now.navigation, now.items, now.variables], [moved.navigation, moved.items, moved.variables]);
    }

    // The saved place is taken up as it was left (its page is not run
    // anew: its roll stands) and kept at once.
    await openFile(bytes, `${KEY}.dat`);
    await settle(page);
    const back = await webDump(page);
    assert.deepEqual([back.navigation, back.items, back.controls, back.variables],
      [saved.navigation, saved.items, saved.controls, saved.variables]);
    assert.deepEqual(await storedRecord(page), bytes);
    await context.close();
  });

  test('a damaged stored record is a silent fresh start', async () => {
    const context = await newContext();
    await context.addInitScript((key) => {
      if (!sessionStorage.getItem('seeded')) {
        sessionStorage.setItem('seeded', '1');
        localStorage.setItem(key, 'not base64 at all!');
      }
    }, KEY);
    const page = await openReader(context);
    const dump = await webDump(page);
    assert.match(dump.navigation, /^navigation shown 2 current 2 on_current_page 1 pending_screen 2/);
    assert.deepEqual(dump.messages, []);
    assert.equal(await page.locator('#notice').isVisible(), false);
    await context.close();
  });

  // A reader whose storage refuses every read and write, played through
  // the opening screens.
  async function openedWithBlockedStorage() {
    const context = await newContext();
    await context.addInitScript(() => {
      const refuse = () => { throw new DOMException('The quota has been exceeded.', 'QuotaExceededError'); };
      Storage.prototype.setItem = refuse;
      Storage.prototype.getItem = refuse;
    });
    const page = await openReader(context);
    const player = new WebPlayer(page);
    for (const step of OPENING) await player.step(step);
    return { context, page, player };
  }

  test('blocked storage: the reader runs and says once that the place cannot be kept', async () => {
    const { context, page, player } = await openedWithBlockedStorage();
    const notice = page.getByRole('status').filter({ hasText: 'not letting the book keep your place' });
    assert.equal(await notice.count(), 1);
    await page.getByRole('button', { name: 'Dismiss' }).click();
    await page.evaluate(() => document.dispatchEvent(new Event('visibilitychange')));
    await player.step({ verb: 'click', args: ['Get up'], quoted: [true] });
    assert.equal(await page.locator('#notice').isVisible(), false);
    await player.step({ verb: 'close', args: [], quoted: [] });
    // Closed without a kept place: said in the browser's terms, the file offered.
    await page.getByText('Your place could not be kept: this browser\'s storage').waitFor();
    assert.equal(await page.getByText('VBQ2CorvinAshby.dat').count(), 0);
    const download = page.waitForEvent('download');
    await page.getByRole('button', { name: 'Save my place to a file' }).click();
    assert.equal(readInt16(fs.readFileSync(await (await download).path())), 404);
    assert.deepEqual(page.errors, []);
    await context.close();
  });

  test('with the storage notice shown, the Place menu lies over it and saves the place to a file', async () => {
    const { context, page } = await openedWithBlockedStorage();
    assert.equal(await page.locator('#notice').isVisible(), true);
    const download = page.waitForEvent('download');
    await page.getByRole('menuitem', { name: 'Place' }).click();
    await page.screenshot({ path: path.join(WORK, 'notice-and-place-menu.png') });
    // A click the notice would take is refused by playwright: a short wait.
    await page.getByRole('menuitem', { name: 'Save my place to a file' }).click({ timeout: 3000 });
    assert.equal(readInt16(fs.readFileSync(await (await download).path())), 403);
    assert.equal(await page.locator('#notice').isVisible(), true);
    await context.close();
  });

  test('the place is written when the tab is hidden, even while a message box waits', async () => {
    const context = await newContext();
    const page = await openReader(context);
    const player = new WebPlayer(page);
    for (const step of [SEED, ...OPENING]) await player.step(step);
    // Kept after every turn already, as the headless reader keeps it.
    const headlessAfter = playHeadless(HEADLESS, withDumps([SEED, ...OPENING, { verb: 'close', args: [], quoted: [] }]), tempFolder('turn'));
    assert.deepEqual(await storedRecord(page), headlessAfter.record);
    // Hidden while a message box waits for its answer, too.
    await page.getByRole('menuitem', { name: 'Menu', exact: true }).click();
    await page.getByRole('menuitem', { name: 'Start at the Beginning' }).click();
    await page.getByRole('dialog').waitFor();
    await page.evaluate(() => window.dispatchEvent(new Event('pagehide')));
    const headless = playHeadless(HEADLESS, withDumps([SEED, ...OPENING, { verb: 'close', args: [], quoted: [] }]), tempFolder('hide'));
    assert.deepEqual(await storedRecord(page), headless.record);
    // The reader goes on as before.
    await page.keyboard.press('Escape');
    await settle(page);
    await player.step({ verb: 'click', args: ['Get up'], quoted: [true] });
    assert.match((await webDump(page)).navigation, /^navigation shown 404 /);
    assert.deepEqual(page.errors, []);
    await context.close();
  });
});

describe('the place is exact', () => {
  // A record left by an earlier build at page 150, whose <r %10 1> raises
  // Evidence: the first start applies it once more, and nothing after.
  test('a page is counted once: reloads, a second tab taking over and the saved place opened show it as it was', async () => {
    const record = Buffer.alloc(3056);
    record.writeInt16LE(150, 0);
    record[2] = 1;
    record.writeUInt32LE(1344, 28);
    const context = await newContext();
    await context.addInitScript(([key, stored]) => {
      if (!localStorage.getItem('seeded')) {
        localStorage.setItem('seeded', '1');
        localStorage.setItem(key, stored);
      }
    }, [KEY, record.toString('base64')]);
    let page = await openReader(context);
    const first = await webDump(page);
    assert.ok(first.variables.some((v) => /"Evidence" value 1 /.test(v)), first.variables.join('\n'));
    const stored = await storedRecord(page);
    const same = async (how) => {
      const now = await webDump(page);
      assert.deepEqual([now.navigation, now.items, now.controls, now.variables],
        [first.navigation, first.items, first.controls, first.variables], how);
      assert.deepEqual(await storedRecord(page), stored, how);
    };

    for (let i = 0; i < 3; i += 1) {
      await page.reload();
      await readerShown(page);
      await same(`reload ${i + 1}`);
    }
    await new WebPlayer(page).step({ verb: 'command', args: ['information'], quoted: [false] });
    await new WebPlayer(page).step({ verb: 'command', args: ['return'], quoted: [false] });
    await same('Information and Return');

    // The tab goes without a word (no pagehide), and a second takes over.
    await page.close({ runBeforeUnload: false });
    page = await openReader(context);
    await same('a second tab');

    const download = page.waitForEvent('download');
    await page.getByRole('menuitem', { name: 'Place' }).click();
    await page.getByRole('menuitem', { name: 'Save my place to a file' }).click();
    const bytes = fs.readFileSync(await (await download).path());
    for (let i = 0; i < 2; i += 1) {
      const chooser = page.waitForEvent('filechooser');
      await page.getByRole('menuitem', { name: 'Place' }).click();
      await page.getByRole('menuitem', { name: 'Open a saved place from a file' }).click();
      await (await chooser).setFiles({ name: `${KEY}.dat`, mimeType: 'application/octet-stream', buffer: bytes });
      await settle(page);
      await same(`the saved place opened ${i + 1}`);
    }
    assert.deepEqual(page.errors, []);
    await context.close();
  });

  test('the renderer killed after a turn: a new tab resumes at that turn', async () => {
    const context = await newContext();
    const page = await openReader(context);
    const player = new WebPlayer(page);
    const steps = [SEED, ...OPENING, ...parseScript('click "Get up"\nclick "Go down to breakfast"')];
    for (const step of steps) await player.step(step);
    const before = await webDump(page);
    // The renderer is killed: no pagehide, no hidden tab, no Exit.
    const cdp = await context.newCDPSession(page);
    const crashed = page.waitForEvent('crash', { timeout: 10000 });
    cdp.send('Page.crash').catch(() => {});  // never answered: the renderer is gone
    await crashed;
    await page.close();
    const again = await openReader(context);
    const now = await webDump(again);
    assert.deepEqual([now.navigation, now.items, now.variables], [before.navigation, before.items, before.variables]);
    const headless = playHeadless(HEADLESS, withDumps([...steps, { verb: 'close', args: [], quoted: [] }]), tempFolder('crash'));
    assert.deepEqual(await storedRecord(again), headless.record);
    await context.close();
  });
});

describe('the page', () => {
  test('the classic page: keyboard scrolling and native scrolling keep the engine\'s scroll position in step', async () => {
    const context = await newContext();
    const page = await openReader(context, { query: '&classic' });
    const player = new WebPlayer(page);
    // Up to the first page longer than the window, then on a phone held
    // upright: the page is laid out again for it.
    for (const step of parseScript(fs.readFileSync(path.join(WALKS, 'arrested.txt'), 'utf8'))) {
      if (step.verb === 'scroll') break;
      await player.step(step);
    }
    await page.setViewportSize({ width: 390, height: 844 });
    await page.waitForFunction(() => document.getElementById('bar').style.width === `${document.getElementById('page').clientWidth}px`);
    await settle(page);
    let dump = await webDump(page);
    assert.ok(dump.scroll.maximum > dump.scroll.page, 'the page is longer than the phone');
    await page.locator('#page').focus();
    // Each key moves the engine's position as a desktop scroll bar would:
    // the new position from the old one and the range.
    const limit = (s) => s.maximum - s.page + 1;
    for (const [key, expected] of [
      ['End', (s) => limit(s)],
      ['ArrowUp', (s) => s.position - 16],
      ['PageUp', (s) => Math.max(0, s.position - s.page)],
      ['ArrowDown', (s) => Math.min(limit(s), s.position + 16)],
      ['PageDown', (s) => Math.min(limit(s), s.position + s.page)],
      ['Home', () => 0],
    ]) {
      const want = expected(dump.scroll);
      await page.keyboard.press(key);
      await settle(page);
      dump = await webDump(page);
      assert.equal(dump.scroll.position, want, `${key}: ${JSON.stringify(dump.scroll)}`);
      assert.equal(dump.scroll.top, dump.scroll.position, `${key}: the page shows the engine's position`);
    }
    await page.mouse.move(200, 400);
    await page.mouse.wheel(0, 300);
    await page.waitForFunction(() => document.getElementById('page').scrollTop > 0);
    await settle(page);
    dump = await webDump(page);
    assert.equal(dump.scroll.position, dump.scroll.top, 'the engine follows the page\'s own scrolling');
    // No sideways scrolling on a phone.
    assert.equal(await page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth), true);
    assert.equal(await page.evaluate(() => document.getElementById('page').scrollWidth <= document.getElementById('page').clientWidth), true);
    await context.close();
  });

  test('a story page reads as a page: heading, text in order, named buttons and field, Tab in reading order', async () => {
    const context = await newContext();
    const page = await openReader(context);
    const steps = parseScript(fs.readFileSync(path.join(WALKS, 'arrested.txt'), 'utf8'));
    const player = new WebPlayer(page);
    // Up to the pawnshop's answer field.
    for (const step of steps) {
      if (step.verb === 'type') break;
      await player.step(step);
    }
    const snapshot = await page.locator('#sheet').ariaSnapshot();
    assert.match(snapshot, /^- heading "At the Counter" \[level=1\]\n- paragraph:\n {2}- img "The three balls of the pawnshop sign"\n- paragraph: Mrs Sole/);
    // The field is named by the words that ask for it, and says that Enter
    // answers; it has the focus, as the page asks for an answer.
    const field = page.locator('#sheet').getByRole('textbox', { name: 'Write the name:', exact: true });
    assert.equal(await field.count(), 1);
    assert.equal(await field.getAttribute('aria-describedby') !== null, true);
    assert.match(await page.locator(`#${await field.getAttribute('aria-describedby')}`).textContent(), /Enter/);
    assert.equal(await field.evaluate((el) => el === document.activeElement), true);
    // The new page was announced, politely, by its title.
    await page.clock.runFor(100);
    assert.equal(await page.locator('#announce').getAttribute('aria-live'), 'polite');
    assert.equal(await page.locator('#announce').textContent(), 'At the Counter');
    const dump = await webDump(page);
    const texts = dump.items.filter((i) => i.includes(' text ')).map((i) => JSON.parse(i.replace(/^\d+ text /, '')));
    const spoken = (await page.locator('#sheet').innerText()).replace(/\s+/g, ' ');
    let from = 0;
    for (const t of texts) {
      const first = t.trim().split(/\s+/).slice(0, 3).join(' ');
      const at = spoken.indexOf(first, from);
      assert.ok(at >= from, `"${first}" in reading order`);
      from = at;
    }
    // The next page: hotwords are buttons named by their labels, and Tab
    // meets the page's controls in reading order.
    await player.step({ verb: 'type', args: ['Ned Ferris'], quoted: [true] });
    await player.step({ verb: 'enter', args: [], quoted: [] });
    const next = await webDump(page);
    const hotwords = next.controls.filter((c) => c.startsWith('hotword')).map((c) => JSON.parse(c.replace(/^hotword \d+ /, '')));
    assert.ok(hotwords.length > 0);
    const nextSnapshot = await page.locator('#sheet').ariaSnapshot();
    for (const label of hotwords) assert.ok(nextSnapshot.includes(`- button ${JSON.stringify(label)}`), label);
    const inOrder = await page.evaluate(() => [...document.querySelectorAll('#sheet .control')]
      .filter((el) => !el.hidden).map((el) => el.getAttribute('aria-label') || el.textContent));
    await page.locator('#page').focus();
    const reached = [];
    for (let i = 0; i < inOrder.length; i += 1) {
      await page.keyboard.press('Tab');
      reached.push(await page.evaluate(() => {
        const el = document.activeElement;
        return el.closest('#sheet') ? el.getAttribute('aria-label') || el.textContent : null;
      }));
    }
    assert.deepEqual(reached, inOrder);
    await context.close();
  });

  test('pictures have their alternative text and the bar its names', async () => {
    const context = await newContext();
    const page = await openReader(context);
    assert.equal(await page.locator('#sheet img').first().getAttribute('alt'), 'The river Thames at dusk, with the clock tower at Westminster');
    for (const name of ['Instructions', 'Restart points', 'Information', 'Return', 'Previous', 'Next']) {
      assert.equal(await page.locator('#bar').getByRole('button', { name, exact: true }).count(), 1, name);
    }
    const menu = await page.locator('#menubar').ariaSnapshot();
    assert.match(menu, /menubar/);
    await context.close();
  });

  test('screenshots of a story page, a dialog, the Sounds screen and About at 1x and 2x', async () => {
    for (const scale of [1, 2]) {
      const context = await newContext({ deviceScaleFactor: scale });
      const page = await openReader(context);
      const player = new WebPlayer(page);
      for (const step of OPENING) await player.step(step);
      await page.screenshot({ path: path.join(WORK, `story-${scale}x.png`) });
      await page.getByRole('menuitem', { name: 'Menu', exact: true }).click();
      await page.getByRole('menuitem', { name: 'Start at the Beginning' }).click();
      await page.getByRole('dialog').waitFor();
      await page.screenshot({ path: path.join(WORK, `dialog-${scale}x.png`) });
      await page.keyboard.press('Escape');
      await settle(page);
      await player.step({ verb: 'command', args: ['sounds'], quoted: [false] });
      await page.screenshot({ path: path.join(WORK, `sounds-${scale}x.png`) });
      await player.step({ verb: 'command', args: ['about'], quoted: [false] });
      await page.screenshot({ path: path.join(WORK, `about-${scale}x.png`) });
      await player.step({ verb: 'command', args: ['return'], quoted: [false] });
      await page.setViewportSize({ width: 390, height: 844 });
      await settle(page);
      await page.screenshot({ path: path.join(WORK, `phone-${scale}x.png`) });
      await context.close();
    }
  });
});
