// The G-actin concentration a column header names: "A1 1.5 uM", "3µM", "3 µM", "0.5uM", "2 mM".
#pragma once

#include <optional>
#include <string_view>

namespace actinfit {

// The concentration in uM of the last number in `header` directly followed (blanks allowed) by
// a concentration unit (nM, uM, µM, μM, mM, any case of the letters); none when there is none.
std::optional<double> GActinFromHeader(std::string_view header);

}  // namespace actinfit
