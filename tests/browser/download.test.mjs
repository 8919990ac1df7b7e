// The tax form FR0471 of purchases from persons, downloaded in the browser: the form from
// the menu, its refusals, the list, the XML file the browser receives (parsed here) against
// the list, and the file out of reach of every other sign-in.

import { readFileSync } from 'node:fs';
import { equal, expect, gridRows, money, openBrowser, run, shot, signIn, startServer } from './harness.mjs';

const server = await startServer([], ['file.anna', 'file.ben']);
const browser = await openBrowser();
const page = await browser.context.newPage();
const form = '[data-window="frmRepBuyFromPerson"]';
const fileName = "fr0471 anna's; 2026";
let fileUrl = '';

async function setBox(control, value) {
  const input = page.locator(`input[data-key="frmRepBuyFromPerson.${control}"]`);
  await input.fill(value);
  await input.press('Tab');
}

// The FR0471 file's persons as the browser's own XML parser reads it: per line its running
// number, personal code, name, amount (decimal comma) and whether it is up to the cut-off.
function fr0471Lines(xml) {
  return page.evaluate((xml) => {
    const doc = new DOMParser().parseFromString(xml, 'application/xml');
    if (doc.querySelector('parsererror')) throw new Error(`not XML: ${xml.slice(0, 200)}`);
    const lines = [];
    // Lines are numbered on each page: a line's fields are those of its page.
    for (const page of doc.querySelectorAll('Page')) {
      const fields = new Map([...page.querySelectorAll('Field')].map((f) => [f.getAttribute('Name') ?? '', f.textContent ?? '']));
      for (const [name, value] of fields) {
        const m = /^([EP])11-(\d+)$/.exec(name);
        if (!m) continue;
        const on = (code) => fields.get(`${m[1]}${code}-${m[2]}`) ?? '';
        lines.push({ number: Number(value), plantCode: on('12'), name: on('13'), amount: on('15'), upTo: on('24') });
      }
    }
    return {
      root: doc.documentElement.nodeName,
      pages: Number(doc.querySelector('Pages')?.getAttribute('Count')),
      pageCount: doc.querySelectorAll('Page').length,
      lines: lines.sort((a, b) => a.number - b.number),
    };
  }, xml);
}

await run([
  ['purchases from persons open from the menu search and refuse a missing file name at its box', async () => {
    await signIn(page, server.address, 'file.anna');
    await page.fill('#menu-search', 'purchases persons');
    await page.click('#menu-found [data-class="CReportBuyFromPerson"]');
    await page.waitForSelector(form);
    await setBox('edBegPeriod', '2026-01-01');
    await setBox('edEndPeriod', '2026-12-31');
    await setBox('edMinSum', '100');
    await setBox('edIncomeTill', '2026-06-30');
    await setBox('edFullFileName', '');
    await page.click(`${form} button[data-control="btSave"]`);
    const refusal = page.locator('[data-refusal="frmRepBuyFromPerson.edFullFileName"]');
    await refusal.waitFor();
    expect(((await refusal.textContent()) ?? '').length > 0, 'the refusal says why');
    await shot(page, 'fr0471-no-file-name');
  }],

  ['the XML file the browser downloads declares exactly the persons and sums of the list', async () => {
    await page.click(`${form} button[data-control="btShow"]`);
    await page.waitForSelector(`${form} .grid-body .grid-row`);
    const listed = await gridRows(page, 'frmRepBuyFromPerson', ['Code', 'Name', 'PlantCode', 'Summa', 'IsIncomeTill']);
    expect(listed.length > 2, `persons in the list: ${listed.length}`);
    const listTotal = listed.reduce((sum, r) => sum + Math.round(money(r.Summa) * 100), 0);

    await setBox('edFullFileName', fileName);
    // The download starts when the session offers the file; no waiting by the clock.
    const [download] = await Promise.all([page.waitForEvent('download'), page.click(`${form} button[data-control="btSave"]`)]);
    equal(download.suggestedFilename(), `${fileName}.ffdata`, 'the name the browser saves under');
    await page.waitForSelector('[data-answer="Gerai"]');
    await page.click('[data-answer="Gerai"]');
    await page.waitForSelector('[data-answer="Gerai"]', { state: 'detached' });
    fileUrl = download.url();
    expect(new URL(fileUrl).pathname === '/api/file', `downloaded from the session's files: ${fileUrl}`);
    const xml = readFileSync(await download.path(), 'utf8');
    const file = await fr0471Lines(xml);
    equal(file.root, 'FFData', 'the document element');
    equal(file.pages, file.pageCount, 'the page count the file declares');
    equal(file.lines.length, listed.length, 'one line per line of the list');
    equal(JSON.stringify(file.lines.map((l) => l.number)), JSON.stringify(listed.map((_, k) => k + 1)), 'lines numbered on');
    // Line by line in the list's order, and the totals in cents.
    file.lines.forEach((line, k) => {
      equal(line.plantCode, listed[k].PlantCode, `personal code of line ${k + 1}`);
      equal(line.name, listed[k].Name, `person of line ${k + 1}`);
      equal(line.amount.replace(',', '.'), money(listed[k].Summa).toFixed(2), `amount of line ${k + 1}`);
      equal(line.upTo, listed[k].IsIncomeTill, `cut-off side of line ${k + 1}`);
    });
    const fileTotal = file.lines.reduce((sum, l) => sum + Math.round(Number(l.amount.replace(',', '.')) * 100), 0);
    equal(fileTotal, listTotal, 'the file\'s total against the list\'s, in cents');
    // The bar keeps a link to the same file.
    await page.waitForSelector(`a[data-file="${fileName}.ffdata"]`);
    await shot(page, 'fr0471-downloaded');
  }],

  ['the file is served to its own sign-in only, never to another browser', async () => {
    expect(fileUrl !== '', 'a file was downloaded');
    const status = (p) => p.evaluate((url) => fetch(url).then((r) => r.status), fileUrl);
    equal(await status(page), 200, 'its own tab fetches it again');
    // Another person, and the same person signed in from another browser: both refused.
    for (const user of ['file.ben', 'file.anna']) {
      const elsewhere = await openBrowser();
      try {
        const other = await elsewhere.context.newPage();
        await signIn(other, server.address, user);
        equal(await status(other), 403, `${user} in another browser`);
        const direct = await elsewhere.context.request.get(fileUrl);
        equal(direct.status(), 403, `${user}'s cookie on a request of its own`);
        // Opened as an address: an error page, where a file would start a download instead.
        const opened = await other.goto(fileUrl);
        equal(opened?.status(), 403, `${user}'s browser opening the address`);
      } finally {
        await elsewhere.close();
      }
    }
    // Signed out, even its own browser gets nothing.
    const signedOut = await openBrowser();
    try {
      const response = await signedOut.context.request.get(fileUrl);
      equal(response.status(), 401, 'a browser that never signed in');
    } finally {
      await signedOut.close();
    }
  }],
], page);

await browser.close();
await server.stop();
