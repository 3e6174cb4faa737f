// When a long operation lets the window run its pending events: at its own report points, and
// in between whenever kIntervalMs have passed since it last did, so that the window answers
// clicks and repaints whatever the operation's counts.
#pragma once

#include <QElapsedTimer>

namespace actinfit {

class TEventPoints {
 public:
  static constexpr qint64 kIntervalMs = 50;

  TEventPoints() { lastRun_.start(); }

  bool Due() const { return lastRun_.elapsed() >= kIntervalMs; }

  // An operation starts: its handler came from the events just run.
  void Restart() { lastRun_.restart(); }

  // Runs the pending events. The interval counts from their start: what they cost (a repaint,
  // a nested handler) does not lengthen the next wait.
  void Run();

 private:
  QElapsedTimer lastRun_;
};

}  // namespace actinfit
