#include "app/grid.h"

#include <QHeaderView>
#include <QItemSelectionModel>

namespace binodal::app {

QTableView* MakeGrid(QWidget* parent) {
  auto* grid = new QTableView(parent);
  grid->setAlternatingRowColors(true);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->horizontalHeader()->setStretchLastSection(true);
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
  grid->verticalHeader()->hide();
  grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::AnyKeyPressed);
  return grid;
}

void Follow(QTableView* grid, TableModel* model) {
  grid->setModel(model);
  const auto select = [grid, model](int row) {
    if (row < 0 || row >= model->rowCount()) return;
    const QModelIndex current = grid->currentIndex();
    if (current.isValid() && current.row() == row) return;
    grid->setCurrentIndex(model->index(row, current.isValid() ? current.column() : 0));
  };
  QObject::connect(model, &TableModel::CurrentRowChanged, grid, select);
  QObject::connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
                   [model](const QModelIndex& current) {
                     if (current.isValid()) model->MoveTo(current.row());
                   });
  select(model->CurrentRow());
}

QString PieceCounterText(const TStoreTable& table) {
  if (!table.Active()) return {};
  return QString("%1/%2").arg(table.RecNo()).arg(table.RecordCount());
}

}  // namespace binodal::app
