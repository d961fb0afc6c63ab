// The files of a database folder as the store uses them: whole table files
// read into memory, scratch files written beside the file they will replace,
// the identity of a file, and the folder's advisory locks.
//
// Scratch files are named ".<file name>.<16 hex digits>.tmp"; nothing else in
// a folder has such a name, so a file of that form that outlives its save is
// left over from a save that was killed and may be removed. POSIX only.
// Failures throw EStoreError with the message the user sees.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace binodal::store_files {

// What tells one version of a file from another: a save replaces a table file
// by a new file (another inode), and nothing else may write it.
struct FileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = -1;  // -1: no such file
  std::int64_t modified_ns = 0;

  bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path`; size -1 when there is none.
[[nodiscard]] FileStamp StampOf(const std::string& path);

// The bytes of the file and, when `stamp` is given, the stamp of the file
// read. Throws EStoreError "Error opening file <path>" when it cannot be read.
[[nodiscard]] std::vector<unsigned char> ReadTableFile(const std::string& path,
                                                       FileStamp* stamp = nullptr);

// Writes `bytes` to a new scratch file beside `path`, flushed to the disk and
// with the permissions of the file at `path` (when there is one), and returns
// the scratch file's path. Throws EStoreError "Error saving file <path>:
// <reason>" and leaves no scratch file behind.
[[nodiscard]] std::string WriteScratchFile(const std::string& path, std::string_view bytes);

// Replaces the file at `path` with `bytes` in one step (a scratch file renamed
// over it): whatever happens, `path` holds its old or its new content. Throws
// as WriteScratchFile.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// True for the name (without folder) of a scratch file.
[[nodiscard]] bool IsScratchFileName(std::string_view name);

// Flushes the folder's entries (renames, removals) to the disk; best effort.
void SyncFolder(const std::string& folder);

// An advisory lock (flock) on a file or folder, released when the object is
// destroyed or the process ends, however it ends. Locks of two objects
// conflict even within one process.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  ~FileLock();

  // Opens `path` (a folder, or a file created when missing); false with
  // errno set when it cannot be opened.
  bool Open(const std::string& path, bool create_file);
  [[nodiscard]] bool IsOpen() const { return fd_ >= 0; }
  // Takes the lock, waiting while another holds it; exclusive or shared.
  void Lock(bool exclusive);
  // Takes the exclusive lock unless another holds it; false then.
  bool TryLockExclusive();
  void Unlock();
  [[nodiscard]] int Fd() const { return fd_; }

 private:
  int fd_ = -1;
};

}  // namespace binodal::store_files
