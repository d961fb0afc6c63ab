// binodal-cli calc and listing: the calculation of a system as the RUN
// command does it, with its results written to files; the listing of the
// assembled Gibbs energy pieces.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <span>
#include <sstream>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "calc/listing.h"
#include "calc/run.h"
#include "cli/cli_dialogs.h"
#include "cli/commands.h"
#include "cli/pictures.h"
#include "common/file_io.h"
#include "common/number_format.h"
#include "results/mosaic_canvas.h"
#include "results/run_diagram.h"
#include "thermo/data_module.h"

namespace binodal::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSystemOption[] = {"--system"};

// The exit status of a run that completed with points where a phase could
// not be evaluated (1 is failure, 2 misuse).
constexpr int kCompletedWithFaults = 3;

// What the windows would show during a run: the mosaic is drawn into a
// canvas; the row count goes to a progress line when stderr is a terminal.
class CliObserver : public RunObserver {
 public:
  // `draw`: the mosaic is drawn (it is only wanted for its picture).
  CliObserver(std::ostream& err, int width, int height, int rows, bool draw)
      : err_(err), rows_(rows), progress_(::isatty(STDERR_FILENO) == 1), draw_(draw) {
    width_ = width;
    height_ = height;
  }

  void MosaicStart() override {
    if (draw_) canvas.Reset(width_, height_);
  }
  int MosaicWidth() const override { return width_; }
  int MosaicHeight() const override { return height_; }
  void MosaicHLine(int x0, int x1, int y, TColor color) override {
    if (draw_) canvas.HLine(x0, x1, y, color);
  }
  void MosaicEllipse(int x0, int y0, int x1, int y1) override {
    if (draw_) canvas.Ellipse(x0, y0, x1, y1, MosaicCanvas::kRed);
  }
  void WorkingRowDone() override {
    ++done_;
    if (!progress_) return;
    constexpr int kWidth = 40;
    const int filled = rows_ > 0 ? std::min(kWidth, done_ * kWidth / rows_) : kWidth;
    err_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] " << done_ << "/"
         << rows_ << " rows" << std::flush;
  }
  void Finish() {
    if (progress_ && done_ > 0) err_ << '\n';
  }

  MosaicCanvas canvas;

 private:
  std::ostream& err_;
  int rows_;
  bool progress_;
  bool draw_;
  int width_ = 0;
  int height_ = 0;
  int done_ = 0;
};

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string Number(double value) { return FormatGeneral(value); }

void WriteResultFiles(const TRun& run, const fs::path& out) {
  const RunResults& results = run.Results;
  std::ostringstream matrix;
  for (int r = 0; r < results.PhaseMatrix.sg2RowCount(); ++r) {
    for (int c = 0; c < results.PhaseMatrix.sg2ColCount(); ++c) {
      matrix << (c ? "\t" : "") << results.PhaseMatrix.Cell(c, r);
    }
    matrix << '\n';
  }
  WriteWholeFile((out / "matrix.tsv").string(), matrix.str());

  std::ostringstream boundaries;
  boundaries << "x,y,column,phase\n";
  for (int i = 0; i <= results.BoundaryLast; ++i) {
    const TZPoint& p = results.BoundaryPoints[static_cast<std::size_t>(i)];
    boundaries << Number(p.X) << ',' << Number(p.Y) << ',' << p.Column << ',' << CsvField(p.Phase)
               << '\n';
  }
  WriteWholeFile((out / "boundaries.csv").string(), boundaries.str());

  std::ostringstream nodes;
  nodes << "y,x_left,x,x_right\n";
  for (const TNode& node : results.NodeList) {
    nodes << Number(node.Y) << ',' << Number(node.XLeft) << ',' << Number(node.X) << ','
          << Number(node.XRight) << '\n';
  }
  WriteWholeFile((out / "nodes.csv").string(), nodes.str());

  std::ostringstream special;
  for (const TOtherSpecialPoint& point : results.OtherSpecialPoints) special << point.Text << '\n';
  WriteWholeFile((out / "special-points.txt").string(), special.str());
}

}  // namespace

int RunCalc(Args args, std::ostream& out, std::ostream& err) {
  constexpr std::string_view usage =
      "Usage: binodal-cli calc [--db DIR] --system NAME [--out DIR] [--xpoints N] [--ypoints N]\n"
      "                        [--ymin V] [--ymax V] [--no-output]\n"
      "\n"
      "Calculates the phase diagram of the system NAME exactly as the RUN command does, and\n"
      "writes into the --out folder (default: the current directory):\n"
      "  matrix.tsv          the stable phase at every grid point (\"E\": inside a two-phase "
      "field)\n"
      "  boundaries.csv      the ends of every two-phase stretch: x,y,column,phase\n"
      "  nodes.csv           the three-phase lines: y,x_left,x,x_right\n"
      "  special-points.txt  where phase fields begin or end\n"
      "  diagram.svg, diagram.png   the phase diagram\n"
      "  mosaic.png          the x-Y plane, two-phase fields coloured\n"
      "The options override the system's grid and Y range for this run only; the database\n"
      "is not changed. With --no-output the run and its summary are all: no file is written\n"
      "and no picture drawn. Messages go to stderr.\n"
      "\n"
      "Exit status: 0 the run completed; 1 it failed or was refused; 2 wrong use of the\n"
      "command; 3 the run completed, but the Gibbs energy of some phase could not be\n"
      "evaluated at some points (the summary counts them as \"Evaluation faults\"): the phase\n"
      "counts as absent there, and stderr names each phase, where and why it failed first.\n";
  constexpr std::string_view values[] = {"--db",      "--system", "--out", "--xpoints",
                                         "--ypoints", "--ymin",   "--ymax"};
  constexpr std::string_view flags[] = {"--no-output"};
  int status = 0;
  const auto line =
      ParseCommand(args, {usage, values, kSystemOption, 0, 0, flags}, out, err, status);
  if (!line) return status;
  const bool no_output = line->Flag("--no-output");

  RunOverrides overrides;
  bool valid = true;
  const auto number = [&](const char* name, auto& target, bool integer) {
    const std::optional<std::string> text = line->Value(name);
    if (!text) return;
    const DecimalReading reading = ReadDecimal(*text);
    if (!reading.ok || (integer && (reading.value != std::trunc(reading.value) ||
                                    std::fabs(reading.value) > 1e6))) {
      err << "binodal-cli: " << name << " takes " << (integer ? "a whole number" : "a number")
          << ", not '" << *text << "'\n";
      valid = false;
      return;
    }
    target = static_cast<std::remove_reference_t<decltype(*target)>>(reading.value);
  };
  number("--xpoints", overrides.XPoints, true);
  number("--ypoints", overrides.YPoints, true);
  number("--ymin", overrides.Ymin, false);
  number("--ymax", overrides.Ymax, false);
  if (!valid) return 2;

  StderrDialogs dialogs(err);
  TDM dm(dialogs);
  if (!OpenDatabase(dm, *line, err) || !SelectSystem(dm, *line->Value("--system"), err)) return 1;
  const fs::path folder = line->Value("--out").value_or(".");
  if (!no_output) {
    std::error_code error;
    fs::create_directories(folder, error);
  }

  const int rows = std::max(1, overrides.YPoints.value_or(static_cast<int>(
                                   dm.tblSystems.FieldByName("Ypoints").AsInteger()))) +
                   1;
  CliObserver observer(err, 600, rows + 10, rows, !no_output);
  TRun run(dm, dialogs, &observer);
  ChartModel diagram;
  run.OnBuildDiagram = [&](TRun& r) { diagram = BuildRunDiagram(r, dm); };

  const auto start = std::chrono::steady_clock::now();
  const RunOutcome outcome = run.Run(overrides);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  observer.Finish();
  if (outcome == RunOutcome::kRefused) {
    err << "binodal-cli: the calculation was refused\n";
    return 1;
  }

  // The pictures are the only use of the chart library (and with it of Qt):
  // without output it is never loaded.
  if (!no_output) {
    try {
      WriteResultFiles(run, folder);
      const std::string svg = (folder / "diagram.svg").string();
      const std::string png = (folder / "diagram.png").string();
      const std::string mosaic_png = (folder / "mosaic.png").string();
      // One pixel line per row: stretched to a picture of the diagram's proportions.
      const MosaicCanvas mosaic = observer.canvas.Scaled(600, 450);
      charts::PictureJob job;
      if (outcome == RunOutcome::kCompleted) {
        job.diagram = &diagram;
        job.diagram_svg = svg.c_str();
        job.diagram_png = png.c_str();
      }
      job.mosaic_width = mosaic.Width();
      job.mosaic_height = mosaic.Height();
      job.mosaic_pixels = mosaic.Pixels().data();
      job.mosaic_png = mosaic_png.c_str();
      WritePictures(job);
    } catch (const std::exception& e) {
      err << "binodal-cli: " << e.what() << '\n';
      return 1;
    }
  }

  const auto& phases = run.Phases;
  const auto join = [](const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? std::string("none") : text;
  };
  out << "System: " << dm.tblSystems.FieldByName("System_designation").AsString() << '\n'
      << "Solution phases: " << join(phases.SolutionList().Names()) << '\n'
      << "Point phases: " << join(phases.PointPhaseList().Names()) << '\n'
      << "Grid: " << run.Results.CompositionList.size() << " compositions from "
      << Number(run.RunXmin) << " to " << Number(run.RunXmax) << ", " << run.YPoints + 1
      << " rows of " << run.YItemText() << " from " << Number(run.Ymax) << " to "
      << Number(run.Ymin) << '\n'
      << "Rows computed: " << run.RowsComputed()
      << (outcome == RunOutcome::kStopped ? " (stopped)" : "") << '\n'
      << "Boundary points: " << run.Results.BoundaryLast + 1 << '\n'
      << "Nodes: " << run.Results.NodeList.size() << '\n'
      << "Appearance points: " << run.Results.OtherSpecialPoints.size() << '\n'
      << "Evaluation faults: " << phases.EvaluationFaults() << '\n'
      << "Time: " << FormatFloat("0.###", seconds) << " s\n";
  if (no_output) {
    out << "Results not written (--no-output)\n";
  } else {
    std::error_code error;
    const fs::path absolute = fs::absolute(folder, error);
    out << "Results in " << (error ? folder : absolute).lexically_normal().string() << '\n';
  }
  if (outcome != RunOutcome::kCompleted) return 1;
  return phases.EvaluationFaults() > 0 ? kCompletedWithFaults : 0;
}

int RunListing(Args args, std::ostream& out, std::ostream& err) {
  constexpr std::string_view usage =
      "Usage: binodal-cli listing [--db DIR] --system NAME [--out DIR]\n"
      "\n"
      "Writes the listing of the system's assembled Gibbs energy pieces (stability parameters\n"
      "inserted, pieces split at their temperature breakpoints) into NAME.txt in the --out\n"
      "folder, by default the current directory.\n";
  constexpr std::string_view values[] = {"--db", "--system", "--out"};
  int status = 0;
  const auto line = ParseCommand(args, {usage, values, kSystemOption, 0, 0}, out, err, status);
  if (!line) return status;
  StderrDialogs dialogs(err);
  TDM dm(dialogs);
  if (!OpenDatabase(dm, *line, err) || !SelectSystem(dm, *line->Value("--system"), err)) return 1;
  const std::string folder = line->Value("--out").value_or(".");
  PhaseListing listing;
  try {
    listing = WritePhaseListing(dm, dialogs, folder);
  } catch (const std::exception& e) {
    dialogs.Error(e.what());
    return 1;
  }
  dialogs.Information("Data are saved into " + listing.file_name);
  if (!listing.complete) return 1;
  out << (fs::path(folder) / listing.file_name).string() << '\n';
  return 0;
}

}  // namespace binodal::cli
