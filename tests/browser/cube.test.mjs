// The sales cube in the browser: the parameter form, the pivot table, a dimension dragged
// from the rows to the columns, and a double-click on a sum that lists the documents behind
// it, checked against the database line by line, down to one document.

import { equal, expect, fetchAs, gridRows, money, openBrowser, run, shot, signIn, sql, startServer, waitFor } from './harness.mjs';

const server = await startServer([], ['cube.anna']);
const browser = await openBrowser();
const page = await browser.context.newPage();

const cube = '[data-window="CCube"]';
const quote = (text) => `'${text.replace(/'/g, "''")}'`;
const period = ['2026-01-01', '2026-03-31'];


const chips = (zone) => page.$$eval(`${cube} .cube-zone[data-zone="${zone}"] .cube-chip`, (c) => c.map((x) => x.dataset.dim));
// Only the columns in sight are drawn: the totals stand at the right end.
const scrollTo = (where) => page.$eval(`${cube} .cube-scroll`, (s, where) => {
  if (where.includes('right')) s.scrollLeft = s.scrollWidth;
  if (where.includes('bottom')) s.scrollTop = s.scrollHeight;
  if (where === 'start') s.scrollLeft = s.scrollTop = 0;
  s.dispatchEvent(new Event('scroll'));
}, where);
const topHeaders = () => page.$$eval(`${cube} .cube-colhead[data-level="0"]`, (c) => c.map((x) => x.textContent.replace(/^[+−]/, '')));

await run([
  ['the sales cube opens from the menu as a pivot table', async () => {
    await signIn(page, server.address, 'cube.anna');
    await page.click('[data-class="RSale"]');
    await page.waitForSelector('[data-window="fCubeParamDatesSale"]');
    for (const [box, value] of [['edBegDate', period[0]], ['edEndDate', period[1]]]) {
      const input = page.locator(`input[data-key="fCubeParamDatesSale.${box}"]`);
      await input.fill(value);
      await input.press('Tab');
    }
    await page.click('[data-window="fCubeParamDatesSale"] button[data-control="btOk"]');
    await page.waitForSelector(`${cube} .cube-row`);
    equal(JSON.stringify(await chips('Rows')), JSON.stringify(['GroupT', 'Good']), 'dimensions down the rows');
    expect((await chips('Columns')).includes('Year'), 'the years across');
    expect((await chips('Filter')).includes('Buyer'), 'the buyer waits in the filter area');
    // Multi-row headers: the year spans the quarters and months under it.
    const years = await topHeaders();
    expect(years.includes('2026'), `year header: ${years.join(' | ')}`);
    const span = await page.$eval(`${cube} .cube-colhead[data-level="0"]`, (c) => c.style.gridColumn);
    expect(/span (\d+)/.exec(span) && Number(/span (\d+)/.exec(span)[1]) > 1, `the year spans its columns (${span})`);
    // The grand total row is marked and money stands right.
    await page.waitForSelector(`${cube} .cube-row[data-kind="GrandTotal"]`);
    const align = await page.$eval(`${cube} .cube-row .cube-cell[data-fact="Summa"]`, (c) => getComputedStyle(c).textAlign);
    equal(align, 'right', 'money alignment');
    await shot(page, 'cube-window');
    // A group's toggle shows its goods under it, and hides them again.
    const group = await page.textContent(`${cube} .cube-row[data-pos="0"] .cube-rowhead`);
    await page.click(`${cube} .cube-row[data-pos="0"] .cube-toggle[data-expand="Collapsed"]`);
    await page.waitForSelector(`${cube} .cube-row[data-level="2"]`);
    const opened = await page.$$eval(`${cube} .cube-row[data-level="2"] .cube-rowhead[data-column="Good"]`, (c) => c.map((x) => x.textContent));
    expect(opened.length > 0 && opened.every((g) => g.includes('[')), `goods under ${group}: ${opened.slice(0, 3).join(' | ')}`);
    await page.click(`${cube} .cube-row[data-kind="Subtotal"] .cube-toggle[data-expand="Expanded"]`);
    await page.waitForSelector(`${cube} .cube-row[data-level="2"]`, { state: 'detached' });
  }],

  ['a dimension dragged from the rows to the columns changes the headers', async () => {
    const before = await topHeaders();
    await page.dragAndDrop(`${cube} .cube-chip[data-dim="GroupT"]`, `${cube} .cube-zone[data-zone="Columns"]`, { targetPosition: { x: 4, y: 4 } });
    await waitFor('the group across the columns', async () => (await chips('Columns'))[0] === 'GroupT');
    equal(JSON.stringify(await chips('Rows')), JSON.stringify(['Good']), 'the goods alone down the rows');
    await waitFor('new column headers', async () => JSON.stringify(await topHeaders()) !== JSON.stringify(before));
    const groups = await topHeaders();
    expect(groups.some((g) => g.includes(':')), `group members head the columns: ${groups.join(' | ')}`);
    expect(!groups.includes('2026'), 'the year is no longer the outermost header');
    await shot(page, 'cube-moved');
    // A group's column header closes: its years and quarters go, its total stays.
    const inner = () => page.locator(`${cube} .cube-colhead[data-level="1"]`).count();
    const before1 = await inner();
    const toggle = page.locator(`${cube} .cube-colhead[data-level="0"] .cube-toggle[data-expand="Expanded"]`).first();
    await toggle.click();
    await waitFor('fewer headers under the groups', async () => (await inner()) < before1);
    await page.waitForSelector(`${cube} .cube-colhead[data-level="0"] .cube-toggle[data-expand="Collapsed"]`);
  }],

  ['a double-click on a sum lists its documents, whose lines add up to it', async () => {
    const column = await page.getAttribute(`${cube} .cube-facthead[data-kind="GrandTotal"][data-fact="Summa"]`, 'data-column');
    await scrollTo('right');
    await page.waitForSelector(`${cube} .cube-row [data-column="${column}"]`);
    // The first good with a sum of its own.
    const cells = await page.$$eval(`${cube} .cube-row[data-kind="Member"]`, (rows, col) => rows.map((r) => ({
      pos: r.dataset.pos,
      good: r.querySelector('.cube-rowhead').textContent.replace(/^[+−]/, ''),
      sum: r.querySelector(`[data-column="${col}"]`).textContent,
    })), column);
    const chosen = cells.find((c) => c.sum !== '' && money(c.sum) !== 0);
    expect(chosen, 'a good with sales in the period');
    const target = page.locator(`${cube} .cube-row[data-pos="${chosen.pos}"] [data-column="${column}"]`);
    await target.dblclick();
    await page.waitForSelector('[data-window="CubeSrcList"] .grid-body .grid-row');
    await shot(page, 'cube-drill-down');
    const listed = await gridRows(page, 'CubeSrcList', ['DocTypeCode', 'Number', 'DocumentDate']);
    const count = Number(await page.getAttribute('[data-window="CubeSrcList"] [data-rowcount]', 'data-rowcount'));
    equal(listed.length, count, 'rows read from the list');
    const documents = [...new Set(listed.map((r) => `${r.DocTypeCode}:${r.Number}`))];
    expect(documents.length > 0, 'documents behind the cell');
    // The cell's own part of those documents: their lines of this good, without VAT, with the
    // sign of their type, in the accounting currency at the rate of the document's date.
    const goodCode = chosen.good.slice(0, chosen.good.indexOf(':'));
    const [expected] = sql(server.database, `
      SELECT SUM(CASE d.DocTypeCode WHEN 'GPG' THEN -1 WHEN 'PRSD' THEN -1 ELSE 1 END *
                 CASE WHEN d.CurrencyCode = 'EUR' THEN l.Net ELSE ROUND(l.Net * r.Rate, 2) END) AS s,
             COUNT(DISTINCT d.IDC) AS n
      FROM THDocument d
      JOIN (SELECT gs.DocID, CASE WHEN gs.AmountAccount = 0 THEN 0 ELSE gs.Summa - v.SummVAT END AS Net
            FROM THGoodSpec gs
            JOIN (SELECT DocID, PosNumb, SummVAT FROM THGoodSpecPRSF UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecGPG
                  UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecPRSD UNION ALL SELECT DocID, PosNumb, SummVAT FROM THGoodSpecSCN) v
              ON v.DocID = gs.DocID AND v.PosNumb = gs.PosNumb
            WHERE gs.GoodCode = ${quote(goodCode)}) l ON l.DocID = d.IDC
      LEFT JOIN REFCurrencyRate r ON r.CurrencyCode = d.CurrencyCode AND r.RateTypeCode = 'BNK'
        AND r.DateApply = (SELECT MAX(x.DateApply) FROM REFCurrencyRate x WHERE x.CurrencyCode = d.CurrencyCode AND x.RateTypeCode = 'BNK' AND x.DateApply <= d.DocumentDate)
      WHERE d.DocumentDate BETWEEN '${period[0]}' AND '${period[1]}'
        AND d.DocTypeCode + ':' + d.Number IN (${documents.map(quote).join(',')})`);
    equal(Number(expected.n), documents.length, 'every listed document has lines of the good');
    equal(Number(expected.s).toFixed(2), money(chosen.sum).toFixed(2), 'the cell against the lines of its documents');
  }],

  ['a document of the list opens', async () => {
    const row = page.locator('[data-window="CubeSrcList"] .grid-row[data-pos="0"]');
    const number = await row.locator('[data-column="Number"]').textContent();
    await row.locator('[data-column="Number"]').dblclick();
    await page.waitForSelector('#doc-number');
    equal(await page.textContent('#doc-number'), number, 'opened document');
    const idc = await page.textContent('#doc-idc');
    equal(sql(server.database, `SELECT Number FROM THDocument WHERE IDC = ${idc}`)[0].Number, number, 'the document in the database');
    await shot(page, 'cube-document');
  }],

  ['the visible grid exports as CSV and XLSX', async () => {
    await page.click('[data-window="CubeSrcList"] button[data-control="btOk"]');
    await page.waitForSelector('[data-window="CubeSrcList"]', { state: 'detached' });
    await page.click('.tab[data-tab="w:CCube"]');
    await page.waitForSelector(`${cube} .cube-row`);
    const href = await page.getAttribute(`${cube} a[data-export="csv"]`, 'href');
    const csv = await (await fetchAs(browser.context, new URL(href, server.address))).text();
    const total = Number(await page.getAttribute(`${cube} [data-rowcount]`, 'data-rowcount'));
    equal(csv.trim().split('\r\n').length, total + 1, 'CSV lines: header and rows');
    const xlsxHref = await page.getAttribute(`${cube} a[data-export="xlsx"]`, 'href');
    const xlsx = Buffer.from(await (await fetchAs(browser.context, new URL(xlsxHref, server.address))).arrayBuffer());
    equal(xlsx.subarray(0, 2).toString(), 'PK', 'XLSX signature');
  }],

  ['a member filter counts one department only, and all again', async () => {
    const grandTotal = async () => {
      const column = await page.getAttribute(`${cube} .cube-facthead[data-kind="GrandTotal"][data-fact="Summa"]`, 'data-column');
      // The grand total is the last row: in sight once scrolled to the end (again after a
      // redraw that brought fewer or more rows).
      // Read in the same look that finds it: a redraw between finding the cell and reading it
      // may take the row out of sight again.
      const cell = `${cube} .cube-row[data-kind="GrandTotal"] [data-column="${column}"]`;
      let text = '';
      await waitFor('the grand total row', async () => {
        await scrollTo('right bottom');
        const texts = await page.$$eval(cell, (cells) => cells.map((c) => c.textContent ?? ''));
        if (texts.length === 0) return false;
        text = texts[0];
        return true;
      });
      return text;
    };
    const before = await grandTotal();
    await page.click(`${cube} [data-filter="Department"]`);
    await page.waitForSelector(`${cube} [data-filter-popup="Department"] .filter-member`);
    const members = await page.$$eval(`${cube} [data-filter-popup="Department"] .filter-member`, (m) => m.map((x) => x.dataset.member));
    expect(members.length > 1, `departments to choose from: ${members.join(', ')}`);
    await page.click(`${cube} .filter-member[data-member="${members[0]}"] .filter-only`);
    await page.waitForSelector(`${cube} .cube-chip.filtered[data-dim="Department"]`);
    await waitFor('the total of one department', async () => (await grandTotal()) !== before);
    expect(money(await grandTotal()) < money(before), 'one department sells less than all');
    await shot(page, 'cube-filtered');
    await page.click(`${cube} [data-filter-popup="Department"] .filter-all`);
    await waitFor('all departments again', async () => (await grandTotal()) === before);
    equal(await page.locator(`${cube} .cube-chip.filtered`).count(), 0, 'no dimension filtered');
  }],

  ['a dimension moves from the keyboard and keeps the focus', async () => {
    const focused = () => page.evaluate(() => /** @type {HTMLElement | null} */ (document.activeElement)?.dataset?.dim ?? '');
    const columns = await chips('Columns');
    await page.focus(`${cube} .cube-chip[data-dim="Country"]`);
    await page.keyboard.press('Shift+ArrowRight');
    await waitFor('Country first across the columns', async () => (await chips('Columns'))[0] === 'Country');
    expect(!(await chips('Filter')).includes('Country'), 'Country left the filter area');
    await waitFor('the moved chip keeps the focus', async () => (await focused()) === 'Country');
    await page.keyboard.press('ArrowRight');
    await waitFor('Country second across', async () => (await chips('Columns'))[1] === 'Country');
    equal((await chips('Columns'))[0], columns[0], 'the first dimension across before it');
    await page.keyboard.press('ArrowLeft');
    await waitFor('Country first again', async () => (await chips('Columns'))[0] === 'Country');
    await page.keyboard.press('Shift+ArrowLeft');
    await waitFor('Country back in the filter area', async () => (await chips('Filter')).includes('Country'));
    equal(JSON.stringify(await chips('Columns')), JSON.stringify(columns), 'the columns as they were');
  }],
], page);

await browser.close();
await server.stop();
