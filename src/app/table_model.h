// The item model of one table of the store, for a grid.
//
// Rows are the records of the table's current range in index order; while a
// record is being inserted it appears as an extra row where it was opened, and
// the record being edited shows its pending values. Columns are the fields
// the grid shows. setData writes through the store (move to the row, Edit,
// set the field, Post) and shows the store's refusals through Dialogs. The
// model resets whenever the table's data change.
#pragma once

#include <string>
#include <vector>

#include <QAbstractTableModel>

#include "app/table_signals.h"
#include "common/dialogs.h"

namespace binodal::app {

struct GridColumn {
  std::string field;
  QString title;
};

class TableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // `events` (and its table) and `dialogs` must outlive the model.
  TableModel(TableSignals& events, std::vector<GridColumn> columns, Dialogs& dialogs,
             QObject* parent = nullptr);

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                    int role) const override;
  [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  // The grid's own lock, on top of the table's read-only mode.
  void SetReadOnly(bool read_only);
  [[nodiscard]] bool ReadOnly() const { return read_only_; }

  // The row of the table's current record; -1 when there is none.
  [[nodiscard]] int CurrentRow() const;
  // Makes the record of `row` current (posting a pending edit first); store
  // errors are shown. Nothing when it is current already.
  void MoveTo(int row);

  [[nodiscard]] TStoreTable& Table() const { return table_; }

 signals:
  // The table's current record may have moved: views select CurrentRow().
  void CurrentRowChanged(int row);

 private:
  void Reset();
  [[nodiscard]] int InsertRow() const;  // -1 outside insert state
  [[nodiscard]] std::string Text(int row, std::size_t field) const;

  TStoreTable& table_;
  std::vector<GridColumn> columns_;
  Dialogs& dialogs_;
  bool read_only_ = false;
  int rows_ = 0;          // as last announced to the views
  bool writing_ = false;  // inside setData: the reset waits until it is done
  bool reset_due_ = false;
};

}  // namespace binodal::app
