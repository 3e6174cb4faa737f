#include "app/support/running_operations.h"

#include <QAbstractButton>
#include <QAction>
#include <algorithm>

namespace actinfit {

TRunningOperations::TEntry::TEntry(TRunningOperations& operations, QAbstractButton* stop)
    : operations_(operations), stop_(stop) {
  operations_.stops_.push_back(stop);
}

TRunningOperations::TEntry::TEntry(TRunningOperations& operations, QAction* stop)
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
  if (stops_.empty()) return;
  QObject* stop = stops_.back();
  if (auto* button = qobject_cast<QAbstractButton*>(stop)) {
    button->click();
  } else if (auto* action = qobject_cast<QAction*>(stop)) {
    action->trigger();
  }
}

}  // namespace actinfit
