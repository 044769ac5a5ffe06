// Envelope trackers of the pile results: the minimum and maximum of every
// pile-head and along-pile quantity of each pile group over the analyses of a
// series, and the extreme values along each pile appended to the pile data
// file. The pile solvers call them on the printing pass with plain arrays, so
// that the reports need nothing of the solvers.
#pragma once

#include <array>
#include <span>

#include "store/model_store.h"

namespace pylora {

// Pile-head values of one pile group, in this order.
// Two dimensions (14): the global row (vertical displacement, horizontal
// displacement, slope, vertical force, horizontal force, moment, total
// stress) and the local row (axial displacement, lateral displacement, slope,
// axial force, lateral force, moment, total stress).
// Three dimensions (26): six global displacements, six global forces, the
// total stress; then the same thirteen in pile axes.
inline constexpr int kHeadValues2D = 14;
inline constexpr int kHeadValues3D = 26;

// Along-pile quantities of one pile group, column q holding node k (k = 0 ..
// nodeCount - 1, node 0 at the head) at columns[q][k].
// Two dimensions (8): deflection, moment, shear, soil reaction, total
// stress, EI, bending D/C, shear D/C.
// Three dimensions (13): deflection y and z, moment of the x-y and of the
// x-z plane, shear y and z, soil reaction y and z, total stress, EI of the
// x-y and of the x-z plane, bending D/C, shear D/C.
inline constexpr int kAlongPileQuantities2D = 8;
inline constexpr int kAlongPileQuantities3D = 13;

struct AlongPileColumns {
    int count = 0;  // kAlongPileQuantities2D or kAlongPileQuantities3D
    std::array<std::span<const double>, kAlongPileQuantities3D> columns{};
};

// Keeps the minimum and maximum of each head value of pile group pileGroup
// over the series (the first analysis of the series copies its values into
// both). Not built yet: the trackers arrive with the envelope tables; until
// then nothing is kept.
void trackPileHeadEnvelope(ModelStore& store, int pileGroup, std::span<const double> headValues);

// Keeps the minimum and maximum of each along-pile quantity at every node of
// pile group pileGroup over the series. Not built yet: nothing is kept.
void trackAlongPileEnvelope(ModelStore& store, int pileGroup, int nodeCount,
                            const AlongPileColumns& quantities);

// Appends the minima and maxima along the pile (nodes spaced h, node 0 at
// x = 0) and their positions to the pile data file, records 5 to 8 of the
// pile group. Not built yet: nothing is written.
void writePileExtremes(ModelStore& store, int pileGroup, int nodeCount, double h,
                       const AlongPileColumns& quantities);

}  // namespace pylora
