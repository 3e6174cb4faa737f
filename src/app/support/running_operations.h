// The long operations running in the window, innermost last, each known by the control whose
// click (a button) or trigger (a menu action) stops it: what Esc stops, and whether anything
// runs at all.
#pragma once

#include <vector>

class QAbstractButton;
class QAction;
class QObject;

namespace actinfit {

class TRunningOperations {
 public:
  // Keeps one operation on the list while it lives.
  class TEntry {
   public:
    TEntry(TRunningOperations& operations, QAbstractButton* stop);
    TEntry(TRunningOperations& operations, QAction* stop);
    ~TEntry();
    TEntry(const TEntry&) = delete;
    TEntry& operator=(const TEntry&) = delete;

   private:
    TRunningOperations& operations_;
    QObject* stop_;
  };

  bool Any() const { return !stops_.empty(); }
  bool Contains(const QObject* stop) const;
  // Stops the operation that started last, as its own stop control does; nothing when none runs.
  void StopInnermost() const;

 private:
  std::vector<QObject*> stops_;
};

}  // namespace actinfit
