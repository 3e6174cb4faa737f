// The command line of --method readouts: the critical concentration and the barbed-end
// association rate that turn a trace's slope into barbed ends.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "core/readouts.h"

namespace actinfit::batch {

void AddReadoutOptions(CLI::App& app, std::optional<std::string>& cc,
                       std::optional<std::string>& kplus);

// The constants, the defaults where an option was not given; EInvalidInput naming the option
// for a Cc below 0 or a k+ not above 0.
TReadoutConstants ReadoutConstants(const std::optional<std::string>& cc,
                                   const std::optional<std::string>& kplus);

}  // namespace actinfit::batch
