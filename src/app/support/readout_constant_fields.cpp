#include "app/support/readout_constant_fields.h"

#include <QLineEdit>

#include "app/support/field_text.h"
#include "core/errors.h"
#include "core/numtext.h"

namespace actinfit {

QString ReadoutConstantText(double value) {
  return ToQString(ShortestReal(value, DecimalSeparator()));
}

QLineEdit* ReadoutConstantField(double value, const char* name, QWidget* parent) {
  auto* field = new QLineEdit(ReadoutConstantText(value), parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setMaximumWidth(field->fontMetrics().averageCharWidth() * 14);
  return field;
}

std::optional<TReadoutConstants> TypedReadoutConstants(const QLineEdit& cc, const QLineEdit& kplus,
                                                       QString& complaint) {
  const auto number = [](const QLineEdit& field) {
    return ParseReal(field.text().toUpper().toStdString());
  };
  try {
    const TReadoutConstants typed{number(cc), number(kplus)};
    if (!(typed.Cc >= 0) || !(typed.KPlus > 0)) {
      complaint = QStringLiteral("Cc must be 0 or above and k+ above 0.");
      return std::nullopt;
    }
    complaint.clear();
    return typed;
  } catch (const Error&) {
    complaint = QStringLiteral("Cc and k+ must be numbers.");
    return std::nullopt;
  }
}

}  // namespace actinfit
