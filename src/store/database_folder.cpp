// TStoreDatabase: the folder as a whole, its writer lock and its saves of
// several tables as one change.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <thread>
#include <utility>

#include <unistd.h>

#include "store/folder_files.h"
#include "store/store_table.h"

namespace binodal {
namespace {

namespace fs = std::filesystem;
using store_files::FileLock;

constexpr const char* kLockFile = "binodal.lock";
constexpr const char* kJournalFile = "binodal.commit";
constexpr std::string_view kJournalHead = "binodal save";
constexpr std::string_view kJournalEnd = "end";

std::string ErrnoText(int error) { return std::generic_category().message(error); }

// The folder as the file system takes it ("." for the working folder).
std::string FolderOf(const std::string& database_path) {
  return database_path.empty() ? std::string(".") : database_path;
}

// The name of this program, for the lock file.
std::string ProgramName() {
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  return error || exe.filename().empty() ? std::string("a program") : exe.filename().string();
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "this host";
  return name;
}

// "<program>\t<pid>\t<host>\n": who holds the writer lock.
std::string OwnerText() {
  return ProgramName() + '\t' + std::to_string(::getpid()) + '\t' + HostName() + '\n';
}

// "<program> (pid <n> on <host>)" from the lock file, or nothing while it
// holds no complete line.
std::optional<std::string> LockOwner(int lock_fd) {
  std::string text(512, '\0');
  const ssize_t n = ::pread(lock_fd, text.data(), text.size(), 0);
  text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  if (text.empty() || text.back() != '\n') return std::nullopt;
  std::string program, pid, host;
  std::istringstream in(text);
  if (std::getline(in, program, '\t') && std::getline(in, pid, '\t') && std::getline(in, host) &&
      !program.empty()) {
    return program + " (pid " + pid + " on " + host + ")";
  }
  return std::nullopt;
}

// Takes the lock, or returns who holds it. A program that has just taken the
// lock writes its name a moment later, and one that has just let it go has
// emptied the file: wait a little for either.
std::optional<std::string> TryLockOrOwner(FileLock& lock) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (lock.TryLockExclusive()) return std::nullopt;
    if (std::optional<std::string> owner = LockOwner(lock.Fd())) return owner;
    std::this_thread::sleep_for(std::chrono::milliseconds(4));
  }
  if (lock.TryLockExclusive()) return std::nullopt;
  return std::string("another program");
}

// A committed save: (scratch file, table file) names in the folder.
using Journal = std::vector<std::pair<std::string, std::string>>;

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\t\n") == std::string::npos;
}

std::string JournalText(const Journal& journal) {
  std::string text(kJournalHead);
  text += '\n';
  for (const auto& [scratch, table] : journal) text += scratch + '\t' + table + '\n';
  text += kJournalEnd;
  text += '\n';
  return text;
}

// The journal, or nothing when its text is not a complete journal (which a
// commit never leaves: the journal is complete before it gets its name).
std::optional<Journal> ParseJournal(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kJournalHead) return std::nullopt;
  Journal journal;
  while (std::getline(in, line)) {
    if (line == kJournalEnd) return journal;
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) return std::nullopt;
    std::string scratch = line.substr(0, tab), table = line.substr(tab + 1);
    if (!IsPlainName(scratch) || !IsPlainName(table) || !store_files::IsScratchFileName(scratch)) {
      return std::nullopt;
    }
    journal.emplace_back(std::move(scratch), std::move(table));
  }
  return std::nullopt;
}

// Renames every scratch file of the journal over its table. A scratch file
// that is gone was renamed already. Returns the error of the first rename
// that failed, or 0.
int ApplyJournal(const std::string& folder, const Journal& journal, std::string* failed) {
  for (const auto& [scratch, table] : journal) {
    const std::string from = (fs::path(folder) / scratch).string();
    const std::string to = (fs::path(folder) / table).string();
    if (std::rename(from.c_str(), to.c_str()) != 0 && errno != ENOENT) {
      *failed = to;
      return errno;
    }
  }
  return 0;
}

// Completes the save the journal of the folder commits, and removes the
// journal. Needs the folder's lock, exclusive.
void RollForward(const std::string& folder) {
  const std::string journal_path = (fs::path(folder) / kJournalFile).string();
  std::string text;
  try {
    const std::vector<unsigned char> bytes = store_files::ReadTableFile(journal_path);
    text.assign(bytes.begin(), bytes.end());
  } catch (const EStoreError&) {
    if (!fs::exists(journal_path)) return;
    throw EStoreError("Error opening file " + journal_path);
  }
  if (const std::optional<Journal> journal = ParseJournal(text)) {
    std::string failed;
    if (const int error = ApplyJournal(folder, *journal, &failed)) {
      throw EStoreError("Cannot complete the interrupted save of " + failed + ": " +
                        ErrnoText(error));
    }
    store_files::SyncFolder(folder);
  }
  if (::unlink(journal_path.c_str()) != 0 && errno != ENOENT) {
    throw EStoreError("Cannot complete the interrupted save in " + folder + ": " +
                      ErrnoText(errno));
  }
  store_files::SyncFolder(folder);
}

bool HasScratchFiles(const std::string& folder) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (store_files::IsScratchFileName(it->path().filename().string())) return true;
  }
  return false;
}

// Removes the scratch files of saves that were killed before their commit.
// Needs the writer lock (no save is writing scratch files) and no journal.
void RemoveScratchFiles(const std::string& folder) {
  std::error_code error;
  std::vector<fs::path> scratch;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (store_files::IsScratchFileName(it->path().filename().string())) {
      scratch.push_back(it->path());
    }
  }
  for (const fs::path& path : scratch) fs::remove(path, error);
}

}  // namespace

struct TStoreDatabase::Locks {
  FileLock writer;  // open and held while this database is the folder's writer
};

TStoreDatabase::TStoreDatabase() = default;
TStoreDatabase::TStoreDatabase(std::string path) { SetDatabasePath(std::move(path)); }
TStoreDatabase::TStoreDatabase(TStoreDatabase&& other) noexcept = default;
TStoreDatabase& TStoreDatabase::operator=(TStoreDatabase&& other) noexcept {
  if (this != &other) {
    UnlockForWriting();
    path_ = std::move(other.path_);
    locks_ = std::move(other.locks_);
  }
  return *this;
}
TStoreDatabase::~TStoreDatabase() { UnlockForWriting(); }

void TStoreDatabase::SetDatabasePath(std::string path) {
  const char separator = static_cast<char>(fs::path::preferred_separator);
  if (!path.empty() && path.back() != separator && path.back() != '/') path.push_back(separator);
  if (path != path_) UnlockForWriting();
  path_ = std::move(path);
}

bool TStoreDatabase::LockedForWriting() const { return locks_ && locks_->writer.IsOpen(); }

void TStoreDatabase::LockForWriting() {
  if (LockedForWriting()) return;
  const std::string folder = FolderOf(path_);
  FileLock lock;
  if (!lock.Open((fs::path(folder) / kLockFile).string(), true)) {
    throw EStoreError("Cannot lock the database in " + folder + ": " + ErrnoText(errno));
  }
  if (const std::optional<std::string> owner = TryLockOrOwner(lock)) {
    throw EStoreError("The database in " + folder + " is in use by " + *owner);
  }
  // Who holds the lock, for the message of a program that is refused.
  const std::string owner = OwnerText();
  if (::ftruncate(lock.Fd(), 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(lock.Fd(), owner.data(), owner.size(), 0);
  }
  if (!locks_) locks_ = std::make_unique<Locks>();
  locks_->writer = std::move(lock);
}

void TStoreDatabase::UnlockForWriting() {
  if (!LockedForWriting()) return;
  // The file stays: removing a lock file races with a program about to take it.
  [[maybe_unused]] const int truncated = ::ftruncate(locks_->writer.Fd(), 0);
  locks_->writer = FileLock();
}

void TStoreDatabase::ReadTables(const std::function<void()>& read) {
  const std::string folder = FolderOf(path_);
  FileLock folder_lock;
  if (folder_lock.Open(folder, false)) {
    bool repaired = false;
    for (;;) {
      folder_lock.Lock(false);
      const bool journal = fs::exists(fs::path(folder) / kJournalFile);
      if (!journal && (repaired || !HasScratchFiles(folder))) break;
      folder_lock.Lock(true);  // no save commits meanwhile, no reader reads
      RollForward(folder);
      // Scratch files belong to a save under way unless no writer is at work.
      if (LockedForWriting()) {
        RemoveScratchFiles(folder);
      } else {
        FileLock writer;
        if (writer.Open((fs::path(folder) / kLockFile).string(), true) &&
            writer.TryLockExclusive()) {
          RemoveScratchFiles(folder);
        }
      }
      repaired = true;
    }
  }
  read();
}

void TStoreDatabase::SaveTables(std::span<TStoreTable* const> tables) {
  const std::string folder = FolderOf(path_);
  struct Target {
    TStoreTable* table;
    std::string name;
    std::string path;
  };
  std::vector<Target> targets;
  for (TStoreTable* table : tables) {
    const std::string name = fs::path(table->TableName()).filename().string();
    const std::string path = path_ + name;
    if (table->FullPath() != path) {
      throw std::invalid_argument("table " + table->TableName() + " is not a file of " + folder);
    }
    targets.push_back({table, name, path});
  }

  std::vector<const Target*> changed;
  for (const Target& target : targets) {
    if (target.table->ChangedSinceSave()) changed.push_back(&target);
  }
  if (changed.empty()) return;

  // Without the writer lock, hold it while saving.
  const bool locked_here = !LockedForWriting();
  LockForWriting();
  struct Unlock {
    TStoreDatabase* database;
    bool active;
    ~Unlock() {
      if (active) database->UnlockForWriting();
    }
  } unlock{this, locked_here};

  for (const Target& target : targets) {
    if (store_files::StampOf(target.path) != target.table->file_stamp_) {
      throw EStoreError("The database in " + folder +
                        " was changed by another program since it was opened (" + target.name +
                        "); nothing was saved");
    }
  }

  // Every new file first; a failure here leaves the tables untouched.
  Journal journal;
  const auto remove_scratch = [&] {
    for (const auto& entry : journal) ::unlink((fs::path(folder) / entry.first).c_str());
  };
  try {
    for (const Target* target : changed) {
      const std::string scratch =
          store_files::WriteScratchFile(target->path, target->table->FileBytes(target->path));
      journal.emplace_back(fs::path(scratch).filename().string(), target->name);
    }
  } catch (...) {
    remove_scratch();
    throw;
  }

  // The commit: the journal gets its name in one step, while no reader reads.
  FileLock folder_lock;
  if (folder_lock.Open(folder, false)) folder_lock.Lock(true);
  const std::string journal_path = (fs::path(folder) / kJournalFile).string();
  try {
    const std::string scratch = store_files::WriteScratchFile(journal_path, JournalText(journal));
    if (std::rename(scratch.c_str(), journal_path.c_str()) != 0) {
      const int error = errno;
      ::unlink(scratch.c_str());
      throw EStoreError("Error saving file " + journal_path + ": " + ErrnoText(error));
    }
  } catch (...) {
    remove_scratch();
    throw;
  }
  store_files::SyncFolder(folder);

  std::string failed;
  if (const int error = ApplyJournal(folder, journal, &failed)) {
    // The journal stays: the next opening of the folder completes the save.
    throw EStoreError("Error saving file " + failed + ": " + ErrnoText(error) +
                      "; the save is completed when the database is opened again");
  }
  store_files::SyncFolder(folder);
  ::unlink(journal_path.c_str());
  store_files::SyncFolder(folder);

  for (const Target* target : changed) {
    target->table->saved_modification_count_ = target->table->modification_count_;
    target->table->file_stamp_ = store_files::StampOf(target->path);
  }
}

}  // namespace binodal
