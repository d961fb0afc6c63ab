#include "charts/mosaic.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPen>

#include "common/file_io.h"

namespace binodal::charts {
namespace {

QRgb ToRgb(TColor color) {
  return qRgb(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
              static_cast<int>((color >> 16) & 0xFF));
}

TColor FromRgb(QRgb rgb) {
  return static_cast<TColor>(qRed(rgb)) | static_cast<TColor>(qGreen(rgb)) << 8 |
         static_cast<TColor>(qBlue(rgb)) << 16;
}

void CheckSides(int width, int height) {
  if (width < 1 || height < 1) {
    throw std::invalid_argument("A mosaic picture needs a width and a height of at least 1 pixel");
  }
}

}  // namespace

MosaicImage::MosaicImage(int width, int height) {
  CheckSides(width, height);
  image_ = std::make_unique<QImage>(width, height, QImage::Format_RGB32);
  if (image_->isNull()) throw std::runtime_error("Not enough memory for the mosaic picture");
  Fill(kMosaicBackground);
}

MosaicImage::MosaicImage(const MosaicImage& other)
    : image_(std::make_unique<QImage>(*other.image_)) {}

MosaicImage& MosaicImage::operator=(const MosaicImage& other) {
  if (this != &other) *image_ = *other.image_;
  return *this;
}

MosaicImage::MosaicImage(MosaicImage&&) noexcept = default;
MosaicImage& MosaicImage::operator=(MosaicImage&&) noexcept = default;
MosaicImage::~MosaicImage() = default;

int MosaicImage::Width() const { return image_->width(); }
int MosaicImage::Height() const { return image_->height(); }

void MosaicImage::Fill(TColor color) { image_->fill(ToRgb(color)); }

void MosaicImage::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
  image_->setPixel(x, y, ToRgb(color));
}

void MosaicImage::HLine(int x0, int x1, int y, TColor color) {
  if (y < 0 || y >= Height()) return;
  if (x1 < x0) std::swap(x0, x1);
  x0 = std::max(x0, 0);
  x1 = std::min(x1, Width() - 1);
  if (x0 > x1) return;
  auto* row = reinterpret_cast<QRgb*>(image_->scanLine(y));
  std::fill(row + x0, row + x1 + 1, ToRgb(color));
}

void MosaicImage::Ellipse(const MosaicBox& box, TColor pen, std::optional<TColor> fill) {
  const int width = box.Right - box.Left;
  const int height = box.Bottom - box.Top;
  if (width < 1 || height < 1) return;
  QPainter painter(image_.get());
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(QColor::fromRgb(ToRgb(pen)), 0));  // cosmetic: one pixel wide
  painter.setBrush(fill ? QBrush(QColor::fromRgb(ToRgb(*fill))) : QBrush(Qt::NoBrush));
  // An outline one pixel wide covers one pixel more than the rectangle's
  // width and height, so the rectangle is one pixel smaller than the box.
  painter.drawEllipse(QRect(box.Left, box.Top, width - 1, height - 1));
}

TColor MosaicImage::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) {
    throw std::out_of_range("Pixel outside the mosaic picture");
  }
  return FromRgb(image_->pixel(x, y));
}

void MosaicImage::SavePng(const std::string& path) const {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image_->save(&buffer, "PNG")) {
    throw std::runtime_error("Cannot encode the PNG picture " + path);
  }
  WriteWholeFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

const QImage& MosaicImage::Image() const { return *image_; }

void SaveMosaicPng(int width, int height, std::span<const TColor> pixels, const std::string& path) {
  CheckSides(width, height);
  if (pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    throw std::invalid_argument("The mosaic pixels do not fill a picture of the given size");
  }
  MosaicImage image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.SetPixel(x, y, pixels[static_cast<std::size_t>(y) * width + x]);
    }
  }
  image.SavePng(path);
}

}  // namespace binodal::charts
