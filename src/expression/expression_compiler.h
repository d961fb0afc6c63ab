// The compiler of the expression language.
//
// The language is case-insensitive and has no blanks. A text is parsed top
// down by trial splitting: it is cut at an operator only where both pieces are
// themselves well-formed, and the forms each side may take are fixed per
// operator; these rules set the precedence. The result is a flat list of
// operations, deepest level first, whose last operation holds the value.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "expression/derivatives.h"
#include "expression/operations.h"
#include "expression/row_evaluator.h"
#include "expression/symbol_tables.h"

namespace binodal {

// A compiled expression: its operations, the constant and result cells it
// owns, and the evaluator of its rows (expression/row_evaluator.h), made with
// it and gone with it. Operations point into `cells` and into variable cells
// of the tables it was compiled against, which must outlive it. Movable (the
// row evaluator moves along), not copyable.
class CompiledExpression {
 public:
  CompiledExpression() = default;
  CompiledExpression(CompiledExpression&&) noexcept = default;
  CompiledExpression& operator=(CompiledExpression&&) noexcept = default;
  CompiledExpression(const CompiledExpression&) = delete;
  CompiledExpression& operator=(const CompiledExpression&) = delete;

  [[nodiscard]] bool empty() const { return operations_.empty(); }
  [[nodiscard]] std::span<const Operation> operations() const { return operations_; }
  // The function name of each operation (empty for operations that are not calls).
  [[nodiscard]] std::span<const std::string_view> function_names() const { return function_names_; }

  // Runs the list and returns the last operation's destination; 0 when empty.
  [[nodiscard]] long double Evaluate() {
    if (operations_.empty()) return 0;
    RunOperations(operations_);
    return *operations_.back().dest;
  }
  // Writes the seeds to their cells, runs the list as Evaluate does and
  // returns the result with its first and second derivative with respect to
  // the seeded variable (expression/derivatives.h).
  [[nodiscard]] ValueAndDerivatives Derivatives(std::span<const DerivativeSeed> seeds) {
    return EvaluateDerivatives(operations_, seeds);
  }

  // The evaluator of rows of points, planned for the layout given at
  // compilation or to the last PlanRows.
  [[nodiscard]] RowEvaluator& Rows();
  // Plans the rows anew for `layout` (its cells being variables of the tables
  // the expression was compiled against); forgets every kept value.
  void PlanRows(const RowLayout& layout);

 private:
  friend class ExpressionCompiler;
  std::vector<Operation> operations_;
  std::unique_ptr<RowEvaluator> rows_;  // observes operations_ and cells_
  std::vector<std::string_view> function_names_;
  std::vector<double> cells_;  // never resized after compilation: operations point into it
};

// Compiles text against the tables. Raises the EMathParserError family of
// expression/parser_errors.h, or EOverflow for a literal beyond the double
// range; nothing is kept on failure. The rows are planned for `layout`.
[[nodiscard]] CompiledExpression CompileExpression(std::string_view text,
                                                   const VariableTable& variables,
                                                   const FunctionTable1& functions1,
                                                   const FunctionTable2& functions2,
                                                   const RowLayout& layout = {});

// A lower bound of the levels of operations that any reading of `text` (in
// upper case, without blanks, its brackets balanced) needs with the names of
// the tables: the count of operator symbols that can only be operations along
// the chains in which the forms of the language nest them, per bracket level.
// Compilation refuses a text whose bound passes the nesting limit at once.
[[nodiscard]] int NestingLowerBound(std::string_view text, const VariableTable& variables,
                                    const FunctionTable1& functions1,
                                    const FunctionTable2& functions2);

}  // namespace binodal
