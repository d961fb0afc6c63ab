#include "expression/parser.h"

#include "common/float_errors.h"
#include "expression/parser_errors.h"

namespace binodal {
namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

constexpr std::string_view kBuiltInNames = "ABCDEXYT";

}  // namespace

double& TCustomParser::AssignVariable(std::string_view name, long double value) {
  std::string upper(name);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (double* cell = variables_.Find(upper)) {
    *cell = RoundToDouble(value);
    return *cell;
  }
  bool valid = !upper.empty() && IsLetter(upper[0]);
  for (char c : upper) valid = valid && (IsLetter(c) || IsDigit(c));
  if (!valid) throw EBadName(upper);

  const double rounded = RoundToDouble(value);
  double* cell = nullptr;
  if (const std::size_t i = kBuiltInNames.find(upper); upper.size() == 1 && i != upper.npos) {
    cell = &built_in_[i];
  } else {
    cell = &own_cells_.emplace_back(0.0);
  }
  *cell = rounded;
  return *variables_.Add(std::move(upper), cell);
}

void TCustomParser::SetExpression(std::string_view text) {
  compiled_ = CompiledExpression();
  expression_ = std::string(text);
  if (text.empty()) return;
  try {
    compiled_ = CompileExpression(text, variables_, functions1_, functions2_, row_layout_);
    parse_failed_ = false;
  } catch (const std::exception& e) {
    parse_failed_ = true;
    if (!OnParserError) throw;
    OnParserError(*this, e);
  }
}

void TCustomParser::SetRowVariables(std::initializer_list<std::string_view> columns,
                                    std::initializer_list<std::string_view> conditions) {
  const auto cells = [&](std::initializer_list<std::string_view> names) {
    std::vector<double*> found;
    for (std::string_view name : names) {
      std::string upper(name);
      for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      }
      double* cell = variables_.Find(upper);
      if (cell == nullptr) throw EBadName(upper);
      found.push_back(cell);
    }
    return found;
  };
  RowLayout layout;
  layout.columns = cells(columns);
  for (double* cell : cells(conditions)) layout.conditions.push_back(cell);
  row_layout_ = std::move(layout);
  compiled_.PlanRows(row_layout_);
}

TParser::TParser() {
  for (std::size_t i = 0; i < kBuiltInNames.size(); ++i) {
    variables_.Add(std::string(1, kBuiltInNames[i]), &built_in_[i]);
  }
  functions1_.Add("TAN", FnTan);
  functions1_.Add("SIN", FnSin);
  functions1_.Add("COS", FnCos);
  functions1_.Add("SINH", FnSinh);
  functions1_.Add("COSH", FnCosh);
  functions1_.Add("ARCTAN", FnArctan);
  functions1_.Add("EXP", FnExp);
  functions1_.Add("LN", FnLn);
  functions1_.Add("SQRT", FnSqrt);
  functions1_.Add("ABS", FnAbs);
  functions1_.Add("HEAV", FnHeav);
  functions1_.Add("SIGN", FnSign);
  functions1_.Add("ZERO", FnZero);
  functions1_.Add("PH", FnPh);
  functions1_.Add("RND", FnRnd);
  functions2_.Add("MAX", FnMax);
  functions2_.Add("MIN", FnMin);
}

}  // namespace binodal
