// The traces of the data files: every well of every kinetic table (core/files/tables.h) that
// the selection keeps is one trace.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "batch/selection.h"
#include "batch/settings.h"
#include "core/files/tables.h"
#include "core/model.h"

namespace actinfit::batch {

struct TTrace {
  std::string name;  // FILE:WELL, or FILE:TABLE:WELL in a file of several tables
  std::string file;
  std::string series;  // the series --method global fits it in: FILE, or FILE:TABLE
  std::string column;  // the header it came from ("A4 8 uM"), else its well or number
  std::string well;    // as a plate writes it ("A4"), for --wells and the plate map
  int32_t number = 0;  // its place in its table, from 1 (the time is none)
  std::vector<double> time;
  std::vector<double> readings;
  // The G-actin the plate map or the header gives this well, uM.
  std::optional<double> gActin;
  // Set when the file could not be read: the trace then stands for the whole file (name FILE)
  // and carries the file's error instead of data.
  std::string failure;
  bool nothingChosen = false;  // the failure: --table, --wells or --exclude keep none of the file
  // Lines for standard error about how the data were read: times converted, rows and readings
  // left out, columns that are no traces, times held that went backwards.
  std::vector<std::string> notes;
};

// How the files are read and which of their wells become traces. The plate map gives the
// G-actin of wells by their name ("A1"), before their headers.
struct TLoadOptions {
  TSelection selection;
  files::TReadOptions read;
  std::map<std::string, double> plateMap;
};

// The traces of every file, in the order of the files, their tables and their wells. A file
// that cannot be read, or of which the selection keeps nothing, gives one failed trace with its
// message; the other files go on.
std::vector<TTrace> LoadTraces(const std::vector<std::string>& files,
                               const TLoadOptions& options = {});

// Writes the notes of every trace on standard error, one line each.
void PrintNotes(const std::vector<TTrace>& traces);

// A record for one trace as the window's Apply builds it: the points (a time that goes backwards
// held at the latest time so far), then every parameter, bound and mark, G-actin (the trace's
// own, else the one for all) and the step.
TModel MakeModel(const TTrace& trace, const TSettings& settings);

}  // namespace actinfit::batch
