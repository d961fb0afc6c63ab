// Fuzzes the table file reader. Any input must either read or fail with
// ETableFormatError; any other exception, a crash, a sanitizer report or a
// timeout is a fault. What reads must also write, and the written bytes must
// read back and write out again byte for byte.
//
// One exception to "what reads must write": descriptions grow when written
// back ("XXX." for an entry without alias, "s100" for a bare "s"), less than
// threefold, so descriptions near the 99999-byte limit may no longer fit and
// the writer refuses them. Inputs that large skip the write check.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "store/table_file.h"

namespace {

std::span<const unsigned char> AsBytes(const std::string& bytes) {
  return {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  binodal::TableImage image;
  try {
    image = binodal::ReadTableImage({data, size});
  } catch (const binodal::ETableFormatError&) {
    return 0;
  }
  if (size > binodal::kMaxDescriptionLength / 3) return 0;
  const std::string written = binodal::WriteTableImage(image);
  const std::string rewritten = binodal::WriteTableImage(binodal::ReadTableImage(AsBytes(written)));
  if (rewritten != written) __builtin_trap();
  return 0;
}
