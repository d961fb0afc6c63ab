// The font of phase labels and its settings file "fntLabel.cfg".
//
// The file is text, one item per line, every line ending in CR LF:
//   1   the font name
//   2   the size in points, a decimal integer
//   3   the colour: its name from ColorNames() when it has one, else "$" and
//       eight hexadecimal digits of the 32-bit value (0xBBGGRR; values from
//       0x80000000 on name a system colour by the index in their low byte)
//   4.. one line per style of the font, in the order fsBold, fsItalic,
//       fsUnderline
// Reading also accepts a colour as a number ("$" or "0x" hexadecimal, or
// decimal). Pure functions, no Qt.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/color.h"

namespace binodal {

inline constexpr std::string_view kLabelFontFileName = "fntLabel.cfg";

struct LabelFontSettings {
  std::string Name;
  int Size = 8;  // points
  TColor Color = 0;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool operator==(const LabelFontSettings&) const = default;
};

struct ColorName {
  std::string_view Name;
  TColor Value;
};

// The 52 named colours (clBlack = 0 ... clWindowText = 0x80000008).
[[nodiscard]] std::span<const ColorName> ColorNames();

// The colour's name, or "$" and eight upper-case hexadecimal digits.
[[nodiscard]] std::string ColorToText(TColor color);

// A colour name (letter case ignored) or a number; nothing for any other text.
[[nodiscard]] std::optional<TColor> TextToColor(std::string_view text);

// The file's bytes for `font`.
[[nodiscard]] std::string WriteLabelFont(const LabelFontSettings& font);

// Applies the file's lines to `font` in order: name, size, colour, then each
// line that is exactly "fsBold", "fsItalic" or "fsUnderline" adds that style;
// other lines are ignored. A file of two lines or fewer is ignored whole.
// A size that is not an integer or a colour that is neither a name nor a
// number stops the reading at that line: what came before stays applied,
// nothing after it is, and the returned text says what was wrong (like
// "'abc' is not a valid integer value"). Nothing returned: the file was read.
[[nodiscard]] std::optional<std::string> ReadLabelFont(std::string_view bytes,
                                                       LabelFontSettings& font);

}  // namespace binodal
