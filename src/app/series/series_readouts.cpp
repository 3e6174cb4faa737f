#include "app/series/series_readouts.h"

#include <QLabel>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

#include "app/series/series_text.h"
#include "core/errors.h"
#include "core/fit_report.h"
#include "core/numtext.h"
#include "core/readout_report.h"

namespace actinfit {

namespace {

double CellNumber(const QTableWidget& table, int row, int column) {
  const QTableWidgetItem* item = table.item(row, column);
  if (item == nullptr) return std::numeric_limits<double>::quiet_NaN();
  try {
    return ParseReal(item->text().trimmed().toStdString());
  } catch (const Error&) {
    return std::numeric_limits<double>::quiet_NaN();
  }
}

// Whole decades around the positive values (Qt's log axis ticks decades only).
QLogValueAxis* DecadeAxis(const QString& title, double low, double high) {
  auto* axis = new QLogValueAxis;
  axis->setTitleText(title);
  axis->setBase(10);
  axis->setLabelFormat(QStringLiteral("%g"));
  axis->setMinorTickCount(8);
  axis->setRange(std::pow(10.0, std::floor(std::log10(low))),
                 std::pow(10.0, std::ceil(std::log10(high))));
  return axis;
}

}  // namespace

TSeriesReadouts TableReadouts(const QTableWidget& table, const std::vector<SeriesSource>& sources) {
  TSeriesReadouts result;
  for (int row = 0; row < table.rowCount() && row < static_cast<int>(sources.size()); ++row) {
    const SeriesSource& source = sources[static_cast<size_t>(row)];
    result.gActin.push_back(CellNumber(table, row, kColGActin));
    result.readouts.push_back(source.readouts);
  }
  result.scaling = ReadoutScaling(result.gActin, result.readouts);
  return result;
}

void WriteTraceReadouts(QTableWidget& table, const TSeriesReadouts& readouts,
                        const TReadoutConstants& constants) {
  const QSignalBlocker quiet(table);  // these cells are no edits of the user's
  for (int row = 0; row < table.rowCount() && row < static_cast<int>(readouts.readouts.size());
       ++row) {
    const TReadouts& r = readouts.readouts[static_cast<size_t>(row)];
    const TActinReadouts actin =
        ActinReadouts(r, readouts.gActin[static_cast<size_t>(row)], constants);
    const std::pair<int, double> cells[] = {{kColTHalf, r.THalf},
                                            {kColMaxSlope, r.MaxSlope},
                                            {kColLagTime, r.LagTime},
                                            {kColBarbedEnds, actin.BarbedEnds}};
    for (const auto& [column, value] : cells) {
      QTableWidgetItem* item = table.item(row, column);
      if (item == nullptr) continue;
      item->setText(SeriesNumber(value));
      item->setToolTip(QString::fromStdString(r.Ok ? actin.Message : r.Message));
    }
  }
  table.viewport()->update();
}

QString SeriesReadoutsTable(const TSeriesReadouts& readouts, const std::vector<QString>& sources,
                            const TReadoutConstants& constants) {
  QStringList lines{QStringLiteral(
      "trace\tG-actin (µM)\tbaseline\tplateau\tt½ (s)\tt½ SE (s)\tlargest slope (/s)\t"
      "largest slope SE (/s)\tlag time (s)\telongation rate (µM/s)\tbarbed ends (nM)\tmessage")};
  for (size_t i = 0; i < readouts.readouts.size() && i < sources.size(); ++i) {
    const TReadouts& r = readouts.readouts[i];
    const TActinReadouts a = ActinReadouts(r, readouts.gActin[i], constants);
    QStringList cells{sources[i]};
    for (const double value :
         {readouts.gActin[i], r.Baseline, r.Plateau, r.THalf, r.THalfSE, r.MaxSlope, r.MaxSlopeSE,
          r.LagTime, a.ElongationRate, a.BarbedEnds}) {
      cells << SeriesNumber(value);
    }
    cells << QString::fromStdString(r.Ok && !a.Ok ? a.Message : r.Message);
    lines << cells.join(QLatin1Char('\t'));
  }
  if (readouts.scaling) lines << QString::fromStdString(ScalingSentence(*readouts.scaling));
  lines << QString::fromStdString(ConstantsSentence(constants));
  return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

TReadoutScalingView::TReadoutScalingView(QWidget* parent)
    : QWidget(parent), chart_(new QChartView(new QChart, this)), sentence_(new QLabel(this)) {
  setObjectName(QStringLiteral("wgReadoutScaling"));
  chart_->setObjectName(QStringLiteral("chReadoutScaling"));
  chart_->setRenderHint(QPainter::Antialiasing);
  chart_->chart()->legend()->hide();
  chart_->chart()->setTitle(QStringLiteral("t½ against G-actin"));
  chart_->setMinimumSize(260, 220);
  sentence_->setObjectName(QStringLiteral("lbReadoutScaling"));
  sentence_->setWordWrap(true);
  sentence_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(chart_, 1);
  layout->addWidget(sentence_);
  Show({});
}

void TReadoutScalingView::Show(const TSeriesReadouts& readouts) {
  QChart* chart = chart_->chart();
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }
  auto* points = new QScatterSeries;
  points->setMarkerSize(8);
  double gLow = 1, gHigh = 10, tLow = 10, tHigh = 1000;
  bool first = true;
  for (size_t i = 0; i < readouts.readouts.size(); ++i) {
    const double g = readouts.gActin[i], t = readouts.readouts[i].THalf;
    if (!readouts.readouts[i].Ok || !(g > 0) || !(t > 0)) continue;
    points->append(g, t);
    gLow = first ? g : std::min(gLow, g);
    gHigh = first ? g : std::max(gHigh, g);
    tLow = first ? t : std::min(tLow, t);
    tHigh = first ? t : std::max(tHigh, t);
    first = false;
  }
  chart->addSeries(points);
  auto* line = new QLineSeries;
  line->setPen(QPen(QColor(0, 0, 128), 1.5));
  if (readouts.scaling) {
    const TPowerLaw& law = readouts.scaling->THalf;
    for (const double g : {gLow, gHigh}) line->append(g, law.Prefactor * std::pow(g, law.Exponent));
  }
  chart->addSeries(line);
  auto* x = DecadeAxis(QStringLiteral("G-actin (µM)"), gLow, gHigh);
  auto* y = DecadeAxis(QStringLiteral("t½ (s)"), tLow, tHigh);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (QAbstractSeries* series : chart->series()) {
    series->attachAxis(x);
    series->attachAxis(y);
  }
  sentence_->setText(readouts.scaling
                         ? QString::fromStdString(ScalingSentence(*readouts.scaling))
                         : QStringLiteral("Three or more G-actin concentrations with readouts "
                                          "give the scaling of t½."));
}

}  // namespace actinfit
