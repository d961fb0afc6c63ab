#include "store/table_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

#include "store/coding.h"

namespace binodal {
namespace {

constexpr char kKindPlain = 'S';
constexpr char kKindPassword = 'P';
constexpr char kKindError = 'E';
constexpr char kEntryEnd = '\x12';
constexpr char kDescriptionsEnd = '\x14';
constexpr char kNotesMark = '*';
constexpr std::string_view kDefaultAlias = "XXX";
// Set in the count byte of a value that AppendRecord kept although it equals
// 0, 0.0, false or the empty text; no count in a file has it.
constexpr unsigned char kKeptZero = 0x80;
// Total length, kind, record count, field count, description length.
constexpr std::size_t kHeaderSize = 4 + 1 + 4 + 4 + 4;

[[noreturn]] void Fail(std::string message) { throw ETableFormatError(std::move(message)); }
[[noreturn]] void FailCorrupt() { Fail("Buffer structure corruption!"); }
[[noreturn]] void FailDescriptions() {
  Fail("Error in buffer structure (field description section)");
}
[[noreturn]] void FailLength(const char* what, const std::string& field, std::int64_t length,
                             std::size_t record) {
  Fail(std::string(what) + " '" + field + "' has wrong length " + std::to_string(length) +
       " in record " + std::to_string(record));
}

// Sequential reading of a byte image; running past its end fails with the
// layout's message.
class ByteReader {
 public:
  explicit ByteReader(std::span<const unsigned char> bytes) : bytes_(bytes) {}

  [[nodiscard]] std::size_t Remaining() const { return bytes_.size() - pos_; }
  [[nodiscard]] unsigned char Peek() const { return bytes_[pos_]; }

  std::span<const unsigned char> Take(std::size_t n) {
    if (n > Remaining()) Fail("Unexpected end of buffer");
    auto part = bytes_.subspan(pos_, n);
    pos_ += n;
    return part;
  }
  std::string TakeText(std::size_t n) {
    auto part = Take(n);
    return {reinterpret_cast<const char*>(part.data()), part.size()};
  }
  unsigned char Byte() { return Take(1)[0]; }
  std::int16_t Int16() { return DecodeInt16(Take(2).data()); }
  std::int32_t Int32() { return DecodeInt32(Take(4).data()); }

 private:
  std::span<const unsigned char> bytes_;
  std::size_t pos_ = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char ShortTextTypeOf(std::int32_t length) {
  return length <= 9 ? static_cast<char>('0' + length) : static_cast<char>('A' + (length - 10));
}

char TypeCharOf(FieldKind kind) {
  switch (kind) {
    case FieldKind::kSmallInt:
      return 'l';
    case FieldKind::kInteger:
      return 'i';
    case FieldKind::kLargeInt:
      return 'e';
    case FieldKind::kBoolean:
      return 'b';
    case FieldKind::kFloat:
      return 'f';
    case FieldKind::kCurrency:
      return 'c';
    case FieldKind::kDate:
      return 'd';
    case FieldKind::kTime:
      return 'v';
    case FieldKind::kDateTime:
      return 't';
    case FieldKind::kAutoInc:
      return 'a';
    case FieldKind::kString:
      return 's';
    case FieldKind::kMemo:
      return 'm';
    case FieldKind::kFormattedMemo:
      return 'r';
    case FieldKind::kBlob:
      return 'o';
    case FieldKind::kGraphic:
      return 'g';
    case FieldKind::kShortText:
      break;
  }
  return '\0';
}

bool IsBlobKind(FieldKind kind) {
  return kind == FieldKind::kMemo || kind == FieldKind::kFormattedMemo ||
         kind == FieldKind::kBlob || kind == FieldKind::kGraphic;
}

// One field description entry (without its 0x12). The alias is the text
// before the first full stop when that full stop comes before any '~'; the
// name runs from there to the next blank; then the type, an "s" length, and
// optionally "~default~further" or "~further".
FieldDef ParseEntry(std::string_view entry) {
  if (entry.empty()) FailDescriptions();
  FieldDef def;
  std::size_t name_start = 0;
  const std::size_t dot = entry.find('.');
  if (dot != std::string_view::npos && dot < entry.find('~')) {
    def.alias = std::string(entry.substr(0, dot));
    name_start = dot + 1;
  }
  const std::size_t blank = entry.find(' ', name_start);
  if (blank == std::string_view::npos || blank == name_start) FailDescriptions();
  def.name = std::string(entry.substr(name_start, blank - name_start));

  std::string_view type_part = entry.substr(blank + 1);
  if (type_part.empty()) FailDescriptions();
  def.type = type_part[0];
  const std::optional<FieldKind> kind = FieldKindOf(def.type);
  if (!kind) FailDescriptions();
  type_part.remove_prefix(1);
  if (*kind == FieldKind::kShortText) {
    def.max_length = ShortTextLength(def.type);
  } else if (*kind == FieldKind::kString) {
    std::size_t digits = 0;
    std::int64_t length = 0;
    while (digits < type_part.size() && IsDigit(type_part[digits])) {
      length = length * 10 + (type_part[digits] - '0');
      if (length > std::numeric_limits<std::int32_t>::max()) FailDescriptions();
      ++digits;
    }
    if (digits == 0) length = kDefaultStringLength;
    if (length < 1) FailDescriptions();
    def.max_length = static_cast<std::int32_t>(length);
    type_part.remove_prefix(digits);
  }
  if (!type_part.empty()) {
    if (type_part[0] != '~') FailDescriptions();
    type_part.remove_prefix(1);
    const std::size_t tilde = type_part.find('~');
    if (tilde == std::string_view::npos) {
      def.further_text = std::string(type_part);
    } else {
      def.default_value = std::string(type_part.substr(0, tilde));
      def.further_text = std::string(type_part.substr(tilde + 1));
    }
  }
  return def;
}

std::vector<FieldDef> ParseDescriptions(std::span<const unsigned char> section,
                                        std::int32_t field_count) {
  const std::string_view text(reinterpret_cast<const char*>(section.data()), section.size());
  std::vector<FieldDef> fields;
  std::size_t pos = 0;
  for (std::int32_t i = 0; i < field_count; ++i) {
    const std::size_t end = text.find(kEntryEnd, pos);
    if (end == std::string_view::npos) FailDescriptions();
    fields.push_back(ParseEntry(text.substr(pos, end - pos)));
    pos = end + 1;
  }
  return fields;
}

// Checks the value of a field whose count byte is `count` (not 0) and steps
// over it.
void CheckValue(ByteReader& in, const FieldDef& def, FieldKind kind, unsigned count,
                std::size_t record_no) {
  if (kind == FieldKind::kShortText) {
    if (count > static_cast<unsigned>(def.max_length)) {
      FailLength("Field", def.name, count, record_no);
    }
    in.Take(count);
    return;
  }
  if (kind == FieldKind::kString || IsBlobKind(kind)) {
    const char* what = kind == FieldKind::kString ? "String field" : "BLOB field";
    const std::int32_t limit = kind == FieldKind::kString ? kMaxStringLength : kMaxBlobLength;
    if (count != 4) FailLength(what, def.name, count, record_no);
    const std::int32_t n = in.Int32();
    if (n < 0 || n > limit) FailLength(what, def.name, n, record_no);
    in.Take(static_cast<std::size_t>(n));
    return;
  }
  if (count > static_cast<unsigned>(FixedSizeOf(kind))) {
    FailLength("Field", def.name, count, record_no);
  }
  in.Take(count);
}

bool HasLengthPrefix(FieldKind kind) { return kind == FieldKind::kString || IsBlobKind(kind); }

// The bytes a checked value of `count` takes at `value`.
std::size_t StoredSize(FieldKind kind, unsigned count, const unsigned char* value) {
  count &= ~unsigned{kKeptZero};
  if (count == 0) return 0;
  if (HasLengthPrefix(kind)) return 4 + static_cast<std::size_t>(DecodeInt32(value));
  return count;
}

// Decodes a checked value of `count` (not 0) at `value`. Values equal to 0,
// 0.0, false or the empty text come back as no value, unless kKeptZero is
// set in the count.
FieldValue DecodeValue(FieldKind kind, unsigned count, const unsigned char* value) {
  const bool kept = (count & kKeptZero) != 0;
  count &= ~unsigned{kKeptZero};
  if (kind == FieldKind::kShortText) {
    return std::string(reinterpret_cast<const char*>(value), count);
  }
  if (HasLengthPrefix(kind)) {
    const auto n = static_cast<std::size_t>(DecodeInt32(value));
    if (n == 0 && !kept) return {};
    return std::string(reinterpret_cast<const char*>(value + 4), n);
  }
  // A shorter count gives the low-order bytes of the value.
  const int size = FixedSizeOf(kind);
  std::array<unsigned char, 8> raw{};
  std::copy(value, value + count, raw.begin());
  switch (ValueKindOf(kind)) {
    case ValueKind::kBoolean:
      if (raw[0] == 0 && raw[1] == 0) return kept ? FieldValue{false} : FieldValue{};
      return true;
    case ValueKind::kFloat: {
      const double v = DecodeDouble(raw.data());
      if (v == 0 && !kept) return {};
      return v;
    }
    case ValueKind::kInteger: {
      const std::int64_t v = size == 2   ? DecodeInt16(raw.data())
                             : size == 4 ? DecodeInt32(raw.data())
                                         : DecodeInt64(raw.data());
      if (v == 0 && !kept) return {};
      return v;
    }
    case ValueKind::kText:
      break;
  }
  return {};
}

// --- writing

void CheckEntryText(std::string_view text, bool tilde_allowed) {
  if (text.find(kEntryEnd) != std::string_view::npos) {
    throw std::invalid_argument("a field description contains the byte 0x12");
  }
  if (!tilde_allowed && text.find('~') != std::string_view::npos) {
    throw std::invalid_argument("a field description contains a misplaced '~'");
  }
}

void AppendEntry(std::string* out, const FieldDef& def) {
  out->append(def.alias.empty() ? kDefaultAlias : std::string_view(def.alias));
  out->push_back('.');
  for (char c : def.name) out->push_back(c == ' ' ? '_' : c);
  out->push_back(' ');
  out->push_back(def.type);
  if (def.type == 's') out->append(std::to_string(def.max_length));
  if (def.default_value) {
    out->push_back('~');
    out->append(*def.default_value);
    out->push_back('~');
    out->append(def.further_text.value_or(""));
  } else if (def.further_text) {
    out->push_back('~');
    out->append(*def.further_text);
  }
  out->push_back(kEntryEnd);
}

[[noreturn]] void FailValue(const FieldDef& def, std::size_t record_no, const char* problem) {
  throw std::invalid_argument("record " + std::to_string(record_no) + ", field '" + def.name +
                              "': " + problem);
}

// Appends the value's bytes and returns its count byte (0: not stored). With
// `keep_zero` a value equal to 0, 0.0, false or the empty text is stored too,
// with kKeptZero set in its count.
unsigned char AppendValue(std::string* out, const FieldDef& def, FieldKind kind,
                          const FieldValue& value, std::size_t record_no, bool keep_zero) {
  if (std::holds_alternative<std::monostate>(value)) return 0;
  const unsigned char zero_mark = keep_zero ? kKeptZero : 0;
  switch (ValueKindOf(kind)) {
    case ValueKind::kInteger: {
      const auto* v = std::get_if<std::int64_t>(&value);
      if (v == nullptr) FailValue(def, record_no, "not an integer");
      if (*v == 0 && !keep_zero) return 0;
      const int size = FixedSizeOf(kind);
      if (size == 2) {
        if (*v < std::numeric_limits<std::int16_t>::min() ||
            *v > std::numeric_limits<std::int16_t>::max()) {
          FailValue(def, record_no, "out of range");
        }
        PutInt16(out, static_cast<std::int16_t>(*v));
      } else if (size == 4) {
        if (*v < std::numeric_limits<std::int32_t>::min() ||
            *v > std::numeric_limits<std::int32_t>::max()) {
          FailValue(def, record_no, "out of range");
        }
        PutInt32(out, static_cast<std::int32_t>(*v));
      } else {
        PutInt64(out, *v);
      }
      return static_cast<unsigned char>(size | (*v == 0 ? zero_mark : 0));
    }
    case ValueKind::kFloat: {
      const auto* v = std::get_if<double>(&value);
      if (v == nullptr) FailValue(def, record_no, "not a double");
      if (*v == 0 && !keep_zero) return 0;
      PutDouble(out, *v);
      return static_cast<unsigned char>(8 | (*v == 0 ? zero_mark : 0));
    }
    case ValueKind::kBoolean: {
      const auto* v = std::get_if<bool>(&value);
      if (v == nullptr) FailValue(def, record_no, "not a boolean");
      if (!*v && !keep_zero) return 0;
      PutInt16(out, *v ? 1 : 0);
      return static_cast<unsigned char>(2 | (*v ? 0 : zero_mark));
    }
    case ValueKind::kText:
      break;
  }
  const auto* text = std::get_if<std::string>(&value);
  if (text == nullptr) FailValue(def, record_no, "not a text");
  if (text->empty() && !keep_zero) return 0;
  if (text->empty() && kind == FieldKind::kShortText) return zero_mark;
  if (kind == FieldKind::kShortText) {
    if (text->size() > static_cast<std::size_t>(ShortTextLength(def.type))) {
      FailValue(def, record_no, "text longer than the field");
    }
    out->append(*text);
    return static_cast<unsigned char>(text->size());
  }
  const std::int32_t limit = kind == FieldKind::kString ? kMaxStringLength : kMaxBlobLength;
  if (text->size() > static_cast<std::size_t>(limit)) {
    FailValue(def, record_no, "text longer than the layout allows");
  }
  PutInt32(out, static_cast<std::int32_t>(text->size()));
  out->append(*text);
  return static_cast<unsigned char>(4 | (text->empty() ? zero_mark : 0));
}

}  // namespace

std::optional<FieldKind> FieldKindOf(char type) {
  switch (type) {
    case 'l':
      return FieldKind::kSmallInt;
    case 'i':
      return FieldKind::kInteger;
    case 'e':
      return FieldKind::kLargeInt;
    case 'b':
      return FieldKind::kBoolean;
    case 'f':
      return FieldKind::kFloat;
    case 'c':
      return FieldKind::kCurrency;
    case 'd':
      return FieldKind::kDate;
    case 'v':
      return FieldKind::kTime;
    case 't':
      return FieldKind::kDateTime;
    case 'a':
      return FieldKind::kAutoInc;
    case 's':
      return FieldKind::kString;
    case 'm':
      return FieldKind::kMemo;
    case 'r':
      return FieldKind::kFormattedMemo;
    case 'o':
      return FieldKind::kBlob;
    case 'g':
      return FieldKind::kGraphic;
    default:
      break;
  }
  if (ShortTextLength(type) != 0) return FieldKind::kShortText;
  return std::nullopt;
}

ValueKind ValueKindOf(FieldKind kind) {
  switch (kind) {
    case FieldKind::kSmallInt:
    case FieldKind::kInteger:
    case FieldKind::kLargeInt:
    case FieldKind::kDate:
    case FieldKind::kTime:
    case FieldKind::kAutoInc:
      return ValueKind::kInteger;
    case FieldKind::kFloat:
    case FieldKind::kCurrency:
    case FieldKind::kDateTime:
      return ValueKind::kFloat;
    case FieldKind::kBoolean:
      return ValueKind::kBoolean;
    default:
      return ValueKind::kText;
  }
}

int FixedSizeOf(FieldKind kind) {
  switch (kind) {
    case FieldKind::kSmallInt:
    case FieldKind::kBoolean:
      return 2;
    case FieldKind::kInteger:
    case FieldKind::kDate:
    case FieldKind::kTime:
    case FieldKind::kAutoInc:
      return 4;
    case FieldKind::kLargeInt:
    case FieldKind::kFloat:
    case FieldKind::kCurrency:
    case FieldKind::kDateTime:
      return 8;
    default:
      return 0;
  }
}

int ShortTextLength(char type) {
  if (type >= '1' && type <= '9') return type - '0';
  if (type >= 'A' && type <= 'Z') return type - 'A' + 10;
  return 0;
}

FieldKind FieldDef::Kind() const {
  const std::optional<FieldKind> kind = FieldKindOf(type);
  if (!kind) throw std::invalid_argument("field '" + name + "' has no valid type");
  return *kind;
}

FieldDef MakeField(std::string name, FieldKind kind, std::int32_t max_length) {
  FieldDef def;
  def.alias = std::string(kDefaultAlias);
  def.name = std::move(name);
  if (kind == FieldKind::kShortText || kind == FieldKind::kString) {
    if (max_length < 1 || max_length > kMaxStringLength) {
      throw std::invalid_argument("text field '" + def.name + "' has an invalid maximum length");
    }
    def.type = max_length <= kMaxShortTextLength ? ShortTextTypeOf(max_length) : 's';
    def.max_length = max_length;
  } else {
    def.type = TypeCharOf(kind);
  }
  return def;
}

TableLayout ReadTableLayout(std::span<const unsigned char> bytes) {
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    FailCorrupt();
  }
  ByteReader in(bytes);
  in.Take(4);  // total length, not checked
  const auto kind = static_cast<char>(in.Byte());
  if (kind == kKindError) {
    const auto rest = in.Take(in.Remaining());
    const auto end = std::find(rest.begin(), rest.end(), 0);
    Fail(std::string(rest.begin(), end));
  }
  if (kind != kKindPlain && kind != kKindPassword) FailCorrupt();
  if (kind == kKindPassword) Fail("Invalid password. Table cannot be open");

  const std::int32_t record_count = in.Int32();
  const std::int32_t field_count = in.Int32();
  const std::int32_t description_length = in.Int32();
  if (description_length < 0 || description_length > kMaxDescriptionLength || record_count < 0 ||
      field_count < 0 || (field_count == 0 && record_count > 0)) {
    FailCorrupt();
  }
  TableLayout layout;
  layout.fields =
      ParseDescriptions(in.Take(static_cast<std::size_t>(description_length)), field_count);
  const auto fields = static_cast<std::size_t>(field_count);

  const std::size_t notes_check = record_count == 0 ? 3 : fields;
  if (in.Remaining() >= notes_check && in.Remaining() > 0 && in.Peek() == kNotesMark) {
    in.Byte();
    const std::int16_t n = in.Int16();
    if (n < 0) FailCorrupt();
    layout.notes = in.TakeText(static_cast<std::size_t>(n));
  }

  std::vector<FieldKind> kinds;
  kinds.reserve(fields);
  for (const FieldDef& def : layout.fields) kinds.push_back(def.Kind());

  // Each record takes at least one byte per field: room for as many as the
  // bytes can hold, whatever the file declares.
  const auto declared = static_cast<std::size_t>(record_count);
  if (fields > 0) layout.records.reserve(std::min(declared, in.Remaining() / fields));
  while (fields > 0 && in.Remaining() >= fields && layout.records.size() < declared) {
    const std::size_t record_no = layout.records.size() + 1;
    layout.records.push_back(static_cast<std::uint32_t>(bytes.size() - in.Remaining()));
    const auto counts = in.Take(fields);
    for (std::size_t i = 0; i < fields; ++i) {
      if (counts[i] != 0) CheckValue(in, layout.fields[i], kinds[i], counts[i], record_no);
    }
  }
  if (layout.records.size() < declared) {
    Fail("Number of records read (" + std::to_string(layout.records.size()) +
         ") does not match declared record count (" + std::to_string(declared) + ")");
  }
  return layout;
}

FieldValue RecordValue(const unsigned char* record, std::span<const FieldKind> kinds,
                       std::size_t field) {
  const unsigned char* value = record + kinds.size();
  for (std::size_t i = 0; i < field; ++i) value += StoredSize(kinds[i], record[i], value);
  if (record[field] == 0) return {};
  return DecodeValue(kinds[field], record[field], value);
}

Record DecodeRecord(const unsigned char* record, std::span<const FieldKind> kinds) {
  Record values(kinds.size());
  const unsigned char* value = record + kinds.size();
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    if (record[i] != 0) values[i] = DecodeValue(kinds[i], record[i], value);
    value += StoredSize(kinds[i], record[i], value);
  }
  return values;
}

TableImage ReadTableImage(std::span<const unsigned char> bytes) {
  TableLayout layout = ReadTableLayout(bytes);
  TableImage image;
  std::vector<FieldKind> kinds;
  for (const FieldDef& def : layout.fields) kinds.push_back(def.Kind());
  image.records.reserve(layout.records.size());
  for (std::uint32_t offset : layout.records) {
    image.records.push_back(DecodeRecord(bytes.data() + offset, kinds));
  }
  image.fields = std::move(layout.fields);
  image.notes = std::move(layout.notes);
  return image;
}

void CheckFieldDefs(std::span<const FieldDef> fields) {
  std::size_t length = 1;  // the final 0x14
  for (const FieldDef& def : fields) {
    const FieldKind kind = def.Kind();
    if (def.name.empty()) throw std::invalid_argument("a field has no name");
    if (def.alias.find('.') != std::string::npos) {
      throw std::invalid_argument("the alias of field '" + def.name + "' contains a full stop");
    }
    CheckEntryText(def.alias, false);
    CheckEntryText(def.name, true);
    if (def.default_value) CheckEntryText(*def.default_value, false);
    if (def.further_text) CheckEntryText(*def.further_text, def.default_value.has_value());
    if (kind == FieldKind::kString && def.max_length < 1) {
      throw std::invalid_argument("text field '" + def.name + "' has an invalid maximum length");
    }
    std::string entry;
    AppendEntry(&entry, def);
    length += entry.size();
  }
  if (length > static_cast<std::size_t>(kMaxDescriptionLength)) {
    throw std::invalid_argument("the field descriptions are too long");
  }
}

void AppendRecord(std::string* out, std::span<const FieldDef> fields,
                  std::span<const FieldKind> kinds, const Record& record, std::size_t record_no,
                  bool keep_zero_values) {
  if (record.size() != fields.size()) {
    throw std::invalid_argument("record " + std::to_string(record_no) +
                                " has the wrong number of values");
  }
  const std::size_t counts = out->size();
  out->append(fields.size(), '\0');
  for (std::size_t i = 0; i < fields.size(); ++i) {
    (*out)[counts + i] = static_cast<char>(
        AppendValue(out, fields[i], kinds[i], record[i], record_no, keep_zero_values));
  }
}

TableFileWriter::TableFileWriter(std::span<const FieldDef> fields,
                                 const std::optional<std::string>& notes)
    : fields_(fields) {
  CheckFieldDefs(fields);
  if (notes && notes->size() > static_cast<std::size_t>(kMaxNotesLength)) {
    throw std::invalid_argument("the table's notes are too long");
  }
  std::string descriptions;
  for (const FieldDef& def : fields) AppendEntry(&descriptions, def);
  descriptions.push_back(kDescriptionsEnd);

  PutInt32(&out_, 0);  // total length, filled in by Finish
  out_.push_back(kKindPlain);
  PutInt32(&out_, 0);  // record count, filled in by Finish
  PutInt32(&out_, static_cast<std::int32_t>(fields.size()));
  PutInt32(&out_, static_cast<std::int32_t>(descriptions.size()));
  out_.append(descriptions);
  if (notes) {
    out_.push_back(kNotesMark);
    PutInt16(&out_, static_cast<std::int16_t>(notes->size()));
    out_.append(*notes);
  }
  kinds_.reserve(fields.size());
  for (const FieldDef& def : fields) kinds_.push_back(def.Kind());
}

void TableFileWriter::Add(const Record& record) {
  AppendRecord(&out_, fields_, kinds_, record, ++count_);
}

std::string TableFileWriter::Finish() && {
  if (count_ > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::length_error("too many records for a table file");
  }
  if (out_.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::length_error("the table is too large for a table file");
  }
  OverwriteInt32(&out_, 0, static_cast<std::int32_t>(out_.size()));
  OverwriteInt32(&out_, 5, static_cast<std::int32_t>(count_));
  return std::move(out_);
}

std::string WriteTable(std::span<const FieldDef> fields, const std::optional<std::string>& notes,
                       std::span<const Record* const> records) {
  TableFileWriter writer(fields, notes);
  if (records.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::length_error("too many records for a table file");
  }
  for (const Record* record : records) writer.Add(*record);
  return std::move(writer).Finish();
}

std::string WriteTableImage(const TableImage& image) {
  if (image.kind != kKindPlain) throw std::invalid_argument("only plain tables are written");
  std::vector<const Record*> records;
  records.reserve(image.records.size());
  for (const Record& record : image.records) records.push_back(&record);
  return WriteTable(image.fields, image.notes, records);
}

}  // namespace binodal
