// What the fuzz targets exercise, shared with the tests that run the seed
// corpora: each function must return normally for any input; a crash, a
// sanitizer report or an escaping exception is a fault.
#pragma once

#include <string>
#include <string_view>

namespace binodal::fuzz {

// Compiles the text as an expression and, when it compiles, evaluates it.
void CompileAndEvaluate(std::string_view text);

// An empty database in a fresh temporary folder, for UploadFile.
std::string MakeScratchDatabase();

// Uploads the bytes as a system exchange file and as a stability parameters
// file into the database of `folder` (never saved).
void UploadFile(std::string_view bytes, const std::string& folder);

}  // namespace binodal::fuzz
