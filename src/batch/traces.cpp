#include "batch/traces.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "batch/messages.h"
#include "batch/trace_notes.h"
#include "core/errors.h"
#include "core/files/datafile.h"

namespace actinfit::batch {

namespace {

void AddFileTraces(const std::string& file, std::vector<TTrace>& traces) {
  const TDataTable table = ReadDataFile(file);
  if (table.Columns.size() < 2) throw EInvalidInput(file + ": no readings column");
  std::vector<std::string> fileNotes = FileNotes(table);
  for (size_t c = 1; c < table.Columns.size(); ++c) {
    TTrace trace;
    trace.file = file;
    const std::string header = c < table.Names.size() ? table.Names[c] : std::string();
    trace.column = header.empty() ? std::to_string(c + 1) : header;
    trace.name = file + ":" + trace.column;
    trace.notes = std::move(fileNotes);  // the file's notes go with its first trace
    fileNotes.clear();
    try {
      // Each trace has the points of its own readings, those of the rows where they are missing
      // left out.
      TColumnPoints points = ColumnPoints(table, c);
      for (std::string& note : PointNotes(trace.name, points))
        trace.notes.push_back(std::move(note));
      trace.time = std::move(points.time);
      trace.readings = std::move(points.readings);
    } catch (const EInvalidInput& error) {
      trace.failure = UserMessage(error);
    }
    traces.push_back(std::move(trace));
  }
}

}  // namespace

std::vector<TTrace> LoadTraces(const std::vector<std::string>& files) {
  std::vector<TTrace> traces;
  for (const std::string& file : files) {
    try {
      AddFileTraces(file, traces);
    } catch (const std::exception& error) {
      TTrace failed;
      failed.name = file;
      failed.file = file;
      failed.failure = UserMessage(error);
      traces.push_back(std::move(failed));
    }
  }
  return traces;
}

void PrintNotes(const std::vector<TTrace>& traces) {
  for (const TTrace& trace : traces) {
    for (const std::string& note : trace.notes) std::fprintf(stderr, "%s\n", note.c_str());
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
  model.Init = {settings.gActin, 0, 0};
  model.Dt = settings.dt;
  return model;
}

}  // namespace actinfit::batch
