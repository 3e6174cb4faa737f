#include "batch/failure_causes.h"

#include "batch/messages.h"
#include "core/errors.h"
#include "core/numtext.h"

namespace actinfit::batch {

namespace {

std::string Text(double value) {
  return FormatReal(value, FloatStyle::General, 15, 0);
}

}  // namespace

// In the order the evaluation meets them: the first step's square root, then the scaling by
// the largest model value.
std::string EvaluationCause(const TModel& m) {
  if (m.Count == 0) return "no data points";
  const bool stepping = LastTime(m) > m.Param[TShift];
  if (stepping && m.Param[Koff] < 0) return "Koff " + Text(m.Param[Koff]) + " is negative";
  const std::string flat = "no model value above 0: ";
  if (!stepping) {
    return flat + "every time is at or before TShift " + Text(m.Param[TShift]);
  }
  if (m.Init[2] <= 0 && m.Param[Knuc] == 0) {
    return flat + "Knuc is 0 and there are no filaments at the start";
  }
  if (m.Init[2] <= 0 && m.Param[Knuc] < 0) {
    return flat + "Knuc " + Text(m.Param[Knuc]) + " is negative";
  }
  return {};
}

std::string FailureMessage(const std::exception& error, const TModel* model) {
  std::string message = UserMessage(error);
  if (model == nullptr || dynamic_cast<const EMathError*>(&error) == nullptr) return message;
  const std::string cause = EvaluationCause(*model);
  if (cause.empty()) return message;
  if (message.ends_with('.')) message.pop_back();
  return message + " (" + cause + ").";
}

}  // namespace actinfit::batch
