// The titles the renderers and their stubs write, as code-page-437 bytes
// (0x82 is e-acute, 0x94 is o-umlaut); the show's table of pictures
// (frame/pictures.hpp) names them too.
#pragma once

#include <string_view>

namespace titles {
constexpr std::string_view szintvonal1 = "Szintvonal-1";
constexpr std::string_view szintvonal2 = "Szintvonal-2";
constexpr std::string_view pontfelho = "Pontfelh\x94";
constexpr std::string_view tegla_prefix = "T\x82gla ";
constexpr std::string_view lepel = "X fv-metszet, lepel";
constexpr std::string_view tomor = "X-Y fv-metszet, t\x94m\x94r";
constexpr std::string_view festett = "Festett 4sz\x94gek";
}  // namespace titles
