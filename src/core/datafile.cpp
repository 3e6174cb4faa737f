#include "core/datafile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <system_error>

#include "core/errors.h"

namespace actinfit {
namespace {

// The separators tried, in the order that wins a tie: a tab or a semicolon is a deliberate
// choice of whoever wrote the file, a comma may be a decimal mark, blanks are the fallback.
constexpr std::array<char, 4> kSeparators = {'\t', ';', ',', ' '};

// Lines that look like rows for some separator before the separator is chosen.
constexpr int32_t kSampleRows = 64;

// Numbers a row of any sane file has at most; more are kept on the heap.
constexpr size_t kInlineNumber = 64;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string Quoted(const std::string& fileName) {
  return "'" + fileName + "'";
}

std::string AtLine(const std::string& fileName, int32_t line) {
  return Quoted(fileName) + ", line " + std::to_string(line) + ": ";
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
// around it. Empty fields at the end of the line (a separator after the last column) go.
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
  while (!fields.empty() && fields.back().empty()) fields.pop_back();
}

enum class NumberKind { Number, OutOfRange, Text };

// Reads one field as a number with the decimal mark `mark`, '.' or ','; with `mark` 0 either
// serves, and `mark` becomes the one the field used. Optional sign, digits with an optional
// decimal mark (at least one digit), an optional exponent with at least one digit. The value is
// the correctly rounded nearest 64-bit real.
NumberKind ReadNumber(std::string_view field, char& mark, double& value) {
  const char* s = field.data();
  const size_t n = field.size();
  size_t i = 0;
  if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
  const size_t signEnd = i;
  int32_t digits = 0;
  size_t markAt = n;
  while (i < n && IsDigit(s[i])) ++i, ++digits;
  if (i < n && (s[i] == '.' || s[i] == ',')) {
    if (mark != 0 && s[i] != mark) return NumberKind::Text;
    markAt = i++;
    while (i < n && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return NumberKind::Text;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    const size_t expStart = i;
    while (i < n && IsDigit(s[i])) ++i;
    if (i == expStart) return NumberKind::Text;
  }
  if (i != n) return NumberKind::Text;
  if (markAt != n && mark == 0) mark = s[markAt];

  // The converter takes no '+' and only '.' as the decimal mark.
  const char* from = s + (s[0] == '+' ? 1 : 0);
  const char* to = s + n;
  std::array<char, kInlineNumber> buffer;
  std::unique_ptr<char[]> heap;
  if (markAt != n && s[markAt] == ',') {
    const size_t len = static_cast<size_t>(to - from);
    char* copy = buffer.data();
    if (len > buffer.size()) {
      heap = std::make_unique<char[]>(len);
      copy = heap.get();
    }
    std::memcpy(copy, from, len);
    copy[markAt - static_cast<size_t>(from - s)] = '.';
    from = copy;
    to = copy + len;
  }
  const auto [end, error] = std::from_chars(from, to, value);
  if (error == std::errc()) return NumberKind::Number;
  if (error != std::errc::result_out_of_range) return NumberKind::Text;

  // Too large or too small for a 64-bit real. The decimal exponent of the first significant
  // digit tells which: a value that underflows is zero, one that overflows is refused.
  int64_t exponent = 0;
  if (const size_t e = field.find_first_of("eE"); e != std::string_view::npos) {
    size_t k = e + 1;
    const bool negative = k < n && s[k] == '-';
    if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
    for (; k < n && exponent < 100000; ++k) exponent = exponent * 10 + (s[k] - '0');
    if (negative) exponent = -exponent;
  }
  int64_t position = 0;  // of the first significant digit, relative to the decimal mark
  for (size_t k = signEnd; k < n && s[k] != 'e' && s[k] != 'E'; ++k) {
    if (k == markAt) continue;
    if (s[k] != '0') {
      position = k < markAt ? static_cast<int64_t>(markAt - k) : -static_cast<int64_t>(k - markAt);
      break;
    }
  }
  if (position + exponent > 0) return NumberKind::OutOfRange;
  value = s[0] == '-' ? -0.0 : 0.0;
  return NumberKind::Number;
}

enum class RowKind { Row, OutOfRange, Other };

// Reads the fields of one line as a row: at least two fields, all numbers.
RowKind ReadRow(const std::vector<std::string_view>& fields, char& mark,
                std::vector<double>& values) {
  values.clear();
  if (fields.size() < 2) return RowKind::Other;
  char rowMark = mark;
  bool outOfRange = false;
  for (const std::string_view field : fields) {
    double value = 0;
    const NumberKind kind = ReadNumber(field, rowMark, value);
    if (kind == NumberKind::Text) return RowKind::Other;
    outOfRange = outOfRange || kind == NumberKind::OutOfRange;
    values.push_back(value);
  }
  mark = rowMark;
  return outOfRange ? RowKind::OutOfRange : RowKind::Row;
}

// Refuses text that is no text: a NUL or a control character other than tab, line and page
// ends (and the old end-of-file mark), as in pictures, archives and UTF-16 files.
void RefuseBinary(std::string_view text, const std::string& fileName) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == 0x1A) {
      continue;
    }
    LineReader lines(text.substr(0, i + 1));
    std::string_view line;
    while (lines.Next(line)) {
    }
    throw EInvalidInput(Quoted(fileName) + " is not a text file (line " +
                        std::to_string(lines.Number()) + " holds binary data)");
  }
}

struct Layout {
  char separator = ' ';
  char mark = 0;  // 0: not known yet, the first number with a decimal mark decides
};

// Chooses the separator under which most of the first lines read as rows, and the decimal
// mark those rows agree on.
Layout DetectLayout(std::string_view text) {
  std::array<int32_t, kSeparators.size()> rows{};
  std::array<int32_t, kSeparators.size()> dotRows{};
  std::array<int32_t, kSeparators.size()> commaRows{};
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
      if (ReadRow(fields, mark, values) == RowKind::Other) continue;
      ++rows[k];
      if (mark == '.') ++dotRows[k];
      if (mark == ',') ++commaRows[k];
      best = std::max(best, rows[k]);
    }
  }
  size_t chosen = kSeparators.size() - 1;
  for (size_t k = 0; k < kSeparators.size(); ++k) {
    if (rows[k] == best) {
      chosen = k;
      break;
    }
  }
  Layout layout;
  layout.separator = kSeparators[chosen];
  if (dotRows[chosen] > 0 || commaRows[chosen] > 0) {
    layout.mark = commaRows[chosen] > dotRows[chosen] ? ',' : '.';
  }
  return layout;
}

}  // namespace

TDataTable ParseDataText(std::string_view text, const std::string& fileName) {
  // Line numbers are 32-bit; a data file is never near that size.
  if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw EInvalidInput(Quoted(fileName) + " is too large for a data file");
  }
  RefuseBinary(text, fileName);
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

  Layout layout = DetectLayout(text);
  TDataTable table;
  std::vector<std::string_view> fields;
  std::vector<double> values;
  std::string_view header;  // the last line before the first row that is neither row nor comment
  size_t columns = 0;

  LineReader lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    if (IsComment(line)) continue;
    SplitFields(line, layout.separator, fields);
    const RowKind kind = ReadRow(fields, layout.mark, values);
    if (kind == RowKind::Other) {
      if (columns == 0 && !Trim(line).empty()) header = line;
      continue;
    }
    if (kind == RowKind::OutOfRange) {
      throw EInvalidInput(AtLine(fileName, lines.Number()) +
                          "a number beyond the range of a 64-bit real");
    }
    if (columns == 0) {
      columns = values.size();
      table.Columns.resize(columns);
      SplitFields(header, layout.separator, fields);
      for (size_t k = 0; k < columns; ++k) {
        table.Names.push_back(k < fields.size() ? std::string(fields[k]) : std::string());
      }
    } else if (values.size() != columns) {
      throw EInvalidInput(AtLine(fileName, lines.Number()) + std::to_string(values.size()) +
                          " numbers where the rows above have " + std::to_string(columns));
    }
    for (size_t k = 0; k < columns; ++k) table.Columns[k].push_back(values[k]);
    table.Lines.push_back(lines.Number());
  }
  if (columns == 0) throw EInvalidInput(Quoted(fileName) + " holds no two columns of numbers");
  table.Separator = layout.separator;
  table.DecimalMark = layout.mark == 0 ? '.' : layout.mark;
  return table;
}

TDataTable ReadDataFile(const std::string& path) {
  const auto fail = [&path] {
    throw EInvalidInput("Cannot read " + Quoted(path) + ": " + std::strerror(errno));
  };
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) fail();
  std::string text;
  std::array<char, 1 << 16> chunk;
  while (true) {
    const size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
    text.append(chunk.data(), got);
    if (got < chunk.size()) break;
  }
  if (std::ferror(file.get())) fail();
  return ParseDataText(text, path);
}

}  // namespace actinfit
