#include "app/support/operation_guard.h"

#include <QAbstractButton>
#include <QAction>
#include <QColor>
#include <QVariant>
#include <QWidget>
#include <algorithm>

#include "app/layout/ui_parts.h"

namespace actinfit {

namespace {

const char* const kTag = "tag";
// How many operations of a control run: an action asked to stop is still busy until it ends.
const char* const kRunning = "operationsRunning";

// The control's own state, not the one it takes from a disabled parent.
bool OwnEnabled(const QObject* control) {
  if (const auto* widget = qobject_cast<const QWidget*>(control)) {
    return !widget->testAttribute(Qt::WA_Disabled);
  }
  if (const auto* action = qobject_cast<const QAction*>(control)) return action->isEnabled();
  return true;
}

void SetOwnEnabled(QObject* control, bool enabled) {
  if (auto* widget = qobject_cast<QWidget*>(control)) {
    widget->setEnabled(enabled);
  } else if (auto* action = qobject_cast<QAction*>(control)) {
    action->setEnabled(enabled);
  }
}

void SetCaption(QObject* control, const QString& caption) {
  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(caption);
  } else if (auto* action = qobject_cast<QAction*>(control)) {
    action->setText(caption);
  }
}

QString Caption(const QObject* control) {
  if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (const auto* action = qobject_cast<const QAction*>(control)) return action->text();
  return {};
}

void AddRunning(QObject* control, int delta) {
  control->setProperty(kRunning, control->property(kRunning).toInt() + delta);
}

}  // namespace

int Tag(const QObject* control) {
  return control->property(kTag).toInt();
}

void SetTag(QObject* control, int tag) {
  control->setProperty(kTag, tag);
}

TOperationGuard::TOperationGuard(TOperationPlace place, TOperationLook look)
    : look_(std::move(look)) {
  // On the list first: whatever follows the controls going off sees the operation running.
  if (look_.stop != nullptr && look_.escape) entry_.emplace(place.running, look_.stop);
  for (QObject* control : look_.off) enabledBefore_.emplace_back(control, OwnEnabled(control));
  const bool stopListed =
      std::find(look_.off.begin(), look_.off.end(), look_.stop) != look_.off.end();
  if (look_.stop != nullptr && !stopListed) {
    enabledBefore_.emplace_back(look_.stop, OwnEnabled(look_.stop));
  }
  for (QObject* control : look_.off) SetOwnEnabled(control, false);
  if (look_.stop != nullptr) MarkRunning();
  // Its handler came from the events just run.
  place.events.Restart();
}

TOperationGuard::~TOperationGuard() {
  for (auto it = enabledBefore_.rbegin(); it != enabledBefore_.rend(); ++it) {
    SetOwnEnabled(it->first, it->second);
  }
  if (look_.stop != nullptr) MarkIdle();
  entry_.reset();
}

void TOperationGuard::MarkRunning() {
  QObject* stop = look_.stop;
  caption_ = Caption(stop);
  if (auto* widget = qobject_cast<QWidget*>(stop)) palette_ = widget->palette();
  SetTag(stop, 1);
  AddRunning(stop, 1);
  if (!look_.stopCaption.isEmpty()) SetCaption(stop, look_.stopCaption);
  if (auto* widget = qobject_cast<QWidget*>(stop)) SetTextColour(widget, QColor(255, 0, 0));
  SetOwnEnabled(stop, true);  // it stops the operation
}

void TOperationGuard::MarkIdle() {
  QObject* stop = look_.stop;
  SetTag(stop, 0);
  AddRunning(stop, -1);
  auto* widget = qobject_cast<QWidget*>(stop);
  if (look_.idleCaption.isEmpty()) {
    SetCaption(stop, caption_);
    if (widget != nullptr) widget->setPalette(palette_);
  } else {
    SetCaption(stop, look_.idleCaption);
    if (widget != nullptr) SetTextColour(widget, kNavy);
  }
}

bool TOperationGuard::StopRequested() const {
  return look_.stop != nullptr && Tag(look_.stop) == 0;
}

bool TOperationGuard::AskToStop(QObject* stop) {
  if (Tag(stop) != 0) {
    SetTag(stop, 0);  // the operation sees this at its next event point and ends there
    return true;
  }
  return qobject_cast<QAction*>(stop) != nullptr && stop->property(kRunning).toInt() > 0;
}

}  // namespace actinfit
