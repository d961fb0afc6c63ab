#include "exchange/stability_file.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "common/file_io.h"
#include "exchange/field_lines.h"
#include "exchange/section_fields.h"
#include "store/field_text.h"
#include "thermo/text_routines.h"

namespace binodal {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeaders[] = {"[STABILITY_PARAMS]", "[STABILITY_DETAIL]"};

void AppendRecord(std::string& out, std::string_view header, TStoreTable& table) {
  AppendLine(out, header);
  for (std::size_t i = 0; i < table.Fields().size(); ++i) {
    TStoreField field = table.Field(i);
    if (field.ReadOnly() || SameName(field.Name(), "Id")) continue;
    const std::string value = field.IsNull() ? std::string() : field.AsString();
    if (!ReadsBackExactly(value, kHeaders)) {
      throw std::runtime_error("The text of field '" + field.Name() + "' ('" + ShownText(value) +
                               "') cannot be written into " + kStabilityParamsFile +
                               ": a line of it would read as a section header or a field "
                               "line. Nothing was written.");
    }
    AppendFieldLine(out, field.Name(), value);
  }
  AppendSectionEnd(out);
}

void WriteOrShow(const std::string& path, std::string_view bytes, Dialogs& dialogs) {
  try {
    WriteWholeFile(path, bytes);
  } catch (const std::exception& e) {
    dialogs.Error(e.what());
    throw;
  }
}

// A parameter of the file with its pieces.
struct ParameterText {
  const SectionEntry* parameter = nullptr;
  std::string designation;
  std::vector<const SectionEntry*> pieces;
};

std::vector<ParameterText> Arrange(const std::vector<SectionEntry>& sections, TDM& dm) {
  std::vector<ParameterText> parameters;
  for (const SectionEntry& section : sections) {
    if (section.header == kHeaders[0]) {
      CheckSectionFields(section, dm.tblStability, {"Id"});
      const FieldEntry* designation = FindEntry(section, "Designation");
      if (designation == nullptr || TrimControl(designation->value).empty()) {
        throw EExchangeFormat(section.line, "the [STABILITY_PARAMS] section gives no Designation");
      }
      for (const ParameterText& earlier : parameters) {
        if (SameName(earlier.designation, designation->value)) {
          throw EExchangeFormat(designation->line,
                                "the file holds the parameter " + designation->value + " twice");
        }
      }
      parameters.push_back({&section, designation->value, {}});
    } else if (parameters.empty()) {
      throw EExchangeFormat(section.line,
                            "a [STABILITY_DETAIL] section before the [STABILITY_PARAMS] section "
                            "it belongs to");
    } else {
      CheckSectionFields(section, dm.tblStabDet, {"Id"});
      parameters.back().pieces.push_back(&section);
    }
  }
  return parameters;
}

// The order of pieces in the database: by Tmin, then Tmax.
std::pair<double, double> PieceOrder(const SectionEntry& piece, char separator) {
  const auto number = [&](std::string_view name) {
    const FieldEntry* entry = FindEntry(piece, name);
    if (entry == nullptr || entry->value.empty()) return 0.0;
    return TextToFloat(entry->value, separator).value_or(0.0);
  };
  return {number("Tmin"), number("Tmax")};
}

// True when the current parameter of the database has the file's text: its
// comment and designation, and the same pieces.
bool SameParameter(const ParameterText& parameter, TDM& dm) {
  if (!SameRecord(*parameter.parameter, dm.tblStability, {"Id"})) return false;
  TStoreTable& pieces = dm.tblStabDet;
  if (static_cast<std::size_t>(pieces.RecordCount()) != parameter.pieces.size()) return false;
  std::vector<const SectionEntry*> ordered = parameter.pieces;
  const char separator = pieces.DecimalSeparator();
  std::stable_sort(ordered.begin(), ordered.end(), [&](const auto* a, const auto* b) {
    return PieceOrder(*a, separator) < PieceOrder(*b, separator);
  });
  std::size_t i = 0;
  for (pieces.First(); !pieces.Eof(); pieces.Next()) {
    if (!SameRecord(*ordered[i++], pieces, {"Id"})) return false;
  }
  return true;
}

std::optional<std::int64_t> CurrentId(TStoreTable& params) {
  if (params.IsEmpty()) return std::nullopt;
  return params.FieldByName("Id").AsInteger();
}

void CancelPending(TStoreTable& table) {
  if (table.State() == TableState::kEdit || table.State() == TableState::kInsert) table.Cancel();
}

std::string JoinNames(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
  return joined;
}

}  // namespace

std::string SaveStabilityParameters(TDM& dm, const std::string& folder, Dialogs& dialogs) {
  std::string out;
  try {
    for (dm.tblStability.First(); !dm.tblStability.Eof(); dm.tblStability.Next()) {
      AppendRecord(out, "[STABILITY_PARAMS]", dm.tblStability);
      for (dm.tblStabDet.First(); !dm.tblStabDet.Eof(); dm.tblStabDet.Next()) {
        AppendRecord(out, "  [STABILITY_DETAIL]", dm.tblStabDet);
      }
    }
  } catch (const std::exception& e) {
    dialogs.Error(e.what());
    throw;
  }
  const std::string path = (fs::path(folder) / kStabilityParamsFile).string();
  WriteOrShow(path, out, dialogs);
  dialogs.Information(std::string("Stabilty parameters are saved into ") + kStabilityParamsFile);
  return path;
}

StabilityUploadResult UploadStabilityParameters(TDM& dm, const std::string& path, Dialogs& dialogs,
                                                ExistingParameters existing) {
  StabilityUploadResult result;
  if (!fs::is_regular_file(path)) {
    dialogs.Warning("File " + path + " not found");
    return result;
  }
  std::vector<SectionEntry> sections;
  std::vector<ParameterText> parameters;
  try {
    sections = ReadSections(ReadWholeFile(path), kHeaders);
    parameters = Arrange(sections, dm);
  } catch (const EExchangeFormat& e) {
    dialogs.Error("Error in " + path + ", " + e.what() + ". Nothing was added to the database.");
    return result;
  } catch (const std::exception& e) {
    dialogs.Error(e.what());
    return result;
  }

  TStoreTable& params = dm.tblStability;
  const std::optional<std::int64_t> previous = CurrentId(params);
  // The parameter of each designation that formulas reach, and whether the
  // file gives it other text.
  std::vector<std::optional<std::int64_t>> present(parameters.size());
  std::vector<std::string> changed;
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (!params.Locate("Designation", parameters[i].designation, {.case_insensitive = true})) {
      continue;
    }
    present[i] = params.FieldByName("Id").AsInteger();
    if (!SameParameter(parameters[i], dm)) changed.push_back(parameters[i].designation);
  }
  if (previous) params.Locate("Id", static_cast<double>(*previous));

  bool replace = existing == ExistingParameters::kReplace;
  if (!changed.empty() && existing == ExistingParameters::kRefuse) {
    result.changed = changed;
    return result;
  }
  if (!changed.empty() && existing == ExistingParameters::kAsk) {
    replace = dialogs.Confirm(
        "The file gives other text than the database for " + std::to_string(changed.size()) +
        " parameter(s): " + JoinNames(changed) + ". Replace them by those of the file?");
  }
  const bool adds = std::any_of(present.begin(), present.end(), [](const auto& id) { return !id; });
  if ((adds || (replace && !changed.empty())) && (params.ReadOnly() || dm.tblStabDet.ReadOnly())) {
    dialogs.Error("You have read only access, you can not add records!");
    return result;
  }

  std::vector<std::int64_t> added, superseded;
  int line = 0;
  try {
    for (std::size_t i = 0; i < parameters.size(); ++i) {
      const ParameterText& parameter = parameters[i];
      const bool differs =
          std::find(changed.begin(), changed.end(), parameter.designation) != changed.end();
      if (present[i] && !(differs && replace)) {
        if (differs) {
          result.changed.push_back(parameter.designation);
        } else {
          ++result.duplicates;
        }
        continue;
      }
      line = parameter.parameter->line;
      params.Insert();
      SetSectionFields(*parameter.parameter, params, {"Id"});
      params.Post();
      const std::int64_t id = params.FieldByName("Id").AsInteger();
      added.push_back(id);
      for (const SectionEntry* piece : parameter.pieces) {
        line = piece->line;
        dm.tblStabDet.Insert();
        dm.tblStabDet.FieldByName("Id").SetAsInteger(id);
        SetSectionFields(*piece, dm.tblStabDet, {"Id"});
        dm.tblStabDet.Post();
        ++result.pieces;
      }
      if (present[i]) {
        superseded.push_back(*present[i]);
        result.replaced.push_back(parameter.designation);
      } else {
        ++result.added;
      }
    }
    line = 0;
    for (std::int64_t id : superseded) {
      if (params.Locate("Id", static_cast<double>(id))) params.Delete();  // with its pieces
    }
  } catch (const std::exception& e) {
    // Take out what was added: the database is as it was.
    CancelPending(dm.tblStabDet);
    CancelPending(params);
    for (auto id = added.rbegin(); id != added.rend(); ++id) {
      if (params.Locate("Id", static_cast<double>(*id))) params.Delete();
    }
    if (previous) params.Locate("Id", static_cast<double>(*previous));
    const StabilityUploadResult refused;
    if (dynamic_cast<const EAbort*>(&e) != nullptr) return refused;  // the data module said why
    const auto* format = dynamic_cast<const EExchangeFormat*>(&e);
    const std::string where = line > 0 ? ", line " + std::to_string(line) + ": " : ": ";
    dialogs.Error("Error in " + path + (format != nullptr ? ", " : where) + e.what() +
                  ". Nothing was added to the database.");
    return refused;
  }
  if (added.empty() && previous) params.Locate("Id", static_cast<double>(*previous));
  result.completed = true;
  dialogs.Information("Stability parameters are saved into database");
  return result;
}

std::string WriteDesignationsCatalogue(TDM& dm, const std::string& folder, Dialogs& dialogs) {
  TStoreTable& systems = dm.tblSystems;
  const bool had_current = !systems.IsEmpty();
  const std::int64_t current = had_current ? systems.FieldByName("System_id").AsInteger() : 0;
  std::string out;
  int count = 0;
  for (systems.First(); !systems.Eof(); systems.Next()) {
    AppendLine(out, systems.FieldByName("System_designation").AsString());
    ++count;
  }
  if (had_current) systems.Locate("System_id", static_cast<double>(current));
  AppendLine(out, "-------------------");
  AppendLine(out, "TOTAL: " + std::to_string(count) + " systems");
  const std::string path = (fs::path(folder) / "Keldan_cat").string();
  WriteOrShow(path, out, dialogs);
  dialogs.Information("Database contents is saved into Keldan_cat");
  return path;
}

}  // namespace binodal
