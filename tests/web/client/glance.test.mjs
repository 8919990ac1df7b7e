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
const { chartData, chartSvg, parseAmount, stackedTops } = await load('chart.ts');
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

const column = (name, extra = {}) => ({ name, caption: name, align: 'left', visible: true, ...extra });

test('a grid charts its shown number columns over its rows', () => {
  const columns = [column('Client'), column('Code', { visible: false }), column('Total', { align: 'right' }), column('Hidden', { align: 'right', visible: false }), column('Jan', { align: 'right' })];
  const rows = [
    { i: 0, c: ['A', 'x', '1,234.50', '9', ''] },
    { i: 1, c: ['B', 'y', '-7', '9', '3'] },
  ];
  const data = chartData(columns, rows);
  assert.deepEqual(data.categories, ['A', 'B']);
  assert.deepEqual(data.series.map((s) => s.name), ['Total', 'Jan']);
  assert.deepEqual(data.series[0].values, [1234.5, -7]);
  assert.deepEqual(data.series[1].values, [null, 3]);
  assert.equal(parseAmount('abc'), null);
  // Bold rows among plain ones are totals; a row is named by its innermost text.
  const outlined = chartData([column('Department'), column('Client'), column('Total', { align: 'right' })], [
    { i: 0, c: ['D1', 'A', '1'] },
    { i: 1, c: ['D1', '', '1'], s: 'sub' },
    { i: 2, c: ['', '', '1'], s: 'grand' },
  ], { sub: { bold: true }, grand: { bold: true } });
  assert.deepEqual(outlined.categories, ['A']);
  // All bold is no outline: every row counts.
  assert.equal(chartData([column('Client'), column('Total', { align: 'right' })], [{ i: 0, c: ['A', '1'], s: 'b' }], { b: { bold: true } }).categories.length, 1);
  assert.equal(parseAmount('1 000,00'.replace(',', '.')), 1000);
});

test('a cube charts member rows and member columns, its totals only when nothing else shows', () => {
  const columns = [
    column('GroupT', { role: 'RowHeader' }),
    column('c1', { role: 'Data', align: 'right', headerPath: ['2026', 'Q1'], factName: 'Summa', headerKind: 'Member' }),
    column('c2', { role: 'Data', align: 'right', headerPath: ['Total'], factName: 'Summa', headerKind: 'GrandTotal' }),
  ];
  const rows = [
    { i: 0, c: ['01: Food', '10', '10'], h: { kind: 'Member', level: 1, expand: 'Collapsed' } },
    { i: 1, c: ['Total', '10', '10'], h: { kind: 'GrandTotal', level: 0, expand: 'None' } },
  ];
  const data = chartData(columns, rows);
  assert.deepEqual(data.categories, ['01: Food']);
  assert.deepEqual(data.series.map((s) => s.name), ['2026 / Q1 / Summa']);
  const totalsOnly = chartData([columns[0], columns[2]], rows);
  assert.deepEqual(totalsOnly.series.map((s) => s.name), ['Total / Summa']);
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
