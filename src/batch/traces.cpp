#include "batch/traces.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "batch/messages.h"
#include "batch/output.h"
#include "batch/trace_notes.h"
#include "core/errors.h"
#include "core/files/datafile.h"
#include "core/files/gactin_header.h"

namespace actinfit::batch {

namespace {

// A column without a header is named by its number, as the time column counts 1.
std::string WellLabel(const files::TWellTrace& well) {
  constexpr std::string_view kColumn = "column ";
  if (well.header.empty() && well.name.starts_with(kColumn))
    return well.name.substr(kColumn.size());
  return well.name;
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
  const size_t first = traces.size();
  for (const TChosenTable& chosen : ChooseTraces(file, selection)) {
    for (std::string& note : TableNotes(TablePrefix(file, chosen.index), file.tables[chosen.index]))
      notes.push_back(std::move(note));
    for (const size_t w : chosen.wells) traces.push_back(MakeTrace(file, chosen.index, w, options));
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
