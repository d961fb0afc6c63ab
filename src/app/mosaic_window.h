// The window "Mosaic diagram": the x-Y plane painted row by row while a run
// goes on, two-phase stretches in the mosaic colour and point phases as small
// red circles, on white.
//
// Start gives a fresh white picture of the window's client area; the run
// draws into it through the RunObserver hooks of the run windows. Resizing the
// window stretches the picture, it is not redrawn. The picture keeps what the
// last run drew until the next run starts. Closing the window hides it.
#pragma once

#include <QScrollArea>

#include "results/mosaic_canvas.h"

namespace binodal::app {

class MosaicPicture;

class TfmMDiagram : public QScrollArea {
  Q_OBJECT

 public:
  // A picture never gets shorter than this, so that the scroll bar has
  // something to scroll when the window is made very small.
  static constexpr int kMinimumPictureHeight = 60;

  explicit TfmMDiagram(QWidget* parent = nullptr);
  ~TfmMDiagram() override;

  // Replaces the picture by a white one of the client area's size.
  void Start();
  void HLine(int x0, int x1, int y, TColor color);
  // The outline of the ellipse in the box (x0, y0)-(x1, y1), red.
  void Ellipse(int x0, int y0, int x1, int y1);

  [[nodiscard]] const MosaicCanvas& Canvas() const { return canvas_; }

 private:
  [[nodiscard]] QSize ClientSize() const;

  MosaicCanvas canvas_;
  MosaicPicture* picture_ = nullptr;
};

}  // namespace binodal::app
