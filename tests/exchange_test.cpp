#include <gtest/gtest.h>

#include <filesystem>

#include "common/file_io.h"
#include "exchange/stability_file.h"
#include "exchange/system_exchange.h"
#include "support/temp_database.h"
#include "thermo/text_routines.h"

namespace binodal {
namespace {

using testing_support::DatabaseTest;
using testing_support::RecordingDialogs;
using testing_support::TempFolder;
using Entry = RecordingDialogs::Entry;

std::string Line(const std::string& name, const std::string& value) {
  return name + "\x1F @" + value + "\x80\r\n";
}

class SystemExchange : public DatabaseTest {
 protected:
  // The small system A+B of the file format's description.
  void AddExampleSystem() {
    AddSystem("A+B");
    TStoreTable& s = dm.tblSystems;
    s.Edit();
    s.FieldByName("Amount_of_elements").SetAsInteger(2);
    s.FieldByName("Comment").SetAsString("Made-up example\r\nsecond comment line");
    s.FieldByName("Abbreviations").SetAsString("L - liquid");
    s.FieldByName("Ymax").SetAsFloat(1500);
    s.FieldByName("Zvalue").SetAsFloat(1);
    s.FieldByName("ShowMosaicDiagram").SetAsBoolean(false);
    s.Post();
    AddPhase("L");
    dm.tblGibbs.Insert();
    dm.tblGibbs.FieldByName("Tmax").SetAsFloat(1500);
    dm.tblGibbs.FieldByName("Expression").SetAsString("5000*X*(1-X)-8*T");
    dm.tblGibbs.FieldByName("Xmin").SetAsFloat(0);
    dm.tblGibbs.FieldByName("Xmax").SetAsFloat(1);
    dm.tblGibbs.Post();
    dm.tblExperiment.Insert();
    dm.tblExperiment.FieldByName("SQUIB").SetAsString("made-up source");
    dm.tblExperiment.FieldByName("X_descr").SetAsString("x");
    dm.tblExperiment.FieldByName("X_value").SetAsFloat(0.5);
    dm.tblExperiment.FieldByName("Y_descr").SetAsString("T");
    dm.tblExperiment.FieldByName("Y_value").SetAsFloat(900);
    dm.tblExperiment.Post();
  }

  // A second, empty database to upload into.
  void SwitchToEmptyDatabase() {
    TDM::CreateEmptyDatabase(target.str());
    ASSERT_TRUE(dm.SwitchFolder(target.str()));
    dm.SetReadOnly(false);
    dialogs.entries.clear();
  }

  TempFolder out;
  TempFolder target;
};

TEST_F(SystemExchange, DownloadWritesTheDocumentedLayout) {
  AddExampleSystem();
  const std::string path = DownloadSystem(dm, out.str(), dialogs);
  EXPECT_EQ(std::filesystem::path(path).filename(), "A+B.ter");
  EXPECT_EQ(dialogs.entries, (std::vector<Entry>{{"information", "Data are saved into A+B.ter"}}));
  const std::string expected =
      "[SYSTEMS]\r\n" + Line("System_designation", "A+B") + Line("Amount_of_elements", "2") +
      Line("Element1", "A") + Line("Element2", "B") + Line("Element3", "") +
      Line("Comment", "Made-up example\r\nsecond comment line") +
      Line("Abbreviations", "L - liquid") + Line("Ymin", "300") + Line("Ymax", "1500") +
      Line("Zvalue", "1") + Line("Xpoints", "100") + Line("Ypoints", "100") +
      Line("ShowMosaicDiagram", "False") + Line("ShowChart", "True") +
      Line("Yparameter", "Temperature") + ">\r\n" + "  [PHASES]\r\n" +
      Line("Phase_designation", "L") + ">\r\n" + "  [GIBBS_ENERGY]\r\n" + Line("Tmin", "300") +
      Line("Tmax", "1500") + Line("X", "") + Line("Expression", "5000*X*(1-X)-8*T") +
      Line("Xmin", "0") + Line("Xmax", "1") + ">\r\n" + "  [EXPERIMENT]\r\n" +
      Line("SQUIB", "made-up source") + Line("X_descr", "x") + Line("X_value", "0.5") +
      Line("Y_descr", "T") + Line("Y_value", "900") + ">\r\n";
  EXPECT_EQ(ReadWholeFile(path), expected);
}

TEST_F(SystemExchange, UploadOfADownloadReproducesTheSystem) {
  AddExampleSystem();
  AddPhase("S");
  AddPiece(300, 700, "A+\r\nB*T", "1/3");
  AddPiece(700, 1500, "2");
  const std::string path = DownloadSystem(dm, out.str(), dialogs);
  SwitchToEmptyDatabase();
  AddSystem("C+D");  // keys in the target differ from those in the source

  const UploadResult result = UploadSystem(dm, path, dialogs);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.phases, 2);
  EXPECT_EQ(result.pieces, 3);
  EXPECT_EQ(result.points, 1);
  EXPECT_EQ(dialogs.entries,
            (std::vector<Entry>{{"information", "New data are saved into the database"}}));
  ASSERT_TRUE(dm.tblSystems.Locate("System_designation", "A+B"));
  EXPECT_EQ(dm.tblSystems.FieldByName("System_id").AsInteger(), 2);
  EXPECT_EQ(dm.tblSystems.FieldByName("Comment").AsString(),
            "Made-up example\r\nsecond comment line");
  EXPECT_FALSE(dm.tblSystems.FieldByName("ShowMosaicDiagram").IsNull());
  EXPECT_FALSE(dm.tblSystems.FieldByName("ShowMosaicDiagram").AsBoolean());
  EXPECT_TRUE(dm.tblSystems.FieldByName("ShowChart").AsBoolean());
  ASSERT_EQ(dm.tblPhases.RecordCount(), 2);
  EXPECT_EQ(dm.tblPhases.FieldByName("Phase_designation").AsString(), "L");  // first is current
  dm.tblPhases.Next();
  ASSERT_EQ(dm.tblGibbs.RecordCount(), 2);
  EXPECT_EQ(dm.tblGibbs.FieldByName("Expression").AsString(), "A+\r\nB*T");
  EXPECT_EQ(dm.tblGibbs.FieldByName("X").AsString(), "1/3");
  EXPECT_EQ(dm.tblExperiment.RecordCount(), 1);
  EXPECT_EQ(dm.tblExperiment.FieldByName("Y_value").AsFloat(), 900);

  // The same file again adds the system again.
  EXPECT_TRUE(UploadSystem(dm, path, dialogs).completed);
  EXPECT_EQ(dm.tblSystems.RecordCount(), 3);
}

TEST_F(SystemExchange, DisplayFlagsReadZeroAndFalseAsFalse) {
  const std::string path = (out / "flags.ter").string();
  WriteWholeFile(path, "[SYSTEMS]\r\n" + Line("System_designation", "A+B") +
                           Line("ShowMosaicDiagram", "0") + Line("ShowChart", "-1") + ">\r\n" +
                           "[SYSTEMS]\r\n" + Line("System_designation", "C+D") +
                           Line("ShowChart", "False") + ">\r\n");
  ASSERT_TRUE(UploadSystem(dm, path, dialogs).completed);
  ASSERT_TRUE(dm.tblSystems.Locate("System_designation", "A+B"));
  EXPECT_FALSE(dm.tblSystems.FieldByName("ShowMosaicDiagram").AsBoolean());
  EXPECT_FALSE(dm.tblSystems.FieldByName("ShowMosaicDiagram").IsNull());
  EXPECT_TRUE(dm.tblSystems.FieldByName("ShowChart").AsBoolean());
  ASSERT_TRUE(dm.tblSystems.Locate("System_designation", "C+D"));
  EXPECT_FALSE(dm.tblSystems.FieldByName("ShowChart").AsBoolean());
}

TEST_F(SystemExchange, UploadStopsAtARefusedRecordAndKeepsWhatCameBefore) {
  const std::string path = (out / "bad.ter").string();
  WriteWholeFile(path, "[SYSTEMS]\r\n" + Line("System_designation", "A+B") + ">\r\n" +
                           "  [PHASES]\r\n" + Line("Phase_designation", "L") + ">\r\n" +
                           "[SYSTEMS]\r\n" + Line("System_designation", "A+B+C+D") + ">\r\n" +
                           "  [PHASES]\r\n" + Line("Phase_designation", "never") + ">\r\n");
  const UploadResult result = UploadSystem(dm, path, dialogs);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(dialogs.entries,
            (std::vector<Entry>{{"error", "Too many elements in the system"},
                                {"information", "New data are saved into the database"}}));
  EXPECT_EQ(dm.tblSystems.State(), TableState::kInsert);
  dm.tblSystems.Cancel();
  EXPECT_EQ(dm.tblSystems.RecordCount(), 1);
  EXPECT_EQ(dm.tblPhases.RecordCount(), 1);
}

TEST_F(SystemExchange, UploadStopsAtAnUnknownFieldOrALockedTable) {
  const std::string path = (out / "unknown.ter").string();
  WriteWholeFile(path, "[SYSTEMS]\r\n" + Line("Colour", "red") + ">\r\n");
  EXPECT_FALSE(UploadSystem(dm, path, dialogs).completed);
  EXPECT_EQ(dialogs.entries.front(), (Entry{"error", "Field 'Colour' not found"}));
  dm.tblSystems.Cancel();

  dm.SetReadOnly(true);
  dialogs.entries.clear();
  WriteWholeFile(path, "[SYSTEMS]\r\n" + Line("System_designation", "A+B") + ">\r\n" +
                           "  [PHASES]\r\n" + Line("Phase_designation", "L") + ">\r\n");
  EXPECT_FALSE(UploadSystem(dm, path, dialogs).completed);
  EXPECT_EQ(dialogs.entries.front(),
            (Entry{"error", "You have read only access, you can not add records!"}));
  EXPECT_EQ(dm.tblSystems.RecordCount(), 1);  // the system was accepted
}

TEST_F(SystemExchange, FileEndingInsideASectionKeepsWhatWasRead) {
  const std::string path = (out / "cut.ter").string();
  WriteWholeFile(path, "[SYSTEMS]\r\n" + Line("System_designation", "A+B") + "Comment\x1F @half");
  EXPECT_TRUE(UploadSystem(dm, path, dialogs).completed);
  EXPECT_EQ(dm.tblSystems.RecordCount(), 1);
}

class StabilityParameters : public DatabaseTest {
 protected:
  void AddParameter(const std::string& designation, double tmin, double tmax) {
    dm.tblStability.Insert();
    dm.tblStability.FieldByName("Designation").SetAsString(designation);
    dm.tblStabDet.Insert();
    dm.tblStabDet.FieldByName("Tmin").SetAsFloat(tmin);
    dm.tblStabDet.FieldByName("Tmax").SetAsFloat(tmax);
    dm.tblStabDet.FieldByName("Expression").SetAsString("(1000-2*T)");
    dm.tblStabDet.FieldByName("Xmin").SetAsFloat(0);
    dm.tblStabDet.FieldByName("Xmax").SetAsFloat(1);
    dm.tblStabDet.Post();
  }
  std::string FilePath() const { return (out / kStabilityParamsFile).string(); }
  TempFolder out;
};

TEST_F(StabilityParameters, SaveWritesTheDocumentedLayout) {
  AddParameter("G1", 298.15, 3000);
  SaveStabilityParameters(dm, out.str(), dialogs);
  EXPECT_EQ(ReadWholeFile(FilePath()),
            "[STABILITY_PARAMS]\r\n" + Line("Designation", "G1") + Line("Comment", "") +
                ">\r\n  [STABILITY_DETAIL]\r\n" + Line("Tmin", "298.15") + Line("Tmax", "3000") +
                Line("Expression", "(1000-2*T)") + Line("Xmin", "0") + Line("Xmax", "1") + ">\r\n");
  EXPECT_EQ(dialogs.entries,
            (std::vector<Entry>{
                {"information", "Stabilty parameters are saved into STABILITY_PARAMS.txt"}}));
}

TEST_F(StabilityParameters, UploadSkipsWhatTheSavedDatabaseHolds) {
  AddParameter("G1", 298.15, 1000);
  AddParameter("G2", 298.15, 2000);
  SaveStabilityParameters(dm, out.str(), dialogs);
  dm.SaveDatabase();
  dialogs.entries.clear();

  StabilityUploadResult result = UploadStabilityParameters(dm, FilePath(), dialogs);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.added, 0);
  EXPECT_EQ(result.duplicates, 2);
  EXPECT_EQ(dm.tblStability.RecordCount(), 2);
  EXPECT_EQ(dm.tblStabDet.RecordCount(), 1);
  EXPECT_EQ(dialogs.entries,
            (std::vector<Entry>{{"information", "Stability parameters are saved into database"}}));

  // Unsaved and differently cased designations are not duplicates.
  AddParameter("g3", 300, 400);
  SaveStabilityParameters(dm, out.str(), dialogs);
  dm.tblStability.Edit();
  dm.tblStability.FieldByName("Designation").SetAsString("g1");  // unsaved rename
  dm.tblStability.Post();
  result = UploadStabilityParameters(dm, FilePath(), dialogs);
  EXPECT_EQ(result.added, 1);  // g3: only in memory
  EXPECT_EQ(result.duplicates, 2);
  EXPECT_EQ(result.pieces, 1);
}

TEST_F(StabilityParameters, MissingFileIsAWarning) {
  const StabilityUploadResult result =
      UploadStabilityParameters(dm, (out / "none" / kStabilityParamsFile).string(), dialogs);
  EXPECT_FALSE(result.completed);
  ASSERT_EQ(dialogs.entries.size(), 1u);
  EXPECT_EQ(dialogs.entries[0].kind, "warning");
}

// A piece that is not one self-contained term is uploaded as written, with a
// warning naming its parameter and its range.
TEST_F(StabilityParameters, UploadWarnsOfAPieceThatIsNotOneTerm) {
  const auto piece = [](const std::string& tmin, const std::string& tmax,
                        const std::string& expression) {
    return "  [STABILITY_DETAIL]\r\n" + Line("Tmin", tmin) + Line("Tmax", tmax) +
           Line("Expression", expression) + Line("Xmin", "0") + Line("Xmax", "1") + ">\r\n";
  };
  WriteWholeFile(FilePath(), "[STABILITY_PARAMS]\r\n" + Line("Designation", "GBISN") +
                                 Line("Comment", "") + ">\r\n" +
                                 piece("298.15", "544.55", "(-9.4+T)") +
                                 piece("544.55", "3000", "1000+T") + "\r\n");
  const StabilityUploadResult result = UploadStabilityParameters(dm, FilePath(), dialogs);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.pieces, 2);
  EXPECT_EQ(dialogs.entries,
            (std::vector<Entry>{{"warning", StabilityTermWarning("GBISN", 544.55, 3000, "1000+T")},
                                {"information", "Stability parameters are saved into database"}}));
  dm.tblStabDet.Last();
  EXPECT_EQ(dm.tblStabDet.FieldByName("Expression").AsString(), "1000+T");
}

class Catalogue : public DatabaseTest {
 protected:
  TempFolder out;
};

TEST_F(Catalogue, ListsEverySystemAndKeepsTheCurrentOne) {
  WriteDesignationsCatalogue(dm, out.str(), dialogs);
  EXPECT_EQ(ReadWholeFile((out / "Keldan_cat").string()),
            "-------------------\r\nTOTAL: 0 systems\r\n");

  for (const char* designation : {"Pb+Sn", "Ag+Cu", "Mg+Si"}) AddSystem(designation);
  ASSERT_TRUE(dm.tblSystems.Locate("System_designation", "Mg+Si"));
  WriteDesignationsCatalogue(dm, out.str(), dialogs);
  EXPECT_EQ(ReadWholeFile((out / "Keldan_cat").string()),
            "Ag+Cu\r\nMg+Si\r\nPb+Sn\r\n-------------------\r\nTOTAL: 3 systems\r\n");
  EXPECT_EQ(dm.tblSystems.FieldByName("System_designation").AsString(), "Mg+Si");
  EXPECT_EQ(dialogs.entries.back(),
            (Entry{"information", "Database contents is saved into Keldan_cat"}));
}

// The bundled example database loads into an empty one without a complaint.
TEST_F(StabilityParameters, BundledExampleDatabaseUploads) {
  const std::string data = BINODAL_DATA_DIR;
  const StabilityUploadResult params =
      UploadStabilityParameters(dm, data + "/" + kStabilityParamsFile, dialogs);
  ASSERT_TRUE(params.completed);
  EXPECT_GT(params.added, 5);
  int systems = 0;
  for (const auto& entry : std::filesystem::directory_iterator(data)) {
    if (entry.path().extension() != ".ter") continue;
    const UploadResult result = UploadSystem(dm, entry.path().string(), dialogs);
    EXPECT_TRUE(result.completed) << entry.path();
    EXPECT_EQ(result.systems, 1) << entry.path();
    EXPECT_GT(result.pieces, 0) << entry.path();
    ++systems;
  }
  EXPECT_GE(systems, 5);
  for (const Entry& entry : dialogs.entries) EXPECT_EQ(entry.kind, "information") << entry.text;
}

}  // namespace
}  // namespace binodal
