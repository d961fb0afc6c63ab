// Text forms of field values, as the table store reads and writes them.
//
// Numbers are written and read independently of the process's C locale; the
// decimal separator is a parameter (the user's). Texts are bytes: UTF-8 in
// practice, but any single-byte text passes through unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace binodal {

// The general format of common/number_format.h (FormatGeneral): the
// shortest text that reads back to the same double,
// rounded half away from zero to at most 15 significant digits, trailing
// zeros dropped (298.15, 0.5, -3, 0). Scientific when the rounded magnitude is
// below 1e-5 or has more than 15 integer digits: capital E, '-' only for a
// negative exponent, no leading zeros (1E-6, 1.5E20). NaN and infinities are
// "NAN", "INF", "-INF".
[[nodiscard]] std::string FloatToText(double value, char decimal_separator = '.');

// Reads [blanks] [sign] digits [separator digits] [(e|E) [sign] digits]
// [blanks], where digits may be missing on one side of the separator but not
// both. Blanks are spaces and tabs. Nothing for any other text and for a value
// beyond the double range.
[[nodiscard]] std::optional<double> TextToFloat(std::string_view text,
                                                char decimal_separator = '.');

// Reads [blanks] [sign] digits [blanks] as an int64; nothing for any other
// text or a value beyond the int64 range.
[[nodiscard]] std::optional<std::int64_t> TextToInteger(std::string_view text);

// The length to keep of `text` so that it has at most `limit` bytes and no
// UTF-8 character is split: when byte `limit` continues a multi-byte sequence
// that starts within the kept part, the cut moves back to that sequence's
// first byte. Bytes that do not form UTF-8 sequences count one each.
[[nodiscard]] std::size_t Utf8CutLength(std::string_view text, std::size_t limit);

}  // namespace binodal
