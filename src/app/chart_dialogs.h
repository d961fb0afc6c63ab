// The modal dialogs of the diagram window: the chart editor (titles and foot,
// axes, the title and foot fonts, series colours, marker sizes and
// visibility, background, legend) and the choice of the phase label font.
// Both work on copies and hand back the result; the window applies it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QPushButton>

#include "app/phase_labels.h"
#include "charts/chart_settings_file.h"

QT_BEGIN_NAMESPACE
class QCheckBox;
class QDoubleSpinBox;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
QT_END_NAMESPACE

namespace binodal::app {

// A button showing a colour; a click opens the colour dialog.
class ColorButton : public QPushButton {
  Q_OBJECT

 public:
  explicit ColorButton(TColor color, QWidget* parent = nullptr);
  [[nodiscard]] TColor Color() const { return color_; }
  void SetColor(TColor color);

 signals:
  void ColorChanged(TColor color);

 private:
  void Choose();
  TColor color_;
};

class ChartEditor : public QDialog {
  Q_OBJECT

 public:
  // `shown_ranges` (x min, x max, y min, y max): what the chart shows now,
  // offered for an axis that is automatic.
  ChartEditor(const charts::ChartSettings& settings,
              const std::optional<std::array<double, 4>>& shown_ranges = std::nullopt,
              QWidget* parent = nullptr);

  // What the dialog shows now, read back into settings.
  [[nodiscard]] charts::ChartSettings Result() const;

 private:
  struct AxisControls {
    QCheckBox* Automatic = nullptr;
    QDoubleSpinBox* Min = nullptr;
    QDoubleSpinBox* Max = nullptr;
    QCheckBox* AutomaticStep = nullptr;
    QDoubleSpinBox* Step = nullptr;
    QSpinBox* MinorTicks = nullptr;
  };
  struct TextControls {
    QFontComboBox* Family = nullptr;
    QSpinBox* PixelSize = nullptr;
    QCheckBox* Bold = nullptr;
    QCheckBox* Italic = nullptr;
    ColorButton* Color = nullptr;
    QString ShownFamily;  // what the controls showed at first
    int ShownPixelSize = 0;
  };

  QWidget* BuildChartPage();
  QWidget* BuildAxesPage();
  QWidget* BuildSeriesPage();
  QWidget* AxisGroup(const QString& caption, const std::optional<charts::AxisRange>& range,
                     const charts::AxisRange& shown, const std::optional<double>& step,
                     int minor_ticks, AxisControls& controls);
  QWidget* TextGroup(const QString& caption, const std::string& family, int pixel_size, bool bold,
                     bool italic, TColor color, TextControls& controls);
  void ShowSeries(int index);
  // The controls of the series shown, written into `settings`.
  void ReadShownSeries(charts::ChartSettings& settings) const;
  void KeepSeries();

  charts::ChartSettings settings_;
  std::optional<std::array<double, 4>> shown_ranges_;
  std::vector<TColor> drawn_colors_;  // the colour each series is drawn in now

  QPlainTextEdit* title_ = nullptr;
  QPlainTextEdit* foot_ = nullptr;
  ColorButton* background_ = nullptr;
  QCheckBox* legend_ = nullptr;
  TextControls title_font_;
  TextControls foot_font_;
  AxisControls x_axis_;
  AxisControls y_axis_;
  QListWidget* series_list_ = nullptr;
  QLineEdit* series_title_ = nullptr;
  QCheckBox* series_auto_color_ = nullptr;
  ColorButton* series_color_ = nullptr;
  QSpinBox* marker_size_ = nullptr;
  QCheckBox* series_visible_ = nullptr;
  int shown_series_ = -1;
};

class LabelFontDialog : public QDialog {
  Q_OBJECT

 public:
  LabelFontDialog(const PhaseLabelFont& font, QWidget* parent = nullptr);
  [[nodiscard]] PhaseLabelFont Result() const;

 private:
  void ShowSample();

  PhaseLabelFont base_;
  QFontComboBox* family_ = nullptr;
  QSpinBox* size_ = nullptr;
  QCheckBox* bold_ = nullptr;
  QCheckBox* italic_ = nullptr;
  QCheckBox* underline_ = nullptr;
  ColorButton* color_ = nullptr;
  QLabel* sample_ = nullptr;
};

}  // namespace binodal::app
