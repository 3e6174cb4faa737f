// What the batch program computes with besides the data: the five parameters with their bounds
// and fit marks, the G-actin concentration and the time step. It starts from the window's
// defaults; a TOML file (--config) and then the command line change it.
#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>

#include "core/defaults.h"
#include "core/model.h"

namespace actinfit::batch {

struct TParamSetting {
  double value = 0;
  double min = 0;
  double max = 0;
  bool fit = true;  // marked for the searches unless given as fixed
};

// The G-actin of one readings column, and where it was given ("--g-actin-of A1",
// "settings.toml: g-actin.A1"), so that a name matching no column can be refused by it.
struct TGActinOf {
  double uM = 0;
  std::string where;
};

struct TSettings {
  std::array<TParamSetting, kParamCount> params;
  double gActin = 0;
  // Where gActin was given ("--g-actin", "settings.toml: g-actin"), empty for the default.
  std::string gActinFrom;
  double dt = 0;
  // The G-actin of readings columns by header name or number, uM, for --method global: the
  // settings file's [g-actin] table, then --g-actin-of.
  std::map<std::string, TGActinOf, std::less<>> gActinOf;
};

// The window's default fields (core/defaults.h), read as the window reads them.
TSettings DefaultSettings();

// A number as an edit field would read it (letters in capitals, the core's number text);
// EInvalidInput naming `what` when it does not parse.
double ReadNumber(std::string_view text, std::string_view what);

// "NAME=VALUE[:MIN:MAX][:fixed]": sets one parameter; bounds not given stay as they were, and
// the parameter is marked unless "fixed" is given. EInvalidInput names what is wrong.
void ApplyParamOption(TSettings& settings, std::string_view option);

// "COLUMN=UM[,COLUMN=UM...]": the G-actin of readings columns by their header name or by
// their number, counting the readings columns of a file from 1 (the time column is none).
void ApplyGActinOfOption(TSettings& settings, std::string_view option);

// A TOML file with the keys BFluo ... Koff (each "VALUE[:MIN:MAX][:fixed]", a number, or a table
// with value, min, max, fixed), g-actin (a number, or a table of
// COLUMN = UM for --method global) and dt. EInvalidInput names the file and what is wrong.
void ApplyConfigFile(TSettings& settings, const std::string& path);

}  // namespace actinfit::batch
