// SPDX-License-Identifier: Apache-2.0
// Test helper: runs a shell command and returns its exit code and what it
// printed (standard output and standard error together).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace pylora::testsupport {

struct CommandResult {
    int exitCode = -1;   // -1 when the command could not be started or was killed
    std::string output;  // standard output and standard error
};

inline CommandResult runCommand(const std::string& command) {
    CommandResult r;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.output.append(buffer, n);
    const int status = ::pclose(pipe);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace pylora::testsupport
