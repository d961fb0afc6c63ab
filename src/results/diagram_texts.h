// Texts of the diagram window that come from the run's results: the name of
// the phase field under a point of the chart, for a phase label, and the
// coordinate read-out shown while the mouse moves over the plot.
//
// Compositions and Y values are the numbers written in the header cells of
// the matrix (row 0 and column 0), read with ReadDecimal. Pure functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "calc/result_model.h"

namespace binodal {

// The label text for the point (x, y) of the diagram, from `matrix`:
//  - column: the first from 1 on whose composition is at least x; a point to
//    the right of the last column has no text;
//  - row: the first from 1 on whose Y is at most y (rows run downward in Y); a
//    point below the last row has no text;
//  - the cell's designation; inside a two-phase field ("E") the designations
//    at either end of the field, joined as "left+right";
//  - every "-(C)" removed, so a point phase is named by its bare designation.
// No text either when the cell is empty (a row a stopped run did not reach)
// or the matrix has no data cell.
[[nodiscard]] std::optional<std::string> PhaseLabelText(const TPhaseMatrix& matrix, double x,
                                                        double y);

// One number of the read-out, left aligned in 12 characters: with at least 1
// in magnitude in fixed notation with 3 decimals (987.125 gives "987.125" and
// five blanks), otherwise in scientific notation with 5 decimals, a capital
// E, the exponent's sign and at least three exponent digits ("2.50000E-001").
[[nodiscard]] std::string ReadoutNumber(double value, char decimal_separator = '.');

// "X = " + x + four blanks + `title_line` + " = " + y, the numbers as above.
[[nodiscard]] std::string ReadoutText(double x, double y, std::string_view title_line,
                                      char decimal_separator = '.');

}  // namespace binodal
