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

// A stability parameter piece is inserted into phase expressions as written:
// only a text that is one term keeps its meaning beside an operator.
TEST(TextRoutines, SelfContainedTermsAreOneNumberNameCallReferenceOrBracketedText) {
  struct Case {
    const char* text;
    bool term;
  };
  const Case cases[] = {
      // One number, one name, one call, one reference, one bracketed text.
      {"12011", true},
      {"3.98587E-07", true},
      {"805.644e+23", true},
      {"1,5", true},
      {".5", true},
      {"PI", true},
      {"T", true},
      {"SID", true},
      {"g_0", true},
      {"LN(T)", true},
      {"max(T,(1+X))", true},
      {"{GHSERAG}", true},
      {"(11025.293-8.890146*T-1.0322E-20*T^7)", true},
      {"((1+T)*(2-T))", true},
      {" ( 1 + T\r\n ) ", true},  // blanks and line breaks are removed before insertion
      // An operator outside parentheses, a leading sign included.
      {"1+T", false},
      {"-5", false},
      {"-(1+T)", false},
      {"+T", false},
      {"2*T", false},
      {"T^2", false},
      {"X/2", false},
      {"7DIV2", false},
      {"ADIVB", false},
      {"AMOD3", false},
      {"(1+T)*(2+T)", false},
      {"(1+T)+(2+T)", false},
      {"LN(T)*2", false},
      {"LN(T)+LN(X)", false},
      {"{G1}*2", false},
      {"{G1}{G2}", false},
      {"1E", false},
      {"2PI", false},
      {"(1+T", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsSelfContainedTerm(c.text), c.term) << c.text;
}

TEST(TextRoutines, StabilityTermWarningNamesParameterPieceAndExpression) {
  EXPECT_EQ(StabilityTermWarning("GBISN", 298.15, 544.55, "1000 + T"),
            "Stability parameter GBISN, piece 298.15 to 544.55: the expression 1000+T is not "
            "enclosed in parentheses. It is inserted as written in place of {GBISN}, so an "
            "operator beside {GBISN} takes only part of it.");
  EXPECT_EQ(StabilityTermWarning("G", 0, 3000, " \r\n"),
            "Stability parameter G, piece 0 to 3000: the expression is empty, so {G} stands for "
            "nothing.");
  // A long expression is cut to a readable length.
  const std::string warning = StabilityTermWarning("G", 0, 1, "1+" + std::string(5000, 'T'));
  EXPECT_LT(warning.size(), 300u);
  EXPECT_NE(warning.find("1+TTT"), std::string::npos);
  EXPECT_NE(warning.find("..."), std::string::npos);
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
