// The special points window "Special point coordinates": the nodes of the
// last special point search as a table (Y and the three compositions of each
// node) and the other special points (where a phase field begins or ends) as
// a list.
//
// The list follows every search (SetOtherSpecialPoints); the table is filled
// only on demand, by the "Special points" buttons of the main and the diagram
// window, which also show the window. Closing the window hides it; its
// contents stay until the next fill.
#pragma once

#include <span>

#include <QWidget>

#include "calc/result_model.h"
#include "common/number_format.h"
#include "results/special_points_table.h"

QT_BEGIN_NAMESPACE
class QListWidget;
class QTableWidget;
QT_END_NAMESPACE

namespace binodal::app {

class TfmSpecPoints : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kColumnWidth = 120;

  explicit TfmSpecPoints(QWidget* parent = nullptr);

  // Fills the table with one row per node (one empty row when there is none),
  // Y as `y_format` says, the first header after the Y quantity, and shows
  // the window. The list is left as it is.
  void FillNodes(std::span<const TNode> nodes, int y_item_index, NodeYFormat y_format,
                 NumberSeparators separators = {});
  // Replaces the list: one line per point, its X and Y kept with the line
  // (Qt::UserRole holds X, Qt::UserRole + 1 holds Y).
  void SetOtherSpecialPoints(std::span<const TOtherSpecialPoint> points);

  [[nodiscard]] QTableWidget* sgSpecPoints() const { return table_; }
  [[nodiscard]] QListWidget* ListBox1() const { return list_; }

 private:
  QTableWidget* table_ = nullptr;
  QListWidget* list_ = nullptr;
};

}  // namespace binodal::app
