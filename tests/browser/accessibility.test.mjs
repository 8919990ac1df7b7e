// axe-core over the main window, the start page, a form, a grid and a cube window: no
// serious or critical violation; and the keyboard alone reaches the menu, runs a report and
// moves in its grid.

import { createRequire } from 'node:module';
import path from 'node:path';
import { equal, expect, openBrowser, repository, run, shot, startServer, waitFor } from './harness.mjs';

const require = createRequire(path.join(repository, 'web', 'package.json'));
const axePath = require.resolve('axe-core/axe.min.js');

const server = await startServer();
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
    // Keyboard alone: the name, Enter.
    await page.focus('#signin-user');
    await page.keyboard.type('axe.anna');
    await page.keyboard.press('Enter');
    await page.waitForSelector('#start-page .start-total-value');
    await clean('start page');
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
    await page.click('[data-window="fCubeParamDatesSale"] button[data-control="btOk"]');
    await page.waitForSelector('[data-window="CCube"] .cube-row');
    const heads = await page.$$eval('[data-window="CCube"] .cube-colhead', (c) => c.map((x) => x.getAttribute('role')));
    expect(heads.length > 0 && heads.every((r) => r === 'columnheader'), `cube column headers: ${heads.slice(0, 4).join(', ')}`);
    await clean('the sales cube');
  }],
], page);

await browser.close();
await server.stop();
