// SPDX-License-Identifier: Apache-2.0
// Calls pylora.dll as a Windows front end does: writes "Names.dat" in the run
// folder, with Windows paths and CRLF line ends, makes the folder the current
// one and calls IPYLORA8(13).
//
//   call_dll RUN_FOLDER INPUT_FILE BASE_NAME
//
// The files of the run are RUN_FOLDER\BASE_NAME.out, .sum, ... Prints the
// code IPYLORA8 returned and exits with it.
#include <windows.h>
// The console's shell API, after <windows.h>.
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ipylora8.h"

namespace {

std::string utf8(const wchar_t* wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(size > 0 ? size - 1 : 0));
    return text;
}

}  // namespace

int main() {
    // The arguments as the system has them, in UTF-8 as Names.dat takes them.
    int argc = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> argv;
    for (int i = 0; i < argc; ++i)
        argv.push_back(utf8(wide[i]));
    if (argc != 4) {
        std::fprintf(stderr, "usage: call_dll RUN_FOLDER INPUT_FILE BASE_NAME\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    const std::string base = folder + argv[3];
    const char* suffixes[] = {".out", ".sum", ".plt",  ".rtm",  ".sta",  ".res",
                              ".prg", ".crv", ".scr1", ".scr2", ".pile", ".warn"};
    std::string names = "8.0.0\r\nfront end test\r\n" + folder + "\r\n0\r\n" + argv[2] + "\r\n";
    for (const char* suffix : suffixes)
        names += base + suffix + "\r\n";
    if (!SetCurrentDirectoryW(wide[1])) {
        std::fprintf(stderr, "call_dll: cannot enter %s\n", argv[1].c_str());
        return 2;
    }
    std::FILE* file = std::fopen("Names.dat", "wb");
    if (!file || std::fwrite(names.data(), 1, names.size(), file) != names.size() ||
        std::fclose(file) != 0) {
        std::fprintf(stderr, "call_dll: cannot write Names.dat\n");
        return 2;
    }
    const int code = IPYLORA8(PYLORA_RUN_ANALYSIS);
    std::printf("IPYLORA8 returned %d\n", code);
    return code;
}
