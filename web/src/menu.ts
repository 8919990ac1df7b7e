// The menu of reports by the names people know them by, the class name as a hint; a search
// over the menu; the user's recent reports on top.

import type { MenuGroup } from './protocol';
import { el } from './dom';

export interface MenuEntry {
  name: string;
  title: string;
  role: string;
  available: boolean;
}

// Lower case without accents: "Crédit" finds "credit" and the other way round.
export function fold(text: string): string {
  return text.normalize('NFD').replace(/[\u0300-\u036f]/g, '').toLowerCase();
}

// Every word typed begins a word of the report's name, its role or its class name.
export function menuMatches(query: string, entry: MenuEntry): boolean {
  const wanted = fold(query).split(/[^\p{L}\p{N}]+/u).filter((w) => w.length);
  if (!wanted.length) return true;
  const words = fold(`${entry.title} ${entry.role} ${entry.name}`).split(/[^\p{L}\p{N}]+/u).filter((w) => w.length);
  return wanted.every((w) => words.some((x) => x.startsWith(w)));
}

export function entriesOf(menu: MenuGroup[]): MenuEntry[] {
  return menu.flatMap((g) => g.classes.map((c) => ({ name: c.name, title: c.title ?? c.name, role: c.role, available: c.available })));
}

export interface MenuState {
  query: string;
}

function item(entry: MenuEntry, run: (name: string) => void, id?: string): HTMLElement {
  const button = el('button', {
    class: `menu-item${entry.available ? '' : ' unavailable'}`,
    'data-class': entry.name,
    id,
    title: `${entry.name}: ${entry.role}`,
    'aria-description': entry.available ? undefined : 'not available yet',
  }, entry.title, el('small', {}, entry.name));
  button.addEventListener('click', () => run(entry.name));
  return el('li', {}, button);
}

// The menu as it stands for the typed query: the recent reports and the groups while nothing
// is typed, one list of what matches once something is.
export function drawMenu(menu: MenuGroup[], recent: string[], state: MenuState, run: (name: string) => void, redraw: () => void): HTMLElement {
  const nav = el('nav', { class: 'menu', 'aria-label': 'Reports' });
  const search = el('input', {
    type: 'search',
    id: 'menu-search',
    'data-key': 'menu.search',
    placeholder: 'Find a report',
    'aria-label': 'Find a report',
    'aria-controls': state.query.trim() ? 'menu-found' : undefined,
    value: state.query,
  });
  search.value = state.query;
  search.addEventListener('input', () => {
    state.query = search.value;
    redraw();
  });
  search.addEventListener('keydown', (e) => {
    if (e.key === 'ArrowDown') {
      e.preventDefault();
      // The menu drawn now: a redraw since this box was made has replaced the one it came with.
      document.querySelector<HTMLElement>('nav.menu .menu-item')?.focus();
    }
    if (e.key === 'Escape') {
      state.query = '';
      redraw();
    }
  });
  nav.append(el('div', { class: 'menu-search' }, search));
  // Arrows move between the entries; Up from the first goes back to the search box.
  nav.addEventListener('keydown', (e) => {
    const target = e.target as HTMLElement;
    if (!target.classList.contains('menu-item') || (e.key !== 'ArrowDown' && e.key !== 'ArrowUp')) return;
    e.preventDefault();
    const items = [...nav.querySelectorAll<HTMLElement>('.menu-item')];
    const at = items.indexOf(target);
    const next = e.key === 'ArrowDown' ? items[at + 1] : at > 0 ? items[at - 1] : nav.querySelector<HTMLElement>('#menu-search');
    next?.focus();
  });
  const entries = entriesOf(menu);
  if (state.query.trim()) {
    const found = entries.filter((e) => menuMatches(state.query, e));
    const list = el('ul', { id: 'menu-found', 'aria-label': 'Reports found' });
    for (const entry of found) list.append(item(entry, run));
    nav.append(el('p', { class: 'menu-count', role: 'status' }, `${found.length} found`), list);
    return nav;
  }
  const known = new Map(entries.map((e) => [e.name, e]));
  const recentEntries = recent.map((r) => known.get(r)).filter((e): e is MenuEntry => !!e);
  if (recentEntries.length) {
    const list = el('ul', { id: 'menu-recent' });
    for (const entry of recentEntries) list.append(item(entry, run));
    nav.append(el('section', { class: 'recent', 'aria-labelledby': 'menu-recent-caption' }, el('h3', { id: 'menu-recent-caption' }, 'Recent'), list));
  }
  for (const group of menu) {
    const list = el('ul');
    for (const c of group.classes) list.append(item({ name: c.name, title: c.title ?? c.name, role: c.role, available: c.available }, run));
    nav.append(el('details', { open: true }, el('summary', {}, group.subsystem), list));
  }
  return nav;
}
