#include "results/mosaic_canvas.h"

#include <algorithm>
#include <cmath>

namespace binodal {

void MosaicCanvas::Reset(int width, int height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), kWhite);
}

void MosaicCanvas::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + x] = color;
}

TColor MosaicCanvas::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kWhite;
  return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + x];
}

MosaicCanvas MosaicCanvas::Scaled(int width, int height) const {
  MosaicCanvas scaled(width, height);
  if (width_ == 0 || height_ == 0) return scaled;
  for (int y = 0; y < scaled.height_; ++y) {
    const int source_y = static_cast<int>(static_cast<long long>(y) * height_ / scaled.height_);
    for (int x = 0; x < scaled.width_; ++x) {
      const int source_x = static_cast<int>(static_cast<long long>(x) * width_ / scaled.width_);
      scaled.SetPixel(x, y, Pixel(source_x, source_y));
    }
  }
  return scaled;
}

void MosaicCanvas::HLine(int x0, int x1, int y, TColor color) {
  if (y < 0 || y >= height_) return;
  for (int x = std::max(0, std::min(x0, x1)); x <= std::min(width_ - 1, std::max(x0, x1)); ++x) {
    SetPixel(x, y, color);
  }
}

void MosaicCanvas::Ellipse(int x0, int y0, int x1, int y1, TColor color) {
  // Centre and radii of the box without its right and bottom edges.
  const double cx = (x0 + x1 - 1) / 2.0;
  const double cy = (y0 + y1 - 1) / 2.0;
  const double rx = std::max(0.5, (x1 - x0 - 1) / 2.0);
  const double ry = std::max(0.5, (y1 - y0 - 1) / 2.0);
  const int steps = 8 * static_cast<int>(std::ceil(rx + ry)) + 8;
  for (int s = 0; s < steps; ++s) {
    const double angle = 2 * 3.14159265358979323846 * s / steps;
    SetPixel(static_cast<int>(std::lround(cx + rx * std::cos(angle))),
             static_cast<int>(std::lround(cy + ry * std::sin(angle))), color);
  }
}

}  // namespace binodal
