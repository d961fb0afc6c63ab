// The run: computes the phase diagram of the current system of the data
// module over a grid of compositions x and values of the second variable Y,
// row by row from Ymax down to Ymin.
//
// For each row it evaluates the Gibbs energy of every solution phase on the
// grid and of every point phase, keeps per column the lowest solution phase,
// drops candidates above the chord between the two ends, takes the convex
// hull of the rest (the common-tangent construction) and writes the row into
// the results: the matrix of phase designations and the two-phase boundary
// points. The working diagram and the mosaic picture are drawn through a
// RunObserver. After the last row OnBuildDiagram builds the phase diagram.
//
// Single-threaded: the run lets the user interface process pending events
// after each row (Dialogs::ProcessPendingEvents), which is where a stop
// request comes in; RequestStop takes effect before the next row.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "calc/qsort.h"
#include "calc/quick_hull.h"
#include "calc/result_model.h"
#include "common/color.h"
#include "common/dialogs.h"
#include "common/number_format.h"
#include "thermo/data_module.h"
#include "thermo/phase_functions.h"

namespace binodal {

// What a window shows while a run goes on. Every method does nothing by default.
class RunObserver {
 public:
  virtual ~RunObserver() = default;

  // The settings are valid and the rows are about to be computed for the
  // system `designation`. `working` and `mosaic`: whether the run draws into
  // the working diagram and the mosaic (the system's "Working diagram" and
  // "Mosaic diagram" settings).
  virtual void RunStarting(const std::string& /*designation*/, bool /*working*/, bool /*mosaic*/) {}

  // Working diagram: one series per solution phase (in list order), then "Convex".
  virtual void WorkingSeries(const std::vector<std::string>& /*solution_phases*/) {}
  virtual void WorkingAxisIncrement(double /*increment*/) {}
  virtual void WorkingClear() {}
  // series < number of solution phases: that phase's curve; otherwise "Convex".
  virtual void WorkingPoint(std::size_t /*series*/, double /*x*/, double /*g*/) {}
  virtual void WorkingRowDone() {}

  // Mosaic: a fresh white picture; its size; drawing on it.
  virtual void MosaicStart() {}
  [[nodiscard]] virtual int MosaicWidth() const { return 0; }
  [[nodiscard]] virtual int MosaicHeight() const { return 0; }
  virtual void MosaicHLine(int /*x0*/, int /*x1*/, int /*y*/, TColor /*color*/) {}
  // An ellipse outlined with the red pen in the box (x0, y0)-(x1, y1).
  virtual void MosaicEllipse(int /*x0*/, int /*y0*/, int /*x1*/, int /*y1*/) {}

  // Panel 0 of the status bar.
  virtual void Status(const std::string& /*text*/) {}
  // Buttons: Stop enabled while running; Diagram and Matrix after a run.
  virtual void RunStateChanged(bool /*running*/) {}
};

// Settings a caller may override for one run, without changing the database.
struct RunOverrides {
  std::optional<int> XPoints;
  std::optional<int> YPoints;
  std::optional<double> Ymin;
  std::optional<double> Ymax;
};

enum class RunOutcome : std::uint8_t {
  kCompleted,  // every row computed, the diagram built
  kStopped,    // stopped on request; the rows computed so far stay
  kRefused,    // invalid settings or thermodynamic properties; no row computed
};

class TRun {
 public:
  inline static constexpr TColor kDefaultMosaicColor = 12639424;  // light green

  TRun(TDM& dm, Dialogs& dialogs, RunObserver* observer = nullptr);

  // Runs the calculation of the current system. A run started while one is
  // running is refused with a warning. Expression errors that stop the
  // assembly reach the caller's Dialogs and refuse the run.
  RunOutcome Run(const RunOverrides& overrides = {});
  // Asks the running calculation to stop before its next row.
  void RequestStop() { StopRequested = true; }
  [[nodiscard]] bool Running() const { return running_; }

  // Reads the settings of the current system (also done by Run). False when
  // they are invalid; the reason has been shown.
  bool ReadRunSettings(const RunOverrides& overrides = {});

  // Called when the last row is done, before the matrix takes its final row
  // count: builds the phase diagram (and with it the special points) from the
  // results. Set by whoever shows the diagram.
  std::function<void(TRun&)> OnBuildDiagram;

  // --- Results.
  RunResults Results;
  [[nodiscard]] int RowsComputed() const { return RowIndex + 1; }
  [[nodiscard]] std::string YItemText() const;
  [[nodiscard]] const NumberSeparators& Separators() const { return separators_; }

  // --- Settings and state of the run.
  int SettingsInvalid = 0;
  bool StopRequested = false;
  TColor MosaicColor = kDefaultMosaicColor;
  double RunT = 300;
  double RunP = 1;
  double Ymin = 0;
  double Ymax = 0;
  double DeltaY = 0;
  double RunXmin = 0;
  double RunXmax = 1;
  int XSteps = 2;
  double DeltaX = 0.5;
  std::string XCaption;
  std::string YCaption;
  int YPoints = 1;
  double CurrentY = 0;
  int RowIndex = -1;
  int MosaicRow = 0;
  double MosaicScale = 0;
  int YItem = 0;  // 0 Temperature, 1 Pressure, 2 Y
  bool ShowChart = false;
  bool ShowMosaicDiagram = false;
  double WorkingAxisIncrement = 0;

  TPhaseFunctions Phases;

 private:
  void BuildCompositionColumns();
  void AddColumn(double x);
  void RowStep();
  void RecordStretch(std::size_t k, int row);
  void WriteStretchEnd(const TDPoint& vertex, int row, bool cut);
  [[nodiscard]] int PixelColumn(double x) const;

  TDM& dm_;
  Dialogs& dialogs_;
  RunObserver default_observer_;
  RunObserver* observer_;
  bool running_ = false;
  NumberSeparators separators_;

  // Working data of a row.
  std::vector<TG> solution_g_;
  TaTpoint CandidatePoints;
  int CandidateLast = -1;
  TaTpoint HullPoints;
  int HullLast = -1;
  std::vector<std::pair<int, int>> row_stretches_;  // pixel columns of the row's stretches
  TQuickHull hull_;
  TQSort QSort1;
};

}  // namespace binodal
