// The web reader's cold load on a slow network: the time to the first page
// and the bytes moved before it, in headless chromium.
//
// node tests/web/wire.mjs [SITE] [--runs N]
//
// SITE (default build-web/site) is served by tests/web/server.mjs, which
// sends each file's precompressed form when the browser takes it.  Each run
// opens the reader in a new browser context with the cache disabled and
// the network of Chrome's "fast 3G" profile (Network.emulateNetworkConditions:
// 562.5 ms latency, 180 kB/s down, 84.375 kB/s up) and waits for the first
// page: the reader's 'tomelet-page' mark, set when the opening text is in
// the document.  It prints, for each run and as medians, that time from the
// start of the navigation and the bytes received by then (compressed, as on
// the wire, headers included), and the files fetched before it.
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { chromium } from 'playwright-core';

import { serve } from './server.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '..', '..');

const FAST_3G = { offline: false, latency: 562.5, downloadThroughput: 180000, uploadThroughput: 84375 };

function parseArguments(argv) {
  const options = { site: path.join(root, 'build-web', 'site'), runs: 5 };
  for (let i = 0; i < argv.length; i += 1) {
    if (argv[i] === '--runs') options.runs = Number(argv[++i]);
    else options.site = argv[i];
  }
  if (!Number.isInteger(options.runs) || options.runs < 1) {
    process.stderr.write('usage: node tests/web/wire.mjs [SITE] [--runs N]\n');
    process.exit(2);
  }
  return options;
}

const median = (values) => {
  const s = [...values].sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};

async function coldLoad(browser, url) {
  const context = await browser.newContext({ viewport: { width: 1000, height: 800 } });
  const page = await context.newPage();
  const cdp = await context.newCDPSession(page);
  await cdp.send('Network.enable');
  await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
  await cdp.send('Network.emulateNetworkConditions', FAST_3G);
  const requests = new Map();
  cdp.on('Network.requestWillBeSent', (e) => requests.set(e.requestId, { url: e.request.url, received: 0, done: null }));
  cdp.on('Network.dataReceived', (e) => {
    const r = requests.get(e.requestId);
    if (r) r.received += e.encodedDataLength;
  });
  cdp.on('Network.loadingFinished', (e) => {
    const r = requests.get(e.requestId);
    if (r) r.done = e.encodedDataLength;
  });
  await page.goto(url, { waitUntil: 'commit' });
  await page.waitForFunction(() => performance.getEntriesByName('tomelet-page', 'mark').length > 0,
    null, { polling: 'raf', timeout: 120000 });
  const firstPage = await page.evaluate(() => performance.getEntriesByName('tomelet-page', 'mark')[0].startTime);
  let bytes = 0;
  const files = [];
  for (const r of requests.values()) {
    if (!r.url.startsWith('http')) continue;
    bytes += r.done ?? r.received;
    files.push(`${r.url.slice(url.length) || '/'}${r.done === null ? ' (in flight)' : ''}`);
  }
  await context.close();
  return { firstPage, bytes, files };
}

async function main() {
  const options = parseArguments(process.argv.slice(2));
  const { server, url } = await serve(options.site);
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
  const results = [];
  try {
    for (let i = 0; i < options.runs; i += 1) {
      const r = await coldLoad(browser, url);
      results.push(r);
      console.log(`run ${i + 1}: first page ${(r.firstPage / 1000).toFixed(2)} s, ${r.bytes} bytes before it`);
    }
  } finally {
    await browser.close();
    server.close();
  }
  console.log(`files before the first page: ${results[0].files.join(', ')}`);
  console.log(`median over ${results.length} runs: first page ${(median(results.map((r) => r.firstPage)) / 1000).toFixed(2)} s, `
    + `${median(results.map((r) => r.bytes))} bytes before it (fast 3G, cache disabled)`);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
