#include "app/support/enabled_follower.h"

#include <QAction>
#include <QEvent>
#include <QWidget>

namespace actinfit {
namespace {

// Lives as a child of the action; watches the leader's enabled state.
class TEnabledFollower final : public QObject {
 public:
  TEnabledFollower(QAction* action, QWidget* leader, std::function<bool()> alsoWhen)
      : QObject(action), action_(action), leader_(leader), alsoWhen_(std::move(alsoWhen)) {
    leader->installEventFilter(this);
    Update();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == leader_ && event->type() == QEvent::EnabledChange) Update();
    return false;
  }

 private:
  void Update() { action_->setEnabled(leader_->isEnabled() || alsoWhen_()); }

  QAction* action_;
  QWidget* leader_;
  std::function<bool()> alsoWhen_;
};

}  // namespace

void FollowEnabled(QAction* action, QWidget* leader, std::function<bool()> alsoWhen) {
  new TEnabledFollower(action, leader, std::move(alsoWhen));
}

}  // namespace actinfit
