// How well a series determines its rates: standard errors from the covariance at the best
// point, and profile-likelihood intervals of each marked rate, Knuc x Kon and Koff / Kon.
#pragma once

#include <vector>

#include "core/series_solve.h"

namespace actinfit::series {

// Standard errors of the refined rates inside their bounds from the covariance of the
// residuals' Jacobian (central differences) at the fit's point, the refined time shifts taken
// along as parameters, so that what a shift can trade against a rate widens that rate's error.
void FillStdErrors(TSearch& search, const std::vector<TAxis>& rateAxes, TSeriesFit& fit);

// The 95 % profile intervals around the search's best point (the time shifts held on its
// stairs), as the single-trace profiles define them with N and p of the series. Returns false
// when they were stopped.
bool FillIntervals(TSearch& search, const std::vector<TAxis>& rateAxes, TSeriesFit& fit);

}  // namespace actinfit::series
