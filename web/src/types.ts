// SPDX-License-Identifier: Apache-2.0
// The shapes of the API's answers and of the results file, as far as the
// application reads them.

export type Num = number | null;
export type Dict = Record<string, Num>;

export interface Diagnostic {
  severity?: string;
  pointer?: string;
  line?: number | null;
  column?: number | null;
  message?: string;
}

export interface ExampleInfo {
  name: string;
  title?: string;
  analysis?: string;
  pileGroups?: number;
}

export interface RunInfo {
  id: string;
  title?: string;
  state: string;
  progress?: Progress | null;
  returnCode?: number | null;
  error?: string | null;
  created?: string | number | null;
}

export interface Progress {
  message?: string | null;
  series?: string | null;
  analysis?: number | null;
  count?: number | null;
  step?: number | null;
  loadFactor?: number | null;
  iteration?: number | null;
}

export interface PlaneValues {
  xy?: Num[];
  xz?: Num[];
}

export interface Profile {
  depth: Num[];
  deflection?: PlaneValues;
  slope?: PlaneValues;
  moment?: PlaneValues;
  shear?: PlaneValues;
  soilReaction?: PlaneValues;
  EI?: PlaneValues;
  stress?: Num[];
  ultimateResistance?: Num[];
  mobilisation?: Num[];
  bendingDC?: Num[] | PlaneValues;
  shearDC?: Num[] | PlaneValues;
}

export interface EnvelopeProfile {
  depth: Num[];
  min: Record<string, PlaneValues | Num[]>;
  max: Record<string, PlaneValues | Num[]>;
}

export interface PileResult {
  group: number;
  head: { global: Dict; local: Dict };
  profile?: Profile;
}

export interface EnvelopePile {
  group: number;
  analyses?: number;
  head: { min: { global: Dict; local: Dict }; max: { global: Dict; local: Dict } };
  profile?: EnvelopeProfile;
}

export interface Matrix {
  rows: string[];
  columns: string[];
  matrix: Num[][];
}

export interface Step {
  loadFactor: Num;
  capLoad: Dict;
  capDisplacement: Dict;
  globalIterations?: number;
  largestHeadAxialForce?: Num;
  largestHeadMoment?: Num;
}

export interface Analysis {
  series: string;
  number: number;
  name?: string;
  succeeded?: boolean;
  completion?: { code: number; meaning?: string; loadFactor?: Num } | null;
  stopCode?: number | null;
  globalIterations?: number | null;
  capLoad: Dict;
  capDisplacement: Dict;
  capStiffness?: Matrix | null;
  capStiffnessSecant?: (Matrix & { level?: number; loadFactor?: Num })[];
  steps?: Step[];
  piles: PileResult[];
}

export interface Envelope {
  series: string;
  cap: { loadMin: Dict; loadMax: Dict; displacementMin: Dict; displacementMax: Dict };
  piles: EnvelopePile[];
}

export interface ModelPileGroup {
  group: number;
  head: { x: number; y: number; z?: number };
  alpha?: number;
  beta?: number;
  batter?: number;
  pilesInGroup?: number;
  connection?: string;
  pileProperty: number;
  groundBelowHead?: number;
  layerBoundaryDepths?: number[];
}

export interface ResultsModel {
  title?: string;
  analysisType: number;
  units?: Record<string, string>;
  quantityUnits?: Record<string, string>;
  groundSurfaceX?: number;
  pileGroups: ModelPileGroup[];
  pileProperties?: { property: number; length?: number; pileType?: string }[];
  soilLayers?: { layer?: number; soilType: number; soilTypeName?: string; topX: number; bottomX: number }[];
}

export interface PyCurve {
  request?: number;
  pileGroup: number;
  layer?: number;
  soilTypeName?: string;
  depth?: Num;
  diameter?: Num;
  ultimate?: Num;
  y: Num[];
  p: Num[];
}

export interface PushoverEvent {
  kind: string;
  loadFactor: Num;
  step: number;
  pileGroup?: number | null;
  depth?: Num;
}

export interface Pushover {
  loadCase?: number | string;
  analysis: number;
  maximumFactor?: Num;
  capacityFactor?: Num;
  stopped?: string;
  events?: PushoverEvent[];
}

export interface Results {
  format: string;
  formatVersion?: number;
  programVersion?: string;
  returnCode?: number;
  returnMeaning?: string;
  pileResultsOmitted?: boolean;
  model: ResultsModel;
  analyses: Analysis[];
  envelopes?: Envelope[];
  loadSettlementCurves?: { pileProperty: number; settlement: Num[]; load: Num[] }[];
  torqueRotationCurves?: { pileProperty: number; rotation: Num[]; torque: Num[] }[];
  pyCurves?: PyCurve[];
  pushover?: Pushover | null;
  warnings?: { text: string; analysis?: { series: string; number: number } | null }[];
}

/** The model document, read loosely: every field may be absent. */
// eslint-disable-next-line @typescript-eslint/no-explicit-any
export type Doc = Record<string, any>;
