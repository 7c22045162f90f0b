// The smoke suite (smoke.mjs) in Debian's Firefox ESR, driven by
// puppeteer-core over WebDriver BiDi.  Nothing is downloaded: the browser
// is /usr/bin/firefox-esr (TOMELET_FIREFOX), with a fresh profile.
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import puppeteer from 'puppeteer-core';

import { serve } from './server.mjs';
import { FIND, smoke } from './smoke.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const SITE = process.env.TOMELET_SITE || path.resolve(here, '..', '..', 'build-web', 'site');
const WORK = process.env.TOMELET_WORK || path.resolve(here, '..', '..', 'build-web', 'web-tests');
const FIREFOX = process.env.TOMELET_FIREFOX || '/usr/bin/firefox-esr';

let browser;
let server;
let siteUrl;

before(async () => {
  fs.mkdirSync(WORK, { recursive: true });
  ({ server, url: siteUrl } = await serve(SITE, { prefix: '/books/perpetua/' }));
  browser = await puppeteer.launch({
    browser: 'firefox', executablePath: FIREFOX, headless: true, protocol: 'webDriverBiDi',
    defaultViewport: { width: 1280, height: 900 },
  });
});

after(async () => {
  await browser?.close();
  server?.close();
});

test('Firefox ESR: the book loads, the opening passes, five pages turn, a box is answered, a reload resumes, a setting persists', async () => {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error));
  const driver = {
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
  try {
    await smoke(driver, siteUrl, (step) => console.log(`# ${step}`));
  } finally {
    await page.screenshot({ path: path.join(WORK, 'firefox.png') });
  }
  if (errors.length) throw errors[0];
});
