// A static web server for the tests, the run script, the benchmarks and
// the preview's server: serves a folder on 127.0.0.1, under an optional
// path prefix (so the site is also tried from a subfolder).  Only files
// inside the folder are served.
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

// Answers with the file at `pathname` (relative to `base`; a folder's
// index.html), refusing any path that leads out of `base`.
export function sendFile(base, pathname, response) {
  if (pathname === '' || pathname.endsWith('/')) pathname += 'index.html';
  const file = path.resolve(base, pathname.replace(/^\/+/, ''));
  if (file !== base && !file.startsWith(base + path.sep)) {
    response.writeHead(403).end('Forbidden');
    return;
  }
  fs.readFile(file, (error, data) => {
    if (error) {
      response.writeHead(404).end('Not found');
      return;
    }
    response.writeHead(200, {
      'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
      'Cache-Control': 'no-store',
    });
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
    sendFile(base, pathname.slice(prefix.length), response);
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
