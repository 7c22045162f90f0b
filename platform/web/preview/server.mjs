// The preview server (scripts/preview): serves the preview reader's site on
// 127.0.0.1, watches a book folder, compiles the book into a book image
// with tomelet-bookc on every save, and tells the open pages (Server-Sent
// Events, /events): "book" with the new image's version, or "errors" with
// the compiler's output lines, while the last good image stays served.
//
//   node server.mjs SITE BOOK BOOKC PORT
//
// /book.img is the last good image (its version in X-Book-Version),
// /book.map.json the source map that came with it; everything else is a
// file of SITE.  The folder is polled (every 50 ms; a change is taken
// once the folder has been still for 100 ms), which also sees editors that
// save by renaming a new file into place.
import http from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { execFile } from 'node:child_process';

// The static serving the tests and scripts/run use.
import { TYPES, decodedPath, sendFile } from '../../../tests/web/server.mjs';

const POLL_MS = 50;
const SETTLE_MS = 100;

// Starts the preview of `book` (a folder) with `site` (the preview site)
// and `bookc` on 127.0.0.1:port (0: any free port).  Resolves to
// { url, close, compiled } once the first compilation has ended; `log`
// receives one line per event.
export async function startPreview({ site, book, bookc, port = 0, log = () => {} }) {
  const siteRoot = path.resolve(site);
  const bookRoot = path.resolve(book);
  const compiler = path.resolve(bookc);
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tomelet-preview-'));
  const clients = new Set();
  let good = null; // { version, image, map }
  let errors = null; // the compiler's lines, while the book does not compile
  let version = 0;
  let compiling = false;
  let again = false;

  function send(client, event, data) {
    client.write(`event: ${event}\ndata: ${JSON.stringify(data)}\n\n`);
  }
  function announce() {
    for (const client of clients) tell(client);
  }
  function tell(client) {
    if (good) send(client, 'book', { version: good.version });
    if (errors) send(client, 'errors', { lines: errors });
  }

  function compile() {
    if (compiling) {
      again = true;
      return Promise.resolve();
    }
    compiling = true;
    const image = path.join(work, 'book.img');
    const map = path.join(work, 'book.map.json');
    return new Promise((resolve) => {
      execFile(compiler, ['.', '--image', image, '--source-map', map], { cwd: bookRoot, maxBuffer: 8 << 20 },
        (error, stdout, stderr) => {
          const lines = String(stderr).split('\n').filter((l) => l.trim() !== '');
          if (!error) {
            version += 1;
            good = { version, image: fs.readFileSync(image), map: fs.readFileSync(map) };
            errors = null;
            log(`book ${version} compiled${lines.length ? ` (${lines.length} warning lines)` : ''}`);
          } else {
            errors = lines.length ? lines : [`tomelet-bookc failed: ${error.message}`];
            log(`the book has errors:\n  ${errors.join('\n  ')}`);
          }
          announce();
          compiling = false;
          resolve();
          if (again) {
            again = false;
            compile();
          }
        });
    });
  }

  // The folder's files and their sizes and times, as one string.
  function snapshot() {
    const parts = [];
    const walk = (dir) => {
      let entries = [];
      try {
        entries = fs.readdirSync(dir, { withFileTypes: true });
      } catch {
        return;
      }
      for (const e of entries.sort((a, b) => (a.name < b.name ? -1 : 1))) {
        const full = path.join(dir, e.name);
        if (e.isDirectory()) walk(full);
        else {
          try {
            const s = fs.statSync(full);
            parts.push(`${full}\t${s.size}\t${s.mtimeMs}`);
          } catch {
            // A file removed between the listing and its stat.
          }
        }
      }
    };
    walk(bookRoot);
    return parts.join('\n');
  }

  let seen = snapshot();
  let changedAt = 0;
  const poll = setInterval(() => {
    const now = snapshot();
    if (now !== seen) {
      seen = now;
      changedAt = Date.now();
    } else if (changedAt && Date.now() - changedAt >= SETTLE_MS) {
      changedAt = 0;
      compile();
    }
  }, POLL_MS);

  const server = http.createServer((request, response) => {
    const pathname = decodedPath(request, response);
    if (pathname === null) return;
    if (pathname === '/events') {
      response.writeHead(200, {
        'Content-Type': 'text/event-stream',
        'Cache-Control': 'no-store',
        Connection: 'keep-alive',
      });
      response.write('retry: 500\n\n');
      clients.add(response);
      tell(response);
      request.on('close', () => clients.delete(response));
      return;
    }
    if (pathname === '/book.img' || pathname === '/book.map.json') {
      if (!good) {
        response.writeHead(503, { 'Content-Type': 'text/plain; charset=utf-8' })
          .end('The book has not compiled yet: mend its errors and save.');
        return;
      }
      const image = pathname === '/book.img';
      response.writeHead(200, {
        'Content-Type': image ? 'application/octet-stream' : TYPES['.json'],
        'Cache-Control': 'no-store',
        'X-Book-Version': String(good.version),
      });
      response.end(image ? good.image : good.map);
      return;
    }
    sendFile(siteRoot, pathname, response, request);
  });

  await compile();
  try {
    await new Promise((resolve, reject) => {
      server.once('error', reject);
      server.listen(port, '127.0.0.1', resolve);
    });
  } catch (error) {
    clearInterval(poll);
    fs.rmSync(work, { recursive: true, force: true });
    throw error;
  }
  const url = `http://127.0.0.1:${server.address().port}/`;
  return {
    url,
    compiled: () => version,
    close: () => new Promise((resolve) => {
      clearInterval(poll);
      for (const client of clients) client.end();
      server.close(() => {
        fs.rmSync(work, { recursive: true, force: true });
        resolve();
      });
    }),
  };
}

// `node server.mjs SITE BOOK BOOKC PORT`: serves until interrupted.
if (process.argv[1] && import.meta.url === `file://${path.resolve(process.argv[1])}`) {
  const [site, book, bookc, port] = process.argv.slice(2);
  if (!site || !book || !bookc) {
    console.error('usage: node server.mjs SITE BOOK BOOKC [PORT]');
    process.exit(2);
  }
  const preview = await startPreview({
    site, book, bookc, port: Number(port || 8000), log: (line) => console.log(line),
  });
  console.log(`Previewing ${path.resolve(book)} on ${preview.url} (Ctrl+C stops it)`);
  const stop = () => { preview.close().then(() => process.exit(0)); };
  process.on('SIGINT', stop);
  process.on('SIGTERM', stop);
}
