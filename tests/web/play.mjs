// Plays the scripted driver's scripts (docs/headless-driver.md) in the web
// reader as a reader would, with the mouse or with the keyboard alone, and
// plays the same script in the headless reader, so that a test can compare
// what each page holds after every step.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

// ---------------------------------------------------------------------------
// Scripts

// One command a line, as the driver splits it: words, and texts in double
// quotes with \" and \\.
export function parseScript(text) {
  const steps = [];
  for (const raw of text.split('\n')) {
    const line = raw.trim();
    if (line === '' || line.startsWith('#')) continue;
    const words = [];
    const quoted = [];
    for (let i = 0; i < line.length;) {
      if (line[i] === ' ' || line[i] === '\t') {
        i += 1;
      } else if (line[i] === '"') {
        let word = '';
        i += 1;
        while (i < line.length && line[i] !== '"') {
          if (line[i] === '\\' && i + 1 < line.length) i += 1;
          word += line[i];
          i += 1;
        }
        i += 1;
        words.push(word);
        quoted.push(true);
      } else {
        let word = '';
        while (i < line.length && line[i] !== ' ' && line[i] !== '\t') word += line[i++];
        words.push(word);
        quoted.push(false);
      }
    }
    steps.push({ verb: words[0], args: words.slice(1), quoted: quoted.slice(1), line });
  }
  return steps;
}

// The script with a dump after every step that changes the page (and none
// of its own): the headless run and the browser run then dump alike.
export function withDumps(steps) {
  const out = [];
  for (const step of steps) {
    if (step.verb === 'dump' || step.verb === 'screenshot') continue;
    out.push(step);
    if (!['random', 'answer', 'type', 'close'].includes(step.verb)) out.push({ verb: 'dump', args: [], quoted: [] });
  }
  return out;
}

function scriptText(steps) {
  const quote = (s) => `"${s.replace(/\\/g, '\\\\').replace(/"/g, '\\"')}"`;
  return steps.map((s) => [s.verb, ...s.args.map((a, i) => (s.quoted[i] ? quote(a) : a))].join(' ')).join('\n');
}

// ---------------------------------------------------------------------------
// Dumps

// The parts of a dump that both readers share: navigation, links, the page
// display list, the controls (kind, id, label and state; not their places,
// which the fonts decide), sounds, message boxes and variables.
export function parseDump(text) {
  const lines = text.split('\n');
  const dump = { navigation: '', links: '', items: [], controls: [], sounds: '', messages: [], variables: [], scroll: null };
  let section = null;
  for (const line of lines) {
    if (line.startsWith('  ')) {
      if (section === 'controls') {
        const m = /^ {2}(\w+) (\d+) ("(?:[^"\\]|\\.)*")(.*)$/.exec(line);
        const flags = m[4].split(' ').filter((w) => ['disabled', 'checked', 'unchecked'].includes(w));
        const max = /max (\d+)/.exec(m[4]);
        dump.controls.push(`${m[1]} ${m[2]} ${m[3]}${flags.map((f) => ` ${f}`).join('')}${max ? ` max ${max[1]}` : ''}`);
      } else if (section && Array.isArray(dump[section])) {
        dump[section].push(line.trim());
      }
      continue;
    }
    const [word] = line.split(' ');
    section = word;
    if (word === 'navigation') dump.navigation = line.replace(/ scroll_origin -?\d+/, '');
    else if (word === 'links') dump.links = line;
    else if (word === 'sounds') dump.sounds = line;
    else if (word === 'scroll') {
      const m = /max (-?\d+) page (-?\d+) pos (-?\d+)(?: top (\d+))?/.exec(line);
      dump.scroll = { maximum: +m[1], page: +m[2], position: +m[3], top: m[4] === undefined ? null : +m[4] };
    }
  }
  dump.controls.sort();
  return dump;
}

export function splitDumps(output) {
  return output.split(/^dump \d+\n/m).slice(1).map(parseDump);
}

// ---------------------------------------------------------------------------
// The headless reader

// Runs `steps` in tomelet-headless in `folder` (its state file stays
// there); returns the dumps and the state file's bytes.
export function playHeadless(headless, steps, folder) {
  fs.mkdirSync(folder, { recursive: true });
  // The web reader tells the About screen no system version: 0.0.
  const output = execFileSync(headless, [], { cwd: folder, input: `os 0.0\n${scriptText(steps)}\n`, encoding: 'utf8' });
  const file = path.join(folder, 'VBQ2CorvinAshby.dat');
  return { dumps: splitDumps(output), record: fs.existsSync(file) ? fs.readFileSync(file) : null };
}

export function tempFolder(name) {
  return fs.mkdtempSync(path.join(os.tmpdir(), `tomelet-web-${name}-`));
}

// ---------------------------------------------------------------------------
// The web reader

// The driver's command names, and the engine's names of their ids: the
// ids themselves are read from the page (`tomeletTest.numbers`), never
// restated here.
const COMMANDS = {
  beginning: 'CMD_BEGINNING', information: 'CMD_INFORMATION', restart: 'CMD_RESTART', objective: 'CMD_OBJECTIVE',
  sounds: 'CMD_SOUNDS', hints: 'CMD_HINTS', about: 'CMD_ABOUT', credits: 'CMD_CREDITS', exit: 'CMD_EXIT',
  return: 'CMD_RETURN', next: 'CMD_NEXT', prev: 'CMD_PREVIOUS', instructions: 'CMD_INSTRUCTIONS',
  checkbox: 'CMD_SOUND_CHECKBOX', ok: 'CMD_SOUNDS_OK',
};
// How each command is reached on the page: a button of the bar, an item of
// the menu, or a control of the Sounds sheet.
const BAR = {
  CMD_INFORMATION: 'Information', CMD_RESTART: 'Restart points', CMD_RETURN: 'Return', CMD_NEXT: 'Next',
  CMD_PREVIOUS: 'Previous', CMD_INSTRUCTIONS: 'Instructions',
};
const MENU = {
  CMD_BEGINNING: 'Start at the Beginning', CMD_INFORMATION: 'Information', CMD_RESTART: 'Restart',
  CMD_OBJECTIVE: 'Objective', CMD_SOUNDS: 'Sounds', CMD_HINTS: 'Hints', CMD_ABOUT: 'About ...',
  CMD_CREDITS: 'Credits', CMD_EXIT: 'Exit',
};
const KEYS = { prior: 'PageUp', next: 'PageDown', end: 'End', home: 'Home', up: 'ArrowUp', down: 'ArrowDown', enter: 'Enter', tab: 'Tab' };

export async function webDump(page) {
  return parseDump(`dump 0\n${await page.evaluate(() => window.tomeletTest.dump())}`);
}

export async function settle(page) {
  await page.evaluate(() => window.tomeletTest.idle());
}

function labelMatcher(label) {
  if (label.endsWith('*')) {
    const prefix = label.slice(0, -1).replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
    return new RegExp(`^${prefix}`);
  }
  return label;
}

// A web player: `mode` 'mouse' clicks; 'keyboard' reaches every control
// with Tab (and the menus with Alt and a letter) and presses Enter and
// Space by turns.  In keyboard mode it notes every step after which the
// focus was nowhere (on the body), in `lostFocus`.
export class WebPlayer {
  constructor(page, mode = 'mouse') {
    this.page = page;
    this.mode = mode;
    this.answers = [];
    this.presses = 0;
    this.lostFocus = [];
  }

  // Presses Tab until `locator`'s element has the focus.
  async tabTo(locator) {
    const handle = await locator.elementHandle();
    for (let i = 0; i < 400; i += 1) {
      if (await handle.evaluate((el) => el === document.activeElement)) return;
      await this.page.keyboard.press('Tab');
    }
    throw new Error('Tab never reached the control');
  }

  async activate(locator) {
    if (this.mode === 'keyboard') {
      await this.tabTo(locator);
      this.presses += 1;
      await this.page.keyboard.press(this.presses % 2 ? 'Enter' : 'Space');
    } else {
      await locator.click();
    }
  }

  // The engine's numbers, read from the page once.
  async numbers() {
    if (!this.numberTable) this.numberTable = await this.page.evaluate(() => window.tomeletTest.numbers());
    return this.numberTable;
  }

  // The engine's name of a command id (CMD_…), or null.
  async commandName(id) {
    const numbers = await this.numbers();
    return Object.keys(numbers).find((name) => name.startsWith('CMD_') && numbers[name] === id) || null;
  }

  async menuCommand(name) {
    const menu = this.page.getByRole('menuitem', { name: 'Menu', exact: true });
    if (this.mode === 'keyboard') {
      await this.page.keyboard.press('Alt+m');
      const item = this.page.getByRole('menu', { name: 'Menu' }).getByRole('menuitem', { name: MENU[name], exact: true });
      await item.waitFor();
      while (!(await item.evaluate((el) => el === document.activeElement))) await this.page.keyboard.press('ArrowDown');
      await this.page.keyboard.press('Enter');
    } else {
      await menu.click();
      await this.page.getByRole('menuitem', { name: MENU[name], exact: true }).click();
    }
  }

  // Sends a command by the driver's name or by its id.
  async command(nameOrId) {
    const name = COMMANDS[nameOrId] || await this.commandName(Number(nameOrId));
    if (BAR[name]) return this.activate(this.page.locator('#bar').getByRole('button', { name: BAR[name], exact: true }));
    if (MENU[name]) return this.menuCommand(name);
    if (name === 'CMD_SOUND_CHECKBOX') return this.activate(this.page.getByRole('checkbox', { name: 'Sound' }));
    if (name === 'CMD_SOUNDS_OK') return this.activate(this.page.locator('#sheet').getByRole('button', { name: /^ok$/i }));
    throw new Error(`no way to send command ${nameOrId}`);
  }

  // Answers a message box the step opened, if the script says so; a box
  // nobody answers is answered as the driver does (OK, or No).
  async answerBoxes() {
    const dialog = this.page.locator('#dialog');
    await this.page.waitForFunction(() => document.getElementById('dialog').open || window.tomeletTest.queueEmpty());
    while (await dialog.evaluate((d) => d.open)) {
      const buttons = await dialog.getByRole('button').allTextContents();
      const wanted = this.answers.shift() || (buttons.includes('No') ? 'no' : 'ok');
      const name = { ok: 'OK', yes: 'Yes', no: 'No' }[wanted];
      if (this.mode === 'keyboard') {
        if (wanted === 'no' || (wanted === 'ok' && buttons.length === 1)) await this.page.keyboard.press(wanted === 'no' ? 'Escape' : 'Enter');
        else await this.page.keyboard.press('Enter');
      } else {
        await dialog.getByRole('button', { name, exact: true }).click();
      }
      await this.page.waitForFunction(() => document.getElementById('dialog').open || window.tomeletTest.queueEmpty());
    }
  }

  // Runs one step; returns a dump for `dump`.
  async step(step) {
    const { verb, args, quoted } = step;
    const page = this.page;
    switch (verb) {
      case 'timer':
        await page.clock.runFor(2000);
        break;
      case 'wait':
        await page.clock.runFor(Number(args[0]));
        break;
      case 'random':
        await page.evaluate((v) => window.tomeletTest.nextRandom(v), Number(args[0]));
        return null;
      case 'answer':
        this.answers.push(args[0]);
        return null;
      case 'command':
        await this.command(args[0]);
        break;
      case 'click': {
        if (!quoted[0]) throw new Error('click by id is not played in the browser');
        const n = args[1] ? Number(args[1]) - 1 : 0;
        const named = { name: labelMatcher(args[0]), exact: !args[0].endsWith('*') };
        const sheet = page.locator('#sheet');
        const target = sheet.getByRole('button', named).or(sheet.getByRole('checkbox', named)).nth(n);
        await this.activate(target);
        break;
      }
      case 'type': {
        // The page's answer field, whatever text names it.
        const box = page.locator('#sheet').getByRole('textbox');
        if (this.mode === 'keyboard') {
          await this.tabTo(box);
          await page.keyboard.type(args[args.length - 1]);
        } else {
          await box.fill(args[args.length - 1]);
        }
        return null;
      }
      case 'enter':
      case 'tab':
        await page.locator('#sheet').getByRole('textbox').press(verb === 'enter' ? 'Enter' : 'Tab');
        break;
      case 'key':
        await page.keyboard.press(KEYS[args[0]]);
        break;
      case 'scroll': {
        // The mouse scrolls the page natively (the wheel); the keyboard
        // with the engine's scrolling keys.
        const key = { lineup: 'ArrowUp', linedown: 'ArrowDown', pageup: 'PageUp', pagedown: 'PageDown', top: 'Home', bottom: 'End' }[args[0]];
        if (!key) throw new Error(`'scroll ${args[0]}' is not played in the browser`);
        // On the reading page the keyboard needs no scrolling: Tab brings
        // every control into view.
        if (this.mode === 'keyboard' && await page.evaluate(() => document.documentElement.classList.contains('reading'))) break;
        if (this.mode === 'mouse' && (key === 'End' || key === 'Home')) {
          const box = await page.locator('#page').boundingBox();
          await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
          await page.mouse.wheel(0, key === 'End' ? 100000 : -100000);
          await page.waitForFunction((down) => {
            const el = document.getElementById('page');
            return down ? el.scrollTop >= el.scrollHeight - el.clientHeight - 1 : el.scrollTop === 0;
          }, key === 'End');
        } else {
          if (await page.evaluate(() => document.activeElement && document.activeElement.tagName === 'INPUT')) await page.locator('#page').focus();
          await page.keyboard.press(key);
        }
        break;
      }
      case 'close':
        await this.menuCommand('CMD_EXIT');
        break;
      case 'dump':
        await settle(page);
        return webDump(page);
      default:
        throw new Error(`'${verb}' is not played in the browser`);
    }
    await this.answerBoxes();
    await settle(page);
    if (this.mode === 'keyboard' && await page.evaluate(() => !document.activeElement || document.activeElement === document.body)) {
      this.lostFocus.push(step.line || verb);
    }
    return null;
  }
}
