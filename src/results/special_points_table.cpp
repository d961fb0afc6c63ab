#include "results/special_points_table.h"

#include <cmath>

#include "results/phase_diagram.h"

namespace binodal {
namespace {

constexpr double kSmallY = 0.001;

}  // namespace

SpecialPointsTable MakeSpecialPointsTable(std::span<const TNode> nodes, int y_item_index,
                                          NodeYFormat y_format, NumberSeparators separators) {
  SpecialPointsTable table;
  table.Headers = {y_item_index == kYTemperature ? " T" : " p", " X(left)", " X", " X(right)"};
  const auto composition = [&](double x) { return " " + FormatFloat("0.###", x, separators); };
  for (const TNode& node : nodes) {
    const bool scientific = y_format == NodeYFormat::kDiagramWindow && std::fabs(node.Y) <= kSmallY;
    table.Rows.push_back({" " + FormatFloat(scientific ? "0.###e-00" : "0.###", node.Y, separators),
                          composition(node.XLeft), composition(node.X), composition(node.XRight)});
  }
  if (table.Rows.empty()) table.Rows.emplace_back();
  return table;
}

}  // namespace binodal
