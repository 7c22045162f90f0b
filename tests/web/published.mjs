// The demo book published as the tests try it: the details from the host
// build's book compiler (TOMELET_BOOKC) and tools/publish/publish.mjs run
// on the built site, into a folder of its own.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '..', '..');
export const BOOKC = process.env.TOMELET_BOOKC || path.join(root, 'build', 'tools', 'bookc', 'tomelet-bookc');

// Publishes `book` (default: the demo) with the site `site` into a new
// temporary folder: { out, id, single: the single file's path }, or null
// when there is no book compiler to ask for the details.
export function publishForTest(site, book = path.join(root, 'books', 'demo')) {
  if (!fs.existsSync(BOOKC)) return null;
  const out = fs.mkdtempSync(path.join(os.tmpdir(), 'tomelet-published-'));
  const details = path.join(out, 'book.json');
  execFileSync(BOOKC, [book, '--details', details], { stdio: ['ignore', 'ignore', 'inherit'] });
  execFileSync(process.execPath, [path.join(root, 'tools', 'publish', 'publish.mjs'), '--site', site, '--out', out,
    '--book', details], { stdio: ['ignore', 'ignore', 'inherit'] });
  const { id } = JSON.parse(fs.readFileSync(details, 'utf8'));
  return { out, id, single: path.join(out, `${id}.html`) };
}
