// The menu's search, the chart's figures and its SVG, and the start page's bars, without a
// browser: web/src/menu.ts, chart.ts and start.ts bundled by the client's own esbuild.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const repository = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..', '..');
const esbuild = createRequire(path.join(repository, 'web', 'package.json'))('esbuild');
const load = async (file) => {
  const bundle = await esbuild.build({ entryPoints: [path.join(repository, 'web', 'src', file)], bundle: true, format: 'esm', write: false, logLevel: 'silent' });
  return import(`data:text/javascript;base64,${Buffer.from(bundle.outputFiles[0].text).toString('base64')}`);
};
const { fold, menuMatches, entriesOf } = await load('menu.ts');
const { chartOfAnswer, chartSvg, gridSignature, stackedTops } = await load('chart.ts');
const { barShares } = await load('start.ts');

test('the menu search matches word beginnings, whatever the case and accents', () => {
  const debt = { name: 'CDebtOfClients', title: 'Client debt', role: 'client debt ageing form', available: true };
  const cube = { name: 'RSale', title: 'Sales cube', role: 'sales cube', available: true };
  assert.equal(fold('Crédit ÉLÈVE'), 'credit eleve');
  for (const q of ['client debt', 'CLIENT', 'cliént  débt', 'debt, client', 'cdebtof', '']) assert.ok(menuMatches(q, debt), q);
  for (const q of ['lient', 'client debtx', 'sales']) assert.ok(!menuMatches(q, debt), q);
  assert.ok(menuMatches('cube sal', cube));
  assert.deepEqual(
    entriesOf([{ subsystem: 'cubes', classes: [{ name: 'RSale', role: 'sales cube', available: false }] }]),
    [{ name: 'RSale', title: 'RSale', role: 'sales cube', available: false }]);
});

test('the session\'s figures say what was summed as "Other" and carry each series\' total', () => {
  const answer = (extra) => ({ t: 'chart', w: 'f', g: 'g', categories: ['A', 'B', 'Other'], series: [{ name: 'Sum', column: 'Summa', values: [5, null, 2.5], total: '7.50' }], rows: 12345, otherRows: 12343, otherSeries: 0, ...extra });
  const data = chartOfAnswer(answer({}));
  assert.deepEqual(data.categories, ['A', 'B', 'Other']);
  assert.deepEqual(data.series[0].values, [5, null, 2.5]);
  assert.equal(data.note, '12,345 rows: the 2 largest, the other 12,343 summed as \u201cOther\u201d; total Sum 7.50.');
  assert.equal(chartOfAnswer(answer({ rows: 1, otherRows: 0, otherSeries: 3 })).note, 'All 1 row; 3 smaller series summed as \u201cOther\u201d; total Sum 7.50.');
  // The SVG says it under the title, escaped.
  const svg = chartSvg({ ...data, note: 'a < b' }, 'bar', 't');
  assert.ok(svg.includes('data-note="1"') && svg.includes('a &#60; b'), svg.slice(0, 400));
});

test('a grid asks for new figures when its layout, rows or totals change, not otherwise', () => {
  const grid = { kind: 'Grid', name: 'g', caption: '', enabled: true, visible: true, rowCount: 2, columns: [{ name: 'Sum', caption: 'Sum', align: 'right', visible: true, footer: '3.00' }], rows: [{ i: 0, c: ['1.00'] }, { i: 1, c: ['2.00'] }] };
  const same = gridSignature(structuredClone(grid));
  assert.equal(gridSignature(grid), same);
  const moved = structuredClone(grid);
  moved.columns[0].headerPath = ['2026'];
  const filtered = { ...structuredClone(grid), rowCount: 1, rows: [{ i: 0, c: ['1.00'] }] };
  const retotalled = structuredClone(grid);
  retotalled.columns[0].footer = '4.00';
  const current = { ...structuredClone(grid), currentRow: 1, selected: [1] };
  for (const changed of [moved, filtered, retotalled]) assert.notEqual(gridSignature(changed), same);
  assert.equal(gridSignature(current), same, 'moving the current row asks nothing');
});

test('stacked bars stand on the series below; the SVG draws every figure once', () => {
  const data = { categories: ['a', 'b', 'c<&>'], series: [{ name: 'one', values: [1, 2, null] }, { name: 'two', values: [3, null, 4] }] };
  assert.deepEqual(stackedTops(data.series), [[1, 2, 0], [4, 2, 4]]);
  for (const kind of ['bar', 'stacked']) {
    const svg = chartSvg(data, kind, 'Sales & more');
    assert.equal((svg.match(/<rect data-series="0"/g) ?? []).length, 2, kind);
    assert.equal((svg.match(/<rect data-series="1"/g) ?? []).length, 2, kind);
    assert.ok(svg.includes('Sales &#38; more') && svg.includes('c&#60;&#38;&#62;'), 'texts escaped');
    assert.ok(!svg.includes('NaN'), `${kind}: no NaN`);
  }
  const line = chartSvg(data, 'line', 't');
  assert.equal((line.match(/<polyline/g) ?? []).length, 2);
  // The stacked bar of "two" over "a" runs from the top of "one" (1) to 4, three units high,
  // three times the height of the bar of "one".
  const stacked = chartSvg({ categories: ['a'], series: [{ name: 'one', values: [1] }, { name: 'two', values: [3] }] }, 'stacked', 't');
  const heights = [...stacked.matchAll(/<rect data-series="\d"[^>]*height="([\d.]+)"/g)].map((m) => Number(m[1]));
  assert.ok(Math.abs(heights[1] - 3 * heights[0]) < 0.5, `heights ${heights}`);
});

test('start page bars are shares of the largest figure', () => {
  assert.deepEqual(barShares([50, 100, -20, 0]), [0.5, 1, 0, 0]);
  assert.deepEqual(barShares([-1, -2]), [0, 0]);
});
