// Editing in the browser: a parameter dialog whose check refuses at the control, a grid
// edited in place with Enter, Escape and Tab, a refusal shown at its cell, rows added and
// deleted from the keyboard and the toolbar, a client's card from a row, and a report
// printed by its code into a page of its own.

import { equal, expect, fetchAs, money, openBrowser, run, shot, signIn, sql, startServer, waitFor } from './harness.mjs';

const server = await startServer([], ['eve']);
const browser = await openBrowser();
const page = await browser.context.newPage();

const grid = '[data-window="frmWebPlan"] .grid-body';
const cell = (pos, column) => `${grid} .grid-row[data-pos="${pos}"] [data-column="${column}"]`;
const cellText = async (pos, column) => (await page.textContent(cell(pos, column)))?.trim();
const footer = async () => (await page.textContent('[data-window="frmWebPlan"] .grid-foot [data-column="Summa"]')).trim();
const rowCount = async () => Number(await page.getAttribute(`${grid}`, 'aria-rowcount'));

// Makes a cell current with one click, then edits it with a second.
async function editCell(pos, column) {
  await page.click(cell(pos, column));
  await waitFor(`cell ${pos} ${column} current`, async () => (await page.locator(`${cell(pos, column)}.current-cell`).count()) === 1);
  await page.click(cell(pos, column));
  await page.waitForSelector(`${cell(pos, column)} input.cell-editor`);
}

await run([
  ['the parameter dialog refuses at the control its check names', async () => {
    await signIn(page, server.address, 'eve');
    await page.click('[data-class="TWebPlan"]');
    await page.waitForSelector('[data-window="frmWebPlanParams"]');
    equal(money(await page.inputValue('input[data-key="frmWebPlanParams.edLimit"]')), 1000, 'the default from BeforeShow');
    await page.fill('input[data-key="frmWebPlanParams.edLimit"]', '0');
    await page.click('button[data-key="frmWebPlanParams.btOK"]');
    await page.waitForSelector('[data-refusal="frmWebPlanParams.edLimit"]');
    equal(await page.textContent('[data-refusal="frmWebPlanParams.edLimit"]'), 'The limit must be more than 0', 'refusal');
    await shot(page, 'param-form-refused');
    await page.fill('input[data-key="frmWebPlanParams.edLimit"]', '500');
    await page.click('button[data-key="frmWebPlanParams.btOK"]');
    await page.waitForSelector('[data-window="frmWebPlan"]');
    await page.waitForSelector(cell(2, 'Summa'));
    equal(await footer(), '600.00', 'the first total');
  }],

  ['a cell is edited in place: Enter keeps, Escape gives back, Tab moves on', async () => {
    await editCell(1, 'Summa');
    await page.fill(`${cell(1, 'Summa')} input.cell-editor`, '250.5');
    await page.keyboard.press('Enter');
    await waitFor('the new sum', async () => (await cellText(1, 'Summa')) === '250.50');
    equal(await footer(), '650.50', 'total after the edit');

    // Escape: the typed text goes, the value stays.
    await page.focus(grid);
    await page.keyboard.press('F2');
    await page.waitForSelector(`${cell(1, 'Summa')} input.cell-editor`);
    await page.keyboard.type('9');
    await page.keyboard.press('Escape');
    await page.waitForSelector(`${grid} input.cell-editor`, { state: 'detached' });
    equal(await cellText(1, 'Summa'), '250.50', 'Escape keeps the value');

    // Typing starts editing; Tab keeps it and moves to the next editable column.
    await page.focus(grid);
    await page.keyboard.type('7');
    await page.keyboard.press('Tab');
    await page.waitForSelector(`${cell(1, 'Note')} input.cell-editor`);
    await page.keyboard.type('urgent');
    await page.keyboard.press('Enter');
    await waitFor('the note', async () => (await cellText(1, 'Note')) === 'urgent');
    equal(await cellText(1, 'Summa'), '7.00', 'the sum typed before Tab');
    equal(await footer(), '407.00', 'total after Tab');
  }],

  ['refused input stays in the cell with the column and the problem', async () => {
    await editCell(0, 'Summa');
    await page.fill(`${cell(0, 'Summa')} input.cell-editor`, '600');
    await page.keyboard.press('Enter');
    const refusal = `[data-refusal="frmWebPlan/grdPlan.0.Summa"]`;
    await page.waitForSelector(refusal);
    equal(await page.textContent(refusal), 'Sum (Summa): over the limit of 500', 'refusal at the cell');
    expect((await cellText(0, 'Summa')).startsWith('600'), 'the typed text stays in the cell');
    equal(await page.locator('#error-dialog').count(), 0, 'no error dialog');
    equal(await footer(), '407.00', 'the total is untouched');
    await shot(page, 'grid-cell-refused');
    // Corrected, the refusal goes.
    await editCell(0, 'Summa');
    equal(await page.inputValue(`${cell(0, 'Summa')} input.cell-editor`), '600', 'the editor holds the refused text');
    await page.fill(`${cell(0, 'Summa')} input.cell-editor`, '50');
    await page.keyboard.press('Enter');
    await page.waitForSelector(refusal, { state: 'detached' });
    equal(await footer(), '357.00', 'total after the correction');
  }],

  ['rows are added from the keyboard and deleted from the toolbar', async () => {
    await page.focus(grid);
    await page.keyboard.press('Insert');
    await waitFor('a fourth row', async () => (await rowCount()) === 4);
    await editCell(3, 'PayDate');
    await page.fill(`${cell(3, 'PayDate')} input.cell-editor`, '2025-12-31');
    await page.keyboard.press('Tab');
    await page.waitForSelector(`${cell(3, 'Summa')} input.cell-editor`);
    await page.keyboard.type('43');
    await page.keyboard.press('Enter');
    await waitFor('the new row total', async () => (await footer()) === '400.00');
    equal(await cellText(3, 'PayDate'), '2025-12-31', 'the new row date');

    // Delete the second row: the one holding 7.00.
    await page.click(cell(1, 'Client'));
    await page.click('[data-action="frmWebPlan/grdPlan.delrow"]');
    await waitFor('three rows', async () => (await rowCount()) === 3);
    equal(await footer(), '393.00', 'total after the delete');
  }],

  ['a client card opens from a row and a report prints by its code', async () => {
    const client = await cellText(0, 'Client');
    const name = sql(server.database, `SELECT Name FROM REFClient WHERE Code = '${client}'`)[0].Name;
    await page.click(cell(0, 'Client'));
    await page.click('[data-action="frmWebPlan/grdPlan.card"]');
    await page.waitForSelector('[data-window="frmClientCard"]');
    equal(await page.inputValue('input[data-key="frmClientCard.edCode"]'), client, 'card code');
    equal(await page.inputValue('input[data-key="frmClientCard.edName"]'), name, 'card name');
    await shot(page, 'client-card');

    await page.click('[data-tab="w:frmWebPlan"]');
    await page.waitForSelector('button[data-key="frmWebPlan.btPrint"]');
    await page.click('button[data-key="frmWebPlan.btPrint"]');
    const link = await page.waitForSelector('[data-print-report="WebPlan"]');
    const href = await link.getAttribute('href');
    const printed = await page.context().newPage();
    await printed.goto(new URL(href, server.address).toString());
    equal(await printed.textContent('h1'), 'Payment plan', 'print view title');
    equal((await printed.textContent('tfoot td.num')).trim(), '393.00', 'print view total');
    await printed.close();
    // The page belongs to the session: a signed-in browser naming another session is refused.
    const other = await fetchAs(browser.context, new URL(href.replace(/s=[^&]*/, 's=nobody'), server.address).toString());
    equal(other.status, 403, 'the print view without the session');
  }],
], page);

await browser.close();
await server.stop();
