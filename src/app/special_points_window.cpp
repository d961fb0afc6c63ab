#include "app/special_points_window.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace binodal::app {

TfmSpecPoints::TfmSpecPoints(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle("Special point coordinates");
  setAttribute(Qt::WA_QuitOnClose, false);
  auto* layout = new QVBoxLayout(this);

  auto* nodes = new QGroupBox(" Nodes ", this);
  auto* nodes_layout = new QVBoxLayout(nodes);
  table_ = new QTableWidget(1, 4, nodes);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (int column = 0; column < 4; ++column) table_->setColumnWidth(column, kColumnWidth);
  nodes_layout->addWidget(table_);
  layout->addWidget(nodes, 3);

  auto* others = new QGroupBox(" Other special points ", this);
  auto* others_layout = new QVBoxLayout(others);
  list_ = new QListWidget(others);
  others_layout->addWidget(list_);
  layout->addWidget(others, 2);

  auto* buttons = new QHBoxLayout;
  auto* close_button = new QPushButton("Close", this);
  connect(close_button, &QPushButton::clicked, this, &QWidget::close);
  buttons->addStretch();
  buttons->addWidget(close_button);
  layout->addLayout(buttons);

  // Room for the four columns and the frame.
  resize(4 * kColumnWidth + 60, 420);
}

void TfmSpecPoints::FillNodes(std::span<const TNode> nodes, int y_item_index, NodeYFormat y_format,
                              NumberSeparators separators) {
  const SpecialPointsTable table =
      MakeSpecialPointsTable(nodes, y_item_index, y_format, separators);
  QStringList headers;
  for (const std::string& header : table.Headers) headers << QString::fromStdString(header);
  table_->clearContents();
  table_->setRowCount(static_cast<int>(table.Rows.size()));
  table_->setHorizontalHeaderLabels(headers);
  for (std::size_t row = 0; row < table.Rows.size(); ++row) {
    for (std::size_t column = 0; column < table.Rows[row].size(); ++column) {
      table_->setItem(static_cast<int>(row), static_cast<int>(column),
                      new QTableWidgetItem(QString::fromStdString(table.Rows[row][column])));
    }
  }
  show();
  raise();
}

void TfmSpecPoints::SetOtherSpecialPoints(std::span<const TOtherSpecialPoint> points) {
  list_->clear();
  for (const TOtherSpecialPoint& point : points) {
    auto* item = new QListWidgetItem(QString::fromStdString(point.Text), list_);
    item->setData(Qt::UserRole, point.X);
    item->setData(Qt::UserRole + 1, point.Y);
  }
}

}  // namespace binodal::app
