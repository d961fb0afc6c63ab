#include "exchange/field_lines.h"

#include "store/field_text.h"
#include "thermo/text_routines.h"

namespace binodal {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

unsigned char Byte(std::string_view text, std::size_t i) {
  return static_cast<unsigned char>(text[i]);
}

// The length of the valid UTF-8 character that begins at `i`, or 1 for an
// ASCII byte and for a byte that begins no valid character.
std::size_t CharacterLength(std::string_view text, std::size_t i) {
  const unsigned char lead = Byte(text, i);
  std::size_t length = 1;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 1;
  }
  if (i + length > text.size()) return 1;
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char b = Byte(text, i + k);
    if (k == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) return 1;
  }
  return length;
}

// True when the byte at `end` is not part of a valid UTF-8 character that
// begins at or after `from` (the start of its line or of its value).
bool StandsAlone(std::string_view text, std::size_t from, std::size_t end) {
  std::size_t i = from;
  while (i < end) {
    const std::size_t length = CharacterLength(text, i);
    if (i + length > end) return false;
    i += length;
  }
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool OnlyWhiteSpaceFrom(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (Byte(text, i) > 32) return false;
  }
  return true;
}

// A physical line: its content [begin, end) without the line end, and where
// the next line begins (text.size() after the last line).
struct PhysicalLine {
  std::size_t begin = 0, end = 0, next = 0;
};

PhysicalLine LineAt(std::string_view text, std::size_t begin) {
  const std::size_t lf = text.find('\n', begin);
  PhysicalLine line{begin, lf == text.npos ? text.size() : lf,
                    lf == text.npos ? text.size() : lf + 1};
  if (lf != text.npos && line.end > begin && text[line.end - 1] == '\r') --line.end;
  return line;
}

std::string_view Content(std::string_view text, const PhysicalLine& line) {
  return text.substr(line.begin, line.end - line.begin);
}

// The position of the 0x1F-blank-"@" that follows a field's name, or npos
// when the line is no field line.
std::size_t FieldMark(std::string_view line) {
  const std::size_t mark = line.find("\x1F @");
  if (mark == std::string_view::npos || TrimControl(line.substr(0, mark)).empty()) {
    return std::string_view::npos;
  }
  return mark;
}

class SectionReader {
 public:
  SectionReader(std::string_view text, std::span<const std::string_view> headers)
      : text_(text), headers_(headers) {}

  std::vector<SectionEntry> Read() {
    if (text_.starts_with(kByteOrderMark)) {
      throw EExchangeFormat(1,
                            "the file starts with a byte-order mark (EF BB BF); exchange "
                            "files are written without one");
    }
    std::vector<SectionEntry> sections;
    while (position_ < text_.size()) {
      const PhysicalLine physical = LineAt(text_, position_);
      const std::string_view content = Content(text_, physical);
      const std::string_view trimmed = TrimControl(content);
      const std::string_view* header = Header(trimmed);
      if (header == nullptr) {
        if (trimmed.empty() && OnlyWhiteSpaceFrom(text_, position_)) break;
        CheckLineEnds(content);
        if (trimmed.empty()) {
          throw EExchangeFormat(line_,
                                "a blank line between sections; expected a section "
                                "header such as " +
                                    std::string(headers_.front()));
        }
        throw EExchangeFormat(line_, "expected a section header such as " +
                                         std::string(headers_.front()) + ", found '" +
                                         ShownText(content) + "'");
      }
      SectionEntry section{std::string(*header), line_, {}};
      Advance(physical);
      ReadFields(section);
      sections.push_back(std::move(section));
    }
    return sections;
  }

 private:
  const std::string_view* Header(std::string_view trimmed) const {
    for (const std::string_view& header : headers_) {
      if (trimmed == header) return &header;
    }
    return nullptr;
  }

  void Advance(const PhysicalLine& physical) {
    position_ = physical.next;
    ++line_;
  }

  // A carriage return inside a line that should be a header, a ">" or a field
  // name: the file's lines end with CR alone.
  void CheckLineEnds(std::string_view content) const { CheckLineEnds(content, line_); }
  static void CheckLineEnds(std::string_view content, int line) {
    if (content.find('\r') != std::string_view::npos) {
      throw EExchangeFormat(line,
                            "a carriage return without a line feed; lines must end "
                            "with CR LF");
    }
  }

  void ReadFields(SectionEntry& section) {
    const auto where = [&] {
      return "the " + section.header + " section of line " + std::to_string(section.line);
    };
    while (true) {
      if (position_ >= text_.size()) {
        throw EExchangeFormat(line_, "the file ends inside " + where() + ": no line '>' ends it");
      }
      const PhysicalLine physical = LineAt(text_, position_);
      const std::string_view content = Content(text_, physical);
      if (content == ">") {
        Advance(physical);
        return;
      }
      const std::size_t mark = FieldMark(content);
      if (mark == std::string_view::npos) {
        CheckLineEnds(content);
        if (!content.empty() && content.find(kFieldNameEnd) == 0) {
          throw EExchangeFormat(line_, "a field line without a field name");
        }
        throw EExchangeFormat(line_,
                              "expected a field line (name, byte 1F, blank, @, value, "
                              "byte 80) or a line '>' ending " +
                                  where() + ", found '" + ShownText(content) + "'");
      }
      CheckLineEnds(content.substr(0, mark));
      FieldEntry field{std::string(TrimControl(content.substr(0, mark))), {}, line_};
      ReadValue(physical.begin + mark + 3, field);
      section.fields.push_back(std::move(field));
    }
  }

  // What the line that begins at `begin` starts.
  enum class Next { kEnd, kSectionEnd, kHeader, kField, kOther };
  Next Classify(std::size_t begin) const {
    if (OnlyWhiteSpaceFrom(text_, begin)) return Next::kEnd;
    const std::string_view content = Content(text_, LineAt(text_, begin));
    if (TrimControl(content) == ">") return Next::kSectionEnd;  // "> " is refused later
    if (Header(TrimControl(content)) != nullptr) return Next::kHeader;
    if (FieldMark(content) != std::string_view::npos) return Next::kField;
    return Next::kOther;
  }

  // Reads the value that begins at `begin` (see the header for the rules) and
  // moves past its last line.
  void ReadValue(std::size_t begin, FieldEntry& field) {
    struct End {
      std::size_t at = std::string_view::npos;  // the end byte
      std::size_t next = 0;                     // the line after it
      int lines = 0;                            // lines taken by the value
    };
    End fallback;
    std::size_t from = begin;  // where the current line's text of the value begins
    for (int lines = 1;; ++lines) {
      const PhysicalLine physical = LineAt(text_, from);
      if (lines > 1) {
        // A field line or a header cannot be part of a value.
        const std::string_view content = Content(text_, physical);
        if (FieldMark(content) != std::string_view::npos ||
            Header(TrimControl(content)) != nullptr) {
          break;
        }
      }
      std::size_t last = physical.end;
      while (last > from && IsBlank(text_[last - 1])) --last;
      if (last > from && text_[last - 1] == kValueEnd) {
        const std::size_t at = last - 1;
        const Next next = Classify(physical.next);
        if (next != Next::kOther) {
          if (StandsAlone(text_, from, at) || next != Next::kSectionEnd) {
            Finish(field, begin, End{at, physical.next, lines});
            return;
          }
          if (fallback.at == std::string_view::npos) fallback = End{at, physical.next, lines};
        }
      }
      if (physical.next >= text_.size()) break;
      from = physical.next;
    }
    if (fallback.at == std::string_view::npos) {
      const PhysicalLine first = LineAt(text_, begin);
      CheckLineEnds(Content(text_, first), field.line);
      throw EExchangeFormat(field.line, "the value of field '" + ShownText(field.name) +
                                            "' has no end byte 80 at the end of a line");
    }
    Finish(field, begin, fallback);
  }

  template <typename End>
  void Finish(FieldEntry& field, std::size_t begin, const End& end) {
    field.value = std::string(text_.substr(begin, end.at - begin));
    position_ = end.next;
    line_ += end.lines;
  }

  std::string_view text_;
  std::span<const std::string_view> headers_;
  std::size_t position_ = 0;
  int line_ = 1;
};

}  // namespace

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

EExchangeFormat::EExchangeFormat(int line, const std::string& what)
    : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}

std::vector<SectionEntry> ReadSections(std::string_view text,
                                       std::span<const std::string_view> headers) {
  return SectionReader(text, headers).Read();
}

bool ReadsBackExactly(std::string_view value, std::span<const std::string_view> headers) {
  // The value is followed by a field line or by the section's end.
  for (const std::string_view after :
       {std::string_view("B\x1F @\x80\r\n>\r\n"), std::string_view(">\r\n")}) {
    std::string file;
    AppendLine(file, headers.front());
    AppendFieldLine(file, "A", value);
    file.append(after);
    try {
      const std::vector<SectionEntry> sections = ReadSections(file, headers);
      if (sections.size() != 1 || sections[0].fields.empty() ||
          sections[0].fields[0].value != value) {
        return false;
      }
    } catch (const EExchangeFormat&) {
      return false;
    }
  }
  return true;
}

std::string ShownText(std::string_view text, std::size_t limit) {
  const std::size_t keep = Utf8CutLength(text, limit);
  std::string shown(text.substr(0, keep));
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 32) c = '?';
  }
  if (keep < text.size()) shown += "...";
  return shown;
}

}  // namespace binodal
