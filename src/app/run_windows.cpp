#include "app/run_windows.h"

#include <QString>
#include <QWidget>

#include "app/matrix_window.h"
#include "app/mosaic_window.h"
#include "app/working_diagram_window.h"

namespace binodal::app {

RunWindows::RunWindows(QWidget& main)
    : main_(main),
      cells_(std::make_unique<TfmCells>()),
      working_(std::make_unique<TfmWDiagram>()),
      mosaic_(std::make_unique<TfmMDiagram>()) {}

RunWindows::~RunWindows() = default;

void RunWindows::HideAll() {
  cells_->hide();
  working_->hide();
  mosaic_->hide();
}

void RunWindows::RunStarting(const std::string& designation, bool working, bool mosaic) {
  const QString caption = QString::fromStdString(designation);
  mosaic_->setWindowTitle(caption);
  cells_->setWindowTitle(caption);
  working_->setVisible(working);
  mosaic_->setVisible(mosaic);
  if (working || mosaic) {
    // The run is started from the main window: it stays in front.
    main_.raise();
    main_.activateWindow();
  }
}

void RunWindows::WorkingSeries(const std::vector<std::string>& solution_phases) {
  working_->SetSeries(solution_phases);
}

void RunWindows::WorkingAxisIncrement(double increment) { working_->SetAxisIncrement(increment); }

void RunWindows::WorkingClear() { working_->Clear(); }

void RunWindows::WorkingPoint(std::size_t series, double x, double g) {
  working_->AddPoint(series, x, g);
}

void RunWindows::WorkingRowDone() { working_->RowDone(); }

void RunWindows::MosaicStart() { mosaic_->Start(); }

int RunWindows::MosaicWidth() const { return mosaic_->Canvas().Width(); }

int RunWindows::MosaicHeight() const { return mosaic_->Canvas().Height(); }

void RunWindows::MosaicHLine(int x0, int x1, int y, TColor color) {
  mosaic_->HLine(x0, x1, y, color);
}

void RunWindows::MosaicEllipse(int x0, int y0, int x1, int y1) { mosaic_->Ellipse(x0, y0, x1, y1); }

}  // namespace binodal::app
