// The window "Working diagram": G against x on the row being computed, one
// line per solution phase and the hull polyline "Convex" last.
//
// The run starts the series (SetSeries), then for every row empties them,
// adds the row's points and ends the row (RowDone), which replaces every
// line at once and fits the axes to the row. Laying out and drawing a line of
// a thousand points takes milliseconds, far more than computing its row: the
// lines follow the rows at most kRefreshInterval apart, and a row not shown at
// once is shown when the interval is over, or by ShowLastRow at the end of the
// run. After the run the window shows the last row computed; a stopped run
// leaves its last row. Closing the window hides it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include "results/working_diagram.h"

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QLineSeries;
QT_END_NAMESPACE

namespace binodal::app {

class TfmWDiagram : public QWidget {
  Q_OBJECT

 public:
  explicit TfmWDiagram(QWidget* parent = nullptr);
  ~TfmWDiagram() override;

  // New empty lines: one per solution phase, in the order given, then "Convex".
  void SetSeries(const std::vector<std::string>& solution_phases);
  // Distance between the labels of the x axis; 0: chosen from the range.
  void SetAxisIncrement(double increment);
  void Clear();
  void AddPoint(std::size_t series, double x, double g);
  // Shows the row's points, now or when the refresh interval is over.
  void RowDone();
  // Shows the last row at once if it is not shown yet.
  void ShowLastRow();

  static constexpr int kRefreshInterval = 50;  // ms

  [[nodiscard]] const WorkingDiagram& Diagram() const { return diagram_; }
  [[nodiscard]] QChartView* Chart1() const { return view_; }
  // The lines shown, in the order of the diagram's series.
  [[nodiscard]] const std::vector<QLineSeries*>& Lines() const { return lines_; }

 private:
  void FitAxes();

  WorkingDiagram diagram_;
  double increment_ = 0;
  std::optional<AxisScale> x_scale_;  // the scales the axes show
  std::optional<AxisScale> g_scale_;
  QChartView* view_ = nullptr;
  std::vector<QLineSeries*> lines_;  // owned by the chart
  QElapsedTimer since_shown_;        // invalid: nothing shown yet
  QTimer refresh_;                   // runs while a row waits to be shown
  bool row_waiting_ = false;
};

}  // namespace binodal::app
