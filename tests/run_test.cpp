#include "calc/run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "exchange/stability_file.h"
#include "exchange/system_exchange.h"
#include "support/temp_database.h"

namespace binodal {
namespace {

using testing_support::DatabaseTest;
using testing_support::RecordingDialogs;
using Entry = RecordingDialogs::Entry;

// Dialogs that also let a test act where the run processes pending events.
class EventDialogs : public RecordingDialogs {
 public:
  void ProcessPendingEvents() override {
    RecordingDialogs::ProcessPendingEvents();
    if (on_events) on_events();
  }
  std::function<void()> on_events;
};

class RecordingObserver : public RunObserver {
 public:
  void Status(const std::string& text) override { status.push_back(text); }
  int MosaicWidth() const override { return 100; }
  int MosaicHeight() const override { return 110; }
  void MosaicHLine(int x0, int x1, int y, TColor) override { lines.push_back({x0, x1, y}); }
  std::vector<std::string> status;
  std::vector<std::array<int, 3>> lines;
};

class RunTest : public DatabaseTest {
 protected:
  // A system whose settings are given; Y is temperature from ymin to ymax.
  void AddSystemWith(const std::string& designation, double ymin, double ymax, int xpoints,
                     int ypoints, const std::string& abbreviations = "") {
    AddSystem(designation);
    TStoreTable& s = dm.tblSystems;
    s.Edit();
    s.FieldByName("Ymin").SetAsFloat(ymin);
    s.FieldByName("Ymax").SetAsFloat(ymax);
    s.FieldByName("Xpoints").SetAsInteger(xpoints);
    s.FieldByName("Ypoints").SetAsInteger(ypoints);
    s.FieldByName("Abbreviations").SetAsString(abbreviations);
    s.Post();
  }
  void AddPhaseWith(const std::string& phase, const std::string& expression,
                    const std::string& x = "") {
    AddPhase(phase);
    AddPiece(0, 10000, expression, x);
  }
  void UploadExample(const std::string& system) {
    const std::string data = BINODAL_DATA_DIR;
    ASSERT_TRUE(UploadStabilityParameters(dm, data + "/STABILITY_PARAMS.txt", dialogs).completed);
    ASSERT_TRUE(UploadSystem(dm, data + "/" + system + ".ter", dialogs).completed);
    dialogs.entries.clear();
  }

  EventDialogs events;
  RecordingObserver observer;
};

TEST_F(RunTest, ConvexPhaseFillsTheRowAndAddsNoBoundary) {
  AddSystemWith("A+B", 300, 300, 10, 1);
  AddPhaseWith("L", "1000*X*(1-X)*(-1)+R*T*(X*LN(X)+(1-X)*LN(1-X))");
  TRun run(dm, events, &observer);
  ASSERT_EQ(run.Run(), RunOutcome::kCompleted);
  const TPhaseMatrix& m = run.Results.PhaseMatrix;
  EXPECT_EQ(m.sg2ColCount(), 12);
  EXPECT_EQ(m.sg2RowCount(), 2);  // one Y value: Ymax equals Ymin
  EXPECT_EQ(m.Cell(0, 0), " Y/X");
  EXPECT_EQ(m.Cell(1, 0), "0");
  EXPECT_EQ(m.Cell(2, 0), "0.1");
  EXPECT_EQ(m.Cell(11, 0), "1");
  EXPECT_EQ(m.Cell(0, 1), "300");
  for (int c = 1; c <= 11; ++c) EXPECT_EQ(m.Cell(c, 1), "L") << c;
  EXPECT_EQ(run.Results.BoundaryLast, -1);
}

TEST_F(RunTest, MiscibilityGapGivesBoundaryPairsAndMatrixE) {
  // A regular solution with a gap closing at 20000 / (2 R) = 1203 K.
  AddSystemWith("A+B", 600, 1400, 50, 8);
  dm.tblSystems.Edit();
  dm.tblSystems.FieldByName("ShowMosaicDiagram").SetAsBoolean(true);
  dm.tblSystems.Post();
  AddPhaseWith("ALPHA", "20000*X*(1-X)+R*T*(X*LN(X)+(1-X)*LN(1-X))");
  TRun run(dm, events, &observer);
  ASSERT_EQ(run.Run(), RunOutcome::kCompleted);
  EXPECT_EQ(run.RowsComputed(), 9);
  const RunResults& r = run.Results;
  ASSERT_GE(r.BoundaryLast, 1);
  ASSERT_EQ((r.BoundaryLast + 1) % 2, 0);
  // The lowest row (600 K) has the widest gap, symmetric about 0.5.
  const TZPoint& right = r.BoundaryPoints[static_cast<std::size_t>(r.BoundaryLast - 1)];
  const TZPoint& left = r.BoundaryPoints[static_cast<std::size_t>(r.BoundaryLast)];
  EXPECT_EQ(right.Y, 600);
  EXPECT_EQ(left.Y, 600);
  EXPECT_GT(right.X, left.X);
  EXPECT_NEAR(right.X + left.X, 1, 1e-9);
  EXPECT_NEAR(left.X, 0.0215, 0.021);  // within a grid step of the binodal (0.0216 at 600 K)
  const int row = r.PhaseMatrix.sg2RowCount() - 1;
  EXPECT_EQ(r.PhaseMatrix.Cell(left.Column, row), "ALPHA");
  EXPECT_EQ(r.PhaseMatrix.Cell(26, row), "E");  // x = 0.5
  // Above 1203 K no gap: the first row (1400 K) is single-phase.
  EXPECT_EQ(r.BoundaryPoints[0].Y < 1203, true);
  EXPECT_FALSE(observer.lines.empty());
}

TEST_F(RunTest, PointPhaseStrictlyInsideAnIntervalGetsAColumn) {
  AddSystemWith("A+B", 500, 500, 10, 1);
  AddPhaseWith("L", "R*T*(X*LN(X)+(1-X)*LN(1-X))");
  AddPhaseWith("AB2", "-20000", "0.33");
  AddPhaseWith("AB", "-10", "0.35");           // same interval: no second extra column
  AddPhaseWith("A3B", "-10", "0.3000000001");  // within 1e-8 of 0.3: no column
  TRun run(dm, events, &observer);
  ASSERT_EQ(run.Run(), RunOutcome::kCompleted);
  std::vector<double> xs;
  for (const TXclass& c : run.Results.CompositionList) xs.push_back(c.X);
  ASSERT_EQ(xs.size(), 12u);
  EXPECT_DOUBLE_EQ(xs[3], 0.3);  // three steps of 0.1 added up
  EXPECT_EQ(xs[4], 0.33);
  EXPECT_NEAR(xs[5], 0.4, 1e-12);
  EXPECT_EQ(xs.back(), 1.0);  // exactly the end of the range
  // The compound is stable: its column carries it, with the compound ending.
  EXPECT_EQ(run.Results.PhaseMatrix.Cell(5, 1), "AB2-(C)");
}

TEST_F(RunTest, SettingLinesOfTheDesignationsList) {
  AddSystemWith("A+B", 300, 400, 4, 1,
                "L - liquid\r\n"
                "  #xmin = 0,2  % the left end\r\n"
                "#XMAX=0.8\r\n"
                "#XCAP= x(B), mole fraction\r\n"
                "#YCAP=T\r\n"
                "t = 700\r\n"
                "T= temperature in K\r\n");
  AddPhaseWith("L", "X");
  TRun run(dm, events, &observer);
  ASSERT_TRUE(run.ReadRunSettings());
  EXPECT_EQ(run.RunXmin, 0.2);
  EXPECT_EQ(run.RunXmax, 0.8);
  EXPECT_EQ(run.XCaption, " x(B), mole fraction");
  EXPECT_EQ(run.YCaption, "T");
  EXPECT_EQ(run.RunT, 0);  // the catalogue line "T= temperature..." is read as a number: 0
  EXPECT_EQ(run.RunP, 1);  // Y is temperature: Zvalue (unset, 0) gives 1 bar
  EXPECT_NEAR(run.DeltaX, 0.15, 1e-15);
  EXPECT_EQ(events.entries, (std::vector<Entry>{{"message", "Invalid number: temperatureinK"}}));
}

TEST_F(RunTest, GridCountsHaveLowerBoundsAndInvalidRangesAreRefused) {
  AddSystemWith("A+B", 300, 400, 1, 0);
  AddPhaseWith("L", "X");
  TRun run(dm, events, &observer);
  ASSERT_EQ(run.Run(), RunOutcome::kCompleted);
  EXPECT_EQ(run.XSteps, 2);
  EXPECT_EQ(run.RowsComputed(), 2);  // Ymax and Ymin

  dm.tblSystems.Edit();
  dm.tblSystems.FieldByName("Ymin").SetAsFloat(500);
  dm.tblSystems.Post();
  EXPECT_EQ(run.Run(), RunOutcome::kRefused);
  EXPECT_EQ(events.entries.back(), (Entry{"warning", "Ymax must be more that Ymin"}));

  dm.tblSystems.Edit();
  dm.tblSystems.FieldByName("Ymin").SetAsFloat(300);
  dm.tblSystems.FieldByName("Abbreviations").SetAsString("#XMIN=0.5\r\n#XMAX=0.5");
  dm.tblSystems.Post();
  EXPECT_EQ(run.Run(), RunOutcome::kRefused);
  EXPECT_EQ(events.entries.back().kind, "warning");
}

// The walks over x and Y add their step again and again: a step below what
// the numbers there can resolve would end early or never, so it is refused.
TEST_F(RunTest, StepsTooSmallForTheNumbersAreRefused) {
  struct Case {
    const char* settings;  // designations list
    double ymin, ymax;
    int xpoints, ypoints;
    const char* refusal;  // nullptr: the run completes
  };
  const Case cases[] = {
      // x + step == x: the columns never end.
      {"#XMIN=0.999999999998", 300, 300, 40000, 1,
       "The composition range 0.999999999998 to 1 is too narrow for 40000 points: its step "
       "5E-17 is below 1E-12, the smallest step the grid can take there"},
      {"#XMIN=0.999999999997", 300, 300, 2, 1, nullptr},  // a step of 1.5e-12 is resolved
      {"#XMIN=0.999", 300, 300, 30000, 1, nullptr},
      {"#XMAX=1e-10", 300, 300, 1000, 1,  // steps below the tolerance of the last column
       "The composition range 0 to 1E-10 is too narrow for 1000 points: its step 1E-13 is "
       "below 1E-12, the smallest step the grid can take there"},
      // Rows closer than the tolerance of having reached Ymin.
      {"", 0, 1e-12, 2, 100,
       "The Y range 0 to 1E-12 is too narrow for 100 points: its step 1E-14 is below 1E-11, "
       "the smallest step the rows can take there"},
      {"", 1e-12, 1e-12, 2, 10, nullptr},  // one row: no step at all
      // 0.001 is below the spacing of the numbers near 1e15 (0.125): Y - step == Y.
      {"", 1e15, 1e15 + 1, 2, 1000,
       "The Y range 1E15 to 1E15 is too narrow for 1000 points: its step 0.001 is below 128, "
       "the smallest step the rows can take there"},
      {"", 1e15, 1e15 + 1000, 2, 1, nullptr},
      {"", 300, 300.001, 2, 10, nullptr},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    AddSystemWith("S" + std::to_string(i) + "+B", c.ymin, c.ymax, 2, 1, c.settings);
    AddPhase("L");
    AddPiece(0, 1e16, "X*(1-X)", "");  // covers every Y of the cases
    TRun run(dm, events, &observer);
    events.entries.clear();
    RunOverrides points;  // more than the table's field can hold
    points.XPoints = c.xpoints;
    points.YPoints = c.ypoints;
    if (c.refusal == nullptr) {
      EXPECT_EQ(run.Run(points), RunOutcome::kCompleted);
      EXPECT_TRUE(events.entries.empty());
      EXPECT_EQ(run.RowsComputed(), c.ymax > c.ymin ? c.ypoints + 1 : 1);
    } else {
      EXPECT_EQ(run.Run(points), RunOutcome::kRefused);
      EXPECT_EQ(events.entries, (std::vector<Entry>{{"warning", c.refusal}}));
      EXPECT_EQ(run.RowsComputed(), 0);
    }
  }
}

// Yparameter is read whatever its letter case; any other text refuses the
// run rather than leaving T at 300 K and the diagram without a caption.
TEST_F(RunTest, YParameterInAnyLetterCaseAndAnUnknownOneRefused) {
  struct Case {
    const char* yparameter;
    int item;  // -1: refused
  };
  const Case cases[] = {{"temperature", 0}, {"TEMPERATURE", 0}, {"pressure", 1},
                        {"y", 2},           {"Temp", -1},       {"", -1}};
  AddSystemWith("A+B", 400, 500, 4, 1);
  AddPhaseWith("L", "X*(1-X)");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.yparameter);
    dm.tblSystems.Edit();
    dm.tblSystems.FieldByName("Yparameter").SetAsString(c.yparameter);
    dm.tblSystems.FieldByName("Zvalue").SetAsFloat(700);
    dm.tblSystems.Post();
    events.entries.clear();
    TRun run(dm, events, &observer);
    if (c.item < 0) {
      EXPECT_EQ(run.Run(), RunOutcome::kRefused);
      EXPECT_EQ(
          events.entries,
          (std::vector<Entry>{{"warning", "Unknown Y parameter \"" + std::string(c.yparameter) +
                                              "\": Y is Temperature, Pressure or Y"}}));
      continue;
    }
    ASSERT_EQ(run.Run(), RunOutcome::kCompleted);
    EXPECT_TRUE(events.entries.empty());
    EXPECT_EQ(run.YItem, c.item);
    EXPECT_EQ(run.YItemText(), kYItems[c.item]);
    // The last row is Ymin: the quantity Y stands for follows it, the other is Zvalue.
    EXPECT_EQ(run.RunT, c.item == 0 ? 400 : c.item == 1 ? 700 : 300);
    EXPECT_EQ(run.RunP, c.item == 0 ? 700 : c.item == 1 ? 400 : 1);
  }
}

TEST_F(RunTest, StopTakesEffectBeforeTheNextRowAndASecondRunIsRefused) {
  AddSystemWith("A+B", 300, 1300, 10, 100);
  AddPhaseWith("L", "X*(1-X)");
  TRun run(dm, events, &observer);
  int rows = 0;
  events.on_events = [&] {
    if (run.RowIndex == 4) {  // during the 5th row's event processing
      EXPECT_EQ(run.Run(), RunOutcome::kRefused);
      run.RequestStop();
    }
    rows = run.RowsComputed();
  };
  EXPECT_EQ(run.Run(), RunOutcome::kStopped);
  EXPECT_EQ(run.RowsComputed(), 5);
  EXPECT_EQ(run.Results.PhaseMatrix.sg2RowCount(), 6);
  EXPECT_FALSE(run.StopRequested);
  EXPECT_FALSE(run.Running());
  // Status before the rows with index 1, 11, ...: only row 1 here.
  EXPECT_EQ(observer.status, (std::vector<std::string>{"Temperature = 1290"}));
}

TEST_F(RunTest, SystemWithoutPhasesOrWithBrokenPhaseIsRefused) {
  AddSystemWith("A+B", 300, 400, 10, 1);
  TRun run(dm, events, &observer);
  EXPECT_EQ(run.Run(), RunOutcome::kRefused);
  EXPECT_EQ(events.entries.back().kind, "warning");

  AddPhaseWith("L", "X+");
  EXPECT_EQ(run.Run(), RunOutcome::kRefused);
  EXPECT_EQ(events.entries.back(),
            (Entry{"error",
                   "System A+B, phase L, Gibbs energy piece 1 (T from 0 to 10000): Error parsing "
                   "expression:\rX+"}));
}

// A phase that cannot be evaluated is absent where it faults: never stable
// there, the run goes on, each phase's first fault is told and all counted.
TEST_F(RunTest, PhaseThatCannotBeEvaluatedIsAbsentWhereItFaults) {
  AddSystemWith("A+B", 400, 600, 10, 2);  // rows at 600, 500, 400
  AddPhaseWith("Z", "1/0");               // listed first: it would win every tie
  AddPhaseWith("L", "R*T*(X*LN(X)+(1-X)*LN(1-X))");
  AddPhaseWith("AB", "-1000/(T-500)", "0.45");  // faults in the row at 500 only
  TRun run(dm, events, &observer);
  ASSERT_EQ(run.Run(), RunOutcome::kCompleted);
  const TPhaseMatrix& m = run.Results.PhaseMatrix;
  ASSERT_EQ(m.sg2RowCount(), 4);
  ASSERT_EQ(m.sg2ColCount(), 13);  // 11 grid compositions and the column of AB at 0.45
  for (int row = 1; row <= 3; ++row) {
    for (int c = 1; c < m.sg2ColCount(); ++c) {
      EXPECT_NE(m.Cell(c, row), "Z") << "row " << row << ", column " << c;
    }
  }
  // AB (within 10 J/mol of 0) lies above the solution in every row; in the
  // row at 500 K, where it cannot be evaluated, the row is computed all the same.
  EXPECT_EQ(m.Cell(0, 2), "500");
  for (int c = 1; c < m.sg2ColCount(); ++c) EXPECT_EQ(m.Cell(c, 2), "L") << c;
  EXPECT_EQ(run.Phases.EvaluationFaults(), 3u * 12u + 1u);  // Z everywhere, AB once
  ASSERT_EQ(events.entries.size(), 2u);
  EXPECT_EQ(events.entries[0].text.substr(0, 34), "Phase Z cannot be evaluated at X =");
  EXPECT_EQ(events.entries[1].text.substr(0, 41), "Phase AB-(C) cannot be evaluated at T = 5");
}

// Below every piece the phases are evaluated at the row's T with their
// active pieces, so that the diagram goes on as above; each phase is told
// once. (Keeping the values of the last row inside, or 0 for a point phase,
// made a phantom invariant where the data end.)
TEST_F(RunTest, RowsBelowEveryPieceContinueTheDiagramAndAreToldOncePerPhase) {
  AddSystemWith("A+B", 200, 400, 10, 4);  // rows at 400, 350, ..., 200
  AddPhase("L");
  AddPiece(298.15, 3000, "R*T*(X*LN(X)+(1-X)*LN(1-X))");
  AddPhase("AB");
  AddPiece(298.15, 3000, "-50000+T", "0.5");
  TRun run(dm, events, &observer);
  ASSERT_EQ(run.Run(), RunOutcome::kCompleted);
  // Every row: L at the ends, AB at 0.5, two-phase fields between.
  const TPhaseMatrix& m = run.Results.PhaseMatrix;
  ASSERT_EQ(m.sg2RowCount(), 6);
  for (int row = 1; row <= 5; ++row) {
    SCOPED_TRACE(m.Cell(0, row));
    EXPECT_EQ(m.Cell(1, row), "L");
    EXPECT_EQ(m.Cell(6, row), "AB-(C)");
    EXPECT_EQ(m.Cell(11, row), "L");
    for (int c : {2, 3, 4, 5, 7, 8, 9, 10}) EXPECT_EQ(m.Cell(c, row), "E") << c;
  }
  EXPECT_EQ(run.Results.BoundaryLast + 1, 5 * 4);
  EXPECT_TRUE(run.Results.NodeList.empty());
  EXPECT_EQ(events.entries,
            (std::vector<Entry>{
                {"warning",
                 "No Gibbs energy piece of phase L covers T = 250 (its pieces run from 298.15 to "
                 "3000): its piece for T from 298.15 to 3000 is used outside its range."},
                {"warning",
                 "No Gibbs energy piece of phase AB-(C) covers T = 250 (its pieces run from "
                 "298.15 to 3000): its piece for T from 298.15 to 3000 is used outside its "
                 "range."},
            }));
}

TEST_F(RunTest, ColumnOutsideEveryWindowGetsNoDesignation) {
  AddSystemWith("A+B", 300, 300, 10, 1);
  AddPhase("L");
  dm.tblGibbs.Insert();
  dm.tblGibbs.FieldByName("Tmax").SetAsFloat(1000);
  dm.tblGibbs.FieldByName("Expression").SetAsString("X");
  dm.tblGibbs.FieldByName("Xmin").SetAsFloat(0);
  dm.tblGibbs.FieldByName("Xmax").SetAsFloat(0.5);
  dm.tblGibbs.Post();
  TRun run(dm, events, &observer);
  ASSERT_EQ(run.Run(), RunOutcome::kCompleted);
  const TPhaseMatrix& m = run.Results.PhaseMatrix;
  for (int c = 7; c <= 11; ++c) EXPECT_EQ(m.Cell(c, 1), "E") << c;  // x > 0.5: no phase
  EXPECT_EQ(m.Cell(1, 1), "L");
}

// The bundled Ag-Cu system shows its published eutectic within the grid.
TEST_F(RunTest, AgCuEutecticAsPublished) {
  UploadExample("Ag+Cu");
  ASSERT_TRUE(dm.tblSystems.Locate("System_designation", "Ag+Cu"));
  TRun run(dm, events, &observer);
  RunOverrides finer;
  finer.YPoints = 400;
  ASSERT_EQ(run.Run(finer), RunOutcome::kCompleted);
  EXPECT_TRUE(events.entries.empty()) << events.entries.front().text;
  // The lowest row with liquid between the two fcc solid solutions.
  const RunResults& r = run.Results;
  double eutectic = 0;
  double liquid_x = 0;
  for (int i = 0; i + 3 <= r.BoundaryLast; i += 2) {
    const TZPoint& a = r.BoundaryPoints[static_cast<std::size_t>(i)];
    if (a.Phase == "LIQUID" ||
        r.BoundaryPoints[static_cast<std::size_t>(i + 1)].Phase == "LIQUID") {
      eutectic = a.Y;
      liquid_x = a.Phase == "LIQUID" ? a.X : r.BoundaryPoints[static_cast<std::size_t>(i + 1)].X;
    }
  }
  EXPECT_NEAR(eutectic, 1056.1, 2.1);  // row step 2 K
  EXPECT_NEAR(liquid_x, 0.415, 0.015);
}

}  // namespace
}  // namespace binodal
