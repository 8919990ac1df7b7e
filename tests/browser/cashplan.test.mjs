// The cash payment plan in the browser: a new plan of a year from the menu, its lines added,
// typed into, refused at their cell and deleted in its dialog, saved; then the saved plan
// opened again from its document view, changed and saved once more. Each step is checked
// against what the database holds.

import { equal, money, openBrowser, run, shot, signIn, sql, startServer, waitFor } from './harness.mjs';

const server = await startServer([], ['clara']);
const browser = await openBrowser();
const page = await browser.context.newPage();

const grid = '[data-window="frmCPAY"] .grid-body';
const cell = (pos, column) => `${grid} .grid-row[data-pos="${pos}"] [data-column="${column}"]`;
const cellText = async (pos, column) => (await page.textContent(cell(pos, column)))?.trim();
const rowCount = async () => Number(await page.getAttribute(grid, 'aria-rowcount'));
// The plans of 2042 as stored, each with its lines as "position:sum:due:payment type".
function planOf2042() {
  const plans = sql(server.database, "SELECT IDC AS idc, Summa AS summa FROM THDocument WHERE DocTypeCode = 'CPAY' AND DocumentDate = '2042-01-01'");
  for (const plan of plans) {
    plan.lines = sql(server.database,
      'SELECT g.PosNumb AS pos, g.Summa AS summa, c.NeedPayDate AS due, c.PaymentTypeCode AS pt FROM THGoodSpec g ' +
      `JOIN THGoodSpecCPAY c ON c.DocID = g.DocID AND c.PosNumb = g.PosNumb WHERE g.DocID = ${plan.idc} ORDER BY g.PosNumb`)
      .map((l) => `${l.pos}:${money(l.summa).toFixed(2)}:${l.due}:${l.pt}`).join(' ');
  }
  return plans;
}

async function editCell(pos, column, value) {
  await page.click(cell(pos, column));
  await waitFor(`cell ${pos} ${column} current`, async () => (await page.locator(`${cell(pos, column)}.current-cell`).count()) === 1);
  await page.click(cell(pos, column));
  await page.fill(`${cell(pos, column)} input.cell-editor`, value);
  await page.keyboard.press('Enter');
}

await run([
  ['a new plan of a year: lines added, typed into, refused and deleted, then saved', async () => {
    await signIn(page, server.address, 'clara');
    await page.click('[data-class="CCashPaymentPlan"]');
    await page.waitForSelector('[data-window="frmCashPlanYear"]');
    await page.fill('input[data-key="frmCashPlanYear.edYear"]', '2042');
    await page.click('button[data-key="frmCashPlanYear.btOK"]');
    await page.waitForSelector('[data-window="frmCPAY"]');
    equal(await rowCount(), 0, 'a new plan has no lines');

    await page.focus(grid);
    await page.keyboard.press('Insert');
    await waitFor('the first line', async () => (await rowCount()) === 1);
    equal(await cellText(0, 'PaymentTypeCode'), 'BANK', 'the default payment type');
    await editCell(0, 'Summa', '300');
    await waitFor('the sum', async () => (await cellText(0, 'Summa')) === '300.00');
    await editCell(0, 'NeedPayDate', '2042-05-20');
    await waitFor('the due date', async () => (await cellText(0, 'NeedPayDate')) === '2042-05-20');

    // A payment type the reference lacks stays at its cell, naming the column.
    await editCell(0, 'PaymentTypeCode', 'NOPE');
    const refusal = '[data-refusal="frmCPAY/SpecList.0.PaymentTypeCode"]';
    await page.waitForSelector(refusal);
    equal(await page.textContent(refusal), "Mokėjimo būdas (PaymentTypeCode): no payment type 'NOPE'", 'refusal at the cell');
    equal(await page.locator('#error-dialog').count(), 0, 'no error dialog');
    await shot(page, 'cash-plan-refused');
    await editCell(0, 'PaymentTypeCode', 'CASH');
    await page.waitForSelector(refusal, { state: 'detached' });
    await waitFor('the payment type name', async () => (await cellText(0, 'PaymentTypeName')) === 'Cash');

    // A second line, deleted again from the toolbar.
    await page.focus(grid);
    await page.keyboard.press('Insert');
    await waitFor('two lines', async () => (await rowCount()) === 2);
    await page.click(cell(1, 'PosNumb'));
    await page.click('[data-action="frmCPAY/SpecList.delrow"]');
    await waitFor('one line', async () => (await rowCount()) === 1);
    equal(planOf2042().length, 0, 'nothing is written before the plan is saved');

    await page.click('button[data-key="frmCPAY.btApply"]');
    await page.waitForSelector('[data-window="frmCPAY"]', { state: 'detached' });
    const plan = planOf2042();
    equal(plan.length, 1, 'one plan of 2042');
    equal(plan[0].lines, '1:300.00:2042-05-20:CASH', 'the lines as stored');
    equal(money(plan[0].summa).toFixed(2), '300.00', 'the plan total');
  }],

  ['the saved plan opens from its document view and saves again without doubling', async () => {
    const idc = planOf2042()[0].idc;
    await page.click(`[data-tab="d:${idc}"]`);
    await page.waitForSelector('#doc-edit');
    await page.click('#doc-edit');
    await page.waitForSelector('[data-window="frmCPAY"]');
    await waitFor('the stored line', async () => (await rowCount()) === 1 && (await cellText(0, 'Summa')) === '300.00');
    await editCell(0, 'Summa', '450');
    await waitFor('the new sum', async () => (await cellText(0, 'Summa')) === '450.00');
    await page.click('button[data-key="frmCPAY.btApply"]');
    await page.waitForSelector('[data-window="frmCPAY"]', { state: 'detached' });
    await waitFor('the document view shows the new total', async () =>
      ((await page.textContent('#doc-sum')) ?? '').includes('450'));
    const plan = planOf2042();
    equal(plan.length, 1, 'still one plan of 2042');
    equal(plan[0].lines, '1:450.00:2042-05-20:CASH', 'one line, changed');
    await shot(page, 'cash-plan-document');
  }],
], page);

await browser.close();
await server.stop();
