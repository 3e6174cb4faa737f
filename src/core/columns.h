// The two data columns: cleaning pasted text into numbers and loading them into a new record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/model.h"

namespace actinfit {

// Normalises a pane in place: the first '.' and the first ',' become probedSeparator, tabs and
// blanks go, and lines that still are not numbers are deleted. Returns the lines kept.
int32_t CleanColumn(std::vector<std::string>& pane, char probedSeparator);

// Cleans both panes (times first), replaces `model` by a new record sized to the shorter column
// and fills its times (never going backwards) and readings. Returns the number of points.
int32_t LoadData(std::vector<std::string>& timePane, std::vector<std::string>& dataPane,
                 char probedSeparator, std::unique_ptr<TModel>& model);

}  // namespace actinfit
