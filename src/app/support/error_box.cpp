#include "app/support/error_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/errors.h"

namespace actinfit {

namespace {

ErrorBoxSink& Sink() {
  static ErrorBoxSink sink;
  return sink;
}

QString ProgramFilePath() {
  if (QCoreApplication::instance() != nullptr) return QCoreApplication::applicationFilePath();
  // Before the application object exists (or after it is gone) ask the system directly.
  std::error_code ignored;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", ignored);
  return QString::fromStdString(path.string());
}

}  // namespace

QString ProgramFileName() {
  const QString name = QFileInfo(ProgramFilePath()).fileName();
  return name.isEmpty() ? QStringLiteral("actinfit") : name;
}

QString ApplicationTitle() {
  return TitleFromFileName(ProgramFileName());
}

QString TitleFromFileName(const QString& fileName) {
  QString title = fileName;
  const qsizetype dot = title.indexOf(u'.');
  if (dot >= 0) title.truncate(dot);
  if (title.size() > 1) title = title.left(1) + title.mid(1).toLower();
  return title;
}

QString ErrorBoxText(const std::string& message) {
  QString text = QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') text += u'.';
  return text;
}

ErrorBoxSink SetErrorBoxSink(ErrorBoxSink sink) {
  return std::exchange(Sink(), std::move(sink));
}

void ShowErrorBox(const QString& caption, const QString& text) {
  if (Sink()) {
    Sink()(caption, text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
  box.exec();
}

void ShowError(const std::exception& error) {
  // A failed square root is announced in a box of its own before the error it leads to.
  if (const auto* math = dynamic_cast<const EMathError*>(&error);
      math != nullptr && !math->notice().empty()) {
    ShowErrorBox(ProgramFileName(), QString::fromStdString(math->notice()));
  }
  ShowErrorBox(ApplicationTitle(), ErrorBoxText(error.what()));
}

void RunGuarded(const std::function<void()>& handler) noexcept {
  // Showing a box can itself fail (no memory); nothing may leave this function either way.
  try {
    try {
      handler();
    } catch (const std::exception& error) {
      ShowError(error);
    } catch (...) {
      ShowErrorBox(ApplicationTitle(), QString());
    }
  } catch (...) {
  }
}

}  // namespace actinfit
