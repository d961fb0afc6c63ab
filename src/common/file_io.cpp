#include "common/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace binodal {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
  throw std::runtime_error(what + " " + path + ": " + std::strerror(error));
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("Cannot open", path, errno);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) Fail("Cannot read", path, errno);
  return std::move(bytes).str();
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  const fs::path target(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string temporary = (folder / (target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) Fail("Cannot create", path, errno);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      ::unlink(temporary.c_str());
      Fail("Cannot write", path, error);
    }
    written += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    Fail("Cannot write", path, error);
  }
  // mkstemp creates the file readable by its owner only; give it the usual rights.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::chmod(temporary.c_str(), 0666 & ~mask);
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    Fail("Cannot write", path, error);
  }
}

std::string ProgramFolder() {
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  fs::path folder = error ? fs::current_path() : exe.parent_path();
  std::string text = folder.string();
  if (text.empty() || text.back() != fs::path::preferred_separator) {
    text += fs::path::preferred_separator;
  }
  return text;
}

}  // namespace binodal
