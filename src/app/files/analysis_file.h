// An analysis file on disk: read whole and checked before anything is handed back, written
// through a temporary file beside it.
#pragma once

#include <QString>

#include "core/analysis.h"

namespace actinfit {

// Raises an error naming the file and what is wrong with it.
TAnalysis ReadAnalysisFile(const QString& path);

// Raises an error naming the file when it cannot be written; an older file stays as it was.
void WriteAnalysisFile(const QString& path, const TAnalysis& analysis);

// Whether `path` names an analysis file (by its extension, ".actinfit").
bool IsAnalysisFile(const QString& path);

}  // namespace actinfit
