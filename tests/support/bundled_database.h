// A database of bundled systems, saved to its table files, for the tests that
// open it as the programs do. Needs BINODAL_DATA_DIR, the folder of the text
// sources.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "exchange/stability_file.h"
#include "exchange/system_exchange.h"
#include "support/recording_dialogs.h"
#include "thermo/data_module.h"

namespace binodal::testing_support {

// Writes into `folder` a database holding the stability parameters and the
// bundled `systems`; `prepare` may change it before it is saved. Use with
// ASSERT_NO_FATAL_FAILURE.
inline void WriteBundledDatabase(const std::string& folder,
                                 std::initializer_list<const char*> systems,
                                 const std::function<void(TDM&)>& prepare = {}) {
  const std::string data = BINODAL_DATA_DIR;
  TDM::CreateEmptyDatabase(folder);
  RecordingDialogs quiet;
  TDM dm(quiet);
  ASSERT_TRUE(dm.Start(folder));
  dm.SetReadOnly(false);
  for (const char* name : systems) {
    ASSERT_TRUE(UploadSystem(dm, data + "/" + name + ".ter", quiet).completed) << name;
  }
  ASSERT_TRUE(UploadStabilityParameters(dm, data + "/STABILITY_PARAMS.txt", quiet).completed);
  if (prepare) prepare(dm);
  dm.SaveDatabase();
}

}  // namespace binodal::testing_support
