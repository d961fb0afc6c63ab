// The stability parameters file STABILITY_PARAMS.txt: every stability
// parameter with its pieces, in the line format of the exchange files.
#pragma once

#include <string>

#include "common/dialogs.h"
#include "thermo/data_module.h"

namespace binodal {

inline constexpr const char* kStabilityParamsFile = "STABILITY_PARAMS.txt";

// Writes every parameter, in Designation order, with its pieces into
// `folder`/STABILITY_PARAMS.txt (replacing it), then shows "Stabilty
// parameters are saved into STABILITY_PARAMS.txt". Returns the path; throws
// std::runtime_error (after showing it) when the file cannot be written.
std::string SaveStabilityParameters(TDM& dm, const std::string& folder, Dialogs& dialogs);

struct StabilityUploadResult {
  bool completed = false;  // false: missing file, or an error stopped the upload
  int added = 0;           // parameters posted
  int duplicates = 0;      // parameters skipped because the saved database has them
  int pieces = 0;          // pieces posted
};

// Reads the stability parameters file at `path` (the desktop program reads
// STABILITY_PARAMS.txt of the current directory) into the open database. A parameter
// whose designation the saved stability_params.d already holds (exactly, case
// included) is skipped with its pieces and becomes current instead. Shows
// "Stability parameters are saved into database" after a normal end; a
// missing file gives the warning "File " + the path as given + " not found".
StabilityUploadResult UploadStabilityParameters(TDM& dm, const std::string& path, Dialogs& dialogs);

// Writes the catalogue "Keldan_cat" of all system designations into `folder`
// and shows "Database contents is saved into Keldan_cat". The current system
// stays current. Returns the path; throws std::runtime_error (after showing
// it) when the file cannot be written.
std::string WriteDesignationsCatalogue(TDM& dm, const std::string& folder, Dialogs& dialogs);

}  // namespace binodal
