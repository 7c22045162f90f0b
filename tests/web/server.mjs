// A static web server for the tests, the run script, the benchmarks and
// the preview's server: serves a folder on 127.0.0.1, under an optional
// path prefix (so the site is also tried from a subfolder).  Only files
// inside the folder are served, each in the precompressed form beside it
// that the request takes, when there is a fresh one.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';

export const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.ttf': 'font/ttf',
  '.woff2': 'font/woff2',
  '.txt': 'text/plain; charset=utf-8',
  '.json': 'application/json; charset=utf-8',
  '.png': 'image/png',
  '.wav': 'audio/wav',
  '.webmanifest': 'application/manifest+json',
};

// The request's path, decoded; null once a malformed escape (say
// "/%E0%A4%A") is answered as a bad request, the asker's fault, not the
// server's end.
export function decodedPath(request, response) {
  try {
    return decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
  } catch {
    response.writeHead(400).end('Bad request');
    return null;
  }
}

// The encodings a request takes, of those a file may be stored in beside
// it (FILE.br, FILE.gz: tools/publish/precompress.mjs), best first: brotli
// before gzip, each unless its q-value is 0.
export function acceptedEncodings(header) {
  const taken = new Map();
  for (const part of String(header || '').split(',')) {
    const [name, ...parameters] = part.trim().toLowerCase().split(';').map((p) => p.trim());
    if (!name) continue;
    const q = parameters.find((p) => p.startsWith('q='));
    taken.set(name, q ? Number(q.slice(2)) : 1);
  }
  const accepts = (name) => (taken.has(name) ? taken.get(name) > 0 : (taken.get('*') ?? 0) > 0);
  return [['br', '.br'], ['gzip', '.gz']].filter(([name]) => accepts(name));
}

// Answers with the file at `pathname` (relative to `base`; a folder's
// index.html), refusing any path that leads out of `base`.  Given the
// request, it sends the file's precompressed form when the request takes
// it and that form is smaller than the file and not older
// (Content-Encoding; Vary: Accept-Encoding on every answer of a file that
// has such a form).
export function sendFile(base, pathname, response, request = null) {
  if (pathname === '' || pathname.endsWith('/')) pathname += 'index.html';
  const file = path.resolve(base, pathname.replace(/^\/+/, ''));
  if (file !== base && !file.startsWith(base + path.sep)) {
    response.writeHead(403).end('Forbidden');
    return;
  }
  let original;
  try {
    original = fs.statSync(file);
  } catch {
    original = null;
  }
  if (!original || !original.isFile()) {
    response.writeHead(404).end('Not found');
    return;
  }
  const headers = {
    'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
    'Cache-Control': 'no-store',
  };
  let sent = file;
  // A compressed form is sent when it is not older than the file and is
  // smaller (a PNG or a WOFF2 file gains nothing).
  const fresh = (extension) => {
    try {
      const compressed = fs.statSync(file + extension);
      return compressed.mtimeMs >= original.mtimeMs && compressed.size < original.size;
    } catch {
      return false;
    }
  };
  if (fresh('.br') || fresh('.gz')) {
    headers.Vary = 'Accept-Encoding';
    const encodings = request ? acceptedEncodings(request.headers['accept-encoding']) : [];
    const chosen = encodings.find(([, extension]) => fresh(extension));
    if (chosen) {
      headers['Content-Encoding'] = chosen[0];
      sent = file + chosen[1];
    }
  }
  fs.readFile(sent, (error, data) => {
    if (error) {
      response.writeHead(404).end('Not found');
      return;
    }
    response.writeHead(200, headers);
    response.end(data);
  });
}

// Starts serving `root` at http://127.0.0.1:port/prefix/ (port 0: any free
// port).  Resolves to { server, url }.
export function serve(root, { port = 0, prefix = '/' } = {}) {
  const base = path.resolve(root);
  const server = http.createServer((request, response) => {
    const pathname = decodedPath(request, response);
    if (pathname === null) return;
    if (!pathname.startsWith(prefix)) {
      response.writeHead(404).end('Not found');
      return;
    }
    sendFile(base, pathname.slice(prefix.length), response, request);
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => {
      resolve({ server, url: `http://127.0.0.1:${server.address().port}${prefix}` });
    });
  });
}

// `node server.mjs FOLDER [PORT]`: serves FOLDER until interrupted.
if (import.meta.url === `file://${process.argv[1]}`) {
  const [folder, port] = process.argv.slice(2);
  const { url } = await serve(folder || '.', { port: Number(port || 8000) });
  console.log(url);
}
