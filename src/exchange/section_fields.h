// Moving the fields of an exchange file's section into a table record, and
// comparing them with one. Shared by the system exchange file and the
// stability parameters file.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "exchange/field_lines.h"
#include "store/store_table.h"

namespace binodal {

using FieldNames = std::initializer_list<std::string_view>;

// The last field of the section with this name (case ignored), or nullptr.
[[nodiscard]] const FieldEntry* FindEntry(const SectionEntry& section, std::string_view name);

// Checks, before anything is changed, that every field of the section except
// `ignored` and the table's read-only fields is a field of `table` (open) and
// that every text fits its field: a text is never cut. Throws EExchangeFormat
// naming the field's line.
void CheckSectionFields(const SectionEntry& section, TStoreTable& table, FieldNames ignored);

// Writes the section's fields (except `ignored` and read-only fields) into
// the record that `table` is inserting or editing. An empty value clears the
// field. With `display_flags`, ShowMosaicDiagram and ShowChart read "0" and
// "False" as false and any other non-empty text as true. A value the field
// cannot take throws EExchangeFormat naming its line.
void SetSectionFields(const SectionEntry& section, TStoreTable& table, FieldNames ignored,
                      bool display_flags = false);

// True when the current record of `table` holds what the section would set:
// every field of the table except `ignored` and read-only ones, a field the
// section lacks counting as empty, and an empty number as 0. Numbers compare
// by value, texts byte for byte.
[[nodiscard]] bool SameRecord(const SectionEntry& section, TStoreTable& table, FieldNames ignored);

// True when the two names are equal, ASCII letter case ignored.
[[nodiscard]] bool SameName(std::string_view a, std::string_view b);

// True when `name` equals one of `names`, case ignored.
[[nodiscard]] bool NameIn(std::string_view name, FieldNames names);

}  // namespace binodal
