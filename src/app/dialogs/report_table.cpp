#include "app/dialogs/report_table.h"

#include <QHeaderView>
#include <QLabel>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

namespace actinfit {

TReportTable::TReportTable(int rows, int columns, QWidget* parent)
    : QTableWidget(rows, columns, parent) {
  setEditTriggers(NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  setWordWrap(true);
  horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  connect(verticalHeader(), &QHeaderView::sectionResized, this, [this] { updateGeometry(); });
}

int TReportTable::CellMargin() const {
  // The cell's margins, as the item delegate draws them.
  return 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 4;
}

int TReportTable::ColumnWidth(int column, bool words) const {
  const auto widest = [words](const QFontMetrics& metrics, const QString& text) {
    if (!words) return metrics.horizontalAdvance(text);
    int width = 0;
    for (const QString& word : text.split(QLatin1Char(' ')))
      width = std::max(width, metrics.horizontalAdvance(word));
    return width;
  };
  int width = words ? 0 : horizontalHeader()->sectionSizeHint(column);
  if (words) {
    if (const QTableWidgetItem* header = horizontalHeaderItem(column))
      width = widest(horizontalHeader()->fontMetrics(), header->text()) + 2 * CellMargin();
  }
  for (int r = 0; r < rowCount(); ++r) {
    const QTableWidgetItem* cell = item(r, column);
    if (cell == nullptr) continue;
    width = std::max(width, widest(QFontMetrics(cell->font()), cell->text()) + CellMargin());
  }
  return width;
}

int TReportTable::ContentWidth() const {
  int width = 2 * frameWidth();
  if (verticalHeader()->isVisible()) width += verticalHeader()->sizeHint().width();
  for (int c = 0; c < columnCount(); ++c) width += ColumnWidth(c, false);
  return width;
}

int TReportTable::NarrowestWidth() const {
  int width = 2 * frameWidth();
  if (verticalHeader()->isVisible()) width += verticalHeader()->sizeHint().width();
  for (int c = 0; c < columnCount(); ++c) {
    const bool wraps = std::find(wrapping_.begin(), wrapping_.end(), c) != wrapping_.end();
    width += ColumnWidth(c, wraps);
  }
  return width;
}

void TReportTable::resizeEvent(QResizeEvent* event) {
  const int width = event->size().width();
  const bool narrow = ContentWidth() > width;
  // Narrower than its words, the table scrolls sideways rather than cut them: the columns of
  // words then as wide as their longest word.
  const bool cramped = scrollWhenCramped_ && NarrowestWidth() > width;
  for (const int c : wrapping_) {
    horizontalHeader()->setSectionResizeMode(c, cramped  ? QHeaderView::Fixed
                                                : narrow ? QHeaderView::Stretch
                                                         : QHeaderView::ResizeToContents);
    if (cramped) horizontalHeader()->resizeSection(c, ColumnWidth(c, true));
  }
  horizontalHeader()->setStretchLastSection(!narrow);
  const auto scrolls = cramped ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (scrolls != horizontalScrollBarPolicy()) {
    setHorizontalScrollBarPolicy(scrolls);
    updateGeometry();
  }
  QTableWidget::resizeEvent(event);
}

QSize TReportTable::sizeHint() const {
  const int scrollBar = horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn
                            ? horizontalScrollBar()->sizeHint().height()
                            : 0;
  return QSize(ContentWidth(), horizontalHeader()->sizeHint().height() +
                                   verticalHeader()->length() + 2 * frameWidth() + scrollBar);
}

QLabel* ReportLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // A wrapped label asks for the height of its narrowest form unless told how narrow it may go.
  label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 40);
  return label;
}

}  // namespace actinfit
