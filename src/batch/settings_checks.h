// Settings no run could use, refused before any trace is computed: a batch runs unattended, and
// a job that fails on its first trace, or never ends, should not start.
#pragma once

#include <vector>

#include "batch/arguments.h"
#include "batch/traces.h"

namespace actinfit::batch {

// EInvalidInput: a G-actin concentration of 0 or below (for all or for one column), a time
// step that is not above 0, a G-actin the method does not read (one for all with --method
// global, one per column without it), for the searches crossed bounds of a marked parameter,
// and for --method global no rate marked or crossed TShift bounds with --fit-tshift.
void CheckSettings(const TBatchOptions& options);

// EInvalidInput: a time step with which one evaluation of the trace would take more than
// kMaxSteps steps, counted from the lowest TShift the method may use (its lower bound when a
// search moves it, else its value). A trace that fails it fails on its own.
void CheckTraceSteps(const TTrace& trace, const TBatchOptions& options);

// EInvalidInput naming the longest trace when no trace with readings passes CheckTraceSteps:
// then no run could use the time step.
void CheckStepCounts(const std::vector<TTrace>& traces, const TBatchOptions& options);

// EInvalidInput with the first file's message when --table, --wells and --exclude keep no trace
// of any file: no run could use them.
void CheckSelection(const std::vector<TTrace>& traces);

// EInvalidInput naming --g-actin (or the settings file's g-actin) when every trace has a G-actin
// of its own (TTrace::gActin), for the methods of one trace: no run would read it.
void CheckOneGActinUsed(const std::vector<TTrace>& traces, const TBatchOptions& options);

// EInvalidInput naming the setting when a G-actin given for a column (--g-actin-of, the
// [g-actin] table) matches no readings column's header or number in any file. Nothing is
// checked when a file could not be read: its columns are unknown.
void CheckColumnNames(const std::vector<TTrace>& traces, const TSettings& settings);

// EInvalidInput naming the file when one file is given twice (as the same path or another
// path to it): its traces would count twice.
void CheckDistinctFiles(const std::vector<std::string>& files);

}  // namespace actinfit::batch
