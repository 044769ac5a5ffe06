// SPDX-License-Identifier: Apache-2.0
// The models a new model starts from: a steel pipe pile in soft clay, as one
// pile of a three-dimensional group or a row of piles in two dimensions,
// with no pile groups yet and an empty load case.

import type { Json } from "./document";
import { newModel } from "./fields";

export interface Template {
  key: string;
  label: string;
  note: string;
  document: () => { [key: string]: Json };
}

function twoDimensional(): { [key: string]: Json } {
  const d = newModel();
  d.title = "New two-dimensional model";
  d.analysis = "twoDimensional";
  return d;
}

export const TEMPLATES: Template[] = [
  {
    key: "threeDimensional",
    label: "Three-dimensional pile group",
    note: "Piles anywhere in plan, loads and batters in both horizontal directions.",
    document: newModel,
  },
  {
    key: "twoDimensional",
    label: "Two-dimensional rows of piles",
    note: "Rows of identical piles in the X-Y plane; only Fx, Fy and Mz act.",
    document: twoDimensional,
  },
];
