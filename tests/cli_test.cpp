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

  const Outcome eval_help = RunCli({"eval", "--help"});
  EXPECT_EQ(eval_help.status, 0);
  EXPECT_NE(eval_help.out.find("--ops"), std::string::npos);

  EXPECT_EQ(RunCli({}).status, 2);
  EXPECT_EQ(RunCli({"frobnicate"}).status, 2);
  EXPECT_EQ(RunCli({"eval"}).status, 2);
  EXPECT_EQ(RunCli({"eval", "--bogus", "1"}).status, 2);
  EXPECT_EQ(RunCli({"eval", "X", "novalue"}).status, 2);
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
