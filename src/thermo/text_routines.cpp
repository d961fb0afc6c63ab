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
