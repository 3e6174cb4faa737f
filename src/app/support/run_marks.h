// How a button shows that its long operation runs: its integer tag (1 running, 0 idle), a stop
// caption in red while it runs, its own caption in navy when it is idle again.
#pragma once

#include <cstdint>
#include <initializer_list>

class QAbstractButton;
class QString;

namespace actinfit {

int32_t Tag(const QAbstractButton* button);
void SetTag(QAbstractButton* button, int32_t tag);

// Tag 1, the stop caption, red.
void MarkRunning(QAbstractButton* button, const QString& stopCaption);

// Tag 0, the idle caption, navy.
void MarkIdle(QAbstractButton* button, const QString& caption);

void SetEnabled(std::initializer_list<QAbstractButton*> buttons, bool enabled);

}  // namespace actinfit
