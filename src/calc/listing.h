// "Save as text": the listing of the current system's assembled Gibbs energy
// pieces (stability parameters inserted, pieces split at their breakpoints).
//
// The listing is assembled by phase functions of its own: no run, its results
// or its settings are read or changed, so the last run's diagram and matrix
// stay as they were. Of the system's settings only the composition range of
// its setting lines is read, as the assembly needs it.
#pragma once

#include <string>

#include "common/dialogs.h"
#include "thermo/data_module.h"

namespace binodal {

struct PhaseListing {
  bool complete = false;  // false: a stability parameter reference was not resolved (shown)
  std::string file_name;  // SafeFileName(System_designation) + ".txt"
};

// Writes the listing of the current system of `dm` into `folder` (empty: the
// current directory). Posts pending edits first. Messages of the assembly go
// to `dialogs`; a listing that cannot be written raises std::runtime_error.
// Leaves the data module in run mode.
PhaseListing WritePhaseListing(TDM& dm, Dialogs& dialogs, const std::string& folder);

}  // namespace binodal
