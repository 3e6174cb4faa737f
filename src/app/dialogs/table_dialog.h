// The question an instrument export raises: which of its tables, and which well of it.
#pragma once

#include <cstddef>

#include "core/files/tables.h"

class QString;
class QWidget;

namespace actinfit {

struct TTraceChoice {
  size_t table = 0;
  size_t trace = 0;
};

// Asks for a table (chooser "cbTable") and one of its wells (list "cbReadingsColumn", the first
// well preselected), showing what each table left out and why. With `wellToo` false only the
// table is asked. False when the user cancels.
bool AskTableAndWell(QWidget* parent, const QString& fileName, const files::TFileTables& tables,
                     bool wellToo, TTraceChoice& choice);

}  // namespace actinfit
