// The messages between a tab and its session on the server.

export interface ComboItem {
  code: string;
  name: string;
}

export interface Column {
  name: string;
  caption: string;
  align: 'left' | 'right' | 'center';
  visible: boolean;
  format?: string;
  width?: number;
  footer?: string;
  // header metadata of cube-like grids
  role?: 'RowHeader' | 'Fact' | 'Data';
  factName?: string;
  headerPath?: string[];
  headerKind?: HeaderKind;
  expand?: ExpandState;
  // an editable column: what its cells take
  edit?: { type: 'Text' | 'Number' | 'Integer' | 'Date'; required: boolean };
  card?: string; // the reference whose card a cell opens
}

export type HeaderKind = 'None' | 'Member' | 'Subtotal' | 'GrandTotal';
export type ExpandState = 'None' | 'Expanded' | 'Collapsed';

export interface GridRow {
  i: number; // the row's index as stored: what actions name
  c: string[]; // cell texts, formatted
  s?: string; // style id
  cs?: Record<string, RowStyle>; // styles of single cells, by column index
  h?: { kind: HeaderKind; level: number; expand: ExpandState }; // where a cube row stands
  e?: Record<string, { text: string; message: string }>; // refused input, by column index
}

export interface RowStyle {
  bold: boolean;
  fore: string;
  back: string;
}

export interface Control {
  kind: string;
  name: string;
  caption: string;
  enabled: boolean;
  visible: boolean;
  locked?: boolean;
  toolTip?: string;
  refusal?: string; // why the form refused what the control holds
  default?: boolean;
  cancel?: boolean;
  value?: string;
  text?: string;
  format?: string;
  decimals?: number;
  items?: ComboItem[];
  lookup?: string;
  reference?: string;
  multiple?: boolean;
  group?: string;
  tabs?: string[];
  tab?: { control: string; page: number }; // the page of a tab control it stands on
  // grids
  columns?: Column[];
  rowCount?: number;
  rows?: GridRow[];
  currentRow?: number;
  currentColumn?: string;
  selected?: number[];
  styles?: Record<string, RowStyle>;
  menu?: { key: string; caption: string }[];
  addable?: boolean;
  deletable?: boolean;
}

export interface Window {
  name: string;
  caption: string;
  modal: boolean;
  key: string;
  message?: boolean;
  controls: Control[];
  cube?: CubeModel;
}

// A cube window's dimensions by axis (in order), its facts, and the members that count for
// each dimension with a member filter.
export interface CubeModel {
  rows: CubeDimension[];
  columns: CubeDimension[];
  filter: CubeDimension[];
  facts: { name: string; caption: string; visible: boolean; enabled: boolean }[];
  selections: Record<string, { key: string; text: string }[]>;
  active: boolean;
  rowLevel: number;
  columnLevel: number;
}

export interface CubeDimension {
  name: string;
  caption: string;
}

export interface Progress {
  caption: string;
  step: number;
  count: number;
  text: string;
}

export interface MenuGroup {
  subsystem: string;
  classes: { name: string; title?: string; role: string; available: boolean }[];
}

export type ServerMessage =
  | { t: 'welcome'; session: string; user: string; company?: string; menu: MenuGroup[]; recent?: string[] }
  | { t: 'recent'; classes: string[] }
  | StartMessage
  | { t: 'state'; windows: Window[]; status: string; wait: string; progress?: Progress }
  | { t: 'rows'; w: string; g: string; from: number; total: number; rows: GridRow[] }
  | { t: 'error'; source: string; message: string }
  | { t: 'refused'; w: string; c: string; v: string; message: string }
  | { t: 'document'; docType: string; idc: number }
  | { t: 'printed'; report: number; code: string; title: string }
  | { t: 'file'; file: number; name: string }
  | { t: 'lookup'; w: string; c: string; q: string; items: ComboItem[] }
  | ChartAnswer
  | { t: 'signin'; message: string }
  | { t: 'pong' };

// A grid's chart summed by the session over all its rows: the largest rows as categories and
// the largest number columns as series, the rest of each as "Other"; totals as the column shows them.
export interface ChartAnswer {
  t: 'chart';
  w: string;
  g: string;
  n?: number;
  categories: string[];
  series: { name: string; column: string; values: (number | null)[]; total: string }[];
  rows: number;
  otherRows: number;
  otherSeries: number;
}

export interface DocumentView {
  header: Record<string, string>;
  parties: Record<string, string>[];
  goods: Record<string, string>[];
  paidBy: Record<string, string>[];
  pays: Record<string, string>[];
  payTerms: Record<string, string>[];
}

// The start page: figures at a glance, each tile naming the report it opens.
export interface StartTile {
  name: string;
  caption: string;
  total: string;
  note: string;
  begDate?: string;
  endDate?: string;
  lists: { caption: string; kind: string; items: { label: string; value: string }[] }[];
  changePercent?: number;
  opens?: string;
  computeMs?: number;
}

export interface StartMessage {
  t: 'start';
  today: string;
  currency: string;
  tiles: StartTile[];
  computeMs: number;
}
