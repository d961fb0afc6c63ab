// The label font's settings file "fntLabel.cfg".
#include "results/label_font_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

namespace binodal {
namespace {

TEST(LabelFontFileTest, WritesTheDocumentedLinesAndReadsThemBack) {
  const LabelFontSettings font{"MS Sans Serif", 10, 0x0000FF, true, true, false};
  const std::string bytes = WriteLabelFont(font);
  EXPECT_EQ(bytes, "MS Sans Serif\r\n10\r\nclRed\r\nfsBold\r\nfsItalic\r\n");
  LabelFontSettings read;
  EXPECT_EQ(ReadLabelFont(bytes, read), std::nullopt);
  EXPECT_EQ(read, font);
  EXPECT_EQ(WriteLabelFont(read), bytes);
}

TEST(LabelFontFileTest, ColoursByNameOrNumber) {
  const std::pair<TColor, const char*> written[] = {
      {0, "clBlack"},          {0xFFFFFF, "clWhite"},     {0x80000008, "clWindowText"},
      {0x1FFFFFFF, "clNone"},  {0x20000000, "clDefault"}, {0x00123456, "$00123456"},
      {0x0080FF, "$000080FF"}, {0x800000FF, "$800000FF"},
  };
  for (const auto& [color, text] : written) {
    EXPECT_EQ(ColorToText(color), text);
    EXPECT_EQ(TextToColor(text), color) << text;
  }
  EXPECT_EQ(ColorNames().size(), 52U);
  std::set<TColor> values;
  for (const ColorName& entry : ColorNames()) values.insert(entry.Value);
  EXPECT_EQ(values.size(), 52U) << "a colour with two names would not write back as it read";
  // Read only: letter case of names, decimal and 0x numbers.
  EXPECT_EQ(TextToColor("CLRED"), 0x0000FFU);
  EXPECT_EQ(TextToColor("255"), 0x0000FFU);
  EXPECT_EQ(TextToColor("0xFF00"), 0x00FF00U);
  EXPECT_EQ(TextToColor("-1"), 0xFFFFFFFFU);
  for (const char* bad : {"", "red", "$", "12a", "$1FFFFFFFF", "4294967296", " 5"}) {
    EXPECT_EQ(TextToColor(bad), std::nullopt) << bad;
  }
}

TEST(LabelFontFileTest, ReadingIgnoresShortFilesAndOtherLines) {
  const LabelFontSettings start{"Arial", 8, 0, false, false, false};
  LabelFontSettings font = start;
  EXPECT_EQ(ReadLabelFont("Courier\r\n12\r\n", font), std::nullopt);
  EXPECT_EQ(font, start);
  EXPECT_EQ(ReadLabelFont("Courier\n12\nclBlue\nfsUnderline\nfsStrikeOut\nfsbold\n", font),
            std::nullopt);
  EXPECT_EQ(font, (LabelFontSettings{"Courier", 12, 0xFF0000, false, false, true}));
}

TEST(LabelFontFileTest, BadLineStopsTheReadingWithWhatCameBeforeApplied) {
  const LabelFontSettings start{"Arial", 8, 0, false, false, false};
  LabelFontSettings font = start;
  EXPECT_EQ(ReadLabelFont("Courier\r\n1O\r\nclRed\r\nfsBold\r\n", font),
            "'1O' is not a valid integer value");
  EXPECT_EQ(font, (LabelFontSettings{"Courier", 8, 0, false, false, false}));

  font = start;
  EXPECT_EQ(ReadLabelFont("Courier\r\n12\r\nreddish\r\nfsBold\r\n", font),
            "'reddish' is not a valid integer value");
  EXPECT_EQ(font, (LabelFontSettings{"Courier", 12, 0, false, false, false}));
}

}  // namespace
}  // namespace binodal
