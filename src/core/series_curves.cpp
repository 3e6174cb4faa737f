#include "core/series_curves.h"

#include "core/model.h"

namespace actinfit {

std::vector<std::vector<double>> SeriesCurves(const TSeries& series, const TSeriesFit& fit) {
  std::vector<std::vector<double>> curves;
  for (size_t i = 0; i < series.Traces.size(); ++i) {
    const TSeriesTrace& trace = series.Traces[i];
    TModel record(static_cast<int32_t>(trace.Time.size()));
    record.Time = trace.Time;
    record.Init = {trace.GActin, 0, 0};
    record.Dt = series.Dt;
    record.Param[TShift] = fit.TShift[i];
    for (int32_t r = 0; r < kSeriesRates; ++r) record.Param[Knuc + r] = fit.Rate[r];
    const double largest = SimulatePolymer(record);
    const bool amplitude = series.Scaling == TScaling::AmplitudePerTrace;
    const double factor = !amplitude    ? fit.Brightness
                          : largest > 0 ? fit.Amplitude[i] / largest
                                        : 0;
    std::vector<double> curve(record.Fitted.size());
    for (size_t j = 0; j < curve.size(); ++j) {
      curve[j] = fit.Background[i] + factor * record.Fitted[j];
    }
    curves.push_back(std::move(curve));
  }
  return curves;
}

}  // namespace actinfit
