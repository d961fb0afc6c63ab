#include "charts/chart_settings_file.h"

#include <charconv>
#include <functional>
#include <map>
#include <optional>
#include <system_error>
#include <vector>

#include "results/label_font_file.h"
#include "results/phase_diagram.h"

namespace binodal::charts {
namespace {

constexpr std::string_view kAuto = "auto";

// --- Writing.

std::string Number(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string Flag(bool value) { return value ? "1" : "0"; }

std::string Color(TColor color) {
  // Always the number: a name would tie the file to the label font's table.
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, color, 16);
  std::string digits(buffer, result.ptr);
  for (char& ch : digits) {
    if (ch >= 'a' && ch <= 'f') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return "$" + std::string(8 - digits.size(), '0') + digits;
}

class Writer {
 public:
  void Line(std::string_view text) {
    bytes_ += text;
    bytes_ += "\r\n";
  }
  void Item(std::string_view key, std::string_view value) {
    bytes_ += key;
    bytes_ += '=';
    Line(value);
  }
  [[nodiscard]] std::string Bytes() && { return std::move(bytes_); }

 private:
  std::string bytes_;
};

// --- Reading.

[[noreturn]] void Fail(int line, const std::string& what) {
  throw ChartSettingsError(std::string(kChartSettingsFileName) + ", line " + std::to_string(line) +
                           ": " + what);
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (true) {
    at = text.find_first_not_of(" \t", at);
    if (at == std::string_view::npos) break;
    const std::size_t end = std::min(text.find_first_of(" \t", at), text.size());
    words.push_back(text.substr(at, end - at));
    at = end;
  }
  return words;
}

class Reader {
 public:
  Reader(int line, std::string_view value) : line_(line), value_(value) {}

  [[nodiscard]] double Number(std::string_view text) const {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
      Fail(line_, "'" + std::string(text) + "' is not a number");
    }
    return value;
  }
  [[nodiscard]] double Number() const { return Number(Single()); }
  [[nodiscard]] int Integer() const {
    const std::string_view text = Single();
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
      Fail(line_, "'" + std::string(text) + "' is not an integer");
    }
    return value;
  }
  [[nodiscard]] bool Flag() const {
    const std::string_view text = Single();
    if (text == "0") return false;
    if (text == "1") return true;
    Fail(line_, "'" + std::string(text) + "' is neither 0 nor 1");
  }
  [[nodiscard]] TColor Color(std::string_view text) const {
    const std::optional<TColor> color = TextToColor(text);
    if (!color) Fail(line_, "'" + std::string(text) + "' is not a colour");
    return *color;
  }
  [[nodiscard]] TColor Color() const { return Color(Single()); }
  [[nodiscard]] std::optional<TColor> ColorOrAuto() const {
    if (Single() == kAuto) return std::nullopt;
    return Color();
  }
  [[nodiscard]] std::optional<double> NumberOrAuto() const {
    if (Single() == kAuto) return std::nullopt;
    return Number();
  }
  [[nodiscard]] std::optional<AxisRange> RangeOrAuto() const {
    const std::vector<std::string_view> words = Words(value_);
    if (words.size() == 1 && words[0] == kAuto) return std::nullopt;
    if (words.size() != 2) Fail(line_, "an axis range is \"auto\" or two numbers");
    return AxisRange{Number(words[0]), Number(words[1])};
  }
  [[nodiscard]] ChartPoint Point() const {
    const std::vector<std::string_view> words = Words(value_);
    if (words.size() != 2 && words.size() != 3) {
      Fail(line_, "a point is two numbers and an optional colour");
    }
    ChartPoint point;
    point.X = Number(words[0]);
    point.Y = Number(words[1]);
    if (words.size() == 3) point.Color = Color(words[2]);
    return point;
  }
  [[nodiscard]] std::string_view Text() const { return value_; }
  [[nodiscard]] int Line() const { return line_; }

 private:
  [[nodiscard]] std::string_view Single() const {
    const std::vector<std::string_view> words = Words(value_);
    if (words.size() != 1) Fail(line_, "one value expected");
    return words[0];
  }

  int line_;
  std::string_view value_;
};

using Handlers = std::map<std::string, std::function<void(const Reader&)>, std::less<>>;

Handlers LookHandlers(ChartLook& look) {
  Handlers handlers = {
      {"Background", [&look](const Reader& r) { look.Background = r.Color(); }},
      {"Legend", [&look](const Reader& r) { look.ShowLegend = r.Flag(); }},
      {"XRange", [&look](const Reader& r) { look.XRange = r.RangeOrAuto(); }},
      {"YRange", [&look](const Reader& r) { look.YRange = r.RangeOrAuto(); }},
      {"XTickInterval", [&look](const Reader& r) { look.XTickInterval = r.NumberOrAuto(); }},
      {"YTickInterval", [&look](const Reader& r) { look.YTickInterval = r.NumberOrAuto(); }},
      {"XMinorTicks", [&look](const Reader& r) { look.XMinorTicks = r.Integer(); }},
      {"YMinorTicks", [&look](const Reader& r) { look.YMinorTicks = r.Integer(); }},
      {"MarkerScale", [&look](const Reader& r) { look.MarkerScale = r.Number(); }},
      {"TitleFontFamily",
       [&look](const Reader& r) { look.TitleFontFamily = std::string(r.Text()); }},
      {"TitlePixelSize", [&look](const Reader& r) { look.TitlePixelSize = r.Integer(); }},
      {"TitleBold", [&look](const Reader& r) { look.TitleBold = r.Flag(); }},
      {"TitleItalic", [&look](const Reader& r) { look.TitleItalic = r.Flag(); }},
      {"TitleColor", [&look](const Reader& r) { look.TitleColor = r.Color(); }},
      {"FootFontFamily", [&look](const Reader& r) { look.FootFontFamily = std::string(r.Text()); }},
      {"FootPixelSize", [&look](const Reader& r) { look.FootPixelSize = r.Integer(); }},
      {"FootBold", [&look](const Reader& r) { look.FootBold = r.Flag(); }},
      {"FootItalic", [&look](const Reader& r) { look.FootItalic = r.Flag(); }},
      {"FootColor", [&look](const Reader& r) { look.FootColor = r.Color(); }},
  };
  return handlers;
}

Handlers ChartHandlers(ChartModel& model) {
  return {
      {"Title", [&model](const Reader& r) { model.TitleLines.emplace_back(r.Text()); }},
      {"Foot", [&model](const Reader& r) { model.FootLines.emplace_back(r.Text()); }},
  };
}

Handlers SeriesHandlers(ChartSeries& series) {
  return {
      {"Title", [&series](const Reader& r) { series.Title = std::string(r.Text()); }},
      {"Kind",
       [&series](const Reader& r) {
         if (r.Text() == "points") {
           series.Kind = SeriesKind::kPoints;
         } else if (r.Text() == "line") {
           series.Kind = SeriesKind::kLine;
         } else {
           Fail(r.Line(), "a series kind is \"points\" or \"line\"");
         }
       }},
      {"Color", [&series](const Reader& r) { series.Color = r.ColorOrAuto(); }},
      {"Marker",
       [&series](const Reader& r) {
         if (r.Text() == "circle") {
           series.Marker = MarkerStyle::kCircle;
         } else if (r.Text() == "triangle") {
           series.Marker = MarkerStyle::kTriangle;
         } else {
           Fail(r.Line(), "a marker is \"circle\" or \"triangle\"");
         }
       }},
      {"MarkerSize", [&series](const Reader& r) { series.MarkerSize = r.Integer(); }},
      {"DottedOutline", [&series](const Reader& r) { series.DottedOutline = r.Flag(); }},
      {"Visible", [&series](const Reader& r) { series.Visible = r.Flag(); }},
      {"Point", [&series](const Reader& r) { series.Points.push_back(r.Point()); }},
  };
}

}  // namespace

std::string WriteChartSettings(const ChartSettings& settings) {
  const ChartLook& look = settings.Look;
  const auto range = [](const std::optional<AxisRange>& axis) {
    return axis ? Number(axis->Min) + " " + Number(axis->Max) : std::string(kAuto);
  };
  const auto interval = [](const std::optional<double>& step) {
    return step ? Number(*step) : std::string(kAuto);
  };
  Writer out;
  out.Line(kChartSettingsHeader);
  out.Line("[Look]");
  out.Item("Background", Color(look.Background));
  out.Item("Legend", Flag(look.ShowLegend));
  out.Item("XRange", range(look.XRange));
  out.Item("YRange", range(look.YRange));
  out.Item("XTickInterval", interval(look.XTickInterval));
  out.Item("YTickInterval", interval(look.YTickInterval));
  out.Item("XMinorTicks", std::to_string(look.XMinorTicks));
  out.Item("YMinorTicks", std::to_string(look.YMinorTicks));
  out.Item("MarkerScale", Number(look.MarkerScale));
  out.Item("TitleFontFamily", look.TitleFontFamily);
  out.Item("TitlePixelSize", std::to_string(look.TitlePixelSize));
  out.Item("TitleBold", Flag(look.TitleBold));
  out.Item("TitleItalic", Flag(look.TitleItalic));
  out.Item("TitleColor", Color(look.TitleColor));
  out.Item("FootFontFamily", look.FootFontFamily);
  out.Item("FootPixelSize", std::to_string(look.FootPixelSize));
  out.Item("FootBold", Flag(look.FootBold));
  out.Item("FootItalic", Flag(look.FootItalic));
  out.Item("FootColor", Color(look.FootColor));
  out.Line("[Chart]");
  for (const std::string& line : settings.Model.TitleLines) out.Item("Title", line);
  for (const std::string& line : settings.Model.FootLines) out.Item("Foot", line);
  for (const ChartSeries& series : settings.Model.Series) {
    out.Line("[Series]");
    out.Item("Title", series.Title);
    out.Item("Kind", series.Kind == SeriesKind::kLine ? "line" : "points");
    out.Item("Color", series.Color ? Color(*series.Color) : std::string(kAuto));
    out.Item("Marker", series.Marker == MarkerStyle::kTriangle ? "triangle" : "circle");
    out.Item("MarkerSize", std::to_string(series.MarkerSize));
    out.Item("DottedOutline", Flag(series.DottedOutline));
    out.Item("Visible", Flag(series.Visible));
    for (const ChartPoint& point : series.Points) {
      std::string value = Number(point.X) + " " + Number(point.Y);
      if (point.Color) value += " " + Color(*point.Color);
      out.Item("Point", value);
    }
  }
  return std::move(out).Bytes();
}

ChartSettings ReadChartSettings(std::string_view bytes, const ChartLook& defaults) {
  ChartSettings settings;
  settings.Look = defaults;
  // Titles, foot lines and series, if the file has them, are the file's alone.
  Handlers look = LookHandlers(settings.Look);
  Handlers chart = ChartHandlers(settings.Model);
  Handlers series;
  Handlers* section = nullptr;
  int number = 0;
  // TextLines drops the line break at the end, and a CR LF counts once.
  const std::vector<std::string> lines = TextLines(bytes);
  if (lines.empty() || lines.front() != kChartSettingsHeader) {
    Fail(1, "not a chart settings file of this program");
  }
  for (const std::string& line : lines) {
    ++number;
    if (line.empty() || line.front() == '#') continue;
    if (line == "[Look]") {
      section = &look;
    } else if (line == "[Chart]") {
      section = &chart;
    } else if (line == "[Series]") {
      settings.Model.Series.emplace_back();
      series = SeriesHandlers(settings.Model.Series.back());
      section = &series;
    } else if (line.front() == '[') {
      section = nullptr;  // a section of a later program: skipped whole
    } else {
      const std::size_t equals = line.find('=');
      if (equals == std::string::npos) Fail(number, "\"Key=value\" expected");
      if (section == nullptr) continue;
      const auto handler = section->find(std::string_view(line).substr(0, equals));
      if (handler == section->end()) continue;
      handler->second(Reader(number, std::string_view(line).substr(equals + 1)));
    }
  }
  return settings;
}

}  // namespace binodal::charts
