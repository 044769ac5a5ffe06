// SPDX-License-Identifier: Apache-2.0
// A rectangular grid of piles: rows along Y, one behind the other along Z,
// centred on a point or starting from the head of its first pile. The piles
// of the outer rows (and, if asked, of the outer columns) are battered
// outward.
//
// The batter is written 1:n, one horizontal to n vertical. In three
// dimensions the pile axis runs along (sin BETA, cos ALPHA cos BETA,
// sin ALPHA cos BETA) in (X, Y, Z), so BETA = atan(n) and ALPHA gives the
// direction in plan: 0 towards +Y, 90 towards +Z, 180 towards -Y, 270
// towards -Z. In two dimensions a group is a row of piles out of the plane
// and its batter is the angle from the vertical, atan(1/n), positive
// towards +Y.

export interface GridOptions {
  /** Rows of piles, one behind the other along Z. */
  rows: number;
  /** Piles in a row, along Y. */
  columns: number;
  spacingY: number;
  spacingZ: number;
  /** "centre": (y, z) is the centre of the grid; "first": the head of its first pile. */
  origin: "centre" | "first";
  y: number;
  z: number;
  /** Batter 1:n of the outer piles; 0 (or less): every pile vertical. */
  batter: number;
  /** Batter the first and the last row (along Z). */
  outerRows: boolean;
  /** Batter the first and the last pile of every row (along Y). */
  outerColumns: boolean;
}

export interface GridPile {
  row: number;
  column: number;
  y: number;
  z: number;
  /** Direction of the batter in plan (degrees), 0 for a vertical pile. */
  alpha: number;
  /** Angle of the pile axis with the horizontal (degrees), 90 for a vertical pile. */
  beta: number;
}

const DEG = 180 / Math.PI;

/** Rounds away the last bits of a computed coordinate (0.30000000000000004). */
function tidy(v: number): number {
  const r = Number(v.toPrecision(12));
  return r === 0 ? 0 : r;
}

export function checkGrid(o: GridOptions): string | null {
  if (!Number.isInteger(o.rows) || o.rows < 1) return "the number of rows must be a whole number, 1 or more";
  if (!Number.isInteger(o.columns) || o.columns < 1) return "the number of piles in a row must be a whole number, 1 or more";
  if (o.rows * o.columns > 2000) return "a model holds at most 2000 pile groups";
  for (const [name, v] of [["spacing along Y", o.spacingY], ["spacing along Z", o.spacingZ], ["Y", o.y], ["Z", o.z], ["batter", o.batter]] as const)
    if (!Number.isFinite(v)) return `the ${name} must be a number`;
  if (o.columns > 1 && !(o.spacingY > 0)) return "the spacing along Y must be positive";
  if (o.rows > 1 && !(o.spacingZ > 0)) return "the spacing along Z must be positive";
  return null;
}

/** Which way a pile on the edge points: -1, 0 or +1 along one direction. */
function outward(index: number, count: number, on: boolean): number {
  if (!on || count < 2) return 0;
  return index === 0 ? -1 : index === count - 1 ? 1 : 0;
}

/** The piles of the grid, row by row (Z growing), each row along Y. */
export function gridPiles(o: GridOptions): GridPile[] {
  const problem = checkGrid(o);
  if (problem) throw new RangeError(problem);
  const y0 = o.origin === "centre" ? o.y - ((o.columns - 1) * o.spacingY) / 2 : o.y;
  const z0 = o.origin === "centre" ? o.z - ((o.rows - 1) * o.spacingZ) / 2 : o.z;
  const beta = o.batter > 0 ? Math.atan(o.batter) * DEG : 90;
  const piles: GridPile[] = [];
  for (let r = 0; r < o.rows; r++)
    for (let c = 0; c < o.columns; c++) {
      const dy = outward(c, o.columns, o.outerColumns);
      const dz = outward(r, o.rows, o.outerRows);
      const battered = o.batter > 0 && (dy !== 0 || dz !== 0);
      let alpha = battered ? Math.atan2(dz, dy) * DEG : 0;
      if (alpha < 0) alpha += 360;
      piles.push({ row: r + 1, column: c + 1, y: tidy(y0 + c * o.spacingY), z: tidy(z0 + r * o.spacingZ), alpha, beta: battered ? beta : 90 });
    }
  return piles;
}

type Group = Record<string, unknown>;

/**
 * The pile groups of the model document for the grid. Three dimensions: one
 * group a pile. Two dimensions: one group a column, a row of `rows` piles at
 * spacingZ out of the plane, battered along ±Y when the outer columns are.
 * `template` gives the other fields (connection, pileProperty, ...).
 */
export function gridGroups(o: GridOptions, twoDimensional: boolean, template: Group): Group[] {
  if (twoDimensional) {
    const flat = gridPiles({ ...o, rows: 1, spacingZ: 0, outerRows: false });
    const angle = o.batter > 0 ? Math.atan(1 / o.batter) * DEG : 0;
    return flat.map((p) => {
      const g: Group = { ...template, head: { y: p.y } };
      if (o.rows > 1) {
        g.piles = o.rows;
        g.rowSpacing = o.spacingZ;
      }
      const side = outward(p.column - 1, o.columns, o.outerColumns || o.outerRows);
      if (angle && side) g.batter = side * angle;
      return g;
    });
  }
  return gridPiles(o).map((p) => {
    const g: Group = { ...template, head: { y: p.y, z: p.z } };
    if (p.beta !== 90) g.batter = p.alpha ? { alpha: p.alpha, beta: p.beta } : { beta: p.beta };
    return g;
  });
}
