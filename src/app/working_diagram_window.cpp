#include "app/working_diagram_window.h"

#include <algorithm>
#include <cmath>

#include <QHBoxLayout>
#include <QList>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include "charts/chart_builder.h"
#include "charts/chart_look.h"

namespace binodal::app {
namespace {

constexpr int kMostXLabels = 50;    // a finer increment is replaced by an automatic one
constexpr int kGIntervals = 5;      // at most this many labelled steps of G
constexpr double kGPadding = 0.02;  // share of the G span left free above and below
constexpr double kConvexWidth = 1.5;

QValueAxis* Axis(QChart& chart, Qt::Orientation orientation) {
  const QList<QAbstractAxis*> axes = chart.axes(orientation);
  return axes.isEmpty() ? nullptr : qobject_cast<QValueAxis*>(axes.first());
}

// The axis takes each setting at once: the step never gets finer before the
// range has narrowed, which could lay out thousands of labels in between.
void ApplyScale(QValueAxis& axis, const AxisScale& scale) {
  axis.setTickType(QValueAxis::TicksDynamic);
  axis.setTickInterval(std::max(axis.tickInterval(), scale.Step));
  axis.setRange(scale.Min, scale.Max);
  axis.setTickAnchor(scale.Min);
  axis.setTickInterval(scale.Step);
}

}  // namespace

TfmWDiagram::TfmWDiagram(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle("Working diagram");
  view_ = new QChartView(this);
  view_->setRenderHint(QPainter::Antialiasing);
  auto* close_button = new QPushButton("Close", this);
  connect(close_button, &QPushButton::clicked, this, &QWidget::close);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(close_button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addLayout(bottom);
  refresh_.setSingleShot(true);
  connect(&refresh_, &QTimer::timeout, this, &TfmWDiagram::ShowLastRow);
  SetSeries({});
  resize(640, 480);
}

TfmWDiagram::~TfmWDiagram() = default;

void TfmWDiagram::SetSeries(const std::vector<std::string>& solution_phases) {
  refresh_.stop();  // a new run: its first row is shown at once
  row_waiting_ = false;
  since_shown_.invalidate();
  diagram_.SetSeries(solution_phases);
  std::unique_ptr<QChart> chart =
      charts::BuildChart(diagram_.Model(), charts::WorkingDiagramLook());
  lines_.clear();
  // All series are lines, added in the model's order.
  for (QAbstractSeries* series : chart->series()) {
    lines_.push_back(qobject_cast<QLineSeries*>(series));
  }
  // The hull runs along the lowest curve: dashed, it lets the curve show.
  if (!lines_.empty()) {
    lines_.back()->setPen(
        QPen(charts::ToQColor(WorkingDiagram::kConvexColor), kConvexWidth, Qt::DashLine));
  }
  x_scale_.reset();  // the new chart's axes are fitted anew
  g_scale_.reset();
  QChart* old = view_->chart();
  view_->setChart(chart.release());  // the view owns the new chart, not the old one
  delete old;
  FitAxes();
}

void TfmWDiagram::SetAxisIncrement(double increment) {
  increment_ = increment;
  FitAxes();
}

void TfmWDiagram::Clear() { diagram_.Clear(); }

void TfmWDiagram::AddPoint(std::size_t series, double x, double g) { diagram_.Add(series, x, g); }

void TfmWDiagram::RowDone() {
  row_waiting_ = true;
  const qint64 elapsed = since_shown_.isValid() ? since_shown_.elapsed() : kRefreshInterval;
  if (elapsed >= kRefreshInterval) {
    ShowLastRow();
  } else if (!refresh_.isActive()) {
    refresh_.start(static_cast<int>(kRefreshInterval - elapsed));
  }
}

void TfmWDiagram::ShowLastRow() {
  refresh_.stop();
  if (!row_waiting_) return;
  row_waiting_ = false;
  since_shown_.start();
  const std::vector<ChartSeries>& series = diagram_.Model().Series;
  for (std::size_t i = 0; i < lines_.size() && i < series.size(); ++i) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(series[i].Points.size()));
    for (const ChartPoint& point : series[i].Points) points.append(QPointF(point.X, point.Y));
    lines_[i]->replace(points);
  }
  FitAxes();
}

void TfmWDiagram::FitAxes() {
  QChart* chart = view_->chart();
  QValueAxis* x_axis = Axis(*chart, Qt::Horizontal);
  QValueAxis* g_axis = Axis(*chart, Qt::Vertical);
  if (x_axis == nullptr || g_axis == nullptr) return;

  // The x axis spans the compositions exactly, labelled every increment.
  const auto x = diagram_.XExtent();
  AxisScale x_scale{x ? x->Min : 0, x ? x->Max : 1, increment_};
  if (!(x_scale.Max > x_scale.Min)) x_scale = RoundScale(x_scale.Min, x_scale.Max, kGIntervals);
  const double span = x_scale.Max - x_scale.Min;
  if (!(x_scale.Step > 0) || span / x_scale.Step > kMostXLabels) x_scale.Step = span / 5;
  // A rescaled axis lays the chart out anew: only when the scale changes.
  if (x_scale != x_scale_) {
    x_scale_ = x_scale;
    ApplyScale(*x_axis, x_scale);
  }

  // A little room at both ends of G, so that no line runs along the frame.
  const auto g = diagram_.GExtent();
  const double g_min = g ? g->Min : -1;
  const double g_max = g ? g->Max : 1;
  const double pad = kGPadding * (g_max - g_min);
  const AxisScale g_scale = RoundScale(g_min - pad, g_max + pad, kGIntervals);
  if (g_scale != g_scale_) {
    g_scale_ = g_scale;
    ApplyScale(*g_axis, g_scale);
  }
}

}  // namespace binodal::app
