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
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "app/navigator.h"
#include "charts/gui_application.h"
#include "exchange/stability_file.h"
#include "exchange/system_exchange.h"
#include "support/recording_dialogs.h"
#include "support/temp_database.h"

namespace binodal::app {
namespace {

using testing_support::RecordingDialogs;
using testing_support::TempFolder;

// Dialogs whose event processing can act like a user clicking during a run.
class UserDialogs : public RecordingDialogs {
 public:
  void ProcessPendingEvents() override {
    RecordingDialogs::ProcessPendingEvents();
    if (DuringRun) DuringRun(pending_events_processed);
  }
  std::function<void(int)> DuringRun;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    charts::EnsureGuiApplication();
    // The database: the bundled example systems, saved to their table files.
    TDM::CreateEmptyDatabase(folder.str());
    {
      RecordingDialogs quiet;
      TDM dm(quiet);
      ASSERT_TRUE(dm.Start(folder.str()));
      dm.SetReadOnly(false);
      for (const char* name : {"Ag+Cu", "A+B", "Pb+Sn"}) {
        ASSERT_TRUE(
            UploadSystem(dm, std::string(BINODAL_DATA_DIR) + "/" + name + ".ter", quiet).completed);
      }
      ASSERT_TRUE(UploadStabilityParameters(
                      dm, std::string(BINODAL_DATA_DIR) + "/STABILITY_PARAMS.txt", quiet)
                      .completed);
      dm.SaveDatabase();
    }
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
  static void EditCell(QTableView* grid, int row, const QString& text) {
    const QModelIndex index = grid->model()->index(row, 0);
    grid->setCurrentIndex(index);
    grid->edit(index);
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(index));
    ASSERT_NE(editor, nullptr) << "no editor opened";
    editor->setText(text);
    Key(editor, Qt::Key_Return);  // the delegate commits from the event loop
    for (int pass = 0; pass < 3; ++pass) QApplication::processEvents();
  }

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
