// The authors' preview in chromium: the preview server on a copy of the
// small book, an edit seen on the open page at the same place and state,
// an error shown over the page with the last good book kept, then mended;
// going to a paragraph, setting a variable and undoing.
//
// Environment: TOMELET_PREVIEW_SITE (build-web/preview-site), TOMELET_BOOKC
// (a host build's tomelet-bookc), TOMELET_WORK (where screenshots go).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { startPreview } from '../../platform/web/preview/server.mjs';
import { WORK, launchChromium, root } from './harness.mjs';
import { tempFolder } from './play.mjs';

const SITE = process.env.TOMELET_PREVIEW_SITE || path.join(root, 'build-web', 'preview-site');
const BOOKC = process.env.TOMELET_BOOKC || path.join(root, 'build', 'tools', 'bookc', 'tomelet-bookc');
// How long a change may take to reach the page here: generous, for a busy
// machine (the goal of a second is a matter for a benchmark).
const BOUND_MS = 10000;

let browser;
let preview;
let book;

before(async () => {
  fs.mkdirSync(WORK, { recursive: true });
  book = tempFolder('preview-book');
  fs.cpSync(path.join(root, 'books', 'lighthouse'), book, { recursive: true });
  preview = await startPreview({ site: SITE, book, bookc: BOOKC });
  browser = await launchChromium();
});

after(async () => {
  await browser?.close();
  await preview?.close();
  if (book) fs.rmSync(book, { recursive: true, force: true });
});

const STORY = () => path.join(book, 'text', '2-story.tml');

function edit(from, to) {
  const text = fs.readFileSync(STORY(), 'utf8');
  assert.ok(text.includes(from), `the story holds ${from}`);
  fs.writeFileSync(STORY(), text.replace(from, to));
}

const sheet = (page) => page.locator('#sheet').innerText();

// The panel follows a turn in a task of its own, after the page is
// written: its source line is waited for, not read at once.
async function waitForSource(page, line) {
  await page.locator('#preview-source', { hasText: line }).waitFor({ timeout: BOUND_MS })
    .catch(async () => assert.equal(await page.locator('#preview-source').innerText(), line));
}

async function waitForSheet(page, predicate, what) {
  await page.waitForFunction(
    ([source]) => new Function('text', `return ${source}`)(document.getElementById('sheet').innerText),
    [predicate], { timeout: BOUND_MS },
  ).catch(() => assert.fail(`the page did not come to show ${what}`));
}

test('the preview shows edits, errors, and goes, sets and undoes', async () => {
  const context = await browser.newContext({ viewport: { width: 1000, height: 700 } });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error));
  await page.goto(preview.url);
  await page.locator('#preview-status', { hasText: 'Book 1 is shown' }).waitFor();

  // Going by title, then by number, past the opening screens.
  for (const [query, title] of [['cottage', 'The Keeper\'s Cottage'], ['13', 'The Cliff Path'], ['12', 'The Keeper\'s Cottage']]) {
    await page.fill('#preview-target', query);
    await page.click('#preview-go button');
    await waitForSheet(page, `text.includes(${JSON.stringify(title)})`, title);
  }
  await waitForSource(page, 'text/2-story.tml:17');
  await page.fill('#preview-target', '99');
  await page.click('#preview-go button');
  await page.locator('#preview-status', { hasText: 'No paragraph with text is "99"' }).waitFor();

  // A turn that changes the state (the tinderbox taken), kept across the
  // edit: the reload keeps the place and the story state.
  await page.getByRole('button', { name: 'Take the tinderbox' }).click();
  await waitForSheet(page, '!text.includes("A tinderbox lies")', 'the tinderbox taken');
  const saved = Date.now();
  edit('hangs on a nail by the door', 'hangs on a rusty hook by the door');
  await waitForSheet(page, 'text.includes("rusty hook")', 'the edit');
  const seen = Date.now() - saved;
  assert.ok(!(await sheet(page)).includes('A tinderbox lies'), 'the story state was kept');
  await page.getByRole('button', { name: 'Take the key' }).waitFor({ timeout: 1000 });
  await waitForSource(page, 'text/2-story.tml:17');
  assert.equal(await page.getByRole('checkbox', { name: 'Tinderbox held' }).isChecked(), true);
  console.log(`the edit was on the page ${seen} ms after the save`);

  // An error: the compiler's lines over the page, the last good book kept.
  edit('<N %2 "Take the key" 11>', '<K %2 "Take the key" 11>');
  const alert = page.getByRole('alert');
  await alert.waitFor({ timeout: BOUND_MS });
  assert.match(await alert.innerText(), /text\/2-story\.tml:\d+:\d+: error: .*K/);
  assert.ok((await sheet(page)).includes('rusty hook'), 'the last good page stays');
  await page.screenshot({ path: path.join(WORK, 'preview-error.png') });
  edit('<K %2 "Take the key" 11>', '<N %2 "Take the key" 11>');
  await alert.waitFor({ state: 'hidden', timeout: BOUND_MS });
  edit('rusty hook', 'brass hook');
  await waitForSheet(page, 'text.includes("brass hook")', 'the mended book');

  // A variable set from the panel: the page that depends on it follows.
  await page.getByRole('checkbox', { name: 'Brass key held' }).check();
  await waitForSheet(page, '!text.includes("A brass key hangs")', 'the key held');
  await page.screenshot({ path: path.join(WORK, 'preview.png') });

  // Undo, as many times as asked: the key, then the tinderbox.
  await page.click('#preview-undo');
  await waitForSheet(page, 'text.includes("A brass key hangs")', 'the key set undone');
  assert.equal(await page.getByRole('checkbox', { name: 'Brass key held' }).isChecked(), false);
  await page.click('#preview-undo');
  await waitForSheet(page, 'text.includes("A tinderbox lies")', 'the tinderbox undone');

  // The preview keeps its place under its own key only.
  const keys = await page.evaluate(() => Object.keys(window.localStorage));
  assert.ok(keys.length > 0 && keys.every((k) => k.startsWith('preview:')), `keys: ${keys}`);
  assert.deepEqual(errors, []);
  await context.close();
});
