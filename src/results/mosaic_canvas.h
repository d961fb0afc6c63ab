// The mosaic picture of a run as plain pixels: one pixel line per Y row,
// white where one phase is stable, the mosaic colour across two-phase
// stretches, small red ellipses at point phases. Drawing libraries copy it
// out; the core needs none.
#pragma once

#include <cstdint>
#include <vector>

#include "common/color.h"

namespace binodal {

class MosaicCanvas {
 public:
  static constexpr TColor kWhite = 0xFFFFFF;
  static constexpr TColor kRed = 255;

  MosaicCanvas() = default;
  MosaicCanvas(int width, int height) { Reset(width, height); }

  // A white picture of the given size.
  void Reset(int width, int height);
  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }

  // Drawing outside the picture is clipped.
  void SetPixel(int x, int y, TColor color);
  // Pixels x0 .. x1 (inclusive) of line y.
  void HLine(int x0, int x1, int y, TColor color);
  // The outline of the ellipse inscribed in the box (x0, y0)-(x1, y1), the
  // right and bottom edges excluded.
  void Ellipse(int x0, int y0, int x1, int y1, TColor color);

  [[nodiscard]] TColor Pixel(int x, int y) const;
  // The picture stretched (or shrunk) to width x height, each pixel taking
  // the colour of the nearest source pixel.
  [[nodiscard]] MosaicCanvas Scaled(int width, int height) const;
  [[nodiscard]] const std::vector<TColor>& Pixels() const { return pixels_; }  // row by row

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<TColor> pixels_;
};

}  // namespace binodal
