#include "core/series_jacobian.h"

namespace actinfit::series {

TJacobian::TJacobian(const TSearch& search, const std::vector<TAxis>& axes) {
  const auto n = static_cast<Eigen::Index>(search.Points());
  for (size_t a = 0; a < axes.size(); ++a) {
    const bool dense = axes[a].rate >= 0 || !search.TracesApart();
    if (dense) {
      rows_.push_back({0, n, true, denseAxes_.size(), 0});
      denseAxes_.push_back(a);
    } else {
      const auto trace = static_cast<size_t>(axes[a].trace);
      rows_.push_back({static_cast<Eigen::Index>(search.TraceOffset(trace)),
                       static_cast<Eigen::Index>(search.TraceSize(trace)), false, traceAxes_.size(),
                       trace});
      traceAxes_.push_back(a);
    }
  }
  dense_.resize(n, static_cast<Eigen::Index>(denseAxes_.size()));
  traceColumns_.resize(traceAxes_.size());
}

Eigen::VectorXd TJacobian::Residuals(TSearch& search, size_t k, size_t a) const {
  const TRows& rows = rows_[a];
  if (rows.dense) return Eigen::Map<const Eigen::VectorXd>(search.Residuals(k).data(), rows.size);
  Eigen::VectorXd values(rows.size);
  search.TraceResiduals(k, rows.trace, values.data());
  return values;
}

void TJacobian::SetColumn(size_t a, const Eigen::VectorXd& values) {
  const TRows& rows = rows_[a];
  if (rows.dense) {
    dense_.col(static_cast<Eigen::Index>(rows.column)) = values;
  } else {
    traceColumns_[rows.column] = values;
  }
  normalMade_ = false;
}

Eigen::VectorXd TJacobian::Gradient(const Eigen::VectorXd& residuals) const {
  Eigen::VectorXd gradient(static_cast<Eigen::Index>(rows_.size()));
  const Eigen::VectorXd denseGradient = dense_.transpose() * residuals;
  for (size_t a = 0; a < rows_.size(); ++a) {
    const TRows& rows = rows_[a];
    gradient[static_cast<Eigen::Index>(a)] =
        rows.dense ? denseGradient[static_cast<Eigen::Index>(rows.column)]
                   : traceColumns_[rows.column].dot(residuals.segment(rows.offset, rows.size));
  }
  return gradient;
}

void TJacobian::Normal() const {
  if (normalMade_) return;
  denseNormal_ = dense_.transpose() * dense_;
  coupling_.resize(dense_.cols(), static_cast<Eigen::Index>(traceColumns_.size()));
  traceNormal_.resize(static_cast<Eigen::Index>(traceColumns_.size()));
  for (size_t t = 0; t < traceColumns_.size(); ++t) {
    const TRows& rows = rows_[traceAxes_[t]];
    const auto c = static_cast<Eigen::Index>(t);
    coupling_.col(c) = dense_.middleRows(rows.offset, rows.size).transpose() * traceColumns_[t];
    traceNormal_[c] = traceColumns_[t].squaredNorm();
  }
  normalMade_ = true;
}

// The trace columns are orthogonal to one another (each lies in its own trace's rows), so their
// block of N is diagonal: they are eliminated first and the dense axes solved on what remains.
Eigen::VectorXd TJacobian::DampedStep(const Eigen::VectorXd& gradient,
                                      const std::vector<Eigen::Index>& free, double lambda) const {
  Normal();
  std::vector<Eigen::Index> freeDense, freeTrace;
  for (const Eigen::Index a : free) {
    const TRows& rows = rows_[static_cast<size_t>(a)];
    (rows.dense ? freeDense : freeTrace).push_back(a);
  }
  const auto denseColumn = [&](Eigen::Index a) {
    return static_cast<Eigen::Index>(rows_[static_cast<size_t>(a)].column);
  };
  const auto d = static_cast<Eigen::Index>(freeDense.size());
  Eigen::MatrixXd reduced(d, d);
  Eigen::VectorXd rhs(d);
  for (Eigen::Index i = 0; i < d; ++i) {
    for (Eigen::Index j = 0; j < d; ++j) {
      reduced(i, j) = denseNormal_(denseColumn(freeDense[i]), denseColumn(freeDense[j]));
    }
    reduced(i, i) += lambda * (reduced(i, i) + 1e-12);
    rhs[i] = -gradient[freeDense[i]];
  }
  Eigen::VectorXd traceDamped(static_cast<Eigen::Index>(freeTrace.size()));
  Eigen::MatrixXd traceCoupling(d, traceDamped.size());
  for (Eigen::Index t = 0; t < traceDamped.size(); ++t) {
    const auto column = denseColumn(freeTrace[t]);
    traceDamped[t] = traceNormal_[column] + lambda * (traceNormal_[column] + 1e-12);
    for (Eigen::Index i = 0; i < d; ++i) {
      traceCoupling(i, t) = coupling_(denseColumn(freeDense[i]), column);
    }
    reduced -= traceCoupling.col(t) * traceCoupling.col(t).transpose() / traceDamped[t];
    rhs += traceCoupling.col(t) * (gradient[freeTrace[t]] / traceDamped[t]);
  }
  const Eigen::VectorXd denseStep =
      d > 0 ? Eigen::VectorXd(reduced.ldlt().solve(rhs)) : Eigen::VectorXd(0);
  Eigen::VectorXd step = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(rows_.size()));
  for (Eigen::Index i = 0; i < d; ++i) step[freeDense[i]] = denseStep[i];
  for (Eigen::Index t = 0; t < traceDamped.size(); ++t) {
    const double coupled = d > 0 ? traceCoupling.col(t).dot(denseStep) : 0.0;
    step[freeTrace[t]] = (-gradient[freeTrace[t]] - coupled) / traceDamped[t];
  }
  return step;
}

Eigen::MatrixXd TJacobian::DenseWithoutTraceColumns() const {
  Eigen::MatrixXd reduced = dense_;
  for (size_t t = 0; t < traceColumns_.size(); ++t) {
    const Eigen::VectorXd& column = traceColumns_[t];
    const double square = column.squaredNorm();
    if (!(square > 0)) return {};
    const TRows& rows = rows_[traceAxes_[t]];
    auto block = reduced.middleRows(rows.offset, rows.size);
    block -= column * (column.transpose() * block / square);
  }
  return reduced;
}

}  // namespace actinfit::series
