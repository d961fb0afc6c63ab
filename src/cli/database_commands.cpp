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

std::string JoinNames(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
  return joined;
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
  // An empty folder (an unset shell variable, say) is a mistake, not the
  // current directory.
  for (const std::string_view folder_option : {"--db", "--out"}) {
    if (const std::optional<std::string> value = line->Value(folder_option);
        value && value->empty()) {
      err << "binodal-cli: " << folder_option
          << " needs a folder, not an empty text (. is the current directory)\n";
      return std::nullopt;
    }
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
      "Usage: binodal-cli upload [--db DIR] [--replace] FILE.ter\n"
      "\n"
      "Adds the system of an exchange file to the database and saves the database. A system\n"
      "whose designation (letter case ignored) the database holds already is refused;\n"
      "--replace replaces it, with its phases, Gibbs energy pieces and experimental points.\n"
      "A file that does not follow the format is refused with the line at fault. When the\n"
      "upload is refused the database is left as it was.\n";
  constexpr std::string_view flags[] = {"--replace"};
  int status = 0;
  const auto line = ParseCommand(args, {usage, kDbOption, {}, 1, 1, flags}, out, err, status);
  if (!line) return status;
  StderrDialogs dialogs(err);
  TDM dm(dialogs);
  if (!OpenDatabaseForWriting(dm, *line, err)) return 1;
  const std::string& file = line->positional[0];
  const UploadResult result =
      UploadSystem(dm, file, dialogs,
                   line->Flag("--replace") ? ExistingSystem::kReplace : ExistingSystem::kRefuse);
  if (!result.existing.empty()) {
    err << "binodal-cli: the database holds the system " << JoinNames(result.existing)
        << " already; nothing was changed. 'binodal-cli upload --replace " << file
        << "' replaces it.\n";
    return 1;
  }
  if (!result.completed) {
    err << "binodal-cli: upload refused; the database was not changed\n";
    return 1;
  }
  if (SaveOrFail(dm, dialogs) != 0) return 1;
  out << "Added " << result.systems << " system(s), " << result.phases << " phase(s), "
      << result.pieces << " piece(s), " << result.points << " experimental point(s)";
  if (result.replaced > 0) out << "; replaced " << result.replaced << " system(s)";
  out << '\n';
  return 0;
}

int RunDeleteSystem(Args args, std::ostream& out, std::ostream& err) {
  constexpr std::string_view usage =
      "Usage: binodal-cli delete-system [--db DIR] NAME\n"
      "\n"
      "Deletes the system NAME (letter case ignored; the one that calc --system NAME uses)\n"
      "with its phases, Gibbs energy pieces and experimental points, and saves the database.\n";
  int status = 0;
  const auto line = ParseCommand(args, {usage, kDbOption, {}, 1, 1}, out, err, status);
  if (!line) return status;
  StderrDialogs dialogs(err);
  TDM dm(dialogs);
  const std::string& name = line->positional[0];
  if (!OpenDatabaseForWriting(dm, *line, err) || !SelectSystem(dm, name, err)) return 1;
  const std::string designation = dm.tblSystems.FieldByName("System_designation").AsString();
  try {
    DeleteCurrentSystem(dm);
  } catch (const std::exception& e) {
    dialogs.Error(e.what());
    return 1;
  }
  if (SaveOrFail(dm, dialogs) != 0) return 1;
  out << "Deleted the system " << designation << '\n';
  if (LocateSystem(dm, name)) {
    out << "The database holds another system "
        << dm.tblSystems.FieldByName("System_designation").AsString() << '\n';
  }
  return 0;
}

int RunRenameSystem(Args args, std::ostream& out, std::ostream& err) {
  constexpr std::string_view usage =
      "Usage: binodal-cli rename-system [--db DIR] OLD NEW\n"
      "\n"
      "Gives the system OLD (letter case ignored) the designation NEW and saves the database.\n"
      "NEW must not name another system, and has at most three elements separated by \"+\"\n"
      "and at most 50 bytes.\n";
  int status = 0;
  const auto line = ParseCommand(args, {usage, kDbOption, {}, 2, 2}, out, err, status);
  if (!line) return status;
  const std::string& old_name = line->positional[0];
  const std::string& new_name = line->positional[1];
  StderrDialogs dialogs(err);
  TDM dm(dialogs);
  if (!OpenDatabaseForWriting(dm, *line, err) || !SelectSystem(dm, old_name, err)) return 1;
  TStoreTable& systems = dm.tblSystems;
  const std::int64_t id = systems.FieldByName("System_id").AsInteger();
  const std::size_t limit =
      static_cast<std::size_t>(systems.FieldByName("System_designation").Def().max_length);
  if (new_name.find_first_not_of(" \t\r\n") == std::string::npos) {
    err << "binodal-cli: the new designation is empty\n";
    return 1;
  }
  if (new_name.size() > limit) {
    err << "binodal-cli: the designation " << new_name << " has " << new_name.size()
        << " bytes; a designation holds at most " << limit << '\n';
    return 1;
  }
  if (LocateSystem(dm, new_name) && systems.FieldByName("System_id").AsInteger() != id) {
    err << "binodal-cli: the database holds a system "
        << systems.FieldByName("System_designation").AsString() << " already\n";
    return 1;
  }
  systems.Locate("System_id", static_cast<double>(id));
  const std::string old_designation = systems.FieldByName("System_designation").AsString();
  try {
    systems.Edit();
    // The elements follow the new designation only.
    for (const char* element : {"Element1", "Element2", "Element3"}) {
      systems.FieldByName(element).Clear();
    }
    systems.FieldByName("System_designation").SetAsString(new_name);
    systems.Post();
  } catch (const EAbort&) {
    systems.Cancel();
    return 1;  // the data module has said why
  } catch (const std::exception& e) {
    systems.Cancel();
    dialogs.Error(e.what());
    return 1;
  }
  if (SaveOrFail(dm, dialogs) != 0) return 1;
  out << "Renamed the system " << old_designation << " to " << new_name << '\n';
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
      "Usage: binodal-cli params-upload [--db DIR] [--replace] [FILE]\n"
      "\n"
      "Adds the stability parameters of FILE (default: STABILITY_PARAMS.txt in the current\n"
      "directory) that the database lacks, and saves the database. A parameter the database\n"
      "holds (designation, letter case ignored) as the file gives it is left as it is; one for\n"
      "which the file gives another comment or other pieces refuses the upload, unless\n"
      "--replace replaces it by the file's. A file that does not follow the format, or a\n"
      "designation longer than 20 bytes, is refused with the line at fault. When the upload\n"
      "is refused the database is left as it was.\n";
  constexpr std::string_view flags[] = {"--replace"};
  int status = 0;
  const auto line = ParseCommand(args, {usage, kDbOption, {}, 0, 1, flags}, out, err, status);
  if (!line) return status;
  StderrDialogs dialogs(err);
  TDM dm(dialogs);
  if (!OpenDatabaseForWriting(dm, *line, err)) return 1;
  const std::string path =
      line->positional.empty() ? std::string(kStabilityParamsFile) : line->positional[0];
  const StabilityUploadResult result = UploadStabilityParameters(
      dm, path, dialogs,
      line->Flag("--replace") ? ExistingParameters::kReplace : ExistingParameters::kRefuse);
  if (!result.changed.empty()) {
    err << "binodal-cli: the file gives other text than the database for "
        << JoinNames(result.changed) << "; nothing was changed. 'binodal-cli params-upload "
        << "--replace " << path << "' replaces them.\n";
    return 1;
  }
  if (!result.completed) {
    err << "binodal-cli: upload refused; the database was not changed\n";
    return 1;
  }
  if (SaveOrFail(dm, dialogs) != 0) return 1;
  out << "Added " << result.added << " parameter(s) with " << result.pieces << " piece(s); ";
  if (!result.replaced.empty()) {
    out << "replaced " << result.replaced.size() << ": " << JoinNames(result.replaced) << "; ";
  }
  out << result.duplicates << " already present\n";
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
