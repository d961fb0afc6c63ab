// The parser component: a table of named variables, the language's function
// tables and at most one compiled expression.
//
// Typical use: assign variables, assign the expression text (which compiles
// it), read Value; then change variables and read Value again any number of
// times without recompiling. A parser is used by one thread at a time and is
// neither copyable nor movable: compiled code refers to its cells by address.
#pragma once

#include <array>
#include <deque>
#include <exception>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "expression/expression_compiler.h"
#include "expression/symbol_tables.h"

namespace binodal {

class TCustomParser;

// Called instead of raising when a compilation fails.
using TParserExceptionEvent = std::function<void(TCustomParser& sender, const std::exception& e)>;

class TCustomParser {
 public:
  TCustomParser() = default;
  TCustomParser(const TCustomParser&) = delete;
  TCustomParser& operator=(const TCustomParser&) = delete;
  virtual ~TCustomParser() = default;

  // Stores value, rounded to double, in the variable's cell and returns the
  // cell; creates the variable when the (upper-cased) name is new. Raises
  // EBadName for a name that is not a letter or underscore followed by
  // letters, digits or underscores, and EOverflow for a value beyond the
  // double range. A name must exist when an expression using it is compiled.
  double& AssignVariable(std::string_view name, long double value);

  // Compiles text. An empty text leaves no expression (and ParseFailed as it
  // was). On failure ParseFailed becomes true, the expression is empty (Value
  // reads 0) and the error goes to OnParserError if set, else to the caller.
  void SetExpression(std::string_view text);
  // The last text assigned, as assigned, even when it failed to compile.
  [[nodiscard]] const std::string& Expression() const { return expression_; }
  [[nodiscard]] bool ParseFailed() const { return parse_failed_; }

  // Runs the compiled expression with the current variable values; 0 when
  // there is none. Arithmetic faults raise the exceptions of
  // common/float_errors.h and leave the cells written so far as they are.
  [[nodiscard]] long double Value() { return compiled_.Evaluate(); }

  // Value with its first and second derivative with respect to one variable,
  // given the cells that depend on it (expression/derivatives.h): e.g.
  // Derivatives({{&X(), x, 1, 0}}). The value part is what Value() gives.
  [[nodiscard]] ValueAndDerivatives Derivatives(std::span<const DerivativeSeed> seeds) {
    return compiled_.Derivatives(seeds);
  }
  [[nodiscard]] ValueAndDerivatives Derivatives(std::initializer_list<DerivativeSeed> seeds) {
    return compiled_.Derivatives(std::span<const DerivativeSeed>(seeds.begin(), seeds.size()));
  }

  [[nodiscard]] const CompiledExpression& Compiled() const { return compiled_; }

  // Names the variables that a row of points gives values to (see
  // expression/row_evaluator.h): `columns` one per point, `conditions` one per
  // row. Raises EBadName for a name that is not a variable. Applies to the
  // compiled expression and every later one.
  void SetRowVariables(std::initializer_list<std::string_view> columns,
                       std::initializer_list<std::string_view> conditions);
  // The row evaluator of the compiled expression. A reference is good until
  // the next SetExpression or SetRowVariables.
  [[nodiscard]] RowEvaluator& Rows() { return compiled_.Rows(); }

  TParserExceptionEvent OnParserError;

 protected:
  // The built-in cells A, B, C, D, E, X, Y, T, each 0 at creation.
  enum BuiltIn { kA, kB, kC, kD, kE, kX, kY, kT, kBuiltInCount };
  std::array<double, kBuiltInCount> built_in_{};

  VariableTable variables_;
  FunctionTable1 functions1_;
  FunctionTable2 functions2_;

 private:
  std::deque<double> own_cells_;  // cells of variables made by AssignVariable
  RowLayout row_layout_;
  CompiledExpression compiled_;
  std::string expression_;
  bool parse_failed_ = false;
};

// The parser with the language's variables A, B, C, D, E, X, Y, T and its
// functions registered.
class TParser : public TCustomParser {
 public:
  TParser();

  double& A() { return built_in_[kA]; }
  double& B() { return built_in_[kB]; }
  double& C() { return built_in_[kC]; }
  double& D() { return built_in_[kD]; }
  double& E() { return built_in_[kE]; }
  double& X() { return built_in_[kX]; }
  double& Y() { return built_in_[kY]; }
  double& T() { return built_in_[kT]; }
};

}  // namespace binodal
