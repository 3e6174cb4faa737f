// The reason behind an evaluation error, where the record's settings show it: the window gives
// only the floating-point message, but a batch log read the next morning needs the cause.
#pragma once

#include <exception>
#include <string>

#include "core/model.h"

namespace actinfit::batch {

// The cause of a floating-point error raised while evaluating `model` (as it was when the
// error came: a search leaves its trial values in Param), or empty when the settings do not
// show one.
std::string EvaluationCause(const TModel& model);

// The message of the error that ended a trace: the user's message, with the cause in
// parentheses when `model` is there and shows one.
std::string FailureMessage(const std::exception& error, const TModel* model);

}  // namespace actinfit::batch
