#include "exchange/field_lines.h"

#include <gtest/gtest.h>

namespace binodal {
namespace {

TEST(FieldLines, WritesNameMarkerValueMarkerAndCrLf) {
  std::string out;
  AppendLine(out, "[SYSTEMS]");
  AppendFieldLine(out, "Comment", "first\r\nsecond");
  AppendSectionEnd(out);
  EXPECT_EQ(out, "[SYSTEMS]\r\nComment\x1F @first\r\nsecond\x80\r\n>\r\n");
}

TEST(FieldLines, ReaderJoinsContinuedValuesOnlyWhenAsked) {
  const std::string text = "Comment\x1F @first\r\nsecond\x80\r\n>\r\nlast";
  LineReader joined(text);
  EXPECT_EQ(ReadFieldLine(joined, true), "Comment\x1F @first\r\nsecond\x80");
  EXPECT_EQ(ReadFieldLine(joined, true), ">");
  EXPECT_EQ(ReadFieldLine(joined, true), "last");  // no line end, no 0x80: stops at the end
  EXPECT_EQ(ReadFieldLine(joined, true), std::nullopt);

  LineReader plain(text);
  EXPECT_EQ(ReadFieldLine(plain, false), "Comment\x1F @first");
  EXPECT_EQ(ReadFieldLine(plain, false), "second\x80");
}

TEST(FieldLines, SplitFollowsTheMarkers) {
  struct Case {
    std::string line;
    std::optional<NamedValue> expected;
  };
  const auto field = [](std::string name, std::string value) {
    return std::optional<NamedValue>(NamedValue{std::move(name), std::move(value)});
  };
  const Case cases[] = {
      {"Tmin\x1F @298.15\x80", field("Tmin", "298.15")},
      {"  Tmin \x1F @  298.15 \x80  ", field("Tmin", "298.15")},
      {"Comment\x1F @a\r\nb\x80", field("Comment", "a\r\nb")},
      {"Element3\x1F @\x80", std::nullopt},  // empty value: keep the default
      {"\x1F @value\x80", std::nullopt},     // empty name
      {"Tmin\x1F"
       "298\x80",
       std::nullopt},                      // no blank after 0x1F
      {"Tmin\x1F 298\x80", std::nullopt},  // no "@"
      {"Tmin\x1F @298", std::nullopt},     // no 0x80
      {"X\x1F @a\x80"
       "b\x80",
       field("X", "ab\x80")},  // the first 0x80 goes
  };
  for (const Case& c : cases) {
    const std::optional<NamedValue> got = SplitFieldLine(c.line);
    ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.line;
    if (got) {
      EXPECT_EQ(got->name, c.expected->name);
      EXPECT_EQ(got->value, c.expected->value);
    }
  }
}

}  // namespace
}  // namespace binodal
