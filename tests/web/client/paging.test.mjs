// The browser client's paging of long grids, without a browser: which pages a tab asks for
// as a grid is scrolled, and which places it draws. web/src/paging.ts is bundled by the
// client's own esbuild and loaded as a module.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const repository = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..', '..');
const esbuild = createRequire(path.join(repository, 'web', 'package.json'))('esbuild');
const bundle = await esbuild.build({
  entryPoints: [path.join(repository, 'web', 'src', 'paging.ts')],
  bundle: true,
  format: 'esm',
  write: false,
  logLevel: 'silent',
});
const { PAGE, pagesFromSnapshot, rowOrAsk, rowsInSight, takeRows } = await import(
  `data:text/javascript;base64,${Buffer.from(bundle.outputFiles[0].text).toString('base64')}`);

const ROW_HEIGHT = 24;
const HEIGHT = 400; // a body that shows 16.7 rows
const row = (pos) => ({ i: pos, c: [`row ${pos + 1}`] });
const rows = (from, count, total) => Array.from({ length: Math.max(0, Math.min(count, total - from)) }, (_, k) => row(from + k));

// A tab over a grid of `total` rows: draws the places in sight of a body scrolled to a place,
// records what it asks the server, and answers like the server when told to.
function tab(total, snapshotRows = PAGE) {
  const pages = pagesFromSnapshot(total, rows(0, snapshotRows, total));
  const asked = [];
  const draw = (top) => {
    const { first, last } = rowsInSight(top, HEIGHT, pages.total, ROW_HEIGHT);
    const drawn = [];
    for (let pos = first; pos < last; pos++) {
      const found = rowOrAsk(pages, pos, (from, count) => asked.push([from, count]));
      if (found) drawn.push([pos, found.c[0]]);
    }
    return { first, last, drawn };
  };
  const answer = () => {
    for (const [from, count] of asked.splice(0)) takeRows(pages, from, total, rows(from, count, total));
  };
  return { pages, asked, draw, answer };
}

test('the places in sight, with five above and some below, within the list', () => {
  assert.deepEqual(rowsInSight(0, HEIGHT, 20000, ROW_HEIGHT), { first: 0, last: 27 });
  // Scrolled to place 1000 exactly: 995 to 1021 (17 in sight, 5 above, 5 below).
  assert.deepEqual(rowsInSight(1000 * ROW_HEIGHT, HEIGHT, 20000, ROW_HEIGHT), { first: 995, last: 1022 });
  // Half a row down still shows place 1000 at the top.
  assert.deepEqual(rowsInSight(1000 * ROW_HEIGHT + 12, HEIGHT, 20000, ROW_HEIGHT), { first: 995, last: 1022 });
  // At the end of 30 rows, the body 400 px high: the last row is among them.
  assert.deepEqual(rowsInSight(30 * ROW_HEIGHT - HEIGHT, HEIGHT, 30, ROW_HEIGHT), { first: 8, last: 30 });
  // A list that shrank under a body scrolled far down has nothing there to draw.
  const gone = rowsInSight(5000 * ROW_HEIGHT, HEIGHT, 40, ROW_HEIGHT);
  assert.equal(gone.last - gone.first, 0);
});

test('a snapshot\'s rows are drawn at once; the first page is asked only for what it lacks', () => {
  const full = tab(20000);
  const top = full.draw(0);
  assert.deepEqual(full.asked, []);
  assert.deepEqual(top.drawn.map(([pos]) => pos), Array.from({ length: 27 }, (_, k) => k));
  assert.equal(top.drawn[26][1], 'row 27');

  // A snapshot of all of a short list asks nothing.
  const short = tab(30, 30);
  assert.equal(short.draw(30 * ROW_HEIGHT - HEIGHT).drawn.at(-1)[1], 'row 30');
  assert.deepEqual(short.asked, []);

  // A snapshot that brings fewer rows than a page of a longer list: the rest of the first
  // page is asked for, once, and drawn when it comes.
  const partial = tab(20000, 10);
  assert.equal(partial.draw(0).drawn.length, 10);
  partial.draw(0);
  assert.deepEqual(partial.asked, [[0, PAGE]]);
  partial.answer();
  assert.equal(partial.draw(0).drawn.length, 27);
});

test('scrolled to the end, jumped and scrolled back: each page asked once, rows at their places', () => {
  const t = tab(20000);
  // Quickly to the end, twice, before any page comes: one question for the last page.
  t.draw(20000 * ROW_HEIGHT - HEIGHT);
  t.draw(20000 * ROW_HEIGHT - HEIGHT);
  assert.deepEqual(t.asked, [[19900, PAGE]]);
  t.answer();
  const end = t.draw(20000 * ROW_HEIGHT - HEIGHT);
  assert.deepEqual(end.drawn.at(-1), [19999, 'row 20000']);
  assert.equal(end.drawn.length, end.last - end.first);

  // A jump to the middle, across a page boundary: the two pages under it.
  const middle = t.draw(9990 * ROW_HEIGHT);
  assert.equal(middle.drawn.length, 0);
  assert.deepEqual(t.asked, [[9900, PAGE], [10000, PAGE]]);
  t.answer();
  for (const [pos, text] of t.draw(9990 * ROW_HEIGHT).drawn) assert.equal(text, `row ${pos + 1}`);

  // Back to the top and to the end again: everything is there, nothing is asked.
  assert.equal(t.draw(0).drawn.length, 27);
  assert.equal(t.draw(20000 * ROW_HEIGHT - HEIGHT).drawn.at(-1)[1], 'row 20000');
  assert.deepEqual(t.asked, []);
});

test('an answer brings the total as it stands: a list that shrank draws no places past its end', () => {
  const t = tab(20000);
  t.draw(15000 * ROW_HEIGHT);
  assert.deepEqual(t.asked, [[14900, PAGE], [15000, PAGE]]);
  // Meanwhile the list was filtered down to 120 rows: the answers are empty and say so.
  for (const [from] of t.asked.splice(0)) takeRows(t.pages, from, 120, rows(from, PAGE, 120));
  assert.equal(t.pages.total, 120);
  const after = t.draw(15000 * ROW_HEIGHT);
  assert.deepEqual(after.drawn, []);
  assert.deepEqual(t.asked, []);
});
