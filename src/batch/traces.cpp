#include "batch/traces.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "batch/messages.h"
#include "batch/output.h"
#include "batch/trace_notes.h"
#include "core/errors.h"
#include "core/files/gactin_header.h"

namespace actinfit::batch {

namespace {

// A file of which the selection keeps no trace.
class ENothingChosen : public EInvalidInput {
 public:
  using EInvalidInput::EInvalidInput;
};

// A column without a header is named by its number, as the time column counts 1.
std::string WellLabel(const files::TWellTrace& well) {
  constexpr std::string_view kColumn = "column ";
  if (well.header.empty() && well.name.starts_with(kColumn))
    return well.name.substr(kColumn.size());
  return well.name;
}

std::string TableList(const files::TFileTables& file) {
  std::string list;
  for (size_t t = 0; t < file.tables.size(); ++t) {
    list += (t == 0 ? "" : ", ") + std::to_string(t + 1) + " '" + file.tables[t].name + "'";
  }
  return list;
}

TTrace MakeTrace(const files::TFileTables& file, size_t t, size_t w, const TLoadOptions& options) {
  const files::TWellTrace& well = file.tables[t].traces[w];
  TTrace trace;
  trace.file = file.file;
  trace.well = NormalWell(WellLabel(well));
  trace.column = well.header.empty() ? WellLabel(well) : well.header;
  trace.series = TablePrefix(file, t);
  trace.name = trace.series + ":" + WellLabel(well);
  trace.number = static_cast<int32_t>(w + 1);
  trace.time = well.times;
  trace.readings = well.readings;
  if (const auto mapped = options.plateMap.find(trace.well); mapped != options.plateMap.end()) {
    trace.gActin = mapped->second;
  } else {
    trace.gActin = GActinFromHeader(well.header);
  }
  for (const std::string& note : well.notes) trace.notes.push_back(trace.name + ": " + note);
  for (std::string& note : BackwardTimeNotes(trace.name, trace.time)) {
    trace.notes.push_back(std::move(note));
  }
  return trace;
}

void AddFileTraces(const std::string& path, const TLoadOptions& options,
                   std::vector<TTrace>& traces) {
  const files::TFileTables file = files::ReadTables(path, options.read);
  const TSelection& selection = options.selection;
  std::vector<std::string> notes;
  for (const std::string& note : file.notes) notes.push_back(file.file + ": " + note);
  bool anyTable = false;
  const size_t first = traces.size();
  for (size_t t = 0; t < file.tables.size(); ++t) {
    const files::TKineticTable& table = file.tables[t];
    if (!TableChosen(table, t, selection.table)) continue;
    anyTable = true;
    for (std::string& note : TableNotes(TablePrefix(file, t), table))
      notes.push_back(std::move(note));
    for (size_t w = 0; w < table.traces.size(); ++w) {
      if (!WellChosen(table.traces[w], selection)) continue;
      traces.push_back(MakeTrace(file, t, w, options));
    }
  }
  if (!anyTable) {
    throw ENothingChosen(file.file + ": no table matches --table '" + selection.table +
                         "' (it holds " + TableList(file) + ")");
  }
  if (traces.size() == first) {
    throw ENothingChosen(file.file + ": --wells and --exclude keep none of its wells");
  }
  // The file's and the tables' notes go with its first trace.
  notes.insert(notes.end(), traces[first].notes.begin(), traces[first].notes.end());
  traces[first].notes = std::move(notes);
}

}  // namespace

std::vector<TTrace> LoadTraces(const std::vector<std::string>& files, const TLoadOptions& options) {
  std::vector<TTrace> traces;
  for (const std::string& file : files) {
    try {
      AddFileTraces(file, options, traces);
    } catch (const std::exception& error) {
      TTrace failed;
      failed.name = file;
      failed.file = file;
      failed.series = file;
      failed.failure = UserMessage(error);
      failed.nothingChosen = dynamic_cast<const ENothingChosen*>(&error) != nullptr;
      traces.push_back(std::move(failed));
    }
  }
  return traces;
}

void PrintNotes(const std::vector<TTrace>& traces) {
  for (const TTrace& trace : traces) {
    for (const std::string& note : trace.notes) {
      std::fprintf(stderr, "%s\n", ValidUtf8(note).c_str());
    }
  }
}

TModel MakeModel(const TTrace& trace, const TSettings& settings) {
  const auto n = static_cast<int32_t>(std::min(trace.time.size(), trace.readings.size()));
  TModel model(n);
  for (int32_t i = 0; i < n; ++i) {
    model.Time[i] = trace.time[static_cast<size_t>(i)];
    if (i > 0 && model.Time[i] < model.Time[i - 1]) model.Time[i] = model.Time[i - 1];
    model.Data[i] = trace.readings[static_cast<size_t>(i)];
  }
  for (int k = 0; k < kParamCount; ++k) {
    const TParamSetting& param = settings.params[static_cast<size_t>(k)];
    model.Param[k] = param.value;
    model.Min[k] = param.min;
    model.Max[k] = param.max;
    model.Fit[k] = param.fit;
  }
  model.Init = {trace.gActin.value_or(settings.gActin), 0, 0};
  model.Dt = settings.dt;
  return model;
}

}  // namespace actinfit::batch
