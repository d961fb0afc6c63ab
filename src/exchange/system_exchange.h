// The system exchange file (".ter"): one system with its phases, Gibbs
// energy pieces and experimental points, as text, for moving a system between
// databases.
#pragma once

#include <string>

#include "common/dialogs.h"
#include "thermo/data_module.h"

namespace binodal {

// Writes the current system into `folder` as SafeFileName(designation) +
// ".ter", replacing a file of that name, and shows "Data are saved into " +
// the file name. Returns the path written; throws std::runtime_error (after
// showing it) when the file cannot be written.
std::string DownloadSystem(TDM& dm, const std::string& folder, Dialogs& dialogs);

struct UploadResult {
  bool completed = false;  // false: an error stopped the upload
  std::string error;       // the error shown by the upload itself, if any
  int systems = 0, phases = 0, pieces = 0, points = 0;  // records posted
};

// Adds the content of an exchange file to the open database as new records,
// then shows "New data are saved into the database" (also after an error,
// which stops the upload; the records posted before it stay, the record being
// built stays unposted). Nothing is written to disk.
UploadResult UploadSystem(TDM& dm, const std::string& path, Dialogs& dialogs);

}  // namespace binodal
