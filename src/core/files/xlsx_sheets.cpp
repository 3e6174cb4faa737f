#include "core/files/xlsx_sheets.h"

#include <zip.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <set>

#include "core/errors.h"

namespace actinfit::files {

namespace {

// The largest part of a workbook unpacked: far above any sheet of readings, far below memory.
constexpr zip_uint64_t kMaxPartBytes = zip_uint64_t{256} << 20;
// The most columns and empty rows a sheet may claim before its cells are taken as garbage.
constexpr size_t kMaxColumns = 16384;

class Archive {
 public:
  Archive(std::string_view bytes, const std::string& fileName) : fileName_(fileName) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source != nullptr) archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (archive_ == nullptr) {
      if (source != nullptr) zip_source_free(source);
      const std::string why = zip_error_strerror(&error);
      zip_error_fini(&error);
      throw EInvalidInput("'" + fileName + "' is no workbook that can be read (" + why + ")");
    }
    zip_error_fini(&error);
  }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;
  ~Archive() { zip_discard(archive_); }

  // The part at `name`, none where the archive has no such part.
  std::optional<std::string> Part(const std::string& name) const {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive_, name.c_str(), 0, &stat) != 0) return std::nullopt;
    if ((stat.valid & ZIP_STAT_SIZE) == 0 || stat.size > kMaxPartBytes) Fail(name, "too large");
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen(archive_, name.c_str(), 0),
                                                           &zip_fclose);
    if (!file) Fail(name, zip_strerror(archive_));
    std::string content(stat.size, '\0');
    const zip_int64_t got = zip_fread(file.get(), content.data(), content.size());
    if (got < 0 || static_cast<zip_uint64_t>(got) != stat.size) Fail(name, "damaged");
    return content;
  }

  [[noreturn]] void Fail(const std::string& part, const std::string& why) const {
    throw EInvalidInput("'" + fileName_ + "': the workbook's part " + part + " cannot be read (" +
                        why + ")");
  }

 private:
  std::string fileName_;
  zip_t* archive_ = nullptr;
};

// An element's name without its namespace prefix ("x:row" -> "row").
std::string_view Local(const pugi::xml_node& node) {
  std::string_view name = node.name();
  const size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node Child(const pugi::xml_node& node, std::string_view name) {
  for (pugi::xml_node child : node.children()) {
    if (Local(child) == name) return child;
  }
  return {};
}

pugi::xml_attribute Attribute(const pugi::xml_node& node, std::string_view name) {
  for (pugi::xml_attribute a : node.attributes()) {
    std::string_view attribute = a.name();
    const size_t colon = attribute.find(':');
    if (colon != std::string_view::npos) attribute = attribute.substr(colon + 1);
    if (attribute == name) return a;
  }
  return {};
}

pugi::xml_document Parse(const Archive& archive, const std::string& part, const std::string& text) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size());
  if (!parsed) archive.Fail(part, parsed.description());
  return document;
}

// The text of a string item: its <t>, or the <t> of each run.
std::string ItemText(const pugi::xml_node& item) {
  std::string text;
  for (pugi::xml_node child : item.children()) {
    if (Local(child) == "t") text += child.text().get();
    if (Local(child) == "r") text += Child(child, "t").text().get();
  }
  return text;
}

std::vector<std::string> SharedStrings(const Archive& archive) {
  std::vector<std::string> strings;
  const std::optional<std::string> part = archive.Part("xl/sharedStrings.xml");
  if (!part) return strings;
  const pugi::xml_document document = Parse(archive, "xl/sharedStrings.xml", *part);
  for (pugi::xml_node item : document.first_child().children()) {
    if (Local(item) == "si") strings.push_back(ItemText(item));
  }
  return strings;
}

// A number format that shows a time of day or a duration: hours, minutes or seconds, no date.
bool IsTimeFormat(int id, const std::map<int, std::string>& custom) {
  if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47)) return true;
  const auto found = custom.find(id);
  if (found == custom.end()) return false;
  bool quoted = false, time = false;
  for (const char c : found->second) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    const char lower = static_cast<char>(c | 0x20);
    if (lower == 'y' || lower == 'd') return false;
    if (lower == 'h' || lower == 's') time = true;
  }
  return time;
}

// The style indices whose number format is a time.
std::set<size_t> TimeStyles(const Archive& archive) {
  std::set<size_t> styles;
  const std::optional<std::string> part = archive.Part("xl/styles.xml");
  if (!part) return styles;
  const pugi::xml_document document = Parse(archive, "xl/styles.xml", *part);
  const pugi::xml_node sheet = document.first_child();
  std::map<int, std::string> custom;
  for (pugi::xml_node format : Child(sheet, "numFmts").children()) {
    custom[Attribute(format, "numFmtId").as_int()] = Attribute(format, "formatCode").value();
  }
  size_t index = 0;
  for (pugi::xml_node xf : Child(sheet, "cellXfs").children()) {
    if (Local(xf) != "xf") continue;
    if (IsTimeFormat(Attribute(xf, "numFmtId").as_int(), custom)) styles.insert(index);
    ++index;
  }
  return styles;
}

// "h:mm:ss.ffffff" of a fraction of a day, as the cell readers take clock times.
std::string ClockOf(std::string_view number) {
  double days = 0;
  if (std::from_chars(number.data(), number.data() + number.size(), days).ec != std::errc() ||
      !(days >= 0) || days > 1e6) {
    return std::string(number);
  }
  const double micros = std::round(days * 86400e6);
  const auto total = static_cast<long long>(micros);
  const long long seconds = total / 1000000, fraction = total % 1000000;
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), "%lld:%02lld:%02lld.%06lld", seconds / 3600,
                seconds / 60 % 60, seconds % 60, fraction);
  return text.data();
}

// The column of a cell reference ("C12" -> 2); none when it is no reference.
std::optional<size_t> ColumnOf(std::string_view reference) {
  size_t column = 0, letters = 0;
  for (const char c : reference) {
    if (c < 'A' || c > 'Z') break;
    column = column * 26 + static_cast<size_t>(c - 'A' + 1);
    ++letters;
  }
  if (letters == 0 || letters > 3 || column > kMaxColumns) return std::nullopt;
  return column - 1;
}

struct SheetContext {
  const std::vector<std::string>& strings;
  const std::set<size_t>& timeStyles;
};

std::string CellText(const pugi::xml_node& cell, const SheetContext& context) {
  const std::string_view type = Attribute(cell, "t").value();
  const char* value = Child(cell, "v").text().get();
  if (type == "s") {
    const size_t index = Child(cell, "v").text().as_ullong(~0ull);
    return index < context.strings.size() ? context.strings[index] : std::string();
  }
  if (type == "inlineStr") return ItemText(Child(cell, "is"));
  if (type == "b") return std::string_view(value) == "1" ? "TRUE" : "FALSE";
  if (type.empty() || type == "n") {
    const pugi::xml_attribute style = Attribute(cell, "s");
    if (style && context.timeStyles.count(style.as_uint()) != 0) return ClockOf(value);
  }
  return value;
}

std::vector<TCellRow> SheetRows(const pugi::xml_document& document, const SheetContext& context) {
  std::vector<TCellRow> rows;
  const pugi::xml_node data = Child(document.first_child(), "sheetData");
  int32_t last = 0;
  for (pugi::xml_node row : data.children()) {
    if (Local(row) != "row") continue;
    TCellRow cells;
    cells.line = static_cast<int32_t>(Attribute(row, "r").as_int(last + 1));
    // Empty rows keep the blocks of a sheet apart; one stands for many.
    if (cells.line > last + 1) rows.push_back(TCellRow{last + 1, {}});
    last = cells.line;
    for (pugi::xml_node cell : row.children()) {
      if (Local(cell) != "c") continue;
      const pugi::xml_attribute reference = Attribute(cell, "r");
      const std::optional<size_t> column =
          reference ? ColumnOf(reference.value()) : std::optional<size_t>(cells.cells.size());
      if (!column) continue;
      if (*column >= cells.cells.size()) cells.cells.resize(*column + 1);
      cells.cells[*column] = CellText(cell, context);
    }
    while (!cells.cells.empty() && cells.cells.back().empty()) cells.cells.pop_back();
    rows.push_back(std::move(cells));
  }
  return rows;
}

// The part of each sheet, from the workbook and its relations.
std::vector<std::pair<std::string, std::string>> SheetParts(const Archive& archive) {
  const std::optional<std::string> workbook = archive.Part("xl/workbook.xml");
  if (!workbook) archive.Fail("xl/workbook.xml", "missing");
  const pugi::xml_document book = Parse(archive, "xl/workbook.xml", *workbook);
  std::map<std::string, std::string> targets;
  if (const auto rels = archive.Part("xl/_rels/workbook.xml.rels")) {
    const pugi::xml_document relations = Parse(archive, "xl/_rels/workbook.xml.rels", *rels);
    for (pugi::xml_node relation : relations.first_child().children()) {
      std::string target = Attribute(relation, "Target").value();
      if (target.starts_with("/")) {
        target.erase(0, 1);
      } else {
        target = "xl/" + target;
      }
      targets[Attribute(relation, "Id").value()] = target;
    }
  }
  std::vector<std::pair<std::string, std::string>> sheets;
  size_t number = 0;
  for (pugi::xml_node sheet : Child(book.first_child(), "sheets").children()) {
    ++number;
    const auto target = targets.find(Attribute(sheet, "id").value());
    sheets.emplace_back(Attribute(sheet, "name").value(),
                        target != targets.end()
                            ? target->second
                            : "xl/worksheets/sheet" + std::to_string(number) + ".xml");
  }
  return sheets;
}

}  // namespace

bool LooksLikeWorkbook(std::string_view bytes) {
  return bytes.starts_with(std::string_view("PK\x03\x04", 4));
}

std::vector<TSheetRows> ReadWorkbookSheets(std::string_view bytes, const std::string& fileName) {
  const Archive archive(bytes, fileName);
  const std::vector<std::string> strings = SharedStrings(archive);
  const std::set<size_t> timeStyles = TimeStyles(archive);
  const SheetContext context{strings, timeStyles};
  std::vector<TSheetRows> sheets;
  for (const auto& [name, part] : SheetParts(archive)) {
    const std::optional<std::string> text = archive.Part(part);
    if (!text) continue;
    sheets.push_back({name, SheetRows(Parse(archive, part, *text), context)});
  }
  return sheets;
}

}  // namespace actinfit::files
