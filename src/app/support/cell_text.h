// The cells of the two tab-separated panes, the result lines and the sensitivity table: the
// styles their numbers are written in, and tab stops that line their columns up.
#pragma once

#include <string>

#include "core/result_line.h"  // the result line's cells

class QPlainTextEdit;

namespace actinfit {

// General style with 15 digits: the sensitivity table, its grid values in the rate fields and
// the fit's step label.
std::string GeneralText(double value);

// Tab stops one widest cell apart (the widest the pane's style can write, in the pane's font)
// plus a gap, so that every column starts at the same place on every line. The text stays as
// it is.
void LineUpResultColumns(QPlainTextEdit& pane);
void LineUpSensitivityColumns(QPlainTextEdit& pane);

}  // namespace actinfit
