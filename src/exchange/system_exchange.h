// The system exchange file (".ter"): one system with its phases, Gibbs
// energy pieces and experimental points, as text, for moving a system between
// databases.
#pragma once

#include <string>
#include <vector>

#include "common/dialogs.h"
#include "thermo/data_module.h"

namespace binodal {

// Writes the current system into `folder` as SafeFileName(designation) +
// ".ter", replacing a file of that name, and shows "Data are saved into " +
// the file name. Returns the path written; throws std::runtime_error (after
// showing it) when the file cannot be written.
std::string DownloadSystem(TDM& dm, const std::string& folder, Dialogs& dialogs);

// What an upload does with a system whose designation (case ignored) the
// database holds already.
enum class ExistingSystem {
  kAsk,      // ask through Dialogs::Confirm whether to replace it; No changes nothing
  kRefuse,   // change nothing; UploadResult::existing names the systems
  kReplace,  // replace it with the file's system
};

struct UploadResult {
  bool completed = false;             // the file's systems are in the database now
  std::string error;                  // why the upload was refused, if it was
  std::vector<std::string> existing;  // designations the database held already (kRefuse, or No)
  int systems = 0, phases = 0, pieces = 0, points = 0;  // records added
  int replaced = 0;                                     // systems replaced
};

// Adds the systems of an exchange file to the open database, all or
// nothing. The whole file is read and checked first: a file that does not
// follow the format (see exchange/field_lines.h), names a field the tables
// lack, holds a text longer than its field, a [PHASES] section before its
// [SYSTEMS] section or a system without a designation is refused with an
// error naming the line, and nothing changes; so is a record the data module
// refuses while it is added (the records added before it are taken out
// again). Each value is taken exactly as written; an empty value leaves its
// field empty. After a complete upload the last system of the file is
// current, with its first phase, and "New data are saved into the database"
// is shown. Nothing is written to disk.
UploadResult UploadSystem(TDM& dm, const std::string& path, Dialogs& dialogs,
                          ExistingSystem existing = ExistingSystem::kAsk);

// Deletes the current system with its phases, their pieces and its
// experimental points. Throws EStoreError as the tables do (read-only).
void DeleteCurrentSystem(TDM& dm);

// Locates the first system (in list order) whose designation equals `name`,
// case ignored, as the run and the command line find a system; returns
// whether there was one.
bool LocateSystem(TDM& dm, std::string_view name);

}  // namespace binodal
