// How a message shows a text that it names (an expression, a file line).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace binodal {

// Texts up to this many bytes are shown whole.
inline constexpr std::size_t kEchoedTextLength = 200;

// The text itself when short; else its first kEchoedTextLength bytes (never
// ending inside a UTF-8 character), "..." and its length, e.g.
// "1-1-1-...-1... (29999 characters)".
[[nodiscard]] inline std::string EchoedText(std::string_view text) {
  if (text.size() <= kEchoedTextLength) return std::string(text);
  std::size_t cut = kEchoedTextLength;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut)) + "... (" + std::to_string(text.size()) + " characters)";
}

}  // namespace binodal
