// Evaluation of a compiled expression at every point of a row at once.
//
// A row is a set of points that differ only in the values of a few variables,
// the column variables (for a row of compositions: X and SID), while the
// condition variables (T, P, Y) keep one value for the row. The operations of
// the compiled list are sorted by what they read: those that read no column
// variable give one value per row and run once; those that read column
// variables but no condition give the same values in every row of the same
// points and are computed once for the points and kept; the rest run as one
// loop over the points each. Every value is the one the whole list gives when
// run at that point (bit for bit), and a row in which any point would fault
// is refused as a whole, so that the caller can walk it point by point.
//
// A RowEvaluator is made by the compiler with the compiled expression and
// owned by it (CompiledExpression::Rows): it cannot outlive the operations it
// was made for. Not thread-safe: it writes the expression's cells.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "expression/operations.h"

namespace binodal {

// The variable cells a row gives values to. Every other variable cell that
// the expression reads is taken as fixed; a change of its value is noticed at
// the next row and costs a new computation of the kept values.
struct RowLayout {
  std::vector<double*> columns;           // one value per point
  std::vector<const double*> conditions;  // one value per row
};

// The values of the column variables at the points of a row, in the order of
// RowLayout::columns. Immutable; each one made gets a serial number of its own
// (copies share it, as they share the values), by which a row evaluator
// knows the points it has kept values for.
class RowPoints {
 public:
  RowPoints() = default;  // no points
  // values[v][k] is column variable v at point k; every vector the same length.
  // Raises std::invalid_argument for vectors of different lengths.
  explicit RowPoints(std::vector<std::vector<double>> values);
  RowPoints(const RowPoints&) = default;
  RowPoints& operator=(const RowPoints&) = default;
  // A moved-from RowPoints has no points (and the serial of none).
  RowPoints(RowPoints&& other) noexcept { *this = std::move(other); }
  RowPoints& operator=(RowPoints&& other) noexcept {
    values_ = std::exchange(other.values_, {});
    size_ = std::exchange(other.size_, 0);
    serial_ = std::exchange(other.serial_, 0);
    return *this;
  }

  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] std::size_t variables() const { return values_.size(); }
  [[nodiscard]] std::span<const double> Values(std::size_t variable) const {
    return values_.at(variable);
  }
  [[nodiscard]] std::uint64_t serial() const { return serial_; }

 private:
  std::vector<std::vector<double>> values_;
  std::size_t size_ = 0;
  std::uint64_t serial_ = 0;
};

class RowEvaluator {
 public:
  // Plans the rows of `operations` (which must stay alive and unchanged as
  // long as the evaluator: the compiled expression's own list).
  RowEvaluator(std::span<const Operation> operations, const RowLayout& layout);
  RowEvaluator(const RowEvaluator&) = delete;
  RowEvaluator& operator=(const RowEvaluator&) = delete;

  // Whether EvaluateRow can do rows at all: false for an expression that
  // calls RND or is a lone variable or number.
  [[nodiscard]] bool DoesRows() const { return splittable_ && batchable_; }

  // --- One point at a time. The caller sets the column variables before
  // each EvaluatePoint; the operations that give one value per row run at the
  // first point after BeginRow, so that a fault among them is raised there,
  // as a run of the whole list would. Values and faults are those of running
  // the whole list (RunOperations) at each point.
  void BeginRow() { row_done_ = false; }
  [[nodiscard]] double EvaluatePoint();

  // --- The whole row. Writes the value at every point into results (of
  // points.size()) and leaves the column variables at the last point's values;
  // true. False, with results untouched and the column variables changed,
  // when the row cannot be done at once: some point would fault (or meet a
  // value that is not finite), the expression calls RND, or it is a lone
  // variable or number. The caller then walks the row point by point.
  [[nodiscard]] bool EvaluateRow(const RowPoints& points, std::span<double> results);

 private:
  // An argument of an operation run over the points: one value for all, or
  // one per point.
  struct Operand {
    const double* scalar = nullptr;
    const double* column = nullptr;
    [[nodiscard]] double At(std::size_t k) const { return column ? column[k] : *scalar; }
  };
  struct ColumnOperation {
    Token token;
    Operand a, b;
    double* dest;  // one value per point
    Function1 function1;
    Function2 function2;
  };

  void Plan(std::span<const Operation> operations, const RowLayout& layout);
  // Makes the kept values fit `points` and the fixed cells; false when they
  // fault somewhere.
  bool Prepare(const RowPoints& points);
  [[nodiscard]] bool FixedCellsUnchanged() const;
  static bool RunColumnOperation(const ColumnOperation& op, std::size_t m);

  std::span<const Operation> whole_;
  std::vector<double*> column_cells_;
  bool splittable_ = false;           // false: every point runs the whole list
  bool batchable_ = false;            // no RND: every operation gives the same value when run again
  std::vector<Operation> per_row_;    // read no column variable
  std::vector<Operation> per_point_;  // read a column variable
  std::vector<Operation> constant_;   // per row, reading no condition either
  std::vector<Operation> per_points_;  // per point, reading no condition
  std::vector<Operation> mixed_;       // per point, reading a condition
  const double* result_ = nullptr;
  bool row_done_ = false;

  // The values kept for one set of points, and the fixed cells they read.
  struct Kept {
    bool built = false;
    bool usable = false;  // false: the per-point values fault somewhere
    std::uint64_t serial = 0;
    std::size_t size = 0;
    std::vector<double> fixed_values;   // of fixed_cells_, when built
    std::vector<double> column_values;  // the column variables, then every per_points_ operation
    std::vector<double> mixed_values;   // every mixed operation
    std::vector<ColumnOperation> mixed;
    Operand result;
  };
  std::vector<const double*> fixed_cells_;  // read by constant_ and per_points_
  Kept kept_;
};

}  // namespace binodal
