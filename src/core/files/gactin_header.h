// The G-actin concentration a column header names: "A1 1.5 uM", "3µM", "3 µM", "0.5uM", "2 mM".
#pragma once

#include <optional>
#include <string_view>

namespace actinfit {

// The G-actin in uM a header names: an amount is a number followed (blanks allowed) by a unit of
// concentration (nM, uM, µM, μM, mM, µmol/L, any case of the letters). Where an amount is next to
// "actin" it is the G-actin; otherwise a lone amount that names nothing else ("A1 1.5 uM") is.
// None where amounts name other things ("2 mM MgCl2"), where several stand without "actin",
// or where the amount is negative: an amount of something else is never read as G-actin.
std::optional<double> GActinFromHeader(std::string_view header);

}  // namespace actinfit
