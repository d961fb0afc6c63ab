#include "thermo/data_module.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "common/number_format.h"
#include "thermo/text_routines.h"

namespace binodal {
namespace {

namespace fs = std::filesystem;

FieldDef Field(std::string name, FieldKind kind, std::int32_t length = 0) {
  return MakeField(std::move(name), kind, length);
}

std::string Counter(const TStoreTable& table) {
  return std::to_string(table.RecNo()) + "/" + std::to_string(table.RecordCount());
}

}  // namespace

std::vector<FieldDef> TDM::FieldDefinitions(std::string_view file_name) {
  using K = FieldKind;
  if (file_name == kSystemsFile) {
    return {Field("System_id", K::kAutoInc),
            Field("System_designation", K::kString, 50),
            Field("Amount_of_elements", K::kSmallInt),
            Field("Element1", K::kShortText, 20),
            Field("Element2", K::kShortText, 20),
            Field("Element3", K::kShortText, 20),
            Field("Comment", K::kMemo),
            Field("Abbreviations", K::kMemo),
            Field("Ymin", K::kFloat),
            Field("Ymax", K::kFloat),
            Field("Zvalue", K::kFloat),
            Field("Xpoints", K::kSmallInt),
            Field("Ypoints", K::kSmallInt),
            Field("ShowMosaicDiagram", K::kBoolean),
            Field("ShowChart", K::kBoolean),
            Field("Yparameter", K::kShortText, 20)};
  }
  if (file_name == kPhasesFile) {
    return {Field("Phase_id", K::kAutoInc), Field("FK_system", K::kInteger),
            Field("Phase_designation", K::kString, 50)};
  }
  if (file_name == kGibbsFile) {
    return {Field("FK_Phase", K::kInteger), Field("Tmin", K::kFloat),      Field("Tmax", K::kFloat),
            Field("X", K::kString, 100),    Field("Expression", K::kMemo), Field("Xmin", K::kFloat),
            Field("Xmax", K::kFloat)};
  }
  if (file_name == kStabilityFile) {
    return {Field("Id", K::kAutoInc), Field("Designation", K::kShortText, 20),
            Field("Comment", K::kMemo)};
  }
  if (file_name == kStabDetFile) {
    return {Field("Id", K::kInteger),      Field("Tmin", K::kFloat), Field("Tmax", K::kFloat),
            Field("Expression", K::kMemo), Field("Xmin", K::kFloat), Field("Xmax", K::kFloat)};
  }
  if (file_name == kExperimentFile) {
    return {Field("system_id", K::kInteger),  Field("SQUIB", K::kString, 100),
            Field("X_descr", K::kString, 50), Field("X_value", K::kFloat),
            Field("Y_descr", K::kString, 50), Field("Y_value", K::kFloat)};
  }
  throw std::invalid_argument("no table named " + std::string(file_name));
}

TDM::TDM(Dialogs& dialogs)
    : tblSystems(&StoreDatabase1),
      tblPhases(&StoreDatabase1),
      tblGibbs(&StoreDatabase1),
      tblStability(&StoreDatabase1),
      tblStabDet(&StoreDatabase1),
      tblExperiment(&StoreDatabase1),
      dialogs_(dialogs) {
  Configure();
}

void TDM::Configure() {
  tblSystems.SetTableName(kSystemsFile);
  tblSystems.SetIndexFieldNames("Element1;Element2;Element3");
  tblSystems.SetSaveSortOnIndex(true);

  tblPhases.SetTableName(kPhasesFile);
  tblPhases.SetMaster(&tblSystems, "System_id", "FK_system");

  tblGibbs.SetTableName(kGibbsFile);
  tblGibbs.SetIndexFieldNames("Tmin;Tmax");
  tblGibbs.SetMaster(&tblPhases, "Phase_id", "FK_Phase");

  tblStability.SetTableName(kStabilityFile);
  tblStability.SetIndexFieldNames("Designation");

  tblStabDet.SetTableName(kStabDetFile);
  tblStabDet.SetIndexFieldNames("Tmin;Tmax");
  tblStabDet.SetMaster(&tblStability, "Id", "Id");

  tblExperiment.SetTableName(kExperimentFile);
  tblExperiment.SetMaster(&tblSystems, "System_id", "system_id");

  for (TStoreTable* table : Tables()) {
    table->SetRequiredFields(FieldDefinitions(table->TableName()));
  }

  const char separator = LocaleSeparators().decimal;
  for (TStoreTable* table : Tables()) table->SetDecimalSeparator(separator);

  const auto bind = [this](TTableEvent& event, void (TDM::*handler)(TStoreTable&)) {
    event = [this, handler](TStoreTable& table) { (this->*handler)(table); };
  };
  bind(tblSystems.AfterInsert, &TDM::tblSystemsAfterInsert);
  bind(tblSystems.BeforePost, &TDM::tblSystemsBeforePost);
  bind(tblSystems.BeforeDelete, &TDM::tblSystemsBeforeDelete);
  bind(tblSystems.AfterScroll, &TDM::tblSystemsAfterScroll);
  bind(tblPhases.BeforeInsert, &TDM::tblPhasesBeforeInsert);
  bind(tblPhases.BeforeDelete, &TDM::tblPhasesBeforeDelete);
  bind(tblGibbs.BeforeInsert, &TDM::tblGibbsBeforeInsert);
  bind(tblGibbs.AfterInsert, &TDM::tblGibbsAfterInsert);
  bind(tblGibbs.BeforePost, &TDM::tblGibbsBeforePost);
  bind(tblGibbs.AfterScroll, &TDM::tblGibbsAfterScroll);
  bind(tblStability.BeforeDelete, &TDM::tblStabilityBeforeDelete);
  bind(tblStabDet.BeforeInsert, &TDM::tblStabDetBeforeInsert);
  bind(tblStabDet.AfterInsert, &TDM::tblStabDetAfterInsert);
  bind(tblStabDet.BeforePost, &TDM::tblStabDetBeforePost);
  bind(tblStabDet.AfterScroll, &TDM::tblStabDetAfterScroll);

  YSelectorIndex = [this]() {
    if (!tblSystems.Active() || tblSystems.IsEmpty()) return -1;
    return YItemIndex(tblSystems.FieldByName("Yparameter").AsString());
  };
}

int YItemIndex(std::string_view yparameter) {
  const std::string_view text = TrimControl(yparameter);
  for (int i = 0; i < 3; ++i) {
    const std::string_view item = kYItems[i];
    if (text.size() == item.size() &&
        std::equal(text.begin(), text.end(), item.begin(), [](char a, char b) {
          const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
          };
          return lower(a) == lower(b);
        })) {
      return i;
    }
  }
  return -1;
}

std::vector<TStoreTable*> TDM::Tables() {
  return {&tblSystems, &tblPhases, &tblGibbs, &tblStability, &tblStabDet, &tblExperiment};
}

// --- Whole-database operations.

bool TDM::Start(const std::string& folder, Access access) {
  StoreDatabase1.SetDatabasePath(folder);
  open_error_.clear();
  lock_refused_ = false;
  if (access == Access::kWrite) {
    try {
      StoreDatabase1.LockForWriting();
    } catch (const EStoreError& e) {
      open_error_ = e.what();
      lock_refused_ = true;
      return false;
    }
  }
  for (TStoreTable* table : Tables()) {
    if (table != &tblSystems) table->SetReadOnly(ReadOnlyBox);
  }
  if (OpenTables()) return true;
  StoreDatabase1.UnlockForWriting();
  return false;
}

void TDM::OpenAll() {
  StoreDatabase1.ReadTables([this] {
    for (TStoreTable* table : Tables()) table->Open();
  });
  // Deleting a system keeps its experimental points. The key counters start
  // from the highest key loaded, so without this a new system could take a
  // deleted system's key and with it that system's points (and a new phase
  // the pieces an older file left behind).
  tblSystems.ReserveAutoIncrement(tblExperiment.HighestValue("system_id"));
  tblSystems.ReserveAutoIncrement(tblPhases.HighestValue("FK_system"));
  tblPhases.ReserveAutoIncrement(tblGibbs.HighestValue("FK_Phase"));
}

bool TDM::OpenTables() {
  open_error_.clear();
  try {
    OpenAll();
  } catch (const std::exception& e) {
    open_error_ = e.what();
    CloseTables();
    dialogs_.Error("Can not open database files");
    return false;
  }
  for (TStoreTable* table : Tables()) {
    if (table != &tblSystems) table->SetReadOnly(true);
  }
  return true;
}

void TDM::CloseTables() {
  // Details first, so that no detail re-ranges against a closing master.
  for (TStoreTable* table :
       {&tblExperiment, &tblStabDet, &tblStability, &tblGibbs, &tblPhases, &tblSystems}) {
    table->Close();
  }
}

void TDM::PostAll() {
  for (TStoreTable* table : Tables()) {
    if (table->State() == TableState::kEdit || table->State() == TableState::kInsert) {
      table->Post();
    }
  }
}

void TDM::SaveDatabase() {
  PostAll();
  const std::vector<TStoreTable*> tables = Tables();
  StoreDatabase1.SaveTables(tables);
}

bool TDM::Modified() const {
  for (const TStoreTable* table :
       {&tblSystems, &tblPhases, &tblGibbs, &tblStability, &tblStabDet, &tblExperiment}) {
    if (table->ChangedSinceSave() || table->State() == TableState::kEdit ||
        table->State() == TableState::kInsert) {
      return true;
    }
  }
  return false;
}

bool TDM::SwitchFolder(const std::string& folder) {
  TStoreDatabase target(folder);
  for (TStoreTable* table : Tables()) {
    const std::string path = target.DatabasePath() + table->TableName();
    if (!fs::is_regular_file(path)) {
      dialogs_.Error("Error opening file " + path);
      return false;
    }
  }
  // A writer stays one: the new folder's lock first, or stay where we are.
  if (StoreDatabase1.LockedForWriting()) {
    try {
      target.LockForWriting();
    } catch (const EStoreError& e) {
      dialogs_.Error(e.what());
      return false;
    }
  }
  if (Modified() && dialogs_.Confirm("The database has unsaved changes. Save them into " +
                                     StoreDatabase1.DatabasePath() + " before opening " +
                                     target.DatabasePath() + "?")) {
    SaveDatabase();
  }
  for (TStoreTable* table : Tables()) {
    if (table->State() == TableState::kEdit || table->State() == TableState::kInsert) {
      table->Cancel();
    }
  }
  StoreDatabase1 = std::move(target);  // releases the old folder's lock
  try {
    StoreDatabase1.ReadTables([this] {
      for (TStoreTable* table : Tables()) table->Refresh();
    });
  } catch (const std::exception& e) {
    CloseTables();
    dialogs_.Error(e.what());
    return false;
  }
  return true;
}

bool TDM::CreateDatabase(const std::string& folder) {
  TStoreDatabase target(folder);
  // The order in which the tables are written into the new folder.
  const std::vector<TStoreTable*> order = {&tblGibbs,     &tblPhases,  &tblSystems,
                                           &tblStability, &tblStabDet, &tblExperiment};
  for (TStoreTable* table : order) {
    const std::string path = target.DatabasePath() + table->TableName();
    if (fs::exists(path)) {
      dialogs_.Error("A database already exists in " + target.DatabasePath() +
                     ": it is not overwritten (" + table->TableName() + ")");
      return false;
    }
  }
  try {
    for (TStoreTable* table : order) {
      std::vector<FieldDef> fields =
          table->Active() ? table->Fields() : FieldDefinitions(table->TableName());
      TStoreTable scratch(&target);
      scratch.SetTableName(table->TableName());
      scratch.CreateTable(fields);
    }
  } catch (const std::exception& e) {
    dialogs_.Error(e.what());
    return false;
  }
  if (!SwitchFolder(target.DatabasePath())) return false;
  return OpenTables();
}

void TDM::CreateEmptyDatabase(const std::string& folder) {
  TStoreDatabase target(folder);
  for (const char* name :
       {kGibbsFile, kPhasesFile, kSystemsFile, kStabilityFile, kStabDetFile, kExperimentFile}) {
    if (fs::exists(target.DatabasePath() + name)) {
      throw EStoreError("A database already exists in " + target.DatabasePath() +
                        ": it is not overwritten (" + name + ")");
    }
  }
  for (const char* name :
       {kGibbsFile, kPhasesFile, kSystemsFile, kStabilityFile, kStabDetFile, kExperimentFile}) {
    TStoreTable table(&target);
    table.SetTableName(name);
    table.CreateTable(FieldDefinitions(name));
  }
}

void TDM::SetReadOnly(bool read_only) {
  ReadOnlyBox = read_only;
  CloseTables();
  for (TStoreTable* table : Tables()) {
    if (table != &tblSystems) table->SetReadOnly(read_only);
  }
  OpenAll();
}

std::string TDM::YminDisplayText(double value) {
  return std::abs(value) < 1e-5 ? FormatFloat("0.####e-00", value)
                                : FormatFloat("0.#######", value);
}

// --- Table events.

void TDM::tblSystemsAfterInsert(TStoreTable& table) {
  table.FieldByName("Ypoints").SetAsInteger(100);
  table.FieldByName("Xpoints").SetAsInteger(100);
  table.FieldByName("ShowChart").SetAsBoolean(true);
  table.FieldByName("Ymin").SetAsFloat(300);
  table.FieldByName("Ymax").SetAsFloat(300);
  table.FieldByName("Yparameter").SetAsString("Temperature");
}

void TDM::tblSystemsBeforePost(TStoreTable& table) {
  TStrParser splitter;  // "+", case-insensitive
  const std::vector<std::string>& parts =
      splitter.Split(table.FieldByName("System_designation").AsString());
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (k > 2) {
      dialogs_.Error("Too many elements in the system");
      throw EAbort();
    }
    table.FieldByName("Element" + std::to_string(k + 1)).SetAsString(parts[k]);
  }
}

void TDM::tblSystemsBeforeDelete(TStoreTable&) { DeleteAll(tblPhases); }

void TDM::tblSystemsAfterScroll(TStoreTable&) {
  if (OnSystemScrolled) OnSystemScrolled();
}

void TDM::tblPhasesBeforeInsert(TStoreTable&) {
  if (tblSystems.State() == TableState::kInsert) tblSystems.Post();
}

void TDM::tblPhasesBeforeDelete(TStoreTable&) { DeleteAll(tblGibbs); }

void TDM::tblGibbsBeforeInsert(TStoreTable&) {
  if (tblPhases.State() == TableState::kInsert) tblPhases.Post();
}

void TDM::tblGibbsAfterInsert(TStoreTable& table) {
  if (!YSelectorIndex || YSelectorIndex() != 0) return;
  table.FieldByName("Tmin").SetAsString(tblSystems.FieldByName("Ymin").AsString());
  table.FieldByName("Tmax").SetAsString(tblSystems.FieldByName("Ymax").AsString());
}

void TDM::tblGibbsBeforePost(TStoreTable& table) {
  if (table.FieldByName("Expression").AsString().empty()) {
    dialogs_.Error("Function is not specified");
    throw EAbort();
  }
  TStoreField xmin = table.FieldByName("Xmin");
  if (!xmin.IsNull() && xmin.AsFloat() < 0) xmin.SetAsFloat(0);
  TStoreField xmax = table.FieldByName("Xmax");
  if (!xmax.IsNull() && xmax.AsFloat() > 1) xmax.SetAsFloat(1);
}

void TDM::tblGibbsAfterScroll(TStoreTable& table) {
  if (OnPieceCounter) OnPieceCounter(Counter(table));
}

void TDM::tblStabilityBeforeDelete(TStoreTable&) { DeleteAll(tblStabDet); }

void TDM::tblStabDetBeforeInsert(TStoreTable& table) {
  if (tblStability.State() == TableState::kInsert) tblStability.Post();
  if (table.IsEmpty()) {
    LastPieceTmax = 0;
  } else {
    table.Last();
    LastPieceTmax = table.FieldByName("Tmax").AsFloat();
  }
}

void TDM::tblStabDetAfterInsert(TStoreTable& table) {
  if (LastPieceTmax > 0) table.FieldByName("Tmin").SetAsFloat(LastPieceTmax);
}

// A piece is inserted into phase expressions as written: one that is not a
// self-contained term is posted, with a warning (an upload posts here too).
void TDM::tblStabDetBeforePost(TStoreTable& table) {
  const std::string expression = table.FieldByName("Expression").AsString();
  if (IsSelfContainedTerm(expression)) return;
  const std::int64_t id = table.FieldByName("Id").AsInteger();
  std::string designation = "with Id " + std::to_string(id);
  if (!tblStability.IsEmpty() && tblStability.FieldByName("Id").AsInteger() == id) {
    designation = tblStability.FieldByName("Designation").AsString();
  }
  dialogs_.Warning(StabilityTermWarning(designation, table.FieldByName("Tmin").AsFloat(),
                                        table.FieldByName("Tmax").AsFloat(), expression));
}

void TDM::tblStabDetAfterScroll(TStoreTable& table) {
  if (OnStabilityPieceCounter) OnStabilityPieceCounter(Counter(table));
}

void DeleteAll(TStoreTable& table) {
  table.First();
  while (!table.IsEmpty()) table.Delete();
}

}  // namespace binodal
