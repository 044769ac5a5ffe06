// SPDX-License-Identifier: Apache-2.0
// Outcome of the plate element and equation solver routines.
#pragma once

namespace pylora {

enum class PlateCoreStatus {
    ok = 0,
    // The Jacobian determinant of an element is zero or negative at an
    // integration point (corners listed clockwise, a collapsed or folded
    // element); the JACOB2 message is in the listing.
    nonPositiveJacobian = 1,
    // The frontal elimination met a zero pivot (a mechanism: a plate without
    // enough springs or restraints); the pivot message is in the listing.
    zeroPivot = 2,
    // Arguments that do not describe a model: a count out of range, a span
    // too short, a node number outside the mesh, a node twice in an element,
    // a node in no element, a material value that is not positive and finite.
    invalidInput = 3,
    // The point does not lie in the element (or Newton's method did not
    // converge to natural coordinates within it).
    pointOutsideElement = 4,
    // A result is not a finite number.
    notFinite = 5,
    // The frontal solver's equation file could not be rewound, written or
    // read back (a full disk, a stream not open for update, a record that
    // does not read back as written); the eliminated equations are lost and
    // there is no solution.
    workFileError = 6,
};

}  // namespace pylora
