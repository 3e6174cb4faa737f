#include "app/series/series_table.h"

#include <QHeaderView>
#include <QTableWidget>
#include <cmath>
#include <string>

#include "app/series/series_text.h"
#include "core/errors.h"
#include "core/numtext.h"

namespace actinfit {

SeriesSource MakeSeriesSource(QString name, std::vector<double> time, std::vector<double> data) {
  TReadouts readouts = TraceReadouts(time, data);
  return {std::move(name), std::move(time), std::move(data), std::move(readouts)};
}

namespace {

QTableWidgetItem* Cell(const QString& text, bool editable) {
  auto* item = new QTableWidgetItem(text);
  if (!editable) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  return item;
}

// The trace as messages name it.
std::string TraceName(const QTableWidget& table, int32_t row) {
  return "trace " + std::to_string(row + 1) + " (" +
         table.item(row, kColSource)->text().toStdString() + ")";
}

double ReadCell(const QTableWidget& table, int32_t row, int32_t column, const char* what) {
  const QString text = table.item(row, column)->text().trimmed();
  if (text.isEmpty()) {
    throw EInvalidInput(std::string("The ") + what + " of " + TraceName(table, row) +
                        " is missing");
  }
  try {
    return ParseReal(text.toStdString());
  } catch (const EConvertError&) {
    throw EInvalidInput(std::string("The ") + what + " of " + TraceName(table, row) +
                        " is not a number: '" + text.toStdString() + "'");
  }
}

}  // namespace

void SetUpTraceTable(QTableWidget& table) {
  table.setColumnCount(kSeriesColumns);
  table.setHorizontalHeaderLabels(
      {QStringLiteral("Source"), QStringLiteral("G-actin (µM)"), QStringLiteral("TShift (s)"),
       QStringLiteral("Fit"), QStringLiteral("TShift min"), QStringLiteral("TShift max"),
       QStringLiteral("Background"), QStringLiteral("Amplitude"), QStringLiteral("Error"),
       QStringLiteral("t½ (s)"), QStringLiteral("Largest slope (/s)"),
       QStringLiteral("Lag time (s)"), QStringLiteral("Barbed ends (nM)")});
  table.horizontalHeader()->setSectionResizeMode(kColSource, QHeaderView::Stretch);
  for (const int column : {kColTHalf, kColMaxSlope, kColLagTime, kColBarbedEnds}) {
    table.horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  }
  table.setSelectionBehavior(QAbstractItemView::SelectRows);
  table.verticalHeader()->setVisible(false);
}

void AppendTraceRow(QTableWidget& table, const QString& source, const QString& gActin,
                    const TSeriesTrace& shift) {
  const int32_t row = table.rowCount();
  table.insertRow(row);
  table.setItem(row, kColSource, Cell(source, false));
  table.setItem(row, kColGActin, Cell(gActin, true));
  table.setItem(row, kColTShift, Cell(SeriesNumber(shift.TShift), true));
  auto* mark = Cell(QString(), false);
  mark->setFlags(mark->flags() | Qt::ItemIsUserCheckable);
  mark->setCheckState(shift.FitTShift ? Qt::Checked : Qt::Unchecked);
  table.setItem(row, kColFitTShift, mark);
  table.setItem(row, kColTShiftMin, Cell(SeriesNumber(shift.TShiftMin), true));
  table.setItem(row, kColTShiftMax, Cell(SeriesNumber(shift.TShiftMax), true));
  for (const int32_t column : {kColBackground, kColAmplitude, kColError, kColTHalf, kColMaxSlope,
                               kColLagTime, kColBarbedEnds}) {
    table.setItem(row, column, Cell(QString(), false));
  }
}

std::vector<TSeriesTrace> ReadTraceRows(const QTableWidget& table,
                                        const std::vector<SeriesSource>& sources) {
  std::vector<TSeriesTrace> traces;
  for (int32_t row = 0; row < table.rowCount(); ++row) {
    TSeriesTrace trace;
    trace.Time = sources[static_cast<size_t>(row)].time;
    trace.Data = sources[static_cast<size_t>(row)].data;
    trace.GActin = ReadCell(table, row, kColGActin, "G-actin");
    trace.TShift = ReadCell(table, row, kColTShift, "time shift");
    trace.FitTShift = table.item(row, kColFitTShift)->checkState() == Qt::Checked;
    trace.TShiftMin = ReadCell(table, row, kColTShiftMin, "lower bound of the time shift");
    trace.TShiftMax = ReadCell(table, row, kColTShiftMax, "upper bound of the time shift");
    traces.push_back(std::move(trace));
  }
  return traces;
}

void WriteTraceResults(QTableWidget& table, const TSeriesFit& fit) {
  for (int32_t row = 0; row < table.rowCount() && row < static_cast<int32_t>(fit.TShift.size());
       ++row) {
    const auto i = static_cast<size_t>(row);
    table.item(row, kColTShift)->setText(SeriesNumber(fit.TShift[i]));
    table.item(row, kColBackground)->setText(SeriesNumber(fit.Background[i]));
    table.item(row, kColAmplitude)->setText(SeriesNumber(fit.Amplitude[i]));
    table.item(row, kColError)->setText(SeriesNumber(fit.TraceError[i]));
  }
}

void ClearTraceResults(QTableWidget& table) {
  for (int32_t row = 0; row < table.rowCount(); ++row) {
    for (const int32_t column : {kColBackground, kColAmplitude, kColError}) {
      table.item(row, column)->setText(QString());
    }
  }
}

}  // namespace actinfit
