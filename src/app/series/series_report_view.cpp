#include "app/series/series_report_view.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "app/dialogs/report_table.h"
#include "core/errors.h"
#include "core/numtext.h"

namespace actinfit {

namespace {

bool IsNumber(const QString& cell) {
  try {
    ParseReal(cell.toStdString());
    return true;
  } catch (const Error&) {
    return false;
  }
}

// A column of phrases ("not limited by the data above 12", "on its bound") may wrap; numbers do
// not.
bool IsWordy(const QStringList& rows, int column) {
  for (const QString& row : rows) {
    const QStringList cells = row.split(QLatin1Char('\t'));
    if (column < cells.size() && cells[column].contains(QLatin1Char(' '))) return true;
  }
  return false;
}

}  // namespace

TSeriesReportView::TSeriesReportView(QWidget* parent) : QScrollArea(parent) {
  setObjectName(QStringLiteral("mSeriesReport"));
  setWidgetResizable(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Show(QString());
}

void TSeriesReportView::Show(const QString& text) {
  text_ = text;
  page_ = new QWidget;
  page_->setBackgroundRole(QPalette::Base);
  page_->setAutoFillBackground(true);
  layout_ = new QVBoxLayout(page_);
  QStringList run;
  bool tabular = false;
  int tables = 0;
  const auto flush = [&] {
    if (run.isEmpty()) return;
    if (tabular) {
      AddTable(run, tables++);
    } else {
      AddParagraph(run);
    }
    run.clear();
  };
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    const bool row = line.contains(QLatin1Char('\t'));
    if (line.isEmpty() || row != tabular) flush();
    tabular = row;
    if (!line.isEmpty()) run << line;
  }
  flush();
  layout_->addStretch(1);
  setWidget(page_);  // deletes the page it replaces
}

void TSeriesReportView::AddTable(const QStringList& rows, int index) {
  const QStringList header = rows.front().split(QLatin1Char('\t'));
  int columns = static_cast<int>(header.size());
  for (const QString& row : rows)
    columns = std::max(columns, int(row.count(QLatin1Char('\t'))) + 1);
  auto* table = new TReportTable(static_cast<int>(rows.size()) - 1, columns, page_);
  table->setObjectName(index == 0 ? QStringLiteral("tbSeriesRates")
                                  : QStringLiteral("tbSeriesTraces"));
  table->verticalHeader()->hide();
  table->ScrollWhenCramped();
  table->setHorizontalHeaderLabels(header);
  for (int r = 1; r < rows.size(); ++r) {
    const QStringList cells = rows[r].split(QLatin1Char('\t'));
    for (int c = 0; c < cells.size(); ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      // Numbers line up on the right; words on the left.
      if (c > 0 && IsNumber(cells[c])) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table->setItem(r - 1, c, item);
    }
  }
  for (int c = 0; c < columns; ++c) {
    if (IsWordy(rows.mid(1), c)) table->WrapColumn(c);
  }
  layout_->addWidget(table);
}

void TSeriesReportView::AddParagraph(const QStringList& lines) {
  QLabel* label = ReportLabel(lines.join(QLatin1Char('\n')), "lbSeriesReport", page_);
  // A report kept before its tables were tables lines its columns up with spaces.
  static const QRegularExpression aligned(QStringLiteral("\\S  +\\S"));
  if (lines.size() > 1 && lines.filter(aligned).size() > 1) {
    label->setWordWrap(false);
    label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  }
  layout_->addWidget(label);
}

}  // namespace actinfit
