// File > Export figure: the data, the model and the residuals of the window's record drawn for
// a paper or a slide. The drawing is in app/figure, the question in app/dialogs.
#include "app/dialogs/figure_dialog.h"
#include "app/figure/figure_picture.h"
#include "app/files/chart_export.h"
#include "app/files/save_file.h"
#include "app/main_window.h"
#include "core/model.h"

namespace actinfit {

namespace {

// Measured points in dark grey, the model over them in a vermilion that stays apart from grey
// for readers of every colour vision and in print.
const QColor kFigureData(90, 90, 90);
const QColor kFigureModel(213, 94, 0);

}  // namespace

FigureDescription TfmMain::CurrentFigure() const {
  // Evaluated afresh on a copy, as a saved curve is: the figure shows the parameters the record
  // holds now, and the window stays as it is.
  TModel curve = *model_;
  Evaluate(curve);
  FigureTrace trace{dataSource_, kFigureData,  kFigureModel,  curve.Time,
                    curve.Data,  curve.Fitted, curve.Residual};
  FigureDescription figure;
  figure.traces.push_back(std::move(trace));
  figure.decimalMark = probedSeparator_;
  return figure;
}

void TfmMain::ExportFigure(const QString& path, double widthMm, double heightMm, int dpi) {
  const QString format = PictureFormat(path);
  SaveFile(path, FigurePicture(CurrentFigure(), widthMm, heightMm, dpi, format));
}

void TfmMain::acExportFigureClick() {
  const FigureExport chosen = AskFigureExport(this, probedSeparator_);
  if (!chosen.path.isEmpty())
    ExportFigure(chosen.path, chosen.widthMm, chosen.heightMm, chosen.dpi);
}

}  // namespace actinfit
