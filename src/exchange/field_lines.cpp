#include "exchange/field_lines.h"

#include "thermo/text_routines.h"

namespace binodal {

void AppendLine(std::string& out, std::string_view line) {
  out.append(line);
  out.append("\r\n");
}

void AppendFieldLine(std::string& out, std::string_view name, std::string_view value) {
  out.append(name);
  out += kFieldNameEnd;
  out.append(" @");
  out.append(value);
  out += kValueEnd;
  out.append("\r\n");
}

void AppendSectionEnd(std::string& out) { AppendLine(out, ">"); }

std::optional<std::string_view> LineReader::Next() {
  if (AtEnd()) return std::nullopt;
  const std::size_t end = text_.find('\n', position_);
  std::string_view line = text_.substr(position_, end == text_.npos ? text_.npos : end - position_);
  position_ = end == text_.npos ? text_.size() : end + 1;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::optional<std::string> ReadFieldLine(LineReader& reader, bool join) {
  std::optional<std::string_view> first = reader.Next();
  if (!first) return std::nullopt;
  std::string line(*first);
  if (line == ">" || !join) return line;
  while (line.find(kValueEnd) == std::string::npos) {
    std::optional<std::string_view> more = reader.Next();
    if (!more) break;
    line.append("\r\n").append(*more);
  }
  return line;
}

std::optional<NamedValue> SplitFieldLine(std::string_view line) {
  const std::size_t mark = line.find(std::string_view("\x1F ", 2));
  if (mark == std::string_view::npos) return std::nullopt;
  NamedValue field;
  field.name = std::string(TrimControl(line.substr(0, mark)));
  std::string rest(line.substr(mark + 1));
  const std::size_t at = rest.find('@');
  if (at == std::string::npos) return std::nullopt;
  rest.erase(at, 1);
  const std::size_t end = rest.find(kValueEnd);
  if (end == std::string::npos) return std::nullopt;
  rest.erase(end, 1);
  field.value = std::string(TrimControl(rest));
  if (field.name.empty() || field.value.empty()) return std::nullopt;
  return field;
}

}  // namespace binodal
