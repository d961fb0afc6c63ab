// Turns a chart model into a Qt chart. Used by the file renderer and by the
// chart windows of the desktop program, so both show the same picture.
#pragma once

#include <memory>
#include <vector>

#include <QColor>

#include "charts/chart_look.h"
#include "results/chart_model.h"

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

namespace binodal::charts {

// The Qt colour of a model colour (0xBBGGRR).
[[nodiscard]] QColor ToQColor(TColor color);

// A new chart drawing `model` as `look` says: one Qt series per model series,
// in model order (point series as scatter series, line series as line
// series; the line series are added first, so that markers lying on a line
// stay visible), a value axis below and one on the left shared by all series,
// the look's background, dotted grids, the title lines above the Y axis at the
// chart's left edge and the foot lines below the x axis at its right edge
// (they follow the chart when it is resized). A series that is not Visible is
// built but hidden.
//
// Colours: a series without a colour gets one from a fixed palette without
// red or black, by its place among the series without a colour
// (DrawnSeriesColors). A point's own colour fills its marker; the points of a
// line series are not marked and the line takes the series colour.
//
// The caller owns the chart (a QChartView takes it over with setChart). Needs
// a QApplication (EnsureGuiApplication) and runs in its thread.
// The colour each series of `model` is drawn in, in model order.
[[nodiscard]] std::vector<TColor> DrawnSeriesColors(const ChartModel& model);

[[nodiscard]] std::unique_ptr<QChart> BuildChart(const ChartModel& model,
                                                 const ChartLook& look = PhaseDiagramLook());

}  // namespace binodal::charts
