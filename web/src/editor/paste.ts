// SPDX-License-Identifier: Apache-2.0
// Rows of numbers pasted from a spreadsheet: cells separated by tabs, rows
// by line ends. The first row may name the columns ("Fx [kN]", "at.x");
// without it the cells are taken in the order of the table. A blank cell
// leaves its value out; a cell that is not a number is reported with its
// row and column as the text has them (counting from 1).

export interface PasteColumn {
  key: string;
  /** Other names a header may give the column (compared without case, units and blanks). */
  names?: string[];
}

export interface PasteError {
  row: number;
  column: number;
  text: string;
  message: string;
}

export interface PasteRow {
  /** The row of the text (from 1). */
  line: number;
  values: Record<string, number | null>;
}

export interface PasteResult {
  /** The keys of the pasted columns, in their order. */
  columns: (string | null)[];
  header: boolean;
  rows: PasteRow[];
  errors: PasteError[];
}

const NUMBER = /^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/;

/** A cell's number: null when blank, undefined when it is no number. */
export function parseNumber(cell: string): number | null | undefined {
  let t = cell.trim();
  if (t.length >= 2 && t.startsWith('"') && t.endsWith('"')) t = t.slice(1, -1).trim();
  if (!t) return null;
  t = t.replace(/\u2212/g, "-");
  if (!NUMBER.test(t)) return undefined;
  const v = Number(t);
  return Number.isFinite(v) ? v : undefined;
}

function normalise(name: string): string {
  return name
    .replace(/\[[^\]]*\]|\([^)]*\)/g, "")
    .replace(/[\s._-]/g, "")
    .toLowerCase();
}

function why(text: string): string {
  const t = text.trim();
  if (/^[+-]?\d+,\d+$/.test(t)) return `"${t}" is not a number: write the decimals after a point (${t.replace(",", ".")})`;
  return `"${t}" is not a number`;
}

export function parsePaste(text: string, table: PasteColumn[]): PasteResult {
  const lines = text.replace(/\r\n?/g, "\n").split("\n");
  const result: PasteResult = { columns: table.map((c) => c.key), header: false, rows: [], errors: [] };
  const first = lines.findIndex((l) => l.trim() !== "");
  if (first < 0) return result;
  const firstCells = lines[first].split("\t");
  // A header names columns: no cell of it is a number (a row of numbers with
  // a typo is a row of data with an error).
  const kinds = firstCells.map(parseNumber);
  const header = kinds.some((v) => v === undefined) && !kinds.some((v) => typeof v === "number");
  if (header) {
    result.header = true;
    const byName = new Map<string, string>();
    for (const c of table) for (const n of [c.key, ...(c.names ?? [])]) byName.set(normalise(n), c.key);
    const seen = new Set<string>();
    result.columns = firstCells.map((cell, j) => {
      if (!cell.trim()) return null;
      const key = byName.get(normalise(cell));
      if (!key) {
        result.errors.push({ row: first + 1, column: j + 1, text: cell.trim(), message: `unknown column "${cell.trim()}"; the columns are ${table.map((c) => c.key).join(", ")}` });
        return null;
      }
      if (seen.has(key)) {
        result.errors.push({ row: first + 1, column: j + 1, text: cell.trim(), message: `column ${key} is given twice` });
        return null;
      }
      seen.add(key);
      return key;
    });
  }
  for (let i = header ? first + 1 : first; i < lines.length; i++) {
    if (!lines[i].trim()) continue;
    const cells = lines[i].split("\t");
    const values: Record<string, number | null> = {};
    cells.forEach((cell, j) => {
      const v = parseNumber(cell);
      const key = j < result.columns.length ? result.columns[j] : null;
      if (key === null) {
        if (v !== null && !(header && j < result.columns.length))
          result.errors.push({ row: i + 1, column: j + 1, text: cell.trim(), message: `a value beyond the ${result.columns.length} columns` });
        return;
      }
      if (v === undefined) result.errors.push({ row: i + 1, column: j + 1, text: cell.trim(), message: why(cell) });
      else values[key] = v;
    });
    result.rows.push({ line: i + 1, values });
  }
  return result;
}
