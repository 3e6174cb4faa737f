#include "core/series_search.h"

#include <cmath>
#include <exception>
#include <limits>

#include "core/errors.h"
#include "core/numtext.h"
#include "core/refine.h"

namespace actinfit::series {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool Amplitudes(const TSeries& series) {
  return series.Scaling == TScaling::AmplitudePerTrace;
}

// Rethrows the error in flight with the trace's name in front, of the same kind.
[[noreturn]] void RethrowNamingTrace(const std::string& trace) {
  try {
    throw;
  } catch (const EMathError& e) {
    throw EMathError(trace + ": " + e.what(), e.notice());
  } catch (const EInvalidInput& e) {
    throw EInvalidInput(trace + ": " + e.what());
  } catch (const Error& e) {
    throw Error(trace + ": " + e.what());
  }
}

}  // namespace

std::string TraceName(const TSeries& series, size_t i) {
  const double g = series.Traces[i].GActin;
  const std::string& given = series.Traces[i].Name;
  std::string name = given.empty() ? "Trace " + std::to_string(i + 1) : given;
  if (std::isfinite(g)) name += " (" + FormatReal(g, FloatStyle::General, 15, 0) + " uM)";
  return name;
}

TSearch::TSearch(const TSeries& series, const SeriesReport& report)
    : series_(series), report_(report), lastReport_(std::chrono::steady_clock::now()) {
  for (const TSeriesTrace& trace : series.Traces) {
    TModel record(static_cast<int32_t>(trace.Time.size()));
    record.Time = trace.Time;
    record.Data = trace.Data;
    record.Init = {trace.GActin, 0, 0};
    record.Dt = series.Dt;
    records_.push_back(std::move(record));
    points_ += static_cast<int32_t>(trace.Time.size());
  }
  centre_.resize(series.Traces.size());
  best_.ssr = std::numeric_limits<double>::infinity();
}

void TSearch::Evaluate(std::span<const TPoint> points, std::span<double> ssr) {
  PlanTrials(points);
  const TBatchOutcome outcome = batch_.SimulatePolymers(trials_, largest_);
  residuals_.resize(points.size() * static_cast<size_t>(points_));
  for (size_t k = 0; k < points.size(); ++k) {
    CheckTrials(k, outcome);
    Project(k);
    ssr[k] = projection_.ssr;
    if (projection_.ssr < best_.ssr) {
      best_ = projection_;
      bestPoint_ = points[k];
    }
  }
  if (points.size() == 1) KeepCentre(points[0]);
  if (!report_) return;
  try {
    Report();
  } catch (const TStop&) {
    if (stopInEvaluations) throw;
  }
}

double TSearch::SSR(const TPoint& point) {
  double ssr;
  Evaluate(std::span(&point, 1), std::span(&ssr, 1));
  return ssr;
}

// Which (point, trace) needs a simulation of its own, and where each curve will be.
void TSearch::PlanTrials(std::span<const TPoint> points) {
  const size_t m = records_.size();
  trialOf_.assign(points.size() * m, -1);
  trials_.clear();
  size_t curveValues = 0;
  for (size_t k = 0; k < points.size(); ++k) {
    for (size_t i = 0; i < m; ++i) {
      const TCentre& centre = centre_[i];
      if (centre.valid && centre.rate == points[k].rate && centre.shift == points[k].shift[i]) {
        continue;
      }
      TParamSet set{0, points[k].shift[i], points[k].rate[0], points[k].rate[1], points[k].rate[2]};
      trialOf_[k * m + i] = static_cast<int32_t>(trials_.size());
      trials_.push_back({&records_[i], set, nullptr});
      curveValues += static_cast<size_t>(records_[i].Count);
    }
  }
  trialCurves_.resize(curveValues);
  largest_.resize(trials_.size());
  curveOf_.resize(points.size() * m);
  size_t at = 0;
  for (TPolymerTrial& trial : trials_) {
    trial.curve = trialCurves_.data() + at;
    at += static_cast<size_t>(trial.record->Count);
  }
  for (size_t c = 0; c < curveOf_.size(); ++c) {
    curveOf_[c] = trialOf_[c] < 0 ? centre_[c % m].curve.data() : trials_[trialOf_[c]].curve;
  }
}

// Raises, naming the trace, the error of point k's first trial that failed or (amplitude per
// trace) made no polymer; else scales its new curves by their largest value.
void TSearch::CheckTrials(size_t k, const TBatchOutcome& outcome) {
  const size_t m = records_.size();
  for (size_t i = 0; i < m; ++i) {
    const int32_t t = trialOf_[k * m + i];
    if (t < 0) continue;
    try {
      if (t == outcome.evaluated && outcome.failure) std::rethrow_exception(outcome.failure);
      if (!Amplitudes(series_)) continue;
      const double largest = largest_[t];
      if (!(largest > 0)) throw EInvalidOp();
      double* curve = trials_[t].curve;
      for (int32_t j = 0; j < trials_[t].record->Count; ++j) curve[j] /= largest;
    } catch (const Error&) {
      RethrowNamingTrace(TraceName(series_, i));
    }
  }
}

// Per trace the means and the centred sums of the curve and the readings; then the exact
// least-squares backgrounds and amplitudes (or brightness), and the residuals they leave.
void TSearch::Project(size_t k) {
  const size_t m = records_.size();
  TProjection& p = projection_;
  p.background.resize(m);
  p.amplitude.assign(m, kNaN);
  p.traceSSR.resize(m);
  p.brightness = kNaN;
  p.ssr = 0;
  std::vector<std::array<double, 4>>& sums = sums_;
  sums.resize(m);
  for (size_t i = 0; i < m; ++i) {
    const double* x = curveOf_[k * m + i];
    const std::vector<double>& y = series_.Traces[i].Data;
    const auto n = static_cast<double>(y.size());
    double sx = 0, sy = 0;
    for (size_t j = 0; j < y.size(); ++j) sx += x[j], sy += y[j];
    const double xMean = sx / n, yMean = sy / n;
    double sxx = 0, sxy = 0;
    for (size_t j = 0; j < y.size(); ++j) {
      const double dx = x[j] - xMean;
      sxx += dx * dx;
      sxy += dx * (y[j] - yMean);
    }
    sums[i] = {xMean, yMean, sxx, sxy};
  }
  if (!Amplitudes(series_)) {
    double num = 0, den = 0;
    for (size_t i = 0; i < m; ++i) num += sums[i][3], den += sums[i][2];
    p.brightness = den > 0 ? num / den : 0;
  }
  double* residual = residuals_.data() + k * static_cast<size_t>(points_);
  for (size_t i = 0; i < m; ++i) {
    const auto [xMean, yMean, sxx, sxy] = sums[i];
    const double a = !Amplitudes(series_) ? p.brightness : sxx > 0 ? sxy / sxx : 0;
    if (Amplitudes(series_)) p.amplitude[i] = a;
    p.background[i] = yMean - a * xMean;
    const double* x = curveOf_[k * m + i];
    const std::vector<double>& y = series_.Traces[i].Data;
    double ssr = 0;
    for (size_t j = 0; j < y.size(); ++j, ++residual) {
      *residual = p.background[i] + a * x[j] - y[j];
      ssr += *residual * *residual;
    }
    if (!std::isfinite(ssr)) {
      try {
        throw EOverflow();
      } catch (const Error&) {
        RethrowNamingTrace(TraceName(series_, i));
      }
    }
    p.traceSSR[i] = ssr;
    p.ssr += ssr;
  }
}

void TSearch::KeepCentre(const TPoint& point) {
  const size_t m = records_.size();
  for (size_t i = 0; i < m; ++i) {
    TCentre& centre = centre_[i];
    const int32_t t = trialOf_[i];
    if (t < 0) continue;
    centre.curve.assign(trials_[t].curve, trials_[t].curve + trials_[t].record->Count);
    centre.rate = point.rate;
    centre.shift = point.shift[i];
    centre.valid = true;
  }
}

void TSearch::Report() {
  if (stopRequested_) throw TStop();
  if (!report_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastReport_ < std::chrono::milliseconds(kRefineReportMilliseconds)) return;
  lastReport_ = now;
  if (!report_({best_.ssr / points_, startsDone, starts, BestAsFit()})) stopRequested_ = true;
  if (stopRequested_) throw TStop();
}

TSeriesFit TSearch::BestAsFit() const {
  TSeriesFit fit{};
  fit.Points = points_;
  fit.Error = best_.ssr / points_;
  fit.Rate = bestPoint_.rate;
  fit.RateStdError.fill(kNaN);
  fit.TShift = bestPoint_.shift;
  fit.Background = best_.background;
  fit.Amplitude = best_.amplitude;
  fit.Brightness = best_.brightness;
  for (size_t i = 0; i < series_.Traces.size() && i < best_.traceSSR.size(); ++i) {
    fit.TraceError.push_back(best_.traceSSR[i] /
                             static_cast<double>(series_.Traces[i].Time.size()));
  }
  return fit;
}

}  // namespace actinfit::series
