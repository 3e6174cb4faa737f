#include "core/files/datafile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/errors.h"
#include "core/files/data_cells.h"
#include "core/files/file_bytes.h"
#include "core/files/text_encoding.h"

namespace actinfit {
namespace {

// The separators tried, in the order that wins a tie: a tab or a semicolon is a deliberate
// choice of whoever wrote the file, a comma may be a decimal mark, blanks are the fallback.
constexpr std::array<char, 4> kSeparators = {'\t', ';', ',', ' '};

// Lines that look like rows for some separator before the separator is chosen.
constexpr int32_t kSampleRows = 64;

// How much of a line a message quotes.
constexpr size_t kQuotedLine = 60;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string Quoted(const std::string& fileName) {
  return "'" + fileName + "'";
}

std::string AtLine(const std::string& fileName, int32_t line) {
  return Quoted(fileName) + ", line " + std::to_string(line) + ": ";
}

std::string Excerpt(std::string_view text) {
  std::string quoted(1, '\'');
  quoted.append(Utf8Prefix(text, kQuotedLine)).append(text.size() > kQuotedLine ? "...'" : "'");
  return quoted;
}

// The lines of a text, numbered from 1; LF, CR LF and a lone CR each end a line.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    // The next LF is remembered, so a file of lone CRs is not searched to its end per line.
    if (lf_ < pos_ || lf_ == kUnknown) {
      const void* lf = std::memchr(text_.data() + pos_, '\n', text_.size() - pos_);
      lf_ = lf ? static_cast<size_t>(static_cast<const char*>(lf) - text_.data()) : text_.size();
    }
    size_t end = lf_;
    if (const void* cr = std::memchr(text_.data() + pos_, '\r', end - pos_)) {
      end = static_cast<size_t>(static_cast<const char*>(cr) - text_.data());
    }
    line = text_.substr(pos_, end - pos_);
    pos_ = end;
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    ++number_;
    return true;
  }

  int32_t Number() const { return number_; }

 private:
  static constexpr size_t kUnknown = std::string_view::npos;
  std::string_view text_;
  size_t pos_ = 0;
  size_t lf_ = kUnknown;
  int32_t number_ = 0;
};

bool IsComment(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i == line.size()) return false;
  const char c = line[i];
  return c == '#' || c == '%' || c == '!' ||
         (c == '/' && i + 1 < line.size() && line[i + 1] == '/');
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Splits a line into its fields: at runs of blanks and tabs for ' ', otherwise at each
// `separator` outside double quotes, each field trimmed of blanks and tabs and of the quotes
// around it. Empty fields stay: an empty cell is a missing reading.
void SplitFields(std::string_view line, char separator, std::vector<std::string_view>& fields) {
  fields.clear();
  if (separator == ' ') {
    size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && IsBlank(line[i])) ++i;
      const size_t start = i;
      while (i < line.size() && !IsBlank(line[i])) ++i;
      if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return;
  }
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size()) {
      if (line[i] == '"') quoted = !quoted;
      if (quoted || line[i] != separator) continue;
    }
    std::string_view field = Trim(line.substr(start, i - start));
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
      field = Trim(field.substr(1, field.size() - 2));
    }
    fields.push_back(field);
    start = i + 1;
  }
}

enum class RowKind {
  Row,         // a time, then numbers or missing readings
  OutOfRange,  // a row but for a number beyond the range of a 64-bit real
  BadTime,     // a row but for a time written like a clock time that is none
  Untimed,     // numbers after a first cell that is no time
  Other,
};

struct RowRead {
  RowKind kind = RowKind::Other;
  size_t width = 0;    // the cells up to the last that is not empty, at least 2
  bool clock = false;  // the time was a clock time
  bool anyReading = false;
  std::string fault;  // what is wrong with the time, for BadTime
};

// Reads the fields of one line: at least two, the first a time, the others numbers or missing.
// `values` gets one value per field.
RowRead ReadRow(const std::vector<std::string_view>& fields, char& mark,
                std::vector<double>& values) {
  RowRead row;
  values.clear();
  if (fields.size() < 2) return row;
  char rowMark = mark;
  double time = 0;
  const CellKind timeKind = ReadTime(fields[0], rowMark, time, row.clock, row.fault);
  values.push_back(time);
  bool outOfRange = timeKind == CellKind::OutOfRange;
  for (size_t k = 1; k < fields.size(); ++k) {
    double value = 0;
    const CellKind kind = ReadReading(fields[k], rowMark, value);
    if (kind == CellKind::Text) return row;
    if (kind != CellKind::Missing) row.width = k + 1;
    outOfRange = outOfRange || kind == CellKind::OutOfRange;
    row.anyReading = row.anyReading || kind == CellKind::Number;
    values.push_back(value);
  }
  row.width = std::max<size_t>(row.width, 2);
  for (size_t k = row.width; k < fields.size(); ++k) {
    if (!fields[k].empty()) row.width = k + 1;  // a mark such as "*" holds its column's place
  }
  if (timeKind == CellKind::Text || timeKind == CellKind::Missing) {
    row.kind = row.anyReading ? RowKind::Untimed : RowKind::Other;
  } else if (timeKind == CellKind::BadTime) {
    row.kind = RowKind::BadTime;
  } else {
    row.kind = outOfRange ? RowKind::OutOfRange : RowKind::Row;
    mark = rowMark;
  }
  return row;
}

struct Layout {
  char separator = ' ';
  char mark = 0;  // 0: not known yet, the first number with a decimal mark decides
};

// Chooses the separator under which most of the first lines read as rows with readings (then
// as rows at all, then as rows but for their time), and the decimal mark those rows agree on.
Layout DetectLayout(std::string_view text) {
  struct Count {
    int32_t withReadings = 0, rows = 0, untimed = 0, dot = 0, comma = 0;
    auto Rank() const { return std::array{withReadings, rows, untimed}; }
  };
  std::array<Count, kSeparators.size()> counts{};
  std::vector<std::string_view> fields;
  std::vector<double> values;
  LineReader lines(text);
  std::string_view line;
  int32_t best = 0;
  while (best < kSampleRows && lines.Next(line)) {
    if (IsComment(line)) continue;
    for (size_t k = 0; k < kSeparators.size(); ++k) {
      SplitFields(line, kSeparators[k], fields);
      char mark = 0;
      const RowRead row = ReadRow(fields, mark, values);
      Count& count = counts[k];
      if (row.kind == RowKind::Untimed) ++count.untimed;
      if (row.kind == RowKind::Other || row.kind == RowKind::Untimed) continue;
      ++count.rows;
      if (row.anyReading) ++count.withReadings;
      if (mark == '.') ++count.dot;
      if (mark == ',') ++count.comma;
      best = std::max({best, count.rows, count.untimed});
    }
  }
  size_t chosen = 0;
  for (size_t k = 1; k < kSeparators.size(); ++k) {
    if (counts[k].Rank() > counts[chosen].Rank()) chosen = k;
  }
  if (counts[chosen].Rank() == Count{}.Rank()) chosen = kSeparators.size() - 1;
  Layout layout;
  layout.separator = kSeparators[chosen];
  const Count& count = counts[chosen];
  if (count.dot > 0 || count.comma > 0) layout.mark = count.comma > count.dot ? ',' : '.';
  return layout;
}

// What a file without a single row holds instead, for the message that refuses it.
struct Findings {
  // The second line of numbers behind a first cell that is no time: the first is most often the
  // header of such a table ("Cycle Nr.;1;2;3"), the second its first row ("A1;50;51;52").
  int32_t untimedLines = 0;
  int32_t untimedLine = 0;
  std::string untimedCell;
  int32_t numberLine = 0;  // the first line with a digit
  std::string numberText;
  int32_t textLine = 0;  // the first line that is neither empty nor a comment
  std::string textText;

  void Note(std::string_view line, int32_t number, const RowRead& row,
            const std::vector<std::string_view>& fields) {
    if (row.kind == RowKind::Untimed && ++untimedLines == 2) {
      untimedLine = number;
      untimedCell = Excerpt(fields[0]);
    }
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty()) return;
    if (textLine == 0) {
      textLine = number;
      textText = Excerpt(trimmed);
    }
    if (numberLine == 0 && trimmed.find_first_of("0123456789") != std::string_view::npos) {
      numberLine = number;
      numberText = Excerpt(trimmed);
    }
  }

  std::string Message(const std::string& fileName) const {
    std::string message = Quoted(fileName) + " holds no two columns of numbers: ";
    if (untimedLine != 0) {
      return message + "the first column holds no times (line " + std::to_string(untimedLine) +
             ": " + untimedCell + ")";
    }
    if (numberLine != 0)
      return message + "line " + std::to_string(numberLine) + " reads " + numberText;
    if (textLine != 0) return message + "line " + std::to_string(textLine) + " reads " + textText;
    return message + "it holds no text but comments";
  }
};

// Builds the table row by row once the separator is known.
class TableBuilder {
 public:
  TableBuilder(const std::string& fileName, char separator) : separator_(separator) {
    table_.FileName = fileName;
    table_.Separator = separator;
  }

  bool Started() const { return columns_ != 0; }

  void Header(std::string_view line, int32_t number) {
    header_ = line;
    headerLine_ = number;
  }

  void Skipped(int32_t number) { table_.SkippedLines.push_back(number); }

  void Add(const RowRead& row, const std::vector<double>& values, int32_t number) {
    if (columns_ == 0) Start(row);
    const size_t cells = values.size();
    const bool widens = row.width > columns_;
    if (cells < columns_ || (widens && fewestCells_ < row.width)) {
      throw EInvalidInput(AtLine(table_.FileName, number) +
                          std::to_string(widens ? row.width : cells) +
                          " numbers where the rows above have " + std::to_string(columns_));
    }
    if (widens) Widen(row.width);
    fewestCells_ = std::min(fewestCells_, cells);
    const double time = row.clock ? values[0] : values[0] * secondsPerUnit_;
    if (!std::isfinite(time)) {
      throw EInvalidInput(AtLine(table_.FileName, number) +
                          "a time beyond the range of a 64-bit real");
    }
    table_.Columns[0].push_back(time);
    for (size_t k = 1; k < columns_; ++k) table_.Columns[k].push_back(values[k]);
    table_.Lines.push_back(number);
    clockTimes_ = clockTimes_ || row.clock;
  }

  TDataTable Finish(char mark) {
    std::vector<std::string_view> fields;
    SplitFields(header_, separator_, fields);
    for (size_t k = 0; k < columns_; ++k) {
      table_.Names.push_back(k < fields.size() ? std::string(fields[k]) : std::string());
    }
    const int32_t last = table_.Lines.back();
    std::erase_if(table_.SkippedLines, [last](int32_t line) { return line > last; });
    if (clockTimes_ && table_.TimeNote.empty()) {
      table_.TimeNote = "clock times (h:mm:ss, mm:ss) read as seconds";
    }
    table_.DecimalMark = mark == 0 ? '.' : mark;
    return std::move(table_);
  }

 private:
  // The first row fixes the columns; the header above it names them and the time's unit.
  void Start(const RowRead& row) {
    columns_ = row.width;
    table_.Columns.resize(columns_);
    std::vector<std::string_view> fields;
    SplitFields(header_, separator_, fields);
    if (fields.empty()) return;
    std::string unit, unknown;
    secondsPerUnit_ = SecondsPerTimeUnit(fields[0], unit, unknown);
    if (secondsPerUnit_ == 0) {
      throw EInvalidInput(AtLine(table_.FileName, headerLine_) + "the time column's unit '" +
                          unknown + "' (in '" + std::string(fields[0]) +
                          "') is none of s, min and h");
    }
    if (!unit.empty()) {
      table_.TimeNote =
          "times in " + unit + " ('" + std::string(fields[0]) + "') converted to seconds";
    }
  }

  void Widen(size_t columns) {
    table_.Columns.resize(columns, std::vector<double>(table_.Lines.size(),
                                                       std::numeric_limits<double>::quiet_NaN()));
    columns_ = columns;
  }

  TDataTable table_;
  char separator_;
  std::string_view header_;  // the last line before the first row that is neither row nor comment
  int32_t headerLine_ = 0;
  size_t columns_ = 0;
  size_t fewestCells_ = std::numeric_limits<size_t>::max();
  double secondsPerUnit_ = 1;
  bool clockTimes_ = false;
};

}  // namespace

TDataTable ParseDataText(std::string_view bytes, const std::string& fileName) {
  // Line numbers are 32-bit; a data file is never near that size.
  if (bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw EInvalidInput(Quoted(fileName) + " is too large for a data file");
  }
  std::string converted;
  const std::string_view text = DecodeText(bytes, fileName, converted);
  RefuseBinary(text, fileName);

  Layout layout = DetectLayout(text);
  TableBuilder builder(fileName, layout.separator);
  Findings findings;
  std::vector<std::string_view> fields;
  std::vector<double> values;
  LineReader lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    if (IsComment(line)) continue;
    SplitFields(line, layout.separator, fields);
    const RowRead row = ReadRow(fields, layout.mark, values);
    const int32_t number = lines.Number();
    switch (row.kind) {
      case RowKind::Row:
        builder.Add(row, values, number);
        break;
      case RowKind::OutOfRange:
        throw EInvalidInput(AtLine(fileName, number) +
                            "a number beyond the range of a 64-bit real");
      case RowKind::BadTime:
        throw EInvalidInput(AtLine(fileName, number) + row.fault);
      case RowKind::Untimed:
      case RowKind::Other:
        if (builder.Started()) {
          if (!Trim(line).empty()) builder.Skipped(number);
        } else {
          findings.Note(line, number, row, fields);
          if (!Trim(line).empty()) builder.Header(line, number);
        }
        break;
    }
  }
  if (!builder.Started()) throw EInvalidInput(findings.Message(fileName));
  return builder.Finish(layout.mark);
}

TDataTable ReadDataFile(const std::string& path) {
  return ParseDataText(ReadFileBytes(path, true), path);
}

TColumnPoints ColumnPoints(const TDataTable& table, size_t column) {
  TColumnPoints points;
  const std::vector<double>& readings = table.Columns.at(column);
  for (size_t i = 0; i < readings.size(); ++i) {
    if (std::isnan(readings[i])) {
      points.missingLines.push_back(table.Lines[i]);
      continue;
    }
    points.time.push_back(table.Columns[0][i]);
    points.readings.push_back(readings[i]);
    points.lines.push_back(table.Lines[i]);
  }
  if (points.readings.empty()) {
    throw EInvalidInput(Quoted(table.FileName) + ": " + ColumnLabel(table, column) +
                        " holds no readings: every cell is empty or marks a missing reading");
  }
  return points;
}

std::string ColumnLabel(const TDataTable& table, size_t column) {
  std::string label = "column " + std::to_string(column + 1);
  const std::string name =
      column < table.Names.size() ? std::string(Trim(table.Names[column])) : std::string();
  if (!name.empty()) label += " ('" + name + "')";
  return label;
}

}  // namespace actinfit
