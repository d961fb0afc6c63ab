// binodal-cli: the headless twin of the desktop program, for batch work,
// scripts and tests.
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/commands.h"

namespace {

constexpr std::string_view kUsage =
    "binodal-cli - calculation of binary phase diagrams, from the command line\n"
    "\n"
    "Usage: binodal-cli COMMAND [ARGS...]\n"
    "\n"
    "Commands:\n"
    "  eval [--ops] EXPR [NAME=VALUE ...]   evaluate an expression of the Gibbs energy language\n"
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
  if (command == "eval") return binodal::cli::RunEval(rest, std::cout, std::cerr);
  std::cerr << "binodal-cli: unknown command '" << command << "'\n\n" << kUsage;
  return 2;
}
