#include "window_fixture.h"

#include <QAbstractButton>
#include <QChart>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include "app/charts/chart_view.h"

namespace actinfit::test {

ErrorBoxes::ErrorBoxes()
    : previous_(SetErrorBoxSink([this](const QString& caption, const QString& text) {
        captions << caption;
        texts << text;
      })) {}

ErrorBoxes::~ErrorBoxes() {
  SetErrorBoxSink(previous_);
}

void WindowTest::init() {
  boxes_ = std::make_unique<ErrorBoxes>();
  window_ = StartedWindow();
  Started();
}

void WindowTest::cleanup() {
  QCoreApplication::processEvents();  // nothing queued by a test may outlive its window
  window_.reset();
  boxes_.reset();
}

std::unique_ptr<TfmMain> StartedWindow() {
  auto window = std::make_unique<TfmMain>();
  window->show();
  return window;
}

QList<QPointF> SeriesPoints(QWidget& window, const char* chart, const char* series) {
  auto* view = Control<ChartView>(window, chart);
  for (QAbstractSeries* s : view->chart()->series()) {
    if (s->objectName() == QLatin1String(series)) return static_cast<QLineSeries*>(s)->points();
  }
  qFatal("no series named %s", series);
}

QStringList Lines(const QPlainTextEdit* pane) {
  const QString text = pane->toPlainText();
  return text.isEmpty() ? QStringList() : text.split(u'\n');
}

void Click(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton);
}

void SetText(QWidget& window, const char* name, const QString& text) {
  if (auto* edit = window.findChild<QLineEdit*>(QString::fromLatin1(name))) {
    edit->setText(text);
    return;
  }
  Control<QPlainTextEdit>(window, name)->setPlainText(text);
}

void WhenEventsRun(std::function<void()> action) {
  QTimer::singleShot(0, std::move(action));
}

int Tag(const QAbstractButton* button) {
  return button->property("tag").toInt();
}

void StopByClickOrEscape(QWidget& window, QAbstractButton* stop, bool escape) {
  if (escape) {
    QTest::keyClick(Control<QLineEdit>(window, "edNItr"), Qt::Key_Escape);
  } else {
    Click(stop);
  }
}

QColor CaptionColour(const QAbstractButton* button) {
  return button->palette().color(QPalette::ButtonText);
}

}  // namespace actinfit::test
