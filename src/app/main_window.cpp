#include "app/main_window.h"

#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include "app/about_box.h"
#include "app/diagram_window.h"
#include "app/experiment_window.h"
#include "app/field_binding.h"
#include "app/grid.h"
#include "app/matrix_window.h"
#include "app/message_dialogs.h"
#include "app/navigator.h"
#include "app/run_windows.h"
#include "app/special_points_window.h"
#include "app/stability_window.h"
#include "app/table_model.h"
#include "app/table_signals.h"
#include "calc/listing.h"
#include "charts/chart_builder.h"
#include "common/file_io.h"
#include "exchange/stability_file.h"
#include "exchange/system_exchange.h"
#include "results/run_diagram.h"
#include "thermo/text_routines.h"

namespace binodal::app {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TfmMain::TfmMain(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      dm_(std::make_unique<TDM>(dialogs)),
      run_(std::make_unique<TRun>(*dm_, dialogs, static_cast<RunObserver*>(this))) {
  password_required_ = true;
  run_->MosaicColor = TRun::kDefaultMosaicColor;
  std::error_code error;
  OutputFolder = std::filesystem::current_path(error).string();
  PasswordPrompt = [this] {
    return QInputDialog::getText(this, "Type the password", "Password", QLineEdit::Password);
  };
  ChooseFile = [this](const QString& filter, const QString& file_name, bool for_saving) {
    const QString start = Q(database_folder_) + file_name;
    return for_saving ? QFileDialog::getSaveFileName(this, {}, start, filter, nullptr,
                                                     QFileDialog::DontConfirmOverwrite)
                      : QFileDialog::getOpenFileName(this, {}, start, filter);
  };
  ChooseColor = [this](TColor current) -> std::optional<TColor> {
    const QColor chosen =
        QColorDialog::getColor(charts::ToQColor(current), this, "Mosaic diagram color");
    if (!chosen.isValid()) return std::nullopt;
    return static_cast<TColor>(chosen.red()) | static_cast<TColor>(chosen.green()) << 8 |
           static_cast<TColor>(chosen.blue()) << 16;
  };
  run_windows_ = std::make_unique<RunWindows>(*this);
  // The matrix window's hidden "Find special points": the search runs as part
  // of building the diagram.
  connect(run_windows_->Cells().sbSpecialPoints(), &QPushButton::clicked, this,
          &TfmMain::sbDiagramClick);
  diagram_window_ = std::make_unique<TfmDiagram2>(dialogs_);
  special_points_window_ = std::make_unique<TfmSpecPoints>();
  diagram_window_->SpecialPointsRequested = [this] {
    special_points_window_->FillNodes(run_->Results.NodeList, run_->YItem,
                                      NodeYFormat::kDiagramWindow, run_->Separators());
  };
  run_->OnBuildDiagram = [this](TRun&) { sbDiagramClick(); };
  dm_->OnSystemScrolled = [this] { UpdateFixedQuantityLabel(); };
  dm_->OnPieceCounter = [this](const std::string& text) {
    if (piece_counter_ != nullptr) piece_counter_->setText(Q(text));
  };

  BuildWindow();
  BuildMenus();
  SetDatabaseFolder(ProgramFolder());
  stability_window_ = new TfmStability(*dm_, dialogs_, OutputFolder, this);
  experiment_window_ = new TfmExperiment(*dm_, dialogs_, this);
  // The window previews the keys of all its widgets, for F9.
  qApp->installEventFilter(this);
}

TfmMain::~TfmMain() {
  qApp->removeEventFilter(this);
  // The windows, widgets, bindings and models use the tables: let them go
  // while the data module still exists.
  delete stability_window_;
  delete experiment_window_;
  for (FieldBinding* binding : bindings_) delete binding;  // no writes from here on
  bindings_.clear();
  delete takeCentralWidget();
  delete systems_model_;
  delete phases_model_;
  for (TableSignals* signal : signals_) delete signal;
  signals_.clear();
  dm_->OnSystemScrolled = nullptr;
  dm_->OnPieceCounter = nullptr;
}

bool TfmMain::StartDatabase(const std::string& folder) {
  SetDatabaseFolder(folder);
  dm_->ReadOnlyBox = read_only_box_->isChecked();
  bool started = false;
  // The desktop program writes the database (systems.d is never locked, and
  // it saves when it ends): it holds the folder for as long as it has it
  // open. When another program holds it, the database opens for reading and
  // a save succeeds only once that program has ended without changing it.
  Guarded(dialogs_, [&] { started = dm_->Start(database_folder_, TDM::Access::kWrite); });
  if (!started && dm_->LockRefused()) {
    dialogs_.Error(dm_->OpenError() +
                   ".\nIt is opened for reading: changes can be saved only when no other "
                   "program holds it and none has changed it meanwhile.");
    Guarded(dialogs_, [&] { started = dm_->Start(database_folder_); });
  }
  systems_model_->SetReadOnly(read_only_box_->isChecked());
  UpdateFixedQuantityLabel();
  if (started) diagram_window_->LoadSettings(OutputFolder);
  return started;
}

void TfmMain::SetDatabaseFolder(const std::string& folder) {
  database_folder_ = TStoreDatabase(folder).DatabasePath();
  setWindowTitle("Database: " + Q(database_folder_));
}

// --- Layout.

void TfmMain::BuildWindow() {
  auto signal = [this](TStoreTable& table) {
    auto* s = new TableSignals(table);
    signals_.push_back(s);
    return s;
  };
  TableSignals* systems = signal(dm_->tblSystems);
  TableSignals* phases = signal(dm_->tblPhases);
  TableSignals* gibbs = signal(dm_->tblGibbs);
  const auto bind = [&](TableSignals* table, const char* field, QWidget* widget,
                        bool post_at_once) {
    auto* binding = new FieldBinding(*table, field, widget, dialogs_, post_at_once);
    bindings_.push_back(binding);
    return binding;
  };

  auto* central = new QWidget(this);
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(4, 4, 4, 0);
  auto* main_split = new QSplitter(Qt::Horizontal, central);

  // Left: the systems.
  systems_pane_ = new QGroupBox(" Systems ", main_split);
  auto* systems_layout = new QVBoxLayout(systems_pane_);
  systems_grid_ = MakeGrid(systems_pane_);
  systems_model_ =
      new TableModel(*systems, {{"System_designation", "System designation"}}, dialogs_, this);
  Follow(systems_grid_, systems_model_);
  systems_nav_ = new Navigator(
      *systems, {NavButton::kInsert, NavButton::kDelete, NavButton::kPost, NavButton::kCancel},
      dialogs_, systems_pane_);
  search_box_ = new QLineEdit(systems_pane_);
  search_box_->setPlaceholderText("Type in the text to be searched");
  search_box_->setToolTip("Type in the text to be searched");
  connect(search_box_, &QLineEdit::textChanged, this, &TfmMain::edSearchChange);
  systems_layout->addWidget(systems_grid_);
  systems_layout->addWidget(systems_nav_);
  systems_layout->addWidget(search_box_);

  // Right: the panes of the current system above, the piece editor below.
  auto* right_split = new QSplitter(Qt::Vertical, main_split);
  auto* upper = new QWidget(right_split);
  auto* upper_layout = new QHBoxLayout(upper);
  upper_layout->setContentsMargins(0, 0, 0, 0);

  comments_pane_ = new QGroupBox(" Comments ", upper);
  auto* comments_layout = new QVBoxLayout(comments_pane_);
  comments_memo_ = new QPlainTextEdit(comments_pane_);
  comments_layout->addWidget(comments_memo_);
  bind(systems, "Comment", comments_memo_, false);
  comments_pane_->hide();

  designations_pane_ = new QGroupBox(" List of designations  ", upper);
  auto* designations_layout = new QVBoxLayout(designations_pane_);
  designations_memo_ = new QPlainTextEdit(designations_pane_);
  designations_layout->addWidget(designations_memo_);
  bind(systems, "Abbreviations", designations_memo_, false);
  designations_pane_->hide();

  phases_pane_ = new QGroupBox(" Phases ", upper);
  auto* phases_layout = new QVBoxLayout(phases_pane_);
  phases_grid_ = MakeGrid(phases_pane_);
  phases_model_ =
      new TableModel(*phases, {{"Phase_designation", "Phase designation"}}, dialogs_, this);
  Follow(phases_grid_, phases_model_);
  phases_nav_ = new Navigator(
      *phases, {NavButton::kInsert, NavButton::kDelete, NavButton::kPost, NavButton::kCancel},
      dialogs_, phases_pane_);
  phases_layout->addWidget(phases_grid_);
  phases_layout->addWidget(phases_nav_);

  upper_layout->addWidget(comments_pane_, 2);
  upper_layout->addWidget(designations_pane_, 2);
  upper_layout->addWidget(phases_pane_, 1);

  gibbs_pane_ = new QGroupBox(" Gibbs energy expression ", right_split);
  auto* gibbs_layout = new QVBoxLayout(gibbs_pane_);
  auto* range_row = new QHBoxLayout;
  const auto labelled_edit = [&](const char* caption, const char* field) {
    auto* edit = new QLineEdit(gibbs_pane_);
    range_row->addWidget(new QLabel(caption, gibbs_pane_));
    range_row->addWidget(edit, 1);
    bind(gibbs, field, edit, false);
    return edit;
  };
  tmin_edit_ = labelled_edit("Tmin= ", "Tmin");
  tmax_edit_ = labelled_edit("Tmax= ", "Tmax");
  x_edit_ = labelled_edit("X=", "X");
  expression_memo_ = new QPlainTextEdit(gibbs_pane_);
  expression_memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  expression_memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  expression_memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  bind(gibbs, "Expression", expression_memo_, false);
  gibbs_nav_ =
      new Navigator(*gibbs,
                    {NavButton::kFirst, NavButton::kPrior, NavButton::kNext, NavButton::kLast,
                     NavButton::kInsert, NavButton::kDelete, NavButton::kPost, NavButton::kCancel},
                    dialogs_, gibbs_pane_);
  piece_counter_ = new QLabel(gibbs_pane_);
  piece_counter_->setMinimumWidth(60);
  auto* nav_row = new QHBoxLayout;
  nav_row->addWidget(gibbs_nav_);
  nav_row->addStretch();
  nav_row->addWidget(piece_counter_);
  gibbs_layout->addLayout(range_row);
  gibbs_layout->addWidget(expression_memo_, 1);
  gibbs_layout->addLayout(nav_row);
  // The counter also follows a change of phase, which moves no piece.
  connect(gibbs, &TableSignals::DataChanged, this,
          [this] { piece_counter_->setText(PieceCounterText(dm_->tblGibbs)); });

  for (Navigator* nav : {systems_nav_, phases_nav_, gibbs_nav_}) {
    nav->BeforeAction = [this] { CommitEditors(); };
  }

  main_split->addWidget(systems_pane_);
  main_split->addWidget(right_split);
  systems_pane_->setMinimumWidth(230);
  main_split->setStretchFactor(0, 1);
  main_split->setStretchFactor(1, 3);
  main_split->setSizes({260, 840});
  right_split->setStretchFactor(0, 1);
  right_split->setStretchFactor(1, 2);

  outer->addWidget(main_split, 1);
  bottom_panel_ = BuildBottomPanel();
  outer->addWidget(bottom_panel_);
  setCentralWidget(central);

  status_panels_[0] = new QLabel(this);
  status_panels_[0]->setFixedWidth(250);
  status_panels_[0]->setAlignment(Qt::AlignCenter);
  status_panels_[1] = new QLabel(this);
  status_panels_[1]->setFixedWidth(50);
  statusBar()->addWidget(status_panels_[0]);
  statusBar()->addWidget(status_panels_[1]);

  connect(systems, &TableSignals::DataChanged, this, &TfmMain::UpdateFixedQuantityLabel);
  resize(1100, 760);
}

QWidget* TfmMain::BuildBottomPanel() {
  TableSignals* systems = signals_[0];
  auto* panel = new QWidget(this);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(0, 2, 0, 2);
  const auto bind = [&](const char* field, QWidget* widget) {
    auto* binding = new FieldBinding(*systems, field, widget, dialogs_, true);
    bindings_.push_back(binding);
    return binding;
  };
  const auto y_text = [](TStoreField field) {
    return field.IsNull() ? std::string() : TDM::YminDisplayText(field.AsFloat());
  };

  auto* run_column = new QVBoxLayout;
  run_button_ = new QPushButton("&RUN (F9)", panel);
  stop_button_ = new QPushButton("&STOP", panel);
  stop_button_->setToolTip("Stop the calculation");
  stop_button_->setEnabled(false);
  connect(run_button_, &QPushButton::clicked, this, &TfmMain::sbRunClick);
  connect(stop_button_, &QPushButton::clicked, this, &TfmMain::sbStopClick);
  run_column->addWidget(run_button_);
  run_column->addWidget(stop_button_);
  row->addLayout(run_column);

  auto* y_group = new QGroupBox(" Y-axis  ", panel);
  auto* y_form = new QFormLayout(y_group);
  y_selector_ = new QComboBox(y_group);
  for (const char* item : kYItems) y_selector_->addItem(item);
  bind("Yparameter", y_selector_);
  ymin_edit_ = new QLineEdit(y_group);
  ymax_edit_ = new QLineEdit(y_group);
  bind("Ymin", ymin_edit_)->DisplayText = y_text;
  bind("Ymax", ymax_edit_)->DisplayText = y_text;
  y_form->addRow(" Y is", y_selector_);
  y_form->addRow("Ymin", ymin_edit_);
  y_form->addRow("Ymax", ymax_edit_);
  row->addWidget(y_group);

  auto* points_group = new QGroupBox(" Number of points ", panel);
  auto* points_form = new QFormLayout(points_group);
  xpoints_edit_ = new QLineEdit(points_group);
  ypoints_edit_ = new QLineEdit(points_group);
  for (QLineEdit* edit : {xpoints_edit_, ypoints_edit_}) {
    edit->setValidator(new QIntValidator(-32768, 32767, edit));
  }
  bind("Xpoints", xpoints_edit_);
  bind("Ypoints", ypoints_edit_);
  points_form->addRow("by X axis", xpoints_edit_);
  points_form->addRow("by Y axis", ypoints_edit_);
  row->addWidget(points_group);

  auto* display_group = new QGroupBox("Display", panel);
  auto* display_layout = new QVBoxLayout(display_group);
  mosaic_box_ = new QCheckBox("Mosaic diagram", display_group);
  chart_box_ = new QCheckBox("Working diagram", display_group);
  bind("ShowMosaicDiagram", mosaic_box_);
  bind("ShowChart", chart_box_);
  display_layout->addWidget(mosaic_box_);
  display_layout->addWidget(chart_box_);
  row->addWidget(display_group);

  auto* z_column = new QVBoxLayout;
  fixed_label_ = new QLabel(panel);
  zvalue_edit_ = new QLineEdit(panel);
  bind("Zvalue", zvalue_edit_)->DisplayText = y_text;
  z_column->addWidget(fixed_label_);
  z_column->addWidget(zvalue_edit_);
  z_column->addStretch();
  row->addLayout(z_column);
  row->addWidget(BuildResultButtons(panel));

  auto* windows_group = new QGroupBox("Display windows ", panel);
  auto* windows_layout = new QVBoxLayout(windows_group);
  comments_box_ = new QCheckBox("Comments", windows_group);
  designations_box_ = new QCheckBox("Designations", windows_group);
  connect(comments_box_, &QCheckBox::toggled, this, &TfmMain::chbCommentsClick);
  connect(designations_box_, &QCheckBox::toggled, this, &TfmMain::chbDescriptionClick);
  windows_layout->addWidget(comments_box_);
  windows_layout->addWidget(designations_box_);
  row->addWidget(windows_group);

  auto* end_column = new QVBoxLayout;
  read_only_box_ = new QCheckBox("Read only", panel);
  read_only_box_->setChecked(true);
  connect(read_only_box_, &QCheckBox::toggled, this, &TfmMain::chbReadOnlyClick);
  auto* close_button = new QPushButton("Close", panel);
  connect(close_button, &QPushButton::clicked, this, &TfmMain::N3Click);
  end_column->addWidget(read_only_box_);
  end_column->addStretch();
  end_column->addWidget(close_button);
  row->addStretch();
  row->addLayout(end_column);
  return panel;
}

QWidget* TfmMain::BuildResultButtons(QWidget* panel) {
  auto* column = new QWidget(panel);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  diagram_button_ = new QPushButton("&Diagram", column);
  diagram_button_->setEnabled(false);  // until a run has completed or been stopped
  matrix_button_ = new QPushButton("Matrix", column);
  special_points_button_ = new QPushButton("Special points", column);
  connect(diagram_button_, &QPushButton::clicked, this, &TfmMain::sbDiagramClick);
  connect(matrix_button_, &QPushButton::clicked, this, &TfmMain::sbGridClick);
  connect(special_points_button_, &QPushButton::clicked, this, &TfmMain::sbSpecialPointsClick);
  layout->addWidget(diagram_button_);
  layout->addWidget(matrix_button_);
  layout->addWidget(special_points_button_);
  layout->addStretch();
  return column;
}

void TfmMain::BuildMenus() {
  // Each action is named after its caption, so that tests can find it.
  const auto item = [this](QMenu* menu, const char* caption, void (TfmMain::*slot)()) {
    QAction* action = menu->addAction(caption, this, slot);
    action->setObjectName(caption);
  };
  QMenu* database = menuBar()->addMenu("Database");
  item(database, "Open", &TfmMain::N1Click);
  item(database, "Save", &TfmMain::N6Click);
  item(database, "Create", &TfmMain::N13Click);
  database->addSeparator();
  item(database, "Save the list of designations into text file", &TfmMain::N15Click);
  database->addSeparator();
  item(database, "Close", &TfmMain::N3Click);

  QAction* stability = menuBar()->addAction("Stability parameters", this, &TfmMain::N7Click);
  stability->setObjectName("Stability parameters");
  mosaic_color_action_ = menuBar()->addAction("Mosaic diagram color", this, &TfmMain::N4Click);
  mosaic_color_action_->setObjectName("Mosaic diagram color");

  QMenu* system = menuBar()->addMenu("System");
  item(system, "Download into file", &TfmMain::N8Click);
  item(system, "Upload from file", &TfmMain::N9Click);
  item(system, "Save as text", &TfmMain::N10Click);
  system->addSeparator();
  item(system, "Experimental points", &TfmMain::N12Click);

  menuBar()->addAction("About...", this, &TfmMain::About1Click);
}

void TfmMain::CommitEditors() {
  for (FieldBinding* binding : bindings_) binding->Commit();
}

void TfmMain::UpdateFixedQuantityLabel() {
  if (fixed_label_ == nullptr) return;
  int item = -1;
  try {
    if (dm_->YSelectorIndex) item = dm_->YSelectorIndex();
  } catch (const std::exception&) {
    item = -1;  // a systems table without Yparameter: no fixed quantity to name
  }
  fixed_label_->setText(item == 0   ? "p, bar"
                        : item == 1 ? "T, K"
                        : item == 2 ? "p = 1 bar, T = 300 K"
                                    : "");
  zvalue_edit_->setVisible(item != 2);
}

// --- Run.

void TfmMain::sbRunClick() {
  CommitEditors();
  if (!dm_->tblSystems.Active() || dm_->tblSystems.IsEmpty()) return;
  const bool nested = run_->Running();
  RunOutcome outcome = RunOutcome::kRefused;
  Guarded(dialogs_, [&] { outcome = run_->Run(); });  // a nested run is refused by TRun
  if (nested) return;
  if (outcome == RunOutcome::kRefused) Status("");
  if (outcome != RunOutcome::kRefused && run_->Phases.EvaluationFaults() > 0) {
    Status("Evaluation faults: " + std::to_string(run_->Phases.EvaluationFaults()) +
           " (counted as absent)");
  }
  // An open special points window follows the new nodes.
  if (outcome == RunOutcome::kCompleted && special_points_window_->isVisible()) {
    sbSpecialPointsClick();
  }
  if (close_after_run_) {
    close_after_run_ = false;
    close();
  }
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_F9) {
    run_button_->click();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TfmMain::sbStopClick() {
  if (dialogs_.Confirm("Stop the calculations?")) run_->RequestStop();
}

void TfmMain::Status(const std::string& text) { status_panels_[0]->setText(Q(text)); }

void TfmMain::RunStateChanged(bool running) {
  stop_button_->setEnabled(running);
  if (!running) diagram_button_->setEnabled(true);
  run_windows_->RunStateChanged(running);
  // While rows are computed the database stays where it is: the commands
  // that close, reload or switch it wait for the run to end. The mosaic
  // colour may change during a run, for the rows still to come.
  for (QAction* action : menuBar()->actions()) {
    action->setEnabled(!running || action == mosaic_color_action_);
  }
  read_only_box_->setEnabled(!running);
}

// --- Result windows.

void TfmMain::sbGridClick() { run_windows_->Cells().ShowMatrix(run_->Results.PhaseMatrix); }

void TfmMain::N4Click() {
  if (!ChooseColor) return;
  if (const std::optional<TColor> color = ChooseColor(run_->MosaicColor)) {
    run_->MosaicColor = *color;
  }
}

void TfmMain::RunStarting(const std::string& designation, bool working, bool mosaic) {
  diagram_window_->setWindowTitle(Q(designation));
  run_windows_->RunStarting(designation, working, mosaic);
}
void TfmMain::WorkingSeries(const std::vector<std::string>& solution_phases) {
  run_windows_->WorkingSeries(solution_phases);
}
void TfmMain::WorkingAxisIncrement(double increment) {
  run_windows_->WorkingAxisIncrement(increment);
}
void TfmMain::WorkingClear() { run_windows_->WorkingClear(); }
void TfmMain::WorkingPoint(std::size_t series, double x, double g) {
  run_windows_->WorkingPoint(series, x, g);
}
void TfmMain::WorkingRowDone() { run_windows_->WorkingRowDone(); }
void TfmMain::MosaicStart() { run_windows_->MosaicStart(); }
int TfmMain::MosaicWidth() const { return run_windows_->MosaicWidth(); }
int TfmMain::MosaicHeight() const { return run_windows_->MosaicHeight(); }
void TfmMain::MosaicHLine(int x0, int x1, int y, TColor color) {
  run_windows_->MosaicHLine(x0, x1, y, color);
}
void TfmMain::MosaicEllipse(int x0, int y0, int x1, int y1) {
  run_windows_->MosaicEllipse(x0, y0, x1, y1);
}

// --- Database commands.

void TfmMain::N1Click() {
  CommitEditors();
  const QString file = ChooseFileAndEnter("DB files (*.d)", "gibbs_energy.d", false);
  if (file.isEmpty()) return;
  const std::string folder = QFileInfo(file).absolutePath().toStdString();
  bool switched = false;
  Guarded(dialogs_, [&] { switched = dm_->SwitchFolder(folder); });
  // A refused folder leaves the open database, and the caption names it.
  if (switched) SetDatabaseFolder(folder);
  UpdateFixedQuantityLabel();
}

void TfmMain::N6Click() {
  CommitEditors();
  Guarded(dialogs_, [&] { dm_->SaveDatabase(); });
}

void TfmMain::N13Click() {
  CommitEditors();
  const QString file = ChooseFileAndEnter("DB files (*.d)", "gibbs_energy.d", true);
  if (file.isEmpty()) return;
  const std::string folder = QFileInfo(file).absolutePath().toStdString();
  bool created = false;
  Guarded(dialogs_, [&] { created = dm_->CreateDatabase(folder); });
  if (!created) return;
  SetDatabaseFolder(folder);
  // The new database is opened locked: the box says so.
  ShowLockState();
  UpdateFixedQuantityLabel();
}

void TfmMain::ShowLockState() {
  const bool locked = dm_->tblPhases.ReadOnly();
  const QSignalBlocker blocker(read_only_box_);
  read_only_box_->setChecked(locked);
  dm_->ReadOnlyBox = locked;
  systems_model_->SetReadOnly(locked);
}

void TfmMain::N15Click() {
  CommitEditors();
  ShownByCore(dialogs_, [&] { WriteDesignationsCatalogue(*dm_, OutputFolder, dialogs_); });
}

void TfmMain::N3Click() { close(); }

QString TfmMain::ChooseFileAndEnter(const QString& filter, const QString& file_name,
                                    bool for_saving) {
  const QString file = ChooseFile ? ChooseFile(filter, file_name, for_saving) : QString();
  if (!file.isEmpty()) QDir::setCurrent(QFileInfo(file).absolutePath());
  return file;
}

void TfmMain::N7Click() {
  CommitEditors();
  stability_window_->RefreshCounter();
  stability_window_->show();
  stability_window_->raise();
  stability_window_->activateWindow();
}

void TfmMain::N12Click() {
  CommitEditors();
  TStoreTable& points = dm_->tblExperiment;
  if (!points.Active()) {
    if (!Guarded(dialogs_, [&] { points.Open(); })) return;
  }
  experiment_window_->show();
  experiment_window_->raise();
  experiment_window_->activateWindow();
}

void TfmMain::N8Click() {
  CommitEditors();
  if (!dm_->tblSystems.Active() || dm_->tblSystems.IsEmpty()) return;
  ShownByCore(dialogs_, [&] { DownloadSystem(*dm_, OutputFolder, dialogs_); });
}

void TfmMain::N9Click() {
  CommitEditors();
  const QString file = ChooseFileAndEnter("Text files (*.ter)", "", false);
  if (file.isEmpty()) return;
  // A system of the same designation is replaced only when the user says so.
  Guarded(dialogs_,
          [&] { UploadSystem(*dm_, file.toStdString(), dialogs_, ExistingSystem::kAsk); });
}

void TfmMain::N10Click() {
  CommitEditors();
  if (!dm_->tblSystems.Active() || dm_->tblSystems.IsEmpty()) return;
  Guarded(dialogs_, [&] {
    const std::string name =
        SafeFileName(dm_->tblSystems.FieldByName("System_designation").AsString()) + ".txt";
    // The listing leaves the last run, its results and its diagram alone.
    try {
      WritePhaseListing(*dm_, dialogs_, OutputFolder);
    } catch (...) {
      dialogs_.Information("Data are saved into " + name);
      throw;
    }
    dialogs_.Information("Data are saved into " + name);
  });
}

void TfmMain::About1Click() {
  AboutBox about(this);
  about.exec();
}

void TfmMain::edSearchChange(const QString& text) {
  const std::string wanted = QString(text).trimmed().toStdString();
  TStoreTable& systems = dm_->tblSystems;
  if (wanted.empty() || !systems.Active()) return;
  const std::optional<std::size_t> field = systems.FieldIndex("System_designation");
  if (!field) return;
  for (int rec_no = 1; rec_no <= systems.RecordCount(); ++rec_no) {
    if (systems.TextAt(rec_no, *field).starts_with(wanted)) {
      Guarded(dialogs_, [&] { systems.SetRecNo(rec_no); });
      return;
    }
  }
}

void TfmMain::chbReadOnlyClick(bool checked) {
  if (!checked && password_required_) {
    const QString typed = PasswordPrompt ? PasswordPrompt() : QString();
    if (typed != kEditPassword) {
      read_only_box_->setChecked(true);  // runs this handler again, for the checked box
      return;
    }
    password_required_ = false;
  }
  dm_->ReadOnlyBox = checked;
  Guarded(dialogs_, [&] { dm_->SetReadOnly(checked); });
  systems_model_->SetReadOnly(checked);
  UpdateFixedQuantityLabel();
}

void TfmMain::chbCommentsClick(bool checked) { comments_pane_->setVisible(checked); }

void TfmMain::chbDescriptionClick(bool checked) { designations_pane_->setVisible(checked); }

void TfmMain::sbDiagramClick() {
  Guarded(dialogs_, [&] {
    diagram_ = BuildRunDiagram(*run_, *dm_, diagram_window_->FootText);
    special_points_window_->SetOtherSpecialPoints(run_->Results.OtherSpecialPoints);
    diagram_window_->ShowDiagram(diagram_, &run_->Results.PhaseMatrix);
  });
}

void TfmMain::sbSpecialPointsClick() {
  special_points_window_->FillNodes(run_->Results.NodeList, run_->YItem, NodeYFormat::kMainWindow,
                                    run_->Separators());
}

void TfmMain::closeEvent(QCloseEvent* event) {
  if (run_->Running()) {
    // The run ends at its next row; the window closes when it has.
    run_->RequestStop();
    close_after_run_ = true;
    event->ignore();
    return;
  }
  CommitEditors();
  if (dm_->tblSystems.Active()) {
    bool saved = false;
    std::string error;
    try {
      dm_->SaveDatabase();
      saved = true;
    } catch (const EAbort&) {
      error = "A record could not be posted.";
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (!saved && !dialogs_.Confirm(error + "\nClose without saving the database?")) {
      event->ignore();
      return;
    }
  }
  run_windows_->HideAll();
  diagram_window_->SaveSettings(OutputFolder);
  diagram_window_->hide();
  special_points_window_->hide();
  event->accept();
}

}  // namespace binodal::app
