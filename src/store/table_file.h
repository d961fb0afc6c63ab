// The layout of one table file ("*.d"): a table image read from bytes and
// written back to bytes.
//
// A table file describes its own fields and holds every record of the table;
// docs/table-file-format.md gives its grammar. The functions here are pure:
// they work on memory images, never on the file system, and keep no state, so
// they may be called from any thread.
//
// Values in memory: integer kinds as std::int64_t, double kinds as double,
// booleans as bool, texts, memos and binary data as std::string (bytes, no
// terminator). std::monostate is a field without a value; reading treats it as
// 0, false or the empty text. A field whose value is 0, 0.0, false or empty is
// not stored in the file, and reading gives it no value (std::monostate).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace binodal {

// The kinds of field a table file can describe, with their type character.
enum class FieldKind : std::uint8_t {
  kSmallInt,       // 'l'  int16
  kInteger,        // 'i'  int32
  kLargeInt,       // 'e'  int64
  kBoolean,        // 'b'  int16, nonzero for true
  kFloat,          // 'f'  double
  kCurrency,       // 'c'  double
  kDate,           // 'd'  int32 day number
  kTime,           // 'v'  int32 milliseconds since midnight
  kDateTime,       // 't'  double: days and fraction of a day
  kAutoInc,        // 'a'  int32
  kShortText,      // '1'..'9', 'A'..'Z': text of at most 1..35 bytes
  kString,         // 's'  text with its maximum length in digits
  kMemo,           // 'm'
  kFormattedMemo,  // 'r'
  kBlob,           // 'o'
  kGraphic,        // 'g'
};

// How a field's value is held in memory.
enum class ValueKind : std::uint8_t { kInteger, kFloat, kBoolean, kText };

inline constexpr std::int32_t kMaxShortTextLength = 35;
inline constexpr std::int32_t kDefaultStringLength = 100;   // "s" without digits
inline constexpr std::int32_t kMaxStringLength = 8191;      // longest "s" value
inline constexpr std::int32_t kMaxBlobLength = 1073741823;  // longest memo or binary value
inline constexpr std::int32_t kMaxDescriptionLength = 99999;
inline constexpr std::int32_t kMaxNotesLength = 32767;

// The kind of a type character, or nothing for a character that is no type.
[[nodiscard]] std::optional<FieldKind> FieldKindOf(char type);
[[nodiscard]] ValueKind ValueKindOf(FieldKind kind);
// Bytes of a fixed-size kind (2, 4 or 8); 0 for text, memo and binary kinds.
[[nodiscard]] int FixedSizeOf(FieldKind kind);
// The maximum length of a short text type character ('1'..'9', 'A'..'Z'): 1..35;
// 0 for any other character.
[[nodiscard]] int ShortTextLength(char type);

// One field description.
struct FieldDef {
  std::string alias;  // text before the first full stop; written "XXX" when empty
  std::string name;   // as in the file: blanks are written, and read back, as '_'
  char type = 'i';    // type character
  // Short text: the type character's length (1..35); "s": its maximum length
  // (100 when the file gives no digits); every other kind: 0.
  std::int32_t max_length = 0;
  std::optional<std::string> default_value;  // given to the field of every new record
  std::optional<std::string> further_text;   // kept and written back unchanged

  // The kind of `type`; throws std::invalid_argument for a character that is no type.
  [[nodiscard]] FieldKind Kind() const;

  bool operator==(const FieldDef&) const = default;
};

// A field description as the store creates it: alias "XXX"; a text kind
// (kShortText or kString) takes the short form up to 35 bytes and "s" with its
// length above. Throws std::invalid_argument for a text length below 1 or
// above kMaxStringLength.
[[nodiscard]] FieldDef MakeField(std::string name, FieldKind kind, std::int32_t max_length = 0);

using FieldValue = std::variant<std::monostate, std::int64_t, double, bool, std::string>;
using Record = std::vector<FieldValue>;  // one value per field, in field order

struct TableImage {
  char kind = 'S';  // an image read is always 'S'; only 'S' is written
  std::vector<FieldDef> fields;
  std::optional<std::string> notes;  // the table's notes, at most kMaxNotesLength bytes
  std::vector<Record> records;

  bool operator==(const TableImage&) const = default;
};

// A malformed table file. what() is the message of the layout (for example
// "Unexpected end of buffer"), without any prefix.
class ETableFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a whole table file. Throws ETableFormatError for anything that does
// not follow the layout: for a kind "E" file the message is the file's error
// text, and kind "P" (password-protected) files are always refused. Every
// count and length is checked against the bytes that remain before anything
// is allocated for it, so time and memory grow linearly with bytes.size()
// (each record costs at least one byte per field).
[[nodiscard]] TableImage ReadTableImage(std::span<const unsigned char> bytes);

// A table file read without decoding its records: its descriptions and
// notes, and where each record starts in the bytes read. Every record has been
// checked as ReadTableImage checks it, so RecordValue can decode it later from
// the same bytes. Memory: 4 bytes per record besides the descriptions.
struct TableLayout {
  std::vector<FieldDef> fields;
  std::optional<std::string> notes;
  std::vector<std::uint32_t> records;  // offset of each record's first count byte
};

// Reads a whole table file, failing as ReadTableImage does; a file of more
// than 2^31-1 bytes (the most its total length can say) is "Buffer structure
// corruption!".
[[nodiscard]] TableLayout ReadTableLayout(std::span<const unsigned char> bytes);

// The value of field `field` of a record in the layout of a table file,
// starting at `record`: one that ReadTableLayout checked, or that AppendRecord
// wrote. `kinds` are the kinds of all fields of the table. Values equal to 0,
// 0.0, false or the empty text come back as no value.
[[nodiscard]] FieldValue RecordValue(const unsigned char* record, std::span<const FieldKind> kinds,
                                     std::size_t field);
// All values of such a record.
[[nodiscard]] Record DecodeRecord(const unsigned char* record, std::span<const FieldKind> kinds);

// Appends `record` in the layout of a table file (count bytes, then values),
// as WriteTableImage writes it. Throws std::invalid_argument as
// WriteTableImage does; `record_no` (from 1) is named in the message. With
// `keep_zero_values` (for records held in memory, never for a file) a value
// equal to 0, 0.0, false or the empty text is kept as that value, with a count
// byte no file holds, and RecordValue gives it back as it was.
void AppendRecord(std::string* out, std::span<const FieldDef> fields,
                  std::span<const FieldKind> kinds, const Record& record, std::size_t record_no,
                  bool keep_zero_values = false);

// Writes a table file record by record, as WriteTable does, for records that
// are not all in memory at once as Records.
class TableFileWriter {
 public:
  // Throws std::invalid_argument as WriteTable does for the descriptions and notes.
  TableFileWriter(std::span<const FieldDef> fields, const std::optional<std::string>& notes);
  // Throws std::invalid_argument for a record WriteTable refuses.
  void Add(const Record& record);
  // The file's bytes; std::length_error beyond 2^31-1 bytes or records.
  [[nodiscard]] std::string Finish() &&;

 private:
  std::span<const FieldDef> fields_;
  std::vector<FieldKind> kinds_;
  std::string out_;
  std::size_t count_ = 0;
};

// Throws std::invalid_argument unless every description can be written and
// read back as it is: a valid type, an "s" length of at least 1, a non-empty
// name, no 0x12 byte anywhere, no '.' or '~' in the alias, no '~' in the
// default, no '~' in a further text that has no default; and the descriptions
// together within kMaxDescriptionLength bytes.
void CheckFieldDefs(std::span<const FieldDef> fields);

// The bytes of a table file (kind "S") holding the image. Throws
// std::invalid_argument when the image cannot be written as it is: a field
// description refused by CheckFieldDefs, a kind other than 'S', notes longer
// than kMaxNotesLength, a record with the wrong number of values, a value of
// the wrong kind or out of its field's range, a text longer than its field can
// store; std::length_error when the file would exceed 2^31-1 bytes.
[[nodiscard]] std::string WriteTableImage(const TableImage& image);

// As WriteTableImage, for records held elsewhere: writes *records[0],
// *records[1], ... in this order.
[[nodiscard]] std::string WriteTable(std::span<const FieldDef> fields,
                                     const std::optional<std::string>& notes,
                                     std::span<const Record* const> records);

}  // namespace binodal
