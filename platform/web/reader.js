// The page around the web reader: everything the reader shows and hears in
// the browser, and every event it takes.  The engine (tomelet.js and
// tomelet.wasm) calls the functions of `tomelet` below through the back
// end's EM_JS imports; the browser's events reach the engine as the main
// window's messages, one at a time, through one queue.  No call into the
// engine waits: a message box the engine raises is shown once its call has
// returned, its answer goes back to the engine (web_answer), and nothing
// else enters the engine meanwhile; the book's lock is taken before the
// engine starts.
//
// The page's own choices.  By default the page is a reading page: the
// engine's page (its display list, controls and pictures) is written as a
// document (paragraphs, a heading, inline buttons and fields) that the
// browser lays out in a column, and the engine's window layout only runs
// underneath, unseen.  The classic page (`?classic`, or "classic" stored
// under `tomelet:page`) shows the engine's window layout instead: the
// client area is the viewport below the menu bar, the page scrolls
// natively and the engine's scroll position follows it (and the other way
// round), and text is measured and drawn in the shipped font.
'use strict';

(function () {
  // The preview reader's hooks (preview/preview.js), when this page is the
  // preview: its book comes from a book image, its place is kept under its
  // own key, and each turn is offered to its undo stack.
  const preview = window.tomeletPreview || null;

  // -------------------------------------------------------------------------
  // Text: the engine's 8-bit character set (Windows-1252) to and from the
  // page's strings.

  const decoder = new TextDecoder('windows-1252');
  const encodeTable = new Map();
  {
    const all = new Uint8Array(256);
    for (let i = 0; i < 256; i += 1) all[i] = i;
    const chars = decoder.decode(all);
    for (let i = 0; i < 256; i += 1) encodeTable.set(chars[i], i);
  }

  // A NUL-terminated string at ptr, or its first n bytes.
  function text(ptr, n) {
    if (!ptr) return '';
    const heap = Module.HEAPU8;
    let end = ptr;
    if (n === undefined) {
      while (heap[end] !== 0) end += 1;
    } else {
      end = ptr + Math.max(0, n);
    }
    return decoder.decode(heap.subarray(ptr, end));
  }

  // A string in the engine's character set; a character it lacks is '?'.
  function encode(s) {
    const out = new Uint8Array(s.length);
    let n = 0;
    for (const ch of s) {
      const b = encodeTable.get(ch);
      out[n] = b === undefined || b === 0 ? 63 : b;
      n += 1;
    }
    return out.subarray(0, n);
  }

  // -------------------------------------------------------------------------
  // The page's elements.

  const FONT_FAMILY = '"Tomelet Sans", "Liberation Sans", Arial, sans-serif';

  // The engine's numbers (command ids, keys, scroll requests, text formats,
  // control kinds, message boxes, page items, screens and the back end's
  // own), by their names in its code: read from the engine once it runs
  // (web_number_*), never restated here.  A name the engine does not have
  // is an error at once, not an undefined number.
  let N = null;
  let numberTable = null;
  function readNumbers() {
    const table = {};
    const count = Module.ccall('web_number_count', 'number', [], []);
    for (let i = 0; i < count; i += 1) {
      const name = Module.UTF8ToString(Module.ccall('web_number_name', 'number', ['number'], [i]));
      table[name] = Module.ccall('web_number_value', 'number', ['number'], [i]);
    }
    numberTable = Object.freeze(table);
    N = new Proxy(numberTable, {
      get(target, name) {
        if (typeof name === 'string' && !Object.prototype.hasOwnProperty.call(target, name)) {
          throw new Error(`The engine has no number named ${name}.`);
        }
        return target[name];
      },
    });
  }

  // The navigation bar's buttons by command id: their names.
  const barNames = () => ({
    [N.CMD_INSTRUCTIONS]: 'Instructions', [N.CMD_RESTART]: 'Restart points', [N.CMD_INFORMATION]: 'Information',
    [N.CMD_RETURN]: 'Return', [N.CMD_PREVIOUS]: 'Previous', [N.CMD_NEXT]: 'Next',
  });
  // The book's menu (the same texts and command ids as the Windows
  // reader's), and the web reader's own.
  const bookMenu = () => [
    [N.CMD_BEGINNING, 'Start at the &Beginning'], [N.CMD_INFORMATION, '&Information'], [N.CMD_RESTART, '&Restart'],
    [N.CMD_OBJECTIVE, '&Objective'], [N.CMD_SOUNDS, '&Sounds'], [N.CMD_HINTS, '&Hints'],
    [N.CMD_ABOUT, '&About ...'], [N.CMD_CREDITS, '&Credits'], [N.CMD_EXIT, '&Exit'],
  ];
  const PLACE_MENU = [
    ['save', '&Save my place to a file'],
    ['open', '&Open a saved place from a file'],
  ];
  // The engine's scrolling keys, by the browser's names.
  const scrollKeys = () => ({
    PageUp: N.KEY_PRIOR, PageDown: N.KEY_NEXT, End: N.KEY_END, Home: N.KEY_HOME, ArrowUp: N.KEY_UP, ArrowDown: N.KEY_DOWN,
  });

  const $ = (id) => document.getElementById(id);

  // The reading page, unless the classic one is asked for.
  const CLASSIC = (() => {
    if (new URLSearchParams(window.location.search).has('classic')) return true;
    try {
      return window.localStorage.getItem('tomelet:page') === 'classic';
    } catch (error) {
      return false;
    }
  })();
  const READING = !CLASSIC;
  document.documentElement.classList.add(READING ? 'reading' : 'classic');
  // The client area the engine lays the reading page out in, unseen: wide
  // as a column and tall enough that it hides no control below its bottom.
  const READING_CLIENT = { width: 640, height: 30000 };
  let pageEl; let sheetEl; let barEl; let announceEl;

  const state = {
    started: false,
    finished: false,
    quitCode: null,
    client: { width: 0, height: 0 },
    scroll: { maximum: 100, page: 0, position: 0 },
    paints: [],
    wholeInvalid: true,
    paintEls: [],
    controls: new Map(),
    bitmaps: new Map(),
    faceUrls: new Map(),
    timer: 0,
    timerPending: false,
    scrollPending: false,
    resizePending: false,
    lastSignature: null,
    record: null,
    readPos: 0,
    storageKey: '',
    fileName: '',
    releaseLock: null,
    holding: false,
    storageNoticeShown: false,
    audio: null,
    sounds: new Map(),
    soundSerial: 0,
    source: null,
    soundLog: [],
    messageLog: [],
    boxes: [],
    lockedKey: null,
    fontHeights: new Map(),
  };

  // -------------------------------------------------------------------------
  // The queue: every call into the engine, one at a time.

  const queue = [];
  let running = false;

  function post(fn) {
    return new Promise((resolve, reject) => {
      queue.push({ fn, resolve, reject });
      if (!running) run();
    });
  }

  async function run() {
    running = true;
    while (queue.length > 0) {
      const { fn, resolve, reject } = queue.shift();
      try {
        const result = await fn();
        await answerBoxes();
        if (state.started && !state.finished) {
          await call('web_idle');
          await answerBoxes();
        }
        await finishIfQuitting();
        if (READING) keepFocus();
        resolve(result);
      } catch (error) {
        reject(error);
        failed(error);
      }
    }
    running = false;
  }

  function call(name, ...args) {
    return Promise.resolve(Module.ccall(name, 'number', args.map(() => 'number'), args));
  }

  // The message boxes the engine raised during the last call, one after
  // another: each is shown and its answer handed back to the engine, which
  // may act on it (and raise more); what that changed is painted.
  async function answerBoxes() {
    while (state.boxes.length > 0) {
      const { message, caption, buttons } = state.boxes.shift();
      const answer = await messageBox(message, caption, buttons);
      const before = preview ? preview.beforeTurn() : null;
      await call('web_answer', answer);
      if (preview) preview.afterTurn(before);
      if (state.started && !state.finished) await call('web_idle');
    }
  }

  // The window is gone and the engine has asked to end: the place is written
  // and the "closed" page shown.
  async function finishIfQuitting() {
    if (state.quitCode === null || state.finished) return;
    state.finished = true;
    setTimer(0);
    const kept = await call('web_finish');
    silence();
    showOnly('closed');
    // The browser's storage refused the place (full or blocked): said in its
    // terms, with the place offered as a file.
    $('closed-kept').hidden = !kept;
    $('closed-lost').hidden = !!kept;
    $('closed-save').hidden = !!kept;
    (kept ? $('reopen') : $('closed-save')).focus();
  }

  // A control that had the focus was disabled (the bar's Next on the last
  // page): the focus goes to the page's start rather than to nowhere.
  function keepFocus() {
    if (!state.focusLost || state.finished || $('dialog').open || menuOpen()) return;
    state.focusLost = false;
    const active = document.activeElement;
    if (!active || active === document.body) focusPageStart();
  }

  function failed(error) {
    console.error(error);
    showOnly('failed');
  }

  function showOnly(id) {
    for (const name of ['loading', 'reader', 'closed', 'elsewhere', 'failed']) $(name).hidden = name !== id;
  }

  // -------------------------------------------------------------------------
  // Fonts and measuring.

  const measureContext = document.createElement('canvas').getContext('2d');
  let measureFont = '';

  function cssFont(size, weight) {
    return `${weight} ${size}px ${FONT_FAMILY}`;
  }

  function useFont(size, weight) {
    const font = cssFont(size, weight);
    if (font !== measureFont) {
      measureContext.font = font;
      measureFont = font;
    }
    return font;
  }

  function fontHeight(size, weight) {
    const key = `${size}/${weight}`;
    let h = state.fontHeights.get(key);
    if (h === undefined) {
      useFont(size, weight);
      const m = measureContext.measureText('Hg');
      h = Math.ceil(m.fontBoundingBoxAscent + m.fontBoundingBoxDescent);
      state.fontHeights.set(key, h);
    }
    return h;
  }

  // [width, height] of a string in whole pixels, rounded up so that drawn
  // text never runs past what the layout gave it.
  function measure(size, weight, s) {
    // The reading page's engine layout is never shown: a fixed advance
    // stands in for the font's, and no canvas is asked.
    if (READING) return [Math.ceil(s.length * size * 0.5), Math.ceil(size * 1.15)];
    const h = fontHeight(size, weight);
    if (s.length === 0) return [0, h];
    useFont(size, weight);
    return [Math.ceil(measureContext.measureText(s).width - 0.001), h];
  }

  // -------------------------------------------------------------------------
  // Painting: a paint's text, inversions and pictures become elements of the
  // page sheet at document coordinates (the engine's client coordinates
  // plus the scroll position).  Elements that a paint draws again exactly
  // are kept, so that a selection survives scrolling.

  function paintBegin() {
    if (READING) return;
    state.paints.push({ items: [], offset: state.scroll.position });
  }

  function currentPaint() {
    return state.paints[state.paints.length - 1];
  }

  function place(el, left, top, width, height) {
    el.style.left = `${left}px`;
    el.style.top = `${top}px`;
    el.style.width = `${Math.max(0, width)}px`;
    el.style.height = `${Math.max(0, height)}px`;
  }

  function drawText(control, size, weight, s, left, top, right, bottom, format) {
    if (control !== 0) {
      const c = state.controls.get(control);
      if (!c) return;
      c.label = s;
      if (c.face.textContent !== s) c.face.textContent = s;
      if (CLASSIC) c.face.style.font = cssFont(size, weight);
      return;
    }
    const paint = currentPaint();
    if (!paint) return;
    const y = top + paint.offset;
    const title = (format & N.PLAT_TEXT_VCENTER) === 0;
    const key = `t|${size}|${weight}|${format}|${left},${y},${right},${bottom - top}|${s}`;
    paint.items.push({
      key,
      top: y,
      left,
      make() {
        const el = document.createElement('span');
        el.className = title ? 'text title' : 'text';
        if (title) {
          el.setAttribute('role', 'heading');
          el.setAttribute('aria-level', '1');
        }
        place(el, left, y, right - left, bottom - top);
        el.style.font = cssFont(size, weight);
        el.style.lineHeight = `${title ? fontHeight(size, weight) : bottom - top}px`;
        if (format & N.PLAT_TEXT_CENTER) el.style.textAlign = 'center';
        else if (format & N.PLAT_TEXT_RIGHT) el.style.textAlign = 'right';
        el.textContent = s;
        return el;
      },
    });
  }

  function invertRect(left, top, right, bottom) {
    if (READING) return;
    const paint = currentPaint();
    if (!paint) return;
    const y = top + paint.offset;
    paint.items.push({
      key: `i|${left},${y},${right},${bottom - top}`,
      top: y,
      left,
      invert: true,
      make() {
        const el = document.createElement('div');
        el.className = 'invert';
        el.setAttribute('aria-hidden', 'true');
        place(el, left, y, right - left, bottom - top);
        return el;
      },
    });
  }

  // A file of the book beside the site (book/NAME: a picture as PNG, a
  // sound as WAV), fetched when first needed; the single file carries each
  // as a data: URL in window.tomeletFiles instead.
  function bookFile(name) {
    const inline = window.tomeletFiles && window.tomeletFiles[name];
    return inline || `book/${name}`;
  }

  // An embedded bitmap (bytes: a function that gives its BMP file) as an
  // object URL; a picture of the book that travels as a file (no bytes) as
  // that file's address.
  function bitmapUrl(resource, bytes) {
    let url = state.bitmaps.get(resource);
    if (!url) {
      url = bytes ? URL.createObjectURL(new Blob([bytes()], { type: 'image/bmp' })) : bookFile(`picture-${resource}.png`);
      state.bitmaps.set(resource, url);
    }
    return url;
  }

  function drawBitmap(control, resource, bytes, alt, x, y, width, height) {
    const url = bitmapUrl(resource, bytes);
    if (control !== 0) {
      const c = state.controls.get(control);
      if (!c) return;
      c.label = alt;
      const img = c.face.firstElementChild;
      if (!img || img.getAttribute('src') !== url) c.face.replaceChildren(pictureElement(url, alt, width, height));
      if (!alt) c.el.setAttribute('aria-label', 'Picture');
      return;
    }
    if (READING) return;
    const paint = currentPaint();
    if (!paint) return;
    const top = y + paint.offset;
    paint.items.push({
      key: `p|${resource}|${x},${top},${width},${height}`,
      top,
      left: x,
      make() {
        const el = pictureElement(url, alt, width, height);
        el.classList.add('picture');
        place(el, x, top, width, height);
        return el;
      },
    });
  }

  function pictureElement(url, alt, width, height) {
    const img = document.createElement('img');
    img.src = url;
    img.alt = alt;
    img.width = width;
    img.height = height;
    img.draggable = false;
    return img;
  }

  function paintEnd() {
    if (READING) return;
    const paint = state.paints.pop();
    if (!paint) return;
    const old = new Map();
    for (const item of state.paintEls) old.set(item.key, item);
    const next = [];
    for (const item of paint.items) {
      const kept = old.get(item.key);
      if (kept) {
        old.delete(item.key);
        next.push(kept);
      } else {
        next.push({ key: item.key, top: item.top, left: item.left, invert: !!item.invert, el: item.make() });
      }
    }
    // A paint after scrolling alone keeps what the last one inverted: the
    // moved picture of the window keeps its colours, as on a desktop.
    for (const item of old.values()) {
      if (item.invert && !state.wholeInvalid) next.push(item);
      else item.el.remove();
    }
    state.wholeInvalid = false;
    state.paintEls = next;
    arrangeSheet();
    announcePage();
    // For the benchmark: when the first page stood on the page.
    if (!state.firstPaint) {
      state.firstPaint = true;
      performance.mark('tomelet-first-page');
    }
  }

  // The sheet's children in reading order: by line, then from the left, so
  // that a screen reader and the Tab key meet text and controls as the eye
  // does.
  function arrangeSheet() {
    const entries = state.paintEls.map((p) => ({ el: p.el, top: p.top, left: p.left, invert: p.invert }));
    for (const c of state.controls.values()) {
      if (c.kind !== N.PLAT_BAR_BUTTON) entries.push({ el: c.el, top: c.top, left: c.left, invert: false });
    }
    entries.sort((a, b) => (a.top - b.top) || (a.invert - b.invert) || (a.left - b.left));
    const children = sheetEl.children;
    let same = children.length === entries.length;
    for (let i = 0; same && i < entries.length; i += 1) same = children[i] === entries[i].el;
    if (same) return;
    const focused = document.activeElement;
    sheetEl.replaceChildren(...entries.map((e) => e.el));
    if (focused && focused !== document.activeElement && sheetEl.contains(focused)) {
      focused.focus({ preventScroll: true });
    }
  }

  // A new page is announced once: its title, or else its first words.
  function announcePage() {
    const texts = state.paintEls.filter((p) => !p.invert && p.el.classList.contains('text'));
    const signature = texts.map((p) => p.el.textContent).join('\n');
    if (signature === state.lastSignature) return;
    state.lastSignature = signature;
    const title = texts.find((p) => p.el.classList.contains('title'));
    let words = title ? title.el.textContent : signature.split(/\s+/).slice(0, 12).join(' ');
    words = words.trim();
    announceEl.textContent = '';
    if (words) setTimeout(() => { announceEl.textContent = words; }, 50);
  }

  // -------------------------------------------------------------------------
  // The reading page: after every paint that changed the page, the back end
  // hands over the page display list item by item, and the page is written
  // as a document.  Text between breaks is a paragraph; bold is <strong> in
  // its sentence; the title is the heading; centred and right-aligned lines
  // are paragraphs aligned so; a tab is a tab stop; a picture that ends its
  // line is a block of its own, one that stays in the line an image in it;
  // controls stand where their items stand.  The engine's blank lines are
  // the space above the paragraph that follows them.

  // Headings for the pages that have no title of their own: the built-in
  // screens, and the side pages the engine builds when the book has none.
  const screenHeadings = () => ({
    [N.SCREEN_BOOK_DETAILS]: 'Book details', [N.SCREEN_INSTRUCTIONS]: 'Instructions', [N.SCREEN_ABOUT]: 'About',
    [N.SCREEN_SOUNDS]: 'Sounds',
  });
  const paragraphHeadings = () => ({ [N.PARAGRAPH_INFORMATION]: 'Information', [N.PARAGRAPH_HINTS]: 'Hints' });
  // The blank lines above a paragraph are shown up to this many.
  const MOST_BLANK_LINES = 4;

  let docItems = null;
  let docScreen = 0;
  let docParagraph = 0;
  const docPictures = new Map();
  let serial = 0;

  function documentBegin(screen, paragraph) {
    if (CLASSIC) return false;
    docItems = [];
    docScreen = screen;
    docParagraph = paragraph;
    return true;
  }

  function documentItem(kind, value, inline, s, control, bold) {
    if (docItems) docItems.push({ kind, value, inline, text: s, control, bold });
  }

  function documentPicture(resource, bytes, alt, width, height) {
    if (!docPictures.has(resource)) docPictures.set(resource, { url: bitmapUrl(resource, bytes), alt, width, height });
  }

  function documentEnd() {
    const items = docItems;
    docItems = null;
    if (!items) return;
    writeDocument(items);
    pageChanged();
  }

  function writeDocument(items) {
    const blocks = [];
    let block = null;
    let strong = null;
    let bold = false;
    let align = 'left';
    // Line ends since the last line with something on it (the page starts
    // on a new line).
    let breaks = 1;
    let lastText = null;
    let title = null;
    const id = () => { serial += 1; return `t${serial}`; };

    const gapped = (el) => {
      const blank = Math.min(MOST_BLANK_LINES, Math.max(0, breaks - 1));
      if (blank > 0) el.style.setProperty('--blank', String(blank));
      breaks = 0;
      blocks.push(el);
      return el;
    };
    const open = () => {
      if (!block) {
        block = gapped(document.createElement('p'));
        strong = null;
      }
      return block;
    };
    const close = () => {
      if (!block) return;
      if (align !== 'left') block.classList.add(align);
      if (block.textContent.trim() !== '') lastText = block;
      block = null;
      strong = null;
    };
    const inline = () => {
      const p = open();
      if (!bold) return p;
      if (!strong) {
        strong = document.createElement('strong');
        p.appendChild(strong);
      }
      return strong;
    };
    const addText = (parent, t) => {
      const last = parent.lastChild;
      if (last && last.nodeType === Node.TEXT_NODE) last.appendData(t);
      else parent.appendChild(document.createTextNode(t));
    };
    const place = (el) => {
      strong = null;
      open().appendChild(el);
    };
    // A picture (or picture button) that starts its paragraph stands at its
    // left with the text beside it, as a drop picture does.
    const lead = (el) => {
      const p = open();
      if (p.childNodes.length === 0) {
        el.classList.add('lead');
        p.classList.add('with-lead');
      }
      place(el);
    };

    for (const item of items) {
      switch (item.kind) {
        case N.ITEM_TEXT:
          if (item.text) addText(inline(), item.text);
          break;
        case N.ITEM_ALIGN_LEFT: align = 'left'; break;
        case N.ITEM_ALIGN_CENTRE: align = 'centre'; break;
        case N.ITEM_ALIGN_RIGHT: align = 'right'; break;
        case N.ITEM_BOLD_ON: bold = true; strong = null; break;
        case N.ITEM_BOLD_OFF: bold = false; strong = null; break;
        case N.ITEM_BREAK:
          close();
          breaks += 1;
          break;
        case N.ITEM_PARAGRAPH_BREAK:
          close();
          breaks += 2;
          break;
        case N.ITEM_TAB: {
          const tab = document.createElement('span');
          tab.className = 'tab';
          tab.textContent = '\t';
          open().appendChild(tab);
          break;
        }
        case N.ITEM_TITLE: {
          close();
          const h = document.createElement('h1');
          h.className = 'title';
          h.textContent = item.text;
          if (!title) title = h;
          blocks.push(h);
          breaks = 1;
          break;
        }
        case N.ITEM_PICTURE: {
          const picture = docPictures.get(item.value);
          if (!picture) break;
          const img = pictureElement(picture.url, picture.alt, picture.width, picture.height);
          if (item.inline) {
            lead(img);
          } else {
            close();
            const figure = gapped(document.createElement('p'));
            figure.className = 'figure';
            if (align !== 'left') figure.classList.add(align);
            figure.appendChild(img);
            breaks = 1;
          }
          break;
        }
        case N.ITEM_EDIT_BOX:
        case N.ITEM_BUTTON: {
          const c = state.controls.get(item.control);
          if (!c) break;
          c.el.classList.toggle('bold', !!item.bold);
          if (c.kind === N.PLAT_EDIT_BOX) {
            // Named by the text that asks for it: what stands before it in
            // its line, or else the paragraph above.
            let asking = lastText;
            if (block && block.textContent.trim() !== '') {
              asking = document.createElement('span');
              asking.append(...block.childNodes);
              block.appendChild(asking);
            }
            if (asking) {
              if (!asking.id) asking.id = id();
              c.input.setAttribute('aria-labelledby', asking.id);
            } else {
              c.input.removeAttribute('aria-labelledby');
            }
            place(c.el);
            const hint = document.createElement('span');
            hint.className = 'hint';
            hint.id = id();
            hint.textContent = 'Press Enter to answer.';
            c.input.setAttribute('aria-describedby', hint.id);
            open().appendChild(hint);
          } else if (c.kind === N.PLAT_PICTURE_BUTTON) {
            c.el.classList.remove('lead');
            lead(c.el);
          } else {
            place(c.el);
          }
          break;
        }
        default:
          break;
      }
    }
    close();

    // Every page has a heading, at its start: its title, or one named for
    // the screen (shown), or for the reader only.
    let heading = title;
    if (!heading) {
      heading = document.createElement('h1');
      const name = screenHeadings()[docScreen] || (docScreen === 0 && paragraphHeadings()[docParagraph]);
      heading.className = name ? 'title screen' : 'visually-hidden';
      heading.textContent = name || document.title;
      blocks.unshift(heading);
    }
    heading.tabIndex = -1;
    heading.id = 'page-heading';
    state.heading = heading;
    state.answer = [...state.controls.values()].find((c) => c.kind === N.PLAT_EDIT_BOX && blocks.some((b) => b.contains(c.el)));
    sheetEl.replaceChildren(...blocks);
    // A new page starts at its top.  The position is known from the scroll
    // events, so that a page that never scrolled asks for no layout here.
    if (state.pageScrolled) {
      state.pageScrolled = false;
      pageEl.scrollTop = 0;
    }
  }

  // A new page: announced once by its title, and the focus at its start
  // (its answer field, if it asks for one), unless a menu or a message box
  // holds the focus; they hand it on when they close.
  function pageChanged() {
    const words = state.heading ? state.heading.textContent.trim() : '';
    announceEl.textContent = '';
    if (words) setTimeout(() => { announceEl.textContent = words; }, 50);
    if (!state.firstPaint) {
      state.firstPaint = true;
      performance.mark('tomelet-first-page');
    }
    // For the benchmark: when the latest page's text stood in the page.
    performance.clearMarks('tomelet-page');
    performance.mark('tomelet-page');
    // For the page around the reader (the published site registers its
    // offline copy once the first page is shown).
    document.dispatchEvent(new Event('tomelet-page'));
    if ($('dialog').open || menuOpen()) {
      state.focusPending = true;
      return;
    }
    focusPageStart();
  }

  function focusPageStart() {
    state.focusPending = false;
    state.focusLost = false;
    const target = state.answer && state.answer.input.isConnected ? state.answer.input : state.heading;
    if (target && target.isConnected) target.focus({ preventScroll: true });
    else pageEl.focus({ preventScroll: true });
  }

  // The bar's pictures at a whole number of device pixels to each of
  // theirs, about 1.5 rem high, so that they stay crisp at any zoom and
  // pixel ratio.
  const barSizes = new Map();

  function bmpSize(bytes) {
    const b = bytes();
    if (b.length < 26 || b[0] !== 66 || b[1] !== 77) return null;
    const view = new DataView(b.buffer, b.byteOffset, b.byteLength);
    return { width: view.getInt32(18, true), height: Math.abs(view.getInt32(22, true)) };
  }

  function sizeBarImage(img, resource, bytes) {
    if (!barSizes.has(resource)) barSizes.set(resource, bmpSize(bytes));
    const size = barSizes.get(resource);
    if (!size || size.height <= 0) return;
    img.dataset.width = String(size.width);
    img.dataset.height = String(size.height);
    scaleBarImage(img, state.barScale || barScale());
  }

  function barScale() {
    const root = parseFloat(getComputedStyle(document.documentElement).fontSize) || 16;
    const ratio = window.devicePixelRatio || 1;
    state.barScale = { want: 1.5 * root * ratio, ratio };
    return state.barScale;
  }

  function scaleBarImage(img, scale) {
    const w = Number(img.dataset.width);
    const h = Number(img.dataset.height);
    if (!w || !h) return;
    const n = Math.max(1, Math.round(scale.want / h));
    img.style.width = `${(w * n) / scale.ratio}px`;
    img.style.height = `${(h * n) / scale.ratio}px`;
  }

  function sizeBarImages() {
    const scale = barScale();
    for (const img of barEl.querySelectorAll('img')) scaleBarImage(img, scale);
  }

  function invalidated() {
    state.wholeInvalid = true;
  }

  function scrolled() {}

  // -------------------------------------------------------------------------
  // The window, the scroll range and the client area.

  function createWindow(title) {
    document.title = title;
    showOnly('reader');
  }

  function measureClient() {
    return { width: pageEl.clientWidth, height: pageEl.clientHeight };
  }

  function sheetHeight() {
    const s = state.scroll;
    const extra = s.page > 0 ? Math.max(0, s.maximum - s.page + 1) : 0;
    return state.client.height + extra;
  }

  function setScroll(maximum, page, position) {
    state.scroll = { maximum, page, position };
    if (READING) return;
    sheetEl.style.height = `${sheetHeight()}px`;
    if (Math.round(pageEl.scrollTop) !== position) pageEl.scrollTop = position;
  }

  // The reader scrolled the page natively: the engine takes the new
  // position as a dragged thumb's.  Scroll events wait in the queue as one.
  function onNativeScroll() {
    if (READING) {
      state.pageScrolled = pageEl.scrollTop > 0;
      return;
    }
    if (!state.started || state.finished || state.scrollPending) return;
    state.scrollPending = true;
    post(async () => {
      state.scrollPending = false;
      const y = Math.round(pageEl.scrollTop);
      if (y !== state.scroll.position) await call('web_vscroll', N.SCROLL_THUMB_TRACK, y);
    });
  }

  function onResize() {
    if (READING) {
      sizeBarImages();
      return;
    }
    if (!state.started || state.finished || state.resizePending) return;
    state.resizePending = true;
    post(async () => {
      state.resizePending = false;
      const client = measureClient();
      if (client.width === state.client.width && client.height === state.client.height) return;
      state.client = client;
      barEl.style.width = `${client.width}px`;
      barEl.style.height = `${client.height}px`;
      await call('web_size', client.width, client.height);
    });
  }

  function screenHeight() {
    return window.innerHeight;
  }

  // -------------------------------------------------------------------------
  // Posted messages, the timer, the way out.

  function postMessage(kind, value) {
    if (kind === N.POSTED_CLOSE) post(() => call('web_close'));
    else if (kind === N.POSTED_VSCROLL) post(() => call('web_vscroll', value, 0));
  }

  function quit(code) {
    state.quitCode = code;
  }

  function setTimer(ms) {
    if (state.timer) clearInterval(state.timer);
    state.timer = 0;
    if (ms <= 0) return;
    state.timer = setInterval(() => {
      if (state.timerPending || state.finished) return;
      state.timerPending = true;
      post(async () => {
        state.timerPending = false;
        if (state.timer) await call('web_timer');
      });
    }, ms);
  }

  function ticks() {
    return Math.floor(performance.now()) % 4294967296;
  }

  // -------------------------------------------------------------------------
  // Controls.

  function command(id, code) {
    if (preview) {
      return post(async () => {
        const before = preview.beforeTurn();
        const result = await call('web_command', id, code);
        preview.afterTurn(before);
        return result;
      });
    }
    return post(() => call('web_command', id, code));
  }

  function createControl(handle, kind, id, caption, x, y, width, height, maxLength) {
    const c = { handle, kind, id, text: caption, label: '', left: x, top: y, shown: true, el: null, face: null, input: null };
    const plain = caption.replace(/&(.)/g, '$1');
    if (kind === N.PLAT_EDIT_BOX) {
      const input = document.createElement('input');
      input.type = 'text';
      input.className = 'control answer';
      if (maxLength > 0) input.maxLength = maxLength;
      input.autocomplete = 'off';
      input.spellcheck = false;
      input.setAttribute('aria-label', 'Your answer');
      input.addEventListener('keydown', (event) => answerKey(event, c));
      c.el = input;
      c.input = input;
    } else if (kind === N.PLAT_CHECK_BOX) {
      const label = document.createElement('label');
      label.className = 'control check';
      const box = document.createElement('input');
      box.type = 'checkbox';
      box.addEventListener('change', () => command(id, N.COMMAND_CHOSEN));
      const span = document.createElement('span');
      span.textContent = plain;
      label.append(box, span);
      c.el = label;
      c.input = box;
      c.label = plain;
    } else {
      const button = document.createElement('button');
      button.type = 'button';
      button.className = `control ${['', '', 'push', 'hotword', 'picture-button', '', 'bar'][kind] || 'push'}`;
      button.addEventListener('click', () => command(id, N.COMMAND_CHOSEN));
      c.el = button;
      c.face = button;
      if (kind === N.PLAT_PUSH_BUTTON) {
        button.textContent = plain;
        c.label = plain;
      } else if (kind === N.PLAT_BAR_BUTTON) {
        const name = barNames()[id] || plain;
        button.setAttribute('aria-label', name);
        button.title = name;
        c.label = plain;
      }
    }
    state.controls.set(handle, c);
    if (kind === N.PLAT_BAR_BUTTON) barEl.appendChild(c.el);
    else if (CLASSIC) sheetEl.appendChild(c.el);
    moveControl(handle, x, y, width, height);
  }

  // Enter commits the answer; Tab and Shift+Tab only move the focus, so
  // that the keyboard never sends an answer by passing through.  On the
  // classic page Up and Down scroll the page by a line.
  function answerKey(event, c) {
    if (event.isComposing) return;
    let act = null;
    if (event.key === 'Enter') act = () => command(c.id, N.EDIT_COMMIT);
    else if (CLASSIC && event.key === 'ArrowUp') act = () => post(() => call('web_vscroll', N.SCROLL_LINE_UP, 0));
    else if (CLASSIC && event.key === 'ArrowDown') act = () => post(() => call('web_vscroll', N.SCROLL_LINE_DOWN, 0));
    if (!act) return;
    event.preventDefault();
    event.stopPropagation();
    act();
  }

  function destroyControl(handle) {
    const c = state.controls.get(handle);
    if (!c) return;
    if (CLASSIC && c.el.contains(document.activeElement)) pageEl.focus({ preventScroll: true });
    c.el.remove();
    state.controls.delete(handle);
  }

  function forgetControls() {
    for (const c of state.controls.values()) c.el.remove();
    state.controls.clear();
  }

  function showControl(handle, shown) {
    const c = state.controls.get(handle);
    if (!c) return;
    // The reading page hides nothing: every control is in the document.
    if (READING) return;
    c.shown = shown;
    c.el.hidden = !shown;
  }

  function moveControl(handle, x, y, width, height) {
    const c = state.controls.get(handle);
    if (!c || READING) return;
    c.left = x;
    c.top = c.kind === N.PLAT_BAR_BUTTON ? y : y + state.scroll.position;
    place(c.el, x, c.top, width, height);
  }

  function focusControl(handle) {
    // The reading page gives the answer field the focus itself, on the turn
    // that shows it (not on every layout).
    const c = state.controls.get(handle);
    if (READING || !c || $('dialog').open || menuOpen()) return;
    (c.input || c.el).focus({ preventScroll: true });
  }

  function enableControl(handle, enabled) {
    const c = state.controls.get(handle);
    if (!c) return;
    const el = c.input || c.el;
    if (!enabled && el === document.activeElement) state.focusLost = true;
    el.disabled = !enabled;
  }

  function setControlImage(handle, resource, bytes, face) {
    const c = state.controls.get(handle);
    if (!c) return;
    if (!bytes) {
      c.el.textContent = c.text;
      return;
    }
    const url = bitmapUrl(resource, bytes);
    const old = c.el.firstElementChild;
    if (old && old.tagName === 'IMG' && old.dataset.source === url) return;
    const img = pictureElement(url, '', undefined, undefined);
    img.removeAttribute('width');
    img.removeAttribute('height');
    img.dataset.source = url;
    c.el.replaceChildren(img);
    if (READING) sizeBarImage(img, resource, bytes);
    if (face) {
      faceUrl(resource, url).then((mapped) => {
        if (mapped && img.getAttribute('src') === url) img.src = mapped;
      });
    }
  }

  // A bar image with its grey (192, 192, 192) in the buttons' face colour,
  // as a desktop shows a bar's 3-D colours; made once per image.
  const BAR_FACE = [240, 240, 240];

  function faceUrl(resource, url) {
    let made = state.faceUrls.get(resource);
    if (!made) {
      made = new Promise((resolve) => {
        const source = new Image();
        source.onload = () => {
          try {
            const canvas = document.createElement('canvas');
            canvas.width = source.naturalWidth;
            canvas.height = source.naturalHeight;
            const context = canvas.getContext('2d');
            context.drawImage(source, 0, 0);
            const image = context.getImageData(0, 0, canvas.width, canvas.height);
            const d = image.data;
            for (let i = 0; i < d.length; i += 4) {
              if (d[i] === 192 && d[i + 1] === 192 && d[i + 2] === 192) [d[i], d[i + 1], d[i + 2]] = BAR_FACE;
            }
            context.putImageData(image, 0, 0);
            canvas.toBlob((blob) => resolve(blob ? URL.createObjectURL(blob) : null));
          } catch (error) {
            resolve(null);
          }
        };
        source.onerror = () => resolve(null);
        source.src = url;
      });
      state.faceUrls.set(resource, made);
    }
    return made;
  }

  function controlText(handle) {
    const c = state.controls.get(handle);
    return c && c.input ? c.input.value : '';
  }

  function checkBoxChecked(handle) {
    const c = state.controls.get(handle);
    return !!(c && c.input && c.input.checked);
  }

  function setCheckBox(handle, checked) {
    const c = state.controls.get(handle);
    if (c && c.input) c.input.checked = checked;
  }

  // -------------------------------------------------------------------------
  // Message boxes: a modal dialog, answered with the mouse or the keyboard
  // (Enter takes the focused button, Escape is No, or OK), after which the
  // focus goes back where it was.

  // A box the engine raised: shown after its call (answerBoxes).
  function messageBoxLater(message, caption, buttons) {
    state.boxes.push({ message, caption, buttons });
  }

  function messageBox(message, caption, buttons) {
    state.messageLog.push([message, caption]);
    const dialog = $('dialog');
    // A box a menu command opened gives the focus back to where it was
    // before the menu opened; any other, to where it is now.
    const origin = state.menuOrigin;
    const returnFocus = origin && origin.isConnected && origin !== document.body ? origin : document.activeElement;
    $('dialog-caption').textContent = caption || 'Error';
    $('dialog-text').textContent = message;
    const row = $('dialog-buttons');
    const question = buttons === N.PLAT_BOX_YES_NO;
    const answers = question ? [[N.PLAT_ANSWER_YES, 'Yes'], [N.PLAT_ANSWER_NO, 'No']] : [[N.PLAT_ANSWER_OK, 'OK']];
    const escape = question ? N.PLAT_ANSWER_NO : N.PLAT_ANSWER_OK;
    closeMenus();
    return new Promise((resolve) => {
      const done = (answer) => {
        dialog.removeEventListener('cancel', onCancel);
        dialog.close();
        if (READING && state.focusPending) focusPageStart();
        else if (returnFocus && returnFocus.isConnected && returnFocus !== document.body) returnFocus.focus({ preventScroll: true });
        else if (READING) focusPageStart();
        resolve(answer);
      };
      const onCancel = (event) => {
        event.preventDefault();
        done(escape);
      };
      row.replaceChildren(...answers.map(([answer, label]) => {
        const b = document.createElement('button');
        b.type = 'button';
        b.textContent = label;
        b.addEventListener('click', () => done(answer));
        return b;
      }));
      dialog.addEventListener('cancel', onCancel);
      dialog.showModal();
      row.firstChild.focus();
    });
  }

  // -------------------------------------------------------------------------
  // Sounds: Web Audio, once the browser allows sound (after the reader's
  // first click or key); before that a sound is skipped without a word.

  // The reader's first click or key allows sound: the audio context is made
  // then, in a task of its own, so that no page turn waits for it.
  function gesture() {
    state.interacted = true;
    if (state.audioPrepared) return;
    state.audioPrepared = true;
    setTimeout(prepareAudio, 0);
  }

  function prepareAudio() {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (state.audio || !Context) return;
    try {
      state.audio = new Context();
      if (state.audio.state === 'suspended') state.audio.resume().catch(() => {});
    } catch (error) {
      // A browser that refuses sound leaves the reader silent.
    }
  }

  function soundAllowed() {
    const activation = navigator.userActivation;
    return activation ? activation.hasBeenActive : state.interacted === true;
  }

  // A sound's bytes as an ArrayBuffer: embedded, or the book's file
  // sound-INDEX.wav, fetched the first time it plays (null when it cannot
  // be had).
  function soundBytes(bytes, index) {
    if (bytes) return Promise.resolve(bytes.buffer.slice(0));
    const url = bookFile(`sound-${index}.wav`);
    if (url.startsWith('data:')) return Promise.resolve(fromBase64(url.slice(url.indexOf(',') + 1))?.buffer ?? null);
    return fetch(url).then((response) => (response.ok ? response.arrayBuffer() : null)).catch(() => null);
  }

  function playSound(name, bytes, index) {
    state.soundLog.push(name);
    const serial = ++state.soundSerial;
    if (!soundAllowed() || !(window.AudioContext || window.webkitAudioContext)) return;
    try {
      if (!state.audio) state.audio = new (window.AudioContext || window.webkitAudioContext)();
      if (state.audio.state === 'suspended') state.audio.resume().catch(() => {});
      let decoded = state.sounds.get(name);
      if (!decoded) {
        decoded = soundBytes(bytes, index)
          .then((buffer) => (buffer ? state.audio.decodeAudioData(buffer) : null))
          .catch(() => null);
        state.sounds.set(name, decoded);
      }
      decoded.then((buffer) => {
        // A sound that could not be fetched (no network) is tried again
        // the next time it plays.
        if (!buffer && state.sounds.get(name) === decoded) state.sounds.delete(name);
        if (!buffer || serial !== state.soundSerial) return;
        stopSource();
        const source = state.audio.createBufferSource();
        source.buffer = buffer;
        source.connect(state.audio.destination);
        source.start();
        state.source = source;
      });
    } catch (error) {
      // A browser that refuses sound leaves the reader silent, never stopped.
    }
  }

  function stopSource() {
    if (!state.source) return;
    try { state.source.stop(); } catch (error) { /* already ended */ }
    state.source = null;
  }

  function stopSound() {
    state.soundLog.push('-');
    silence();
  }

  function silence() {
    state.soundSerial += 1;
    stopSource();
  }

  // -------------------------------------------------------------------------
  // The state record, kept in localStorage under the book's class name as
  // base64, and the lock that lets one tab read the book at a time.

  function toBase64(bytes) {
    let s = '';
    for (let i = 0; i < bytes.length; i += 1) s += String.fromCharCode(bytes[i]);
    return btoa(s);
  }

  function fromBase64(s) {
    if (typeof s !== 'string') return null;
    try {
      const raw = atob(s);
      const out = new Uint8Array(raw.length);
      for (let i = 0; i < raw.length; i += 1) out[i] = raw.charCodeAt(i);
      return out;
    } catch (error) {
      return null;
    }
  }

  // Where the Web Locks API is missing or refuses (some engines on a page
  // opened from disk), the book is read without the lock.
  function lockBook(key) {
    // The preview starts the engine again on every edit, faster than a
    // released lock is free again: it keeps its own record, unlocked.
    if (preview) return Promise.resolve(true);
    let locks = null;
    try {
      locks = navigator.locks && navigator.locks.request ? navigator.locks : null;
    } catch (error) {
      locks = null;
    }
    if (!locks) return Promise.resolve(true);
    return new Promise((resolve) => {
      try {
        locks.request(`tomelet:${key}`, { ifAvailable: true }, (lock) => {
          if (!lock) {
            resolve(false);
            return undefined;
          }
          resolve(true);
          return new Promise((release) => { state.releaseLock = release; });
        }).catch(() => resolve(true));
      } catch (error) {
        resolve(true);
      }
    });
  }

  const storageKeyOf = (name) => (preview ? 'preview:' : '') + name.replace(/\.dat$/i, '');

  // Before the engine starts: the lock of the book named by its state
  // file's name, which one tab of a browser profile holds at a time.
  async function lockRecord(name) {
    const key = storageKeyOf(name);
    state.lockedKey = (await lockBook(key)) ? key : null;
  }

  // RECORD_HELD_ELSEWHERE: another tab holds the book (this one did not get
  // its lock); RECORD_FOUND: a stored record exists; RECORD_NEW: none (or
  // one that cannot be read: the book starts afresh).
  function openRecord(name) {
    state.fileName = name;
    state.storageKey = storageKeyOf(name);
    if (window.tomeletSettings) window.tomeletSettings.init(state.storageKey);
    if (!preview && state.lockedKey !== state.storageKey) return N.RECORD_HELD_ELSEWHERE;
    state.holding = true;
    let stored = null;
    try {
      stored = window.localStorage.getItem(state.storageKey);
    } catch (error) {
      storageFailed();
    }
    state.record = fromBase64(stored);
    state.readPos = 0;
    return state.record ? N.RECORD_FOUND : N.RECORD_NEW;
  }

  function readRecord(n) {
    const record = state.record || new Uint8Array(0);
    const bytes = record.subarray(state.readPos, Math.min(record.length, state.readPos + n));
    state.readPos += bytes.length;
    return bytes;
  }

  function writeRecord(bytes) {
    state.record = bytes;
    try {
      window.localStorage.setItem(state.storageKey, toBase64(bytes));
      return true;
    } catch (error) {
      storageFailed();
      return false;
    }
  }

  function closeRecord() {
    state.holding = false;
    state.lockedKey = null;
    if (state.releaseLock) state.releaseLock();
    state.releaseLock = null;
  }

  // Said once, in plain words, and the reader goes on.
  function storageFailed() {
    if (state.storageNoticeShown) return;
    state.storageNoticeShown = true;
    showNotice('This browser is not letting the book keep your place (its storage is blocked or full), '
      + 'so it will be lost when you close this tab. To keep it, use "Save my place to a file" in the Place menu.');
  }

  function showNotice(message) {
    $('notice-text').textContent = message;
    $('notice').hidden = false;
  }

  // The tab is hidden or closed: the place is written now, as nothing may be
  // lost when a browser drops a tab.
  function keepPlace() {
    if (!state.started || state.finished || !state.holding) return;
    // Called directly, not through ccall: a message box may hold an engine
    // call asleep, and ccall would take this call for that one's end.  The
    // write itself never sleeps.
    try {
      Module._web_save_now();
    } catch (error) {
      console.error(error);
    }
  }

  // -------------------------------------------------------------------------
  // One reader per browser profile: a second tab asks the first to come
  // forward.

  let channel = null;

  function openChannel() {
    if (!('BroadcastChannel' in window)) return;
    try {
      channel = new BroadcastChannel('tomelet-reader');
    } catch (error) {
      channel = null;  // refused on a page opened from disk: no asking the other tab
      return;
    }
    channel.onmessage = (event) => {
      const data = event.data;
      if (!data || data.type !== 'come-forward' || data.book !== state.storageKey || !state.holding) return;
      window.focus();
      showNotice('The book is open here. Another tab asked for it: only one tab reads it at a time.');
    };
  }

  function askRunningCopy() {
    if (!channel) return false;
    channel.postMessage({ type: 'come-forward', book: state.storageKey });
    state.refused = true;
    return true;
  }

  // -------------------------------------------------------------------------
  // Saving the place to a file, and opening one.

  async function savePlaceToFile() {
    const bytes = await post(async () => {
      const sizePtr = Module._malloc(4);
      try {
        const ptr = await call('web_place_record', sizePtr);
        const size = Module.HEAP32[sizePtr >> 2];
        return ptr ? Module.HEAPU8.slice(ptr, ptr + size) : null;
      } finally {
        Module._free(sizePtr);
      }
    });
    if (!bytes) return;
    const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    const a = document.createElement('a');
    a.href = url;
    a.download = state.fileName || 'place.dat';
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 10000);
  }

  // A file far larger than any record is refused unread (as one of the
  // wrong size); anything else is checked by the engine.
  const LARGEST_READ = 1 << 16;
  // The openings of a chosen file under way: its bytes are read before they
  // reach the engine's queue, and the test hook's idle waits for them too.
  const filesOpening = new Set();

  async function openPlaceFromFile(file) {
    const bytes = file.size > LARGEST_READ ? null : new Uint8Array(await file.arrayBuffer());
    const result = bytes === null ? 1 : await post(async () => {
      const ptr = Module._malloc(Math.max(1, bytes.length));
      if (!ptr) return 1;
      try {
        Module.HEAPU8.set(bytes, ptr);
        return await call('web_open_place', ptr, bytes.length);
      } finally {
        Module._free(ptr);
      }
    });
    if (result === N.PLACE_TAKEN) return;
    const size = await post(() => call('web_record_size'));
    const name = `"${file.name}"`;
    const reasons = {
      [N.PLACE_WRONG_SIZE]: `${name} is not a saved place of this book: a saved place is exactly ${size} bytes long, and this file is ${file.size}.`,
      [N.PLACE_NOT_A_RECORD]: `${name} is not a saved place of this book: it does not start as one does.`,
      [N.PLACE_NO_PARAGRAPH]: `${name} holds a place that is not a page of this book.`,
    };
    await post(() => messageBox(`${reasons[result] || `${name} cannot be opened.`} Your place is unchanged.`,
      'Open a saved place', N.PLAT_BOX_OK));
  }

  // -------------------------------------------------------------------------
  // The menu bar: the book's menu and the web reader's Place menu, reachable
  // by keyboard (F10 or Alt+M, then the arrows, Enter and Escape).

  const menus = [];

  function buildMenus() {
    const bar = $('menubar');
    const addMenu = (title, items, act) => {
      const top = document.createElement('button');
      top.type = 'button';
      top.className = 'menu-title';
      top.setAttribute('role', 'menuitem');
      top.setAttribute('aria-haspopup', 'menu');
      top.setAttribute('aria-expanded', 'false');
      top.textContent = title.replace('&', '');
      top.tabIndex = menus.length === 0 ? 0 : -1;
      const list = document.createElement('div');
      list.className = 'menu';
      list.setAttribute('role', 'menu');
      list.setAttribute('aria-label', top.textContent);
      list.hidden = true;
      for (const [value, label] of items) {
        const item = document.createElement('button');
        item.type = 'button';
        item.setAttribute('role', 'menuitem');
        item.tabIndex = -1;
        item.textContent = label.replace('&', '');
        item.dataset.key = (label[label.indexOf('&') + 1] || '').toLowerCase();
        item.addEventListener('click', () => {
          // The command runs with the focus on the menu's button; a new
          // page takes it from there, and a message box the command opens
          // gives it back to where it was before the menu opened.
          const origin = menuReturnFocus;
          closeMenus();
          top.focus();
          state.menuOrigin = origin;
          Promise.resolve(act(value)).finally(() => {
            if (state.menuOrigin === origin) state.menuOrigin = null;
          });
        });
        list.appendChild(item);
      }
      const wrap = document.createElement('div');
      wrap.className = 'menu-wrap';
      wrap.append(top, list);
      bar.appendChild(wrap);
      const menu = { top, list, key: title[title.indexOf('&') + 1].toLowerCase() };
      menus.push(menu);
      top.addEventListener('click', () => (list.hidden ? openMenu(menu, false) : closeMenus()));
      top.addEventListener('keydown', (event) => topKey(event, menu));
      list.addEventListener('keydown', (event) => listKey(event, menu));
    };
    addMenu('&Menu', bookMenu(), (id) => command(id, N.COMMAND_CHOSEN));
    addMenu('&Place', PLACE_MENU, (what) => {
      if (what === 'save') return savePlaceToFile();
      $('open-file').click();
      return null;
    });
    // The reading settings, when the page offers them (settings.js).
    if (window.tomeletSettings && typeof window.tomeletSettings.open === 'function') {
      const top = document.createElement('button');
      top.type = 'button';
      top.className = 'menu-title';
      top.setAttribute('role', 'menuitem');
      top.setAttribute('aria-haspopup', 'dialog');
      top.textContent = 'Settings';
      top.tabIndex = -1;
      const wrap = document.createElement('div');
      wrap.className = 'menu-wrap';
      wrap.append(top);
      bar.appendChild(wrap);
      const menu = { top, list: null, key: 's' };
      menus.push(menu);
      top.addEventListener('click', () => {
        closeMenus();
        window.tomeletSettings.open(top);
      });
      top.addEventListener('keydown', (event) => {
        if (event.key === 'ArrowRight' || event.key === 'ArrowLeft') {
          event.preventDefault();
          moveTop(menu, event.key === 'ArrowRight' ? 1 : -1);
        }
      });
    }
    document.addEventListener('pointerdown', (event) => {
      if (!bar.contains(event.target)) closeMenus();
    });
    document.addEventListener('focusin', (event) => {
      if (!bar.contains(event.target) && !$('dialog').contains(event.target)) focusOutsideMenus = event.target;
    });
  }

  let menuReturnFocus = null;

  function menuOpen() {
    return menus.some((m) => m.list && !m.list.hidden);
  }

  // Where the focus was before the menu bar took it (a click on a menu's
  // button moves the focus there first).
  let focusOutsideMenus = null;

  function openMenu(menu, focusFirst) {
    if (!menuOpen()) {
      const active = document.activeElement;
      menuReturnFocus = active && !active.closest('#menubar') ? active : focusOutsideMenus;
    }
    for (const m of menus) {
      if (!m.list) continue;
      m.list.hidden = m !== menu;
      m.top.setAttribute('aria-expanded', String(m === menu));
    }
    // "Settings" has no list: its key (Alt+S) opens the settings at once,
    // and their dialog gives the focus back to where it was before.
    if (!menu.list) {
      if (focusFirst) {
        const from = menuReturnFocus && menuReturnFocus.isConnected ? menuReturnFocus : menu.top;
        closeMenus();
        window.tomeletSettings.open(from);
      } else {
        menu.top.focus();
      }
      return;
    }
    const items = [...menu.list.children];
    if (focusFirst !== null) (focusFirst ? items[0] : menu.top).focus();
  }

  function closeMenus(returnFocus) {
    const wasOpen = menuOpen();
    for (const m of menus) {
      if (!m.list) continue;
      m.list.hidden = true;
      m.top.setAttribute('aria-expanded', 'false');
    }
    if (returnFocus && menuReturnFocus && menuReturnFocus.isConnected) menuReturnFocus.focus();
    // A page that came while the menu was open takes the focus now.
    if (wasOpen && state.focusPending && !returnFocus) focusPageStart();
    else if (wasOpen && state.focusPending && returnFocus) state.focusPending = false;
  }

  function moveTop(menu, step) {
    const i = (menus.indexOf(menu) + step + menus.length) % menus.length;
    for (const m of menus) m.top.tabIndex = -1;
    menus[i].top.tabIndex = 0;
    if (menuOpen() && menus[i].list) {
      openMenu(menus[i], true);
    } else {
      closeMenus();
      menus[i].top.focus();
    }
  }

  function topKey(event, menu) {
    if (['Enter', ' ', 'ArrowDown'].includes(event.key)) {
      event.preventDefault();
      openMenu(menu, true);
    } else if (event.key === 'ArrowRight' || event.key === 'ArrowLeft') {
      event.preventDefault();
      moveTop(menu, event.key === 'ArrowRight' ? 1 : -1);
    } else if (event.key === 'Escape') {
      event.preventDefault();
      closeMenus(true);
    }
  }

  function listKey(event, menu) {
    const items = [...menu.list.children];
    const i = items.indexOf(document.activeElement);
    let handled = true;
    if (event.key === 'ArrowDown') items[(i + 1) % items.length].focus();
    else if (event.key === 'ArrowUp') items[(i - 1 + items.length) % items.length].focus();
    else if (event.key === 'Home') items[0].focus();
    else if (event.key === 'End') items[items.length - 1].focus();
    else if (event.key === 'ArrowRight' || event.key === 'ArrowLeft') moveTop(menu, event.key === 'ArrowRight' ? 1 : -1);
    else if (event.key === 'Escape') {
      closeMenus(false);
      menu.top.focus();
    } else if (event.key === 'Tab') {
      closeMenus(false);
      handled = false;
    } else if (event.key.length === 1 && /\w/.test(event.key)) {
      const hit = items.find((item) => item.dataset.key === event.key.toLowerCase());
      if (hit) hit.click();
      else handled = false;
    } else {
      handled = false;
    }
    if (handled) event.preventDefault();
    event.stopPropagation();
  }

  // -------------------------------------------------------------------------
  // The window's keys: the engine's scrolling keys (when no field has the
  // focus), and the menu bar's.

  function onKeyDown(event) {
    gesture();
    if ($('dialog').open || !state.started || state.finished) return;
    if (event.key === 'F10' || (event.altKey && !event.ctrlKey && !event.metaKey)) {
      const menu = event.key === 'F10' ? menus[0] : menus.find((m) => m.key === event.key.toLowerCase());
      if (menu) {
        event.preventDefault();
        openMenu(menu, event.key !== 'F10');
        if (event.key === 'F10') menu.top.focus();
        return;
      }
    }
    // The reading page scrolls as any page does.
    if (READING) return;
    const key = scrollKeys()[event.key];
    if (key === undefined || event.altKey || event.ctrlKey || event.metaKey) return;
    const target = event.target;
    if (target && (target.tagName === 'INPUT' || target.closest('#menubar'))) return;
    event.preventDefault();
    post(() => call('web_key', key));
  }

  // -------------------------------------------------------------------------
  // Start-up.

  async function start() {
    readNumbers();
    pageEl = $('page');
    sheetEl = $('sheet');
    barEl = $('bar');
    announceEl = $('announce');
    openChannel();
    buildMenus();
    $('reopen').addEventListener('click', () => window.location.reload());
    $('closed-save').addEventListener('click', () => savePlaceToFile());
    $('other-tab').addEventListener('click', () => askRunningCopy());
    $('try-again').addEventListener('click', () => window.location.reload());
    $('notice-close').addEventListener('click', () => { $('notice').hidden = true; });
    $('open-file').addEventListener('change', (event) => {
      const file = event.target.files && event.target.files[0];
      event.target.value = '';
      if (file) {
        const opening = openPlaceFromFile(file);
        filesOpening.add(opening);
        opening.finally(() => filesOpening.delete(opening));
      }
    });
    pageEl.addEventListener('scroll', onNativeScroll, { passive: true });
    // The bar's pictures follow the root font size too (the browser's
    // font settings, a reading setting): a probe 1 rem square says when it
    // changes.
    if (READING && 'ResizeObserver' in window) {
      const probe = document.createElement('span');
      probe.className = 'rem-probe';
      probe.setAttribute('aria-hidden', 'true');
      document.body.appendChild(probe);
      let last = 0;
      new ResizeObserver((entries) => {
        const size = entries[entries.length - 1].contentRect.width;
        if (last !== 0 && size !== last) sizeBarImages();
        last = size;
      }).observe(probe);
    }
    window.addEventListener('resize', onResize);
    document.addEventListener('keydown', onKeyDown);
    document.addEventListener('pointerdown', gesture, true);
    window.addEventListener('pagehide', keepPlace);
    document.addEventListener('visibilitychange', () => {
      if (document.visibilityState === 'hidden') keepPlace();
    });

    try {
      await Promise.all([document.fonts.load(cssFont(16, 400)), document.fonts.load(cssFont(16, 700))]);
    } catch (error) {
      // The fallback faces measure and draw alike; the page still works.
    }
    // The page must be laid out as the reader will see it before the client
    // area is measured.
    $('reader').hidden = false;
    state.client = READING ? { ...READING_CLIENT } : measureClient();
    if (CLASSIC) {
      barEl.style.width = `${state.client.width}px`;
      barEl.style.height = `${state.client.height}px`;
    }
    Module.ccall('web_set_client', null, ['number', 'number'], [state.client.width, state.client.height]);
    $('reader').hidden = true;

    const started = await post(async () => {
      if (!preview) await lockRecord(Module.UTF8ToString(Module.ccall('web_state_file_name', 'number', [], [])));
      const ok = await (preview ? preview.start(call) : call('web_start'));
      state.started = ok !== 0;
      return ok;
    });
    if (!started && state.quitCode === null) {
      showOnly(state.refused ? 'elsewhere' : 'failed');
    }
  }

  // -------------------------------------------------------------------------
  // The test hook: a page opened with ?test offers the tests the engine's
  // page in the scripted driver's dump format and the next random number.

  function controlsDump() {
    const kinds = {
      [N.PLAT_EDIT_BOX]: 'edit', [N.PLAT_PUSH_BUTTON]: 'push', [N.PLAT_HOTWORD_BUTTON]: 'hotword',
      [N.PLAT_PICTURE_BUTTON]: 'picture', [N.PLAT_CHECK_BOX]: 'check', [N.PLAT_BAR_BUTTON]: 'bar',
    };
    const quoteText = (s) => `"${[...s].map((ch) => {
      const b = encodeTable.get(ch);
      if (ch === '"' || ch === '\\') return `\\${ch}`;
      if (b === undefined || b < 0x20 || b >= 0x7f) return `\\x${(b === undefined ? 63 : b).toString(16).toUpperCase().padStart(2, '0')}`;
      return ch;
    }).join('')}"`;
    const lines = [...state.controls.values()].map((c) => {
      let label = c.text;
      if (c.kind === N.PLAT_HOTWORD_BUTTON || c.kind === N.PLAT_PICTURE_BUTTON) label = c.label;
      if (c.kind === N.PLAT_EDIT_BOX) label = c.input.value;
      let line = `  ${kinds[c.kind]} ${c.id} ${quoteText(label)} ${c.shown ? 'shown' : 'hidden'}`;
      if ((c.input || c.el).disabled) line += ' disabled';
      if (c.kind === N.PLAT_CHECK_BOX) line += c.input.checked ? ' checked' : ' unchecked';
      if (c.kind === N.PLAT_EDIT_BOX) line += ` max ${c.input.maxLength > 0 ? c.input.maxLength : 0}`;
      return line;
    });
    const sounds = state.soundLog.splice(0);
    const messages = state.messageLog.splice(0).map(([m, c]) => `  ${quoteText(m)} caption ${c ? quoteText(c) : 'default'}\n`);
    const s = state.scroll;
    return `controls ${lines.length}\n${lines.map((l) => `${l}\n`).join('')}`
      + `sounds ${sounds.length ? sounds.join(' ') : 'none'}\n`
      + `messages ${messages.length}\n${messages.join('')}`
      + `scroll max ${s.maximum} page ${s.page} pos ${s.position} top ${Math.round(pageEl.scrollTop)}\n`;
  }

  const testHook = {
    dump: () => post(async () => {
      const ptr = await call('web_test_dump');
      return `${Module.UTF8ToString(ptr)}${controlsDump()}`;
    }),
    nextRandom: (value) => post(() => call('web_test_next_random', value)),
    idle: async () => {
      while (filesOpening.size > 0) await Promise.allSettled([...filesOpening]);
      return post(async () => {});
    },
    queueEmpty: () => !running && queue.length === 0,
    record: () => (state.record ? toBase64(state.record) : null),
    numbers: () => ({ ...numberTable }),
  };

  window.tomelet = {
    text, encode, measure, paintBegin, paintEnd, drawText, invertRect, drawBitmap, invalidated, scrolled,
    documentBegin, documentItem, documentPicture, documentEnd,
    createWindow, setScroll, screenHeight, postMessage, quit, setTimer, ticks, messageBoxLater, playSound, stopSound,
    askRunningCopy, createControl, destroyControl, forgetControls, showControl, moveControl, focusControl,
    enableControl, setControlImage, controlText, checkBoxChecked, setCheckBox, openRecord, readRecord,
    writeRecord, closeRecord, post, call,
  };
  if (new URLSearchParams(window.location.search).has('test')) window.tomeletTest = testHook;

  window.Module = {
    onRuntimeInitialized: () => { start().catch(failed); },
    print: (s) => console.log(s),
    printErr: (s) => console.error(s),
  };
}());
