// The question a file of more than two numeric columns raises: which column holds the readings.
#pragma once

#include "core/files/datafile.h"

class QString;
class QWidget;

namespace actinfit {

// Asks which column of `table` (read from `fileName`) holds the readings; column 0 is the time
// and is not offered. Says how the times were converted to seconds, where they were. Returns the
// chosen column, or -1 when the user cancels. Offers first the column whose name begins with
// "reading", else column 1.
int AskReadingsColumn(QWidget* parent, const QString& fileName, const TDataTable& table);

// For a file with one readings column, which raises no question: says how its times were
// converted to seconds in a note beside the window that waits for nothing (objectName
// "mbTimeNote"); nothing for plain seconds.
void ShowTimeNote(QWidget* parent, const TDataTable& table);

}  // namespace actinfit
