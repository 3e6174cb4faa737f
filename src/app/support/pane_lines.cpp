#include "app/support/pane_lines.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QString>

namespace actinfit {

namespace {

// The length of the line break that starts at byte i, 0 if none: "\n", "\r\n", "\r", and the
// paragraph and line separators U+2029 and U+2028 (E2 80 A9 / E2 80 A8 in UTF-8), which is how
// the pane's document stores its block ends and a pasted line separator.
qsizetype BreakAt(const QByteArray& bytes, qsizetype i) {
  const char c = bytes[i];
  if (c == '\n') return 1;
  if (c == '\r') return i + 1 < bytes.size() && bytes[i + 1] == '\n' ? 2 : 1;
  if (c == '\xE2' && i + 2 < bytes.size() && bytes[i + 1] == '\x80' &&
      (bytes[i + 2] == '\xA8' || bytes[i + 2] == '\xA9')) {
    return 3;
  }
  return 0;
}

}  // namespace

std::vector<std::string> SplitLines(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::vector<std::string> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const qsizetype length = BreakAt(bytes, i);
    if (length == 0) continue;
    lines.emplace_back(bytes.constData() + start, static_cast<size_t>(i - start));
    i += length - 1;
    start = i + 1;
  }
  if (start < bytes.size()) lines.emplace_back(bytes.constData() + start, bytes.size() - start);
  return lines;
}

std::vector<std::string> ReadLines(const QPlainTextEdit& pane) {
  // The raw text: the plain text would turn a no-break space into a blank, and a number
  // written with one is no number.
  return SplitLines(pane.document()->toRawText());
}

void WriteLinesIfChanged(QPlainTextEdit& pane, const std::vector<std::string>& before,
                         const std::vector<std::string>& lines) {
  if (lines == before) return;
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += lines[i];
  }
  pane.setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void AppendLineShowingItsStart(QPlainTextEdit& pane, const QString& line) {
  pane.appendPlainText(line);
  // The pane scrolls to wherever its cursor is when it comes into view.
  QTextCursor cursor = pane.textCursor();
  if (!cursor.hasSelection()) {
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock);
    pane.setTextCursor(cursor);
  }
  pane.horizontalScrollBar()->setValue(0);
}

}  // namespace actinfit
