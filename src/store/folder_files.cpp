#include "store/folder_files.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/store_table.h"

namespace binodal::store_files {
namespace {

namespace fs = std::filesystem;

std::string ErrnoText(int error) {
  return error != 0 ? std::generic_category().message(error) : std::string("write failed");
}

FileStamp StampOfStat(const struct stat& s) {
  FileStamp stamp;
  stamp.device = static_cast<std::uint64_t>(s.st_dev);
  stamp.inode = static_cast<std::uint64_t>(s.st_ino);
  stamp.size = static_cast<std::int64_t>(s.st_size);
  stamp.modified_ns = static_cast<std::int64_t>(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec;
  return stamp;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

FileStamp StampOf(const std::string& path) {
  struct stat s {};
  if (::stat(path.c_str(), &s) != 0) return {};
  return StampOfStat(s);
}

std::vector<unsigned char> ReadTableFile(const std::string& path, FileStamp* stamp) {
  const auto fail = [&] { throw EStoreError("Error opening file " + path); };
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail();
  struct stat s {};
  if (::fstat(fd, &s) != 0 || !S_ISREG(s.st_mode)) {
    ::close(fd);
    fail();
  }
  // The size is known: read into a buffer of that size, growing only if the
  // file grows meanwhile.
  std::vector<unsigned char> bytes(static_cast<std::size_t>(s.st_size));
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) bytes.resize(bytes.size() + 65536);
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      fail();
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  bytes.shrink_to_fit();
  if (stamp != nullptr) *stamp = StampOfStat(s);
  return bytes;
}

std::string WriteScratchFile(const std::string& path, std::string_view bytes) {
  const fs::path target(path);
  const auto fail = [&](int error) {
    throw EStoreError("Error saving file " + path + ": " + ErrnoText(error));
  };
  std::random_device random;
  std::string scratch;
  int fd = -1;
  int error = 0;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08x%08x.tmp", random(), random());
    scratch = (target.parent_path() / ("." + target.filename().string() + suffix)).string();
    fd = ::open(scratch.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    error = errno;
    if (fd < 0 && error != EEXIST) break;
  }
  if (fd < 0) fail(error);
  errno = 0;
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  error = ok ? 0 : errno;
  if (ok) {
    // The new file keeps the permissions of the one it replaces.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  }
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(scratch.c_str());
    fail(error);
  }
  return scratch;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string scratch = WriteScratchFile(path, bytes);
  if (std::rename(scratch.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(scratch.c_str());
    throw EStoreError("Error saving file " + path + ": " + ErrnoText(error));
  }
  // Make the rename itself durable; a failure here loses nothing already written.
  const fs::path folder = fs::path(path).parent_path();
  SyncFolder(folder.empty() ? std::string(".") : folder.string());
}

bool IsScratchFileName(std::string_view name) {
  constexpr std::string_view kEnd = ".tmp";
  constexpr std::size_t kHex = 16;
  // "." name "." 16 hex digits ".tmp", the name not empty
  if (name.size() < 1 + 1 + 1 + kHex + kEnd.size() || name.front() != '.' ||
      !name.ends_with(kEnd)) {
    return false;
  }
  const std::string_view hex = name.substr(name.size() - kEnd.size() - kHex, kHex);
  for (char c : hex) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return name[name.size() - kEnd.size() - kHex - 1] == '.';
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// ---------------------------------------------------------------- locks

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

bool FileLock::Open(const std::string& path, bool create_file) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = create_file ? ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)
                    : ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // Another user's lock file locks as well when it can only be read.
  if (fd_ < 0 && create_file && (errno == EACCES || errno == EROFS)) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  }
  return fd_ >= 0;
}

void FileLock::Lock(bool exclusive) {
  if (fd_ < 0) return;
  while (::flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
  }
}

bool FileLock::TryLockExclusive() {
  if (fd_ < 0) return false;
  for (;;) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

void FileLock::Unlock() {
  if (fd_ >= 0) ::flock(fd_, LOCK_UN);
}

}  // namespace binodal::store_files
