// The stability parameters window: an editor of the named auxiliary functions
// and their temperature pieces, with the "Data" menu that saves them all into
// STABILITY_PARAMS.txt and reads such a file back. It stays beside the main
// window without blocking it; closing it only hides it.
#pragma once

#include <string>
#include <vector>

#include <QMainWindow>

#include "common/dialogs.h"
#include "thermo/data_module.h"

QT_BEGIN_NAMESPACE
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableView;
QT_END_NAMESPACE

namespace binodal::app {

class FieldBinding;
class Navigator;
class TableModel;
class TableSignals;

class TfmStability : public QMainWindow {
  Q_OBJECT

 public:
  // `dm`, `dialogs` and `output_folder` (where "Save to file" writes
  // STABILITY_PARAMS.txt) must outlive the window.
  TfmStability(TDM& dm, Dialogs& dialogs, const std::string& output_folder,
               QWidget* parent = nullptr);
  ~TfmStability() override;

  // Shows the counter of the current parameter's pieces.
  void RefreshCounter();
  // Writes what every bound widget holds into its table.
  void CommitEditors();

  [[nodiscard]] QTableView* ParametersGrid() const { return parameters_grid_; }
  [[nodiscard]] QPlainTextEdit* CommentMemo() const { return comment_memo_; }
  [[nodiscard]] QPlainTextEdit* ExpressionMemo() const { return expression_memo_; }
  [[nodiscard]] QLineEdit* TminEdit() const { return tmin_edit_; }
  [[nodiscard]] QLineEdit* TmaxEdit() const { return tmax_edit_; }
  [[nodiscard]] QLabel* PieceCounter() const { return piece_counter_; }
  [[nodiscard]] Navigator* ParametersNavigator() const { return parameters_nav_; }
  [[nodiscard]] Navigator* PiecesNavigator() const { return pieces_nav_; }

 public slots:
  void N2Click();  // Data / Save to file
  void N3Click();  // Data / Upload from file

 private:
  TDM& dm_;
  Dialogs& dialogs_;
  const std::string& output_folder_;
  std::vector<TableSignals*> signals_;
  std::vector<FieldBinding*> bindings_;
  TableModel* parameters_model_ = nullptr;
  QTableView* parameters_grid_ = nullptr;
  QPlainTextEdit* comment_memo_ = nullptr;
  QPlainTextEdit* expression_memo_ = nullptr;
  QLineEdit* tmin_edit_ = nullptr;
  QLineEdit* tmax_edit_ = nullptr;
  QLabel* piece_counter_ = nullptr;
  Navigator* parameters_nav_ = nullptr;
  Navigator* pieces_nav_ = nullptr;
};

}  // namespace binodal::app
