#include "fuzz_bodies.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include <unistd.h>

#include "common/dialogs.h"
#include "common/file_io.h"
#include "common/float_errors.h"
#include "exchange/stability_file.h"
#include "exchange/system_exchange.h"
#include "expression/parser.h"
#include "expression/parser_errors.h"
#include "thermo/data_module.h"

namespace binodal::fuzz {
namespace {

class SilentDialogs : public Dialogs {
 public:
  void Error(std::string_view) override {}
  void Warning(std::string_view) override {}
  void Information(std::string_view) override {}
  void Message(std::string_view) override {}
  bool Confirm(std::string_view) override { return false; }
};

}  // namespace

void CompileAndEvaluate(std::string_view text) {
  TParser parser;
  parser.AssignVariable("T", 1000);
  parser.AssignVariable("X", 0.25);
  parser.AssignVariable("SID", 4.67);
  parser.AssignVariable("R", 8.31441);
  try {
    parser.SetExpression(text);
  } catch (const EMathParserError&) {
    return;
  } catch (const EArithmeticError&) {  // a literal beyond the double range
    return;
  }
  try {
    (void)parser.Value();
  } catch (const EArithmeticError&) {
  }
}

std::string MakeScratchDatabase() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("binodal_fuzz_db_" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  TDM::CreateEmptyDatabase(folder.string());
  return folder.string() + "/";
}

void UploadFile(std::string_view bytes, const std::string& folder) {
  const std::string path = folder + "input.txt";
  WriteWholeFile(path, bytes);
  SilentDialogs dialogs;
  TDM dm(dialogs);
  if (!dm.Start(folder)) throw std::logic_error("scratch database does not open");
  for (TStoreTable* table : dm.Tables()) table->SetReadOnly(false);
  (void)UploadSystem(dm, path, dialogs);
  (void)UploadStabilityParameters(dm, path, dialogs);
}

}  // namespace binodal::fuzz
