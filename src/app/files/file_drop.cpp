#include "app/files/file_drop.h"

#include <QDropEvent>
#include <QWidget>

#include "app/files/data_columns.h"

namespace actinfit {

FileDropFilter::FileDropFilter(QObject* parent, std::function<void(const QString&)> open)
    : QObject(parent), open_(std::move(open)) {}

void FileDropFilter::WatchChildrenOf(QWidget& window) {
  // A widget that takes no drops never sees a drag, so watching all of them costs nothing.
  for (QWidget* widget : window.findChildren<QWidget*>()) widget->installEventFilter(this);
}

bool FileDropFilter::eventFilter(QObject*, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  const QString path = DroppedDataFile(drop->mimeData());
  if (path.isEmpty()) return false;
  drop->acceptProposedAction();
  if (type == QEvent::Drop) open_(path);
  return true;
}

}  // namespace actinfit
