// The main window: its handlers, and the two steps every operation shares, Apply (reload the
// data panes and the fields into a new model record) and Calculate (evaluate and redraw).
#pragma once

#include <QMainWindow>
#include <memory>

#include "app/ui.h"
#include "core/model.h"

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

  Ui ui_;
  std::unique_ptr<TModel> model_;
  char probedSeparator_ = '.';
  bool shown_ = false;
};

}  // namespace actinfit
