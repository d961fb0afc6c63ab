// Qt signals for a table of the store. The store has one handler per event;
// TableSignals chains itself after the handler already there (the data
// module's), so that several views can follow one table.
#pragma once

#include <QObject>

#include "store/store_table.h"

namespace binodal::app {

class TableSignals : public QObject {
  Q_OBJECT

 public:
  // `table` must outlive this object; the handlers are unhooked again on
  // destruction.
  TableSignals(TStoreTable& table, QObject* parent = nullptr);
  ~TableSignals() override;
  TableSignals(const TableSignals&) = delete;
  TableSignals& operator=(const TableSignals&) = delete;

  [[nodiscard]] TStoreTable& Table() const { return table_; }

 signals:
  // Records, values, range or state changed (the store's OnDataChanged).
  void DataChanged();
  // Another record became current (AfterScroll).
  void Scrolled();

 private:
  TStoreTable& table_;
  TTableEvent previous_data_changed_;
  TTableEvent previous_after_scroll_;
};

}  // namespace binodal::app
