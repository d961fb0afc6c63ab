#include "thermo/data_module.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/file_io.h"
#include "support/temp_database.h"

namespace binodal {
namespace {

using testing_support::DatabaseTest;
using testing_support::RecordingDialogs;
using testing_support::TempFolder;
using Entry = RecordingDialogs::Entry;

class DataModule : public DatabaseTest {};

TEST_F(DataModule, NewSystemGetsItsDefaultsAndTheFirstKey) {
  EXPECT_EQ(AddSystem("Ag+Cu"), 1);
  TStoreTable& s = dm.tblSystems;
  EXPECT_EQ(s.FieldByName("Xpoints").AsInteger(), 100);
  EXPECT_EQ(s.FieldByName("Ypoints").AsInteger(), 100);
  EXPECT_EQ(s.FieldByName("Ymin").AsFloat(), 300);
  EXPECT_EQ(s.FieldByName("Ymax").AsFloat(), 300);
  EXPECT_EQ(s.FieldByName("Yparameter").AsString(), "Temperature");
  EXPECT_TRUE(s.FieldByName("ShowChart").AsBoolean());
  EXPECT_FALSE(s.FieldByName("ShowMosaicDiagram").AsBoolean());  // no default: read as unstored
  EXPECT_EQ(s.FieldByName("Element1").AsString(), "Ag");
  EXPECT_EQ(s.FieldByName("Element2").AsString(), "Cu");
}

TEST_F(DataModule, DesignationSplitsIntoAtMostThreeElements) {
  dm.tblSystems.Insert();
  dm.tblSystems.FieldByName("System_designation").SetAsString("A+B+C+D");
  EXPECT_THROW(dm.tblSystems.Post(), EAbort);
  EXPECT_EQ(dialogs.entries, (std::vector<Entry>{{"error", "Too many elements in the system"}}));
  EXPECT_EQ(dm.tblSystems.State(), TableState::kInsert);
  EXPECT_EQ(dm.tblSystems.FieldByName("Element3").AsString(), "C");

  dm.tblSystems.FieldByName("System_designation").SetAsString("A+B");
  dm.tblSystems.Post();
  EXPECT_EQ(dm.tblSystems.FieldByName("Element3").AsString(), "C");  // beyond the count: kept
}

TEST_F(DataModule, NewPieceTakesTheSystemRangeOnlyForTemperature) {
  AddSystem("A+B");
  dm.tblSystems.Edit();
  dm.tblSystems.FieldByName("Ymin").SetAsFloat(400);
  dm.tblSystems.FieldByName("Ymax").SetAsFloat(1200.5);
  dm.tblSystems.Post();
  AddPhase("L");
  dm.tblGibbs.Insert();
  EXPECT_EQ(dm.tblGibbs.FieldByName("Tmin").AsFloat(), 400);
  EXPECT_EQ(dm.tblGibbs.FieldByName("Tmax").AsFloat(), 1200.5);
  dm.tblGibbs.Cancel();

  for (int item : {1, 2}) {
    dm.YSelectorIndex = [item] { return item; };
    dm.tblGibbs.Insert();
    EXPECT_TRUE(dm.tblGibbs.FieldByName("Tmin").IsNull());
    EXPECT_TRUE(dm.tblGibbs.FieldByName("Tmax").IsNull());
    dm.tblGibbs.Cancel();
  }
}

TEST_F(DataModule, PiecePostChecksExpressionAndClampsWindow) {
  AddSystem("A+B");
  AddPhase("L");
  dm.tblGibbs.Insert();
  EXPECT_THROW(dm.tblGibbs.Post(), EAbort);
  EXPECT_EQ(dialogs.entries, (std::vector<Entry>{{"error", "Function is not specified"}}));
  dm.tblGibbs.FieldByName("Expression").SetAsString("1000*X");
  dm.tblGibbs.FieldByName("Xmin").SetAsFloat(-0.2);
  dm.tblGibbs.FieldByName("Xmax").SetAsFloat(1.5);
  dm.tblGibbs.Post();
  EXPECT_EQ(dm.tblGibbs.FieldByName("Xmin").AsFloat(), 0);
  EXPECT_EQ(dm.tblGibbs.FieldByName("Xmax").AsFloat(), 1);
}

TEST_F(DataModule, PieceCounterFollowsTheCurrentPiece) {
  std::vector<std::string> counters;
  dm.OnPieceCounter = [&](const std::string& text) { counters.push_back(text); };
  AddSystem("A+B");
  AddPhase("L");
  AddPiece(300, 500, "1");
  AddPiece(500, 900, "2");
  dm.tblGibbs.First();
  EXPECT_EQ(counters.back(), "1/2");
  dm.tblGibbs.Next();
  EXPECT_EQ(counters.back(), "2/2");
}

TEST_F(DataModule, StabilityPieceStartsWhereTheLastOneEnds) {
  dm.tblStability.Insert();
  dm.tblStability.FieldByName("Designation").SetAsString("G1");
  dm.tblStabDet.Insert();  // posts the new parameter first; no piece yet
  EXPECT_EQ(dm.tblStability.State(), TableState::kBrowse);
  EXPECT_TRUE(dm.tblStabDet.FieldByName("Tmin").IsNull());
  dm.tblStabDet.FieldByName("Tmin").SetAsFloat(298.15);
  dm.tblStabDet.FieldByName("Tmax").SetAsFloat(1000);
  dm.tblStabDet.FieldByName("Expression").SetAsString("(1+T)");
  dm.tblStabDet.Post();
  dm.tblStabDet.Insert();
  EXPECT_EQ(dm.tblStabDet.FieldByName("Tmin").AsFloat(), 1000);
  dm.tblStabDet.Cancel();

  dm.tblStability.Insert();
  dm.tblStability.FieldByName("Designation").SetAsString("G2");
  dm.tblStability.Post();
  dm.tblStabDet.Insert();
  EXPECT_TRUE(dm.tblStabDet.FieldByName("Tmin").IsNull());
}

// An edited stability piece is posted as typed; one that is not one
// self-contained term gets a warning naming the parameter and the piece.
TEST_F(DataModule, EditedStabilityPieceThatIsNotOneTermIsPostedWithAWarning) {
  dm.tblStability.Insert();
  dm.tblStability.FieldByName("Designation").SetAsString("GBISN");
  dm.tblStabDet.Insert();
  dm.tblStabDet.FieldByName("Tmin").SetAsFloat(298.15);
  dm.tblStabDet.FieldByName("Tmax").SetAsFloat(544.55);
  dm.tblStabDet.FieldByName("Expression").SetAsString("(1+T)");
  dm.tblStabDet.Post();
  EXPECT_TRUE(dialogs.entries.empty());

  dm.tblStabDet.Edit();
  dm.tblStabDet.FieldByName("Expression").SetAsString("1 + T\r\n- 5");
  dm.tblStabDet.Post();
  EXPECT_EQ(dm.tblStabDet.State(), TableState::kBrowse);
  EXPECT_EQ(dm.tblStabDet.FieldByName("Expression").AsString(), "1 + T\r\n- 5");
  EXPECT_EQ(dialogs.entries,
            (std::vector<Entry>{{"warning",
                                 "Stability parameter GBISN, piece 298.15 to 544.55: the "
                                 "expression 1+T-5 is not enclosed in parentheses. It is inserted "
                                 "as written in place of {GBISN}, so an operator beside {GBISN} "
                                 "takes only part of it."}}));
}

TEST_F(DataModule, YParameterIsReadWhateverItsLetterCase) {
  struct Case {
    const char* text;
    int item;
  };
  const Case cases[] = {{"Temperature", 0}, {"temperature", 0}, {" TEMPERATURE ", 0},
                        {"Pressure", 1},    {"pressure", 1},    {"Y", 2},
                        {"y", 2},           {"Temp", -1},       {"", -1},
                        {"Y axis", -1}};
  AddSystem("A+B");
  for (const Case& c : cases) {
    EXPECT_EQ(YItemIndex(c.text), c.item) << c.text;
    dm.tblSystems.Edit();
    dm.tblSystems.FieldByName("Yparameter").SetAsString(c.text);
    dm.tblSystems.Post();
    EXPECT_EQ(dm.YSelectorIndex(), c.item) << c.text;
  }
}

TEST_F(DataModule, DeletingASystemCascadesToPhasesAndPiecesButNotPoints) {
  AddSystem("A+B");
  for (const char* phase : {"L", "S"}) {
    AddPhase(phase);
    for (int k = 0; k < 3; ++k) AddPiece(300 + 100 * k, 400 + 100 * k, "1");
  }
  dm.tblExperiment.Insert();
  dm.tblExperiment.FieldByName("X_value").SetAsFloat(0.5);
  dm.tblExperiment.Post();
  AddSystem("C+D");
  AddPhase("L");
  AddPiece(300, 400, "2");

  ASSERT_TRUE(dm.tblSystems.Locate("System_designation", "A+B"));
  dm.tblSystems.Delete();
  dm.SaveDatabase();
  const auto count = [&](const char* file) {
    TStoreTable table(&dm.StoreDatabase1);
    table.SetTableName(file);
    table.Open();
    return table.RecordCount();
  };
  EXPECT_EQ(count(TDM::kSystemsFile), 1);
  EXPECT_EQ(count(TDM::kPhasesFile), 1);
  EXPECT_EQ(count(TDM::kGibbsFile), 1);
  EXPECT_EQ(count(TDM::kExperimentFile), 1);
}

// The points a deleted system leaves behind never pass to a new system: after
// reopening, a new system's key is above every key the points refer to.
TEST_F(DataModule, NewSystemNeverTakesTheKeyOfADeletedSystemsPoints) {
  AddSystem("A+B");
  const std::int64_t deleted = AddSystem("C+D");
  dm.tblExperiment.Insert();
  dm.tblExperiment.FieldByName("X_value").SetAsFloat(0.5);
  dm.tblExperiment.Post();
  ASSERT_TRUE(dm.tblSystems.Locate("System_designation", "C+D"));
  dm.tblSystems.Delete();
  dm.SaveDatabase();
  dm.SetReadOnly(true);  // reopens the tables from their files
  dm.SetReadOnly(false);

  EXPECT_GT(AddSystem("E+F"), deleted);
  EXPECT_TRUE(dm.tblExperiment.IsEmpty());
}

TEST_F(DataModule, EditLockRefusesDependentTablesAndDropsUnsavedChanges) {
  AddSystem("A+B");
  AddPhase("L");
  dm.SaveDatabase();

  dm.tblPhases.Edit();
  dm.tblPhases.FieldByName("Phase_designation").SetAsString("LIQUID");
  dm.tblPhases.Post();
  dm.SetReadOnly(true);
  EXPECT_EQ(dm.tblPhases.FieldByName("Phase_designation").AsString(), "L");

  try {
    dm.tblPhases.Insert();
    FAIL() << "inserted into a read-only table";
  } catch (const EStoreError& e) {
    EXPECT_STREQ(e.what(), "You have read only access, you can not add records!");
  }
  EXPECT_EQ(dm.tblPhases.RecordCount(), 1);
  EXPECT_NO_THROW(AddSystem("C+D"));  // the systems table is never locked
}

TEST(DataModuleStart, MissingTableFileCannotBeStarted) {
  TempFolder folder;
  TDM::CreateEmptyDatabase(folder.str());
  std::filesystem::remove(folder / TDM::kExperimentFile);
  RecordingDialogs dialogs;
  TDM dm(dialogs);
  EXPECT_FALSE(dm.Start(folder.str()));
  EXPECT_EQ(dialogs.entries, (std::vector<Entry>{{"error", "Can not open database files"}}));
  EXPECT_NE(dm.OpenError().find(TDM::kExperimentFile), std::string::npos);
  EXPECT_FALSE(dm.tblSystems.Active());
}

TEST_F(DataModule, SavedSystemsAreOrderedByTheirElements) {
  for (const char* designation : {"Pb+Sn", "Ag+Cu", "Mg+Si", "Ag+Al"}) AddSystem(designation);
  dm.SaveDatabase();
  const std::string bytes = ReadWholeFile((folder / TDM::kSystemsFile).string());
  const TableImage image =
      ReadTableImage(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
  std::vector<std::string> order;
  for (const Record& record : image.records) order.push_back(std::get<std::string>(record[1]));
  EXPECT_EQ(order, (std::vector<std::string>{"Ag+Al", "Ag+Cu", "Mg+Si", "Pb+Sn"}));
}

TEST_F(DataModule, CreatingOrSwitchingNeverOverwritesOrLosesData) {
  AddSystem("A+B");                               // unsaved
  EXPECT_FALSE(dm.CreateDatabase(folder.str()));  // a database is there already
  EXPECT_EQ(dialogs.entries.back().kind, "error");
  EXPECT_EQ(dm.tblSystems.RecordCount(), 1);

  TempFolder other;
  dialogs.confirm_answer = true;  // save the changes into the current folder first
  ASSERT_TRUE(dm.CreateDatabase(other.str()));
  EXPECT_EQ(dialogs.entries.back().kind, "confirm");
  EXPECT_EQ(dm.StoreDatabase1.DatabasePath(), other.str());
  EXPECT_EQ(dm.tblSystems.RecordCount(), 0);
  EXPECT_EQ(AddSystem("C+D"), 1);

  ASSERT_TRUE(dm.SwitchFolder(folder.str()));  // answered: save C+D into the other folder
  ASSERT_EQ(dm.tblSystems.RecordCount(), 1);
  EXPECT_EQ(dm.tblSystems.FieldByName("System_designation").AsString(), "A+B");
  EXPECT_FALSE(dm.SwitchFolder((folder / "missing").string()));
  EXPECT_EQ(dm.tblSystems.RecordCount(), 1);
}

TEST(DataModuleDisplay, SmallMagnitudesUseTheExponentPattern) {
  EXPECT_EQ(TDM::YminDisplayText(300), "300");
  EXPECT_EQ(TDM::YminDisplayText(0.12345678), "0.1234568");
  EXPECT_EQ(TDM::YminDisplayText(5e-6), "5e-06");
}

}  // namespace
}  // namespace binodal
