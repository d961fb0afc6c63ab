// Fuzzes the readers of the system exchange file and of the stability
// parameters file, uploading into a scratch database that is never saved.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_bodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = binodal::fuzz::MakeScratchDatabase();
  binodal::fuzz::UploadFile({reinterpret_cast<const char*>(data), size}, folder);
  return 0;
}
