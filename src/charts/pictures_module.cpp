// The entry point of the picture library (see pictures_module.h).
#include "charts/pictures_module.h"

#include <cstdio>
#include <exception>
#include <span>
#include <string>

#include "charts/chart_render.h"
#include "charts/mosaic.h"

namespace {

std::string PathOrEmpty(const char* path) { return path != nullptr ? path : std::string(); }

}  // namespace

extern "C" __attribute__((visibility("default"))) int binodal_write_pictures(
    const binodal::charts::PictureJob* job, char* error, std::size_t error_size) {
  using namespace binodal::charts;
  try {
    if (job->diagram != nullptr && (job->diagram_svg != nullptr || job->diagram_png != nullptr)) {
      RenderPhaseDiagramFiles(*job->diagram, PathOrEmpty(job->diagram_svg),
                              PathOrEmpty(job->diagram_png));
    }
    if (job->mosaic_png != nullptr) {
      const std::size_t count = static_cast<std::size_t>(job->mosaic_width) *
                                static_cast<std::size_t>(job->mosaic_height);
      SaveMosaicPng(job->mosaic_width, job->mosaic_height,
                    std::span<const binodal::TColor>(job->mosaic_pixels, count), job->mosaic_png);
    }
    return 0;
  } catch (const std::exception& e) {
    if (error != nullptr && error_size > 0) std::snprintf(error, error_size, "%s", e.what());
    return 1;
  }
}
