// What the window shows can be read: every chart axis carries its values (on screen and in the
// exported pictures), and the tab-separated panes line their columns up.
#include <QFile>
#include <QFontMetricsF>
#include <QLogValueAxis>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <QToolButton>
#include <QValueAxis>
#include <QXmlStreamReader>
#include <cmath>

#include "app/charts/chart_view.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

// The text of every <text> element of an SVG file, blanks trimmed.
QStringList SvgTexts(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QXmlStreamReader svg(&file);
  QStringList texts;
  while (!svg.atEnd()) {
    if (svg.readNext() == QXmlStreamReader::StartElement && svg.name() == u"text") {
      texts << svg.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    }
  }
  return texts;
}

// Checks that every cell of every line of `pane` starts on the tab stop of its column and ends
// at least one blank before the next column starts.
void CheckColumnsLineUp(const QPlainTextEdit& pane, const QStringList& lines) {
  const double stop = pane.tabStopDistance();
  const double blank = QFontMetricsF(pane.font()).horizontalAdvance(u' ');
  for (const QString& line : lines) {
    QTextLayout layout(line, pane.font());
    QTextOption option;
    option.setTabStopDistance(stop);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine text = layout.createLine();
    layout.endLayout();
    qsizetype start = 0;
    for (qsizetype column = 0;; ++column) {
      const qsizetype tab = line.indexOf(u'\t', start);
      const qsizetype end = tab == -1 ? line.size() : tab;
      QVERIFY2(std::fabs(text.cursorToX(static_cast<int>(start)) - column * stop) < 0.5,
               qPrintable(line));
      QVERIFY2(text.cursorToX(static_cast<int>(end)) + blank <= (column + 1) * stop,
               qPrintable(line.mid(start, end - start)));
      if (tab == -1) break;
      start = tab + 1;
    }
  }
}

}  // namespace

class ReadableViewTest : public WindowTest {
  Q_OBJECT

 private slots:
  // The default data run from 0 to 1200 s: the time axis is labelled every 200 s. The
  // fluorescence axis carries numbers too.
  void dataChartShowsItsAxisValuesInTheSvg() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("data.svg"));
    window_->ExportChart(1, path);
    const QStringList texts = SvgTexts(path);
    for (const char* tick : {"0", "200", "400", "600", "800", "1000", "1200"}) {
      QVERIFY2(texts.contains(QString::fromLatin1(tick)), qPrintable(texts.join(u'|')));
    }
    const auto* y = static_cast<const QValueAxis*>(Control<ChartView>(*window_, "Chart1")->AxisY());
    const double first = std::ceil(y->min() / y->tickInterval()) * y->tickInterval();
    QVERIFY2(texts.contains(QString::number(first)), qPrintable(texts.join(u'|')));
  }

  // After a short fit the error chart's logarithmic axis is labelled at every decade.
  void errorChartShowsItsDecadesInTheSvg() {
    SetText(*window_, "edNItr", QStringLiteral("20"));
    SetText(*window_, "edNShow", QStringLiteral("1"));
    Click(Control<QToolButton>(*window_, "btFit"));
    QVERIFY(boxes_->texts.isEmpty());

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("error.svg"));
    window_->ExportChart(2, path);
    const QStringList texts = SvgTexts(path);
    const auto* y =
        static_cast<const QLogValueAxis*>(Control<ChartView>(*window_, "Chart2")->AxisY());
    const int low = static_cast<int>(std::ceil(std::log10(y->min())));
    const int high = static_cast<int>(std::floor(std::log10(y->max())));
    QVERIFY(high > low);
    for (int decade = low; decade <= high; ++decade) {
      const QString label = QString::number(std::pow(10.0, decade), 'g', 10);
      QVERIFY2(texts.contains(label),
               qPrintable(label + QStringLiteral(" not in ") + texts.join(u'|')));
    }
    // Iterations 0 to 20 along the bottom.
    for (const char* tick : {"0", "10", "20"})
      QVERIFY2(texts.contains(QString::fromLatin1(tick)), tick);
  }

  // After a fit and a sensitivity scan, and with the widest cells their styles can write, the
  // panes' columns start on their tab stops and never touch.
  void panesLineUpTheirColumns() {
    SetText(*window_, "edNItr", QStringLiteral("10"));
    Click(Control<QToolButton>(*window_, "btFit"));
    SetText(*window_, "edNP1", QStringLiteral("4"));
    SetText(*window_, "edNP2", QStringLiteral("3"));
    Click(Control<QPushButton>(*window_, "Button1"));
    QVERIFY(boxes_->texts.isEmpty());

    const auto* results = Control<QPlainTextEdit>(*window_, "mResults");
    const auto* sensitivity = Control<QPlainTextEdit>(*window_, "mSens");
    QCOMPARE(Lines(results).size(), 1);
    QCOMPARE(Lines(sensitivity).size(), 4);
    CheckColumnsLineUp(*results, Lines(results));
    CheckColumnsLineUp(*sensitivity, Lines(sensitivity));

    CheckColumnsLineUp(*results, {"88888.88888\t-8.8888E-188\t-1.0000E+100\t0.0000E+00",
                                  "-12345.00000\t1.0000E+00\t-8.8888E-188"});
    CheckColumnsLineUp(*sensitivity, {"P2|P1\t-8.88888888888888E-288\t-0.000888888888888888",
                                      "-1.23456789012346E-100\t123456789012345\t0"});
  }
};

QTEST_MAIN(ReadableViewTest)
#include "readable_view_test.moc"
