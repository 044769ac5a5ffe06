// PLACEHOLDERS, not criteria: weak rock and vuggy limestone are built by
// their own issues, which replace these bodies (and the weak-rock branch of
// the equivalent depth uses what that criterion gathers). Until then a layer
// of one of these types stops the analysis with a fatal error rather than
// being analysed without soil.
#include "format/format.h"
#include "soil/py_criteria.h"
#include "soil/soil_status.h"

namespace pylora {

namespace {

void stopForMissingCriterion(ModelStore& store, int L, int& status) {
    ReportLine line;
    line.slash().X(5).text("**** FATAL ERROR ****");
    line.slash().X(5).text("THE P-Y CURVES OF SOIL TYPE").I(store.soilLayers.rows[L - 1].KSOIL, 3);
    line.text(" (LAYER").I(L, 3).text(") ARE NOT AVAILABLE IN THIS VERSION");
    writeLine(store.files.report.get(), line);
    writeLine(store.files.runtime.get(), line);
    commitToDisk(store.files.runtime.get());
    status = kStatusCriterionNotBuilt;
}

}  // namespace

void vuggyLimestoneCurve(ModelStore& store, int, int L, int& status) {
    stopForMissingCriterion(store, L, status);
}

void weakRockCurve(ModelStore& store, int, int L, int& status) {
    stopForMissingCriterion(store, L, status);
}

}  // namespace pylora
