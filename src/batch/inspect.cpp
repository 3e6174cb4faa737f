#include "batch/inspect.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>

#include "batch/messages.h"
#include "batch/output.h"
#include "core/numtext.h"

namespace actinfit::batch {

namespace {

nlohmann::ordered_json WellJson(const files::TWellTrace& well) {
  const bool any = !well.readings.empty();
  const auto or_null = [&](const std::vector<double>& values, bool last) {
    return any ? nlohmann::ordered_json(last ? values.back() : values.front())
               : nlohmann::ordered_json(nullptr);
  };
  return {{"name", well.name},
          {"points", well.readings.size()},
          {"first_time", or_null(well.times, false)},
          {"last_time", or_null(well.times, true)},
          {"first_reading", or_null(well.readings, false)},
          {"last_reading", or_null(well.readings, true)}};
}

nlohmann::ordered_json TableJson(const files::TKineticTable& table) {
  nlohmann::ordered_json traces = nlohmann::ordered_json::array();
  for (const files::TWellTrace& well : table.traces) traces.push_back(WellJson(well));
  nlohmann::ordered_json leftOut = nlohmann::ordered_json::array();
  for (const files::TLeftOut& left : table.leftOut) {
    leftOut.push_back({{"name", left.name}, {"why", left.why}});
  }
  return {{"name", table.name}, {"traces", std::move(traces)}, {"left_out", std::move(leftOut)}};
}

std::string TableLabel(const files::TKineticTable& table, size_t index) {
  return "table " + std::to_string(index + 1) + (table.name.empty() ? "" : " '" + table.name + "'");
}

// The tables and wells --table, --wells and --exclude keep, each table with its index in the
// file, and how many tables the file holds.
struct TShown {
  files::TFileTables file;
  std::vector<size_t> index;
  size_t tablesInFile = 0;
};

TShown Shown(const files::TFileTables& file, const TSelection& selection) {
  TShown shown;
  shown.file.file = file.file;
  shown.file.notes = file.notes;
  shown.tablesInFile = file.tables.size();
  for (const TChosenTable& chosen : ChooseTraces(file, selection)) {
    const files::TKineticTable& table = file.tables[chosen.index];
    files::TKineticTable& kept = shown.file.tables.emplace_back();
    kept.name = table.name;
    kept.leftOut = table.leftOut;
    kept.notes = table.notes;
    for (const size_t w : chosen.wells) kept.traces.push_back(table.traces[w]);
    shown.index.push_back(chosen.index);
  }
  return shown;
}

// The file's notes, then each table's and each well's, named by where they come from.
std::vector<std::string> AllNotes(const TShown& shown) {
  const files::TFileTables& file = shown.file;
  std::vector<std::string> notes = file.notes;
  for (size_t k = 0; k < file.tables.size(); ++k) {
    const files::TKineticTable& table = file.tables[k];
    const size_t t = shown.index[k];
    for (const std::string& note : table.notes) notes.push_back(TableLabel(table, t) + ": " + note);
    // A well's name alone where it cannot stand for the well of another table.
    const std::string where = shown.tablesInFile == 1 ? "" : TableLabel(table, t) + ": ";
    for (const files::TWellTrace& well : table.traces) {
      for (const std::string& note : well.notes) notes.push_back(where + well.name + ": " + note);
    }
  }
  return notes;
}

// "A1, A2, ..., H12": the first wells and the last.
std::string WellList(const files::TKineticTable& table) {
  constexpr size_t kNamed = 6;
  std::string list;
  for (size_t i = 0; i < table.traces.size(); ++i) {
    if (table.traces.size() > kNamed + 1 && i == kNamed - 1) {
      list += ", ...";
      i = table.traces.size() - 1;
    }
    list += (list.empty() ? "" : ", ") + table.traces[i].name;
  }
  return list;
}

std::string TableText(const files::TKineticTable& table, size_t index) {
  size_t fewest = SIZE_MAX, most = 0;
  double first = 0, last = 0;
  for (const files::TWellTrace& well : table.traces) {
    fewest = std::min(fewest, well.readings.size());
    if (well.readings.size() >= most && !well.times.empty()) {
      most = well.readings.size();
      first = well.times.front();
      last = well.times.back();
    }
  }
  const size_t wells = table.traces.size();
  std::string text = "  " + TableLabel(table, index) + ": " + std::to_string(wells) +
                     (wells == 1 ? " well (" : " wells (") + WellList(table) + "), ";
  text += fewest == most ? std::to_string(most)
                         : std::to_string(fewest) + " to " + std::to_string(most);
  text += " readings each, times " + ShortestReal(first) + " s to " + ShortestReal(last) + " s\n";
  for (const files::TLeftOut& left : table.leftOut) {
    text += "    left out: " + left.name + " (" + left.why + ")\n";
  }
  return text;
}

}  // namespace

nlohmann::ordered_json InspectJson(const files::TFileTables& file, const TSelection& selection) {
  const TShown shown = Shown(file, selection);
  nlohmann::ordered_json tables = nlohmann::ordered_json::array();
  for (const files::TKineticTable& table : shown.file.tables) tables.push_back(TableJson(table));
  return {{"file", file.file},
          {"ok", true},
          {"message", ""},
          {"tables", std::move(tables)},
          {"notes", AllNotes(shown)}};
}

std::string InspectText(const files::TFileTables& file, const TSelection& selection) {
  const TShown shown = Shown(file, selection);
  const size_t count = shown.tablesInFile;
  std::string text =
      file.file + ": " + std::to_string(count) + (count == 1 ? " table\n" : " tables\n");
  for (size_t k = 0; k < shown.file.tables.size(); ++k) {
    text += TableText(shown.file.tables[k], shown.index[k]);
  }
  for (const std::string& note : AllNotes(shown)) text += "  note: " + note + "\n";
  return text;
}

int RunInspect(const TBatchOptions& options) {
  files::TReadOptions read;
  read.intervalSeconds = options.interval;
  bool allRead = true;
  if (options.json) WriteStandardOutput("[");
  for (size_t i = 0; i < options.files.size(); ++i) {
    const std::string& path = options.files[i];
    nlohmann::ordered_json object;
    std::string text;
    try {
      const files::TFileTables file = files::ReadTables(path, read);
      object = InspectJson(file, options.selection);
      text = InspectText(file, options.selection);
    } catch (const std::exception& error) {
      allRead = false;
      const std::string message = UserMessage(error);
      object = {{"file", path},
                {"ok", false},
                {"message", message},
                {"tables", nlohmann::ordered_json::array()},
                {"notes", nlohmann::ordered_json::array()}};
      text = path + ": " + message + "\n";
    }
    WriteStandardOutput(options.json ? (i == 0 ? "\n" : ",\n") + JsonText(object)
                                     : ValidUtf8(text));
  }
  if (options.json) WriteStandardOutput(options.files.empty() ? "]\n" : "\n]\n");
  CloseStandardOutput();
  return allRead ? 0 : 1;
}

}  // namespace actinfit::batch
