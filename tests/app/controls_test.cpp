// The window description: named controls, defaults, tool bar, edit fields, charts, zooming,
// the error box rules and the locale announcement.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QLogValueAxis>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QValueAxis>

#include "app/charts/chart_view.h"
#include "core/numtext.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

class ControlsTest : public WindowTest {
  Q_OBJECT

 private slots:
  void windowHasItsCaptionAndPages() {
    QCOMPARE(window_->windowTitle(),
             QStringLiteral("Fitting of Pyrene-Actin experimental results"));
    auto* pages = Control<QTabWidget>(*window_, "PageControl1");
    QCOMPARE(pages->width(), 353);
    QStringList captions;
    for (int i = 0; i < pages->count(); ++i) captions << pages->tabText(i);
    QCOMPARE(captions, (QStringList{"Parameters", "Data", "Fitting", "Results", "Sensitivity"}));
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet1"));
    // The page control keeps its width on resize; the chart takes the rest.
    window_->resize(1200, 600);
    QCOMPARE(pages->width(), 353);
    QVERIFY(Control<ChartView>(*window_, "Chart1")->width() > 800);
  }

  // The G-actin caption fills the strip from its 22-pixel marker to the field.
  void gActinCaptionReachesItsField() {
    auto* field = Control<QLineEdit>(*window_, "edAG");
    const QLabel* caption = nullptr;
    for (const QLabel* label : field->parentWidget()->findChildren<QLabel*>()) {
      if (label->text() == QStringLiteral("  G-actin concentration, [uM]")) caption = label;
    }
    QVERIFY(caption != nullptr);
    QCOMPARE(caption->x(), 22);
    QCOMPARE(caption->x() + caption->width(), field->x());
  }

  void toolBarButtonsInOrder() {
    struct Item {
      const char* name;
      int width;
      const char* caption;
      const char* hint;
      QColor colour;
    };
    const QColor navy(0, 0, 128);
    const Item items[] = {
        {"btApply", 71, "Apply", "Clear console", Qt::black},
        {"btCalculate", 93, "Calculate", "Simulate FRET", navy},
        {"btFit", 63, "FIT", "Run", navy},
        {"btEstimate", 112, "(Initial estimation)", "Run", Qt::black},
        {"btClear", 43, "", "Clear console", Qt::black},
        {"btSeries", 113, "Series of FITs", "Run", navy},
        {"btExit", 26, "", "Exit the program", Qt::black},
    };
    int left = -1;
    for (const Item& item : items) {
      auto* button = Control<QToolButton>(*window_, item.name);
      QCOMPARE(button->width(), item.width);
      QCOMPARE(button->height(), 24);
      QCOMPARE(button->text(), QString::fromLatin1(item.caption));
      QCOMPARE(button->toolTip(), QString::fromLatin1(item.hint));
      QCOMPARE(button->focusPolicy(), Qt::NoFocus);
      QCOMPARE(button->autoRaise(), item.name != QLatin1String("btExit"));
      QCOMPARE(button->palette().color(QPalette::ButtonText), item.colour);
      QVERIFY2(button->x() > left, item.name);
      left = button->x();
    }
    QCOMPARE(Control<QToolBar>(*window_, "ToolBar9")->height(), 33);
  }

  // Every edit field, with its default; each one turns typed letters into capitals.
  void editFieldsHoldTheirDefaults_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bold");
    const struct {
      const char* name;
      const char* text;
      bool bold;
    } fields[] = {
        {"edBFluo", "10", true},    {"edBFluoMin", "0", false},    {"edBFluoMax", "100", false},
        {"edTShift", "100", true},  {"edTShiftMin", "0", false},   {"edTShiftMax", "200", false},
        {"edKnuc", "1E-8", true},   {"edKnucMin", "1E-11", false}, {"edKnucMax", "1E-6", false},
        {"edKon", "8", true},       {"edKonMin", "1", false},      {"edKonMax", "20", false},
        {"edKoff", "1", true},      {"edKoffMin", "0", false},     {"edKoffMax", "20", false},
        {"edAG", "6", true},        {"edTStep", "0.1", true},      {"edNItr", "100", true},
        {"edNShow", "10", true},    {"edNSeries", "100", true},    {"edP1Min", "1E-11", false},
        {"edP1Max", "1E-6", false}, {"edNP1", "10", true},         {"edP2Min", "1", false},
        {"edP2Max", "20", false},   {"edNP2", "10", true}};
    for (const auto& f : fields) QTest::newRow(f.name) << f.name << f.text << f.bold;
  }
  void editFieldsHoldTheirDefaults() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, bold);
    auto* edit = Control<QLineEdit>(*window_, name.toLatin1().constData());
    QCOMPARE(edit->text(), text);
    QCOMPARE(edit->font().bold(), bold);
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("1e-8x"));
    QCOMPARE(edit->text(), QStringLiteral("1E-8X"));
    QApplication::clipboard()->setText(QStringLiteral("abc"));
    edit->selectAll();
    edit->paste();
    QCOMPARE(edit->text(), QStringLiteral("ABC"));
  }

  void thereAreTwentySixEditFields() { QCOMPARE(window_->findChildren<QLineEdit*>().size(), 26); }

  void checkBoxesStartTicked() {
    for (const char* name :
         {"chbBFluo", "chbTShift", "chbKnuc", "chbKon", "chbKoff", "CheckBox5", "CheckBox6"}) {
      QVERIFY2(Control<QCheckBox>(*window_, name)->isChecked(), name);
    }
    for (const char* name : {"CheckBox2", "CheckBox3"}) {
      auto* inert = Control<QCheckBox>(*window_, name);
      QVERIFY(!inert->isChecked());
      // Below the bottom edge of its panel: never seen.
      QVERIFY(inert->y() >= inert->parentWidget()->height() - 1);
    }
  }

  // The inert boxes and the operation buttons that are not yet filled in raise nothing.
  void inertControlsChangeNothing() {
    const QString model = Control<QPlainTextEdit>(*window_, "mModel")->toPlainText();
    for (const char* name : {"CheckBox2", "CheckBox3"}) Click(Control<QCheckBox>(*window_, name));
    QCOMPARE(Control<QPlainTextEdit>(*window_, "mModel")->toPlainText(), model);
    QVERIFY(boxes_->texts.isEmpty());
  }

  void chartsHaveTitledAxes() {
    auto* main = Control<ChartView>(*window_, "Chart1");
    QCOMPARE(main->AxisX()->titleText(), QStringLiteral("Time, s"));
    QCOMPARE(main->AxisY()->titleText(), QStringLiteral("Fluorescence ~ ACF"));
    QVERIFY(qobject_cast<QValueAxis*>(main->AxisY()) != nullptr);
    auto* fitting = Control<ChartView>(*window_, "Chart2");
    QCOMPARE(fitting->AxisX()->titleText(), QStringLiteral("Iteration"));
    QCOMPARE(fitting->AxisY()->titleText(), QStringLiteral("Sum Square Error"));
    QVERIFY(qobject_cast<QLogValueAxis*>(fitting->AxisY()) != nullptr);
  }

  // The axes follow the points: the time span and the whole range of readings and residuals.
  void mainChartScalesToItsPoints() {
    auto* chart = Control<ChartView>(*window_, "Chart1");
    auto* x = static_cast<QValueAxis*>(chart->AxisX());
    auto* y = static_cast<QValueAxis*>(chart->AxisY());
    QCOMPARE(x->min(), 0.0);
    QCOMPARE(x->max(), 1200.0);
    QCOMPARE(y->max(), 1308.1);
    double lowest = 0;
    for (const QPointF& p : SeriesPoints(*window_, "Chart1", "serError")) {
      lowest = std::min(lowest, p.y());
    }
    QCOMPARE(y->min(), lowest);

    SetText(*window_, "mTime", QStringLiteral("0\n100\n200\n300"));
    Click(Control<QToolButton>(*window_, "btApply"));
    QCOMPARE(x->max(), 300.0);
  }

  // A rectangle drawn with the mouse zooms in and stays through a redraw; a double-click or a
  // right-click returns to automatic scaling.
  void zoomAndReturnToAutomaticScaling_data() {
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("double-click") << true;
    QTest::newRow("right-click") << false;
  }
  void zoomAndReturnToAutomaticScaling() {
    QFETCH(bool, doubleClick);
    auto* chart = Control<ChartView>(*window_, "Chart1");
    auto* x = static_cast<QValueAxis*>(chart->AxisX());
    QWidget* surface = chart->viewport();
    const QRectF area = chart->chart()->plotArea();
    const QPoint from = chart->mapFromScene(area.topLeft() + QPointF(area.width() * 0.25, 10));
    const QPoint to = chart->mapFromScene(area.topLeft() + QPointF(area.width() * 0.5, 60));
    QTest::mousePress(surface, Qt::LeftButton, {}, from);
    QTest::mouseMove(surface, (from + to) / 2);
    QTest::mouseMove(surface, to);
    QTest::mouseRelease(surface, Qt::LeftButton, {}, to);
    QVERIFY(!chart->AutoScaling());
    QVERIFY(x->min() > 200 && x->max() < 700);

    Click(Control<QToolButton>(*window_, "btApply"));
    QVERIFY(x->min() > 200 && x->max() < 700);

    if (doubleClick) {
      QTest::mouseDClick(surface, Qt::LeftButton, {}, to);
    } else {
      QTest::mouseClick(surface, Qt::RightButton, {}, to);
    }
    QVERIFY(chart->AutoScaling());
    QCOMPARE(x->min(), 0.0);
    QCOMPARE(x->max(), 1200.0);
  }

  void errorBoxTextEndsInAFullStop_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Floating point overflow"
                            << "Floating point overflow.";
    QTest::newRow("quote sorts before '.'") << "'ABC'"
                                            << "'ABC'";
    QTest::newRow("full stop") << "Done."
                               << "Done.";
    QTest::newRow("bang sorts before '.'") << "Stop!"
                                           << "Stop!";
    QTest::newRow("minus sorts before '.'") << "a-"
                                            << "a-";
    QTest::newRow("slash sorts after '.'") << "a/"
                                           << "a/.";
    QTest::newRow("empty") << ""
                           << "";
  }
  void errorBoxTextEndsInAFullStop() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(ErrorBoxText(message.toStdString()), shown);
  }

  void applicationTitleComesFromTheProgramFile_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << "actinfit"
                           << "actinfit";
    QTest::newRow("extension") << "ACTINFIT.EXE"
                               << "Actinfit";
    QTest::newRow("two dots") << "My.Prog.bin"
                              << "My";
    QTest::newRow("one letter") << "A.out"
                                << "A";
  }
  void applicationTitleComesFromTheProgramFile() {
    QFETCH(QString, file);
    QFETCH(QString, title);
    QCOMPARE(TitleFromFileName(file), title);
  }

  // The system announces a new locale: the separator of number text is read again; the
  // window's probed one stays as it was.
  void localeChangeRereadsTheSeparator() {
    SetDecimalSeparator(',');
    QEvent change(QEvent::LocaleChange);
    QApplication::sendEvent(window_.get(), &change);
    QCOMPARE(DecimalSeparator(), '.');
    QCOMPARE(window_->ProbedSeparator(), '.');
  }
};

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
