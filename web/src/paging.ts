// Long grids come from the server in pages of rows, asked for as they come into sight.
import type { GridRow } from './protocol';

export const PAGE = 100;

export interface RowPages {
  rows: Map<number, GridRow>;
  asked: Set<number>;
}

// The row at a position, or nothing yet: its page is then asked for, once.
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
