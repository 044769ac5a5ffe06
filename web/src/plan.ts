// SPDX-License-Identifier: Apache-2.0
// The plan of the pile heads as an SVG drawing: Y to the right, Z downward
// (the view from above, X growing downward into the ground). Each pile is a
// circle numbered by its group, a battered pile has a short line in the
// direction of its batter, and the results colour the piles and draw their
// lateral head forces as arrows.

import { svg, fmt } from "./util";

export interface PlanPile {
  group: number;
  y: number;
  z: number;
  /** Direction of the batter in plan (unit vector times a share 0..1 of the length drawn). */
  batter?: [number, number] | null;
  fill?: string;
  /** Lateral force in plan (Fy, Fz), drawn as an arrow. */
  arrow?: [number, number] | null;
  title?: string;
  /** Show the group's number beside this pile (one pile of a row). */
  label?: boolean;
}

export interface PlanOptions {
  lengthUnit: string;
  selected?: number | null;
  /** Groups drawn as selected besides `selected` (a selection of several). */
  picked?: ReadonlySet<number>;
  onPick?: (group: number) => void;
  height?: number;
  twoDimensional?: boolean;
}

let planCount = 0;

function niceStep(span: number, count: number): number {
  const raw = span / Math.max(1, count);
  const p = Math.pow(10, Math.floor(Math.log10(raw)));
  const m = raw / p;
  return (m < 1.5 ? 1 : m < 3 ? 2 : m < 7 ? 5 : 10) * p;
}

export function drawPlan(piles: PlanPile[], opt: PlanOptions): SVGElement {
  const W = 720;
  const H = opt.height ?? 420;
  const M = { l: 56, r: 20, t: 20, b: 44 };
  const id = `plan${++planCount}`;
  const ys = piles.map((p) => p.y);
  const zs = piles.map((p) => p.z);
  let y0 = Math.min(...ys, 0);
  let y1 = Math.max(...ys, 0);
  let z0 = Math.min(...zs, 0);
  let z1 = Math.max(...zs, 0);
  // Smallest distance between two piles: the size of the circles.
  // Swept along Y: a pair further apart in Y than the best distance so far
  // ends the look from a pile (a grid of 2000 piles takes no 2 million pairs).
  let minDist = Infinity;
  const byY = piles.slice().sort((a, b) => a.y - b.y);
  for (let i = 0; i < byY.length; i++)
    for (let j = i + 1; j < byY.length && byY[j].y - byY[i].y < minDist; j++) {
      const d = Math.hypot(byY[i].y - byY[j].y, byY[i].z - byY[j].z);
      if (d > 0 && d < minDist) minDist = d;
    }
  const span = Math.max(y1 - y0, z1 - z0, Number.isFinite(minDist) ? minDist : 0) || 1;
  if (!Number.isFinite(minDist)) minDist = span;
  const pad = Math.max(minDist * 0.8, span * 0.06);
  y0 -= pad;
  y1 += pad;
  z0 -= pad;
  z1 += pad;
  const s = Math.min((W - M.l - M.r) / (y1 - y0), (H - M.t - M.b) / (z1 - z0));
  // Centre the drawing in the frame.
  const offY = M.l + ((W - M.l - M.r) - (y1 - y0) * s) / 2;
  const offZ = M.t + ((H - M.t - M.b) - (z1 - z0) * s) / 2;
  const X = (y: number) => offY + (y - y0) * s;
  const Y = (z: number) => offZ + (z - z0) * s;
  const r = Math.max(2.5, Math.min(16, minDist * s * 0.32));

  const root = svg("svg", {
    viewBox: `0 0 ${W} ${H}`,
    class: "plan",
    role: "group",
    "aria-label": "Plan of the pile heads",
    "data-testid": "plan",
    "data-piles": piles.length,
  });
  root.appendChild(
    svg(
      "defs",
      {},
      svg(
        "marker",
        { id: id + "a", viewBox: "0 0 10 10", refX: 9, refY: 5, markerWidth: 6, markerHeight: 6, orient: "auto-start-reverse" },
        svg("path", { d: "M0,0 L10,5 L0,10 z", fill: "#222" }),
      ),
    ),
  );
  // Frame and ticks.
  const fx0 = M.l, fx1 = W - M.r, fy0 = M.t, fy1 = H - M.b;
  root.appendChild(svg("rect", { x: fx0, y: fy0, width: fx1 - fx0, height: fy1 - fy0, fill: "#fbfbfb", stroke: "#bbb" }));
  const lo = (v: number) => v;
  const yStep = niceStep((fx1 - fx0) / s, 6);
  for (let t = Math.ceil((y0 - (offY - fx0) / s) / yStep) * yStep; X(t) <= fx1 + 0.5; t += yStep) {
    if (X(t) < fx0 - 0.5) continue;
    root.appendChild(svg("line", { x1: X(t), x2: X(t), y1: fy0, y2: fy1, stroke: "#eee" }));
    root.appendChild(svg("text", { x: X(t), y: fy1 + 14, "text-anchor": "middle", class: "tick", text: fmt(lo(Math.abs(t) < yStep * 1e-9 ? 0 : t), 4) }));
  }
  if (!opt.twoDimensional) {
    const zStep = niceStep((fy1 - fy0) / s, 5);
    for (let t = Math.ceil((z0 - (offZ - fy0) / s) / zStep) * zStep; Y(t) <= fy1 + 0.5; t += zStep) {
      if (Y(t) < fy0 - 0.5) continue;
      root.appendChild(svg("line", { x1: fx0, x2: fx1, y1: Y(t), y2: Y(t), stroke: "#eee" }));
      root.appendChild(svg("text", { x: fx0 - 6, y: Y(t) + 4, "text-anchor": "end", class: "tick", text: fmt(Math.abs(t) < zStep * 1e-9 ? 0 : t, 4) }));
    }
  }
  root.appendChild(svg("text", { x: (fx0 + fx1) / 2, y: H - 8, "text-anchor": "middle", class: "axis", text: `Y [${opt.lengthUnit}] →` }));
  root.appendChild(
    svg("text", {
      x: 14,
      y: (fy0 + fy1) / 2,
      "text-anchor": "middle",
      class: "axis",
      transform: `rotate(-90 14 ${(fy0 + fy1) / 2})`,
      text: opt.twoDimensional ? "piles of a row (out of plane)" : `Z [${opt.lengthUnit}] ↓`,
    }),
  );
  // The cap origin.
  root.appendChild(svg("path", { d: `M${X(0) - 8},${Y(0)} h16 M${X(0)},${Y(0) - 8} v16`, stroke: "#999", "stroke-width": 1 }));

  // Arrows scaled to the largest force.
  const fmax = Math.max(0, ...piles.map((p) => (p.arrow ? Math.hypot(p.arrow[0], p.arrow[1]) : 0)));
  const arrowLength = Math.max(18, Math.min(60, minDist * s * 0.75));

  for (const p of piles) {
    const cx = X(p.y);
    const cy = Y(p.z);
    const g = svg("g", {
      class: "pile" + (opt.selected === p.group || opt.picked?.has(p.group) ? " selected" : ""),
      "data-group": p.group,
      tabindex: opt.onPick && p.label !== false ? 0 : null,
      role: opt.onPick ? "button" : null,
      "aria-label": `pile group ${p.group}`,
    });
    if (p.batter) {
      const [dy, dz] = p.batter;
      g.appendChild(svg("line", { x1: cx, y1: cy, x2: cx + dy * r * 2.6, y2: cy + dz * r * 2.6, class: "batter" }));
    }
    g.appendChild(svg("circle", { cx, cy, r, fill: p.fill ?? "#fff", class: "head" }));
    if (p.title) g.appendChild(svg("title", { text: p.title }));
    if (p.label !== false && r >= 7)
      g.appendChild(svg("text", { x: cx, y: cy + Math.min(r, 11) * 0.38, "text-anchor": "middle", class: "num", "font-size": Math.min(r * 1.05, 11), text: p.group }));
    else if (p.label !== false && piles.length <= 400)
      g.appendChild(svg("text", { x: cx + r + 2, y: cy - r, class: "num small", text: p.group }));
    if (p.arrow && fmax > 0) {
      const [fy, fz] = p.arrow;
      const len = (Math.hypot(fy, fz) / fmax) * arrowLength;
      if (len > 1) {
        const ux = fy / Math.hypot(fy, fz);
        const uz = fz / Math.hypot(fy, fz);
        g.appendChild(
          svg("line", {
            x1: cx + ux * r,
            y1: cy + uz * r,
            x2: cx + ux * (r + len),
            y2: cy + uz * (r + len),
            class: "arrow",
            "marker-end": `url(#${id}a)`,
          }),
        );
      }
    }
    root.appendChild(g);
  }
  // One listener for every pile (a plan may hold thousands).
  if (opt.onPick) {
    const pick = opt.onPick;
    const groupOf = (e: Event): number | null => {
      const g = (e.target as Element | null)?.closest?.("g.pile");
      return g && root.contains(g) ? Number(g.getAttribute("data-group")) : null;
    };
    root.addEventListener("click", (e) => {
      const group = groupOf(e);
      if (group !== null) pick(group);
    });
    root.addEventListener("keydown", (e) => {
      const k = (e as KeyboardEvent).key;
      const group = groupOf(e);
      if (group !== null && (k === "Enter" || k === " ")) {
        e.preventDefault();
        pick(group);
      }
    });
  }
  return root;
}

/** The plan direction of a three-dimensional batter (alpha, beta in degrees), or null for a vertical pile. */
export function batter3d(alpha: number | undefined, beta: number | undefined): [number, number] | null {
  const b = beta ?? 90;
  if (Math.abs(b - 90) < 1e-9) return null;
  const a = ((alpha ?? 0) * Math.PI) / 180;
  const share = Math.max(0.35, Math.min(1, Math.abs(Math.cos((b * Math.PI) / 180)) * 4));
  return [Math.cos(a) * share, Math.sin(a) * share];
}

/** The plan direction of a two-dimensional batter angle (degrees; the sign says towards +Y or -Y). */
export function batter2d(angle: number | undefined): [number, number] | null {
  if (!angle) return null;
  const share = Math.max(0.35, Math.min(1, Math.abs(Math.tan((angle * Math.PI) / 180)) * 4));
  return [Math.sign(angle) * share, 0];
}

/** The piles of a pile group for the plan: one in three dimensions, a row of n in two. */
export function groupPiles(
  base: Omit<PlanPile, "y" | "z" | "label">,
  y: number,
  z: number,
  twoDimensional: boolean,
  count: number,
  spacing: number,
): PlanPile[] {
  if (!twoDimensional) return [{ ...base, y, z, label: true }];
  const n = Math.max(1, Math.round(count));
  const d = spacing > 0 ? spacing : 1;
  return Array.from({ length: n }, (_, k) => ({ ...base, y, z: (k - (n - 1) / 2) * d, label: k === 0 }));
}

/**
 * Marks the picked groups of a plan already drawn (numbers from 1) and
 * makes its piles answer a click: for a plan drawn without onPick.
 */
export function markPicked(root: Element, picked: ReadonlySet<number>): void {
  root.querySelectorAll<SVGGElement>("g.pile").forEach((g) => {
    g.classList.toggle("selected", picked.has(Number(g.getAttribute("data-group"))));
    g.setAttribute("role", "button");
    // One pile of a row carries the number: that one takes the focus.
    if (g.querySelector("text")) g.setAttribute("tabindex", "0");
  });
}

/**
 * Clicks, Enter and space on the piles of any plan inside box, also of one
 * drawn there again later (the listener is on the box, not the drawing).
 */
export function pickIn(box: Element, pick: (group: number) => void): void {
  const groupOf = (e: Event): number | null => {
    const g = (e.target as Element | null)?.closest?.("g.pile");
    return g && box.contains(g) ? Number(g.getAttribute("data-group")) : null;
  };
  box.addEventListener("click", (e) => {
    const group = groupOf(e);
    if (group !== null) pick(group);
  });
  box.addEventListener("keydown", (e) => {
    const k = (e as KeyboardEvent).key;
    const group = groupOf(e);
    if (group !== null && (k === "Enter" || k === " ")) {
      e.preventDefault();
      pick(group);
    }
  });
}
