#include "calc/setting_lines.h"

#include <vector>

#include "thermo/text_routines.h"

namespace binodal {
namespace {

std::string AsciiUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return upper;
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
  return lines;
}

}  // namespace

SettingLines ReadSettingLines(std::string_view designations, Dialogs& dialogs) {
  SettingLines settings;
  for (std::string line : Lines(designations)) {
    line = std::string(TrimControl(line));
    if (const std::size_t comment = line.find('%'); comment != std::string::npos) {
      line.erase(comment);
    }
    const std::size_t equals = line.find('=');
    if (line.empty() || equals == std::string::npos) continue;
    line = RemoveControlChars(line.substr(0, equals)) + line.substr(equals);
    const std::string key = AsciiUpper(line);
    if (key.find("#XCAP=") != std::string::npos) {
      settings.XCaption = line.substr(6);
      continue;
    }
    if (key.find("#YCAP=") != std::string::npos) {
      settings.YCaption = line.substr(6);
      continue;
    }
    line = RemoveControlChars(line);
    const std::string compact = AsciiUpper(line);
    const auto number = [&](std::size_t skip, double& target) {
      const std::string_view rest = TrimControl(std::string_view(line).substr(skip));
      if (!rest.empty()) target = ParseNumber(rest, dialogs);
    };
    if (compact.find("#XMIN=") != std::string::npos) {
      number(6, settings.Xmin);
    } else if (compact.find("#XMAX=") != std::string::npos) {
      number(6, settings.Xmax);
    } else if (compact.starts_with("P=")) {
      number(2, settings.P);
    } else if (compact.starts_with("T=")) {
      number(2, settings.T);
    }
  }
  return settings;
}

}  // namespace binodal
