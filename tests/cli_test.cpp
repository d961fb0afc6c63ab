// Runs binodal-cli as a separate process and checks its output and exit status.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs `program` (default: the program as built, beside its picture library).
Outcome RunCli(const std::vector<std::string>& args, const std::string& program = BINODAL_CLI) {
  const auto dir = std::filesystem::temp_directory_path();
  const auto out_path = dir / ("binodal_cli_out_" + std::to_string(::getpid()));
  const auto err_path = dir / ("binodal_cli_err_" + std::to_string(::getpid()));
  std::string command = Quote(program);
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " >" + Quote(out_path.string()) + " 2>" + Quote(err_path.string()) + " </dev/null";
  const int raw = std::system(command.c_str());
  Outcome outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(out_path), ReadAll(err_path)};
  std::filesystem::remove(out_path);
  std::filesystem::remove(err_path);
  return outcome;
}

struct EvalCase {
  std::vector<std::string> args;
  int status;
  std::string out;
  std::string err;
};

class CliEval : public testing::TestWithParam<EvalCase> {};

TEST_P(CliEval, PrintsTheValueOrTheError) {
  const EvalCase& c = GetParam();
  const Outcome outcome = RunCli(c.args);
  EXPECT_EQ(outcome.status, c.status);
  EXPECT_EQ(outcome.out, c.out);
  EXPECT_EQ(outcome.err, c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliEval,
    testing::Values(EvalCase{{"eval", "-X^2", "X=3"}, 0, "-9\n", ""},
                    EvalCase{{"eval", "0.1+0.2"}, 0, "0.30000000000000004\n", ""},
                    EvalCase{{"eval", "T*LN(T)", "t=298,15"}, 0, "1698.7384607469314\n", ""},
                    EvalCase{{"eval", "G0+SID", "g0=1", "sid=2"}, 0, "3\n", ""},
                    EvalCase{{"eval", "--ops", "-X^2", "X=3"}, 0, "11 square\n2 negate\n-9\n", ""},
                    EvalCase{{"eval", "--ops", "--", "MAX(X,1)"}, 0, "15 MAX\n1\n", ""},
                    EvalCase{{"eval", "X^-Y"}, 1, "", "Error parsing expression:\rX\r-Y\n"},
                    EvalCase{
                        {"eval", "LN(X)", "X=-1"}, 1, "", "Invalid floating point operation\n"},
                    EvalCase{{"eval", "X", "2X=1"}, 1, "", "2X\n"},
                    EvalCase{{"eval", "X", "X=abc"}, 1, "", "Invalid number: abc\n"}));

TEST(Cli, UsageAndMisuse) {
  const Outcome help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("eval"), std::string::npos);
  for (const char* command :
       {"upload [--db DIR] [--replace]", "params-upload [--db DIR] [--replace]",
        "delete-system [--db DIR] NAME", "rename-system [--db DIR] OLD NEW"}) {
    EXPECT_NE(help.out.find(command), std::string::npos) << command;
  }

  const Outcome eval_help = RunCli({"eval", "--help"});
  EXPECT_EQ(eval_help.status, 0);
  EXPECT_NE(eval_help.out.find("--ops"), std::string::npos);

  EXPECT_EQ(RunCli({}).status, 2);
  EXPECT_EQ(RunCli({"frobnicate"}).status, 2);
  EXPECT_EQ(RunCli({"eval"}).status, 2);
  EXPECT_EQ(RunCli({"eval", "--bogus", "1"}).status, 2);
  EXPECT_EQ(RunCli({"eval", "X", "novalue"}).status, 2);
}

// An exchange file of one system of the elements A and B, Y the temperature.
struct TerPiece {
  std::string tmin;
  std::string tmax;
  std::string x;  // composition field: empty for a solution phase
  std::string expression;
};
struct TerPhase {
  std::string name;
  std::vector<TerPiece> pieces;
};
std::string TerFile(const std::string& system, const std::string& ymin, const std::string& ymax,
                    const std::vector<TerPhase>& phases) {
  const auto field = [](const std::string& name, const std::string& value) {
    return name + "\x1F @" + value + "\x80\r\n";
  };
  std::string text = "[SYSTEMS]\r\n" + field("System_designation", system) +
                     field("Amount_of_elements", "2") + field("Element1", "A") +
                     field("Element2", "B") + field("Element3", "") + field("Comment", "") +
                     field("Abbreviations", "") + field("Ymin", ymin) + field("Ymax", ymax) +
                     field("Zvalue", "1") + field("Xpoints", "10") + field("Ypoints", "4") +
                     field("ShowMosaicDiagram", "False") + field("ShowChart", "False") +
                     field("Yparameter", "Temperature") + ">\r\n";
  for (const TerPhase& phase : phases) {
    text += "  [PHASES]\r\n" + field("Phase_designation", phase.name) + ">\r\n";
    for (const TerPiece& piece : phase.pieces) {
      text += "  [GIBBS_ENERGY]\r\n" + field("Tmin", piece.tmin) + field("Tmax", piece.tmax) +
              field("X", piece.x) + field("Expression", piece.expression) + field("Xmin", "0") +
              field("Xmax", "1") + ">\r\n";
    }
  }
  return text;
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// A database folder of the test's own, made and changed through the command line.
class CliDatabase : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("binodal_cli_db_" + std::to_string(::getpid()) + "_" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    ASSERT_EQ(RunCli({"create-db", Db()}).status, 0);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Db() const { return folder_.string(); }
  std::string Data(const std::string& name) const {
    return std::string(BINODAL_DATA_DIR) + "/" + name;
  }

  // Adds the system of TerFile(system, ...) to the database.
  void Upload(const std::string& system, const std::string& ymin, const std::string& ymax,
              const std::vector<TerPhase>& phases) {
    const std::filesystem::path file = folder_ / (system + ".ter");
    std::ofstream(file, std::ios::binary) << TerFile(system, ymin, ymax, phases);
    const Outcome upload = RunCli({"upload", "--db", Db(), file.string()});
    ASSERT_EQ(upload.status, 0) << upload.err;
  }

  std::filesystem::path folder_;
};

TEST_F(CliDatabase, UploadListDownloadAndDump) {
  EXPECT_EQ(RunCli({"systems", "--db", Db()}).out, "");
  EXPECT_EQ(RunCli({"params-upload", "--db", Db(), Data("STABILITY_PARAMS.txt")}).status, 0);
  for (const char* system : {"Pb+Sn.ter", "Ag+Cu.ter"}) {
    const Outcome upload = RunCli({"upload", "--db", Db(), Data(system)});
    EXPECT_EQ(upload.status, 0) << upload.err;
  }
  EXPECT_EQ(RunCli({"systems", "--db", Db()}).out, "Ag+Cu\nPb+Sn\n");

  const Outcome download = RunCli({"download", "--db", Db(), "--system", "ag+cu", "--out", Db()});
  EXPECT_EQ(download.status, 0) << download.err;
  EXPECT_EQ(download.err, "Data are saved into Ag+Cu.ter\n");
  EXPECT_TRUE(std::filesystem::exists(folder_ / "Ag+Cu.ter"));

  const Outcome dump = RunCli({"table", (folder_ / "phases.d").string()});
  EXPECT_EQ(dump.status, 0);
  EXPECT_NE(dump.out.find("Phase_designation\ts\t50"), std::string::npos);
  EXPECT_NE(dump.out.find("LIQUID"), std::string::npos);

  EXPECT_EQ(RunCli({"catalogue", "--db", Db(), "--out", Db()}).status, 0);
  EXPECT_EQ(ReadAll(folder_ / "Keldan_cat"),
            "Ag+Cu\r\nPb+Sn\r\n-------------------\r\nTOTAL: 2 systems\r\n");
  EXPECT_EQ(RunCli({"params-save", "--db", Db(), "--out", Db()}).status, 0);
  EXPECT_TRUE(std::filesystem::exists(folder_ / "STABILITY_PARAMS.txt"));
}

TEST_F(CliDatabase, CalcWritesEveryResultAndListingWritesThePieces) {
  ASSERT_EQ(RunCli({"params-upload", "--db", Db(), Data("STABILITY_PARAMS.txt")}).status, 0);
  ASSERT_EQ(RunCli({"upload", "--db", Db(), Data("Ag+Cu.ter")}).status, 0);
  const std::string before = ReadAll(folder_ / "systems.d");
  const std::filesystem::path out = folder_ / "out";
  const Outcome calc = RunCli({"calc", "--db", Db(), "--system", "Ag+Cu", "--out", out.string(),
                               "--xpoints", "50", "--ypoints", "40"});
  ASSERT_EQ(calc.status, 0) << calc.err;
  EXPECT_NE(calc.out.find("Solution phases: LIQUID, FCC_A1"), std::string::npos);
  EXPECT_NE(calc.out.find("Rows computed: 41"), std::string::npos);
  EXPECT_NE(calc.out.find("Nodes: 1"), std::string::npos);
  for (const char* file : {"matrix.tsv", "boundaries.csv", "nodes.csv", "special-points.txt",
                           "diagram.svg", "diagram.png", "mosaic.png"}) {
    EXPECT_GT(std::filesystem::file_size(out / file), 0u) << file;
  }
  const std::string matrix = ReadAll(out / "matrix.tsv");
  EXPECT_EQ(matrix.substr(0, 12), " Y/X\t0\t0.02\t");
  EXPECT_EQ(std::count(matrix.begin(), matrix.end(), '\n'), 42);  // header and 41 rows
  EXPECT_EQ(ReadAll(out / "boundaries.csv").substr(0, 17), "x,y,column,phase\n");
  const std::string nodes = ReadAll(out / "nodes.csv");
  EXPECT_EQ(nodes.substr(0, 19), "y,x_left,x,x_right\n");
  EXPECT_EQ(ReadAll(folder_ / "systems.d"), before);  // the overrides changed nothing

  const Outcome listing =
      RunCli({"listing", "--db", Db(), "--system", "Ag+Cu", "--out", out.string()});
  ASSERT_EQ(listing.status, 0) << listing.err;
  const std::string text = ReadAll(out / "Ag+Cu.txt");
  EXPECT_EQ(text.substr(0, 24), "SYSTEM: Ag+Cu\r\n\r\nPHASE: ");
  EXPECT_EQ(text.find('{'), std::string::npos);  // every parameter inserted

  EXPECT_EQ(RunCli({"calc", "--db", Db(), "--system", "Ag+Cu", "--ypoints", "x"}).status, 2);

  const std::filesystem::path quiet = folder_ / "quiet";
  const Outcome no_output = RunCli({"calc", "--db", Db(), "--system", "Ag+Cu", "--out",
                                    quiet.string(), "--xpoints", "20", "--no-output"});
  EXPECT_EQ(no_output.status, 0) << no_output.err;
  EXPECT_NE(no_output.out.find("Nodes: 1"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(quiet));
}

// What a run could not evaluate is told on stderr, counted in the summary and
// gives an exit status of its own; what lies outside the data is told once.
TEST_F(CliDatabase, CalcTellsWhatItCouldNotEvaluate) {
  const TerPiece ideal{"298.15", "3000", "", "R*T*(X*LN(X)+(1-X)*LN(1-X))"};
  ASSERT_NO_FATAL_FAILURE(Upload("Faults", "400", "600",
                                 {{"Z", {{"298.15", "3000", "", "1/0"}}},
                                  {"L", {ideal}},
                                  {"AB", {{"298.15", "3000", "0.45", "-1000/(T-500)"}}}}));
  const Outcome faults = RunCli({"calc", "--db", Db(), "--system", "Faults", "--no-output"});
  EXPECT_EQ(faults.status, 3) << faults.err;
  // Z at 12 compositions (the grid and AB's column) in 5 rows, AB in the row at 500 K.
  EXPECT_NE(faults.out.find("Rows computed: 5\n"), std::string::npos) << faults.out;
  EXPECT_NE(faults.out.find("Evaluation faults: 61\n"), std::string::npos) << faults.out;
  EXPECT_EQ(Occurrences(faults.err,
                        "Phase Z cannot be evaluated at X = 0, T = 600: Floating "
                        "point division by zero\r1/0\r"),
            1u)
      << faults.err;
  EXPECT_EQ(Occurrences(faults.err,
                        "Phase AB-(C) cannot be evaluated at T = 500: Floating point "
                        "division by zero\r-1000/(T-500)\r"),
            1u)
      << faults.err;
  EXPECT_EQ(Occurrences(faults.err, "cannot be evaluated at"), 2u);

  ASSERT_NO_FATAL_FAILURE(Upload("Below", "200", "400", {{"L", {ideal}}}));
  const Outcome below = RunCli({"calc", "--db", Db(), "--system", "Below", "--no-output"});
  EXPECT_EQ(below.status, 0) << below.err;
  EXPECT_NE(below.out.find("Evaluation faults: 0\n"), std::string::npos) << below.out;
  EXPECT_EQ(below.err,
            "warning: No Gibbs energy piece of phase L covers T = 250 (its pieces run from 298.15 "
            "to 3000): its piece for T from 298.15 to 3000 is used outside its range.\n");
}

// The listing reads no run setting; a piece that does not compile refuses the
// run at its start, named with its system, phase and range.
TEST_F(CliDatabase, ListingIgnoresRunSettingsAndBrokenPiecesAreNamed) {
  std::string nested = "X";
  for (int term = 2; term <= 22; ++term) nested += "+X";
  ASSERT_NO_FATAL_FAILURE(
      Upload("Broken", "600", "400",
             {{"L", {{"298.15", "1000", "", "X"}, {"1000", "3000", "", nested}}}}));
  const std::filesystem::path out = folder_ / "out";
  std::filesystem::create_directories(out);
  const Outcome listing =
      RunCli({"listing", "--db", Db(), "--system", "Broken", "--out", out.string()});
  EXPECT_EQ(listing.status, 0);
  EXPECT_EQ(listing.err, "Data are saved into Broken.txt\n");
  EXPECT_NE(ReadAll(out / "Broken.txt").find(nested), std::string::npos);

  const Outcome calc = RunCli({"calc", "--db", Db(), "--system", "Broken", "--ymin", "400",
                               "--ymax", "600", "--no-output"});
  EXPECT_EQ(calc.status, 1);
  EXPECT_EQ(calc.err,
            "error: System Broken, phase L, Gibbs energy piece 2 (T from 1000 to 3000): "
            "Expression contains too many nestings\r" +
                nested + "\nbinodal-cli: the calculation was refused\n");
}

TEST_F(CliDatabase, FailuresLeaveTheDatabaseUntouched) {
  const std::string before = ReadAll(folder_ / "systems.d");
  const std::filesystem::path bad = folder_ / "bad.ter";
  std::ofstream(bad, std::ios::binary)
      << "[SYSTEMS]\r\nSystem_designation\x1F @A+B+C+D\x80\r\n>\r\n";
  const Outcome upload = RunCli({"upload", "--db", Db(), bad.string()});
  EXPECT_EQ(upload.status, 1);
  EXPECT_NE(upload.err.find("Too many elements in the system"), std::string::npos);
  EXPECT_EQ(ReadAll(folder_ / "systems.d"), before);

  EXPECT_EQ(RunCli({"create-db", Db()}).status, 1);  // never overwrites
  EXPECT_EQ(ReadAll(folder_ / "systems.d"), before);

  const Outcome missing = RunCli({"download", "--db", Db(), "--system", "X+Y"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("no system 'X+Y'"), std::string::npos);

  std::filesystem::remove(folder_ / "experim_data.d");
  const Outcome broken = RunCli({"systems", "--db", Db()});
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.err.find("Can not open database files"), std::string::npos);
  EXPECT_NE(broken.err.find("experim_data.d"), std::string::npos);

  const Outcome table = RunCli({"table", (folder_ / "nothing.d").string()});
  EXPECT_EQ(table.status, 1);
  EXPECT_NE(table.err.find("Error opening file"), std::string::npos);
}

// Records of a table file, as the table command counts them.
int RecordsOf(const std::filesystem::path& table) {
  const Outcome dump = RunCli({"table", table.string()});
  const std::size_t at = dump.out.find("# records: ");
  return at == std::string::npos ? -1 : std::stoi(dump.out.substr(at + 11));
}

int Count(const std::string& text, const std::string& what) {
  int count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

// A system or parameter is never added twice: a second upload is refused
// with the way to replace it, --replace replaces it, and systems can be
// renamed and deleted.
TEST_F(CliDatabase, DuplicatesAreRefusedOrReplacedAndSystemsRenamedAndDeleted) {
  ASSERT_EQ(RunCli({"params-upload", "--db", Db(), Data("STABILITY_PARAMS.txt")}).status, 0);
  ASSERT_EQ(RunCli({"upload", "--db", Db(), Data("Ag+Cu.ter")}).status, 0);
  const int phases = RecordsOf(folder_ / "phases.d");
  const std::string before = ReadAll(folder_ / "systems.d");

  const Outcome again = RunCli({"upload", "--db", Db(), Data("Ag+Cu.ter")});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("holds the system Ag+Cu already"), std::string::npos) << again.err;
  EXPECT_NE(again.err.find("upload --replace"), std::string::npos) << again.err;
  EXPECT_EQ(ReadAll(folder_ / "systems.d"), before);

  const Outcome replace = RunCli({"upload", "--db", Db(), "--replace", Data("Ag+Cu.ter")});
  EXPECT_EQ(replace.status, 0) << replace.err;
  EXPECT_NE(replace.out.find("replaced 1 system(s)"), std::string::npos) << replace.out;
  EXPECT_EQ(RunCli({"systems", "--db", Db()}).out, "Ag+Cu\n");
  EXPECT_EQ(RecordsOf(folder_ / "phases.d"), phases);

  // A corrected parameters file.
  std::string params = ReadAll(Data("STABILITY_PARAMS.txt"));
  const std::string comment = "Comment\x1F @";
  params.insert(params.find(comment) + comment.size(), "corrected: ");
  const std::filesystem::path corrected = folder_ / "corrected.txt";
  std::ofstream(corrected, std::ios::binary) << params;
  const Outcome refused = RunCli({"params-upload", "--db", Db(), corrected.string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("GAGLIQ0; nothing was changed"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("params-upload --replace"), std::string::npos);
  const Outcome fixed = RunCli({"params-upload", "--db", Db(), "--replace", corrected.string()});
  EXPECT_EQ(fixed.status, 0) << fixed.err;
  EXPECT_NE(fixed.out.find("replaced 1: GAGLIQ0"), std::string::npos) << fixed.out;
  EXPECT_EQ(RunCli({"params-upload", "--db", Db(), corrected.string()}).status, 0);

  // Renaming.
  ASSERT_EQ(RunCli({"upload", "--db", Db(), Data("Pb+Sn.ter")}).status, 0);
  const Outcome rename = RunCli({"rename-system", "--db", Db(), "ag+cu", "Cu+Ag"});
  EXPECT_EQ(rename.status, 0) << rename.err;
  EXPECT_EQ(RunCli({"systems", "--db", Db()}).out, "Cu+Ag\nPb+Sn\n");
  const Outcome taken = RunCli({"rename-system", "--db", Db(), "Cu+Ag", "pb+sn"});
  EXPECT_EQ(taken.status, 1);
  EXPECT_NE(taken.err.find("holds a system Pb+Sn already"), std::string::npos) << taken.err;
  const Outcome long_name =
      RunCli({"rename-system", "--db", Db(), "Cu+Ag", "Cu+" + std::string(48, 'x')});
  EXPECT_EQ(long_name.status, 1);
  EXPECT_NE(long_name.err.find("at most 50"), std::string::npos) << long_name.err;
  EXPECT_EQ(RunCli({"rename-system", "--db", Db(), "Cu+Ag", "A+B+C+D"}).status, 1);
  EXPECT_EQ(RunCli({"rename-system", "--db", Db(), "Cu+Ag"}).status, 2);
  EXPECT_EQ(RunCli({"systems", "--db", Db()}).out, "Cu+Ag\nPb+Sn\n");

  // Deleting takes the phases, pieces and experimental points along.
  const Outcome deleted = RunCli({"delete-system", "--db", Db(), "CU+AG"});
  EXPECT_EQ(deleted.status, 0) << deleted.err;
  EXPECT_EQ(deleted.out, "Deleted the system Cu+Ag\n");
  EXPECT_EQ(RunCli({"systems", "--db", Db()}).out, "Pb+Sn\n");
  const std::string pb_sn = ReadAll(Data("Pb+Sn.ter"));
  EXPECT_EQ(RecordsOf(folder_ / "phases.d"), Count(pb_sn, "[PHASES]"));
  EXPECT_EQ(RecordsOf(folder_ / "gibbs_energy.d"), Count(pb_sn, "[GIBBS_ENERGY]"));
  EXPECT_EQ(RecordsOf(folder_ / "experim_data.d"), Count(pb_sn, "[EXPERIMENT]"));
  EXPECT_EQ(RunCli({"delete-system", "--db", Db(), "Cu+Ag"}).status, 1);
  EXPECT_EQ(RunCli({"delete-system", "--db", Db()}).status, 2);
}

TEST_F(CliDatabase, MalformedExchangeFileIsRefusedWithItsLine) {
  const std::string before = ReadAll(folder_ / "systems.d");
  const std::filesystem::path bad = folder_ / "bad.ter";
  std::ofstream(bad, std::ios::binary) << "\xEF\xBB\xBF" << ReadAll(Data("A+B.ter"));
  const Outcome upload = RunCli({"upload", "--db", Db(), bad.string()});
  EXPECT_EQ(upload.status, 1);
  EXPECT_NE(upload.err.find(bad.string() + ", line 1: the file starts with a byte-order mark"),
            std::string::npos)
      << upload.err;
  EXPECT_EQ(ReadAll(folder_ / "systems.d"), before);

  std::ofstream(bad, std::ios::binary) << "  [PHASES]\r\nPhase_designation\x1F @L\x80\r\n>\r\n";
  const Outcome phases_first = RunCli({"upload", "--db", Db(), bad.string()});
  EXPECT_EQ(phases_first.status, 1);
  EXPECT_NE(phases_first.err.find("line 1: a [PHASES] section before the [SYSTEMS] section"),
            std::string::npos)
      << phases_first.err;
  EXPECT_EQ(ReadAll(folder_ / "systems.d"), before);
}

// A Y range of about 1e-12 and an empty folder end at once, with a result or
// a message.
TEST_F(CliDatabase, TinyRangesAndEmptyFoldersEndPromptly) {
  ASSERT_EQ(RunCli({"upload", "--db", Db(), Data("A+B.ter")}).status, 0);
  // A hang is ended after a minute (status 124) and fails the test.
  const auto limited = [](std::vector<std::string> args) {
    args.insert(args.begin(), {"60", BINODAL_CLI});
    return RunCli(args, "timeout");
  };
  const std::filesystem::path out = folder_ / "out";
  // One row at Y = 1e-12: the diagram's Y axis spans next to nothing.
  const Outcome row = limited({"calc", "--db", Db(), "--system", "A+B", "--xpoints", "20", "--ymin",
                               "1e-12", "--ymax", "1e-12", "--out", out.string()});
  EXPECT_EQ(row.status, 0) << row.err;
  EXPECT_NE(row.out.find("Rows computed: 1\n"), std::string::npos) << row.out;
  ASSERT_TRUE(std::filesystem::exists(out / "diagram.png"));
  EXPECT_GT(std::filesystem::file_size(out / "diagram.png"), 0u);

  // Rows closer together than the run can tell apart: refused, with the reason.
  const Outcome tiny = limited({"calc", "--db", Db(), "--system", "A+B", "--ymin", "0", "--ymax",
                                "1e-12", "--out", out.string()});
  EXPECT_EQ(tiny.status, 1);
  EXPECT_NE(tiny.err.find("The Y range 0 to 1E-12 is too narrow for 100 points"), std::string::npos)
      << tiny.err;

  // An empty folder is a mistake, refused before anything is read or written.
  const std::vector<std::vector<std::string>> empty_folders = {
      {"calc", "--db", Db(), "--system", "A+B", "--xpoints", "20", "--out", ""},
      {"calc", "--db", "", "--system", "A+B", "--xpoints", "20", "--out", out.string()},
      {"listing", "--db", Db(), "--system", "A+B", "--out", ""},
      {"systems", "--db", ""},
  };
  for (const std::vector<std::string>& args : empty_folders) {
    const Outcome empty = limited(args);
    EXPECT_EQ(empty.status, 2) << args[0] << " " << empty.err;
    EXPECT_NE(empty.err.find("needs a folder, not an empty text"), std::string::npos) << empty.err;
    EXPECT_EQ(empty.out, "");
  }
}

TEST_F(CliDatabase, WithoutThePictureLibraryOnlyThePicturesAreMissing) {
  ASSERT_EQ(RunCli({"params-upload", "--db", Db(), Data("STABILITY_PARAMS.txt")}).status, 0);
  ASSERT_EQ(RunCli({"upload", "--db", Db(), Data("Ag+Cu.ter")}).status, 0);
  // The program copied alone into a folder of its own.
  const std::filesystem::path alone = folder_ / "alone";
  std::filesystem::create_directories(alone);
  std::filesystem::copy_file(BINODAL_CLI, alone / "binodal-cli");
  const std::string program = (alone / "binodal-cli").string();

  const Outcome quiet = RunCli(
      {"calc", "--db", Db(), "--system", "Ag+Cu", "--xpoints", "20", "--no-output"}, program);
  EXPECT_EQ(quiet.status, 0) << quiet.err;

  const std::filesystem::path out = folder_ / "out";
  const Outcome calc =
      RunCli({"calc", "--db", Db(), "--system", "Ag+Cu", "--xpoints", "20", "--out", out.string()},
             program);
  EXPECT_EQ(calc.status, 1);
  EXPECT_NE(calc.err.find("cannot load the picture library"), std::string::npos) << calc.err;
  EXPECT_GT(std::filesystem::file_size(out / "matrix.tsv"), 0u);
  EXPECT_FALSE(std::filesystem::exists(out / "diagram.png"));
}

// Two uploads into one database started at the same moment: either both
// systems arrive whole, or the second is refused, names the first and changes
// nothing. Never a lost system or one that holds the other's pieces.
TEST_F(CliDatabase, TwoUploadsAtOnceNeverMixTheirSystems) {
  const char* systems[] = {"Ag+Cu", "Pb+Sn"};
  // What each system looks like when it is uploaded alone.
  std::map<std::string, std::string> alone;
  for (const char* system : systems) {
    const std::filesystem::path db = folder_ / ("alone_" + std::string(system));
    ASSERT_EQ(RunCli({"create-db", db.string()}).status, 0);
    ASSERT_EQ(RunCli({"upload", "--db", db.string(), Data(system + std::string(".ter"))}).status,
              0);
    ASSERT_EQ(
        RunCli({"download", "--db", db.string(), "--system", system, "--out", db.string()}).status,
        0);
    alone[system] = ReadAll(db / (system + std::string(".ter")));
  }

  int refused = 0;
  for (int round = 0; round < 20; ++round) {
    const std::filesystem::path db = folder_ / ("round" + std::to_string(round));
    ASSERT_EQ(RunCli({"create-db", db.string()}).status, 0);
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    pid_t children[2];
    for (int i = 0; i < 2; ++i) {
      children[i] = ::fork();
      ASSERT_GE(children[i], 0);
      if (children[i] == 0) {
        ::close(start[1]);
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(start[0], &byte, 1);  // both go at once
        const std::string err = (db / ("err" + std::to_string(i))).string();
        const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 2);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        const std::string file = Data(systems[i] + std::string(".ter"));
        ::execl(BINODAL_CLI, BINODAL_CLI, "upload", "--db", db.c_str(), file.c_str(), nullptr);
        ::_exit(127);
      }
    }
    ::close(start[0]);
    ::close(start[1]);
    std::vector<std::string> added;
    for (int i = 0; i < 2; ++i) {
      int status = 0;
      ::waitpid(children[i], &status, 0);
      ASSERT_TRUE(WIFEXITED(status));
      const std::string err = ReadAll(db / ("err" + std::to_string(i)));
      if (WEXITSTATUS(status) == 0) {
        added.push_back(systems[i]);
        continue;
      }
      ++refused;
      EXPECT_EQ(WEXITSTATUS(status), 1) << err;
      EXPECT_EQ(err.rfind("binodal-cli: The database in " + db.string() +
                              "/ is in use by binodal-cli (pid ",
                          0),
                0u)
          << err;
      EXPECT_NE(err.find("; nothing was changed\n"), std::string::npos) << err;
    }
    ASSERT_FALSE(added.empty()) << "round " << round;
    std::string listed;
    for (const std::string& system : added) listed += system + "\n";
    EXPECT_EQ(RunCli({"systems", "--db", db.string()}).out, listed) << "round " << round;
    for (const std::string& system : added) {
      ASSERT_EQ(RunCli({"download", "--db", db.string(), "--system", system, "--out", db.string()})
                    .status,
                0);
      EXPECT_EQ(ReadAll(db / (system + ".ter")), alone[system])
          << "round " << round << ": " << system << " is not whole";
    }
  }
  RecordProperty("refused", refused);
}

// A table file lacking a field the program reads is an error, not an abort.
TEST_F(CliDatabase, ATableLackingAFieldIsRefusedByName) {
  ASSERT_EQ(RunCli({"upload", "--db", Db(), Data("Ag+Cu.ter")}).status, 0);
  std::string bytes = ReadAll(folder_ / "systems.d");
  const std::size_t at = bytes.find("XXX.Yparameter ");
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at + 4, 10, "Yparametex");
  std::ofstream(folder_ / "systems.d", std::ios::binary) << bytes;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"calc", "--db", Db(), "--system", "Ag+Cu", "--no-output"},
        std::vector<std::string>{"systems", "--db", Db()}}) {
    const Outcome outcome = RunCli(args);
    EXPECT_EQ(outcome.status, 1) << args[0];
    EXPECT_NE(
        outcome.err.find("binodal-cli: Error opening table: Field 'Yparameter' not found in " +
                         Db() + "/systems.d\n"),
        std::string::npos)
        << outcome.err;
  }
}

}  // namespace
