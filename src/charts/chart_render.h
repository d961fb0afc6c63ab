// Chart models drawn into picture files (SVG and PNG), with the chart code of
// the desktop program. No Qt in this header, so the command-line program can
// use it as it is.
#pragma once

#include <string>

#include "charts/chart_look.h"
#include "results/chart_model.h"

namespace binodal::charts {

struct ImageSize {
  int Width = 800;  // pixels
  int Height = 600;
  bool operator==(const ImageSize&) const = default;
};

// Draws `model` into an SVG file (a vector picture of `size` pixels) or a PNG
// file (24-bit, `size` pixels). The file is replaced in one step: a failed
// write leaves an existing file as it was. Throws std::invalid_argument for a
// size below 1 pixel and std::runtime_error naming the file when it cannot be
// written. Creates the Qt application when there is none
// (EnsureGuiApplication); call from the main thread.
void RenderChartToSvg(const ChartModel& model, const std::string& path, ImageSize size = {},
                      const ChartLook& look = PhaseDiagramLook());
void RenderChartToPng(const ChartModel& model, const std::string& path, ImageSize size = {},
                      const ChartLook& look = PhaseDiagramLook());

// The phase diagram of the command-line program: `model` drawn with
// PhaseDiagramLook at the default size into `svg_path` and `png_path`; an
// empty path writes no file of that kind. Errors as above.
void RenderPhaseDiagramFiles(const ChartModel& model, const std::string& svg_path,
                             const std::string& png_path);

}  // namespace binodal::charts
