#include "expression/row_evaluator.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <optional>
#include <stdexcept>
#include <utility>

namespace binodal {
namespace {

std::uint64_t NextSerial() {
  static std::atomic<std::uint64_t> last{0};
  return ++last;
}

template <typename Cell>
bool Contains(const std::vector<Cell*>& cells, const double* cell) {
  return std::find(cells.begin(), cells.end(), cell) != cells.end();
}

using Extended = long double;

}  // namespace

RowPoints::RowPoints(std::vector<std::vector<double>> values) : values_(std::move(values)) {
  size_ = values_.empty() ? 0 : values_.front().size();
  for (const std::vector<double>& v : values_) {
    if (v.size() != size_) throw std::invalid_argument("row points of different lengths");
  }
  serial_ = NextSerial();
}

RowEvaluator::RowEvaluator(std::span<const Operation> operations, const RowLayout& layout)
    : whole_(operations), column_cells_(layout.columns) {
  Plan(operations, layout);
}

void RowEvaluator::Plan(std::span<const Operation> ops, const RowLayout& layout) {
  // The split holds only for a plain data flow: every result cell written by
  // one operation, before anything reads it, and no variable cell of the
  // layout written. Anything else (and a lone variable or number) is run whole.
  if (ops.size() < 2) return;
  std::vector<std::pair<const double*, std::size_t>> writers;  // cell, operation
  writers.reserve(ops.size());
  for (std::size_t i = 0; i < ops.size(); ++i) {
    const Operation& op = ops[i];
    if (op.token == Token::kVariable || op.token == Token::kNumber || op.dest == nullptr ||
        Contains(layout.columns, op.dest) || Contains(layout.conditions, op.dest)) {
      return;
    }
    writers.emplace_back(op.dest, i);
  }
  std::sort(writers.begin(), writers.end());
  for (std::size_t k = 1; k < writers.size(); ++k) {
    if (writers[k].first == writers[k - 1].first) return;
  }
  const auto writer = [&](const double* cell) -> std::optional<std::size_t> {
    const auto it = std::lower_bound(writers.begin(), writers.end(),
                                     std::pair<const double*, std::size_t>{cell, 0});
    if (it == writers.end() || it->first != cell) return std::nullopt;
    return it->second;
  };
  std::vector<bool> per_point(ops.size(), false);
  std::vector<bool> per_condition(ops.size(), false);  // reads a condition
  std::vector<const double*> fixed;
  bool random = false;
  for (std::size_t i = 0; i < ops.size(); ++i) {
    const Operation& op = ops[i];
    // RND gives a new number at every call.
    const bool rnd = op.token == Token::kCall1 && op.function1 == &FnRnd;
    random = random || rnd;
    bool varies = rnd;
    bool conditions = false;
    std::vector<const double*> reads_fixed;
    for (const double* cell : {op.a, IsUnary(op.token) ? nullptr : op.b}) {
      if (cell == nullptr) continue;
      if (Contains(layout.columns, cell)) {
        varies = true;
      } else if (Contains(layout.conditions, cell)) {
        conditions = true;
      } else if (const auto j = writer(cell)) {
        if (*j >= i) {  // read before it is written
          per_row_.clear();
          per_point_.clear();
          constant_.clear();
          per_points_.clear();
          mixed_.clear();
          return;
        }
        varies = varies || per_point[*j];
        conditions = conditions || per_condition[*j];
      } else {
        reads_fixed.push_back(cell);
      }
    }
    per_point[i] = varies;
    per_condition[i] = conditions;
    (varies ? per_point_ : per_row_).push_back(op);
    if (!conditions) fixed.insert(fixed.end(), reads_fixed.begin(), reads_fixed.end());
    if (!varies) {
      if (!conditions) constant_.push_back(op);
    } else {
      (conditions ? mixed_ : per_points_).push_back(op);
    }
  }
  std::sort(fixed.begin(), fixed.end());
  fixed.erase(std::unique(fixed.begin(), fixed.end()), fixed.end());
  fixed_cells_ = std::move(fixed);
  result_ = ops.back().dest;
  splittable_ = true;
  batchable_ = !random;
}

double RowEvaluator::EvaluatePoint() {
  if (!splittable_) {
    if (whole_.empty()) return 0;
    RunOperations(whole_);
    return *whole_.back().dest;
  }
  if (!row_done_) {
    RunOperations(per_row_);
    row_done_ = true;
  }
  RunOperations(per_point_);
  return *result_;
}

bool RowEvaluator::FixedCellsUnchanged() const {
  for (std::size_t i = 0; i < fixed_cells_.size(); ++i) {
    if (std::memcmp(fixed_cells_[i], &kept_.fixed_values[i], sizeof(double)) != 0) return false;
  }
  return true;
}

bool RowEvaluator::Prepare(const RowPoints& points) {
  if (kept_.built && kept_.serial == points.serial() && FixedCellsUnchanged()) {
    return kept_.usable;
  }
  kept_.built = true;
  kept_.usable = false;
  kept_.serial = points.serial();
  kept_.fixed_values.resize(fixed_cells_.size());
  for (std::size_t i = 0; i < fixed_cells_.size(); ++i) kept_.fixed_values[i] = *fixed_cells_[i];

  const std::size_t m = points.size();
  const std::size_t variables = column_cells_.size();
  kept_.size = m;
  const std::size_t stored = variables + per_points_.size();
  kept_.column_values.assign(stored * m, 0.0);
  kept_.mixed_values.assign(mixed_.size() * m, 0.0);
  kept_.mixed.clear();
  if (points.variables() != variables) return false;

  // Where each cell's values are found.
  std::vector<std::pair<const double*, const double*>> columns;  // cell, first value
  columns.reserve(stored + mixed_.size());
  for (std::size_t v = 0; v < variables; ++v) {
    columns.emplace_back(column_cells_[v], kept_.column_values.data() + v * m);
  }
  for (std::size_t p = 0; p < per_points_.size(); ++p) {
    columns.emplace_back(per_points_[p].dest, kept_.column_values.data() + (variables + p) * m);
  }
  for (std::size_t q = 0; q < mixed_.size(); ++q) {
    columns.emplace_back(mixed_[q].dest, kept_.mixed_values.data() + q * m);
  }
  const auto operand = [&](const double* cell) {
    Operand result;
    for (const auto& [known, values] : columns) {
      if (known == cell) {
        result.column = values;
        return result;
      }
    }
    result.scalar = cell;
    return result;
  };

  // The per-point values that read no condition, computed once for the
  // points. A fault among them would be met again in every row: such points
  // are always walked one by one.
  try {
    RunOperations(constant_);
    for (std::size_t k = 0; k < m; ++k) {
      for (std::size_t v = 0; v < variables; ++v) {
        double* cell = column_cells_[v];
        *cell = points.Values(v)[k];
        kept_.column_values[v * m + k] = *cell;
      }
      RunOperations(per_points_);
      for (std::size_t p = 0; p < per_points_.size(); ++p) {
        kept_.column_values[(variables + p) * m + k] = *per_points_[p].dest;
      }
    }
  } catch (const std::exception&) {
    return false;
  }
  for (std::size_t q = 0; q < mixed_.size(); ++q) {
    const Operation& op = mixed_[q];
    kept_.mixed.push_back({op.token, operand(op.a), IsUnary(op.token) ? Operand{} : operand(op.b),
                           kept_.mixed_values.data() + q * m, op.function1, op.function2});
  }
  kept_.result = operand(result_);
  kept_.usable = true;
  return true;
}

namespace {

// Applies `f` at every point and tells whether every result is finite.
template <typename OperandT, typename F>
bool EveryPoint(const OperandT& a, const OperandT& b, double* dest, std::size_t m, F f) {
  bool finite = true;
  if (a.column != nullptr && b.column != nullptr) {
    for (std::size_t k = 0; k < m; ++k) {
      dest[k] = f(a.column[k], b.column[k]);
      finite &= std::isfinite(dest[k]);
    }
  } else if (a.column != nullptr) {
    const double bv = b.scalar != nullptr ? *b.scalar : 0.0;
    for (std::size_t k = 0; k < m; ++k) {
      dest[k] = f(a.column[k], bv);
      finite &= std::isfinite(dest[k]);
    }
  } else {
    const double av = *a.scalar;
    for (std::size_t k = 0; k < m; ++k) {
      dest[k] = f(av, b.column[k]);
      finite &= std::isfinite(dest[k]);
    }
  }
  return finite;
}

}  // namespace

// One operation over the points; false when any point would fault (or meets
// a value that is not finite). The loops compute in extended precision and
// round on store, as RunOperations does.
bool RowEvaluator::RunColumnOperation(const ColumnOperation& op, std::size_t m) {
  switch (op.token) {
    case Token::kNegate:
      return EveryPoint(op.a, op.b, op.dest, m, [](double a, double) { return -a; });
    case Token::kAdd:
      return EveryPoint(op.a, op.b, op.dest, m,
                        [](double a, double b) { return static_cast<double>(Extended{a} + b); });
    case Token::kSubtract:
      return EveryPoint(op.a, op.b, op.dest, m,
                        [](double a, double b) { return static_cast<double>(Extended{a} - b); });
    case Token::kMultiply:
      return EveryPoint(op.a, op.b, op.dest, m,
                        [](double a, double b) { return static_cast<double>(Extended{a} * b); });
    case Token::kDivide:  // a zero divisor gives no finite value
      return EveryPoint(op.a, op.b, op.dest, m,
                        [](double a, double b) { return static_cast<double>(Extended{a} / b); });
    case Token::kSquare:
      return EveryPoint(op.a, op.b, op.dest, m, [](double a, double) {
        const Extended e = a;
        return static_cast<double>(e * e);
      });
    case Token::kCube:
      return EveryPoint(op.a, op.b, op.dest, m, [](double a, double) {
        const Extended e = a;
        return static_cast<double>((e * e) * e);
      });
    case Token::kFourth:
      return EveryPoint(op.a, op.b, op.dest, m, [](double a, double) {
        const Extended e = a;
        return static_cast<double>((e * e) * (e * e));
      });
    default:
      break;
  }
  // Anything else runs as compiled, one point at a time.
  Operation single{nullptr, nullptr, nullptr, op.token, op.function1, op.function2};
  try {
    for (std::size_t k = 0; k < m; ++k) {
      const double a = op.a.At(k);
      const double b = IsUnary(op.token) ? 0.0 : op.b.At(k);
      single.a = &a;
      single.b = &b;
      single.dest = op.dest + k;
      RunOperations({&single, 1});
      if (!std::isfinite(op.dest[k])) return false;
    }
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool RowEvaluator::EvaluateRow(const RowPoints& points, std::span<double> results) {
  if (!splittable_ || !batchable_ || results.size() != points.size()) return false;
  if (!Prepare(points)) return false;
  const std::size_t m = kept_.size;
  if (m == 0) return true;
  try {
    RunOperations(per_row_);
  } catch (const std::exception&) {
    return false;
  }
  for (const ColumnOperation& op : kept_.mixed) {
    if (!RunColumnOperation(op, m)) return false;
  }
  if (kept_.result.column != nullptr) {
    std::copy(kept_.result.column, kept_.result.column + m, results.begin());
  } else {
    std::fill(results.begin(), results.end(), *kept_.result.scalar);
  }
  // The column variables hold the last point, as after a walk.
  for (std::size_t v = 0; v < column_cells_.size(); ++v) {
    *column_cells_[v] = kept_.column_values[v * m + m - 1];
  }
  return true;
}

}  // namespace binodal
