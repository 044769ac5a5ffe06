// SPDX-License-Identifier: Apache-2.0
// Small helpers: building elements, numbers, units, tables as CSV.

import type { Num } from "./types";

type Attrs = Record<string, string | number | boolean | null | undefined>;
type Child = Node | string | number | null | undefined | false;

/** Creates an element; attributes starting with "on" are not supported (use addEventListener). */
export function el<K extends keyof HTMLElementTagNameMap>(
  tag: K,
  attrs: Attrs = {},
  ...children: (Child | Child[])[]
): HTMLElementTagNameMap[K] {
  const node = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) {
    if (v === null || v === undefined || v === false) continue;
    if (k === "class") node.className = String(v);
    else if (k === "text") node.textContent = String(v);
    else node.setAttribute(k, v === true ? "" : String(v));
  }
  append(node, children);
  return node;
}

export function append(node: Node, children: (Child | Child[])[]): void {
  for (const c of children.flat()) {
    if (c === null || c === undefined || c === false) continue;
    node.appendChild(typeof c === "string" || typeof c === "number" ? document.createTextNode(String(c)) : c);
  }
}

const SVGNS = "http://www.w3.org/2000/svg";
export function svg(tag: string, attrs: Attrs = {}, ...children: (Child | Child[])[]): SVGElement {
  const node = document.createElementNS(SVGNS, tag) as SVGElement;
  for (const [k, v] of Object.entries(attrs)) {
    if (v === null || v === undefined || v === false) continue;
    if (k === "text") node.textContent = String(v);
    else node.setAttribute(k, String(v));
  }
  append(node, children);
  return node;
}

export function clear(node: Element): void {
  while (node.firstChild) node.removeChild(node.firstChild);
}

/** A number for reading: five significant digits, no trailing noise. */
export function fmt(v: Num | undefined, digits = 5): string {
  if (v === null || v === undefined || !Number.isFinite(v)) return "–";
  if (v === 0) return "0";
  const a = Math.abs(v);
  if (a >= 1e7 || a < 1e-3) return v.toExponential(digits - 1).replace(/\.?0+e/, "e");
  return String(Number(v.toPrecision(digits)));
}

/** "Fx [KN]", or "Fx" when the unit is unknown or dimensionless. */
export function withUnit(name: string, unit: string | undefined): string {
  return unit && unit !== "1" ? `${name} [${unit}]` : name;
}

/** Labels of a document's units system (no value is converted). */
export function documentUnits(units: unknown): Record<string, string> {
  const u = String(units ?? "").toLowerCase();
  if (u === "english" || u === "1")
    return { length: "in", force: "lbs", moment: "in-lbs", stress: "lbs/in²", unitWeight: "lbs/in³", angle: "deg" };
  if (u === "metric" || u === "2")
    return { length: "m", force: "kN", moment: "kN·m", stress: "kPa", unitWeight: "kN/m³", angle: "deg" };
  return { length: "L", force: "F", moment: "F·L", stress: "F/L²", unitWeight: "F/L³", angle: "deg" };
}

export const SOIL_TYPES: { key: string; code: number; name: string; colour: string }[] = [
  { key: "softClay", code: 1, name: "soft clay", colour: "#9fb7d6" },
  { key: "stiffClayBelowWaterTable", code: 2, name: "stiff clay below water table", colour: "#6f8fb8" },
  { key: "stiffClayAboveWaterTable", code: 3, name: "stiff clay above water table", colour: "#8ca0a8" },
  { key: "sand", code: 4, name: "sand", colour: "#e8d189" },
  { key: "userCurves", code: 5, name: "user p-y curves", colour: "#c9b3d9" },
  { key: "vuggyLimestone", code: 6, name: "vuggy limestone", colour: "#b7b7a4" },
  { key: "silt", code: 7, name: "silt", colour: "#c8b28f" },
  { key: "apiSand", code: 8, name: "sand (API)", colour: "#f0c96a" },
  { key: "weakRock", code: 9, name: "weak rock", colour: "#a0948a" },
  { key: "stiffClayWithInitialK", code: 10, name: "stiff clay with initial k", colour: "#7aa5a0" },
  { key: "liquefiedSand", code: 11, name: "liquefied sand", colour: "#f2e3b3" },
];

export function soilType(t: unknown): { name: string; colour: string } {
  const found = SOIL_TYPES.find((s) => s.key === t || s.code === Number(t));
  return found ?? { name: String(t), colour: "#dddddd" };
}

function csvCell(v: unknown): string {
  const s = v === null || v === undefined ? "" : String(v);
  return /[",\n\r]/.test(s) ? '"' + s.replace(/"/g, '""') + '"' : s;
}

export function toCsv(header: string[], rows: unknown[][]): string {
  return [header, ...rows].map((r) => r.map(csvCell).join(",")).join("\r\n") + "\r\n";
}

/** Lets the browser save a text built here. */
export function saveText(name: string, text: string, type = "text/csv"): void {
  const url = URL.createObjectURL(new Blob([text], { type }));
  const a = el("a", { href: url, download: name });
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

/**
 * Colour of a value on the scale of [lo, hi]: diverging (pull blue, 0 grey,
 * compression red) when the values change sign, sequential from light to
 * the colour of their sign otherwise.
 */
export function forceColour(v: number, lo: number, hi: number): string {
  const grey = [238, 238, 238];
  let t: number;
  let end: number[];
  if (lo < 0 && hi > 0) {
    const m = Math.max(-lo, hi);
    t = Math.min(1, Math.abs(v) / m);
    end = v >= 0 ? [200, 40, 40] : [40, 90, 200];
  } else {
    end = hi > 0 || lo > 0 ? [200, 40, 40] : [40, 90, 200];
    const a = Math.min(Math.abs(lo), Math.abs(hi));
    const b = Math.max(Math.abs(lo), Math.abs(hi));
    // Start light, not white: the smallest force still has its colour.
    t = b > a ? 0.15 + (0.85 * (Math.abs(v) - a)) / (b - a) : 0.7;
  }
  const c = grey.map((g, i) => Math.round(g + (end[i] - g) * Math.max(0, Math.min(1, t))));
  return `rgb(${c[0]},${c[1]},${c[2]})`;
}

export function finite(values: Num[] | undefined): number[] {
  return (values ?? []).filter((v): v is number => v !== null && Number.isFinite(v));
}
