// File > Export figure on the real window, and the figure drawing itself with several traces:
// both panels, the legend, the size in pixels for the millimetres and dpi chosen, text kept as
// text in SVG, and the sizes and files it refuses.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <cmath>

#include "app/dialogs/figure_dialog.h"
#include "app/figure/figure_picture.h"
#include "app/figure/figure_scale.h"
#include "core/errors.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

struct SvgContent {
  QString width, height;  // of the root element
  QStringList texts;
};

SvgContent ReadSvg(const QByteArray& bytes) {
  SvgContent content;
  QXmlStreamReader svg(bytes);
  while (!svg.atEnd()) {
    if (svg.readNext() != QXmlStreamReader::StartElement) continue;
    if (svg.name() == u"svg") {
      content.width = svg.attributes().value(QStringLiteral("width")).toString();
      content.height = svg.attributes().value(QStringLiteral("height")).toString();
    } else if (svg.name() == u"text") {
      content.texts << svg.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    }
  }
  return content;
}

// The rows of the picture where a dark line runs across most of its width: the top and bottom
// edges of each panel's frame, a line a few pixels thick counted once.
QList<int> FrameEdges(const QImage& image) {
  QList<int> edges;
  int previous = -10;
  for (int y = 0; y < image.height(); ++y) {
    int dark = 0;
    for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 200 ? 1 : 0;
    if (dark < image.width() * 7 / 10) continue;
    if (y > previous + 1) edges << y;
    previous = y;
  }
  return edges;
}

// Three traces of a dilution series: the curve a(1 - exp(-t/τ)), its model a little off.
FigureDescription DilutionSeries() {
  FigureDescription figure;
  const double concentrations[] = {0.5, 1.5, 3};
  const QColor colours[] = {QColor(0, 114, 178), QColor(0, 158, 115), QColor(204, 121, 167)};
  for (int k = 0; k < 3; ++k) {
    FigureTrace trace;
    trace.label = QString::number(concentrations[k]) + QStringLiteral(" uM");
    trace.dataColour = trace.modelColour = colours[k];
    for (int i = 0; i <= 60; ++i) {
      const double t = 10.0 * i;
      const double reading = 100 * concentrations[k] * (1 - std::exp(-t / 150));
      trace.times.push_back(t);
      trace.readings.push_back(reading);
      trace.model.push_back(reading * 1.01);
      trace.residuals.push_back(reading * 0.01);
    }
    figure.traces.push_back(trace);
  }
  return figure;
}

}  // namespace

class FigureTest : public WindowTest {
  Q_OBJECT

 private slots:
  // The PNG has the pixels of its millimetres at its resolution, and says its resolution.
  void pngHasThePixelsOfItsSize_data() {
    QTest::addColumn<double>("widthMm");
    QTest::addColumn<double>("heightMm");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QSize>("pixels");
    // 160 / 25.4 * 300 = 1889.76, 110 / 25.4 * 300 = 1299.2
    QTest::newRow("default") << 160.0 << 110.0 << 300 << QSize(1890, 1299);
    // one column of a journal page: 85 / 25.4 * 600 = 2007.9, 60 / 25.4 * 600 = 1417.3
    QTest::newRow("column, 600 dpi") << 85.0 << 60.0 << 600 << QSize(2008, 1417);
    // a slide: 254 mm = 10 in at 96 dpi
    QTest::newRow("slide") << 254.0 << 127.0 << 96 << QSize(960, 480);
  }
  void pngHasThePixelsOfItsSize() {
    QFETCH(double, widthMm);
    QFETCH(double, heightMm);
    QFETCH(int, dpi);
    QFETCH(QSize, pixels);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("figure.png"));
    window_->ExportFigure(path, widthMm, heightMm, dpi);
    const QImage image = QImage::fromData(ReadAll(path), "PNG");
    QCOMPARE(image.size(), pixels);
    QCOMPARE(std::lround(image.dotsPerMeterX() * 0.0254), dpi);
    QCOMPARE(image.pixel(0, 0), qRgb(255, 255, 255));
    // Two panels, one above the other, the residuals' the lower and smaller one.
    const QList<int> edges = FrameEdges(image);
    QCOMPARE(edges.size(), 4);
    QVERIFY(edges[1] - edges[0] > edges[3] - edges[2]);
  }

  void defaultFigureIs160By110MmAt300Dpi() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("figure.png"));
    window_->ExportFigure(path);
    QCOMPARE(QImage::fromData(ReadAll(path), "PNG").size(), QSize(1890, 1299));
  }

  // SVG keeps the legend, the axis titles and the tick values as text, at its size in mm.
  void svgKeepsItsTextAsText() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("figure.svg"));
    window_->ExportFigure(path);
    const SvgContent svg = ReadSvg(ReadAll(path));
    QCOMPARE(svg.width, QStringLiteral("160mm"));
    QCOMPARE(svg.height, QStringLiteral("110mm"));
    for (const char* text : {"Data: default data set", "Model", "Time (s)", "Fluorescence (a.u.)",
                             "Residual (a.u.)", "0", "200", "400", "600", "800", "1000", "1200"}) {
      QVERIFY2(svg.texts.contains(QString::fromUtf8(text)), text);
    }
  }

  // The legend names the file and the column the trace came from.
  void legendNamesTheOpenedFileAndColumn() {
    QTemporaryDir folder;
    const QString csv = folder.filePath(QStringLiteral("plate.csv"));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("time,A1,B1\n0,50,40\n150,83.768,60\n300,440.52,90\n600,900,200\n");
    file.close();
    window_->OpenDataFile(csv, 2);
    const QString path = folder.filePath(QStringLiteral("figure.svg"));
    window_->ExportFigure(path);
    QVERIFY(ReadSvg(ReadAll(path)).texts.contains(QStringLiteral("Data: plate.csv: B1")));
  }

  // PDF pages come in whole points: 160 x 110 mm (453.5 x 311.8 pt) within one point.
  void pdfIsOnePageOfItsSize() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("figure.pdf"));
    window_->ExportFigure(path, 160, 110);
    const QByteArray pdf = ReadAll(path);
    QVERIFY(pdf.startsWith("%PDF-"));
    static const QRegularExpression mediaBox(
        QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"));
    const QRegularExpressionMatch box = mediaBox.match(QString::fromLatin1(pdf));
    QVERIFY(box.hasMatch());
    QCOMPARE(pdf.count("/MediaBox"), 1);
    QVERIFY(std::fabs(box.captured(1).toDouble() - 160 / 25.4 * 72) < 1);
    QVERIFY(std::fabs(box.captured(2).toDouble() - 110 / 25.4 * 72) < 1);
  }

  // Dense readings that the model matches: the data's thinner line lies on top of the model's,
  // so it shows along the curve instead of hiding under it.
  void denseDataShowsOverTheModel() {
    FigureDescription figure;
    FigureTrace trace;
    trace.label = QStringLiteral("dense");
    trace.dataColour = QColor(255, 0, 0);
    trace.modelColour = QColor(0, 0, 255);
    for (int i = 0; i <= 1200; ++i) {
      trace.times.push_back(i);
      trace.readings.push_back(50 + 1000 / (1 + std::exp(-(i - 400.0) / 80)));
      trace.model.push_back(trace.readings.back());
      trace.residuals.push_back(0);
    }
    figure.traces.push_back(trace);
    const QImage image = QImage::fromData(FigurePicture(figure, 160, 110, 300, "png"));
    QVERIFY(!image.isNull());
    qsizetype red = 0, blue = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (c.red() > 200 && c.green() < 60 && c.blue() < 60) ++red;
        if (c.blue() > 200 && c.green() < 60 && c.red() < 60) ++blue;
      }
    }
    // On top, the data's line covers the middle of the model's, whose edges still show: more
    // of the data's colour than of the model's (under it, the other way round).
    QVERIFY2(red > 2 * blue, qPrintable(QStringLiteral("%1 %2").arg(red).arg(blue)));
    QVERIFY(blue > 500);
  }

  // The drawing takes several traces: a legend entry for each, no "Data:" entry.
  void dilutionSeriesHasOneLegendEntryPerTrace() {
    const SvgContent svg = ReadSvg(FigurePicture(DilutionSeries(), 160, 110, 300, "svg"));
    for (const char* label : {"0.5 uM", "1.5 uM", "3 uM"}) {
      QVERIFY2(svg.texts.contains(QString::fromLatin1(label)), label);
    }
    QVERIFY(!svg.texts.contains(QStringLiteral("Model")));
    // Readings up to 300 * 0.98 and the model 1 % above: the scale ends at a round 300.
    QVERIFY(svg.texts.contains(QStringLiteral("300")));
    // Residuals up to 3: ticks 0 to 3 by 0.5 at the least.
    QVERIFY(svg.texts.contains(QStringLiteral("0")));
    // Readings to 3570 s: the axis ends there, its last value 3500, none beyond the data.
    FigureDescription longer = DilutionSeries();
    for (FigureTrace& trace : longer.traces) {
      for (double& t : trace.times) t *= 5.95;
    }
    const QByteArray picture = FigurePicture(longer, 160, 110, 300, "svg");
    const SvgContent drawn = ReadSvg(picture);
    QVERIFY(drawn.texts.contains(QStringLiteral("3500")));
    QVERIFY(!drawn.texts.contains(QStringLiteral("4000")));
    if (const QByteArray shots = qgetenv("ACTINFIT_SCREENSHOTS"); !shots.isEmpty()) {
      QImage::fromData(FigurePicture(longer, 160, 110, 150, "png"))
          .save(QString::fromLocal8Bit(shots) + QStringLiteral("/figure_time_axis.png"));
    }
  }

  // Scales end on round ticks that enclose the data, with no more ticks than there is room for.
  void scalesEndOnRoundTicks_data() {
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("maxTicks");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("decimals");
    QTest::newRow("default times") << 0.0 << 1200.0 << 11 << 0.0 << 1200.0 << 200.0 << 0;
    QTest::newRow("little room") << 0.0 << 1200.0 << 4 << 0.0 << 1500.0 << 500.0 << 0;
    QTest::newRow("readings") << 10.0 << 1308.1 << 11 << 0.0 << 1400.0 << 200.0 << 0;
    QTest::newRow("negative residuals") << -90.3 << 0.0 << 11 << -100.0 << 0.0 << 20.0 << 0;
    QTest::newRow("fractions") << 0.1 << 0.35 << 11 << 0.1 << 0.35 << 0.05 << 2;
    // 0.1 + 0.2 is a hair above 0.3: it does not cost a further tick.
    QTest::newRow("rounding error") << 0.0 << 0.1 + 0.2 << 11 << 0.0 << 0.3 << 0.05 << 2;
    QTest::newRow("no width") << 5.0 << 5.0 << 11 << 4.4 << 5.6 << 0.2 << 1;
  }
  void scalesEndOnRoundTicks() {
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(int, maxTicks);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, step);
    QFETCH(int, decimals);
    const FigureScale scale = RoundScale(min, max, maxTicks);
    QVERIFY(std::fabs(scale.low - low) < 1e-12);
    QVERIFY(std::fabs(scale.high - high) < 1e-12);
    QVERIFY(std::fabs(scale.step - step) < 1e-15);
    QCOMPARE(scale.decimals, decimals);
    QVERIFY(static_cast<int>(scale.Ticks().size()) <= maxTicks);
  }

  // The time axis begins and ends at the data; its ticks are round values inside, no more than
  // fit nor than the rounded range would have had (a data range that does not start on a tick
  // may take a finer step than the rounded one).
  void timeScaleEndsAtTheData_data() {
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("maxTicks");
    QTest::addColumn<double>("firstTick");
    QTest::addColumn<double>("lastTick");
    QTest::addColumn<double>("step");
    QTest::newRow("ends between ticks") << 0.0 << 3570.0 << 11 << 0.0 << 3500.0 << 500.0;
    QTest::newRow("little room") << 0.0 << 3570.0 << 4 << 0.0 << 2000.0 << 2000.0;
    QTest::newRow("a second") << 0.0 << 1.0 << 25 << 0.0 << 1.0 << 0.2;
    QTest::newRow("ends on a tick") << 0.0 << 1200.0 << 11 << 0.0 << 1200.0 << 200.0;
    QTest::newRow("starts late") << 15.0 << 95.0 << 11 << 20.0 << 80.0 << 20.0;
    QTest::newRow("minutes as hours") << 0.05 << 1.97 << 6 << 0.5 << 1.5 << 0.5;
  }
  void timeScaleEndsAtTheData() {
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(int, maxTicks);
    QFETCH(double, firstTick);
    QFETCH(double, lastTick);
    QFETCH(double, step);
    const FigureScale scale = DataScale(min, max, maxTicks);
    QCOMPARE(scale.low, min);
    QCOMPARE(scale.high, max);
    QVERIFY(std::fabs(scale.step - step) < 1e-12);
    const std::vector<double> ticks = scale.Ticks();
    QVERIFY(static_cast<int>(ticks.size()) <= maxTicks);
    QVERIFY(std::fabs(ticks.front() - firstTick) < 1e-9);
    QVERIFY(std::fabs(ticks.back() - lastTick) < 1e-9);
  }

  void tickTextHasTheDecimalMarkAndAMinusSign() {
    const FigureScale hundredths = RoundScale(-0.1, 0.15);
    QCOMPARE(hundredths.step, 0.05);
    QCOMPARE(TickText(0.25, hundredths, ','), QStringLiteral("0,25"));
    QCOMPARE(TickText(-0.1, hundredths, '.'), QString(QChar(0x2212)) + QStringLiteral("0.10"));
    QCOMPARE(TickText(-1e-17, hundredths, '.'), QStringLiteral("0.00"));
    QCOMPARE(TickText(1200, RoundScale(0, 1200), ','), QStringLiteral("1200"));
  }

  // Sizes, resolutions and names it cannot make are refused with a message, and no file is
  // left behind.
  void refusesWhatItCannotMake_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("widthMm");
    QTest::addColumn<double>("heightMm");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QString>("message");
    QTest::newRow("too narrow") << "f.png" << 10.0 << 110.0 << 300 << "must lie between 40";
    QTest::newRow("not a number") << "f.svg" << qQNaN() << 110.0 << 300 << "must lie between";
    QTest::newRow("too large") << "f.pdf" << 160.0 << 2000.0 << 300 << "must lie between";
    QTest::newRow("dpi too low") << "f.png" << 160.0 << 110.0 << 10 << "between 50 and 2400";
    QTest::newRow("too many pixels") << "f.png" << 1000.0 << 1000.0 << 2400 << "94488 x 94488";
    QTest::newRow("unknown format") << "f.bmp" << 160.0 << 110.0 << 300 << "must end in .png";
    QTest::newRow("no such folder") << "missing/f.png" << 160.0 << 110.0 << 300 << "Cannot write";
  }
  void refusesWhatItCannotMake() {
    QFETCH(QString, name);
    QFETCH(double, widthMm);
    QFETCH(double, heightMm);
    QFETCH(int, dpi);
    QFETCH(QString, message);
    QTemporaryDir folder;
    try {
      window_->ExportFigure(folder.filePath(name), widthMm, heightMm, dpi);
      QFAIL("no error");
    } catch (const actinfit::Error& error) {
      QVERIFY2(QString::fromUtf8(error.what()).contains(message), error.what());
    }
    QVERIFY(QDir(folder.path()).isEmpty());
  }

  // The dialog offers 160 x 110 mm at 300 dpi and says how many pixels that makes.
  void dialogOffersTheDefaultSize() {
    FigureSizeDialog dialog(window_.get(), '.');
    QCOMPARE(dialog.WidthMm(), 160.0);
    QCOMPARE(dialog.HeightMm(), 110.0);
    QCOMPARE(dialog.Dpi(), 300);
    QCOMPARE(Control<QLabel>(dialog, "lbFigurePixels")->text(),
             QStringLiteral("PNG of 1890 x 1299 pixels"));
  }
};

QTEST_MAIN(FigureTest)
#include "figure_test.moc"
