// The time step's share of a result: the best point refitted locally with half the time step.
// Explicit Euler steps bias the curve by an amount proportional to the step; where halving it
// moves a parameter by more than its standard error, that bias is part of the result.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace actinfit {

struct TModel;
struct TRefinement;
struct TSeries;
struct TSeriesFit;

struct TDtMove {
  std::string Name;  // "Koff"
  double Value;      // at the result
  double HalfValue;  // after the refit with half the time step
  double StdError;   // NaN where there is none

  double Relative() const { return (HalfValue - Value) / Value; }
  // Moves by more than its standard error or by more than kDtMoveShare of itself.
  bool Warn() const;
};

struct TDtCheck {
  double Dt;                   // the time step of the result
  double Error, HalfError;     // the error at the result, and after the refit at Dt / 2
  std::vector<TDtMove> Moves;  // the refined parameters inside their bounds, TShift aside
};

inline constexpr double kDtMoveShare = 0.01;

// The refinement whose best point the record holds: its refined parameters inside their bounds
// solved again from there with Dt / 2 (TShift held). Nothing when the refit cannot be made (a
// time step that half as large would take too many steps, or no point evaluated).
std::optional<TDtCheck> HalvedTimeStepCheck(const TModel& refined, const TRefinement& refinement);

// The same for a series fit: its rates inside their bounds, the time shifts held.
std::optional<TDtCheck> HalvedTimeStepSeriesCheck(const TSeries& series, const TSeriesFit& fit);

// "Halving the time step (to 0.05 s) moves the error by 0.012 %, Koff by 4.3 %, Kon by 0.21 %."
// and a warning naming each parameter that moves by more than its standard error or 1 %.
std::vector<std::string> DtCheckSentences(const TDtCheck& check);

// The warning alone (the second of those sentences); empty when no parameter moves that far.
std::string DtCheckWarning(const TDtCheck& check);

}  // namespace actinfit
