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
}

// Texts are UTF-8, and zero and false are values: a system saved, reopened,
// downloaded, uploaded into an empty database and downloaded again gives the
// same file.
TEST_F(SystemExchange, RoundTripKeepsEveryTextZeroAndFalse) {
  AddSystem("Cu+\xC3\x80");  // a designation ending in "À" (C3 80)
  TStoreTable& s = dm.tblSystems;
  s.Edit();
  s.FieldByName("Comment").SetAsString(
      "Hayes\xE2\x80\x99 assessment, 1250 \xE2\x80\x93 1300 K\r\n");
  s.FieldByName("Abbreviations")
      .SetAsString("L \xE2\x80\x93 liquid\r\nfcc \xE2\x80\x93 solid \xC3\x80\r\n#XCAP=x(Cu)");
  s.FieldByName("Ymin").SetAsFloat(0);
  s.FieldByName("Ymax").SetAsFloat(1500);
  s.FieldByName("ShowChart").SetAsBoolean(false);
  s.FieldByName("ShowMosaicDiagram").SetAsBoolean(false);
  s.FieldByName("Yparameter").SetAsString("");  // no default comes back either
  s.Post();
  AddPhase("\xD0\xB6\xD0\xB8\xD0\xB4\xD0\xBA\xD0\xBE\xD1\x81\xD1\x82\xD1\x8C");
  AddPiece(0, 800, "1000*X*(1-X)");
  AddPiece(800, 2000, "20000*X*(1-X)");
  dm.tblExperiment.Insert();
  dm.tblExperiment.FieldByName("SQUIB").SetAsString("\xC3\x80 Paris");
  dm.tblExperiment.FieldByName("X_value").SetAsFloat(0);
  dm.tblExperiment.FieldByName("Y_value").SetAsFloat(0);
  dm.tblExperiment.Post();
  dm.SaveDatabase();
  dm.SetReadOnly(false);  // reopens every table from its file
  ASSERT_TRUE(dm.tblSystems.Locate("System_designation", "Cu+\xC3\x80"));

  const std::string first = ReadWholeFile(DownloadSystem(dm, out.str(), dialogs));
  ASSERT_TRUE(std::filesystem::exists(out / "Cu+.ter"));  // file names keep ASCII only
  EXPECT_NE(first.find(Line("Ymin", "0")), std::string::npos);
  EXPECT_NE(first.find(Line("ShowChart", "False")), std::string::npos);
  EXPECT_NE(first.find(Line("Tmin", "0")), std::string::npos);
  SwitchToEmptyDatabase();
  ASSERT_TRUE(UploadSystem(dm, (out / "Cu+.ter").string(), dialogs).completed)
      << dialogs.entries.back().text;
  EXPECT_EQ(dm.tblSystems.FieldByName("Ymin").AsFloat(), 0);
  EXPECT_FALSE(dm.tblSystems.FieldByName("ShowChart").AsBoolean());
  TempFolder again;
  const std::string second = ReadWholeFile(DownloadSystem(dm, again.str(), dialogs));
  EXPECT_EQ(second, first);
}

// A text that would not read back is refused before anything is written.
TEST_F(SystemExchange, DownloadRefusesATextThatWouldNotReadBack) {
  AddSystem("A+B");
  dm.tblSystems.Edit();
  dm.tblSystems.FieldByName("Comment").SetAsString("see below\r\n  [PHASES]\r\nend");
  dm.tblSystems.Post();
  EXPECT_THROW(DownloadSystem(dm, out.str(), dialogs), std::runtime_error);
  ASSERT_EQ(dialogs.entries.size(), 1u);
  EXPECT_EQ(dialogs.entries[0].kind, "error");
  EXPECT_NE(dialogs.entries[0].text.find("The text of field 'Comment'"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(out / "A+B.ter"));
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

// What the database holds, for checking that a refused upload changed nothing.
std::vector<int> Counts(TDM& dm) {
  std::vector<int> counts;
  for (TStoreTable* table : {&dm.tblSystems, &dm.tblPhases, &dm.tblGibbs, &dm.tblExperiment}) {
    counts.push_back(table->RecordCount());
  }
  return counts;
}

// A file that does not follow the format, or that the tables cannot take,
// is refused as a whole with the line at fault, and nothing changes.
TEST_F(SystemExchange, MalformedOrRefusedFilesChangeNothing) {
  AddExampleSystem();
  const std::string good_system = "[SYSTEMS]\r\n" + Line("System_designation", "C+D") + ">\r\n";
  const std::string phase = "  [PHASES]\r\n" + Line("Phase_designation", "L") + ">\r\n";
  const std::string piece = "  [GIBBS_ENERGY]\r\n" + Line("Expression", "1") + ">\r\n";
  struct Case {
    std::string name;
    std::string text;
    std::string error;  // what the message holds after "Error in <path>, "
  };
  const Case cases[] = {
      {"no field bytes", "[SYSTEMS]\r\nSystem_designation @C+D\r\n>\r\n",
       "line 2: expected a field line"},
      {"byte-order mark", "\xEF\xBB\xBF" + good_system,
       "line 1: the file starts with a byte-order mark"},
      {"CR line ends", "[SYSTEMS]\r" + Line("System_designation", "C+D").substr(0, 26) + "\r>\r",
       "line 1: a carriage return without a line feed"},
      {"blank line", good_system + "\r\n" + phase, "line 4: a blank line between sections"},
      {"phases first", phase + good_system,
       "line 1: a [PHASES] section before the [SYSTEMS] section"},
      {"piece first", good_system + piece + phase,
       "line 4: a [GIBBS_ENERGY] section before the [PHASES]"},
      {"file ends inside", good_system + "  [PHASES]\r\n" + Line("Phase_designation", "L"),
       "line 6: the file ends inside the [PHASES] section of line 4"},
      {"no designation", "[SYSTEMS]\r\n" + Line("Comment", "x") + ">\r\n",
       "line 1: the [SYSTEMS] section gives no System_designation"},
      {"unknown field",
       "[SYSTEMS]\r\n" + Line("System_designation", "C+D") + Line("Colour", "red") + ">\r\n",
       "line 3: Field 'Colour' not found in systems.d"},
      {"too long",
       good_system + "  [PHASES]\r\n" + Line("Phase_designation", std::string(51, 'L')) + ">\r\n",
       "line 5: the value of field 'Phase_designation'"},
      {"bad number late",
       good_system + phase + "  [GIBBS_ENERGY]\r\n" + Line("Tmin", "hot") +
           Line("Expression", "1") + ">\r\n",
       "line 8: 'hot' is not a valid floating point value for field 'Tmin'"},
      {"twice in the file", good_system + good_system,
       "line 5: the file holds the system C+D twice"},
  };
  const std::vector<int> before = Counts(dm);
  for (const Case& c : cases) {
    const std::string path = (out / "bad.ter").string();
    WriteWholeFile(path, c.text);
    dialogs.entries.clear();
    const UploadResult result = UploadSystem(dm, path, dialogs);
    EXPECT_FALSE(result.completed) << c.name;
    const std::string expected = "Error in " + path + ", " + c.error;
    ASSERT_EQ(dialogs.entries.size(), 1u) << c.name;
    EXPECT_EQ(dialogs.entries[0].kind, "error") << c.name;
    EXPECT_EQ(dialogs.entries[0].text.substr(0, expected.size()), expected) << c.name;
    EXPECT_EQ(Counts(dm), before) << c.name;
    EXPECT_EQ(dm.tblSystems.FieldByName("System_designation").AsString(), "A+B") << c.name;
    EXPECT_EQ(dm.tblSystems.State(), TableState::kBrowse) << c.name;
  }
}

// A record that the data module refuses while the file is added takes out
// what came before it.
TEST_F(SystemExchange, RefusedRecordTakesOutWhatWasAdded) {
  const std::string path = (out / "bad.ter").string();
  WriteWholeFile(path, "[SYSTEMS]\r\n" + Line("System_designation", "A+B") + ">\r\n" +
                           "  [PHASES]\r\n" + Line("Phase_designation", "L") + ">\r\n" +
                           "[SYSTEMS]\r\n" + Line("System_designation", "A+B+C+D") + ">\r\n" +
                           "  [PHASES]\r\n" + Line("Phase_designation", "never") + ">\r\n");
  const UploadResult result = UploadSystem(dm, path, dialogs);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(dialogs.entries, (std::vector<Entry>{{"error", "Too many elements in the system"}}));
  EXPECT_NE(result.error.find("line 7"), std::string::npos) << result.error;
  EXPECT_EQ(dm.tblSystems.State(), TableState::kBrowse);
  EXPECT_EQ(dm.tblSystems.RecordCount(), 0);
  dm.tblPhases.SetMaster(nullptr, "", "");  // every phase, whatever its system
  EXPECT_EQ(dm.tblPhases.RecordCount(), 0);
}

TEST_F(SystemExchange, LockedTablesRefuseTheWholeFile) {
  dm.SetReadOnly(true);
  const std::string path = (out / "locked.ter").string();
  WriteWholeFile(path, "[SYSTEMS]\r\n" + Line("System_designation", "A+B") + ">\r\n" +
                           "  [PHASES]\r\n" + Line("Phase_designation", "L") + ">\r\n");
  EXPECT_FALSE(UploadSystem(dm, path, dialogs).completed);
  EXPECT_EQ(dialogs.entries,
            (std::vector<Entry>{{"error", "You have read only access, you can not add records!"}}));
  EXPECT_EQ(dm.tblSystems.RecordCount(), 0);
}

// A system whose designation the database holds is never added a second
// time: it is refused, or replaced when the caller or the user says so.
TEST_F(SystemExchange, ExistingSystemIsRefusedOrReplaced) {
  AddExampleSystem();
  const std::string path = DownloadSystem(dm, out.str(), dialogs);
  AddPhase("EXTRA");  // the database's copy now differs from the file
  AddSystem("C+D");
  const std::int64_t old_id = [&] {
    EXPECT_TRUE(dm.tblSystems.Locate("System_designation", "A+B"));
    return dm.tblSystems.FieldByName("System_id").AsInteger();
  }();
  dialogs.entries.clear();

  UploadResult result = UploadSystem(dm, path, dialogs, ExistingSystem::kRefuse);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.existing, std::vector<std::string>{"A+B"});
  EXPECT_TRUE(dialogs.entries.empty());  // the caller says how to replace
  EXPECT_EQ(dm.tblSystems.RecordCount(), 2);

  dialogs.confirm_answer = false;
  result = UploadSystem(dm, path, dialogs, ExistingSystem::kAsk);
  EXPECT_FALSE(result.completed);
  ASSERT_EQ(dialogs.entries.size(), 1u);
  EXPECT_EQ(dialogs.entries[0].kind, "confirm");
  EXPECT_NE(dialogs.entries[0].text.find("A+B"), std::string::npos);
  EXPECT_EQ(dm.tblSystems.RecordCount(), 2);

  dialogs.confirm_answer = true;
  dialogs.entries.clear();
  result = UploadSystem(dm, path, dialogs, ExistingSystem::kAsk);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.replaced, 1);
  EXPECT_EQ(dm.tblSystems.RecordCount(), 2);
  EXPECT_EQ(dm.tblSystems.FieldByName("System_designation").AsString(), "A+B");
  EXPECT_NE(dm.tblSystems.FieldByName("System_id").AsInteger(), old_id);
  EXPECT_EQ(dm.tblPhases.RecordCount(), 1);  // the file's phase, not EXTRA
  EXPECT_EQ(dm.tblExperiment.RecordCount(), 1);
  // Nothing of the old system is left anywhere.
  dm.tblPhases.SetMaster(nullptr, "", "");
  dm.tblExperiment.SetMaster(nullptr, "", "");
  EXPECT_FALSE(dm.tblPhases.Locate("FK_system", static_cast<double>(old_id)));
  EXPECT_FALSE(dm.tblExperiment.Locate("system_id", static_cast<double>(old_id)));
  EXPECT_EQ(dm.tblPhases.RecordCount(), 1);
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

TEST_F(StabilityParameters, UploadSkipsWhatTheDatabaseHolds) {
  AddParameter("G1", 298.15, 1000);
  AddParameter("G2", 298.15, 2000);
  SaveStabilityParameters(dm, out.str(), dialogs);
  dialogs.entries.clear();

  StabilityUploadResult result = UploadStabilityParameters(dm, FilePath(), dialogs);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.added, 0);
  EXPECT_EQ(result.duplicates, 2);
  EXPECT_EQ(dm.tblStability.RecordCount(), 2);
  EXPECT_EQ(dm.tblStabDet.RecordCount(), 1);
  EXPECT_EQ(dialogs.entries,
            (std::vector<Entry>{{"information", "Stability parameters are saved into database"}}));

  // Formulas find parameters whatever the letter case, and unsaved ones too:
  // neither is added a second time.
  dm.tblStability.Locate("Designation", "G1");
  dm.tblStability.Edit();
  dm.tblStability.FieldByName("Designation").SetAsString("g1");  // unsaved rename
  dm.tblStability.Post();
  AddParameter("G3", 300, 400);
  SaveStabilityParameters(dm, out.str(), dialogs);
  dm.tblStability.Edit();
  dm.tblStability.FieldByName("Designation").SetAsString("G4");
  dm.tblStability.Post();
  result = UploadStabilityParameters(dm, FilePath(), dialogs, ExistingParameters::kKeep);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.added, 1);  // G3: G4 now
  EXPECT_EQ(result.duplicates, 2);
  EXPECT_EQ(result.pieces, 1);
  EXPECT_EQ(dm.tblStability.RecordCount(), 4);
}

// Zero and UTF-8 texts survive saving, reopening, writing and reading.
TEST_F(StabilityParameters, RoundTripKeepsZeroAndEveryText) {
  AddParameter("G\xC3\x80", 0, 1000);
  dm.tblStability.Edit();
  dm.tblStability.FieldByName("Comment").SetAsString(
      "SGTE\xE2\x80\x99 unary data \xE2\x80\x93 \xC3\x80");
  dm.tblStability.Post();
  dm.SaveDatabase();
  dm.SetReadOnly(false);
  SaveStabilityParameters(dm, out.str(), dialogs);
  const std::string first = ReadWholeFile(FilePath());
  EXPECT_NE(first.find(Line("Tmin", "0")), std::string::npos);

  TempFolder empty;
  TDM::CreateEmptyDatabase(empty.str());
  ASSERT_TRUE(dm.SwitchFolder(empty.str()));
  dm.SetReadOnly(false);
  ASSERT_TRUE(UploadStabilityParameters(dm, FilePath(), dialogs).completed);
  TempFolder again;
  SaveStabilityParameters(dm, again.str(), dialogs);
  EXPECT_EQ(ReadWholeFile((again / kStabilityParamsFile).string()), first);
}

// A corrected file is not skipped in silence: the caller refuses it or
// replaces the parameters it corrects. A designation too long for its field
// is refused, never cut.
TEST_F(StabilityParameters, CorrectionsAreRefusedOrReplacedAndLongNamesRefused) {
  AddParameter("G1", 298.15, 1000);
  const std::string file =
      "[STABILITY_PARAMS]\r\n" + Line("Designation", "G1") + Line("Comment", "corrected") +
      ">\r\n  [STABILITY_DETAIL]\r\n" + Line("Tmin", "298.15") + Line("Tmax", "1000") +
      Line("Expression", "(2000-3*T)") + Line("Xmin", "0") + Line("Xmax", "1") + ">\r\n" +
      "[STABILITY_PARAMS]\r\n" + Line("Designation", "G2") + ">\r\n";
  WriteWholeFile(FilePath(), file);

  StabilityUploadResult result =
      UploadStabilityParameters(dm, FilePath(), dialogs, ExistingParameters::kRefuse);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.changed, std::vector<std::string>{"G1"});
  EXPECT_EQ(dm.tblStability.RecordCount(), 1);  // not even G2

  result = UploadStabilityParameters(dm, FilePath(), dialogs, ExistingParameters::kReplace);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.replaced, std::vector<std::string>{"G1"});
  EXPECT_EQ(result.added, 1);
  EXPECT_EQ(dm.tblStability.RecordCount(), 2);
  ASSERT_TRUE(dm.tblStability.Locate("Designation", "G1"));
  EXPECT_EQ(dm.tblStability.FieldByName("Comment").AsString(), "corrected");
  ASSERT_EQ(dm.tblStabDet.RecordCount(), 1);
  EXPECT_EQ(dm.tblStabDet.FieldByName("Expression").AsString(), "(2000-3*T)");

  // The desktop program asks once; No keeps the database's parameter.
  WriteWholeFile(FilePath(), std::string(file).replace(file.find("corrected"), 9, "again"));
  dialogs.entries.clear();
  dialogs.confirm_answer = false;
  result = UploadStabilityParameters(dm, FilePath(), dialogs, ExistingParameters::kAsk);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.changed, std::vector<std::string>{"G1"});
  ASSERT_EQ(dialogs.entries.size(), 2u);
  EXPECT_EQ(dialogs.entries[0],
            (Entry{"confirm",
                   "The file gives other text than the database for 1 parameter(s): G1. Replace "
                   "them by those of the file?"}));
  ASSERT_TRUE(dm.tblStability.Locate("Designation", "G1"));
  EXPECT_EQ(dm.tblStability.FieldByName("Comment").AsString(), "corrected");
  WriteWholeFile(FilePath(), file);

  // Now the database holds what the file gives: nothing to refuse.
  result = UploadStabilityParameters(dm, FilePath(), dialogs, ExistingParameters::kRefuse);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.duplicates, 2);

  const std::string name(21, 'G');
  WriteWholeFile(FilePath(), "[STABILITY_PARAMS]\r\n" + Line("Designation", "G9") + ">\r\n" +
                                 "[STABILITY_PARAMS]\r\n" + Line("Designation", name) + ">\r\n");
  for (int run = 0; run < 2; ++run) {
    dialogs.entries.clear();
    EXPECT_FALSE(UploadStabilityParameters(dm, FilePath(), dialogs).completed);
    ASSERT_EQ(dialogs.entries.size(), 1u);
    EXPECT_NE(dialogs.entries[0].text.find("line 5: the value of field 'Designation' ('" + name +
                                           "') has 21 bytes; the field holds at most 20"),
              std::string::npos)
        << dialogs.entries[0].text;
    EXPECT_EQ(dm.tblStability.RecordCount(), 2);
  }
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
