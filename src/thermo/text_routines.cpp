#include "thermo/text_routines.h"

#include <algorithm>

#include "common/number_format.h"

namespace binodal {
namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string RemoveAll(std::string text, std::string_view what) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, what.size(), what) == 0) {
      i += what.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// A character of a name, in an upper-cased text.
bool IsNameChar(char c) { return IsDigit(c) || c == '_' || (c >= 'A' && c <= 'Z'); }

// The position of the ")" closing the "(" at `open`, or npos.
std::size_t ClosingParenthesis(std::string_view text, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < text.size(); ++i) {
    if (text[i] == '(') {
      ++depth;
    } else if (text[i] == ')' && --depth == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

// Whether the whole (upper-cased) text is a number without a sign: digits,
// a decimal point or comma with digits, an exponent.
bool IsUnsignedNumber(std::string_view text) {
  std::size_t i = 0;
  std::size_t digits = 0;
  const auto skip_digits = [&](std::size_t& count) {
    while (i < text.size() && IsDigit(text[i])) {
      ++i;
      ++count;
    }
  };
  skip_digits(digits);
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    ++i;
    skip_digits(digits);
  }
  if (digits == 0) return false;
  if (i < text.size() && text[i] == 'E') {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponent = 0;
    skip_digits(exponent);
    if (exponent == 0) return false;
  }
  return i == text.size();
}

// Longest echo of an expression in a warning.
constexpr std::size_t kEchoLength = 80;

}  // namespace

std::string CompactExpression(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != ' ' && c != '\n' && c != '\r') out += c;
  }
  out = RemoveAll(std::move(out), "...");
  std::erase_if(out, IsControl);
  return out;
}

std::string RemoveControlChars(std::string_view text) {
  std::string out(text);
  std::erase_if(out, IsControl);
  return out;
}

std::string SafeFileName(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '+' || c == '-' || c == '=' || c == '_' || (c >= '0' && c <= '9') ||
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      out += c;
    }
  }
  return out;
}

std::string_view TrimControl(std::string_view text) {
  while (!text.empty() && IsControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsControl(text.back())) text.remove_suffix(1);
  return text;
}

bool IsSelfContainedTerm(std::string_view text) {
  std::string term = CompactExpression(text);
  for (char& c : term) c = AsciiUpper(c);
  if (term.empty()) return false;
  const std::size_t last = term.size() - 1;
  if (term.front() == '{') return term.find('}') == last && term.find('{', 1) == std::string::npos;
  if (term.front() == '(') return ClosingParenthesis(term, 0) == last;
  if (IsDigit(term.front()) || term.front() == '.' || term.front() == ',') {
    return IsUnsignedNumber(term);
  }
  if (!IsNameChar(term.front())) return false;  // a sign or another operator
  std::size_t end = 0;
  while (end < term.size() && IsNameChar(term[end])) ++end;
  // DIV and MOD inside a run of letters are operators: ADIVB is A DIV B.
  const std::string_view name = std::string_view(term).substr(0, end);
  if (name.find("DIV", 1) != std::string_view::npos ||
      name.find("MOD", 1) != std::string_view::npos) {
    return false;
  }
  if (end == term.size()) return true;                               // a name
  return term[end] == '(' && ClosingParenthesis(term, end) == last;  // a call
}

std::string StabilityTermWarning(std::string_view designation, double tmin, double tmax,
                                 std::string_view expression) {
  std::string echo = CompactExpression(expression);
  if (echo.size() > kEchoLength) echo = echo.substr(0, kEchoLength) + "...";
  const std::string reference = "{" + std::string(designation) + "}";
  const std::string piece = "Stability parameter " + std::string(designation) + ", piece " +
                            FormatGeneral(tmin) + " to " + FormatGeneral(tmax) + ": ";
  if (echo.empty())
    return piece + "the expression is empty, so " + reference + " stands for nothing.";
  return piece + "the expression " + echo +
         " is not enclosed in parentheses. It is inserted as written in place of " + reference +
         ", so an operator beside " + reference + " takes only part of it.";
}

double ParseNumber(std::string_view text, Dialogs& dialogs) {
  const DecimalReading reading = ReadDecimal(text);
  if (!reading.ok) dialogs.Message("Invalid number: " + std::string(text));
  return reading.value;
}

const std::vector<std::string>& TStrParser::Split(std::string_view text) {
  parts_.clear();
  if (DividingString.empty()) {
    if (!text.empty()) parts_.emplace_back(text);
    return parts_;
  }
  const auto find = [&](std::string_view rest) -> std::size_t {
    if (CaseSensitive) return rest.find(DividingString);
    auto it = std::search(rest.begin(), rest.end(), DividingString.begin(), DividingString.end(),
                          [](char a, char b) { return AsciiUpper(a) == AsciiUpper(b); });
    return it == rest.end() ? std::string_view::npos : static_cast<std::size_t>(it - rest.begin());
  };
  std::string_view rest = text;
  for (std::size_t at = find(rest); at != std::string_view::npos; at = find(rest)) {
    parts_.emplace_back(rest.substr(0, at));
    rest.remove_prefix(at + DividingString.size());
  }
  if (!rest.empty()) parts_.emplace_back(rest);
  return parts_;
}

}  // namespace binodal
