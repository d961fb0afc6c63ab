// The window "Matrix form of the phase diagram": the phase matrix of the last
// run as a coloured grid. The grid is a copy taken by ShowMatrix (the "Matrix"
// button); compacting it or resizing its columns never changes the run's
// results, and a later run changes the grid only when the matrix is shown
// again.
//
// The fixed cells are the grid's headers, so that the compositions and the Y
// values stay in view while the grid scrolls: row 0 is the column header,
// column 0 the row header, cell [0][0] the corner. The window lives as long
// as the main window; closing it hides it.
#pragma once

#include <QWidget>

#include "calc/result_model.h"
#include "results/matrix_grid.h"

QT_BEGIN_NAMESPACE
class QCheckBox;
class QPushButton;
class QTableView;
QT_END_NAMESPACE

namespace binodal::app {

class MatrixModel;

class TfmCells : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDefaultRowHeight = 18;
  static constexpr int kNarrowWidth = 15;
  static constexpr int kWideWidth = 64;

  explicit TfmCells(QWidget* parent = nullptr);
  ~TfmCells() override;

  // The "Matrix" command: copies `matrix` into the grid under the hourglass,
  // checks "Compress the cells" (narrow columns) and shows the window.
  void ShowMatrix(const TPhaseMatrix& matrix);

  [[nodiscard]] const MatrixGrid& Grid() const;
  [[nodiscard]] QTableView* sgCells() const { return grid_view_; }
  [[nodiscard]] QCheckBox* chbNarrowCells() const { return narrow_box_; }
  [[nodiscard]] QPushButton* sbCompact() const { return compact_button_; }
  // Hidden: the special point search is started by the diagram command.
  [[nodiscard]] QPushButton* sbSpecialPoints() const { return special_points_button_; }

 public slots:
  // Columns 1 .. last 15 pixels wide when checked, 64 when not; column 0 keeps its width.
  void chbNarrowCellsClick(bool checked);
  void sbCompactClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyColumnWidths();

  MatrixModel* model_ = nullptr;
  QTableView* grid_view_ = nullptr;
  QCheckBox* narrow_box_ = nullptr;
  QPushButton* compact_button_ = nullptr;
  QPushButton* special_points_button_ = nullptr;
};

}  // namespace binodal::app
