#include "app/series/series_text.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "core/defaults.h"
#include "core/fit_report.h"
#include "core/fit_statistics.h"
#include "core/numtext.h"
#include "core/series_curves.h"

namespace actinfit {

namespace {

const QString kTab = QStringLiteral("\t");

QString IntervalText(const std::optional<TInterval>& interval) {
  if (!interval) return QStringLiteral("not profiled");
  const TInterval& i = *interval;
  if (i.LowAtBound && i.HighAtBound) {
    return QStringLiteral("not limited by the data within its bounds ") + SeriesNumber(i.Low) +
           QStringLiteral(" to ") + SeriesNumber(i.High);
  }
  if (i.HighAtBound) {
    return SeriesNumber(i.Low) + QStringLiteral(" and up: not limited by the data above ") +
           SeriesNumber(i.High);
  }
  if (i.LowAtBound) {
    return QStringLiteral("up to ") + SeriesNumber(i.High) +
           QStringLiteral(": not limited by the data below ") + SeriesNumber(i.Low);
  }
  return SeriesNumber(i.Low) + QStringLiteral(" to ") + SeriesNumber(i.High);
}

bool OnBound(const TSeries& series, const TSeriesFit& fit, int32_t r) {
  return series.FitRate[r] &&
         (fit.Rate[r] <= series.RateMin[r] || fit.Rate[r] >= series.RateMax[r]);
}

// The standard error, or why there is none; marked where the profile interval is more than
// three times as wide as the one the standard error implies (the error surface is far from a
// parabola there, or a rate on its bound holds the others).
QString StdErrorText(const TSeries& series, const TSeriesFit& fit, int32_t r) {
  if (OnBound(series, fit, r)) return QStringLiteral("on its bound");
  const double error = fit.RateStdError[r];
  QString text = SeriesNumber(error);
  const std::optional<TInterval>& interval = fit.RateInterval[r];
  if (std::isfinite(error) && interval && interval->High - interval->Low > 3 * 2 * 1.96 * error) {
    text += QStringLiteral(" (understates)");
  }
  return text;
}

// Says which rates ended on a bound and what that does to the standard errors.
QStringList BoundSentences(const TSeries& series, const TSeriesFit& fit) {
  QStringList onBound;
  for (int32_t r = 0; r < kSeriesRates; ++r) {
    if (OnBound(series, fit, r)) {
      onBound << QStringLiteral("%1 (%2)").arg(QString::fromLatin1(ParamName(Knuc + r)),
                                               SeriesNumber(fit.Rate[r]));
    }
  }
  if (onBound.isEmpty()) return {};
  return {QStringLiteral("Ended on a bound: %1. The standard errors hold it there and so "
                         "understate the uncertainty of the other rates; the profile intervals "
                         "let it move and are the ones to quote.")
              .arg(onBound.join(QStringLiteral(", ")))};
}

bool Limited(const std::optional<TInterval>& interval) {
  return interval && !interval->LowAtBound && !interval->HighAtBound;
}

QString ScalingName(TScaling scaling) {
  return scaling == TScaling::AmplitudePerTrace ? QStringLiteral("an amplitude per trace")
                                                : QStringLiteral("one brightness");
}

// The intervals whose allowed values are more than one piece, or that end in a jump.
QStringList ShapeSentences(const TSeriesFit& fit) {
  const std::array<std::pair<const char*, const std::optional<TInterval>*>, 5> quantities = {{
      {"Knuc", &fit.RateInterval[0]},
      {"Kon", &fit.RateInterval[1]},
      {"Koff", &fit.RateInterval[2]},
      {"Knuc x Kon", &fit.KnucKon},
      {"Koff / Kon", &fit.KoffKon},
  }};
  QStringList sentences;
  for (size_t q = 0; q < quantities.size(); ++q) {
    const std::optional<TInterval>& interval = *quantities[q].second;
    if (!interval) continue;
    const std::string text =
        IntervalShapeText(quantities[q].first, fit.IntervalShape[q], interval->Low, interval->High);
    if (!text.empty()) sentences << QString::fromStdString(text);
  }
  return sentences;
}

// The rates the series limits on both sides where every trace fitted alone left them open.
QStringList DeterminedBySeries(const TSeriesFit& fit, const SingleTraceIntervals& single) {
  QStringList sentences;
  if (single.empty()) return sentences;
  for (int32_t r = 0; r < kSeriesRates; ++r) {
    if (!Limited(fit.RateInterval[r])) continue;
    bool anyAlone = false, allOpen = true;
    for (const auto& trace : single) {
      if (!trace[r]) continue;
      anyAlone = true;
      allOpen = allOpen && !Limited(trace[r]);
    }
    if (anyAlone && allOpen) {
      sentences << QStringLiteral("The series determines %1 (%2), which no trace alone did.")
                       .arg(QString::fromLatin1(ParamName(Knuc + r)),
                            IntervalText(fit.RateInterval[r]));
    }
  }
  return sentences;
}

// The rows as tab-separated lines: the report pane shows them as a table.
QStringList Tabbed(const QList<QStringList>& rows) {
  QStringList lines;
  for (const QStringList& row : rows) lines << row.join(kTab);
  return lines;
}

QList<QStringList> TraceRows(const TSeries& series, const TSeriesFit& fit,
                             const std::vector<QString>& sources) {
  QList<QStringList> lines;
  lines << QStringList{"Trace",     "G-actin (uM)", "TShift (s)", "Background",
                       "Amplitude", "Error",        "Runs",       "z"};
  const auto curves = SeriesCurves(series, fit);
  for (size_t i = 0; i < series.Traces.size(); ++i) {
    const TSeriesTrace& trace = series.Traces[i];
    std::vector<double> residual(trace.Data.size());
    for (size_t j = 0; j < residual.size(); ++j) residual[j] = curves[i][j] - trace.Data[j];
    const auto [runs, z] = RunsTest(residual);
    lines << QStringList{sources[i],
                         SeriesNumber(trace.GActin),
                         SeriesNumber(fit.TShift[i]),
                         SeriesNumber(fit.Background[i]),
                         SeriesNumber(fit.Amplitude[i]),
                         SeriesNumber(fit.TraceError[i]),
                         QString::number(runs),
                         QString::fromStdString(FormatReal(z, FloatStyle::General, 3, 0))};
  }
  return lines;
}

}  // namespace

QString SeriesNumber(double value) {
  if (!std::isfinite(value)) return QStringLiteral("-");
  return QString::fromStdString(FormatReal(value, FloatStyle::General, 6, 0));
}

QString ConcentrationLabel(double gActin) {
  return SeriesNumber(gActin) + QStringLiteral(" µM");
}

QString SeriesReportText(const TSeries& series, const TSeriesFit& fit,
                         const std::vector<QString>& sources, const SingleTraceIntervals& single,
                         bool stopped) {
  QStringList lines;
  if (stopped) lines << QStringLiteral("Stopped: the best point so far; intervals may be missing.");
  lines << QStringLiteral("%1 traces, %2 points, %3; error (SSR / N) %4, %5 parameters.")
               .arg(series.Traces.size())
               .arg(fit.Points)
               .arg(ScalingName(series.Scaling), SeriesNumber(fit.Error))
               .arg(fit.Parameters);
  lines << QString();
  QList<QStringList> rates{{"Quantity", "Value", "Std. error", "95 % profile interval"}};
  for (int32_t r = 0; r < kSeriesRates; ++r) {
    const QString name = QString::fromLatin1(ParamName(Knuc + r));
    if (!series.FitRate[r]) {
      rates << QStringList{name, SeriesNumber(fit.Rate[r]), QStringLiteral("fixed")};
      continue;
    }
    rates << QStringList{name, SeriesNumber(fit.Rate[r]), StdErrorText(series, fit, r),
                         IntervalText(fit.RateInterval[r])};
  }
  rates << QStringList{"Knuc x Kon", SeriesNumber(fit.Rate[0] * fit.Rate[1]), "",
                       IntervalText(fit.KnucKon)};
  rates << QStringList{"Koff / Kon (uM)", SeriesNumber(fit.Rate[2] / fit.Rate[1]), "",
                       IntervalText(fit.KoffKon)};
  if (series.Scaling == TScaling::SharedBrightness) {
    rates << QStringList{"Brightness", SeriesNumber(fit.Brightness), "", "per uM of polymer"};
  }
  lines << Tabbed(rates);
  lines << BoundSentences(series, fit);
  lines << QString();
  lines << Tabbed(TraceRows(series, fit, sources));
  lines << QString();
  lines << QStringLiteral("Starts: %1, %2 reaching the best error.")
               .arg(fit.Starts)
               .arg(fit.StartsReachingBest);
  const bool shifts = std::any_of(series.Traces.begin(), series.Traces.end(),
                                  [](const TSeriesTrace& trace) { return trace.FitTShift; });
  if (shifts) {
    lines << QStringLiteral("A refined time shift stays on its stair: it is known to +- %1 s.")
                 .arg(SeriesNumber(series.Dt / 2));
  }
  for (const std::string& sentence : DataSentences(series, fit)) {
    lines << QString::fromStdString(sentence);
  }
  lines << DeterminedBySeries(fit, single);
  lines << ShapeSentences(fit);
  return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString SeriesResultsTable(const TSeries& series, const TSeriesFit& fit,
                           const std::vector<QString>& sources) {
  QStringList lines;
  for (const QStringList& row : TraceRows(series, fit, sources)) lines << row.join(kTab);
  lines << QStringLiteral("Quantity\tValue\tStd. error\tLow\tHigh\tLow at bound\tHigh at bound");
  const auto row = [&](const QString& name, double value, double error,
                       const std::optional<TInterval>& interval) {
    QStringList cells{name, SeriesNumber(value), SeriesNumber(error)};
    if (interval) {
      cells << SeriesNumber(interval->Low) << SeriesNumber(interval->High)
            << QString::number(interval->LowAtBound) << QString::number(interval->HighAtBound);
    }
    lines << cells.join(kTab);
  };
  for (int32_t r = 0; r < kSeriesRates; ++r) {
    row(QString::fromLatin1(ParamName(Knuc + r)), fit.Rate[r], fit.RateStdError[r],
        fit.RateInterval[r]);
  }
  row(QStringLiteral("KnucKon"), fit.Rate[0] * fit.Rate[1], NAN, fit.KnucKon);
  row(QStringLiteral("KoffKon"), fit.Rate[2] / fit.Rate[1], NAN, fit.KoffKon);
  lines << QStringLiteral("Error\t") + SeriesNumber(fit.Error);
  return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

}  // namespace actinfit
