// Writing pictures from the command-line program: the picture library is
// loaded from the program's folder on first use (see charts/pictures_module.h).
#pragma once

#include "charts/pictures_module.h"

namespace binodal::cli {

// Writes what `job` asks for. Throws std::runtime_error when the library
// cannot be loaded or a file cannot be written.
void WritePictures(const charts::PictureJob& job);

}  // namespace binodal::cli
