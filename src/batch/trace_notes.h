// What the batch program says on standard error about the data before it computes: times
// converted to seconds, rows and readings left out, columns that are no traces, times held that
// went backwards. A job on a cluster has no one watching; these lines are all that tells the
// data were changed.
#pragma once

#include <string>
#include <vector>

#include "core/files/tables.h"

namespace actinfit::batch {

// The reader's notes on the file and on each table, each line starting with `where` (the file,
// or FILE:TABLE), and a line per column or row that is no trace: "FILE: 'T° Read 1' left out
// (temperature)".
std::vector<std::string> TableNotes(const std::string& where, const files::TKineticTable& table);

// Per time that goes backwards: "TRACE: reading 11: time 210 followed by 165; later times held
// at 210 (3 readings)"; the window's loading holds those times, and so does the batch program.
std::vector<std::string> BackwardTimeNotes(const std::string& traceName,
                                           const std::vector<double>& times);

}  // namespace actinfit::batch
