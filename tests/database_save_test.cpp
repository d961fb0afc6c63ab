// Saving a whole database: all or nothing, also when the saving process is
// killed or a file cannot be written, and one writer at a time.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_database.h"
#include "thermo/data_module.h"

namespace binodal {
namespace {

namespace fs = std::filesystem;
using testing_support::RecordingDialogs;
using testing_support::TempFolder;

constexpr const char* kTableFiles[] = {TDM::kSystemsFile, TDM::kPhasesFile,
                                       TDM::kGibbsFile,   TDM::kStabilityFile,
                                       TDM::kStabDetFile, TDM::kExperimentFile};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::map<std::string, std::string> TableBytes(const TempFolder& folder) {
  std::map<std::string, std::string> bytes;
  for (const char* name : kTableFiles) bytes[name] = ReadAll(folder / name);
  return bytes;
}

// The names in the folder other than the six tables and the lock file.
std::set<std::string> OtherFiles(const TempFolder& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder / "")) {
    names.insert(entry.path().filename().string());
  }
  for (const char* name : kTableFiles) names.erase(name);
  names.erase("binodal.lock");
  return names;
}

// Writes `generation` into one record of every table, so that a database
// whose tables come from different saves shows different generations.
void SetGeneration(TDM& dm, int generation, const std::string& padding = "") {
  const std::string text = "G" + std::to_string(generation);
  const auto edit = [](TStoreTable& table, const char* field, const std::string& value) {
    table.First();
    table.Edit();
    table.FieldByName(field).SetAsString(value);
    table.Post();
  };
  edit(dm.tblSystems, "Ymin", std::to_string(generation));
  edit(dm.tblPhases, "Phase_designation", text);
  edit(dm.tblGibbs, "Tmin", std::to_string(generation));
  edit(dm.tblStability, "Comment", text + padding);
  edit(dm.tblStabDet, "Tmin", std::to_string(generation));
  edit(dm.tblExperiment, "X_value", std::to_string(generation));
}

// The generation of every table, in the order of kTableFiles.
std::vector<std::string> Generations(TDM& dm) {
  const auto first = [](TStoreTable& table, const char* field) {
    table.First();
    return table.FieldByName(field).AsString();
  };
  const auto number = [](const std::string& text) { return "G" + text; };
  std::string comment = first(dm.tblStability, "Comment");
  comment = comment.substr(0, comment.find_first_not_of("G0123456789"));
  return {number(first(dm.tblSystems, "Ymin")), first(dm.tblPhases, "Phase_designation"),
          number(first(dm.tblGibbs, "Tmin")),   comment,
          number(first(dm.tblStabDet, "Tmin")), number(first(dm.tblExperiment, "X_value"))};
}

std::string HostName() {
  char name[256] = {};
  ::gethostname(name, sizeof name - 1);
  return name;
}

// Kills a child process when the test ends, however it ends.
struct ChildKiller {
  pid_t pid;
  void Now() {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
  }
  ~ChildKiller() { Now(); }
};

// A database with one record in every table, at generation 1.
class DatabaseSave : public ::testing::Test {
 protected:
  void SetUp() override {
    TDM::CreateEmptyDatabase(folder.str());
    TDM dm(dialogs);
    ASSERT_TRUE(dm.Start(folder.str()));
    dm.SetReadOnly(false);
    dm.tblSystems.Insert();
    dm.tblSystems.FieldByName("System_designation").SetAsString("A+B");
    dm.tblSystems.Post();
    dm.tblPhases.Insert();
    dm.tblPhases.FieldByName("Phase_designation").SetAsString("L");
    dm.tblPhases.Post();
    dm.tblGibbs.Insert();
    dm.tblGibbs.FieldByName("Expression").SetAsString("X*(1-X)");
    dm.tblGibbs.Post();
    dm.tblStability.Insert();
    dm.tblStability.FieldByName("Designation").SetAsString("GA");
    dm.tblStability.Post();
    dm.tblStabDet.Insert();
    dm.tblStabDet.FieldByName("Expression").SetAsString("T");
    dm.tblStabDet.Post();
    dm.tblExperiment.Insert();
    dm.tblExperiment.Post();
    SetGeneration(dm, 1);
    dm.SaveDatabase();
  }

  std::vector<std::string> OpenedGenerations() {
    TDM dm(dialogs);
    EXPECT_TRUE(dm.Start(folder.str())) << dm.OpenError();
    return Generations(dm);
  }

  TempFolder folder;
  RecordingDialogs dialogs;
};

// A child process saves generation after generation until it is killed at a
// random moment; the next opening must find every table of one generation.
TEST_F(DatabaseSave, AKilledSaveLeavesAllOldOrAllNewTables) {
  std::mt19937 random(20261211);
  int generation = 1;
  int interrupted = 0;  // kills that fell inside a save
  for (int round = 0; round < 60; ++round) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      RecordingDialogs quiet;
      TDM dm(quiet);
      if (!dm.Start(folder.str(), TDM::Access::kWrite)) ::_exit(3);
      dm.SetReadOnly(false);
      // Large enough that writing and flushing the files takes a while.
      const std::string padding(200000, 'p');
      for (int g = generation + 1;; ++g) {
        SetGeneration(dm, g, padding);
        dm.SaveDatabase();
        if (g == generation + 1) {
          [[maybe_unused]] const ssize_t n = ::write(ready[1], "r", 1);
        }
      }
    }
    ::close(ready[1]);
    char byte = 0;
    if (::read(ready[0], &byte, 1) != 1) {
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
      FAIL() << "the saving child did not start";
    }
    ::close(ready[0]);
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<int>(0, 20000)(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    if (!OtherFiles(folder).empty()) ++interrupted;

    const std::vector<std::string> generations = OpenedGenerations();
    for (const std::string& g : generations) {
      ASSERT_EQ(g, generations.front()) << "round " << round << ": a torn save";
    }
    generation = std::stoi(generations.front().substr(1));
    // The opening completed or removed what the killed save left behind.
    EXPECT_EQ(OtherFiles(folder), std::set<std::string>()) << "round " << round;
  }
  RecordProperty("interrupted", interrupted);
  EXPECT_GE(interrupted, 10) << "too few kills fell inside a save to tell";
}

// Programs that only read never see half of another program's save.
TEST_F(DatabaseSave, AReaderSeesAllOldOrAllNewTablesWhileAnotherProgramSaves) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(ready[0]);
    RecordingDialogs quiet;
    TDM dm(quiet);
    if (!dm.Start(folder.str(), TDM::Access::kWrite)) ::_exit(3);
    dm.SetReadOnly(false);
    for (int g = 2;; ++g) {
      SetGeneration(dm, g, std::string(20000, 'p'));
      dm.SaveDatabase();
      if (g == 2) [[maybe_unused]]
        const ssize_t n = ::write(ready[1], "r", 1);
    }
  }
  const ChildKiller killer{child};
  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the saving child did not start";
  ::close(ready[0]);
  // Read until 30 saves have passed.
  std::set<std::string> seen;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (int read = 0; seen.size() < 30 && std::chrono::steady_clock::now() < end; ++read) {
    const std::vector<std::string> generations = OpenedGenerations();
    for (const std::string& g : generations) {
      ASSERT_EQ(g, generations.front()) << "read " << read << ": half a save";
    }
    seen.insert(generations.front());
  }
  EXPECT_EQ(seen.size(), 30u) << "the saves did not go on while reading";
}

// A file that cannot be written (here: beyond the process's file size limit,
// as on a full disk) fails the save of the fourth table; no table changes.
TEST_F(DatabaseSave, AFailedWriteLeavesEveryTableAsItWas) {
  const auto before = TableBytes(folder);
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipe_fds[0]);
    RecordingDialogs quiet;
    TDM dm(quiet);
    if (!dm.Start(folder.str(), TDM::Access::kWrite)) ::_exit(3);
    dm.SetReadOnly(false);
    // Only stability_params.d grows beyond the limit.
    SetGeneration(dm, 2, std::string(100000, 'p'));
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{50000, 50000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      dm.SaveDatabase();
    } catch (const std::exception& e) {
      const std::string message = e.what();
      [[maybe_unused]] const ssize_t n = ::write(pipe_fds[1], message.data(), message.size());
      ::_exit(0);
    }
    ::_exit(1);
  }
  ::close(pipe_fds[1]);
  std::string message;
  char buffer[256];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) message.append(buffer, n);
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the save did not fail";
  EXPECT_EQ(message.rfind("Error saving file " + folder.str() + "stability_params.d: ", 0), 0u)
      << message;
  EXPECT_EQ(TableBytes(folder), before);
  EXPECT_EQ(OtherFiles(folder), std::set<std::string>());
  EXPECT_EQ(OpenedGenerations(), std::vector<std::string>(6, "G1"));
}

TEST_F(DatabaseSave, OpeningCompletesACommittedSaveAndDropsAnUncommittedOne) {
  // A save killed after its commit: the journal names the new files.
  const std::string scratch_systems = ".systems.d.0123456789abcdef.tmp";
  const std::string scratch_phases = ".phases.d.fedcba9876543210.tmp";
  {
    TempFolder other;
    fs::copy(folder / "", other / "", fs::copy_options::recursive);
    TDM dm(dialogs);
    ASSERT_TRUE(dm.Start(other.str()));
    dm.SetReadOnly(false);
    SetGeneration(dm, 7);
    dm.SaveDatabase();
    fs::copy_file(other / "systems.d", folder / scratch_systems);
    fs::copy_file(other / "phases.d", folder / scratch_phases);
  }
  const std::string new_systems = ReadAll(folder / scratch_systems);
  WriteAll(folder / "binodal.commit", "binodal save\n" + scratch_systems + "\tsystems.d\n" +
                                          scratch_phases + "\tphases.d\nend\n");
  // The first rename had been done when the save was killed.
  fs::rename(folder / scratch_systems, folder / "systems.d");
  const auto generations = OpenedGenerations();
  EXPECT_EQ(generations[0], "G7");
  EXPECT_EQ(generations[1], "G7");
  EXPECT_EQ(generations[2], "G1");
  EXPECT_EQ(ReadAll(folder / "systems.d"), new_systems);
  EXPECT_EQ(OtherFiles(folder), std::set<std::string>());

  // Killed before the commit: new files and a half-written journal, no journal.
  const auto before = TableBytes(folder);
  WriteAll(folder / ".gibbs_energy.d.00112233445566aa.tmp", "half a table");
  WriteAll(folder / ".binodal.commit.a1b2c3d4e5f60789.tmp", "binodal save\n");
  WriteAll(folder / "notes.txt", "kept");
  EXPECT_EQ(OpenedGenerations()[2], "G1");
  EXPECT_EQ(TableBytes(folder), before);
  EXPECT_EQ(OtherFiles(folder), std::set<std::string>{"notes.txt"});
}

TEST_F(DatabaseSave, ScratchFilesOfAWriterAtWorkStay) {
  TDM writer(dialogs);
  ASSERT_TRUE(writer.Start(folder.str(), TDM::Access::kWrite));
  const std::string scratch = ".experim_data.d.0011223344556677.tmp";
  WriteAll(folder / scratch, "being written");
  EXPECT_EQ(OpenedGenerations()[0], "G1");
  EXPECT_EQ(OtherFiles(folder), std::set<std::string>{scratch});
}

TEST_F(DatabaseSave, OnlyChangedTablesAreRewritten) {
  const auto stamp = [&](const char* name) {
    return store_files::StampOf((folder / name).string());
  };
  std::map<std::string, store_files::FileStamp> before;
  for (const char* name : kTableFiles) before[name] = stamp(name);
  TDM dm(dialogs);
  ASSERT_TRUE(dm.Start(folder.str()));
  dm.SetReadOnly(false);
  dm.SaveDatabase();  // nothing changed: nothing written
  dm.tblPhases.Edit();
  dm.tblPhases.FieldByName("Phase_designation").SetAsString("LIQUID");
  dm.tblPhases.Post();
  EXPECT_TRUE(dm.Modified());
  dm.SaveDatabase();
  EXPECT_FALSE(dm.Modified());
  for (const char* name : kTableFiles) {
    EXPECT_EQ(stamp(name) == before[name], std::string(name) != TDM::kPhasesFile) << name;
  }
}

TEST_F(DatabaseSave, ASecondWriterIsRefusedWithTheNameOfTheFirst) {
  const std::string in_use = "The database in " + folder.str() +
                             " is in use by thermo_tests (pid " + std::to_string(::getpid()) +
                             " on " + HostName() + ")";
  auto first = std::make_unique<TDM>(dialogs);
  ASSERT_TRUE(first->Start(folder.str(), TDM::Access::kWrite));

  TDM second(dialogs);
  EXPECT_FALSE(second.Start(folder.str(), TDM::Access::kWrite));
  EXPECT_TRUE(second.LockRefused());
  EXPECT_EQ(second.OpenError(), in_use);
  EXPECT_FALSE(second.tblSystems.Active());

  // A reader opens, but cannot save while the writer holds the folder; with
  // nothing changed, there is nothing to refuse.
  ASSERT_TRUE(second.Start(folder.str()));
  second.SetReadOnly(false);
  second.SaveDatabase();
  SetGeneration(second, 5);
  try {
    second.SaveDatabase();
    ADD_FAILURE() << "saved beside a writer";
  } catch (const EStoreError& e) {
    EXPECT_EQ(std::string(e.what()), in_use);
  }
  EXPECT_EQ(OpenedGenerations(), std::vector<std::string>(6, "G1"));

  first.reset();  // the writer ends without changes: the reader may save now
  second.SaveDatabase();
  EXPECT_EQ(OpenedGenerations(), std::vector<std::string>(6, "G5"));
  EXPECT_EQ(ReadAll(folder / "binodal.lock"), "");  // released
  EXPECT_TRUE(dialogs.entries.empty());
}

TEST_F(DatabaseSave, ASaveOverTablesAnotherProgramChangedIsRefused) {
  TDM reader(dialogs);
  ASSERT_TRUE(reader.Start(folder.str()));
  reader.SetReadOnly(false);
  {
    TDM writer(dialogs);
    ASSERT_TRUE(writer.Start(folder.str(), TDM::Access::kWrite));
    writer.SetReadOnly(false);
    writer.tblExperiment.First();
    writer.tblExperiment.Edit();
    writer.tblExperiment.FieldByName("X_value").SetAsFloat(3);
    writer.tblExperiment.Post();
    writer.SaveDatabase();
  }
  const auto after_writer = TableBytes(folder);
  SetGeneration(reader, 9);
  try {
    reader.SaveDatabase();
    ADD_FAILURE() << "saved over another program's save";
  } catch (const EStoreError& e) {
    EXPECT_EQ(std::string(e.what()), "The database in " + folder.str() +
                                         " was changed by another program since it was opened "
                                         "(experim_data.d); nothing was saved");
  }
  EXPECT_EQ(TableBytes(folder), after_writer);
}

TEST_F(DatabaseSave, TheLockEndsWithTheProcessThatHeldIt) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    RecordingDialogs quiet;
    TDM dm(quiet);
    if (!dm.Start(folder.str(), TDM::Access::kWrite)) ::_exit(3);
    [[maybe_unused]] const ssize_t n = ::write(ready[1], "r", 1);
    for (;;) ::pause();
  }
  ChildKiller killer{child};
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  TDM dm(dialogs);
  EXPECT_FALSE(dm.Start(folder.str(), TDM::Access::kWrite));
  EXPECT_NE(dm.OpenError().find("(pid " + std::to_string(child) + " on "), std::string::npos)
      << dm.OpenError();
  killer.Now();
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_TRUE(dm.Start(folder.str(), TDM::Access::kWrite)) << dm.OpenError();
}

TEST_F(DatabaseSave, SwitchingFoldersMovesTheWriterLock) {
  TempFolder other;
  fs::copy(folder / "", other / "", fs::copy_options::recursive);
  TDM dm(dialogs);
  ASSERT_TRUE(dm.Start(folder.str(), TDM::Access::kWrite));
  ASSERT_TRUE(dm.SwitchFolder(other.str()));
  TDM probe(dialogs);
  EXPECT_TRUE(probe.Start(folder.str(), TDM::Access::kWrite));  // the old folder is free
  EXPECT_FALSE(dm.SwitchFolder(folder.str()));                  // now held by probe
  EXPECT_EQ(dialogs.entries.back().text.find("The database in " + folder.str() + " is in use"), 0u);
  EXPECT_EQ(dm.StoreDatabase1.DatabasePath(), other.str());
  EXPECT_TRUE(dm.StoreDatabase1.LockedForWriting());
}

// A table file whose fields are not the ones the program reads is refused
// when the database opens, naming the field.
TEST(DatabaseFields, ATableLackingAFieldIsAnErrorOpeningTable) {
  struct Case {
    const char* file;
    std::string from, to;
    std::string error;
  };
  const Case cases[] = {
      {"systems.d", "XXX.Yparameter K", "XXX.Yparametex K",
       "Error opening table: Field 'Yparameter' not found in "},
      {"systems.d", "XXX.Element1 K", "XXX.Elemenx1 K",
       "Error opening table: Field 'Element1' not found in "},
      {"phases.d", "XXX.FK_system i", "XXX.FK_systex i",
       "Error opening table: Field 'FK_system' not found in "},
      {"systems.d", "XXX.Ymin f", "XXX.Ymin 8",
       "Error opening table: Field 'Ymin' has the wrong type in "},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    TDM::CreateEmptyDatabase(folder.str());
    std::string bytes = ReadAll(folder / c.file);
    const std::size_t at = bytes.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    bytes.replace(at, c.from.size(), c.to);
    WriteAll(folder / c.file, bytes);
    RecordingDialogs dialogs;
    TDM dm(dialogs);
    EXPECT_FALSE(dm.Start(folder.str()));
    EXPECT_EQ(dm.OpenError(), c.error + folder.str() + c.file);
    EXPECT_FALSE(dm.tblSystems.Active());
  }
}

}  // namespace
}  // namespace binodal
