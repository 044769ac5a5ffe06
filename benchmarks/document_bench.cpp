// SPDX-License-Identifier: Apache-2.0
// Speed of the model document's conversions, on the capacity model
// (examples/capacity: 2000 pile groups, 100 load cases and 100 combinations,
// every table at its capacity), each in one direction, whole:
//
//   datToYaml / datToJson  the input data file read by the engine's reader,
//                          written as a document
//   yamlToDat / jsonToDat  the document read and checked, written as an input
//                          data file and read back by the engine's reader
//                          (what a run of a document does before it analyses)

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "document/model_files.h"

namespace {

std::string capacityModel() {
    std::ifstream in(PYLORA_CAPACITY_MODEL, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void documentOf(benchmark::State& state, bool yaml) {
    const std::string dat = capacityModel();
    for (auto _ : state) {
        const pylora::LoadedModel m =
            pylora::loadModelText(dat, pylora::ModelForm::dataFile, "dat");
        const pylora::DocJson doc = pylora::writeModelDocument(*m.store);
        const std::string text = yaml ? pylora::writeYamlText(doc) : pylora::writeJsonText(doc);
        benchmark::DoNotOptimize(text.data());
    }
}

void dataFileOf(benchmark::State& state, bool yaml) {
    const std::string dat = capacityModel();
    const pylora::LoadedModel m = pylora::loadModelText(dat, pylora::ModelForm::dataFile, "dat");
    const pylora::DocJson doc = pylora::writeModelDocument(*m.store);
    const std::string text = yaml ? pylora::writeYamlText(doc) : pylora::writeJsonText(doc);
    const auto form = yaml ? pylora::ModelForm::yaml : pylora::ModelForm::json;
    for (auto _ : state) {
        const pylora::LoadedModel back = pylora::loadModelText(text, form, "doc");
        if (!back.valid()) state.SkipWithError("the document was refused");
        benchmark::DoNotOptimize(back.dataFile.text.data());
    }
}

void datToYaml(benchmark::State& state) {
    documentOf(state, true);
}
void datToJson(benchmark::State& state) {
    documentOf(state, false);
}
void yamlToDat(benchmark::State& state) {
    dataFileOf(state, true);
}
void jsonToDat(benchmark::State& state) {
    dataFileOf(state, false);
}

}  // namespace

BENCHMARK(datToYaml)->Unit(benchmark::kMillisecond);
BENCHMARK(datToJson)->Unit(benchmark::kMillisecond);
BENCHMARK(yamlToDat)->Unit(benchmark::kMillisecond);
BENCHMARK(jsonToDat)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
