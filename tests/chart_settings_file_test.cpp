// The chart settings file: a chart's look and model written as text and read back.
#include "charts/chart_settings_file.h"

#include <gtest/gtest.h>

#include <string>

namespace binodal::charts {
namespace {

ChartSettings Sample() {
  ChartSettings settings;
  ChartLook& look = settings.Look;
  look.Background = 0xF0FBFF;
  look.ShowLegend = true;
  look.XRange = AxisRange{0.1 + 0.2, 0.7};
  look.YTickInterval = 125.5;
  look.XTickInterval.reset();
  look.XMinorTicks = 3;
  look.YMinorTicks = 0;
  look.MarkerScale = 1.75;
  look.TitleFontFamily = "DejaVu Serif";
  look.TitlePixelSize = 17;
  look.TitleBold = true;
  look.TitleColor = 0x800000;
  look.FootFontFamily = "Liberation Sans = wide";  // an "=" in a value
  look.FootItalic = true;
  look.FootColor = 0x80000008;

  ChartModel& model = settings.Model;
  model.TitleLines = {"T, K"};
  model.FootLines = {"x(Cu) in Ag–Cu", "", "  second line  "};
  ChartSeries boundaries;
  boundaries.Title = "Phase boundaries";
  boundaries.Points = {{0.1, 1234.5678901234567, std::nullopt}, {-0.0, 1e-300, 0x0000FF}};
  ChartSeries node;
  node.Title = "Node at 1052.1K";
  node.Kind = SeriesKind::kLine;
  node.Color = 0;
  node.Points = {{0.14, 1052.1, 0x01000000}, {0.95, 1052.1, 0x01000000}};
  ChartSeries experimental;
  experimental.Title = "Experimental points";
  experimental.Marker = MarkerStyle::kTriangle;
  experimental.MarkerSize = 3;
  experimental.DottedOutline = true;
  experimental.Visible = false;
  model.Series = {boundaries, node, experimental, ChartSeries{}};
  return settings;
}

TEST(ChartSettingsFileTest, RoundTripsLookAndSeries) {
  const ChartSettings settings = Sample();
  const std::string bytes = WriteChartSettings(settings);
  EXPECT_EQ(ReadChartSettings(bytes), settings);
  // Written with CR LF, and readable by eye.
  EXPECT_NE(bytes.find("\r\n[Series]\r\nTitle=Node at 1052.1K\r\nKind=line\r\nColor=$00000000\r\n"),
            std::string::npos)
      << bytes;
  EXPECT_EQ(bytes.find("\n\n"), std::string::npos);
  // The defaults of the look come back too.
  const ChartSettings plain;
  EXPECT_EQ(ReadChartSettings(WriteChartSettings(plain)), plain);
}

TEST(ChartSettingsFileTest, MissingItemsKeepTheDefaultsAndUnknownOnesAreSkipped) {
  ChartLook defaults;
  defaults.XTickInterval = 0.1;
  defaults.XMinorTicks = 9;
  const ChartSettings read = ReadChartSettings(
      "# Binodal chart settings\n[Look]\nLegend=1\nShininess=11\n[Chart]\nTitle=p, "
      "bar\n[Later]\nAnything=at all\n"
      "[Series]\nTitle=S\nPoint=1 2\n",
      defaults);
  ChartLook expected = defaults;
  expected.ShowLegend = true;
  EXPECT_EQ(read.Look, expected);
  EXPECT_EQ(read.Model.TitleLines, std::vector<std::string>{"p, bar"});
  EXPECT_TRUE(read.Model.FootLines.empty());
  ASSERT_EQ(read.Model.Series.size(), 1U);
  EXPECT_EQ(read.Model.Series[0].Points, (std::vector<ChartPoint>{{1, 2, std::nullopt}}));
}

TEST(ChartSettingsFileTest, ABadLineIsReportedWithItsNumber) {
  const std::pair<const char*, const char*> cases[] = {
      {"[Look]\r\nLegend=yes\r\n", "line 3: 'yes' is neither 0 nor 1"},
      {"[Look]\nXRange=0\n", "line 3: an axis range"},
      {"# c\n[Series]\nPoint=1 x\n", "line 4: 'x' is not a number"},
      {"[Series]\nPoint=1 2 3 4\n", "line 3: a point is"},
      {"[Series]\nKind=bars\n", "line 3: a series kind"},
      {"[Chart]\nno equals sign\n", "line 3: \"Key=value\" expected"},
      {"[Look]\nBackground=pink\n", "line 3: 'pink' is not a colour"},
      {"[Look]\nXMinorTicks=2.5\n", "line 3: '2.5' is not an integer"},
  };
  for (const auto& [bytes, message] : cases) {
    try {
      (void)ReadChartSettings("# Binodal chart settings\r\n" + std::string(bytes));
      ADD_FAILURE() << "read: " << bytes;
    } catch (const ChartSettingsError& error) {
      EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
      EXPECT_EQ(std::string(error.what()).rfind("Chart.cfg, ", 0), 0U) << error.what();
    }
  }
}

TEST(ChartSettingsFileTest, AnotherProgramsFileOfTheSameNameIsRefused) {
  // An INI file of another program would otherwise read as an empty chart.
  for (const char* bytes : {"", "[Settings]\r\nWindow=3\r\n", "#Binodal chart settings\n"}) {
    EXPECT_THROW((void)ReadChartSettings(bytes), ChartSettingsError) << bytes;
  }
}

}  // namespace
}  // namespace binodal::charts
