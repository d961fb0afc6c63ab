// The bundled example database for the benchmarks, made once in a temporary
// folder from the files of data/ and removed at exit.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

#include "common/dialogs.h"
#include "exchange/stability_file.h"
#include "exchange/system_exchange.h"
#include "thermo/data_module.h"

namespace binodal::bench {

class QuietDialogs : public Dialogs {
 public:
  void Error(std::string_view) override { ++errors; }
  void Warning(std::string_view) override { ++errors; }
  void Information(std::string_view) override {}
  void Message(std::string_view) override { ++errors; }
  bool Confirm(std::string_view) override { return false; }
  int errors = 0;
};

struct ExampleDatabase {
  ExampleDatabase() {
    folder =
        (std::filesystem::temp_directory_path() / ("binodal_bench_" + std::to_string(::getpid())))
            .string() +
        "/";
    std::filesystem::create_directories(folder);
    TDM::CreateEmptyDatabase(folder);
    QuietDialogs dialogs;
    TDM dm(dialogs);
    dm.Start(folder);
    for (TStoreTable* table : dm.Tables()) table->SetReadOnly(false);
    const std::string data = BINODAL_DATA_DIR;
    UploadStabilityParameters(dm, data + "/STABILITY_PARAMS.txt", dialogs);
    for (const char* system : {"Ag+Cu", "Mg+Si", "Pb+Sn", "Al+Zn", "A+B"}) {
      UploadSystem(dm, data + "/" + system + ".ter", dialogs);
    }
    dm.SaveDatabase();
  }
  ~ExampleDatabase() { std::filesystem::remove_all(folder); }
  ExampleDatabase(const ExampleDatabase&) = delete;
  ExampleDatabase& operator=(const ExampleDatabase&) = delete;
  std::string folder;
};

inline const ExampleDatabase& Database() {
  static const ExampleDatabase database;
  return database;
}

}  // namespace binodal::bench
