// Settings no run could use, refused before any trace is computed: a batch runs unattended, and
// a job that fails on its first trace, or never ends, should not start.
#pragma once

#include <vector>

#include "batch/arguments.h"
#include "batch/traces.h"

namespace actinfit::batch {

// EInvalidInput: a G-actin concentration of 0 or below, a time step that is not above 0, or,
// for the searches (fit, series, refine), crossed bounds of a marked parameter.
void CheckSettings(const TSettings& settings, TMethod method);

// EInvalidInput naming the trace: a time step with which one evaluation of the longest trace
// would take more than kMaxSteps steps, counted from the lowest TShift the method may use (its
// lower bound when a search moves it, else its value).
void CheckStepCounts(const std::vector<TTrace>& traces, const TBatchOptions& options);

}  // namespace actinfit::batch
