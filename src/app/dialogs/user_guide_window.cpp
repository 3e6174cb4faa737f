#include "app/dialogs/user_guide_window.h"

#include <QFile>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

namespace actinfit {

QString UserGuideHtml() {
  QFile file(QStringLiteral(":/guide/user_guide.html"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

UserGuideWindow::UserGuideWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fmUserGuide"));
  setWindowTitle(QStringLiteral("actinfit user guide"));
  // A window beside the main one, not a question: the user reads it while working.
  setModal(false);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("tbUserGuide"));
  browser_->setOpenExternalLinks(false);
  browser_->document()->setDocumentMargin(12);
  browser_->setHtml(UserGuideHtml());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(640, 720);
}

}  // namespace actinfit
