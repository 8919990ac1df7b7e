// Long grids come from the server in pages of rows, asked for as they come into sight.
import type { GridRow } from './protocol';

export const PAGE = 100;

// What the tab holds of one grid: the rows that came, by place, and where the person left
// the grid scrolled.
export interface RowPages {
  total: number;
  rows: Map<number, GridRow>;
  asked: Set<number>; // pages asked for
  scrollTop: number;
}

// The pages of a grid as a snapshot brings it: its first rows. The first page counts as
// asked only when the snapshot holds all of it; a shorter one leaves the rest to be asked.
export function pagesFromSnapshot(total: number, rows: GridRow[], scrollTop = 0): RowPages {
  const pages: RowPages = { total, rows: new Map(), asked: new Set(), scrollTop };
  rows.forEach((row, k) => pages.rows.set(k, row));
  if (rows.length >= Math.min(PAGE, total)) pages.asked.add(0);
  return pages;
}

// A page the server answered: its rows at their places, and the total as it stands now.
export function takeRows(pages: RowPages, from: number, total: number, rows: GridRow[]): void {
  pages.total = total;
  rows.forEach((row, k) => pages.rows.set(from + k, row));
}

// The row at a place, or nothing yet: its page is then asked for, once.
export function rowOrAsk(pages: RowPages, pos: number, ask: (from: number, count: number) => void): GridRow | undefined {
  const row = pages.rows.get(pos);
  if (row) return row;
  const page = Math.floor(pos / PAGE);
  if (!pages.asked.has(page)) {
    pages.asked.add(page);
    ask(page * PAGE, PAGE);
  }
  return undefined;
}

// The places to draw for a body scrolled to `top` and `height` high: the rows in sight, five
// above them and some below, so that a short scroll finds its rows drawn already.
export function rowsInSight(top: number, height: number, total: number, rowHeight: number): { first: number; last: number } {
  const first = Math.max(0, Math.floor(top / rowHeight) - 5);
  const last = Math.min(total, first + Math.ceil(height / rowHeight) + 10);
  // A list shorter than the place it was scrolled to has nothing in sight.
  return { first: Math.min(first, last), last };
}
