#include "app/dialogs/table_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/files/number_text.h"

namespace actinfit {

namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// "Read 2:450,490: 94 wells, from 0 s"
QString TableCaption(const files::TKineticTable& table, size_t index) {
  QString caption =
      table.name.empty() ? QStringLiteral("Table %1").arg(index + 1) : Text(table.name);
  return caption + QStringLiteral(": %1 well(s)").arg(table.traces.size());
}

// "A1 (1000; 1100; 1200 ...; 4 readings from 0 s to 360 s)", or "...; 4 reads)" without times.
QString WellCaption(const files::TWellTrace& trace, bool withTimes) {
  QStringList first;
  for (size_t k = 0; k < trace.readings.size() && k < 3; ++k) {
    first << Text(ShortestReal(trace.readings[k], '.'));
  }
  if (trace.readings.size() > 3) first.back() += QStringLiteral(" ...");
  QString caption = Text(trace.name);
  if (trace.header != trace.name && !trace.header.empty())
    caption += QStringLiteral(" [%1]").arg(Text(trace.header));
  if (!withTimes) {
    return caption + QStringLiteral(" (%1; %2 reads)")
                         .arg(first.join(QStringLiteral("; ")))
                         .arg(trace.readings.size());
  }
  return caption + QStringLiteral(" (%1; %2 readings from %3 s to %4 s)")
                       .arg(first.join(QStringLiteral("; ")))
                       .arg(trace.readings.size())
                       .arg(Text(ShortestReal(trace.times.front(), '.')))
                       .arg(Text(ShortestReal(trace.times.back(), '.')));
}

// What the table left out and why, and its notes (from `firstNote` on).
QString TableDetails(const files::TFileTables& tables, size_t index, size_t firstNote) {
  const files::TKineticTable& table = tables.tables[index];
  QStringList lines;
  if (!table.leftOut.empty()) {
    QStringList out;
    for (const files::TLeftOut& item : table.leftOut) {
      out << QStringLiteral("%1 (%2)").arg(Text(item.name).simplified(), Text(item.why));
    }
    lines << QStringLiteral("Left out: ") + out.join(QStringLiteral(", ")) + u'.';
  }
  for (size_t k = firstNote; k < table.notes.size(); ++k) {
    QString line = Text(table.notes[k]);
    if (!line.isEmpty()) line[0] = line[0].toUpper();
    lines << line + u'.';
  }
  for (const std::string& note : tables.notes) {
    QString line = Text(note);
    if (!line.isEmpty()) line[0] = line[0].toUpper();
    lines << line + u'.';
  }
  return lines.join(u'\n');
}

// The field for the seconds between reads, in the dialog's form.
void AddIntervalField(QDialog& dialog, QFormLayout& form) {
  auto* field = new QLineEdit(&dialog);
  field->setObjectName(QStringLiteral("edInterval"));
  field->setPlaceholderText(QStringLiteral("e.g. 30"));
  form.addRow(QStringLiteral("Seconds between reads:"), field);
  auto* why = new QLabel(
      QStringLiteral("The file holds no times: the reads are taken this many seconds apart, the "
                     "first at 0 s."),
      &dialog);
  why->setWordWrap(true);
  form.addRow(why);
}

}  // namespace

bool AskTableAndWell(QWidget* parent, const QString& fileName, const files::TFileTables& tables,
                     bool wellToo, TTraceChoice& choice, bool askInterval) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("dlgReadingsColumn"));
  dialog.setWindowTitle(QStringLiteral("Open data"));
  auto* layout = new QVBoxLayout(&dialog);
  const QString question = wellToo
                               ? QStringLiteral("Which table, and which well holds the readings?")
                               : QStringLiteral("Which table's wells are added?");
  auto* intro = new QLabel(QStringLiteral("%1 holds %2 kinetic table(s). %3")
                               .arg(QFileInfo(fileName).fileName())
                               .arg(tables.tables.size())
                               .arg(question),
                           &dialog);
  intro->setWordWrap(true);
  layout->addWidget(intro);
  auto* tableBox = new QComboBox(&dialog);
  tableBox->setObjectName(QStringLiteral("cbTable"));
  for (size_t k = 0; k < tables.tables.size(); ++k) {
    tableBox->addItem(TableCaption(tables.tables[k], k));
  }
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Table:"), tableBox);
  layout->addLayout(form);
  auto* wells = new QComboBox(&dialog);
  wells->setObjectName(QStringLiteral("cbReadingsColumn"));
  if (wellToo) {
    form->addRow(QStringLiteral("Well:"), wells);
  } else {
    wells->hide();
  }
  if (askInterval) AddIntervalField(dialog, *form);
  auto* details = new QLabel(&dialog);
  details->setObjectName(QStringLiteral("lbTableDetails"));
  details->setWordWrap(true);
  layout->addWidget(details);
  // Read one second apart in wait for the interval, their first note says just that: not shown.
  const size_t firstNote = askInterval ? 1 : 0;
  const auto show = [&tables, wells, details, askInterval, firstNote](int index) {
    if (index < 0) return;
    const auto table = static_cast<size_t>(index);
    wells->clear();
    for (const files::TWellTrace& trace : tables.tables[table].traces)
      wells->addItem(WellCaption(trace, !askInterval));
    wells->setCurrentIndex(0);
    details->setText(TableDetails(tables, table, firstNote));
  };
  QObject::connect(tableBox, &QComboBox::currentIndexChanged, &dialog, show);
  show(0);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  dialog.setMinimumWidth(480);
  if (dialog.exec() != QDialog::Accepted) return false;
  choice.table = static_cast<size_t>(tableBox->currentIndex());
  choice.trace = static_cast<size_t>(std::max(0, wells->currentIndex()));
  if (askInterval) {
    choice.interval = dialog.findChild<QLineEdit*>(QStringLiteral("edInterval"))->text();
  }
  return true;
}

}  // namespace actinfit
