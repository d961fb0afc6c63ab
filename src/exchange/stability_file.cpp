#include "exchange/stability_file.h"

#include <strings.h>
#include <filesystem>

#include "common/file_io.h"
#include "exchange/field_lines.h"
#include "thermo/text_routines.h"

namespace binodal {
namespace {

namespace fs = std::filesystem;

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

void AppendRecord(std::string& out, std::string_view header, TStoreTable& table) {
  AppendLine(out, header);
  for (std::size_t i = 0; i < table.Fields().size(); ++i) {
    TStoreField field = table.Field(i);
    if (field.ReadOnly() || SameName(field.Name(), "Id")) continue;
    AppendFieldLine(out, field.Name(), field.IsNull() ? std::string() : field.AsString());
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

}  // namespace

std::string SaveStabilityParameters(TDM& dm, const std::string& folder, Dialogs& dialogs) {
  std::string out;
  for (dm.tblStability.First(); !dm.tblStability.Eof(); dm.tblStability.Next()) {
    AppendRecord(out, "[STABILITY_PARAMS]", dm.tblStability);
    for (dm.tblStabDet.First(); !dm.tblStabDet.Eof(); dm.tblStabDet.Next()) {
      AppendRecord(out, "  [STABILITY_DETAIL]", dm.tblStabDet);
    }
  }
  const std::string path = (fs::path(folder) / kStabilityParamsFile).string();
  WriteOrShow(path, out, dialogs);
  dialogs.Information(std::string("Stabilty parameters are saved into ") + kStabilityParamsFile);
  return path;
}

StabilityUploadResult UploadStabilityParameters(TDM& dm, const std::string& path,
                                                Dialogs& dialogs) {
  StabilityUploadResult result;
  if (!fs::is_regular_file(path)) {
    dialogs.Warning("File " + path + " not found");
    return result;
  }
  try {
    const std::string text = ReadWholeFile(path);
    // The parameters as last saved: the duplicate check ignores unsaved edits.
    TStoreTable saved(&dm.StoreDatabase1);
    saved.SetTableName(TDM::kStabilityFile);
    saved.Open();

    LineReader reader(text);
    std::optional<std::string_view> raw = reader.Next();
    while (raw) {
      const std::string_view header = TrimControl(*raw);
      raw.reset();
      if (header == "[STABILITY_PARAMS]") {
        dm.tblStability.Insert();
        bool duplicate = false;
        while (std::optional<std::string> line = ReadFieldLine(reader, true)) {
          if (*line == ">") break;
          std::optional<NamedValue> field = SplitFieldLine(*line);
          if (!field || SameName(field->name, "Id")) continue;
          if (SameName(field->name, "Designation") && saved.Locate("Designation", field->value)) {
            duplicate = true;
            dm.tblStability.Cancel();
            dm.tblStability.Locate("Designation", field->value);
            ++result.duplicates;
            break;
          }
          TStoreField target = dm.tblStability.FieldByName(field->name);
          if (!target.ReadOnly()) target.SetAsString(field->value);
        }
        if (duplicate) {
          // Skip the duplicate's pieces, up to the next parameter.
          while ((raw = reader.Next()) && *raw != "[STABILITY_PARAMS]") {
          }
          continue;
        }
        dm.tblStability.Post();
        ++result.added;
      } else if (header == "[STABILITY_DETAIL]") {
        dm.tblStabDet.Insert();
        dm.tblStabDet.FieldByName("Id").SetAsInteger(dm.tblStability.FieldByName("Id").AsInteger());
        while (std::optional<std::string> line = ReadFieldLine(reader, true)) {
          if (*line == ">") break;
          std::optional<NamedValue> field = SplitFieldLine(*line);
          if (!field) continue;
          TStoreField target = dm.tblStabDet.FieldByName(field->name);
          if (!target.ReadOnly()) target.SetAsString(field->value);
        }
        dm.tblStabDet.Post();
        ++result.pieces;
      } else {
        break;
      }
      raw = reader.Next();
    }
    result.completed = true;
  } catch (const EAbort&) {
    return result;  // the table event has shown why
  } catch (const std::exception& e) {
    dialogs.Error(e.what());
    return result;
  }
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
