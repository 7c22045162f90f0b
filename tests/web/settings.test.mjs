// The reading settings in Debian's chromium (playwright-core): the dialog by
// keyboard and mouse, what each choice sets on the page, the settings kept
// beside the place and applied before the first paint, damaged and blocked
// storage, axe-core on the dialog in every theme, and screenshots of the
// three themes (in TOMELET_WORK).  Elements are found by role and name.
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import path from 'node:path';
import { describe, test } from 'node:test';

import { WORK, chromiumSuite, openReader as openAt, readerShown } from './harness.mjs';
import { WebPlayer, parseScript, settle } from './play.mjs';
const AXE = createRequire(import.meta.url).resolve('axe-core/axe.min.js');
const BOOK = 'VBQ2CorvinAshby';
const KEY = `tomelet:settings:${BOOK}`;
const OPENING = parseScript('timer\ntimer\ncommand next\nclick "Begin"');
const DEFAULTS = { textSize: 'standard', theme: 'system', typeface: 'sans' };

const suite = chromiumSuite();

const openReader = (context, { wait = true } = {}) => openAt(context, `${suite.url}?test`, { wait });

// What the settings have set on the page.
function applied(page) {
  return page.evaluate(() => {
    const style = getComputedStyle(document.documentElement);
    return {
      theme: document.documentElement.dataset.theme,
      scale: style.getPropertyValue('--text-scale').trim(),
      font: style.getPropertyValue('--story-font').trim(),
      rootSize: style.fontSize,
      // What a reader sees at the page's right edge, half-way down, under
      // any dialog.
      background: document.elementsFromPoint(innerWidth - 20, innerHeight / 2)
        .filter((el) => !el.closest('dialog'))
        .map((el) => getComputedStyle(el).backgroundColor)
        .find((colour) => colour !== 'rgba(0, 0, 0, 0)'),
    };
  });
}

const dialogOf = (page) => page.getByRole('dialog', { name: 'Reading settings' });
const stored = (page) => page.evaluate((key) => JSON.parse(localStorage.getItem(key)), KEY);
const focusedName = (page) => page.evaluate(() => {
  const el = document.activeElement;
  return el.getAttribute('aria-label') || (el.labels && el.labels[0] ? el.labels[0].textContent : el.textContent);
});

describe('the reading settings', () => {
  test('by keyboard and mouse: each choice sets the page, the focus goes back, the system\'s scheme is followed', async () => {
    const context = await suite.browser.newContext({ viewport: { width: 1280, height: 800 }, colorScheme: 'dark' });
    const page = await openReader(context);
    const player = new WebPlayer(page);
    for (const step of OPENING) await player.step(step);
    // "Same as the system", the default, follows it while the page is open.
    assert.equal((await applied(page)).theme, 'dark');
    await page.emulateMedia({ colorScheme: 'light' });
    await page.waitForFunction(() => document.documentElement.dataset.theme === 'light');
    const lightBackground = (await applied(page)).background;

    // Alt+S from a hotword: the dialog opens on the checked size; the arrows
    // choose within a group and Tab goes to the next; Escape closes it and
    // the focus is back on the hotword.
    await page.getByRole('button', { name: 'Get up' }).focus();
    await page.keyboard.press('Alt+s');
    await dialogOf(page).waitFor();
    assert.equal(await focusedName(page), 'Standard');
    await page.keyboard.press('ArrowRight');
    assert.equal((await applied(page)).scale, '1.25');
    await page.keyboard.press('Tab');
    assert.equal(await focusedName(page), 'Same as the system');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowDown');
    assert.equal((await applied(page)).theme, 'sepia');
    // The reader's own keys stay out of the dialog.
    await page.keyboard.press('Alt+m');
    assert.equal(await page.getByRole('menu', { name: 'Menu' }).isVisible(), false);
    await page.keyboard.press('Escape');
    assert.equal(await dialogOf(page).isVisible(), false);
    assert.equal(await focusedName(page), 'Get up');
    assert.deepEqual(await stored(page), { textSize: 'large', theme: 'sepia', typeface: 'sans' });

    // From the menu bar by its arrows: Menu, Place, Settings.
    await page.getByRole('menuitem', { name: 'Menu', exact: true }).focus();
    await page.keyboard.press('ArrowRight');
    await page.keyboard.press('ArrowRight');
    assert.equal(await focusedName(page), 'Settings');
    await page.keyboard.press('Enter');
    await dialogOf(page).waitFor();
    await page.keyboard.press('Escape');
    assert.equal(await focusedName(page), 'Settings');

    // The menu bar's button, with the mouse; the dialog's Close button.
    const fonts = { sans: '"Tomelet Sans"', serif: '"Tomelet Serif"', dyslexic: '"Tomelet Dyslexic"' };
    const cases = [
      ['Sepia', (a) => a.theme === 'sepia'],
      ['Dark', (a) => a.theme === 'dark'],
      ['Largest', (a) => a.scale === '2' && a.rootSize === '32px'],
      ['Small', (a) => a.scale === '0.875' && a.rootSize === '14px'],
      [/^Charis SIL/, (a) => a.font.startsWith(fonts.serif)],
      [/^OpenDyslexic/, (a) => a.font.startsWith(fonts.dyslexic)],
      [/^Liberation Sans/, (a) => a.font.startsWith(fonts.sans)],
    ];
    const settingsButton = page.getByRole('menuitem', { name: 'Settings' });
    await settingsButton.click();
    for (const [name, holds] of cases) {
      await dialogOf(page).getByRole('radio', { name }).check();
      const now = await applied(page);
      assert.ok(holds(now), `${name}: ${JSON.stringify(now)}`);
    }
    assert.notEqual((await applied(page)).background, lightBackground, 'the dark page is not the light one');
    // The system's forced colours win over the theme, and the dialog says so.
    await page.emulateMedia({ forcedColors: 'active' });
    await dialogOf(page).getByText('contrast colours are in use').waitFor();
    const forced = await page.evaluate(() => ['var(--page-bg)', 'Canvas', 'var(--page-fg)', 'CanvasText'].map((colour) => {
      const probe = document.createElement('div');
      probe.style.forcedColorAdjust = 'none';
      probe.style.color = colour;
      document.body.appendChild(probe);
      const out = getComputedStyle(probe).color;
      probe.remove();
      return out;
    }));
    assert.deepEqual([forced[0], forced[2]], [forced[1], forced[3]]);
    await page.emulateMedia({ forcedColors: 'none' });
    await dialogOf(page).getByText('contrast colours are in use').waitFor({ state: 'detached' });
    await dialogOf(page).getByRole('button', { name: 'Restore the defaults' }).click();
    assert.deepEqual(await stored(page), DEFAULTS);
    assert.equal((await applied(page)).theme, 'light');
    assert.equal(await dialogOf(page).getByRole('radio', { name: 'Same as the system' }).isChecked(), true);
    await dialogOf(page).getByRole('button', { name: 'Close' }).click();
    assert.equal(await focusedName(page), 'Settings');

    // The two shipped typefaces load, regular and bold.
    const faces = await page.evaluate(async () => {
      const out = [];
      for (const family of ['Tomelet Serif', 'Tomelet Dyslexic']) {
        for (const weight of [400, 700]) {
          const loaded = await document.fonts.load(`${weight} 16px "${family}"`);
          out.push(loaded.filter((f) => f.status === 'loaded').length);
        }
      }
      return out;
    });
    assert.deepEqual(faces, [1, 1, 1, 1]);
    assert.deepEqual(page.errors, []);
    await context.close();
  });

  test('kept beside the place: applied before the first paint, shared with another tab; damaged or blocked storage', async () => {
    const context = await suite.browser.newContext({ viewport: { width: 1280, height: 800 } });
    // What the page shows in its first frame.
    await context.addInitScript(() => {
      requestAnimationFrame(() => {
        window.firstFrame = {
          theme: document.documentElement.dataset.theme,
          scale: document.documentElement.style.getPropertyValue('--text-scale'),
        };
      });
    });
    const page = await openReader(context);
    await page.getByRole('menuitem', { name: 'Settings' }).click();
    for (const name of ['Dark', 'Larger', /^OpenDyslexic/]) await dialogOf(page).getByRole('radio', { name }).check();
    await page.keyboard.press('Escape');
    const chosen = { textSize: 'larger', theme: 'dark', typeface: 'dyslexic' };
    assert.deepEqual(await stored(page), chosen);
    await page.reload();
    await readerShown(page);
    assert.deepEqual(await page.evaluate(() => window.firstFrame), { theme: 'dark', scale: '1.5' });
    assert.deepEqual(await page.evaluate(() => window.tomeletSettings.current()), chosen);

    // A second tab (refused: the book is open here) follows a change.
    const second = await openReader(context, { wait: false });
    await second.getByRole('heading', { name: 'The book is open in another tab' }).waitFor();
    assert.equal((await applied(second)).theme, 'dark');
    await page.keyboard.press('Alt+s');
    await dialogOf(page).getByRole('radio', { name: 'Sepia' }).check();
    await second.waitForFunction(() => document.documentElement.dataset.theme === 'sepia');
    await page.keyboard.press('Escape');

    // An entry this reader cannot read, in whole or in part, is the
    // defaults for what it cannot read.
    const entries = [
      ['not JSON at all', DEFAULTS],
      ['null', DEFAULTS],
      ['[1,2]', DEFAULTS],
      ['{"theme":"purple","textSize":"large"}', { ...DEFAULTS, textSize: 'large' }],
      ['{"typeface":"serif","textSize":3}', { ...DEFAULTS, typeface: 'serif' }],
    ];
    const read = await page.evaluate(([key, book, texts]) => texts.map((text) => {
      localStorage.setItem(key, text);
      window.tomeletSettings.init(book);
      return window.tomeletSettings.current();
    }), [KEY, BOOK, entries.map((e) => e[0])]);
    assert.deepEqual(read, entries.map((e) => e[1]));
    assert.deepEqual([page.errors, second.errors], [[], []]);
    await context.close();

    // Storage blocked: the settings still apply, and the dialog says they
    // will not be kept.
    const blocked = await suite.browser.newContext({ viewport: { width: 1280, height: 800 } });
    await blocked.addInitScript(() => {
      const refuse = () => { throw new DOMException('The quota has been exceeded.', 'QuotaExceededError'); };
      Storage.prototype.setItem = refuse;
      Storage.prototype.getItem = refuse;
    });
    const refused = await openReader(blocked);
    await refused.getByRole('menuitem', { name: 'Settings' }).click();
    await dialogOf(refused).getByRole('radio', { name: 'Dark' }).check();
    assert.equal((await applied(refused)).theme, 'dark');
    await dialogOf(refused).getByRole('status').filter({ hasText: 'not letting the book keep these settings' }).waitFor();
    assert.deepEqual(refused.errors, []);
    await blocked.close();
  });

  test('axe-core finds nothing in the dialog in any theme, pictures keep their colours; screenshots', async () => {
    const tags = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22a', 'wcag22aa'];
    // axe-core waits on timers, and the page's clock stands still: it is
    // moved on until axe has answered.
    const axe = async (page, context, options) => {
      let done = false;
      const result = page.evaluate(async ([c, o]) => {
        const { violations } = await window.axe.run(c, o);
        return violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
      }, [context, options]).finally(() => { done = true; });
      while (!done) await page.clock.runFor(50);
      return result;
    };
    for (const viewport of [{ width: 1280, height: 800 }, { width: 390, height: 844 }, { width: 320, height: 568 }]) {
      const size = `${viewport.width}x${viewport.height}`;
      const context = await suite.browser.newContext({ viewport });
      const page = await openReader(context);
      await page.addScriptTag({ path: AXE });
      const player = new WebPlayer(page);
      // The title screen (with its picture), then a story page.
      for (const where of ['title', 'story']) {
        // (axe has moved the clock: the opening's timers have run.)
        // The opening is passed in a window tall enough for "Begin".
        if (where === 'story') {
          await page.setViewportSize({ width: 1280, height: 800 });
          for (const step of parseScript('wait 5000\ncommand next\nclick "Begin"')) await player.step(step);
          await page.setViewportSize(viewport);
          await settle(page);
        }
        for (const theme of ['Light', 'Sepia', 'Dark']) {
          const shot = (what) => page.screenshot({ path: path.join(WORK, `theme-${theme.toLowerCase()}-${what}-${size}.png`) });
          await page.getByRole('menuitem', { name: 'Settings' }).click();
          await dialogOf(page).getByRole('radio', { name: theme }).check();
          assert.deepEqual(await axe(page, '#settings', { runOnly: { type: 'tag', values: tags } }), [], `${theme} ${size}`);
          if (where === 'story') await shot('settings');
          await page.keyboard.press('Escape');
          await shot(where);
          const filtered = await page.evaluate(() => [...document.querySelectorAll('#sheet img')].filter((img) => {
            for (let el = img; el; el = el.parentElement) {
              const style = getComputedStyle(el);
              if (style.filter !== 'none' || style.mixBlendMode !== 'normal' || style.backdropFilter !== 'none') return true;
            }
            return false;
          }).length);
          assert.equal(filtered, 0, `${theme}: pictures keep their colours`);
        }
        if (where === 'title') {
          assert.ok(await page.evaluate(() => document.images.length > 0));
        }
      }
      // The largest text in the widest face: the dialog's lines wrap and
      // nothing runs out of it sideways.
      await page.getByRole('menuitem', { name: 'Settings' }).click();
      for (const name of ['Largest', /^OpenDyslexic/]) await dialogOf(page).getByRole('radio', { name }).check();
      await page.evaluate(() => document.fonts.ready);
      const overflowing = await page.evaluate(() => [document.getElementById('settings'), ...document.querySelectorAll('#settings *')]
        .filter((el) => el.scrollWidth > el.clientWidth + 1 && getComputedStyle(el).overflowX !== 'visible'
          || el.getBoundingClientRect().right > document.getElementById('settings').getBoundingClientRect().right + 1)
        .map((el) => el.id || el.textContent.slice(0, 30)));
      assert.deepEqual(overflowing, [], size);
      await page.screenshot({ path: path.join(WORK, `settings-largest-${size}.png`) });
      await dialogOf(page).getByRole('button', { name: 'Restore the defaults' }).click();
      await page.keyboard.press('Escape');
      assert.deepEqual(page.errors, []);
      await context.close();
    }
  });

  test('every theme\'s colours contrast as WCAG asks: text 4.5:1, focus rings and borders 3:1', async () => {
    // [foreground, background, least ratio]
    const pairs = [
      ['--page-fg', '--page-bg', 4.5], ['--link-fg', '--link-bg', 4.5], ['--link-fg', '--link-hover-bg', 4.5],
      ['--link-fg', '--page-bg', 4.5], ['--muted-fg', '--page-bg', 4.5], ['--bar-fg', '--bar-bg', 4.5],
      ['--dialog-fg', '--dialog-bg', 4.5], ['--muted-fg', '--dialog-bg', 4.5], ['--dialog-fg', '--link-bg', 4.5],
      ['--selected-fg', '--selected-bg', 4.5], ['--notice-fg', '--notice-bg', 4.5],
      ['--focus-ring', '--page-bg', 3], ['--focus-ring', '--dialog-bg', 3], ['--focus-ring', '--bar-bg', 3],
      ['--border', '--dialog-bg', 3], ['--border', '--page-bg', 3],
    ];
    // The page's sheet must define these; the others are held to their
    // ratios where a theme defines them.
    const required = ['--page-bg', '--page-fg', '--link-fg', '--link-bg', '--muted-fg', '--bar-bg', '--bar-fg',
      '--focus-ring', '--dialog-bg', '--dialog-fg', '--border'];
    const names = [...new Set(pairs.flatMap(([f, b]) => [f, b]))];
    const luminance = (rgb) => {
      const [r, g, b] = rgb.match(/\d+(\.\d+)?/g).slice(0, 3).map((v) => {
        const c = Number(v) / 255;
        return c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4;
      });
      return 0.2126 * r + 0.7152 * g + 0.0722 * b;
    };
    const ratio = (a, b) => {
      const [hi, lo] = [luminance(a), luminance(b)].sort((x, y) => y - x);
      return (hi + 0.05) / (lo + 0.05);
    };
    const context = await suite.browser.newContext({ viewport: { width: 1280, height: 800 } });
    const page = await openReader(context);
    const low = [];
    for (const theme of ['light', 'sepia', 'dark']) {
      const colours = await page.evaluate(([t, list]) => {
        document.documentElement.dataset.theme = t;
        const probe = document.createElement('div');
        document.body.appendChild(probe);
        const out = {};
        const rootStyle = getComputedStyle(document.documentElement);
        for (const name of list) {
          probe.style.color = `var(${name})`;
          out[name] = rootStyle.getPropertyValue(name).trim() ? getComputedStyle(probe).color : null;
        }
        probe.remove();
        return out;
      }, [theme, names]);
      for (const name of required) if (!colours[name]) low.push(`${theme}: ${name} is not defined`);
      for (const [fg, bg, least] of pairs) {
        if (!colours[fg] || !colours[bg]) continue;
        const r = ratio(colours[fg], colours[bg]);
        if (!(r >= least)) low.push(`${theme}: ${fg} ${colours[fg]} on ${bg} ${colours[bg]} is ${r.toFixed(2)}:1`);
      }
    }
    assert.deepEqual(low, []);
    await context.close();
  });
});
