#include "app/support/field_text.h"

#include <QLineEdit>

#include "core/numtext.h"

namespace actinfit {

QString ToQString(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

double ReadReal(const QLineEdit* edit) {
  return ParseReal(edit->text().toStdString());
}

int32_t ReadInteger(const QLineEdit* edit) {
  return ParseInteger(edit->text().toStdString());
}

}  // namespace actinfit
