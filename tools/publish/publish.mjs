// Publishes a built web reader (a site folder: index.html, reader.js,
// tomelet.js, tomelet.wasm, styles and fonts) in the forms a reader is
// handed:
//
//   ID.html       one self-contained file: every script, style, font,
//                 the WebAssembly and the book's pictures and sounds inline,
//                 nothing fetched, so that it opens from disk as well as
//                 from any web host;
//   ID-web/       the folder form, installable as an app: a web app
//                 manifest and a service worker that keeps every file (the
//                 book's pictures and sounds, which the reader fetches when
//                 a page first needs them, included), so that after the
//                 first visit the book opens with no network, and takes a
//                 new edition when the site changes; every file is also
//                 precompressed beside it (FILE.br, FILE.gz);
//   ID.iFiction   the book's catalogue record (the IF community's iFiction
//                 XML), beside them.
//
// node tools/publish/publish.mjs --site DIR --out DIR --book JSON
// where JSON is the book's details as `tomelet-bookc BOOK --details` prints
// them ({"id", "ifid", "title", "authors", "description", ...}).  An icon
// (PNG) may be given with --icon FILE.
import fs from 'node:fs';
import path from 'node:path';
import crypto from 'node:crypto';

import { ENCODINGS, precompress } from './precompress.mjs';

const isPrecompressed = (file) => ENCODINGS.includes(path.extname(file));

const MIME = {
  '.ttf': 'font/ttf',
  '.woff': 'font/woff',
  '.woff2': 'font/woff2',
  '.png': 'image/png',
  '.svg': 'image/svg+xml',
  '.webp': 'image/webp',
  '.bmp': 'image/bmp',
  '.wav': 'audio/wav',
  '.wasm': 'application/wasm',
  '.js': 'text/javascript',
  '.css': 'text/css',
  '.html': 'text/html',
  '.json': 'application/json',
  '.webmanifest': 'application/manifest+json',
  '.txt': 'text/plain',
};

function fail(message) {
  process.stderr.write(`publish: ${message}\n`);
  process.exit(1);
}

function parseArguments(argv) {
  const options = {};
  for (let i = 0; i < argv.length; i += 2) {
    const key = argv[i];
    const value = argv[i + 1];
    if (!['--site', '--out', '--book', '--icon'].includes(key) || value === undefined) {
      fail('usage: publish.mjs --site DIR --out DIR --book JSON [--icon FILE]');
    }
    options[key.slice(2)] = value;
  }
  if (!options.site || !options.out || !options.book) fail('--site, --out and --book are needed');
  return options;
}

// Text safe inside an HTML element or attribute.
export function escapeHtml(text) {
  return String(text).replace(/[&<>"']/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;' })[c]);
}

// Text safe inside an XML element.
export function escapeXml(text) {
  return String(text).replace(/[&<>]/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;' })[c]);
}

// A script's text made safe to stand inside <script>...</script>.
export function inlineScript(text) {
  return text.replace(/<\/(script)/gi, '<\\/$1').replace(/<!--/g, '<\\!--');
}

function dataUrl(file) {
  const type = MIME[path.extname(file).toLowerCase()] || 'application/octet-stream';
  return `data:${type};base64,${fs.readFileSync(file).toString('base64')}`;
}

// A style sheet with every relative url(...) it names made a data: URL.
export function inlineCss(cssText, cssDir, siteDir) {
  return cssText.replace(/url\(\s*(['"]?)([^'")]+)\1\s*\)/g, (whole, quote, ref) => {
    if (/^(data:|https?:|#)/i.test(ref)) return whole;
    const file = path.resolve(cssDir, ref);
    if (!file.startsWith(path.resolve(siteDir) + path.sep) || !fs.existsSync(file)) {
      fail(`the style sheet names ${ref}, which the site does not hold`);
    }
    return `url("${dataUrl(file)}")`;
  });
}

// The Treaty of Babel's identification in a page's head.
function ifidMeta(book) {
  return `<meta prefix="ifiction: http://babel.ifarchive.org/protocol/iFiction/" property="ifiction:ifid" content="${escapeHtml(book.ifid)}">`;
}

// The single file: index.html with everything it loads inline.
export function singleFile(siteDir, book) {
  let html = fs.readFileSync(path.join(siteDir, 'index.html'), 'utf8');
  html = html.replace(/<link\b[^>]*rel="preload"[^>]*>\s*/g, '');
  html = html.replace(/<link\b[^>]*rel="(?:manifest|icon)"[^>]*>\s*/g, '');
  html = html.replace(/<link\b[^>]*rel="stylesheet"[^>]*href="([^"]+)"[^>]*>/g, (whole, href) => {
    const file = path.join(siteDir, href);
    if (!fs.existsSync(file)) fail(`index.html names the style sheet ${href}, which the site does not hold`);
    const css = inlineCss(fs.readFileSync(file, 'utf8'), path.dirname(file), siteDir);
    return `<style>\n${css.replace(/<\/style/gi, '<\\/style')}\n</style>`;
  });
  const wasm = path.join(siteDir, 'tomelet.wasm');
  html = html.replace(/<script\b([^>]*)\bsrc="([^"]+)"([^>]*)><\/script>/g, (whole, before, src, after) => {
    const file = path.join(siteDir, src);
    if (!fs.existsSync(file)) fail(`index.html names the script ${src}, which the site does not hold`);
    let text = '';
    if (src === 'tomelet.js') {
      // The engine's loader takes the WebAssembly from Module.wasmBinary
      // instead of fetching tomelet.wasm.
      text += `(function () {\n  var text = document.getElementById('tomelet-wasm').textContent;\n` +
        `  var bytes = atob(text), binary = new Uint8Array(bytes.length);\n` +
        `  for (var i = 0; i < bytes.length; i++) binary[i] = bytes.charCodeAt(i);\n` +
        `  window.Module = window.Module || {};\n  window.Module.wasmBinary = binary;\n})();\n`;
    }
    text += fs.readFileSync(file, 'utf8');
    const attributes = `${before}${after}`.replace(/\s+/g, ' ').trimEnd();
    return `<script${attributes}>\n${inlineScript(text)}\n</script>`;
  });
  // The book's pictures and sounds (book/), which the folder form fetches
  // when a page needs them, as data: URLs the reader takes instead.
  const bookFiles = {};
  const bookDir = path.join(siteDir, 'book');
  if (fs.existsSync(bookDir)) {
    for (const name of listFiles(bookDir).filter((f) => !isPrecompressed(f))) bookFiles[name] = dataUrl(path.join(bookDir, name));
  }
  const filesBlock = `<script>\nwindow.tomeletFiles = ${inlineScript(JSON.stringify(bookFiles))};\n</script>\n`;
  const wasmBlock = `<script type="application/octet-stream" id="tomelet-wasm">${fs.readFileSync(wasm).toString('base64')}</script>\n${filesBlock}`;
  // The WebAssembly's text goes before the first script, so that it is
  // parsed by the time the loader runs.
  const firstScript = html.search(/<script\b(?![^>]*type="application\/octet-stream")/);
  if (firstScript < 0) fail('index.html has no script');
  html = html.slice(0, firstScript) + wasmBlock + html.slice(firstScript);
  html = html.replace(/<title>[^<]*<\/title>/, `<title>${escapeHtml(book.title)}</title>\n${ifidMeta(book)}`);
  if (/\b(?:src|href)="(?!data:|#|https?:)[^"]+"/.test(html.replace(/<script[\s\S]*?<\/script>/g, ''))) {
    fail('index.html still names a file after inlining');
  }
  return html;
}

function listFiles(dir, base = dir) {
  const out = [];
  for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
    const full = path.join(dir, entry.name);
    if (entry.isDirectory()) out.push(...listFiles(full, base));
    else out.push(path.relative(base, full).split(path.sep).join('/'));
  }
  return out.sort();
}

// The folder form's service worker: it keeps every file of the edition
// (named by a hash of their contents) and answers from that cache first,
// so that the book opens offline; a new edition changes this file, which
// the browser notices at the next visit: the new worker keeps the new files
// and drops the old edition's.
export function serviceWorker(files, edition, id) {
  return `// The book's offline copy: edition ${edition}.
const CACHE = 'tomelet-${id}-${edition}';
const FILES = ${JSON.stringify(['./', ...files.map((f) => `./${f}`)], null, 0)};
self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});
self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n.startsWith('tomelet-${id}-') && n !== CACHE).map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.open(CACHE).then((cache) =>
    cache.match(event.request, { ignoreSearch: true }).then((hit) => hit || fetch(event.request))));
});
`;
}

// The page's registration of the service worker.  The worker's first
// install fetches every file of the book, so it is registered only once the
// first page is shown (the reader sends the document a 'tomelet-page' event
// for each page it shows): it never takes the network from the first page.
// A reader that shows no page (a refused start) registers it after a while.
export const registerWorker = `if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  (function () {
    var done = false;
    function register() {
      if (done) return;
      done = true;
      navigator.serviceWorker.register('service-worker.js').catch(function () {});
    }
    document.addEventListener('tomelet-page', register, { once: true });
    setTimeout(register, 15000);
  }());
}
`;

// A PNG's size as a manifest gives it ("512x512"), from its header; "any"
// when the file is no PNG.
export function pngSize(file) {
  const bytes = fs.readFileSync(file);
  const png = bytes.length >= 24 && bytes.readUInt32BE(0) === 0x89504e47 && bytes.toString('latin1', 12, 16) === 'IHDR';
  return png ? `${bytes.readUInt32BE(16)}x${bytes.readUInt32BE(20)}` : 'any';
}

function writeFolderForm(siteDir, outDir, book, icon) {
  fs.rmSync(outDir, { recursive: true, force: true });
  fs.cpSync(siteDir, outDir, { recursive: true, filter: (src) => !isPrecompressed(src) });
  const icons = [];
  if (icon) {
    fs.copyFileSync(icon, path.join(outDir, 'icon.png'));
    icons.push({ src: 'icon.png', sizes: pngSize(icon), type: 'image/png', purpose: 'any' });
  }
  const manifest = {
    name: book.title,
    short_name: book.title.length <= 12 ? book.title : book.title.split(/\s+/).slice(0, 2).join(' '),
    description: book.description,
    start_url: './',
    scope: './',
    display: 'standalone',
    background_color: '#ffffff',
    theme_color: '#ffffff',
    icons,
  };
  fs.writeFileSync(path.join(outDir, 'manifest.webmanifest'), `${JSON.stringify(manifest, null, 2)}\n`);
  let html = fs.readFileSync(path.join(outDir, 'index.html'), 'utf8');
  const head = `<link rel="manifest" href="manifest.webmanifest">\n` +
    (icon ? `<link rel="apple-touch-icon" href="icon.png">\n` : '') + ifidMeta(book) + '\n';
  html = html.replace(/<link rel="icon"[^>]*>\n?/, icon ? '<link rel="icon" href="icon.png">\n' : '$&');
  html = html.replace(/<title>[^<]*<\/title>\n?/, (t) => `<title>${escapeHtml(book.title)}</title>\n${head}`);
  html = html.replace('</body>', `<script>\n${registerWorker}</script>\n</body>`);
  fs.writeFileSync(path.join(outDir, 'index.html'), html);
  const files = listFiles(outDir).filter((f) => f !== 'service-worker.js' && !isPrecompressed(f));
  const hash = crypto.createHash('sha256');
  for (const f of files) hash.update(f).update('\0').update(fs.readFileSync(path.join(outDir, f)));
  const edition = hash.digest('hex').slice(0, 16);
  fs.writeFileSync(path.join(outDir, 'service-worker.js'), serviceWorker(files, edition, book.id));
  precompress(outDir);
  return edition;
}

// The iFiction record: the Treaty of Babel's XML for a story published as
// HTML.
export function iFiction(book) {
  const line = (tag, value) => (value ? `      <${tag}>${escapeXml(value)}</${tag}>\n` : '');
  return `<?xml version="1.0" encoding="UTF-8"?>
<ifindex version="1.0" xmlns="http://babel.ifarchive.org/protocol/iFiction/">
  <story>
    <identification>
      <ifid>${escapeXml(book.ifid)}</ifid>
      <format>html</format>
    </identification>
    <bibliographic>
${line('title', book.title)}${line('author', book.authors)}${line('description', book.description)}    </bibliographic>
  </story>
</ifindex>
`;
}

function main() {
  const options = parseArguments(process.argv.slice(2));
  let book;
  try {
    book = JSON.parse(fs.readFileSync(options.book, 'utf8'));
  } catch (error) {
    fail(`cannot read the book's details from ${options.book}: ${error.message}`);
  }
  if (!/^[A-Za-z0-9]{1,32}$/.test(book.id || '')) fail(`the book's id "${book.id}" is not 1 to 32 letters and digits`);
  if (!fs.existsSync(path.join(options.site, 'index.html'))) fail(`${options.site} holds no built site (index.html)`);
  fs.mkdirSync(options.out, { recursive: true });
  const single = path.join(options.out, `${book.id}.html`);
  fs.writeFileSync(single, singleFile(options.site, book));
  const folder = path.join(options.out, `${book.id}-web`);
  const edition = writeFolderForm(options.site, folder, book, options.icon);
  fs.writeFileSync(path.join(options.out, `${book.id}.iFiction`), iFiction(book));
  const size = (file) => fs.statSync(file).size;
  const folderSize = listFiles(folder).filter((f) => !isPrecompressed(f)).reduce((sum, f) => sum + size(path.join(folder, f)), 0);
  process.stdout.write(`${single}: ${size(single)} bytes (the folder form: ${folderSize} bytes, edition ${edition})\n`);
}

if (import.meta.url === `file://${process.argv[1]}`) main();
