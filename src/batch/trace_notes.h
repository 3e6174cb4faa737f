// What the batch program says on standard error about the data before it computes: times
// converted to seconds, rows and readings left out, times held that went backwards. A job on a
// cluster has no one watching; these lines are all that tells the data were changed.
#pragma once

#include <string>
#include <vector>

#include "core/files/datafile.h"

namespace actinfit::batch {

// "FILE: times in minutes ('Time [min]') converted to seconds", "FILE: 2 lines between the
// rows that are no rows of numbers (lines 4, 9) left out".
std::vector<std::string> FileNotes(const TDataTable& table);

// "TRACE: 1 missing reading (line 52) left out", and per time that goes backwards "TRACE: line
// 42: time 1600 followed by 164; later times held at 1600 (3 rows)".
std::vector<std::string> PointNotes(const std::string& traceName, const TColumnPoints& points);

}  // namespace actinfit::batch
