// Between a data file and the window: which file a drop brings, and which column is read.
#pragma once

#include <QString>
#include <string>

#include "core/analysis.h"
#include "core/files/datafile.h"

class QMimeData;

namespace actinfit {

// The path as the file system spells it.
std::string LocalPath(const QString& path);

// The local file a drag carries, or an empty text when it carries none.
QString DroppedDataFile(const QMimeData* mime);

// Raises an error naming the file unless `column` is one of the table's readings columns (1 to
// the number of columns - 1; column 0 is the time).
void CheckReadingsColumn(const TDataTable& table, int column, const QString& path);

// "FILE: NAME" for readings column `column` of the table read from `path` (the file's name
// without its folder; "column N" where the file names no columns).
QString DataSourceName(const QString& path, const TDataTable& table, int column);
// The same in parts: the file's name and the column's (no table).
TSourceParts DataSourceParts(const QString& path, const TDataTable& table, int column);

}  // namespace actinfit
