#include "batch/selection.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

#include "core/errors.h"

namespace actinfit::batch {

namespace {

// A plate position: row 1 is A, 27 is AA; column from 1.
struct TWell {
  int row = 0;
  int column = 0;
};

// Far beyond any plate (a 3456-well plate has 48 rows and 72 columns): a range past these is a
// typing error, not a selection.
constexpr int kMaxRows = 64;
constexpr int kMaxColumns = 128;

std::optional<TWell> WellOf(std::string_view name) {
  size_t letters = 0;
  while (letters < name.size() && std::isalpha(static_cast<unsigned char>(name[letters]))) {
    ++letters;
  }
  if (letters == 0 || letters > 2 || letters == name.size()) return std::nullopt;
  TWell well;
  for (size_t i = 0; i < letters; ++i) {
    well.row = well.row * 26 + (std::toupper(static_cast<unsigned char>(name[i])) - 'A' + 1);
  }
  const std::string_view digits = name.substr(letters);
  const auto [end, failed] =
      std::from_chars(digits.data(), digits.data() + digits.size(), well.column);
  if (failed != std::errc() || end != digits.data() + digits.size() || well.column < 1 ||
      well.row > kMaxRows || well.column > kMaxColumns) {
    return std::nullopt;
  }
  return well;
}

std::string WellText(const TWell& well) {
  std::string letters;
  for (int row = well.row; row > 0; row = (row - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (row - 1) % 26));
  }
  return letters + std::to_string(well.column);
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

void AddRange(std::string_view item, size_t dash, std::string_view option,
              std::vector<std::string>& wells) {
  const std::optional<TWell> from = WellOf(item.substr(0, dash));
  const std::optional<TWell> to = WellOf(item.substr(dash + 1));
  if (!from || !to) {
    throw EInvalidInput(std::string(option) + ": '" + std::string(item) +
                        "' is no range of wells (A1-A12, A1-H1, A1-B3)");
  }
  for (int row = std::min(from->row, to->row); row <= std::max(from->row, to->row); ++row) {
    for (int c = std::min(from->column, to->column); c <= std::max(from->column, to->column); ++c) {
      wells.push_back(WellText({row, c}));
    }
  }
}

}  // namespace

std::string NormalWell(std::string_view name) {
  const std::optional<TWell> well = WellOf(name);
  return well ? WellText(*well) : std::string(name);
}

std::vector<std::string> ParseWellList(std::string_view text, std::string_view option) {
  std::vector<std::string> wells;
  while (true) {
    const size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    if (item.empty()) {
      throw EInvalidInput(std::string(option) + ": an empty well name in '" + std::string(text) +
                          "'");
    }
    const size_t dash = item.find('-');
    if (dash != std::string_view::npos && WellOf(item.substr(0, dash))) {
      AddRange(item, dash, option, wells);
    } else {
      wells.push_back(NormalWell(item));
    }
    if (comma == std::string_view::npos) return wells;
    text = text.substr(comma + 1);
  }
}

bool TableChosen(const files::TKineticTable& table, size_t index, std::string_view filter) {
  if (filter.empty()) return true;
  if (filter == std::to_string(index + 1)) return true;
  return Lower(table.name).find(Lower(filter)) != std::string::npos;
}

bool WellChosen(const files::TWellTrace& well, const TSelection& selection) {
  const std::string name = NormalWell(well.name);
  const auto named = [&](const std::vector<std::string>& list) {
    return std::find(list.begin(), list.end(), name) != list.end();
  };
  return (selection.wells.empty() || named(selection.wells)) && !named(selection.exclude);
}

std::vector<TChosenTable> ChooseTraces(const files::TFileTables& file,
                                       const TSelection& selection) {
  std::vector<TChosenTable> chosen;
  bool anyWell = false;
  for (size_t t = 0; t < file.tables.size(); ++t) {
    const files::TKineticTable& table = file.tables[t];
    if (!TableChosen(table, t, selection.table)) continue;
    TChosenTable& kept = chosen.emplace_back();
    kept.index = t;
    for (size_t w = 0; w < table.traces.size(); ++w) {
      if (WellChosen(table.traces[w], selection)) kept.wells.push_back(w);
    }
    anyWell = anyWell || !kept.wells.empty();
  }
  if (chosen.empty()) {
    std::string list;
    for (size_t t = 0; t < file.tables.size(); ++t) {
      list += (t == 0 ? "" : ", ") + std::to_string(t + 1) + " '" + file.tables[t].name + "'";
    }
    throw ENothingChosen(file.file + ": no table matches --table '" + selection.table +
                         "' (it holds " + list + ")");
  }
  if (!anyWell) throw ENothingChosen(file.file + ": --wells and --exclude keep none of its wells");
  return chosen;
}

std::string TablePrefix(const files::TFileTables& file, size_t table) {
  if (file.tables.size() == 1) return file.file;
  const std::string& name = file.tables[table].name;
  return file.file + ":" + (name.empty() ? std::to_string(table + 1) : name);
}

}  // namespace actinfit::batch
