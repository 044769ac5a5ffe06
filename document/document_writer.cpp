// SPDX-License-Identifier: Apache-2.0
// Writing the store's input groups as a model document and as an input data
// file.

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "document/document_fields.h"
#include "document/model_document.h"

namespace pylora {

namespace {

template <std::size_t N>
DocJson choiceOf(const std::array<Choice, N>& choices, int code) {
    for (const Choice& c : choices)
        if (c.code == code) return std::string(c.name);
    return code;
}

DocJson flagOf(int code) {
    if (code == 0) return false;
    if (code == 1) return true;
    return code;
}

// Sets key to value unless it is the default.
void put(DocJson& o, const char* key, double value, double fallback) {
    if (value != fallback || std::signbit(value) != std::signbit(fallback)) o[key] = value;
}
void putInt(DocJson& o, const char* key, int value, int fallback) {
    if (value != fallback) o[key] = value;
}
void putObject(DocJson& o, const char* key, DocJson value) {
    if (!value.empty()) o[key] = std::move(value);
}

// 1-based numbers of names that are unique and not blank, for references by
// name; 0 marks a name that cannot be used.
std::vector<std::string> uniqueNames(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const std::string& n : names) {
        const bool usable =
            !n.empty() && std::count(names.begin(), names.end(), n) == 1 && n.front() != ' ';
        out.push_back(usable ? n : std::string());
    }
    return out;
}

DocJson referenceOf(const std::vector<std::string>& unique, int number) {
    if (number >= 1 && number <= static_cast<int>(unique.size()) && !unique[number - 1].empty())
        return unique[number - 1];
    return number;
}

template <typename Point>
DocJson pointsOf(const Point* points, int count, double Point::*first, double Point::*second) {
    DocJson list = DocJson::array();
    for (int k = 0; k < count; ++k)
        list.push_back(DocJson::array({points[k].*first, points[k].*second}));
    return list;
}

template <typename Entry>
void writeCaseControl(DocJson& o, const Entry& e) {
    if (e.integer(kCaseLoadingKind) != 1)
        o["loading"] = choiceOf(kLoadingChoices, e.integer(kCaseLoadingKind));
    putInt(o, "cycles", e.integer(kCaseLoadCycles), 0);
    DocJson it = DocJson::object();
    putInt(it, "cap", e.integer(kCaseCapIterations), 100);
    putInt(it, "pile", e.integer(kCasePileIterations), 100);
    putObject(o, "iterations", std::move(it));
    DocJson tol = DocJson::object();
    put(tol, "reaction", e.real(kRealCapTolerance), 1.0e-3);
    put(tol, "deflection", e.real(kRealDeflectionTolerance), 1.0e-5);
    putObject(o, "tolerances", std::move(tol));
    DocJson inc = DocJson::object();
    put(inc, "factor", e.real(kRealIncrementFactor), 0.2);
    put(inc, "minimum", e.real(kRealMinimumIncrement), 0.01);
    putObject(o, "increments", std::move(inc));
    if (e.integer(kCasePrintOption) != 2)
        o["print"] = choiceOf(kPrintChoices, e.integer(kCasePrintOption));
    putInt(o, "nodeStep", e.integer(kCaseNodeStep), 1);
}

DocJson loadCaseOf(const LoadCase& lc) {
    DocJson o = DocJson::object();
    if (!lc.name.str().empty()) o["name"] = utf8Text(lc.name.str());
    if (lc.integer(kCaseLoadType) != 0)
        o["type"] = choiceOf(kLoadTypeChoices, lc.integer(kCaseLoadType));
    writeCaseControl(o, lc);
    put(o, "scaleFactor", lc.scaleFactor, 1.0);
    if (lc.integer(kCaseAxialAtHeadOption) != 0)
        o["axialLoadAtPileHead"] = flagOf(lc.integer(kCaseAxialAtHeadOption));

    DocJson loads = DocJson::array();
    for (int k = 0; k < std::clamp(lc.concentratedLoadCount(), 0, kMaxConcentratedLoads); ++k) {
        const ConcentratedLoad& c = lc.concentratedLoads[k];
        DocJson l = DocJson::object();
        for (std::size_t n = 0; n < kLoadComponentNames.size(); ++n)
            put(l, std::string(kLoadComponentNames[n]).c_str(), c.value(static_cast<int>(n) + 1),
                0.0);
        DocJson at = DocJson::object();
        put(at, "x", c.value(7), 0.0);
        put(at, "y", c.value(8), 0.0);
        put(at, "z", c.value(9), 0.0);
        putObject(l, "at", std::move(at));
        loads.push_back(std::move(l));
    }
    if (!loads.empty()) o["loads"] = std::move(loads);

    DocJson dist = DocJson::array();
    for (int k = 0; k < std::clamp(lc.distributedLoadCount(), 0, kMaxDistributedLoads); ++k) {
        const DistributedLoad& d = lc.distributedLoads[k];
        DocJson l = DocJson::object();
        putInt(l, "number", d.integer(1), k + 1);
        if (d.integer(2) != 0) l["axis"] = choiceOf(kAxisChoices, d.integer(2));
        DocJson piles = DocJson::object();
        piles["first"] = d.integer(3);
        putInt(piles, "last", d.integer(4), 0);
        putInt(piles, "step", d.integer(5), 0);
        l["piles"] = std::move(piles);
        DocJson y = DocJson::object();
        putInt(y, "set", d.integer(6), 0);
        put(y, "factor", d.factorY, 1.0);
        putObject(l, "y", std::move(y));
        DocJson z = DocJson::object();
        putInt(z, "set", d.integer(7), 0);
        put(z, "factor", d.factorZ, 1.0);
        putObject(l, "z", std::move(z));
        dist.push_back(std::move(l));
    }
    if (!dist.empty()) o["distributedLoads"] = std::move(dist);

    const int levels = std::clamp(lc.stiffnessLevelCount(), 0, kMaxStiffnessLevels);
    if (lc.integer(kCaseStiffnessOption) != 0 || lc.integer(kCaseInvertOption) != 0 ||
        lc.integer(kCaseDiagonalOption) != 0 || levels > 0) {
        DocJson s = DocJson::object();
        if (lc.integer(kCaseStiffnessOption) != 1)
            s["compute"] = flagOf(lc.integer(kCaseStiffnessOption));
        if (lc.integer(kCaseInvertOption) != 0) s["invert"] = flagOf(lc.integer(kCaseInvertOption));
        if (lc.integer(kCaseDiagonalOption) != 0)
            s["diagonalOnly"] = flagOf(lc.integer(kCaseDiagonalOption));
        DocJson l = DocJson::array();
        for (int k = 0; k < levels; ++k)
            l.push_back(lc.stiffnessLevels[k]);
        s["levels"] = std::move(l);
        o["foundationStiffness"] = std::move(s);
    }
    return o;
}

DocJson combinationOf(const LoadCombination& lc, const std::vector<std::string>& caseNames) {
    DocJson o = DocJson::object();
    if (!lc.name.str().empty()) o["name"] = utf8Text(lc.name.str());
    writeCaseControl(o, lc);
    DocJson rf = DocJson::object();
    put(rf, "bending", lc.bendingRf, 1.0);
    put(rf, "shear", lc.shearRf, 1.0);
    putObject(o, "resistanceFactors", std::move(rf));
    DocJson cases = DocJson::array();
    for (int k = 0; k < std::clamp(lc.combinedCaseCount, 0, kMaxCasesPerCombination); ++k) {
        DocJson c = DocJson::object();
        c["case"] = referenceOf(caseNames, lc.cases[k].loadCaseNo);
        c["factor"] = lc.cases[k].factor;
        cases.push_back(std::move(c));
    }
    o["cases"] = std::move(cases);
    return o;
}

DocJson curveChoiceOf(int number) {
    if (number < 0) return DocJson{{"userCurve", -static_cast<long long>(number)}};
    return DocJson{{"pileProperty", number}};
}

DocJson pileGroupOf(const PileGroup& g, const GroupFactors& f, std::size_t i, bool threeD) {
    DocJson o = DocJson::object();
    DocJson head = DocJson::object();
    put(head, "x", g.headX, 0.0);
    put(head, "y", g.headY, 0.0);
    if (threeD) put(head, "z", g.headZ, 0.0);
    putObject(o, "head", std::move(head));
    if (threeD) {
        DocJson b = DocJson::object();
        put(b, "alpha", g.alpha, 0.0);
        put(b, "beta", g.beta, 90.0);
        putObject(o, "batter", std::move(b));
    } else {
        put(o, "batter", g.batterAngle, 0.0);
    }
    put(o, "ground", g.ground, 0.0);
    if (threeD && g.connectionZ != g.connectionY) {
        o["connection"] = DocJson{{"aboutY", choiceOf(kConnectionChoices, g.connectionY)},
                                  {"aboutZ", choiceOf(kConnectionChoices, g.connectionZ)}};
    } else {
        o["connection"] = choiceOf(kConnectionChoices, g.connectionY);
    }
    if (threeD) {
        DocJson s = DocJson::object();
        put(s, "aboutY", g.springY, 0.0);
        put(s, "aboutZ", g.springZ, 0.0);
        putObject(o, "springs", std::move(s));
    } else {
        put(o, "spring", g.springY, 0.0);
        putInt(o, "piles", static_cast<int>(g.pilesInGroup), 1);
        put(o, "rowSpacing", g.rowSpacing, 0.0);
    }
    putInt(o, "pileProperty", g.pilePropertyNo, 1);
    putInt(o, "userPySet", g.pySetNo, 0);
    if (g.lsCurveNo != g.pilePropertyNo) o["loadSettlementCurve"] = curveChoiceOf(g.lsCurveNo);
    if (threeD && g.trCurveNo != g.pilePropertyNo)
        o["torqueRotationCurve"] = curveChoiceOf(g.trCurveNo);
    if (threeD) {
        DocJson pm = DocJson::object();
        put(pm, "y", f.pMultiplierY[i], 1.0);
        put(pm, "z", f.pMultiplierZ[i], 1.0);
        putObject(o, "pMultiplier", std::move(pm));
        DocJson ym = DocJson::object();
        put(ym, "y", f.yMultiplierY[i], 1.0);
        put(ym, "z", f.yMultiplierZ[i], 1.0);
        putObject(o, "yMultiplier", std::move(ym));
    } else {
        put(o, "pMultiplier", f.pMultiplier[i], 1.0);
        put(o, "yMultiplier", f.yMultiplier[i], 1.0);
    }
    put(o, "axialForceFactor", g.axialForceFactor, 1.0);
    return o;
}

DocJson crossSectionOf(const CrossSection& x) {
    DocJson o = DocJson::object();
    o["name"] = utf8Text(x.name.str());
    if (x.typeCode != 0) o["shape"] = choiceOf(kShapeChoices, x.typeCode);
    for (std::size_t k = 0; k < kDimensionNames.size(); ++k)
        put(o, std::string(kDimensionNames[k]).c_str(), x.dimension(static_cast<int>(k) + 1), 0.0);
    put(o, "shearModulus", x.property(kPropShearModulus), 0.0);
    put(o, "area", x.property(kPropArea), 0.0);
    DocJson in = DocJson::object();
    put(in, "z", x.property(kPropIz), 0.0);
    put(in, "y", x.property(kPropIy), 0.0);
    putObject(o, "inertia", std::move(in));
    put(o, "torsionalStiffness", x.property(kPropGJ), 0.0);
    DocJson cap = DocJson::object();
    put(cap, "moment", x.property(kPropMn), 0.0);
    put(cap, "shear", x.property(kPropVn), 0.0);
    putObject(o, "capacity", std::move(cap));
    return o;
}

DocJson pilePropertyOf(const PileProperty& p, const std::vector<std::string>& sectionNames) {
    DocJson o = DocJson::object();
    o["length"] = p.length;
    o["increments"] = p.increments;
    o["youngsModulus"] = p.elasticModulus;
    if (p.pileType != 1) o["type"] = choiceOf(kPileTypeChoices, p.pileType);
    DocJson sections = DocJson::array();
    for (int k = 0; k < std::clamp(p.sectionCount, 0, kMaxPileSections); ++k) {
        const PileSection& s = p.sections[k];
        DocJson e = DocJson::object();
        e["to"] = s.from;
        put(e, "length", s.secondLength, 0.0);
        e["crossSection"] = referenceOf(sectionNames, s.crossSectionNo);
        DocJson mc = DocJson::object();
        putInt(mc, "aboutY", s.mcSetY, 0);
        putInt(mc, "aboutZ", s.mcSetZ, 0);
        putObject(e, "momentCurvatureSets", std::move(mc));
        sections.push_back(std::move(e));
    }
    o["sections"] = std::move(sections);
    return o;
}

DocJson boundaryOf(double x, const std::array<double, kSoilProperties>& values, int soilType) {
    DocJson o = DocJson::object();
    o["x"] = x;
    for (std::size_t k = 0; k < kSoilPropertyNames.size(); ++k) {
        std::string_view name = kSoilPropertyNames[k];
        if (k == 1 && (soilType == kSoilTypeVuggyLimestone || soilType == kSoilTypeWeakRock))
            name = kRockStrengthName;
        if (k == 5 && soilType == kSoilTypeWeakRock) name = kWeakRockKrmName;
        put(o, std::string(name).c_str(), values[k], 0.0);
    }
    return o;
}

DocJson userCurveOf(const UserCurve& c, int no) {
    DocJson o = DocJson::object();
    putInt(o, "number", c.curveNo, no);
    o["points"] = pointsOf(c.points.data(), std::clamp(c.pointCount, 0, kMaxCurvePoints),
                           &CurvePoint::force, &CurvePoint::displacement);
    return o;
}

}  // namespace

DocJson writeModelDocument(const ModelStore& store) {
    const ControlParameters& c = store.control;
    const bool threeD = c.analysisType == 3;
    DocJson doc = DocJson::object();
    doc["pylora"] = kDocumentFormatVersion;
    doc["title"] = utf8Text(store.title.str());
    doc["units"] = choiceOf(kUnitsChoices, c.unitsSystem);
    doc["analysis"] = choiceOf(kAnalysisChoices, c.analysisType);
    if (c.embeddedCapOption != 0) doc["embeddedCap"] = flagOf(c.embeddedCapOption);
    if (c.groupFactorOption != 0)
        doc["groupFactors"] = choiceOf(kGroupFactorChoices, c.groupFactorOption);
    if (c.KPYOP != 0 && c.KPYOP != 1)
        doc["pyCurveOption"] = choiceOf(kPyCurveOptionChoices, c.KPYOP);

    DocJson cap = DocJson::object();
    put(cap, "length", store.cap.capLengthY, 0.0);
    put(cap, "width", store.cap.capWidthRead, 0.0);
    put(cap, "thickness", store.cap.capThicknessX, 0.0);
    if (c.flexibleCapOption >= 1) {
        DocJson plate = DocJson::object();
        if (c.flexibleCapOption != 1) plate["solve"] = false;
        plate["centreY"] = store.cap.plateCentreY;
        plate["offsetZ"] = store.cap.plateOffsetZ;
        plate["elements"] = {{"y", store.cap.plateElementsY}, {"z", store.cap.plateElementsZ}};
        plate["youngsModulus"] = store.cap.plateYoungModulus;
        plate["poissonsRatio"] = store.cap.platePoissonRatio;
        cap["flexible"] = std::move(plate);
    }
    putObject(doc, "cap", std::move(cap));

    const LoadCaseTable& cases = store.loadCases;
    const int caseCount = std::clamp(cases.loadCaseCount, 0, kMaxLoadCases);
    DocJson caseList = DocJson::array();
    std::vector<std::string> caseNames;
    for (int k = 0; k < caseCount; ++k) {
        caseList.push_back(loadCaseOf(cases.rows[k]));
        caseNames.push_back(utf8Text(cases.rows[k].name.str()));
    }
    if (!caseList.empty()) doc["loadCases"] = std::move(caseList);
    const CombinationTable& combinations = store.combinations;
    DocJson combinationList = DocJson::array();
    const std::vector<std::string> caseRefs = uniqueNames(caseNames);
    for (int k = 0; k < std::clamp(combinations.combinationCount, 0, kMaxCombinations); ++k)
        combinationList.push_back(combinationOf(combinations.rows[k], caseRefs));
    if (!combinationList.empty()) doc["combinations"] = std::move(combinationList);
    DocJson envelopes = DocJson::object();
    const auto envelope = [](int print, int step) {
        DocJson e = DocJson::object();
        if (print != 2) e["print"] = choiceOf(kPrintChoices, print);
        putInt(e, "nodeStep", step, 1);
        return e;
    };
    if (cases.caseEnvelopeFlag >= 1)
        envelopes["loadCases"] =
            envelope(cases.caseEnvelopePrintOption, cases.caseEnvelopeNodeStep);
    if (combinations.combinationEnvelopeFlag >= 1)
        envelopes["combinations"] = envelope(combinations.combinationEnvelopePrintOption,
                                             combinations.combinationEnvelopeNodeStep);
    putObject(doc, "envelopes", std::move(envelopes));
    DocJson sets = DocJson::array();
    for (int k = 0;
         k < std::clamp(store.distributedSets.distributedSetCount, 0, kMaxDistributedSets); ++k) {
        const DistributedSet& s = store.distributedSets.rows[k];
        sets.push_back(
            {{"points", pointsOf(s.points.data(), std::clamp(s.setPointCount, 0, kMaxSetPoints),
                                 &SetPoint::depth, &SetPoint::load)}});
    }
    if (!sets.empty()) doc["distributedLoadSets"] = std::move(sets);

    if (c.analysisType == 2 || c.analysisType == 3) {
        DocJson groups = DocJson::array();
        for (int k = 0; k < std::clamp(store.arrangement.pileGroupCount, 0, kMaxPileGroups); ++k)
            groups.push_back(pileGroupOf(store.arrangement.rows[k], store.groupFactors,
                                         static_cast<std::size_t>(k), threeD));
        doc["pileGroups"] = std::move(groups);
    }

    std::vector<std::string> sectionNames;
    const int sectionCount =
        std::clamp(store.crossSections.crossSectionCount, 0, kMaxCrossSections);
    for (int k = 0; k < sectionCount; ++k)
        sectionNames.push_back(utf8Text(store.crossSections.rows[k].name.str()));
    const std::vector<std::string> sectionRefs = uniqueNames(sectionNames);
    DocJson properties = DocJson::array();
    for (int k = 0; k < std::clamp(store.pileProperties.pilePropertyCount, 0, kMaxPileProperties);
         ++k)
        properties.push_back(pilePropertyOf(store.pileProperties.rows[k], sectionRefs));
    doc["pileProperties"] = std::move(properties);
    DocJson sections = DocJson::array();
    for (int k = 0; k < sectionCount; ++k)
        sections.push_back(crossSectionOf(store.crossSections.rows[k]));
    doc["crossSections"] = std::move(sections);

    DocJson layers = DocJson::array();
    for (int k = 0; k < std::clamp(store.soilLayers.NLAYER, 0, kMaxSoilLayers); ++k) {
        const SoilLayer& L = store.soilLayers.rows[k];
        DocJson o = DocJson::object();
        o["type"] = choiceOf(kSoilTypeChoices, L.KSOIL);
        o["top"] = boundaryOf(L.topX, L.top, L.KSOIL);
        o["bottom"] = boundaryOf(L.bottomX, L.bottom, L.KSOIL);
        layers.push_back(std::move(o));
    }
    doc["soilLayers"] = std::move(layers);

    if (c.KPYOP == 1) {
        DocJson prints = DocJson::array();
        for (int k = 0; k < std::clamp(store.pyPrints.pyPrintCount, 0, kMaxPyPrintRequests); ++k) {
            const PyPrintRequest& r = store.pyPrints.rows[k];
            DocJson o = DocJson::object();
            o["pileGroup"] = r.pileNo;
            o["x"] = r.depth;
            const int extra = std::clamp(r.extraDepthCount, 0, kMaxExtraPrintDepths);
            if (extra > 0)
                o["deflections"] =
                    std::vector<double>(r.extraDepths.begin(), r.extraDepths.begin() + extra);
            prints.push_back(std::move(o));
        }
        doc["printPyCurves"] = std::move(prints);
    }
    if (c.userPyCurvesOption == 1) {
        DocJson list = DocJson::array();
        for (int s = 0; s < std::clamp(store.userPySets.pySetCount, 0, kMaxPySets); ++s) {
            const UserPySet& set = store.userPySets.rows[s];
            DocJson curves = DocJson::array();
            for (int k = 0; k < std::clamp(set.pyCurveCount, 0, kMaxPyCurvesPerSet); ++k) {
                const UserPyCurve& curve = set.curves[k];
                curves.push_back(
                    {{"x", curve.x},
                     {"points", pointsOf(curve.points.data(),
                                         std::clamp(curve.pyPointCount, 0, kMaxCurvePoints),
                                         &PyPoint::p, &PyPoint::y)}});
            }
            list.push_back({{"curves", std::move(curves)}});
        }
        doc["userPyCurves"] = std::move(list);
    }
    if (c.userLsCurvesOption == 1) {
        DocJson list = DocJson::array();
        for (int k = 0; k < std::clamp(store.userLsCurves.lsCurveCount, 0, kMaxLsCurves); ++k)
            list.push_back(userCurveOf(store.userLsCurves.rows[k], k + 1));
        doc["userLoadSettlementCurves"] = std::move(list);
    }
    if (c.userTrCurvesOption == 1) {
        DocJson list = DocJson::array();
        for (int k = 0; k < std::clamp(store.userTrCurves.trCurveCount, 0, kMaxTrCurves); ++k)
            list.push_back(userCurveOf(store.userTrCurves.rows[k], k + 1));
        doc["userTorqueRotationCurves"] = std::move(list);
    }
    if (c.userMomentCurvatureOption == 1) {
        DocJson list = DocJson::array();
        for (int s = 0; s < std::clamp(store.mcSets.mcSetCount, 0, kMaxMcSets); ++s) {
            const McSet& set = store.mcSets.rows[s];
            DocJson curves = DocJson::array();
            for (int k = 0; k < std::clamp(set.mcCurveCount, 0, kMaxMcCurvesPerSet); ++k) {
                const McCurve& curve = set.curves[k];
                curves.push_back(
                    {{"axialLoad", curve.axialLoad},
                     {"points", pointsOf(curve.points.data(),
                                         std::clamp(curve.mcPointCount, 0, kMaxCurvePoints),
                                         &McPoint::moment, &McPoint::curvature)}});
            }
            list.push_back({{"curves", std::move(curves)}});
        }
        doc["momentCurvatureSets"] = std::move(list);
    }
    return doc;
}

// ---------------------------------------------------------------------------
// The input data file.

namespace {

std::string realText(double v) {
    std::array<char, 64> buffer{};
    const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
    return std::string(buffer.data(), r.ptr);
}

// A name as a quoted free-format text value: a quote inside is doubled.
std::string quotedName(std::string_view name) {
    std::string s = "'";
    for (const char c : name) {
        s.push_back(c);
        if (c == '\'') s.push_back('\'');
    }
    s += "'";
    return s;
}

class DataWriter {
  public:
    explicit DataWriter(DataFileText& out) : out_(out) {}

    // A header line: a caption, not interpreted by the reader.
    void header(const std::string& caption) { line(caption, "", {}); }

    // A text line taken whole (A1, C2c, C6c).
    void text(const std::string& content, const std::string& pointer) {
        line(content, pointer, {pointer});
    }

    // A free-format record: values (already written out) with their pointers,
    // then a comment.
    void record(const std::vector<std::string>& values, const std::vector<std::string>& pointers,
                const std::string& pointer, const std::string& comment) {
        std::string s;
        for (const std::string& v : values) {
            if (!s.empty()) s += ' ';
            s += v;
        }
        if (!comment.empty()) {
            const std::size_t column = 40;
            s += s.size() < column ? std::string(column - s.size(), ' ') : std::string("   ");
            s += comment;
        }
        line(s, pointer, pointers);
    }

  private:
    void line(const std::string& content, const std::string& pointer,
              std::vector<std::string> pointers) {
        out_.text += content;
        out_.text += '\n';
        out_.recordPointers.push_back(pointer);
        out_.valuePointers.push_back(std::move(pointers));
    }

    DataFileText& out_;
};

// Values and their pointers, gathered for one record.
struct Values {
    std::vector<std::string> text;
    std::vector<std::string> pointers;
    void real(double v, std::string pointer) {
        text.push_back(realText(v));
        pointers.push_back(std::move(pointer));
    }
    void integer(long long v, std::string pointer) {
        text.push_back(std::to_string(v));
        pointers.push_back(std::move(pointer));
    }
    void name(std::string_view n, std::string pointer) {
        text.push_back(quotedName(n));
        pointers.push_back(std::move(pointer));
    }
};

std::string p(const std::string& base, std::string_view key) {
    return childPointer(base, key);
}
std::string p(const std::string& base, std::size_t index) {
    return childPointer(base, index);
}

template <typename Entry>
void writeControlRecords(DataWriter& w, const Entry& e, const std::string& at, const char* a,
                         const char* b) {
    Values v;
    for (int n = 1; n <= 3; ++n)
        v.integer(e.integer(n), at);
    v.integer(e.integer(kCaseLoadingKind), p(at, "loading"));
    v.integer(e.integer(kCaseLoadCycles), p(at, "cycles"));
    v.integer(e.integer(kCaseCapIterations), p(p(at, "iterations"), "cap"));
    v.integer(e.integer(kCasePileIterations), p(p(at, "iterations"), "pile"));
    w.record(v.text, v.pointers, at,
             std::string(a) + "  loading, cycles, cap and pile iterations  " + at);
    Values r;
    r.real(e.real(kRealCapTolerance), p(p(at, "tolerances"), "reaction"));
    r.real(e.real(kRealDeflectionTolerance), p(p(at, "tolerances"), "deflection"));
    r.real(e.real(kRealIncrementFactor), p(p(at, "increments"), "factor"));
    r.real(e.real(kRealMinimumIncrement), p(p(at, "increments"), "minimum"));
    w.record(r.text, r.pointers, at,
             std::string(b) + "  tolerances, load increment factor, minimum");
}

void writeLoadCase(DataWriter& w, const LoadCase& lc, const std::string& at) {
    writeControlRecords(w, lc, at, "C2a", "C2b");
    w.text(lc.name.str(), p(at, "name"));
    Values d;
    d.integer(lc.integer(kCaseLoadType), p(at, "type"));
    const std::string fs = p(at, "foundationStiffness");
    d.integer(lc.integer(kCaseStiffnessOption), p(fs, "compute"));
    d.integer(lc.integer(kCaseInvertOption), p(fs, "invert"));
    d.integer(lc.integer(kCaseDiagonalOption), p(fs, "diagonalOnly"));
    d.integer(lc.integer(12), at);
    d.integer(lc.integer(13), at);
    d.integer(lc.integer(kCaseAxialAtHeadOption), p(at, "axialLoadAtPileHead"));
    w.record(d.text, d.pointers, at, "C2d  load type, foundation stiffness switches");
    Values e;
    e.integer(lc.integer(kCasePrintOption), p(at, "print"));
    e.integer(lc.integer(kCaseNodeStep), p(at, "nodeStep"));
    e.real(lc.scaleFactor, p(at, "scaleFactor"));
    e.integer(lc.integer(20), at);
    w.record(e.text, e.pointers, at, "C2e  print option, node step, scale factor");

    const std::string loads = p(at, "loads");
    const int nConc = std::clamp(lc.concentratedLoadCount(), 0, kMaxConcentratedLoads);
    w.record({std::to_string(nConc)}, {loads}, loads, "C2f  concentrated loads");
    for (int k = 0; k < nConc; ++k) {
        const std::string l = p(loads, static_cast<std::size_t>(k));
        Values v;
        for (std::size_t n = 0; n < kLoadComponentNames.size(); ++n)
            v.real(lc.concentratedLoads[k].value(static_cast<int>(n) + 1),
                   p(l, kLoadComponentNames[n]));
        for (const char* axis : {"x", "y", "z"})
            v.real(lc.concentratedLoads[k].value(axis[0] == 'x'   ? 7
                                                 : axis[0] == 'y' ? 8
                                                                  : 9),
                   p(p(l, "at"), axis));
        w.record(v.text, v.pointers, l, "C2g  Fx Fy Mz Fz My Mx at x y z");
    }
    const std::string dist = p(at, "distributedLoads");
    const int nDist = std::clamp(lc.distributedLoadCount(), 0, kMaxDistributedLoads);
    w.record({std::to_string(nDist)}, {dist}, dist, "C2h  distributed loads");
    for (int k = 0; k < nDist; ++k) {
        const DistributedLoad& x = lc.distributedLoads[k];
        const std::string l = p(dist, static_cast<std::size_t>(k));
        Values v;
        v.integer(x.integer(1), p(l, "number"));
        v.integer(x.integer(2), p(l, "axis"));
        v.integer(x.integer(3), p(p(l, "piles"), "first"));
        v.integer(x.integer(4), p(p(l, "piles"), "last"));
        v.integer(x.integer(5), p(p(l, "piles"), "step"));
        v.integer(x.integer(6), p(p(l, "y"), "set"));
        v.real(x.factorY, p(p(l, "y"), "factor"));
        v.integer(x.integer(7), p(p(l, "z"), "set"));
        v.real(x.factorZ, p(p(l, "z"), "factor"));
        w.record(v.text, v.pointers, l,
                 "C2i  number, axis, piles first last step, Y set factor, Z set factor");
    }
    const std::string levels = p(fs, "levels");
    const int nLevels = std::clamp(lc.stiffnessLevelCount(), 0, kMaxStiffnessLevels);
    w.record({std::to_string(nLevels)}, {levels}, levels, "C2j  stiffness load levels");
    for (int k = 0; k < nLevels; ++k) {
        const std::string l = p(levels, static_cast<std::size_t>(k));
        w.record({realText(lc.stiffnessLevels[k])}, {l}, l, "C2k");
    }
}

void writeCombination(DataWriter& w, const LoadCombination& lc, const std::string& at) {
    writeControlRecords(w, lc, at, "C6a", "C6b");
    w.text(lc.name.str(), p(at, "name"));
    Values d;
    d.real(lc.bendingRf, p(p(at, "resistanceFactors"), "bending"));
    d.real(lc.shearRf, p(p(at, "resistanceFactors"), "shear"));
    d.integer(lc.combinedCaseCount, p(at, "cases"));
    w.record(d.text, d.pointers, at, "C6d  resistance factors: bending, shear");
    Values e;
    e.integer(lc.integer(kCasePrintOption), p(at, "print"));
    e.integer(lc.integer(kCaseNodeStep), p(at, "nodeStep"));
    e.integer(lc.integer(20), at);
    e.integer(lc.integer(21), at);
    w.record(e.text, e.pointers, at, "C6e  print option, node step");
    const std::string cases = p(at, "cases");
    const int n = std::clamp(lc.combinedCaseCount, 0, kMaxCasesPerCombination);
    w.record({std::to_string(n)}, {cases}, cases, "C6f  load cases combined");
    for (int k = 0; k < n; ++k) {
        const std::string c = p(cases, static_cast<std::size_t>(k));
        Values v;
        v.integer(lc.cases[k].loadCaseNo, p(c, "case"));
        v.real(lc.cases[k].factor, p(c, "factor"));
        w.record(v.text, v.pointers, c, "C6g  load case, factor");
    }
}

std::string curveChoicePointer(const std::string& group, const char* key, int number) {
    return p(p(group, key), number < 0 ? "userCurve" : "pileProperty");
}

void writePileGroups(DataWriter& w, const ModelStore& store) {
    const int type = store.control.analysisType;
    if (type != 2 && type != 3) return;
    const PileArrangement& a = store.arrangement;
    const GroupFactors& f = store.groupFactors;
    const int n = std::clamp(a.pileGroupCount, 0, kMaxPileGroups);
    w.record({std::to_string(n)}, {"/pileGroups"}, "/pileGroups",
             type == 2 ? "D1  pile groups (rows of identical piles)" : "D5  pile groups");
    for (int k = 0; k < n; ++k) {
        const PileGroup& g = a.rows[k];
        const auto i = static_cast<std::size_t>(k);
        const std::string at = p("/pileGroups", i);
        if (type == 2) {
            Values d2;
            d2.integer(g.connectionY, p(at, "connection"));
            d2.integer(static_cast<long long>(g.pilesInGroup), p(at, "piles"));
            d2.integer(g.pilePropertyNo, p(at, "pileProperty"));
            d2.integer(g.pySetNo, p(at, "userPySet"));
            d2.integer(g.lsCurveNo, curveChoicePointer(at, "loadSettlementCurve", g.lsCurveNo));
            w.record(d2.text, d2.pointers, at,
                     "D2  connection, piles, pile property, user p-y set, L-S curve  " + at);
            Values d3;
            d3.real(g.springY, p(at, "spring"));
            d3.real(g.rowSpacing, p(at, "rowSpacing"));
            d3.real(f.pMultiplier[i], p(at, "pMultiplier"));
            d3.real(f.yMultiplier[i], p(at, "yMultiplier"));
            d3.real(g.axialForceFactor, p(at, "axialForceFactor"));
            w.record(d3.text, d3.pointers, at,
                     "D3  spring, row spacing, p- and y-multiplier, axial force factor");
            Values d4;
            d4.real(g.headX, p(p(at, "head"), "x"));
            d4.real(g.headY, p(p(at, "head"), "y"));
            d4.real(g.batterAngle, p(at, "batter"));
            d4.real(g.ground, p(at, "ground"));
            w.record(d4.text, d4.pointers, at, "D4  head x, y, batter, ground");
        } else {
            const bool split = g.connectionY != g.connectionZ;
            Values d6;
            d6.integer(g.connectionY,
                       split ? p(p(at, "connection"), "aboutY") : p(at, "connection"));
            d6.integer(g.connectionZ,
                       split ? p(p(at, "connection"), "aboutZ") : p(at, "connection"));
            d6.integer(g.pilePropertyNo, p(at, "pileProperty"));
            d6.integer(g.pySetNo, p(at, "userPySet"));
            d6.integer(g.lsCurveNo, curveChoicePointer(at, "loadSettlementCurve", g.lsCurveNo));
            d6.integer(g.trCurveNo, curveChoicePointer(at, "torqueRotationCurve", g.trCurveNo));
            w.record(
                d6.text, d6.pointers, at,
                "D6  connections about Y and Z, pile property, user p-y set, L-S and T-R curves  " +
                    at);
            Values d7;
            d7.real(g.springY, p(p(at, "springs"), "aboutY"));
            d7.real(g.springZ, p(p(at, "springs"), "aboutZ"));
            d7.real(f.pMultiplierY[i], p(p(at, "pMultiplier"), "y"));
            d7.real(f.yMultiplierY[i], p(p(at, "yMultiplier"), "y"));
            d7.real(f.pMultiplierZ[i], p(p(at, "pMultiplier"), "z"));
            d7.real(f.yMultiplierZ[i], p(p(at, "yMultiplier"), "z"));
            d7.real(g.axialForceFactor, p(at, "axialForceFactor"));
            w.record(d7.text, d7.pointers, at,
                     "D7  springs, p- and y-multipliers Y and Z, axial force factor");
            Values d8;
            d8.real(g.headX, p(p(at, "head"), "x"));
            d8.real(g.headY, p(p(at, "head"), "y"));
            d8.real(g.headZ, p(p(at, "head"), "z"));
            d8.real(g.alpha, p(p(at, "batter"), "alpha"));
            d8.real(g.beta, p(p(at, "batter"), "beta"));
            d8.real(g.ground, p(at, "ground"));
            w.record(d8.text, d8.pointers, at, "D8  head x, y, z, alpha, beta, ground");
        }
    }
}

template <typename Curve>
void writeUserCurves(DataWriter& w, const std::string& at, int count, const Curve* rows, char r) {
    const std::string rec(1, r);
    w.record({std::to_string(count)}, {at}, at, rec + "1  curves");
    for (int k = 0; k < count; ++k) {
        const Curve& c = rows[k];
        const std::string ca = p(at, static_cast<std::size_t>(k));
        const int n = std::clamp(c.pointCount, 0, kMaxCurvePoints);
        Values v;
        v.integer(c.curveNo, p(ca, "number"));
        v.integer(n, p(ca, "points"));
        w.record(v.text, v.pointers, ca, rec + "2  curve number, points");
        for (int j = 0; j < n; ++j) {
            const std::string pa = p(p(ca, "points"), static_cast<std::size_t>(j));
            Values pv;
            pv.real(c.points[j].force, p(pa, 0));
            pv.real(c.points[j].displacement, p(pa, 1));
            w.record(pv.text, pv.pointers, pa, rec + "3");
        }
    }
}

}  // namespace

std::string DataFileText::pointerOf(int lineNo, int valueNo) const {
    if (lineNo < 1 || lineNo > static_cast<int>(recordPointers.size())) return {};
    const auto& values = valuePointers[static_cast<std::size_t>(lineNo - 1)];
    if (valueNo >= 1 && valueNo <= static_cast<int>(values.size()))
        return values[static_cast<std::size_t>(valueNo - 1)];
    return recordPointers[static_cast<std::size_t>(lineNo - 1)];
}

void writeDataFile(const ModelStore& store, std::string_view source, DataFileText& out) {
    out = DataFileText{};
    DataWriter w(out);
    const ControlParameters& c = store.control;

    // Section A.
    w.text(store.title.str(), "/title");
    w.text("Written by pylora from " + std::string(source) + "; the records are commented", "");
    w.header("* CONTROL PARAMETERS *");
    {
        Values v;
        v.integer(c.unitsSystem, "/units");
        v.integer(c.analysisType, "/analysis");
        v.integer(c.embeddedCapOption, "/embeddedCap");
        v.integer(c.flexibleCapOption, "/cap/flexible");
        v.integer(c.userPyCurvesOption, "/userPyCurves");
        v.integer(c.userLsCurvesOption, "/userLoadSettlementCurves");
        v.integer(c.userTrCurvesOption, "/userTorqueRotationCurves");
        v.integer(c.groupFactorOption, "/groupFactors");
        v.integer(c.userMomentCurvatureOption, "/momentCurvatureSets");
        v.integer(c.reserved10, "");
        v.integer(c.KPYOP, c.KPYOP == 1 ? "/printPyCurves" : "/pyCurveOption");
        v.integer(c.reserved12, "");
        w.record(v.text, v.pointers, "", "A2  units, analysis, switches");
    }

    // Section B.
    w.header("* TABLE B *  PILE CAP");
    {
        Values v;
        v.real(store.cap.capLengthY, "/cap/length");
        v.real(store.cap.capWidthRead, "/cap/width");
        v.real(store.cap.capThicknessX, "/cap/thickness");
        w.record(v.text, v.pointers, "/cap", "B1  cap length Y, width Z, thickness X");
        if (c.flexibleCapOption >= 1) {
            const std::string f = "/cap/flexible";
            Values b;
            b.real(store.cap.plateCentreY, f + "/centreY");
            b.real(store.cap.plateOffsetZ, f + "/offsetZ");
            b.integer(store.cap.plateElementsY, f + "/elements/y");
            b.integer(store.cap.plateElementsZ, f + "/elements/z");
            b.real(store.cap.plateYoungModulus, f + "/youngsModulus");
            b.real(store.cap.platePoissonRatio, f + "/poissonsRatio");
            w.record(b.text, b.pointers, f,
                     "B2  plate centre Y, offset Z, elements Y Z, E, Poisson's ratio");
        }
    }

    // Section C.
    const LoadCaseTable& cases = store.loadCases;
    w.header("* TABLE C *  LOAD CASES");
    const int caseCount = std::clamp(cases.loadCaseCount, 0, kMaxLoadCases);
    {
        Values v;
        v.integer(caseCount, "/loadCases");
        v.integer(cases.caseEnvelopeFlag, "/envelopes/loadCases");
        v.integer(cases.caseEnvelopePrintOption, "/envelopes/loadCases/print");
        v.integer(cases.caseEnvelopeNodeStep, "/envelopes/loadCases/nodeStep");
        w.record(v.text, v.pointers, "/loadCases",
                 "C1  load cases, envelopes: flag, print, node step");
    }
    for (int k = 0; k < caseCount; ++k)
        writeLoadCase(w, cases.rows[k], p("/loadCases", static_cast<std::size_t>(k)));
    const CombinationTable& combinations = store.combinations;
    w.header("* TABLE C *  LOAD COMBINATIONS");
    const int combinationCount = std::clamp(combinations.combinationCount, 0, kMaxCombinations);
    {
        Values v;
        v.integer(combinationCount, "/combinations");
        v.integer(combinations.combinationEnvelopeFlag, "/envelopes/combinations");
        v.integer(combinations.combinationEnvelopePrintOption, "/envelopes/combinations/print");
        v.integer(combinations.combinationEnvelopeNodeStep, "/envelopes/combinations/nodeStep");
        w.record(v.text, v.pointers, "/combinations",
                 "C5  combinations, envelopes: flag, print, node step");
    }
    for (int k = 0; k < combinationCount; ++k)
        writeCombination(w, combinations.rows[k], p("/combinations", static_cast<std::size_t>(k)));
    w.header("* TABLE C *  DISTRIBUTED LOAD SETS");
    const int setCount =
        std::clamp(store.distributedSets.distributedSetCount, 0, kMaxDistributedSets);
    w.record({std::to_string(setCount)}, {"/distributedLoadSets"}, "/distributedLoadSets",
             "C7  distributed-load sets");
    for (int k = 0; k < setCount; ++k) {
        const DistributedSet& s = store.distributedSets.rows[k];
        const std::string at = p("/distributedLoadSets", static_cast<std::size_t>(k));
        const int n = std::clamp(s.setPointCount, 0, kMaxSetPoints);
        w.record({std::to_string(n)}, {p(at, "points")}, at, "C8a  points  " + at);
        for (int j = 0; j < n; ++j) {
            const std::string pa = p(p(at, "points"), static_cast<std::size_t>(j));
            Values v;
            v.real(s.points[j].depth, p(pa, 0));
            v.real(s.points[j].load, p(pa, 1));
            w.record(v.text, v.pointers, pa, "C8b  depth, load");
        }
    }

    // Section D.
    w.header("* TABLE D *  ARRANGEMENT OF PILE GROUPS");
    writePileGroups(w, store);

    // Section E.
    w.header("* TABLE E *  PILE GEOMETRY AND PROPERTIES");
    const int propertyCount =
        std::clamp(store.pileProperties.pilePropertyCount, 0, kMaxPileProperties);
    w.record({std::to_string(propertyCount)}, {"/pileProperties"}, "/pileProperties",
             "E1  pile properties");
    for (int k = 0; k < propertyCount; ++k) {
        const PileProperty& pp = store.pileProperties.rows[k];
        const std::string at = p("/pileProperties", static_cast<std::size_t>(k));
        const int n = std::clamp(pp.sectionCount, 0, kMaxPileSections);
        Values e2;
        e2.integer(pp.propertyNo, at);
        e2.integer(n, p(at, "sections"));
        w.record(e2.text, e2.pointers, at, "E2  property, sections  " + at);
        Values e3;
        e3.integer(pp.increments, p(at, "increments"));
        e3.real(pp.length, p(at, "length"));
        e3.real(pp.elasticModulus, p(at, "youngsModulus"));
        e3.integer(pp.pileType, p(at, "type"));
        w.record(e3.text, e3.pointers, at, "E3  increments, length, Young's modulus, type");
        for (int j = 0; j < n; ++j) {
            const PileSection& s = pp.sections[j];
            const std::string sa = p(p(at, "sections"), static_cast<std::size_t>(j));
            Values e4;
            e4.real(s.from, p(sa, "to"));
            e4.real(s.secondLength, p(sa, "length"));
            e4.integer(s.crossSectionNo, p(sa, "crossSection"));
            e4.integer(s.mcSetY, p(p(sa, "momentCurvatureSets"), "aboutY"));
            e4.integer(s.mcSetZ, p(p(sa, "momentCurvatureSets"), "aboutZ"));
            w.record(e4.text, e4.pointers, sa, "E4  to, length, cross section, M-phi sets Y Z");
        }
    }
    w.header("* PILE CROSS SECTIONS *");
    const int sectionCount =
        std::clamp(store.crossSections.crossSectionCount, 0, kMaxCrossSections);
    w.record({std::to_string(sectionCount)}, {"/crossSections"}, "/crossSections",
             "E5  cross sections");
    for (int k = 0; k < sectionCount; ++k) {
        const CrossSection& x = store.crossSections.rows[k];
        const std::string at = p("/crossSections", static_cast<std::size_t>(k));
        Values e6;
        e6.integer(x.number, at);
        e6.integer(x.number, at);
        e6.integer(x.typeCode, p(at, "shape"));
        w.record(e6.text, e6.pointers, at, "E6  number, number, shape  " + at);
        Values e7;
        e7.name(x.name.str(), p(at, "name"));
        w.record(e7.text, e7.pointers, at, "E7  name");
        Values e8;
        for (std::size_t n = 0; n < kDimensionNames.size(); ++n)
            e8.real(x.dimension(static_cast<int>(n) + 1), p(at, kDimensionNames[n]));
        w.record(e8.text, e8.pointers, at, "E8  dimensions");
        Values e9;
        e9.real(x.property(kPropShearModulus), p(at, "shearModulus"));
        e9.real(x.property(kPropArea), p(at, "area"));
        e9.real(x.property(kPropIz), p(p(at, "inertia"), "z"));
        e9.real(x.property(kPropIy), p(p(at, "inertia"), "y"));
        e9.real(x.property(5), at);
        e9.real(x.property(kPropGJ), p(at, "torsionalStiffness"));
        e9.real(x.property(kPropMn), p(p(at, "capacity"), "moment"));
        e9.real(x.property(kPropVn), p(p(at, "capacity"), "shear"));
        e9.real(x.property(9), at);
        e9.real(x.property(10), at);
        w.record(e9.text, e9.pointers, at, "E9  G, area, Iz, Iy, -, GJ, Mn, Vn");
    }

    // Section F.
    w.header("* TABLE F *  SOIL DATA FOR P-Y CURVES");
    const int layerCount = std::clamp(store.soilLayers.NLAYER, 0, kMaxSoilLayers);
    w.record({std::to_string(layerCount)}, {"/soilLayers"}, "/soilLayers", "F1  soil layers");
    for (int k = 0; k < layerCount; ++k) {
        const SoilLayer& L = store.soilLayers.rows[k];
        const std::string at = p("/soilLayers", static_cast<std::size_t>(k));
        Values f2;
        f2.integer(L.layerNo, at);
        f2.integer(L.KSOIL, p(at, "type"));
        w.record(f2.text, f2.pointers, at, "F2  layer, soil type  " + at);
        Values f3;
        f3.real(L.topX, p(p(at, "top"), "x"));
        f3.real(L.bottomX, p(p(at, "bottom"), "x"));
        w.record(f3.text, f3.pointers, at, "F3  x of top and bottom");
        w.record({std::to_string(kLayerValueRows), std::to_string(kSoilProperties)}, {at, at}, at,
                 "F4  rows, properties");
        const bool rock = L.KSOIL == kSoilTypeVuggyLimestone || L.KSOIL == kSoilTypeWeakRock;
        for (int row = 0; row < kLayerValueRows; ++row) {
            const std::string ra = p(at, row == 0 ? "top" : "bottom");
            const auto& values = row == 0 ? L.top : L.bottom;
            Values f5;
            for (std::size_t n = 0; n < kSoilPropertyNames.size(); ++n) {
                std::string_view name = kSoilPropertyNames[n];
                if (n == 1 && rock) name = kRockStrengthName;
                if (n == 5 && L.KSOIL == kSoilTypeWeakRock) name = kWeakRockKrmName;
                f5.real(values[n], p(ra, name));
            }
            w.record(f5.text, f5.pointers, ra, row == 0 ? "F5  top" : "F5  bottom");
        }
    }
    if (c.KPYOP == 1) {
        w.header("* DATA TO PRINT GENERATED P-Y CURVES *");
        const int n = std::clamp(store.pyPrints.pyPrintCount, 0, kMaxPyPrintRequests);
        w.record({std::to_string(n)}, {"/printPyCurves"}, "/printPyCurves", "F6  curves to print");
        for (int k = 0; k < n; ++k) {
            const PyPrintRequest& r = store.pyPrints.rows[k];
            const std::string at = p("/printPyCurves", static_cast<std::size_t>(k));
            Values f7;
            f7.integer(r.pileNo, p(at, "pileGroup"));
            f7.real(r.depth, p(at, "x"));
            w.record(f7.text, f7.pointers, at, "F7  pile group, x");
            const int extra = std::clamp(r.extraDepthCount, 0, kMaxExtraPrintDepths);
            w.record({std::to_string(extra)}, {p(at, "deflections")}, at, "F8  deflections");
            if (extra > 0) {
                Values f9;
                for (int j = 0; j < extra; ++j)
                    f9.real(r.extraDepths[j], p(p(at, "deflections"), static_cast<std::size_t>(j)));
                w.record(f9.text, f9.pointers, at, "F9");
            }
        }
    }

    // Sections G to J.
    if (c.userPyCurvesOption == 1) {
        w.header("* TABLE G *  USER P-Y CURVES");
        const int n = std::clamp(store.userPySets.pySetCount, 0, kMaxPySets);
        w.record({std::to_string(n)}, {"/userPyCurves"}, "/userPyCurves", "G1  p-y sets");
        for (int s = 0; s < n; ++s) {
            const UserPySet& set = store.userPySets.rows[s];
            const std::string at = p("/userPyCurves", static_cast<std::size_t>(s));
            const int curves = std::clamp(set.pyCurveCount, 0, kMaxPyCurvesPerSet);
            w.record({std::to_string(set.setNo), std::to_string(curves)}, {at, p(at, "curves")}, at,
                     "G2  set, curves");
            for (int k = 0; k < curves; ++k) {
                const UserPyCurve& curve = set.curves[k];
                const std::string ca = p(p(at, "curves"), static_cast<std::size_t>(k));
                w.record({realText(curve.x)}, {p(ca, "x")}, ca, "G3  x");
                const int points = std::clamp(curve.pyPointCount, 0, kMaxCurvePoints);
                w.record({std::to_string(points)}, {p(ca, "points")}, ca, "G4  points");
                for (int j = 0; j < points; ++j) {
                    const std::string pa = p(p(ca, "points"), static_cast<std::size_t>(j));
                    Values v;
                    v.real(curve.points[j].p, p(pa, 0));
                    v.real(curve.points[j].y, p(pa, 1));
                    w.record(v.text, v.pointers, pa, "G5  p, y");
                }
            }
        }
    }
    if (c.userLsCurvesOption == 1) {
        w.header("* TABLE H *  USER LOAD-SETTLEMENT CURVES");
        writeUserCurves(w, "/userLoadSettlementCurves",
                        std::clamp(store.userLsCurves.lsCurveCount, 0, kMaxLsCurves),
                        store.userLsCurves.rows.data(), 'H');
    }
    if (c.userTrCurvesOption == 1) {
        w.header("* TABLE I *  USER TORQUE-ROTATION CURVES");
        writeUserCurves(w, "/userTorqueRotationCurves",
                        std::clamp(store.userTrCurves.trCurveCount, 0, kMaxTrCurves),
                        store.userTrCurves.rows.data(), 'I');
    }
    if (c.userMomentCurvatureOption == 1) {
        w.header("* TABLE J *  MOMENT-CURVATURE SETS");
        const int n = std::clamp(store.mcSets.mcSetCount, 0, kMaxMcSets);
        w.record({std::to_string(n)}, {"/momentCurvatureSets"}, "/momentCurvatureSets",
                 "J1  moment-curvature sets");
        for (int s = 0; s < n; ++s) {
            const McSet& set = store.mcSets.rows[s];
            const std::string at = p("/momentCurvatureSets", static_cast<std::size_t>(s));
            const int curves = std::clamp(set.mcCurveCount, 0, kMaxMcCurvesPerSet);
            w.record({std::to_string(set.setNo), std::to_string(curves)}, {at, p(at, "curves")}, at,
                     "J2  set, curves");
            for (int k = 0; k < curves; ++k) {
                const McCurve& curve = set.curves[k];
                const std::string ca = p(p(at, "curves"), static_cast<std::size_t>(k));
                w.record({realText(curve.axialLoad)}, {p(ca, "axialLoad")}, ca, "J3  axial load");
                const int points = std::clamp(curve.mcPointCount, 0, kMaxCurvePoints);
                w.record({"0", std::to_string(points)}, {ca, p(ca, "points")}, ca, "J4  -, points");
                for (int j = 0; j < points; ++j) {
                    const std::string pa = p(p(ca, "points"), static_cast<std::size_t>(j));
                    Values v;
                    v.real(curve.points[j].moment, p(pa, 0));
                    v.real(curve.points[j].curvature, p(pa, 1));
                    w.record(v.text, v.pointers, pa, "J5  moment, curvature");
                }
            }
        }
    }
}

}  // namespace pylora
