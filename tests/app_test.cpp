// The main window of the desktop program, driven off screen through its
// widgets; the checks look at the tables behind it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include <unistd.h>

#include "app/experiment_window.h"
#include "app/main_window.h"
#include "app/navigator.h"
#include "app/stability_window.h"
#include "charts/gui_application.h"
#include "support/bundled_database.h"
#include "support/recording_dialogs.h"
#include "support/temp_database.h"

namespace binodal::app {
namespace {

using testing_support::RecordingDialogs;
using testing_support::TempFolder;
using testing_support::UserDialogs;
using testing_support::WriteBundledDatabase;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    charts::EnsureGuiApplication();
    ASSERT_NO_FATAL_FAILURE(WriteBundledDatabase(folder.str(), {"Ag+Cu", "A+B", "Pb+Sn"}));
    window = std::make_unique<TfmMain>(dialogs);
    window->OutputFolder = folder.str();
    window->PasswordPrompt = [this] {
      ++prompts;
      return password;
    };
    ASSERT_TRUE(window->StartDatabase(folder.str()));
    window->show();
    QApplication::processEvents();
    dialogs.entries.clear();
  }

  void TearDown() override {
    window.reset();
    QApplication::processEvents();
    std::filesystem::current_path(start_directory);  // file dialogs move it
  }

  TStoreTable& Systems() { return window->DM().tblSystems; }
  std::string Current(TStoreTable& table, const char* field) {
    return table.FieldByName(field).AsString();
  }
  void SelectSystem(const std::string& name) {
    window->SearchBox()->setText(QString::fromStdString(name));
    ASSERT_EQ(Current(Systems(), "System_designation"), name);
  }
  void Unlock() {
    password = TfmMain::kEditPassword;
    window->ReadOnlyBox()->setChecked(false);
    ASSERT_FALSE(window->DM().tblPhases.ReadOnly());
  }
  static void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->setText(text);
    emit edit->editingFinished();
  }
  static void Key(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
  }
  // Opens the grid's editor on a cell, types `text` and presses Enter.
  static void EditCell(QTableView* grid, int row, const QString& text, int column = 0) {
    const QModelIndex index = grid->model()->index(row, column);
    grid->setCurrentIndex(index);
    grid->edit(index);
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(index));
    ASSERT_NE(editor, nullptr) << "no editor opened";
    editor->setText(text);
    Key(editor, Qt::Key_Return);  // the delegate commits from the event loop
    for (int pass = 0; pass < 3; ++pass) QApplication::processEvents();
  }

  // Records of a saved table file, whatever their master.
  static int RecordsInFile(const std::filesystem::path& file) {
    TStoreTable table;
    table.SetTableName(file.string());
    table.Open();
    return table.RecordCount();
  }
  bool Said(const std::string& kind, const std::string& text) const {
    return std::any_of(dialogs.entries.begin(), dialogs.entries.end(),
                       [&](const auto& entry) { return entry.kind == kind && entry.text == text; });
  }
  void Trigger(const char* action) {
    QAction* found = window->findChild<QAction*>(action);
    ASSERT_NE(found, nullptr) << action;
    found->trigger();
  }

  std::filesystem::path start_directory = std::filesystem::current_path();
  TempFolder folder;
  UserDialogs dialogs;
  std::unique_ptr<TfmMain> window;
  QString password;
  int prompts = 0;
};

TEST_F(MainWindowTest, OpensOnTheDatabaseWithTheSystemsListed) {
  EXPECT_EQ(window->windowTitle().toStdString(), "Database: " + folder.str());
  QAbstractItemModel* model = window->SystemsGrid()->model();
  ASSERT_EQ(model->rowCount(), 3);
  // In the order of the systems list (Element1;Element2;Element3).
  EXPECT_EQ(model->data(model->index(0, 0)).toString(), "A+B");
  EXPECT_EQ(model->data(model->index(1, 0)).toString(), "Ag+Cu");
  EXPECT_EQ(model->data(model->index(2, 0)).toString(), "Pb+Sn");
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "System designation");
  EXPECT_EQ(window->SystemsGrid()->currentIndex().row(), 0);
  // The phases of the current system, locked; panes hidden; idle run controls.
  EXPECT_EQ(window->PhasesGrid()->model()->rowCount(), 2);
  EXPECT_TRUE(window->ReadOnlyBox()->isChecked());
  EXPECT_TRUE(window->DM().tblGibbs.ReadOnly());
  EXPECT_FALSE(window->CommentsPane()->isVisible());
  EXPECT_FALSE(window->DesignationsPane()->isVisible());
  EXPECT_FALSE(window->StopButton()->isEnabled());
  EXPECT_EQ(window->FixedQuantityLabel()->text(), "p, bar");
  EXPECT_TRUE(window->ExpressionMemo()->isReadOnly());
}

TEST_F(MainWindowTest, StartOnAFolderWithoutDatabaseFails) {
  TempFolder empty;
  TfmMain other(dialogs);
  EXPECT_FALSE(other.StartDatabase(empty.str()));
  ASSERT_FALSE(dialogs.entries.empty());
  EXPECT_EQ(dialogs.entries.back().text, "Can not open database files");
}

TEST_F(MainWindowTest, ClickingARowMakesItsSystemCurrentAndPanesFollow) {
  window->CommentsBox()->setChecked(true);
  EXPECT_TRUE(window->CommentsPane()->isVisible());
  QTableView* grid = window->SystemsGrid();
  grid->setCurrentIndex(grid->model()->index(2, 0));
  EXPECT_EQ(Current(Systems(), "System_designation"), "Pb+Sn");
  EXPECT_FALSE(window->CommentsMemo()->toPlainText().isEmpty());
  EXPECT_EQ(window->CommentsMemo()->toPlainText(),
            QString::fromStdString(Current(Systems(), "Comment")).remove('\r'));
  // The phases grid and the piece editor follow.
  TStoreTable& gibbs = window->DM().tblGibbs;
  EXPECT_EQ(window->ExpressionMemo()->toPlainText(),
            QString::fromStdString(Current(gibbs, "Expression")).remove('\r'));
  EXPECT_EQ(window->PieceCounter()->text(), QString("1/%1").arg(gibbs.RecordCount()));
  window->CommentsBox()->setChecked(false);
  EXPECT_FALSE(window->CommentsPane()->isVisible());
}

TEST_F(MainWindowTest, SearchFindsTheFirstDesignationBeginningWithTheTextCaseSensitively) {
  SelectSystem("Pb+Sn");
  window->SearchBox()->setText("ag");
  EXPECT_EQ(Current(Systems(), "System_designation"), "Pb+Sn");
  window->SearchBox()->setText("  Ag");
  EXPECT_EQ(Current(Systems(), "System_designation"), "Ag+Cu");
  EXPECT_EQ(window->SystemsGrid()->currentIndex().row(), 1);
  window->SearchBox()->setText("");
  EXPECT_EQ(Current(Systems(), "System_designation"), "Ag+Cu");
}

TEST_F(MainWindowTest, EditLockAsksForThePasswordOnceAndReloadsTheTables) {
  // A wrong password: the box stays checked, the tables stay locked.
  password = "58";
  window->ReadOnlyBox()->setChecked(false);
  EXPECT_EQ(prompts, 1);
  EXPECT_TRUE(window->ReadOnlyBox()->isChecked());
  EXPECT_TRUE(window->DM().tblPhases.ReadOnly());
  EXPECT_TRUE(window->PasswordRequired());

  Unlock();
  EXPECT_EQ(prompts, 2);
  EXPECT_FALSE(window->PasswordRequired());
  EXPECT_FALSE(window->ExpressionMemo()->isReadOnly());

  // An unsaved edit is lost when the lock is set again; unlocking is free now.
  SelectSystem("Ag+Cu");
  Systems().Edit();
  Systems().FieldByName("Comment").SetAsString("scratch");
  Systems().Post();
  window->ReadOnlyBox()->setChecked(true);
  EXPECT_TRUE(window->DM().tblPhases.ReadOnly());
  window->ReadOnlyBox()->setChecked(false);
  EXPECT_EQ(prompts, 2);
  EXPECT_FALSE(window->DM().tblPhases.ReadOnly());
  ASSERT_TRUE(Systems().Locate("System_designation", "Ag+Cu"));
  EXPECT_NE(Current(Systems(), "Comment"), "scratch");
}

TEST_F(MainWindowTest, EditingASystemCellPostsThroughTheStore) {
  QTableView* grid = window->SystemsGrid();
  // Locked: the posted systems cannot be typed over.
  EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, 0)) & Qt::ItemIsEditable);
  Unlock();
  EditCell(grid, 2, "Pb+Sn+Bi");
  ASSERT_EQ(Systems().State(), TableState::kBrowse);
  ASSERT_TRUE(Systems().Locate("System_designation", "Pb+Sn+Bi"));
  EXPECT_EQ(Current(Systems(), "Element3"), "Bi");
  EXPECT_EQ(grid->model()->data(grid->model()->index(2, 0)).toString(), "Pb+Sn+Bi");

  // A refused post is shown and the record stays in edit state with its values.
  EditCell(grid, 2, "A+B+C+D");
  ASSERT_FALSE(dialogs.entries.empty());
  EXPECT_EQ(dialogs.entries.back().text, "Too many elements in the system");
  EXPECT_EQ(Systems().State(), TableState::kEdit);
  window->SystemsNavigator()->Press(NavButton::kCancel);
  EXPECT_EQ(Current(Systems(), "System_designation"), "Pb+Sn+Bi");
}

TEST_F(MainWindowTest, NewSystemCanBeNamedInTheLockedGrid) {
  window->SystemsNavigator()->Press(NavButton::kInsert);
  ASSERT_EQ(Systems().State(), TableState::kInsert);
  QTableView* grid = window->SystemsGrid();
  ASSERT_EQ(grid->model()->rowCount(), 4);
  const int row = Systems().RecNo() - 1;
  EditCell(grid, row, "Cu+Zn");
  EXPECT_EQ(Systems().State(), TableState::kBrowse);
  EXPECT_EQ(Systems().RecordCount(), 4);
  ASSERT_TRUE(Systems().Locate("System_designation", "Cu+Zn"));
  EXPECT_EQ(Systems().FieldByName("Xpoints").AsInteger(), 100);  // the new-system defaults
}

TEST_F(MainWindowTest, PieceEditorWritesTheExpressionOnPost) {
  Unlock();
  SelectSystem("A+B");
  QPlainTextEdit* memo = window->ExpressionMemo();
  EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
  memo->setFocus();
  memo->setPlainText("(1-X)*(10000-10*T)\n+X*(12000-10*T)");
  window->GibbsNavigator()->Press(NavButton::kPost);
  TStoreTable& gibbs = window->DM().tblGibbs;
  EXPECT_EQ(gibbs.State(), TableState::kBrowse);
  // The memo's lines end as the stored text's did.
  EXPECT_EQ(Current(gibbs, "Expression"), "(1-X)*(10000-10*T)\r\n+X*(12000-10*T)");

  // An empty expression is refused by the data module and can be cancelled.
  memo->setPlainText("");
  window->GibbsNavigator()->Press(NavButton::kPost);
  ASSERT_FALSE(dialogs.entries.empty());
  EXPECT_EQ(dialogs.entries.back().text, "Function is not specified");
  window->GibbsNavigator()->Press(NavButton::kCancel);
  EXPECT_EQ(memo->toPlainText(), "(1-X)*(10000-10*T)\n+X*(12000-10*T)");
}

TEST_F(MainWindowTest, RunSettingsEditsPostToTheCurrentSystem) {
  SelectSystem("Pb+Sn");
  QLineEdit* zvalue = window->ZvalueEdit();
  Type(zvalue, "2.5");
  EXPECT_EQ(Systems().State(), TableState::kBrowse);
  EXPECT_DOUBLE_EQ(Systems().FieldByName("Zvalue").AsFloat(), 2.5);
  window->YSelector()->setCurrentIndex(2);
  emit window->YSelector()->activated(2);
  EXPECT_EQ(Current(Systems(), "Yparameter"), "Y");
  EXPECT_EQ(window->FixedQuantityLabel()->text(), "p = 1 bar, T = 300 K");
  EXPECT_TRUE(window->ZvalueEdit()->isHidden());
  // Another system shows its own settings.
  SelectSystem("Ag+Cu");
  EXPECT_EQ(window->YSelector()->currentText(), "Temperature");
  EXPECT_FALSE(window->ZvalueEdit()->isHidden());
}

TEST_F(MainWindowTest, OpenRefusesAFolderWithoutTablesAndKeepsTheDatabase) {
  TempFolder elsewhere;
  window->ChooseFile = [&](const QString&, const QString&, bool) {
    return QString::fromStdString((elsewhere / "gibbs_energy.d").string());
  };
  window->findChild<QAction*>("Open")->trigger();
  ASSERT_FALSE(dialogs.entries.empty());
  EXPECT_EQ(dialogs.entries.back().kind, "error");
  // The caption keeps naming the database that is still open.
  EXPECT_EQ(window->DatabaseFolder(), folder.str());
  EXPECT_EQ(window->windowTitle().toStdString(), "Database: " + folder.str());
  EXPECT_EQ(window->SystemsGrid()->model()->rowCount(), 3);
}

TEST_F(MainWindowTest, CreateSwitchesToAnEmptyLockedDatabase) {
  Unlock();
  TempFolder elsewhere;
  window->ChooseFile = [&](const QString&, const QString&, bool for_saving) {
    EXPECT_TRUE(for_saving);
    return QString::fromStdString((elsewhere / "gibbs_energy.d").string());
  };
  window->findChild<QAction*>("Create")->trigger();
  EXPECT_EQ(window->DatabaseFolder(), elsewhere.str());
  EXPECT_EQ(window->windowTitle().toStdString(), "Database: " + elsewhere.str());
  EXPECT_EQ(window->SystemsGrid()->model()->rowCount(), 0);
  EXPECT_TRUE(std::filesystem::exists(elsewhere / "systems.d"));
  // The new tables are opened locked, and the box says so.
  EXPECT_TRUE(window->DM().tblPhases.ReadOnly());
  EXPECT_TRUE(window->ReadOnlyBox()->isChecked());
  window->ReadOnlyBox()->setChecked(false);
  EXPECT_FALSE(window->DM().tblPhases.ReadOnly());
}

TEST_F(MainWindowTest, SystemCommandsWriteIntoTheOutputFolder) {
  SelectSystem("A+B");
  window->findChild<QAction*>("Download into file")->trigger();
  EXPECT_TRUE(std::filesystem::exists(folder / "A+B.ter"));
  window->findChild<QAction*>("Save as text")->trigger();
  EXPECT_TRUE(std::filesystem::exists(folder / "A+B.txt"));
  window->findChild<QAction*>("Save the list of designations into text file")->trigger();
  EXPECT_TRUE(std::filesystem::exists(folder / "Keldan_cat"));
  EXPECT_EQ(Current(Systems(), "System_designation"), "A+B");
  for (const auto& entry : dialogs.entries) EXPECT_EQ(entry.kind, "information") << entry.text;
  EXPECT_EQ(dialogs.entries.size(), 3U);
}

TEST_F(MainWindowTest, DeletingASystemTakesItsPhasesAndPiecesButLeavesItsPoints) {
  Unlock();
  SelectSystem("Ag+Cu");
  // A point typed into the experimental points window.
  Trigger("Experimental points");
  TfmExperiment* points = window->ExperimentWindow();
  ASSERT_TRUE(points->isVisible());
  TStoreTable& experiment = window->DM().tblExperiment;
  const int own_points = experiment.RecordCount() + 1;
  QTableView* grid = points->PointsGrid();
  ASSERT_EQ(grid->model()->columnCount(), 5);
  EXPECT_EQ(grid->model()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "X value");
  points->PointsNavigator()->Press(NavButton::kInsert);
  // The first value posts the record, which then takes its place at the end.
  EditCell(grid, experiment.RecNo() - 1, "Murray 1984");
  EditCell(grid, experiment.RecNo() - 1, "0.6", 2);
  EditCell(grid, experiment.RecNo() - 1, "1052", 4);
  EXPECT_EQ(experiment.State(), TableState::kBrowse);
  ASSERT_EQ(experiment.RecordCount(), own_points);
  EXPECT_EQ(experiment.FieldByName("SQUIB").AsString(), "Murray 1984");
  EXPECT_DOUBLE_EQ(experiment.FieldByName("Y_value").AsFloat(), 1052);
  EXPECT_EQ(experiment.FieldByName("system_id").AsInteger(),
            Systems().FieldByName("System_id").AsInteger());

  Trigger("Save");
  const auto count = [this](const char* file) { return RecordsInFile(folder / file); };
  const int systems = count("systems.d"), phases = count("phases.d"),
            pieces = count("gibbs_energy.d"), all_points = count("experim_data.d");
  int own_pieces = 0;
  TStoreTable& phase_table = window->DM().tblPhases;
  const int own_phases = phase_table.RecordCount();
  for (phase_table.First(); !phase_table.Eof(); phase_table.Next()) {
    own_pieces += window->DM().tblGibbs.RecordCount();
  }
  ASSERT_GT(own_phases, 1);
  ASSERT_GE(own_pieces, own_phases);

  window->SystemsNavigator()->Press(NavButton::kDelete);
  EXPECT_TRUE(Said("confirm", "Delete record?"));
  Trigger("Save");
  EXPECT_EQ(count("systems.d"), systems - 1);
  EXPECT_EQ(count("phases.d"), phases - own_phases);
  EXPECT_EQ(count("gibbs_energy.d"), pieces - own_pieces);
  EXPECT_EQ(count("experim_data.d"), all_points);
}

TEST_F(MainWindowTest, UploadThenDownloadGivesBackTheSameFile) {
  Unlock();
  const auto bytes = [](const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  // The bundled systems the database does not hold yet: nothing of them may
  // be cut or changed on the way in and out.
  for (const std::string name : {"Mg+Si", "Al+Zn"}) {
    const std::string source = std::string(BINODAL_DATA_DIR) + "/" + name + ".ter";
    window->ChooseFile = [&](const QString& filter, const QString&, bool) {
      EXPECT_EQ(filter, "Text files (*.ter)");
      return QString::fromStdString(source);
    };
    Trigger("Upload from file");
    SelectSystem(name);
    Trigger("Download into file");
    EXPECT_EQ(bytes(folder / (name + ".ter")), bytes(source)) << name;
  }
  for (const auto& entry : dialogs.entries) EXPECT_NE(entry.kind, "error") << entry.text;
}

// Uploading a system the database holds asks whether to replace it; it is
// never added a second time.
TEST_F(MainWindowTest, UploadOfAnExistingSystemAsksWhetherToReplaceIt) {
  Unlock();
  SelectSystem("Ag+Cu");
  const int systems = Systems().RecordCount();
  const std::int64_t id = Systems().FieldByName("System_id").AsInteger();
  window->ChooseFile = [&](const QString&, const QString&, bool) {
    return QString::fromStdString(std::string(BINODAL_DATA_DIR) + "/Ag+Cu.ter");
  };
  const std::string question =
      "The database holds a system Ag+Cu already. Replace it, with its phases, Gibbs energy "
      "pieces and experimental points, by the system of the file?";

  dialogs.confirm_answer = false;
  Trigger("Upload from file");
  EXPECT_EQ(dialogs.entries, (std::vector<RecordingDialogs::Entry>{{"confirm", question}}));
  EXPECT_EQ(Systems().RecordCount(), systems);
  SelectSystem("Ag+Cu");
  EXPECT_EQ(Systems().FieldByName("System_id").AsInteger(), id);

  dialogs.confirm_answer = true;
  dialogs.entries.clear();
  Trigger("Upload from file");
  EXPECT_TRUE(Said("confirm", question));
  EXPECT_TRUE(Said("information", "New data are saved into the database"));
  EXPECT_EQ(Systems().RecordCount(), systems);
  SelectSystem("Ag+Cu");
  EXPECT_NE(Systems().FieldByName("System_id").AsInteger(), id);
  for (const auto& entry : dialogs.entries) EXPECT_NE(entry.kind, "error") << entry.text;
}

TEST_F(MainWindowTest, StabilityWindowEditsParametersAndTheirPieces) {
  Unlock();
  Trigger("Stability parameters");
  TfmStability* stability = window->StabilityWindow();
  ASSERT_TRUE(stability->isVisible());
  EXPECT_TRUE(window->isEnabled());  // the main window is not blocked
  TStoreTable& parameters = window->DM().tblStability;
  TStoreTable& pieces = window->DM().tblStabDet;
  EXPECT_EQ(stability->PieceCounter()->text(), QString("1/%1").arg(pieces.RecordCount()));

  // A new parameter, named in its grid, and two pieces that meet.
  stability->ParametersNavigator()->Press(NavButton::kInsert);
  EditCell(stability->ParametersGrid(), parameters.RecNo() - 1, "GNEW");
  ASSERT_EQ(parameters.State(), TableState::kBrowse);
  ASSERT_EQ(parameters.FieldByName("Designation").AsString(), "GNEW");
  EXPECT_EQ(stability->PieceCounter()->text(), "0/0");
  stability->PiecesNavigator()->Press(NavButton::kInsert);
  EXPECT_TRUE(stability->TminEdit()->text().isEmpty());  // the first piece has no Tmin yet
  Type(stability->TminEdit(), "298.15");
  Type(stability->TmaxEdit(), "1000");
  stability->ExpressionMemo()->setPlainText("(1000-2*T)");
  stability->PiecesNavigator()->Press(NavButton::kPost);
  EXPECT_EQ(stability->PieceCounter()->text(), "1/1");
  stability->PiecesNavigator()->Press(NavButton::kInsert);
  EXPECT_EQ(stability->TminEdit()->text(), "1000");
  stability->ExpressionMemo()->setPlainText("(-1000)");
  stability->PiecesNavigator()->Press(NavButton::kPost);
  EXPECT_EQ(stability->PieceCounter()->text(), "2/2");
  EXPECT_EQ(pieces.FieldByName("Expression").AsString(), "(-1000)");
  EXPECT_DOUBLE_EQ(pieces.FieldByName("Tmin").AsFloat(), 1000);

  // Deleting the parameter takes its pieces.
  stability->ParametersNavigator()->Press(NavButton::kDelete);
  EXPECT_FALSE(parameters.Locate("Designation", "GNEW"));
  EXPECT_TRUE(dialogs.entries.size() == 1 && dialogs.entries[0].kind == "confirm");

  stability->close();
  EXPECT_FALSE(stability->isVisible());
  EXPECT_EQ(window->StabilityWindow(), stability);  // hidden, kept for the next time
}

TEST_F(MainWindowTest, StabilityDataMenuSavesAndUploadsTheParametersFile) {
  Unlock();
  TfmStability* stability = window->StabilityWindow();
  const int saved = window->DM().tblStability.RecordCount();
  std::filesystem::current_path(folder.str());
  stability->findChild<QAction*>("Save to file")->trigger();
  EXPECT_TRUE(std::filesystem::exists(folder / "STABILITY_PARAMS.txt"));
  EXPECT_TRUE(Said("information", "Stabilty parameters are saved into STABILITY_PARAMS.txt"));

  // Read back into the database it came from: every parameter is there already.
  stability->findChild<QAction*>("Upload from file")->trigger();
  EXPECT_TRUE(Said("information", "Stability parameters are saved into database"));
  EXPECT_EQ(window->DM().tblStability.RecordCount(), saved);

  // A database opened from another folder makes that folder the one the
  // upload looks in.
  TempFolder elsewhere;
  TDM::CreateEmptyDatabase(elsewhere.str());
  window->ChooseFile = [&](const QString&, const QString&, bool) {
    return QString::fromStdString((elsewhere / "gibbs_energy.d").string());
  };
  Trigger("Open");
  dialogs.entries.clear();
  stability->findChild<QAction*>("Upload from file")->trigger();
  ASSERT_EQ(dialogs.entries.size(), 1U);
  EXPECT_EQ(dialogs.entries[0].kind, "warning");
  EXPECT_EQ(dialogs.entries[0].text, "File STABILITY_PARAMS.txt not found");
}

class RunTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    SelectSystem("Ag+Cu");
    // A coarse grid keeps the run short.
    Systems().Edit();
    Systems().FieldByName("Xpoints").SetAsInteger(40);
    Systems().FieldByName("Ypoints").SetAsInteger(20);
    Systems().Post();
  }
};

TEST_F(RunTest, F9RunsTheCurrentSystemAndFillsTheResults) {
  Key(window->SystemsGrid(), Qt::Key_F9);
  const TRun& run = window->Run();
  EXPECT_FALSE(run.Running());
  EXPECT_EQ(run.RowsComputed(), 21);
  EXPECT_EQ(run.Results.CompositionList.size(), 41U);
  EXPECT_GT(run.Results.BoundaryLast, 0);
  EXPECT_FALSE(run.Results.NodeList.empty());  // the eutectic
  EXPECT_FALSE(window->Diagram().Series.empty());
  EXPECT_FALSE(window->StopButton()->isEnabled());
  EXPECT_FALSE(window->StatusPanel(0)->text().isEmpty());
  EXPECT_TRUE(dialogs.entries.empty()) << dialogs.entries.front().text;
}

// The Y selector shows a Yparameter stored in another letter case, and RUN
// writes nothing over one it has no item for: the run refuses it instead.
TEST_F(RunTest, YSelectorKeepsTheStoredYParameter) {
  struct Case {
    const char* stored;
    int item;  // of the selector; -1: none, the run is refused
  };
  for (const Case& c : {Case{"temperature", 0}, Case{"Temp", -1}}) {
    SCOPED_TRACE(c.stored);
    Systems().Edit();
    Systems().FieldByName("Yparameter").SetAsString(c.stored);
    Systems().Post();
    SelectSystem("A+B");  // back again: the panes show the stored value
    SelectSystem("Ag+Cu");
    EXPECT_EQ(window->YSelector()->currentIndex(), c.item);
    dialogs.entries.clear();
    Key(window->SystemsGrid(), Qt::Key_F9);
    EXPECT_EQ(Current(Systems(), "Yparameter"), c.stored);
    if (c.item < 0) {
      EXPECT_TRUE(Said("warning", "Unknown Y parameter \"Temp\": Y is Temperature, Pressure or Y"));
    } else {
      EXPECT_EQ(window->Run().RowsComputed(), 21);
      EXPECT_EQ(window->Run().RunT, 600);  // Ag+Cu's Ymin: T followed the rows
      EXPECT_TRUE(dialogs.entries.empty()) << dialogs.entries.front().text;
    }
  }
}

TEST_F(RunTest, F9TakesTheSettingStillBeingTyped) {
  QLineEdit* ypoints = window->YpointsEdit();
  ypoints->setFocus();
  ypoints->setText("4");  // no Enter, the focus stays in the edit
  Key(ypoints, Qt::Key_F9);
  EXPECT_EQ(window->Run().RowsComputed(), 5);
  EXPECT_EQ(Systems().FieldByName("Ypoints").AsInteger(), 4);
  EXPECT_EQ(Systems().State(), TableState::kBrowse);
}

TEST_F(RunTest, StopAsksAndEndsTheRunBeforeTheNextRow) {
  dialogs.DuringRun = [this](int rows_done) {
    if (rows_done == 1) {
      // A second run while one runs is refused.
      window->RunButton()->click();
    }
    if (rows_done == 3) {
      EXPECT_TRUE(window->StopButton()->isEnabled());
      window->StopButton()->click();
    }
  };
  window->RunButton()->click();
  const TRun& run = window->Run();
  EXPECT_FALSE(run.Running());
  // Events are processed before the first row and after every row: the stop
  // pressed after the second row lets no further row start.
  EXPECT_EQ(run.RowsComputed(), 2);
  EXPECT_TRUE(window->Diagram().Series.empty());  // a stopped run builds no diagram
  const auto said = [this](const std::string& kind, const std::string& text) {
    return std::any_of(dialogs.entries.begin(), dialogs.entries.end(),
                       [&](const auto& entry) { return entry.kind == kind && entry.text == text; });
  };
  EXPECT_TRUE(said("confirm", "Stop the calculations?"));
  EXPECT_TRUE(std::any_of(dialogs.entries.begin(), dialogs.entries.end(),
                          [](const auto& entry) { return entry.kind == "warning"; }));
  EXPECT_FALSE(window->StopButton()->isEnabled());
}

TEST_F(RunTest, SaveAsTextLeavesTheLastRunAndItsDiagramAlone) {
  window->RunButton()->click();
  const TRun& run = window->Run();
  ASSERT_GT(run.Results.BoundaryLast, 0);
  const ChartModel diagram = window->Diagram();
  const TaTZpoint boundaries = run.Results.BoundaryPoints;
  const int boundary_last = run.Results.BoundaryLast;
  const std::string x_caption = run.XCaption;
  const double ymax = run.Ymax;
  ASSERT_FALSE(diagram.Series.empty());

  // A caption a run would take, then settings a run would refuse: the listing
  // neither reads nor reports them, and the last run keeps its results.
  struct Edit {
    double ymax;
    const char* designations;
  };
  for (const Edit edit : {Edit{ymax, "#XCAP=changed"}, Edit{0, "#XCAP=changed again"}}) {
    Systems().Edit();
    Systems().FieldByName("Ymax").SetAsFloat(edit.ymax);
    Systems().FieldByName("Abbreviations").SetAsString(edit.designations);
    Systems().Post();
    dialogs.entries.clear();
    std::filesystem::remove(folder / "Ag+Cu.txt");
    Trigger("Save as text");
    EXPECT_TRUE(std::filesystem::exists(folder / "Ag+Cu.txt"));
    ASSERT_EQ(dialogs.entries.size(), 1U) << dialogs.entries.front().text;
    EXPECT_EQ(dialogs.entries[0].text, "Data are saved into Ag+Cu.txt");

    EXPECT_EQ(run.Results.BoundaryLast, boundary_last);
    EXPECT_TRUE(run.Results.BoundaryPoints == boundaries);
    EXPECT_EQ(run.XCaption, x_caption);
    EXPECT_EQ(run.Ymax, ymax);
    window->DiagramButton()->click();
    EXPECT_TRUE(window->Diagram() == diagram);
  }
}

TEST_F(RunTest, FaultsAreToldOncePerPhaseAndCountedInTheStatusBar) {
  Unlock();  // reloads the tables
  Systems().Edit();
  Systems().FieldByName("Xpoints").SetAsInteger(40);
  Systems().FieldByName("Ypoints").SetAsInteger(20);
  Systems().Post();
  TDM& dm = window->DM();
  dm.tblPhases.Insert();
  dm.tblPhases.FieldByName("Phase_designation").SetAsString("Z");
  dm.tblPhases.Post();
  dm.tblGibbs.Insert();
  dm.tblGibbs.FieldByName("Tmin").SetAsFloat(0);
  dm.tblGibbs.FieldByName("Tmax").SetAsFloat(10000);
  dm.tblGibbs.FieldByName("Expression").SetAsString("1/0");
  dm.tblGibbs.Post();
  dialogs.entries.clear();
  window->RunButton()->click();
  const TRun& run = window->Run();
  EXPECT_EQ(run.RowsComputed(), 21);
  ASSERT_EQ(dialogs.entries.size(), 1U);
  EXPECT_EQ(dialogs.entries[0].text.substr(0, 33), "Phase Z cannot be evaluated at X ");
  // Every grid point of every row: 41 compositions in 21 rows.
  EXPECT_EQ(window->StatusPanel(0)->text().toStdString(),
            "Evaluation faults: 861 (counted as absent)");
  for (int row = 1; row < run.Results.PhaseMatrix.sg2RowCount(); ++row) {
    for (int c = 1; c < run.Results.PhaseMatrix.sg2ColCount(); ++c) {
      EXPECT_NE(run.Results.PhaseMatrix.Cell(c, row), "Z");
    }
  }
}

TEST_F(RunTest, ClosingDuringARunStopsItAndClosesAfterwards) {
  bool closed_at_once = true;
  dialogs.DuringRun = [this, &closed_at_once](int calls) {
    if (calls == 2) closed_at_once = window->close();
  };
  window->RunButton()->click();
  EXPECT_FALSE(closed_at_once);
  EXPECT_EQ(window->Run().RowsComputed(), 1);
  EXPECT_FALSE(window->isVisible());
}

// A second desktop program on the same database hears who holds it, works on
// it for reading, and saves once the first has ended without changing it.
TEST_F(MainWindowTest, ADatabaseInUseOpensForReadingAndNamesItsHolder) {
  auto other = std::make_unique<TfmMain>(dialogs);
  other->OutputFolder = folder.str();
  ASSERT_TRUE(other->StartDatabase(folder.str()));
  ASSERT_FALSE(dialogs.entries.empty());
  EXPECT_EQ(dialogs.entries.front().kind, "error");
  EXPECT_EQ(dialogs.entries.front().text.rfind("The database in " + folder.str() +
                                                   " is in use by app_tests (pid " +
                                                   std::to_string(::getpid()) + " on ",
                                               0),
            0u)
      << dialogs.entries.front().text;
  EXPECT_NE(dialogs.entries.front().text.find("It is opened for reading"), std::string::npos);
  EXPECT_EQ(other->SystemsGrid()->model()->rowCount(), 3);

  EXPECT_TRUE(window->close());
  window.reset();  // the first program ends
  ASSERT_TRUE(other->DM().tblSystems.Locate("System_designation", "A+B"));
  other->DM().tblSystems.Edit();
  other->DM().tblSystems.FieldByName("Comment").SetAsString("from the second");
  dialogs.entries.clear();
  EXPECT_TRUE(other->close());
  EXPECT_TRUE(dialogs.entries.empty());
  other.reset();
  RecordingDialogs quiet;
  TDM dm(quiet);
  ASSERT_TRUE(dm.Start(folder.str()));
  ASSERT_TRUE(dm.tblSystems.Locate("System_designation", "A+B"));
  EXPECT_EQ(dm.tblSystems.FieldByName("Comment").AsString(), "from the second");
}

TEST_F(MainWindowTest, ClosingTheWindowSavesTheDatabase) {
  Unlock();
  SelectSystem("A+B");
  Systems().Edit();
  Systems().FieldByName("Comment").SetAsString("kept");
  EXPECT_TRUE(window->close());
  window.reset();
  RecordingDialogs quiet;
  TDM dm(quiet);
  ASSERT_TRUE(dm.Start(folder.str()));
  ASSERT_TRUE(dm.tblSystems.Locate("System_designation", "A+B"));
  EXPECT_EQ(dm.tblSystems.FieldByName("Comment").AsString(), "kept");
}

}  // namespace
}  // namespace binodal::app
