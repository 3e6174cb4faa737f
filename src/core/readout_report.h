// The readouts in words: the rows of the table the fit report and the series window show, the
// sentence on the constants, and the comment lines of saved results. Numbers in the report's
// style (core/fit_report.h).
#pragma once

#include <string>
#include <vector>

#include "core/readouts.h"

namespace actinfit {

struct TReadoutRow {
  std::string Name;      // with its unit: "t½ (s)"
  std::string Value;     // "-" where there is none
  std::string StdError;  // "± 0.39"; empty where the fit gives none
};

std::vector<TReadoutRow> ReadoutRows(const TReadouts& r, const TActinReadouts& actin);

// Where Cc and k+ come from, and the values in use.
std::string ConstantsSentence(const TReadoutConstants& constants);

// "# NAME\tVALUE\tSE" per row with the decimal mark given, the constants and the message: the
// readouts of a trace in a saved results file.
std::vector<std::string> ReadoutCommentLines(const TReadouts& r, const TActinReadouts& actin,
                                             const TReadoutConstants& constants, char decimalMark);

}  // namespace actinfit
