// SPDX-License-Identifier: Apache-2.0
// Fuzzing target: a whole analysis of an input data file made by the fuzzer,
// run as the command-line program runs it: a "Names.dat" naming the model and
// every file of the run in one scratch folder, then IPYLORA8(13). A crash, a
// sanitizer report, a leak, a run that ends the process or one that takes
// longer than the per-input time limit is a finding; any return code is fine.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/ipylora8.h"
#include "tests/support/temp_dir.h"

namespace {

using pylora::testsupport::TempDir;

// The scratch folder of every run of this process, the working folder of the
// analysis; removed with its files when the process ends.
TempDir& scratch() {
    static TempDir dir;
    return dir;
}

// The run-control file of the command-line program, every file named
// "model" with its suffix in the scratch folder.
void writeNamesFile() {
    std::ofstream names(scratch() / "Names.dat", std::ios::trunc);
    const std::string folder = scratch().path().string();
    names << "8.0.0\nfuzz\n" << folder << "\n0\n" << folder << "/model.dat\n";
    for (const char* suffix : {".out", ".sum", ".plt", ".rtm", ".sta", ".res", ".prg", ".crv",
                               ".scr1", ".scr2", ".pile", ".warn"})
        names << folder << "/model" << suffix << "\n";
    if (!names) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // The scratch folder lies in memory (/dev/shm) where the system has such
    // a folder and TMPDIR names no other: the runtime file is committed to
    // disk after every message, and on a disk each commit waits some
    // milliseconds, most of what the run of a small model costs.
    if (::access("/dev/shm", W_OK) == 0 && ::setenv("TMPDIR", "/dev/shm", 0) != 0) std::abort();
    // The pile groups are analysed on the fuzzer's own thread unless
    // PYLORA_THREADS says otherwise: a fuzzing process has one core, and
    // worker threads waiting for a core make an input several times slower.
    if (::setenv("PYLORA_THREADS", "1", 0) != 0) std::abort();
    writeNamesFile();
    if (::chdir(scratch().path().c_str()) != 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream model(scratch() / "model.dat", std::ios::binary | std::ios::trunc);
        model.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!model) std::abort();
    }
    IPYLORA8(13);
    return 0;
}
