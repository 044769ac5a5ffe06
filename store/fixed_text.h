// SPDX-License-Identifier: Apache-2.0
// Fixed-length, blank-padded text as the store keeps it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace pylora {

// A text field of exactly N characters. Assigning a longer text keeps its
// first N characters; a shorter one is padded with blanks. A name is used with
// its trailing blanks removed (trimmed()).
template <int N>
struct FixedText {
    std::array<char, N> chars = blankChars();

    static constexpr int width = N;

    void assign(std::string_view text) {
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(N));
        std::copy_n(text.begin(), n, chars.begin());
        std::fill(chars.begin() + static_cast<std::ptrdiff_t>(n), chars.end(), ' ');
    }

    // The whole field, padding included.
    std::string_view view() const { return {chars.data(), chars.size()}; }

    // The field without its trailing blanks.
    std::string_view trimmed() const {
        std::string_view v = view();
        const std::size_t last = v.find_last_not_of(' ');
        return last == std::string_view::npos ? std::string_view{} : v.substr(0, last + 1);
    }

    std::string str() const { return std::string(trimmed()); }

    bool operator==(const FixedText&) const = default;

  private:
    static constexpr std::array<char, N> blankChars() {
        std::array<char, N> a{};
        a.fill(' ');
        return a;
    }
};

}  // namespace pylora
