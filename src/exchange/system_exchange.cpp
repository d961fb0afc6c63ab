#include "exchange/system_exchange.h"

#include <filesystem>
#include <optional>

#include "common/file_io.h"
#include "exchange/field_lines.h"
#include "exchange/section_fields.h"
#include "store/field_text.h"
#include "thermo/text_routines.h"

namespace binodal {
namespace {

constexpr std::string_view kSystems = "[SYSTEMS]";
constexpr std::string_view kPhases = "[PHASES]";
constexpr std::string_view kGibbs = "[GIBBS_ENERGY]";
constexpr std::string_view kExperiment = "[EXPERIMENT]";
constexpr std::string_view kHeaders[] = {kSystems, kPhases, kGibbs, kExperiment};

// Fields of the file that the reader leaves alone: keys and links come from
// the database and from the position of a section.
const FieldNames kSystemIgnored = {"id", "System_id"};
const FieldNames kPhaseIgnored = {"Phase_id", "FK_system"};
const FieldNames kGibbsIgnored = {"FK_Phase", "Phase_id"};
const FieldNames kExperimentIgnored = {"system_id"};

std::string ValueText(TStoreField field) {
  return field.IsNull() ? std::string() : field.AsString();
}

std::runtime_error CannotCarry(std::string_view field, std::string_view value) {
  return std::runtime_error("The text of field '" + std::string(field) + "' ('" + ShownText(value) +
                            "') cannot be written into an exchange file: a line of it would "
                            "read as a section header or a field line. Nothing was written.");
}

// Writes a section: header, the record's fields except those excluded, ">".
void AppendSection(std::string& out, std::string_view header, TStoreTable& table,
                   std::initializer_list<std::string_view> excluded, bool skip_read_only) {
  AppendLine(out, header);
  for (std::size_t i = 0; i < table.Fields().size(); ++i) {
    TStoreField field = table.Field(i);
    bool skip = skip_read_only && field.ReadOnly();
    for (std::string_view name : excluded) skip = skip || SameName(field.Name(), name);
    if (skip) continue;
    const std::string value = ValueText(field);
    if (!ReadsBackExactly(value, kHeaders)) throw CannotCarry(field.Name(), value);
    AppendFieldLine(out, field.Name(), value);
  }
  AppendSectionEnd(out);
}

// The sections of a file, arranged by what they belong to.
struct PhaseText {
  const SectionEntry* phase = nullptr;
  std::vector<const SectionEntry*> pieces;
};
struct SystemText {
  const SectionEntry* system = nullptr;
  std::string designation;
  std::vector<PhaseText> phases;
  std::vector<const SectionEntry*> points;
};

std::vector<SystemText> Arrange(const std::vector<SectionEntry>& sections, TDM& dm) {
  std::vector<SystemText> systems;
  for (const SectionEntry& section : sections) {
    if (section.header == kSystems) {
      CheckSectionFields(section, dm.tblSystems, kSystemIgnored);
      const FieldEntry* designation = FindEntry(section, "System_designation");
      if (designation == nullptr || TrimControl(designation->value).empty()) {
        throw EExchangeFormat(section.line, "the [SYSTEMS] section gives no System_designation");
      }
      for (const SystemText& earlier : systems) {
        if (SameName(earlier.designation, designation->value)) {
          throw EExchangeFormat(designation->line,
                                "the file holds the system " + designation->value + " twice");
        }
      }
      systems.push_back({&section, designation->value, {}, {}});
    } else if (systems.empty()) {
      throw EExchangeFormat(section.line, "a " + section.header +
                                              " section before the [SYSTEMS] section it "
                                              "belongs to");
    } else if (section.header == kPhases) {
      CheckSectionFields(section, dm.tblPhases, kPhaseIgnored);
      systems.back().phases.push_back({&section, {}});
    } else if (section.header == kGibbs) {
      if (systems.back().phases.empty()) {
        throw EExchangeFormat(section.line,
                              "a [GIBBS_ENERGY] section before the [PHASES] section it belongs to");
      }
      CheckSectionFields(section, dm.tblGibbs, kGibbsIgnored);
      systems.back().phases.back().pieces.push_back(&section);
    } else {
      CheckSectionFields(section, dm.tblExperiment, kExperimentIgnored);
      systems.back().points.push_back(&section);
    }
  }
  if (systems.empty()) throw EExchangeFormat(1, "the file holds no [SYSTEMS] section");
  return systems;
}

std::optional<std::int64_t> CurrentSystemId(TDM& dm) {
  if (!dm.tblSystems.Active() || dm.tblSystems.IsEmpty()) return std::nullopt;
  return dm.tblSystems.FieldByName("System_id").AsInteger();
}

bool LocateSystemId(TDM& dm, std::int64_t id) {
  return dm.tblSystems.Locate("System_id", static_cast<double>(id));
}

// The keys of the systems whose designation equals `name`, case ignored.
std::vector<std::int64_t> SystemsNamed(TDM& dm, std::string_view name) {
  TStoreTable& systems = dm.tblSystems;
  const std::size_t designation = systems.FieldByName("System_designation").Index();
  const std::size_t key = systems.FieldByName("System_id").Index();
  std::vector<std::int64_t> ids;
  for (int rec = 1; rec <= systems.RecordCount(); ++rec) {
    if (SameName(systems.TextAt(rec, designation), name)) {
      ids.push_back(TextToInteger(systems.TextAt(rec, key)).value_or(0));
    }
  }
  return ids;
}

void CancelPending(TStoreTable& table) {
  if (table.State() == TableState::kEdit || table.State() == TableState::kInsert) table.Cancel();
}

// Adds one system of the file; `line` follows the section being added, and
// `added` gets the new system's key as soon as it is posted.
void AddSystem(TDM& dm, const SystemText& text, UploadResult& result, int& line,
               std::vector<std::int64_t>& added) {
  line = text.system->line;
  dm.tblSystems.Insert();
  SetSectionFields(*text.system, dm.tblSystems, kSystemIgnored, true);
  dm.tblSystems.Post();
  const std::int64_t id = dm.tblSystems.FieldByName("System_id").AsInteger();
  added.push_back(id);
  ++result.systems;
  for (const PhaseText& phase : text.phases) {
    line = phase.phase->line;
    dm.tblPhases.Insert();
    dm.tblPhases.FieldByName("FK_system").SetAsInteger(id);
    SetSectionFields(*phase.phase, dm.tblPhases, kPhaseIgnored);
    dm.tblPhases.Post();
    ++result.phases;
    const std::int64_t phase_id = dm.tblPhases.FieldByName("Phase_id").AsInteger();
    for (const SectionEntry* piece : phase.pieces) {
      line = piece->line;
      dm.tblGibbs.Insert();
      dm.tblGibbs.FieldByName("FK_Phase").SetAsInteger(phase_id);
      SetSectionFields(*piece, dm.tblGibbs, kGibbsIgnored);
      dm.tblGibbs.Post();
      ++result.pieces;
    }
  }
  for (const SectionEntry* point : text.points) {
    line = point->line;
    dm.tblExperiment.Insert();
    dm.tblExperiment.FieldByName("system_id").SetAsInteger(id);
    SetSectionFields(*point, dm.tblExperiment, kExperimentIgnored);
    dm.tblExperiment.Post();
    ++result.points;
  }
}

}  // namespace

std::string DownloadSystem(TDM& dm, const std::string& folder, Dialogs& dialogs) {
  const std::string name =
      SafeFileName(dm.tblSystems.FieldByName("System_designation").AsString()) + ".ter";
  const std::string path = (std::filesystem::path(folder) / name).string();
  try {
    std::string out;
    AppendSection(out, "[SYSTEMS]", dm.tblSystems, {"System_id"}, false);
    for (dm.tblPhases.First(); !dm.tblPhases.Eof(); dm.tblPhases.Next()) {
      AppendSection(out, "  [PHASES]", dm.tblPhases, {"Phase_id", "FK_system"}, true);
      for (dm.tblGibbs.First(); !dm.tblGibbs.Eof(); dm.tblGibbs.Next()) {
        AppendSection(out, "  [GIBBS_ENERGY]", dm.tblGibbs, {"FK_Phase"}, true);
      }
    }
    for (dm.tblExperiment.First(); !dm.tblExperiment.Eof(); dm.tblExperiment.Next()) {
      AppendSection(out, "  [EXPERIMENT]", dm.tblExperiment, {"system_id"}, true);
    }
    WriteWholeFile(path, out);
  } catch (const std::exception& e) {
    dialogs.Error(e.what());
    throw;
  }
  dialogs.Information("Data are saved into " + name);
  return path;
}

bool LocateSystem(TDM& dm, std::string_view name) {
  return dm.tblSystems.Locate("System_designation", name, {.case_insensitive = true});
}

void DeleteCurrentSystem(TDM& dm) {
  DeleteAll(dm.tblExperiment);  // the data module keeps a deleted system's points
  dm.tblSystems.Delete();       // its phases and their pieces go with it
}

UploadResult UploadSystem(TDM& dm, const std::string& path, Dialogs& dialogs,
                          ExistingSystem existing) {
  UploadResult result;
  const auto refuse = [&](const std::string& error) {
    result.error = error;
    dialogs.Error(error);
    return result;
  };

  std::vector<SectionEntry> sections;
  std::vector<SystemText> systems;
  try {
    sections = ReadSections(ReadWholeFile(path), kHeaders);
    systems = Arrange(sections, dm);
  } catch (const EExchangeFormat& e) {
    return refuse("Error in " + path + ", " + e.what() + ". Nothing was added to the database.");
  } catch (const std::exception& e) {
    return refuse(e.what());
  }

  // Systems of the same designation in the database.
  std::vector<std::int64_t> replaced;
  for (const SystemText& system : systems) {
    std::vector<std::int64_t> ids;
    try {
      ids = SystemsNamed(dm, system.designation);
    } catch (const std::exception& e) {
      return refuse(e.what());
    }
    if (ids.empty()) continue;
    const bool replace =
        existing == ExistingSystem::kReplace ||
        (existing == ExistingSystem::kAsk &&
         dialogs.Confirm("The database holds a system " + system.designation +
                         " already. Replace it, with its phases, Gibbs energy pieces and "
                         "experimental points, by the system of the file?"));
    if (!replace) {
      result.existing.push_back(system.designation);
      continue;
    }
    replaced.insert(replaced.end(), ids.begin(), ids.end());
  }
  if (!result.existing.empty()) return result;
  for (TStoreTable* table : {&dm.tblSystems, &dm.tblPhases, &dm.tblGibbs, &dm.tblExperiment}) {
    if (table->ReadOnly()) return refuse("You have read only access, you can not add records!");
  }

  const std::optional<std::int64_t> previous = CurrentSystemId(dm);
  std::vector<std::int64_t> added;
  int line = 0;
  try {
    for (const SystemText& system : systems) AddSystem(dm, system, result, line, added);
    line = 0;
    for (std::int64_t id : replaced) {
      if (LocateSystemId(dm, id)) DeleteCurrentSystem(dm);
      ++result.replaced;
    }
  } catch (const std::exception& e) {
    // Take out what was added: the database is as it was.
    for (TStoreTable* table : {&dm.tblGibbs, &dm.tblPhases, &dm.tblExperiment, &dm.tblSystems}) {
      CancelPending(*table);
    }
    for (auto id = added.rbegin(); id != added.rend(); ++id) {
      if (LocateSystemId(dm, *id)) DeleteCurrentSystem(dm);
    }
    if (previous) LocateSystemId(dm, *previous);
    const std::string where = line > 0 ? ", line " + std::to_string(line) : std::string();
    result = UploadResult{};
    if (dynamic_cast<const EAbort*>(&e) != nullptr) {
      // The data module has shown why it refused the record.
      result.error = "The record of " + path + where + " was refused. Nothing was added.";
      return result;
    }
    const auto* format = dynamic_cast<const EExchangeFormat*>(&e);
    return refuse("Error in " + path + (format != nullptr ? ", " : where + ": ") + e.what() +
                  ". Nothing was added to the database.");
  }
  LocateSystemId(dm, added.back());
  dm.tblPhases.First();
  result.completed = true;
  dialogs.Information("New data are saved into the database");
  return result;
}

}  // namespace binodal
