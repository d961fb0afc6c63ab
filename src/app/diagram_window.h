// The diagram window "Diagram": the phase diagram of the last run drawn by
// the shared chart code, with
//  - the coordinate read-out under the chart while the mouse is over the plot;
//  - phase labels: a left click places a label naming the phase field under
//    the pointer (from the run's matrix), a right click edits its text, Alt +
//    right click removes it, a drag moves it;
//  - zoom: a rubber band drawn with the left button from top-left to
//    bottom-right zooms in, one drawn the other way undoes the zoom; the right
//    button drags the plot, the wheel scrolls it (Shift: sideways, Ctrl:
//    zooms). Any zoom or scroll shows "Undo zoom" and frees the labels, which
//    sit at pixel positions and would no longer name what lies under them;
//  - "Copy": the chart and its labels on the clipboard as SVG and as a bitmap;
//  - "Edit chart": the modal chart editor; "Font for labels selection".
// The chart's look and series persist in "Chart.cfg" and the label font in
// "fntLabel.cfg" (LoadSettings at start, SaveSettings at program end).
//
// What would open a modal dialog goes through a replaceable std::function,
// so that tests answer instead of a user; the public methods that take chart
// coordinates or viewport pixels do what the mouse does.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QMainWindow>
#include <QPointer>

#include "app/phase_labels.h"
#include "calc/result_model.h"
#include "charts/chart_settings_file.h"
#include "common/dialogs.h"
#include "results/chart_model.h"

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QLabel;
class QPushButton;
class QValueAxis;
QT_END_NAMESPACE

namespace binodal::app {

class DiagramChartView;

class TfmDiagram2 : public QMainWindow {
  Q_OBJECT

 public:
  // `dialogs` must outlive the window.
  explicit TfmDiagram2(Dialogs& dialogs, QWidget* parent = nullptr);
  ~TfmDiagram2() override;

  // --- Settings files.

  // Window creation: the chart from "Chart.cfg" and the label font from
  // "fntLabel.cfg" in `folder`, where present. A file that cannot be read is
  // reported through Dialogs; "fntLabel.cfg" stays applied up to its bad line.
  void LoadSettings(const std::string& folder);
  // Program end: frees the labels, undoes the zoom, sets both axes to
  // automatic range, puts FootText back as the foot, and writes both files
  // into `folder`. A file that cannot be written is reported through Dialogs.
  // A file LoadSettings could not read is left as it is, except
  // "fntLabel.cfg" once a label font has been chosen.
  void SaveSettings(const std::string& folder);

  // --- The diagram.

  // A new diagram: frees the labels, shows `model` unzoomed, hides "Undo
  // zoom" and shows the window. `matrix` (observed; null: none) names the
  // fields for labels and must stay alive until the next call.
  void ShowDiagram(const ChartModel& model, const TPhaseMatrix* matrix);
  [[nodiscard]] const ChartModel& Model() const { return settings_.Model; }
  [[nodiscard]] const charts::ChartLook& Look() const { return settings_.Look; }

  // The foot the window considers its own: from "Chart.cfg" and the chart
  // editor; the diagram build uses it when the run set no "#XCAP=" caption.
  std::string FootText;
  // The font new labels get.
  PhaseLabelFont LabelFont;

  // --- Prompts; replaceable (tests answer here).

  // "Edit caption" / "New text" showing `text`; nothing when cancelled.
  std::function<std::optional<QString>(const QString& text)> EditCaptionPrompt;
  // The modal chart editor on a copy of the chart; true when confirmed.
  std::function<bool(charts::ChartSettings& settings)> EditChart;
  // The label font dialog; nothing when cancelled.
  std::function<std::optional<PhaseLabelFont>(const PhaseLabelFont& font)> ChooseLabelFont;
  // The "Special points" button: the main window fills its window.
  std::function<void()> SpecialPointsRequested;

  // --- What the mouse does, in viewport pixels or chart values.

  // The viewport pixel of the chart value (x, y) and back. Nothing while the
  // chart has no plot (no axes).
  [[nodiscard]] std::optional<QPointF> PixelOf(double x, double y) const;
  [[nodiscard]] std::optional<QPointF> ValueAt(QPointF pixel) const;
  // The read-out for the pointer at `pixel`: hidden outside the plot area
  // (its edges count as inside).
  void MouseMovedTo(QPoint pixel);
  // A left click at `pixel`: places a label naming the field there, its
  // top-left corner at `pixel`. Null when no label is placed (no matrix, a
  // point right of the last column or below the last row).
  PhaseLabel* ClickAt(QPoint pixel);
  PhaseLabel* ClickAtValue(double x, double y);
  // A right click on `label`: with Alt the label is removed, otherwise its
  // text is edited through EditCaptionPrompt.
  void RightClickLabel(PhaseLabel* label, bool alt);
  // The end of a drag of `label` at `drop` (viewport pixels): inside the
  // chart the label's top-left goes there, elsewhere back to `start`.
  void DropLabel(PhaseLabel* label, QPoint drop, QPoint start);
  [[nodiscard]] std::vector<PhaseLabel*> Labels() const;
  // Frees every phase label.
  void DeleteLabels();

  // Zooms to the given value ranges (any order of the ends).
  void ZoomTo(double x0, double x1, double y0, double y1);
  // Scrolls the plot by `pixels` (the content follows the pointer).
  void ScrollBy(QPointF pixels);
  // Zooms in (factor > 1) or out about the viewport pixel `center`.
  void ZoomAbout(QPointF center, double factor);
  [[nodiscard]] bool Zoomed() const { return zoomed_; }
  // The axis ranges shown now: x min, x max, y min, y max.
  [[nodiscard]] std::optional<std::array<double, 4>> ShownRanges() const;

  // The chart with its labels as "Copy" puts it on the clipboard: the client
  // area less one pixel each way (at least 1 x 1), as SVG and as a bitmap.
  struct Picture {
    QByteArray Svg;
    QImage Image;
  };
  [[nodiscard]] Picture DrawPicture() const;

  // --- Widgets, for the tests that look at them.

  [[nodiscard]] QChartView* Chart1() const;
  [[nodiscard]] QLabel* Label1() const { return readout_; }
  [[nodiscard]] QPushButton* UndoZoomButton() const { return undo_zoom_button_; }

 public slots:
  void sbSpecialPointsClick();
  void sbEditClick();
  void sbUndoZoomClick();
  void sbCopyClick();
  void Setfontforlabels1Click();

 protected:
  void changeEvent(QEvent* event) override;

 private:
  friend class DiagramChartView;

  // Builds the chart anew from the model and look: unzoomed.
  void Rebuild();
  // After a zoom or scroll: "Undo zoom" shown, labels freed.
  void AfterZoom();
  void RemoveLabel(PhaseLabel* label);
  [[nodiscard]] QChart* CurrentChart() const;
  [[nodiscard]] QValueAxis* Axis(Qt::Orientation orientation) const;
  [[nodiscard]] QRectF PlotRect() const;  // the plot area in viewport pixels
  void SetRanges(double x0, double x1, double y0, double y1);
  [[nodiscard]] std::string TitleLine() const;

  Dialogs& dialogs_;
  charts::ChartSettings settings_;
  // Settings files found but not readable are kept as they are at program
  // end ("Chart.cfg" is a common name: it may be another program's), unless
  // the user has chosen a new label font since.
  bool keep_chart_file_ = false;
  bool keep_font_file_ = false;
  const TPhaseMatrix* matrix_ = nullptr;
  bool zoomed_ = false;
  std::vector<QPointer<PhaseLabel>> labels_;
  char decimal_separator_ = '.';

  DiagramChartView* view_ = nullptr;
  QLabel* readout_ = nullptr;
  QPushButton* undo_zoom_button_ = nullptr;
};

}  // namespace binodal::app
