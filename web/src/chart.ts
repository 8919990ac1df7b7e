// A chart of a grid or a cube window: the rows as categories, the shown number columns (or
// the cube's facts under each column member) as series; bars, stacked bars or lines. The
// figures come from the session, summed over every row of the grid (not only the pages the
// tab has loaded): the largest rows and series, the rest as "Other". Drawn on screen by
// uPlot; written as SVG by hand here, the same figures for the export, the PNG and the
// print view.

import uPlot from 'uplot';
import type { ChartAnswer, Control } from './protocol';
import { el } from './dom';

export type ChartKind = 'bar' | 'stacked' | 'line';

export interface ChartData {
  categories: string[];
  series: { name: string; values: (number | null)[]; total?: string; column?: string }[];
  // What the chart shows of the whole: rows summed as "Other", the series' totals.
  note?: string;
}

const PALETTE = ['#1f5fa8', '#c2410c', '#15803d', '#7e22ce', '#b91c1c', '#0e7490', '#a16207', '#4d4d4d'];

// What the tab asks for: at most this many categories ("Other" included) and series. The
// server sums the rest and refuses more than its own maxima.
export const CHART_CATEGORIES = 30;
export const CHART_SERIES = 12;

// The server's answer as the chart draws it, with a line that says what was summed.
export function chartOfAnswer(answer: ChartAnswer): ChartData {
  const notes: string[] = [];
  const rows = `${answer.rows.toLocaleString('en-US')} row${answer.rows === 1 ? '' : 's'}`;
  if (answer.otherRows) {
    const shown = answer.rows - answer.otherRows;
    notes.push(`${rows}: the ${shown} largest, the other ${answer.otherRows.toLocaleString('en-US')} summed as “Other”`);
  } else {
    notes.push(`All ${rows}`);
  }
  if (answer.otherSeries) notes.push(`${answer.otherSeries} smaller series summed as “Other”`);
  const totals = answer.series.map((s) => `${s.name} ${s.total}`).join('; ');
  if (answer.series.length) notes.push(`total ${totals}`);
  return {
    categories: answer.categories,
    series: answer.series.map((s) => ({ name: s.name, values: s.values, total: s.total, column: s.column })),
    note: `${notes.join('; ')}.`,
  };
}

// Running sums of the series, the first at the bottom: the tops of the stacked bars.
export function stackedTops(series: ChartData['series']): number[][] {
  const tops: number[][] = [];
  series.forEach((s, k) => tops.push(s.values.map((v, i) => (k ? tops[k - 1][i] : 0) + (v ?? 0))));
  return tops;
}

function range(data: ChartData, kind: ChartKind): [number, number] {
  const all = kind === 'stacked' ? stackedTops(data.series).flat() : data.series.flatMap((s) => s.values.filter((v): v is number => v !== null));
  const low = Math.min(0, ...all);
  const high = Math.max(0, ...all);
  return high === low ? [low, low + 1] : [low, high];
}

const escapeXml = (text: string): string => text.replace(/[<>&"']/g, (c) => `&#${c.charCodeAt(0)};`);

// The chart as a standalone SVG document.
export function chartSvg(data: ChartData, kind: ChartKind, title: string, width = 900, height = 420): string {
  const left = 80;
  const right = 20;
  const top = data.note ? 56 : 40;
  const bottom = 90;
  const plotW = width - left - right;
  const plotH = height - top - bottom;
  const [low, high] = range(data, kind);
  const y = (v: number): number => top + plotH - ((v - low) / (high - low)) * plotH;
  const n = Math.max(1, data.categories.length);
  const slot = plotW / n;
  const parts: string[] = [];
  parts.push(`<rect x="0" y="0" width="${width}" height="${height}" fill="#ffffff"/>`);
  parts.push(`<text x="${left}" y="24" font-size="16" font-family="sans-serif" fill="#111">${escapeXml(title)}</text>`);
  if (data.note) parts.push(`<text x="${left}" y="42" font-size="11" font-family="sans-serif" fill="#333" data-note="1">${escapeXml(data.note.slice(0, 160))}</text>`);
  for (let k = 0; k <= 4; k++) {
    const v = low + ((high - low) * k) / 4;
    parts.push(`<line x1="${left}" x2="${width - right}" y1="${y(v).toFixed(1)}" y2="${y(v).toFixed(1)}" stroke="#ddd"/>`);
    parts.push(`<text x="${left - 6}" y="${(y(v) + 4).toFixed(1)}" font-size="11" text-anchor="end" font-family="sans-serif" fill="#333">${escapeXml(v.toLocaleString('en-US', { maximumFractionDigits: 2 }))}</text>`);
  }
  const tops = stackedTops(data.series);
  data.series.forEach((s, k) => {
    const colour = PALETTE[k % PALETTE.length];
    const attrs = `data-series="${k}" fill="${colour}"`;
    if (kind === 'line') {
      const points = s.values.map((v, i) => (v === null ? null : `${(left + slot * (i + 0.5)).toFixed(1)},${y(v).toFixed(1)}`)).filter((p) => p);
      parts.push(`<polyline data-series="${k}" fill="none" stroke="${colour}" stroke-width="2" points="${points.join(' ')}"/>`);
      return;
    }
    s.values.forEach((v, i) => {
      if (v === null) return;
      let x0: number, w: number, from: number, to: number;
      if (kind === 'stacked') {
        w = slot * 0.7;
        x0 = left + slot * i + slot * 0.15;
        to = tops[k][i];
        from = to - v;
      } else {
        w = (slot * 0.8) / data.series.length;
        x0 = left + slot * i + slot * 0.1 + w * k;
        from = 0;
        to = v;
      }
      const y0 = Math.min(y(from), y(to));
      parts.push(`<rect ${attrs} x="${x0.toFixed(1)}" y="${y0.toFixed(1)}" width="${Math.max(0.5, w).toFixed(1)}" height="${Math.abs(y(from) - y(to)).toFixed(1)}"/>`);
    });
  });
  const every = Math.max(1, Math.ceil(n / 40));
  data.categories.forEach((c, i) => {
    if (i % every) return;
    const x = left + slot * (i + 0.5);
    parts.push(`<text transform="translate(${x.toFixed(1)},${top + plotH + 12}) rotate(40)" font-size="10" font-family="sans-serif" fill="#333">${escapeXml(c.slice(0, 24))}</text>`);
  });
  data.series.forEach((s, k) => {
    const x = left + (k % 4) * 200;
    const yy = height - 14 - Math.floor(k / 4) * 14;
    parts.push(`<rect x="${x}" y="${yy - 9}" width="10" height="10" fill="${PALETTE[k % PALETTE.length]}"/><text x="${x + 14}" y="${yy}" font-size="11" font-family="sans-serif" fill="#111">${escapeXml(s.name.slice(0, 28))}</text>`);
  });
  return `<svg xmlns="http://www.w3.org/2000/svg" width="${width}" height="${height}" viewBox="0 0 ${width} ${height}" role="img" aria-label="${escapeXml(title)}">${parts.join('')}</svg>`;
}

function download(name: string, href: string): void {
  const a = el('a', { href, download: name });
  document.body.append(a);
  a.click();
  a.remove();
}

export function downloadSvg(svg: string, name: string): void {
  const url = URL.createObjectURL(new Blob([svg], { type: 'image/svg+xml' }));
  download(`${name}.svg`, url);
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

export async function svgToPng(svg: string): Promise<string> {
  const image = new Image();
  image.src = `data:image/svg+xml;charset=utf-8,${encodeURIComponent(svg)}`;
  await image.decode();
  const canvas = document.createElement('canvas');
  canvas.width = image.naturalWidth;
  canvas.height = image.naturalHeight;
  canvas.getContext('2d')!.drawImage(image, 0, 0);
  return canvas.toDataURL('image/png');
}

// The grid's print view with the chart above the table.
export async function printWithChart(printUrl: string, svg: string): Promise<void> {
  const opened = window.open('', '_blank');
  if (!opened) return;
  const html = await (await fetch(printUrl)).text();
  const figure = `<figure class="chart">${svg}</figure>`;
  // Under the page's title, else at the top of its body.
  const withChart = html.includes('</h1>') ? html.replace('</h1>', `</h1>${figure}`) : html.replace(/<body[^>]*>/, (body) => `${body}${figure}`);
  opened.document.open();
  opened.document.write(withChart);
  opened.document.close();
}

// The chart on screen. uPlot holds one x scale for all series: the categories stand at
// 0..n-1 and bars of several series sit side by side by their own narrower paths.
export function drawChart(holder: HTMLElement, data: ChartData, kind: ChartKind, width: number): uPlot | null {
  holder.replaceChildren();
  if (!data.categories.length || !data.series.length) {
    holder.append(el('p', { class: 'chart-none' }, 'Nothing to chart: no rows or no number columns shown.'));
    return null;
  }
  const xs = data.categories.map((_, i) => i);
  const plotted = kind === 'stacked' ? stackedTops(data.series) : data.series.map((s) => s.values);
  const count = data.series.length;
  const series: uPlot.Series[] = [{ label: 'Row', value: (_u, v) => (v === null || v === undefined ? '' : data.categories[Math.round(v)] ?? '') }];
  // Stacked bars are drawn from the highest running sum down, each covering the one below.
  const order = kind === 'stacked' ? [...data.series.keys()].reverse() : [...data.series.keys()];
  for (const k of order) {
    const colour = PALETTE[k % PALETTE.length];
    const s: uPlot.Series = { label: data.series[k].name, stroke: colour, width: kind === 'line' ? 2 : 0 };
    if (kind !== 'line') {
      s.fill = colour;
      s.paths = uPlot.paths.bars!({ size: [kind === 'stacked' || count === 1 ? 0.7 : 0.8 / count, Infinity], align: 0, disp: kind === 'bar' && count > 1 ? { x0: { unit: 1, values: () => xs.map((x) => x - 0.4 + (0.8 / count) * (k + 0.5)) }, size: { unit: 1, values: () => xs.map(() => 0.8 / count) } } : undefined });
      s.points = { show: false };
    }
    series.push(s);
  }
  const [low, high] = range(data, kind);
  const options: uPlot.Options = {
    width: Math.max(320, width),
    height: 320,
    series,
    scales: { x: { time: false, range: [-0.6, xs.length - 0.4] }, y: { range: [low, high * 1.05 || 1] } },
    axes: [
      { values: (_u, splits) => splits.map((v) => (Number.isInteger(v) ? (data.categories[v] ?? '').slice(0, 14) : '')), space: 60, stroke: '#222' },
      { stroke: '#222', size: 80 },
    ],
    legend: { show: true },
  };
  const aligned: uPlot.AlignedData = [xs, ...order.map((k) => plotted[k])];
  return new uPlot(options, aligned, holder);
}

// ---------------------------------------------------------------- the panel under a grid

export interface ChartPanelHost {
  session(): string;
  send(message: object): void;
}

interface PanelState {
  open: boolean;
  kind: ChartKind;
}

const panels = new Map<string, PanelState>(); // by "window/grid"
// The chart drawn last per grid: uPlot listens on the window until it is destroyed.
const plots = new Map<string, uPlot>();
// Per grid: the grid as it stood when its figures were asked for, the number of that request,
// and the figures of the latest answer.
const asked = new Map<string, { signature: string; n: number }>();
const answers = new Map<string, ChartData>();
let requests = 0;

// What the figures depend on, as the snapshot shows it: the columns (a cube's layout), the
// count of rows, the footers and the first page (filters, sorting, member toggles).
export function gridSignature(grid: Control): string {
  return JSON.stringify([grid.rowCount, grid.columns?.map((c) => [c.name, c.visible, c.caption, c.footer, c.headerPath]), grid.rows?.map((r) => [r.i, r.c, r.s, r.h])]);
}

// The button that shows or hides the chart, and the chart's own bar with its kind and exports.
export function chartPanel(host: ChartPanelHost, w: string, caption: string, grid: { name: string }, redraw: () => void): HTMLElement {
  const key = `${w}/${grid.name}`;
  const state = panels.get(key) ?? { open: false, kind: 'bar' as ChartKind };
  panels.set(key, state);
  // Keyed, so that the focus stays on a button through the redraw its click brings.
  const toggle = el('button', { class: 'tool chart-toggle', 'data-chart-toggle': key, 'data-key': `chart:${key}`, 'aria-expanded': state.open ? 'true' : 'false' }, state.open ? 'Hide chart' : 'Chart');
  toggle.addEventListener('click', () => {
    state.open = !state.open;
    redraw();
  });
  const panel = el('div', { class: 'chart-panel', 'data-chart': key }, toggle);
  if (!state.open) return panel;
  const kinds = el('div', { class: 'chart-kinds', role: 'radiogroup', 'aria-label': 'Chart kind' });
  for (const [kind, label] of [['bar', 'Bars'], ['stacked', 'Stacked bars'], ['line', 'Lines']] as [ChartKind, string][]) {
    const b = el('button', { class: `tool${state.kind === kind ? ' active' : ''}`, role: 'radio', 'aria-checked': state.kind === kind ? 'true' : 'false', 'data-chart-kind': kind, 'data-key': `chart:${key}:${kind}` }, label);
    b.addEventListener('click', () => {
      state.kind = kind;
      redraw();
    });
    kinds.append(b);
  }
  const svgNow = (): string => chartSvg(answers.get(key) ?? { categories: [], series: [] }, state.kind, caption);
  const svgButton = el('button', { class: 'tool', 'data-chart-export': 'svg' }, 'SVG');
  svgButton.addEventListener('click', () => downloadSvg(svgNow(), caption || w));
  const pngButton = el('button', { class: 'tool', 'data-chart-export': 'png' }, 'PNG');
  pngButton.addEventListener('click', () => void svgToPng(svgNow()).then((url) => download(`${caption || w}.png`, url)));
  const q = `s=${encodeURIComponent(host.session())}&w=${encodeURIComponent(w)}&g=${encodeURIComponent(grid.name)}`;
  const printButton = el('button', { class: 'tool', 'data-chart-export': 'print' }, 'Print with chart');
  printButton.addEventListener('click', () => void printWithChart(`/api/print?${q}`, svgNow()));
  const plot = el('div', { class: 'chart-plot', 'data-chart-plot': key, role: 'img', 'aria-label': `Chart of ${caption}` });
  const note = el('p', { class: 'chart-note', 'data-chart-note': key });
  panel.append(el('div', { class: 'chart-tools' }, kinds, svgButton, pngButton, printButton), plot, note);
  return panel;
}

function drawInto(plot: HTMLElement, key: string, data: ChartData, kind: ChartKind): void {
  plot.dataset.categories = String(data.categories.length);
  plot.dataset.names = data.categories.join('|');
  plot.dataset.series = data.series.map((s) => s.name).join('|');
  plot.dataset.totals = JSON.stringify(Object.fromEntries(data.series.map((s) => [s.column || s.name, s.total ?? ''])));
  const note = plot.parentElement?.querySelector<HTMLElement>('[data-chart-note]');
  if (note) note.textContent = data.note ?? '';
  plots.get(key)?.destroy();
  const drawn = drawChart(plot, data, kind, plot.clientWidth || 800);
  if (drawn) plots.set(key, drawn);
  else plots.delete(key);
}

// Draws every open chart the page shows: from the figures it has, asking the session anew
// when the grid changed since they were asked for.
export function refreshCharts(host: ChartPanelHost, root: HTMLElement, gridOf: (w: string, g: string) => Control | undefined): void {
  for (const plot of root.querySelectorAll<HTMLElement>('[data-chart-plot]')) {
    const key = plot.dataset.chartPlot!;
    const cut = key.indexOf('/');
    const [w, g] = [key.slice(0, cut), key.slice(cut + 1)];
    const state = panels.get(key);
    const grid = gridOf(w, g);
    if (!state || !grid) continue;
    const signature = gridSignature(grid);
    if (asked.get(key)?.signature !== signature) {
      const n = ++requests;
      asked.set(key, { signature, n });
      host.send({ t: 'chart', w, g, categories: CHART_CATEGORIES, series: CHART_SERIES, n });
    }
    const data = answers.get(key);
    if (data) drawInto(plot, key, data, state.kind);
    else plot.replaceChildren(el('p', { class: 'chart-none' }, 'Charting every row\u2026'));
  }
  // Charts no longer on the page.
  for (const [key, drawn] of plots) {
    if (!drawn.root.isConnected) {
      drawn.destroy();
      plots.delete(key);
    }
  }
}

// The session's figures for a grid: kept, and drawn when they answer the latest request.
export function receiveChart(answer: ChartAnswer, root: HTMLElement): void {
  const key = `${answer.w}/${answer.g}`;
  if (asked.get(key)?.n !== answer.n) return; // the grid has changed since
  const data = chartOfAnswer(answer);
  answers.set(key, data);
  const plot = root.querySelector<HTMLElement>(`[data-chart-plot="${CSS.escape(key)}"]`);
  const state = panels.get(key);
  if (plot && state) drawInto(plot, key, data, state.kind);
}
