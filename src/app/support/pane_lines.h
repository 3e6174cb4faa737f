// A text pane seen as a list of lines, the form the data columns are cleaned in.
#pragma once

#include <string>
#include <vector>

class QPlainTextEdit;
class QString;

namespace actinfit {

// Splits at every line break ("\n", "\r\n", "\r", U+2028 or U+2029); the empty text after a
// final line break is not a line.
std::vector<std::string> SplitLines(const QString& text);

// The lines of `pane`, each as UTF-8 bytes (a character outside ASCII is simply no number).
std::vector<std::string> ReadLines(const QPlainTextEdit& pane);

// Writes `lines` into `pane` in one go, but only when they differ from `before`, the lines read
// from it: an untouched pane keeps its text, cursor and undo history.
void WriteLinesIfChanged(QPlainTextEdit& pane, const std::vector<std::string>& before,
                         const std::vector<std::string>& lines);

// Appends `line` and leaves the pane showing the start of it: the text cursor goes to the
// line's start (unless the user has text selected), the view to the left edge.
void AppendLineShowingItsStart(QPlainTextEdit& pane, const QString& line);

}  // namespace actinfit
