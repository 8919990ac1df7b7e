// The Talvex client in a browser: signs in, opens a session (one per tab) over a WebSocket,
// and draws the session's window model: the catalogue menu, modeless windows as tabs, modal
// forms on top, message boxes, progress, the wait window, errors and documents. Every form
// is drawn from its declared controls; no report has page code of its own.

import type { Control, DocumentView, GridRow, MenuGroup, ServerMessage, Window } from './protocol';
import { checkDate, isMonthFormat, checkNumber } from './validate';
import { el } from './dom';
import { type RowPages, pagesFromSnapshot, rowOrAsk, rowsInSight, takeRows } from './paging';
import { type CubeHost, drawCube, isCubeWindow, redrawCubeRows } from './cube';
import { type ChartPanelHost, chartPanel, receiveChart, refreshCharts } from './chart';
import { type MenuState, drawMenu as drawReportMenu } from './menu';
import { drawStart } from './start';
import type { StartMessage } from './protocol';

const ROW_HEIGHT = 24;

interface GridCache extends RowPages {
  sortColumn?: string;
  ascending: boolean;
}

interface DocumentTab {
  key: string;
  idc: number;
  docType: string;
  view?: DocumentView;
  error?: string;
}

const app = {
  socket: null as WebSocket | null,
  user: '',
  company: '',
  session: '',
  menu: [] as MenuGroup[],
  windows: [] as Window[],
  status: '',
  wait: '',
  progress: undefined as { caption: string; step: number; count: number; text: string } | undefined,
  activeTab: '',
  grids: new Map<string, GridCache>(),
  refusals: new Map<string, { message: string; text: string }>(), // "window.control" -> what was refused
  errors: [] as { source: string; message: string }[],
  documents: [] as DocumentTab[],
  lookups: new Map<string, { q: string; items: { code: string; name: string }[] }>(),
  openLookup: '' as string, // "window.control" whose list is open
  openLookupAt: ['', ''] as [string, string], // its window and control
  singleUser: false,
  closed: false,
  recent: [] as string[],
  start: undefined as StartMessage | undefined,
  menuState: { query: '' } as MenuState,
  // The cell being edited in place; kept across redraws so that a state arriving meanwhile
  // does not drop what the person is typing.
  editing: null as { w: string; g: string; row: number; col: string; value: string } | null,
  printed: [] as { report: number; code: string; title: string }[],
  files: [] as { file: number; name: string }[],
};

const root = document.getElementById('app')!;

// A redraw replaces the elements under the pointer: one that comes between a press and its
// release would swallow the click. It waits for the release.
let pointerDown = false;
let drawing = false;
let drawPending = false;
document.addEventListener('mousedown', () => (pointerDown = true), true);
const pointerUp = (): void => {
  pointerDown = false;
  if (drawPending) {
    drawPending = false;
    window.setTimeout(draw, 0);
  }
};
document.addEventListener('mouseup', pointerUp, true);
// A drag and drop ends without a mouseup.
document.addEventListener('dragend', pointerUp, true);

function scheduleDraw(): void {
  if (pointerDown) drawPending = true;
  else draw();
}

// Two clicks on one row in quick succession are a double-click, whatever was redrawn between.
let lastClick: { grid: string; row: number; time: number } | null = null;


function send(message: Record<string, unknown>): void {
  if (app.socket && app.socket.readyState === WebSocket.OPEN) app.socket.send(JSON.stringify(message));
}

// ---------------------------------------------------------------- sign-in and connection

// The page is served only to a signed-in browser (or by a single-user server): the tab
// connects at once, and the server says who it is. A tab the server no longer knows
// (signed out elsewhere, idle too long) goes back to the sign-in page.
async function start(): Promise<void> {
  try {
    const config = await (await fetch('/api/config', { credentials: 'same-origin' })).json();
    app.singleUser = Boolean(config.defaultUser);
  } catch {
    /* the tab still connects */
  }
  connect();
}

function toSignIn(): void {
  location.replace('/signin');
}

function connect(): void {
  const protocol = location.protocol === 'https:' ? 'wss:' : 'ws:';
  const socket = new WebSocket(`${protocol}//${location.host}/ws`);
  app.socket = socket;
  socket.addEventListener('message', (event) => receive(JSON.parse(String(event.data)) as ServerMessage));
  socket.addEventListener('close', () => {
    if (!app.session) {
      if (!app.singleUser) toSignIn();
      return;
    }
    if (!app.closed) {
      app.closed = true;
      app.status = app.singleUser
        ? 'The connection to the server was lost. Reload the page to start again.'
        : 'The connection to the server was lost (or the sign-in ended). Reload the page to sign in again.';
      draw();
    }
  });
}

function receive(message: ServerMessage): void {
  switch (message.t) {
    case 'signin':
      root.replaceChildren(el('div', { class: 'signin' }, el('p', { class: 'refusal', id: 'signin-message' }, message.message)));
      return;
    case 'welcome':
      app.session = message.session;
      app.user = message.user;
      app.company = message.company ?? '';
      app.menu = message.menu;
      app.recent = message.recent ?? [];
      document.title = `Talvex Enterprise: ${app.user}`;
      send({ t: 'start' });
      break;
    case 'recent':
      app.recent = message.classes;
      break;
    case 'start':
      app.start = message;
      break;
    case 'state': {
      // A window that has just opened comes to the front.
      const known = new Set(app.windows.map((w) => w.name));
      const opened = message.windows.filter((w) => !w.modal && !known.has(w.name));
      if (opened.length) app.activeTab = `w:${opened[opened.length - 1].name}`;
      app.windows = message.windows;
      app.status = message.status;
      app.wait = message.wait;
      app.progress = message.progress;
      for (const w of app.windows) {
        for (const c of w.controls) {
          if (c.kind === 'Grid') resetGrid(w.name, c);
        }
      }
      forgetClosedGrids();
      break;
    }
    case 'rows': {
      const cache = app.grids.get(`${message.w}/${message.g}`);
      if (!cache) return;
      takeRows(cache, message.from, message.total, message.rows);
      drawGridRows(message.w, message.g, true);
      redrawCubeRows(app.windows, message.w, message.g);
      return;
    }
    case 'chart':
      receiveChart(message, root);
      return;
    case 'error':
      app.errors.push({ source: message.source, message: message.message });
      break;
    case 'refused':
      app.refusals.set(`${message.w}.${message.c}`, { message: message.message, text: message.v });
      break;
    case 'document':
      openDocument(message.docType, message.idc);
      break;
    case 'printed':
      app.printed.push({ report: message.report, code: message.code, title: message.title });
      break;
    case 'file':
      // A file a report wrote (an export): the browser downloads it at once, and the bar
      // keeps a link in case the download was blocked.
      app.files.push({ file: message.file, name: message.name });
      downloadFile(message.file, message.name);
      break;
    case 'lookup':
      app.lookups.set(`${message.w}.${message.c}`, { q: message.q, items: message.items });
      drawLookupList(message.w, message.c);
      return;
    case 'pong':
      return;
  }
  scheduleDraw();
}

function resetGrid(window: string, grid: Control): void {
  const key = `${window}/${grid.name}`;
  const old = app.grids.get(key);
  app.grids.set(key, {
    ...pagesFromSnapshot(grid.rowCount ?? 0, grid.rows ?? [], old?.scrollTop),
    sortColumn: old?.sortColumn,
    ascending: old?.ascending ?? true,
  });
}

function forgetClosedGrids(): void {
  const open = new Set(app.windows.map((w) => w.name));
  for (const key of [...app.grids.keys()]) {
    if (!open.has(key.split('/')[0])) app.grids.delete(key);
  }
}

// ---------------------------------------------------------------- drawing

function draw(): void {
  if (!app.session) return;
  // What the person is typing survives a redraw.
  const focused = document.activeElement as HTMLElement | null;
  const focusKey = focused?.dataset?.key;
  const focusValue = focused instanceof HTMLInputElement ? focused.value : undefined;
  const focusDirty = focused?.dataset?.dirty === '1';

  const modeless = app.windows.filter((w) => !w.modal);
  const modal = app.windows.filter((w) => w.modal);
  const tabs = [
    ...modeless.map((w) => ({ key: `w:${w.name}`, caption: w.caption || w.name })),
    ...app.documents.map((d) => ({ key: d.key, caption: `${d.docType} ${d.view?.header?.Number ?? d.idc}` })),
  ];
  if (app.activeTab !== 'start' && !tabs.some((t) => t.key === app.activeTab)) app.activeTab = tabs.length ? tabs[tabs.length - 1].key : '';

  const tabBar = el('div', { class: 'tabs', role: 'tablist' });
  for (const t of tabs) {
    const tab = el('button', { class: `tab${t.key === app.activeTab ? ' active' : ''}`, role: 'tab', 'data-tab': t.key }, t.caption);
    tab.addEventListener('click', () => {
      app.activeTab = t.key;
      draw();
    });
    const close = el('span', { class: 'tab-close', title: 'Close', 'data-close': t.key }, '×');
    close.addEventListener('click', (e) => {
      e.stopPropagation();
      if (t.key.startsWith('w:')) send({ t: 'close', w: t.key.slice(2) });
      else {
        app.documents = app.documents.filter((d) => d.key !== t.key);
        draw();
      }
    });
    tab.append(close);
    // Delete closes the focused tab, as its × does.
    tab.addEventListener('keydown', (e) => {
      if (e.key === 'Delete') close.click();
    });
    tab.setAttribute('aria-selected', t.key === app.activeTab ? 'true' : 'false');
    tabBar.append(tab);
  }

  // A report started leaves the start page for its window, even one that is open already.
  let content: HTMLElement = drawStart(app.start, (tile) => {
    app.activeTab = '';
    send({ t: 'tile', tile });
  });
  const activeWindow = modeless.find((w) => `w:${w.name}` === app.activeTab);
  const activeDocument = app.documents.find((d) => d.key === app.activeTab);
  if (activeWindow) content = drawWindow(activeWindow);
  else if (activeDocument) content = drawDocument(activeDocument);

  const overlays: HTMLElement[] = [];
  // The wait window lies under any dialog a report opens while it waits.
  if (app.wait) overlays.push(el('div', { class: 'overlay' }, el('div', { class: 'dialog wait', id: 'wait-window', role: 'status' }, el('div', { class: 'spinner' }), app.wait)));
  for (const w of modal) overlays.push(el('div', { class: 'overlay' }, w.message ? drawMessageBox(w) : drawWindow(w)));
  if (app.progress) overlays.push(el('div', { class: 'overlay' }, drawProgress()));
  if (app.errors.length) overlays.push(el('div', { class: 'overlay' }, drawError()));

  const signOut = el('button', { class: 'link', id: 'sign-out' }, 'Sign out');
  signOut.addEventListener('click', () => {
    app.closed = true;
    app.socket?.close();
    void fetch('/api/signout', { method: 'POST', credentials: 'same-origin' }).finally(toSignIn);
  });

  // Removing the focused box makes the browser blur it: that is no person leaving the box.
  drawing = true;
  root.replaceChildren(
    el('header', { class: 'topbar' },
      el('span', { class: 'brand' }, 'Talvex Enterprise'),
      startButton(),
      el('span', { class: 'company' }, app.company),
      el('span', { class: 'user', id: 'user-name' }, app.user),
      app.singleUser ? null : signOut),
    el('div', { class: 'body' }, drawReportMenu(app.menu, app.recent, app.menuState, (cls) => {
      if (app.activeTab === 'start') app.activeTab = '';
      send({ t: 'run', cls });
    }, scheduleDraw), el('main', { class: 'workspace' }, tabBar, drawPrinted(), drawFiles(), content)),
    el('footer', { class: 'statusline', id: 'status-line', role: 'status' }, app.status || 'Ready'),
    ...overlays);
  drawing = false;

  for (const w of app.windows) {
    for (const c of w.controls) {
      if (c.kind !== 'Grid') continue;
      // Out of the page a body forgets where it was scrolled: it goes back there now.
      const body = gridBodyOf(`${w.name}/${c.name}`);
      const cache = app.grids.get(`${w.name}/${c.name}`);
      if (body && cache && Math.abs(body.scrollTop - cache.scrollTop) > 1) body.scrollTop = cache.scrollTop;
      drawGridRows(w.name, c.name);
    }
  }
  refreshCharts(chartHost, root, chartedGrid);
  if (focusKey) {
    const again = root.querySelector<HTMLElement>(`[data-key="${CSS.escape(focusKey)}"]`);
    if (again && focused instanceof HTMLInputElement && again instanceof HTMLInputElement && again.type === focused.type) {
      // The box being typed in stays the same element (caret, selection, typed text); it
      // takes the session's value only when the person has not changed it.
      if (!focusDirty && focused.type === 'text') focused.value = again.value;
      if (focused.type !== 'text') focused.checked = again.checked;
      focused.className = again.className;
      drawing = true;
      again.replaceWith(focused);
      drawing = false;
      focused.focus();
    } else if (again) {
      if (focusDirty && again instanceof HTMLInputElement && focusValue !== undefined) {
        again.value = focusValue;
        again.dataset.dirty = '1';
      }
      again.focus();
    }
  } else {
    const modalTop = root.querySelector<HTMLElement>('.overlay:last-of-type button.default, .overlay:last-of-type input');
    modalTop?.focus();
  }
  // An open type-ahead list stays open across the redraw.
  if (app.openLookup) drawLookupList(app.openLookupAt[0], app.openLookupAt[1]);
}

function startButton(): HTMLElement {
  const button = el('button', { class: 'link', id: 'start-button' }, 'Start page');
  button.addEventListener('click', () => {
    app.activeTab = 'start';
    send({ t: 'start' });
    draw();
  });
  return button;
}

const chartHost: ChartPanelHost = { session: () => app.session, send };
const chartedGrid = (w: string, g: string): Control | undefined => gridControl(w, g);

// The cube window draws itself as a pivot table, borrowing the socket and the grid's pages.
const cubeHost: CubeHost = {
  send,
  session: () => app.session,
  rows: (w, g) => app.grids.get(`${w}/${g}`),
  redraw: () => scheduleDraw(),
};

function drawWindow(w: Window): HTMLElement {
  if (!w.modal && isCubeWindow(w)) {
    const cube = drawCube(w, cubeHost);
    const grid = w.controls.find((c) => c.kind === 'Grid');
    if (grid) cube.append(chartPanel(chartHost, w.name, w.caption || w.name, grid, scheduleDraw));
    return cube;
  }
  const form = el('section', { class: `window${w.modal ? ' dialog' : ''}`, 'data-window': w.name, role: w.modal ? 'dialog' : 'region', 'aria-label': w.caption || w.name });
  form.append(el('h2', { class: 'caption' }, w.caption || w.name));
  const body = el('div', { class: 'controls' });
  const buttons = el('div', { class: 'buttons' });
  for (const c of w.controls) {
    if (!c.visible || !onChosenPage(w, c)) continue;
    const node = drawControl(w, c);
    if (c.kind === 'Button') buttons.append(node);
    else body.append(node);
  }
  form.append(body);
  if (buttons.childElementCount) form.append(buttons);
  form.addEventListener('keydown', (e) => {
    const target = e.target as HTMLElement;
    if (e.key === 'Enter' && target.tagName === 'INPUT' && !target.closest('.lookup')) {
      const def = w.controls.find((c) => c.kind === 'Button' && c.default && c.enabled && c.visible);
      if (def) {
        commit(target as HTMLInputElement);
        send({ t: 'click', w: w.name, c: def.name });
      }
    }
    if (e.key === 'Escape' && w.modal) {
      const cancel = w.controls.find((c) => c.kind === 'Button' && c.cancel && c.enabled && c.visible);
      if (cancel) send({ t: 'click', w: w.name, c: cancel.name });
    }
  });
  return form;
}

// A control on a page of a tab control shows while that page is chosen.
function onChosenPage(w: Window, c: Control): boolean {
  if (!c.tab) return true;
  const tabs = w.controls.find((x) => x.name === c.tab!.control);
  if (!tabs) return true;
  return Number(tabs.value || 0) === c.tab.page;
}

function refusalOf(w: Window, c: Control): HTMLElement | null {
  // What the box refused as typed comes first; else what the form's check said of it.
  const message = app.refusals.get(`${w.name}.${c.name}`)?.message ?? c.refusal;
  return message ? el('div', { class: 'refusal', role: 'alert', 'data-refusal': `${w.name}.${c.name}` }, message) : null;
}

// Sends a typed value once the person leaves the box, after the browser's own check.
function commit(input: HTMLInputElement): void {
  if (drawing || !input.isConnected || input.dataset.dirty !== '1') return;
  const w = input.dataset.w!;
  // A box whose window has closed meanwhile has nobody to tell.
  if (!app.windows.some((x) => x.name === w)) return;
  const c = input.dataset.c!;
  const kind = input.dataset.kind;
  let problem: string | null = null;
  if (kind === 'NumberBox') problem = checkNumber(c, input.value, Number(input.dataset.decimals ?? 2));
  if (kind === 'DateBox') problem = checkDate(c, input.value, input.dataset.format ?? '');
  const key = `${w}.${c}`;
  if (problem) {
    app.refusals.set(key, { message: problem, text: input.value });
    input.classList.add('invalid');
    const holder = input.closest('.field');
    holder?.querySelector('.refusal')?.remove();
    holder?.append(el('div', { class: 'refusal', role: 'alert', 'data-refusal': key }, problem));
    return;
  }
  input.dataset.dirty = '0';
  app.refusals.delete(key);
  send({ t: 'set', w, c, v: input.value });
}

function textInput(w: Window, c: Control, extra: Record<string, string> = {}): HTMLInputElement {
  const input = el('input', {
    type: 'text',
    value: c.kind === 'NumberBox' || c.kind === 'DateBox' ? c.value : c.value,
    'data-key': `${w.name}.${c.name}`,
    'data-w': w.name,
    'data-c': c.name,
    'data-kind': c.kind,
    'data-decimals': c.decimals,
    name: c.name,
    disabled: !c.enabled,
    readonly: c.locked,
    title: c.toolTip,
    class: `${c.kind === 'NumberBox' ? 'num' : ''}${app.refusals.has(`${w.name}.${c.name}`) ? ' invalid' : ''}`,
    placeholder: c.kind === 'DateBox' ? (isMonthFormat(c.format) ? c.format : 'yyyy-mm-dd') : undefined,
    'data-format': c.kind === 'DateBox' ? c.format : undefined,
    ...extra,
  });
  // A month box shows the month as its format writes it; other boxes show the value itself.
  input.value = (c.kind === 'DateBox' && isMonthFormat(c.format) ? c.text : c.value) ?? '';
  // A refused text stays in the box, beside its message, until the person corrects it.
  const refused = app.refusals.get(`${w.name}.${c.name}`);
  if (refused) {
    input.value = refused.text;
    input.dataset.dirty = '1';
  }
  input.addEventListener('input', () => {
    input.dataset.dirty = '1';
    // A refusal stands until the person types again.
    const key = `${w.name}.${c.name}`;
    if (app.refusals.delete(key)) {
      input.classList.remove('invalid');
      input.closest('.field')?.querySelector('.refusal')?.remove();
    }
  });
  input.addEventListener('change', () => commit(input));
  input.addEventListener('blur', () => commit(input));
  return input;
}

function field(c: Control, w: Window, ...inner: (Node | null)[]): HTMLElement {
  return el('div', { class: `field kind-${c.kind}`, 'data-control': c.name },
    el('label', { for: `${w.name}.${c.name}` }, c.caption || c.name),
    ...inner,
    refusalOf(w, c));
}

function drawControl(w: Window, c: Control): HTMLElement {
  switch (c.kind) {
    case 'Label':
      return el('div', { class: 'label-control', 'data-control': c.name }, c.value || c.caption);
    case 'TextBox':
    case 'NumberBox':
    case 'DateBox':
      return field(c, w, textInput(w, c, { id: `${w.name}.${c.name}` }));
    case 'ComboBox': {
      if (c.items && c.items.length) {
        const select = el('select', { id: `${w.name}.${c.name}`, 'data-key': `${w.name}.${c.name}`, name: c.name, disabled: !c.enabled });
        select.append(el('option', { value: '' }, ''));
        for (const item of c.items) select.append(el('option', { value: item.code, selected: item.code === c.value }, item.name || item.code));
        select.addEventListener('change', () => send({ t: 'set', w: w.name, c: c.name, v: select.value }));
        return field(c, w, select);
      }
      return field(c, w, lookupInput(w, c, false));
    }
    case 'Selector':
      return field(c, w, lookupInput(w, c, !!c.multiple));
    case 'CheckBox': {
      const box = el('input', { type: 'checkbox', id: `${w.name}.${c.name}`, 'data-key': `${w.name}.${c.name}`, checked: c.value === '1', disabled: !c.enabled || c.locked });
      box.addEventListener('click', (e) => {
        e.preventDefault();
        send({ t: 'click', w: w.name, c: c.name });
      });
      return el('div', { class: 'field check', 'data-control': c.name }, el('label', {}, box, ' ', c.caption || c.name), refusalOf(w, c));
    }
    case 'OptionButton': {
      const radio = el('input', { type: 'radio', id: `${w.name}.${c.name}`, 'data-key': `${w.name}.${c.name}`, name: `${w.name}.${c.group ?? 'options'}`, checked: c.value === '1', disabled: !c.enabled });
      radio.addEventListener('click', (e) => {
        e.preventDefault();
        send({ t: 'click', w: w.name, c: c.name });
      });
      return el('div', { class: 'field option', 'data-control': c.name }, el('label', {}, radio, ' ', c.caption || c.name));
    }
    case 'Button': {
      const button = el('button', { class: c.default ? 'default primary' : '', 'data-control': c.name, 'data-key': `${w.name}.${c.name}`, disabled: !c.enabled, title: c.toolTip }, c.caption || c.name);
      button.addEventListener('click', () => {
        // A value still being typed goes first, as leaving the box would send it.
        const typing = document.activeElement;
        if (typing instanceof HTMLInputElement && typing.dataset.dirty === '1') commit(typing);
        send({ t: 'click', w: w.name, c: c.name });
      });
      return button;
    }
    case 'TabControl': {
      const bar = el('div', { class: 'tabcontrol', role: 'tablist', 'data-control': c.name });
      (c.tabs ?? []).forEach((caption, index) => {
        const tab = el('button', { class: `tab${String(index) === c.value ? ' active' : ''}`, role: 'tab' }, caption);
        tab.addEventListener('click', () => send({ t: 'set', w: w.name, c: c.name, v: String(index) }));
        bar.append(tab);
      });
      return bar;
    }
    case 'Frame':
      return el('div', { class: 'frame', 'data-control': c.name }, c.caption);
    case 'Grid':
      return drawGrid(w, c);
    default:
      return el('div', { class: 'field' }, `${c.kind} ${c.name}`);
  }
}

// A combo bound to a reference, or a reference selector: type to find, pick from the list.
function lookupInput(w: Window, c: Control, multiple: boolean): HTMLElement {
  const key = `${w.name}.${c.name}`;
  const input = textInput(w, c, { id: key, autocomplete: 'off', role: 'combobox', 'aria-autocomplete': 'list', 'aria-expanded': app.openLookup === key ? 'true' : 'false', 'aria-controls': `${key}.list` });
  let timer = 0;
  const ask = (): void => {
    window.clearTimeout(timer);
    timer = window.setTimeout(() => {
      if (!app.windows.some((x) => x.name === w.name)) return;
      const typed = multiple ? (input.value.split(',').pop() ?? '').trim() : input.value.trim();
      // An emptied box closes its list; the "…" button shows the whole reference.
      if (typed === '') {
        if (app.openLookup === key) closeLookup();
        return;
      }
      app.openLookup = key;
      app.openLookupAt = [w.name, c.name];
      send({ t: 'lookup', w: w.name, c: c.name, q: typed });
    }, 150);
  };
  input.addEventListener('input', ask);
  input.addEventListener('keydown', (e) => {
    const list = root.querySelector<HTMLElement>(`.lookup-list[data-for="${CSS.escape(key)}"]`);
    if (e.key === 'ArrowDown' && list?.firstElementChild) {
      e.preventDefault();
      (list.firstElementChild as HTMLElement).focus();
    }
    if (e.key === 'Escape' && app.openLookup === key) {
      // Escape closes the list, not the dialog.
      e.stopPropagation();
      closeLookup();
    }
  });
  const pick = el('button', { class: 'pick', title: `Choose from ${c.reference || c.lookup || 'the list'}`, 'data-pick': key, disabled: !c.enabled || c.locked }, '…');
  pick.addEventListener('click', () => {
    input.focus();
    app.openLookup = key;
    app.openLookupAt = [w.name, c.name];
    send({ t: 'lookup', w: w.name, c: c.name, q: '' });
  });
  const wrapper = el('div', { class: 'lookup', 'data-multiple': multiple ? '1' : undefined }, input, pick, el('div', { class: 'lookup-list', 'data-for': key, role: 'listbox', id: `${key}.list`, 'aria-label': `Choices for ${c.caption || c.name}` }));
  return wrapper;
}

function closeLookup(): void {
  app.openLookup = '';
  root.querySelectorAll('.lookup-list').forEach((l) => l.replaceChildren());
  root.querySelectorAll('input[role="combobox"]').forEach((i) => i.setAttribute('aria-expanded', 'false'));
}

function drawLookupList(w: string, c: string): void {
  const key = `${w}.${c}`;
  if (app.openLookup !== key) return;
  const list = root.querySelector<HTMLElement>(`.lookup-list[data-for="${CSS.escape(key)}"]`);
  const input = root.querySelector<HTMLInputElement>(`input[data-key="${CSS.escape(key)}"]`);
  if (!list || !input) return;
  const found = app.lookups.get(key);
  input.setAttribute('aria-expanded', 'true');
  list.replaceChildren();
  for (const item of found?.items ?? []) {
    const option = el('button', { class: 'lookup-item', role: 'option', 'data-code': item.code }, el('b', {}, item.code), ' ', item.name);
    const choose = (): void => {
      const multiple = input.closest('.lookup')?.getAttribute('data-multiple') === '1';
      if (multiple) {
        const codes = input.value.split(',').map((s) => s.trim()).filter((s) => s.length);
        codes.pop();
        codes.push(item.code);
        input.value = codes.join(',');
      } else input.value = item.code;
      input.dataset.dirty = '1';
      closeLookup();
      commit(input);
    };
    option.addEventListener('click', choose);
    option.addEventListener('keydown', (e) => {
      if (e.key === 'ArrowDown') (option.nextElementSibling as HTMLElement | null)?.focus();
      if (e.key === 'ArrowUp') ((option.previousElementSibling as HTMLElement | null) ?? input).focus();
      if (e.key === 'Escape') closeLookup();
    });
    list.append(option);
  }
  if (!found?.items.length) list.append(el('div', { class: 'lookup-none' }, 'Nothing found'));
}

// ---------------------------------------------------------------- grids

function drawGrid(w: Window, g: Control): HTMLElement {
  const key = `${w.name}/${g.name}`;
  const columns = (g.columns ?? []).filter((c) => c.visible);
  const cache = app.grids.get(key)!;
  const template = columnTemplate(g);

  // A grid without columns yet (nothing filled) has no header row to speak of.
  const header = el('div', { class: 'grid-row grid-head', role: columns.length ? 'row' : undefined, 'aria-rowindex': columns.length ? 1 : undefined, style: `grid-template-columns:${template}` });
  for (const col of columns) {
    const arrow = cache.sortColumn === col.name ? (cache.ascending ? ' ▲' : ' ▼') : '';
    const sorted = cache.sortColumn === col.name ? (cache.ascending ? 'ascending' : 'descending') : undefined;
    const cell = el('div', { class: `cell align-${col.align}`, 'data-column': col.name, title: 'Sort', role: 'columnheader', 'aria-sort': sorted, tabindex: 0 }, col.caption + arrow);
    cell.addEventListener('keydown', (e) => {
      if (e.key !== 'Enter' && e.key !== ' ') return;
      e.preventDefault();
      cell.click();
    });
    cell.addEventListener('click', () => {
      // A snapshot may have come since this header was drawn: the grid's own state counts.
      const sorted = app.grids.get(key);
      if (!sorted) return;
      sorted.ascending = sorted.sortColumn === col.name ? !sorted.ascending : true;
      sorted.sortColumn = col.name;
      send({ t: 'sort', w: w.name, g: g.name, col: col.name, asc: sorted.ascending });
    });
    header.append(cell);
  }
  const viewport = gridBody(w.name, g.name, cache);

  const footerCells = columns.map((c) => el('div', { class: `cell align-${c.align}`, 'data-column': c.name }, c.footer ?? ''));
  const footer = columns.some((c) => c.footer) ? el('div', { class: 'grid-row grid-foot', role: 'row', 'aria-rowindex': cache.total + 2, style: `grid-template-columns:${template}` }, ...footerCells.map((c) => (c.setAttribute('role', 'gridcell'), c))) : null;

  const toolbar = el('div', { class: 'grid-tools' },
    el('span', { class: 'count', 'data-rowcount': cache.total }, `${cache.total} rows`));
  const link = (caption: string, href: string, attrs: Record<string, string> = {}): HTMLAnchorElement =>
    el('a', { href, class: 'tool', ...attrs }, caption);
  const q = `s=${encodeURIComponent(app.session)}&w=${encodeURIComponent(w.name)}&g=${encodeURIComponent(g.name)}`;
  toolbar.append(
    link('CSV', `/api/export?${q}&format=csv`, { 'data-export': 'csv', download: '' }),
    link('XLSX', `/api/export?${q}&format=xlsx`, { 'data-export': 'xlsx', download: '' }),
    link('Print', `/api/print?${q}`, { 'data-export': 'print', target: '_blank' }));
  const tool = (caption: string, action: string, run: () => void): void => {
    const button = el('button', { class: 'tool', 'data-action': `${key}.${action}` }, caption);
    button.addEventListener('click', run);
    toolbar.append(button);
  };
  if (g.addable) tool('Add row', 'addrow', () => send({ t: 'addrow', w: w.name, g: g.name }));
  if (g.deletable) tool('Delete row', 'delrow', () => deleteCurrentRow(w.name, g.name));
  if ((g.columns ?? []).some((c) => c.card)) tool('Card', 'card', () => openCardOfCurrentCell(w.name, g.name));
  if (g.menu && g.menu.length) {
    const menuButton = el('button', { class: 'tool', 'data-menu': key }, 'Menu ▾');
    menuButton.addEventListener('click', (e) => showMenu(e.clientX, e.clientY, w.name, g));
    toolbar.append(menuButton);
  }
  // One grid for the reader: the header row, the rows (drawn or not) and the footer row.
  const table = el('div', { class: 'grid-table', role: 'grid', 'aria-label': w.caption || g.name, 'aria-rowcount': cache.total + 1 + (footer ? 1 : 0), 'aria-colcount': columns.length },
    el('div', { role: 'rowgroup', class: 'grid-rowgroup' }, header), viewport, footer ? el('div', { role: 'rowgroup', class: 'grid-rowgroup' }, footer) : null);
  return el('div', { class: 'grid', 'data-control': g.name }, toolbar, table, chartPanel(chartHost, w.name, w.caption || w.name, g, scheduleDraw));
}

function gridBodyOf(key: string): HTMLElement | null {
  return root.querySelector<HTMLElement>(`.grid-body[data-grid="${CSS.escape(key)}"]`);
}

// The body of a grid, the element that scrolls. A redraw keeps the body the page shows: a new
// one would drop a scroll under way, and whatever still held the old one (a scroll bar being
// dragged, a scroll it had yet to report) would act on an element out of the page, which
// reads as scrolled to 0. What the body does is therefore looked up when it happens, never
// taken from the drawing it was made in. Taking it out of the page forgets its position, so
// the position is read here and given back by draw().
function gridBody(w: string, g: string, cache: GridCache): HTMLElement {
  const key = `${w}/${g}`;
  let body = gridBodyOf(key);
  if (body) cache.scrollTop = body.scrollTop;
  else {
    const made = el('div', { class: 'grid-body', tabindex: 0, 'data-grid': key, 'data-key': `${w}.${g}`, role: 'rowgroup', 'aria-label': 'Rows' },
      el('div', { class: 'grid-spacer', role: 'presentation' }));
    made.addEventListener('scroll', () => {
      const current = app.grids.get(key);
      if (!made.isConnected || !current) return;
      current.scrollTop = made.scrollTop;
      drawGridRows(w, g, true);
    });
    made.addEventListener('keydown', (e) => gridKey(e, w, g));
    made.addEventListener('contextmenu', (e) => {
      const grid = gridControl(w, g);
      if (!grid?.menu?.length) return;
      e.preventDefault();
      showMenu(e.clientX, e.clientY, w, grid);
    });
    body = made;
  }
  (body.firstElementChild as HTMLElement).style.height = `${cache.total * ROW_HEIGHT}px`;
  return body;
}

// Column widths: the declared width, else wide enough for the caption, the footer and the
// rows that came with the snapshot.
function columnTemplate(g: Control): string {
  const sample = g.rows ?? [];
  return (g.columns ?? [])
    .map((c, index) => ({ c, index }))
    .filter((x) => x.c.visible)
    .map(({ c, index }) => {
      if (c.width) return `${Math.max(40, c.width)}px`;
      let chars = Math.max(c.caption.length + 2, (c.footer ?? '').length);
      for (const row of sample) chars = Math.max(chars, (row.c[index] ?? '').length);
      return `${Math.min(400, Math.max(56, chars * 9 + 22))}px`;
    })
    .join(' ');
}

function gridControl(w: string, g: string): Control | undefined {
  return app.windows.find((x) => x.name === w)?.controls.find((c) => c.name === g);
}

// The row elements drawn in a grid body, by position.
const drawnGridRows = new WeakMap<HTMLElement, Map<number, HTMLElement>>();

// The rows in sight of the body as it stands; pages not yet here are asked for. After a
// scroll or a new page of rows (keep) the rows already drawn stay: replacing the row under a
// pressed mouse button would lose the click.
function drawGridRows(w: string, g: string, keep = false): void {
  const key = `${w}/${g}`;
  const cache = app.grids.get(key);
  const viewport = gridBodyOf(key);
  const grid = gridControl(w, g);
  if (!cache || !viewport || !grid) return;
  const spacer = viewport.firstElementChild as HTMLElement;
  spacer.style.height = `${cache.total * ROW_HEIGHT}px`;
  const { first, last } = rowsInSight(viewport.scrollTop, viewport.clientHeight || 400, cache.total, ROW_HEIGHT);
  const columns = (grid.columns ?? []).map((c, index) => ({ c, index })).filter((x) => x.c.visible);
  const template = columnTemplate(grid);
  let drawn = drawnGridRows.get(spacer);
  if (!keep || !drawn) {
    spacer.replaceChildren();
    drawn = new Map();
    drawnGridRows.set(spacer, drawn);
  }
  for (const [pos, node] of drawn) {
    if (pos >= first && pos < last) continue;
    node.remove();
    drawn.delete(pos);
  }
  for (let pos = first; pos < last; pos++) {
    if (drawn.has(pos)) continue;
    const row = rowOrAsk(cache, pos, (from, count) => send({ t: 'rows', w, g, from, count }));
    if (!row) continue;
    const style = row.s ? grid.styles?.[row.s] : undefined;
    const current = row.i === grid.currentRow;
    const line = el('div', {
      class: `grid-row${current ? ' current' : ''}${style?.bold ? ' bold' : ''}${(grid.selected ?? []).includes(row.i) ? ' selected' : ''}`,
      style: `top:${pos * ROW_HEIGHT}px;grid-template-columns:${template};${style?.back ? `background:${style.back};` : ''}${style?.fore ? `color:${style.fore};` : ''}`,
      'data-row': row.i,
      'data-pos': pos,
      role: 'row',
      'aria-rowindex': pos + 2,
      'aria-selected': (grid.selected ?? []).includes(row.i) || current ? 'true' : 'false',
    });
    for (const { c, index } of columns) {
      const own = row.cs?.[String(index)];
      const refused = row.e?.[String(index)];
      const cell = el('div', {
        class: `cell align-${c.align}${current && grid.currentColumn === c.name ? ' current-cell' : ''}${own?.bold ? ' bold' : ''}${c.edit ? ' editable' : ''}${refused ? ' refused' : ''}`,
        style: `${own?.back ? `background:${own.back};` : ''}${own?.fore ? `color:${own.fore};` : ''}`,
        'data-column': c.name,
        role: 'gridcell',
        title: refused?.message,
        'aria-invalid': refused ? 'true' : undefined,
      }, refused ? refused.text : row.c[index] ?? '');
      if (refused) cell.append(el('span', { class: 'cell-refusal', role: 'alert', 'data-refusal': `${key}.${row.i}.${c.name}` }, refused.message));
      const edited = app.editing;
      if (edited && edited.w === w && edited.g === g && edited.row === row.i && edited.col === c.name) cell.append(cellEditor(w, g, row.i, c.name));
      cell.addEventListener('click', (e) => {
        if (c.edit && current && grid.currentColumn === c.name && !e.ctrlKey && !e.metaKey && !e.shiftKey) {
          startEditing(w, g, row, c.name, refused ? refused.text : row.c[index] ?? '');
          return;
        }
        if (e.ctrlKey || e.metaKey || e.shiftKey) {
          selectRows(w, g, row, pos, e.shiftKey);
          return;
        }
        const now = Date.now();
        if (lastClick && lastClick.grid === key && lastClick.row === row.i && now - lastClick.time < 450) {
          lastClick = null;
          send({ t: 'dbl', w, g, row: row.i, col: c.name });
        } else {
          lastClick = { grid: key, row: row.i, time: now };
          const shown = gridControl(w, g);
          if (shown) shown.currentRow = row.i;
          send({ t: 'cell', w, g, row: row.i, col: c.name });
        }
      });
      line.append(cell);
    }
    drawn.set(pos, line);
    spacer.append(line);
  }
}

// Ctrl+click adds or removes a row; Shift+click takes the rows from the current one.
function selectRows(w: string, g: string, row: GridRow, pos: number, range: boolean): void {
  const grid = gridControl(w, g);
  const cache = app.grids.get(`${w}/${g}`);
  if (!grid || !cache) return;
  let rows = new Set(grid.selected ?? []);
  if (range) {
    let from = pos;
    for (const [p, r] of cache.rows) if (r.i === grid.currentRow) from = p;
    rows = new Set();
    for (let p = Math.min(from, pos); p <= Math.max(from, pos); p++) {
      const r = cache.rows.get(p);
      if (r) rows.add(r.i);
    }
  } else if (rows.has(row.i)) rows.delete(row.i);
  else rows.add(row.i);
  // The row clicked becomes the current one.
  const ordered = rows.has(row.i) ? [row.i, ...[...rows].filter((i) => i !== row.i)] : [...rows];
  grid.selected = [...rows];
  send({ t: 'select', w, g, rows: ordered });
  drawGridRows(w, g);
}

function gridKey(e: KeyboardEvent, w: string, g: string): void {
  const cache = app.grids.get(`${w}/${g}`);
  const grid = gridControl(w, g);
  const viewport = e.currentTarget as HTMLElement;
  // An empty grid still takes a first row.
  if (e.key === 'Insert' && grid?.addable) {
    e.preventDefault();
    send({ t: 'addrow', w, g });
    return;
  }
  if (!cache || !grid || cache.total === 0) return;
  let pos = -1;
  for (const [p, row] of cache.rows) if (row.i === grid.currentRow) pos = p;
  const visibleRows = Math.max(1, Math.floor(viewport.clientHeight / ROW_HEIGHT) - 1);
  let next = pos;
  switch (e.key) {
    case 'ArrowDown': next = pos + 1; break;
    case 'ArrowUp': next = pos - 1; break;
    case 'PageDown': next = pos + visibleRows; break;
    case 'PageUp': next = pos - visibleRows; break;
    case 'Home': next = 0; break;
    case 'End': next = cache.total - 1; break;
    case 'Enter':
    case 'F2': {
      const row = pos >= 0 ? cache.rows.get(pos) : undefined;
      if (row && editableColumn(grid, grid.currentColumn)) {
        startEditing(w, g, row, grid.currentColumn!, cellText(grid, row, grid.currentColumn!));
      } else if (e.key === 'Enter' && grid.currentRow !== undefined && grid.currentRow >= 0) {
        send({ t: 'dbl', w, g, row: grid.currentRow, col: grid.currentColumn ?? '' });
      }
      e.preventDefault();
      return;
    }
    case 'Delete':
      if (e.ctrlKey && grid.deletable) deleteCurrentRow(w, g);
      e.preventDefault();
      return;
    default: {
      // Typing on an editable cell starts its editing with what was typed.
      const row = pos >= 0 ? cache.rows.get(pos) : undefined;
      if (row && e.key.length === 1 && !e.ctrlKey && !e.metaKey && !e.altKey && editableColumn(grid, grid.currentColumn)) {
        e.preventDefault();
        startEditing(w, g, row, grid.currentColumn!, e.key);
      }
      return;
    }
  }
  e.preventDefault();
  next = Math.max(0, Math.min(cache.total - 1, next));
  // Keep the row in sight.
  const top = next * ROW_HEIGHT;
  if (top < viewport.scrollTop) viewport.scrollTop = top;
  else if (top + ROW_HEIGHT > viewport.scrollTop + viewport.clientHeight) viewport.scrollTop = top + ROW_HEIGHT - viewport.clientHeight;
  cache.scrollTop = viewport.scrollTop;
  const row = cache.rows.get(next);
  if (row) {
    // The row moves at once; the session's answer confirms it.
    grid.currentRow = row.i;
    send({ t: 'cell', w, g, row: row.i, col: grid.currentColumn ?? '' });
  }
  drawGridRows(w, g);
}

function editableColumn(grid: Control, name: string | undefined): boolean {
  return !!name && !!grid.columns?.find((c) => c.name === name)?.edit && grid.enabled && !grid.locked;
}

function cellText(grid: Control, row: GridRow, column: string): string {
  const index = (grid.columns ?? []).findIndex((c) => c.name === column);
  return row.e?.[String(index)]?.text ?? row.c[index] ?? '';
}

function startEditing(w: string, g: string, row: GridRow, col: string, value: string): void {
  app.editing = { w, g, row: row.i, col, value };
  drawGridRows(w, g);
}

function gridBodyFocus(w: string, g: string): void {
  gridBodyOf(`${w}/${g}`)?.focus();
}

// The in-place editor: Enter keeps what was typed, Escape gives the cell back as it was,
// Tab keeps it and moves to the next editable column of the row (Shift+Tab: the one before).
function cellEditor(w: string, g: string, row: number, col: string): HTMLInputElement {
  const editing = app.editing!;
  const input = el('input', { type: 'text', class: 'cell-editor', 'data-editor': `${w}.${g}.${row}.${col}`, 'aria-label': col });
  input.value = editing.value;
  input.addEventListener('input', () => {
    if (app.editing) app.editing.value = input.value;
  });
  const finish = (keep: boolean): void => {
    if (app.editing !== editing) return;
    app.editing = null;
    if (keep) send({ t: 'edit', w, g, row, col, v: input.value });
  };
  input.addEventListener('keydown', (e) => {
    e.stopPropagation();
    if (e.key === 'Enter') {
      e.preventDefault();
      finish(true);
      gridBodyFocus(w, g);
      drawGridRows(w, g);
    } else if (e.key === 'Escape') {
      e.preventDefault();
      finish(false);
      gridBodyFocus(w, g);
      drawGridRows(w, g);
    } else if (e.key === 'Tab') {
      e.preventDefault();
      finish(true);
      const grid = gridControl(w, g);
      const editable = (grid?.columns ?? []).filter((c) => c.visible && c.edit).map((c) => c.name);
      const next = editable[editable.indexOf(col) + (e.shiftKey ? -1 : 1)];
      if (grid && next) {
        grid.currentColumn = next;
        send({ t: 'cell', w, g, row, col: next });
        const cache = app.grids.get(`${w}/${g}`);
        const shown = cache ? [...cache.rows.values()].find((r) => r.i === row) : undefined;
        if (shown) app.editing = { w, g, row, col: next, value: cellText(grid, shown, next) };
      } else gridBodyFocus(w, g);
      drawGridRows(w, g);
    }
  });
  input.addEventListener('blur', () => {
    // A redraw takes the editor out of the page; that is no leaving of the cell.
    if (drawing || !input.isConnected) return;
    window.setTimeout(() => {
      if (input.isConnected && document.activeElement !== input) {
        finish(true);
        drawGridRows(w, g);
      }
    }, 0);
  });
  queueMicrotask(() => {
    if (!input.isConnected) return;
    input.focus();
    input.setSelectionRange(input.value.length, input.value.length);
  });
  return input;
}

function deleteCurrentRow(w: string, g: string): void {
  const grid = gridControl(w, g);
  if (grid?.currentRow === undefined || grid.currentRow < 0) return;
  send({ t: 'delrow', w, g, row: grid.currentRow });
}

function openCardOfCurrentCell(w: string, g: string): void {
  const grid = gridControl(w, g);
  if (grid?.currentRow === undefined || grid.currentRow < 0) return;
  const column = grid.columns?.find((c) => c.name === grid.currentColumn && c.card) ?? grid.columns?.find((c) => c.card);
  if (column) send({ t: 'card', w, g, row: grid.currentRow, col: column.name });
}

function showMenu(x: number, y: number, w: string, g: Control): void {
  document.querySelector('.context-menu')?.remove();
  const menu = el('div', { class: 'context-menu', role: 'menu', style: `left:${x}px;top:${y}px` });
  for (const item of g.menu ?? []) {
    const entry = el('button', { role: 'menuitem', 'data-key': `menu.${item.key}` }, item.caption);
    entry.addEventListener('click', () => {
      menu.remove();
      send({ t: 'menu', w, c: g.name, key: item.key });
    });
    menu.append(entry);
  }
  document.body.append(menu);
  const away = (e: MouseEvent): void => {
    if (!menu.contains(e.target as Node)) {
      menu.remove();
      document.removeEventListener('mousedown', away);
    }
  };
  document.addEventListener('mousedown', away);
}

// ---------------------------------------------------------------- dialogs

function drawMessageBox(w: Window): HTMLElement {
  const text = w.controls.find((c) => c.kind === 'Label')?.value ?? '';
  const buttons = el('div', { class: 'buttons' });
  for (const c of w.controls.filter((c) => c.kind === 'Button')) {
    const b = el('button', { class: c.default ? 'default primary' : '', 'data-answer': c.caption }, c.caption);
    b.addEventListener('click', () => send({ t: 'answer', a: c.caption }));
    buttons.append(b);
  }
  return el('section', { class: 'dialog message', role: 'alertdialog', 'data-window': 'MessageBox' },
    el('h2', { class: 'caption' }, w.caption || 'Talvex Enterprise'),
    el('p', { class: 'message-text' }, text),
    buttons);
}

function drawProgress(): HTMLElement {
  const p = app.progress!;
  const cancel = el('button', { id: 'progress-cancel' }, 'Cancel');
  cancel.addEventListener('click', () => send({ t: 'cancel' }));
  return el('section', { class: 'dialog progress', id: 'progress-window', role: 'progressbar', 'aria-valuenow': p.step, 'aria-valuemax': p.count },
    el('h2', { class: 'caption' }, p.caption),
    el('progress', { value: p.step, max: Math.max(1, p.count) }),
    el('div', { class: 'progress-text' }, p.text),
    el('div', { class: 'buttons' }, cancel));
}

function fileHref(file: number): string {
  return `/api/file?s=${encodeURIComponent(app.session)}&file=${file}`;
}

function downloadFile(file: number, name: string): void {
  const a = el('a', { href: fileHref(file), download: name, style: 'display:none' });
  document.body.append(a);
  a.click();
  a.remove();
}

// Files written by reports (exports): each stays downloadable from the bar.
function drawFiles(): HTMLElement | null {
  if (!app.files.length) return null;
  const bar = el('div', { class: 'printed', role: 'status' });
  for (const f of app.files) {
    bar.append(el('a', { href: fileHref(f.file), download: f.name, class: 'tool', 'data-file': f.name }, `Download: ${f.name}`));
  }
  const dismiss = el('button', { class: 'link', 'aria-label': 'Dismiss' }, '×');
  dismiss.addEventListener('click', () => {
    app.files = [];
    draw();
  });
  bar.append(dismiss);
  return bar;
}

// Reports printed by their code: each opens in its own page, which the browser prints.
function drawPrinted(): HTMLElement | null {
  if (!app.printed.length) return null;
  const bar = el('div', { class: 'printed', role: 'status' });
  for (const p of app.printed) {
    const href = `/api/print?s=${encodeURIComponent(app.session)}&report=${p.report}`;
    bar.append(el('a', { href, target: '_blank', class: 'tool', 'data-print-report': p.code }, `Print view: ${p.title}`));
  }
  const dismiss = el('button', { class: 'link', 'aria-label': 'Dismiss' }, '×');
  dismiss.addEventListener('click', () => {
    app.printed = [];
    draw();
  });
  bar.append(dismiss);
  return bar;
}

function drawError(): HTMLElement {
  const e = app.errors[0];
  const ok = el('button', { class: 'default primary', id: 'error-ok' }, 'OK');
  ok.addEventListener('click', () => {
    app.errors.shift();
    draw();
  });
  return el('section', { class: 'dialog error', id: 'error-dialog', role: 'alertdialog' },
    el('h2', { class: 'caption' }, 'Error'),
    el('p', { class: 'error-message' }, e.message),
    el('p', { class: 'error-source' }, e.source),
    el('div', { class: 'buttons' }, ok));
}

// ---------------------------------------------------------------- documents

function openDocument(docType: string, idc: number): void {
  const key = `d:${idc}`;
  let tab = app.documents.find((d) => d.key === key);
  if (!tab) {
    tab = { key, idc, docType };
    app.documents.push(tab);
  }
  app.activeTab = key;
  const target = tab;
  fetch(`/api/document?s=${encodeURIComponent(app.session)}&idc=${idc}`)
    .then(async (r) => {
      const body = await r.json();
      if (!r.ok) target.error = body.error ?? `error ${r.status}`;
      else target.view = body as DocumentView;
      draw();
    })
    .catch((error) => {
      target.error = String(error);
      draw();
    });
}

function table(caption: string, rows: Record<string, string>[], columns: [string, string, boolean?][], id: string): HTMLElement {
  const head = el('tr', {}, ...columns.map(([, title, num]) => el('th', { class: num ? 'num' : '' }, title)));
  const body = el('tbody');
  for (const row of rows) body.append(el('tr', {}, ...columns.map(([name, , num]) => el('td', { class: num ? 'num' : '' }, row[name] ?? ''))));
  if (!rows.length) body.append(el('tr', {}, el('td', { colspan: columns.length, class: 'none' }, 'None')));
  return el('section', { class: 'doc-part', id }, el('h3', {}, caption), el('table', {}, el('thead', {}, head), body));
}

function drawDocument(d: DocumentTab): HTMLElement {
  if (d.error) return el('section', { class: 'document' }, el('p', { class: 'refusal' }, d.error));
  if (!d.view) return el('section', { class: 'document' }, el('p', {}, 'Loading…'));
  const h = d.view.header;
  const fact = (title: string, value: string | undefined, id: string): HTMLElement => el('div', { class: 'fact' }, el('span', {}, title), el('b', { id }, value ?? ''));
  // Documents whose editing dialog the module supplies open in it from here.
  const edit = h.DocTypeCode === 'CPAY'
    ? el('button', { id: 'doc-edit', type: 'button' }, 'Edit')
    : null;
  edit?.addEventListener('click', () => send({ t: 'editdoc', docType: h.DocTypeCode, idc: d.idc }));
  return el('section', { class: 'document', 'data-idc': d.idc },
    el('h2', { class: 'caption' }, `${h.DocTypeName || h.DocTypeCode} ${h.Number}`, edit),
    el('div', { class: 'facts' },
      fact('Type', h.DocTypeCode, 'doc-type'),
      fact('Number', h.Number, 'doc-number'),
      fact('Date', h.DocumentDate, 'doc-date'),
      fact('Sum', `${h.Summa} ${h.CurrencyCode}`, 'doc-sum'),
      fact('Department', h.Department, 'doc-department'),
      fact('Posted', h.IsPosted === '1' ? 'yes' : 'no', 'doc-posted'),
      fact('Id', h.IDC, 'doc-idc')),
    table('Parties', d.view.parties, [['RolePartyCode', 'Role'], ['PartyCode', 'Code'], ['PartyName', 'Name']], 'doc-parties'),
    table('Goods', d.view.goods, [['PosNumb', 'No.', true], ['GoodCode', 'Good'], ['GoodName', 'Name'], ['UnitCode', 'Unit'], ['Amount', 'Quantity', true], ['Price', 'Price', true], ['Summa', 'Sum', true]], 'doc-goods'),
    table('Paid by', d.view.paidBy, [['DocTypeCode', 'Type'], ['Number', 'Number'], ['DocumentDate', 'Date'], ['Summa', 'Sum', true], ['SummaCur', 'Sum in currency', true]], 'doc-paid-by'),
    table('Pays', d.view.pays, [['DocTypeCode', 'Type'], ['Number', 'Number'], ['DocumentDate', 'Date'], ['Summa', 'Sum', true], ['SummaCur', 'Sum in currency', true]], 'doc-pays'),
    table('Payment terms', d.view.payTerms, [['PayTerm', 'Days', true], ['PayDate', 'Due'], ['Summa', 'Sum', true]], 'doc-terms'));
}

window.addEventListener('resize', () => {
  for (const w of app.windows) for (const c of w.controls) if (c.kind === 'Grid') drawGridRows(w.name, c.name);
});

void start();
