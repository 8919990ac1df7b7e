// The start page after signing in: receivables and payables at a glance, computed on the
// server in one message; a tile opens the report behind it with the same parameters.

import type { StartMessage, StartTile } from './protocol';
import { el } from './dom';

const money = new Intl.NumberFormat('en-US', { minimumFractionDigits: 2, maximumFractionDigits: 2 });

export function formatMoney(text: string): string {
  const value = Number(text);
  return Number.isFinite(value) ? money.format(value) : text;
}

// Bars as wide as their share of the largest figure; figures below zero draw no bar.
export function barShares(values: number[]): number[] {
  const top = Math.max(0, ...values);
  return values.map((v) => (top > 0 && v > 0 ? v / top : 0));
}

function figureList(caption: string, items: { label: string; value: string }[], kind: string): HTMLElement {
  const shares = barShares(items.map((i) => Number(i.value)));
  const list = el('dl', { class: `start-figures ${kind}`, 'aria-label': caption });
  items.forEach((item, k) => {
    list.append(
      el('dt', {}, item.label),
      el('dd', { 'data-value': item.value },
        el('span', { class: 'start-bar', style: `width:${Math.round(shares[k] * 100)}%`, 'aria-hidden': 'true' }),
        el('span', { class: 'start-amount' }, formatMoney(item.value))));
  });
  return el('div', {}, el('h4', {}, caption), list);
}

function drawTile(tile: StartTile, currency: string, open: (tile: string) => void): HTMLElement {
  const section = el('section', { class: 'start-tile', 'data-tile': tile.name, 'data-compute-ms': tile.computeMs, 'aria-labelledby': `tile-${tile.name}` },
    el('h3', { id: `tile-${tile.name}` }, tile.caption),
    el('p', { class: 'start-total' },
      el('span', { class: 'start-total-value', 'data-total': tile.total }, formatMoney(tile.total)), ` ${currency}`,
      tile.changePercent === undefined ? null : el('span', { class: `start-change ${tile.changePercent < 0 ? 'down' : 'up'}`, 'data-change': tile.changePercent }, ` ${tile.changePercent > 0 ? '+' : ''}${tile.changePercent}%`)),
    el('p', { class: 'start-period' }, tile.note));
  // Long lists (months) show their latest part.
  for (const list of tile.lists) section.append(figureList(list.caption, list.items.slice(-6), list.kind));
  if (tile.opens) {
    const button = el('button', { class: 'primary start-open', 'data-opens': tile.opens }, `Open ${tile.caption.toLowerCase()}`);
    button.addEventListener('click', () => open(tile.name));
    section.append(button);
  }
  return section;
}

export function drawStart(start: StartMessage | undefined, open: (tile: string) => void): HTMLElement {
  if (!start) return el('section', { class: 'start', 'aria-busy': 'true', 'aria-label': 'Start page' }, el('p', {}, 'Reading the figures…'));
  return el('section', { class: 'start', id: 'start-page', 'aria-label': 'Start page', 'data-today': start.today, 'data-compute-ms': start.computeMs },
    el('h2', {}, `At a glance, ${start.today}`),
    el('div', { class: 'start-tiles' }, ...start.tiles.map((t) => drawTile(t, start.currency, open))));
}
