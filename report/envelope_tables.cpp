// SPDX-License-Identifier: Apache-2.0
#include "report/envelope_tables.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <initializer_list>
#include <span>
#include <string_view>

#include "cap/cap_results.h"
#include "format/format.h"
#include "pile/envelope_tracking.h"
#include "pile/pile_summary.h"
#include "pile/result_rows.h"
#include "store/file_handle.h"
#include "store/run_messages.h"

namespace pylora {

namespace {

constexpr std::string_view kTableM = "* TABLE M *   COMPUTATION ON INDIVIDUAL PILE";

void writeTo(std::initializer_list<std::FILE*> files, const ReportLine& line) {
    for (std::FILE* file : files)
        writeLine(file, line);
}

// The headings of the envelope in the report, the summary, the results data
// file and the status file. The envelope number is 1 for every minimum and 2
// for every maximum.
void writeEnvelopeHeadings(ModelStore& store, bool minimum, bool cases) {
    RunFiles& f = store.files;
    const std::string_view number = minimum ? "1" : "2";
    const std::string_view name = minimum ? "MINIMUM ENVELOPE" : "MAXIMUM ENVELOPE";
    const std::string_view numberLabel = cases ? "LOAD CASE ENV : " : "LOAD COMB. ENV : ";
    const std::string_view nameLabel = cases ? "CASE NAME     : " : "COMB. NAME     : ";

    ReportLine l;
    l.slash().slash().slash().X(5).text(numberLabel).text(number);
    l.slash().X(5).text(nameLabel).text(name);
    writeTo({f.report.get(), f.summary.get()}, l);
    l.clear();
    l.text(numberLabel).text(number);
    writeLine(f.resultsData.get(), l);
    l.slash().X(6).text(name);
    writeStatusRecords(store, l.str());
}

// The length of the increments of a pile group's property.
double incrementLength(const ModelStore& store, int pileGroup, int& increments) {
    const PileGroupWork& group = store.work.groups[static_cast<std::size_t>(pileGroup - 1)];
    increments = 0;
    if (group.IPROP < 1 || group.IPROP > kMaxPileProperties) return 0.0;
    const PropertyWork& property = store.work.properties[static_cast<std::size_t>(group.IPROP - 1)];
    increments = std::clamp(property.increments, 0, kMaxIncrements);
    return increments > 0 ? property.LENGTH / increments : 0.0;
}

// The envelope of one pile group in every file.
void printPileGroup(ModelStore& store, int pileGroup, bool minimum, bool twoDimensional,
                    bool capacities) {
    RunFiles& f = store.files;
    const PileEnvelopes& e = store.pileEnvelopes;
    const std::size_t g = static_cast<std::size_t>(pileGroup - 1);
    const auto& head = minimum ? e.headMin[g] : e.headMax[g];
    const std::size_t rowLength = twoDimensional ? 7 : 13;
    const std::span<const double> global(head.data(), rowLength);
    const std::span<const double> local(head.data() + rowLength, rowLength);

    writeHeadRecords(f.resultsData.get(), pileGroup, global, local);
    writePileTopRecords(f.pileData.get(), pileGroup, global, local, twoDimensional ? 3 : 6,
                        PileDataField::exponent11);

    // A group that no analysis of the series reached keeps the cleared
    // values over the nodes of its pile.
    int increments = 0;
    const double h = incrementLength(store, pileGroup, increments);
    const int nodeCount = e.nodeCount[g] > 0 ? e.nodeCount[g] : increments + 1;
    const int N = nodeCount - 1;
    const auto& along = minimum ? e.alongMin[g] : e.alongMax[g];
    AlongPileColumns columns;
    columns.count = twoDimensional ? kAlongPileQuantities2D : kAlongPileQuantities3D;
    for (std::size_t q = 0; q < static_cast<std::size_t>(columns.count); ++q)
        columns.columns[q] =
            std::span<const double>(along[q].data(), static_cast<std::size_t>(nodeCount));
    const std::span<const std::span<const double>> table(columns.columns.data(),
                                                         static_cast<std::size_t>(columns.count));

    const CurrentAnalysis::ControlBlock& c = store.analysis.control;
    if (c.printOption > 0) {
        std::FILE* report = f.report.get();
        ReportLine l;
        l.slash().slash().X(7).text("* PILE GROUP *").I(pileGroup, 6);
        writeLine(report, l);
        l.clear();
        l.slash().slash().X(8).text("* PILE TOP DISPLACEMENTS AND REACTIONS *").slash();
        writeLine(report, l);
        if (twoDimensional) {
            writeReportHeadBlocks2D(store, report, global, local);
            writeSinglePlaneTable(store, {report}, table, N, h, c.nodeStep, capacities);
        } else {
            writeReportHeadBlocks3D(store, report, global, local);
            writeBiaxialTable(report, table, N, h, c.nodeStep, capacities);
        }
    }
    writePileExtremes(store, pileGroup, nodeCount, h, columns);
}

}  // namespace

void printEnvelopeResults(ModelStore& store, int which, int series) {
    RunFiles& f = store.files;
    const bool minimum = which != kMaximumEnvelope;
    const bool cases = series == kLoadCaseSeries;
    const bool twoDimensional = store.control.analysisType == 2;
    // The pile results of load cases show no demand/capacity ratios, those
    // of combinations do (the analysis driver's rule for each analysis).
    const bool capacities = !cases;

    writeEnvelopeHeadings(store, minimum, cases);
    if (store.resultsCollector) store.resultsCollector->envelopePrinted(store, which, series);

    const CurrentAnalysis::CapEnvelope& cap = store.analysis.capEnvelope;
    const CapVector& load = minimum ? cap.loadMin : cap.loadMax;
    const CapVector& displacement = minimum ? cap.displacementMin : cap.displacementMax;
    for (std::FILE* file : {f.report.get(), f.summary.get()})
        writeTableLBlock(file, store.units, load, displacement, twoDimensional);
    writeTableLData(f.resultsData.get(), load, displacement, twoDimensional);

    ReportLine l;
    l.slash().slash().slash().X(5).text(kTableM);
    writeTo({f.report.get(), f.summary.get()}, l);
    l.clear();
    l.text(kTableM);
    writeLine(f.resultsData.get(), l);

    const int groups = std::clamp(store.arrangement.pileGroupCount, 0, kMaxPileGroups);
    f.pileData = openForWriting(store.run.pileDataFilePath.str());
    for (int g = 1; g <= groups; ++g)
        printPileGroup(store, g, minimum, twoDimensional, capacities);
    closeFile(f.pileData);
    printPileSummary(store, groups, capacities ? 1 : 0);
}

}  // namespace pylora
