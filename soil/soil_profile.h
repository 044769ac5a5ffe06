// SPDX-License-Identifier: Apache-2.0
// The soil profile built from the soil layers, and its depth lookups.
//
// Every depth is an X coordinate growing downward; the ground surface is the
// top of layer 1. A node of a pile carries its X in the same frame, so a
// node's X goes straight into these routines. Routines with a status argument
// set it only on failure (22, 23, 24 of soil/soil_status.h) and never clear it.
// Their warnings go through the scratch space of the analysis that looks up
// (raisePileMessage), and the section lookups read its current pile group.
#pragma once

#include "store/model_store.h"

namespace pylora {

// Builds the profile point tables of the soil layers once the layers are
// read: two points per layer (its top and its bottom) with the nine soil
// properties, the friction angle converted to radians, the properties the
// soil type does not use set to 0, and the unit-weight table beside them.
// Layers beyond the table's capacity are ignored; the store's layer table is
// not changed.
void prepareSoilProfile(ModelStore& store);

// Point lookups in the strength profile: linear interpolation between points.
// Above the first point the first segment is extended. At a layer boundary
// (two points at one X) each routine applies its own rule, given with it.

// Undrained cohesion (rock: uniaxial compressive strength) at X. At a layer
// boundary: the lower layer's top value when it is at least 1.0E-20, else the
// upper layer's bottom value. Below the profile: the warning "THE INPUT
// STRENGTH CURVE" to the report and the runtime file, status 23, result 0.
double strengthAt(const ModelStore& store, PileScratch& scratch, double X, int& status);

// Friction angle [radians] at X. Boundary: the average rule (below). Below the
// profile: the warning "THE INPUT PHI CURVE", status 24, result 0.
double frictionAngleAt(const ModelStore& store, PileScratch& scratch, double X, int& status);

// The average rule at a boundary with upper value a and lower value b: their
// mean when both are at least 1.0E-20, b when only b is, else a. Below the
// profile these return the value at the last point.
double subgradeModulusAt(const ModelStore& store, double X);  // K
double rockModulusAt(const ModelStore& store, double X);      // ER
double strainE50At(const ModelStore& store, double X);        // E50, or KRM for weak rock
double rqdAt(const ModelStore& store, double X);              // RQD [%]

// The subgrade modulus K for the starting moduli of the pile solvers: 0 above
// the profile; at a boundary the plain mean of the two values; a result whose
// magnitude is not above 1.0E-4 is replaced by the default 13575 in a metric
// run (kN, m) or 50 otherwise (lb, in) - the same modulus in both systems.
double subgradeModulusForSolver(const ModelStore& store, double X);

// Average effective unit weight between the ground surface and X (trapezoid
// rule over the unit-weight points). 0 above the ground; at the ground the
// first positive unit weight of the table. Below the profile: the warning
// "THE INPUT CURVE FOR UNIT WEIGHT" to the report and the runtime file,
// status 22, result 0.
double unitWeightAverage(const ModelStore& store, PileScratch& scratch, double X, int& status);

// Average undrained strength between the ground surface and X, the same
// trapezoid rule over the strength points. At the ground: strengthAt(X).
// Below the profile: the warning "INPUT CURVE FOR STRENGTH" to the report
// only, and the integral over the whole profile divided by the full depth.
double strengthAverage(const ModelStore& store, PileScratch& scratch, double X);

// The end of section k (1-based) of a pile property below the pile head:
// its XSECT, and 1.2 x LENGTH for the last section, so that depths down to
// 20% below the tip fall into the last section (the preparation of the
// per-pile tables stores that end too).
double sectionEnd(const PropertyWork& property, int k);

// Section properties of pile property set IPROP at X on the current pile
// group of scratch (the search runs on the distance below that group's
// head). The section is the first whose end (sectionEnd) lies below the
// point; a point exactly at a section end belongs to the section below;
// deeper points than the last end take the last section's values. An IPROP
// outside 1..50 or a set without sections gives 0.
enum class SectionField { diameter, area, Iz, Iy, EIz, EIy, GJ, Mn, Vn };
double sectionPropertyAt(const ModelStore& store, const PileScratch& scratch, int IPROP, double X,
                         SectionField field);

// The diameter at X, as sectionPropertyAt; a diameter below 1.0E-5 found
// there is replaced by the diameter of the last section.
double pileDiameterAt(const ModelStore& store, const PileScratch& scratch, int IPROP, double X);

}  // namespace pylora
