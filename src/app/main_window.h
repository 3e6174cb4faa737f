// The main window: its handlers, and the two steps every operation shares, Apply (reload the
// data panes and the fields into a new model record) and Calculate (evaluate and redraw).
#pragma once

#include <QMainWindow>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/layout/ui.h"
#include "core/model.h"
#include "core/search.h"

namespace actinfit {

class TfmMain : public QMainWindow {
  Q_OBJECT

 public:
  // Builds every control, wires the handlers and runs FormCreate. FormShow runs when the
  // window is first shown.
  TfmMain();
  ~TfmMain() override;

  // The handlers, named after control and event. Each runs inside the guard of its event when
  // a control triggers it; called directly, its errors reach the caller.
  void FormCreate();
  void FormShow();
  void btApplyClick();
  void btCalculateClick();
  void btClearTimeClick();
  void btClearExpClick();
  void btClearModClick();
  void btClearClick();
  void btExitClick();

  // The long operations.
  void btFitClick();
  void btEstimateClick();
  void btSeriesClick();
  void Button1Click();

  // The current model record. Apply replaces it: take it anew after any point where events
  // are processed.
  TModel& model() { return *model_; }

  // The decimal mark found when the window was created, '.' or ','.
  char ProbedSeparator() const { return probedSeparator_; }

  Ui& ui() { return ui_; }

 protected:
  void showEvent(QShowEvent* event) override;
  // A close request (Exit or the window's close control) while a handler runs waits for it.
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  using Handler = void (TfmMain::*)();

  // The slot that runs `handler` so that an error it raises ends in the error box.
  auto guarded(Handler handler) {
    return [this, handler] { RunHandler(handler); };
  }
  void RunHandler(Handler handler);
  void ConnectHandlers();

  int32_t LoadPanes();
  void ReadFields();
  // Writes the model column of the last Calculate into its pane, if not done yet.
  void ShowModelColumn();

  // The fit of the marked parameters: reports every showEvery iterations, lets pending events
  // run there and ends early when the Fit button's tag was cleared. Returns the final error.
  double RunFit(int32_t maxIterations, int32_t showEvery);
  // Hands the core the current record at every use, never a reference that outlives an Apply.
  ModelAccess CurrentModel();
  // Writes Param of the record into the value fields; Knuc with `knucExponentDigits`.
  void WriteParameterFields(int32_t knucExponentDigits);
  void AppendResultLine(double error);

  Ui ui_;
  std::unique_ptr<TModel> model_;
  // The model column waits here while its pane cannot be seen: a fit's reports then skip the
  // costliest part of Calculate. It is written when the page is shown or the handler ends.
  std::vector<double> modelColumn_;
  bool modelColumnPending_ = false;
  char probedSeparator_ = '.';
  bool shown_ = false;
  // Handlers on the stack (nested ones run inside a long operation's event points), and whether
  // a close request waits for the last of them to end.
  int32_t handlerDepth_ = 0;
  bool closePending_ = false;
};

}  // namespace actinfit
