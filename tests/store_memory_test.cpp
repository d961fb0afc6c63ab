// Memory of the table store when it opens hostile files: tables of many tiny
// records take a few bytes per file byte, not a hundred.
#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "store/store_table.h"
#include "store_test_util.h"

// Every allocation of this test program is counted, so that a test can see
// the most memory in use while it opened a table.
namespace {
std::atomic<std::size_t> live_bytes{0};
std::atomic<std::size_t> peak_bytes{0};
}  // namespace

void* operator new(std::size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  const std::size_t now = live_bytes += malloc_usable_size(p);
  std::size_t peak = peak_bytes;
  while (now > peak && !peak_bytes.compare_exchange_weak(peak, now)) {
  }
  return p;
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  live_bytes -= malloc_usable_size(p);
  std::free(p);
}
#pragma GCC diagnostic pop
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* p, const std::nothrow_t&) noexcept { operator delete(p); }

namespace binodal {
namespace {

using store_test::RawFile;
using store_test::TempFolder;
using store_test::WriteFile;

struct HostileCase {
  const char* what;
  std::string descriptions;
  std::string record;  // one record's bytes, repeated to fill the file
  int fields;
};

TEST(StoreMemory, OpeningATableTakesASmallMultipleOfItsFileSize) {
  constexpr std::size_t kBytes = 1 << 20;
  const HostileCase cases[] = {
      {"one small integer, never stored", "A.a l\x12\x14", std::string(1, '\0'), 1},
      {"eight small integers, never stored",
       "A.a l\x12"
       "A.b l\x12"
       "A.c l\x12"
       "A.d l\x12"
       "A.e l\x12"
       "A.f l\x12"
       "A.g l\x12"
       "A.h l\x12\x14",
       std::string(8, '\0'), 8},
      {"empty memos", "A.m m\x12\x14", std::string("\x04\0\0\0\0", 5), 1},
      {"auto-increment values out of order",
       "A.Id a\x12"
       "A.T 1\x12\x14",
       std::string("\x01\x01"
                   "\x05"
                   "x",
                   4),
       2},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t count = kBytes / c.record.size();
    RawFile file;
    file.Header(static_cast<std::int32_t>(count), c.fields, c.descriptions);
    std::string records;
    records.reserve(count * c.record.size());
    for (std::size_t i = 0; i < count; ++i) records += c.record;
    if (c.fields == 2) {
      // Auto-increment values 255, 254, ... in their low byte: the store sorts them.
      for (std::size_t i = 0; i < count; ++i) records[i * 4 + 2] = static_cast<char>(255 - i % 255);
    }
    file.Text(records);
    TempFolder folder;
    const std::string path = folder.File("hostile.d");
    WriteFile(path, file.Bytes());
    const std::size_t size = file.Bytes().size();
    records.clear();
    records.shrink_to_fit();

    TStoreDatabase database(folder.Path().string());
    TStoreTable table(&database);
    table.SetTableName("hostile.d");
    const std::size_t before = live_bytes;
    peak_bytes = before;
    table.Open();
    const std::size_t peak = peak_bytes - before;
    EXPECT_EQ(table.RecordCount(), static_cast<int>(count));
    EXPECT_LE(peak, 10 * size) << static_cast<double>(peak) / static_cast<double>(size)
                               << " bytes per file byte";
    table.Last();
    if (c.fields == 2) {
      EXPECT_EQ(table.FieldByName("T").AsString(), "x");
    }
  }
}

}  // namespace
}  // namespace binodal
