// The reading page in Debian's chromium: axe-core over the reader's states
// at three window sizes, the text under the WCAG 1.4.12 spacing override
// and at twice the font size, a short window, and where the focus goes and
// what is announced after turns, menu commands and message boxes.
//
// Environment as reader.test.mjs: TOMELET_SITE, TOMELET_HEADLESS (unused
// here), TOMELET_WORK (screenshots).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { describe, test } from 'node:test';

import { WALKS, WORK, chromiumSuite, openReader as openAt } from './harness.mjs';
import { WebPlayer, parseScript, settle, webDump } from './play.mjs';
const AXE = createRequire(import.meta.url).resolve('axe-core/axe.min.js');
const SIZES = [[1280, 800], [390, 844], [320, 568]];
const THEMES = ['light', 'sepia', 'dark'];

const suite = chromiumSuite();

async function openReader(options = {}) {
  const context = await suite.browser.newContext({ viewport: { width: 1280, height: 800 }, ...options });
  const page = await openAt(context, `${suite.url}?test`);
  return { context, page, player: new WebPlayer(page) };
}

const play = async (player, text) => {
  for (const step of parseScript(text)) await player.step(step);
};
const focused = (page) => page.evaluate(() => {
  const el = document.activeElement;
  return el ? `${el.tagName.toLowerCase()} ${(el.getAttribute('aria-label') || el.textContent || el.value || '').trim().slice(0, 40)}` : null;
});
const openMenu = async (page, name) => {
  await page.getByRole('menuitem', { name, exact: true }).click();
  await page.getByRole('menu', { name }).waitFor();
};
const closeMenu = (page) => page.keyboard.press('Escape');

// The steps of a walkthrough up to (not including) the first with `verb`.
function walkUpTo(file, verb) {
  const steps = [];
  for (const step of parseScript(fs.readFileSync(path.join(WALKS, file), 'utf8'))) {
    if (step.verb === verb) break;
    steps.push(step);
  }
  return steps;
}

// axe-core's run, which waits on timers: the page's clock is moved a
// millisecond at a time meanwhile (far from the opening screens' timer).
async function axe(page) {
  let done = false;
  const run = page.evaluate(async () => {
    const result = await window.axe.run(document, {
      runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22a', 'wcag22aa'] },
      rules: { 'target-size': { enabled: true } },
    });
    return result.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
  }).finally(() => { done = true; });
  while (!done) await page.clock.runFor(1);
  return run;
}

describe('the reading page', () => {
  test('axe-core finds no WCAG 2.2 A or AA violation (target size included) in 14 states at three sizes in three themes', async () => {
    const { context, page, player } = await openReader();
    await page.addScriptTag({ path: AXE });
    // Each state is reached from the one before it; `leave` undoes what
    // must not stay (an open menu, a dialog).
    const states = [
      ['the opening screen', async () => {}],
      ['the title screen', () => play(player, 'timer')],
      ['the book details', () => play(player, 'timer')],
      ['a story page with a picture and hotwords', () => play(player, 'command next')],
      ['a story page with a picture button', () => play(player, 'click "Begin"')],
      ['the book menu', () => openMenu(page, 'Menu'), () => closeMenu(page)],
      ['the Place menu', () => openMenu(page, 'Place'), () => closeMenu(page)],
      ['a message box', async () => {
        await openMenu(page, 'Menu');
        await page.getByRole('menuitem', { name: 'Start at the Beginning' }).click();
        await page.getByRole('dialog').waitFor();
      }, async () => { await page.keyboard.press('Escape'); await settle(page); }],
      ['the Sounds screen', () => play(player, 'command sounds')],
      ['the About screen', () => play(player, 'command about')],
      ['the instructions', () => play(player, 'command instructions')],
      ['the information page', () => play(player, 'command information')],
      ['the restart points', () => play(player, 'command restart')],
      ['a page asking for an answer', async () => {
        await play(player, 'command return');
        for (const step of walkUpTo('arrested.txt', 'type').slice(4)) await player.step(step);
      }],
    ];
    const found = [];
    for (const [name, reach, leave] of states) {
      await reach();
      for (const [width, height] of SIZES) {
        await page.setViewportSize({ width, height });
        // In each theme, as the reading settings set it.
        for (const theme of THEMES) {
          await page.evaluate((t) => { document.documentElement.dataset.theme = t; }, theme);
          const violations = await axe(page);
          for (const v of violations) found.push(`${name} at ${width} x ${height} (${theme}): ${v}`);
        }
      }
      if (leave) await leave();
    }
    assert.deepEqual(found, []);
    assert.deepEqual(page.errors, []);
    await context.close();
  });

  test('text spacing, twice the font size and a short window: nothing overflows or is cut, text doubles, the menu scrolls', async () => {
    const { context, page, player } = await openReader();
    await play(player, 'timer\ntimer\ncommand next');
    // Every box around text holds its text: nothing is wider or taller
    // than its box (scroll containers aside, which scroll).
    const overflowing = () => page.evaluate(() => {
      const out = [];
      for (const el of document.querySelectorAll('#reader *')) {
        const style = getComputedStyle(el);
        if (style.display === 'inline' || el.id === 'page' || el.tagName === 'IMG' || el.closest('.visually-hidden')) continue;
        if (['auto', 'scroll'].includes(style.overflowY) || !el.checkVisibility()) continue;
        if (el.scrollWidth > el.clientWidth + 1 || el.scrollHeight > el.clientHeight + 1) {
          out.push(`${el.tagName.toLowerCase()}#${el.id}.${el.className} ${el.scrollWidth}x${el.scrollHeight} in ${el.clientWidth}x${el.clientHeight}`);
        }
      }
      return out;
    });
    const sizes = () => page.evaluate(() => ['#sheet p', '#sheet h1', '#sheet button.hotword', '.menu-title']
      .map((s) => parseFloat(getComputedStyle(document.querySelector(s)).fontSize)));
    const base = await sizes();
    const settings = [
      ['the WCAG 1.4.12 spacing', `* { line-height: 1.5 !important; letter-spacing: 0.12em !important; word-spacing: 0.16em !important; }
        p { margin-bottom: 2em !important; }`],
      ['text at 200 %', 'html { font-size: 200% !important; }'],
    ];
    for (const [width, height] of [[1280, 800], [390, 844]]) {
      await page.setViewportSize({ width, height });
      for (const [name, css] of settings) {
        const style = await page.addStyleTag({ content: css });
        assert.deepEqual(await overflowing(), [], `${name} at ${width} x ${height}`);
        if (name === 'text at 200 %') {
          const doubled = await sizes();
          doubled.forEach((size, i) => assert.ok(size >= 1.9 * base[i], `${name}: ${size} against ${base[i]}`));
        }
        await style.evaluate((el) => el.remove());
      }
    }
    // The browser's own zoom at 200 %: half the CSS pixels of the window,
    // each two device pixels wide; the text is twice as large on screen
    // and nothing overflows.
    const zoomed = await openReader({ viewport: { width: 640, height: 400 }, deviceScaleFactor: 2 });
    await play(zoomed.player, 'timer\ntimer\ncommand next');
    const onScreen = (p) => p.evaluate(() => window.devicePixelRatio * parseFloat(getComputedStyle(document.querySelector('#sheet p')).fontSize));
    await page.setViewportSize({ width: 1280, height: 800 });
    assert.ok(await onScreen(zoomed.page) >= 1.9 * await onScreen(page));
    const zoomedOverflow = await zoomed.page.evaluate(() => [...document.querySelectorAll('#sheet p, #sheet button, #bar button, .menu-title')]
      .filter((el) => el.scrollWidth > el.clientWidth + 1).map((el) => el.textContent));
    assert.deepEqual(zoomedOverflow, []);
    await zoomed.context.close();

    // A line holds at most about 70 characters on a wide screen.
    await page.setViewportSize({ width: 1920, height: 1080 });
    const perLine = await page.evaluate(() => {
      const counts = new Map();
      const range = document.createRange();
      for (const p of document.querySelectorAll('#sheet p')) {
        const walker = document.createTreeWalker(p, NodeFilter.SHOW_TEXT);
        for (let node = walker.nextNode(); node; node = walker.nextNode()) {
          for (let i = 0; i < node.length; i += 1) {
            range.setStart(node, i);
            range.setEnd(node, i + 1);
            const rect = range.getClientRects()[0];
            if (!rect) continue;
            const line = `${Math.round(rect.top)}`;
            counts.set(line, (counts.get(line) || 0) + 1);
          }
        }
      }
      return Math.max(...counts.values());
    });
    assert.ok(perLine > 40 && perLine <= 72, `${perLine} characters a line`);
    // 320 x 256: the menu scrolls to its last item, and the page to its
    // last choice.
    await page.setViewportSize({ width: 320, height: 256 });
    await page.getByRole('menuitem', { name: 'Menu', exact: true }).focus();
    await page.keyboard.press('Enter');
    await page.keyboard.press('End');
    const last = await page.getByRole('menuitem', { name: 'Exit' }).boundingBox();
    assert.ok(last.y >= 0 && last.y + last.height <= 256, JSON.stringify(last));
    await closeMenu(page);
    const begin = page.locator('#sheet').getByRole('button', { name: 'Begin' });
    await begin.focus();
    const box = await begin.boundingBox();
    const bar = await page.locator('#bar').boundingBox();
    assert.ok(box.y >= 0 && box.y + box.height <= bar.y, `${JSON.stringify(box)} above ${JSON.stringify(bar)}`);
    await context.close();
  });

  test('the focus and announcements: turns, menu commands, message boxes, the answer field, disabled buttons', async () => {
    const { context, page, player } = await openReader({ viewport: { width: 390, height: 844 } });
    const announced = await page.evaluateHandle(() => {
      const said = [];
      new MutationObserver(() => {
        const t = document.getElementById('announce').textContent;
        if (t) said.push(t);
      }).observe(document.getElementById('announce'), { childList: true, characterData: true, subtree: true });
      return said;
    });
    const said = async () => {
      await page.clock.runFor(100);
      return announced.evaluate((a) => a.splice(0));
    };
    await play(player, 'timer\ntimer\ncommand next\nclick "Begin"');
    // A turn: the focus is on the new page's heading, its title said once,
    // and not again when the window changes size.
    assert.equal(await focused(page), 'h1 Monday Morning');
    assert.deepEqual((await said()).slice(-1), ['Monday Morning']);
    await page.setViewportSize({ width: 800, height: 600 });
    await page.setViewportSize({ width: 390, height: 844 });
    assert.deepEqual(await said(), []);

    // Menu commands: a new page takes the focus; a message box gives it
    // back to where it was before the menu opened; a command that leaves
    // the page as it was leaves the focus on the menu's button.
    const getUp = page.locator('#sheet').getByRole('button', { name: 'Get up' });
    const cases = [
      ['Menu', 'Sounds', 'h1 Sounds', ['Sounds']],
      ['Menu', 'About ...', 'h1 About', ['About']],
      ['Menu', 'Start at the Beginning', 'button Get up', []],
      ['Place', 'Save my place to a file', 'button Place', []],
    ];
    for (const [menu, item, want, words] of cases) {
      if (item === 'Start at the Beginning') {
        await play(player, 'command return');
        await said();
        await getUp.focus();
      }
      await openMenu(page, menu);
      await page.getByRole('menuitem', { name: item, exact: true }).click();
      if (item === 'Start at the Beginning') {
        await page.getByRole('dialog').waitFor();
        assert.equal(await focused(page), 'button Yes');
        await page.keyboard.press('Escape');
      }
      await settle(page);
      assert.equal(await focused(page), want, item);
      assert.deepEqual(await said(), words, item);
    }

    // The answer field takes the focus on the turn that shows it, and not
    // again when the page scrolls; Tab and Shift+Tab never answer; Enter
    // does.
    for (const step of walkUpTo('arrested.txt', 'type').slice(4)) await player.step(step);
    const field = page.locator('#sheet').getByRole('textbox');
    assert.equal(await field.evaluate((el) => el === document.activeElement), true);
    await page.getByRole('menuitem', { name: 'Place', exact: true }).focus();
    await page.mouse.move(200, 400);
    await page.mouse.wheel(0, 200);
    await settle(page);
    assert.equal(await focused(page), 'button Place');
    const before = (await webDump(page)).navigation;
    await field.fill('Ned Ferris');
    for (const key of ['Tab', 'Shift+Tab']) {
      await field.focus();
      await page.keyboard.press(key);
      await settle(page);
      assert.equal((await webDump(page)).navigation, before, key);
    }
    await field.press('Enter');
    await settle(page);
    assert.notEqual((await webDump(page)).navigation, before);
    assert.match(await focused(page), /^h1 /);

    // Disabled bar buttons look disabled.
    const looks = await page.locator('#bar button').evaluateAll((buttons) => buttons.map((b) => [b.disabled, getComputedStyle(b.querySelector('img')).opacity]));
    assert.ok(looks.some(([disabled]) => disabled));
    for (const [disabled, opacity] of looks) assert.equal(Number(opacity) < 1, disabled);
    assert.deepEqual(page.errors, []);
    await context.close();
  });

  test('screenshots of the reading page at 1x, 2x and on a phone, in each theme', async () => {
    for (const [scale, width, height] of [[1, 1280, 800], [2, 1280, 800], [1, 390, 844]]) {
      const { context, page, player } = await openReader({ viewport: { width, height }, deviceScaleFactor: scale });
      await play(player, 'timer\ntimer\ncommand next');
      for (const theme of THEMES) {
        await page.evaluate((t) => { document.documentElement.dataset.theme = t; }, theme);
        await page.screenshot({ path: path.join(WORK, `reading-${theme}-${width}x${height}-${scale}x.png`) });
      }
      await context.close();
    }
  });
});
