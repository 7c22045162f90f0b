// Every file of a site also written compressed beside it, FILE.br (brotli
// at its best, quality 11) and FILE.gz (gzip at level 9), for a server that
// sends the form a browser takes (tests/web/server.mjs does) instead of
// compressing each answer again.
//
// node tools/publish/precompress.mjs DIR
//
// A compressed file is written again whenever it is older than its
// original (and left alone when it is not), and one whose original has gone
// is removed, so that no compressed file is ever staler than the file it
// stands for.  Each is written through a temporary file renamed into place.
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

export const ENCODINGS = ['.br', '.gz'];

const TEXT = new Set(['.html', '.js', '.mjs', '.css', '.json', '.txt', '.svg', '.webmanifest', '.xml', '.iFiction']);

function compress(bytes, encoding, file) {
  if (encoding === '.br') {
    return zlib.brotliCompressSync(bytes, {
      params: {
        [zlib.constants.BROTLI_PARAM_QUALITY]: zlib.constants.BROTLI_MAX_QUALITY,
        [zlib.constants.BROTLI_PARAM_LGWIN]: zlib.constants.BROTLI_MAX_WINDOW_BITS,
        [zlib.constants.BROTLI_PARAM_SIZE_HINT]: bytes.length,
        [zlib.constants.BROTLI_PARAM_MODE]: TEXT.has(path.extname(file))
          ? zlib.constants.BROTLI_MODE_TEXT : zlib.constants.BROTLI_MODE_GENERIC,
      },
    });
  }
  return zlib.gzipSync(bytes, { level: zlib.constants.Z_BEST_COMPRESSION });
}

function walk(dir, out = []) {
  for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
    const full = path.join(dir, entry.name);
    if (entry.isDirectory()) walk(full, out);
    else if (entry.isFile()) out.push(full);
  }
  return out;
}

// Brings DIR's compressed files up to date; returns how many were written.
export function precompress(dir) {
  let written = 0;
  for (const file of walk(dir)) {
    if (/\.\d+\.tmp$/.test(file)) continue;  // another run's file in the making
    const extension = path.extname(file);
    if (ENCODINGS.includes(extension)) {
      // One whose original has gone is stale for ever.
      if (!fs.existsSync(file.slice(0, -extension.length))) fs.rmSync(file);
      continue;
    }
    const original = fs.statSync(file);
    let bytes = null;
    for (const encoding of ENCODINGS) {
      const target = file + encoding;
      let current = null;
      try { current = fs.statSync(target); } catch { /* not there yet */ }
      if (current && current.mtimeMs >= original.mtimeMs) continue;
      bytes ??= fs.readFileSync(file);
      const temporary = `${target}.${process.pid}.tmp`;
      fs.writeFileSync(temporary, compress(bytes, encoding, file));
      // Never older than the original, whatever the clocks' grain (a
      // time in whole milliseconds, past the original's).
      const when = Math.max(Date.now(), Math.ceil(original.mtimeMs) + 1) / 1000;
      fs.utimesSync(temporary, when, when);
      fs.renameSync(temporary, target);
      written += 1;
    }
  }
  return written;
}

if (import.meta.url === `file://${process.argv[1]}`) {
  const dir = process.argv[2];
  if (!dir || process.argv.length > 3 || !fs.existsSync(dir) || !fs.statSync(dir).isDirectory()) {
    process.stderr.write('usage: precompress.mjs DIR (a folder)\n');
    process.exit(2);
  }
  precompress(dir);
}
