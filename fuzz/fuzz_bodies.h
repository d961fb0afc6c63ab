// What the fuzz targets exercise, shared with the tests that run the seed
// corpora: each function must return normally for any input; a crash, a
// sanitizer report or an escaping exception is a fault.
#pragma once

#include <string>
#include <string_view>

namespace binodal::fuzz {

// Compiles the text as an expression and, when it compiles, evaluates it.
void CompileAndEvaluate(std::string_view text);

// Reads the bytes as the recipe of a random expression (two variants of one
// operation shape that differ in their numbers, as two pieces of a phase), a
// row of points and a sequence of steps (switch the variant, change a
// condition, a fixed variable or the points), and evaluates the row after
// every step in bulk (RowEvaluator::EvaluateRow), point by point after
// BeginRow (EvaluatePoint) and by a run of the whole list at each point.
// Raises std::logic_error, naming the expression and the point, when the bulk
// values differ from the whole runs in a single bit, when the bulk refuses a
// row in which no point faults or accepts one in which a point faults, or
// when the point-by-point walk differs in a value or in where it faults.
void CheckRowEvaluation(std::string_view bytes);

// An empty database in a fresh temporary folder, for UploadFile.
std::string MakeScratchDatabase();

// Uploads the bytes as a system exchange file and as a stability parameters
// file into the database of `folder` (never saved).
void UploadFile(std::string_view bytes, const std::string& folder);

}  // namespace binodal::fuzz
