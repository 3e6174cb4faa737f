#include "app/support/pane_fill.h"

#include <QPlainTextEdit>
#include <QString>
#include <algorithm>

namespace actinfit {

void FillPane(QPlainTextEdit& pane, const std::string& lines) {
  QString text = QString::fromUtf8(lines.data(), static_cast<qsizetype>(lines.size()));
  const auto breaks = std::count(lines.begin(), lines.end(), '\n');
  if (breaks >= kParagraphPerLineUpTo) {
    int32_t inParagraph = 0;
    for (QChar& c : text) {
      if (c != u'\n') continue;
      if (++inParagraph < kLinesPerParagraph) {
        c = QChar(QChar::LineSeparator);
      } else {
        inParagraph = 0;
      }
    }
  }
  pane.setPlainText(text);
}

}  // namespace actinfit
