// SPDX-License-Identifier: Apache-2.0
// The plate solution of a flexible cap: the plate of eight-node shell
// elements on its pile springs, loaded in pseudo-time steps from TINI to
// TEND and brought into equilibrium in each step by Newton iterations with
// the frontal solver; a step that does not converge is halved and retried.
//
// Axes. The elements work in plate axes (plate/shell_element.h: x = Y,
// y = -Z, z = -X of the cap); the displacements of the solution, the DSDIS,
// TSDIS and ASDIS tables and the step results are in the cap's axes, like the
// node coordinates of the model file: UX vertical (positive downward), UY,
// UZ, and the rotations ROTX, ROTY, ROTZ about X, Y and Z. The stress
// resultants are printed in plate axes (SIGMA_XX along Y, SIGMA_YY along -Z),
// at the integration points' plate coordinates (x, y) = (Y, -Z).
#pragma once

#include <cstdio>
#include <functional>
#include <span>
#include <vector>

#include "plate/plate_model.h"
#include "plate/shell_element.h"
#include "store/model_store.h"

namespace pylora {

// What a spring evaluation returns besides 0: a pile solution that did not
// close makes the iteration fail (the step is halved and retried); any other
// nonzero status ends the plate solution with that status.
inline constexpr int kPlateSpringNotClosed = -1;

// The response of pile spring s (0-based, the order of the model's spring
// records) for the displacement uHead of its pile head (cap axes): force,
// the force of the pile group on the cap at its head (cap axes, the same as
// analysePile), and, when stiffness is not null, its tangent d force /
// d uHead (column by column). Returns 0, kPlateSpringNotClosed or a status.
using PlateSpringResponse =
    std::function<int(int s, const CapVector& uHead, CapVector& force, CapMatrix* stiffness)>;

// The responses of all the pile springs at once, for the head displacements
// heads[s]: forces[s] and tangents[s] as PlateSpringResponse gives them. The
// springs are independent of each other, so they may be evaluated in any
// order or at the same time; the result is that of the first spring (in
// spring order) whose status is not 0, or 0.
using PlateSpringResponses = std::function<int(
    std::span<const CapVector> heads, std::span<CapVector> forces, std::span<CapMatrix> tangents)>;

// The responses of the springs one after the other, in spring order.
PlateSpringResponses inSpringOrder(PlateSpringResponse response);

// Where a concentrated load or pile spring acts: the element (0-based) that
// holds its position, the shape-function weights there, and the lever from
// the plate's mid-plane down to the point along X.
struct PlatePoint {
    int element = -1;
    ShellPointWeights weights{};
    double leverX = 0.0;
};

// The files of a plate solution; a null file drops its lines. The three work
// files hold the element matrices and right-hand sides handed to the frontal
// solver ("fort4"), the equations it eliminates ("fort2") and the stress
// resultants at the integration points of a converged step ("fort3").
struct PlateSolverFiles {
    std::FILE* listing = nullptr;      // plate input listing: stresses per converged step
    std::FILE* summary = nullptr;      // step summary: step and iteration lines
    std::FILE* stepResults = nullptr;  // step results read by the front end
    std::FILE* iterations = nullptr;   // iteration listing: DSDIS, TSDIS, ASDIS + TSDIS
    std::FILE* equations = nullptr;    // fort2
    std::FILE* resultants = nullptr;   // fort3
    std::FILE* elements = nullptr;     // fort4
    bool console = true;               // step and iteration lines also to standard error
};

// The outcome of a plate solution.
struct PlateSolution {
    std::vector<double> ASDIS;        // six displacements a node (cap axes), converged steps
    std::vector<PlatePoint> springs;  // where each pile spring acts
    int convergedSteps = 0;
    double convergedTime = 0.0;  // the pseudo-time of the last converged step (the load factor)
    bool stepTooSmall = false;   // a step was halved below DTMIN: the load was not carried to TEND
    int maximumFrontWidth = 0;
};

// The plate displacement at a point carried to the point's pile head by the
// rigid transfer u_head = u + theta x r, r = (leverX, 0, 0): cap axes.
CapVector plateHeadDisplacement(const PlateModel& model, const PlatePoint& point,
                                const std::vector<double>& displacements);

// Locates the concentrated loads and pile springs of the model, runs the
// steps from TINI to TEND, writes the step and iteration lines, the stresses
// of every converged step and the step results ("STEP_DATA", "14", the column
// line, one block per converged step, "END_STEP_DATA").
//
// Returns 0 when the steps have ended: solution.stepTooSmall tells whether
// the load reached TEND (with the error line "error, REQUIRED INCREMENT LESS
// THAN MINIMUM SPECIFIED" when it did not). Otherwise the solution stops:
// kReturnPlateSolutionStopped after the JACOB2 or zero-pivot message, or a load or
// spring position outside every element (its message in the summary);
// kReturnFileOpenError when a work file cannot be written or read back; the
// spring's status when a spring evaluation ends it.
[[nodiscard]] int solvePlateSteps(const PlateModel& model, const PlateSolverFiles& files,
                                  const PlateSpringResponses& springs, PlateSolution& solution);

}  // namespace pylora
