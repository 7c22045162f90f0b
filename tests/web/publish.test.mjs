// The published forms of a book, in Debian's chromium driven by
// playwright-core: the single file opened from disk, the folder form with
// its service worker (offline, and a new edition taken), two books read
// side by side in one browser profile, and the pieces publish.mjs writes.
//
// Environment: TOMELET_SITE (build-web/site, the demo book),
// TOMELET_SITE_LIGHTHOUSE (the same reader with books/lighthouse),
// TOMELET_BOOKC (the host build's tomelet-bookc, for the books' details),
// TOMELET_WORK (where screenshots go).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { after, before, test } from 'node:test';

import { SITE, WORK, launchChromium, openReader, readerShown, root } from './harness.mjs';
import { WebPlayer, parseScript, tempFolder, webDump } from './play.mjs';
import { serve } from './server.mjs';

const SITE_LIGHTHOUSE = process.env.TOMELET_SITE_LIGHTHOUSE || path.join(root, 'build-web', 'site-lighthouse');
const BOOKC = process.env.TOMELET_BOOKC || path.join(root, 'build', 'tools', 'bookc', 'tomelet-bookc');
const PUBLISH = path.join(root, 'tools', 'publish', 'publish.mjs');
const DEMO = 'VBQ2CorvinAshby';
const LIGHTHOUSE = 'DarkLighthouse';

let browser;
let work;
let demoBook;

// The book's details as the compiler writes them.
function details(folder) {
  const file = path.join(work, `${path.basename(folder)}.json`);
  execFileSync(BOOKC, [folder, '--details', file], { stdio: ['ignore', 'ignore', 'inherit'] });
  return file;
}

function publish(site, bookJson, out) {
  execFileSync(process.execPath, [PUBLISH, '--site', site, '--out', out, '--book', bookJson], { stdio: ['ignore', 'ignore', 'inherit'] });
}

// The folder form's files, without their precompressed forms (FILE.br,
// FILE.gz), which a server may send instead.
function folderSize(folder) {
  let sum = 0;
  for (const entry of fs.readdirSync(folder, { withFileTypes: true, recursive: true })) {
    if (entry.isFile() && !/\.(br|gz)$/.test(entry.name)) sum += fs.statSync(path.join(entry.parentPath ?? entry.path, entry.name)).size;
  }
  return sum;
}

before(async () => {
  fs.mkdirSync(WORK, { recursive: true });
  work = tempFolder('publish');
  demoBook = details(path.join(root, 'books', 'demo'));
  publish(SITE, demoBook, path.join(work, 'one'));
  browser = await launchChromium();
});

after(async () => {
  await browser?.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

// The first choice of each book's first page.
const FIRST_CHOICE = { [DEMO]: 'Begin', [LIGHTHOUSE]: 'Hurry down to the quay' };

// The opening screens, then a page turned by the book's first choice: the
// place the reader is at.
async function openingAndATurn(page, id = DEMO) {
  const player = new WebPlayer(page);
  for (const step of parseScript('timer\ntimer\ncommand next\n')) await player.step(step);
  const first = (await webDump(page)).navigation;
  await player.step(parseScript(`click "${FIRST_CHOICE[id]}"`)[0]);
  const turned = (await webDump(page)).navigation;
  assert.notDeepEqual(turned, first, 'the page turned');
  return turned;
}

test('the single file opens from disk, fetches nothing, turns a page and resumes after a reload', async () => {
  const file = path.join(work, 'one', `${DEMO}.html`);
  const context = await browser.newContext({ viewport: { width: 760, height: 900 } });
  const requests = [];
  context.on('request', (request) => requests.push(request.url()));
  const url = `${pathToFileURL(file).href}?test`;
  const page = await openReader(context, url);
  const place = await openingAndATurn(page);
  await page.screenshot({ path: path.join(WORK, 'publish-single-file.png') });
  await page.reload();
  await readerShown(page);
  assert.deepEqual((await webDump(page)).navigation, place, 'the reload resumes the place');
  // Nothing but the file itself was asked for (data: and blob: URLs are
  // the page's own bytes).
  assert.deepEqual([...new Set(requests.filter((u) => !/^(data|blob):/.test(u)))], [url]);
  assert.deepEqual(page.errors, []);
  await context.close();
});

test('the folder form opens offline after a first visit, and a new edition is taken at the next visit', async () => {
  const folder = path.join(work, 'one', `${DEMO}-web`);
  let { server, url } = await serve(folder, { prefix: '/perpetua/' });
  const port = new URL(url).port;
  const stop = () => new Promise((resolve) => { server.closeAllConnections(); server.close(resolve); });
  const context = await browser.newContext({ viewport: { width: 760, height: 900 } });
  let page = await openReader(context, `${url}?test`);
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
  const place = await openingAndATurn(page);

  await stop();
  await page.reload();
  await readerShown(page);
  assert.deepEqual((await webDump(page)).navigation, place, 'offline, the reload opens at the place');
  // The worker keeps the book's pictures and sounds, which the reader
  // fetches only when a page needs them: every one is there offline.
  const bookFiles = fs.readdirSync(path.join(folder, 'book')).filter((f) => !/\.(br|gz)$/.test(f));
  assert.ok(bookFiles.some((f) => f.endsWith('.png')) && bookFiles.some((f) => f.endsWith('.wav')));
  const offline = await page.evaluate((files) => Promise.all(files.map(async (f) => {
    const response = await fetch(`book/${f}`);
    const bytes = response.ok ? await response.arrayBuffer() : null;
    if (!bytes) return `${f}: ${response.status}`;
    if (f.endsWith('.png')) return (await createImageBitmap(new Blob([bytes]))).width > 0 ? 'ok' : `${f}: empty`;
    return new TextDecoder().decode(bytes.slice(8, 12)) === 'WAVE' ? 'ok' : `${f}: no wave`;
  })), bookFiles);
  assert.deepEqual(offline.filter((r) => r !== 'ok'), []);

  // A new edition: the site changed (a page of it), published again and
  // served at the same address.
  const site2 = path.join(work, 'site2');
  fs.cpSync(SITE, site2, { recursive: true });
  const index = path.join(site2, 'index.html');
  fs.writeFileSync(index, fs.readFileSync(index, 'utf8').replace('</head>', '<meta name="edition" content="second">\n</head>'));
  publish(site2, demoBook, path.join(work, 'two'));
  ({ server } = await serve(path.join(work, 'two', `${DEMO}-web`), { port: Number(port), prefix: '/perpetua/' }));
  await page.reload();
  await readerShown(page);
  // The visit finds the changed worker, which keeps the new edition and
  // drops the old one; the next visit opens it.
  const edition = /edition ([0-9a-f]+)/.exec(fs.readFileSync(path.join(work, 'two', `${DEMO}-web`, 'service-worker.js'), 'utf8'))[1];
  for (let i = 0; i < 100; i += 1) {
    const names = await page.evaluate(() => caches.keys());
    if (names.length === 1 && names[0].endsWith(edition)) break;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  assert.deepEqual(await page.evaluate(() => caches.keys()), [`tomelet-${DEMO}-${edition}`]);
  await page.reload();
  await readerShown(page);
  assert.equal(await page.locator('meta[name="edition"]').getAttribute('content'), 'second');
  assert.deepEqual((await webDump(page)).navigation, place, 'the new edition keeps the place');
  assert.deepEqual(page.errors, []);
  await context.close();
  await stop();
});

test('two books on one site each keep their own place, and neither refuses to start while the other reads', async () => {
  // Both sites under one origin, in subfolders.
  const both = path.join(work, 'both');
  fs.mkdirSync(both);
  fs.symlinkSync(SITE, path.join(both, 'perpetua'));
  fs.symlinkSync(SITE_LIGHTHOUSE, path.join(both, 'lighthouse'));
  const { server, url } = await serve(both, { prefix: '/books/' });
  const context = await browser.newContext({ viewport: { width: 760, height: 900 } });
  const demo = await openReader(context, `${url}perpetua/?test`);
  const lighthouse = await openReader(context, `${url}lighthouse/?test`);
  const demoPlace = await openingAndATurn(demo);
  const lighthousePlace = await openingAndATurn(lighthouse, LIGHTHOUSE);
  const stored = await demo.evaluate(([a, b]) => [localStorage.getItem(a), localStorage.getItem(b)], [DEMO, LIGHTHOUSE]);
  assert.ok(stored[0] && stored[1] && stored[0] !== stored[1], 'two records under two keys');
  for (const [page, place] of [[demo, demoPlace], [lighthouse, lighthousePlace]]) {
    await page.reload();
    await readerShown(page);
    assert.equal(await page.locator('#page').isVisible(), true);
    assert.deepEqual((await webDump(page)).navigation, place);
    assert.deepEqual(page.errors, []);
  }
  await context.close();
  server.close();
});

test('the pieces: a single file that names no other file and is at most 1.4 times the folder form, the iFiction record and the IFID', async () => {
  const book = JSON.parse(fs.readFileSync(demoBook, 'utf8'));
  const html = fs.readFileSync(path.join(work, 'one', `${DEMO}.html`), 'utf8');
  const outside = html.replace(/<script\b[^>]*>[\s\S]*?<\/script>/g, '').replace(/<style\b[^>]*>[\s\S]*?<\/style>/g, '');
  assert.doesNotMatch(outside, /\b(?:src|href)\s*=\s*"(?!data:|#)/);
  assert.doesNotMatch(html, /url\(\s*["']?(?!data:)[^"')]+/);
  const single = fs.statSync(path.join(work, 'one', `${DEMO}.html`)).size;
  const folder = folderSize(path.join(work, 'one', `${DEMO}-web`));
  assert.ok(single <= 1.4 * folder, `${single} bytes against the folder's ${folder}`);

  const page = await browser.newPage();
  const xml = fs.readFileSync(path.join(work, 'one', `${DEMO}.iFiction`), 'utf8');
  const record = await page.evaluate((text) => {
    const doc = new DOMParser().parseFromString(text, 'application/xml');
    if (doc.getElementsByTagName('parsererror').length > 0) return null;
    const ns = 'http://babel.ifarchive.org/protocol/iFiction/';
    const one = (tag) => [...doc.getElementsByTagNameNS(ns, tag)].map((e) => e.textContent);
    return { root: doc.documentElement.localName, ifid: one('ifid'), format: one('format'), title: one('title'), author: one('author'), description: one('description') };
  }, xml);
  assert.deepEqual(record, {
    root: 'ifindex', ifid: [book.ifid], format: ['html'], title: [book.title], author: [book.authors], description: [book.description],
  });
  for (const text of [html, fs.readFileSync(path.join(work, 'one', `${DEMO}-web`, 'index.html'), 'utf8')]) {
    const meta = await page.evaluate((source) => {
      const m = new DOMParser().parseFromString(source, 'text/html').querySelector('meta[property="ifiction:ifid"]');
      return m && { content: m.getAttribute('content'), prefix: m.closest('[prefix]')?.getAttribute('prefix') };
    }, text);
    assert.deepEqual(meta, { content: book.ifid, prefix: 'ifiction: http://babel.ifarchive.org/protocol/iFiction/' });
  }
  await page.close();
});
