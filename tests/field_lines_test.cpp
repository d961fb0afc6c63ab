#include "exchange/field_lines.h"

#include <gtest/gtest.h>

namespace binodal {
namespace {

constexpr std::string_view kHeaders[] = {"[SYSTEMS]", "[PHASES]"};

std::vector<SectionEntry> Read(std::string_view text) { return ReadSections(text, kHeaders); }

// The message of the format error that reading `text` gives, or "" when it reads.
std::string FormatError(std::string_view text) {
  try {
    static_cast<void>(Read(text));
  } catch (const EExchangeFormat& e) {
    return e.what();
  }
  return "";
}

TEST(FieldLines, WritesNameMarkerValueMarkerAndCrLf) {
  std::string out;
  AppendLine(out, "[SYSTEMS]");
  AppendFieldLine(out, "Comment", "first\r\nsecond");
  AppendSectionEnd(out);
  EXPECT_EQ(out, "[SYSTEMS]\r\nComment\x1F @first\r\nsecond\x80\r\n>\r\n");
}

TEST(FieldLines, ReadsSectionsFieldsAndTheirLines) {
  const std::string text =
      "[SYSTEMS]\r\n"
      "  Comment \x1F @first\r\nsecond\x80\r\n"
      "Element3\x1F @\x80\r\n"
      ">\r\n"
      "  [PHASES]\r\n"
      "Phase_designation\x1F @L\x80  \r\n"  // blanks after the end byte
      ">\r\n";
  const std::vector<SectionEntry> sections = Read(text);
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0].header, "[SYSTEMS]");
  EXPECT_EQ(sections[0].line, 1);
  ASSERT_EQ(sections[0].fields.size(), 2u);
  EXPECT_EQ(sections[0].fields[0].name, "Comment");
  EXPECT_EQ(sections[0].fields[0].value, "first\r\nsecond");
  EXPECT_EQ(sections[0].fields[1].name, "Element3");
  EXPECT_EQ(sections[0].fields[1].value, "");
  EXPECT_EQ(sections[0].fields[1].line, 4);
  EXPECT_EQ(sections[1].header, "[PHASES]");
  EXPECT_EQ(sections[1].line, 6);
  EXPECT_EQ(sections[1].fields[0].value, "L");

  // LF line ends and blank lines at the very end are fine.
  const std::vector<SectionEntry> lf = Read("[SYSTEMS]\nA\x1F @x\ny\x80\n>\n\r\n\n");
  ASSERT_EQ(lf.size(), 1u);
  EXPECT_EQ(lf[0].fields[0].value, "x\ny");
  EXPECT_TRUE(Read("").empty());
}

// UTF-8 characters hold the byte 0x80 too: every text the writer writes comes
// back byte for byte, as the only field of its section, followed by another
// field, and as the last field before ">".
TEST(FieldLines, EveryWrittenTextReadsBackByteForByte) {
  const std::string texts[] = {
      "plain ASCII",
      "",
      "1250 \xE2\x80\x93 1300 K",      // en dash E2 80 93
      "Hayes\xE2\x80\x99 assessment",  // right single quotation mark E2 80 99
      "\xC3\x80 la carte",             // À at the start
      "ends in \xC3\x80",              // À at the end: C3 80 and then the end byte
      "\xC3\x80",                      //
      "\xE2\x80\x80",                  // U+2000: both continuation bytes are 0x80
      "\xD0\xBF\xD1\x80\r\n\xD0\xBF",  // Cyrillic "пр" ends an inner line
      "L - liquid\r\nfcc \xE2\x80\x93 Cu-rich \xC3\x80\r\n#XCAP=x(Cu)\r\n#YCAP=T, K",
      "line break at the end\r\n",
      "\r\n  blanks and breaks around \r\n",
      "\xC3\x80\r\n>\r\nan inner line '>' after an \xC3\x80",
      "\xC3\x80\r\n[SYSTEMS] is no header inside a line",
      "\xF0\x9F\x98\x80 emoji ending in 0x80",
  };
  for (const std::string& text : texts) {
    EXPECT_TRUE(ReadsBackExactly(text, kHeaders)) << text;
    std::string file;
    AppendLine(file, "[SYSTEMS]");
    AppendFieldLine(file, "Only", text);
    AppendSectionEnd(file);
    AppendLine(file, "  [PHASES]");
    AppendFieldLine(file, "First", text);
    AppendFieldLine(file, "Second", text);
    AppendSectionEnd(file);
    std::vector<SectionEntry> sections;
    ASSERT_NO_THROW(sections = Read(file)) << text;
    ASSERT_EQ(sections.size(), 2u) << text;
    ASSERT_EQ(sections[0].fields.size(), 1u) << text;
    EXPECT_EQ(sections[0].fields[0].value, text);
    ASSERT_EQ(sections[1].fields.size(), 2u) << text;
    EXPECT_EQ(sections[1].fields[0].value, text);
    EXPECT_EQ(sections[1].fields[1].value, text);
  }
}

// Files of older programs hold one-byte text (here Windows-1252): a 0x80 in
// the middle of a line is a character, and a value ending in a byte that
// would begin a UTF-8 character still ends at its end byte.
TEST(FieldLines, OneByteFilesStillRead) {
  const std::string file =
      "[SYSTEMS]\r\n"
      "Comment\x1F @M\xFCller, \xE9t\xE9 1986: 5 \x80 per copy\r\nsecond line\x80\r\n"
      "Abbreviations\x1F @\xC3\x80\r\n"  // "Ã" and the end byte
      "Yparameter\x1F @Temperature\x80\r\n"
      ">\r\n"
      "  [PHASES]\r\n"
      "Phase_designation\x1F @\xC3\x80\r\n"  // the same before ">"
      ">\r\n";
  const std::vector<SectionEntry> sections = Read(file);
  ASSERT_EQ(sections.size(), 2u);
  ASSERT_EQ(sections[0].fields.size(), 3u);
  EXPECT_EQ(sections[0].fields[0].value,
            "M\xFCller, \xE9t\xE9 1986: 5 \x80 per copy\r\nsecond line");
  EXPECT_EQ(sections[0].fields[1].value, "\xC3");
  EXPECT_EQ(sections[0].fields[2].value, "Temperature");
  ASSERT_EQ(sections[1].fields.size(), 1u);
  EXPECT_EQ(sections[1].fields[0].value, "\xC3");
}

TEST(FieldLines, MalformedFilesAreRefusedWithTheLine) {
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF[SYSTEMS]\r\nA\x1F @1\x80\r\n>\r\n",
       "line 1: the file starts with a byte-order mark"},
      {"[SYSTEMS]\rA\x1F @1\x80\r>\r", "line 1: a carriage return without a line feed"},
      {"[SYSTEMS]\r\nA\x1F @1\x80\r>\r\n", "line 2: a carriage return without a line feed"},
      {"[SYSTEMS]\r\nSystem_designation @A+B\r\n>\r\n", "line 2: expected a field line"},
      {"[SYSTEMS]\r\nA\x1F @1\x80\r\n>\r\n\r\n  [PHASES]\r\n>\r\n", "line 4: a blank line between"},
      {"[SYSTEMS]\r\nA\x1F @1\x80\r\n",
       "line 3: the file ends inside the [SYSTEMS] section of line 1"},
      {"[SYSTEMS]\r\nA\x1F @1\x80\r\n> \r\n", "line 3: expected a field line"},
      {"[SYSTEMS]\r\nA\x1F @half\r\n>\r\n", "line 2: the value of field 'A' has no end byte"},
      {"[SYSTEMS]\r\nA\x1F @half\r\n  [PHASES]\r\n>\r\n", "line 2: the value of field 'A'"},
      {"[SYSTEMS]\r\n\x1F @1\x80\r\n>\r\n", "line 2: a field line without a field name"},
      {"[OTHER]\r\n>\r\n", "line 1: expected a section header such as [SYSTEMS], found '[OTHER]'"},
      {"[SYSTEMS]\r\n>\r\ntrailing text\r\n", "line 3: expected a section header"},
  };
  for (const Case& c : cases) {
    const std::string error = FormatError(c.text);
    EXPECT_EQ(error.substr(0, c.error.size()), c.error) << ShownText(c.text, 80);
  }
}

// The few texts that a file cannot carry are known before anything is
// written.
TEST(FieldLines, TextsThatCannotBeCarriedAreKnown) {
  for (const std::string text :
       {"a\r\n  [PHASES]\r\nb", "a\r\nName\x1F @b", "a\x80\r\n>\r\nb", "a\x80\r\nName\x1F @b"}) {
    EXPECT_FALSE(ReadsBackExactly(text, kHeaders)) << ShownText(text);
  }
}

TEST(FieldLines, ShownTextIsShortAndPrintable) {
  EXPECT_EQ(ShownText("a\x1F b\r\n"), "a? b??");
  EXPECT_EQ(ShownText(std::string(50, 'x'), 10), "xxxxxxxxxx...");
  EXPECT_EQ(ShownText("abc\xC3\x80", 4), "abc...");  // never inside a character
}

}  // namespace
}  // namespace binodal
