// A data file dropped anywhere on the window opens, also over the panes and fields, which would
// otherwise take the file's name as text. Text dropped on them stays theirs.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace actinfit {

class FileDropFilter : public QObject {
 public:
  FileDropFilter(QObject* parent, std::function<void(const QString& path)> open);

  // Watches every widget in `window`, those that take drops of their own among them.
  void WatchChildrenOf(QWidget& window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(const QString&)> open_;
};

}  // namespace actinfit
