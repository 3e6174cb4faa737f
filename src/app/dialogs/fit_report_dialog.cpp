#include "app/dialogs/fit_report_dialog.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>
#include <vector>

#include "app/support/field_text.h"
#include "core/numtext.h"

namespace actinfit {
namespace {

// Cells of pairs the data cannot tell apart.
const QColor kPoorPair(255, 200, 200);

QTableWidget* CorrelationTable(const TFitStatistics& s, QWidget* parent) {
  std::vector<int32_t> known;
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (std::isfinite(s.StdError[k])) known.push_back(k);
  }
  const auto size = static_cast<int>(known.size());
  auto* table = new QTableWidget(size, size, parent);
  table->setObjectName(QStringLiteral("tbCorrelation"));
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int a = 0; a < size; ++a) {
    const QString name = QString::fromLatin1(ParamName(known[static_cast<size_t>(a)]));
    table->setHorizontalHeaderItem(a, new QTableWidgetItem(name));
    table->setVerticalHeaderItem(a, new QTableWidgetItem(name));
    for (int b = 0; b < size; ++b) {
      const double r = s.Correlation[known[static_cast<size_t>(a)]][known[static_cast<size_t>(b)]];
      auto* item = new QTableWidgetItem(ToQString(FormatReal(r, FloatStyle::Fixed, 15, 3)));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (a != b && std::fabs(r) > kPoorCorrelation) {
        item->setBackground(kPoorPair);
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
      }
      table->setItem(a, b, item);
    }
  }
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table->setMaximumHeight(table->verticalHeader()->length() + table->horizontalHeader()->height() +
                          4);
  return table;
}

}  // namespace

TFitReportDialog::TFitReportDialog(const TFitStatistics& statistics, QWidget* parent)
    : QDialog(parent), text_(ToQString(FitReportText(statistics))) {
  setObjectName(QStringLiteral("dlgFitReport"));
  setWindowTitle(QStringLiteral("Fit report"));

  auto* report = new QPlainTextEdit(text_, this);
  report->setObjectName(QStringLiteral("mFitReport"));
  report->setReadOnly(true);
  report->setLineWrapMode(QPlainTextEdit::NoWrap);
  report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  report->setTabStopDistance(report->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 16);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* copy = buttons->addButton(QStringLiteral("Copy"), QDialogButtonBox::ActionRole);
  copy->setObjectName(QStringLiteral("btCopyReport"));
  connect(copy, &QPushButton::clicked, this,
          [this] { QGuiApplication::clipboard()->setText(text_); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(report, 1);
  layout->addWidget(new QLabel(QStringLiteral("Correlation (highlighted where |r| > 0.95)"), this));
  layout->addWidget(CorrelationTable(statistics, this));
  layout->addWidget(buttons);
  resize(760, 560);
}

}  // namespace actinfit
