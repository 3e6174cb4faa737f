#include "app/support/pane_lines.h"

#include <QPlainTextEdit>
#include <QString>

namespace actinfit {

std::vector<std::string> SplitLines(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::vector<std::string> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c != '\n' && c != '\r') continue;
    lines.emplace_back(bytes.constData() + start, static_cast<size_t>(i - start));
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) lines.emplace_back(bytes.constData() + start, bytes.size() - start);
  return lines;
}

std::vector<std::string> ReadLines(const QPlainTextEdit& pane) {
  return SplitLines(pane.toPlainText());
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

}  // namespace actinfit
