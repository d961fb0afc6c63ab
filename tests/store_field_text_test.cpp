#include "store/field_text.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace binodal {
namespace {

using namespace std::string_literals;

TEST(FieldTextTest, FloatToTextIsShortestGeneralFormat) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {298.15, "298.15"},
      {0.5, "0.5"},
      {-3, "-3"},
      {0, "0"},
      {-0.0, "0"},
      {1e-6, "1E-6"},
      {1.5e-5, "0.000015"},  // scientific only below 1e-5
      {-2.5e-7, "-2.5E-7"},
      {1e20, "1E20"},
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1.23456789012346E15"},
      {0.1 + 0.2, "0.3"},         // rounded to 15 digits
      {0.9999999999999999, "1"},  // carries into a new digit
      {8.31441, "8.31441"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToText(c.value), c.text) << c.value;
  EXPECT_EQ(FloatToText(298.15, ','), "298,15");
  EXPECT_EQ(FloatToText(-2.5e-7, ','), "-2,5E-7");
}

TEST(FieldTextTest, TextToFloatReadsOnlyWholeNumbers) {
  const struct {
    const char* text;
    char separator;
    std::optional<double> value;
  } cases[] = {
      {"298.15", '.', 298.15},
      {" -1.5E-6\t", '.', -1.5e-6},
      {"+.5", '.', 0.5},
      {"5.", '.', 5.0},
      {"1,5", ',', 1.5},
      {"1e-400", '.', 0.0},  // underflow gives 0
      {"1.5", ',', std::nullopt},
      {"1,5", '.', std::nullopt},
      {"1e400", '.', std::nullopt},
      {"", '.', std::nullopt},
      {".", '.', std::nullopt},
      {"1e", '.', std::nullopt},
      {"12abc", '.', std::nullopt},
      {"nan", '.', std::nullopt},
      {"inf", '.', std::nullopt},
      {"0x10", '.', std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToFloat(c.text, c.separator), c.value) << c.text;
  // A value of at most 15 significant digits reads back from its text.
  for (double v : {298.15, -1e-300, 1e308, 5e-324, 0.1, -123456789012345.0}) {
    EXPECT_EQ(TextToFloat(FloatToText(v)), v) << v;
  }
}

TEST(FieldTextTest, TextToInteger) {
  EXPECT_EQ(TextToInteger(" 42 "), 42);
  EXPECT_EQ(TextToInteger("+7"), 7);
  EXPECT_EQ(TextToInteger("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  for (const char* bad : {"", "1.0", "9223372036854775808", "++1", "1 2", "0x1"}) {
    EXPECT_EQ(TextToInteger(bad), std::nullopt) << bad;
  }
}

TEST(FieldTextTest, CutNeverSplitsAUtf8Character) {
  const struct {
    std::string text;
    std::size_t limit, length;
  } cases[] = {
      {"abc", 5, 3},
      {"abcdef", 4, 4},
      {"abcd\xc3\xa9", 5, 4},  // é (2 bytes) would be split
      {"abcd\xc3\xa9", 6, 6},
      {"a\xe2\x82\xac", 2, 1},       // € (3 bytes), cut after its first byte
      {"a\xe2\x82\xac", 3, 1},       // ... or after its second
      {"a\xf0\x9f\x98\x80", 4, 1},   // a 4-byte character
      {"a\xf0\x9f\x98\x80z", 5, 5},  // cut right after it
      {"a\xb0\xb1zz", 2, 2},         // stray bytes (not UTF-8) count one each
      {"\xc3\xa9\xc3\xa9", 3, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8CutLength(c.text, c.limit), c.length) << c.text << " / " << c.limit;
  }
}

}  // namespace
}  // namespace binodal
