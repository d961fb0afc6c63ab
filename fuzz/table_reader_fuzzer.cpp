// Fuzzes the table file reader. Any input must either read or fail with
// ETableFormatError; any other exception, a crash, a sanitizer report or a
// timeout is a fault. What reads must also write, and the written bytes must
// read back and write out again byte for byte.
//
// One exception to "what reads must write": descriptions grow when written
// back ("XXX." for an entry without alias, "s100" for a bare "s"), less than
// threefold, so descriptions near the 99999-byte limit may no longer fit and
// the writer refuses them. Inputs that large skip the write check.
//
// The table store reads one value of a record at a time (RecordValue) from
// the bytes the reader checked; every such value must equal the value of the
// whole record's decoding.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "store/table_file.h"

namespace {

std::span<const unsigned char> AsBytes(const std::string& bytes) {
  return {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()};
}

// Equal values; doubles by their bits, so that a NaN equals itself.
bool Same(const binodal::FieldValue& a, const binodal::FieldValue& b) {
  const auto* x = std::get_if<double>(&a);
  const auto* y = std::get_if<double>(&b);
  if (x != nullptr && y != nullptr) {
    return std::bit_cast<std::uint64_t>(*x) == std::bit_cast<std::uint64_t>(*y);
  }
  return a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  binodal::TableImage image;
  try {
    image = binodal::ReadTableImage({data, size});
  } catch (const binodal::ETableFormatError&) {
    return 0;
  }
  const binodal::TableLayout layout = binodal::ReadTableLayout({data, size});
  std::vector<binodal::FieldKind> kinds;
  for (const binodal::FieldDef& def : layout.fields) kinds.push_back(def.Kind());
  for (std::size_t r = 0; r < layout.records.size(); ++r) {
    for (std::size_t f = 0; f < kinds.size(); ++f) {
      if (!Same(binodal::RecordValue(data + layout.records[r], kinds, f), image.records[r][f])) {
        __builtin_trap();
      }
    }
  }
  if (size > binodal::kMaxDescriptionLength / 3) return 0;
  const std::string written = binodal::WriteTableImage(image);
  const std::string rewritten = binodal::WriteTableImage(binodal::ReadTableImage(AsBytes(written)));
  if (rewritten != written) __builtin_trap();
  return 0;
}
