// Light on the wire: the site's precompressed files as the server sends
// them, and the book's pictures and sounds fetched only when a page needs
// them, in Debian's chromium.
//
// Environment: TOMELET_SITE (the built site), TOMELET_WORK (scratch).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { test } from 'node:test';
import zlib from 'node:zlib';

import { precompress } from '../../tools/publish/precompress.mjs';
import { SEED, SITE, WALKS, WORK, chromiumSuite, openReader } from './harness.mjs';
import { WebPlayer, parseScript } from './play.mjs';
import { serve } from './server.mjs';

const suite = chromiumSuite();

function get(url, encoding) {
  return new Promise((resolve, reject) => {
    http.get(url, { headers: encoding === undefined ? {} : { 'accept-encoding': encoding } }, (response) => {
      const parts = [];
      response.on('data', (part) => parts.push(part));
      response.on('end', () => resolve({ headers: response.headers, body: Buffer.concat(parts) }));
    }).on('error', reject);
  });
}

function decoded({ headers, body }) {
  if (headers['content-encoding'] === 'br') return zlib.brotliDecompressSync(body);
  if (headers['content-encoding'] === 'gzip') return zlib.gunzipSync(body);
  assert.equal(headers['content-encoding'], undefined);
  return body;
}

const originals = (dir) => fs.readdirSync(dir, { recursive: true })
  .filter((f) => fs.statSync(path.join(dir, f)).isFile() && !/\.(br|gz)$/.test(f));

test('every file of the site is served as the encoding asked for, brotli first, and decodes to its bytes', async () => {
  const files = originals(SITE);
  assert.ok(files.includes('tomelet.wasm') && files.some((f) => f.startsWith('book/')));
  let compressed = 0;
  for (const file of files) {
    const bytes = fs.readFileSync(path.join(SITE, file));
    const url = suite.url + file.split(path.sep).join('/');
    const plain = await get(url);
    assert.deepEqual(plain.body, bytes, file);
    for (const [accept, want] of [['gzip, deflate, br', 'br'], ['gzip', 'gzip'], ['br;q=0, gzip', 'gzip'], ['identity', undefined]]) {
      const answer = await get(url, accept);
      assert.ok(fs.existsSync(path.join(SITE, `${file}.br`)) && fs.existsSync(path.join(SITE, `${file}.gz`)), `${file} precompressed`);
      // A form no smaller than the file is not sent.
      const smaller = fs.statSync(path.join(SITE, `${file}${want === 'br' ? '.br' : '.gz'}`)).size < bytes.length;
      assert.equal(answer.headers['content-encoding'], smaller ? want : undefined, `${file} for ${accept}`);
      assert.equal(answer.headers['content-type'], plain.headers['content-type'], file);
      assert.deepEqual(decoded(answer), bytes, `${file} for ${accept}`);
      if (answer.headers['content-encoding']) {
        assert.equal(answer.headers.vary, 'Accept-Encoding');
        compressed += 1;
      }
    }
  }
  assert.ok(compressed > files.length, 'most files are sent compressed');

  // A compressed form older than its file is never sent, and is made again.
  fs.mkdirSync(WORK, { recursive: true });
  const dir = fs.mkdtempSync(path.join(WORK, 'wire-'));
  try {
    fs.writeFileSync(path.join(dir, 'page.js'), 'let old = 1;\n'.repeat(200));
    precompress(dir);
    const later = new Date(Date.now() + 5000);
    fs.writeFileSync(path.join(dir, 'page.js'), 'let edited = 2;\n'.repeat(200));
    fs.utimesSync(path.join(dir, 'page.js'), later, later);
    const local = await serve(dir);
    try {
      const stale = await get(`${local.url}page.js`, 'br, gzip');
      assert.equal(stale.headers['content-encoding'], undefined);
      assert.equal(stale.body.toString(), 'let edited = 2;\n'.repeat(200));
      precompress(dir);
      const fresh = await get(`${local.url}page.js`, 'br, gzip');
      assert.equal(fresh.headers['content-encoding'], 'br');
      assert.equal(decoded(fresh).toString(), 'let edited = 2;\n'.repeat(200));
    } finally {
      local.server.close();
    }
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});

// A reader in a new context, with every request for the book's files
// (book/) noted with its answer's status.
async function openWatched() {
  const context = await suite.browser.newContext({ viewport: { width: 1000, height: 800 } });
  const bookFiles = [];
  context.on('response', (response) => {
    const url = response.url();
    if (url.startsWith(`${suite.url}book/`)) bookFiles.push([url.slice(suite.url.length), response.status()]);
  });
  const page = await openReader(context, `${suite.url}?test`);
  page.bookFiles = bookFiles;
  return { context, page, player: new WebPlayer(page) };
}

// The page's pictures once each has arrived: every one complete, decoded
// and of a size; the book's files among them, by address.  The bar redraws
// its pictures (new blob addresses) when the page's size or zoom settles,
// and an image replaced while it was decoded fails that decode: a failure
// counts only when it is still there after a few short waits.
async function arrivedPictures(page) {
  let pictures = await picturesNow(page);
  for (let tries = 0; pictures.failed.length > 0 && tries < 5; tries += 1) {
    await new Promise((resolve) => setTimeout(resolve, 200));
    pictures = await picturesNow(page);
  }
  return pictures;
}

async function picturesNow(page) {
  return page.evaluate(async () => {
    const images = [...document.querySelectorAll('#page img, #bar img')];
    const failed = [];
    await Promise.all(images.map((img) => img.decode().catch(() => failed.push(img.getAttribute('src')))));
    for (const img of images) if (!img.complete || img.naturalWidth === 0) failed.push(img.getAttribute('src'));
    return { failed, book: images.map((img) => img.getAttribute('src')).filter((src) => src.startsWith('book/')) };
  });
}

test('the first page fetches the pictures it shows and nothing else of the book; over a walkthrough every picture arrives', async () => {
  const { context, page, player } = await openWatched();
  const first = await arrivedPictures(page);
  assert.deepEqual(first.failed, []);
  assert.ok(first.book.length > 0, 'the opening shows a picture of the book');
  assert.deepEqual([...new Set(page.bookFiles.map(([f]) => f))].sort(), [...new Set(first.book)].sort());

  const seen = new Set(first.book);
  for (const step of [SEED, ...parseScript(fs.readFileSync(path.join(WALKS, 'triumph.txt'), 'utf8'))]) {
    await player.step(step);
    const now = await arrivedPictures(page);
    assert.deepEqual(now.failed, [], `after '${step.line}'`);
    for (const src of now.book) seen.add(src);
  }
  assert.ok(seen.size >= 10, `the walkthrough showed ${seen.size} of the book's pictures`);
  // Every file asked for arrived; the pictures asked for are those shown.
  assert.deepEqual(page.bookFiles.filter(([, status]) => status !== 200), []);
  const pictures = page.bookFiles.filter(([f]) => !/^book\/sound-\d+\.wav$/.test(f)).map(([f]) => f);
  assert.deepEqual([...new Set(pictures)].sort(), [...seen].sort());
  assert.deepEqual(page.errors, []);
  await context.close();
});
