#include "exchange/system_exchange.h"

#include <strings.h>
#include <filesystem>

#include "common/file_io.h"
#include "exchange/field_lines.h"
#include "thermo/text_routines.h"

namespace binodal {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string ValueText(TStoreField field) {
  return field.IsNull() ? std::string() : field.AsString();
}

// Writes a section: header, the record's fields except those excluded, ">".
void AppendSection(std::string& out, std::string_view header, TStoreTable& table,
                   std::initializer_list<std::string_view> excluded, bool skip_read_only) {
  AppendLine(out, header);
  for (std::size_t i = 0; i < table.Fields().size(); ++i) {
    TStoreField field = table.Field(i);
    bool skip = skip_read_only && field.ReadOnly();
    for (std::string_view name : excluded) skip = skip || SameName(field.Name(), name);
    if (!skip) AppendFieldLine(out, field.Name(), ValueText(field));
  }
  AppendSectionEnd(out);
}

// Reads the field lines of one section into the table's new record.
void ReadFields(LineReader& reader, TStoreTable& table, bool join,
                std::initializer_list<std::string_view> ignored, bool display_flags) {
  while (std::optional<std::string> line = ReadFieldLine(reader, join)) {
    if (*line == ">") return;
    std::optional<NamedValue> field = SplitFieldLine(*line);
    if (!field) continue;
    bool ignore = false;
    for (std::string_view name : ignored) ignore = ignore || SameName(field->name, name);
    if (ignore) continue;
    if (display_flags &&
        (SameName(field->name, "ShowMosaicDiagram") || SameName(field->name, "ShowChart"))) {
      field->value = field->value == "0" || field->value == "False" ? "False" : "True";
    }
    TStoreField target = table.FieldByName(field->name);
    if (!target.ReadOnly()) target.SetAsString(field->value);
  }
}

}  // namespace

std::string DownloadSystem(TDM& dm, const std::string& folder, Dialogs& dialogs) {
  const std::string name =
      SafeFileName(dm.tblSystems.FieldByName("System_designation").AsString()) + ".ter";
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
  const std::string path = (std::filesystem::path(folder) / name).string();
  try {
    WriteWholeFile(path, out);
  } catch (const std::exception& e) {
    dialogs.Error(e.what());
    throw;
  }
  dialogs.Information("Data are saved into " + name);
  return path;
}

UploadResult UploadSystem(TDM& dm, const std::string& path, Dialogs& dialogs) {
  UploadResult result;
  try {
    const std::string text = ReadWholeFile(path);
    LineReader reader(text);
    while (std::optional<std::string_view> raw = reader.Next()) {
      const std::string_view header = TrimControl(*raw);
      if (header == "[SYSTEMS]") {
        dm.tblSystems.Insert();
        ReadFields(reader, dm.tblSystems, true, {"id"}, true);
        dm.tblSystems.Post();
        ++result.systems;
      } else if (header == "[PHASES]") {
        dm.tblPhases.Insert();
        dm.tblPhases.FieldByName("FK_system")
            .SetAsInteger(dm.tblSystems.FieldByName("System_id").AsInteger());
        ReadFields(reader, dm.tblPhases, false, {}, false);
        dm.tblPhases.Post();
        ++result.phases;
      } else if (header == "[GIBBS_ENERGY]") {
        dm.tblGibbs.Insert();
        dm.tblGibbs.FieldByName("FK_Phase")
            .SetAsInteger(dm.tblPhases.FieldByName("Phase_id").AsInteger());
        ReadFields(reader, dm.tblGibbs, true, {"Phase_id"}, false);
        dm.tblGibbs.Post();
        ++result.pieces;
      } else if (header == "[EXPERIMENT]") {
        dm.tblExperiment.Insert();
        dm.tblExperiment.FieldByName("system_id")
            .SetAsInteger(dm.tblSystems.FieldByName("System_id").AsInteger());
        ReadFields(reader, dm.tblExperiment, false, {}, false);
        dm.tblExperiment.Post();
        ++result.points;
      } else {
        break;
      }
    }
    result.completed = true;
  } catch (const EAbort&) {
    // A record was refused; the table event has shown why.
  } catch (const std::exception& e) {
    result.error = e.what();
    dialogs.Error(e.what());
  }
  if (result.completed && dm.tblPhases.Active()) dm.tblPhases.First();
  dialogs.Information("New data are saved into the database");
  return result;
}

}  // namespace binodal
