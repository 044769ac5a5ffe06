#include "pile/envelope_tracking.h"

namespace pylora {

// Not built: the envelope trackers and the extremes records come with the
// envelope tables. The pile solvers already call these on every printing pass.

void trackPileHeadEnvelope(ModelStore& /*store*/, int /*pileGroup*/,
                           std::span<const double> /*headValues*/) {}

void trackAlongPileEnvelope(ModelStore& /*store*/, int /*pileGroup*/, int /*nodeCount*/,
                            const AlongPileColumns& /*quantities*/) {}

void writePileExtremes(ModelStore& /*store*/, int /*pileGroup*/, int /*nodeCount*/, double /*h*/,
                       const AlongPileColumns& /*quantities*/) {}

}  // namespace pylora
