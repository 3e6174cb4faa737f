// The question an instrument export raises: which of its tables, and which well of it.
#pragma once

#include <QString>
#include <cstddef>

#include "core/files/tables.h"

class QWidget;

namespace actinfit {

struct TTraceChoice {
  size_t table = 0;
  size_t trace = 0;
  QString interval;  // the seconds between reads as typed, where they were asked
};

// Asks for a table (chooser "cbTable") and one of its wells (list "cbReadingsColumn", the first
// well preselected), showing what each table left out and why. With `wellToo` false only the
// table is asked. With `askInterval` (tables of a file without times, read in order one second
// apart, each with that reading's note first) the wells show their reads without times, and a
// field "edInterval" asks the seconds between reads. False when the user cancels.
bool AskTableAndWell(QWidget* parent, const QString& fileName, const files::TFileTables& tables,
                     bool wellToo, TTraceChoice& choice, bool askInterval = false);

}  // namespace actinfit
