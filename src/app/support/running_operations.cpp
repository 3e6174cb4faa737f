#include "app/support/running_operations.h"

#include <algorithm>

#include "app/support/operation_guard.h"

namespace actinfit {

TRunningOperations::TEntry::TEntry(TRunningOperations& operations, QObject* stop)
    : operations_(operations), stop_(stop) {
  operations_.stops_.push_back(stop);
}

TRunningOperations::TEntry::~TEntry() {
  // Operations end in the reverse order of their start; search anyway rather than assume it.
  auto& stops = operations_.stops_;
  const auto last = std::find(stops.rbegin(), stops.rend(), stop_);
  if (last != stops.rend()) stops.erase(std::next(last).base());
}

bool TRunningOperations::Contains(const QObject* stop) const {
  return std::find(stops_.begin(), stops_.end(), stop) != stops_.end();
}

void TRunningOperations::StopInnermost() const {
  // A second Esc must not reach a handler that would take it for a new start.
  if (!stops_.empty()) TOperationGuard::AskToStop(stops_.back());
}

}  // namespace actinfit
