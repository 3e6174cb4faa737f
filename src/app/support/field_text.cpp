#include "app/support/field_text.h"

#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>

#include "core/errors.h"
#include "core/numtext.h"

namespace actinfit {

namespace {

// Shows the page that holds `edit` (where it sits on a page of a tab control), then focuses the
// field with its whole text selected.
void PointAtField(QLineEdit* edit) {
  for (QWidget* page = edit; page != nullptr; page = page->parentWidget()) {
    auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
    auto* tabs = stack != nullptr ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    if (tabs != nullptr) tabs->setCurrentWidget(page);
  }
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
}

template <class Parse>
auto ReadField(QLineEdit* edit, Parse parse) {
  try {
    return parse(edit->text().toStdString());
  } catch (const EConvertError&) {
    PointAtField(edit);
    throw;
  }
}

}  // namespace

QString ToQString(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

double ReadReal(QLineEdit* edit) {
  return ReadField(edit, [](const std::string& text) { return ParseReal(text); });
}

int32_t ReadInteger(QLineEdit* edit) {
  return ReadField(edit, [](const std::string& text) { return ParseInteger(text); });
}

}  // namespace actinfit
