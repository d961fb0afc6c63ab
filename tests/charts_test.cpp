// Chart models drawn into SVG and PNG files with the shared chart code.
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QXmlStreamReader>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include "charts/chart_builder.h"
#include "charts/chart_render.h"
#include "charts/gui_application.h"
#include "charts_test_util.h"
#include "common/file_io.h"
#include "results/chart_model.h"

namespace binodal::charts {
namespace {

using charts_test::TempFolder;

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kBlack = 0;
const char kFoot[] = "Mole fraction (x) of component B in A-B system";

ChartPoint Point(double x, double y, std::optional<TColor> color = std::nullopt) {
  ChartPoint point;
  point.X = x;
  point.Y = y;
  point.Color = color;
  return point;
}

ChartSeries Series(std::string title, SeriesKind kind, std::vector<ChartPoint> points,
                   std::optional<TColor> color = std::nullopt) {
  ChartSeries series;
  series.Title = std::move(title);
  series.Kind = kind;
  series.Points = std::move(points);
  series.Color = color;
  return series;
}

// A eutectic system: liquidus and solidus on both sides meeting at 800 K,
// the special points, the node line and a few measured points.
ChartModel EutecticModel() {
  ChartModel model;
  model.TitleLines = {"T, K"};
  model.FootLines = {kFoot};
  ChartSeries boundaries = Series("Phase boundaries", SeriesKind::kPoints, {});
  for (int row = 0; row <= 40; ++row) {
    const double y = 1200 - 10 * row;
    const double t = row / 40.0;
    boundaries.Points.push_back(Point(0.4 * t, y));                      // left liquidus
    boundaries.Points.push_back(Point(0.05 * t, y));                     // left solidus
    boundaries.Points.push_back(Point(1 - 0.6 * t, y - 100 * (1 - t)));  // right liquidus
    boundaries.Points.push_back(Point(1 - 0.1 * t, y - 100 * (1 - t)));  // right solidus
  }
  ChartSeries special = Series("Special points", SeriesKind::kPoints,
                               {Point(0.4, 800), Point(0.05, 800), Point(0.9, 800)}, kRed);
  special.DottedOutline = true;
  const ChartSeries node =
      Series("Node at 800K", SeriesKind::kLine, {Point(0.05, 800), Point(0.9, 800)}, kBlack);
  ChartSeries measured =
      Series("Experimental points", SeriesKind::kPoints,
             {Point(0.2, 1010), Point(0.3, 925), Point(0.7, 930), Point(0.85, 1020)});
  measured.Marker = MarkerStyle::kTriangle;
  measured.MarkerSize = 3;
  model.Series = {boundaries, special, node, measured};
  return model;
}

// Bounding box of the pixels for which `match` holds; empty when none does.
template <typename Match>
QRect Find(const QImage& image, Match match) {
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (match(QColor(image.pixel(x, y)))) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

bool IsDark(const QColor& color) { return color.lightness() < 110; }

QString ReadText(const std::string& path) { return QString::fromStdString(ReadWholeFile(path)); }

class ChartFilesTest : public ::testing::Test {
 protected:
  TempFolder folder_;
};

TEST_F(ChartFilesTest, PngHasTheRequestedSizeAndShowsTheChart) {
  const std::string path = folder_.File("diagram.png");
  RenderChartToPng(EutecticModel(), path, {640, 480});

  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(path), "PNG"));
  EXPECT_EQ(image.size(), QSize(640, 480));
  EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
  EXPECT_FALSE(Find(image, [](const QColor& c) { return c == QColor(255, 0, 0); }).isEmpty())
      << "the red special points";
  // Only the picture is left in the folder, no temporary file.
  EXPECT_EQ(folder_.Files(), std::vector<std::string>{"diagram.png"});
}

TEST_F(ChartFilesTest, RenderingReplacesAnExistingFile) {
  const std::string path = folder_.File("diagram.png");
  WriteWholeFile(path, "old");
  RenderChartToPng(EutecticModel(), path, {300, 200});
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(path), "PNG"));
  EXPECT_EQ(image.size(), QSize(300, 200));
}

TEST_F(ChartFilesTest, SvgIsWellFormedAndCarriesTitleAndFoot) {
  const std::string path = folder_.File("diagram.svg");
  RenderChartToSvg(EutecticModel(), path, {800, 600});

  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  ASSERT_TRUE(xml.readNextStartElement());
  EXPECT_EQ(xml.name(), QStringLiteral("svg"));
  QStringList texts;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isCharacters()) texts << xml.text().toString().trimmed();
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_TRUE(texts.contains("T, K"));
  EXPECT_TRUE(texts.contains(kFoot));
  EXPECT_TRUE(texts.contains("0.5")) << "an x axis label";
  EXPECT_FALSE(texts.contains("Phase boundaries")) << "the phase diagram has no legend";
}

TEST_F(ChartFilesTest, WorkingDiagramLegendNamesEverySeries) {
  ChartModel model;
  model.TitleLines = {"       G"};
  model.FootLines = {"x"};
  model.Series = {Series("Liquid", SeriesKind::kLine, {Point(0, -10), Point(1, -5)}),
                  Series("Fcc", SeriesKind::kLine, {Point(0, -12), Point(1, -3)}),
                  Series("Convex", SeriesKind::kLine, {Point(0, -12), Point(1, -5)}, kBlack)};
  const std::string path = folder_.File("working.svg");
  RenderChartToSvg(model, path, {800, 600}, WorkingDiagramLook());
  const QString svg = ReadText(path);
  for (const char* title : {"Liquid", "Fcc", "Convex"}) EXPECT_TRUE(svg.contains(title)) << title;
}

TEST_F(ChartFilesTest, ColoursKeepTheirChannelsAndPointsTheirPlaces) {
  // A red series with one point of its own colour (blue), placed right of and
  // above the red ones; big markers so that their middles are plain colour.
  ChartModel model;
  model.Series = {Series("Red", SeriesKind::kPoints,
                         {Point(0.2, 10), Point(0.3, 20), Point(0.8, 90, kBlue)}, kRed)};
  model.Series[0].MarkerSize = 6;
  ChartLook look = PhaseDiagramLook();
  look.XRange = AxisRange{0, 1};
  look.YRange = AxisRange{0, 100};
  const std::string path = folder_.File("colours.png");
  RenderChartToPng(model, path, {400, 300}, look);
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(path), "PNG"));

  const QRect red = Find(image, [](const QColor& c) { return c == QColor(255, 0, 0); });
  const QRect blue = Find(image, [](const QColor& c) { return c == QColor(0, 0, 255); });
  ASSERT_FALSE(red.isEmpty());
  ASSERT_FALSE(blue.isEmpty());
  EXPECT_GT(blue.left(), red.right()) << "larger x lies further right";
  EXPECT_LT(blue.bottom(), red.top()) << "larger Y lies higher up";
  EXPECT_GT(blue.center().x(), image.width() / 2);
  EXPECT_LT(blue.center().y(), image.height() / 2);
}

TEST_F(ChartFilesTest, TitleIsTopLeftAndFootBottomRight) {
  ChartModel model = EutecticModel();
  model.FootLines = {"x, mole fraction"};
  const std::string path = folder_.File("texts.png");
  RenderChartToPng(model, path, {800, 600});
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(path), "PNG"));

  const QRect title = Find(image.copy(0, 0, 800, 26), IsDark);
  ASSERT_FALSE(title.isEmpty());
  EXPECT_LT(title.left(), 20);
  EXPECT_LT(title.right(), 100);
  const QRect foot = Find(image.copy(0, 600 - 26, 800, 26), IsDark);
  ASSERT_FALSE(foot.isEmpty());
  EXPECT_GT(foot.left(), 600);
  EXPECT_GT(foot.right(), 800 - 20);
}

TEST_F(ChartFilesTest, ModelsWithoutPointsStillDraw) {
  ChartModel empty_series;
  empty_series.Series = {Series("Phase boundaries", SeriesKind::kPoints, {}),
                         Series("Special points", SeriesKind::kPoints, {})};
  ChartModel one_point;
  one_point.Series = {Series("Special points", SeriesKind::kPoints, {Point(0.5, 1000)})};
  int n = 0;
  for (const ChartModel& model : {ChartModel{}, empty_series, one_point}) {
    const std::string path = folder_.File("empty" + std::to_string(n++) + ".png");
    RenderChartToPng(model, path, {200, 150});
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(path), "PNG"));
    EXPECT_EQ(image.size(), QSize(200, 150));
  }
}

TEST_F(ChartFilesTest, FailuresNameTheFile) {
  const std::string png = folder_.File("missing/diagram.png");
  const std::string svg = folder_.File("missing/diagram.svg");
  try {
    RenderChartToPng(EutecticModel(), png);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(png), std::string::npos) << e.what();
  }
  try {
    RenderPhaseDiagramFiles(EutecticModel(), svg, "");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(svg), std::string::npos) << e.what();
  }
  EXPECT_THROW(RenderChartToPng(EutecticModel(), folder_.File("a.png"), {0, 100}),
               std::invalid_argument);
}

class ChartBuilderTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureGuiApplication(); }

  static QValueAxis* Axis(QChart& chart, Qt::Orientation orientation) {
    const auto axes = chart.axes(orientation);
    return axes.size() == 1 ? qobject_cast<QValueAxis*>(axes.front()) : nullptr;
  }
};

TEST_F(ChartBuilderTest, AutomaticAxesHoldEveryPointAndStayClose) {
  ChartModel model;
  model.Series = {Series("", SeriesKind::kPoints, {Point(0.1, 812.5), Point(0.6, 1234)}),
                  Series("", SeriesKind::kLine, {Point(0.3, 900), Point(0.9, 1000)})};
  auto chart = BuildChart(model, ChartLook{});
  QValueAxis* x = Axis(*chart, Qt::Horizontal);
  QValueAxis* y = Axis(*chart, Qt::Vertical);
  ASSERT_NE(x, nullptr);
  ASSERT_NE(y, nullptr);
  EXPECT_LE(y->min(), 812.5);
  EXPECT_GE(y->max(), 1234);
  EXPECT_LT(y->max() - y->min(), 2 * (1234 - 812.5));
  EXPECT_LE(x->min(), 0.1);
  EXPECT_GE(x->max(), 0.9);
  EXPECT_LE(x->max(), 1.0);

  // A fixed composition range is kept as it is.
  ChartLook look = PhaseDiagramLook();
  look.XRange = AxisRange{0, 1};
  chart = BuildChart(model, look);
  EXPECT_EQ(Axis(*chart, Qt::Horizontal)->min(), 0);
  EXPECT_EQ(Axis(*chart, Qt::Horizontal)->max(), 1);

  // All points at one Y: the axis still has a span around it.
  model.Series = {Series("", SeriesKind::kPoints, {Point(0.2, 500), Point(0.7, 500)})};
  chart = BuildChart(model, look);
  EXPECT_LT(Axis(*chart, Qt::Vertical)->min(), 500);
  EXPECT_GT(Axis(*chart, Qt::Vertical)->max(), 500);
}

// Points spread over a range too narrow, too wide or too small in its
// numbers for the chart library: the chart still gets a range it keeps and a
// few labelled ticks, and a picture is drawn (the labels of a range the
// library took for empty were laid out one tiny step at a time, without end).
TEST_F(ChartBuilderTest, AnyRangeOfPointsIsLabelledInAFewTicks) {
  constexpr double kDenormal = std::numeric_limits<double>::denorm_min();
  struct Case {
    double y0, y1;
    std::optional<AxisRange> fixed;
    std::optional<double> interval;
  };
  const Case cases[] = {
      {1e-12, 1e-12, std::nullopt, std::nullopt},  // one row of a run at Y = 1e-12
      {0, 1e-12, std::nullopt, std::nullopt},
      {kDenormal, kDenormal, std::nullopt, std::nullopt},
      {0, kDenormal, std::nullopt, std::nullopt},
      {1e15, 1e15 + 1, std::nullopt, std::nullopt},
      {-1e300, 1e300, std::nullopt, std::nullopt},
      {-1e308, 1e308, std::nullopt, std::nullopt},
      {500, 500, AxisRange{1e-13, 2e-13}, std::nullopt},  // a range the user fixed
      {500, 500, AxisRange{300, 300}, 1e-14},
      {500, 500, std::nullopt, std::numeric_limits<double>::infinity()},
  };
  TempFolder folder;
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(n) + ": " + std::to_string(c.y0) + " " + std::to_string(c.y1));
    ChartModel model;
    model.Series = {Series("", SeriesKind::kPoints, {Point(0.2, c.y0), Point(0.7, c.y1)})};
    ChartLook look = PhaseDiagramLook();
    look.YRange = c.fixed;
    look.YTickInterval = c.interval;
    auto chart = BuildChart(model, look);
    QValueAxis* y = Axis(*chart, Qt::Vertical);
    ASSERT_NE(y, nullptr);
    EXPECT_TRUE(std::isfinite(y->min()) && std::isfinite(y->max()));
    EXPECT_LT(y->min(), y->max());
    EXPECT_GT(y->tickInterval(), 0);
    EXPECT_LE((y->max() - y->min()) / y->tickInterval(), 50);
    // Adding the step goes from one tick to the next.
    EXPECT_GT(y->max() + y->tickInterval(), y->max());
    if (!c.fixed && std::abs(c.y0) < 1e300) {
      EXPECT_LE(y->min(), c.y0);
      EXPECT_GE(y->max(), c.y1);
    }
    const std::string path = folder.File("range" + std::to_string(n++) + ".png");
    RenderChartToPng(model, path, {200, 150}, look);
    EXPECT_TRUE(QImage(QString::fromStdString(path)).size() == QSize(200, 150));
  }
}

TEST_F(ChartBuilderTest, SeriesKeepTheLookOfTheModel) {
  auto chart = BuildChart(EutecticModel(), PhaseDiagramLook());
  const auto series = chart->series();
  ASSERT_EQ(series.size(), 4);
  // The node line is drawn first, beneath the special points lying on it;
  // the point series keep the model's order.
  auto* node = qobject_cast<QLineSeries*>(series[0]);
  auto* boundaries = qobject_cast<QScatterSeries*>(series[1]);
  auto* special = qobject_cast<QScatterSeries*>(series[2]);
  auto* measured = qobject_cast<QScatterSeries*>(series[3]);
  ASSERT_TRUE(boundaries && special && node && measured);
  EXPECT_EQ(qobject_cast<QScatterSeries*>(series[0]), nullptr) << "a line, not points";
  EXPECT_EQ(node->name(), "Node at 800K");
  EXPECT_EQ(boundaries->name(), "Phase boundaries");
  EXPECT_EQ(measured->name(), "Experimental points");
  EXPECT_EQ(boundaries->count(), 164);
  EXPECT_EQ(special->color(), QColor(255, 0, 0));
  EXPECT_EQ(special->pen().style(), Qt::DotLine);
  EXPECT_EQ(node->color(), QColor(0, 0, 0));
  EXPECT_EQ(boundaries->markerShape(), QScatterSeries::MarkerShapeCircle);
  EXPECT_EQ(measured->markerShape(), QScatterSeries::MarkerShapeTriangle);
  EXPECT_GT(measured->markerSize(), boundaries->markerSize());
  // Series without a colour get different ones, neither red nor black.
  EXPECT_NE(boundaries->color(), measured->color());
  for (const QColor& color : {boundaries->color(), measured->color()}) {
    EXPECT_NE(color, QColor(255, 0, 0));
    EXPECT_NE(color, QColor(0, 0, 0));
  }
}

}  // namespace
}  // namespace binodal::charts
