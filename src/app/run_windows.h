// The windows that follow a run: the matrix window, the working diagram and
// the mosaic diagram. They are created hidden with the main window, live as
// long as it does and are only hidden when closed, so that they keep what
// the last run left in them.
//
// RunWindows takes the run's observer calls that concern them (the main
// window, the run's observer, passes them on): it names the windows after the
// system and shows or hides the two live windows at the start of a run, and
// draws the working diagram and the mosaic row by row.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "calc/run.h"

namespace binodal::app {

class TfmCells;
class TfmMDiagram;
class TfmWDiagram;

class RunWindows : public RunObserver {
 public:
  // `main` is brought back to the front when a run shows a window; it must
  // outlive this object.
  explicit RunWindows(QWidget& main);
  ~RunWindows() override;
  RunWindows(const RunWindows&) = delete;
  RunWindows& operator=(const RunWindows&) = delete;

  [[nodiscard]] TfmCells& Cells() const { return *cells_; }
  [[nodiscard]] TfmWDiagram& WDiagram() const { return *working_; }
  [[nodiscard]] TfmMDiagram& MDiagram() const { return *mosaic_; }

  // Hides the three windows (the program is ending).
  void HideAll();

  // RunObserver. When the run has ended, the working diagram shows its last row.
  void RunStateChanged(bool running) override;
  void RunStarting(const std::string& designation, bool working, bool mosaic) override;
  void WorkingSeries(const std::vector<std::string>& solution_phases) override;
  void WorkingAxisIncrement(double increment) override;
  void WorkingClear() override;
  void WorkingPoint(std::size_t series, double x, double g) override;
  void WorkingRowDone() override;
  void MosaicStart() override;
  [[nodiscard]] int MosaicWidth() const override;
  [[nodiscard]] int MosaicHeight() const override;
  void MosaicHLine(int x0, int x1, int y, TColor color) override;
  void MosaicEllipse(int x0, int y0, int x1, int y1) override;

 private:
  void PlaceAtScreenEdge(QWidget& window, Qt::Alignment edge) const;

  QWidget& main_;
  bool working_placed_ = false;  // the first showing places a window
  bool mosaic_placed_ = false;
  std::unique_ptr<TfmCells> cells_;
  std::unique_ptr<TfmWDiagram> working_;
  std::unique_ptr<TfmMDiagram> mosaic_;
};

}  // namespace binodal::app
