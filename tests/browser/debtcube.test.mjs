// The client-debt cube in the browser: the parameter form with its interval grid, the bands
// across the columns, a bound refused at its cell, and a change of bands in the open window
// that moves amounts between the bands while the grand total stays.

import { equal, expect, money, openBrowser, run, shot, signIn, startServer, waitFor } from './harness.mjs';

const server = await startServer([], ['debt.dana']);
const browser = await openBrowser();
const page = await browser.context.newPage();

const cube = '[data-window="CCube"]';
const form = '[data-window="fCubeDebtByClients"]';
const cell = (pos, column) => `${form} .grid-body .grid-row[data-pos="${pos}"] [data-column="${column}"]`;

const bandHeaders = () => page.$$eval(`${cube} .cube-colhead[data-level="0"]`, (c) => c.map((x) => x.textContent.replace(/^[+−]/, '')));
const scrollTo = (where) => page.$eval(`${cube} .cube-scroll`, (s, where) => {
  if (where.includes('right')) s.scrollLeft = s.scrollWidth;
  if (where.includes('bottom')) s.scrollTop = s.scrollHeight;
  if (where === 'start') s.scrollLeft = s.scrollTop = 0;
  s.dispatchEvent(new Event('scroll'));
}, where);

// The grand-total row's debt under the grand-total column, and under the first band.
async function totals() {
  const totalColumn = await page.getAttribute(`${cube} .cube-facthead[data-kind="GrandTotal"][data-fact="AccNeedPaySum"]`, 'data-column');
  const firstColumn = await page.getAttribute(`${cube} .cube-facthead[data-fact="AccNeedPaySum"]`, 'data-column');
  await scrollTo('start');
  const first = page.locator(`${cube} .cube-row[data-kind="GrandTotal"] [data-column="${firstColumn}"]`);
  await waitFor('the first band of the grand total', async () => {
    await page.$eval(`${cube} .cube-scroll`, (s) => { s.scrollTop = s.scrollHeight; s.dispatchEvent(new Event('scroll')); });
    return (await first.count()) > 0;
  });
  const firstBand = money(await first.textContent());
  const total = page.locator(`${cube} .cube-row[data-kind="GrandTotal"] [data-column="${totalColumn}"]`);
  await waitFor('the grand total', async () => {
    await scrollTo('right bottom');
    return (await total.count()) > 0;
  });
  return { firstBand, total: money(await total.textContent()) };
}

async function editCell(pos, column, value) {
  await page.click(cell(pos, column));
  await waitFor(`cell ${pos} ${column} current`, async () => (await page.locator(`${cell(pos, column)}.current-cell`).count()) === 1);
  await page.click(cell(pos, column));
  await page.fill(`${cell(pos, column)} input.cell-editor`, value);
  await page.keyboard.press('Enter');
}

let before;

await run([
  ['the client-debt cube opens with the default bands across the columns', async () => {
    await signIn(page, server.address, 'debt.dana');
    await page.click('[data-class="RDebtOfClients"]');
    await page.waitForSelector(form);
    const date = page.locator('input[data-key="fCubeDebtByClients.edRepDate"]');
    await date.fill('2026-03-31');
    await date.press('Tab');
    await page.click(`${form} button[data-control="btDefaultBands"]`);
    await page.click(`${form} button[data-control="btOk"]`);
    await page.waitForSelector(`${cube} .cube-row`);
    await waitFor('the four bands', async () => (await bandHeaders()).includes('4. > 90'));
    equal(JSON.stringify((await bandHeaders()).filter((h) => /^\d\./.test(h))),
      JSON.stringify(['1. < 30', '2. 30 - 60', '3. 61 - 90', '4. > 90']), 'band headers');
    before = await totals();
    expect(before.total > 0 && before.firstBand > 0, `debts to show: ${JSON.stringify(before)}`);
    await shot(page, 'debt-cube');
  }],

  ['a bound below the one before it is refused at its cell', async () => {
    await page.click(`${cube} button[data-control="btOverdueBands"]`);
    await page.waitForSelector(`${form} .grid-body .grid-row`);
    await editCell(1, 'Days', '5');
    const refusal = '[data-refusal="fCubeDebtByClients/SpecGrid.1.Days"]';
    await page.waitForSelector(refusal);
    expect((await page.textContent(refusal)).includes('Days'), 'the refusal names the column');
    await editCell(1, 'Days', '60');
    await page.waitForSelector(refusal, { state: 'detached' });
  }],

  ['narrower first band: amounts move to the next band, the grand total stays', async () => {
    await editCell(0, 'Days', '10');
    await page.click(`${form} button[data-control="btOk"]`);
    await page.waitForSelector(form, { state: 'detached' });
    await waitFor('the new bands', async () => (await bandHeaders()).includes('1. < 10'));
    const after = await totals();
    equal(after.total.toFixed(2), before.total.toFixed(2), 'the grand total stays');
    expect(after.firstBand < before.firstBand, `less below 10 days than below 30: ${after.firstBand} < ${before.firstBand}`);
    await shot(page, 'debt-cube-bands');
  }],
], page);

await browser.close();
await server.stop();
