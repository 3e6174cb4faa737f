// The pieces a report is shown with: a table that is as tall as its rows and wraps its columns of
// words when narrow, and a label of sentences that wraps. The fit report and the series window's
// report are both made of them.
#pragma once

#include <QTableWidget>
#include <vector>

class QLabel;

namespace actinfit {

// A read-only table as tall as its rows, every column as wide as its widest cell. When that is
// wider than the table, the columns of words told so share the width the others leave, and
// their rows grow as the words wrap.
class TReportTable final : public QTableWidget {
 public:
  TReportTable(int rows, int columns, QWidget* parent);

  void WrapColumn(int column) { wrapping_.push_back(column); }
  // Narrower than its words, scroll sideways rather than cut them (a pane that may be narrowed
  // at will; a dialog is sized to its tables).
  void ScrollWhenCramped() { scrollWhenCramped_ = true; }

  // The width that shows every cell on one line (a wrapping column's hint is what it shows now).
  int ContentWidth() const;

  // The width below which a word would be cut: every column that does not wrap on one line, every
  // one that does as wide as its longest word.
  int NarrowestWidth() const;

  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  int CellMargin() const;
  // The widest cell text of `column`, header included, or its widest word where `words`.
  int ColumnWidth(int column, bool words) const;

  std::vector<int> wrapping_;
  bool scrollWhenCramped_ = false;
};

// Sentences that wrap at the width they are given, selectable, named `name`.
QLabel* ReportLabel(const QString& text, const char* name, QWidget* parent);

}  // namespace actinfit
