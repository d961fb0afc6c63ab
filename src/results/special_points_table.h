// The texts of the nodes table of the special points window: one row per
// node with its Y and its three compositions. Pure functions, no Qt.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "calc/result_model.h"
#include "common/number_format.h"

namespace binodal {

// Who fills the table, which decides how the Y column is written: from the
// main window always with "0.###"; from the diagram window values of at most
// 0.001 in magnitude in scientific form "0.###e-00" (4e-04), so that a node at
// a small Y does not show as 0.
enum class NodeYFormat : std::uint8_t { kMainWindow, kDiagramWindow };

struct SpecialPointsTable {
  using Row = std::array<std::string, 4>;
  // " T" (Temperature) or " p" (Pressure and Y), " X(left)", " X", " X(right)".
  Row Headers;
  // One row per node in list order; with no node one row of empty cells.
  // Every cell is a blank and the number; compositions in "0.###".
  std::vector<Row> Rows;
  bool operator==(const SpecialPointsTable&) const = default;
};

[[nodiscard]] SpecialPointsTable MakeSpecialPointsTable(std::span<const TNode> nodes,
                                                        int y_item_index, NodeYFormat y_format,
                                                        NumberSeparators separators = {});

}  // namespace binodal
