#include "core/files/tables.h"

#include <array>
#include <limits>

#include "core/errors.h"
#include "core/files/cell_rows.h"
#include "core/files/file_bytes.h"
#include "core/files/layouts.h"
#include "core/files/text_encoding.h"
#include "core/files/xlsx_sheets.h"

namespace actinfit::files {

namespace {

// Why layouts found in a file were not read.
struct TRefusals {
  std::vector<std::string> reasons;
  bool timesMissing = false;
};

using Detector = size_t (*)(const TLayoutInput&, size_t, std::vector<TKineticTable>&);

// Tried in turn at each row: the layouts with the most telling headers first, so that a list of
// wells or a plate matrix is never taken for times down the rows.
constexpr std::array<Detector, 6> kDetectors = {
    &DetectCuvetteTraces, &DetectWellList,  &DetectPlateMatrices,
    &DetectUntimedPlates, &DetectWellsDown, &DetectTimesDown,
};

// How much of a line a message quotes.
constexpr size_t kQuoted = 60;

std::string Excerpt(const TCellRow& row) {
  std::string text;
  for (const std::string& cell : row.cells) {
    if (!text.empty()) text += ' ';
    text += cell;
    if (text.size() > kQuoted) break;
  }
  if (text.size() > kQuoted) text = std::string(Utf8Prefix(text, kQuoted)) + "...";
  return "'" + text + "'";
}

// Adds the kinetic tables of one sheet of rows (and its notes) to `found`.
void FindTables(const std::vector<TCellRow>& rows, const TReadOptions& options, TRefusals& refusals,
                std::vector<TKineticTable>& tables) {
  const TLayoutInput in{rows, options, refusals.reasons, refusals.timesMissing};
  size_t at = 0;
  while (at < rows.size()) {
    size_t next = at;
    for (const Detector detect : kDetectors) {
      next = detect(in, at, tables);
      if (next > at) break;
    }
    at = next > at ? next : at + 1;
  }
}

std::string NoTableMessage(const std::string& file, const std::vector<TCellRow>& rows,
                           const std::vector<std::string>& refusals) {
  std::string message = "'" + file + "' holds no kinetic table";
  if (!refusals.empty()) {
    message += ": ";
    for (size_t k = 0; k < refusals.size() && k < 3; ++k) message += (k ? "; " : "") + refusals[k];
    return message;
  }
  size_t lines = 0;
  const TCellRow* firstNumbers = nullptr;
  for (const TCellRow& row : rows) {
    if (row.cells.empty()) continue;
    ++lines;
    if (firstNumbers == nullptr) {
      for (const std::string& cell : row.cells) {
        double value = 0;
        bool clock = false;
        if (ReadTimeCell(cell, 1, value, clock)) firstNumbers = &row;
      }
    }
  }
  if (lines == 0) return message + ": it holds no text";
  message += " (no times down the rows or across over readings of wells)";
  if (firstNumbers != nullptr) {
    message += ": the first line with numbers, line " + std::to_string(firstNumbers->line) +
               ", reads " + Excerpt(*firstNumbers);
  }
  return message;
}

// The tables of every sheet of a workbook; a sheet's name names its unnamed tables.
void FindSheetTables(std::string_view bytes, const TReadOptions& options, TRefusals& refusals,
                     TFileTables& found) {
  for (TSheetRows& sheet : ReadWorkbookSheets(bytes, found.file)) {
    DropEmptyFirstColumn(sheet.rows);
    const size_t before = found.tables.size();
    FindTables(sheet.rows, options, refusals, found.tables);
    for (size_t k = before; k < found.tables.size(); ++k) {
      if (found.tables[k].name.empty()) found.tables[k].name = sheet.name;
    }
    if (found.tables.size() == before) {
      found.notes.push_back("sheet '" + sheet.name + "' holds no kinetic table");
    }
  }
}

[[noreturn]] void Refuse(const std::string& message, const TRefusals& refusals) {
  if (refusals.timesMissing) throw ETimesMissing(message);
  if (!refusals.reasons.empty()) throw ELayoutRefused(message);
  throw EInvalidInput(message);
}

}  // namespace

TFileTables ParseTables(std::string_view bytes, const std::string& fileName,
                        const TReadOptions& options) {
  if (bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw EInvalidInput("'" + fileName + "' is too large for a data file");
  }
  TFileTables found;
  found.file = fileName;
  TRefusals refusals;
  if (LooksLikeWorkbook(bytes)) {
    FindSheetTables(bytes, options, refusals, found);
    if (found.tables.empty()) {
      std::string message = "'" + fileName + "' holds no kinetic table in any sheet";
      for (size_t k = 0; k < refusals.reasons.size() && k < 3; ++k)
        message += (k ? "; " : ": ") + refusals.reasons[k];
      Refuse(message, refusals);
    }
  } else {
    std::string converted, note;
    const std::string_view text = DecodeText(bytes, fileName, converted, &note);
    if (!note.empty()) found.notes.push_back(note);
    RefuseBinary(text, fileName);
    std::vector<TCellRow> rows = SplitCellRows(text);
    DropEmptyFirstColumn(rows);
    FindTables(rows, options, refusals, found.tables);
    if (found.tables.empty()) Refuse(NoTableMessage(fileName, rows, refusals.reasons), refusals);
  }
  // Beside tables that were read, what was found but not read is said.
  found.notes.insert(found.notes.end(), refusals.reasons.begin(), refusals.reasons.end());
  return found;
}

TFileTables ReadTables(const std::string& path, const TReadOptions& options) {
  const bool workbook = path.size() >= 5 && (path.ends_with(".xlsx") || path.ends_with(".XLSX"));
  return ParseTables(ReadFileBytes(path, !workbook), path, options);
}

}  // namespace actinfit::files
