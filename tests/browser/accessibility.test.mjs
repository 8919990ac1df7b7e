// axe-core over the main window, the start page, a form, a grid, a cube window and its chart: no
// serious or critical violation; and the keyboard alone reaches the menu, runs a report and
// moves in its grid.

import { createRequire } from 'node:module';
import path from 'node:path';
import { equal, expect, openBrowser, passwordOf, repository, run, shot, startServer, waitFor } from './harness.mjs';

const require = createRequire(path.join(repository, 'web', 'package.json'));
const axePath = require.resolve('axe-core/axe.min.js');

const server = await startServer([], ['axe.anna']);
const browser = await openBrowser();
const page = await browser.context.newPage();

// The serious and critical violations axe finds on the page as it stands.
async function violations(what) {
  if (!(await page.evaluate(() => 'axe' in window))) await page.addScriptTag({ path: axePath });
  const found = await page.evaluate(async () => {
    // @ts-ignore axe is the injected script's global
    const result = await window.axe.run(document, { resultTypes: ['violations'] });
    return result.violations
      .filter((v) => v.impact === 'serious' || v.impact === 'critical')
      .map((v) => `${v.id} (${v.impact}): ${v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(', ')}`);
  });
  console.log(`${what}: ${found.length ? found.join('; ') : 'no serious or critical violation'}`);
  return found;
}

const clean = async (what) => {
  const found = await violations(what);
  equal(found.length, 0, `${what}: ${found.join('; ')}`);
};

await run([
  ['the sign-in form and the start page', async () => {
    await page.goto(server.address);
    await page.waitForSelector('#signin-user');
    await clean('sign-in');
    // Keyboard alone: the name, Tab, the password, Enter.
    await page.focus('#signin-user');
    await page.keyboard.type('axe.anna');
    await page.keyboard.press('Tab');
    equal(await page.evaluate(() => document.activeElement?.id), 'signin-password', 'Tab goes from the name to the password');
    await page.keyboard.type(passwordOf('axe.anna'));
    await page.keyboard.press('Enter');
    await page.waitForSelector('#start-page .start-total-value');
    await clean('start page');
    // Tab alone walks from the search over the menu to the start page's buttons.
    await page.focus('#menu-search');
    const seen = new Set();
    for (let k = 0; k < 300 && !seen.has('start-open'); k++) {
      await page.keyboard.press('Tab');
      seen.add(await page.evaluate(() => {
        const a = document.activeElement;
        return a?.classList.contains('start-open') ? 'start-open' : a?.classList.contains('menu-item') ? 'menu-item' : a?.id || a?.tagName || '';
      }));
    }
    expect(seen.has('menu-item') && seen.has('start-open'), `Tab reaches the menu and the tiles: ${[...seen].join(', ')}`);
  }],

  ['the menu and a form from the keyboard', async () => {
    await page.focus('#menu-search');
    await page.keyboard.type('client debt');
    await page.waitForSelector('#menu-found [data-class="CDebtOfClients"]');
    await page.keyboard.press('ArrowDown');
    equal(await page.evaluate(() => document.activeElement?.getAttribute('data-class')), 'CDebtOfClients', 'the arrow goes into the list');
    await page.keyboard.press('Enter');
    await page.waitForSelector('[data-window="frmDebtOfClients"]');
    // The focus ring shows where the keyboard is.
    await page.focus('[data-window="frmDebtOfClients"] button[data-control="btFillList"]');
    const ring = await page.evaluate(() => getComputedStyle(document.activeElement).outlineStyle);
    expect(ring !== 'none', `a visible focus ring (${ring})`);
    await clean('the client debt form');
  }],

  ['a filled grid read as a grid, moved in by the keyboard', async () => {
    await page.keyboard.press('Enter');
    const grid = '[data-window="frmDebtOfClients"] .grid-body';
    await page.waitForSelector(`${grid} .grid-row`);
    const roles = await page.$eval('[data-window="frmDebtOfClients"] .grid-table', (t) => ({
      grid: t.getAttribute('role'),
      rowcount: Number(t.getAttribute('aria-rowcount')),
      headers: t.querySelectorAll('[role="columnheader"]').length,
      cells: t.querySelectorAll('[role="gridcell"]').length,
      rows: t.querySelectorAll('.grid-body [role="row"]').length,
    }));
    equal(roles.grid, 'grid', 'the table\'s role');
    expect(roles.rowcount > roles.rows && roles.rows > 0, `aria-rowcount ${roles.rowcount} counts the rows not drawn as well (${roles.rows} drawn)`);
    expect(roles.headers > 3 && roles.cells > 0, 'column headers and cells');
    const rowIndex = await page.getAttribute(`${grid} .grid-row[data-pos="0"]`, 'aria-rowindex');
    equal(rowIndex, '2', 'the first row stands under the header');
    await page.focus(grid);
    await page.keyboard.press('Home');
    await page.keyboard.press('ArrowDown');
    await waitFor('the second row current', async () => (await page.getAttribute(`${grid} .grid-row.current`, 'data-pos')) === '1');
    await shot(page, 'grid-keyboard');
    await clean('the filled client debt grid');
  }],

  ['a cube window', async () => {
    await page.keyboard.press('Escape');
    await page.fill('#menu-search', 'sales cube');
    await page.click('#menu-found [data-class="RSale"]');
    await page.waitForSelector('[data-window="fCubeParamDatesSale"]');
    await clean('the cube\'s parameter dialog');
    for (const [box, value] of [['edBegDate', '2026-01-01'], ['edEndDate', '2026-03-31']]) {
      const input = page.locator(`input[data-key="fCubeParamDatesSale.${box}"]`);
      await input.fill(value);
      await input.press('Tab');
    }
    await page.click('[data-window="fCubeParamDatesSale"] button[data-control="btOk"]');
    await page.waitForSelector('[data-window="CCube"] .cube-row');
    const heads = await page.$$eval('[data-window="CCube"] .cube-colhead', (c) => c.map((x) => x.getAttribute('role')));
    expect(heads.length > 0 && heads.every((r) => r === 'columnheader'), `cube column headers: ${heads.slice(0, 4).join(', ')}`);
    const tree = await page.$eval('[data-window="CCube"] .cube-scroll', (s) => ({
      role: s.getAttribute('role'),
      rowcount: Number(s.getAttribute('aria-rowcount')),
      rows: [...s.querySelectorAll('.cube-row')].map((r) => ({ level: Number(r.getAttribute('aria-level')), expanded: r.getAttribute('aria-expanded'), toggle: r.querySelector('.cube-toggle')?.getAttribute('data-expand') ?? null })),
    }));
    equal(tree.role, 'treegrid', 'the cube\'s rows are a tree');
    expect(tree.rowcount > 1 && tree.rows.length > 0 && tree.rows.every((r) => r.level >= 1), 'levels on every row');
    // A row that opens or closes says which it is.
    for (const r of tree.rows) if (r.toggle) equal(r.expanded, r.toggle === 'Expanded' ? 'true' : 'false', 'aria-expanded against the toggle');
    expect(tree.rows.some((r) => r.toggle), 'rows that open');
    await clean('the sales cube');
  }],

  ['the cube\'s chart, opened and changed from the keyboard', async () => {
    const cube = '[data-window="CCube"]';
    await page.focus(`${cube} [data-chart-toggle]`);
    await page.keyboard.press('Enter');
    await page.waitForSelector(`${cube} [data-chart-plot] canvas`);
    await page.waitForSelector(`${cube} [data-chart-note]:not(:empty)`);
    const focused = () => page.evaluate(() => /** @type {HTMLElement | null} */ (document.activeElement)?.dataset?.key ?? '');
    expect((await focused()).startsWith('chart:'), `the toggle keeps the focus through the redraw: ${await focused()}`);
    await page.keyboard.press('Tab');
    await page.keyboard.press('Tab');
    await page.keyboard.press('Enter');
    await waitFor('stacked bars', async () => (await page.getAttribute(`${cube} [data-chart-kind="stacked"]`, 'aria-checked')) === 'true');
    expect((await focused()).endsWith(':stacked'), `the chosen kind keeps the focus: ${await focused()}`);
    await shot(page, 'cube-chart-keyboard');
    await clean('the sales cube\'s chart');
  }],
], page);

await browser.close();
await server.stop();
