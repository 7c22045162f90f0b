// The smoke suite (smoke.mjs) in WebKit: Debian's WebKitWebDriver
// (webkit2gtk-driver) running WebKitGTK's MiniBrowser on a virtual X
// display (Xvfb), driven by selenium-webdriver as a plain WebDriver client
// of that driver (nothing is downloaded, no driver is looked for).
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { Builder, Key } from 'selenium-webdriver';

import { serve } from './server.mjs';
import { publishForTest } from './published.mjs';
import { SITE, WORK } from './harness.mjs';
import { FIND, smoke } from './smoke.mjs';

const WEBDRIVER = process.env.TOMELET_WEBKIT_DRIVER || '/usr/bin/WebKitWebDriver';
const XVFB = process.env.TOMELET_XVFB || 'Xvfb';
const MINIBROWSER = process.env.TOMELET_MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

let server;
let siteUrl;
let xvfb;
let webdriver;
let driver;
let published;

// A free port on 127.0.0.1.
function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer();
    probe.once('error', reject);
    probe.listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

// Xvfb on a display it chooses itself (-displayfd), so that tests running
// at once never share one.
function startXvfb() {
  return new Promise((resolve, reject) => {
    const child = spawn(XVFB, ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
      { stdio: ['ignore', 'ignore', 'pipe', 'pipe'] });
    let text = '';
    child.once('error', reject);
    child.once('exit', (code) => reject(new Error(`Xvfb ended (${code})`)));
    child.stdio[3].on('data', (data) => {
      text += data.toString();
      if (text.includes('\n')) resolve({ child, display: `:${text.trim()}` });
    });
  });
}

async function waitForPort(port, timeout = 20000) {
  const end = Date.now() + timeout;
  for (;;) {
    const open = await new Promise((resolve) => {
      const socket = net.connect(port, '127.0.0.1', () => { socket.end(); resolve(true); });
      socket.once('error', () => resolve(false));
    });
    if (open) return;
    if (Date.now() > end) throw new Error(`WebKitWebDriver did not listen on ${port}`);
    await new Promise((resolve) => { setTimeout(resolve, 100); });
  }
}

before(async () => {
  fs.mkdirSync(WORK, { recursive: true });
  ({ server, url: siteUrl } = await serve(SITE, { prefix: '/books/perpetua/' }));
  published = publishForTest(SITE);
  let display;
  ({ child: xvfb, display } = await startXvfb());
  const port = await freePort();
  webdriver = spawn(WEBDRIVER, [`--port=${port}`, '--host=local'], {
    stdio: 'ignore', env: { ...process.env, DISPLAY: display },
  });
  await waitForPort(port);
  driver = await new Builder()
    .usingServer(`http://127.0.0.1:${port}`)
    .withCapabilities({
      browserName: 'MiniBrowser',
      'webkitgtk:browserOptions': { binary: MINIBROWSER, args: ['--automation'] },
    })
    .build();
  await driver.manage().window().setRect({ width: 1280, height: 1000 });
});

after(async () => {
  await driver?.quit();
  webdriver?.kill();
  xvfb?.removeAllListeners('exit');
  xvfb?.kill();
  server?.close();
  if (published) fs.rmSync(published.out, { recursive: true, force: true });
});

// The smoke suite's driver on the browser.
function webkitSteps() {
  const run = async (fn, arg) => {
    const result = await driver.executeAsyncScript(`
      const done = arguments[arguments.length - 1];
      Promise.resolve().then(() => (${fn})(arguments[0]))
        .then((value) => done({ value }), (error) => done({ error: String(error && error.stack || error) }));`, arg);
    if (result.error) throw new Error(result.error);
    return result.value;
  };
  const keys = { Escape: Key.ESCAPE };
  const steps = {
    goto: (url) => driver.get(url),
    reload: () => driver.navigate().refresh(),
    run,
    find: async (role, name) => {
      const found = await driver.executeScript(`return (${FIND}).apply(null, arguments);`, role, name);
      return found.length === 1 ? found[0] : null;
    },
    click: (element) => element.click(),
    press: (key) => driver.actions().sendKeys(keys[key]).perform(),
  };
  return steps;
}

test('WebKit: the book loads, the opening passes, five pages turn, a box is answered, a reload resumes, a setting persists', async () => {
  const steps = webkitSteps();
  await driver.manage().setTimeouts({ script: 30000 });
  try {
    await smoke(steps, siteUrl, (step) => console.log(`# ${step}`));
  } finally {
    fs.writeFileSync(path.join(WORK, 'webkit.png'), await driver.takeScreenshot(), 'base64');
  }
});

test('WebKit: the published single file, opened from disk, plays the same', { skip: !fs.existsSync(process.env.TOMELET_BOOKC || '') && 'no TOMELET_BOOKC' }, async () => {
  await driver.manage().setTimeouts({ script: 30000 });
  try {
    await smoke(webkitSteps(), pathToFileURL(published.single).href, (step) => console.log(`# ${step}`));
  } finally {
    fs.writeFileSync(path.join(WORK, 'webkit-single-file.png'), await driver.takeScreenshot(), 'base64');
  }
});
