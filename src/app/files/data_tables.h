// Between an instrument export and the window: which reader a file needs, and how a trace of
// one of its tables is named.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "core/analysis.h"
#include "core/files/datafile.h"
#include "core/files/tables.h"

namespace actinfit {

// A file as the window reads it: a plain table of columns where the tables reader finds the
// same columns in it (one table, nothing left out but columns without readings), else the
// tables of an instrument export. A file of that shape that the plain reader refuses (a time
// that is none, a number out of range) is refused for that.
struct TOpenedData {
  std::optional<TDataTable> plain;
  std::optional<files::TFileTables> tables;
};

// Raises the error of the plain reader when neither reader finds a table.
TOpenedData ReadDataForWindow(const std::string& path);

// The file's name, the table's (empty for a file of one) and the well's.
TSourceParts TraceSourceParts(const QString& path, const files::TFileTables& tables, size_t table,
                              size_t trace);
// "FILE: WELL" for a file of one table, "FILE: TABLE: WELL" otherwise.
QString TraceSourceName(const QString& path, const files::TFileTables& tables, size_t table,
                        size_t trace);

// Raises an error naming the file unless `table` and `well` name one of its traces; returns the
// trace's index. `table` counts from 0.
size_t FindWell(const files::TFileTables& tables, int table, const QString& well,
                const QString& path);

// The seconds between reads the user typed for a file without times (`path`, for the message);
// raises an error saying what to give unless it is a number above 0.
double IntervalOfReads(const QString& typed, const QString& path);

}  // namespace actinfit
