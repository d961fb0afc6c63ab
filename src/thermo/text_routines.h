// Text helpers of the thermodynamic database: cleaning expression texts,
// safe file names, numbers typed by the user, and the designation splitter.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/dialogs.h"

namespace binodal {

// Removes every blank, line feed and carriage return, then every "...", then
// every remaining character of code 32 or less, in that order.
[[nodiscard]] std::string CompactExpression(std::string_view text);

// Removes every character of code 32 or less.
[[nodiscard]] std::string RemoveControlChars(std::string_view text);

// Keeps only "+", "-", digits, "=", ASCII letters and "_", in their order.
[[nodiscard]] std::string SafeFileName(std::string_view text);

// Removes leading and trailing characters of code 32 or less.
[[nodiscard]] std::string_view TrimControl(std::string_view text);

// Whether an expression text is one self-contained term: a text that keeps
// its meaning wherever it is inserted. That is one number, one name, one
// function call NAME(...), one reference {NAME}, or a text wholly enclosed in
// one pair of parentheses. A text with an operator outside parentheses
// (a leading sign included) is not: inserted into X*{G}, the text 1+T gives
// X*1+T. Blanks and line breaks are ignored, as the assembly removes them.
[[nodiscard]] bool IsSelfContainedTerm(std::string_view text);

// The warning about a stability parameter piece whose expression is not one
// self-contained term (IsSelfContainedTerm): names the parameter, the piece
// by its temperature range, and the expression (cut to a readable length).
[[nodiscard]] std::string StabilityTermWarning(std::string_view designation, double tmin,
                                               double tmax, std::string_view expression);

// Reads a decimal number, the first comma counting as the decimal point. A
// text that is not wholly a number shows "Invalid number: " + text as a plain
// message and gives the value of the number it begins with (0 if none).
double ParseNumber(std::string_view text, Dialogs& dialogs);

// Splits text at every occurrence of a dividing string. Parts are not
// trimmed; empty parts between dividers are kept, an empty last part is not:
// "A++B" gives A, "", B; "A+B+" gives A, B; "+A" gives "", A.
class TStrParser {
 public:
  std::string DividingString = "+";
  bool CaseSensitive = false;

  const std::vector<std::string>& Split(std::string_view text);
  [[nodiscard]] const std::vector<std::string>& Parts() const { return parts_; }

 private:
  std::vector<std::string> parts_;
};

}  // namespace binodal
