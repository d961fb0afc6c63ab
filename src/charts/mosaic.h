// The mosaic picture: the x-Y plane painted row by row while a run goes on.
// A plain RGB bitmap with the few drawing operations the run uses. Drawing
// needs no Qt application object.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>

#include <QtGlobal>

#include "results/chart_model.h"

QT_BEGIN_NAMESPACE
class QImage;
QT_END_NAMESPACE

namespace binodal::charts {

inline constexpr TColor kMosaicBackground = 0xFFFFFF;  // white

// A pixel rectangle: columns Left .. Right - 1, rows Top .. Bottom - 1.
struct MosaicBox {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const MosaicBox&) const = default;
};

// Pixel (0, 0) is the top-left corner. Drawing outside the picture is clipped
// silently: the run computes positions from compositions and Y values, and a
// value at the far end of a range lands one pixel past the edge.
class MosaicImage {
 public:
  // A white picture. Throws std::invalid_argument when a side is below 1.
  MosaicImage(int width, int height);
  MosaicImage(const MosaicImage& other);
  MosaicImage& operator=(const MosaicImage& other);
  MosaicImage(MosaicImage&&) noexcept;
  MosaicImage& operator=(MosaicImage&&) noexcept;
  ~MosaicImage();

  [[nodiscard]] int Width() const;
  [[nodiscard]] int Height() const;

  void Fill(TColor color);
  void SetPixel(int x, int y, TColor color);
  // Pixels x0 .. x1 of row y, both ends included, in either order.
  void HLine(int x0, int x1, int y, TColor color);
  // The ellipse inscribed in `box`, outlined one pixel wide in `pen`
  // (no smoothing, so only pixels of the box change) and filled with `fill`
  // when given. An empty box draws nothing.
  void Ellipse(const MosaicBox& box, TColor pen, std::optional<TColor> fill = std::nullopt);

  // The colour of a pixel; throws std::out_of_range outside the picture.
  [[nodiscard]] TColor Pixel(int x, int y) const;

  // Writes the picture as a PNG file, replacing it in one step. Throws
  // std::runtime_error naming the file when it cannot be written.
  void SavePng(const std::string& path) const;

  // The picture for a window to show; valid until this object changes or ends.
  [[nodiscard]] const QImage& Image() const;

 private:
  std::unique_ptr<QImage> image_;
};

// Writes `pixels` (rows from the top, each row from the left, width * height
// colours) as a PNG file, for a mosaic drawn without Qt. Throws
// std::invalid_argument when the sizes disagree and std::runtime_error as
// SavePng.
void SaveMosaicPng(int width, int height, std::span<const TColor> pixels, const std::string& path);

}  // namespace binodal::charts
