// actinfit-batch --inspect: what each file holds (its tables, their wells, what was left out and
// why), computing nothing; JSON with --json, a short summary a person reads otherwise.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "batch/arguments.h"
#include "core/files/tables.h"

namespace actinfit::batch {

// One file: {"file", "ok", "message", "tables": [{"name", "traces": [{"name", "points",
// "first_time", "last_time", "first_reading", "last_reading"}], "left_out": [{"name", "why"}]}],
// "notes": [...]}; the notes of the tables and wells follow the file's, each naming its table
// or well. Only the tables and wells `selection` keeps (--table, --wells, --exclude) are shown;
// ENothingChosen where it keeps none.
nlohmann::ordered_json InspectJson(const files::TFileTables& tables,
                                   const TSelection& selection = {});

// The same for a person: a line per table (numbered as in the file), its wells, readings and
// times, what was left out.
std::string InspectText(const files::TFileTables& tables, const TSelection& selection = {});

// Reads every file of options.files and prints what it holds; 0 when each has a table, else 1.
int RunInspect(const TBatchOptions& options);

}  // namespace actinfit::batch
