#include "store/store_table.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <limits>
#include <random>
#include <utility>

#include "store/field_text.h"

namespace binodal {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNotOpen = "Cannot perform this operation on a closed dataset";
constexpr const char* kEmptyRange = "Cannot perform this operation on an empty dataset";
constexpr const char* kNotEditing = "Dataset not in edit or insert mode";
constexpr const char* kReadOnlyInsert = "You have read only access, you can not add records!";
constexpr const char* kReadOnlyEdit = "Read-only record cannot be changed";
constexpr const char* kReadOnlyDelete = "Read-only record cannot be deleted";

// --- Names

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

std::vector<std::string> SplitNames(std::string_view names) {
  std::vector<std::string> result;
  while (!names.empty()) {
    const std::size_t end = std::min(names.find(';'), names.size());
    std::string_view name = names.substr(0, end);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (!name.empty()) result.emplace_back(name);
    names.remove_prefix(std::min(end + 1, names.size()));
  }
  return result;
}

std::optional<std::size_t> FindFieldIn(const std::vector<FieldDef>& fields, std::string_view name) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (EqualsIgnoringCase(fields[i].name, name)) return i;
  }
  return std::nullopt;
}

[[noreturn]] void FailFieldNotFound(std::string_view name) {
  throw EStoreError("Field '" + std::string(name) + "' not found");
}

std::vector<std::size_t> ResolveFields(const std::vector<FieldDef>& fields,
                                       std::string_view names) {
  std::vector<std::size_t> result;
  for (const std::string& name : SplitNames(names)) {
    const auto index = FindFieldIn(fields, name);
    if (!index) FailFieldNotFound(name);
    result.push_back(*index);
  }
  return result;
}

// --- Values

std::int64_t IntegerOf(const FieldValue& v) {
  const auto* p = std::get_if<std::int64_t>(&v);
  return p != nullptr ? *p : 0;
}
double FloatOf(const FieldValue& v) {
  const auto* p = std::get_if<double>(&v);
  return p != nullptr ? *p : 0.0;
}
bool BooleanOf(const FieldValue& v) {
  const auto* p = std::get_if<bool>(&v);
  return p != nullptr && *p;
}
std::string_view TextOf(const FieldValue& v) {
  const auto* p = std::get_if<std::string>(&v);
  return p != nullptr ? std::string_view(*p) : std::string_view();
}

// The value of a field of this kind that the file does not store: 0, false,
// or no value for a text (which reads as the empty text).
FieldValue ZeroOf(FieldKind kind) {
  switch (ValueKindOf(kind)) {
    case ValueKind::kInteger:
      return FieldValue{std::int64_t{0}};
    case ValueKind::kFloat:
      return FieldValue{0.0};
    case ValueKind::kBoolean:
      return FieldValue{false};
    case ValueKind::kText:
      break;
  }
  return FieldValue{};
}

// Orders two values of a field of this value kind; no value counts as 0,
// false or empty, and NaN comes after every number.
int CompareValues(const FieldValue& a, const FieldValue& b, ValueKind kind) {
  switch (kind) {
    case ValueKind::kInteger: {
      const std::int64_t x = IntegerOf(a), y = IntegerOf(b);
      return x < y ? -1 : x > y ? 1 : 0;
    }
    case ValueKind::kFloat: {
      const double x = FloatOf(a), y = FloatOf(b);
      const bool x_nan = std::isnan(x), y_nan = std::isnan(y);
      if (x_nan || y_nan) return static_cast<int>(x_nan) - static_cast<int>(y_nan);
      return x < y ? -1 : x > y ? 1 : 0;
    }
    case ValueKind::kBoolean:
      return static_cast<int>(BooleanOf(a)) - static_cast<int>(BooleanOf(b));
    case ValueKind::kText: {
      const int c = TextOf(a).compare(TextOf(b));
      return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
  }
  return 0;
}

// The value in the in-memory form of `kind`, or nothing when it has none (a
// text that is no number or boolean, a double beyond the int64 range). The
// empty text gives no value. Texts are not cut and integers not range-checked.
std::optional<FieldValue> ToValueKind(const FieldValue& v, ValueKind kind, char decimal) {
  if (std::holds_alternative<std::monostate>(v)) return FieldValue{};
  if (const auto* text = std::get_if<std::string>(&v); text != nullptr && text->empty()) {
    return FieldValue{};
  }
  switch (kind) {
    case ValueKind::kInteger:
      if (const auto* p = std::get_if<std::int64_t>(&v)) return FieldValue{*p};
      if (const auto* p = std::get_if<double>(&v)) {
        const double r = std::round(*p);
        // -2^63 <= r < 2^63
        if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return std::nullopt;
        return FieldValue{static_cast<std::int64_t>(r)};
      }
      if (const auto* p = std::get_if<bool>(&v)) return FieldValue{std::int64_t{*p ? 1 : 0}};
      if (const auto i = TextToInteger(TextOf(v))) return FieldValue{*i};
      return std::nullopt;
    case ValueKind::kFloat:
      if (const auto* p = std::get_if<std::int64_t>(&v)) {
        return FieldValue{static_cast<double>(*p)};
      }
      if (const auto* p = std::get_if<double>(&v)) return FieldValue{*p};
      if (const auto* p = std::get_if<bool>(&v)) return FieldValue{*p ? 1.0 : 0.0};
      if (const auto d = TextToFloat(TextOf(v), decimal)) return FieldValue{*d};
      return std::nullopt;
    case ValueKind::kBoolean:
      if (const auto* p = std::get_if<std::int64_t>(&v)) return FieldValue{*p != 0};
      if (const auto* p = std::get_if<double>(&v)) return FieldValue{*p != 0};
      if (const auto* p = std::get_if<bool>(&v)) return FieldValue{*p};
      if (EqualsIgnoringCase(TextOf(v), "true")) return FieldValue{true};
      if (EqualsIgnoringCase(TextOf(v), "false")) return FieldValue{false};
      return std::nullopt;
    case ValueKind::kText:
      if (const auto* p = std::get_if<std::int64_t>(&v)) return FieldValue{std::to_string(*p)};
      if (const auto* p = std::get_if<double>(&v)) return FieldValue{FloatToText(*p, decimal)};
      if (const auto* p = std::get_if<bool>(&v)) {
        return FieldValue{std::string(*p ? "True" : "False")};
      }
      return v;
  }
  return std::nullopt;
}

std::string ValueText(const FieldValue& v, char decimal) {
  return std::string(TextOf(*ToValueKind(v, ValueKind::kText, decimal)));
}

[[noreturn]] void FailConversion(const FieldValue& v, ValueKind kind, const std::string& field,
                                 char decimal) {
  const char* what = kind == ValueKind::kInteger   ? "integer"
                     : kind == ValueKind::kBoolean ? "boolean"
                                                   : "floating point";
  throw EStoreError("'" + ValueText(v, decimal) + "' is not a valid " + what +
                    " value for field '" + field + "'");
}

std::pair<std::int64_t, std::int64_t> IntegerRange(FieldKind kind) {
  switch (FixedSizeOf(kind)) {
    case 2:
      return {std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()};
    case 4:
      return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
    default:
      return {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()};
  }
}

// The most bytes a text value of the field may hold.
std::size_t TextLimit(const FieldDef& def, FieldKind kind) {
  if (kind == FieldKind::kShortText) return static_cast<std::size_t>(ShortTextLength(def.type));
  if (kind == FieldKind::kString) {
    return static_cast<std::size_t>(std::clamp(def.max_length, 1, kMaxStringLength));
  }
  return static_cast<std::size_t>(kMaxBlobLength);
}

// Room for one more element, growing geometrically.
template <typename T>
void ReserveOneMore(std::vector<T>& v) {
  if (v.size() == v.capacity()) v.reserve(std::max<std::size_t>(16, 2 * v.capacity()));
}

bool IsBinaryKind(FieldKind kind) {
  return kind == FieldKind::kBlob || kind == FieldKind::kGraphic;
}

// --- Defaults of new records

// Day numbers count days from 30 December 1899; a moment is a day number with
// the fraction of the day elapsed.
struct LocalMoment {
  std::int64_t day = 0;
  std::int64_t milliseconds = 0;  // since local midnight
};

LocalMoment NowLocal() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  std::tm local{};
#if defined(_WIN32)
  localtime_s(&local, &t);
#else
  localtime_r(&t, &local);
#endif
  const year_month_day date{year{local.tm_year + 1900},
                            month{static_cast<unsigned>(local.tm_mon + 1)},
                            day{static_cast<unsigned>(local.tm_mday)}};
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  LocalMoment m;
  m.day = (sys_days{date} - sys_days{year{1899} / December / 30}).count();
  m.milliseconds = ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000LL + millis;
  return m;
}

std::string UniqueCode() {
  std::random_device random;
  std::string code;
  constexpr std::string_view kHex = "0123456789ABCDEF";
  for (int i = 0; i < 4; ++i) {
    std::uint32_t bits = random();
    for (int j = 0; j < 8; ++j, bits >>= 4) code.push_back(kHex[bits & 0xF]);
  }
  return code;
}

}  // namespace

// ---------------------------------------------------------------- fields

const FieldDef& TStoreField::Def() const { return table_->fields_.at(index_); }
FieldKind TStoreField::Kind() const { return table_->kinds_.at(index_); }
bool TStoreField::ReadOnly() const { return table_->auto_inc_field_ == index_; }
FieldValue TStoreField::Value() const { return table_->CurrentValue(index_); }
bool TStoreField::IsNull() const { return std::holds_alternative<std::monostate>(Value()); }

std::string TStoreField::AsString() const { return ValueText(Value(), table_->decimal_separator_); }

double TStoreField::AsFloat() const {
  const auto v = ToValueKind(Value(), ValueKind::kFloat, table_->decimal_separator_);
  if (!v) FailConversion(Value(), ValueKind::kFloat, Name(), table_->decimal_separator_);
  return FloatOf(*v);
}

std::int64_t TStoreField::AsInteger() const {
  const auto v = ToValueKind(Value(), ValueKind::kInteger, table_->decimal_separator_);
  if (!v) FailConversion(Value(), ValueKind::kInteger, Name(), table_->decimal_separator_);
  return IntegerOf(*v);
}

bool TStoreField::AsBoolean() const {
  const auto v = ToValueKind(Value(), ValueKind::kBoolean, table_->decimal_separator_);
  if (!v) FailConversion(Value(), ValueKind::kBoolean, Name(), table_->decimal_separator_);
  return BooleanOf(*v);
}

void TStoreField::SetValue(const FieldValue& value) { table_->Assign(index_, value); }
void TStoreField::SetAsString(std::string_view text) { SetValue(FieldValue{std::string(text)}); }
void TStoreField::SetAsFloat(double value) { SetValue(FieldValue{value}); }
void TStoreField::SetAsInteger(std::int64_t value) { SetValue(FieldValue{value}); }
void TStoreField::SetAsBoolean(bool value) { SetValue(FieldValue{value}); }
void TStoreField::Clear() { SetValue(FieldValue{}); }

// ---------------------------------------------------------------- table

struct TStoreTable::Loaded {
  std::vector<FieldDef> fields;
  std::vector<FieldKind> kinds;
  std::optional<std::string> notes;
  std::vector<unsigned char> data;
  std::vector<std::uint32_t> offsets;
  std::vector<std::size_t> index_fields;
  std::vector<std::size_t> range_fields;
  std::optional<std::size_t> auto_inc_field;
  std::int64_t auto_inc_counter = 0;
  store_files::FileStamp stamp;
};

TStoreTable::~TStoreTable() {
  if (master_ != nullptr) std::erase(master_->details_, this);
  for (TStoreTable* detail : details_) {
    detail->master_ = nullptr;  // the detail shows all its records from now on
    detail->cursor_ = 0;
  }
}

std::string TStoreTable::FullPath() const {
  if (database_ == nullptr || fs::path(table_name_).has_parent_path()) return table_name_;
  return database_->DatabasePath() + table_name_;
}

void TStoreTable::SetIndexFieldNames(std::string names) {
  if (!Active()) {
    index_field_names_ = std::move(names);
    return;
  }
  CheckBrowseMode();
  std::vector<std::size_t> fields = ResolveFields(fields_, names);
  const RowId current = CurrentRow();
  index_field_names_ = std::move(names);
  index_fields_ = std::move(fields);
  SortIndex();
  RebuildView();
  if (current != kNoRow) cursor_ = PositionOf(View(), current, *this);
  Changed();
}

void TStoreTable::SetMaster(TStoreTable* master, std::string master_fields,
                            std::string range_field_names) {
  for (const TStoreTable* t = master; t != nullptr; t = t->master_) {
    if (t == this) throw std::invalid_argument("a master-detail link would make a cycle");
  }
  std::vector<std::size_t> range_fields;
  if (Active() && master != nullptr) {
    range_fields = ResolveFields(fields_, range_field_names);
    if (master->Active()) ResolveFields(master->fields_, master_fields);
  }
  if (master_ != nullptr) std::erase(master_->details_, this);
  master_ = master;
  master_fields_ = std::move(master_fields);
  range_field_names_ = std::move(range_field_names);
  if (master_ != nullptr) master_->details_.push_back(this);
  if (!Active()) return;
  range_fields_ = std::move(range_fields);
  range_key_.reset();
  range_match_.reset();
  MasterChanged(true);
}

// --- Lifecycle

TStoreTable::Loaded TStoreTable::Load() const {
  const std::string path = FullPath();
  Loaded loaded;
  loaded.data = store_files::ReadTableFile(path, &loaded.stamp);
  TableLayout layout;
  try {
    layout = ReadTableLayout(loaded.data);
  } catch (const ETableFormatError& e) {
    throw EStoreError(std::string("Error opening table: ") + e.what());
  }
  if (layout.records.size() >= kNoRow) {
    throw EStoreError("Error opening table: too many records in " + path);
  }
  for (const FieldDef& def : layout.fields) loaded.kinds.push_back(def.Kind());
  for (std::size_t i = 0; i < loaded.kinds.size(); ++i) {
    if (loaded.kinds[i] == FieldKind::kAutoInc) {
      loaded.auto_inc_field = i;
      break;
    }
  }
  loaded.offsets = std::move(layout.records);
  if (const auto a = loaded.auto_inc_field) {
    // Ascending auto-increment values, equal ones in file order.
    const auto key = [&](std::uint32_t offset) {
      return IntegerOf(RecordValue(loaded.data.data() + offset, loaded.kinds, *a));
    };
    const auto less = [&](std::uint32_t x, std::uint32_t y) {
      const std::int64_t kx = key(x), ky = key(y);
      return kx < ky || (kx == ky && x < y);
    };
    if (!std::is_sorted(loaded.offsets.begin(), loaded.offsets.end(), less)) {
      std::sort(loaded.offsets.begin(), loaded.offsets.end(), less);
    }
    if (!loaded.offsets.empty()) loaded.auto_inc_counter = key(loaded.offsets.back());
  }
  const auto fail = [&path](const std::string& message) {
    throw EStoreError("Error opening table: " + message + " in " + path);
  };
  for (const FieldDef& required : required_fields_) {
    const auto index = FindFieldIn(layout.fields, required.name);
    if (!index) fail("Field '" + required.name + "' not found");
    if (ValueKindOf(loaded.kinds[*index]) != ValueKindOf(required.Kind())) {
      fail("Field '" + layout.fields[*index].name + "' has the wrong type");
    }
  }
  try {
    loaded.index_fields = ResolveFields(layout.fields, index_field_names_);
    if (master_ != nullptr) loaded.range_fields = ResolveFields(layout.fields, range_field_names_);
  } catch (const EStoreError& e) {
    fail(e.what());
  }
  loaded.fields = std::move(layout.fields);
  loaded.notes = std::move(layout.notes);
  return loaded;
}

void TStoreTable::Install(Loaded loaded) {
  ClearData();
  fields_ = std::move(loaded.fields);
  kinds_ = std::move(loaded.kinds);
  notes_ = std::move(loaded.notes);
  data_ = std::move(loaded.data);
  offsets_ = std::move(loaded.offsets);
  index_fields_ = std::move(loaded.index_fields);
  range_fields_ = std::move(loaded.range_fields);
  auto_inc_field_ = loaded.auto_inc_field;
  auto_inc_counter_ = loaded.auto_inc_counter;
  file_stamp_ = loaded.stamp;
  SortIndex();
  state_ = TableState::kBrowse;
}

void TStoreTable::ClearData() {
  state_ = TableState::kInactive;
  fields_.clear();
  kinds_.clear();
  notes_.reset();
  std::vector<unsigned char>().swap(data_);
  std::vector<std::uint32_t>().swap(offsets_);
  std::vector<RowId>().swap(index_);
  std::vector<RowId>().swap(view_);
  index_fields_.clear();
  range_fields_.clear();
  auto_inc_field_.reset();
  auto_inc_counter_ = 0;
  modification_count_ = 0;
  saved_modification_count_ = 0;
  file_stamp_ = {};
  range_key_.reset();
  range_match_.reset();
  cursor_ = 0;
  bof_ = eof_ = true;
  buffer_.clear();
  edit_row_ = kNoRow;
  insert_position_ = 0;
}

void TStoreTable::Open() {
  if (Active()) return;
  try {
    Install(Load());
    TakeRange();
  } catch (...) {
    ClearData();
    throw;
  }
  GoTo(0, true, View().empty());
  Changed();
  NotifyDetails(true);
  if (AfterScroll) AfterScroll(*this);
}

void TStoreTable::Close() {
  if (!Active()) return;
  ClearData();
  Changed();
  NotifyDetails(true);
}

void TStoreTable::Refresh() {
  CheckActive();
  CheckBrowseMode();
  try {
    Install(Load());
    TakeRange();
  } catch (...) {
    ClearData();
    Changed();
    NotifyDetails(true);
    throw;
  }
  GoTo(0, true, View().empty());
  Changed();
  NotifyDetails(true);
  if (AfterScroll) AfterScroll(*this);
}

void TStoreTable::SaveToFile(const std::string& path) const {
  store_files::WriteFileAtomically(path, FileBytes(path));
}

std::string TStoreTable::FileBytes(const std::string& path) const {
  CheckActive();
  try {
    TableFileWriter writer(fields_, notes_);
    if (save_sort_on_index_) {
      for (const RowId row : index_) writer.Add(RecordAt(row));
    } else {
      for (RowId row = 0; row < offsets_.size(); ++row) {
        if (offsets_[row] != kDeletedRow) writer.Add(RecordAt(row));
      }
    }
    return std::move(writer).Finish();
  } catch (const std::invalid_argument& e) {
    throw EStoreError("Error saving file " + path + ": " + e.what());
  } catch (const std::length_error& e) {
    throw EStoreError("Error saving file " + path + ": " + e.what());
  }
}

void TStoreTable::EmptyTable() {
  CheckActive();
  if (read_only_) throw EStoreError(kReadOnlyDelete);
  buffer_.clear();
  edit_row_ = kNoRow;
  state_ = TableState::kBrowse;
  modification_count_ += static_cast<std::int64_t>(index_.size());
  view_.clear();
  index_.clear();
  offsets_.clear();
  data_.clear();
  GoTo(0, true, true);
  Changed();
  NotifyDetails(true);
  if (AfterScroll) AfterScroll(*this);
}

void TStoreTable::CreateTable(std::span<const FieldDef> fields) {
  if (Active()) throw EStoreError("Cannot perform this operation on an open dataset");
  TableImage image;
  for (const FieldDef& given : fields) {
    FieldDef def = given;
    try {
      const FieldKind kind = given.Kind();
      if (kind == FieldKind::kShortText || kind == FieldKind::kString) {
        const std::int32_t length =
            kind == FieldKind::kShortText ? ShortTextLength(given.type) : given.max_length;
        def = MakeField(given.name, kind, length);
        def.default_value = given.default_value;
        def.further_text = given.further_text;
      }
    } catch (const std::invalid_argument& e) {
      throw EStoreError(std::string("Invalid field definition: ") + e.what());
    }
    def.alias = "XXX";
    if (FindFieldIn(image.fields, def.name)) {
      throw EStoreError("Duplicate field name '" + def.name + "'");
    }
    image.fields.push_back(std::move(def));
  }
  try {
    CheckFieldDefs(image.fields);
  } catch (const std::invalid_argument& e) {
    throw EStoreError(std::string("Invalid field definition: ") + e.what());
  }
  store_files::WriteFileAtomically(FullPath(), WriteTableImage(image));
}

// --- Fields

std::optional<std::size_t> TStoreTable::FieldIndex(std::string_view name) const {
  return FindFieldIn(fields_, name);
}

TStoreField TStoreTable::FieldByName(std::string_view name) {
  const auto index = FieldIndex(name);
  if (!index) FailFieldNotFound(name);
  return {this, *index};
}

std::optional<TStoreField> TStoreTable::FindField(std::string_view name) {
  const auto index = FieldIndex(name);
  if (!index) return std::nullopt;
  return TStoreField(this, *index);
}

TStoreField TStoreTable::Field(std::size_t index) {
  if (index >= fields_.size()) throw std::out_of_range("field index out of range");
  return {this, index};
}

std::string TStoreTable::TextAt(int rec_no, std::size_t field) const {
  const auto& rows = View();
  if (rec_no < 1 || static_cast<std::size_t>(rec_no) > rows.size() || field >= fields_.size()) {
    throw std::out_of_range("record or field out of range");
  }
  return ValueText(ValueAt(rows[static_cast<std::size_t>(rec_no - 1)], field), decimal_separator_);
}

TStoreTable::RowId TStoreTable::CurrentRow() const {
  const auto& rows = View();
  return cursor_ < rows.size() ? rows[cursor_] : kNoRow;
}

bool TStoreTable::HasCurrentRecord() const {
  return state_ == TableState::kEdit || state_ == TableState::kInsert || CurrentRow() != kNoRow;
}

FieldValue TStoreTable::CurrentValue(std::size_t field) const {
  if (field >= fields_.size()) return {};
  if (state_ == TableState::kEdit || state_ == TableState::kInsert) return buffer_[field];
  const RowId row = CurrentRow();
  return row != kNoRow ? ValueAt(row, field) : FieldValue{};
}

std::int64_t TStoreTable::HighestValue(std::string_view name) const {
  const auto field = FieldIndex(name);
  if (!field) throw EStoreError("Field '" + std::string(name) + "' not found");
  std::int64_t highest = 0;
  for (const RowId row : index_) highest = std::max(highest, IntegerOf(ValueAt(row, *field)));
  return highest;
}

// A number or boolean the file does not store reads as 0 or false, not unset.
FieldValue TStoreTable::ValueAt(RowId row, std::size_t field) const {
  FieldValue value = RecordValue(data_.data() + offsets_[row], kinds_, field);
  if (std::holds_alternative<std::monostate>(value) && field < kinds_.size()) {
    value = ZeroOf(kinds_[field]);
  }
  return value;
}

Record TStoreTable::RecordAt(RowId row) const {
  Record record = DecodeRecord(data_.data() + offsets_[row], kinds_);
  for (std::size_t i = 0; i < record.size() && i < kinds_.size(); ++i) {
    if (std::holds_alternative<std::monostate>(record[i])) record[i] = ZeroOf(kinds_[i]);
  }
  return record;
}

FieldValue TStoreTable::Converted(std::size_t field, const FieldValue& value) const {
  const FieldDef& def = fields_[field];
  const FieldKind kind = kinds_[field];
  const ValueKind value_kind = ValueKindOf(kind);
  std::optional<FieldValue> v = ToValueKind(value, value_kind, decimal_separator_);
  if (!v) FailConversion(value, value_kind, def.name, decimal_separator_);
  if (value_kind == ValueKind::kInteger && !std::holds_alternative<std::monostate>(*v)) {
    const auto [low, high] = IntegerRange(kind);
    const std::int64_t i = IntegerOf(*v);
    if (i < low || i > high) {
      throw EStoreError(std::to_string(i) + " is not a valid value for field '" + def.name +
                        "'. The allowed range is " + std::to_string(low) + " to " +
                        std::to_string(high));
    }
  }
  if (auto* text = std::get_if<std::string>(&*v)) {
    const std::size_t limit = TextLimit(def, kind);
    if (text->size() > limit) {
      text->resize(IsBinaryKind(kind) ? limit : Utf8CutLength(*text, limit));
    }
    if (text->empty()) *v = FieldValue{};
  }
  return *std::move(v);
}

void TStoreTable::Assign(std::size_t field, const FieldValue& value) {
  CheckActive();
  if (state_ != TableState::kEdit && state_ != TableState::kInsert) throw EStoreError(kNotEditing);
  if (read_only_) throw EStoreError(kReadOnlyEdit);
  if (auto_inc_field_ == field) {
    throw EStoreError("Field '" + fields_[field].name + "' cannot be modified");
  }
  buffer_[field] = Converted(field, value);
  Changed();
}

// --- Order and range

bool TStoreTable::RowLess(RowId a, RowId b) const {
  for (std::size_t field : index_fields_) {
    const int c = CompareValues(ValueAt(a, field), ValueAt(b, field), ValueKindOf(kinds_[field]));
    if (c != 0) return c < 0;
  }
  return a < b;
}

bool TStoreTable::InRange(RowId row) const {
  if (master_ == nullptr) return true;
  if (!range_match_) return false;
  for (std::size_t k = 0; k < range_fields_.size(); ++k) {
    const std::size_t field = range_fields_[k];
    if (CompareValues(ValueAt(row, field), (*range_match_)[k], ValueKindOf(kinds_[field])) != 0) {
      return false;
    }
  }
  return true;
}

void TStoreTable::SortIndex() {
  index_.clear();
  index_.reserve(offsets_.size());
  for (RowId row = 0; row < offsets_.size(); ++row) {
    if (offsets_[row] != kDeletedRow) index_.push_back(row);
  }
  if (!index_fields_.empty()) {
    std::sort(index_.begin(), index_.end(), [this](RowId a, RowId b) { return RowLess(a, b); });
  }
}

void TStoreTable::RebuildView() {
  view_.clear();
  if (master_ == nullptr) return;
  // Scanning in load order touches memory in allocation order; the few
  // records of a range are then put in index order.
  for (RowId row = 0; row < offsets_.size(); ++row) {
    if (offsets_[row] != kDeletedRow && InRange(row)) view_.push_back(row);
  }
  if (!index_fields_.empty()) {
    std::sort(view_.begin(), view_.end(), [this](RowId a, RowId b) { return RowLess(a, b); });
  }
}

std::size_t TStoreTable::PositionOf(const std::vector<RowId>& rows, RowId row,
                                    const TStoreTable& table) {
  const auto it = std::lower_bound(rows.begin(), rows.end(), row,
                                   [&table](RowId a, RowId b) { return table.RowLess(a, b); });
  if (it != rows.end() && *it == row) return static_cast<std::size_t>(it - rows.begin());
  return static_cast<std::size_t>(std::find(rows.begin(), rows.end(), row) - rows.begin());
}

std::optional<Record> TStoreTable::MasterKey() const {
  if (master_ == nullptr || !master_->Active() || !master_->HasCurrentRecord()) {
    return std::nullopt;
  }
  Record key;
  for (std::size_t field : ResolveFields(master_->fields_, master_fields_)) {
    key.push_back(master_->CurrentValue(field));
  }
  return key;
}

// Takes the master's current key as the range and rebuilds the view.
void TStoreTable::TakeRange() {
  if (master_ == nullptr) return;
  range_key_ = MasterKey();
  range_match_.reset();
  if (range_key_) {
    if (range_key_->size() != range_fields_.size()) {
      throw EStoreError("The master fields and the range fields of table " + table_name_ +
                        " differ in number");
    }
    Record match;
    for (std::size_t k = 0; k < range_fields_.size(); ++k) {
      const auto v =
          ToValueKind((*range_key_)[k], ValueKindOf(kinds_[range_fields_[k]]), decimal_separator_);
      if (!v) break;  // a key this table cannot hold matches nothing
      match.push_back(*v);
    }
    if (match.size() == range_fields_.size()) range_match_ = std::move(match);
  }
  RebuildView();
}

void TStoreTable::MasterChanged(bool record_changed) {
  if (!Active()) return;
  if (!record_changed && MasterKey() == range_key_) return;
  CheckBrowseMode();
  TakeRange();
  GoTo(0, true, View().empty());
  Changed();
  NotifyDetails(true);
  if (AfterScroll) AfterScroll(*this);
}

void TStoreTable::NotifyDetails(bool record_changed) {
  const std::vector<TStoreTable*> details = details_;  // handlers may relink
  for (TStoreTable* detail : details) detail->MasterChanged(record_changed);
}

// --- Cursor

void TStoreTable::CheckActive() const {
  if (!Active()) throw EStoreError(kNotOpen);
}

void TStoreTable::CheckBrowseMode() {
  if (state_ == TableState::kEdit || state_ == TableState::kInsert) Post();
}

void TStoreTable::GoTo(std::size_t position, bool bof, bool eof) {
  cursor_ = position;
  bof_ = bof;
  eof_ = eof;
}

void TStoreTable::Scrolled() {
  NotifyDetails(true);
  if (AfterScroll) AfterScroll(*this);
}

void TStoreTable::Changed() {
  if (OnDataChanged) OnDataChanged(*this);
}

void TStoreTable::First() {
  CheckActive();
  CheckBrowseMode();
  const bool moved = cursor_ != 0;
  GoTo(0, true, View().empty());
  if (moved) Scrolled();
}

void TStoreTable::Last() {
  CheckActive();
  CheckBrowseMode();
  const std::size_t size = View().size();
  const std::size_t last = size == 0 ? 0 : size - 1;
  const bool moved = cursor_ != last;
  GoTo(last, size == 0, true);
  if (moved) Scrolled();
}

void TStoreTable::Next() { MoveBy(1); }
void TStoreTable::Prior() { MoveBy(-1); }

int TStoreTable::MoveBy(int distance) {
  CheckActive();
  CheckBrowseMode();
  const auto size = static_cast<std::int64_t>(View().size());
  if (size == 0) {
    GoTo(0, true, true);
    return 0;
  }
  const auto from = static_cast<std::int64_t>(cursor_);
  const std::int64_t wanted = from + distance;
  const std::int64_t to = std::clamp<std::int64_t>(wanted, 0, size - 1);
  GoTo(static_cast<std::size_t>(to), wanted<0, wanted> size - 1);
  if (to != from) Scrolled();
  return static_cast<int>(to - from);
}

void TStoreTable::SetRecNo(int rec_no) {
  CheckActive();
  CheckBrowseMode();
  MoveBy(rec_no - 1 - static_cast<int>(cursor_));
}

int TStoreTable::RecNo() const {
  if (state_ == TableState::kInsert) return static_cast<int>(insert_position_) + 1;
  return View().empty() ? 0 : static_cast<int>(cursor_) + 1;
}

int TStoreTable::RecordCount() const { return static_cast<int>(View().size()); }

bool TStoreTable::Locate(std::string_view field, std::string_view value, LocateOptions options) {
  CheckActive();
  const auto index = FieldIndex(field);
  if (!index) FailFieldNotFound(field);
  const ValueKind kind = ValueKindOf(kinds_[*index]);
  if (kind != ValueKind::kText) {
    const FieldValue wanted{std::string(value)};
    const auto key = ToValueKind(wanted, kind, decimal_separator_);
    if (!key) FailConversion(wanted, kind, fields_[*index].name, decimal_separator_);
    return LocateWhere([&](const FieldValue& v) { return CompareValues(v, *key, kind) == 0; },
                       *index);
  }
  return LocateWhere(
      [&](const FieldValue& v) {
        std::string_view text = TextOf(v);
        if (options.partial_key && text.size() > value.size()) text = text.substr(0, value.size());
        return options.case_insensitive ? EqualsIgnoringCase(text, value) : text == value;
      },
      *index);
}

bool TStoreTable::Locate(std::string_view field, double value) {
  CheckActive();
  const auto index = FieldIndex(field);
  if (!index) FailFieldNotFound(field);
  const ValueKind kind = ValueKindOf(kinds_[*index]);
  if (kind == ValueKind::kText) return Locate(field, FloatToText(value, decimal_separator_));
  if (kind == ValueKind::kInteger && value != std::round(value)) return false;
  const auto key = ToValueKind(FieldValue{value}, kind, decimal_separator_);
  if (!key) return false;  // beyond the int64 range
  return LocateWhere([&](const FieldValue& v) { return CompareValues(v, *key, kind) == 0; },
                     *index);
}

bool TStoreTable::LocateWhere(const std::function<bool(const FieldValue&)>& matches,
                              std::size_t field) {
  CheckBrowseMode();
  const auto& rows = View();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!matches(ValueAt(rows[i], field))) continue;
    const bool moved = i != cursor_;
    GoTo(i, false, false);
    if (moved) Scrolled();
    return true;
  }
  return false;
}

// --- Editing

void TStoreTable::Insert() { StartInsert(false); }
void TStoreTable::Append() { StartInsert(true); }

void TStoreTable::StartInsert(bool append) {
  CheckActive();
  if (read_only_) throw EStoreError(kReadOnlyInsert);
  CheckBrowseMode();
  if (BeforeInsert) BeforeInsert(*this);
  CheckBrowseMode();  // in case the handler started an edit

  Record record(fields_.size());
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const auto& default_value = fields_[i].default_value;
    if (!default_value || auto_inc_field_ == i) continue;
    const FieldKind kind = kinds_[i];
    if (*default_value == "TODAY" && kind == FieldKind::kDate) {
      record[i] = NowLocal().day;
    } else if (*default_value == "NOW" && kind == FieldKind::kDateTime) {
      const LocalMoment now = NowLocal();
      record[i] = static_cast<double>(now.day) + static_cast<double>(now.milliseconds) / 86400000.0;
    } else if (*default_value == "NOW" && kind == FieldKind::kTime) {
      record[i] = NowLocal().milliseconds;
    } else if (*default_value == "UNICOD" && ValueKindOf(kind) == ValueKind::kText) {
      record[i] = Converted(i, FieldValue{UniqueCode()});
    } else {
      record[i] = Converted(i, FieldValue{*default_value});
    }
  }
  if (range_key_ && master_ != nullptr) {
    for (std::size_t k = 0; k < range_fields_.size(); ++k) {
      if (auto_inc_field_ != range_fields_[k]) {
        record[range_fields_[k]] = Converted(range_fields_[k], (*range_key_)[k]);
      }
    }
  }
  if (const auto a = auto_inc_field_) {
    if (auto_inc_counter_ >= std::numeric_limits<std::int32_t>::max()) {
      throw EStoreError("Field '" + fields_[*a].name + "' has no auto-increment value left");
    }
    record[*a] = ++auto_inc_counter_;
  }

  const std::size_t size = View().size();
  insert_position_ = append || size == 0 ? size : cursor_;
  buffer_ = std::move(record);
  edit_row_ = kNoRow;
  state_ = TableState::kInsert;
  bof_ = eof_ = false;
  Changed();
  NotifyDetails(true);
  if (AfterInsert) AfterInsert(*this);
  if (AfterScroll) AfterScroll(*this);
}

void TStoreTable::Edit() {
  CheckActive();
  if (state_ != TableState::kBrowse) return;
  if (read_only_) throw EStoreError(kReadOnlyEdit);
  const RowId row = CurrentRow();
  if (row == kNoRow) throw EStoreError(kEmptyRange);
  buffer_ = RecordAt(row);
  edit_row_ = row;
  state_ = TableState::kEdit;
  Changed();
}

void TStoreTable::Post() {
  CheckActive();
  if (state_ == TableState::kBrowse) return;
  const bool inserting = state_ == TableState::kInsert;
  if (read_only_) throw EStoreError(inserting ? kReadOnlyInsert : kReadOnlyEdit);
  if (BeforePost) BeforePost(*this);
  if (state_ != (inserting ? TableState::kInsert : TableState::kEdit)) return;  // handler ended it

  auto& rows = View();
  const auto less = [this](RowId a, RowId b) { return RowLess(a, b); };
  RowId row = kNoRow;
  try {
    std::string bytes;
    // A value set to 0, false or the empty text stays one until the table is
    // saved and read again.
    AppendRecord(&bytes, fields_, kinds_, buffer_, offsets_.size() + 1, true);
    if (inserting) {
      if (offsets_.size() + 1 >= kNoRow) throw std::length_error("too many records");
      ReserveOneMore(offsets_);
      ReserveOneMore(index_);
      if (master_ != nullptr) ReserveOneMore(view_);
    }
    // Records are found by 32-bit offsets: a table's file holds less than
    // 2 GiB, and so many edits in one session that the records outgrow
    // 4 GiB are refused.
    if (data_.size() + bytes.size() >= kDeletedRow)
      throw std::length_error("the table is too large");
    const auto offset = static_cast<std::uint32_t>(data_.size());
    data_.insert(data_.end(), bytes.begin(), bytes.end());  // nothing throws from here on
    if (inserting) {
      row = static_cast<RowId>(offsets_.size());
      offsets_.push_back(offset);
    } else {
      row = edit_row_;
      const std::size_t in_index = PositionOf(index_, row, *this);
      if (in_index < index_.size()) {
        index_.erase(index_.begin() + static_cast<std::ptrdiff_t>(in_index));
      }
      if (master_ != nullptr) {
        const std::size_t at = PositionOf(view_, row, *this);
        if (at < view_.size()) view_.erase(view_.begin() + static_cast<std::ptrdiff_t>(at));
      }
      offsets_[row] = offset;
    }
  } catch (const std::exception& e) {
    throw EStoreError(
        std::string(inserting ? "Error saving new record: " : "Error saving record: ") + e.what());
  }
  // No allocation below: the vectors have room for the row.
  index_.insert(std::upper_bound(index_.begin(), index_.end(), row, less), row);
  if (master_ != nullptr && InRange(row)) {
    view_.insert(std::upper_bound(view_.begin(), view_.end(), row, less), row);
  }
  const std::size_t at = PositionOf(rows, row, *this);
  if (at < rows.size()) {
    cursor_ = at;
  } else if (!rows.empty()) {
    cursor_ = std::min(inserting ? insert_position_ : cursor_, rows.size() - 1);
  } else {
    cursor_ = 0;
  }
  buffer_.clear();
  edit_row_ = kNoRow;
  state_ = TableState::kBrowse;
  bof_ = eof_ = rows.empty();
  ++modification_count_;
  Changed();
  NotifyDetails(false);
  if (AfterPost) AfterPost(*this);
}

void TStoreTable::Cancel() {
  CheckActive();
  if (state_ == TableState::kBrowse) return;
  const bool inserting = state_ == TableState::kInsert;
  buffer_.clear();
  edit_row_ = kNoRow;
  state_ = TableState::kBrowse;
  if (inserting) bof_ = eof_ = View().empty();
  Changed();
  NotifyDetails(inserting);
  if (AfterCancel) AfterCancel(*this);
  if (inserting && AfterScroll) AfterScroll(*this);
}

void TStoreTable::Delete() {
  CheckActive();
  if (state_ == TableState::kInsert) {
    Cancel();
    return;
  }
  if (read_only_) throw EStoreError(kReadOnlyDelete);
  const RowId row = state_ == TableState::kEdit ? edit_row_ : CurrentRow();
  if (row == kNoRow) throw EStoreError(kEmptyRange);
  if (BeforeDelete) BeforeDelete(*this);

  // The handler may have moved the cursor or deleted records, this one too.
  if (row >= offsets_.size() || offsets_[row] == kDeletedRow) return;
  if (state_ != TableState::kBrowse) {
    buffer_.clear();
    edit_row_ = kNoRow;
    state_ = TableState::kBrowse;
  }
  auto& rows = View();
  std::size_t position = PositionOf(rows, row, *this);
  if (position >= rows.size()) position = std::min(cursor_, rows.size());
  try {
    if (master_ != nullptr) {
      const std::size_t at = PositionOf(view_, row, *this);
      if (at < view_.size()) view_.erase(view_.begin() + static_cast<std::ptrdiff_t>(at));
    }
    const std::size_t in_index = PositionOf(index_, row, *this);
    if (in_index < index_.size()) {
      index_.erase(index_.begin() + static_cast<std::ptrdiff_t>(in_index));
    }
    offsets_[row] = kDeletedRow;
  } catch (const std::exception& e) {
    throw EStoreError(std::string("Error deleting record: ") + e.what());
  }
  const std::size_t size = rows.size();
  const bool was_last = position >= size;
  GoTo(size == 0 ? 0 : std::min(position, size - 1), size == 0, was_last || size == 0);
  ++modification_count_;
  Changed();
  NotifyDetails(true);
  if (AfterDelete) AfterDelete(*this);
  if (AfterScroll) AfterScroll(*this);
}

}  // namespace binodal
