// Real-number edit descriptors (F, E, 1PE, G, 1PG).
#include <string>

#include "report/format.h"

namespace pylora {

std::string formatF(double, int w, int) { return std::string(static_cast<std::size_t>(w), '*'); }
std::string formatE(double, int w, int, int) { return std::string(static_cast<std::size_t>(w), '*'); }
std::string formatPE(double, int w, int, int) { return std::string(static_cast<std::size_t>(w), '*'); }
std::string formatG(double, int w, int) { return std::string(static_cast<std::size_t>(w), '*'); }
std::string formatPG(double, int w, int) { return std::string(static_cast<std::size_t>(w), '*'); }

}  // namespace pylora
