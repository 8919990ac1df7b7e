// What the browser tests share: the web test server on a free loopback port over the test
// demo company, Debian's chromium driven by playwright-core, screenshots, and a small
// runner that prints "N passed, N failed".

import { spawn, execFileSync } from 'node:child_process';
import { createRequire } from 'node:module';
import { mkdtempSync, mkdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const repository = path.resolve(here, '..', '..');
const require = createRequire(path.join(repository, 'web', 'package.json'));
const { chromium } = require('playwright-core');

export const screenshots = process.env.TALVEX_SCREENSHOTS ?? path.join(repository, 'build', 'screenshots');
const serverProgram = process.env.TALVEX_WEB_TEST_SERVER ?? path.join(repository, 'build', 'tests', 'web_test_server');
const talvexProgram = process.env.TALVEX_BINARY ?? path.join(repository, 'build', 'talvex');

// The password the browser tests give each user they make.
export const passwordOf = (user) => `${user} has a password`;

// A user who may sign in, made through the talvex command as an administrator would, the
// password on standard input.
export function addUser(database, user) {
  execFileSync(talvexProgram, ['user', 'add', user, '--db', database], { input: `${passwordOf(user)}\n`, stdio: ['pipe', 'ignore', 'inherit'] });
}

// Starts the server and reads its address and database from its first lines; the users
// named are made in its company (which the server makes anew at each start).
export async function startServer(args = [], users = []) {
  const child = spawn(serverProgram, args, {
    stdio: ['ignore', 'pipe', 'inherit'],
    env: { ...process.env, TALVEX_WEB_ROOT: process.env.TALVEX_WEB_ROOT ?? path.join(repository, 'web', 'dist') },
  });
  let output = '';
  const address = await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`the server did not start: ${output}`)), 120000);
    child.stdout.on('data', (chunk) => {
      output += chunk;
      const m = /Talvex web client: (http:\/\/\S+)/.exec(output);
      if (m) {
        clearTimeout(timer);
        resolve(m[1]);
      }
    });
    child.on('exit', (code) => reject(new Error(`the server ended (${code}): ${output}`)));
  });
  const database = /Database: (.*)/.exec(output)?.[1]?.trim() ?? '';
  for (const user of users) addUser(database, user);
  return {
    address,
    database,
    stop: () =>
      new Promise((resolve) => {
        if (child.exitCode !== null) return resolve();
        child.on('exit', () => resolve());
        child.kill('SIGTERM');
        setTimeout(() => child.kill('SIGKILL'), 10000);
      }),
  };
}

// One T-SQL question to the test company through the talvex command: the tests' own way
// to the expected numbers.
export function sql(database, statement) {
  const csv = execFileSync(talvexProgram, ['sql', '--db', database, '--format', 'csv', statement], { encoding: 'utf8' });
  const [head, ...rows] = csv.trim().split(/\r?\n/);
  const names = head.split(',');
  return rows.map((line) => Object.fromEntries(line.split(',').map((v, k) => [names[k], v])));
}

// A browser of its own (a fresh profile) at 1366x768.
export async function openBrowser() {
  const profile = mkdtempSync(path.join(tmpdir(), 'talvex-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1366, height: 768 },
    args: [
      '--headless',
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
  context.setDefaultTimeout(30000);
  return {
    context,
    close: async () => {
      await context.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

export async function shot(page, name) {
  mkdirSync(screenshots, { recursive: true });
  await page.screenshot({ path: path.join(screenshots, `${name}.png`) });
}

export async function signIn(page, address, user, password = passwordOf(user)) {
  await page.goto(address);
  await page.waitForSelector('#signin-user');
  await page.fill('#signin-user', user);
  await page.fill('#signin-password', password);
  await page.click('#signin-button');
  await page.waitForSelector('nav.menu .menu-item');
}

// The Cookie header of a browser's sign-in, for the tests' own requests on its behalf.
export async function cookieOf(context) {
  const cookie = (await context.cookies()).find((c) => c.name === 'talvex_session');
  return cookie ? `${cookie.name}=${cookie.value}` : '';
}

export async function fetchAs(context, url, init = {}) {
  return fetch(url, { ...init, headers: { ...(init.headers ?? {}), Cookie: await cookieOf(context) } });
}

export function expect(condition, message) {
  if (!condition) throw new Error(message);
}

export function equal(actual, expected, what) {
  if (actual !== expected) throw new Error(`${what}: expected ${JSON.stringify(expected)}, got ${JSON.stringify(actual)}`);
}

// Runs the flows in order; one failing does not stop the others.
export async function run(flows, pageForFailures) {
  let passed = 0;
  let failed = 0;
  for (const [name, flow] of flows) {
    const started = Date.now();
    try {
      await flow();
      passed++;
      console.log(`ok   ${name} (${Date.now() - started} ms)`);
    } catch (error) {
      failed++;
      console.log(`FAIL ${name}: ${error.stack ?? error}`);
      if (pageForFailures) await shot(pageForFailures, `failed-${failed}`).catch(() => {});
    }
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exitCode = failed ? 1 : 0;
}

// Waits until the test holds, asking every 100 ms.
export async function waitFor(what, test, timeout = 20000) {
  const until = Date.now() + timeout;
  while (Date.now() < until) {
    if (await test()) return;
    await new Promise((r) => setTimeout(r, 100));
  }
  throw new Error(`timed out waiting for ${what}`);
}

// Every row of a grid (window and grid control named by their data attributes), scrolled
// through page by page: the texts of the named columns by position. Each place is waited
// for until its row is drawn (the session may still be sending its page).
export async function gridRows(page, window, columns, grid = '') {
  const scope = `[data-window="${window}"]${grid ? ` [data-control="${grid}"]` : ''}`;
  const body = `${scope} .grid-body`;
  const total = Number(await page.getAttribute(`${scope} [data-rowcount]`, 'data-rowcount'));
  const rows = new Map();
  for (let pos = 0; pos < total; pos++) {
    if (rows.has(pos)) continue;
    await page.$eval(body, (b, pos) => {
      const first = b.querySelector('.grid-row');
      const height = first ? first.getBoundingClientRect().height : 24;
      b.scrollTop = pos * height;
      b.dispatchEvent(new Event('scroll'));
    }, pos);
    await page.waitForSelector(`${body} .grid-row[data-pos="${pos}"]`);
    const drawn = await page.$$eval(`${body} .grid-row`, (lines, columns) => lines.map((row) => [
      Number(/** @type {HTMLElement} */ (row).dataset.pos),
      Object.fromEntries(columns.map((c) => [c, row.querySelector(`[data-column="${c}"]`)?.textContent ?? ''])),
    ]), columns);
    for (const [at, texts] of drawn) rows.set(at, texts);
  }
  await page.$eval(body, (b) => {
    b.scrollTop = 0;
    b.dispatchEvent(new Event('scroll'));
  });
  return [...Array(total).keys()].map((pos) => rows.get(pos));
}

// A money text as the grids show it ("1,234.50") as a number.
export const money = (text) => Number(text.replace(/,/g, ''));
