#include "app/dialogs/readouts_page.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/support/field_text.h"
#include "app/support/readout_constant_fields.h"
#include "core/errors.h"
#include "core/fit_report.h"
#include "core/numtext.h"
#include "core/readout_report.h"

namespace actinfit {

namespace {

QLabel* Note(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QTableWidget* ReadoutTable(QWidget* parent) {
  auto* table = new QTableWidget(0, 3, parent);
  table->setObjectName(QStringLiteral("tbReadouts"));
  table->setHorizontalHeaderLabels(
      {QStringLiteral("Readout"), QStringLiteral("Value"), QStringLiteral("Standard error")});
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

}  // namespace

TReadoutsPage::TReadoutsPage(const TReadoutTrace& trace, QWidget* parent)
    : QWidget(parent),
      readouts_(trace.readouts ? *trace.readouts : TraceReadouts(trace.time, trace.data)),
      gActin_(trace.gActin),
      constants_(trace.constants) {
  setObjectName(QStringLiteral("pgReadouts"));
  cc_ = ReadoutConstantField(constants_.Cc, "edReadoutCc", this);
  kplus_ = ReadoutConstantField(constants_.KPlus, "edReadoutKplus", this);
  auto* fields = new QHBoxLayout;
  fields->addWidget(new QLabel(QStringLiteral("Cc (µM)"), this));
  fields->addWidget(cc_);
  fields->addSpacing(16);
  fields->addWidget(new QLabel(QStringLiteral("k+ (µM⁻¹s⁻¹)"), this));
  fields->addWidget(kplus_);
  fields->addSpacing(16);
  fields->addWidget(
      new QLabel(QStringLiteral("G-actin %1 µM").arg(ToQString(ReportNumber(gActin_, 4))), this));
  fields->addStretch(1);
  table_ = ReadoutTable(this);
  message_ = Note("lbReadoutMessage", this);
  constantsNote_ = Note("lbReadoutConstants", this);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(table_, 1);
  layout->addWidget(message_);
  layout->addWidget(constantsNote_);
  connect(cc_, &QLineEdit::textEdited, this, [this] { ReadFields(); });
  connect(kplus_, &QLineEdit::textEdited, this, [this] { ReadFields(); });
  Show();
}

void TReadoutsPage::ReadFields() {
  // While the user types, a text that is no number yet only says so.
  QString complaint;
  const std::optional<TReadoutConstants> typed = TypedReadoutConstants(*cc_, *kplus_, complaint);
  if (!typed) {
    message_->setText(complaint);
    return;
  }
  constants_ = *typed;
  Show();
  emit ConstantsChanged(constants_);
}

void TReadoutsPage::Show() {
  const TActinReadouts actin = ActinReadouts(readouts_, gActin_, constants_);
  const std::vector<TReadoutRow> rows = ReadoutRows(readouts_, actin);
  table_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < table_->rowCount(); ++r) {
    const TReadoutRow& row = rows[static_cast<size_t>(r)];
    table_->setItem(r, 0, new QTableWidgetItem(QString::fromStdString(row.Name)));
    for (int c = 1; c <= 2; ++c) {
      auto* item = new QTableWidgetItem(QString::fromStdString(c == 1 ? row.Value : row.StdError));
      // Values line up on their right; the errors read on from them.
      item->setTextAlignment((c == 1 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
      table_->setItem(r, c, item);
    }
  }
  const std::string& note = !readouts_.Ok || actin.Ok ? readouts_.Message : actin.Message;
  message_->setText(QString::fromStdString(note));
  message_->setVisible(!note.empty());
  constantsNote_->setText(QString::fromStdString(ConstantsSentence(constants_)));
}

QString TReadoutsPage::Text() const {
  QStringList lines;
  for (int r = 0; r < table_->rowCount(); ++r) {
    lines << QStringList{table_->item(r, 0)->text(), table_->item(r, 1)->text(),
                         table_->item(r, 2)->text()}
                 .join(QLatin1Char('\t'));
  }
  if (message_->isVisibleTo(this)) lines << message_->text();
  lines << constantsNote_->text();
  return lines.join(QLatin1Char('\n'));
}

}  // namespace actinfit
