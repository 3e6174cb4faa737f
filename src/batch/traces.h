// The traces of the data files: every readings column after the time column is one trace.
#pragma once

#include <string>
#include <vector>

#include "batch/settings.h"
#include "core/model.h"

namespace actinfit::batch {

struct TTrace {
  std::string name;  // FILE:COLUMN, the column's header name or its number (time is 1)
  std::string file;
  std::string column;
  int32_t number = 0;  // the readings column's number in its file, from 1 (the time is none)
  std::vector<double> time;
  std::vector<double> readings;
  // Set when the file could not be read: the trace then stands for the whole file (name FILE)
  // and carries the file's error instead of data. Set too for a column without a reading.
  std::string failure;
  // Lines for standard error about how the data were read: times converted, rows and readings
  // left out, times held that went backwards.
  std::vector<std::string> notes;
};

// The traces of every file, in the order of the files and of their columns, each with the
// points whose reading is present. A file that cannot be read gives one failed trace with its
// message; the other files go on.
std::vector<TTrace> LoadTraces(const std::vector<std::string>& files);

// Writes the notes of every trace on standard error, one line each.
void PrintNotes(const std::vector<TTrace>& traces);

// A record for one trace as the window's Apply builds it: the points (a time that goes backwards
// held at the latest time so far), then every parameter, bound and mark, G-actin and the step.
TModel MakeModel(const TTrace& trace, const TSettings& settings);

}  // namespace actinfit::batch
