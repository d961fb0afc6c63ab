// The windows that follow a run (matrix, working diagram, mosaic), driven off
// screen: first with a run of a small system of known phases, then through
// the main window's commands on a bundled system.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtCharts/QLineSeries>

#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "app/main_window.h"
#include "app/matrix_window.h"
#include "app/mosaic_window.h"
#include "app/run_windows.h"
#include "app/working_diagram_window.h"
#include "charts/gui_application.h"
#include "support/bundled_database.h"
#include "support/recording_dialogs.h"
#include "support/temp_database.h"

namespace binodal::app {
namespace {

using testing_support::DatabaseTest;
using testing_support::RecordingDialogs;
using testing_support::TempFolder;
using testing_support::UserDialogs;
using testing_support::WriteBundledDatabase;

constexpr TColor kGreen = TRun::kDefaultMosaicColor;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kWhite = MosaicCanvas::kWhite;

// The colours other than white on each pixel line of the picture.
std::vector<std::set<TColor>> LineColours(const MosaicCanvas& canvas) {
  std::vector<std::set<TColor>> lines(static_cast<std::size_t>(canvas.Height()));
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      if (canvas.Pixel(x, y) != kWhite)
        lines[static_cast<std::size_t>(y)].insert(canvas.Pixel(x, y));
    }
  }
  return lines;
}

// A run of a system made in the test, observed by the run windows alone.
class RunWindowsTest : public DatabaseTest {
 protected:
  static void SetUpTestSuite() { charts::EnsureGuiApplication(); }

  void AddSystemWith(double ymin, double ymax, int xpoints, int ypoints, bool working = true,
                     bool mosaic = true) {
    AddSystem("A+B");
    TStoreTable& s = dm.tblSystems;
    s.Edit();
    s.FieldByName("Ymin").SetAsFloat(ymin);
    s.FieldByName("Ymax").SetAsFloat(ymax);
    s.FieldByName("Xpoints").SetAsInteger(xpoints);
    s.FieldByName("Ypoints").SetAsInteger(ypoints);
    s.FieldByName("ShowChart").SetAsBoolean(working);
    s.FieldByName("ShowMosaicDiagram").SetAsBoolean(mosaic);
    s.Post();
  }
  void SetShow(bool working, bool mosaic) {
    TStoreTable& s = dm.tblSystems;
    s.Edit();
    s.FieldByName("ShowChart").SetAsBoolean(working);
    s.FieldByName("ShowMosaicDiagram").SetAsBoolean(mosaic);
    s.Post();
  }
  // A phase of one piece; a solution phase when `x` is empty, over the
  // composition window [xmin, xmax].
  void AddPhaseWith(const std::string& phase, const std::string& expression,
                    const std::string& x = "", double xmin = 0, double xmax = 1) {
    AddPhase(phase);
    AddPiece(0, 10000, expression, x);
    dm.tblGibbs.Edit();
    dm.tblGibbs.FieldByName("Xmin").SetAsFloat(xmin);
    dm.tblGibbs.FieldByName("Xmax").SetAsFloat(xmax);
    dm.tblGibbs.Post();
  }
  void Run() {
    ASSERT_EQ(run.Run(), RunOutcome::kCompleted);
    for (const auto& entry : dialogs.entries) ADD_FAILURE() << entry.kind << ": " << entry.text;
  }

  QWidget main;
  RunWindows windows{main};
  TRun run{dm, dialogs, &windows};
};

TEST_F(RunWindowsTest, WorkingDiagramShowsTheLastRowWithAbsentPointsLeftOut) {
  AddSystemWith(100, 200, 10, 1);
  AddPhaseWith("L", "T*(X-0.5)^2");
  AddPhaseWith("S", "T*(X-0.5)^2+50", "", 0.25, 0.75);  // absent outside [0.25, 0.75]
  Run();

  const TfmWDiagram& working = windows.WDiagram();
  const std::vector<QLineSeries*>& lines = working.Lines();
  ASSERT_EQ(lines.size(), 3U);
  EXPECT_EQ(lines[0]->name(), "L");
  EXPECT_EQ(lines[1]->name(), "S");
  EXPECT_EQ(lines[2]->name(), "Convex");
  // The row at Ymin = 100: G = 100 (x - 0.5)^2 on the 11 compositions.
  ASSERT_EQ(lines[0]->count(), 11);
  for (int i = 0; i < 11; ++i) {
    const QPointF point = lines[0]->at(i);
    EXPECT_NEAR(point.x(), 0.1 * i, 1e-12);
    EXPECT_NEAR(point.y(), 100 * (point.x() - 0.5) * (point.x() - 0.5), 1e-9) << i;
  }
  // S only inside its window: 0.3 .. 0.7.
  ASSERT_EQ(lines[1]->count(), 5);
  EXPECT_NEAR(lines[1]->at(0).x(), 0.3, 1e-12);
  EXPECT_NEAR(lines[1]->at(2).y(), 50, 1e-9);
  // The curve is convex: every column is a hull vertex, largest x first.
  ASSERT_EQ(lines[2]->count(), 11);
  EXPECT_EQ(lines[2]->at(0), QPointF(1, 25));
  EXPECT_EQ(lines[2]->at(10), QPointF(0, 25));
  EXPECT_NEAR(lines[2]->at(5).y(), 0, 1e-12);
}

TEST_F(RunWindowsTest, MosaicRowIsColouredBetweenTheEndsOfItsStretch) {
  // A miscibility gap closing at 20000 / (2 R) = 1203 K: rows 1400 (none), 1000, 600 K.
  AddSystemWith(600, 1400, 50, 2);
  AddPhaseWith("ALPHA", "20000*X*(1-X)+R*T*(X*LN(X)+(1-X)*LN(1-X))");
  Run();

  const MosaicCanvas& canvas = windows.MDiagram().Canvas();
  ASSERT_GT(canvas.Width(), 100);
  // Rows 0 and 1 share pixel line 0; row 2 lies 400 K below.
  const int line = static_cast<int>(std::trunc(run.DeltaY * run.MosaicScale));
  ASSERT_GT(line, 0);
  EXPECT_NEAR(run.MosaicScale, (canvas.Height() - 10) / 800.0, 1e-12);
  const auto lines = LineColours(canvas);
  for (int y = 0; y < canvas.Height(); ++y) {
    EXPECT_EQ(lines[static_cast<std::size_t>(y)].empty(), y != 0 && y != line) << "line " << y;
  }
  // The 600 K stretch, from the pixel column of its left end to that of its right end.
  const TaTZpoint& ends = run.Results.BoundaryPoints;
  const auto last = static_cast<std::size_t>(run.Results.BoundaryLast);
  ASSERT_EQ(ends[last].Y, 600);
  const auto pixel = [&](double x) { return static_cast<int>(std::nearbyint(x * canvas.Width())); };
  const int left = pixel(ends[last].X);
  const int right = pixel(ends[last - 1].X);
  ASSERT_LT(left, right);
  for (int x = 0; x < canvas.Width(); ++x) {
    EXPECT_EQ(canvas.Pixel(x, line), x >= left && x <= right ? kGreen : kWhite) << "column " << x;
  }
}

TEST_F(RunWindowsTest, StablePointPhaseIsCircledInRed) {
  AddSystemWith(500, 500, 10, 1);
  AddPhaseWith("L", "R*T*(X*LN(X)+(1-X)*LN(1-X))");
  AddPhaseWith("AB", "-20000", "0.5");
  Run();
  const MosaicCanvas& canvas = windows.MDiagram().Canvas();
  const int px = static_cast<int>(std::nearbyint(0.5 * canvas.Width()));
  // The circle's box is (px - 2, -2) to (px + 2, 2); line 0 then carries the
  // two stretches that end at the compound, drawn after the circle.
  bool red = false;
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      if (canvas.Pixel(x, y) != MosaicCanvas::kRed) continue;
      red = true;
      EXPECT_TRUE(x >= px - 2 && x < px + 2 && y >= 0 && y < 2) << x << "," << y;
    }
  }
  EXPECT_TRUE(red);
  EXPECT_EQ(canvas.Pixel(px - 10, 0), kGreen);
  EXPECT_EQ(canvas.Pixel(px + 10, 0), kGreen);
}

TEST_F(RunWindowsTest, RunShowsTheWindowsItDrawsIntoAndNamesThemAfterTheSystem) {
  AddSystemWith(300, 400, 4, 2, /*working=*/true, /*mosaic=*/false);
  AddPhaseWith("L", "X*(1-X)*1000");
  windows.MDiagram().show();  // left open from before: a run without the mosaic hides it
  Run();
  EXPECT_TRUE(windows.WDiagram().isVisible());
  EXPECT_FALSE(windows.MDiagram().isVisible());
  EXPECT_TRUE(LineColours(windows.MDiagram().Canvas()) ==
              std::vector<std::set<TColor>>(
                  static_cast<std::size_t>(windows.MDiagram().Canvas().Height())));
  EXPECT_EQ(windows.MDiagram().windowTitle(), "A+B");
  EXPECT_EQ(windows.Cells().windowTitle(), "A+B");
  EXPECT_EQ(windows.WDiagram().windowTitle(), "Working diagram");
  EXPECT_EQ(windows.WDiagram().Lines()[0]->count(), 5);

  // Closing hides the window and keeps the last row; a run without the
  // working diagram keeps it hidden and adds no point.
  windows.WDiagram().findChild<QPushButton*>()->click();
  EXPECT_FALSE(windows.WDiagram().isVisible());
  EXPECT_EQ(windows.WDiagram().Lines()[0]->count(), 5);
  SetShow(false, true);
  Run();
  EXPECT_FALSE(windows.WDiagram().isVisible());
  EXPECT_TRUE(windows.MDiagram().isVisible());
  EXPECT_EQ(windows.WDiagram().Lines()[0]->count(), 0);
}

// The main window on the bundled Ag+Cu, on a coarse grid.
class MainWindowResultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    charts::EnsureGuiApplication();
    ASSERT_NO_FATAL_FAILURE(WriteBundledDatabase(folder.str(), {"Ag+Cu"}, [](TDM& dm) {
      TStoreTable& s = dm.tblSystems;
      s.Edit();
      s.FieldByName("Xpoints").SetAsInteger(40);
      s.FieldByName("Ypoints").SetAsInteger(20);
      s.Post();
    }));
    window = std::make_unique<TfmMain>(dialogs);
    window->OutputFolder = folder.str();
    ASSERT_TRUE(window->StartDatabase(folder.str()));
    window->show();
    QApplication::processEvents();
    dialogs.entries.clear();
  }
  void TearDown() override {
    window.reset();
    QApplication::processEvents();
  }

  TempFolder folder;
  UserDialogs dialogs;
  std::unique_ptr<TfmMain> window;
};

TEST_F(MainWindowResultsTest, MatrixButtonShowsACopyOfTheMatrixWithNarrowColumns) {
  TfmCells& cells = window->Windows().Cells();
  EXPECT_FALSE(cells.isVisible());
  // Before any run: one empty cell.
  window->MatrixButton()->click();
  EXPECT_TRUE(cells.isVisible());
  EXPECT_EQ(cells.Grid().ColCount(), 1);
  EXPECT_EQ(cells.Grid().RowCount(), 1);
  EXPECT_EQ(cells.Grid().Cell(0, 0), "");
  EXPECT_EQ(cells.sgCells()->model()->rowCount(), 0);

  window->RunButton()->click();
  const TPhaseMatrix& matrix = window->Run().Results.PhaseMatrix;
  ASSERT_EQ(matrix.sg2RowCount(), 22);
  EXPECT_EQ(cells.Grid().RowCount(), 1);  // the grid changes with the command only
  cells.chbNarrowCells()->setChecked(false);
  window->MatrixButton()->click();
  ASSERT_EQ(cells.Grid().ColCount(), matrix.sg2ColCount());
  ASSERT_EQ(cells.Grid().RowCount(), matrix.sg2RowCount());
  QAbstractItemModel* model = cells.sgCells()->model();
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "0");
  EXPECT_EQ(model->headerData(0, Qt::Vertical).toString(), "1400");
  EXPECT_EQ(cells.Grid().Cell(0, 0), " Y/X");

  // "Matrix" checks "Compress the cells" again; the box sets every data column.
  EXPECT_TRUE(cells.chbNarrowCells()->isChecked());
  QTableView* grid = cells.sgCells();
  EXPECT_EQ(grid->columnWidth(0), TfmCells::kNarrowWidth);
  EXPECT_EQ(grid->columnWidth(40), TfmCells::kNarrowWidth);
  grid->setColumnWidth(3, 100);  // sized by the user
  cells.chbNarrowCells()->setChecked(false);
  EXPECT_EQ(grid->columnWidth(3), TfmCells::kWideWidth);
  EXPECT_EQ(grid->columnWidth(40), TfmCells::kWideWidth);
  EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), TfmCells::kDefaultRowHeight);

  // Cells as the matrix holds them, painted by their text.
  bool two_phase = false;
  for (int r = 1; r < matrix.sg2RowCount(); ++r) {
    for (int c = 1; c < matrix.sg2ColCount(); ++c) {
      const QModelIndex index = model->index(r - 1, c - 1);
      ASSERT_EQ(index.data().toString().toStdString(), matrix.Cell(c, r));
      const QColor background = index.data(Qt::BackgroundRole).value<QBrush>().color();
      const QColor text = index.data(Qt::ForegroundRole).value<QBrush>().color();
      if (matrix.Cell(c, r) == "E") {
        two_phase = true;
        EXPECT_EQ(background, QColor(255, 255, 0));
        EXPECT_EQ(text, QColor(255, 0, 0));
      } else {
        EXPECT_EQ(background, QApplication::palette().base().color()) << matrix.Cell(c, r);
      }
    }
  }
  EXPECT_TRUE(two_phase);

  // Every column of a finished run holds something: compacting changes nothing.
  cells.sbCompact()->click();
  EXPECT_EQ(cells.Grid().ColCount(), matrix.sg2ColCount());
  EXPECT_FALSE(cells.sbCompact()->isVisibleTo(&cells));
  EXPECT_FALSE(cells.sbSpecialPoints()->isVisibleTo(&cells));

  // Closing only hides the window; its grid stays.
  cells.close();
  EXPECT_FALSE(cells.isVisible());
  EXPECT_EQ(cells.Grid().RowCount(), 22);
}

TEST_F(MainWindowResultsTest, MosaicColourChosenDuringARunColoursTheRowsStillToCome) {
  std::vector<TColor> offered;
  std::optional<TColor> answer = kBlue;
  window->ChooseColor = [&](TColor current) {
    offered.push_back(current);
    return answer;
  };
  dialogs.DuringRun = [&](int calls) {
    if (calls == 11) window->findChild<QAction*>("Mosaic diagram color")->trigger();
  };
  window->RunButton()->click();
  EXPECT_EQ(offered, std::vector<TColor>{kGreen});
  EXPECT_EQ(window->Run().MosaicColor, kBlue);
  EXPECT_TRUE(window->Windows().MDiagram().isVisible());

  // Green lines first, then blue ones: the picture is not repainted.
  std::vector<TColor> sequence;
  for (const auto& colours : LineColours(window->Windows().MDiagram().Canvas())) {
    ASSERT_LE(colours.size(), 1U);
    if (!colours.empty() && (sequence.empty() || sequence.back() != *colours.begin())) {
      sequence.push_back(*colours.begin());
    }
  }
  EXPECT_EQ(sequence, (std::vector<TColor>{kGreen, kBlue}));

  // Cancelling the dialog keeps the colour.
  dialogs.DuringRun = nullptr;
  answer = std::nullopt;
  window->findChild<QAction*>("Mosaic diagram color")->trigger();
  EXPECT_EQ(offered.back(), kBlue);
  EXPECT_EQ(window->Run().MosaicColor, kBlue);
}

}  // namespace
}  // namespace binodal::app
