// The browser client end to end: sign in, the menu, a form filled by hand, the grid it
// fills, bad input refused at the control, a failing report, documents, exports, two
// browsers at once and a tab that closes.

import { equal, expect, fetchAs, money, openBrowser, passwordOf, run, shot, signIn, sql, startServer, waitFor } from './harness.mjs';

const server = await startServer([], ['anna', 'ben']);
const browser = await openBrowser();
const page = await browser.context.newPage();
// The tab's connection to its session, to see the session's snapshots come.
/** @type {import('playwright-core').WebSocket} */
let socket;
page.on('websocket', (ws) => (socket = ws));

async function sessionCount() {
  const config = await (await fetchAs(browser.context, `${server.address}api/config`)).json();
  return config.sessions;
}



// The client debt of the test company by department, straight from the documents' open
// terms, the rates and the client's managers: the figures the debt report must show.
function debtByDepartment(database, end) {
  const rate = `(SELECT TOP 1 r.Rate FROM REFCurrencyRate r JOIN REFCurrency c ON c.Code = r.CurrencyCode
      AND c.DefaultRateType = r.RateTypeCode WHERE r.CurrencyCode = t.CurrencyCode AND r.DateApply <= t.DocumentDate
      ORDER BY r.DateApply DESC)`;
  const amount = `CASE WHEN t.CurrencyCode = (SELECT SettingValue FROM BookSetting WHERE SettingName = 'AccountCurrency')
      THEN t.DebtSumma ELSE ROUND(t.DebtSumma * ${rate}, 2) END`;
  return sql(database, `SELECT ISNULL(s.DepCode, '') AS Dep, SUM(x.Amount) AS Total FROM (
      SELECT p.PartyCode AS Client, ${amount} AS Amount
      FROM THDocumentPayTermCur t
      JOIN THPartyAttribute p ON p.DocId = t.IDC
        AND p.RolePartyCode = CASE WHEN t.DocTypeCode IN ('PGA', 'PISD') THEN 'PAR' ELSE 'PIR' END
      JOIN REFClient k ON k.Code = p.PartyCode
      WHERE t.IsPosted = 1 AND t.DocTypeCode IN ('PRSF', 'TPPR', 'PGA', 'PISD', 'SCN')
        AND t.DocumentDate >= (SELECT CAST(SettingValue AS DATE) FROM BookSetting WHERE SettingName = 'StartDate')
        AND t.DocumentDate <= '${end}') x
    LEFT JOIN REFClientPerson cp ON cp.ClientCode = x.Client AND cp.PersonRoleCode = 'MATS'
    LEFT JOIN REFStaffMember s ON s.EmployeeCode = cp.PersonCode AND s.IsPrimary = 1
    GROUP BY ISNULL(s.DepCode, '')`);
}

await run([
  ['sign in refuses a bad name and a wrong password and accepts a good one', async () => {
    await page.goto(server.address);
    await page.fill('#signin-user', 'anna smith');
    await page.fill('#signin-password', 'anything');
    await page.click('#signin-button');
    const refusal = await page.textContent('#signin-message');
    expect(refusal.includes("' ' is not allowed"), `sign-in refusal: ${refusal}`);
    await page.fill('#signin-user', 'anna');
    await page.fill('#signin-password', 'not her password');
    await page.click('#signin-button');
    await waitFor('the refusal', async () => (await page.textContent('#signin-message')) === 'The user name or the password is wrong');
    await shot(page, 'signin');
    await page.fill('#signin-password', passwordOf('anna'));
    await page.click('#signin-button');
    await page.waitForSelector('nav.menu .menu-item');
    equal(await page.textContent('#user-name'), 'anna', 'signed-in user');
    const groups = await page.$$eval('nav.menu summary', (s) => s.map((x) => x.textContent));
    equal(groups[0], 'receivables and payables', 'first menu group');
    for (const g of ['settlement', 'cubes', 'cost', 'ledger', 'sales']) expect(groups.includes(g), `menu group ${g}`);
    await shot(page, 'main-window');
  }],

  ['an unavailable class shows its message and the app goes on', async () => {
    // Any class of the catalogue not built yet; once every class is built there is none to try.
    const unavailable = page.locator('nav.menu .menu-item.unavailable').first();
    if ((await page.locator('nav.menu .menu-item.unavailable').count()) === 0) return;
    await unavailable.evaluate((el) => el.closest('details')?.setAttribute('open', ''));
    await unavailable.click();
    await page.waitForSelector('#error-dialog');
    expect((await page.textContent('#error-dialog .error-message')).includes('not available'), 'unavailable message');
    await page.click('#error-ok');
    await page.waitForSelector('#error-dialog', { state: 'detached' });
  }],

  ['a form from the menu refuses bad input at the control', async () => {
    await page.click('[data-class="TWebFill"]');
    await page.waitForSelector('[data-window="frmWebParams"]');
    // Controls of the other page of the tab control show only when it is chosen.
    const tabs = '[data-window="frmWebParams"] [data-control="tabPages"]';
    equal(await page.locator('input[data-key="frmWebParams.optBySum"]').count(), 0, 'the other page is hidden');
    await page.click(`${tabs} button:has-text("More")`);
    await page.waitForSelector('input[data-key="frmWebParams.optBySum"]');
    equal(await page.locator('input[data-key="frmWebParams.edDateBeg"]').count(), 0, 'the first page is hidden');
    await page.click(`${tabs} button:has-text("Period")`);
    await page.waitForSelector('input[data-key="frmWebParams.edDateBeg"]');
    await shot(page, 'form-parameters');
    const date = page.locator('input[data-key="frmWebParams.edDateBeg"]');
    await date.fill('2025-02-30');
    await date.press('Tab');
    const refusal = page.locator('[data-refusal="frmWebParams.edDateBeg"]');
    await refusal.waitFor();
    expect((await refusal.textContent()).includes('not a valid date'), 'date refusal text');
    const number = page.locator('input[data-key="frmWebParams.edMinSum"]');
    await number.fill('12a');
    await number.press('Tab');
    await page.locator('[data-refusal="frmWebParams.edMinSum"]').waitFor();
    await shot(page, 'form-refused-input');
    // Corrected values go through and the refusals go away.
    await date.fill('2025-01-01');
    await date.press('Tab');
    await number.fill('');
    await number.press('Tab');
    await page.locator('input[data-key="frmWebParams.edDateEnd"]').fill('2025-03-31');
    await page.locator('input[data-key="frmWebParams.edDateEnd"]').press('Tab');
    await waitFor('refusals to clear', async () => (await page.locator('.refusal').count()) === 0);
    // Type-ahead in a combo bound to departments.
    const department = sql(server.database, 'SELECT Code, Name FROM REFDepartment ORDER BY Code')[0];
    const combo = page.locator('input[data-key="frmWebParams.cbDepartment"]');
    await combo.fill(department.Code);
    await page.locator(`.lookup-item[data-code="${department.Code}"]`).waitFor();
    await shot(page, 'form-type-ahead');
    await combo.fill('');
    // A reference selector of several clients: picked from its list, one after another.
    const clients = sql(server.database, 'SELECT Code FROM REFClient ORDER BY Code').map((r) => r.Code);
    await page.click('[data-pick="frmWebParams.selClient"]');
    await page.click(`.lookup-item[data-code="${clients[0]}"]`);
    const selector = page.locator('input[data-key="frmWebParams.selClient"]');
    await selector.focus();
    await selector.press('End');
    await selector.type(`,${clients[1]}`);
    await page.locator(`.lookup-item[data-code="${clients[1]}"]`).click();
    equal(await selector.inputValue(), `${clients[0]},${clients[1]}`, 'chosen clients');
  }],

  ['fill shows a grid whose total matches the database', async () => {
    await page.click('[data-window="frmWebParams"] button[data-control="btOk"]');
    await page.waitForSelector('[data-window="frmWebList"] .grid-body .grid-row');
    const expected = sql(server.database,
      "SELECT COUNT(*) AS n, SUM(Summa) AS s, COUNT(DISTINCT DocTypeCode) AS t FROM THDocument WHERE DocumentDate BETWEEN '2025-01-01' AND '2025-03-31'")[0];
    const count = Number(await page.getAttribute('[data-window="frmWebList"] [data-rowcount]', 'data-rowcount'));
    equal(count, Number(expected.n) + Number(expected.t), 'rows with subtotals');
    const footer = await page.textContent('[data-window="frmWebList"] .grid-foot [data-column="Summa"]');
    equal(money(footer).toFixed(2), Number(expected.s).toFixed(2), 'footer total');
    expect(/^\d{1,3}(,\d{3})*\.\d\d$/.test(footer), `footer shown with separators: ${footer}`);
    const align = await page.$eval('[data-window="frmWebList"] .grid-body .grid-row [data-column="Summa"]', (c) => getComputedStyle(c).textAlign);
    equal(align, 'right', 'money alignment');
    const subtotal = page.locator('[data-window="frmWebList"] .grid-row.bold').first();
    await subtotal.waitFor();
    await shot(page, 'grid-documents');

    // Keyboard: the current row follows the arrows.
    await page.click('[data-window="frmWebList"] .grid-body .grid-row[data-pos="0"] [data-column="Number"]');
    await page.waitForSelector('[data-window="frmWebList"] .grid-row.current[data-pos="0"]');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowDown');
    await page.waitForSelector('[data-window="frmWebList"] .grid-row.current[data-pos="2"]');

    // Sorting by the column header.
    await page.click('[data-window="frmWebList"] .grid-head [data-column="IDC"]');
    await page.click('[data-window="frmWebList"] .grid-head [data-column="IDC"]');
    const maxIdc = sql(server.database, "SELECT MAX(IDC) AS m FROM THDocument WHERE DocumentDate BETWEEN '2025-01-01' AND '2025-03-31'")[0].m;
    await waitFor('descending sort', async () =>
      (await page.textContent('[data-window="frmWebList"] .grid-row[data-pos="0"] [data-column="IDC"]')) === maxIdc);
  }],

  ['a double-click opens the document with its lines', async () => {
    const row = page.locator('[data-window="frmWebList"] .grid-row[data-pos="0"]');
    const idc = await row.locator('[data-column="IDC"]').textContent();
    await row.locator('[data-column="Number"]').dblclick();
    await page.waitForSelector('#doc-number');
    const header = sql(server.database, `SELECT Number, DocTypeCode FROM THDocument WHERE IDC = ${idc}`)[0];
    equal(await page.textContent('#doc-number'), header.Number, 'document number');
    const goods = Number(sql(server.database, `SELECT COUNT(*) AS n FROM THGoodSpec WHERE DocID = ${idc}`)[0].n);
    const lines = await page.locator('#doc-goods tbody tr').count();
    equal(lines, Math.max(goods, 1), 'goods lines (or the "None" line)');
    await shot(page, 'document');
    await page.click(`.tab[data-tab="w:frmWebList"]`);
  }],

  ['exports and the print view', async () => {
    const session = await page.evaluate(() => /** @type {HTMLAnchorElement} */ (document.querySelector('a[data-export="csv"]')).href);
    const csv = await (await fetchAs(browser.context, session)).text();
    const count = Number(await page.getAttribute('[data-window="frmWebList"] [data-rowcount]', 'data-rowcount'));
    equal(csv.trim().split('\r\n').length, count + 2, 'CSV lines: header, rows, footer');
    const xlsxHref = await page.getAttribute('a[data-export="xlsx"]', 'href');
    const xlsx = Buffer.from(await (await fetchAs(browser.context, new URL(xlsxHref, server.address))).arrayBuffer());
    equal(xlsx.subarray(0, 2).toString(), 'PK', 'XLSX signature');
    const printHref = await page.getAttribute('a[data-export="print"]', 'href');
    const print = await browser.context.newPage();
    await print.goto(new URL(printHref, server.address).href);
    equal(await print.locator('tbody tr').count(), count, 'printed rows');
    await shot(print, 'print-view');
    await print.close();
  }],

  ['a failing report shows its error and the app keeps working', async () => {
    await page.click('[data-class="TWebFail"]');
    await page.waitForSelector('#error-dialog');
    expect((await page.textContent('#error-dialog .error-message')).toLowerCase().includes('nosuchcolumn'), 'error names the column');
    await shot(page, 'error-dialog');
    await page.click('#error-ok');
    await page.click('[data-class="TWebMessage"]');
    await page.waitForSelector('[data-answer="Gerai"]');
    await shot(page, 'message-box');
    await page.click('[data-answer="Gerai"]');
    await page.waitForSelector('[data-answer="Gerai"]', { state: 'detached' });
    // The list filled before is still there.
    await page.click(`.tab[data-tab="w:frmWebList"]`);
    await page.waitForSelector('[data-window="frmWebList"] .grid-body .grid-row');
  }],

  ['a long list scrolls in pages', async () => {
    await page.click('[data-class="TWebLong"]');
    await page.waitForSelector('[data-window="frmWebLong"] .grid-body .grid-row');
    const drawn = await page.locator('[data-window="frmWebLong"] .grid-body .grid-row').count();
    expect(drawn < 100, `only the rows in sight are drawn (${drawn})`);
    await page.$eval('[data-window="frmWebLong"] .grid-body', (b) => {
      b.scrollTop = b.scrollHeight;
      b.dispatchEvent(new Event('scroll'));
    });
    await page.waitForSelector('[data-window="frmWebLong"] .grid-row[data-pos="19999"]');
    equal(await page.textContent('[data-window="frmWebLong"] .grid-row[data-pos="19999"] [data-column="Sum"]'), '24,690.00', 'last row');
    await shot(page, 'grid-long');
    // The list's local menu acts on the current row.
    await page.$eval('[data-window="frmWebLong"] .grid-body', (b) => {
      b.scrollTop = 0;
      b.dispatchEvent(new Event('scroll'));
    });
    await page.click('[data-window="frmWebLong"] .grid-row[data-pos="4"] [data-column="Text"]');
    await page.waitForSelector('[data-window="frmWebLong"] .grid-row.current[data-pos="4"]');
    await page.click('[data-window="frmWebLong"] .grid-row[data-pos="4"] [data-column="Text"]', { button: 'right' });
    await page.click('.context-menu [data-key="menu.MShow"]');
    await page.waitForSelector('[data-window="MessageBox"]');
    equal(await page.textContent('[data-window="MessageBox"] .message-text'), 'Chosen: row 5', 'local menu on the current row');
    await page.click('[data-answer="Gerai"]');
  }],

  ['a long list scrolled quickly, while snapshots and pages come, shows the rows in sight', async () => {
    const list = '[data-window="frmWebLong"]';
    const body = `${list} .grid-body`;
    const total = Number(await page.getAttribute(`${list} [data-rowcount]`, 'data-rowcount'));
    const rowHeight = await page.$eval(body, (b, total) => /** @type {HTMLElement} */ (b.firstElementChild).offsetHeight / total, total);
    // Where the body stands and what it draws: each drawn row by its place, and the places
    // in sight.
    const look = () => page.$eval(body, (b, [total, rowHeight]) => ({
      inPage: b.isConnected,
      top: b.scrollTop,
      end: b.scrollHeight - b.clientHeight,
      first: Math.floor(b.scrollTop / rowHeight),
      last: Math.min(total, Math.ceil((b.scrollTop + b.clientHeight) / rowHeight)),
      drawn: [.../** @type {NodeListOf<HTMLElement>} */ (b.querySelectorAll('.grid-row'))]
        .map((r) => /** @type {[number, string]} */ ([Number(r.dataset.pos), r.querySelector('[data-column="Text"]').textContent])),
    }), [total, rowHeight]);
    // The rows in sight come (their pages may still be on the way) and each row drawn is the
    // one of its place: row N stands at place N - 1.
    const settled = async (what, where) => {
      /** @type {Awaited<ReturnType<typeof look>>} */
      let seen;
      await waitFor(what, async () => {
        seen = await look();
        const drawn = new Set(seen.drawn.map(([pos]) => pos));
        for (let pos = seen.first; pos < seen.last; pos++) if (!drawn.has(pos)) return false;
        return seen.inPage && where(seen);
      });
      for (const [pos, text] of seen.drawn) equal(text, `row ${pos + 1}`, `the row drawn at place ${pos}`);
      return seen;
    };
    // As a dragged scroll bar: the body moves at once, the browser tells the page after.
    const scrollTo = (top) => page.$eval(body, (b, top) => { b.scrollTop = top === 'end' ? b.scrollHeight : top; }, top);
    const middle = Math.floor(total / 2) * rowHeight;
    for (let round = 0; round < 6; round++) {
      // A click on a row brings a snapshot of the window, drawn while the list is scrolled on.
      await page.click(`${list} .grid-row[data-pos="${round}"] [data-column="Text"]`);
      await scrollTo('end');
      await scrollTo(middle);
      await scrollTo('end');
      const end = await settled('the end of the list', (s) => s.top >= s.end - 1);
      expect(end.drawn.some(([pos]) => pos === total - 1),
        `the last row is drawn: scrolled to ${end.top} of ${end.end}, places ${end.first} to ${end.last}, ${end.drawn.length} rows drawn`);
      const jump = middle + round * 1000;
      await scrollTo(jump);
      await settled('the middle of the list', (s) => Math.abs(s.top - jump) <= 1);
      // The wheel, a few notches down at once; every notch lands before the next move.
      await page.hover(body);
      for (let notch = 0; notch < 3; notch++) await page.mouse.wheel(0, 400);
      await settled('the rows under the wheel', (s) => Math.abs(s.top - (jump + 3 * 400)) <= 1);
      await scrollTo(0);
      await settled('the top of the list', (s) => s.top === 0);
      // The snapshot has come meanwhile: the row clicked is the current one.
      await page.waitForSelector(`${list} .grid-row.current[data-pos="${round}"]`);
    }
    // A snapshot that comes while the mouse button is down waits for its release (the row
    // under the pointer stays); the list scrolled meanwhile stays where it was scrolled to,
    // when the snapshot is drawn too.
    for (let round = 0; round < 3; round++) {
      const row = page.locator(`${list} .grid-row[data-pos="${2 * round}"] [data-column="Text"]`);
      await row.click();
      await page.waitForSelector(`${list} .grid-row.current[data-pos="${2 * round}"]`);
      await row.hover();
      await page.mouse.down();
      const snapshot = socket.waitForEvent('framereceived', { predicate: (f) => JSON.parse(String(f.payload)).t === 'state' });
      await page.keyboard.press('ArrowDown');
      await snapshot;
      await scrollTo('end');
      await settled('the end of the list, the button down', (s) => s.top >= s.end - 1);
      await page.$eval(`${list} .grid-row[data-pos="${total - 1}"]`, (r) => (r.dataset.before = '1'));
      await page.mouse.up();
      await page.waitForSelector(`${list} .grid-row[data-pos="${total - 1}"]:not([data-before])`);
      await settled('the end of the list, the snapshot drawn', (s) => s.top >= s.end - 1);
      await scrollTo(0);
      await page.waitForSelector(`${list} .grid-row.current[data-pos="${2 * round + 1}"]`);
    }
    await shot(page, 'grid-long-scrolled');
  }],

  ['a long run shows the wait window, then progress the person can cancel', async () => {
    await page.click('[data-class="TWebProgress"]');
    await page.waitForSelector('#wait-window');
    await shot(page, 'wait-window');
    await page.waitForSelector('#progress-window');
    await waitFor('a few steps', async () => Number(await page.getAttribute('#progress-window', 'aria-valuenow')) >= 5);
    expect(/step \d+ of 150/.test(await page.textContent('#progress-window .progress-text')), 'step counter');
    await shot(page, 'progress');
    await page.click('#progress-cancel');
    await page.waitForSelector('#progress-window', { state: 'detached' });
    await waitFor('the status line', async () => /Cancelled after \d+ of 150 steps/.test(await page.textContent('#status-line')));
  }],

  ['client debt: a period filled, totals checked, drilled down to a document', async () => {
    await page.click('[data-class="CDebtOfClients"]');
    await page.waitForSelector('[data-window="frmDebtOfClients"]');
    // Month boxes take the month as they show it, or year first.
    for (const [box, value] of [['edDateBeg', '01.2026'], ['edDateEnd', '2026-06']]) {
      const input = page.locator(`input[data-key="frmDebtOfClients.${box}"]`);
      await input.fill(value);
      await input.press('Tab');
    }
    await page.click('[data-window="frmDebtOfClients"] button[data-control="btFillList"]');
    await page.waitForSelector('[data-window="frmDebtOfClients"] .grid-body .grid-row');
    await waitFor('the footer total', async () =>
      ((await page.textContent('[data-window="frmDebtOfClients"] .grid-foot [data-column="TotalSumm"]')) ?? '') !== '');
    await shot(page, 'debt-of-clients');
    const footer = money(await page.textContent('[data-window="frmDebtOfClients"] .grid-foot [data-column="TotalSumm"]'));
    // The department subtotals (bold rows of the department style) add up to the footer.
    const grid = await page.evaluate(async () => {
      const body = document.querySelector('[data-window="frmDebtOfClients"] .grid-body');
      const rows = new Map();
      for (let top = 0; top <= body.scrollHeight; top += body.clientHeight / 2) {
        body.scrollTop = top;
        body.dispatchEvent(new Event('scroll'));
        await new Promise((r) => setTimeout(r, 150));
        for (const row of /** @type {NodeListOf<HTMLElement>} */ (body.querySelectorAll('.grid-row'))) {
          rows.set(row.getAttribute('data-pos'), {
            back: row.style.background,
            department: row.querySelector('[data-column="Department"]').textContent,
            total: row.querySelector('[data-column="TotalSumm"]').textContent,
          });
        }
      }
      body.scrollTop = 0;
      body.dispatchEvent(new Event('scroll'));
      return [...rows.values()];
    });
    const departments = grid.filter((r) => r.back.includes('198, 217, 241') || r.back.includes('#c6d9f1'));
    expect(departments.length > 0, 'department subtotal rows');
    const subtotal = departments.reduce((a, r) => a + Math.round(money(r.total) * 100), 0) / 100;
    equal(subtotal.toFixed(2), footer.toFixed(2), 'department subtotals against the footer');
    // Each department's subtotal and the footer against the database: the open amounts of the
    // posted receivables up to the period's end, in the accounting currency, counted under
    // every manager of the client.
    const expected = new Map(debtByDepartment(server.database, '2026-06-30').map((r) => [r.Dep, r.Total]));
    const all = [...expected.values()].reduce((a, t) => a + Math.round(Number(t) * 100), 0) / 100;
    equal(footer.toFixed(2), all.toFixed(2), 'footer total against the database');
    for (const r of departments) {
      const code = r.department.includes(':') ? r.department.split(':')[0] : '';
      equal(money(r.total).toFixed(2), Number(expected.get(code) ?? 0).toFixed(2), `department ${code || '(not given)'} against the database`);
    }
    // Drill down from the first department's total to its documents.
    const first = page.locator('[data-window="frmDebtOfClients"] .grid-row[data-pos="0"] [data-column="TotalSumm"]');
    const cell = money(await first.textContent());
    await first.click();
    await page.click('[data-window="frmDebtOfClients"] button[data-control="btDocList"]');
    await page.waitForSelector('[data-window="frmDebtDocList"] .grid-body .grid-row');
    await shot(page, 'debt-documents');
    const docFooter = money(await page.textContent('[data-window="frmDebtDocList"] .grid-foot [data-column="AccNeedPaySum"]'));
    equal(docFooter.toFixed(2), cell.toFixed(2), 'documents behind the cell');
    // The documents' open parts come from the database's documents.
    await page.click('[data-window="frmDebtDocList"] .grid-row[data-pos="0"] .cell');
    await page.click('[data-window="frmDebtDocList"] button[data-control="btInvoice"]');
    await page.waitForSelector('#doc-number');
    const idc = await page.textContent('#doc-idc');
    const header = sql(server.database, `SELECT Number FROM THDocument WHERE IDC = ${idc}`)[0];
    equal(await page.textContent('#doc-number'), header.Number, 'opened document');
    await shot(page, 'debt-document');
    await page.click('[data-window="frmDebtDocList"] button[data-control="btClose"]');
    await page.click('[data-window="frmDebtOfClients"] button[data-control="btClose"]');
    await page.waitForSelector('[data-window="frmDebtOfClients"]', { state: 'detached' });
  }],

  ['set-off documents are created, shown in the grid, and deleted again', async () => {
    const count = () => Number(sql(server.database, "SELECT COUNT(*) AS n FROM THDocument WHERE DocTypeCode = 'SUSM'")[0].n);
    const before = count();
    await page.click('[data-class="CSetOffDebt"]');
    await page.waitForSelector('[data-window="frmSetOffDebt"]');
    const sum = page.locator('input[data-key="frmSetOffDebt.edSum"]');
    await sum.fill('500');
    await sum.press('Tab');
    await page.click('[data-window="frmSetOffDebt"] button[data-control="btApplay"]');
    await page.waitForSelector('[data-window="frmSetOffDebt"] .grid-body .grid-row');
    const rows = Number(await page.getAttribute('[data-window="frmSetOffDebt"] [data-rowcount]', 'data-rowcount'));
    expect(rows > 0, 'clients with small debts are listed');
    await shot(page, 'setoff-list');
    await page.click('[data-window="frmSetOffDebt"] button[data-control="btCreateDocList"]');
    await page.waitForSelector('[data-answer="Gerai"]');
    await shot(page, 'setoff-created');
    await page.click('[data-answer="Gerai"]');
    equal(count(), before + rows, 'documents written');
    // Every row shows the number of its new document.
    await waitFor('document numbers in the grid', async () =>
      (await page.locator('[data-window="frmSetOffDebt"] .grid-row [data-column="PayDoc"]').first().textContent()) !== '');
    const numbers = await page.$$eval('[data-window="frmSetOffDebt"] .grid-body .grid-row [data-column="PayDoc"]', (c) => c.map((x) => x.textContent));
    expect(numbers.length > 0 && numbers.every((n) => n.startsWith('SUSM')), `numbers shown: ${numbers.join(' ')}`);
    const found = Number(sql(server.database, `SELECT COUNT(*) AS n FROM THDocument WHERE DocTypeCode = 'SUSM' AND Number IN (${numbers.map((n) => `'${n}'`).join(',')})`)[0].n);
    equal(found, numbers.length, 'numbers in the grid are the documents written');
    await shot(page, 'setoff-numbers');
    // Select every row and delete the documents again: the company is as it was.
    await page.click(`[data-window="frmSetOffDebt"] .grid-row[data-pos="0"] [data-column="Client"]`);
    await page.waitForSelector('[data-window="frmSetOffDebt"] .grid-row.current[data-pos="0"]');
    await page.$eval('[data-window="frmSetOffDebt"] .grid-body', (b) => {
      b.scrollTop = b.scrollHeight;
      b.dispatchEvent(new Event('scroll'));
    });
    await page.waitForSelector(`[data-window="frmSetOffDebt"] .grid-row[data-pos="${rows - 1}"]`);
    await page.click(`[data-window="frmSetOffDebt"] .grid-row[data-pos="${rows - 1}"] [data-column="Client"]`, { modifiers: ['Shift'] });
    await page.waitForSelector(`[data-window="frmSetOffDebt"] .grid-row.selected[data-pos="${rows - 1}"]`);
    await page.click('[data-window="frmSetOffDebt"] button[data-control="btDeleteDoc"]');
    await waitFor('the documents to go', async () => count() === before);
    await waitFor('the progress window to close', async () => (await page.locator('#progress-window').count()) === 0);
    while (await page.locator('[data-answer]').count()) await page.click('[data-answer]');
    await page.keyboard.press('Escape');
  }],

  ['two browsers at once each get their own session', async () => {
    const other = await openBrowser();
    try {
      const second = await other.context.newPage();
      await signIn(second, server.address, 'ben');
      equal(await second.textContent('#user-name'), 'ben', 'second user');
      await waitFor('two sessions', async () => (await sessionCount()) === 2);
      // Ben sees none of Anna's windows, and his own report does not reach Anna.
      equal(await second.locator('.tab').count(), 0, 'no windows of another session');
      await second.click('[data-class="TWebFill"]');
      await second.waitForSelector('[data-window="frmWebParams"]');
      await shot(second, 'second-session');
      equal(await page.locator('[data-window="frmWebParams"]').count(), 0, 'the first tab got no dialog');
      // Closing the tab ends its session.
      await second.close();
      await waitFor('the closed tab\'s session to end', async () => (await sessionCount()) === 1);
    } finally {
      await other.close();
    }
  }],
], page);

await browser.close();
await server.stop();
