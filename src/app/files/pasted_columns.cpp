#include "app/files/pasted_columns.h"

#include <QRegularExpression>
#include <QStringList>

#include "core/errors.h"

namespace actinfit {

PastedColumns SplitTwoColumns(const QString& text) {
  static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
  QStringList lines = text.split(lineBreak);
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  QStringList time, readings;
  bool twoCells = false;
  for (const QString& line : lines) {
    const QStringList cells = line.split(u'\t');
    twoCells = twoCells || cells.size() >= 2;
    time << cells[0];
    readings << (cells.size() >= 2 ? cells[1] : QString());
  }
  if (!twoCells) {
    throw Error("The clipboard holds no two columns: copy two columns of a spreadsheet");
  }
  return {time.join(u'\n'), readings.join(u'\n')};
}

}  // namespace actinfit
