// The main window: the systems list, the phases and the Gibbs energy piece
// editor of the current system, the comment panes, the run controls and the
// database commands.
//
// Start-up order: the window is built first, then StartDatabase creates the
// data module, which reads the window's "Read only" box and reports back to
// it. Everything the user triggers ends in a slot that catches the core's
// errors and shows them through Dialogs. Single-threaded; the run executes on
// this thread and lets Qt process events after every row.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "calc/run.h"
#include "common/dialogs.h"
#include "results/chart_model.h"
#include "thermo/data_module.h"

QT_BEGIN_NAMESPACE
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
QT_END_NAMESPACE

namespace binodal::app {

class FieldBinding;
class Navigator;
class RunWindows;
class TableModel;
class TableSignals;
class TfmExperiment;
class TfmStability;
class TfmDiagram2;
class TfmSpecPoints;

class TfmMain : public QMainWindow, private RunObserver {
  Q_OBJECT

 public:
  // The password that lifts the edit lock.
  static constexpr const char* kEditPassword = "583";

  // `dialogs` must outlive the window.
  explicit TfmMain(Dialogs& dialogs, QWidget* parent = nullptr);
  ~TfmMain() override;

  // Creates the data module and opens the database of `folder`. False when
  // the folder holds no usable database ("Can not open database files" has
  // been shown); the program then ends.
  bool StartDatabase(const std::string& folder);

  // --- What the commands ask the user; replaceable (tests answer here).

  // The text typed into the password prompt; empty when cancelled.
  std::function<QString()> PasswordPrompt;
  // A file chosen in a file dialog (empty: cancelled). `for_saving`: the file
  // need not exist.
  std::function<QString(const QString& filter, const QString& file_name, bool for_saving)>
      ChooseFile;
  // Where "Download into file", the text reports and the stability parameters
  // file are written: the current directory at start. (A file chosen in a
  // file dialog makes its folder the current directory, where "Upload from
  // file" of the stability parameters looks.)
  std::string OutputFolder;
  // The colour chosen in a colour dialog opened on `current`; none: cancelled.
  std::function<std::optional<TColor>(TColor current)> ChooseColor;

  // --- State.

  [[nodiscard]] TDM& DM() const { return *dm_; }
  [[nodiscard]] TRun& Run() const { return *run_; }
  [[nodiscard]] const std::string& DatabaseFolder() const { return database_folder_; }
  [[nodiscard]] bool PasswordRequired() const { return password_required_; }
  // The phase diagram of the last completed run.
  [[nodiscard]] const ChartModel& Diagram() const { return diagram_; }
  // The matrix window, the working diagram and the mosaic diagram.
  [[nodiscard]] RunWindows& Windows() const { return *run_windows_; }

  // --- Widgets, for the tests that drive them.

  [[nodiscard]] QTableView* SystemsGrid() const { return systems_grid_; }
  [[nodiscard]] QTableView* PhasesGrid() const { return phases_grid_; }
  [[nodiscard]] QLineEdit* SearchBox() const { return search_box_; }
  [[nodiscard]] QCheckBox* ReadOnlyBox() const { return read_only_box_; }
  [[nodiscard]] QCheckBox* CommentsBox() const { return comments_box_; }
  [[nodiscard]] QCheckBox* DesignationsBox() const { return designations_box_; }
  [[nodiscard]] QGroupBox* CommentsPane() const { return comments_pane_; }
  [[nodiscard]] QGroupBox* DesignationsPane() const { return designations_pane_; }
  [[nodiscard]] QPlainTextEdit* CommentsMemo() const { return comments_memo_; }
  [[nodiscard]] QPlainTextEdit* ExpressionMemo() const { return expression_memo_; }
  [[nodiscard]] QLineEdit* TminEdit() const { return tmin_edit_; }
  [[nodiscard]] QLabel* PieceCounter() const { return piece_counter_; }
  [[nodiscard]] QLabel* FixedQuantityLabel() const { return fixed_label_; }
  [[nodiscard]] QLineEdit* ZvalueEdit() const { return zvalue_edit_; }
  [[nodiscard]] QLineEdit* YpointsEdit() const { return ypoints_edit_; }
  [[nodiscard]] QComboBox* YSelector() const { return y_selector_; }
  [[nodiscard]] QPushButton* RunButton() const { return run_button_; }
  [[nodiscard]] QPushButton* StopButton() const { return stop_button_; }
  [[nodiscard]] QPushButton* MatrixButton() const { return matrix_button_; }
  [[nodiscard]] QLabel* StatusPanel(int panel) const { return status_panels_[panel]; }
  [[nodiscard]] Navigator* SystemsNavigator() const { return systems_nav_; }
  [[nodiscard]] Navigator* GibbsNavigator() const { return gibbs_nav_; }
  [[nodiscard]] TfmStability* StabilityWindow() const { return stability_window_; }
  [[nodiscard]] TfmExperiment* ExperimentWindow() const { return experiment_window_; }

  // Writes what every bound widget holds into its table.
  void CommitEditors();

  // --- Result windows: created with the main window, hidden until used,
  // hidden (not destroyed) when closed.
  [[nodiscard]] TfmDiagram2* DiagramWindow() const { return diagram_window_.get(); }
  [[nodiscard]] TfmSpecPoints* SpecialPointsWindow() const { return special_points_window_.get(); }
  [[nodiscard]] QPushButton* DiagramButton() const { return diagram_button_; }
  [[nodiscard]] QPushButton* SpecialPointsButton() const { return special_points_button_; }

 public slots:
  void sbRunClick();
  void sbStopClick();
  void N1Click();   // Database / Open
  void N6Click();   // Database / Save
  void N13Click();  // Database / Create
  void N15Click();  // Database / Save the list of designations into text file
  void N3Click();   // Database / Close
  void N7Click();   // Stability parameters
  void N8Click();   // System / Download into file
  void N9Click();   // System / Upload from file
  void N10Click();  // System / Save as text
  void N12Click();  // System / Experimental points
  void About1Click();
  void edSearchChange(const QString& text);
  void chbReadOnlyClick(bool checked);
  void chbCommentsClick(bool checked);
  void chbDescriptionClick(bool checked);
  // The "Matrix" button: the matrix window with a fresh copy of the matrix.
  void sbGridClick();
  // "Mosaic diagram color": the colour of the stretches drawn from now on.
  void N4Click();
  // Builds the phase diagram from the run's results as they stand and shows it.
  void sbDiagramClick();
  // Fills the special points window's nodes table and shows the window.
  void sbSpecialPointsClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWindow();
  void BuildMenus();
  QWidget* BuildBottomPanel();
  void BindTables();
  void SetDatabaseFolder(const std::string& folder);
  void UpdateFixedQuantityLabel();
  void ShowLockState();
  // ChooseFile, then the chosen file's folder becomes the current directory.
  QString ChooseFileAndEnter(const QString& filter, const QString& file_name, bool for_saving);

  // RunObserver.
  void Status(const std::string& text) override;
  void RunStateChanged(bool running) override;
  // RunObserver: the run windows draw the working diagram and the mosaic.
  void RunStarting(const std::string& designation, bool working, bool mosaic) override;
  void WorkingSeries(const std::vector<std::string>& solution_phases) override;
  void WorkingAxisIncrement(double increment) override;
  void WorkingClear() override;
  void WorkingPoint(std::size_t series, double x, double g) override;
  void WorkingRowDone() override;
  void MosaicStart() override;
  [[nodiscard]] int MosaicWidth() const override;
  [[nodiscard]] int MosaicHeight() const override;
  void MosaicHLine(int x0, int x1, int y, TColor color) override;
  void MosaicEllipse(int x0, int y0, int x1, int y1) override;

  Dialogs& dialogs_;
  std::unique_ptr<TDM> dm_;
  std::unique_ptr<TRun> run_;
  std::string database_folder_;
  bool password_required_ = true;
  bool close_after_run_ = false;
  ChartModel diagram_;

  std::vector<TableSignals*> signals_;  // owned by this window (Qt children)
  std::vector<FieldBinding*> bindings_;
  TableModel* systems_model_ = nullptr;
  TableModel* phases_model_ = nullptr;

  QTableView* systems_grid_ = nullptr;
  QTableView* phases_grid_ = nullptr;
  QLineEdit* search_box_ = nullptr;
  QCheckBox* read_only_box_ = nullptr;
  QCheckBox* comments_box_ = nullptr;
  QCheckBox* designations_box_ = nullptr;
  QGroupBox* comments_pane_ = nullptr;
  QGroupBox* designations_pane_ = nullptr;
  QGroupBox* systems_pane_ = nullptr;
  QGroupBox* phases_pane_ = nullptr;
  QGroupBox* gibbs_pane_ = nullptr;
  QPlainTextEdit* comments_memo_ = nullptr;
  QPlainTextEdit* designations_memo_ = nullptr;
  QPlainTextEdit* expression_memo_ = nullptr;
  QLineEdit* tmin_edit_ = nullptr;
  QLineEdit* tmax_edit_ = nullptr;
  QLineEdit* x_edit_ = nullptr;
  QLabel* piece_counter_ = nullptr;
  QComboBox* y_selector_ = nullptr;
  QLineEdit* ymin_edit_ = nullptr;
  QLineEdit* ymax_edit_ = nullptr;
  QLineEdit* xpoints_edit_ = nullptr;
  QLineEdit* ypoints_edit_ = nullptr;
  QCheckBox* mosaic_box_ = nullptr;
  QCheckBox* chart_box_ = nullptr;
  QLabel* fixed_label_ = nullptr;
  QLineEdit* zvalue_edit_ = nullptr;
  QPushButton* run_button_ = nullptr;
  QPushButton* stop_button_ = nullptr;
  QLabel* status_panels_[2] = {nullptr, nullptr};
  Navigator* systems_nav_ = nullptr;
  Navigator* phases_nav_ = nullptr;
  Navigator* gibbs_nav_ = nullptr;
  QWidget* bottom_panel_ = nullptr;
  TfmStability* stability_window_ = nullptr;
  TfmExperiment* experiment_window_ = nullptr;

  std::unique_ptr<RunWindows> run_windows_;
  QAction* mosaic_color_action_ = nullptr;

  // The diagram and special points windows, and the buttons of the result windows.
  QWidget* BuildResultButtons(QWidget* panel);
  std::unique_ptr<TfmDiagram2> diagram_window_;
  std::unique_ptr<TfmSpecPoints> special_points_window_;
  QPushButton* diagram_button_ = nullptr;
  QPushButton* matrix_button_ = nullptr;
  QPushButton* special_points_button_ = nullptr;
};

}  // namespace binodal::app
