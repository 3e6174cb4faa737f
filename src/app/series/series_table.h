// The series window's table of traces: one row a trace, its source and G-actin, its time shift
// with mark and bounds, and after a fit its background, amplitude and error. The readings
// themselves are kept beside the table, copied when the trace was added.
#pragma once

#include <QString>
#include <vector>

#include "core/readouts.h"
#include "core/series_fit.h"

class QTableWidget;

namespace actinfit {

// The table's columns, in order.
enum SeriesColumn {
  kColSource,
  kColGActin,
  kColTShift,
  kColFitTShift,
  kColTShiftMin,
  kColTShiftMax,
  kColBackground,
  kColAmplitude,
  kColError,
  // The model-free readouts of each trace (app/series/series_readouts.h).
  kColTHalf,
  kColMaxSlope,
  kColLagTime,
  kColBarbedEnds,
  kSeriesColumns
};

// A trace as added: where it came from and its points.
struct SeriesSource {
  QString name;  // "FILE: COLUMN" or the main window's source
  std::vector<double> time, data;
  TReadouts readouts;  // of the points, read once
};

// A trace as added: its readouts read now.
SeriesSource MakeSeriesSource(QString name, std::vector<double> time, std::vector<double> data);

// Sets the table's columns and their headers.
void SetUpTraceTable(QTableWidget& table);

// Appends a row for `trace`; an empty `gActin` text leaves the cell for the user to type.
void AppendTraceRow(QTableWidget& table, const QString& source, const QString& gActin,
                    const TSeriesTrace& shift);

// The traces of the table with their points from `sources` (one per row). Refuses (naming the
// trace by its row and source) a G-actin or a time shift field that is empty or not a number.
std::vector<TSeriesTrace> ReadTraceRows(const QTableWidget& table,
                                        const std::vector<SeriesSource>& sources);

// Writes a fit's time shifts and its per-trace results into the rows.
void WriteTraceResults(QTableWidget& table, const TSeriesFit& fit);

// Empties the result cells (the traces changed since the fit).
void ClearTraceResults(QTableWidget& table);

}  // namespace actinfit
