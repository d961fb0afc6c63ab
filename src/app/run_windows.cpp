#include "app/run_windows.h"

#include <algorithm>

#include <QRect>
#include <QScreen>
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

void RunWindows::RunStateChanged(bool running) {
  if (!running) working_->ShowLastRow();
}

void RunWindows::RunStarting(const std::string& designation, bool working, bool mosaic) {
  const QString caption = QString::fromStdString(designation);
  mosaic_->setWindowTitle(caption);
  cells_->setWindowTitle(caption);
  if (working && !working_placed_) {
    PlaceAtScreenEdge(*working_, Qt::AlignTop);
    working_placed_ = true;
  }
  if (mosaic && !mosaic_placed_) {
    PlaceAtScreenEdge(*mosaic_, Qt::AlignBottom);
    mosaic_placed_ = true;
  }
  working_->setVisible(working);
  mosaic_->setVisible(mosaic);
  if (working || mosaic) {
    // The run is started from the main window: it stays in front.
    main_.raise();
    main_.activateWindow();
  }
}

void RunWindows::PlaceAtScreenEdge(QWidget& window, Qt::Alignment edge) const {
  // The main window comes back to the front when a run shows the windows:
  // at the right edge of its screen, one above the other, they stay in view
  // beside it wherever the screen is wide enough.
  const QScreen* screen = main_.screen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  const QSize size = window.frameGeometry().size();
  const int x = std::max(area.left(), area.right() + 1 - size.width());
  const int y =
      edge == Qt::AlignTop ? area.top() : std::max(area.top(), area.bottom() + 1 - size.height());
  window.move(x, y);
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
