#include "app/table_model.h"

#include <algorithm>
#include <utility>

#include "app/message_dialogs.h"

namespace binodal::app {

TableModel::TableModel(TableSignals& events, std::vector<GridColumn> columns, Dialogs& dialogs,
                       QObject* parent)
    : QAbstractTableModel(parent),
      table_(events.Table()),
      columns_(std::move(columns)),
      dialogs_(dialogs) {
  connect(&events, &TableSignals::DataChanged, this, [this] {
    if (writing_) {
      reset_due_ = true;
    } else {
      Reset();
    }
  });
  connect(&events, &TableSignals::Scrolled, this, [this] { emit CurrentRowChanged(CurrentRow()); });
  Reset();
}

void TableModel::Reset() {
  beginResetModel();
  rows_ = table_.Active() ? table_.RecordCount() + (InsertRow() >= 0 ? 1 : 0) : 0;
  endResetModel();
  emit CurrentRowChanged(CurrentRow());
}

int TableModel::InsertRow() const {
  if (table_.State() != TableState::kInsert) return -1;
  return std::clamp(table_.RecNo() - 1, 0, table_.RecordCount());
}

int TableModel::CurrentRow() const {
  if (!table_.Active()) return -1;
  return table_.RecNo() - 1;
}

int TableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

std::string TableModel::Text(int row, std::size_t column) const {
  const std::string& name = columns_[column].field;
  const int insert_row = InsertRow();
  const bool pending = (insert_row >= 0 && row == insert_row) ||
                       (table_.State() == TableState::kEdit && row == table_.RecNo() - 1);
  auto& table = const_cast<TStoreTable&>(table_);  // FieldByName hands out a writable handle
  if (pending) return table.FieldByName(name).AsString();
  const int rec_no = insert_row >= 0 && row > insert_row ? row : row + 1;
  const std::optional<std::size_t> field = table_.FieldIndex(name);
  if (!field) return {};
  return table_.TextAt(rec_no, *field);
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  if (!table_.Active() || index.row() >= rows_) return {};
  try {
    return QString::fromStdString(Text(index.row(), static_cast<std::size_t>(index.column())));
  } catch (const std::exception&) {
    return {};  // a row the views have not yet been told is gone
  }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    if (section < 0 || section >= static_cast<int>(columns_.size())) return {};
    return columns_[static_cast<std::size_t>(section)].title;
  }
  return {};
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  // A record being inserted can always be typed in: the grid's lock guards
  // the posted records only.
  const bool locked = read_only_ && index.row() != InsertRow();
  if (index.isValid() && !locked && !table_.ReadOnly()) flags |= Qt::ItemIsEditable;
  return flags;
}

void TableModel::SetReadOnly(bool read_only) {
  if (read_only_ == read_only) return;
  read_only_ = read_only;
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
}

void TableModel::MoveTo(int row) {
  if (!table_.Active() || row < 0 || row == CurrentRow()) return;
  // Leaving the row of a pending insert posts it; the record then takes its
  // place in index order, so the target is found again by its position.
  Guarded(dialogs_, [&] { table_.SetRecNo(row + 1); });
  emit CurrentRowChanged(CurrentRow());
}

bool TableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || !table_.Active()) return false;
  if (!(flags(index) & Qt::ItemIsEditable)) return false;
  const std::string& name = columns_[static_cast<std::size_t>(index.column())].field;
  const std::string text = value.toString().toStdString();
  const int row = index.row();
  bool written = false;
  writing_ = true;
  Guarded(dialogs_, [&] {
    const bool pending = (InsertRow() >= 0 && row == InsertRow()) ||
                         (table_.State() == TableState::kEdit && row == table_.RecNo() - 1);
    if (!pending) {
      table_.SetRecNo(row + 1);
      if (table_.FieldByName(name).AsString() == text) return;
      table_.Edit();
    } else if (table_.FieldByName(name).AsString() == text && table_.State() == TableState::kEdit) {
      return;
    }
    table_.FieldByName(name).SetAsString(text);
    table_.Post();
    written = true;
  });
  writing_ = false;
  if (reset_due_) {
    reset_due_ = false;
    // The view is inside its editor's commit: a reset now would pull the
    // editor away. An edit keeps the row count (the record may move within
    // the order): repaint now; anything else resets once the commit is over.
    const int rows = table_.Active() ? table_.RecordCount() + (InsertRow() >= 0 ? 1 : 0) : 0;
    if (rows == rows_) {
      if (rows_ > 0) emit dataChanged(this->index(0, 0), this->index(rows_ - 1, columnCount() - 1));
      QMetaObject::invokeMethod(
          this, [this] { emit CurrentRowChanged(CurrentRow()); }, Qt::QueuedConnection);
    } else {
      QMetaObject::invokeMethod(this, &TableModel::Reset, Qt::QueuedConnection);
    }
  }
  return written;
}

}  // namespace binodal::app
