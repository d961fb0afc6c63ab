// binodal-cli commands on a database folder: create it, list and dump it,
// move systems and stability parameters in and out, write the catalogue.
#include <strings.h>
#include <filesystem>
#include <iostream>

#include "cli/cli_dialogs.h"
#include "cli/commands.h"
#include "common/file_io.h"
#include "exchange/stability_file.h"
#include "exchange/system_exchange.h"
#include "thermo/data_module.h"

namespace binodal::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kDbOption[] = {"--db"};

// Saves the database after a successful change; a failed save is an error.
int SaveOrFail(TDM& dm, Dialogs& dialogs) {
  try {
    dm.SaveDatabase();
    return 0;
  } catch (const std::exception& e) {
    dialogs.Error(e.what());
    return 1;
  }
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

std::string DatabaseFolder(const CommandLine& line) {
  return line.Value("--db").value_or(ProgramFolder());
}

namespace {

bool OpenDatabaseFor(TDM& dm, const CommandLine& line, TDM::Access access, std::ostream& err) {
  const std::string folder = DatabaseFolder(line);
  if (!dm.Start(folder, access)) {
    err << "binodal-cli: " << dm.OpenError() << (dm.LockRefused() ? "; nothing was changed" : "")
        << '\n';
    return false;
  }
  for (TStoreTable* table : dm.Tables()) table->SetReadOnly(false);
  return true;
}

}  // namespace

// Opens the database of the command line, without the edit lock.
bool OpenDatabase(TDM& dm, const CommandLine& line, std::ostream& err) {
  return OpenDatabaseFor(dm, line, TDM::Access::kRead, err);
}

bool OpenDatabaseForWriting(TDM& dm, const CommandLine& line, std::ostream& err) {
  return OpenDatabaseFor(dm, line, TDM::Access::kWrite, err);
}

// Makes the system called `name` (letter case ignored) current.
bool SelectSystem(TDM& dm, std::string_view name, std::ostream& err) {
  if (dm.tblSystems.Locate("System_designation", name, {.case_insensitive = true})) return true;
  err << "binodal-cli: no system '" << name << "' in " << dm.StoreDatabase1.DatabasePath() << '\n';
  return false;
}

std::optional<std::string> CommandLine::Value(std::string_view name) const {
  auto it = values.find(name);
  return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
}

bool CommandLine::Flag(std::string_view name) const {
  for (const std::string& f : flags) {
    if (f == name) return true;
  }
  return false;
}

std::optional<CommandLine> ParseCommandLine(Args args,
                                            std::span<const std::string_view> value_options,
                                            std::span<const std::string_view> flag_options,
                                            std::string_view usage, std::ostream& err) {
  CommandLine line;
  const auto contains = [](std::span<const std::string_view> list, std::string_view s) {
    for (std::string_view item : list) {
      if (item == s) return true;
    }
    return false;
  };
  bool options_done = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (options_done || !arg.starts_with("--")) {
      line.positional.emplace_back(arg);
    } else if (arg == "--") {
      options_done = true;
    } else if (arg == "--help") {
      line.help = true;
    } else if (contains(value_options, arg)) {
      if (i + 1 >= args.size()) {
        err << "binodal-cli: " << arg << " needs a value\n\n" << usage;
        return std::nullopt;
      }
      line.values[std::string(arg)] = std::string(args[++i]);
    } else if (contains(flag_options, arg)) {
      line.flags.emplace_back(arg);
    } else {
      err << "binodal-cli: unknown option '" << arg << "'\n\n" << usage;
      return std::nullopt;
    }
  }
  return line;
}

std::optional<CommandLine> ParseCommand(Args args, const CommandSyntax& syntax, std::ostream& out,
                                        std::ostream& err, int& status) {
  status = 2;
  std::optional<CommandLine> line =
      ParseCommandLine(args, syntax.values, syntax.flags, syntax.usage, err);
  if (!line) return std::nullopt;
  if (line->help) {
    out << syntax.usage;
    status = 0;
    return std::nullopt;
  }
  bool complete = line->positional.size() >= syntax.min_positional &&
                  line->positional.size() <= syntax.max_positional;
  for (std::string_view option : syntax.required) complete = complete && line->Value(option);
  if (!complete) {
    err << syntax.usage;
    return std::nullopt;
  }
  return line;
}

namespace {

// Writes a file through `write` (which shows its own errors) and prints its path.
template <typename Write>
int WriteAndPrintPath(Write&& write, std::ostream& out) {
  try {
    out << write() << '\n';
    return 0;
  } catch (const std::exception&) {
    return 1;
  }
}

constexpr std::string_view kSystemOption[] = {"--system"};

}  // namespace

int RunCreateDb(Args args, std::ostream& out, std::ostream& err) {
  constexpr std::string_view usage =
      "Usage: binodal-cli create-db DIR\n"
      "\n"
      "Creates an empty database in DIR (created if missing): the six table files with their\n"
      "fields and no records. A folder that already holds a table file is left untouched.\n";
  int status = 0;
  const auto line = ParseCommand(args, {usage, {}, {}, 1, 1}, out, err, status);
  if (!line) return status;
  try {
    fs::create_directories(line->positional[0]);
    TDM::CreateEmptyDatabase(line->positional[0]);
  } catch (const std::exception& e) {
    err << "binodal-cli: " << e.what() << '\n';
    return 1;
  }
  out << "Created an empty database in " << line->positional[0] << '\n';
  return 0;
}

int RunSystems(Args args, std::ostream& out, std::ostream& err) {
  constexpr std::string_view usage =
      "Usage: binodal-cli systems [--db DIR]\n"
      "\n"
      "Lists the designations of the systems of the database, one a line, in the order of the\n"
      "systems list (by elements). DIR defaults to the program's folder.\n";
  int status = 0;
  const auto line = ParseCommand(args, {usage, kDbOption, {}, 0, 0}, out, err, status);
  if (!line) return status;
  StderrDialogs dialogs(err);
  TDM dm(dialogs);
  if (!OpenDatabase(dm, *line, err)) return 1;
  for (dm.tblSystems.First(); !dm.tblSystems.Eof(); dm.tblSystems.Next()) {
    out << dm.tblSystems.FieldByName("System_designation").AsString() << '\n';
  }
  return 0;
}

int RunTable(Args args, std::ostream& out, std::ostream& err) {
  constexpr std::string_view usage =
      "Usage: binodal-cli table FILE.d\n"
      "\n"
      "Dumps a table file: its field descriptions (name, type, maximum length, default), then\n"
      "its records as tab-separated text with a header line. Tabs, line breaks and\n"
      "backslashes inside values are written as \\t, \\r, \\n and \\\\.\n";
  int status = 0;
  const auto line = ParseCommand(args, {usage, {}, {}, 1, 1}, out, err, status);
  if (!line) return status;
  TStoreDatabase database;
  TStoreTable table(&database);
  table.SetTableName(fs::absolute(line->positional[0]).string());
  try {
    table.Open();
  } catch (const std::exception& e) {
    err << "binodal-cli: " << e.what() << '\n';
    return 1;
  }
  out << "# fields\n";
  for (const FieldDef& field : table.Fields()) {
    out << field.name << '\t' << field.type;
    if (field.max_length > 0) out << '\t' << field.max_length;
    if (field.default_value) out << "\tdefault=" << Escaped(*field.default_value);
    out << '\n';
  }
  out << "# records: " << table.RecordCount() << '\n';
  for (std::size_t i = 0; i < table.Fields().size(); ++i) {
    out << (i ? "\t" : "") << table.Fields()[i].name;
  }
  out << '\n';
  for (table.First(); !table.Eof(); table.Next()) {
    for (std::size_t i = 0; i < table.Fields().size(); ++i) {
      TStoreField field = table.Field(i);
      out << (i ? "\t" : "") << (field.IsNull() ? "" : Escaped(field.AsString()));
    }
    out << '\n';
  }
  return 0;
}

int RunUpload(Args args, std::ostream& out, std::ostream& err) {
  constexpr std::string_view usage =
      "Usage: binodal-cli upload [--db DIR] FILE.ter\n"
      "\n"
      "Adds the system of an exchange file to the database as new records and saves the\n"
      "database. When the upload stops at an error the database is left as it was.\n";
  int status = 0;
  const auto line = ParseCommand(args, {usage, kDbOption, {}, 1, 1}, out, err, status);
  if (!line) return status;
  StderrDialogs dialogs(err);
  TDM dm(dialogs);
  if (!OpenDatabaseForWriting(dm, *line, err)) return 1;
  const UploadResult result = UploadSystem(dm, line->positional[0], dialogs);
  if (!result.completed) {
    err << "binodal-cli: upload stopped; the database was not changed\n";
    return 1;
  }
  if (SaveOrFail(dm, dialogs) != 0) return 1;
  out << "Added " << result.systems << " system(s), " << result.phases << " phase(s), "
      << result.pieces << " piece(s), " << result.points << " experimental point(s)\n";
  return 0;
}

int RunDownload(Args args, std::ostream& out, std::ostream& err) {
  constexpr std::string_view usage =
      "Usage: binodal-cli download [--db DIR] --system NAME [--out DIR]\n"
      "\n"
      "Writes the system NAME with its phases, Gibbs energy pieces and experimental points\n"
      "into an exchange file NAME.ter (only the characters + - = _ letters and digits of the\n"
      "name are kept) in the --out folder, by default the current directory.\n";
  constexpr std::string_view values[] = {"--db", "--system", "--out"};
  int status = 0;
  const auto line = ParseCommand(args, {usage, values, kSystemOption, 0, 0}, out, err, status);
  if (!line) return status;
  StderrDialogs dialogs(err);
  TDM dm(dialogs);
  if (!OpenDatabase(dm, *line, err) || !SelectSystem(dm, *line->Value("--system"), err)) return 1;
  return WriteAndPrintPath(
      [&] { return DownloadSystem(dm, line->Value("--out").value_or("."), dialogs); }, out);
}

int RunParamsSave(Args args, std::ostream& out, std::ostream& err) {
  constexpr std::string_view usage =
      "Usage: binodal-cli params-save [--db DIR] [--out DIR]\n"
      "\n"
      "Writes every stability parameter with its pieces into STABILITY_PARAMS.txt in the\n"
      "--out folder, by default the current directory.\n";
  constexpr std::string_view values[] = {"--db", "--out"};
  int status = 0;
  const auto line = ParseCommand(args, {usage, values, {}, 0, 0}, out, err, status);
  if (!line) return status;
  StderrDialogs dialogs(err);
  TDM dm(dialogs);
  if (!OpenDatabase(dm, *line, err)) return 1;
  return WriteAndPrintPath(
      [&] { return SaveStabilityParameters(dm, line->Value("--out").value_or("."), dialogs); },
      out);
}

int RunParamsUpload(Args args, std::ostream& out, std::ostream& err) {
  constexpr std::string_view usage =
      "Usage: binodal-cli params-upload [--db DIR] [FILE]\n"
      "\n"
      "Adds the stability parameters of FILE (default: STABILITY_PARAMS.txt in the current\n"
      "directory) to the database, skipping every parameter whose designation the database\n"
      "already holds, and saves the database. When the upload stops at an error the\n"
      "database is left as it was.\n";
  int status = 0;
  const auto line = ParseCommand(args, {usage, kDbOption, {}, 0, 1}, out, err, status);
  if (!line) return status;
  StderrDialogs dialogs(err);
  TDM dm(dialogs);
  if (!OpenDatabaseForWriting(dm, *line, err)) return 1;
  const std::string path =
      line->positional.empty() ? std::string(kStabilityParamsFile) : line->positional[0];
  const StabilityUploadResult result = UploadStabilityParameters(dm, path, dialogs);
  if (!result.completed) {
    err << "binodal-cli: upload stopped; the database was not changed\n";
    return 1;
  }
  if (SaveOrFail(dm, dialogs) != 0) return 1;
  out << "Added " << result.added << " parameter(s) with " << result.pieces << " piece(s); "
      << result.duplicates << " already present\n";
  return 0;
}

int RunCatalogue(Args args, std::ostream& out, std::ostream& err) {
  constexpr std::string_view usage =
      "Usage: binodal-cli catalogue [--db DIR] [--out DIR]\n"
      "\n"
      "Writes the catalogue Keldan_cat of all system designations into the --out folder,\n"
      "by default the current directory.\n";
  constexpr std::string_view values[] = {"--db", "--out"};
  int status = 0;
  const auto line = ParseCommand(args, {usage, values, {}, 0, 0}, out, err, status);
  if (!line) return status;
  StderrDialogs dialogs(err);
  TDM dm(dialogs);
  if (!OpenDatabase(dm, *line, err)) return 1;
  return WriteAndPrintPath(
      [&] { return WriteDesignationsCatalogue(dm, line->Value("--out").value_or("."), dialogs); },
      out);
}

}  // namespace binodal::cli
