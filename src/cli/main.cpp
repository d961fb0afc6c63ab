// binodal-cli: the headless twin of the desktop program, for batch work,
// scripts and tests.
#include <exception>
#include <iostream>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/commands.h"

namespace {

constexpr std::string_view kUsage =
    "binodal-cli - calculation of binary phase diagrams, from the command line\n"
    "\n"
    "Usage: binodal-cli COMMAND [ARGS...]\n"
    "\n"
    "Commands:\n"
    "  calc [--db DIR] --system NAME [--out DIR] [--xpoints N] [--ypoints N] [--ymin V] [--ymax "
    "V]\n"
    "                                             calculate the phase diagram of a system\n"
    "  listing [--db DIR] --system NAME [--out DIR]  write the assembled Gibbs energy pieces\n"
    "  eval [--ops] EXPR [NAME=VALUE ...]         evaluate an expression of the Gibbs energy "
    "language\n"
    "  systems [--db DIR]                         list the systems of a database\n"
    "  create-db DIR                              create an empty database\n"
    "  table FILE.d                               dump a table file\n"
    "  upload [--db DIR] [--replace] FILE.ter     add (or replace) a system from an exchange file\n"
    "  download [--db DIR] --system NAME [--out DIR]  write a system into an exchange file\n"
    "  params-save [--db DIR] [--out DIR]         write the stability parameters file\n"
    "  params-upload [--db DIR] [--replace] [FILE]  add (or correct) stability parameters from\n"
    "                                             their file\n"
    "  delete-system [--db DIR] NAME              delete a system with its phases and points\n"
    "  rename-system [--db DIR] OLD NEW           give a system another designation\n"
    "  catalogue [--db DIR] [--out DIR]           write the catalogue of system designations\n"
    "\n"
    "DIR of --db is a database folder; it defaults to the program's own folder.\n"
    "\n"
    "Run 'binodal-cli COMMAND --help' for the details of a command.\n";

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string_view command = args[0];
  const binodal::cli::Args rest = binodal::cli::Args(args).subspan(1);
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kUsage;
    return 0;
  }
  using Command = int (*)(binodal::cli::Args, std::ostream&, std::ostream&);
  const std::pair<std::string_view, Command> commands[] = {
      {"eval", binodal::cli::RunEval},
      {"systems", binodal::cli::RunSystems},
      {"create-db", binodal::cli::RunCreateDb},
      {"table", binodal::cli::RunTable},
      {"upload", binodal::cli::RunUpload},
      {"download", binodal::cli::RunDownload},
      {"params-save", binodal::cli::RunParamsSave},
      {"params-upload", binodal::cli::RunParamsUpload},
      {"delete-system", binodal::cli::RunDeleteSystem},
      {"rename-system", binodal::cli::RunRenameSystem},
      {"catalogue", binodal::cli::RunCatalogue},
      {"calc", binodal::cli::RunCalc},
      {"listing", binodal::cli::RunListing},
  };
  for (const auto& [name, run] : commands) {
    if (command != name) continue;
    try {
      return run(rest, std::cout, std::cerr);
    } catch (const std::exception& e) {
      // A failure no command expected still ends with a message, not an abort.
      std::cerr << "binodal-cli: " << e.what() << '\n';
      return 1;
    }
  }
  std::cerr << "binodal-cli: unknown command '" << command << "'\n\n" << kUsage;
  return 2;
}
