#include "core/series_search.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <thread>

#include "core/errors.h"
#include "core/numtext.h"
#include "core/refine.h"

namespace actinfit::series {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Euler steps of an evaluation below which its trials run on one thread: starting threads
// costs about as much as this many steps.
constexpr double kStepsPerThread = 2e5;

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

// The means of the curve and the readings, and their centred sums sxx and sxy.
std::array<double, 4> CentredSums(const double* x, const std::vector<double>& y) {
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
  return {xMean, yMean, sxx, sxy};
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
  offsets_.push_back(0);
  for (const TSeriesTrace& trace : series.Traces) {
    TModel record(static_cast<int32_t>(trace.Time.size()));
    record.Time = trace.Time;
    record.Data = trace.Data;
    record.Init = {trace.GActin, 0, 0};
    record.Dt = series.Dt;
    records_.push_back(std::move(record));
    points_ += static_cast<int32_t>(trace.Time.size());
    offsets_.push_back(static_cast<size_t>(points_));
  }
  centre_.resize(series.Traces.size());
  batches_.resize(static_cast<size_t>(std::max(1, series.Threads)));
  best_.ssr = std::numeric_limits<double>::infinity();
}

void TSearch::Evaluate(std::span<const TPoint> points, std::span<double> ssr) {
  PlanTrials(points);
  SimulateTrials();
  const size_t m = records_.size();
  pointBackground_.resize(points.size() * m);
  pointAmplitude_.resize(points.size() * m);
  pointBrightness_.resize(points.size());
  failures_.Trials += static_cast<int32_t>(points.size());
  bool pointFailed = false;
  for (size_t k = 0; k < points.size(); ++k) {
    // A point whose evaluation fails is infinitely bad; its residuals are undefined.
    ssr[k] = std::numeric_limits<double>::infinity();
    try {
      CheckTrials(k);
      Project(k);
    } catch (const EMathError&) {
      failures_.Count(std::current_exception());
      pointFailed = true;
      continue;
    }
    ssr[k] = projection_.ssr;
    if (projection_.ssr < best_.ssr) {
      best_ = projection_;
      bestPoint_ = points[k];
    }
  }
  if (points.size() == 1 && !pointFailed) KeepCentre(points[0]);
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
  trialTrace_.clear();
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
      trialTrace_.push_back(static_cast<int32_t>(i));
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

// Every trial simulated, in as many even runs as there are threads where the work is worth a
// thread's start; one that fails keeps its error and the trials after it go on.
void TSearch::SimulateTrials() {
  trialError_.assign(trials_.size(), nullptr);
  double steps = 0;
  for (const TPolymerTrial& trial : trials_) {
    steps += trial.record->Time.empty() ? 0 : trial.record->Time.back() / series_.Dt;
  }
  const size_t threads = steps < kStepsPerThread ? 1 : std::min(batches_.size(), trials_.size());
  if (threads <= 1) {
    SimulateRange(0, trials_.size(), batches_[0]);
    return;
  }
  if (threadRecords_.size() + 1 < threads) threadRecords_.assign(threads - 1, records_);
  std::vector<std::exception_ptr> thrown(threads);
  const auto run = [&](size_t t) {
    const size_t begin = t * trials_.size() / threads, end = (t + 1) * trials_.size() / threads;
    std::vector<TModel>& records = t == 0 ? records_ : threadRecords_[t - 1];
    try {
      for (size_t k = begin; k < end; ++k) trials_[k].record = &records[trialTrace_[k]];
      SimulateRange(begin, end, batches_[t]);
    } catch (...) {
      thrown[t] = std::current_exception();  // nothing may leave a thread
    }
  };
  {
    std::vector<std::jthread> helpers;
    for (size_t t = 1; t < threads; ++t) helpers.emplace_back(run, t);
    run(0);
  }
  for (const std::exception_ptr& error : thrown) {
    if (error) std::rethrow_exception(error);
  }
}

void TSearch::SimulateRange(size_t begin, size_t end, TBatchEvaluator& batch) {
  size_t done = begin;
  while (done < end) {
    const TBatchOutcome outcome =
        batch.SimulatePolymers(std::span(trials_).subspan(done, end - done),
                               std::span(largest_).subspan(done, end - done));
    done += static_cast<size_t>(outcome.evaluated);
    if (!outcome.failure) break;
    trialError_[done++] = outcome.failure;
  }
}

// Raises, naming the trace, the error of point k's first trial that failed or (amplitude per
// trace) made no polymer; else scales its new curves by their largest value.
void TSearch::CheckTrials(size_t k) {
  const size_t m = records_.size();
  for (size_t i = 0; i < m; ++i) {
    const int32_t t = trialOf_[k * m + i];
    if (t < 0) continue;
    try {
      if (trialError_[static_cast<size_t>(t)]) {
        std::rethrow_exception(trialError_[static_cast<size_t>(t)]);
      }
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
// least-squares backgrounds and amplitudes (or brightness), and the residual sums they leave. A
// trace on its centre's curve keeps the centre's projection where traces stand apart.
void TSearch::Project(size_t k) {
  const size_t m = records_.size();
  TProjection& p = projection_;
  p.background.resize(m);
  p.amplitude.assign(m, kNaN);
  p.traceSSR.resize(m);
  p.brightness = kNaN;
  p.ssr = 0;
  const auto onCentre = [&](size_t i) { return TracesApart() && trialOf_[k * m + i] < 0; };
  sums_.resize(m);
  for (size_t i = 0; i < m; ++i) {
    if (!onCentre(i)) sums_[i] = CentredSums(curveOf_[k * m + i], series_.Traces[i].Data);
  }
  if (!Amplitudes(series_)) {
    double num = 0, den = 0;
    for (size_t i = 0; i < m; ++i) num += sums_[i][3], den += sums_[i][2];
    p.brightness = den > 0 ? num / den : 0;
  }
  pointBrightness_[k] = p.brightness;
  for (size_t i = 0; i < m; ++i) {
    double& background = pointBackground_[k * m + i];
    double& a = pointAmplitude_[k * m + i];  // the brightness where one is shared
    if (onCentre(i)) {
      background = centre_[i].background;
      a = centre_[i].amplitude;
      p.traceSSR[i] = centre_[i].ssr;
    } else {
      const auto [xMean, yMean, sxx, sxy] = sums_[i];
      a = !Amplitudes(series_) ? p.brightness : sxx > 0 ? sxy / sxx : 0;
      background = yMean - a * xMean;
      p.traceSSR[i] = TraceSSR(k, i);
    }
    p.background[i] = background;
    if (Amplitudes(series_)) p.amplitude[i] = a;
    p.ssr += p.traceSSR[i];
  }
}

// The residual sum of trace i at point k; an overflow named after the trace.
double TSearch::TraceSSR(size_t k, size_t i) const {
  const size_t m = records_.size();
  const double background = pointBackground_[k * m + i], a = pointAmplitude_[k * m + i];
  const double* x = curveOf_[k * m + i];
  const std::vector<double>& y = series_.Traces[i].Data;
  double ssr = 0;
  for (size_t j = 0; j < y.size(); ++j) {
    const double residual = background + a * x[j] - y[j];
    ssr += residual * residual;
  }
  if (!std::isfinite(ssr)) {
    try {
      throw EOverflow();
    } catch (const Error&) {
      RethrowNamingTrace(TraceName(series_, i));
    }
  }
  return ssr;
}

void TSearch::TraceResiduals(size_t k, size_t i, double* out) const {
  const size_t m = records_.size();
  const double background = pointBackground_[k * m + i], a = pointAmplitude_[k * m + i];
  const double* x = curveOf_[k * m + i];
  const std::vector<double>& y = series_.Traces[i].Data;
  for (size_t j = 0; j < y.size(); ++j) out[j] = background + a * x[j] - y[j];
}

std::span<const double> TSearch::Residuals(size_t k) {
  residuals_.resize(static_cast<size_t>(points_));
  for (size_t i = 0; i < records_.size(); ++i)
    TraceResiduals(k, i, residuals_.data() + offsets_[i]);
  return residuals_;
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
    centre.background = projection_.background[i];
    centre.amplitude = projection_.amplitude[i];
    centre.ssr = projection_.traceSSR[i];
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
