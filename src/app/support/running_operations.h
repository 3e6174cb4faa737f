// The long operations running in the window, innermost last, each known by the button whose
// click stops it: what Esc stops, and whether anything runs at all.
#pragma once

#include <vector>

class QAbstractButton;

namespace actinfit {

class TRunningOperations {
 public:
  // Keeps one operation on the list while it lives.
  class TEntry {
   public:
    TEntry(TRunningOperations& operations, QAbstractButton* stop);
    ~TEntry();
    TEntry(const TEntry&) = delete;
    TEntry& operator=(const TEntry&) = delete;

   private:
    TRunningOperations& operations_;
    QAbstractButton* stop_;
  };

  bool Any() const { return !stops_.empty(); }
  bool Contains(const QAbstractButton* stop) const;
  // The stop button of the operation that started last; null when none runs.
  QAbstractButton* Innermost() const { return stops_.empty() ? nullptr : stops_.back(); }

 private:
  std::vector<QAbstractButton*> stops_;
};

}  // namespace actinfit
