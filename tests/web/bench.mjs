// The web reader's benchmark, in headless chromium on this machine (not a
// test: it prints figures): a page turn over a whole walkthrough, from a
// hotword's click to the next page's text in the page and to the frame
// painted after it, the first page shown after the page starts loading
// from 127.0.0.1, a turn's keeping of the place in the browser's storage,
// the size of tomelet.js and tomelet.wasm, and that of the book's pictures
// and sounds beside them (book/, fetched when a page needs them).
//
// `node tests/web/bench.mjs` after building build-web/site (TOMELET_SITE
// names another site).
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { chromium } from 'playwright-core';

import { WebPlayer, parseScript, settle } from './play.mjs';
import { serve } from './server.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '..', '..');
const SITE = process.env.TOMELET_SITE || path.join(root, 'build-web', 'site');
const WALK = path.join(root, 'tests', 'integration', 'walkthroughs', 'triumph.txt');
const LOADS = 15;

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const mid = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
};
const fmt = (ms) => `${ms.toFixed(1)} ms`;
const p95 = (values) => [...values].sort((a, b) => a - b)[Math.ceil(values.length * 0.95) - 1];
const figures = (values) => `median ${fmt(median(values))}, 95th percentile ${fmt(p95(values))}, slowest ${fmt(Math.max(...values))}`;
const mb = (bytes) => `${(bytes / 1e6).toFixed(2)} MB`;

const { server, url } = await serve(SITE);
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });

// The first page shown: from the start of navigation to the first paint's
// elements on the page and the frame after them.
const firsts = [];
for (let i = 0; i < LOADS; i += 1) {
  const context = await browser.newContext({ viewport: { width: 760, height: 900 } });
  const page = await context.newPage();
  await page.goto(url);
  const shown = await page.evaluate(() => new Promise((resolve) => {
    const look = () => {
      const mark = performance.getEntriesByName('tomelet-first-page')[0];
      if (mark) requestAnimationFrame(() => setTimeout(() => resolve(mark.startTime), 0));
      else setTimeout(look, 5);
    };
    look();
  }));
  firsts.push(shown);
  await context.close();
}

// Page turns: every hotword of a whole walkthrough, clicked in the page;
// the time runs to the new page's text in the document (the reader's mark
// `tomelet-page`), and on to the frame after it.  The first sound of the
// walkthrough plays in one of these turns.
const context = await browser.newContext({ viewport: { width: 760, height: 900 } });
const page = await context.newPage();
await page.goto(`${url}?test`);
await page.waitForFunction(() => window.tomeletTest && !document.getElementById('loading').checkVisibility());
const player = new WebPlayer(page);
const turns = [];
const frames = [];
for (const step of parseScript(fs.readFileSync(WALK, 'utf8'))) {
  if (step.verb !== 'click') {
    // The clock is the browser's own here: the opening's timer is waited
    // for.
    if (step.verb === 'timer') await page.waitForTimeout(2200);
    else if (step.verb !== 'dump') await player.step(step);
    continue;
  }
  await settle(page);
  const ms = await page.evaluate(async ([label, nth]) => {
    const buttons = [...document.querySelectorAll('#sheet button')].filter((b) => !b.hidden
      && (b.textContent === label || b.getAttribute('aria-label') === label
        || (label.endsWith('*') && b.textContent.startsWith(label.slice(0, -1)))));
    const button = buttons[nth];
    const start = performance.now();
    button.click();
    await window.tomeletTest.idle();
    const mark = performance.getEntriesByName('tomelet-page').pop();
    await new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
    return [mark && mark.startTime >= start ? mark.startTime - start : NaN, performance.now() - start];
  }, [step.args[0], step.args[1] ? Number(step.args[1]) - 1 : 0]);
  if (Number.isNaN(ms[0])) throw new Error(`no new page after '${step.line}'`);
  turns.push(ms[0]);
  frames.push(ms[1]);
  await player.answerBoxes();
}
// Keeping the place, as every turn does: the record filled by the engine
// and written into localStorage (base64).  The page's clock is coarse (0.1
// ms), so each figure is a run of 100 writes, divided.
await settle(page);
const keeps = await page.evaluate(() => {
  const times = [];
  for (let run = 0; run < 20; run += 1) {
    const start = performance.now();
    for (let i = 0; i < 100; i += 1) Module._web_save_now();
    times.push((performance.now() - start) / 100);
  }
  return times;
});
await context.close();
await browser.close();
server.close();

const size = (name) => fs.statSync(path.join(SITE, name)).size;
const code = size('tomelet.js') + size('tomelet.wasm');
let media = 0;
const bookFiles = path.join(SITE, 'book');
if (fs.existsSync(bookFiles)) {
  for (const file of fs.readdirSync(bookFiles)) if (/\.(png|wav)$/i.test(file)) media += fs.statSync(path.join(bookFiles, file)).size;
}

console.log(`machine: ${os.cpus()[0].model}, ${os.cpus().length} cores; ${new Date().toISOString().slice(0, 10)}`);
console.log(`page turn, ${turns.length} turns: click to the new page's text ${figures(turns)}; to the frame after it ${figures(frames)}`);
console.log(`the place kept (a turn's write into localStorage), ${keeps.length} runs of 100: median ${(median(keeps) * 1000).toFixed(1)} us a write, slowest run ${(Math.max(...keeps) * 1000).toFixed(1)} us a write; ${(100 * median(keeps) / median(turns)).toFixed(2)} % of a page turn`);
console.log(`first page shown after the page starts loading, ${LOADS} loads: median ${fmt(median(firsts))}, slowest ${fmt(Math.max(...firsts))}`);
console.log(`tomelet.js + tomelet.wasm: ${mb(code)}; the book's pictures and sounds beside them (book/): ${mb(media)}`);
