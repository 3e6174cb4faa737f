#include "app/layout/ui_parts.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <algorithm>

#include "app/layout/fonts.h"
#include "app/layout/upper_case_validator.h"

namespace actinfit {

void SetTextColour(QWidget* widget, const QColor& colour) {
  // Active and inactive only: a disabled control keeps the style's grey, so it does not look
  // clickable.
  QPalette palette = widget->palette();
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::WindowText, colour);
    palette.setColor(group, QPalette::ButtonText, colour);
  }
  widget->setPalette(palette);
}

void SetBackground(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* text, int x, int y, int width,
                    bool bold) {
  auto* edit = new QLineEdit(QString::fromLatin1(text), parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setValidator(new UpperCaseValidator(edit));
  edit->setFont(WindowFont(bold));
  edit->setGeometry(x, y, width, 21);
  return edit;
}

QFrame* MakeStrip(QWidget* parent, int y) {
  auto* strip = new QFrame(parent);
  strip->setGeometry(1, y, 341, 24);
  strip->setFrameShape(QFrame::NoFrame);
  // Two separate lines, top and bottom; the sides stay open.
  for (int lineY : {0, 23}) {
    auto* line = new QFrame(strip);
    line->setGeometry(0, lineY, 341, 1);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    SetTextColour(line, QColor(160, 160, 160));
  }
  return strip;
}

QCheckBox* MakeRowCheck(QFrame* strip, const char* name, const char* caption,
                        const QColor& background, bool checked) {
  auto* marker = new QFrame(strip);
  marker->setGeometry(0, 2, 9, 20);
  marker->setStyleSheet(
      QStringLiteral("background-color: rgb(255, 255, 224);"
                     "border: 1px dotted palette(base);"));
  auto* check = new QCheckBox(QString::fromLatin1(caption), strip);
  check->setObjectName(QString::fromLatin1(name));
  check->setFont(CaptionFont());
  check->setChecked(checked);
  SetBackground(check, background);
  check->setGeometry(9, 1, 182, 22);
  return check;
}

QLabel* MakeRowCaption(QFrame* strip, const char* caption, int x, int width,
                       const QColor& background, bool bold) {
  const QString text = QString::fromLatin1(caption);
  auto* label = new QLabel(text, strip);
  // The caption must fit its fixed width; the nearest installed font may be wider than the
  // one the layout was drawn for, so it shrinks a little where needed.
  QFont font = CaptionFont(bold);
  while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(text) > width - 2) {
    font.setPixelSize(font.pixelSize() - 1);
  }
  label->setFont(font);
  SetBackground(label, background);
  label->setGeometry(x, 1, width, 22);
  return label;
}

QFrame* MakePanel(QWidget* parent, const char* name, int width, int height) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setGeometry(0, 0, width, height);
  return panel;
}

QHeaderView* MakeColumnHeader(QWidget* parent, std::initializer_list<HeaderSection> sections) {
  auto* header = new QHeaderView(Qt::Horizontal, parent);
  auto* model = new QStandardItemModel(0, static_cast<int>(sections.size()), header);
  header->setModel(model);
  header->setFont(WindowFont(true));
  header->setSectionsMovable(false);
  header->setSectionsClickable(false);
  header->setStretchLastSection(false);
  header->setMinimumSectionSize(1);
  int column = 0;
  int width = 0;
  for (const HeaderSection& section : sections) {
    auto* item = new QStandardItem(QString::fromLatin1(section.caption));
    item->setTextAlignment(section.alignment | Qt::AlignVCenter);
    model->setHorizontalHeaderItem(column, item);
    header->resizeSection(column, section.width);
    const bool fixed = section.minWidth != 0 && section.minWidth == section.maxWidth;
    header->setSectionResizeMode(column, fixed ? QHeaderView::Fixed : QHeaderView::Interactive);
    if (section.minWidth != 0 && !fixed) {
      // The header has one limit for all sections; this one keeps its own.
      const int low = section.minWidth;
      const int high = section.maxWidth;
      QObject::connect(header, &QHeaderView::sectionResized, header,
                       [header, column, low, high](int index, int, int size) {
                         if (index != column) return;
                         const int kept = std::clamp(size, low, high);
                         if (kept != size) header->resizeSection(column, kept);
                       });
    }
    width += section.width;
    ++column;
  }
  header->setGeometry(1, 1, std::min(width, 343), 18);
  return header;
}

QPlainTextEdit* MakePane(QWidget* parent, const char* name, const QString& text) {
  auto* pane = new QPlainTextEdit(text, parent);
  pane->setObjectName(QString::fromLatin1(name));
  pane->setFont(PaneFont());
  pane->setLineWrapMode(QPlainTextEdit::NoWrap);
  pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return pane;
}

}  // namespace actinfit
