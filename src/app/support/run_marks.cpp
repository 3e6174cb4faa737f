#include "app/support/run_marks.h"

#include <QAbstractButton>
#include <QColor>
#include <QVariant>

#include "app/layout/ui_parts.h"

namespace actinfit {

namespace {
const char* const kTag = "tag";
}  // namespace

int32_t Tag(const QAbstractButton* button) {
  return button->property(kTag).toInt();
}

void SetTag(QAbstractButton* button, int32_t tag) {
  button->setProperty(kTag, tag);
}

void MarkRunning(QAbstractButton* button, const QString& stopCaption) {
  SetTag(button, 1);
  button->setText(stopCaption);
  SetTextColour(button, QColor(255, 0, 0));
}

void MarkIdle(QAbstractButton* button, const QString& caption) {
  SetTag(button, 0);
  button->setText(caption);
  SetTextColour(button, kNavy);
}

void SetEnabled(std::initializer_list<QAbstractButton*> buttons, bool enabled) {
  for (QAbstractButton* button : buttons) button->setEnabled(enabled);
}

TStopMark::TStopMark(QAbstractButton* button, const QString& stopCaption)
    : button_(button), caption_(button->text()), palette_(button->palette()) {
  MarkRunning(button, stopCaption);
}

TStopMark::~TStopMark() {
  SetTag(button_, 0);
  button_->setText(caption_);
  button_->setPalette(palette_);
}

TButtonsOff::TButtonsOff(std::initializer_list<QAbstractButton*> buttons) {
  for (QAbstractButton* button : buttons) {
    before_.emplace_back(button, button->isEnabled());
    button->setEnabled(false);
  }
}

TButtonsOff::~TButtonsOff() {
  for (const auto& [button, enabled] : before_) button->setEnabled(enabled);
}

}  // namespace actinfit
