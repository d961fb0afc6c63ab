#include "app/experiment_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "app/grid.h"
#include "app/navigator.h"
#include "app/table_model.h"
#include "app/table_signals.h"

namespace binodal::app {

TfmExperiment::TfmExperiment(TDM& dm, Dialogs& dialogs, QWidget* parent) : QWidget(parent) {
  setWindowFlag(Qt::Window);
  setWindowTitle("Experimental points");
  signals_ = new TableSignals(dm.tblExperiment);
  auto* layout = new QVBoxLayout(this);
  grid_ = MakeGrid(this);
  model_ = new TableModel(*signals_,
                          {{"SQUIB", "Data source"},
                           {"X_descr", "Description X"},
                           {"X_value", "X value"},
                           {"Y_descr", "Description Y"},
                           {"Y_value", "Y value"}},
                          dialogs, this);
  Follow(grid_, model_);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  navigator_ = new Navigator(
      *signals_, {NavButton::kInsert, NavButton::kDelete, NavButton::kPost, NavButton::kCancel},
      dialogs, this);
  auto* close_button = new QPushButton("Close", this);
  connect(close_button, &QPushButton::clicked, this, &QWidget::close);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(navigator_);
  bottom->addStretch();
  bottom->addWidget(close_button);
  layout->addWidget(grid_, 1);
  layout->addLayout(bottom);
  resize(640, 360);
}

TfmExperiment::~TfmExperiment() {
  // The grid and the model use the table: they go before its signals.
  delete grid_;
  delete model_;
  delete navigator_;
  delete signals_;
}

}  // namespace binodal::app
