// Which tables and wells of the data files become traces (--table, --wells, --exclude), and
// how a trace is named: FILE:WELL where the file holds one table, FILE:TABLE:WELL otherwise.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "core/files/tables.h"

namespace actinfit::batch {

struct TSelection {
  std::string table;                 // a part of a table's name, or its number from 1; "" all
  std::vector<std::string> wells;    // wells kept, ranges expanded; empty: every well
  std::vector<std::string> exclude;  // wells left out
};

// "A1-A12,C3,B01": the wells named, each as a plate writes it ("B1"); a range spans the
// rectangle of its two corners (A1-A12 a row, A1-H1 a column, A1-B3 a block). A name that is no
// well ("Sample 3") stands for itself. EInvalidInput naming `option` for a range of non-wells.
std::vector<std::string> ParseWellList(std::string_view text, std::string_view option);

// "A01" and "a1" as "A1"; a name that is no well is returned as it is.
std::string NormalWell(std::string_view name);

// Whether table `index` (from 0) is chosen by `filter`: its number from 1, or a part of its
// name (any case).
bool TableChosen(const files::TKineticTable& table, size_t index, std::string_view filter);

// Whether the well is kept: in --wells (when given) and not in --exclude.
bool WellChosen(const files::TWellTrace& well, const TSelection& selection);

// A file of which the selection keeps no trace.
class ENothingChosen : public EInvalidInput {
 public:
  using EInvalidInput::EInvalidInput;
};

// A table the selection keeps: its index in the file (from 0) and the indices of its wells kept.
struct TChosenTable {
  size_t index = 0;
  std::vector<size_t> wells;
};

// The tables and wells of `file` that `selection` keeps, in the file's order. Raises
// ENothingChosen naming the file where no table matches --table, or no well of them is kept.
std::vector<TChosenTable> ChooseTraces(const files::TFileTables& file, const TSelection& selection);

// What the names of a table's traces start with: "FILE" where the file holds one table,
// "FILE:TABLE" otherwise (TABLE its name, or its number from 1 where it has none); the traces
// are then FILE:WELL and FILE:TABLE:WELL.
std::string TablePrefix(const files::TFileTables& file, size_t table);

}  // namespace actinfit::batch
