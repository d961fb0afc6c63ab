// The experimental points window: the points of the current system in a grid
// (data source, descriptions and values of X and Y), edited in place. It
// stays beside the main window without blocking it; closing it only hides it.
#pragma once

#include <QWidget>

#include "common/dialogs.h"
#include "thermo/data_module.h"

QT_BEGIN_NAMESPACE
class QTableView;
QT_END_NAMESPACE

namespace binodal::app {

class Navigator;
class TableModel;
class TableSignals;

class TfmExperiment : public QWidget {
  Q_OBJECT

 public:
  // `dm` and `dialogs` must outlive the window.
  TfmExperiment(TDM& dm, Dialogs& dialogs, QWidget* parent = nullptr);
  ~TfmExperiment() override;

  [[nodiscard]] QTableView* PointsGrid() const { return grid_; }
  [[nodiscard]] Navigator* PointsNavigator() const { return navigator_; }

 private:
  TableSignals* signals_ = nullptr;
  TableModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  Navigator* navigator_ = nullptr;
};

}  // namespace binodal::app
