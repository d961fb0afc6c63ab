#include "cli/pictures.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "common/file_io.h"
#include "common/leak_check.h"

#ifdef BINODAL_LEAK_CHECKED
// The picture library draws text through Qt; its leak suppressions must be
// the program's own to count.
extern "C" const char* __lsan_default_suppressions() { return binodal::kLeakSuppressions; }
#endif

namespace binodal::cli {

void WritePictures(const charts::PictureJob& job) {
  const std::string path = ProgramFolder() + charts::kPicturesLibrary;
  // Loaded once and kept until the program ends.
  static void* const library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = ::dlerror();
    throw std::runtime_error("cannot load the picture library " + path +
                             (reason != nullptr ? std::string(": ") + reason : std::string()));
  }
  const auto entry = reinterpret_cast<charts::WritePicturesEntry>(
      ::dlsym(library, charts::kWritePicturesEntry));
  if (entry == nullptr) {
    throw std::runtime_error("the picture library " + path + " has no entry point " +
                             charts::kWritePicturesEntry);
  }
  char error[1024] = {};
  if (entry(&job, error, sizeof error) != 0) throw std::runtime_error(error);
}

}  // namespace binodal::cli
