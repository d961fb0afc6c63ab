#include "charts/chart_builder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <tuple>
#include <vector>

#include <QApplication>
#include <QBrush>
#include <QFont>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QList>
#include <QPen>
#include <QPointF>
#include <QString>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include "results/axis_scale.h"

namespace binodal::charts {
namespace {

constexpr qreal kEdge = 8;     // pixels between the chart's edge and its texts
constexpr qreal kTextGap = 6;  // pixels between the title or foot and the axes
constexpr int kAxisLabelPixels = 12;
constexpr double kLineWidth = 1.5;
constexpr int kWantedLabels = 8;  // about this many labelled ticks on an automatic axis
constexpr int kMostLabels = 50;   // a tick interval giving more labels is replaced

// Colours for series that have none: distinct on white, and neither red nor
// black, which the diagrams use for special points and node lines.
constexpr std::array<TColor, 8> kPalette = {0xB4771F, 0x2CA02C, 0x0E7FFF, 0xBD6794,
                                            0x4B568C, 0xCFBE17, 0xC277E3, 0x22BDBC};

struct Extent {
  double Min;
  double Max;
};

void Widen(std::optional<Extent>& extent, double value) {
  if (!std::isfinite(value)) return;
  if (!extent) {
    extent = Extent{value, value};
  } else {
    extent->Min = std::min(extent->Min, value);
    extent->Max = std::max(extent->Max, value);
  }
}

struct AxisPlan {
  AxisRange Range;
  double Interval;
};

// Share of the data's span left free at each end of an automatic axis, so
// that markers on the outermost points are not cut by the plot's frame.
constexpr double kAutomaticPadding = 0.02;

AxisPlan PlanAxis(const std::optional<Extent>& data, const std::optional<AxisRange>& fixed,
                  const std::optional<double>& interval, int minor_ticks) {
  AxisRange range;
  if (fixed) {
    range = *fixed;
  } else if (data) {
    range = {data->Min, data->Max};
  }
  std::tie(range.Min, range.Max) = DrawableRange(range.Min, range.Max);
  const double span = range.Max - range.Min;
  double step = interval.value_or(0);
  if (!(step > 0) || !std::isfinite(step) || span / step > kMostLabels) {
    step = RoundStep(span, kWantedLabels);
  }
  if (!fixed) {
    // Pad, then round outwards to whole minor ticks; labels stay on whole
    // steps wherever the ends fall.
    const double minor = step / (std::max(0, minor_ticks) + 1);
    range.Min = minor * std::floor((range.Min - kAutomaticPadding * span) / minor);
    range.Max = minor * std::ceil((range.Max + kAutomaticPadding * span) / minor);
  }
  return {range, step};
}

QFont TextFont(const std::string& family, int pixel_size, bool bold, bool italic) {
  QFont font = QApplication::font();
  if (!family.empty()) font.setFamily(QString::fromStdString(family));
  if (pixel_size > 0) font.setPixelSize(pixel_size);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

QValueAxis* MakeAxis(const AxisPlan& plan, int minor_ticks) {
  auto* axis = new QValueAxis;
  axis->setRange(plan.Range.Min, plan.Range.Max);
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
  axis->setTickInterval(plan.Interval);
  axis->setMinorTickCount(std::max(0, minor_ticks));
  // As short as the value needs: 0, 0.1, 0.25, 1500.
  axis->setLabelFormat("%.10g");
  QFont labels = QApplication::font();
  labels.setPixelSize(kAxisLabelPixels);
  axis->setLabelsFont(labels);
  axis->setLabelsColor(Qt::black);
  axis->setLinePen(QPen(Qt::black, 1));
  axis->setGridLinePen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
  axis->setMinorGridLineVisible(false);
  axis->setShadesVisible(false);
  return axis;
}

void AddSeries(QChart& chart, const ChartSeries& series, const QColor& color, const ChartLook& look,
               QValueAxis& x_axis, QValueAxis& y_axis) {
  QList<QPointF> points;
  std::vector<std::optional<TColor>> point_colors;
  points.reserve(static_cast<qsizetype>(series.Points.size()));
  for (const ChartPoint& point : series.Points) {
    if (!std::isfinite(point.X) || !std::isfinite(point.Y)) continue;
    points.append(QPointF(point.X, point.Y));
    point_colors.push_back(point.Color);
  }

  QXYSeries* xy = nullptr;
  if (series.Kind == SeriesKind::kPoints) {
    xy = new QScatterSeries;
  } else {
    xy = new QLineSeries;
  }
  xy->setName(QString::fromStdString(series.Title));
  xy->replace(points);
  xy->setVisible(series.Visible);
  // Added before its looks are set: adding applies the chart theme, which
  // would replace them.
  chart.addSeries(xy);  // the chart owns the series now
  xy->attachAxis(&x_axis);
  xy->attachAxis(&y_axis);

  auto* scatter = qobject_cast<QScatterSeries*>(xy);
  if (scatter == nullptr) {
    xy->setPen(QPen(color, kLineWidth));
    return;
  }
  scatter->setMarkerShape(series.Marker == MarkerStyle::kTriangle
                              ? QScatterSeries::MarkerShapeTriangle
                              : QScatterSeries::MarkerShapeCircle);
  scatter->setMarkerSize(std::max(1.0, series.MarkerSize * look.MarkerScale));
  scatter->setBrush(color);
  // Without a dotted outline the markers have none, so that a point of its
  // own colour is that colour all over (points cannot have pens of their own).
  if (series.DottedOutline) {
    scatter->setPen(QPen(color, 1, Qt::DotLine));
  } else {
    scatter->setPen(Qt::NoPen);
  }
  for (std::size_t i = 0; i < point_colors.size(); ++i) {
    if (!point_colors[i]) continue;
    const QColor own = ToQColor(*point_colors[i]);
    if (own == color) continue;
    scatter->setPointConfiguration(static_cast<int>(i), QXYSeries::PointConfiguration::Color, own);
  }
}

std::vector<QGraphicsSimpleTextItem*> AddTextLines(QChart& chart,
                                                   const std::vector<std::string>& lines,
                                                   const QFont& font, const QColor& color) {
  std::vector<QGraphicsSimpleTextItem*> items;
  for (const std::string& line : lines) {
    auto* item = new QGraphicsSimpleTextItem(QString::fromStdString(line), &chart);
    item->setFont(font);
    item->setBrush(color);
    item->setZValue(10);
    items.push_back(item);
  }
  return items;
}

}  // namespace

QColor ToQColor(TColor color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

std::vector<TColor> DrawnSeriesColors(const ChartModel& model) {
  std::vector<TColor> colors;
  std::size_t next_palette = 0;
  for (const ChartSeries& series : model.Series) {
    colors.push_back(series.Color ? *series.Color : kPalette[next_palette++ % kPalette.size()]);
  }
  return colors;
}

std::unique_ptr<QChart> BuildChart(const ChartModel& model, const ChartLook& look) {
  auto chart = std::make_unique<QChart>();
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setBackgroundBrush(ToQColor(look.Background));
  chart->setBackgroundPen(Qt::NoPen);
  chart->setBackgroundRoundness(0);
  chart->setDropShadowEnabled(false);
  chart->setPlotAreaBackgroundVisible(false);
  chart->legend()->setVisible(look.ShowLegend);
  chart->legend()->setAlignment(Qt::AlignRight);
  chart->legend()->setLabelColor(Qt::black);

  std::optional<Extent> x_data;
  std::optional<Extent> y_data;
  for (const ChartSeries& series : model.Series) {
    for (const ChartPoint& point : series.Points) {
      if (!std::isfinite(point.X) || !std::isfinite(point.Y)) continue;
      Widen(x_data, point.X);
      Widen(y_data, point.Y);
    }
  }
  QValueAxis* x_axis = MakeAxis(PlanAxis(x_data, look.XRange, look.XTickInterval, look.XMinorTicks),
                                look.XMinorTicks);
  QValueAxis* y_axis = MakeAxis(PlanAxis(y_data, look.YRange, look.YTickInterval, look.YMinorTicks),
                                look.YMinorTicks);
  chart->addAxis(x_axis, Qt::AlignBottom);
  chart->addAxis(y_axis, Qt::AlignLeft);

  // Colours in model order; then the lines before the points, because a
  // chart draws its series in the order they were added and markers lying on
  // a line (special points on a node line) must stay visible.
  std::vector<QColor> colors;
  for (const TColor color : DrawnSeriesColors(model)) colors.push_back(ToQColor(color));
  for (const SeriesKind kind : {SeriesKind::kLine, SeriesKind::kPoints}) {
    for (std::size_t i = 0; i < model.Series.size(); ++i) {
      if (model.Series[i].Kind != kind) continue;
      AddSeries(*chart, model.Series[i], colors[i], look, *x_axis, *y_axis);
    }
  }

  // Title lines at the top left, foot lines at the bottom right; the margins
  // keep the axes clear of them. The topmost Y label reaches half a line above
  // the plot area.
  const QFont title_font =
      TextFont(look.TitleFontFamily, look.TitlePixelSize, look.TitleBold, look.TitleItalic);
  const QFont foot_font =
      TextFont(look.FootFontFamily, look.FootPixelSize, look.FootBold, look.FootItalic);
  const qreal title_step = QFontMetricsF(title_font).lineSpacing();
  const qreal foot_step = QFontMetricsF(foot_font).lineSpacing();
  QFont label_font = QApplication::font();
  label_font.setPixelSize(kAxisLabelPixels);
  const qreal half_label = QFontMetricsF(label_font).height() / 2;
  const auto title_items =
      AddTextLines(*chart, model.TitleLines, title_font, ToQColor(look.TitleColor));
  const auto foot_items =
      AddTextLines(*chart, model.FootLines, foot_font, ToQColor(look.FootColor));
  const qreal top =
      title_items.empty()
          ? kEdge + half_label
          : kEdge + static_cast<qreal>(title_items.size()) * title_step + kTextGap + half_label;
  const qreal bottom = foot_items.empty()
                           ? kEdge
                           : kEdge + static_cast<qreal>(foot_items.size()) * foot_step + kTextGap;
  chart->layout()->setContentsMargins(0, 0, 0, 0);
  chart->setMargins(QMargins(static_cast<int>(kEdge), static_cast<int>(std::ceil(top)),
                             static_cast<int>(kEdge) * 2, static_cast<int>(std::ceil(bottom))));

  QChart* raw = chart.get();
  auto place_texts = [raw, title_items, foot_items, title_step, foot_step] {
    const QRectF area = raw->rect();
    for (std::size_t i = 0; i < title_items.size(); ++i) {
      title_items[i]->setPos(area.left() + kEdge,
                             area.top() + kEdge + static_cast<qreal>(i) * title_step);
    }
    for (std::size_t i = 0; i < foot_items.size(); ++i) {
      const qreal from_bottom = static_cast<qreal>(foot_items.size() - i) * foot_step;
      foot_items[i]->setPos(area.right() - kEdge - foot_items[i]->boundingRect().width(),
                            area.bottom() - kEdge - from_bottom);
    }
  };
  QObject::connect(raw, &QGraphicsWidget::geometryChanged, raw, place_texts);
  place_texts();
  return chart;
}

}  // namespace binodal::charts
