#include "exchange/section_fields.h"

#include <strings.h>

#include "store/field_text.h"

namespace binodal {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

namespace {

// The most bytes a text of the field can hold; 0 for no limit below a memo's.
std::size_t TextLimit(const FieldDef& def) {
  const FieldKind kind = def.Kind();
  if (kind == FieldKind::kShortText || kind == FieldKind::kString) {
    return static_cast<std::size_t>(def.max_length);
  }
  return 0;
}

bool Skipped(TStoreTable& table, const FieldEntry& entry, FieldNames ignored) {
  if (NameIn(entry.name, ignored)) return true;
  const std::optional<TStoreField> field = table.FindField(entry.name);
  return field && field->ReadOnly();
}

}  // namespace

bool NameIn(std::string_view name, FieldNames names) {
  for (std::string_view candidate : names) {
    if (SameName(name, candidate)) return true;
  }
  return false;
}

const FieldEntry* FindEntry(const SectionEntry& section, std::string_view name) {
  const FieldEntry* found = nullptr;
  for (const FieldEntry& entry : section.fields) {
    if (SameName(entry.name, name)) found = &entry;
  }
  return found;
}

void CheckSectionFields(const SectionEntry& section, TStoreTable& table, FieldNames ignored) {
  for (const FieldEntry& entry : section.fields) {
    if (Skipped(table, entry, ignored)) continue;
    const std::optional<std::size_t> index = table.FieldIndex(entry.name);
    if (!index) {
      throw EExchangeFormat(
          entry.line, "Field '" + ShownText(entry.name) + "' not found in " + table.TableName());
    }
    const std::size_t limit = TextLimit(table.Fields()[*index]);
    if (limit > 0 && entry.value.size() > limit) {
      throw EExchangeFormat(entry.line,
                            "the value of field '" + entry.name + "' ('" + ShownText(entry.value) +
                                "') has " + std::to_string(entry.value.size()) +
                                " bytes; the field holds at most " + std::to_string(limit));
    }
  }
}

void SetSectionFields(const SectionEntry& section, TStoreTable& table, FieldNames ignored,
                      bool display_flags) {
  for (const FieldEntry& entry : section.fields) {
    if (Skipped(table, entry, ignored)) continue;
    std::string value = entry.value;
    if (display_flags && !value.empty() && NameIn(entry.name, {"ShowMosaicDiagram", "ShowChart"})) {
      value = value == "0" || value == "False" ? "False" : "True";
    }
    try {
      table.FieldByName(entry.name).SetAsString(value);
    } catch (const EStoreError& e) {
      throw EExchangeFormat(entry.line, e.what());
    }
  }
}

bool SameRecord(const SectionEntry& section, TStoreTable& table, FieldNames ignored) {
  for (std::size_t i = 0; i < table.Fields().size(); ++i) {
    TStoreField field = table.Field(i);
    if (field.ReadOnly() || NameIn(field.Name(), ignored)) continue;
    const FieldEntry* entry = FindEntry(section, field.Name());
    const std::string_view text = entry != nullptr ? std::string_view(entry->value) : "";
    switch (ValueKindOf(field.Kind())) {
      case ValueKind::kText:
        if (field.AsString() != text) return false;
        break;
      case ValueKind::kFloat: {
        const std::optional<double> v =
            text.empty() ? 0.0 : TextToFloat(text, table.DecimalSeparator());
        if (!v || *v != field.AsFloat()) return false;
        break;
      }
      case ValueKind::kInteger: {
        const std::optional<std::int64_t> v = text.empty() ? 0 : TextToInteger(text);
        if (!v || *v != field.AsInteger()) return false;
        break;
      }
      case ValueKind::kBoolean:
        if (field.AsBoolean() != (SameName(text, "True"))) {
          return false;
        }
        if (!text.empty() && !SameName(text, "True") && !SameName(text, "False")) return false;
        break;
    }
  }
  return true;
}

}  // namespace binodal
