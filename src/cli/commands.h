// Subcommands of binodal-cli. Each takes the arguments after its name and
// returns the process exit status: 0 success, 1 failure, 2 misuse.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "thermo/data_module.h"

namespace binodal::cli {

using Args = std::span<const std::string_view>;

int RunEval(Args args, std::ostream& out, std::ostream& err);
int RunCreateDb(Args args, std::ostream& out, std::ostream& err);
int RunSystems(Args args, std::ostream& out, std::ostream& err);
int RunTable(Args args, std::ostream& out, std::ostream& err);
int RunUpload(Args args, std::ostream& out, std::ostream& err);
int RunDownload(Args args, std::ostream& out, std::ostream& err);
int RunParamsSave(Args args, std::ostream& out, std::ostream& err);
int RunParamsUpload(Args args, std::ostream& out, std::ostream& err);
int RunDeleteSystem(Args args, std::ostream& out, std::ostream& err);
int RunRenameSystem(Args args, std::ostream& out, std::ostream& err);
int RunCatalogue(Args args, std::ostream& out, std::ostream& err);
int RunCalc(Args args, std::ostream& out, std::ostream& err);
int RunListing(Args args, std::ostream& out, std::ostream& err);

// Options of a command: "--name value" pairs, "--flag"s and the rest.
struct CommandLine {
  std::map<std::string, std::string, std::less<>> values;
  std::vector<std::string> flags;
  std::vector<std::string> positional;
  bool help = false;

  [[nodiscard]] std::optional<std::string> Value(std::string_view name) const;
  [[nodiscard]] bool Flag(std::string_view name) const;
};

// Parses args; on misuse writes the reason and `usage` to err and returns
// nothing. "--help" sets help.
std::optional<CommandLine> ParseCommandLine(Args args,
                                            std::span<const std::string_view> value_options,
                                            std::span<const std::string_view> flag_options,
                                            std::string_view usage, std::ostream& err);

// What a command accepts.
struct CommandSyntax {
  std::string_view usage;
  std::span<const std::string_view> values;    // options that take a value
  std::span<const std::string_view> required;  // of those, the ones that must be given
  std::size_t min_positional = 0;
  std::size_t max_positional = 0;
  std::span<const std::string_view> flags = {};  // options without a value
};

// Parses a command's arguments. Returns the command line to act on, or
// nothing with `status` set to the exit status to return at once: 0 after
// printing the usage for --help, 2 after writing what was wrong.
std::optional<CommandLine> ParseCommand(Args args, const CommandSyntax& syntax, std::ostream& out,
                                        std::ostream& err, int& status);

// The database folder of --db, by default the program's own folder.
std::string DatabaseFolder(const CommandLine& line);
// Opens the database of --db without the edit lock; on failure writes why.
bool OpenDatabase(TDM& dm, const CommandLine& line, std::ostream& err);
// As OpenDatabase, for a command that changes the database: it holds the
// folder's writer lock until `dm` is destroyed, taken before the tables are
// read. While another program writes the folder it writes "The database in
// <folder> is in use by <program> (pid <n> on <host>); nothing was changed"
// and returns false.
bool OpenDatabaseForWriting(TDM& dm, const CommandLine& line, std::ostream& err);
// Makes the system called `name` (letter case ignored) current; on failure writes why.
bool SelectSystem(TDM& dm, std::string_view name, std::ostream& err);

}  // namespace binodal::cli
