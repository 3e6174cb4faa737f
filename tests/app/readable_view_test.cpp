// What the window shows can be read: every chart axis carries its values (on screen and in the
// exported pictures), and the tab-separated panes line their columns up.
#include <QFile>
#include <QFontMetricsF>
#include <QLogValueAxis>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
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
};

QTEST_MAIN(ReadableViewTest)
#include "readable_view_test.moc"
