// The stability parameters file STABILITY_PARAMS.txt: every stability
// parameter with its pieces, in the line format of the exchange files.
#pragma once

#include <string>
#include <vector>

#include "common/dialogs.h"
#include "thermo/data_module.h"

namespace binodal {

inline constexpr const char* kStabilityParamsFile = "STABILITY_PARAMS.txt";

// Writes every parameter, in Designation order, with its pieces into
// `folder`/STABILITY_PARAMS.txt (replacing it), then shows "Stabilty
// parameters are saved into STABILITY_PARAMS.txt". Returns the path; throws
// std::runtime_error (after showing it) when the file cannot be written.
std::string SaveStabilityParameters(TDM& dm, const std::string& folder, Dialogs& dialogs);

// What an upload does with a parameter whose designation (case ignored) the
// database holds already, when the file gives it other text (comment or
// pieces). A parameter that the database holds as the file gives it is
// always left as it is.
enum class ExistingParameters {
  kAsk,      // ask once through Dialogs::Confirm whether to replace them all; No keeps them
  kKeep,     // keep the database's parameters
  kRefuse,   // change nothing; StabilityUploadResult::changed names them
  kReplace,  // replace each with the file's comment and pieces
};

struct StabilityUploadResult {
  bool completed = false;             // false: missing file, or the upload was refused
  int added = 0;                      // parameters added
  int duplicates = 0;                 // parameters the database holds as the file gives them
  int pieces = 0;                     // pieces added (with new and replaced parameters)
  std::vector<std::string> replaced;  // designations replaced
  std::vector<std::string> changed;   // designations that differ and were kept or refused
};

// Reads the stability parameters file at `path` (the desktop program reads
// STABILITY_PARAMS.txt of the current directory) into the open database, all
// or nothing. The whole file is read and checked first: a file that does not
// follow the format (see exchange/field_lines.h), names a field the tables
// lack, holds a designation or other text longer than its field, a
// [STABILITY_DETAIL] section before its parameter, a parameter without a
// designation or one designation twice is refused with an error naming the
// line, and nothing changes. A parameter whose designation the open database
// holds (case ignored, as formulas find them) is not added a second time; see
// ExistingParameters. Shows "Stability parameters are saved into database"
// after a complete upload; a missing file gives the warning "File " + the
// path as given + " not found".
StabilityUploadResult UploadStabilityParameters(
    TDM& dm, const std::string& path, Dialogs& dialogs,
    ExistingParameters existing = ExistingParameters::kAsk);

// Writes the catalogue "Keldan_cat" of all system designations into `folder`
// and shows "Database contents is saved into Keldan_cat". The current system
// stays current. Returns the path; throws std::runtime_error (after showing
// it) when the file cannot be written.
std::string WriteDesignationsCatalogue(TDM& dm, const std::string& folder, Dialogs& dialogs);

}  // namespace binodal
