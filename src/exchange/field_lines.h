// The line format shared by the system exchange file and the stability
// parameters file.
//
// A file is a sequence of sections. A section is a header line ("[SYSTEMS]",
// "  [PHASES]", ...), field lines, and a line ">" that ends it. A field line is
// the field name, the byte 0x1F, a blank, "@", the value, the byte 0x80 and
// CR LF; a value with line breaks continues over several physical lines until
// the 0x80 byte. Values are carried byte for byte: texts are UTF-8, and files
// of older programs hold one-byte text.
//
// Finding a value's end. The byte 0x80 also occurs inside UTF-8 characters
// ("À" is C3 80, "–" is E2 80 93, the Cyrillic "р" D1 80), and a memo value
// holds line breaks, so the end byte is the 0x80 that
//   1. closes its physical line (only blanks may follow it before the line
//      end), and
//   2. is followed by the end of the file, a line ">", a section header or a
//      field line: a line that begins something of its own; and
//   3. is a byte of its own: not the last byte of a valid UTF-8 character
//      that begins on its line.
// A 0x80 that meets 1 and 2 but completes a character (a one-byte text that
// ends in, say, "Ã", followed by the end byte) ends the value too when the
// next line is a field line, a header or the end of the file. When the next
// line is ">", the value goes on (a memo may hold a line ">") to the next
// 0x80 that ends it by these rules; if a field line or a header comes first,
// the value ends at that earlier 0x80.
// A text ending in "À" is thus written C3 80 80 CR LF and read back whole.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace binodal {

inline constexpr char kFieldNameEnd = '\x1F';
inline constexpr char kValueEnd = '\x80';

void AppendLine(std::string& out, std::string_view line);  // line + CR LF
void AppendFieldLine(std::string& out, std::string_view name, std::string_view value);
void AppendSectionEnd(std::string& out);

// A file that does not follow the line format. what() is "line N: ..." with
// the line (from 1) where the fault was found.
class EExchangeFormat : public std::runtime_error {
 public:
  EExchangeFormat(int line, const std::string& what);
  [[nodiscard]] int Line() const { return line_; }

 private:
  int line_;
};

// One field line as read: the name trimmed of blanks and control characters,
// the value exactly as written, and the line on which the field starts.
struct FieldEntry {
  std::string name;
  std::string value;
  int line = 0;
};

// One section: its header as listed in `headers` of ReadSections, the line
// of the header, and its fields in file order.
struct SectionEntry {
  std::string header;
  int line = 0;
  std::vector<FieldEntry> fields;
};

// Reads a whole file of sections, strictly: every line between sections is a
// header out of `headers` (compared after trimming blanks and control
// characters, e.g. "[SYSTEMS]"), every section ends with its ">" line, every
// line in a section is a field line with a non-empty name, every value has
// its end byte. Lines end with CR LF or LF; blank lines may only end the
// file. Throws EExchangeFormat otherwise, among others for a byte-order mark
// and for lines ended by a CR alone. Time is linear in the size of the text.
[[nodiscard]] std::vector<SectionEntry> ReadSections(std::string_view text,
                                                     std::span<const std::string_view> headers);

// True when `value`, written by AppendFieldLine into a section of a file
// with these headers, reads back exactly; false for the rare text that holds
// a line reading as a header or a field line, or a line that ends in a lone
// byte 0x80 before such a line or a line ">".
[[nodiscard]] bool ReadsBackExactly(std::string_view value,
                                    std::span<const std::string_view> headers);

// A text shortened for a message: at most `limit` bytes (never inside a
// UTF-8 character), control characters as "?", and "..." when it was cut.
[[nodiscard]] std::string ShownText(std::string_view text, std::size_t limit = 40);

}  // namespace binodal
