// What the window tests share: a started window, the error boxes it raised, its controls by name.
#pragma once

#include <QColor>
#include <QLineSeries>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/support/error_box.h"
#include "app/main_window.h"

class QAbstractButton;
class QPlainTextEdit;

namespace actinfit::test {

// Collects the error boxes shown while it lives, instead of opening modal dialogs.
class ErrorBoxes {
 public:
  ErrorBoxes();
  ~ErrorBoxes();
  ErrorBoxes(const ErrorBoxes&) = delete;
  ErrorBoxes& operator=(const ErrorBoxes&) = delete;

  QStringList captions;
  QStringList texts;

 private:
  ErrorBoxSink previous_;
};

// A main window that has been shown, so its start-up Apply has run.
std::unique_ptr<TfmMain> StartedWindow();

// A Qt Test class whose every test function gets a freshly started window, with its error
// boxes collected instead of shown.
class WindowTest : public QObject {
  Q_OBJECT

 protected:
  // Runs once the window has started, before each test function: the place to pick controls.
  virtual void Started() {}

  std::unique_ptr<ErrorBoxes> boxes_;
  std::unique_ptr<TfmMain> window_;

 private slots:
  void init();
  void cleanup();
};

// The control named `name`; fails the test when there is none.
template <class T>
T* Control(QWidget& window, const char* name) {
  T* control = window.findChild<T*>(QString::fromLatin1(name));
  if (control == nullptr) qFatal("no control named %s", name);
  return control;
}

// The points a chart series of the window draws (`chart` "Chart1" or "Chart2").
QList<QPointF> SeriesPoints(QWidget& window, const char* chart, const char* series);

// A pane's lines as the user sees them.
QStringList Lines(const QPlainTextEdit* pane);

// A left click on the button, as the user makes it.
void Click(QAbstractButton* button);

// Replaces the text of an edit field or pane.
void SetText(QWidget& window, const char* name, const QString& text);

// Queues `action` so that it runs at the next point where pending events are processed: inside
// a long operation, its first report.
void WhenEventsRun(std::function<void()> action);

// Stops a running operation as the user does: a click on its stop button, or Esc pressed in
// one of the window's fields.
void StopByClickOrEscape(QWidget& window, QAbstractButton* stop, bool escape);

// A button's running mark and the colour of its caption.
int Tag(const QAbstractButton* button);
QColor CaptionColour(const QAbstractButton* button);

}  // namespace actinfit::test
