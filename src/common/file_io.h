// Whole-file reads and writes.
#pragma once

#include <string>
#include <string_view>

namespace binodal {

// The bytes of a file. Throws std::runtime_error naming the file and the
// system's reason when it cannot be read.
[[nodiscard]] std::string ReadWholeFile(const std::string& path);

// Replaces the file at `path` with `bytes` in one step: the bytes go to a new
// file in the same folder, which is then renamed over the old one, so a failed
// write leaves the old file as it was. Throws std::runtime_error naming the
// file and the system's reason.
void WriteWholeFile(const std::string& path, std::string_view bytes);

// The folder of the running executable, ending with a path separator.
[[nodiscard]] std::string ProgramFolder();

}  // namespace binodal
