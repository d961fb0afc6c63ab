// The line format shared by the system exchange file and the stability
// parameters file.
//
// A file is a sequence of sections. A section is a header line ("[SYSTEMS]",
// "  [PHASES]", ...), field lines, and a line ">" that ends it. A field line is
// the field name, the byte 0x1F, a blank, "@", the value, the byte 0x80 and
// CR LF; a value with line breaks continues over several physical lines until
// the 0x80 byte. Bytes are carried as they are.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace binodal {

inline constexpr char kFieldNameEnd = '\x1F';
inline constexpr char kValueEnd = '\x80';

void AppendLine(std::string& out, std::string_view line);  // line + CR LF
void AppendFieldLine(std::string& out, std::string_view name, std::string_view value);
void AppendSectionEnd(std::string& out);

// Reads a text line by line. A line ends at LF; a CR before it is dropped.
// The last line may lack its line end.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  // The next line, or nullopt at the end of the text.
  std::optional<std::string_view> Next();
  [[nodiscard]] bool AtEnd() const { return position_ >= text_.size(); }

 private:
  std::string_view text_;
  std::size_t position_ = 0;
};

// Reads the next field line of a section. nullopt at the end of the text;
// the line ">" (exactly) ends a section. With `join`, a line that holds no
// 0x80 byte is continued by the following lines, joined with CR LF, until the
// joined text holds one or the text ends.
std::optional<std::string> ReadFieldLine(LineReader& reader, bool join);

struct NamedValue {
  std::string name;
  std::string value;
};

// Splits a field line into name and value; nullopt for a line to ignore (no
// 0x1F-blank, "@" or 0x80, or an empty name or value). Name and value are
// trimmed of blanks and control characters; line breaks inside the value stay.
std::optional<NamedValue> SplitFieldLine(std::string_view line);

}  // namespace binodal
