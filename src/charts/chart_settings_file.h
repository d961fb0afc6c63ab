// A whole chart in a readable text file: its look (background, legend, axes,
// title and foot fonts) and its model (title and foot lines, every series with
// its points). The diagram window keeps its chart in "Chart.cfg" this way.
// No Qt.
//
// The file is UTF-8 text with CR LF line ends (LF alone is read too). Its
// first line is kChartSettingsHeader, which tells it from another program's
// file of the same name. Each further line is "Key=value", the value being
// everything after the first "="; empty lines and lines starting with "#" are
// comments. Three kinds of section:
//   [Look]    Background, Legend, XRange/YRange ("auto" or "min max"),
//             XTickInterval/YTickInterval ("auto" or a step), XMinorTicks,
//             YMinorTicks, MarkerScale, and for Title and Foot: ...FontFamily,
//             ...PixelSize, ...Bold, ...Italic, ...Color
//   [Chart]   Title and Foot, one key per line of text, in order
//   [Series]  one section per series, in order: Title, Kind (points|line),
//             Color ("auto" or a colour), Marker (circle|triangle),
//             MarkerSize, DottedOutline, Visible, and Point ("x y" or
//             "x y colour") once per point
// Colours are "$" and eight hexadecimal digits of 0xBBGGRR, flags 0 or 1,
// numbers written so that they read back to the same double. Keys a reader
// does not know are skipped, so that an older program reads a newer file.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "charts/chart_look.h"
#include "results/chart_model.h"

namespace binodal::charts {

inline constexpr std::string_view kChartSettingsFileName = "Chart.cfg";
inline constexpr std::string_view kChartSettingsHeader = "# Binodal chart settings";

struct ChartSettings {
  ChartModel Model;
  ChartLook Look;
  bool operator==(const ChartSettings&) const = default;
};

// A file that cannot be read: the message names the line.
class ChartSettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[nodiscard]] std::string WriteChartSettings(const ChartSettings& settings);

// Reads what WriteChartSettings wrote. Items the file does not give keep the
// values of `defaults`; the model is the file's alone (no series, title or
// foot unless the file has them). Throws ChartSettingsError for a file that
// does not begin with the header, a line that is not "Key=value" or a value
// that does not read.
[[nodiscard]] ChartSettings ReadChartSettings(std::string_view bytes,
                                              const ChartLook& defaults = {});

}  // namespace binodal::charts
