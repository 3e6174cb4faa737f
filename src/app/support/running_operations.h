// The long operations running in a window, innermost last, each known by the control whose
// click (a button) or trigger (a menu action) stops it: what Esc stops, and whether anything
// runs at all.
#pragma once

#include <vector>

class QObject;

namespace actinfit {

class TRunningOperations {
 public:
  // Keeps one operation on the list while it lives.
  class TEntry {
   public:
    TEntry(TRunningOperations& operations, QObject* stop);
    ~TEntry();
    TEntry(const TEntry&) = delete;
    TEntry& operator=(const TEntry&) = delete;

   private:
    TRunningOperations& operations_;
    QObject* stop_;
  };

  bool Any() const { return !stops_.empty(); }
  bool Contains(const QObject* stop) const;
  // Asks the operation that started last to stop, as its own stop control does; nothing when
  // none runs or it was asked already.
  void StopInnermost() const;

 private:
  std::vector<QObject*> stops_;
};

}  // namespace actinfit
