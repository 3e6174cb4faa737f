// Click storms and big pastes on the real window: whatever a user does, in whatever order and
// however nested inside a running operation, ends in a result or an error box, never in a
// crash, a hang or a window that no longer calculates what it did at start-up.
#include <QAbstractButton>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <cmath>
#include <random>

#include "app/layout/default_data.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

struct Field {
  const char* name;
  const char* byDefault;
};

constexpr Field kFields[] = {
    {"edBFluo", "10"},     {"edBFluoMin", "0"},    {"edBFluoMax", "100"}, {"edTShift", "100"},
    {"edTShiftMin", "0"},  {"edTShiftMax", "200"}, {"edKnuc", "1E-8"},    {"edKnucMin", "1E-11"},
    {"edKnucMax", "1E-6"}, {"edKon", "8"},         {"edKonMin", "1"},     {"edKonMax", "20"},
    {"edKoff", "1"},       {"edKoffMin", "0"},     {"edKoffMax", "20"},   {"edAG", "6"},
    {"edTStep", "0.1"},    {"edNItr", "100"},      {"edNShow", "10"},     {"edNSeries", "100"},
    {"edP1Min", "1E-11"},  {"edP1Max", "1E-6"},    {"edNP1", "10"},       {"edP2Min", "1"},
    {"edP2Max", "20"},     {"edNP2", "10"}};

constexpr const char* kBoxes[] = {"chbBFluo", "chbTShift", "chbKnuc",  "chbKon",
                                  "chbKoff",  "CheckBox5", "CheckBox6"};

constexpr const char* kButtons[] = {"btApply",    "btCalculate", "btFit",   "btEstimate",
                                    "btSeries",   "Button1",     "btClear", "btClearTime",
                                    "btClearExp", "btClearMod"};

// What a user may type: numbers good and bad, huge and tiny, and plain junk. The time step and
// the counts get their own lists, so that no single action takes long by nature.
const QStringList kReals = {"0",     "1",     "-1",   "10",  "100",   "1E-8",  "1E-11",
                            "1E-6",  "8",     "20",   "ABC", "",      "1E400", "1E-400",
                            "-1E17", "1E300", "-0",   "5.",  "1,5",   "e",     "$10",
                            " 7 ",   "3",     "1e-9", "0.5", "2.5E1", "-",     "."};
const QStringList kSteps = {"0.1", "0.5", "1", "2", "0", "-0.1", "ABC", "1E-30", "1E400", ""};
const QStringList kCounts = {"0", "1", "2", "3", "-1", "-4", "ABC", "", "$3", "1E3", "4", "x2"};
const QStringList kLines = {"0",  "1",   "2.5",  "abc", "",   "\t3\t", "1,5", "1E400",
                            "-1", "1e3", " 12 ", "7",   "40", "1.2.3", "100", "1200"};

// The messages the system raises on purpose; anything else would be a fault.
const QRegularExpression kKnownMessage(
    "^('.*' is not a valid (floating point|integer) value|Invalid floating point operation|"
    "Floating point division by zero|Floating point overflow|Division by zero|"
    "sqrt: DOMAIN error|The time step must be greater than zero|"
    "The time step is too small for the times|.*must not be 0|.*must be 0 or at least 2)\\.?$",
    QRegularExpression::DotMatchesEverythingOption);

class Storm {
 public:
  Storm(TfmMain& window, uint32_t seed) : window_(window), rng_(seed) {}

  void Act() {
    switch (Pick(12)) {
      case 0:
      case 1:
      case 2:
        ClickButton();
        break;
      case 3:
        Click(Control<QCheckBox>(window_, kBoxes[Pick(std::size(kBoxes))]));
        break;
      case 4:
      case 5:
      case 6:
        TypeIntoField();
        break;
      case 7:
        FillPane(Pick(2) == 0 ? "mTime" : "mData");
        break;
      case 8:
        RestoreDefaultPanes();
        break;
      default:
        NestedOperation();
        break;
    }
    ++actions;
  }

  void RestoreDefaultPanes() {
    SetText(window_, "mTime", DefaultTimeText());
    SetText(window_, "mData", DefaultDataText());
  }

  int actions = 0;
  int pending = 0;  // queued actions that have not run yet

 private:
  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

  void ClickButton() {
    Click(Control<QAbstractButton>(window_, kButtons[Pick(std::size(kButtons))]));
  }

  void TypeIntoField() {
    const Field& field = kFields[Pick(std::size(kFields))];
    const QString name = QString::fromLatin1(field.name);
    const QStringList& choices = name == "edTStep"        ? kSteps
                                 : name.startsWith("edN") ? kCounts
                                                          : kReals;
    auto* edit = Control<QLineEdit>(window_, field.name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, choices[static_cast<qsizetype>(Pick(choices.size()))]);
  }

  void FillPane(const char* name) {
    QStringList lines;
    const size_t count = Pick(40);
    for (size_t i = 0; i < count; ++i) lines << kLines[static_cast<qsizetype>(Pick(kLines.size()))];
    SetText(window_, name, lines.join(u'\n'));
  }

  // Queues a few actions to arrive while an operation runs, then starts one.
  void NestedOperation() {
    if (depth_ < 2) {
      const size_t nested = Pick(4);
      for (size_t i = 0; i < nested; ++i) {
        ++pending;
        WhenEventsRun([this] {
          --pending;
          ++depth_;
          Act();
          --depth_;
        });
      }
    }
    static constexpr const char* kOperations[] = {"btFit", "btEstimate", "btSeries", "Button1"};
    Click(Control<QAbstractButton>(window_, kOperations[Pick(std::size(kOperations))]));
  }

  TfmMain& window_;
  std::mt19937 rng_;
  int depth_ = 0;
};

void SetDefaults(TfmMain& window) {
  for (const Field& field : kFields)
    SetText(window, field.name, QString::fromLatin1(field.byDefault));
  for (const char* box : kBoxes) Control<QCheckBox>(window, box)->setChecked(true);
}

long PeakMemoryKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong();
  }
  return -1;
}

}  // namespace

class StormTest : public WindowTest {
  Q_OBJECT

 private slots:
  void aSeededStormEndsInResultsAndErrorBoxesOnly() {
    const QString startSse = Control<QLabel>(*window_, "lbSSE")->text();
    const QStringList startModel = Lines(Control<QPlainTextEdit>(*window_, "mModel"));

    // Small counts, so that every operation is quick; the storm itself changes them too.
    const std::pair<const char*, const char*> small[] = {
        {"edNItr", "4"}, {"edNShow", "2"}, {"edNSeries", "2"}, {"edNP1", "3"}, {"edNP2", "3"}};
    for (const auto& [name, text] : small) SetText(*window_, name, QString::fromLatin1(text));

    Storm storm(*window_, 20261208);
    while (storm.actions < 2500) storm.Act();
    // Actions queued for an operation that never started (its button was disabled) run now.
    while (storm.pending > 0) QCoreApplication::processEvents();

    qInfo("%d actions, %lld error boxes", storm.actions,
          static_cast<long long>(boxes_->texts.size()));
    QVERIFY(boxes_->texts.size() > 50);
    for (const QString& text : boxes_->texts) {
      QVERIFY2(kKnownMessage.match(text).hasMatch(), qPrintable(text));
    }

    // Every operation has ended: its buttons are back, no run is marked.
    for (const char* name : {"btApply", "btCalculate", "btFit", "btEstimate", "btSeries"}) {
      auto* button = Control<QAbstractButton>(*window_, name);
      QVERIFY2(button->isEnabled(), name);
      QCOMPARE(Tag(button), 0);
    }

    // The defaults give the start-up result again.
    boxes_->texts.clear();
    SetDefaults(*window_);
    storm.RestoreDefaultPanes();
    Click(Control<QAbstractButton>(*window_, "btApply"));
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join(" | ")));
    QCOMPARE(Control<QLabel>(*window_, "lbNData")->text(), QStringLiteral("1201"));
    QCOMPARE(Control<QLabel>(*window_, "lbSSE")->text(), startSse);
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mModel")), startModel);
  }

  // 200,000 lines pasted into both panes, as from a fast instrument: 0.006 s apart.
  void aBigPasteAppliesFitsAndScans() {
    QStringList times, readings;
    times.reserve(200000);
    readings.reserve(200000);
    for (int i = 0; i < 200000; ++i) {
      const double t = i * 0.006;
      times << QString::number(t, 'f', 3) + u'\t';
      readings << QString::number(t <= 100 ? 50 : 50 + 1260 * (1 - std::exp(-(t - 100) / 330)), 'f',
                                  2) +
                      u'\t';
    }
    SetText(*window_, "mTime", times.join(u'\n'));
    SetText(*window_, "mData", readings.join(u'\n'));
    SetText(*window_, "edNItr", QStringLiteral("10"));

    QElapsedTimer clock;
    clock.start();
    Click(Control<QAbstractButton>(*window_, "btApply"));
    const qint64 applyMs = clock.restart();
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join(" | ")));
    QCOMPARE(Control<QLabel>(*window_, "lbNData")->text(), QStringLiteral("200000"));

    Click(Control<QAbstractButton>(*window_, "btFit"));
    const qint64 fitMs = clock.restart();
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join(" | ")));
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mResults")).size(), 1);

    Click(Control<QAbstractButton>(*window_, "Button1"));
    const qint64 scanMs = clock.restart();
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join(" | ")));
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mSens")).size(), 11);

    qInfo(
        "200000 lines: Apply %lld ms, fit of 10 iterations %lld ms, 10 x 10 scan %lld ms, "
        "peak memory %ld MiB",
        applyMs, fitMs, scanMs, PeakMemoryKiB() / 1024);
  }
};

QTEST_MAIN(StormTest)
#include "storm_test.moc"
