#include "store/field_text.h"

#include <charconv>
#include <string>
#include <system_error>

#include "common/number_format.h"

namespace binodal {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string FloatToText(double value, char decimal_separator) {
  return FormatGeneral(value, decimal_separator);
}

std::optional<double> TextToFloat(std::string_view text, char decimal_separator) {
  text = TrimBlanks(text);
  // Check the grammar and build the same number with '.' for from_chars. The
  // decimal magnitude of the first nonzero digit tells an underflow (which
  // gives 0) from an overflow (which fails).
  std::string normal;
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    if (negative) normal.push_back('-');
    ++i;
  }
  std::size_t mantissa_digits = 0;
  std::optional<long> first_nonzero;  // decimal magnitude before the exponent
  long integer_digits = 0;
  while (i < text.size() && IsDigit(text[i])) {
    if (text[i] != '0' && !first_nonzero) first_nonzero = integer_digits;
    normal.push_back(text[i++]);
    ++mantissa_digits;
    ++integer_digits;
  }
  if (first_nonzero) first_nonzero = integer_digits - 1 - *first_nonzero;
  if (i < text.size() && text[i] == decimal_separator) {
    normal.push_back('.');
    ++i;
    long position = 0;
    while (i < text.size() && IsDigit(text[i])) {
      --position;
      if (text[i] != '0' && !first_nonzero) first_nonzero = position;
      normal.push_back(text[i++]);
      ++mantissa_digits;
    }
  }
  if (mantissa_digits == 0) return std::nullopt;
  long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    normal.push_back('e');
    ++i;
    bool exponent_negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      exponent_negative = text[i] == '-';
      normal.push_back(text[i++]);
    }
    std::size_t exponent_digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
      if (exponent < 1000000) exponent = exponent * 10 + (text[i] - '0');
      normal.push_back(text[i++]);
      ++exponent_digits;
    }
    if (exponent_digits == 0) return std::nullopt;
    if (exponent_negative) exponent = -exponent;
  }
  if (i != text.size()) return std::nullopt;

  double value = 0;
  const char* end = normal.data() + normal.size();
  const auto result = std::from_chars(normal.data(), end, value);
  if (result.ec == std::errc::result_out_of_range && first_nonzero &&
      *first_nonzero + exponent < 0) {
    return negative ? -0.0 : 0.0;
  }
  if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
}

std::optional<std::int64_t> TextToInteger(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
}

std::size_t Utf8CutLength(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  auto is_continuation = [&](std::size_t i) { return (byte(i) & 0xC0) == 0x80; };
  if (!is_continuation(limit)) return limit;
  // Walk back over at most three continuation bytes to the sequence's lead.
  std::size_t start = limit;
  while (start > 0 && limit - start < 3 && is_continuation(start - 1)) --start;
  if (start == 0) return limit;
  const std::size_t lead = start - 1;
  const unsigned char b = byte(lead);
  const std::size_t length = (b & 0xE0) == 0xC0   ? 2
                             : (b & 0xF0) == 0xE0 ? 3
                             : (b & 0xF8) == 0xF0 ? 4
                                                  : 0;
  if (length != 0 && lead + length > limit) return lead;
  return limit;
}

}  // namespace binodal
