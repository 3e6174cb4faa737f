#include "app/dialogs/fit_report_dialog.h"

#include <QChartView>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>
#include <vector>

#include "app/dialogs/report_plots.h"
#include "app/dialogs/report_table.h"
#include "core/fit_report.h"
#include "core/numtext.h"

namespace actinfit {
namespace {

// Cells of pairs the data cannot tell apart.
const QColor kPoorPair(255, 200, 200);

QString Lines(const std::vector<std::string>& sentences) {
  QStringList lines;
  for (const std::string& sentence : sentences) lines << QString::fromStdString(sentence);
  return lines.join(QStringLiteral("\n"));
}

TReportTable* ParameterTable(const TFitStatistics& s, QWidget* parent) {
  const std::vector<std::string> columns = ReportColumns(s);
  auto* table = new TReportTable(kParamCount, static_cast<int>(columns.size()), parent);
  table->setObjectName(QStringLiteral("tbParameters"));
  table->verticalHeader()->hide();
  for (size_t c = 0; c < columns.size(); ++c) {
    table->setHorizontalHeaderItem(static_cast<int>(c),
                                   new QTableWidgetItem(QString::fromStdString(columns[c])));
  }
  const std::array<TReportRow, 5> rows = ReportRows(s);
  for (int r = 0; r < kParamCount; ++r) {
    const TReportRow& row = rows[static_cast<size_t>(r)];
    std::vector<const std::string*> cells{&row.Name, &row.Value, &row.StdError, &row.Interval};
    if (s.Profile) cells.push_back(&row.Profile);
    cells.push_back(&row.Status);
    for (size_t c = 0; c < cells.size(); ++c) {
      auto* item = new QTableWidgetItem(QString::fromStdString(*cells[c]));
      // Numbers line up on the right; words on the left.
      if (c == 1 || c == 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table->setItem(r, static_cast<int>(c), item);
    }
  }
  // The interval, the profile interval and the status are words.
  for (int c = 3; c < table->columnCount(); ++c) table->WrapColumn(c);
  return table;
}

QTableWidget* CorrelationTable(const TFitStatistics& s, QWidget* parent) {
  std::vector<int32_t> known;
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (std::isfinite(s.StdError[k])) known.push_back(k);
  }
  const auto size = static_cast<int>(known.size());
  auto* table = new TReportTable(size, size, parent);
  table->setObjectName(QStringLiteral("tbCorrelation"));
  for (int a = 0; a < size; ++a) {
    const QString name = QString::fromLatin1(ParamName(known[static_cast<size_t>(a)]));
    table->setHorizontalHeaderItem(a, new QTableWidgetItem(name));
    table->setVerticalHeaderItem(a, new QTableWidgetItem(name));
    for (int b = 0; b < size; ++b) {
      const double r = s.Correlation[known[static_cast<size_t>(a)]][known[static_cast<size_t>(b)]];
      auto* item =
          new QTableWidgetItem(QString::fromStdString(FormatReal(r, FloatStyle::Fixed, 15, 3)));
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
  return table;
}

// The correlation matrix with its caption, beside the sentences about the parameters.
QLayout* CorrelationSection(const TFitStatistics& s, QWidget* parent) {
  auto* matrix = new QVBoxLayout;
  matrix->addWidget(
      new QLabel(QStringLiteral("Correlation (highlighted where |r| > 0.95)"), parent));
  QTableWidget* table = CorrelationTable(s, parent);
  table->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  matrix->addWidget(table);
  matrix->addStretch(1);
  auto* row = new QHBoxLayout;
  row->addLayout(matrix);
  row->addWidget(ReportLabel(Lines(ParameterSentences(s)), "lbParameterNotes", parent), 1);
  return row;
}

// The residual plot beside the measures of fit, the starts and the runs test's verdict.
QLayout* ResidualSection(const TFitStatistics& s, QWidget* parent) {
  auto* row = new QHBoxLayout;
  QChartView* plot = ResidualPlot(s, parent);
  plot->setMinimumSize(380, 220);
  row->addWidget(plot, 3);
  auto* notes = new QVBoxLayout;
  notes->addWidget(ReportLabel(QString::fromStdString(MeasuresSentence(s)), "lbMeasures", parent));
  notes->addWidget(ReportLabel(QString::fromStdString(StartsSentence(s)), "lbStarts", parent));
  notes->addWidget(ReportLabel(QString::fromStdString(RunsSentence(s)), "lbRuns", parent));
  // A trace that does not rise, trials passed over, the time step's share: said beside the fit.
  if (const std::vector<std::string> data = DataSentences(s); !data.empty()) {
    notes->addWidget(ReportLabel(Lines(data), "lbDataNotes", parent));
  }
  notes->addStretch(1);
  row->addLayout(notes, 2);
  return row;
}

QWidget* SummaryPage(const TFitStatistics& s, TReportTable* parameters) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(parameters);
  if (s.Profile) layout->addWidget(ReportLabel(Lines(ProfileSentences(s)), "lbProfileNotes", page));
  layout->addLayout(CorrelationSection(s, page));
  layout->addLayout(ResidualSection(s, page), 1);
  return page;
}

// One plot per quantity profiled, three to a row.
QWidget* ProfilePage(const TFitStatistics& s) {
  const TProfileResult& profile = *s.Profile;
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("pgProfiles"));
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(ReportLabel(
      QStringLiteral("Each plot shows the least sum of squared residuals (SSR) with the quantity "
                     "held at a value and every other refined parameter refitted. The values "
                     "whose SSR stays below the dashed line, %1, form its 95 % profile interval; "
                     "the dot is the best fit.")
          .arg(QString::fromStdString(ReportNumber(profile.Threshold, 5))),
      "lbProfileHelp", page));
  auto* grid = new QGridLayout;
  layout->addLayout(grid, 1);
  int shown = 0;
  for (int32_t q = 0; q < kProfileQuantities; ++q) {
    if (profile.Curve[static_cast<size_t>(q)].Value.empty()) continue;
    grid->addWidget(ProfilePlot(profile, q, QuantityValue(s, q), page), shown / 3, shown % 3);
    ++shown;
  }
  if (shown == 0) {
    grid->addWidget(
        ReportLabel(QStringLiteral("No profile has been computed yet."), "lbNoProfile", page));
  }
  return page;
}

}  // namespace

TFitReportDialog::TFitReportDialog(const TFitStatistics& statistics, QWidget* parent,
                                   const TReadoutTrace* trace)
    : QDialog(parent), text_(QString::fromStdString(FitReportText(statistics))) {
  setObjectName(QStringLiteral("dlgFitReport"));
  setWindowTitle(QStringLiteral("Fit report"));

  TReportTable* parameters = ParameterTable(statistics, this);
  auto* pages = new QTabWidget(this);
  pages->setObjectName(QStringLiteral("tabFitReport"));
  pages->addTab(SummaryPage(statistics, parameters), QStringLiteral("Parameters and fit"));
  if (statistics.Profile) pages->addTab(ProfilePage(statistics), QStringLiteral("Profiles"));
  if (trace != nullptr) {
    readouts_ = new TReadoutsPage(*trace, pages);
    pages->addTab(readouts_, QStringLiteral("Readouts"));
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* copy = buttons->addButton(QStringLiteral("Copy"), QDialogButtonBox::ActionRole);
  copy->setObjectName(QStringLiteral("btCopyReport"));
  connect(copy, &QPushButton::clicked, this,
          [this] { QGuiApplication::clipboard()->setText(Text()); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages, 1);
  layout->addWidget(buttons);
  parameters_ = parameters;
}

QString TFitReportDialog::Text() const {
  if (readouts_ == nullptr) return text_;
  return text_ + QStringLiteral("\nReadouts\n") + readouts_->Text() + QStringLiteral("\n");
}

void TFitReportDialog::showEvent(QShowEvent* event) {
  if (!sized_) {
    // Wide enough for the parameter table, whatever its cells hold (with the margins of the
    // dialog and its page), as tall as the wrapped sentences then need; within the screen. Only
    // now are the fonts and the rows' heights known.
    sized_ = true;
    layout()->activate();
    const int wanted = std::max(760, parameters_->sizeHint().width() + 80);
    const QScreen* screen = this->screen();
    const QSize available =
        screen != nullptr ? screen->availableGeometry().size() : QSize(wanted, 720);
    const int width = std::min(wanted, available.width());
    resize(width, std::min(std::max(480, heightForWidth(width)), available.height()));
  }
  QDialog::showEvent(event);
}

}  // namespace actinfit
