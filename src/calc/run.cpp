#include "calc/run.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include "calc/setting_lines.h"
#include "common/number_format.h"

namespace binodal {
namespace {

constexpr double kGStart = 1e10;      // start of every minimum search over G
constexpr double kGTolerance = 1e-8;  // G against the chord; point phase against a column
constexpr double kXEndTolerance = 1e-12;
constexpr double kYEndTolerance = 1e-11;
constexpr double kMatrixReserveLimit = 1 << 26;  // cells (256 MiB)
// A grid walked by repeated addition steps at least this many spacings of
// the numbers it passes: every addition rounds by up to half a spacing, and
// a step of half a spacing or less leaves the value where it is.
constexpr double kMinStepSpacings = 1024;

// The smallest step a walk from one end of [from, to] to the other can take:
// above the tolerance of its end test and well above the number spacing.
double SmallestStep(double from, double to, double end_tolerance) {
  const double magnitude = std::max(std::fabs(from), std::fabs(to));
  const double spacing =
      std::nextafter(magnitude, std::numeric_limits<double>::infinity()) - magnitude;
  return std::max(end_tolerance, kMinStepSpacings * spacing);
}

// A step for a message: four significant digits.
std::string Short(double value) {
  if (value == 0 || !std::isfinite(value)) return FormatGeneral(value);
  const double scale = std::pow(10.0, 3 - std::floor(std::log10(std::fabs(value))));
  if (!std::isfinite(scale) || scale == 0) return FormatGeneral(value);
  return FormatGeneral(std::round(value * scale) / scale);
}

}  // namespace

TRun::TRun(TDM& dm, Dialogs& dialogs, RunObserver* observer)
    : Phases(dm, dialogs),
      dm_(dm),
      dialogs_(dialogs),
      observer_(observer != nullptr ? observer : &default_observer_) {
  QSort1.OnCompare = [this](int i, int j) {
    const TDPoint& a = HullPoints[static_cast<std::size_t>(i)];
    const TDPoint& b = HullPoints[static_cast<std::size_t>(j)];
    if (a.X != b.X) return a.X > b.X ? -1 : 1;
    if (a.G == b.G) return 0;
    return a.G > b.G ? 1 : -1;
  };
  QSort1.OnSwap = [this](int i, int j) {
    std::swap(HullPoints[static_cast<std::size_t>(i)], HullPoints[static_cast<std::size_t>(j)]);
  };
}

std::string TRun::YItemText() const { return YItem >= 0 && YItem <= 2 ? kYItems[YItem] : ""; }

bool TRun::ReadRunSettings(const RunOverrides& overrides) {
  SettingsInvalid = 1;
  dm_.PostAll();
  const SettingLines lines =
      ReadSettingLines(dm_.tblSystems.FieldByName("Abbreviations").AsString(), dialogs_);
  RunXmin = lines.Xmin;
  RunXmax = lines.Xmax;
  RunP = lines.P;
  RunT = lines.T;
  XCaption = lines.XCaption;
  YCaption = lines.YCaption;

  TStoreTable& system = dm_.tblSystems;
  Ymin = overrides.Ymin.value_or(system.FieldByName("Ymin").AsFloat());
  Ymax = overrides.Ymax.value_or(system.FieldByName("Ymax").AsFloat());
  if (Ymax < Ymin) {
    dialogs_.Warning("Ymax must be more that Ymin");
    return false;
  }
  if (!std::isfinite(Ymin) || !std::isfinite(Ymax) || !std::isfinite(RunXmin) ||
      !std::isfinite(RunXmax)) {
    dialogs_.Warning("The ranges of x and Y must be finite numbers: #XMIN= " +
                     FormatGeneral(RunXmin) + ", #XMAX= " + FormatGeneral(RunXmax) +
                     ", Ymin = " + FormatGeneral(Ymin) + ", Ymax = " + FormatGeneral(Ymax));
    return false;
  }
  if (!(RunXmin < RunXmax)) {
    // An empty composition range gives no column and no chord to screen by.
    dialogs_.Warning("The composition range is empty: #XMIN= " + FormatGeneral(RunXmin) +
                     " must be below #XMAX= " + FormatGeneral(RunXmax));
    return false;
  }

  YItem = dm_.YSelectorIndex ? dm_.YSelectorIndex() : 0;
  if (YItem < 0 || YItem > 2) {
    dialogs_.Warning("Unknown Y parameter \"" + system.FieldByName("Yparameter").AsString() +
                     "\": Y is Temperature, Pressure or Y");
    return false;
  }
  const double z = system.FieldByName("Zvalue").AsFloat();
  if (YItem == 0) RunP = z;
  if (YItem == 1) RunT = z;
  if (!(RunP > 0)) RunP = 1;

  CurrentY = Ymax;
  YPoints = std::max<int>(
      1, overrides.YPoints.value_or(static_cast<int>(system.FieldByName("Ypoints").AsInteger())));
  XSteps = std::max<int>(
      2, overrides.XPoints.value_or(static_cast<int>(system.FieldByName("Xpoints").AsInteger())));
  DeltaX = (RunXmax - RunXmin) / XSteps;
  WorkingAxisIncrement = std::max(0.0, std::nearbyint((RunXmax - RunXmin) * 1000) / 10000);
  DeltaY = (Ymax - Ymin) / YPoints;
  // Steps the walks over the grid cannot take: they would end early, or
  // never (x + DeltaX == x).
  if (const double smallest = SmallestStep(RunXmin, RunXmax, kXEndTolerance); DeltaX < smallest) {
    dialogs_.Warning("The composition range " + FormatGeneral(RunXmin) + " to " +
                     FormatGeneral(RunXmax) + " is too narrow for " + std::to_string(XSteps) +
                     " points: its step " + Short(DeltaX) + " is below " + Short(smallest) +
                     ", the smallest step the grid can take there");
    return false;
  }
  if (const double smallest = SmallestStep(Ymin, Ymax, kYEndTolerance);
      DeltaY > 0 && DeltaY < smallest) {
    dialogs_.Warning("The Y range " + FormatGeneral(Ymin) + " to " + FormatGeneral(Ymax) +
                     " is too narrow for " + std::to_string(YPoints) + " points: its step " +
                     Short(DeltaY) + " is below " + Short(smallest) +
                     ", the smallest step the rows can take there");
    return false;
  }
  MosaicRow = 0;
  RowIndex = -1;
  Results.BoundaryLast = -1;
  Results.BoundaryPoints.assign(static_cast<std::size_t>(YPoints) + 1, TZPoint{});
  ShowChart = system.FieldByName("ShowChart").AsBoolean();
  ShowMosaicDiagram = system.FieldByName("ShowMosaicDiagram").AsBoolean();
  SettingsInvalid = 0;
  return true;
}

RunOutcome TRun::Run(const RunOverrides& overrides) {
  if (running_) {
    dialogs_.Warning("A calculation is running already: stop it first");
    return RunOutcome::kRefused;
  }
  running_ = true;
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{running_};

  dm_.PostAll();
  dm_.RunMode = true;
  ReadRunSettings(overrides);
  Phases.RunXmin = RunXmin;
  Phases.RunXmax = RunXmax;
  Phases.CompositionList = &Results.CompositionList;
  try {
    if (!Phases.BuildPhaseFunctions()) {
      dialogs_.Error("Invalid thermodynamic properties");
      return RunOutcome::kRefused;
    }
  } catch (const std::exception& e) {
    dialogs_.Error(e.what());
    return RunOutcome::kRefused;
  }
  if (SettingsInvalid != 0) return RunOutcome::kRefused;
  const std::size_t solutions = Phases.SolutionList().Count();
  const std::size_t points = Phases.PointPhaseList().Count();
  if (solutions + points == 0) {
    dialogs_.Warning("The system has no phase with a Gibbs energy: there is nothing to calculate");
    return RunOutcome::kRefused;
  }
  observer_->RunStateChanged(true);
  separators_ = LocaleSeparators();
  observer_->RunStarting(dm_.tblSystems.FieldByName("System_designation").AsString(), ShowChart,
                         ShowMosaicDiagram);

  Results.NodeList.clear();
  Results.OtherSpecialPoints.clear();
  observer_->WorkingSeries(Phases.SolutionList().Names());
  observer_->WorkingAxisIncrement(WorkingAxisIncrement);
  Results.PhaseMatrix.SetSize(0, 0);
  Results.PhaseMatrix.SetSize(XSteps + 2, 3);
  Results.PhaseMatrix.SetCell(0, 0, " Y/X");
  BuildCompositionColumns();
  const std::size_t columns = Results.CompositionList.size();
  Results.PhaseMatrix.SetColCount(static_cast<int>(columns) + 1);
  // Room for every row up front, unless that alone would take a lot of
  // memory: a run the user may stop early then grows row by row.
  if (static_cast<double>(columns + 1) * (YPoints + 3) <= kMatrixReserveLimit) {
    Results.PhaseMatrix.Reserve(static_cast<int>(columns) + 1, YPoints + 3);
  }
  CandidatePoints.assign(columns + points, TDPoint{});
  solution_g_.assign(solutions, TG{});

  observer_->MosaicStart();
  dialogs_.ProcessPendingEvents();
  MosaicScale = Ymax > Ymin ? (observer_->MosaicHeight() - 10) / (Ymax - Ymin) : 0;

  while (CurrentY >= Ymin) {
    if (StopRequested) {
      StopRequested = false;
      observer_->RunStateChanged(false);
      return RunOutcome::kStopped;
    }
    if (YItem == 0) RunT = CurrentY;
    if (YItem == 1) RunP = CurrentY;
    observer_->WorkingClear();
    if (RowIndex % 10 == 0) {
      observer_->Status(YItemText() + " = " +
                        FormatFloat(std::fabs(CurrentY) > 1e-4 ? "0.####" : "0.#### e-00", CurrentY,
                                    separators_));
    }
    try {
      RowStep();
    } catch (const std::exception& e) {
      // A point phase that cannot be evaluated leaves the row without a
      // valid candidate set: the run ends with what it has.
      dialogs_.Error(std::string(e.what()) + " (" + YItemText() + " = " +
                     FormatGeneral(CurrentY, separators_.decimal) + ")");
      observer_->RunStateChanged(false);
      return RunOutcome::kStopped;
    }
    observer_->WorkingRowDone();
    dialogs_.ProcessPendingEvents();
    MosaicRow = static_cast<int>(std::trunc(RowIndex * DeltaY * MosaicScale));
    if (std::fabs(CurrentY - Ymin) < kYEndTolerance) break;
    CurrentY -= DeltaY;
    if (CurrentY < Ymin) CurrentY = Ymin;
  }

  StopRequested = false;
  observer_->RunStateChanged(false);
  if (OnBuildDiagram) OnBuildDiagram(*this);
  Results.PhaseMatrix.SetRowCount(RowIndex + 2);
  return RunOutcome::kCompleted;
}

void TRun::AddColumn(double x) {
  TPhaseMatrix& matrix = Results.PhaseMatrix;
  const int column = static_cast<int>(Results.CompositionList.size()) + 1;
  if (column >= matrix.sg2ColCount()) matrix.SetColCount(column + 1);
  std::string caption = FormatFloat("0.########", x, separators_);
  matrix.SetCell(column, 0, caption);
  Results.CompositionList.push_back(TXclass{std::move(caption), x});
}

void TRun::BuildCompositionColumns() {
  Results.CompositionList.clear();
  const auto& point_phases = Phases.PointPhaseList();
  double x = RunXmin;
  while (x <= RunXmax) {
    AddColumn(x);
    if (x >= RunXmax || std::fabs(RunXmax - x) < kXEndTolerance) break;
    x += DeltaX;
    if (std::fabs(RunXmax - x) < kXEndTolerance || x > RunXmax) x = RunXmax;
    // At most one extra column per interval, for a point phase strictly inside it.
    for (std::size_t p = 0; p < point_phases.Count(); ++p) {
      const double xp = point_phases.Object(p).VariableX();
      if (std::fabs(x - xp) >= kGTolerance && std::fabs(x - DeltaX - xp) >= kGTolerance &&
          x - DeltaX < xp && xp < x) {
        AddColumn(xp);
        break;
      }
    }
  }
}

int TRun::PixelColumn(double x) const {
  return static_cast<int>(
      std::nearbyint((x - RunXmin) / (RunXmax - RunXmin) * observer_->MosaicWidth()));
}

void TRun::RowStep() {
  const auto& solutions = Phases.SolutionList();
  const auto& point_phases = Phases.PointPhaseList();
  const std::vector<TXclass>& columns = Results.CompositionList;
  const std::size_t convex = solutions.Count();
  Phases.RunP = RunP;
  Phases.CurrentY = CurrentY;

  CandidateLast = -1;
  row_stretches_.clear();
  double g_left = kGStart;
  double g_right = kGStart;
  const std::size_t faults_before = Phases.EvaluationFaults();
  for (std::size_t i = 0; i < solutions.Count(); ++i) {
    Phases.EvaluateSolution(solutions.Name(i), solution_g_[i], RunT);
  }

  const auto add = [this](const TDPoint& point) {
    ++CandidateLast;
    if (static_cast<std::size_t>(CandidateLast) >= CandidatePoints.size()) {
      CandidatePoints.resize(static_cast<std::size_t>(CandidateLast) + 1);
    }
    CandidatePoints[static_cast<std::size_t>(CandidateLast)] = point;
  };
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const double x = columns[c].X;
    double best = kGStart;
    int chosen = -1;
    for (std::size_t i = 0; i < solutions.Count(); ++i) {
      const double g = solution_g_[i][c];
      if (ShowChart) observer_->WorkingPoint(i, x, g);
      if (g < best) {
        best = g;
        chosen = static_cast<int>(i);
      }
    }
    if (x == RunXmin && best < g_left) g_left = best;
    if (RunXmax - x < kXEndTolerance && best < g_right) g_right = best;
    // A column where no phase exists offers no candidate: it has no designation.
    if (chosen < 0) continue;
    add(TDPoint{false, false, x, best, DeltaX, solutions.Name(static_cast<std::size_t>(chosen)),
                static_cast<std::int32_t>(c + 1)});
  }
  for (std::size_t p = 0; p < point_phases.Count(); ++p) {
    const double g = static_cast<double>(Phases.EvaluatePointPhase(point_phases.Name(p), RunT));
    if (g >= kOutsideWindowG) continue;  // cannot be evaluated here: absent
    add(TDPoint{true, false, point_phases.Object(p).VariableX(), g, DeltaX, point_phases.Name(p),
                0});
  }

  // Chord screening: what lies above the line between the two ends cannot be stable.
  const double slope = (g_right - g_left) / (RunXmax - RunXmin);
  const auto chord = [&](double x) { return (x - RunXmin) * slope + g_left; };
  std::size_t n = 0;
  for (int k = 0; k <= CandidateLast; ++k) {
    TDPoint& point = CandidatePoints[static_cast<std::size_t>(k)];
    const bool at_end = point.X == RunXmin || std::fabs(point.X - RunXmax) < kXEndTolerance;
    if (!at_end) {
      const double level = chord(point.X);
      if (point.G > level + kGTolerance) {
        point.Rejected = true;
        continue;
      }
      if (std::fabs(point.G - level) < kGTolerance && RunXmin < point.X && point.X < RunXmax) {
        continue;
      }
    }
    CandidatePoints[n++] = point;  // screened points share the candidates' storage
  }

  HullPoints.clear();
  HullLast = -1;
  if (n > 0) {
    hull_.HullN = static_cast<std::int32_t>(n);
    hull_.HullX.resize(n);
    hull_.HullY.resize(n);
    hull_.HullIndex.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      hull_.HullX[i] = CandidatePoints[i].X;
      hull_.HullY[i] = CandidatePoints[i].G;
      hull_.HullIndex[i] = static_cast<std::int32_t>(i);
    }
    hull_.QuickHull();
    for (std::size_t i = n; i-- > 0;) {
      if (hull_.OnHull[i] == 1 && !CandidatePoints[i].Rejected) {
        HullPoints.push_back(CandidatePoints[i]);
      }
    }
    HullLast = static_cast<int>(HullPoints.size()) - 1;
    QSort1.Sort(0, HullLast + 1);
  } else if (Phases.EvaluationFaults() == faults_before) {
    // A row that faults left without candidates needs no word of its own:
    // the faults have been told.
    dialogs_.Message("Number of points equals to " + std::to_string(CandidateLast));
  }

  TPhaseMatrix& matrix = Results.PhaseMatrix;
  ++RowIndex;
  if (RowIndex > 1) matrix.SetRowCount(RowIndex + 2);
  const int row = RowIndex + 1;
  matrix.SetCell(0, row, FormatFloat("0.######", CurrentY, separators_));
  for (std::size_t c = 1; c <= columns.size(); ++c) matrix.SetCell(static_cast<int>(c), row, "E");
  for (const TDPoint& vertex : HullPoints) {
    if (vertex.Column > 0) matrix.SetCell(vertex.Column, row, vertex.Phase);
  }

  if (HullLast >= 0 && ShowChart) observer_->WorkingPoint(convex, HullPoints[0].X, HullPoints[0].G);
  for (std::size_t k = 1; k < HullPoints.size(); ++k) {
    const TDPoint& here = HullPoints[k];
    const TDPoint& before = HullPoints[k - 1];
    double level = chord(here.X);
    if (here.X != RunXmin && std::fabs(here.X - RunXmax) > kXEndTolerance) level += kGTolerance;
    if (ShowChart &&
        !((here.X == before.X && here.G > before.G) || (here.G > level && here.X != RunXmin))) {
      observer_->WorkingPoint(convex, here.X, here.G);
    }
    if (here.Rejected || before.Rejected) continue;
    if (std::fabs(here.X - before.X) < before.DX + kGTolerance && !here.Fixed && !before.Fixed) {
      continue;
    }
    if (here.G > level) continue;
    if (here.Fixed && ShowMosaicDiagram) {
      const int px = PixelColumn(here.X);
      observer_->MosaicEllipse(px - 2, MosaicRow - 2, px + 2, MosaicRow + 2);
    }
    if (std::fabs(before.X - here.X) > DeltaX) RecordStretch(k, row);
  }

  if (ShowMosaicDiagram) {
    for (const auto& [a, b] : row_stretches_) {
      observer_->MosaicHLine(std::min(a, b), std::max(a, b), MosaicRow, MosaicColor);
    }
  }
}

void TRun::WriteStretchEnd(const TDPoint& vertex, int row, bool cut) {
  TaTZpoint& boundary = Results.BoundaryPoints;
  ++Results.BoundaryLast;
  const auto last = static_cast<std::size_t>(Results.BoundaryLast);
  if (last >= boundary.size()) {
    const std::size_t length = boundary.size();
    const std::size_t grown = length == 0 ? 0 : (length - 1) + (length - 1) / 10;
    boundary.resize(std::max(grown, last + 1));
  }
  boundary[last] = TZPoint{vertex.X, CurrentY, vertex.Column, std::string(vertex.Phase)};

  TPhaseMatrix& matrix = Results.PhaseMatrix;
  if (vertex.Column != 0) {
    matrix.SetCell(vertex.Column, row, vertex.Phase);
  } else if (vertex.Fixed) {
    const std::vector<TXclass>& columns = Results.CompositionList;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (std::fabs(columns[c].X - vertex.X) < kGTolerance) {
        matrix.SetCell(static_cast<int>(c) + 1, row,
                       cut ? vertex.Phase.substr(0, 60) : vertex.Phase);
        break;
      }
    }
  }
}

void TRun::RecordStretch(std::size_t k, int row) {
  const TDPoint& before = HullPoints[k - 1];
  const TDPoint& here = HullPoints[k];
  try {
    WriteStretchEnd(before, row, true);
    WriteStretchEnd(here, row, false);
    row_stretches_.emplace_back(PixelColumn(before.X), PixelColumn(here.X));
  } catch (const std::exception&) {
    dialogs_.Message("Error at " + YItemText() + " = " +
                     FormatGeneral(CurrentY, separators_.decimal) +
                     "\rX = " + FormatGeneral(here.X, separators_.decimal));
  }
}

}  // namespace binodal
