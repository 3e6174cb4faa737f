// The program's version, from the build (the project's version in CMakeLists.txt).
#pragma once

#include <string_view>

namespace actinfit {

inline constexpr std::string_view kVersion = ACTINFIT_VERSION;

}  // namespace actinfit
