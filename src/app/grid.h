// Grids over the store's tables, as every window of the program shows them:
// whole rows selected, rows in two alternating colours, the selection
// following the table's current record and a click moving it.
#pragma once

#include <QString>
#include <QTableView>

#include "app/table_model.h"

namespace binodal::app {

[[nodiscard]] QTableView* MakeGrid(QWidget* parent);

// Shows `model` in `grid` and keeps the grid's current row and the table's
// current record together.
void Follow(QTableView* grid, TableModel* model);

// The piece counter under a piece editor: "record number/record count" of
// the table's range ("0/0" when it is empty), as the data module reports it
// on every move; empty while the table is closed.
[[nodiscard]] QString PieceCounterText(const TStoreTable& table);

}  // namespace binodal::app
