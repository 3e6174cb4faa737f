#include "app/dialogs/open_notes.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace actinfit {

void ShowNoteBeside(QWidget* parent, const QString& objectName, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Information, QApplication::applicationDisplayName(),
                              text, QMessageBox::Ok, parent);
  box->setObjectName(objectName);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
}

void ShowGActinNote(QWidget* parent, const QString& gActin, const QString& header) {
  ShowNoteBeside(parent, QStringLiteral("mbGActinNote"),
                 QStringLiteral("G-actin set to %1 \u00b5M from the header '%2'.")
                     .arg(gActin, header.simplified()));
}

}  // namespace actinfit
