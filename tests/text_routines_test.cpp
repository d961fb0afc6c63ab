#include "thermo/text_routines.h"

#include <gtest/gtest.h>

#include "support/recording_dialogs.h"

namespace binodal {
namespace {

using testing_support::RecordingDialogs;

TEST(TextRoutines, CompactExpressionRemovesBlanksBreaksEllipsesAndControls) {
  EXPECT_EQ(CompactExpression(" 1000*X\r\n + 2*T ..."), "1000*X+2*T");
  EXPECT_EQ(CompactExpression("A. . .B"), "AB");  // blanks go before the "..." does
  EXPECT_EQ(CompactExpression("A....B"), "A.B");
  EXPECT_EQ(CompactExpression("A\t+\x01"
                              "B"),
            "A+B");
}

TEST(TextRoutines, RemoveControlCharsAndSafeFileName) {
  EXPECT_EQ(RemoveControlChars(" a b\tc\r\n"), "abc");
  EXPECT_EQ(SafeFileName("Al-Cu(1)"), "Al-Cu1");
  EXPECT_EQ(SafeFileName("A+B = x_1 .txt/\\"), "A+B=x_1txt");
}

TEST(TextRoutines, ParseNumberReportsMalformedNumbers) {
  RecordingDialogs dialogs;
  EXPECT_EQ(ParseNumber("0,25", dialogs), 0.25);
  EXPECT_EQ(ParseNumber("-3e2", dialogs), -300);
  EXPECT_TRUE(dialogs.entries.empty());
  EXPECT_EQ(ParseNumber("12abc", dialogs), 12);
  EXPECT_EQ(ParseNumber("abc", dialogs), 0);
  EXPECT_EQ(dialogs.entries,
            (std::vector<RecordingDialogs::Entry>{{"message", "Invalid number: 12abc"},
                                                  {"message", "Invalid number: abc"}}));
}

TEST(TextRoutines, SplitterKeepsInnerEmptyPartsAndDropsAnEmptyTail) {
  struct Case {
    const char* text;
    std::vector<std::string> parts;
  };
  const Case cases[] = {
      {"A+B", {"A", "B"}},
      {"A + B", {"A ", " B"}},
      {"A++B", {"A", "", "B"}},
      {"A+B+", {"A", "B"}},
      {"+A", {"", "A"}},
      {"", {}},
      {"Ag+Cu+Sn+Pb", {"Ag", "Cu", "Sn", "Pb"}},
  };
  TStrParser splitter;
  for (const Case& c : cases) EXPECT_EQ(splitter.Split(c.text), c.parts) << c.text;

  splitter.DividingString = "and";
  EXPECT_EQ(splitter.Split("AgANDCuandSn"), (std::vector<std::string>{"Ag", "Cu", "Sn"}));
  splitter.CaseSensitive = true;
  EXPECT_EQ(splitter.Split("AgANDCuandSn"), (std::vector<std::string>{"AgANDCu", "Sn"}));
}

}  // namespace
}  // namespace binodal
