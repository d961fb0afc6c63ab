// The picture library: the chart code packed into a library of its own, which
// the command-line program loads only when it writes pictures, so that a run
// without pictures never starts Qt. This header is all the two sides share;
// it has no Qt in it.
#pragma once

#include <cstddef>

#include "common/color.h"
#include "results/chart_model.h"

namespace binodal::charts {

// What to write. A null path writes no file of that kind.
struct PictureJob {
  const ChartModel* diagram = nullptr;  // drawn when either diagram path is set
  const char* diagram_svg = nullptr;
  const char* diagram_png = nullptr;
  int mosaic_width = 0;  // mosaic_width * mosaic_height colours, rows from the top
  int mosaic_height = 0;
  const TColor* mosaic_pixels = nullptr;
  const char* mosaic_png = nullptr;
};

// The file name of the library, beside the program, and its entry point:
// returns 0 when every file was written, else 1 with the reason in `error`
// (always terminated, cut to `error_size`).
inline constexpr const char* kPicturesLibrary = "libbinodal_pictures.so";
inline constexpr const char* kWritePicturesEntry = "binodal_write_pictures";
using WritePicturesEntry = int (*)(const PictureJob* job, char* error, std::size_t error_size);

}  // namespace binodal::charts
