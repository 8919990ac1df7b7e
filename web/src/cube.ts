// The cube window ("CCube") as a pivot table: drop zones for the dimensions of the filter
// area, the columns and the rows; multi-row column headers and outlined row headers with
// +/- toggles; a member filter per dimension; the facts to show; the report's menu and its
// status panel. Everything the person does goes to the session as the values and clicks of
// the window's controls (cbDimension, cbAxis, edPosition, btMoveDimension, ...), and the
// state that comes back is drawn as it stands: a move the report refuses simply does not
// show.

import type { Column, Control, GridRow, Window } from './protocol';
import { el } from './dom';
import { type RowPages, rowOrAsk, rowsInSight } from './paging';

// What the cube window borrows from the client: the socket, the session, the paging cache
// of the window's grid and a full redraw.
export interface CubeHost {
  send(message: Record<string, unknown>): void;
  session(): string;
  rows(window: string, grid: string): RowPages | undefined;
  redraw(): void;
}

const GRID = 'CubeGrid';
const ROW_HEIGHT = 24;
const HEAD_HEIGHT = 24;
const TOTAL = 'Total';
// A member filter lists at most this many members; typing narrows the list.
const MEMBER_LIMIT = 300;

type Axis = 'Rows' | 'Columns' | 'Filter';
const ZONES: [Axis, string, 'rows' | 'columns' | 'filter'][] = [
  ['Filter', 'Filter', 'filter'],
  ['Columns', 'Columns', 'columns'],
  ['Rows', 'Rows', 'rows'],
];

let host: CubeHost | null = null;
// The cube windows as last drawn, by name: what the kept table of each acts on.
const shown = new Map<string, Window>();
// Per window: where the person scrolled across, and which member filter is open.
const scrollLeft = new Map<string, number>();
const openFilter = new Map<string, { dim: string; typed: string }>();
// Per window: the chip moved from the keyboard, focused again once the window is drawn anew.
const focusChip = new Map<string, string>();
let lastClick: { key: string; time: number } | null = null;
let lastDbl: { key: string; time: number } | null = null;


function control(w: Window, name: string): Control | undefined {
  return w.controls.find((c) => c.name === name);
}

function set(w: Window, c: string, v: string): void {
  host?.send({ t: 'set', w: w.name, c, v });
}

function click(w: Window, c: string): void {
  host?.send({ t: 'click', w: w.name, c });
}

export function isCubeWindow(w: Window): boolean {
  return w.name === 'CCube' && !!w.cube;
}

// ---------------------------------------------------------------- the window

export function drawCube(w: Window, cubeHost: CubeHost): HTMLElement {
  host = cubeHost;
  shown.set(w.name, w);
  injectStyle();
  const grid = control(w, GRID);
  const caption = control(w, 'lbCubeCaption');
  const form = el('section', { class: 'window cube-window', 'data-window': w.name, role: 'region', 'aria-label': w.caption || w.name });
  form.append(el('h2', { class: 'caption' }, w.caption || w.name));
  if (caption?.caption) form.append(el('div', { class: 'cube-caption', 'data-control': 'lbCubeCaption' }, caption.caption));
  form.append(drawZones(w), drawTools(w, grid));
  if (grid) form.append(drawPivot(w, grid));
  form.append(el('div', { class: 'cube-status', role: 'status' },
    el('span', { 'data-control': 'lbStatus1' }, control(w, 'lbStatus1')?.caption ?? ''),
    el('span', { 'data-control': 'lbStatus2' }, control(w, 'lbStatus2')?.caption ?? '')));
  // The element is attached once the client's draw ends: the scroll position comes back then.
  queueMicrotask(() => restoreScroll(w));
  return form;
}

function drawZones(w: Window): HTMLElement {
  const cube = w.cube!;
  const zones = el('div', { class: 'cube-zones' });
  // A chip that has the focus (or was just moved from the keyboard) keeps it in the new drawing.
  const active = document.activeElement as HTMLElement | null;
  const focused = focusChip.get(w.name) ?? (active?.classList.contains('cube-chip') ? active.dataset.dim : undefined);
  focusChip.delete(w.name);
  for (const [axis, title, key] of ZONES) {
    const zone = el('div', { class: 'cube-zone', 'data-zone': axis, 'aria-label': title }, el('span', { class: 'zone-title' }, title));
    cube[key].forEach((dim, index) => {
      const chip = el('span', {
        class: `cube-chip${cube.selections[dim.name] ? ' filtered' : ''}`,
        draggable: 'true',
        tabindex: 0,
        // A group, not a button: it holds the filter's own button.
        role: 'group',
        'aria-label': dim.caption,
        'aria-roledescription': 'dimension',
        'data-dim': dim.name,
        title: `Drag to move ${dim.caption}, or press ← → to move it in its area, Shift+← → to the next area`,
      }, dim.caption);
      chip.addEventListener('keydown', (e) => chipKey(e, w, dim.name, axis, index, cube[key].length));
      if (focused === dim.name) queueMicrotask(() => chip.focus());
      chip.addEventListener('dragstart', (e) => {
        e.dataTransfer?.setData('text/plain', dim.name);
        if (e.dataTransfer) e.dataTransfer.effectAllowed = 'move';
      });
      const funnel = el('button', { class: 'chip-filter', 'data-filter': dim.name, title: `Members of ${dim.caption} that count` }, '▾');
      funnel.addEventListener('click', (e) => {
        e.stopPropagation();
        toggleFilter(w, dim.name);
      });
      funnel.addEventListener('mousedown', (e) => e.stopPropagation());
      chip.append(funnel);
      zone.append(chip);
    });
    zone.addEventListener('dragover', (e) => {
      e.preventDefault();
      if (e.dataTransfer) e.dataTransfer.dropEffect = 'move';
      zone.classList.add('over');
    });
    zone.addEventListener('dragleave', () => zone.classList.remove('over'));
    zone.addEventListener('drop', (e) => {
      e.preventDefault();
      zone.classList.remove('over');
      const dim = e.dataTransfer?.getData('text/plain');
      if (dim) moveDimension(w, dim, axis, dropPosition(zone, dim, e.clientX));
    });
    zones.append(zone);
  }
  const open = openFilter.get(w.name);
  if (open) zones.append(drawFilterPopup(w, open.dim));
  return zones;
}

// The place among the zone's chips (from 0) where a chip dropped at x lands; the chip that
// moves counts as gone from its old place.
export function dropPosition(zone: HTMLElement, dim: string, x: number): number {
  const chips = [...zone.querySelectorAll<HTMLElement>('.cube-chip')].filter((c) => c.dataset.dim !== dim);
  let position = 0;
  for (const chip of chips) {
    const box = chip.getBoundingClientRect();
    if (x > box.left + box.width / 2) position++;
  }
  return position;
}

// A chip moves from the keyboard: arrows move it among the chips of its area, and with Shift
// into the area beside it (first in the area to the right, last in the one to the left).
function chipKey(e: KeyboardEvent, w: Window, dim: string, axis: Axis, index: number, count: number): void {
  if (e.key !== 'ArrowLeft' && e.key !== 'ArrowRight') return;
  e.preventDefault();
  const step = e.key === 'ArrowLeft' ? -1 : 1;
  if (e.shiftKey) {
    const zone = ZONES[ZONES.findIndex(([a]) => a === axis) + step];
    if (!zone) return;
    focusChip.set(w.name, dim);
    moveDimension(w, dim, zone[0], step > 0 ? 0 : w.cube![zone[2]].length);
    return;
  }
  const position = index + step;
  if (position < 0 || position >= count) return;
  focusChip.set(w.name, dim);
  moveDimension(w, dim, axis, position);
}

function moveDimension(w: Window, dim: string, axis: Axis, position: number): void {
  set(w, 'cbDimension', dim);
  set(w, 'cbAxis', axis);
  set(w, 'edPosition', String(position));
  click(w, 'btMoveDimension');
}

function drawTools(w: Window, grid: Control | undefined): HTMLElement {
  const cube = w.cube!;
  const tools = el('div', { class: 'cube-tools' });
  const button = (name: string, text: string, title: string): HTMLButtonElement => {
    const c = control(w, name);
    const b = el('button', { class: 'cube-button', 'data-control': name, title, disabled: c ? !c.enabled : true }, text);
    b.addEventListener('click', () => click(w, name));
    return b;
  };
  tools.append(
    el('span', { class: 'tool-group' }, 'Rows',
      button('btExpandRows', '+', 'One level more down the rows'),
      button('btCollapseRows', '−', 'One level less down the rows')),
    el('span', { class: 'tool-group' }, 'Columns',
      button('btExpandColumns', '+', 'One level more across the columns'),
      button('btCollapseColumns', '−', 'One level less across the columns')));

  const facts = el('span', { class: 'tool-group cube-facts' }, 'Facts');
  for (const fact of cube.facts) {
    if (!fact.enabled) continue;
    const box = el('input', { type: 'checkbox', 'data-fact': fact.name, checked: fact.visible });
    box.addEventListener('click', (e) => {
      e.preventDefault();
      set(w, 'cbFact', fact.name);
      click(w, fact.visible ? 'btHideFact' : 'btShowFact');
    });
    facts.append(el('label', { class: 'fact-choice' }, box, ' ', fact.caption));
  }
  tools.append(facts);

  // The user menu, and any button the report added to the window beside the frame's own.
  const menu = w.controls.filter((c) => c.visible && (/^UserMenu\d+$/.test(c.name) ||
    (c.kind === 'Button' && !frameButtons.has(c.name))));
  if (menu.length) {
    const group = el('span', { class: 'tool-group cube-menu' });
    for (const item of menu) group.append(button(item.name, item.caption || item.name, item.caption));
    tools.append(group);
  }
  if (grid) {
    const q = `s=${encodeURIComponent(host!.session())}&w=${encodeURIComponent(w.name)}&g=${encodeURIComponent(grid.name)}`;
    tools.append(el('span', { class: 'tool-group cube-export' },
      el('a', { href: `/api/export?${q}&format=csv`, class: 'tool', 'data-export': 'csv', download: '' }, 'CSV'),
      el('a', { href: `/api/export?${q}&format=xlsx`, class: 'tool', 'data-export': 'xlsx', download: '' }, 'XLSX'),
      el('a', { href: `/api/print?${q}`, class: 'tool', 'data-export': 'print', target: '_blank' }, 'Print')));
  }
  return tools;
}

// The cube frame's own buttons, driven by the toolbar above and the grid; every other
// button of the window is the report's.
const frameButtons = new Set(['btMoveDimension', 'btExpandRows', 'btCollapseRows', 'btExpandColumns',
  'btCollapseColumns', 'btExpandLevel', 'btCollapseLevel', 'btExpandMember', 'btCollapseMember', 'btFilterOnly',
  'btFilterAdd', 'btFilterRemove', 'btFilterAll', 'btShowFact', 'btHideFact']);

// ---------------------------------------------------------------- member filter

function toggleFilter(w: Window, dim: string): void {
  if (openFilter.get(w.name)?.dim === dim) openFilter.delete(w.name);
  else {
    openFilter.set(w.name, { dim, typed: '' });
    // The window lists the members of the dimension its filter combo names.
    if (control(w, 'cbFilterDimension')?.value !== dim) set(w, 'cbFilterDimension', dim);
  }
  host?.redraw();
}

function drawFilterPopup(w: Window, dim: string): HTMLElement {
  const cube = w.cube!;
  const all = [...cube.rows, ...cube.columns, ...cube.filter];
  const caption = all.find((d) => d.name === dim)?.caption ?? dim;
  const popup = el('div', { class: 'cube-filter', role: 'dialog', 'data-filter-popup': dim, 'aria-label': `Members of ${caption}` });
  const close = el('button', { class: 'filter-close', title: 'Close' }, '×');
  close.addEventListener('click', () => {
    openFilter.delete(w.name);
    host?.redraw();
  });
  popup.append(el('div', { class: 'filter-head' }, el('b', {}, caption), close));
  const combo = control(w, 'cbFilterDimension');
  if (combo?.value !== dim) {
    popup.append(el('div', { class: 'filter-wait' }, 'Reading members…'));
    return popup;
  }
  const selection = cube.selections[dim];
  const counting = new Set((selection ?? []).map((m) => m.key));
  const members = control(w, 'cbFilterMember')?.items ?? [];
  const state = openFilter.get(w.name)!;
  const search = el('input', { type: 'text', class: 'filter-search', placeholder: 'Find a member', value: state.typed, 'data-key': `${w.name}.filter-search` });
  const list = el('div', { class: 'filter-list' });
  const fill = (): void => {
    const typed = search.value.trim().toLowerCase();
    state.typed = search.value;
    list.replaceChildren();
    let shown = 0;
    for (const member of members) {
      if (typed && !member.name.toLowerCase().includes(typed) && !member.code.toLowerCase().includes(typed)) continue;
      if (++shown > MEMBER_LIMIT) {
        list.append(el('div', { class: 'filter-more' }, 'More members: type to narrow the list'));
        break;
      }
      const counts = !selection || counting.has(member.code);
      const box = el('input', { type: 'checkbox', checked: counts });
      box.addEventListener('click', (e) => {
        e.preventDefault();
        set(w, 'cbFilterMember', member.code);
        click(w, counts ? 'btFilterRemove' : 'btFilterAdd');
      });
      const only = el('button', { class: 'filter-only', title: 'Only this member' }, 'only');
      only.addEventListener('click', () => {
        set(w, 'cbFilterMember', member.code);
        click(w, 'btFilterOnly');
      });
      list.append(el('div', { class: 'filter-member', 'data-member': member.code }, el('label', {}, box, ' ', member.name || member.code), only));
    }
  };
  search.addEventListener('input', fill);
  fill();
  const allButton = el('button', { class: 'filter-all', 'data-control': 'btFilterAll' }, 'All members');
  allButton.addEventListener('click', () => click(w, 'btFilterAll'));
  popup.append(search, list, el('div', { class: 'filter-foot' },
    el('span', { class: 'filter-counting' }, selection ? `${selection.length} of ${members.length} count` : 'All count'), allButton));
  return popup;
}

// ---------------------------------------------------------------- the pivot table

interface Layout {
  rowDims: { column: Column; index: number }[];
  factCols: { column: Column; index: number }[];
  colDepth: number;
  template: string;
  headRows: number; // column dimension rows and the fact row
  rowLeft: number[]; // where each row header column stays when the table scrolls across
  factLeft: number[]; // where each fact column starts and ends, for drawing only those in sight
  factRight: number[];
}

function layoutOf(w: Window, grid: Control): Layout {
  const columns = (grid.columns ?? []).map((column, index) => ({ column, index })).filter((x) => x.column.visible);
  const rowDims = columns.filter((x) => x.column.role === 'RowHeader');
  const factCols = columns.filter((x) => x.column.role !== 'RowHeader');
  const colDepth = w.cube!.columns.length;
  const sample = grid.rows ?? [];
  // Wide enough for the caption and the rows that came with the snapshot; figures get room
  // for totals, which mostly lie further down and are the widest.
  const width = (x: { column: Column; index: number }, header: string, figures: boolean): number => {
    let chars = header.length + 2;
    for (const row of sample) chars = Math.max(chars, (row.c[x.index] ?? '').length + (figures ? 3 : 1));
    return Math.min(360, Math.max(figures ? 90 : 70, chars * 8 + 26));
  };
  const widths = [
    ...rowDims.map((x) => width(x, x.column.caption, false)),
    ...factCols.map((x) => width(x, factCaption(w, x.column), true)),
  ];
  const rowLeft: number[] = [];
  let left = 0;
  rowDims.forEach((_, k) => {
    rowLeft.push(left);
    left += widths[k];
  });
  const factLeft: number[] = [];
  const factRight: number[] = [];
  factCols.forEach((_, k) => {
    factLeft.push(left);
    left += widths[rowDims.length + k];
    factRight.push(left);
  });
  return { rowDims, factCols, colDepth, template: widths.map((px) => `${px}px`).join(' '), headRows: colDepth + 1, rowLeft, factLeft, factRight };
}

function factCaption(w: Window, column: Column): string {
  return w.cube!.facts.find((f) => f.name === column.factName)?.caption ?? column.caption;
}

function drawPivot(w: Window, grid: Control): HTMLElement {
  const layout = layoutOf(w, grid);
  const cache = host!.rows(w.name, grid.name);
  const total = cache?.total ?? grid.rowCount ?? 0;
  const scroller = cubeScroller(w.name);
  // The header row counts with the body's rows, drawn or not.
  scroller.setAttribute('aria-rowcount', String(total + 1));
  scroller.replaceChildren(drawHeader(w, layout), el('div', { class: 'cube-body', role: 'rowgroup', style: `height:${total * ROW_HEIGHT}px` }));
  const count = el('span', { class: 'count', 'data-rowcount': total }, `${total} rows`);
  return el('div', { class: 'cube-grid', 'data-control': grid.name }, count, scroller);
}

// The scrolling table of a cube window. A redraw keeps the element the page shows, as the
// client keeps a grid's body: a scroll under way goes on, and a scroll the old element had
// yet to report cannot bring the table back to the top. Out of the page the element forgets
// its position: it is read here, and restoreScroll gives it back.
function cubeScroller(name: string): HTMLElement {
  const kept = document.querySelector<HTMLElement>(`.cube-scroll[data-cube-grid="${CSS.escape(name)}"]`);
  if (kept) {
    const cache = host?.rows(name, GRID);
    if (cache) cache.scrollTop = kept.scrollTop;
    scrollLeft.set(name, kept.scrollLeft);
    return kept;
  }
  // Rows outlined by their dimensions' levels: a tree of rows under the column headers.
  const scroller = el('div', { class: 'cube-scroll', 'data-cube-grid': name, tabindex: 0, role: 'treegrid', 'aria-label': 'Cube' });
  scroller.addEventListener('scroll', () => {
    const w = shown.get(name);
    const cache = host?.rows(name, GRID);
    if (!scroller.isConnected || !w) return;
    if (cache) cache.scrollTop = scroller.scrollTop;
    scrollLeft.set(name, scroller.scrollLeft);
    drawCubeRows(w);
  });
  scroller.addEventListener('keydown', (e) => {
    const w = shown.get(name);
    if (w) cubeKey(e, w);
  });
  return scroller;
}

// Column dimensions one header row each, members spanning the columns under them and
// totals spanning down; the facts in the last row. The corner names the row dimensions.
function drawHeader(w: Window, layout: Layout): HTMLElement {
  const { rowDims, factCols, colDepth, template, headRows } = layout;
  const head = el('div', { class: 'cube-head', role: 'row', style: `grid-template-columns:${template};grid-template-rows:repeat(${headRows}, ${HEAD_HEIGHT}px)` });
  if (rowDims.length) {
    w.cube!.columns.forEach((dim, level) => {
      head.append(el('div', { class: 'cube-corner-dim', role: 'columnheader', style: `grid-row:${level + 1};grid-column:1 / span ${rowDims.length};left:0` }, dim.caption));
    });
  }
  rowDims.forEach((x, k) => {
    head.append(el('div', { class: 'cube-corner', role: 'columnheader', style: `grid-row:${headRows};grid-column:${k + 1};left:${layout.rowLeft[k]}px`, 'data-column': x.column.name }, x.column.caption));
  });
  const first = rowDims.length + 1;
  for (let level = 0; level < colDepth; level++) {
    let k = 0;
    while (k < factCols.length) {
      const path = factCols[k].column.headerPath ?? [];
      if (level >= path.length) {
        k++; // spanned from above
        continue;
      }
      let end = k + 1;
      while (end < factCols.length && samePrefix(factCols[end].column.headerPath ?? [], path, level)) end++;
      const isTotal = level === path.length - 1 && factCols[k].column.headerKind !== 'Member' && path[level] === TOTAL;
      // A header whose path ends here reaches down to the fact row.
      const last = level === path.length - 1;
      const rowSpan = last ? colDepth - level : 1;
      const cell = el('div', {
        class: `cube-colhead${isTotal ? ' total' : ''}`,
        role: 'columnheader',
        style: `grid-row:${level + 1} / span ${rowSpan};grid-column:${first + k} / span ${end - k}`,
        'data-level': level,
        'data-path': path.slice(0, level + 1).join(' / '),
      }, path[level]);
      const state = columnToggle(factCols.slice(k, end).map((x) => x.column), level);
      if (state) {
        const toggle = el('button', { class: 'cube-toggle', 'data-expand': state.expand, title: state.expand === 'Collapsed' ? 'Show what is under it' : 'Hide what is under it' }, state.expand === 'Collapsed' ? '+' : '−');
        toggle.addEventListener('click', () => {
          set(w, 'edHeaderColumn', state.column);
          set(w, 'edHeaderLevel', String(level));
          click(w, state.expand === 'Collapsed' ? 'btExpandMember' : 'btCollapseMember');
        });
        cell.prepend(toggle);
      }
      head.append(cell);
      k = end;
    }
  }
  factCols.forEach((x, k) => {
    const kind = x.column.headerKind ?? 'Member';
    head.append(el('div', {
      class: `cube-facthead${kind !== 'Member' ? ' total' : ''}`,
      role: 'columnheader',
      style: `grid-row:${headRows};grid-column:${first + k}`,
      'data-column': x.column.name,
      'data-fact': x.column.factName ?? '',
      'data-kind': kind,
      title: x.column.caption,
    }, factCaption(w, x.column)));
  });
  return head;
}

function samePrefix(a: string[], b: string[], level: number): boolean {
  if (a.length <= level) return false;
  for (let i = 0; i <= level; i++) if (a[i] !== b[i]) return false;
  return true;
}

// The toggle of a header cell: the member at this level opens when a column of it ends with
// it closed, and closes when its subtotal column is there.
export function columnToggle(columns: Column[], level: number): { expand: 'Collapsed' | 'Expanded'; column: string } | null {
  for (const c of columns) {
    const path = c.headerPath ?? [];
    if (c.headerKind === 'Member' && path.length === level + 1 && c.expand === 'Collapsed') return { expand: 'Collapsed', column: c.name };
    if (c.headerKind === 'Subtotal' && path.length === level + 2 && c.expand === 'Expanded') return { expand: 'Expanded', column: c.name };
  }
  return null;
}

function restoreScroll(w: Window): void {
  const scroller = document.querySelector<HTMLElement>(`.cube-scroll[data-cube-grid="${CSS.escape(w.name)}"]`);
  const cache = host?.rows(w.name, GRID);
  if (!scroller) return;
  if (cache) scroller.scrollTop = cache.scrollTop;
  scroller.scrollLeft = scrollLeft.get(w.name) ?? 0;
  drawCubeRows(w);
  const search = document.querySelector<HTMLInputElement>('.cube-filter .filter-search');
  if (search && openFilter.get(w.name)?.typed) search.focus();
}

// The rows drawn in a cube body, by position, with what they were drawn for.
const drawnRows = new WeakMap<HTMLElement, { key: string; first: number; nodes: Map<number, HTMLElement> }>();

// Rows that came from the server (a page) or a scroll: only the rows in sight are drawn.
export function redrawCubeRows(windows: Window[], w: string, g: string): void {
  const win = windows.find((x) => x.name === w);
  if (g === GRID && win && isCubeWindow(win)) drawCubeRows(win);
}

function drawCubeRows(w: Window): void {
  const grid = control(w, GRID);
  const scroller = document.querySelector<HTMLElement>(`.cube-scroll[data-cube-grid="${CSS.escape(w.name)}"]`);
  const cache = host?.rows(w.name, GRID);
  if (!grid || !scroller || !cache) return;
  const body = scroller.querySelector<HTMLElement>('.cube-body')!;
  const head = scroller.querySelector<HTMLElement>('.cube-head')!;
  body.style.height = `${cache.total * ROW_HEIGHT}px`;
  const layout = layoutOf(w, grid);
  const top = Math.max(0, scroller.scrollTop - head.offsetHeight);
  const { first, last } = rowsInSight(top, scroller.clientHeight || 400, cache.total, ROW_HEIGHT);
  // Across, too, only the columns in sight (and a margin) are drawn, in steps of 100 px.
  const left = Math.floor(scroller.scrollLeft / 100) * 100;
  const across: [number, number] = [left - 300, left + (scroller.clientWidth || 1200) + 400];
  // Rows already drawn stay: a scroll must not replace the row under a pressed mouse button,
  // or the click is lost. The first row drawn shows the members it shares with the rows above,
  // so the row that was first and the one that is first now are drawn again; a new page of
  // rows or a move across draws all again.
  const key = `${left}:${cache.rows.size}`;
  let drawn = drawnRows.get(body);
  if (!drawn || drawn.key !== key) {
    body.replaceChildren();
    drawn = { key, first, nodes: new Map() };
    drawnRows.set(body, drawn);
  }
  for (const [pos, node] of drawn.nodes) {
    if (pos < first || pos >= last || pos === drawn.first || pos === first) {
      node.remove();
      drawn.nodes.delete(pos);
    }
  }
  drawn.first = first;
  for (let pos = first; pos < last; pos++) {
    if (drawn.nodes.has(pos)) continue;
    const row = rowOrAsk(cache, pos, (from, count) => host?.send({ t: 'rows', w: w.name, g: GRID, from, count }));
    if (!row) continue;
    const node = drawRow(w, grid, layout, row, pos, cache.rows.get(pos - 1), pos === first, across);
    drawn.nodes.set(pos, node);
    body.append(node);
  }
}

function drawRow(w: Window, grid: Control, layout: Layout, row: GridRow, pos: number, above: GridRow | undefined, firstDrawn: boolean, across: [number, number]): HTMLElement {
  const style = row.s ? grid.styles?.[row.s] : undefined;
  const kind = row.h?.kind ?? 'Member';
  const level = row.h?.level ?? layout.rowDims.length;
  const current = row.i === grid.currentRow;
  const line = el('div', {
    class: `cube-row kind-${kind}${current ? ' current' : ''}${style?.bold ? ' bold' : ''}`,
    style: `top:${pos * ROW_HEIGHT}px;grid-template-columns:${layout.template};${style?.back ? `background:${style.back};` : ''}${style?.fore ? `color:${style.fore};` : ''}`,
    'data-row': row.i,
    'data-pos': pos,
    'data-kind': kind,
    'data-level': level,
    role: 'row',
    'aria-level': Math.max(1, level),
    'aria-rowindex': pos + 2,
    'aria-expanded': row.h?.expand === 'Collapsed' ? 'false' : row.h?.expand === 'Expanded' ? 'true' : undefined,
  });
  // An outline: an outer member is written where it starts, not again on every row under it.
  let sameAsAbove = !firstDrawn && !!above;
  layout.rowDims.forEach((x, k) => {
    const text = row.c[x.index] ?? '';
    sameAsAbove = sameAsAbove && above!.c[x.index] === text && k < level - 1 && kind === 'Member';
    const innermost = k === level - 1;
    const cell = el('div', {
      class: `cell cube-rowhead${text === TOTAL && kind !== 'Member' && k === level ? ' total' : ''}`,
      'data-column': x.column.name,
      role: 'rowheader',
      style: `padding-left:${6 + k * 4}px;left:${layout.rowLeft[k]}px`,
    }, sameAsAbove ? '' : text);
    if (innermost && (row.h?.expand === 'Collapsed' || row.h?.expand === 'Expanded')) {
      const toggle = el('button', { class: 'cube-toggle', 'data-expand': row.h.expand, title: row.h.expand === 'Collapsed' ? 'Show what is under it' : 'Hide what is under it' }, row.h.expand === 'Collapsed' ? '+' : '−');
      toggle.addEventListener('click', (e) => {
        e.stopPropagation();
        host?.send({ t: 'dbl', w: w.name, g: GRID, row: row.i, col: x.column.name });
      });
      cell.prepend(toggle);
    }
    cell.addEventListener('click', () => cellClick(w, row, x.column.name));
    cell.addEventListener('dblclick', () => cellDblClick(w, row, x.column.name));
    line.append(cell);
  });
  layout.factCols.forEach((x, k) => {
    if (layout.factRight[k] < across[0] || layout.factLeft[k] > across[1]) return;
    const own = row.cs?.[String(x.index)];
    const cell = el('div', {
      class: `cell cube-cell align-${x.column.align}${x.column.headerKind && x.column.headerKind !== 'Member' ? ' total-col' : ''}${current && grid.currentColumn === x.column.name ? ' current-cell' : ''}${own?.bold ? ' bold' : ''}`,
      style: `grid-column:${layout.rowDims.length + k + 1};${own?.back ? `background:${own.back};` : ''}${own?.fore ? `color:${own.fore};` : ''}`,
      'data-column': x.column.name,
      'data-fact': x.column.factName ?? '',
      role: 'gridcell',
    }, row.c[x.index] ?? '');
    cell.addEventListener('click', () => cellClick(w, row, x.column.name));
    cell.addEventListener('dblclick', () => cellDblClick(w, row, x.column.name));
    line.append(cell);
  });
  return line;
}

// Two clicks on one cell in quick succession are a double-click, whatever was redrawn
// between: on a fact cell the report drills down, on a row header the member opens or closes.
// The browser's own double-click stands in when the two clicks fell on two elements.
function cellClick(w: Window, row: GridRow, column: string): void {
  const key = `${w.name}/${row.i}/${column}`;
  const now = Date.now();
  if (lastClick && lastClick.key === key && now - lastClick.time < 450) {
    lastClick = null;
    sendDbl(w, row, column, key, now);
    return;
  }
  lastClick = { key, time: now };
  host?.send({ t: 'cell', w: w.name, g: GRID, row: row.i, col: column });
}

function cellDblClick(w: Window, row: GridRow, column: string): void {
  const key = `${w.name}/${row.i}/${column}`;
  const now = Date.now();
  if (lastDbl && lastDbl.key === key && now - lastDbl.time < 600) return; // sent already
  lastClick = null;
  sendDbl(w, row, column, key, now);
}

function sendDbl(w: Window, row: GridRow, column: string, key: string, now: number): void {
  lastDbl = { key, time: now };
  host?.send({ t: 'dbl', w: w.name, g: GRID, row: row.i, col: column });
}

function cubeKey(e: KeyboardEvent, w: Window): void {
  const grid = control(w, GRID);
  const cache = host?.rows(w.name, GRID);
  if (!cache || !grid || grid.currentRow === undefined || grid.currentRow < 0) return;
  if (e.key === 'Enter') {
    e.preventDefault();
    host?.send({ t: 'dbl', w: w.name, g: GRID, row: grid.currentRow, col: grid.currentColumn ?? '' });
    return;
  }
  let pos = -1;
  for (const [p, r] of cache.rows) if (r.i === grid.currentRow) pos = p;
  const delta = e.key === 'ArrowDown' ? 1 : e.key === 'ArrowUp' ? -1 : 0;
  if (!delta || pos < 0) return;
  e.preventDefault();
  const next = cache.rows.get(Math.max(0, Math.min(cache.total - 1, pos + delta)));
  if (next) host?.send({ t: 'cell', w: w.name, g: GRID, row: next.i, col: grid.currentColumn ?? '' });
}

window.addEventListener('resize', () => {
  document.querySelectorAll<HTMLElement>('.cube-scroll').forEach((s) => s.dispatchEvent(new Event('scroll')));
});

// ---------------------------------------------------------------- looks

let styled = false;

function injectStyle(): void {
  if (styled) return;
  styled = true;
  document.head.append(el('style', { id: 'cube-style' }, `
.cube-window { gap: 6px; }
.cube-caption { font-weight: bold; color: #1d2733; }
.cube-zones { display: flex; flex-wrap: wrap; gap: 6px; position: relative; }
.cube-zone { flex: 1 1 200px; min-height: 34px; border: 1px dashed #9aa7b6; border-radius: 4px; padding: 3px 6px; display: flex; flex-wrap: wrap; gap: 4px; align-items: center; background: #f7f9fb; }
.cube-zone.over { background: #e3ecf6; border-color: #1f4e79; }
.cube-zone .zone-title { font-size: 11px; color: #4a5867; text-transform: uppercase; margin-right: 4px; }
.cube-chip { display: inline-flex; align-items: center; gap: 2px; background: #dde4ec; border: 1px solid #8796a8; border-radius: 12px; padding: 1px 4px 1px 10px; cursor: grab; user-select: none; font-size: 13px; }
.cube-chip:focus { outline: 2px solid #1f4e79; outline-offset: 1px; }
.cube-chip.filtered { background: #fff2cc; border-color: #bf9000; }
.chip-filter { border: none; background: none; padding: 0 4px; color: #1f4e79; }
.cube-tools { display: flex; flex-wrap: wrap; gap: 6px 16px; align-items: center; font-size: 13px; }
.tool-group { display: inline-flex; gap: 4px; align-items: center; }
.cube-button { border: 1px solid #8796a8; border-radius: 3px; background: #f4f6f9; padding: 0 8px; min-width: 26px; }
.cube-tools .tool { color: #1f4e79; border: 1px solid #b8c3cf; border-radius: 3px; padding: 1px 8px; background: #f4f6f9; text-decoration: none; font-size: 12px; }
.fact-choice { display: inline-flex; align-items: center; margin-left: 6px; }
.cube-filter { position: absolute; z-index: 25; top: 38px; left: 0; width: 320px; background: #fff; border: 1px solid #8796a8; border-radius: 4px; box-shadow: 0 4px 14px #0003; padding: 6px 8px; display: flex; flex-direction: column; gap: 4px; }
.filter-head { display: flex; justify-content: space-between; align-items: center; }
.filter-close { border: none; background: none; font-size: 16px; }
.filter-list { max-height: 260px; overflow: auto; border-top: 1px solid #eef1f5; }
.filter-member { display: flex; justify-content: space-between; align-items: center; padding: 1px 2px; }
.filter-member:hover { background: #e3ecf6; }
.filter-only { border: none; background: none; color: #1f4e79; font-size: 11px; text-decoration: underline; }
.filter-foot { display: flex; justify-content: space-between; align-items: center; font-size: 12px; color: #4a5867; }
.filter-foot button { border: 1px solid #8796a8; border-radius: 3px; background: #f4f6f9; padding: 1px 8px; }
.cube-grid { display: flex; flex-direction: column; gap: 2px; min-width: 0; font-size: 13px; }
.cube-grid .count { font-size: 12px; color: #4a5867; }
.cube-scroll { position: relative; overflow: auto; height: max(240px, calc(100vh - 380px)); border: 1px solid #b8c3cf; outline: none; }
.cube-scroll:focus { box-shadow: inset 0 0 0 2px #5b9bd5; }
.cube-head { display: grid; position: sticky; top: 0; z-index: 3; min-width: max-content; background: #dde4ec; font-weight: bold; }
.cube-head > div { border-right: 1px solid #b8c3cf; border-bottom: 1px solid #b8c3cf; padding: 2px 6px; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; display: flex; align-items: center; gap: 4px; }
.cube-corner-dim { color: #4a5867; font-weight: normal; font-style: italic; justify-content: flex-end; }
.cube-colhead { justify-content: center; }
.cube-colhead.total, .cube-facthead.total { background: #cfd8e3; }
.cube-facthead { justify-content: flex-end; }
.cube-body { position: relative; min-width: max-content; }
.cube-row { position: absolute; left: 0; right: 0; height: 24px; display: grid; min-width: max-content; border-bottom: 1px solid #eef1f5; }
.cube-row .cell { padding: 2px 6px; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; border-right: 1px solid #f0f2f5; }
.cube-row .align-right { text-align: right; }
.cube-rowhead { background: #f4f6f9; display: flex; align-items: center; gap: 4px; position: sticky; z-index: 1; }
.cube-corner, .cube-corner-dim { position: sticky; z-index: 4; background: #dde4ec; }
.cube-row.kind-Subtotal { font-weight: bold; }
.cube-row.kind-GrandTotal { font-weight: bold; border-top: 2px solid #8796a8; }
.cube-cell.total-col { background: #f2f4f7; font-weight: bold; }
.cube-row.current .cube-cell { background: #e3ecf6; }
.cube-row .cube-cell.current-cell { outline: 2px solid #1f4e79; outline-offset: -2px; }
.cube-toggle { border: 1px solid #8796a8; background: #fff; width: 16px; height: 16px; line-height: 12px; padding: 0; font-size: 12px; border-radius: 2px; flex: none; }
.cube-status { display: flex; gap: 24px; font-size: 12px; color: #4a5867; border-top: 1px solid #c9d2dc; padding-top: 3px; min-height: 20px; }
`));
}
