#include "app/mosaic_window.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QWidget>

namespace binodal::app {

// Shows the canvas stretched over the whole widget, each pixel as the
// nearest picture pixel.
class MosaicPicture : public QWidget {
 public:
  MosaicPicture(const MosaicCanvas& canvas, QWidget* parent) : QWidget(parent), canvas_(canvas) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

  // Repaints what shows the canvas pixels x0 .. x1, y0 .. y1 (a row drawn
  // is a thin strip of the window: repainting only it keeps a run fast).
  void UpdatePixels(int x0, int y0, int x1, int y1) {
    if (canvas_.Width() == 0 || canvas_.Height() == 0) return update();
    const double sx = static_cast<double>(width()) / canvas_.Width();
    const double sy = static_cast<double>(height()) / canvas_.Height();
    const QRectF area(std::min(x0, x1) * sx, std::min(y0, y1) * sy,
                      (std::abs(x1 - x0) + 1) * sx, (std::abs(y1 - y0) + 1) * sy);
    update(area.toAlignedRect().adjusted(-1, -1, 1, 1));
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    if (canvas_.Width() == 0 || canvas_.Height() == 0) {
      painter.fillRect(rect(), Qt::white);
      return;
    }
    painter.drawImage(rect(), ToImage());
  }

 private:
  [[nodiscard]] QImage ToImage() const {
    const int width = canvas_.Width();
    const int height = canvas_.Height();
    if constexpr (std::endian::native == std::endian::little) {
      // 0x00BBGGRR in memory is the bytes R, G, B, 0: the picture as it stands.
      return QImage(reinterpret_cast<const uchar*>(canvas_.Pixels().data()), width, height,
                    width * 4, QImage::Format_RGBX8888);
    }
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const TColor color = canvas_.Pixel(x, y);
        image.setPixel(x, y,
                       qRgb(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                            static_cast<int>((color >> 16) & 0xFF)));
      }
    }
    return image;
  }

  const MosaicCanvas& canvas_;
};

TfmMDiagram::TfmMDiagram(QWidget* parent) : QScrollArea(parent) {
  setWindowFlag(Qt::Window);
  setWindowTitle("Mosaic diagram");
  setFrameShape(QFrame::NoFrame);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  verticalScrollBar()->setTracking(true);
  picture_ = new MosaicPicture(canvas_, this);
  picture_->setMinimumHeight(kMinimumPictureHeight);
  setWidget(picture_);
  setWidgetResizable(true);  // the picture fills the client area
  resize(600, 450);
}

TfmMDiagram::~TfmMDiagram() = default;

QSize TfmMDiagram::ClientSize() const {
  // From the window's size, so that a window not yet shown, whose viewport
  // has not been laid out, gives the size it will show.
  const QSize client = maximumViewportSize();
  return {std::max(1, client.width()), std::max(kMinimumPictureHeight, client.height())};
}

void TfmMDiagram::Start() {
  const QSize size = ClientSize();
  canvas_.Reset(size.width(), size.height());
  picture_->update();
}

void TfmMDiagram::HLine(int x0, int x1, int y, TColor color) {
  canvas_.HLine(x0, x1, y, color);
  picture_->UpdatePixels(x0, y, x1, y);
}

void TfmMDiagram::Ellipse(int x0, int y0, int x1, int y1) {
  canvas_.Ellipse(x0, y0, x1, y1, MosaicCanvas::kRed);
  picture_->UpdatePixels(x0, y0, x1, y1);
}

}  // namespace binodal::app
