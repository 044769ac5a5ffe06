// SPDX-License-Identifier: Apache-2.0
// Envelope trackers of the pile results: the minimum and maximum of every
// pile-head and along-pile quantity of each pile group over the analyses of a
// series, and the extreme values along each pile appended to the pile data
// file. The pile solvers call them on the printing pass with plain arrays, so
// that the reports need nothing of the solvers.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
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

static_assert(kHeadValues3D <= kEnvelopeHeadValues && kHeadValues2D <= kEnvelopeHeadValues);
static_assert(kAlongPileQuantities3D <= kEnvelopeAlongQuantities);

// ---------------------------------------------------------------------------
// Keep-minimum and keep-maximum. A kept value changes only when the new one
// is strictly beyond it, so that of equal values the first one stays, with
// its tag (a position along the pile or a pile group).

inline void keepMaximum(double& kept, double value) {
    if (value > kept) kept = value;
}
inline void keepMinimum(double& kept, double value) {
    if (value < kept) kept = value;
}
template <typename Tag>
void keepMaximum(double& kept, Tag& keptTag, double value, Tag tag) {
    if (value > kept) {
        kept = value;
        keptTag = tag;
    }
}
template <typename Tag>
void keepMinimum(double& kept, Tag& keptTag, double value, Tag tag) {
    if (value < kept) {
        kept = value;
        keptTag = tag;
    }
}

// The running minimum and maximum of every column of a table, each with the
// tag of the row where it occurs. The first row starts every column.
template <std::size_t Columns, typename Tag>
struct RunningExtremes {
    int rows = 0;  // rows taken so far
    std::array<double, Columns> minimum{};
    std::array<double, Columns> maximum{};
    std::array<Tag, Columns> minimumTag{};
    std::array<Tag, Columns> maximumTag{};

    // Takes the first `count` values of a row.
    void take(std::span<const double> row, Tag tag) {
        const std::size_t count = std::min(row.size(), Columns);
        for (std::size_t q = 0; q < count; ++q) {
            if (rows == 0) {
                minimum[q] = maximum[q] = row[q];
                minimumTag[q] = maximumTag[q] = tag;
            } else {
                keepMinimum(minimum[q], minimumTag[q], row[q], tag);
                keepMaximum(maximum[q], maximumTag[q], row[q], tag);
            }
        }
        rows += 1;
    }
};

// ---------------------------------------------------------------------------
// Envelope trackers.

// Clears the pile envelopes of the store in place (every minimum, maximum
// and count to 0), as the analysis driver does when a series starts.
void resetPileEnvelopes(ModelStore& store);

// Keeps the minimum and maximum of each head value of pile group pileGroup
// over the series (kHeadValues2D or kHeadValues3D values, as given; values
// beyond kEnvelopeHeadValues are ignored). The first results of
// the group in the series (store.analysis.seriesFirstCase at 1, or none
// tracked yet for the group) are copied into both. A pile group outside
// 1..kMaxPileGroups is ignored.
void trackPileHeadEnvelope(ModelStore& store, int pileGroup, std::span<const double> headValues);

// Keeps the minimum and maximum of each along-pile quantity at every node 0
// .. nodeCount - 1 of pile group pileGroup over the series, with the same
// first-analysis rule. Nodes beyond kNodePositions are ignored.
void trackAlongPileEnvelope(ModelStore& store, int pileGroup, int nodeCount,
                            const AlongPileColumns& quantities);

// Appends the extremes along the pile to the pile data file, records 5 to 8
// of the pile group: walking the nodes from the head (x = k h), node 0
// starts every minimum and maximum at x = 0 and a later node replaces one
// only when strictly beyond it, with its x. Layouts, with all quantities:
//   5: 1X I8 2X nE12.4             pile group, minima
//   6: 1X 4X 'x(' A2 ')' 3X n(F10.4 2X)  positions of the minima (length label)
//   7: as 5, maxima;  8: as 6, positions of the maxima.
void writePileExtremes(ModelStore& store, int pileGroup, int nodeCount, double h,
                       const AlongPileColumns& quantities);

}  // namespace pylora
