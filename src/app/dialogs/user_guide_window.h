// Help > User guide: the guide from the program's resources in a browser pane of its own window.
#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace actinfit {

// The guide's text as the program ships it (HTML).
QString UserGuideHtml();

class UserGuideWindow : public QDialog {
  Q_OBJECT

 public:
  explicit UserGuideWindow(QWidget* parent);

  QTextBrowser* browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace actinfit
