#include "common/number_format.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <system_error>

namespace binodal {
namespace {

// A non-negative decimal number 0.<digits> x 10^point. `digits` has no leading
// or trailing zeros; zero has no digits at all.
struct Decimal {
  std::string digits;
  int point = 0;

  [[nodiscard]] bool IsZero() const { return digits.empty(); }
  // Digit `index` places after the first digit, '0' beyond the stored ones.
  [[nodiscard]] char DigitAt(int index) const {
    return index >= 0 && index < Size() ? digits[static_cast<size_t>(index)] : '0';
  }
  [[nodiscard]] int Size() const { return static_cast<int>(digits.size()); }

  void DropTrailingZeros() {
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    if (digits.empty()) point = 0;
  }

  // Keeps the first `kept` digits (may be zero or negative), rounding half
  // away from zero.
  void RoundTo(int kept) {
    if (kept >= Size()) return;
    const bool up = kept >= 0 && digits[static_cast<size_t>(kept)] >= '5';
    digits.resize(static_cast<size_t>(std::max(kept, 0)));
    if (up) {
      while (!digits.empty() && digits.back() == '9') digits.pop_back();
      if (digits.empty()) {
        digits = "1";
        point += 1;
        return;
      }
      ++digits.back();
    }
    DropTrailingZeros();
  }
};

// The shortest decimal that reads back as |value| (finite).
Decimal ShortestDecimal(double value) {
  char text[32];
  const auto written =
      std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::scientific);
  // "d[.ddd]e[+-]xx"
  Decimal decimal;
  const char* c = text;
  for (; *c != 'e'; ++c) {
    if (*c != '.') decimal.digits += *c;
  }
  ++c;
  if (*c == '+') ++c;
  int exponent = 0;
  std::from_chars(c, written.ptr, exponent);
  decimal.point = exponent + 1;
  decimal.DropTrailingZeros();
  return decimal;
}

// Writes `decimal` without exponent: at least `min_int` integer digits,
// `max_frac` fraction digits of which trailing zeros beyond `min_frac` are
// dropped. Writes "0" rather than nothing.
void AppendFixed(const Decimal& decimal, int min_int, int min_frac, int max_frac, bool grouping,
                 NumberSeparators separators, std::string& out) {
  std::string integer;
  for (int i = 0; i < decimal.point; ++i) integer += decimal.DigitAt(i);
  if (integer.size() < static_cast<size_t>(min_int)) {
    integer.insert(0, static_cast<size_t>(min_int) - integer.size(), '0');
  }
  std::string fraction;
  for (int i = 0; i < max_frac; ++i) fraction += decimal.DigitAt(decimal.point + i);
  while (fraction.size() > static_cast<size_t>(min_frac) && fraction.back() == '0') {
    fraction.pop_back();
  }
  if (integer.empty() && fraction.empty()) integer = "0";

  for (size_t i = 0; i < integer.size(); ++i) {
    if (grouping && i > 0 && (integer.size() - i) % 3 == 0) out += separators.thousands;
    out += integer[i];
  }
  if (!fraction.empty()) {
    out += separators.decimal;
    out += fraction;
  }
}

void AppendNonFinite(double value, std::string& out) {
  out += std::isnan(value) ? "NAN" : value < 0 ? "-INF" : "INF";
}

struct Pattern {
  std::string prefix;  // literals before the number
  std::string infix;   // literals between mantissa and exponent
  std::string suffix;  // literals after the number
  int min_int = 0;
  bool grouping = false;
  int min_frac = 0;
  int max_frac = 0;
  bool scientific = false;
  char exponent_letter = 'e';
  bool exponent_plus = false;
  int min_exponent_digits = 0;
};

[[noreturn]] void ThrowBadPattern(std::string_view pattern) {
  throw std::invalid_argument("Invalid number format \"" + std::string(pattern) + "\"");
}

Pattern ParsePattern(std::string_view text) {
  Pattern pattern;
  size_t i = 0;
  const auto at = [&](char c) { return i < text.size() && text[i] == c; };
  const auto literals = [&](std::string& out) {
    while (i < text.size() &&
           std::string_view("0#.,eE+-").find(text[i]) == std::string_view::npos) {
      out += text[i++];
    }
  };

  literals(pattern.prefix);
  bool has_digit = false;
  for (; at('0') || at('#') || at(','); ++i) {
    if (text[i] == '0') ++pattern.min_int;
    if (text[i] == ',') pattern.grouping = true;
    if (text[i] != ',') has_digit = true;
  }
  if (!has_digit) ThrowBadPattern(text);
  if (at('.')) {
    ++i;
    for (; at('0'); ++i) ++pattern.min_frac;
    pattern.max_frac = pattern.min_frac;
    for (; at('#'); ++i) ++pattern.max_frac;
  }
  std::string after_number;
  literals(after_number);
  if (at('e') || at('E')) {
    pattern.scientific = true;
    pattern.exponent_letter = text[i++];
    if (!at('-') && !at('+')) ThrowBadPattern(text);
    pattern.exponent_plus = text[i++] == '+';
    for (; at('0'); ++i) ++pattern.min_exponent_digits;
    if (pattern.min_exponent_digits == 0) ThrowBadPattern(text);
    pattern.infix = std::move(after_number);
    literals(pattern.suffix);
  } else {
    pattern.suffix = std::move(after_number);
  }
  if (i != text.size()) ThrowBadPattern(text);
  return pattern;
}

}  // namespace

std::string FormatFloat(std::string_view pattern_text, double value, NumberSeparators separators) {
  const Pattern pattern = ParsePattern(pattern_text);
  std::string out = pattern.prefix;
  if (!std::isfinite(value)) {
    AppendNonFinite(value, out);
    return out + pattern.suffix;
  }
  Decimal decimal = ShortestDecimal(value);
  if (pattern.scientific) {
    decimal.RoundTo(1 + pattern.max_frac);
  } else {
    decimal.RoundTo(decimal.point + pattern.max_frac);
  }
  if (value < 0 && !decimal.IsZero()) out += '-';
  if (!pattern.scientific) {
    AppendFixed(decimal, pattern.min_int, pattern.min_frac, pattern.max_frac, pattern.grouping,
                separators, out);
    return out + pattern.suffix;
  }

  const int exponent = decimal.IsZero() ? 0 : decimal.point - 1;
  Decimal mantissa = decimal;
  mantissa.point = 1;
  AppendFixed(mantissa, 1, pattern.min_frac, pattern.max_frac, false, separators, out);
  out += pattern.infix;
  out += pattern.exponent_letter;
  if (exponent < 0) {
    out += '-';
  } else if (pattern.exponent_plus) {
    out += '+';
  }
  const std::string digits = std::to_string(std::abs(exponent));
  if (digits.size() < static_cast<size_t>(pattern.min_exponent_digits)) {
    out.append(static_cast<size_t>(pattern.min_exponent_digits) - digits.size(), '0');
  }
  out += digits;
  return out + pattern.suffix;
}

std::string FormatGeneral(double value, char decimal_separator) {
  constexpr int kSignificantDigits = 15;
  std::string out;
  if (!std::isfinite(value)) {
    AppendNonFinite(value, out);
    return out;
  }
  Decimal decimal = ShortestDecimal(value);
  decimal.RoundTo(kSignificantDigits);
  if (decimal.IsZero()) return "0";
  if (value < 0) out += '-';
  const NumberSeparators separators{decimal_separator, ','};
  // point <= -5: below 1e-5; point > 15: more than 15 integer digits.
  if (decimal.point > -5 && decimal.point <= kSignificantDigits) {
    AppendFixed(decimal, 1, 0, std::max(decimal.Size() - decimal.point, 0), false, separators, out);
    return out;
  }
  Decimal mantissa = decimal;
  mantissa.point = 1;
  AppendFixed(mantissa, 1, 0, mantissa.Size() - 1, false, separators, out);
  out += 'E';
  out += std::to_string(decimal.point - 1);
  return out;
}

DecimalReading ReadDecimal(std::string_view text) {
  size_t i = 0;
  const auto digit = [&] { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;

  // The number rewritten for std::from_chars: '-' only, '.' as the point.
  std::string number;
  const bool negative = i < text.size() && text[i] == '-';
  if (negative || (i < text.size() && text[i] == '+')) ++i;
  if (negative) number += '-';
  std::string mantissa;  // all mantissa digits
  for (; digit(); ++i) mantissa += text[i];
  const int integer_digits = static_cast<int>(mantissa.size());
  number += mantissa;
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    ++i;
    number += '.';
    for (; digit(); ++i) {
      mantissa += text[i];
      number += text[i];
    }
  }
  if (mantissa.empty()) return {};

  // The exponent counts only with at least one digit; its value is kept just
  // far enough to tell an overflow from an underflow.
  int exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    const bool exponent_negative = j < text.size() && text[j] == '-';
    if (exponent_negative || (j < text.size() && text[j] == '+')) ++j;
    if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
      number += exponent_negative ? "e-" : "e";
      for (i = j; digit(); ++i) {
        number += text[i];
        exponent = std::min(exponent * 10 + (text[i] - '0'), 1'000'000);
      }
      if (exponent_negative) exponent = -exponent;
    }
  }

  DecimalReading reading;
  reading.ok = i == text.size();
  const auto result = std::from_chars(number.data(), number.data() + number.size(), reading.value);
  if (result.ec == std::errc::result_out_of_range) {
    // Magnitude is 0.<significant digits> x 10^scale: at least 1 means an
    // overflow, below that an underflow.
    const size_t first = mantissa.find_first_not_of('0');
    if (first == std::string::npos) return {0.0, reading.ok};
    const int scale = integer_digits - static_cast<int>(first) + exponent;
    if (scale > 0) return {};
    reading.value = negative ? -0.0 : 0.0;
  }
  return reading;
}

NumberSeparators LocaleSeparators() {
  NumberSeparators separators;
  char decimal = 0;
  char thousands = 0;
  if (locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0))) {
    const auto single_ascii = [](const char* text) -> char {
      const bool ascii =
          text != nullptr && text[0] != 0 && static_cast<unsigned char>(text[0]) < 0x80;
      return ascii && text[1] == 0 ? text[0] : 0;
    };
    decimal = single_ascii(nl_langinfo_l(RADIXCHAR, locale));
    thousands = single_ascii(nl_langinfo_l(THOUSEP, locale));
    freelocale(locale);
  }
  if (decimal != 0) separators.decimal = decimal;
  if (thousands != 0 && thousands != separators.decimal) {
    separators.thousands = thousands;
  } else {
    separators.thousands = separators.decimal == '.' ? ',' : '.';
  }
  return separators;
}

}  // namespace binodal
