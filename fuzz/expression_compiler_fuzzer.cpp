// Fuzzes the expression compiler and the evaluation of what it compiles.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_bodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  binodal::fuzz::CompileAndEvaluate({reinterpret_cast<const char*>(data), size});
  return 0;
}
