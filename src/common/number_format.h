// Numbers as the user reads and writes them.
//
// FormatFloat writes a value through a fixed pattern ("0.####", "#,##0.##",
// "0.####e-00"), FormatGeneral in the general format (up to 15 significant
// digits). Both start from the shortest decimal text that reads back to the
// same double and round it half away from zero; NaN and infinities are written
// "NAN", "INF" and "-INF", and a value that rounds to zero never gets a '-'.
// ReadDecimal reads a number typed with '.' or ',' as the decimal point.
// LocaleSeparators reports the separators of the user's environment.
#pragma once

#include <string>
#include <string_view>

namespace binodal {

struct NumberSeparators {
  char decimal = '.';
  char thousands = ',';
};

// Writes `value` through `pattern`:
//   [literals] integer [. fraction] [[literals] exponent] [literals]
// integer   '#', '0' and ',': at least one '#' or '0'. At least as many digits
//           as there are '0's are written; any ',' turns thousands grouping on.
// fraction  '0's, then '#'s: the '0' digits are always written, the '#' digits
//           only when not trailing zeros. The separator goes when no fraction
//           digit is left.
// exponent  'e' or 'E', then '-' (sign for negative exponents only) or '+'
//           (sign always), then '0's: the minimum number of exponent digits.
//           The mantissa then has exactly one integer digit.
// literals  any characters other than "0#.,eE+-", copied where they stand.
// The sign goes directly before the first digit. Throws std::invalid_argument
// for any other pattern.
[[nodiscard]] std::string FormatFloat(std::string_view pattern, double value,
                                      NumberSeparators separators = {});

// General format: up to 15 significant digits, trailing zeros dropped
// (298.15, 0.5, -3). Scientific when the rounded magnitude is below 1e-5 or
// has more than 15 integer digits: capital E, '-' only for negative exponents,
// no leading zeros (1E-6, 1.5E20). Zero is "0".
[[nodiscard]] std::string FormatGeneral(double value, char decimal_separator = '.');

struct DecimalReading {
  double value = 0;  // value of the longest leading number, 0 if none
  bool ok = false;   // the whole text is one number
};

// Reads [blanks] [sign] digits [('.' | ',') digits] [(e|E) [sign] digits], with
// at least one mantissa digit; blanks are spaces and tabs. Both '.' and ','
// are decimal points, but only one of them counts. A number beyond the double
// range gives value 0 and not ok; an underflow gives 0 or a denormal and is ok.
[[nodiscard]] DecimalReading ReadDecimal(std::string_view text);

// The decimal and thousands separators of the user's environment (LC_ALL,
// then LC_NUMERIC, then LANG), read without touching the process's locale.
// A separator that is not a single ASCII character does not count: the decimal
// separator is then '.', the thousands separator ',' after a '.' decimal
// separator and '.' otherwise (also when it would equal the decimal one).
[[nodiscard]] NumberSeparators LocaleSeparators();

}  // namespace binodal
