// The series window's report as the fit report shows one: its tables as tables that wrap their
// columns of words when the pane narrows, its sentences as wrapped lines. It is made from the
// report's text (tab-separated rows for the tables, a line per sentence), so a report kept as
// text in an analysis file shows again as it was.
#pragma once

#include <QScrollArea>
#include <QString>

class QVBoxLayout;

namespace actinfit {

class TSeriesReportView final : public QScrollArea {
 public:
  explicit TSeriesReportView(QWidget* parent);

  // Shows `text`: each run of lines holding tabs a table whose first line is its header, each
  // other run of lines a paragraph; an empty line ends a run.
  void Show(const QString& text);
  const QString& Text() const { return text_; }

 private:
  void AddTable(const QStringList& rows, int index);
  void AddParagraph(const QStringList& lines);

  QString text_;
  QWidget* page_ = nullptr;
  QVBoxLayout* layout_ = nullptr;
};

}  // namespace actinfit
