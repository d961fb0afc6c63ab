#include "results/label_font_file.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>

#include "results/phase_diagram.h"

namespace binodal {
namespace {

constexpr std::array<ColorName, 52> kColorNames = {{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clActiveBorder", 0x8000000A},
    {"clActiveCaption", 0x80000002},
    {"clAppWorkSpace", 0x8000000C},
    {"clBackground", 0x80000001},
    {"clBtnFace", 0x8000000F},
    {"clBtnHighlight", 0x80000014},
    {"clBtnShadow", 0x80000010},
    {"clBtnText", 0x80000012},
    {"clCaptionText", 0x80000009},
    {"clDefault", 0x20000000},
    {"clGradientActiveCaption", 0x8000001B},
    {"clGradientInactiveCaption", 0x8000001C},
    {"clGrayText", 0x80000011},
    {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E},
    {"clHotLight", 0x8000001A},
    {"clInactiveBorder", 0x8000000B},
    {"clInactiveCaption", 0x80000003},
    {"clInactiveCaptionText", 0x80000013},
    {"clInfoBk", 0x80000018},
    {"clInfoText", 0x80000017},
    {"clMenu", 0x80000004},
    {"clMenuBar", 0x8000001E},
    {"clMenuHighlight", 0x8000001D},
    {"clMenuText", 0x80000007},
    {"clNone", 0x1FFFFFFF},
    {"clScrollBar", 0x80000000},
    {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},
    {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},
    {"clWindowText", 0x80000008},
}};

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char ch) {
      return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// An integer as a settings file writes it: optional sign, then decimal digits,
// or "$" / "0x" and hexadecimal digits; the value must fit 32 bits (a
// hexadecimal one may use the sign bit, as colours do).
std::optional<std::int32_t> ParseInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t magnitude = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  const std::uint64_t limit =
      base == 16 ? 0xFFFFFFFFULL : (negative ? 0x80000000ULL : 0x7FFFFFFFULL);
  if (magnitude > limit) return std::nullopt;
  const auto bits = static_cast<std::uint32_t>(magnitude);
  const auto value = static_cast<std::int32_t>(negative ? 0U - bits : bits);
  return value;
}

std::string NotAnInteger(std::string_view text) {
  return "'" + std::string(text) + "' is not a valid integer value";
}

}  // namespace

std::span<const ColorName> ColorNames() { return kColorNames; }

std::string ColorToText(TColor color) {
  for (const ColorName& entry : kColorNames) {
    if (entry.Value == color) return std::string(entry.Name);
  }
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "$%08X", static_cast<unsigned>(color));
  return buffer;
}

std::optional<TColor> TextToColor(std::string_view text) {
  for (const ColorName& entry : kColorNames) {
    if (SameTextIgnoringCase(entry.Name, text)) return entry.Value;
  }
  const std::optional<std::int32_t> number = ParseInteger(text);
  if (!number) return std::nullopt;
  return static_cast<TColor>(*number);
}

std::string WriteLabelFont(const LabelFontSettings& font) {
  std::string bytes;
  const auto line = [&bytes](std::string_view text) {
    bytes += text;
    bytes += "\r\n";
  };
  line(font.Name);
  line(std::to_string(font.Size));
  line(ColorToText(font.Color));
  if (font.Bold) line("fsBold");
  if (font.Italic) line("fsItalic");
  if (font.Underline) line("fsUnderline");
  return bytes;
}

std::optional<std::string> ReadLabelFont(std::string_view bytes, LabelFontSettings& font) {
  const std::vector<std::string> lines = TextLines(bytes);
  if (lines.size() <= 2) return std::nullopt;
  font.Name = lines[0];
  const std::optional<std::int32_t> size = ParseInteger(lines[1]);
  if (!size) return NotAnInteger(lines[1]);
  font.Size = *size;
  const std::optional<TColor> color = TextToColor(lines[2]);
  if (!color) return NotAnInteger(lines[2]);
  font.Color = *color;
  for (std::size_t i = 3; i < lines.size(); ++i) {
    if (lines[i] == "fsBold") font.Bold = true;
    if (lines[i] == "fsItalic") font.Italic = true;
    if (lines[i] == "fsUnderline") font.Underline = true;
  }
  return std::nullopt;
}

}  // namespace binodal
