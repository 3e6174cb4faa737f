// What the cells of an instrument export mean: times, readings, the words for a missing reading,
// well names, and the headers of columns that hold no trace. Shared by the layout detectors.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/cell_rows.h"
#include "core/files/tables.h"

namespace actinfit::files {

// Rows a detector reads, what the caller asked, and why layouts that nearly applied did not
// (with `timesMissing` set where reads without times wait for the interval between them).
struct TLayoutInput {
  const std::vector<TCellRow>& rows;
  const TReadOptions& options;
  std::vector<std::string>& refusals;
  bool& timesMissing;
};

// A number with '.' or ',' as the decimal mark.
bool ReadValue(std::string_view cell, double& value);

enum class ReadingKind { Value, Missing, Other };
// A reading: a number, or a missing one (empty, or an instrument's word or mark for none:
// "OVER", "OVRFLW", "?????", "Sat.", "#VALUE!", "PER WELL", ">4200.000", "<0.000").
ReadingKind ReadReadingCell(std::string_view cell, double& value);

// A time in seconds: plain seconds (times `secondsPerUnit`), or h:mm:ss, m:ss.fff. A clock
// time sets `clock`.
bool ReadTimeCell(std::string_view cell, double secondsPerUnit, double& seconds, bool& clock);

// Headers of a time column or row: "Time", "Time [s]", "Time(hh:mm:ss)", "Secs", "t (min)".
bool IsTimeHeader(std::string_view cell);
// Seconds per unit of a time header; 0 for a unit of time that is none.
double TimeHeaderUnit(std::string_view cell);

// Why a column or row headed `cell` holds no trace ("temperature", "cycle number", ...), or
// empty when it may.
std::string NotATraceWhy(std::string_view cell);
// A unit of temperature as it follows the word in a header: "°C", "[°C]", "(C)", "deg C".
bool IsTemperatureUnit(std::string_view text);

// "A1" for "A1", "A01" or "a1 8 uM"'s first word; none when the cell names no well.
std::optional<std::string> WellOf(std::string_view cell);
// The well at a plate position (row 0 = A, column 0 = 1).
std::string WellAt(size_t row, size_t column);

// The label a table is given in the line above it ("Read 2:450,490", "sfGFP", "Label: OD600"),
// looked for in up to three rows above `at`; empty when there is none.
std::string LabelAbove(const std::vector<TCellRow>& rows, size_t at);

// The cell `k` of a row, empty beyond its end.
std::string_view CellOf(const TCellRow& row, size_t k);
bool IsEmptyRow(const TCellRow& row);

// Collects one well's times and readings, readings that are missing left out with a note.
class TraceBuilder {
 public:
  TraceBuilder(std::string name, std::string header);
  // Adds the point at `time` from `cell`; false where the cell is no reading at all.
  bool Add(double time, std::string_view cell);
  void AddMissing(std::string_view mark);
  bool Empty() const { return trace_.readings.empty(); }
  const std::string& Name() const { return trace_.name; }
  TWellTrace Finish();

 private:
  TWellTrace trace_;
  size_t missing_ = 0;
  std::vector<std::string> marks_;
};

// Adds `trace` to `table`, or names it among the left out when it holds no reading.
void AddTrace(TKineticTable& table, TraceBuilder&& trace, const std::string& name);

// A number as a person writes it: "60", "0.5".
std::string ShortNumber(double value);

// "1 row", "3 rows".
std::string Counted(size_t count, std::string_view one, std::string_view many);

}  // namespace actinfit::files
