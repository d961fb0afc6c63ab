// Fuzzes the row evaluation against a run of the whole expression at every
// point, across piece switches (see CheckRowEvaluation).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_bodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  binodal::fuzz::CheckRowEvaluation({reinterpret_cast<const char*>(data), size});
  return 0;
}
