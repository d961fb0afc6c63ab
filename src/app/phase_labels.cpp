#include "app/phase_labels.h"

#include <algorithm>
#include <array>
#include <utility>

#include <QApplication>
#include <QMouseEvent>
#include <QPalette>

#include "charts/chart_builder.h"

namespace binodal::app {
namespace {

constexpr TColor kSystemColorBit = 0x80000000;
constexpr TColor kDefaultColor = 0x20000000;  // clDefault
constexpr int kSmallestPoints = 1;
constexpr int kLargestPoints = 400;

// The palette colour standing for system colour `index`.
QColor SystemColor(unsigned index) {
  const QPalette palette = QApplication::palette();
  switch (index) {
    case 5:  // window background
      return palette.color(QPalette::Base);
    case 8:   // window text
    case 7:   // menu text
    case 23:  // tooltip text
      return palette.color(index == 23 ? QPalette::ToolTipText : QPalette::WindowText);
    case 24:
      return palette.color(QPalette::ToolTipBase);
    case 13:
    case 29:
      return palette.color(QPalette::Highlight);
    case 14:
      return palette.color(QPalette::HighlightedText);
    case 15:  // button face
    case 4:   // menu
    case 30:  // menu bar
      return palette.color(QPalette::Button);
    case 18:
      return palette.color(QPalette::ButtonText);
    case 16:
      return palette.color(QPalette::Dark);
    case 20:
      return palette.color(QPalette::Light);
    case 21:
      return palette.color(QPalette::Shadow);
    case 22:
      return palette.color(QPalette::Midlight);
    case 17:
      return palette.color(QPalette::Disabled, QPalette::Text);
    case 26:
      return palette.color(QPalette::Link);
    case 2:
    case 27:
      return palette.color(QPalette::Active, QPalette::Highlight);
    case 3:
    case 28:
      return palette.color(QPalette::Inactive, QPalette::Highlight);
    case 9:
      return palette.color(QPalette::Active, QPalette::HighlightedText);
    case 19:
      return palette.color(QPalette::Inactive, QPalette::HighlightedText);
    case 12:
    case 1:
      return palette.color(QPalette::Mid);
    default:
      return palette.color(QPalette::WindowText);
  }
}

}  // namespace

QColor LabelColor(TColor color) {
  if ((color & 0xFF000000) == kSystemColorBit) return SystemColor(color & 0xFF);
  if (color == kDefaultColor) return QApplication::palette().color(QPalette::WindowText);
  if (color > 0xFFFFFF) return Qt::black;  // clNone and other values that name no colour
  return charts::ToQColor(color);
}

LabelFontSettings ToSettings(const PhaseLabelFont& font) {
  LabelFontSettings settings;
  settings.Name = font.Font.family().toStdString();
  const qreal points =
      font.Font.pointSizeF() > 0 ? font.Font.pointSizeF() : font.Font.pixelSize() * 72.0 / 96.0;
  settings.Size = static_cast<int>(points + 0.5);
  settings.Color = font.Color;
  settings.Bold = font.Font.bold();
  settings.Italic = font.Font.italic();
  settings.Underline = font.Font.underline();
  return settings;
}

PhaseLabelFont FromSettings(const LabelFontSettings& settings, const QFont& base) {
  PhaseLabelFont font{base, settings.Color};
  font.Font.setFamily(QString::fromStdString(settings.Name));
  font.Font.setPointSize(std::clamp(settings.Size, kSmallestPoints, kLargestPoints));
  font.Font.setBold(settings.Bold);
  font.Font.setItalic(settings.Italic);
  font.Font.setUnderline(settings.Underline);
  return font;
}

PhaseLabel::PhaseLabel(const QString& text, const PhaseLabelFont& font, QWidget* parent)
    : QLabel(text, parent), font_(font) {
  setFont(font_.Font);
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, LabelColor(font_.Color));
  setPalette(palette);
  setAutoFillBackground(false);
  setMargin(0);
  setIndent(0);
  setContentsMargins(0, 0, 0, 0);
  setTextFormat(Qt::PlainText);
  setCursor(Qt::OpenHandCursor);
  adjustSize();
}

void PhaseLabel::SetLabelText(const QString& text) {
  setText(text);
  adjustSize();
}

void PhaseLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    emit RightClicked(this, (event->modifiers() & Qt::AltModifier) != 0);
    return;  // the label may be gone now
  }
  if (event->button() == Qt::LeftButton) {
    pressed_ = true;
    dragging_ = false;
    press_point_ = event->position().toPoint();
    drag_start_ = pos();
  }
}

void PhaseLabel::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_) return;
  const QPoint at = event->position().toPoint();
  // A drag begins once the pointer has moved a little, so that a click
  // leaves the label where it is.
  if (!dragging_ && (at - press_point_).manhattanLength() < QApplication::startDragDistance()) {
    return;
  }
  if (!dragging_) {
    dragging_ = true;
    setCursor(Qt::ClosedHandCursor);
    raise();
  }
  // The label's corner follows the pointer, where the drop will put it.
  move(mapToParent(at));
}

void PhaseLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  if (!dragging_) return;
  dragging_ = false;
  setCursor(Qt::OpenHandCursor);
  emit DragEnded(this, mapToParent(event->position().toPoint()), drag_start_);
}

}  // namespace binodal::app
