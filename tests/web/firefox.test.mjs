// The smoke suite (smoke.mjs) in Debian's Firefox ESR, driven by
// puppeteer-core over WebDriver BiDi.  Nothing is downloaded: the browser
// is /usr/bin/firefox-esr (TOMELET_FIREFOX), with a fresh profile.
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import puppeteer from 'puppeteer-core';

import { serve } from './server.mjs';
import { publishForTest } from './published.mjs';
import { SITE, WORK } from './harness.mjs';
import { FIND, smoke } from './smoke.mjs';

const FIREFOX = process.env.TOMELET_FIREFOX || '/usr/bin/firefox-esr';

let browser;
let server;
let siteUrl;
let published;

before(async () => {
  fs.mkdirSync(WORK, { recursive: true });
  ({ server, url: siteUrl } = await serve(SITE, { prefix: '/books/perpetua/' }));
  published = publishForTest(SITE);
  browser = await puppeteer.launch({
    browser: 'firefox', executablePath: FIREFOX, headless: true, protocol: 'webDriverBiDi',
    defaultViewport: { width: 1280, height: 900 },
  });
});

after(async () => {
  await browser?.close();
  server?.close();
  if (published) fs.rmSync(published.out, { recursive: true, force: true });
});

// The smoke suite's driver on a page of the browser.
function driverFor(page) {
  return {
    goto: (url) => page.goto(url),
    reload: () => page.reload(),
    run: (fn, arg) => page.evaluate(fn, arg),
    find: async (role, name) => {
      const found = await page.evaluateHandle(FIND, role, name);
      return (await found.evaluateHandle((list) => (list.length === 1 ? list[0] : null))).asElement();
    },
    click: (element) => element.click(),
    press: (key) => page.keyboard.press(key),
  };
}

test('Firefox ESR: the book loads, the opening passes, five pages turn, a box is answered, a reload resumes, a setting persists', async () => {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error));
  const driver = driverFor(page);
  try {
    await smoke(driver, siteUrl, (step) => console.log(`# ${step}`));
  } finally {
    await page.screenshot({ path: path.join(WORK, 'firefox.png') });
  }
  if (errors.length) throw errors[0];
});

test('Firefox ESR: the published single file, opened from disk, plays the same', { skip: !fs.existsSync(process.env.TOMELET_BOOKC || '') && 'no TOMELET_BOOKC' }, async () => {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error));
  try {
    await smoke(driverFor(page), pathToFileURL(published.single).href, (step) => console.log(`# ${step}`));
  } finally {
    await page.screenshot({ path: path.join(WORK, 'firefox-single-file.png') });
  }
  if (errors.length) throw errors[0];
});
