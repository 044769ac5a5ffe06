// SPDX-License-Identifier: Apache-2.0
#include "plate/plate_export.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "cap/cap_results.h"
#include "format/format.h"
#include "store/constants.h"
#include "store/file_handle.h"
#include "store/return_codes.h"

namespace pylora {

namespace {

constexpr const char* kPlateTitle = "TEST OF PYLORA5_FC";

int groupCount(const ModelStore& store) {
    return std::clamp(store.arrangement.pileGroupCount, 0, kMaxPileGroups);
}

// The plate's extent in Y and Z.
struct PlateExtent {
    double yMin = 0.0;
    double yMax = 0.0;
    double zMin = 0.0;
    double zMax = 0.0;
    bool contains(double y, double z) const {
        return y >= yMin && y <= yMax && z >= zMin && z <= zMax;
    }
};

PlateExtent extentOf(const PileCap& cap) {
    const double half = f32(0.5F);
    PlateExtent e;
    e.yMin = cap.plateCentreY - half * cap.capLengthY;
    e.yMax = cap.plateCentreY + half * cap.capLengthY;
    e.zMax = half * cap.capWidthRead - cap.plateOffsetZ;
    e.zMin = e.zMax - cap.capWidthRead;
    return e;
}

int refuse(ModelStore& store, const std::string& reason, const std::string& remedy) {
    writeCapFatal(store, reason, remedy);
    return kReturnInputRefused;
}

// The mesh: node rows from the largest Z down, a corner row of 2 NY + 1
// nodes and a middle row of NY + 1 nodes alternately; elements row by row,
// along Y within a row, corners first (counter-clockwise seen with Z down the
// page: n, n + 2, n + 2 + R, n + R) and then the mid-sides of the sides
// between them.
void buildMesh(const PileCap& cap, PlateModel& model) {
    const int NY = cap.plateElementsY;
    const int NZ = cap.plateElementsZ;
    const int R = 3 * NY + 2;
    model.elements.clear();
    for (int row = 0; row < NZ; ++row) {
        for (int k = 0; k < NY; ++k) {
            const int n = 1 + row * R + 2 * k;
            const int m = 1 + row * R + (2 * NY + 1) + k;
            PlateElement e;
            e.number = static_cast<int>(model.elements.size()) + 1;
            e.numberAgain = e.number;
            e.property = 1;
            e.nodes = {n, n + 2, n + 2 + R, n + R, n + 1, m + 1, n + 1 + R, m};
            model.elements.push_back(std::move(e));
        }
    }

    const PlateExtent extent = extentOf(cap);
    const double cornerStep = cap.capLengthY / (2.0 * NY);
    const double middleStep = cap.capLengthY / NY;
    const double rowStep = cap.capWidthRead / (2.0 * NZ);
    model.nodes.clear();
    for (int row = 0; row <= 2 * NZ; ++row) {
        const bool corner = row % 2 == 0;
        const double Z = extent.zMax - row * rowStep;
        const int count = corner ? 2 * NY + 1 : NY + 1;
        for (int k = 0; k < count; ++k) {
            const double Y = extent.yMin + k * (corner ? cornerStep : middleStep);
            model.nodes.push_back({0.0, Y, Z});
        }
    }
}

// The direction factors of a pile spring: the absolute direction cosines of
// the pile axis in global axes. In three dimensions the axis is the first
// row of the rotation into pile axes; in two, the batter turns the axis from
// X towards Y. The angles reach the rotation converted from degrees with pi
// as 3.14159, which leaves a vertical pile's axis 1.3E-6 off the vertical: a
// factor below kAxisFactorZero (beyond that rounding, below a batter of
// 0.0006 degree) counts as 0.0, so that a vertical pile gives 1, 0, 0.
constexpr double kAxisFactorZero = f32(1.0E-5F);

std::array<double, 3> axisFactors(const ModelStore& store, const PileGroupWork& group) {
    std::array<double, 3> a{};
    if (store.control.analysisType == 2) {
        a = {std::cos(group.batter), std::sin(group.batter), 0.0};
    } else {
        const double cb = std::cos(group.beta);
        a = {std::sin(group.beta), std::cos(group.alpha) * cb, std::sin(group.alpha) * cb};
    }
    for (double& v : a) {
        v = std::fabs(v);
        if (v < kAxisFactorZero) v = 0.0;
    }
    return a;
}

// The load records: the cap load with its moment about X left out, and when
// that moment is not negligible eight in-plane forces f at the distance a
// from the origin that carry it: (a, 0; 0, f), (0, a; -f, 0), (-a, 0; 0, -f),
// (0, -a; f, 0) on the axes and the same turned by 45 degrees. Each carries
// Y Fz - Z Fy = a f, so f = M / (8 a) gives the eight together M.
void buildLoads(const ModelStore& store, PlateModel& model) {
    const CapVector& P = store.analysis.capLoad;
    const PileCap& cap = store.cap;
    model.loads.clear();
    model.loads.push_back(
        {0.0, 0.0, 0.0, P[kForceX], P[kForceY], P[kForceZ], 0.0, P[kMomentY], P[kMomentZ]});
    const double M = P[kMomentX];
    if (!(std::fabs(M) > f32(1.0E-10F))) return;
    const double a = std::min({cap.capThicknessX, cap.capLengthY, cap.capWidthRead});
    const double f = M / (f32(8.0F) * a);
    const double root = std::sqrt(f32(2.0F)) / f32(2.0F);
    const double h = a * root;
    const double g = f * root;
    const double couple[8][4] = {{a, 0.0, 0.0, f},  {0.0, a, -f, 0.0}, {-a, 0.0, 0.0, -f},
                                 {0.0, -a, f, 0.0}, {h, h, -g, g},     {-h, h, -g, -g},
                                 {-h, -h, g, -g},   {h, -h, g, g}};
    for (const auto& c : couple)
        model.loads.push_back({0.0, c[0], c[1], 0.0, c[2], c[3], 0.0, 0.0, 0.0});
}

void buildSprings(const ModelStore& store, PlateModel& model) {
    model.springs.clear();
    for (int g = 1; g <= groupCount(store); ++g) {
        const PileGroupWork& group = store.work.groups[static_cast<std::size_t>(g - 1)];
        const std::array<double, 3> a = axisFactors(store, group);
        const bool pinned =
            group.connectionY == kConnectionPinned || group.connectionZ == kConnectionPinned;
        const double r = pinned ? 0.0 : 1.0;
        model.springs.push_back({group.XHEAD, group.headY, group.headZ, a[0], a[1], a[2], r, r, r});
    }
}

ReportLine& integers(ReportLine& l, std::initializer_list<int> values) {
    for (const int v : values)
        l.I(v, 8);
    return l;
}

ReportLine elementRecord(const PlateElement& e, bool keyword) {
    ReportLine l;
    if (keyword) {
        l.text("*");
        integers(l, {e.number, e.property});
    } else {
        integers(l, {e.number, e.numberAgain, e.property});
    }
    for (const int n : e.nodes)
        l.I(n, 8);
    return l;
}

ReportLine valuesRecord(const PlateRecord& r, bool keyword) {
    ReportLine l;
    if (keyword) l.text("*");
    for (const double v : r)
        l.E(v, 13, 5);
    return l;
}

ReportLine steppingRecord(const PlateTimeStepping& t) {
    ReportLine l;
    l.F(t.DT, 10, 4).F(t.TINI, 10, 4).F(t.TEND, 10, 4).F(t.DTMIN, 10, 4);
    l.I(t.MAXITER, 10).E(t.tolerance, 13, 5);
    return l;
}

}  // namespace

PlatePaths platePathsOfRun(const ModelStore& store) {
    const std::string report = store.run.reportFilePath.str();
    const std::size_t separator = report.find_last_of("/\\");
    PlatePaths p;
    std::string file = report;
    if (separator != std::string::npos) {
        p.folder = report.substr(0, separator + 1);
        file = report.substr(separator + 1);
    }
    const std::size_t dot = file.find_last_of('.');
    std::string base = dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
    const int model = store.analysis.plateModelCount;
    if (model >= 2) base += "_" + std::to_string(model);
    p.keywordModel = base + ".pmk";
    p.numericModel = base + ".pmd";
    p.inputListing = base + ".pls";
    p.stepResults = base + ".pst";
    p.stepSummary = base + ".psm";
    p.iterationListing = base + ".pit";
    return p;
}

int buildPlateModel(ModelStore& store, PlateModel& model) {
    model = PlateModel{};
    const PileCap& cap = store.cap;
    const int NY = cap.plateElementsY;
    const int NZ = cap.plateElementsZ;
    if (NY < 1 || NY > kMaxPlateElementsPerSide || NZ < 1 || NZ > kMaxPlateElementsPerSide)
        return refuse(store,
                      "THE PLATE OF THE FLEXIBLE CAP NEEDS 1 TO " +
                          std::to_string(kMaxPlateElementsPerSide) + " ELEMENTS ALONG Y AND Z",
                      "RECORD B2 GIVES " + std::to_string(NY) + " ALONG Y AND " +
                          std::to_string(NZ) + " ALONG Z");
    if (!(cap.capLengthY > 0.0) || !(cap.capWidthRead > 0.0) || !(cap.capThicknessX > 0.0) ||
        !std::isfinite(cap.capLengthY + cap.capWidthRead + cap.capThicknessX + cap.plateCentreY +
                       cap.plateOffsetZ))
        return refuse(store, "THE PLATE OF THE FLEXIBLE CAP NEEDS A POSITIVE CAP LENGTH, WIDTH",
                      "AND THICKNESS (RECORD B1) AND A FINITE PLATE POSITION (RECORD B2)");
    const int groups = groupCount(store);

    buildMesh(cap, model);
    buildLoads(store, model);
    buildSprings(store, model);

    const PlateExtent extent = extentOf(cap);
    for (std::size_t i = 0; i < model.loads.size(); ++i) {
        const PlateRecord& r = model.loads[i];
        if (!extent.contains(r[1], r[2])) {
            const std::string where = "Y =" + formatG(r[1], 12, 5) + ", Z =" + formatG(r[2], 12, 5);
            model = PlateModel{};
            return refuse(store,
                          "CONCENTRATED LOAD " + std::to_string(i + 1) +
                              " OF THE PLATE LIES OUTSIDE THE PLATE OF THE FLEXIBLE CAP",
                          "AT " + where + "; THE PLATE (RECORD B2) MUST COVER THE CAP ORIGIN");
        }
    }
    for (int g = 1; g <= groups; ++g) {
        const PlateRecord& r = model.springs[static_cast<std::size_t>(g - 1)];
        if (!extent.contains(r[1], r[2])) {
            const std::string where = "Y =" + formatG(r[1], 12, 5) + ", Z =" + formatG(r[2], 12, 5);
            model = PlateModel{};
            return refuse(
                store,
                "THE HEAD OF PILE GROUP " + std::to_string(g) +
                    " LIES OUTSIDE THE PLATE OF THE FLEXIBLE CAP",
                "AT " + where + "; THE PLATE (RECORDS B1, B2) MUST COVER EVERY PILE HEAD");
        }
    }

    model.title = kPlateTitle;
    PlateControl& c = model.control;
    c.NPOIN = static_cast<int>(model.nodes.size());
    c.NELEM = NY * NZ;
    c.NMATS = 1;
    c.NNODE = 8;
    c.NGAUS = 2;
    c.NVFIX = 0;
    c.NCLOD = static_cast<int>(model.loads.size());
    c.NCTSTI = groups;
    c.lastValue = 1;
    c.NEVAB = c.NNODE * c.element.NDOFN;

    const CurrentAnalysis::ControlBlock& control = store.analysis.control;
    model.stepping = {control.loadIncrementFactor,
                      0.0,
                      1.0,
                      control.minLoadIncrementFactor,
                      control.maxCapIterations,
                      control.capTolerance};
    model.materials = {{1, cap.plateYoungModulus, cap.platePoissonRatio, cap.capThicknessX}};
    return 0;
}

void writeNumericModel(std::FILE* file, const PlateModel& model) {
    writeListText(file, model.title);
    const PlateControl& c = model.control;
    ReportLine control;
    integers(control,
             {c.NPOIN, c.NELEM, c.NMATS, c.NNODE, c.NGAUS, c.NVFIX, c.NNLOD, c.NNSTI, c.NDLOD,
              c.NDSTI, c.NCLOD, c.NCSTI, c.reserved[0], c.reserved[1], c.NCTSTI, c.lastValue});
    writeLine(file, control);
    writeLine(file, steppingRecord(model.stepping));
    for (const PlateElement& e : model.elements)
        writeLine(file, elementRecord(e, false));
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        const int no = static_cast<int>(i) + 1;
        ReportLine l;
        integers(l, {no, no});
        for (const double v : model.nodes[i])
            l.F(v, 12, 4);
        writeLine(file, l);
    }
    for (const PlateRestraint& r : model.restraints) {
        ReportLine l;
        l.I(r.node, 8);
        for (const int code : r.codes)
            l.I(code, 8);
        writeLine(file, l);
    }
    for (const PlateMaterial& m : model.materials) {
        ReportLine l;
        l.I(m.number, 8).E(m.youngModulus, 13, 5).E(m.poissonRatio, 13, 5).E(m.thickness, 13, 5);
        writeLine(file, l);
    }
    for (const PlateRecord& r : model.loads)
        writeLine(file, valuesRecord(r, false));
    for (const PlateRecord& r : model.springs)
        writeLine(file, valuesRecord(r, false));
}

void writeKeywordModel(std::FILE* file, const PlateModel& model) {
    writeListText(file, "PYLORA5_FC");
    writeListText(file, "TITLE");
    writeListText(file, model.title);
    writeListText(file, "ELEMENT_DATA");
    writeListText(file, "QUAD8  REDUCED_INTEGRATION");
    for (const PlateElement& e : model.elements)
        writeLine(file, elementRecord(e, true));
    writeListText(file, "END_ELEMENT_DATA");
    writeListText(file, "NODE_DATA");
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        ReportLine l;
        l.text("*").I(static_cast<int>(i) + 1, 8);
        for (const double v : model.nodes[i])
            l.F(v, 12, 4);
        writeLine(file, l);
    }
    writeListText(file, "END_NODE_DATA");
    writeListText(file, "MATERIAL_DATA");
    for (const PlateMaterial& m : model.materials) {
        ReportLine l;
        l.text("*").text("    ALL").E(m.youngModulus, 13, 5).E(m.poissonRatio, 13, 5);
        l.E(m.thickness, 13, 5);
        writeLine(file, l);
    }
    writeListText(file, "END_MATERIAL_DATA");
    writeListText(file, "CONCENTRATED_LOAD_DATA");
    for (const PlateRecord& r : model.loads)
        writeLine(file, valuesRecord(r, true));
    writeListText(file, "END_CONCENTRATED_LOAD_DATA");
    writeListText(file, "TOTAL_CONCENTRATED_STIFFNESS_DATA");
    for (const PlateRecord& r : model.springs)
        writeLine(file, valuesRecord(r, true));
    writeListText(file, "END_TOTAL_CONCENTRATED_STIFFNESS_DATA");
    writeListText(file, "TIME_STEPPING_DATA");
    writeLine(file, steppingRecord(model.stepping));
    writeListText(file, "END_TIME_STEPPING_DATA");
    writeListText(file, "END_DATA");
}

int writePlateRunControl(ModelStore& store, const PlatePaths& paths) {
    const std::string* const lines[] = {&paths.keywordModel, &paths.numericModel,
                                        &paths.inputListing, &paths.stepResults,
                                        &paths.stepSummary};
    for (const std::string* name : lines) {
        if (name->size() > static_cast<std::size_t>(kPlateNameWidth)) {
            writeCapFatal(store, "THE PLATE FILE NAME " + *name + " IS LONGER THAN 75 CHARACTERS",
                          "GIVE THE REPORT A SHORTER NAME: THE PLATE FILES ARE NAMED AFTER IT");
            return kReturnFileOpenError;
        }
    }
    const std::string path = paths.full("gslab.dat");
    FileHandle file = openForWriting(path);
    if (!file) {
        writeCapFatal(store, "THE PLATE RUN-CONTROL FILE " + path + " CANNOT BE WRITTEN", "");
        return kReturnFileOpenError;
    }
    // Each line is a text of 75 characters: the name and blanks after it.
    for (const std::string* name : lines) {
        std::string padded = *name;
        padded.resize(kPlateNameWidth, ' ');
        ReportLine l;
        l.A(padded);
        writeLine(file.get(), l);
    }
    const bool failed = std::ferror(file.get()) != 0;
    closeFile(file);
    if (failed) {
        writeCapFatal(store, "THE PLATE RUN-CONTROL FILE " + path + " CANNOT BE WRITTEN", "");
        return kReturnFileOpenError;
    }
    return 0;
}

int writePlateModel(ModelStore& store, PlateModel& model) {
    int code = buildPlateModel(store, model);
    if (code != 0) return code;
    const PlatePaths paths = platePathsOfRun(store);
    code = writePlateRunControl(store, paths);
    if (code != 0) return code;
    const std::string names[] = {paths.full(paths.numericModel), paths.full(paths.keywordModel)};
    FileHandle numeric = openForWriting(names[0]);
    FileHandle keyword = openForWriting(names[1]);
    if (!numeric || !keyword) {
        closeFile(numeric);
        closeFile(keyword);
        writeCapFatal(store, "THE PLATE MODEL FILES " + names[0] + " AND " + names[1],
                      "CANNOT BE WRITTEN");
        return kReturnFileOpenError;
    }
    writeNumericModel(numeric.get(), model);
    writeKeywordModel(keyword.get(), model);
    const bool failed = std::ferror(numeric.get()) != 0 || std::ferror(keyword.get()) != 0;
    closeFile(numeric);
    closeFile(keyword);
    if (failed) {
        writeCapFatal(store, "THE PLATE MODEL FILES " + names[0] + " AND " + names[1],
                      "CANNOT BE WRITTEN");
        return kReturnFileOpenError;
    }
    return 0;
}

}  // namespace pylora
