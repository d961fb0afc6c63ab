// The data module: the six tables of a thermodynamic database and the rules
// that keep them consistent while the user edits them.
//
// A database is one folder with six table files:
//   systems.d           one record per binary system (settings of its run)
//   phases.d            the phases of a system            (detail of systems)
//   gibbs_energy.d      the Gibbs energy pieces of a phase (detail of phases)
//   stability_params.d  named auxiliary functions, referenced as {NAME}
//   stability_detail.d  their temperature pieces      (detail of parameters)
//   experim_data.d      experimental points of a system   (detail of systems)
//
// TDM owns the tables, links them, reacts to their events (defaults on
// insert, checks before post, cascades before delete) and performs the
// whole-database operations: open, post all, save, switch folder, create a
// new database, toggle the edit lock. What a window would show goes through
// Dialogs; what a window would hold (the Y selector, the "Read only" box) is
// an input TDM is given. Single-threaded.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "common/dialogs.h"
#include "store/store_table.h"

namespace binodal {

// Items of the Y selector: what the second axis of a run is.
inline constexpr const char* kYItems[] = {"Temperature", "Pressure", "Y"};

// The index in kYItems of a system's Yparameter, letter case and surrounding
// blanks ignored ("temperature" is 0); -1 for any other text.
[[nodiscard]] int YItemIndex(std::string_view yparameter);

class TDM {
 public:
  // The table files, in the order the whole-database operations use.
  static constexpr const char* kSystemsFile = "systems.d";
  static constexpr const char* kPhasesFile = "phases.d";
  static constexpr const char* kGibbsFile = "gibbs_energy.d";
  static constexpr const char* kStabilityFile = "stability_params.d";
  static constexpr const char* kStabDetFile = "stability_detail.d";
  static constexpr const char* kExperimentFile = "experim_data.d";

  explicit TDM(Dialogs& dialogs);
  TDM(const TDM&) = delete;
  TDM& operator=(const TDM&) = delete;

  // The field descriptions of a table this program creates (file name as above).
  static std::vector<FieldDef> FieldDefinitions(std::string_view file_name);

  TStoreDatabase StoreDatabase1;
  TStoreTable tblSystems, tblPhases, tblGibbs, tblStability, tblStabDet, tblExperiment;

  // --- Inputs a window would hold.

  // The item index of the main window's Y selector (0 Temperature, 1
  // Pressure, 2 Y, -1 none). By default YItemIndex of the current system's
  // Yparameter.
  std::function<int()> YSelectorIndex;
  // The main window's "Read only" box: checked at start.
  bool ReadOnlyBox = true;

  // --- Notifications a window would act on.

  // The current system changed: the fixed-quantity label follows Yparameter.
  std::function<void()> OnSystemScrolled;
  // The piece counter of the current phase ("2/5").
  std::function<void(const std::string&)> OnPieceCounter;
  // The piece counter of the current stability parameter ("1/3").
  std::function<void(const std::string&)> OnStabilityPieceCounter;

  // --- State.

  double LastPieceTmax = 0;  // Tmax of the last piece of the current parameter
  bool RunMode = true;       // true: assembly for a run; false: for the listing

  // --- Whole-database operations.

  // How Start opens the database: for reading (what a calculation or a
  // download needs; saving takes the writer lock for its duration) or for
  // writing (the folder's writer lock is held from before loading until the
  // data module is destroyed or switches folders, so no other program saves
  // over the changes).
  enum class Access : std::uint8_t { kRead, kWrite };

  // Start: takes `folder` as the database folder and opens the tables, the
  // five dependent ones read-only as the box says. False when the folder
  // holds no usable database: "Can not open database files" has been shown and
  // OpenError() tells why; the caller ends the program. For writing, when the
  // writer lock cannot be taken Start returns false at once, opens nothing and
  // shows no dialog: LockRefused() is true and OpenError() says why, naming the
  // program that holds the folder ("The database in <folder> is in use by
  // binodal-cli (pid 4711 on <host>)") or the lock file's error.
  bool Start(const std::string& folder, Access access = Access::kRead);
  [[nodiscard]] bool LockRefused() const { return lock_refused_; }
  // Opens the six tables as one consistent set (completing or discarding a
  // save that was interrupted), then makes all but systems.d read-only. On
  // failure closes them, shows "Can not open database files" and returns
  // false. A table file that lacks a field the program uses fails with
  // "Error opening table: Field '<name>' not found in <path>".
  bool OpenTables();
  [[nodiscard]] const std::string& OpenError() const { return open_error_; }
  void CloseTables();
  // Posts every table that has an edit or insert pending.
  void PostAll();
  // PostAll, then writes the tables that changed into the database folder as
  // one change: after a failure, or a kill at any moment, the folder holds
  // either all the old or all the new tables (TStoreDatabase::SaveTables).
  // Throws EStoreError when it cannot save, or when another program has
  // changed the folder since it was opened.
  void SaveDatabase();
  // True when a table holds changes not yet saved (or an edit in progress).
  [[nodiscard]] bool Modified() const;
  // Opens the database of another folder. Unsaved changes are never written
  // into the new folder: the user is asked whether to save them into the
  // current one first. A folder lacking a table file is refused with the
  // store's "Error opening file ..." and the current database stays open.
  bool SwitchFolder(const std::string& folder);
  // Creates an empty database (the six tables with the current field
  // descriptions, no records) in `folder` and switches to it. A folder that
  // already holds a table file is refused: nothing is overwritten.
  bool CreateDatabase(const std::string& folder);
  // The edit lock: closes the six tables, sets the five dependent ones
  // read-only or not, and opens them again from their files (unsaved changes
  // are lost, as the lock has always done).
  void SetReadOnly(bool read_only);

  // Writes an empty database of the program's own field descriptions into
  // `folder` (which must exist). Refuses, like CreateDatabase, to overwrite.
  static void CreateEmptyDatabase(const std::string& folder);

  // --- Display.

  // The display text of Ymin, Ymax and Zvalue.
  static std::string YminDisplayText(double value);

  // The tables in the order of the whole-database operations.
  [[nodiscard]] std::vector<TStoreTable*> Tables();

 private:
  void Configure();
  // Opens the six tables as one read of the folder; throws what Open throws.
  void OpenAll();
  void tblSystemsAfterInsert(TStoreTable& table);
  void tblSystemsBeforePost(TStoreTable& table);
  void tblSystemsBeforeDelete(TStoreTable& table);
  void tblSystemsAfterScroll(TStoreTable& table);
  void tblPhasesBeforeInsert(TStoreTable& table);
  void tblPhasesBeforeDelete(TStoreTable& table);
  void tblGibbsBeforeInsert(TStoreTable& table);
  void tblGibbsAfterInsert(TStoreTable& table);
  void tblGibbsBeforePost(TStoreTable& table);
  void tblGibbsAfterScroll(TStoreTable& table);
  void tblStabilityBeforeDelete(TStoreTable& table);
  void tblStabDetBeforeInsert(TStoreTable& table);
  void tblStabDetAfterInsert(TStoreTable& table);
  void tblStabDetBeforePost(TStoreTable& table);
  void tblStabDetAfterScroll(TStoreTable& table);

  Dialogs& dialogs_;
  std::string open_error_;
  bool lock_refused_ = false;
};

// Deletes every record of the table's current range, first to last.
void DeleteAll(TStoreTable& table);

}  // namespace binodal
