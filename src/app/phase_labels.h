// Phase labels of the diagram window: texts placed on the chart at pixel
// positions that name the phase field under them. Each keeps its own copy of
// the font and colour it was created with, has a transparent background and
// draws its text from its top-left corner (no margin), so that the copy of
// the chart can write it at the same place.
//
// A label does not act on its own: it reports a right click and the end of a
// drag, and the diagram window decides what follows.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPoint>

#include "common/color.h"
#include "results/label_font_file.h"

namespace binodal::app {

// The font of phase labels: a Qt font with the colour its text is drawn in.
// The colour is kept as the settings file names it (system colours
// included), so that what was read is written back unchanged.
struct PhaseLabelFont {
  QFont Font;
  TColor Color = 0;  // black
  bool operator==(const PhaseLabelFont&) const = default;
};

// The drawing colour of a stored colour: plain colours as they are; a system
// colour (0x80000000 and up, index in the low byte) and clDefault from the
// application's palette; clNone black.
[[nodiscard]] QColor LabelColor(TColor color);

[[nodiscard]] LabelFontSettings ToSettings(const PhaseLabelFont& font);
// `base` gives what the settings do not say (strike-out, hinting...). Sizes
// outside 1 .. 400 points are brought into that range.
[[nodiscard]] PhaseLabelFont FromSettings(const LabelFontSettings& settings, const QFont& base);

class PhaseLabel : public QLabel {
  Q_OBJECT

 public:
  PhaseLabel(const QString& text, const PhaseLabelFont& font, QWidget* parent);

  [[nodiscard]] const PhaseLabelFont& LabelFont() const { return font_; }
  void SetLabelText(const QString& text);

 signals:
  // A right-button press on the label; `alt`: with the Alt key held.
  void RightClicked(PhaseLabel* label, bool alt);
  // The left button went up after a drag; `drop`: the pointer in the
  // parent's coordinates; `start`: where the label's top-left was when the
  // drag began.
  void DragEnded(PhaseLabel* label, QPoint drop, QPoint start);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  PhaseLabelFont font_;
  bool pressed_ = false;   // the left button went down on the label
  bool dragging_ = false;  // ... and the pointer has moved far enough to drag
  QPoint press_point_;
  QPoint drag_start_;
};

}  // namespace binodal::app
