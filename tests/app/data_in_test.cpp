// Data coming in: files opened and dropped on the real window, two columns pasted, and bad
// files that must leave everything as it was.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "core/errors.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

QString WriteFile(const QTemporaryDir& folder, const QString& name, const QByteArray& bytes) {
  const QString path = folder.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write");
  return path;
}

// The UTF-16 little-endian bytes of an ASCII text, after the byte-order mark when `mark`.
QByteArray Utf16(const char* ascii, bool mark) {
  QByteArray bytes = mark ? QByteArray("\xFF\xFE") : QByteArray();
  for (const char* c = ascii; *c != 0; ++c) bytes.append(*c).append('\0');
  return bytes;
}

// Everything a bad file must leave alone: panes, fields, labels and the record.
struct WindowState {
  QStringList texts;
  int32_t count;
  std::vector<double> time, data;
  std::array<double, 5> param;
  bool operator==(const WindowState&) const = default;
};

WindowState StateOf(TfmMain& window) {
  WindowState state;
  for (const auto* pane : window.findChildren<QPlainTextEdit*>())
    state.texts << pane->toPlainText();
  for (const auto* field : window.findChildren<QLineEdit*>()) state.texts << field->text();
  for (const char* label : {"lbNData", "lbSSE"}) {
    state.texts << Control<QLabel>(window, label)->text();
  }
  const TModel& m = window.model();
  state.count = m.Count;
  state.time = m.Time;
  state.data = m.Data;
  state.param = m.Param;
  return state;
}

// What the user sees of the data after an Apply.
QStringList Shown(TfmMain& window) {
  return {Control<QPlainTextEdit>(window, "mTime")->toPlainText(),
          Control<QPlainTextEdit>(window, "mData")->toPlainText(),
          Control<QLabel>(window, "lbNData")->text(), Control<QLabel>(window, "lbSSE")->text()};
}

// Answers the next modal dialog: picks entry `index` of its list, or cancels with -1.
void AnswerColumnDialog(int index) {
  QTimer::singleShot(0, [index] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || dialog->objectName() != u"dlgReadingsColumn") qFatal("no question");
    if (index < 0) {
      dialog->reject();
      return;
    }
    dialog->findChild<QComboBox*>(QStringLiteral("cbReadingsColumn"))->setCurrentIndex(index);
    dialog->accept();
  });
}

// Answers the table question: table `table`, well `well` (-1: cancel). Checks that no well it
// offers is a temperature, and saves the question's picture where screenshots are asked for.
void AnswerTableDialog(int table, int well) {
  QTimer::singleShot(0, [table, well] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || dialog->objectName() != u"dlgReadingsColumn") qFatal("no question");
    auto* tables = dialog->findChild<QComboBox*>(QStringLiteral("cbTable"));
    auto* wells = dialog->findChild<QComboBox*>(QStringLiteral("cbReadingsColumn"));
    if (tables == nullptr || wells == nullptr || wells->currentIndex() != 0) qFatal("no wells");
    if (const QByteArray shots = qgetenv("ACTINFIT_SCREENSHOTS"); !shots.isEmpty()) {
      dialog->grab().save(QString::fromLocal8Bit(shots) +
                          QStringLiteral("/table_dialog_%1.png").arg(tables->count()));
    }
    if (well < 0) {
      dialog->reject();
      return;
    }
    tables->setCurrentIndex(table);
    for (int k = 0; k < wells->count(); ++k) {
      if (wells->itemText(k).startsWith(u"T\u00b0") || wells->itemText(k).startsWith(u"Temp")) {
        qFatal("a temperature offered as a well");
      }
    }
    wells->setCurrentIndex(well);
    dialog->accept();
  });
}

// Answers the question a dropped file without times raises, once it is open: well `well` of
// the first table, `interval` typed as the seconds between reads (a null text: cancel). Keeps
// what the question offered in `offered` (its wells' captions and its details).
void AnswerIntervalDialog(int well, const QString& interval, QStringList& offered) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, well, interval, &offered] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    poll->stop();
    poll->deleteLater();
    auto* wells = dialog->findChild<QComboBox*>(QStringLiteral("cbReadingsColumn"));
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("edInterval"));
    if (wells == nullptr || field == nullptr || !field->isVisibleTo(dialog)) qFatal("no interval");
    for (int k = 0; k < wells->count(); ++k) offered << wells->itemText(k);
    offered << dialog->findChild<QLabel*>(QStringLiteral("lbTableDetails"))->text();
    if (const QByteArray shots = qgetenv("ACTINFIT_SCREENSHOTS"); !shots.isEmpty()) {
      field->setText(interval);
      dialog->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/interval_dialog.png"));
      field->clear();
    }
    if (interval.isNull()) {
      dialog->reject();
      return;
    }
    wells->setCurrentIndex(well);
    QTest::keyClicks(field, interval);
    dialog->accept();
  });
  poll->start();
}

QString ExportFile(const char* name) {
  return QStringLiteral(ACTINFIT_EXPORTS_DIR "/") + QString::fromLatin1(name);
}

// Drags the file over `target` and drops it there, as a file manager does. Returns whether the
// drag and the drop were taken.
bool DropFile(QWidget& target, const QString& path) {
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(path)});
  mime.setText(path);  // file managers offer the name as text too
  const QPoint at(600, 200);
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &enter);
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &drop);
  return enter.isAccepted() && drop.isAccepted();
}

}  // namespace

class DataInTest : public WindowTest {
  Q_OBJECT

 protected:
  void Started() override {
    // Every curve below starts after the time shift, so each has a model to scale.
    SetText(*window_, "edTShift", QStringLiteral("0"));
  }

 private slots:
  // A file gives the panes, the count and the error that pasting its columns gives.
  void opensLikePastingTheColumns_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("readingsColumn");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("readings");
    QTest::newRow("semicolons, decimal commas, header")
        << QByteArray("Zeit [s];Fluoreszenz\n0;50\n0,5;50,015\n100;51,25\n200;175,22\n") << -1
        << "0\n0.5\n100\n200"
        << "50\n50.015\n51.25\n175.22";
    QTest::newRow("plain csv") << QByteArray("time,reading\n0,50\n100.5,55.537\n200,175.22\n") << -1
                               << "0\n100.5\n200"
                               << "50\n55.537\n175.22";
    QTest::newRow("tabs, three columns")
        << QByteArray("# run 7\nt\tA\tB\n0\t1\t50\n10\t2\t60\n20\t3\t70.5\n") << 2 << "0\n10\n20"
        << "50\n60\n70.5";
    QTest::newRow("CR LF and BOM")
        << QByteArray("\xEF\xBB\xBFtime;value\r\n0;50\r\n10;60,5\r\n30;90\r\n") << -1 << "0\n10\n30"
        << "50\n60.5\n90";
    QTest::newRow("clock times") << QByteArray(
                                        "Time\tA1\n0:00:00\t50\n0:01:30\t60\n1:00:00.5\t70\n")
                                 << 1 << "0\n90\n3600.5"
                                 << "50\n60\n70";
    QTest::newRow("minutes header")
        << QByteArray("Time [min];A1\n0;50\n0,5;60\n2;70\n") << 1 << "0\n30\n120"
        << "50\n60\n70";
    // Only the chosen column's missing readings leave their rows out.
    QTest::newRow("missing readings") << QByteArray(
                                             "t,A1,A2,A3\n0,1,50,\n10,,OVRFLW,3\n20,2,60,4\n"
                                             "30,3,*,5\n40,4,70,6\n")
                                      << 2 << "0\n20\n40"
                                      << "50\n60\n70";
    QTest::newRow("UTF-16 with its mark") << Utf16("t;y\r\n0;5\r\n10;6\r\n", true) << -1 << "0\n10"
                                          << "5\n6";
  }
  void opensLikePastingTheColumns() {
    QFETCH(QByteArray, file);
    QFETCH(int, readingsColumn);
    QFETCH(QString, time);
    QFETCH(QString, readings);
    QTemporaryDir folder;
    const QString path = WriteFile(folder, QStringLiteral("data.csv"), file);

    window_->OpenDataFile(path, readingsColumn);
    const QStringList opened = Shown(*window_);
    const std::vector<double> openedTimes = window_->model().Time;

    SetText(*window_, "mTime", time);
    SetText(*window_, "mData", readings);
    Click(Control<QToolButton>(*window_, "btApply"));

    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(opened, Shown(*window_));
    QCOMPARE(openedTimes, window_->model().Time);
  }

  // With more than two columns the user is asked; a cancel changes nothing.
  void asksWhichColumnHoldsTheReadings_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("readings");
    QTest::newRow("third column") << 1 << "7\n8\n9";
    QTest::newRow("cancel") << -1 << QString();
  }
  void asksWhichColumnHoldsTheReadings() {
    QFETCH(int, answer);
    QFETCH(QString, readings);
    QTemporaryDir folder;
    const QString path = WriteFile(folder, QStringLiteral("three.txt"), "0 4 7\n1 5 8\n2 6 9\n");
    const WindowState before = StateOf(*window_);

    AnswerColumnDialog(answer);
    window_->OpenDataFile(path);

    QVERIFY(boxes_->texts.isEmpty());
    if (answer < 0) {
      QVERIFY(StateOf(*window_) == before);
    } else {
      QCOMPARE(Control<QPlainTextEdit>(*window_, "mData")->toPlainText(), readings);
      QCOMPARE(window_->model().Data, (std::vector<double>{7, 8, 9}));
    }
  }

  // An instrument export asks for a table and a well; the well's own times and readings (its
  // missing ones left out) go into the panes, named by file, table and well.
  void opensTheWellOfAnExport_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("well");
    QTest::addColumn<std::vector<double>>("time");
    QTest::addColumn<std::vector<double>>("data");
    QTest::addColumn<QString>("source");
    QTest::newRow("times down, second read")
        << ExportFile("times_down_two_reads.txt") << 1 << 0
        << std::vector<double>{30, 150, 270, 390} << std::vector<double>{500, 520, 540, 560}
        << "times_down_two_reads.txt: Read 2:450,490: A1";
    QTest::newRow("times down, a well with an overflow")
        << ExportFile("times_down_two_reads.txt") << 0 << 1 << std::vector<double>{0, 120, 360}
        << std::vector<double>{1010, 1110, 1310} << "times_down_two_reads.txt: Read 1:365,407: A2";
    QTest::newRow("wells down, first label")
        << ExportFile("wells_down_labels.csv") << 0 << 1 << std::vector<double>{0, 600.2}
        << std::vector<double>{110, 230} << "wells_down_labels.csv: sfGFP: A2";
  }
  void opensTheWellOfAnExport() {
    QFETCH(QString, file);
    QFETCH(int, table);
    QFETCH(int, well);
    QFETCH(std::vector<double>, time);
    QFETCH(std::vector<double>, data);
    QFETCH(QString, source);
    AnswerTableDialog(table, well);
    window_->OpenDataFile(file);
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(window_->model().Time, time);
    QCOMPARE(window_->model().Data, data);
    QCOMPARE(window_->DataSource(), source);
  }

  // The overload names the table and the well; a cancelled question and a refused export leave
  // everything as it was.
  void opensANamedWellOrNothing() {
    window_->OpenDataFile(ExportFile("well_list.txt"), 1, QStringLiteral("b1"));
    QCOMPARE(window_->model().Time, (std::vector<double>{5.5, 305.5, 605.5}));
    QCOMPARE(window_->model().Data, (std::vector<double>{900, 901, 902}));
    QCOMPARE(window_->DataSource(), QStringLiteral("well_list.txt: Photo 450 (Counts): B1"));

    const WindowState before = StateOf(*window_);
    AnswerTableDialog(0, -1);
    window_->OpenDataFile(ExportFile("wells_down_labels.csv"));
    QVERIFY(StateOf(*window_) == before);
    const struct {
      QString path;
      int table;
      QString well, message;
    } refusals[] = {
        {ExportFile("plates_without_times.txt"),
         -1,
         {},
         QStringLiteral("'%1' holds no kinetic table: line 3: 3 plates numbered 'Reading: 1' hold "
                        "no times: give the interval between reads")},
        {ExportFile("well_list.txt"), 2, QStringLiteral("A1"),
         QStringLiteral("'%1' has no table 3: its tables are 1 to 2")},
        {ExportFile("well_list.txt"), 0, QStringLiteral("H12"),
         QStringLiteral("'%1', table 1: no well 'H12' holds readings")},
    };
    for (const auto& refusal : refusals) {
      try {
        if (refusal.table < 0) {
          window_->OpenDataFile(refusal.path);
        } else {
          window_->OpenDataFile(refusal.path, refusal.table, refusal.well);
        }
        QFAIL("no error");
      } catch (const actinfit::Error& error) {
        QCOMPARE(QString::fromStdString(error.what()), refusal.message.arg(refusal.path));
      }
      QVERIFY(StateOf(*window_) == before);
    }
  }

  // A file of plate blocks without times: the question asks the seconds between reads too, and
  // the well's reads are that far apart; no interval, or none above 0, changes nothing.
  void fileWithoutTimesAsksTheInterval() {
    const QString path = ExportFile("plates_without_times.txt");
    const WindowState before = StateOf(*window_);
    const struct {
      QString typed, message;
    } refusals[] = {
        {QString(), {}},  // cancelled
        {QStringLiteral(""),
         QStringLiteral("'%1' holds no times: give the seconds between reads").arg(path)},
        {QStringLiteral("thirty"), QStringLiteral("'thirty' is no interval between reads: give "
                                                  "the seconds between them, a number above 0")},
        {QStringLiteral("0"), QStringLiteral("'0' is no interval between reads: give the seconds "
                                             "between them, a number above 0")},
        {QStringLiteral("-30"), QStringLiteral("'-30' is no interval between reads: give the "
                                               "seconds between them, a number above 0")},
    };
    for (const auto& refusal : refusals) {
      QStringList offered;
      boxes_->texts.clear();
      AnswerIntervalDialog(0, refusal.typed, offered);
      QVERIFY(DropFile(*window_, path));
      QTRY_VERIFY(!offered.isEmpty());
      QTRY_COMPARE(boxes_->texts,
                   refusal.message.isEmpty() ? QStringList() : QStringList{refusal.message + u'.'});
      QVERIFY(StateOf(*window_) == before);
    }
    QStringList offered;
    boxes_->texts.clear();
    AnswerIntervalDialog(95, QStringLiteral("45"), offered);
    QVERIFY(DropFile(*window_, path));
    QTRY_COMPARE(window_->model().Time, (std::vector<double>{0, 45, 90}));
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(window_->model().Data, (std::vector<double>{0.068, 0.078, 0.088}));
    QCOMPARE(window_->DataSource(), QStringLiteral("plates_without_times.txt: H12"));
    QCOMPARE(offered.size(), 97);
    QCOMPARE(offered.front(), QStringLiteral("A1 (0.06; 0.07; 0.08; 3 reads)"));
    QVERIFY2(!offered.back().contains(u" 1 s apart"), qPrintable(offered.back()));
  }

  // With one readings column nothing is asked: a note that waits for nothing says how the times
  // were read.
  void oneColumnOfConvertedTimesOpensWithANote() {
    QTemporaryDir folder;
    const QString path =
        WriteFile(folder, QStringLiteral("clock.txt"), "t\tA1\n0:01:30\t60\n1:00:00\t70\n");
    window_->OpenDataFile(path);
    QCOMPARE(window_->model().Time, (std::vector<double>{90, 3600}));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    auto* note = window_->findChild<QMessageBox*>(QStringLiteral("mbTimeNote"));
    QVERIFY(note != nullptr);
    QVERIFY(note->text().contains(QStringLiteral("seconds")));
    if (const QByteArray shots = qgetenv("ACTINFIT_SCREENSHOTS"); !shots.isEmpty()) {
      note->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/time_note.png"));
    }
    note->close();
  }

  // A well whose header names its G-actin sets the field before Apply, and a note beside the
  // window says so; a header that names none, or an amount of something else, changes nothing.
  void headerGActinSetsTheField_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("well");  // of the export's first table; empty: a plain file
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("note");
    QTest::newRow("plain column") << QByteArray("Time\tA4 8 uM\n0\t1\n10\t2\n") << QString() << "8"
                                  << QStringLiteral(
                                         "G-actin set to 8 \u00b5M from the header "
                                         "'A4 8 uM'.");
    QTest::newRow("export well, nM")
        << QByteArray(
               "Time\tT\xC2\xB0 Read 1\tA1 1.5 uM actin + 1 uM profilin\tA2 350 nM\n"
               "0:00:00\t25\t1\t2\n0:00:10\t25\t3\t4\n")
        << "A2"
        << "0.35" << QStringLiteral("G-actin set to 0.35 \u00b5M from the header 'A2 350 nM'.");
    QTest::newRow("export well, amount next to actin")
        << QByteArray(
               "Time\tT\xC2\xB0 Read 1\tA1 1.5 uM actin + 1 uM profilin\tA2\n"
               "0:00:00\t25\t1\t2\n0:00:10\t25\t3\t4\n")
        << "A1"
        << "1.5"
        << QStringLiteral(
               "G-actin set to 1.5 \u00b5M from the header 'A1 1.5 uM actin + 1 uM profilin'.");
    QTest::newRow("no amount") << QByteArray("Time\tA1\n0\t1\n10\t2\n") << QString() << "5"
                               << QString();
    QTest::newRow("amount of something else")
        << QByteArray("Time\tA1 2 mM MgCl2\n0\t1\n10\t2\n") << QString() << "5" << QString();
  }
  void headerGActinSetsTheField() {
    QFETCH(QByteArray, file);
    QFETCH(QString, well);
    QFETCH(QString, field);
    QFETCH(QString, note);
    SetText(*window_, "edAG", QStringLiteral("5"));
    QTemporaryDir folder;
    const QString path = WriteFile(folder, QStringLiteral("header.txt"), file);
    if (well.isEmpty()) {
      window_->OpenDataFile(path);
    } else {
      window_->OpenDataFile(path, 0, well);
    }
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Control<QLineEdit>(*window_, "edAG")->text(), field);
    QCOMPARE(window_->model().Init[0], field.toDouble());
    auto* box = window_->findChild<QMessageBox*>(QStringLiteral("mbGActinNote"));
    QCOMPARE(box == nullptr ? QString() : box->text(), note);
    if (box == nullptr) return;
    QVERIFY(box->isVisible() && !box->isModal());
    if (const QByteArray shots = qgetenv("ACTINFIT_SCREENSHOTS"); !shots.isEmpty()) {
      box->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/gactin_note.png"));
    }
    box->close();
    QTRY_VERIFY(window_->findChild<QMessageBox*>(QStringLiteral("mbGActinNote")) == nullptr);
  }

  // A file whose times were converted says so in the question.
  void questionSaysHowTheTimesWereRead() {
    QTemporaryDir folder;
    const QString path =
        WriteFile(folder, QStringLiteral("minutes.csv"), "Time [min];A1;A2\n0;50;\n1;60;7\n");
    QString note;
    QString caption;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) qFatal("no question");
      note = dialog->findChild<QLabel*>(QStringLiteral("lbTimeNote"))->text();
      caption = dialog->findChild<QComboBox*>(QStringLiteral("cbReadingsColumn"))->itemText(1);
      if (const QByteArray shots = qgetenv("ACTINFIT_SCREENSHOTS"); !shots.isEmpty()) {
        dialog->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/column_dialog.png"));
      }
      dialog->accept();
    });
    window_->OpenDataFile(path);
    QCOMPARE(note, QStringLiteral("Times in minutes ('Time [min]') converted to seconds."));
    QCOMPARE(caption, QStringLiteral("Column 3: A2 (7; 1 missing)"));
    QCOMPARE(window_->model().Time, (std::vector<double>{0, 60}));
  }

  // On the window or on a pane, which would otherwise take the file's name as text.
  void droppedFileOpens_data() {
    QTest::addColumn<bool>("onPane");
    QTest::newRow("window") << false;
    QTest::newRow("readings pane") << true;
  }
  void droppedFileOpens() {
    QFETCH(bool, onPane);
    QTemporaryDir folder;
    const QString path = WriteFile(folder, QStringLiteral("drop.csv"), "0;1\n10;2,5\n20;4\n");
    QWidget* target = window_.get();
    if (onPane) target = Control<QPlainTextEdit>(*window_, "mData")->viewport();
    QVERIFY(DropFile(*target, path));
    QTRY_COMPARE(Control<QLabel>(*window_, "lbNData")->text(), QStringLiteral("3"));
    QCOMPARE(Control<QPlainTextEdit>(*window_, "mData")->toPlainText(),
             QStringLiteral("1\n2.5\n4"));
    QVERIFY(boxes_->texts.isEmpty());
  }

  // A header line stays paired with its own readings: the panes' cleaning drops it from both.
  void pastesTwoColumnsFromTheClipboard() {
    QApplication::clipboard()->setText(
        QStringLiteral("Time\tReading\r\n0\t50\r\n1,5\t60\r\n3\t 70\r\n"));
    window_->PasteColumns();
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Control<QPlainTextEdit>(*window_, "mTime")->toPlainText(),
             QStringLiteral("0\n1.5\n3"));
    QCOMPARE(Control<QPlainTextEdit>(*window_, "mData")->toPlainText(),
             QStringLiteral("50\n60\n70"));
    QCOMPARE(window_->model().Time, (std::vector<double>{0, 1.5, 3}));

    const WindowState before = StateOf(*window_);
    QApplication::clipboard()->setText(QStringLiteral("just one column\n1\n2"));
    QVERIFY_THROWS_EXCEPTION(actinfit::Error, window_->PasteColumns());
    QVERIFY(StateOf(*window_) == before);
  }

  // Each bad file raises an error naming the file (and the line), and changes nothing.
  void badFileChangesNothing_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("readingsColumn");
    QTest::addColumn<QString>("message");  // %1: the path
    QTest::newRow("missing") << QByteArray() << -1 << "Cannot read '%1': No such file or directory";
    QTest::newRow("binary") << QByteArray("0 1\n1 2\n\x89PNG\0\x1A\n", 15) << -1
                            << "'%1' is not a text file (line 3 holds binary data)";
    QTest::newRow("one column") << QByteArray("t\n1\n2\n") << -1
                                << "'%1' holds no two columns of numbers: line 2 reads '1'";
    QTest::newRow("wells as rows")
        << QByteArray("Cycle Nr.;1;2;3\nA1;50;51;52\n") << -1
        << "'%1' holds no two columns of numbers: the first column holds no times (line 2: 'A1')";
    QTest::newRow("not a time") << QByteArray("t;y\n0:00:00;1\n1:75:00;2\n") << 1
                                << "'%1', line 3: '1:75:00' is not a time: minutes and seconds run "
                                   "from 00 to 59";
    QTest::newRow("no minutes") << QByteArray("t;y\n:30;1\n") << 1
                                << "'%1', line 2: ':30' is not a time (h:mm:ss, mm:ss or m:ss.s)";
    QTest::newRow("negative time")
        << QByteArray("0:00;1\n-0:30;2\n") << 1 << "'%1', line 2: '-0:30' is a negative time";
    QTest::newRow("unknown unit") << QByteArray("Time [fortnights];A1\n0;1\n") << 1
                                  << "'%1', line 1: the time column's unit 'fortnights' (in 'Time "
                                     "[fortnights]') is none of s, min and h";
    QTest::newRow("UTF-16 without mark") << Utf16("0;1\n", false) << -1
                                         << "'%1' looks like UTF-16 text without its byte-order "
                                            "mark: save it as UTF-8, or as UTF-16 with the mark";
    QTest::newRow("no readings") << QByteArray("t;A1;A2\n0;1;*\n1;2;\n") << 2
                                 << "'%1': column 3 ('A2') holds no readings: every cell is empty "
                                    "or marks a missing reading";
    QTest::newRow("out of range") << QByteArray("0;1\n1;2\n2;1e999\n") << -1
                                  << "'%1', line 3: a number beyond the range of a 64-bit real";
    QTest::newRow("ragged") << QByteArray("0,1\n1,2,3\n") << -1
                            << "'%1', line 2: 3 numbers where the rows above have 2";
    QTest::newRow("no such column")
        << QByteArray("0,1\n1,2\n") << 2
        << "'%1' has no readings column 2: its columns of numbers are 0 (the time) to 1";
  }
  void badFileChangesNothing() {
    QFETCH(QByteArray, file);
    QFETCH(int, readingsColumn);
    QFETCH(QString, message);
    QTemporaryDir folder;
    const QString path = file.isEmpty() ? folder.filePath(QStringLiteral("none.csv"))
                                        : WriteFile(folder, QStringLiteral("bad.csv"), file);
    const WindowState before = StateOf(*window_);
    try {
      window_->OpenDataFile(path, readingsColumn);
      QFAIL("no error");
    } catch (const actinfit::Error& error) {
      QCOMPARE(QString::fromStdString(error.what()), message.arg(path));
    }
    QVERIFY(StateOf(*window_) == before);
  }

  // Through a drop the one guard shows the error in a box.
  void badDroppedFileShowsTheError() {
    QTemporaryDir folder;
    const QString path = WriteFile(folder, QStringLiteral("words.txt"), "no numbers here\n");
    QVERIFY(DropFile(*window_, path));
    QTRY_COMPARE(boxes_->texts,
                 QStringList{QStringLiteral("'%1' holds no two columns of numbers: line 1 reads "
                                            "'no numbers here'")
                                 .arg(path)});
  }

  // A file opened while a fit runs (at its first report) replaces the record; the fit carries on
  // with the new one and logs its line.
  void fileOpenedDuringAFitIsFittedOn() {
    QTemporaryDir folder;
    QByteArray file = "time;reading\n";
    for (int i = 0; i <= 300; ++i)
      file += QByteArray::number(i) + ';' + QByteArray::number(50 + i * i / 100) + '\n';
    const QString path = WriteFile(folder, QStringLiteral("during.csv"), file);
    SetText(*window_, "edNItr", QStringLiteral("20"));
    SetText(*window_, "edNShow", QStringLiteral("5"));
    WhenEventsRun([this, path] { RunGuarded([this, path] { window_->OpenDataFile(path); }); });

    Click(Control<QToolButton>(*window_, "btFit"));

    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join(u'\n')));
    QCOMPARE(window_->model().Count, 301);
    QCOMPARE(Control<QLabel>(*window_, "lbNData")->text(), QStringLiteral("301"));
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mResults")).size(), 1);
  }

  // A file beyond the size where the panes pack lines into paragraphs reads back line for line.
  void largeFileReadsBackLineForLine() {
    QTemporaryDir folder;
    QByteArray file = "time\treading\n";
    const int rows = 25000;
    for (int i = 0; i < rows; ++i)
      file += QByteArray::number(i) + '\t' + QByteArray::number(i % 97) + ".5\n";
    const QString path = WriteFile(folder, QStringLiteral("large.tsv"), file);
    window_->OpenDataFile(path);
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Control<QLabel>(*window_, "lbNData")->text(), QString::number(rows));
    const QStringList readings = Lines(Control<QPlainTextEdit>(*window_, "mData"));
    QCOMPARE(readings.size(), rows);
    QCOMPARE(readings[rows - 1], QStringLiteral("70.5"));
    QCOMPARE(window_->model().Data[12345], 12345 % 97 + 0.5);
    // Apply reads the same lines again.
    Click(Control<QToolButton>(*window_, "btApply"));
    QCOMPARE(window_->model().Count, rows);
  }
};

QTEST_MAIN(DataInTest)
#include "data_in_test.moc"
