// Signing in from the browser: a wrong password refused without saying which of the two
// was wrong, the right one accepted; nothing of the application (its script, its API, a
// tab's connection) for a browser that has not signed in; one browser's download refused to
// another's cookie; signing out ends the sign-in.

import { cookieOf, equal, expect, fetchAs, openBrowser, passwordOf, run, shot, signIn, startServer, waitFor } from './harness.mjs';

const server = await startServer([], ['vida', 'tomas']);
const browser = await openBrowser();
const page = await browser.context.newPage();

// Whether a page of the server can open a tab's connection with its browser's cookies.
const socketOpens = (p) =>
  p.evaluate(() => new Promise((resolve) => {
    const ws = new WebSocket(`ws://${location.host}/ws?user=vida`);
    ws.onopen = () => {
      ws.close();
      resolve(true);
    };
    ws.onerror = () => resolve(false);
  }));

await run([
  ['a browser that has not signed in gets the sign-in page and nothing else', async () => {
    await page.goto(server.address);
    await page.waitForSelector('#signin-password');
    equal(new URL(page.url()).pathname, '/signin', 'sent to the sign-in page');
    equal(await page.getAttribute('#signin-password', 'type'), 'password', 'the password is not shown');
    equal(await socketOpens(page), false, 'a connection without a sign-in');
    for (const path of ['api/config', 'app.js', 'api/export?s=0&w=w&g=g&format=csv', 'api/document?s=0&idc=1']) {
      equal((await fetch(`${server.address}${path}`)).status, 401, path);
    }
    equal((await fetch(`${server.address}signin.js`)).status, 200, 'the sign-in form\'s script');
  }],

  ['a wrong password is refused, the right one accepted', async () => {
    await page.fill('#signin-user', 'vida');
    await page.fill('#signin-password', 'guessed');
    await page.click('#signin-button');
    await waitFor('the refusal', async () => (await page.textContent('#signin-message')) !== '');
    const wrongPassword = await page.textContent('#signin-message');
    await page.fill('#signin-user', 'nobody');
    await page.fill('#signin-password', passwordOf('vida'));
    await page.click('#signin-button');
    await waitFor('the second refusal', async () => (await page.inputValue('#signin-password')) === '');
    equal(await page.textContent('#signin-message'), wrongPassword, 'an unknown user reads as a wrong password');
    equal(await cookieOf(browser.context), '', 'no cookie for a refused sign-in');
    await shot(page, 'signin-refused');
    await signIn(page, server.address, 'vida');
    equal(await page.textContent('#user-name'), 'vida', 'signed-in user');
    const cookie = (await browser.context.cookies()).find((c) => c.name === 'talvex_session');
    expect(cookie.httpOnly, 'the cookie is out of scripts\' reach');
    equal(cookie.sameSite, 'Strict', 'SameSite');
    equal(await page.evaluate(() => document.cookie), '', 'page scripts see no cookie');
  }],

  ['one browser\'s download is refused to another browser', async () => {
    await page.click('[data-class="TWebLong"]');
    await page.waitForSelector('a[data-export="csv"]');
    const href = new URL(await page.getAttribute('a[data-export="csv"]', 'href'), server.address).href;
    equal((await fetchAs(browser.context, href)).status, 200, 'the own browser\'s download');
    const other = await openBrowser();
    try {
      const second = await other.context.newPage();
      await signIn(second, server.address, 'tomas');
      const answer = await second.evaluate(async (url) => (await fetch(url)).status, href);
      equal(answer, 403, 'another browser\'s cookie');
      await shot(second, 'second-browser');
    } finally {
      await other.close();
    }
  }],

  ['signing out ends the sign-in', async () => {
    const before = await cookieOf(browser.context);
    await page.click('#sign-out');
    await page.waitForSelector('#signin-user');
    equal((await fetch(`${server.address}api/config`, { headers: { Cookie: before } })).status, 401, 'the old cookie');
    await page.goto(server.address);
    await page.waitForSelector('#signin-user');
  }],
], page);

await browser.close();
await server.stop();
