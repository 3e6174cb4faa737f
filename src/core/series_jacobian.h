// The Jacobian of a series' residuals on the unit axes of a local solve, kept in the shape the
// series gives it: a dense column for each axis that moves every trace (a rate, or a time shift
// where one brightness ties the traces together), and for each time shift where traces stand
// apart a column only as long as its trace. The memory and the work of a solve so grow with the
// number of traces, not with its square.
#pragma once

#include <Eigen/Dense>
#include <cstddef>
#include <vector>

#include "core/series_solve.h"

namespace actinfit::series {

class TJacobian {
 public:
  TJacobian(const TSearch& search, const std::vector<TAxis>& axes);

  // The rows axis a's column covers: every residual, or those of its trace.
  Eigen::Index Offset(size_t a) const { return rows_[a].offset; }
  Eigen::Index Size(size_t a) const { return rows_[a].size; }
  // Point k's residuals over axis a's rows, from the search's last evaluation.
  Eigen::VectorXd Residuals(TSearch& search, size_t k, size_t a) const;
  void SetColumn(size_t a, const Eigen::VectorXd& values);

  // J^T r.
  Eigen::VectorXd Gradient(const Eigen::VectorXd& residuals) const;
  // The step of the free axes (the others 0) solving (N + lambda diag N) x = -gradient on them,
  // N = J^T J, with 1e-12 added to the diagonal's damping.
  Eigen::VectorXd DampedStep(const Eigen::VectorXd& gradient, const std::vector<Eigen::Index>& free,
                             double lambda) const;
  // The dense columns with every trace column projected out of them: its singular values and
  // vectors give the covariance of the dense axes with the time shifts taken along. Empty when a
  // trace column is zero (a time shift the data do not determine).
  Eigen::MatrixXd DenseWithoutTraceColumns() const;
  // The axes of the dense columns, in order.
  const std::vector<size_t>& DenseAxes() const { return denseAxes_; }

 private:
  struct TRows {
    Eigen::Index offset, size;
    bool dense;
    size_t column;  // its index among the dense or the trace columns
    size_t trace;
  };
  void Normal() const;

  std::vector<TRows> rows_;
  std::vector<size_t> denseAxes_, traceAxes_;
  Eigen::MatrixXd dense_;
  std::vector<Eigen::VectorXd> traceColumns_;
  // N's parts, made at the first use: dense x dense, dense x trace, the trace columns' squares.
  mutable bool normalMade_ = false;
  mutable Eigen::MatrixXd denseNormal_, coupling_;
  mutable Eigen::VectorXd traceNormal_;
};

}  // namespace actinfit::series
