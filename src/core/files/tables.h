// The kinetic tables of an instrument export: every read, channel or wavelength of a file, each
// with its own clock and its wells as traces, whatever the layout the instrument wrote. What is
// no trace (time, temperature, cycle, content columns, padding rows) is left out and said.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"

namespace actinfit::files {

// A file whose layout was recognised but cannot be read as it stands: plate blocks without
// times, a unit of time that is none. Its message says what the user can do.
class ELayoutRefused : public EInvalidInput {
 public:
  using EInvalidInput::EInvalidInput;
};

// A file of reads without times (plate blocks numbered "Reading: N") read without the
// interval between them: it is read once the user gives one.
class ETimesMissing : public ELayoutRefused {
 public:
  using ELayoutRefused::ELayoutRefused;
};

// One well (or readings column) of one kinetic table.
struct TWellTrace {
  std::string name;              // as the file writes the well: "A1"; a column's header otherwise
  std::string header;            // the full header text it came from ("A4 8 uM"), for G-actin
  std::vector<double> times;     // seconds, one per present reading, ascending as read
  std::vector<double> readings;  // present readings only; missing ones are left out with their time
  std::vector<std::string> notes;  // e.g. "3 readings marked 'OVER' left out"
};

struct TLeftOut {
  std::string name;  // "T° Read 1", "Cycle Nr."
  std::string why;   // "temperature", "cycle number", "no readings"
};

struct TKineticTable {
  std::string name;  // the label the file gives it ("Read 2:450,490", "sfGFP"); may be empty
  std::vector<TWellTrace> traces;
  std::vector<TLeftOut> leftOut;   // columns/rows that are no traces, and why
  std::vector<std::string> notes;  // how times were read, padding rows left out, ...
};

struct TFileTables {
  std::string file;  // as given, for messages
  std::vector<TKineticTable> tables;
  // file-level: encoding guessed, blocks that are not kinetic, layouts found but not read
  std::vector<std::string> notes;
};

// For files that hold no times (plate blocks numbered "Reading: N").
struct TReadOptions {
  std::optional<double> intervalSeconds;
};

// Reads the file at `path` (text or an .xlsx workbook). Raises EInvalidInput naming the file and
// what was found when it cannot be read or holds no kinetic table (ELayoutRefused where a
// layout was found but cannot be read, ETimesMissing where only the interval is missing).
TFileTables ReadTables(const std::string& path, const TReadOptions& options = {});

// The same for the whole content of a file called `fileName` (used in messages, and its
// extension tells a workbook).
TFileTables ParseTables(std::string_view bytes, const std::string& fileName,
                        const TReadOptions& options = {});

}  // namespace actinfit::files
