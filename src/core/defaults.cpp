#include "core/defaults.h"

#include "core/numtext.h"

namespace actinfit {

void SetDefaultFields(TModel& model) {
  for (std::size_t k = 0; k < kParamNames.size(); ++k) {
    const TParamDefault& param = kParamDefaults[k];
    model.Param[k] = ParseReal(param.value);
    model.Min[k] = ParseReal(param.min);
    model.Max[k] = ParseReal(param.max);
    model.Fit[k] = param.fit;
  }
  model.Init = {ParseReal(kDefaultGActin), 0, 0};
  model.Dt = ParseReal(kDefaultDt);
}

}  // namespace actinfit
