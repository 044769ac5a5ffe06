// SPDX-License-Identifier: Apache-2.0
// The model document: lossless conversion both ways with the input data
// file, diagnostics that point at the value, and the limits of what is read.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "document/model_files.h"
#include "store/return_codes.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using namespace pylora;
using pylora::testsupport::readFile;

namespace {

// Every model the tests and examples hold as an input data file.
std::vector<fs::path> allDataFiles() {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(PYLORA_EXAMPLES_DIR))
        for (const char* name : {"model.dat", "export.dat"})
            if (fs::exists(e.path() / name)) files.push_back(e.path() / name);
    for (const auto& e :
         fs::directory_iterator(fs::path(PYLORA_TEST_DATA_DIR) / "report/echo/golden"))
        if (fs::exists(e.path() / "input.dat")) files.push_back(e.path() / "input.dat");
    files.push_back(fs::path(PYLORA_TEST_DATA_DIR) / "engine/reader/data/features.dat");
    return files;
}

// The input data file the store holds, as the comparison of two models: it
// writes every value the reader keeps, each in a form that reads back exactly.
std::string modelText(const ModelStore& store) {
    DataFileText dat;
    writeDataFile(store, "model", dat);
    return dat.text;
}

// Values the input data file keeps without using them, and that nothing
// prints, are not carried by the document: set to what a document gives them.
void forgetKeptValues(ModelStore& s) {
    s.control.reserved10 = 0;
    s.control.reserved12 = 0;
    for (int k = 0; k < s.loadCases.loadCaseCount; ++k)
        for (int n : {1, 2, 3, 12, 13, 20})
            s.loadCases.rows[k].integer(n) = 0;
    for (int k = 0; k < s.combinations.combinationCount; ++k)
        for (int n : {1, 2, 3, 20, 21})
            s.combinations.rows[k].integer(n) = 0;
    for (int k = 0; k < s.pileProperties.pilePropertyCount; ++k)
        s.pileProperties.rows[k].propertyNo = k + 1;
    for (int k = 0; k < s.crossSections.crossSectionCount; ++k) {
        s.crossSections.rows[k].number = k + 1;
        for (int n : {5, 9, 10})
            s.crossSections.rows[k].property(n) = 0.0;
    }
    for (int k = 0; k < s.soilLayers.NLAYER; ++k)
        s.soilLayers.rows[k].layerNo = k + 1;
    for (int k = 0; k < s.userPySets.pySetCount; ++k)
        s.userPySets.rows[k].setNo = k + 1;
    for (int k = 0; k < s.mcSets.mcSetCount; ++k)
        s.mcSets.rows[k].setNo = k + 1;
}

LoadedModel loadValid(const std::string& text, ModelForm form, const std::string& what) {
    LoadedModel m = loadModelText(text, form, "model");
    EXPECT_TRUE(m.valid()) << what << "\n" << diagnosticsText(m.diagnostics, what);
    return m;
}

}  // namespace

// Input data file -> JSON and YAML -> input data file reads into the same
// model; the documents written from the two reads are equal.
TEST(ModelDocument, EveryModelConvertsBothWaysWithoutLoss) {
    const auto files = allDataFiles();
    ASSERT_GE(files.size(), 10u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        LoadedModel original = loadValid(readFile(file), ModelForm::dataFile, file.string());
        if (!original.valid()) continue;
        // The input data file written from the model reads into the same
        // model, kept values and all.
        const LoadedModel again = loadValid(modelText(*original.store), ModelForm::dataFile, "dat");
        if (again.valid()) {
            EXPECT_EQ(modelText(*again.store), modelText(*original.store));
        }
        forgetKeptValues(*original.store);
        const DocJson doc = writeModelDocument(*original.store);
        for (const ModelForm form : {ModelForm::json, ModelForm::yaml}) {
            const std::string text =
                form == ModelForm::json ? writeJsonText(doc) : writeYamlText(doc);
            const LoadedModel back = loadValid(text, form, file.string());
            if (!back.valid()) continue;
            // Warnings only: values a two-dimensional analysis does not use.
            for (const Diagnostic& d : back.diagnostics)
                EXPECT_EQ(d.severity, Severity::warning) << d.message;
            EXPECT_EQ(modelText(*back.store), modelText(*original.store));
            // document -> input data file -> document gives an equal document.
            EXPECT_EQ(writeModelDocument(*back.store), doc);
        }
    }
}

// A document written by a person: defaults, names and forms of its own, and
// the canonical document it stands for.
TEST(ModelDocument, ShortDocumentTakesTheDefaults) {
    const std::string yaml = R"(
pylora: 1
title: One fixed pile
units: english
analysis: threeDimensional
loadCases:
  - name: Lateral
    loads: [{Fx: 100.0, Fy: 10}]
pileGroups:
  - {connection: fixed}
pileProperties:
  - {length: 600, increments: 60, youngsModulus: 29.0e6,
     sections: [{to: 600, crossSection: pipe}]}
crossSections:
  - {name: pipe, shape: circularPipe, diameter: 24, area: 30, inertia: {z: 2000, y: 2000}}
soilLayers:
  - type: sand
    top: {x: 0, effectiveUnitWeight: 0.036, frictionAngle: 35, subgradeModulus: 90}
    bottom: {x: 1200, effectiveUnitWeight: 0.036, frictionAngle: 35, subgradeModulus: 90}
)";
    const LoadedModel m = loadValid(yaml, ModelForm::yaml, "short");
    ASSERT_TRUE(m.valid());
    const ModelStore& s = *m.store;
    EXPECT_EQ(s.control.unitsSystem, 1);
    EXPECT_EQ(s.control.analysisType, 3);
    EXPECT_EQ(s.control.KPYOP, 0);
    const LoadCase& lc = s.loadCases.rows[0];
    // The documented defaults of a load case.
    EXPECT_EQ(lc.integer(kCaseLoadingKind), 1);
    EXPECT_EQ(lc.integer(kCaseCapIterations), 100);
    EXPECT_EQ(lc.integer(kCasePileIterations), 100);
    EXPECT_DOUBLE_EQ(lc.real(kRealCapTolerance), 1.0e-3);
    EXPECT_DOUBLE_EQ(lc.real(kRealDeflectionTolerance), 1.0e-5);
    EXPECT_DOUBLE_EQ(lc.real(kRealIncrementFactor), 0.2);
    EXPECT_DOUBLE_EQ(lc.real(kRealMinimumIncrement), 0.01);
    EXPECT_DOUBLE_EQ(lc.scaleFactor, 1.0);
    EXPECT_EQ(lc.integer(kCasePrintOption), 2);
    // c1 vertical, c2 along Y; the rest zero.
    EXPECT_DOUBLE_EQ(lc.concentratedLoads[0].value(1), 100.0);
    EXPECT_DOUBLE_EQ(lc.concentratedLoads[0].value(2), 10.0);
    EXPECT_DOUBLE_EQ(lc.concentratedLoads[0].value(3), 0.0);
    // A vertical pile of property 1 with its generated curves.
    const PileGroup& g = s.arrangement.rows[0];
    EXPECT_EQ(g.connectionY, 2);
    EXPECT_EQ(g.connectionZ, 2);
    EXPECT_DOUBLE_EQ(g.beta, 90.0);
    EXPECT_EQ(g.pilePropertyNo, 1);
    EXPECT_EQ(g.lsCurveNo, 1);
    EXPECT_EQ(g.trCurveNo, 1);
    EXPECT_DOUBLE_EQ(s.groupFactors.pMultiplier[0], 1.0);
    EXPECT_DOUBLE_EQ(g.axialForceFactor, 1.0);
    EXPECT_EQ(s.pileProperties.rows[0].sections[0].crossSectionNo, 1);
    EXPECT_EQ(s.soilLayers.rows[0].KSOIL, 4);
    EXPECT_DOUBLE_EQ(s.soilLayers.rows[0].top[2], 35.0);
    // The canonical document of this model reads into the same model.
    const DocJson canonical = writeModelDocument(s);
    const LoadedModel back = loadValid(writeYamlText(canonical), ModelForm::yaml, "canonical");
    ASSERT_TRUE(back.valid());
    EXPECT_EQ(modelText(*back.store), modelText(s));
}

namespace {

// The group3d example as a document, changed at pointer to value.
std::string changed(const DocJson& base, const std::string& pointer, const DocJson& value) {
    DocJson doc = base;
    doc[DocJson::json_pointer(pointer)] = value;
    return writeYamlText(doc);
}

const Diagnostic* errorAt(const LoadedModel& m, const std::string& pointer) {
    for (const Diagnostic& d : m.diagnostics)
        if (d.severity == Severity::error && d.pointer == pointer) return &d;
    return nullptr;
}

std::string lineOf(const std::string& text, int line) {
    std::istringstream in(text);
    std::string s;
    for (int k = 1; k <= line && std::getline(in, s); ++k) {
    }
    return s;
}

}  // namespace

// A value that the document reader or the engine's reader refuses is shown
// at its own pointer, on the line of the file that holds it.
TEST(ModelDocument, RefusalsPointAtTheValue) {
    const fs::path example = fs::path(PYLORA_EXAMPLES_DIR) / "group3d/model.dat";
    const LoadedModel original = loadValid(readFile(example), ModelForm::dataFile, "group3d");
    ASSERT_TRUE(original.valid());
    DocJson base = writeModelDocument(*original.store);
    // A distributed load and a user load-settlement curve to change.
    base["loadCases"][0]["distributedLoads"] =
        DocJson::array({DocJson{{"piles", {{"first", 1}}}, {"y", {{"set", 1}}}}});
    base["distributedLoadSets"] = DocJson::array({DocJson{{"points", {{0.0, 1.0}, {5.0, 1.0}}}}});
    ASSERT_TRUE(loadModelText(writeYamlText(base), ModelForm::yaml, "base").valid());

    struct Case {
        const char* pointer;
        DocJson value;
        const char* says;  // a part of the message
    };
    const std::vector<Case> cases = {
        // Refused by the engine's reader of the input data file.
        {"/pileGroups/3/pileProperty", 7, "names no pile property"},
        {"/pileProperties/0/increments", 101, "outside 1 to 100"},
        {"/pileProperties/0/length", -22.0, "not positive"},
        {"/pileProperties/0/sections/1/crossSection", 9, "names no cross section"},
        {"/loadCases/0/iterations/cap", 20000, "above 10000"},
        {"/loadCases/1/increments/minimum", 1.0e-9, "below"},
        {"/combinations/0/increments/factor", 0.001, "below the minimum"},
        {"/combinations/0/cases/1/case", 5, "names no load case"},
        {"/printPyCurves/1/pileGroup", 99, "names no pile group"},
        {"/loadCases/0/distributedLoads/0/piles/first", 9, "names no pile group"},
        {"/loadCases/0/distributedLoads/0/piles/step", -1, "below zero"},
        {"/loadCases/0/distributedLoads/0/y/set", 3, "names no distributed-load set"},
        {"/pileGroups/0/loadSettlementCurve", DocJson{{"userCurve", 2}}, "load-settlement"},
        // Refused by the document's reader.
        {"/soilLayers/1/type", "softclay", "did you mean \"softClay\""},
        {"/units", "imperial", "allowed: english, metric or open"},
        {"/pileGroups/0/batter/beta", "steep", "must be a number"},
        {"/loadCases/0/loads/0/Fx", "big", "must be a number"},
        {"/pileProperties/0/increments", 44.5, "whole number"},
        {"/combinations/0/cases/0/case", "Dead lod", "did you mean \"Dead load\""},
        {"/pileProperties/0/sections/0/crossSection", "PIPE 600", "names no cross section"},
        {"/title", std::string(81, 'x'), "at most 80"},
        {"/loadCases/0/name", "two\nlines", "one line"},
        {"/pileGroups/2/connection", "glued", "allowed: pinned, fixed or restrained"},
        {"/soilLayers/0/top/x", nullptr, "has no \"x\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pointer);
        const std::string text = changed(base, c.pointer, c.value);
        const LoadedModel m = loadModelText(text, ModelForm::yaml, "changed");
        EXPECT_EQ(m.code, kReturnInputRefused);
        std::string expected = c.pointer;
        if (c.value.is_null()) expected = expected.substr(0, expected.rfind('/'));  // the mapping
        if (std::string(c.pointer) == "/pileGroups/0/loadSettlementCurve") expected += "/userCurve";
        const Diagnostic* d = errorAt(m, expected);
        ASSERT_NE(d, nullptr) << diagnosticsText(m.diagnostics, "changed");
        EXPECT_NE(d->message.find(c.says), std::string::npos) << d->message;
        // The pointer resolves in the document, and the line holds its key.
        DocJson doc = base;
        doc[DocJson::json_pointer(c.pointer)] = c.value;
        EXPECT_NO_THROW((void)doc.at(DocJson::json_pointer(expected)));
        const std::string key = expected.substr(expected.rfind('/') + 1);
        if (!std::isdigit(static_cast<unsigned char>(key[0]))) {
            EXPECT_NE(lineOf(text, d->line).find(key), std::string::npos)
                << "line " << d->line << ": " << lineOf(text, d->line);
        }
        EXPECT_GT(d->column, 0);
    }
}

TEST(ModelDocument, UnknownKeysAndListsBeyondCapacity) {
    const std::string yaml =
        "pylora: 1\nunits: metric\nanalysis: threeDimensional\n"
        "pileGroups:\n  - {conection: fixed}\n"
        "soilLayers:\n  - type: sand\n    top: {x: 0, eps5O: 0.01}\n    bottom: {x: 1}\n";
    const LoadedModel m = loadModelText(yaml, ModelForm::yaml, "keys");
    EXPECT_EQ(m.code, kReturnInputRefused);
    const Diagnostic* key = errorAt(m, "/pileGroups/0/conection");
    ASSERT_NE(key, nullptr) << diagnosticsText(m.diagnostics, "keys");
    EXPECT_NE(key->message.find("did you mean \"connection\""), std::string::npos);
    EXPECT_EQ(key->line, 5);
    EXPECT_EQ(key->column, 6);
    const Diagnostic* eps = errorAt(m, "/soilLayers/0/top/eps5O");
    ASSERT_NE(eps, nullptr);
    EXPECT_NE(eps->message.find("did you mean \"eps50\""), std::string::npos);

    DocJson doc =
        DocJson::parse(R"({"pylora": 1, "units": "metric", "analysis": "twoDimensional"})");
    doc["loadCases"] = DocJson::array();
    for (int k = 0; k <= kMaxLoadCases; ++k)
        doc["loadCases"].push_back(DocJson::object());
    const LoadedModel many = loadModelText(writeJsonText(doc), ModelForm::json, "many");
    const Diagnostic* d = errorAt(many, "/loadCases");
    ASSERT_NE(d, nullptr);
    EXPECT_NE(d->message.find("101 load cases are above the capacity of 100"), std::string::npos);
}

// Syntax errors name their line and column; what cannot be read safely is
// refused at once.
TEST(ModelDocument, SyntaxAndLimits) {
    const auto quick = [](const std::string& text, ModelForm form,
                          const char* says) -> LoadedModel {
        // A hang or an expansion that would not end is caught by the test
        // suite's time limit, not by a clock here: a loaded machine under
        // the sanitizers takes seconds for what takes milliseconds alone.
        LoadedModel m = loadModelText(text, form, "limits");
        EXPECT_FALSE(m.valid());
        if (m.diagnostics.empty()) {
            ADD_FAILURE() << "no diagnostic";
            return m;
        }
        EXPECT_NE(m.diagnostics[0].message.find(says), std::string::npos)
            << m.diagnostics[0].message;
        return m;
    };
    const LoadedModel json =
        quick("{\n  \"pylora\": 1,\n  \"units\": metric\n}", ModelForm::json, "JSON syntax error");
    EXPECT_EQ(json.code, kReturnInputReadError);
    EXPECT_EQ(json.diagnostics[0].line, 3);
    const LoadedModel yaml =
        quick("pylora: 1\nunits: [metric\n", ModelForm::yaml, "YAML syntax error");
    EXPECT_EQ(yaml.code, kReturnInputReadError);
    EXPECT_GE(yaml.diagnostics[0].line, 2);

    const std::string deep = std::string(10000, '[') + std::string(10000, ']');
    quick("{\"pylora\": " + deep + "}", ModelForm::json, "nested deeper");
    quick("pylora: " + deep, ModelForm::yaml, "nested deeper");
    quick(deep, ModelForm::json, "must be a mapping");
    std::string block;
    for (int k = 0; k < 10000; ++k)
        block += std::string(static_cast<std::size_t>(k), ' ') + "a:\n";
    quick(block, ModelForm::yaml, "nested deeper");
    // A billion laughs: nine levels of ten aliases each.
    std::string bomb =
        "a: &a [\"lol\",\"lol\",\"lol\",\"lol\",\"lol\",\"lol\",\"lol\",\"lol\",\"lol\"]\n";
    for (char c = 'b'; c <= 'i'; ++c) {
        const char p = static_cast<char>(c - 1);
        bomb += std::string(1, c) + ": &" + c + " [";
        for (int k = 0; k < 9; ++k)
            bomb += std::string(k ? "," : "") + "*" + p;
        bomb += "]\n";
    }
    quick(bomb, ModelForm::yaml, "aliases");
    quick("pylora: 1\npylora: 1\n", ModelForm::yaml, "given twice");
    quick("{\"pylora\": 1, \"pylora\": 1}", ModelForm::json, "given twice");
    quick("pylora: 1\n---\npylora: 1\n", ModelForm::yaml, "second YAML document");
    quick(std::string(kMaxDocumentBytes + 1, ' '), ModelForm::yaml, "more than the 64 MB");
    // Text that is not UTF-8 is refused where it stands; control characters
    // and bytes that are not UTF-8 are shown, never printed raw.
    const LoadedModel latin = quick("pylora: 1\nunits: m\xE9tric\n", ModelForm::yaml, "not UTF-8");
    EXPECT_EQ(latin.diagnostics[0].line, 2);
    EXPECT_EQ(latin.diagnostics[0].column, 9);
    const LoadedModel control = quick(
        "{\"pylora\": 1, \"units\": \"metric\", \"analysis\": \"twoDimensional\", "
        "\"x\\u0000\\ny\": 1}",
        ModelForm::json, "unknown key");
    EXPECT_NE(control.diagnostics[0].message.find("\"x\\x00\\ny\""), std::string::npos)
        << control.diagnostics[0].message;
    // A mapping of many keys is read in linear time, and its diagnostics
    // are bounded.
    std::string keys = "pylora: 1\nunits: metric\nanalysis: threeDimensional\n";
    for (int k = 0; k < 100000; ++k)
        keys += "k" + std::to_string(k) + ": 0\n";
    const LoadedModel many = quick(keys, ModelForm::yaml, "unknown key");
    EXPECT_EQ(many.diagnostics.size(), kMaxDiagnostics + 1);
    EXPECT_NE(many.diagnostics.back().message.find("99800 more problems are not shown"),
              std::string::npos)
        << many.diagnostics.back().message;
    std::string list = "pylora: [0";
    for (int k = 0; k < 30000; ++k)
        list += ",0";
    quick(list + "]", ModelForm::yaml, "more than 10000 entries");
}
