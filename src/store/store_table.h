// The table store: tables held wholly in memory, loaded from and saved to
// table files (store/table_file.h) in a database folder.
//
// TStoreDatabase names the folder. TStoreTable is one table: Open reads its
// whole file, every record then lives in memory, and SaveToFile writes the
// whole table again; nothing reaches the disk in between. On top of that a
// table offers a cursor over its records in index order, the editing cycle
// Insert/Edit/Post/Cancel/Delete with events, master-detail ranges and a
// read-only mode.
//
// Ownership and threads: a table owns its records. It observes its database
// and its master through raw pointers: the database must outlive its tables,
// and a master and its details unlink each other when destroyed. The store is
// single-threaded: a table and every table linked to it are used from one
// thread at a time.
//
// Errors: EStoreError with the message the user sees; EAbort when an event
// handler abandons an operation (the caller shows nothing); std::invalid_argument
// or std::out_of_range for misuse that is a programming error.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/folder_files.h"
#include "store/table_file.h"

namespace binodal {

// An error of the table store. what() is the text shown to the user, for
// example "Error opening file /data/systems.d" or
// "Error opening table: Unexpected end of buffer".
class EStoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Thrown by a BeforeInsert, BeforePost or BeforeDelete handler to abandon the
// operation silently: no insert is started, no record is stored (the table
// stays in edit or insert state with its values) or none is deleted, and the
// store lets EAbort pass to the caller, which shows no message for it.
class EAbort : public std::exception {
 public:
  [[nodiscard]] const char* what() const noexcept override { return "Operation aborted"; }
};

class TStoreTable;

// The database folder.
//
// Besides naming the folder, the database saves several of its tables as one
// change and keeps two programs from writing the folder at the same time.
//
// A save (SaveTables) writes every changed table to a scratch file first, then
// commits the set by renaming one small journal file, "binodal.commit", into
// the folder, and only then renames the scratch files over the tables. A save
// that fails or is killed before the commit leaves every table as it was; one
// killed after it is completed by the next ReadTables. The commit and the
// reading of a set of tables exclude each other through a lock on the folder,
// so a reader never sees half of a save.
//
// Writers hold "binodal.lock" in the folder (LockForWriting) from loading to
// saving; the file names the program that holds it. The locks are advisory
// (flock) and end with the process that holds them, however it ends.
class TStoreDatabase {
 public:
  TStoreDatabase();
  explicit TStoreDatabase(std::string path);
  TStoreDatabase(TStoreDatabase&& other) noexcept;
  TStoreDatabase& operator=(TStoreDatabase&& other) noexcept;
  ~TStoreDatabase();

  // The folder, ending with the native path separator; empty for the working
  // folder. Changing it does not reload open tables (Refresh does); it
  // releases the writer lock of the old folder.
  [[nodiscard]] const std::string& DatabasePath() const { return path_; }
  // Stores `path`, appending a separator when it has none at its end.
  void SetDatabasePath(std::string path);

  // Takes the folder's writer lock, without waiting; nothing when this
  // database holds it already. Throws EStoreError "The database in <folder>
  // is in use by <program> (pid <n> on <host>)" when another holds it, and
  // "Cannot lock the database in <folder>: <reason>" when the lock file
  // cannot be made.
  void LockForWriting();
  void UnlockForWriting();
  [[nodiscard]] bool LockedForWriting() const;

  // Runs `read`, which opens or refreshes tables of this folder, as one read
  // of a consistent set: it waits while a save is being committed, and first
  // completes a save that was killed after its commit. When no writer is at
  // work (or this database is the writer), it also removes the scratch files
  // of saves that were killed before their commit.
  void ReadTables(const std::function<void()>& read);

  // Writes the tables that changed since they were loaded or saved (all of
  // them files of this folder) as one change: afterwards either all of them
  // hold the new records or, when the save fails or the process is killed
  // before the commit, all files are as they were. Nothing happens when no
  // table changed (not even the checks below). Without the writer lock
  // the save takes it for its duration. Refuses, before writing anything,
  // when a table's file is no longer the one the table was loaded from ("The
  // database in <folder> was changed by another program since it was opened
  // (<file>); nothing was saved"). Other failures throw EStoreError "Error
  // saving file <path>: <reason>".
  void SaveTables(std::span<TStoreTable* const> tables);

 private:
  struct Locks;
  std::string path_;
  std::unique_ptr<Locks> locks_;
};

enum class TableState : std::uint8_t { kInactive, kBrowse, kEdit, kInsert };

struct LocateOptions {
  bool case_insensitive = false;  // ASCII letters compare without regard to case
  bool partial_key = false;       // the value need only be the beginning of the field's text
};

class TStoreTable;
using TTableEvent = std::function<void(TStoreTable&)>;

// One field of a table's current record. A light handle: it stays valid while
// the table stays open (Close, Refresh and a re-Open invalidate it).
//
// Reading gives the value of the current record: in edit or insert state the
// record being edited, in browse state the current record of the range, and no
// value when the range is empty. A field without a value reads as 0, false or
// the empty text. Reading a text that is no number as a number throws
// EStoreError ("'%s' is not a valid floating point value for field '%s'").
//
// Writing needs edit or insert state ("Dataset not in edit or insert mode"),
// and a field that is not ReadOnly ("Field '%s' cannot be modified"). The
// value is converted to the field's kind: texts are read as numbers with the
// table's decimal separator or as "True"/"False"; numbers of an integer field
// are rounded and must fit its size; the empty text clears the field; a text
// longer than the field's maximum length is cut to it at a character
// boundary. Conversion errors throw EStoreError and leave the field as it was.
class TStoreField {
 public:
  [[nodiscard]] const FieldDef& Def() const;
  [[nodiscard]] const std::string& Name() const { return Def().name; }
  [[nodiscard]] FieldKind Kind() const;
  [[nodiscard]] std::size_t Index() const { return index_; }
  // True for the table's auto-increment field, whose values the store gives.
  [[nodiscard]] bool ReadOnly() const;

  [[nodiscard]] FieldValue Value() const;
  [[nodiscard]] bool IsNull() const;
  [[nodiscard]] std::string AsString() const;  // doubles in the general format
  [[nodiscard]] double AsFloat() const;
  [[nodiscard]] std::int64_t AsInteger() const;
  [[nodiscard]] bool AsBoolean() const;

  void SetValue(const FieldValue& value);
  void SetAsString(std::string_view text);
  void SetAsFloat(double value);
  void SetAsInteger(std::int64_t value);
  void SetAsBoolean(bool value);
  void Clear();

 private:
  friend class TStoreTable;
  TStoreField(TStoreTable* table, std::size_t index) : table_(table), index_(index) {}

  TStoreTable* table_;
  std::size_t index_;
};

class TStoreTable {
 public:
  explicit TStoreTable(TStoreDatabase* database = nullptr) : database_(database) {}
  TStoreTable(const TStoreTable&) = delete;
  TStoreTable& operator=(const TStoreTable&) = delete;
  ~TStoreTable();

  // --- Configuration (any time; what needs the records takes effect at once
  // when the table is open).

  [[nodiscard]] TStoreDatabase* Database() const { return database_; }
  void SetDatabase(TStoreDatabase* database) { database_ = database; }
  // A bare file name is taken relative to the database's DatabasePath; a name
  // with a folder part is used as it is. Used by the next Open or Refresh.
  [[nodiscard]] const std::string& TableName() const { return table_name_; }
  void SetTableName(std::string name) { table_name_ = std::move(name); }
  [[nodiscard]] std::string FullPath() const;

  // Semicolon-separated field names. Records are kept in ascending order of
  // these fields, the first deciding first: numbers by value, booleans false
  // first, texts by byte codes (a text before every longer text it begins,
  // the empty text first); a field without a value counts as 0, false or
  // empty; records that compare equal keep their load and insertion order.
  // Empty: the load and insertion order, which for a table with an
  // auto-increment field is ascending auto-increment value. Throws
  // EStoreError "Field '%s' not found" on an open table for an unknown field.
  [[nodiscard]] const std::string& IndexFieldNames() const { return index_field_names_; }
  void SetIndexFieldNames(std::string names);

  // Refuses inserts, edits and deletes, each with its own message.
  [[nodiscard]] bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only) { read_only_ = read_only; }

  // SaveToFile writes the records in index order instead of load and
  // insertion order.
  [[nodiscard]] bool SaveSortOnIndex() const { return save_sort_on_index_; }
  void SetSaveSortOnIndex(bool on) { save_sort_on_index_ = on; }

  // Decimal separator of texts read into and written from double fields.
  [[nodiscard]] char DecimalSeparator() const { return decimal_separator_; }
  void SetDecimalSeparator(char separator) { decimal_separator_ = separator; }

  // Links this table as a detail of `master` (nullptr: unlinks): the table
  // then shows only the records whose `range_field_names` fields equal the
  // `master_fields` fields of the master's current record (both
  // semicolon-separated, equally many), and none while the master is closed
  // or empty. Whenever the master's current record changes, the detail posts
  // its pending edit, takes the new range and goes to its first record. A
  // record inserted into the detail gets the master's values in its range
  // fields before AfterInsert runs. Throws std::invalid_argument for a link
  // that would make a cycle, and EStoreError when an open table lacks a field.
  void SetMaster(TStoreTable* master, std::string master_fields, std::string range_field_names);
  [[nodiscard]] TStoreTable* Master() const { return master_; }
  [[nodiscard]] const std::string& MasterFields() const { return master_fields_; }
  [[nodiscard]] const std::string& RangeFieldNames() const { return range_field_names_; }

  // The fields the program reads and writes. Open and Refresh refuse a file
  // that lacks one of them, or holds one with values of another kind (texts
  // where numbers are read), with EStoreError "Error opening table: Field
  // '<name>' not found in <path>" or "... Field '<name>' has the wrong type in
  // <path>". Names compare without regard to case.
  void SetRequiredFields(std::vector<FieldDef> fields) { required_fields_ = std::move(fields); }

  // --- Lifecycle.

  // Reads the whole file into memory and goes to the first record of the
  // range. A number or boolean that a record does not hold reads as 0 or
  // false (IsNull false), a text as the empty text. Nothing when already
  // open. Failures leave the table closed: EStoreError "Error opening file
  // <full path>" when the file cannot be read, "Error opening table:
  // <message>" when its content is malformed.
  void Open();
  // Drops the table from memory; unsaved changes are lost.
  void Close();
  [[nodiscard]] bool Active() const { return state_ != TableState::kInactive; }
  // Posts a pending edit and reads the file again (from the current FullPath),
  // going to the first record. On failure the table is closed and the error
  // of Open is thrown.
  void Refresh();
  // Writes the whole table (every record, not only the range; a pending edit
  // or insert is not included) with its field descriptions to `path`,
  // replacing the file. The bytes go to a new file in the same folder, which
  // then replaces the old one in one step: a failed save leaves the old file
  // as it was and throws EStoreError "Error saving file <path>: <reason>".
  void SaveToFile(const std::string& path) const;
  // Drops a pending edit or insert and deletes every record, without delete
  // events; refused on a read-only table.
  void EmptyTable();
  // Writes an empty table with these fields to FullPath() (replacing a file
  // there), as SaveToFile writes. Every alias becomes "XXX"; a text field
  // takes the short form up to 35 bytes and "s" above. The table must be
  // closed; invalid or duplicate (by case-insensitive name) definitions throw
  // EStoreError.
  void CreateTable(std::span<const FieldDef> fields);

  // Inserts, posted edits and deletes since the table was loaded.
  [[nodiscard]] std::int64_t ModificationCount() const { return modification_count_; }
  // True when records were inserted, edited or deleted since the table was
  // loaded or its database last saved it (TStoreDatabase::SaveTables).
  [[nodiscard]] bool ChangedSinceSave() const {
    return modification_count_ != saved_modification_count_;
  }
  [[nodiscard]] TableState State() const { return state_; }
  [[nodiscard]] const std::vector<FieldDef>& Fields() const { return fields_; }
  [[nodiscard]] const std::optional<std::string>& Notes() const { return notes_; }
  // The auto-increment counter: the highest value loaded or given so far.
  [[nodiscard]] std::int64_t AutoIncrementValue() const { return auto_inc_counter_; }
  // Raises the counter to `value` when it is lower, so that no record
  // inserted later gets a value up to `value`.
  void ReserveAutoIncrement(std::int64_t value) {
    auto_inc_counter_ = std::max(auto_inc_counter_, value);
  }
  // The highest value of the integer field `name` over every record of the
  // table, not only the range; 0 when there is none. Throws EStoreError
  // "Field '%s' not found".
  [[nodiscard]] std::int64_t HighestValue(std::string_view name) const;

  // --- Fields of the current record. Names compare without regard to case.

  [[nodiscard]] std::optional<std::size_t> FieldIndex(std::string_view name) const;
  // Throws EStoreError "Field '%s' not found".
  [[nodiscard]] TStoreField FieldByName(std::string_view name);
  [[nodiscard]] std::optional<TStoreField> FindField(std::string_view name);
  // Throws std::out_of_range for an index beyond the fields.
  [[nodiscard]] TStoreField Field(std::size_t index);

  // The text of a posted value of the range without moving the cursor (for
  // views); rec_no counts from 1. Throws std::out_of_range.
  [[nodiscard]] std::string TextAt(int rec_no, std::size_t field) const;

  // --- Cursor over the current range. A move first posts a pending edit; a
  // move that changes the current record re-ranges the details and then fires
  // AfterScroll. Operations on a closed table throw EStoreError.

  void First();  // Bof() true afterwards
  void Last();   // Eof() true afterwards
  void Next();   // at the last record: stays, Eof() becomes true
  void Prior();  // at the first record: stays, Bof() becomes true
  // Moves by `distance` records within the range and returns how far it moved.
  int MoveBy(int distance);
  // Goes to record rec_no (from 1), clamped to the range.
  void SetRecNo(int rec_no);
  [[nodiscard]] bool Eof() const { return eof_; }
  [[nodiscard]] bool Bof() const { return bof_; }
  [[nodiscard]] bool IsEmpty() const { return RecordCount() == 0; }
  // Position of the current record within the range, from 1; 0 when the range
  // is empty. In insert state the position where the new record was opened.
  [[nodiscard]] int RecNo() const;
  // Posted records in the current range.
  [[nodiscard]] int RecordCount() const;
  // Makes the first record of the range (in index order) whose field equals
  // `value` current and returns true; returns false and stays otherwise. A
  // text field compares the texts with the options; any other field compares
  // the value read from the text (a text that is no such value throws
  // EStoreError). A field without a value equals 0, false and the empty text.
  // Posts a pending edit first.
  bool Locate(std::string_view field, std::string_view value, LocateOptions options = {});
  // As above for a number: an integer field matches whole numbers only, a
  // text field compares with the number's text.
  bool Locate(std::string_view field, double value);

  // --- Editing. Refusals of a read-only table throw EStoreError before any
  // event runs: "You have read only access, you can not add records!" (Insert,
  // Append, posting an insert), "Read-only record cannot be changed" (Edit,
  // posting an edit, writing a field), "Read-only record cannot be deleted"
  // (Delete, EmptyTable).

  // Posts a pending edit, runs BeforeInsert, then opens a new record at the
  // cursor (Append: after the last record): field defaults, the next
  // auto-increment value (given even when the insert is cancelled later),
  // the master's values in the range fields; then AfterInsert and
  // AfterScroll. On Post the record takes its place in index order (or at
  // the end of the load and insertion order).
  void Insert();
  void Append();
  // Starts editing the current record. Nothing in edit or insert state;
  // throws EStoreError on an empty range.
  void Edit();
  // Nothing in browse state. Runs BeforePost (EAbort keeps the state), stores
  // the record, then AfterPost. Errors of the in-memory store throw
  // EStoreError "Error saving new record: " / "Error saving record: " + reason.
  void Post();
  // Drops the pending edit or insert; AfterCancel, and AfterScroll after an
  // insert. Nothing in browse state.
  void Cancel();
  // In insert state: Cancel. Otherwise runs BeforeDelete (EAbort keeps the
  // record), removes the current record (a pending edit is dropped) and makes
  // the next one current (the new last one when it was the last, with Eof()
  // true); AfterDelete, AfterScroll.
  void Delete();

  // --- Events. Handlers may use this and other tables; they run after the
  // store's own checks.
  TTableEvent BeforeInsert, AfterInsert, BeforePost, AfterPost, BeforeDelete, AfterDelete,
      AfterCancel, AfterScroll;
  // After any change of the records, their values, the range or the state
  // (open, close, insert, edit, field writes, post, cancel, delete, re-range),
  // but not after a mere cursor move. For views that redisplay.
  TTableEvent OnDataChanged;

 private:
  friend class TStoreField;
  friend class TStoreDatabase;
  // Rows are numbered in load and insertion order; a deleted row keeps its
  // number. A row's record stays in the layout of a table file (the file's own
  // bytes, or those a Post appended), decoded when a value is read: a table
  // takes little more memory than its file, whatever the file declares.
  using RowId = std::uint32_t;
  static constexpr RowId kNoRow = ~RowId{0};
  static constexpr std::uint32_t kDeletedRow = ~std::uint32_t{0};
  struct Loaded;

  [[nodiscard]] Loaded Load() const;
  // The bytes SaveToFile writes; EStoreError "Error saving file <path>: ...".
  [[nodiscard]] std::string FileBytes(const std::string& path) const;
  void Install(Loaded loaded);
  void ClearData();
  void CheckActive() const;
  void CheckBrowseMode();
  void StartInsert(bool append);

  [[nodiscard]] std::vector<RowId>& View() { return master_ != nullptr ? view_ : index_; }
  [[nodiscard]] const std::vector<RowId>& View() const {
    return master_ != nullptr ? view_ : index_;
  }
  [[nodiscard]] RowId CurrentRow() const;  // kNoRow: none
  [[nodiscard]] bool HasCurrentRecord() const;
  [[nodiscard]] FieldValue CurrentValue(std::size_t field) const;
  [[nodiscard]] FieldValue ValueAt(RowId row, std::size_t field) const;
  [[nodiscard]] Record RecordAt(RowId row) const;
  void Assign(std::size_t field, const FieldValue& value);
  [[nodiscard]] FieldValue Converted(std::size_t field, const FieldValue& value) const;

  [[nodiscard]] bool RowLess(RowId a, RowId b) const;
  [[nodiscard]] bool InRange(RowId row) const;
  void SortIndex();
  void RebuildView();
  [[nodiscard]] static std::size_t PositionOf(const std::vector<RowId>& rows, RowId row,
                                              const TStoreTable& table);
  bool LocateWhere(const std::function<bool(const FieldValue&)>& matches, std::size_t field);
  void GoTo(std::size_t position, bool bof, bool eof);
  void Scrolled();
  void Changed();

  [[nodiscard]] std::optional<Record> MasterKey() const;
  void TakeRange();
  void MasterChanged(bool record_changed);
  void NotifyDetails(bool record_changed);

  // Configuration.
  TStoreDatabase* database_;
  std::string table_name_;
  std::string index_field_names_;
  bool read_only_ = false;
  bool save_sort_on_index_ = false;
  char decimal_separator_ = '.';
  TStoreTable* master_ = nullptr;
  std::string master_fields_;
  std::string range_field_names_;
  std::vector<TStoreTable*> details_;
  std::vector<FieldDef> required_fields_;

  // Content of an open table.
  TableState state_ = TableState::kInactive;
  std::vector<FieldDef> fields_;
  std::vector<FieldKind> kinds_;
  std::optional<std::string> notes_;
  std::vector<unsigned char> data_;     // the records' bytes
  std::vector<std::uint32_t> offsets_;  // by RowId: where its record starts in data_
  std::vector<RowId> index_;            // the rows not deleted, in index order
  std::vector<RowId> view_;             // the range, in index order (detail only)
  std::vector<std::size_t> index_fields_;
  std::vector<std::size_t> range_fields_;
  std::optional<std::size_t> auto_inc_field_;
  std::int64_t auto_inc_counter_ = 0;
  std::int64_t modification_count_ = 0;
  std::int64_t saved_modification_count_ = 0;
  store_files::FileStamp file_stamp_;  // of the file loaded or last saved
  std::optional<Record> range_key_;    // the master's values; none: empty range
  std::optional<Record> range_match_;  // range_key_ in this table's field kinds

  // Cursor and edit buffer.
  std::size_t cursor_ = 0;
  bool bof_ = true;
  bool eof_ = true;
  Record buffer_;
  RowId edit_row_ = kNoRow;
  std::size_t insert_position_ = 0;
};

}  // namespace binodal
