#include "app/dialogs/column_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

#include "app/dialogs/open_notes.h"
#include "app/files/number_text.h"

namespace actinfit {

namespace {

// "Column 3: Fluorescence (50; 50.015; 50.058 ...; 2 missing)": the name, the first values
// present and how many are missing.
QString ColumnCaption(const TDataTable& table, size_t column) {
  QString caption = QStringLiteral("Column %1").arg(column + 1);
  const std::string& name = table.Names[column];
  if (!name.empty()) caption += QStringLiteral(": ") + QString::fromStdString(name);
  const std::vector<double>& values = table.Columns[column];
  QStringList first;
  size_t present = 0;
  for (const double value : values) {
    if (std::isnan(value)) continue;
    if (++present <= 3) first << QString::fromStdString(ShortestReal(value, table.DecimalMark));
  }
  if (present > 3) first.back() += QStringLiteral(" ...");
  if (present < values.size()) first << QStringLiteral("%1 missing").arg(values.size() - present);
  return caption + QStringLiteral(" (%1)").arg(first.join(QStringLiteral("; ")));
}

// "Times in minutes ('Time [min]') converted to seconds."
QString TimeNoteText(const TDataTable& table) {
  QString note = QString::fromStdString(table.TimeNote);
  note[0] = note[0].toUpper();
  return note + u'.';
}

QLabel* TimeNoteLabel(const TDataTable& table, QWidget* parent) {
  if (table.TimeNote.empty()) return nullptr;
  auto* label = new QLabel(TimeNoteText(table), parent);
  label->setObjectName(QStringLiteral("lbTimeNote"));
  label->setWordWrap(true);
  return label;
}

int OfferedColumn(const TDataTable& table) {
  for (size_t k = 1; k < table.Names.size(); ++k) {
    if (QString::fromStdString(table.Names[k]).startsWith(u"reading", Qt::CaseInsensitive)) {
      return static_cast<int>(k);
    }
  }
  return 1;
}

}  // namespace

int AskReadingsColumn(QWidget* parent, const QString& fileName, const TDataTable& table) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("dlgReadingsColumn"));
  dialog.setWindowTitle(QStringLiteral("Open data"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(
      QStringLiteral("%1 has %2 columns of numbers. The first is the time;\nwhich one holds the "
                     "readings?")
          .arg(QFileInfo(fileName).fileName())
          .arg(table.Columns.size()),
      &dialog));
  auto* columns = new QComboBox(&dialog);
  columns->setObjectName(QStringLiteral("cbReadingsColumn"));
  for (size_t k = 1; k < table.Columns.size(); ++k) {
    columns->addItem(ColumnCaption(table, k), static_cast<int>(k));
  }
  columns->setCurrentIndex(OfferedColumn(table) - 1);
  layout->addWidget(columns);
  if (QLabel* note = TimeNoteLabel(table, &dialog)) layout->addWidget(note);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return -1;
  return columns->currentData().toInt();
}

void ShowTimeNote(QWidget* parent, const TDataTable& table) {
  if (table.TimeNote.empty()) return;
  ShowNoteBeside(parent, QStringLiteral("mbTimeNote"), TimeNoteText(table));
}

}  // namespace actinfit
