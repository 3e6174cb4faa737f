// Builders for the small controls the window description repeats.
#pragma once

#include <QColor>
#include <QString>
#include <initializer_list>

class QCheckBox;
class QFrame;
class QHeaderView;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace actinfit {

inline const QColor kNavy(0, 0, 128);
inline const QColor kLightYellow(255, 255, 224);
inline const QColor kPeach(255, 238, 221);
inline const QColor kLightGrey(221, 221, 221);
inline const QColor kSilver(192, 192, 192);
inline const QColor kPurple(128, 0, 128);

void SetTextColour(QWidget* widget, const QColor& colour);
void SetBackground(QWidget* widget, const QColor& colour);

// A single-line edit that turns letters into capitals, placed at (x, y) in `parent`.
QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* text, int x, int y, int width,
                    bool bold);

// A flat strip 341 x 24 with a line along its top and bottom edge.
QFrame* MakeStrip(QWidget* parent, int y);

// The fit check box of a parameter row, behind its 9-pixel marker, captioned in 10 pt.
QCheckBox* MakeRowCheck(QFrame* strip, const char* name, const char* caption,
                        const QColor& background, bool checked);

// A fixed-size caption at the left of a strip.
QLabel* MakeRowCaption(QFrame* strip, const char* caption, int x, int width,
                       const QColor& background, bool bold);

// A panel with a lowered bevel.
QFrame* MakePanel(QWidget* parent, const char* name, int width, int height);

struct HeaderSection {
  const char* caption;
  int width;
  Qt::Alignment alignment;
  int minWidth;  // 0: no limit; equal to maxWidth: fixed
  int maxWidth;
};

// A column header of bold sections that cannot be dragged into another order.
QHeaderView* MakeColumnHeader(QWidget* parent, std::initializer_list<HeaderSection> sections);

// A multi-line pane with both scroll bars and no line wrapping.
QPlainTextEdit* MakePane(QWidget* parent, const char* name, const QString& text);

}  // namespace actinfit
