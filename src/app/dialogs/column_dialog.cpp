#include "app/dialogs/column_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "app/files/number_text.h"

namespace actinfit {

namespace {

// "Column 3: Fluorescence (50, 50.015, 50.058 ...)": the name and the first values.
QString ColumnCaption(const TDataTable& table, size_t column) {
  QString caption = QStringLiteral("Column %1").arg(column + 1);
  const std::string& name = table.Names[column];
  if (!name.empty()) caption += QStringLiteral(": ") + QString::fromStdString(name);
  const std::vector<double>& values = table.Columns[column];
  QStringList first;
  for (size_t i = 0; i < std::min<size_t>(3, values.size()); ++i) {
    first << QString::fromStdString(ShortestReal(values[i], table.DecimalMark));
  }
  return caption + QStringLiteral(" (%1%2)").arg(first.join(QStringLiteral("; ")),
                                                 values.size() > 3 ? QStringLiteral(" ...") : "");
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
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return -1;
  return columns->currentData().toInt();
}

}  // namespace actinfit
