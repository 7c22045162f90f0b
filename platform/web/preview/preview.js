// The preview reader's page side: the book as a book image fetched from
// the preview server (scripts/preview), started again on every new image at
// the same place with the same story state; the compiler's errors over the
// page while the last good book keeps running; and the author's tools: go
// to a paragraph, the variables and held flags (which can be set), undo of
// the last turns, and the page's source file:line.
//
// reader.js runs the page as for the published reader; it asks this file
// (window.tomeletPreview) to start the engine, and offers it each turn.
// Everything that enters the engine goes through reader.js's queue
// (tomelet.post), one call at a time.
'use strict';

(function () {
  const $ = (id) => document.getElementById(id);
  const state = {
    image: 0, // the image in use, in the engine's memory (it reads the book in place)
    version: 0, // the server's number of the image in use
    pages: [], // the source map: { number, name, title, file, line }
    undo: [], // state records taken before each turn, the last on top
    started: false,
    reloading: null,
  };
  // Undo keeps at most this many steps (a record is a few kilobytes).
  const UNDO_LIMIT = 500;

  function say(text) {
    $('preview-status').textContent = text;
  }

  async function fetchBook(version) {
    const query = version ? `?v=${version}` : '';
    const [image, map] = await Promise.all([
      fetch(`book.img${query}`, { cache: 'no-store' }),
      fetch(`book.map.json${query}`, { cache: 'no-store' }),
    ]);
    if (!image.ok) throw new Error(`the book image could not be fetched (${image.status})`);
    const bytes = new Uint8Array(await image.arrayBuffer());
    const pages = map.ok ? (await map.json()).pages : [];
    return { bytes, pages, version: Number(image.headers.get('X-Book-Version') || version || 0) };
  }

  // The image's bytes copied into the engine's memory (malloc aligns to 8).
  function place(bytes) {
    const ptr = Module._malloc(Math.max(1, bytes.length));
    if (!ptr) throw new Error('no memory for the book image');
    Module.HEAPU8.set(bytes, ptr);
    return ptr;
  }

  function refusal() {
    return tomelet.text(Module._web_preview_refusal());
  }

  function takePages(pages) {
    state.pages = pages;
    const list = $('preview-pages');
    list.replaceChildren(...pages.map((p) => {
      const option = document.createElement('option');
      option.value = p.name ? `#${p.name}` : String(p.number);
      option.label = `${p.number}${p.name ? ` #${p.name}` : ''} ${p.title}`;
      return option;
    }));
  }

  // reader.js's start: the server's news first (a book that does not
  // compile yet shows its errors, and the start waits for a good one),
  // then the first image.
  async function start(call) {
    const first = listen();
    let book;
    try {
      await first;
      book = await fetchBook(0);
    } catch (error) {
      say(`The book could not be had: ${error.message}. Is scripts/preview still running?`);
      return 0;
    }
    takePages(book.pages);
    state.image = place(book.bytes);
    state.version = book.version;
    const ok = await call('web_preview_start', state.image, book.bytes.length);
    if (!ok) {
      say(`The book image was refused: ${refusal()}`);
      return 0;
    }
    state.started = true;
    say(`Book ${state.version} is shown; saving a file of the book shows the change here.`);
    setTimeout(refresh, 0);
    return ok;
  }

  // The server's events: a new image ("book") or the compiler's errors.
  // Resolves once the server has a good book.
  function listen() {
    return new Promise((resolve) => {
      const events = new EventSource('events');
      events.addEventListener('book', (event) => {
        const version = Number(JSON.parse(event.data).version);
        showErrors(null);
        resolve();
        if (state.started && version > state.version) reload(version);
      });
      events.addEventListener('errors', (event) => {
        showErrors(JSON.parse(event.data).lines);
      });
    });
  }

  function showErrors(lines) {
    const panel = $('preview-errors');
    if (!lines) {
      panel.hidden = true;
      return;
    }
    $('preview-error-list').replaceChildren(...lines.map((line) => {
      const item = document.createElement('li');
      item.textContent = line;
      return item;
    }));
    panel.hidden = false;
    say(state.started ? `The book has errors; book ${state.version} is still shown.`
      : 'The book has errors: it opens once they are mended.');
  }

  // A new image: fetched, then the engine started again on it at the same
  // place with the same story state.  Reloads never overlap; a newer image
  // that arrives meanwhile is taken after.
  async function reload(version) {
    if (state.reloading) {
      state.wanted = Math.max(state.wanted || 0, version);
      return;
    }
    state.reloading = (async () => {
      try {
        const book = await fetchBook(version);
        if (book.version <= state.version) return;
        await tomelet.post(async () => {
          const image = place(book.bytes);
          const kept = await tomelet.call('web_preview_reload', image, book.bytes.length);
          if (!kept) {
            say(`The new book image was refused: ${refusal()}. Reload the page once the book compiles.`);
            Module._free(image);
            return;
          }
          Module._free(state.image);
          state.image = image;
          state.version = book.version;
          takePages(book.pages);
          say(kept === 1 ? `Book ${state.version} is shown, at the same page and state.`
            : `Book ${state.version} is shown; its variables changed, so the story state started afresh at this paragraph.`);
        });
      } catch (error) {
        say(`The new book could not be had: ${error.message}`);
      } finally {
        state.reloading = null;
      }
      refresh();
      const wanted = state.wanted || 0;
      state.wanted = 0;
      if (wanted > state.version) reload(wanted);
    })();
  }

  // ---------------------------------------------------------------------
  // Undo: the state record before each turn that changed it.

  function record() {
    const sizePtr = Module._malloc(4);
    try {
      const ptr = Module._web_preview_record(sizePtr);
      const h = Module.HEAPU8;
      const size = h[sizePtr] | (h[sizePtr + 1] << 8) | (h[sizePtr + 2] << 16) | (h[sizePtr + 3] << 24);
      return ptr && size > 0 ? Module.HEAPU8.slice(ptr, ptr + size) : null;
    } finally {
      Module._free(sizePtr);
    }
  }

  function same(a, b) {
    if (!a || !b || a.length !== b.length) return false;
    for (let i = 0; i < a.length; i += 1) if (a[i] !== b[i]) return false;
    return true;
  }

  function beforeTurn() {
    return state.started ? record() : null;
  }

  function afterTurn(before) {
    if (!before) return;
    if (!same(before, record())) {
      state.undo.push(before);
      if (state.undo.length > UNDO_LIMIT) state.undo.shift();
    }
    setTimeout(refresh, 0);
  }

  // An author's change made as a turn: undone as one.
  function asTurn(fn) {
    return tomelet.post(async () => {
      const before = beforeTurn();
      const result = await fn();
      afterTurn(before);
      return result;
    });
  }

  async function undo() {
    const last = state.undo.pop();
    if (!last) return;
    const result = await tomelet.post(async () => {
      const ptr = place(last);
      try {
        return await tomelet.call('web_preview_open', ptr, last.length);
      } finally {
        Module._free(ptr);
      }
    });
    say(result === 0 ? 'The last turn was undone.'
      : 'That turn was taken before the book\'s variables changed: it cannot be undone.');
    refresh();
  }

  // ---------------------------------------------------------------------
  // The panel: the page's source and the variables.

  function refresh() {
    if (!state.started) return;
    $('preview-undo').disabled = state.undo.length === 0;
    $('preview-undo').textContent = state.undo.length ? `Undo (${state.undo.length})` : 'Undo';
    const n = Module._web_preview_paragraph();
    const page = state.pages.find((p) => p.number === n);
    $('preview-source').textContent = page ? `${page.file}:${page.line}` : `paragraph ${n} (no text)`;
    $('preview-source').title = page ? `paragraph ${n}${page.name ? ` #${page.name}` : ''}: ${page.title}` : '';
    showVariables(tomelet.text(Module._web_preview_variables()));
  }

  function showVariables(text) {
    const body = $('preview-variables').tBodies[0];
    const lines = text.split('\n').filter((l) => l !== '');
    // The same variables: the rows keep their elements (and the focus),
    // and only their values follow.
    if (lines.join('\n') === state.variablesShown) return;
    const sameNames = state.variablesShown !== undefined && lines.length === body.rows.length
      && lines.every((line, i) => {
        const [, value, ...names] = line.split('\t');
        const old = state.variablesShown.split('\n')[i].split('\t');
        return names.join('\t') === old.slice(2).join('\t') && Number(value) < body.rows[i].querySelector('select').length;
      });
    state.variablesShown = lines.join('\n');
    if (sameNames) {
      lines.forEach((line, i) => {
        const [flag, value] = line.split('\t');
        body.rows[i].querySelector('input').checked = flag === '1';
        body.rows[i].querySelector('select').value = value;
      });
      return;
    }
    body.replaceChildren(...lines.map((line, index) => {
      const [flag, value, name, ...values] = line.split('\t');
      const row = document.createElement('tr');
      const label = document.createElement('th');
      label.scope = 'row';
      label.textContent = name;
      const held = document.createElement('input');
      held.type = 'checkbox';
      held.checked = flag === '1';
      held.setAttribute('aria-label', `${name} held`);
      const choice = document.createElement('select');
      choice.setAttribute('aria-label', `${name} value`);
      const count = Math.max(values.length, Number(value) + 1);
      for (let v = 0; v < count; v += 1) {
        const option = document.createElement('option');
        option.value = String(v);
        option.textContent = v < values.length ? `${v} ${values[v]}` : String(v);
        choice.append(option);
      }
      choice.value = value;
      const set = () => asTurn(() => tomelet.call('web_preview_set_variable', index, Number(choice.value),
        held.checked ? 1 : 0)).then(() => say(`${name} was set.`));
      held.addEventListener('change', set);
      choice.addEventListener('change', set);
      const cells = [document.createElement('td'), document.createElement('td')];
      cells[0].append(held);
      cells[1].append(choice);
      row.append(label, ...cells);
      return row;
    }));
  }

  // A paragraph by number, by #name, by name, or by words of its title.
  function findPage(query) {
    const q = query.trim();
    if (q === '') return null;
    if (/^\d+$/.test(q)) return state.pages.find((p) => p.number === Number(q)) || null;
    const name = q.replace(/^#/, '');
    const byName = state.pages.find((p) => p.name === name);
    if (byName) return byName;
    const lower = q.toLowerCase();
    return state.pages.find((p) => p.title.toLowerCase() === lower)
      || state.pages.find((p) => p.title.toLowerCase().includes(lower)) || null;
  }

  function wire() {
    $('preview-go').addEventListener('submit', (event) => {
      event.preventDefault();
      if (!state.started) return;
      const query = $('preview-target').value;
      const page = findPage(query);
      if (!page) {
        say(`No paragraph with text is "${query.trim()}": give a number, a #name or words of a title.`);
        return;
      }
      asTurn(() => tomelet.call('web_preview_go', page.number)).then(() => {
        say(`Went to paragraph ${page.number}${page.title ? ` (${page.title})` : ''}.`);
      });
    });
    $('preview-undo').addEventListener('click', () => { undo(); });
  }

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', wire);
  else wire();

  window.tomeletPreview = { start, beforeTurn, afterTurn };
}());
