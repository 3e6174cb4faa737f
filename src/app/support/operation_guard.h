// One long operation of a window while it runs, from its start to however it ends: the running
// mark on the control that stops it (tag 1, a stop caption in red), the controls that are off
// meanwhile, its place on the window's list of running operations (what Esc stops) and the
// restart of the event points. Its end puts every control back as it found it, so that an
// operation started inside another one leaves the outer one's controls as they were.
#pragma once

#include <QPalette>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

#include "app/support/event_points.h"
#include "app/support/running_operations.h"

class QObject;

namespace actinfit {

// The integer tag of a button or action: 1 while its operation runs, 0 otherwise.
int Tag(const QObject* control);
void SetTag(QObject* control, int tag);

// How an operation shows itself while it runs.
struct TOperationLook {
  // The button or action whose next click or trigger asks it to stop; none when it cannot be
  // stopped on its own (an inner step of a series).
  QObject* stop = nullptr;
  // The stop control's caption while it runs; empty keeps its caption (an action's text).
  QString stopCaption{};
  // Its caption afterwards, in navy; empty gives back the caption and colours it had.
  QString idleCaption{};
  // Whether Esc stops it; an inner step is stopped with the operation around it.
  bool escape = true;
  // Buttons, actions or other widgets that are off while it runs (the stop control stays on).
  std::vector<QObject*> off{};
};

// Where an operation runs: the window's list of running operations and its event points.
struct TOperationPlace {
  TRunningOperations& running;
  TEventPoints& events;
};

class TOperationGuard {
 public:
  TOperationGuard(TOperationPlace place, TOperationLook look);
  ~TOperationGuard();
  TOperationGuard(const TOperationGuard&) = delete;
  TOperationGuard& operator=(const TOperationGuard&) = delete;

  // The stop control was used since the start (its tag is 0 again); never for an operation
  // without one.
  bool StopRequested() const;

  // What a handler does first when its control is clicked or triggered: if the control's
  // operation runs, asks it to stop and returns true. A button follows its tag alone (a click
  // after a stop request starts anew); an action asked to stop ignores triggers until it ends.
  static bool AskToStop(QObject* stop);

 private:
  void MarkRunning();
  void MarkIdle();

  TOperationLook look_;
  QString caption_;
  QPalette palette_;
  std::vector<std::pair<QObject*, bool>> enabledBefore_;
  std::optional<TRunningOperations::TEntry> entry_;
};

}  // namespace actinfit
