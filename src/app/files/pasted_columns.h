// A block copied from a spreadsheet: lines of cells separated by tabs.
#pragma once

#include <QString>

namespace actinfit {

struct PastedColumns {
  QString time;      // the first cell of every line, one per line
  QString readings;  // the second cell of every line (empty where a line has none)
};

// Splits `text` into its first two columns, line for line, so that the panes keep the pairing
// of the block whatever their own cleaning later deletes. Raises an error when no line holds
// two cells.
PastedColumns SplitTwoColumns(const QString& text);

}  // namespace actinfit
