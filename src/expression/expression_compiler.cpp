#include "expression/expression_compiler.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <string>
#include <unordered_map>

#include "common/float_errors.h"
#include "common/message_text.h"
#include "expression/parser_errors.h"

namespace binodal {
namespace {

constexpr int kMaxLevel = 20;
constexpr int kMaxPositions = 50;
// Validity checks recurse along the text's structure. No text that could be
// compiled comes near this depth; it keeps hostile texts off the stack limit.
constexpr int kMaxCheckDepth = 2000;

// The forms a piece of text can take.
enum Form : unsigned {
  kN,       // number
  kV,       // variable name
  kU,       // negation
  kSPlus,   // split at "+"
  kSMinus,  // split at "-"
  kSStar,   // split at "*"
  kSDiv,    // split at "DIV"
  kSMod,    // split at "MOD"
  kSSlash,  // split at "/"
  kP,       // split at "^"
  kF1,      // one-argument call
  kF2,      // two-argument call
  kB,       // bracketed expression
  kWF,      // well-formed: any of the above
};
using FormSet = std::uint16_t;

constexpr FormSet Set(std::initializer_list<Form> forms) {
  FormSet set = 0;
  for (Form f : forms) set = static_cast<FormSet>(set | (1u << f));
  return set;
}

struct SplitRule {
  std::string_view symbol;
  Form form;
  Token token;
  FormSet left;
  FormSet right;
};

// Splits in the order in which a node is classified. Which forms each piece
// may take sets the precedence and associativity of the language.
constexpr std::array<SplitRule, 7> kSplitRules{{
    {"+", kSPlus, Token::kAdd,
     Set({kV, kN, kB, kU, kSMinus, kSStar, kSDiv, kSMod, kSSlash, kP, kF1, kF2}),
     Set({kV, kN, kB, kSPlus, kSMinus, kSStar, kSDiv, kSMod, kSSlash, kP, kF1, kF2})},
    {"-", kSMinus, Token::kSubtract,
     Set({kV, kN, kB, kU, kSMinus, kSStar, kSDiv, kSMod, kSSlash, kP, kF1, kF2}),
     Set({kV, kN, kB, kSStar, kSDiv, kSMod, kSSlash, kP, kF1, kF2})},
    {"*", kSStar, Token::kMultiply, Set({kV, kN, kB, kU, kSDiv, kSMod, kSSlash, kP, kF1, kF2}),
     Set({kV, kN, kB, kSStar, kSDiv, kSMod, kSSlash, kP, kF1, kF2})},
    {"DIV", kSDiv, Token::kDiv, Set({kV, kN, kB, kU, kSDiv, kSMod, kSSlash, kP, kF1, kF2}),
     Set({kV, kN, kB, kP, kF1, kF2})},
    {"MOD", kSMod, Token::kMod, Set({kV, kN, kB, kU, kSDiv, kSMod, kSSlash, kP, kF1, kF2}),
     Set({kV, kN, kB, kP, kF1, kF2})},
    {"/", kSSlash, Token::kDivide, Set({kV, kN, kB, kU, kSDiv, kSMod, kSSlash, kP, kF1, kF2}),
     Set({kV, kN, kB, kP, kF1, kF2})},
    {"^", kP, Token::kPower, Set({kV, kN, kB, kF1, kF2}), Set({kN, kV, kB, kF1, kF2})},
}};
constexpr std::size_t kCaretRule = 6;

constexpr FormSet kNegatedForms = Set({kB, kN, kV, kP, kF1, kF2});
constexpr FormSet kAnyForm =
    Set({kN, kV, kU, kSPlus, kSMinus, kSStar, kSDiv, kSMod, kSSlash, kP, kF2, kF1, kB});

// A piece of the text being compiled: [b, e).
struct Span {
  int b = 0;
  int e = 0;
  [[nodiscard]] int size() const { return e - b; }
  [[nodiscard]] bool empty() const { return e <= b; }
};

// A literal as read: digits and signs, without the value.
struct NumberParts {
  bool pi = false;
  bool negative = false;
  std::string_view int_digits, frac_digits, exp_digits;
  bool exp_negative = false;
};

// Reads a whole text as a number literal: "PI", "-PI", or an optional sign,
// digits, an optional "." (or the first ",") with digits, an optional
// exponent; both digit runs may be empty. Trailing control characters are
// ignored.
std::optional<NumberParts> ScanNumber(std::string_view t) {
  NumberParts parts;
  if (t == "PI" || t == "-PI") {
    parts.pi = true;
    parts.negative = t[0] == '-';
    return parts;
  }
  while (!t.empty() && static_cast<unsigned char>(t.back()) <= 32) t.remove_suffix(1);
  if (t.empty()) return std::nullopt;
  std::size_t i = 0;
  const auto digits = [&]() {
    const std::size_t start = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    return t.substr(start, i - start);
  };
  if (t[i] == '+' || t[i] == '-') {
    parts.negative = t[i] == '-';
    if (++i == t.size()) return std::nullopt;
  }
  parts.int_digits = digits();
  // Only a sign and digits come before: a comma here is the first one.
  if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
    ++i;
    parts.frac_digits = digits();
  }
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) parts.exp_negative = t[i++] == '-';
    parts.exp_digits = digits();
    if (parts.exp_digits.empty()) return std::nullopt;
  }
  if (i != t.size()) return std::nullopt;
  return parts;
}

// The double value of a literal; a value beyond the double range overflows.
double NumberValue(const NumberParts& parts) {
  if (parts.pi) return parts.negative ? -std::numbers::pi : std::numbers::pi;
  const auto nonzero = [](std::string_view d) { return d.find_first_not_of('0') != d.npos; };
  if (!nonzero(parts.int_digits) && !nonzero(parts.frac_digits)) return parts.negative ? -0.0 : 0.0;

  std::string text;
  text.reserve(parts.int_digits.size() + parts.frac_digits.size() + parts.exp_digits.size() + 5);
  text.append(parts.int_digits.empty() ? "0" : parts.int_digits);
  text.push_back('.');
  text.append(parts.frac_digits.empty() ? "0" : parts.frac_digits);
  if (!parts.exp_digits.empty()) {
    text.push_back('e');
    if (parts.exp_negative) text.push_back('-');
    text.append(parts.exp_digits);
  }
  double value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Out of range: overflow when the first significant digit stands at or
    // above the units, underflow (to zero) otherwise.
    std::int64_t exponent = 0;
    for (char c : parts.exp_digits)
      exponent = std::min<std::int64_t>(exponent * 10 + (c - '0'), 1'000'000'000);
    if (parts.exp_negative) exponent = -exponent;
    const std::string_view significant_int = parts.int_digits.substr(
        std::min(parts.int_digits.find_first_not_of('0'), parts.int_digits.size()));
    const std::int64_t magnitude =
        significant_int.empty()
            ? exponent - static_cast<std::int64_t>(parts.frac_digits.find_first_not_of('0'))
            : exponent + static_cast<std::int64_t>(significant_int.size());
    if (magnitude > 0) throw EOverflow();
    value = 0;
  } else if (ec != std::errc()) {
    throw EParserInternalError();
  }
  return parts.negative ? -value : value;
}

// --- Nesting that any reading of a text must reach.
//
// Some operator symbols can be nothing but the operator of an operation in
// any reading of a text ("sure"): "*" and "/" always; DIV and MOD after ")",
// or anywhere when no name of the tables could hold them; "+" and "-" after a
// digit, ")", "." or a name. Others can never be one: a "+" or "-" at the
// start of a bracket or argument, after an operator, or in the exponent of a
// literal like "1E-5" is a sign. The rest may be either. The forms of the
// language fix how the sure operations nest among the operations of one
// bracket level:
// - every "+" is on the right-hand side of the one before it (a + (b + c)),
//   so the k-th sure "+" is at least k levels deep;
// - every "-" between two "+" is on the left-hand side of the next one
//   ((a - b) - c), below the "+" before them;
// - every "*" between two "+" or "-" is on the right-hand side of the one
//   before it; every "/", DIV and MOD between two "+", "-" or "*" on the
//   left-hand side of the next.
// (A sign parts no chain; a symbol that may be an operator parts them as
// one would.) The longest of these chains is a lower bound of the levels
// the text needs. A comma starts the count afresh (it may part the
// arguments of a call).

bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return (c >= 'A' && c <= 'Z') || c == '_' || IsDigitChar(c); }

// Whether DIV and MOD can only be operators wherever they stand: no name
// holds them, and none touches them so that a name and an operator share a
// letter ("MO" + "DIV" holds a MOD, "MOD" + "IV..." a DIV).
template <typename Table>
bool NamesLeaveWordsAlone(const Table& table) {
  return !table.AnyName([](std::string_view name) {
    return name.find("DIV") != name.npos || name.find("MOD") != name.npos ||
           name.starts_with("IV") || name.ends_with("MO");
  });
}

class NestingBound {
 public:
  NestingBound(std::string_view t, bool words_are_operators)
      : t_(t), words_are_operators_(words_are_operators), word_end_(t.size() + 1, kNoWord) {}

  int Compute() {
    std::vector<Level> levels(1);
    int bound = 0;
    for (std::size_t i = 0; i < t_.size(); ++i) {
      Level& level = levels.back();
      switch (t_[i]) {
        case '(':
          levels.emplace_back();
          break;
        case ')':
          if (levels.size() > 1) levels.pop_back();
          break;
        case ',':
          level = Level{};
          break;
        case '+':
        case '-': {
          const Kind kind = Classify(i);
          if (kind == Kind::kSign) break;
          if (t_[i] == '+') {
            if (kind == Kind::kSure) bound = std::max(bound, ++level.plus);
            level.plus_at_run = level.plus;
            level.minus = 0;
          } else if (kind == Kind::kSure) {
            bound = std::max(bound, level.plus_at_run + ++level.minus);
          }
          level.star = level.quotient = 0;
          break;
        }
        case '*':
          bound = std::max(bound, ++level.star);
          level.quotient = 0;
          break;
        case '/':
          bound = std::max(bound, ++level.quotient);
          break;
        case 'D':
        case 'M':
          if (t_.substr(i, 3) == "DIV" || t_.substr(i, 3) == "MOD") {
            const bool sure = words_are_operators_ || (i > 0 && t_[i - 1] == ')');
            word_end_[i + 3] = sure ? kSureWord : kWord;
            if (sure) {
              bound = std::max(bound, ++level.quotient);
              i += 2;
            }
          }
          break;
        default:
          break;
      }
    }
    return bound;
  }

 private:
  enum class Kind { kSure, kSign, kEither };
  enum : char { kNoWord, kWord, kSureWord };
  struct Level {
    int plus = 0;         // sure "+" so far
    int plus_at_run = 0;  // sure "+" before the current run of "-"
    int minus = 0;        // sure "-" since the last "+"
    int star = 0;         // sure "*" since the last "+" or "-"
    int quotient = 0;     // sure "/", DIV, MOD since the last "+", "-" or "*"
  };

  // What the "+" or "-" at i is.
  [[nodiscard]] Kind Classify(std::size_t i) const {
    if (i == 0) return Kind::kSign;
    const char before = t_[i - 1];
    if (std::string_view("(,+-*/^").find(before) != std::string_view::npos) return Kind::kSign;
    if (IsDigitChar(before) || before == ')' || before == '.') return Kind::kSure;
    if (!IsNameChar(before)) return Kind::kEither;
    if (word_end_[i] != kNoWord) return word_end_[i] == kSureWord ? Kind::kSign : Kind::kEither;
    if (before != 'E') return Kind::kSure;  // after a name
    // After an E: of a literal's exponent, a name, or the variable E.
    std::size_t start = i - 1;  // of the digits and points before the E
    while (start > 0 && (IsDigitChar(t_[start - 1]) || t_[start - 1] == '.')) --start;
    if (start > 0 && IsNameChar(t_[start - 1]) && word_end_[start] == kNoWord) {
      return Kind::kSure;  // the E ends a name
    }
    if (start > 0 && word_end_[start] == kWord) return Kind::kEither;
    if (start < i - 1) return Kind::kSign;  // 1E-5
    return i + 1 < t_.size() && IsDigitChar(t_[i + 1]) ? Kind::kEither : Kind::kSure;
  }

  std::string_view t_;
  bool words_are_operators_;
  std::vector<char> word_end_;  // what ends at each position: no word, DIV or MOD, a sure one
};

// The pieces a failed classification tried last, for the error message.
struct Tried {
  bool set = false;
  Span first, second;
  void Record(Span f, Span s) {
    set = true;
    first = f;
    second = s;
  }
};

// How a node reads: a variable, a number, or an operation with operands.
struct Shape {
  Token token = Token::kVariable;
  Span first, second;
  double* variable = nullptr;
  std::optional<double> number;
  const FunctionTable1::Entry* function1 = nullptr;
  const FunctionTable2::Entry* function2 = nullptr;
};

// A cell reference during compilation: a variable's cell, or an index into
// the cells the compiled expression will own.
struct CellRef {
  double* variable = nullptr;
  int owned = -1;
};

struct PendingOperation {
  Token token;
  CellRef a, b, dest;
  const FunctionTable1::Entry* function1 = nullptr;
  const FunctionTable2::Entry* function2 = nullptr;
};

}  // namespace

class ExpressionCompiler {
 public:
  ExpressionCompiler(std::string text, const VariableTable& variables,
                     const FunctionTable1& functions1, const FunctionTable2& functions2)
      : text_(std::move(text)),
        variables_(variables),
        functions1_(functions1),
        functions2_(functions2) {
    const int n = static_cast<int>(text_.size());
    opens_.assign(n + 1, 0);
    closes_.assign(n + 1, 0);
    for (int i = 0; i < n; ++i) {
      opens_[i + 1] = opens_[i] + (text_[i] == '(');
      closes_[i + 1] = closes_[i] + (text_[i] == ')');
      if (text_[i] == '(') open_positions_.push_back(i);
      if (text_[i] == ',') comma_positions_.push_back(i);
    }
    for (std::size_t r = 0; r < kSplitRules.size(); ++r) {
      const std::string_view symbol = kSplitRules[r].symbol;
      for (std::size_t i = text_.find(symbol); i != std::string::npos;
           i = text_.find(symbol, i + 1)) {
        operator_positions_[r].push_back(static_cast<int>(i));
      }
    }
  }

  CompiledExpression Compile(const RowLayout& layout) {
    if (opens_.back() != closes_.back()) throw EMissMatchingBracket();
    // Long chains would cost the trial splitting cubic time before their
    // depth is found: refused at once.
    if (NestingLowerBound(text_, variables_, functions1_, functions2_) > kMaxLevel) {
      throw ETooManyNestings();
    }
    const Span root = Reduce(Span{0, static_cast<int>(text_.size())});

    levels_[0].push_back(PendingOperation{Token::kVariable, {}, {}, {}});
    Process(root, 0, 1, 1);
    CompiledExpression compiled = Finish();
    compiled.PlanRows(layout);
    return compiled;
  }

 private:
  [[nodiscard]] std::string_view View(Span s) const {
    return std::string_view(text_).substr(s.b, s.size());
  }
  [[nodiscard]] bool Balanced(Span s) const {
    return opens_[s.e] - opens_[s.b] == closes_[s.e] - closes_[s.b];
  }
  // Positions of a rule's symbol at or after s.b.
  [[nodiscard]] std::vector<int>::const_iterator FirstAt(const std::vector<int>& positions,
                                                         int b) const {
    return std::lower_bound(positions.begin(), positions.end(), b);
  }
  [[nodiscard]] int FirstOpen(Span s) const {
    auto it = FirstAt(open_positions_, s.b);
    return it != open_positions_.end() && *it < s.e ? *it : -1;
  }

  // Whether s takes form f. Results are kept per piece, which keeps long
  // chains of "-" or "/" from costing exponential time.
  bool Is(Span s, Form f) {
    if (s.empty() || !MayBe(s, f)) return false;
    const FormSet bit = static_cast<FormSet>(1u << f);
    Memo& memo = memo_[(static_cast<std::uint64_t>(s.b) << 32) | static_cast<std::uint32_t>(s.e)];
    if (memo.known & bit) return memo.value & bit;
    if (++depth_ > kMaxCheckDepth) throw ETooManyNestings();
    const bool result = Compute(s, f);
    --depth_;
    memo.known |= bit;  // element references survive rehashing
    if (result) memo.value |= bit;
    return result;
  }

  bool AnyOf(Span s, FormSet forms) {
    for (unsigned f = 0; f < kWF; ++f) {
      if ((forms & (1u << f)) && Is(s, static_cast<Form>(f))) return true;
    }
    return false;
  }

  // Cheap necessary conditions, to spare the memo.
  [[nodiscard]] bool MayBe(Span s, Form f) const {
    switch (f) {
      case kU:
        return text_[s.b] == '-' && s.size() >= 2;
      case kB:
        return text_[s.b] == '(' && text_[s.e - 1] == ')' && s.size() >= 2;
      case kF1:
      case kF2:
        return FirstOpen(s) > s.b;
      case kN:
      case kV:
      case kWF:
        return true;
      default: {
        const auto& positions = operator_positions_[RuleIndex(f)];
        auto it = FirstAt(positions, s.b);
        return it != positions.end() && *it < s.e;
      }
    }
  }

  static std::size_t RuleIndex(Form f) {
    for (std::size_t r = 0; r < kSplitRules.size(); ++r) {
      if (kSplitRules[r].form == f) return r;
    }
    return 0;
  }

  bool Compute(Span s, Form f) {
    switch (f) {
      case kN:
        return ScanNumber(View(s)).has_value();
      case kV:
        return variables_.Find(View(s)) != nullptr;
      case kU:
        return AnyOf(Span{s.b + 1, s.e}, kNegatedForms);
      case kF1:
        return Call1(s) != nullptr;
      case kF2:
        return FindCall2(s, nullptr) >= 0;
      case kB:
        return Is(Span{s.b + 1, s.e - 1}, kWF);
      case kWF:
        return AnyOf(s, kAnyForm);
      default:
        return FindSplit(s, kSplitRules[RuleIndex(f)], nullptr) >= 0;
    }
  }

  // The position of the operator occurrence that splits s, or -1.
  int FindSplit(Span s, const SplitRule& rule, Tried* tried) {
    const int width = static_cast<int>(rule.symbol.size());
    const auto& positions = operator_positions_[&rule - kSplitRules.data()];
    for (auto it = FirstAt(positions, s.b); it != positions.end() && *it + width <= s.e; ++it) {
      const int i = *it;
      if (width > 1) {  // DIV, MOD: passed over at the start or with nothing after them
        if (i == s.b || i + width == s.e) continue;
      } else if (rule.form == kSMinus && i == s.b) {
        continue;  // a leading "-" is a sign
      } else if (i == s.b || i == s.e - 1) {
        return -1;
      }
      const Span left{s.b, i};
      const Span right{i + width, s.e};
      if (tried != nullptr) tried->Record(left, right);
      if (!Balanced(left) || !Balanced(right)) continue;
      if (AnyOf(left, rule.left) && AnyOf(right, rule.right)) return i;
    }
    return -1;
  }

  // NAME(argument) with NAME a one-argument function.
  const FunctionTable1::Entry* Call1(Span s) {
    const int open = FirstOpen(s);
    if (open <= s.b) return nullptr;
    const FunctionTable1::Entry* entry = functions1_.Find(View(Span{s.b, open}));
    return entry != nullptr && Is(Span{open, s.e}, kB) ? entry : nullptr;
  }

  // NAME(first,second) with NAME a two-argument function: the position of the
  // comma between the arguments, or -1.
  int FindCall2(Span s, Tried* tried) {
    if (text_[s.e - 1] != ')') return -1;
    const int open = FirstOpen(s);
    if (open <= s.b || functions2_.Find(View(Span{s.b, open})) == nullptr) return -1;
    const Span inside{open + 1, s.e - 1};
    for (auto it = FirstAt(comma_positions_, inside.b);
         it != comma_positions_.end() && *it < inside.e; ++it) {
      const int comma = *it;
      if (comma == inside.b || comma == inside.e - 1) return -1;
      const Span first{inside.b, comma};
      const Span second{comma + 1, inside.e};
      if (tried != nullptr) tried->Record(first, second);
      if (Is(first, kWF) && Is(second, kWF)) return comma;
    }
    return -1;
  }

  // Strips redundant enclosing brackets.
  Span Reduce(Span s) {
    while (Is(s, kB)) s = Span{s.b + 1, s.e - 1};
    return s;
  }

  Token PowerToken(Span exponent) {
    if (!Is(exponent, kN)) return Token::kPower;
    const double e = NumberValue(*ScanNumber(View(exponent)));
    if (!(e > -2147483649.0 && e < 2147483648.0) || std::trunc(e) != e) return Token::kPower;
    switch (static_cast<int>(e)) {
      case 2:
        return Token::kSquare;
      case 3:
        return Token::kCube;
      case 4:
        return Token::kFourth;
      default:
        return Token::kIntPower;
    }
  }

  // Reads a node in the fixed order of forms; nullopt when it fits none.
  std::optional<Shape> Classify(Span s, Tried* tried) {
    Shape shape;
    if (double* cell = Is(s, kV) ? variables_.Find(View(s)) : nullptr) {
      shape.variable = cell;
      return shape;
    }
    if (Is(s, kN)) {
      shape.number = NumberValue(*ScanNumber(View(s)));
      return shape;
    }
    if (Is(s, kU)) {
      shape.token = Token::kNegate;
      shape.first = Reduce(Span{s.b + 1, s.e});
      return shape;
    }
    for (std::size_t r = 0; r < kSplitRules.size(); ++r) {
      const SplitRule& rule = kSplitRules[r];
      const int at = FindSplit(s, rule, tried);
      if (at < 0) continue;
      const Span right{at + static_cast<int>(rule.symbol.size()), s.e};
      shape.token = r == kCaretRule ? PowerToken(right) : rule.token;
      shape.first = Reduce(Span{s.b, at});
      shape.second = Reduce(right);
      return shape;
    }
    if (const FunctionTable1::Entry* entry = Call1(s)) {
      shape.token = Token::kCall1;
      shape.function1 = entry;
      shape.first = Reduce(Span{FirstOpen(s), s.e});
      return shape;
    }
    if (const int comma = FindCall2(s, tried); comma >= 0) {
      shape.token = Token::kCall2;
      shape.function2 = functions2_.Find(View(Span{s.b, FirstOpen(s)}));
      shape.first = Reduce(Span{FirstOpen(s) + 1, comma});
      shape.second = Reduce(Span{comma + 1, s.e - 1});
      return shape;
    }
    return std::nullopt;
  }

  [[noreturn]] void RaiseSyntaxError(Span s, const Tried& tried) const {
    std::string message = "Error parsing expression:\r";
    if (!tried.set) {
      message.append(EchoedText(View(s)));
    } else {
      message.append(EchoedText(View(tried.first)))
          .append("\r")
          .append(EchoedText(View(tried.second)));
    }
    throw ESyntaxError(message);
  }

  CellRef NewCell(double value) {
    cells_.push_back(value);
    return CellRef{nullptr, static_cast<int>(cells_.size()) - 1};
  }

  // Places a node: a variable or number becomes an argument of the operation
  // in the node's slot; an operation gets a slot one level deeper, and its
  // result becomes that argument.
  void Process(Span text, int level, int position, int side) {
    Tried tried;
    const std::optional<Shape> shape = Classify(text, &tried);
    if (!shape) RaiseSyntaxError(text, tried);

    const auto set_argument = [&](CellRef cell) {
      PendingOperation& host = levels_[level][position - 1];
      if (side == 1) {
        host.a = cell;
      } else {
        if (level > 0 && IsUnary(host.token)) throw EParserInternalError();
        host.b = cell;
      }
    };
    if (shape->variable != nullptr) return set_argument(CellRef{shape->variable, -1});
    if (shape->number) return set_argument(NewCell(*shape->number));

    const int operand_level = level + 1;
    const auto check_slot = [&](int slot) {
      if (operand_level > kMaxLevel) throw ETooManyNestings();
      if (slot > kMaxPositions) throw EExpressionTooComplex();
    };
    const int slot = counts_[std::min(operand_level, kMaxLevel)] + 1;
    check_slot(slot);
    const CellRef result = NewCell(0);
    levels_[operand_level].push_back(
        PendingOperation{shape->token, {}, {}, result, shape->function1, shape->function2});
    set_argument(result);

    if (IsUnary(shape->token)) {
      ++counts_[operand_level];
      Process(shape->first, operand_level, slot, 1);
    } else {
      Process(shape->first, operand_level, slot, 1);
      check_slot(slot);
      Process(shape->second, operand_level, slot, 2);
      ++counts_[operand_level];
    }
  }

  CompiledExpression Finish() {
    std::vector<PendingOperation> order;
    for (int level = kMaxLevel; level >= 1; --level) {
      order.insert(order.end(), levels_[level].begin(), levels_[level].end());
    }
    if (order.empty()) {  // a single variable or number
      PendingOperation identity = levels_[0][0];
      identity.dest = identity.a;
      order.push_back(identity);
    }

    CompiledExpression compiled;
    compiled.cells_ = std::move(cells_);
    const auto resolve = [&](CellRef ref) -> double* {
      if (ref.variable != nullptr) return ref.variable;
      return ref.owned >= 0 ? &compiled.cells_[ref.owned] : nullptr;
    };
    compiled.operations_.reserve(order.size());
    compiled.function_names_.reserve(order.size());
    for (const PendingOperation& p : order) {
      Operation op;
      op.a = resolve(p.a);
      op.b = resolve(p.b);
      op.dest = resolve(p.dest);
      op.token = p.token;
      op.function1 = p.function1 != nullptr ? p.function1->routine : nullptr;
      op.function2 = p.function2 != nullptr ? p.function2->routine : nullptr;
      compiled.operations_.push_back(op);
      compiled.function_names_.push_back(p.function1 != nullptr   ? p.function1->name
                                         : p.function2 != nullptr ? p.function2->name
                                                                  : std::string_view{});
    }
    return compiled;
  }

  struct Memo {
    FormSet known = 0;
    FormSet value = 0;
  };

  std::string text_;
  const VariableTable& variables_;
  const FunctionTable1& functions1_;
  const FunctionTable2& functions2_;

  std::vector<int> opens_, closes_;  // counts of "(" and ")" before each position
  std::vector<int> open_positions_, comma_positions_;
  std::array<std::vector<int>, kSplitRules.size()> operator_positions_;
  std::unordered_map<std::uint64_t, Memo> memo_;
  int depth_ = 0;

  std::array<std::vector<PendingOperation>, kMaxLevel + 1> levels_;
  std::array<int, kMaxLevel + 1> counts_{};
  std::vector<double> cells_;
};

int NestingLowerBound(std::string_view text, const VariableTable& variables,
                      const FunctionTable1& functions1, const FunctionTable2& functions2) {
  return NestingBound(text, NamesLeaveWordsAlone(variables) && NamesLeaveWordsAlone(functions1) &&
                                NamesLeaveWordsAlone(functions2))
      .Compute();
}

RowEvaluator& CompiledExpression::Rows() {
  if (rows_ == nullptr) PlanRows(RowLayout{});
  return *rows_;
}

void CompiledExpression::PlanRows(const RowLayout& layout) {
  rows_ = std::make_unique<RowEvaluator>(operations_, layout);
}

CompiledExpression CompileExpression(std::string_view text, const VariableTable& variables,
                                     const FunctionTable1& functions1,
                                     const FunctionTable2& functions2, const RowLayout& layout) {
  std::string prepared(text);
  for (char& c : prepared) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  const std::size_t first = prepared.find_first_not_of(' ');
  if (first == std::string::npos) throw ESyntaxError("Error parsing expression:\r");
  prepared = prepared.substr(first, prepared.find_last_not_of(' ') - first + 1);
  if (prepared.find(' ') != std::string::npos) throw EExpressionHasBlanks();

  ExpressionCompiler compiler(std::move(prepared), variables, functions1, functions2);
  return compiler.Compile(layout);
}

}  // namespace binodal
