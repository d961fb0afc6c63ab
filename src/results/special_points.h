// The special point search: reads the matrix of a run and finds the points of
// the phase diagram that are not ordinary boundary points.
//
// Every matrix row (one Y line) is cut into segments of equal cells and
// compared with the row above it. Two kinds of result come out:
//  - appearance points, where a phase field begins or ends between two rows
//    (its cells in one row share no text with the other row's cells there,
//    and the other row has a single-phase cell there);
//  - nodes, three-phase lines at one Y: a field of one row that faces only
//    two-phase cells ("E") in the other row, or the node rules tried after an
//    appearance point.
//
// Conventions of the matrix (see TPhaseMatrix): X(c) is the number in header
// cell [c][0], Y(r) the number in [0][r], both read with ReadDecimal ('.' or
// ',' as decimal point). A capital 'C' anywhere in a cell marks a point phase.
// Cell texts are compared exactly, except in the test whether two rows share
// a phase over a segment, which ignores ASCII letter case.
//
// The search is pure and thread-compatible: it reads the matrix and returns
// everything it finds; it keeps no state between calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calc/result_model.h"
#include "common/number_format.h"
#include "results/chart_model.h"

namespace binodal {

// A segment of one matrix row: a maximal run of adjacent equal cells
// StartCol .. EndCol. An inserted two-phase segment of zero width has
// EndCol = StartCol - 1.
struct TR {
  std::int32_t StartCol = 0;
  std::int32_t EndCol = 0;
  std::string Text;
  bool operator==(const TR&) const = default;
};

// Cuts row `row` (columns 1 .. sg2ColCount - 1) into segments, left to right.
// Where two different cells touch and neither is "E" nor a point phase, a
// zero-width "E" segment is put between them, so that two single-phase fields
// are always separated by a two-phase segment. Returns no segment for a row
// outside 1 .. sg2RowCount - 1 or a matrix without data columns.
[[nodiscard]] std::vector<TR> SegmentRow(const TPhaseMatrix& matrix, int row);

struct SpecialPointResult {
  // Nodes in the order found; every one has XLeft <= X <= XRight.
  std::vector<TNode> NodeList;
  // Appearance points in the order found, at most one per pair of rows.
  std::vector<TOtherSpecialPoint> OtherSpecialPoints;
  // The points for the "Special points" series, in the order found: one per
  // appearance point, (XLeft, Y), (X, Y), (XRight, Y) per node. No colour of
  // their own (they take the series' colour).
  std::vector<ChartPoint> SpecialSeriesPoints;
  bool operator==(const SpecialPointResult&) const = default;
};

// Runs the search over the whole matrix. `y_letter` (T, P or Y: the first
// letter of the Y quantity's name) starts the text of each appearance point,
// e.g. "T(X = 0.3) = 995 " (numbers in the general format with
// `separators.decimal`, one trailing blank).
//
// Never throws for any matrix shape or content: a matrix with fewer than three
// rows or two columns gives nothing; a rule that would read a cell outside the
// matrix, or a header cell that does not read as a number, does not apply.
// An appearance point whose own header cells do not read as numbers is
// dropped, but still ends the walk of its pair of rows.
[[nodiscard]] SpecialPointResult FindSpecialPoints(const TPhaseMatrix& matrix, char y_letter,
                                                   NumberSeparators separators = {});

}  // namespace binodal
