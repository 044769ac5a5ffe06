// SPDX-License-Identifier: Apache-2.0
// Status codes of the laterally loaded pile solvers.
//
// The solvers share the status argument of the p-y evaluation and of the
// pile-length check: a nonzero value ends the analysis and becomes the stop
// code of the run. The soil lookups and criteria use 21 to 35 and the
// pile-length check 3 and 13; the solvers' own failures lie above them and
// below the run-control codes 101 to 199.
#pragma once

namespace pylora {

// The pile group cannot be solved as given: no pile property, no increments
// or more than 100, a length that is not positive, a head value that is not a
// finite number, or a flexural rigidity that is not positive at a node. A
// "**** FATAL ERROR ****" block naming the pile group and the reason goes to
// the report and the runtime file.
inline constexpr int kStatusPileBadInput = 40;

// A solve produced a deflection that is not a finite number (a soil modulus
// or rigidity out of all proportion). The same fatal block is written.
inline constexpr int kStatusPileNotFinite = 41;

}  // namespace pylora
