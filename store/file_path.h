// SPDX-License-Identifier: Apache-2.0
// The path of a file named in UTF-8, as every path of a run is.
#pragma once

#include <filesystem>
#include <string>

namespace pylora {

// std::filesystem takes a narrow string in the system's code page on
// Windows; a path of the run is UTF-8 there too.
inline std::filesystem::path filePath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace pylora
