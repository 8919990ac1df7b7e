// The start page's time from signing in to its figures shown, on the company of the local
// server (build it with `build/talvex init-db --scale 1` for the bench company): the browser's
// whole wait and the server's share of it, for a few sign-ins in a row. Measured and printed,
// never judged. Run: node bench/start-page.mjs [sign-ins]
import { spawn } from 'node:child_process';
import path from 'node:path';
import { openBrowser, repository } from '../tests/browser/harness.mjs';

const times = Number(process.argv[2] ?? 3);
const server = spawn(path.join(repository, 'build', 'talvex'), ['web', '--port', '0', '--static', path.join(repository, 'web', 'dist')], {
  stdio: ['ignore', 'pipe', 'inherit'],
});
const address = await new Promise((resolve, reject) => {
  let output = '';
  server.stdout.on('data', (chunk) => {
    output += chunk;
    const m = /Talvex web client: (http:\/\/\S+)/.exec(output);
    if (m) resolve(m[1]);
  });
  server.on('exit', (code) => reject(new Error(`talvex web ended (${code}): ${output}`)));
});
const browser = await openBrowser();
try {
  for (let k = 1; k <= times; k++) {
    const page = await browser.context.newPage();
    await page.goto(address);
    await page.fill('#signin-user', `bench.start${k}`);
    const started = Date.now();
    await page.click('#signin-button');
    await page.waitForSelector('#start-page .start-total-value', { timeout: 600000 });
    const shown = Date.now() - started;
    const computed = await page.getAttribute('#start-page', 'data-compute-ms');
    const today = await page.getAttribute('#start-page', 'data-today');
    const tiles = await page.$$eval('.start-tile', (t) => t.map((x) => `${x.getAttribute('data-tile')} ${x.getAttribute('data-compute-ms')} ms`));
    console.log(`sign-in ${k}: start page shown after ${shown} ms (tiles computed on the server in ${computed} ms; today ${today}): ${tiles.join(', ')}`);
    await page.close();
  }
} finally {
  await browser.close();
  server.kill('SIGTERM');
}
