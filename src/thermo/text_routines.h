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
