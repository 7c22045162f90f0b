// What the web tests share: where things are, Debian's chromium with the
// site served beside it for a whole test file, and the reader opened in a
// tab with its clock in the test's hands.
import fs from 'node:fs';
import path from 'node:path';
import { after, before } from 'node:test';
import { fileURLToPath } from 'node:url';

import { chromium } from 'playwright-core';

import { settle } from './play.mjs';
import { serve } from './server.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
export const root = path.resolve(here, '..', '..');
// The built site (TOMELET_SITE) and where tests may write (TOMELET_WORK).
export const SITE = process.env.TOMELET_SITE || path.join(root, 'build-web', 'site');
export const WORK = process.env.TOMELET_WORK || path.join(root, 'build-web', 'web-tests');
export const WALKS = path.join(root, 'tests', 'integration', 'walkthroughs');
// The place every site is served under: a subfolder, as on a real host.
export const PREFIX = '/books/perpetua/';

// Both readers roll the same dice: the story's random numbers start from
// one fixed state (the first roll would otherwise come from the clock).
export const SEED = { verb: 'random', args: ['4321'], quoted: [false], line: 'random 4321' };

export function launchChromium() {
  return chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
}

// For the test file that calls it: before its tests, WORK made, `site`
// served under PREFIX (none when `site` is null) and chromium started;
// after them, both stopped.  The returned object holds `browser`, and
// `server` and `url` (the site's address) once the tests run.
export function chromiumSuite({ site = SITE } = {}) {
  const suite = { browser: null, server: null, url: null };
  before(async () => {
    fs.mkdirSync(WORK, { recursive: true });
    if (site) ({ server: suite.server, url: suite.url } = await serve(site, { prefix: PREFIX }));
    suite.browser = await launchChromium();
  });
  after(async () => {
    await suite.browser?.close();
    suite.server?.close();
  });
  return suite;
}

// The reader at `url` in a new tab of `context`, its errors kept in
// page.errors, and its clock standing still but when the test moves it;
// with `wait`, once its first screen is shown.
export async function openReader(context, url, { wait = true } = {}) {
  const page = await context.newPage();
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error));
  const start = new Date('2026-03-01T09:00:00Z').getTime();
  await page.clock.install({ time: start });
  await page.clock.pauseAt(start + 1000);
  await page.goto(url);
  if (wait) await readerShown(page);
  return page;
}

// Waits for the reader's first screen and for its queue to empty.
export async function readerShown(page) {
  await page.waitForFunction(() => window.tomeletTest && !document.getElementById('loading').checkVisibility());
  await settle(page);
}
