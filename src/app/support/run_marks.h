// How a button shows that its long operation runs: its integer tag (1 running, 0 idle), a stop
// caption in red while it runs, its own caption in navy when it is idle again.
#pragma once

#include <QPalette>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

class QAbstractButton;

namespace actinfit {

int32_t Tag(const QAbstractButton* button);
void SetTag(QAbstractButton* button, int32_t tag);

// Tag 1, the stop caption, red.
void MarkRunning(QAbstractButton* button, const QString& stopCaption);

// Tag 0, the idle caption, navy.
void MarkIdle(QAbstractButton* button, const QString& caption);

void SetEnabled(std::initializer_list<QAbstractButton*> buttons, bool enabled);

// Marks a button running (MarkRunning) while it lives; then tag 0 and the caption and colours
// the button had before. For buttons whose idle look is their first one.
class TStopMark {
 public:
  TStopMark(QAbstractButton* button, const QString& stopCaption);
  ~TStopMark();
  TStopMark(const TStopMark&) = delete;
  TStopMark& operator=(const TStopMark&) = delete;

 private:
  QAbstractButton* button_;
  QString caption_;
  QPalette palette_;
};

// Disables buttons while it lives; then each is as enabled as it was before, so that an
// operation started inside another one leaves the outer one's buttons as it found them.
class TButtonsOff {
 public:
  explicit TButtonsOff(std::initializer_list<QAbstractButton*> buttons);
  ~TButtonsOff();
  TButtonsOff(const TButtonsOff&) = delete;
  TButtonsOff& operator=(const TButtonsOff&) = delete;

 private:
  std::vector<std::pair<QAbstractButton*, bool>> before_;
};

}  // namespace actinfit
