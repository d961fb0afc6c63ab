#include "store/table_file.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store_test_util.h"

namespace binodal {
namespace {

using namespace std::string_literals;
using store_test::AsBytes;
using store_test::RawFile;
using store_test::ReadError;

// A table with every kind of field, notes, descriptions with defaults and
// further texts, and records mixing stored and unstored values.
TableImage RichImage() {
  TableImage image;
  image.fields = {
      MakeField("Id", FieldKind::kAutoInc),          MakeField("Small", FieldKind::kSmallInt),
      MakeField("Int", FieldKind::kInteger),         MakeField("Large", FieldKind::kLargeInt),
      MakeField("Flag", FieldKind::kBoolean),        MakeField("Real", FieldKind::kFloat),
      MakeField("Money", FieldKind::kCurrency),      MakeField("Day", FieldKind::kDate),
      MakeField("Clock", FieldKind::kTime),          MakeField("Moment", FieldKind::kDateTime),
      MakeField("Short", FieldKind::kShortText, 20), MakeField("Long", FieldKind::kString, 200),
      MakeField("Memo", FieldKind::kMemo),           MakeField("Rich", FieldKind::kFormattedMemo),
      MakeField("Bytes", FieldKind::kBlob),          MakeField("Picture", FieldKind::kGraphic),
  };
  image.fields[2].default_value = "100";
  image.fields[2].further_text = "points";
  image.fields[5].further_text = "0.######";
  image.fields[10].default_value = "";
  image.fields[10].further_text = "";
  image.notes = "Notes of the table";
  image.records = {
      {std::int64_t{3}, std::int64_t{-2}, std::int64_t{70000}, std::int64_t{-(1LL << 40)}, true,
       298.15, -0.5, std::int64_t{45000}, std::int64_t{3600000}, 45000.25, "Ag+Cu"s,
       std::string(150, 'x'), "line one\r\nline two"s, "{\\rtf1}"s, "\0\xff\x12"s, "GIF89a"s},
      Record(16),
      Record(16),
  };
  image.records[2][0] = std::int64_t{7};
  image.records[2][5] = 1e-300;
  image.records[2][10] = "\xc3\xa9t\xc3\xa9"s;
  return image;
}

TEST(TableFileTest, EmptyTableIsTheDocumented45Bytes) {
  TableImage image;
  image.fields = {MakeField("Id", FieldKind::kAutoInc),
                  MakeField("Designation", FieldKind::kShortText, 20)};
  const std::string expected =
      "\x2d\0\0\0"
      "S"
      "\0\0\0\0"
      "\x02\0\0\0"
      "\x1c\0\0\0"
      "XXX.Id a\x12"
      "XXX.Designation K\x12"
      "\x14"s;
  ASSERT_EQ(expected.size(), 45u);
  const std::string bytes = WriteTableImage(image);
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(ReadTableImage(AsBytes(bytes)), image);
}

// The store reads one value at a time from a record's bytes; that must give
// what decoding the whole record gives, for every kind of field.
TEST(TableFileTest, OneValueOfARecordIsTheValueOfTheWholeRecord) {
  const TableImage image = RichImage();
  const std::string bytes = WriteTableImage(image);
  const TableLayout layout = ReadTableLayout(AsBytes(bytes));
  ASSERT_EQ(layout.records.size(), image.records.size());
  std::vector<FieldKind> kinds;
  for (const FieldDef& def : image.fields) kinds.push_back(def.Kind());
  for (std::size_t r = 0; r < image.records.size(); ++r) {
    const auto* record = AsBytes(bytes).data() + layout.records[r];
    EXPECT_EQ(DecodeRecord(record, kinds), image.records[r]) << r;
    for (std::size_t f = 0; f < kinds.size(); ++f) {
      EXPECT_EQ(RecordValue(record, kinds, f), image.records[r][f]) << r << ", " << f;
    }
  }
}

// A record held in memory keeps values equal to 0, false or the empty text
// as values; written to a file they are not stored, as always.
TEST(TableFileTest, KeptZeroValuesStayValuesInMemoryOnly) {
  const TableImage image = RichImage();
  std::vector<FieldKind> kinds;
  for (const FieldDef& def : image.fields) kinds.push_back(def.Kind());
  const Record zeros = {std::int64_t{0},
                        std::int64_t{0},
                        std::int64_t{0},
                        std::int64_t{0},
                        false,
                        -0.0,
                        0.0,
                        std::int64_t{0},
                        std::int64_t{0},
                        0.0,
                        ""s,
                        ""s,
                        ""s,
                        ""s,
                        ""s,
                        "after"s};
  std::string memory;
  AppendRecord(&memory, image.fields, kinds, zeros, 1, true);
  const Record back = DecodeRecord(AsBytes(memory).data(), kinds);
  EXPECT_EQ(back, zeros);
  EXPECT_TRUE(std::signbit(std::get<double>(back[5])));
  EXPECT_EQ(RecordValue(AsBytes(memory).data(), kinds, 15), FieldValue{"after"s});

  TableFileWriter writer(image.fields, std::nullopt);
  writer.Add(back);
  const TableImage file = ReadTableImage(AsBytes(std::move(writer).Finish()));
  Record unstored(16);
  unstored[15] = "after"s;
  EXPECT_EQ(file.records, std::vector<Record>{unstored});
}

TEST(TableFileTest, WrittenTableReadsBackAndWritesOutIdentically) {
  const TableImage image = RichImage();
  const std::string bytes = WriteTableImage(image);
  const TableImage read = ReadTableImage(AsBytes(bytes));
  EXPECT_EQ(read, image);
  EXPECT_EQ(WriteTableImage(read), bytes);
}

TEST(TableFileTest, RecordEncoding) {
  TableImage image;
  for (const char* entry : {"S l", "I i", "B b", "F f", "T 3", "L s", "M m"}) {
    FieldDef def;
    def.name = std::string(1, entry[0]);
    def.type = entry[2];
    def.max_length = def.type == '3' ? 3 : def.type == 's' ? 100 : 0;
    image.fields.push_back(def);
  }
  image.records = {
      {std::int64_t{-2}, std::int64_t{70000}, true, 1.5, "abc"s, "hello"s, "x\0y"s},
      // Zero, false and empty are not stored: a record of counts only.
      {std::int64_t{0}, {}, false, 0.0, ""s, {}, ""s},
  };
  const std::string bytes = WriteTableImage(image);
  const std::string records = RawFile()
                                  .Byte(2)
                                  .Byte(4)
                                  .Byte(2)
                                  .Byte(8)
                                  .Byte(3)
                                  .Byte(4)
                                  .Byte(4)
                                  .Int16(-2)
                                  .Int32(70000)
                                  .Int16(1)
                                  .Double(1.5)
                                  .Text("abc")
                                  .Int32(5)
                                  .Text("hello")
                                  .Int32(3)
                                  .Text("x\0y"s)
                                  .Text(std::string(7, '\0'))
                                  .Bytes();
  ASSERT_GT(bytes.size(), records.size());
  EXPECT_EQ(bytes.substr(bytes.size() - records.size()), records);
  EXPECT_EQ(bytes.substr(0, 4), RawFile().Int32(static_cast<std::int32_t>(bytes.size())).Bytes());

  // Values not stored read back as no value.
  const TableImage read = ReadTableImage(AsBytes(bytes));
  EXPECT_EQ(read.records[1], Record(7));
}

TEST(TableFileTest, ShorterCountOfAFixedFieldGivesTheLowBytes) {
  const std::string bytes = RawFile()
                                .Header(1, 2, "XXX.I i\x12XXX.B b\x12\x14")
                                .Byte(2)
                                .Byte(1)
                                .Int16(300)
                                .Byte(0x10)
                                .Bytes();
  const TableImage image = ReadTableImage(AsBytes(bytes));
  EXPECT_EQ(image.records[0], (Record{std::int64_t{300}, true}));
}

TEST(TableFileTest, FieldDescriptionSyntax) {
  struct Case {
    std::string entry;
    std::string alias, name;
    char type;
    std::int32_t max_length;
    std::optional<std::string> default_value, further_text;
    bool written_back_as_read;
  };
  const Case cases[] = {
      {"XXX.Id a", "XXX", "Id", 'a', 0, {}, {}, true},
      {"XXX.Field_name i", "XXX", "Field_name", 'i', 0, {}, {}, true},
      {"Id a", "", "Id", 'a', 0, {}, {}, false},  // written back with alias XXX
      {"My tab.Id a", "My tab", "Id", 'a', 0, {}, {}, true},
      {"XXX.a.b i", "XXX", "a.b", 'i', 0, {}, {}, true},
      {"XXX.Ypoints l~100~", "XXX", "Ypoints", 'l', 0, "100", "", true},
      {"XXX.Tmin f~0~0.######", "XXX", "Tmin", 'f', 0, "0", "0.######", true},
      {"XXX.Tmin f~0.######", "XXX", "Tmin", 'f', 0, {}, "0.######", true},
      {"XXX.Tmin f~~x~y", "XXX", "Tmin", 'f', 0, "", "x~y", true},
      {"XXX.Tmin f~", "XXX", "Tmin", 'f', 0, {}, "", true},
      {"Tmin f~1.5~", "", "Tmin", 'f', 0, "1.5", "", false},   // the full stop is no alias
      {"XXX.Name s", "XXX", "Name", 's', 100, {}, {}, false},  // written back as s100
      {"XXX.Name s4000~UNICOD~", "XXX", "Name", 's', 4000, "UNICOD", "", true},
      {"XXX.Code 1", "XXX", "Code", '1', 1, {}, {}, true},
      {"XXX.Code Z", "XXX", "Code", 'Z', 35, {}, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    const std::string bytes = RawFile().Header(0, 1, c.entry + "\x12\x14").Bytes();
    const TableImage image = ReadTableImage(AsBytes(bytes));
    ASSERT_EQ(image.fields.size(), 1u);
    const FieldDef& def = image.fields[0];
    EXPECT_EQ(def.alias, c.alias);
    EXPECT_EQ(def.name, c.name);
    EXPECT_EQ(def.type, c.type);
    EXPECT_EQ(def.max_length, c.max_length);
    EXPECT_EQ(def.default_value, c.default_value);
    EXPECT_EQ(def.further_text, c.further_text);
    const std::string written = WriteTableImage(image);
    EXPECT_EQ(written.substr(4) == bytes.substr(4), c.written_back_as_read);  // past the length
    FieldDef back = def;
    if (back.alias.empty()) back.alias = "XXX";
    EXPECT_EQ(ReadTableImage(AsBytes(written)).fields[0], back);
  }
}

TEST(TableFileTest, BlankInFieldNameIsWrittenAsUnderscore) {
  TableImage image;
  image.fields = {MakeField("Field name", FieldKind::kInteger)};
  const std::string bytes = WriteTableImage(image);
  EXPECT_NE(bytes.find("XXX.Field_name i\x12"), std::string::npos);
  EXPECT_EQ(ReadTableImage(AsBytes(bytes)).fields[0].name, "Field_name");
}

TEST(TableFileTest, NotesAreRecognisedOnlyWithEnoughBytesLeft) {
  const std::string one_field = "XXX.I i\x12\x14";
  // No records: the notes need at least 3 bytes.
  EXPECT_EQ(ReadTableImage(AsBytes(RawFile().Header(0, 1, one_field).Text("*\0\0"s).Bytes())).notes,
            "");
  EXPECT_EQ(ReadTableImage(AsBytes(RawFile().Header(0, 1, one_field).Text("*\0"s).Bytes())).notes,
            std::nullopt);
  // With records: at least F bytes.
  const TableImage image = ReadTableImage(
      AsBytes(RawFile().Header(1, 1, one_field).Text("*").Int16(2).Text("ab").Byte(0).Bytes()));
  EXPECT_EQ(image.notes, "ab");
  EXPECT_EQ(image.records.size(), 1u);
}

TEST(TableFileTest, MalformedFilesGiveTheLayoutsMessages) {
  const std::string fields = "XXX.N i\x12XXX.D K\x12XXX.S s\x12XXX.M m\x12\x14";
  const auto header = [&](std::int32_t records) { return RawFile().Header(records, 4, fields); };
  struct Case {
    const char* what;
    std::string bytes;
    std::string message;
  };
  const Case cases[] = {
      {"empty file", "", "Unexpected end of buffer"},
      {"header cut short", RawFile().Int32(0).Byte('S').Int32(0).Int32(1).Bytes(),
       "Unexpected end of buffer"},
      {"unknown kind", RawFile().Header(0, 0, "\x14", 'X').Bytes(), "Buffer structure corruption!"},
      {"error kind", RawFile().Int32(0).Byte('E').Text("Table is damaged\0rest"s).Bytes(),
       "Table is damaged"},
      {"error kind to the end", RawFile().Int32(0).Byte('E').Text("Locked").Bytes(), "Locked"},
      {"password kind", RawFile().Header(0, 0, "\x14", 'P').Bytes(),
       "Invalid password. Table cannot be open"},
      {"description length above 99999",
       RawFile().Int32(0).Byte('S').Int32(0).Int32(0).Int32(100000).Bytes(),
       "Buffer structure corruption!"},
      {"negative description length",
       RawFile().Int32(0).Byte('S').Int32(0).Int32(0).Int32(-1).Bytes(),
       "Buffer structure corruption!"},
      {"negative record count", RawFile().Header(-1, 4, fields).Bytes(),
       "Buffer structure corruption!"},
      {"negative field count", RawFile().Header(0, -1, fields).Bytes(),
       "Buffer structure corruption!"},
      {"records without fields", RawFile().Header(3, 0, "\x14").Bytes(),
       "Buffer structure corruption!"},
      {"descriptions longer than the file",
       RawFile().Int32(0).Byte('S').Int32(0).Int32(1).Int32(50).Text("XXX.N i\x12\x14").Bytes(),
       "Unexpected end of buffer"},
      {"empty entry", RawFile().Header(0, 2, "XXX.N i\x12\x12\x14").Bytes(),
       "Error in buffer structure (field description section)"},
      {"entry without its end", RawFile().Header(0, 2, "XXX.N i\x12XXX.D K\x14").Bytes(),
       "Error in buffer structure (field description section)"},
      {"entry without type", RawFile().Header(0, 1, "XXX.N\x12\x14").Bytes(),
       "Error in buffer structure (field description section)"},
      {"unknown type", RawFile().Header(0, 1, "XXX.N x\x12\x14").Bytes(),
       "Error in buffer structure (field description section)"},
      {"text of length 0", RawFile().Header(0, 1, "XXX.N s0\x12\x14").Bytes(),
       "Error in buffer structure (field description section)"},
      {"text above 2^31-1", RawFile().Header(0, 1, "XXX.N s2147483648\x12\x14").Bytes(),
       "Error in buffer structure (field description section)"},
      {"characters after the type", RawFile().Header(0, 1, "XXX.N ix\x12\x14").Bytes(),
       "Error in buffer structure (field description section)"},
      {"negative notes length", header(0).Text("*").Int16(-1).Bytes(),
       "Buffer structure corruption!"},
      {"notes cut short", header(0).Text("*").Int16(10).Text("abc").Bytes(),
       "Unexpected end of buffer"},
      {"integer count above 4", header(1).Byte(5).Byte(0).Byte(0).Byte(0).Text("12345").Bytes(),
       "Field 'N' has wrong length 5 in record 1"},
      {"short text count above 20",
       header(2)
           .Text("\0\0\0\0"s)
           .Byte(0)
           .Byte(21)
           .Byte(0)
           .Byte(0)
           .Text(std::string(21, 'a'))
           .Bytes(),
       "Field 'D' has wrong length 21 in record 2"},
      {"string count 3", header(1).Byte(0).Byte(0).Byte(3).Byte(0).Text("abc").Bytes(),
       "String field 'S' has wrong length 3 in record 1"},
      {"string of 8192 bytes", header(1).Byte(0).Byte(0).Byte(4).Byte(0).Int32(8192).Bytes(),
       "String field 'S' has wrong length 8192 in record 1"},
      {"string of negative length", header(1).Byte(0).Byte(0).Byte(4).Byte(0).Int32(-1).Bytes(),
       "String field 'S' has wrong length -1 in record 1"},
      {"memo count 8", header(1).Byte(0).Byte(0).Byte(0).Byte(8).Int32(0).Int32(0).Bytes(),
       "BLOB field 'M' has wrong length 8 in record 1"},
      {"memo above 2^30-1", header(1).Byte(0).Byte(0).Byte(0).Byte(4).Int32(1073741824).Bytes(),
       "BLOB field 'M' has wrong length 1073741824 in record 1"},
      {"memo of negative length", header(1).Byte(0).Byte(0).Byte(0).Byte(4).Int32(-5).Bytes(),
       "BLOB field 'M' has wrong length -5 in record 1"},
      {"memo longer than the file",
       header(1).Byte(0).Byte(0).Byte(0).Byte(4).Int32(1073741823).Text("abc").Bytes(),
       "Unexpected end of buffer"},
      {"value cut short", header(1).Byte(4).Byte(0).Byte(0).Byte(0).Text("12").Bytes(),
       "Unexpected end of buffer"},
      {"5 records declared, 3 held", header(5).Text(std::string(12, '\0')).Bytes(),
       "Number of records read (3) does not match declared record count (5)"},
      {"2^31-1 records declared, none held",
       header(std::numeric_limits<std::int32_t>::max()).Bytes(),
       "Number of records read (0) does not match declared record count (2147483647)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadError(c.bytes), c.message) << c.what;
  }
}

TEST(TableFileTest, HostileCountsFailFast) {
  // Huge declared counts with a tiny file must neither allocate nor loop for them.
  const auto start = std::chrono::steady_clock::now();
  std::string many_fields = RawFile()
                                .Header(std::numeric_limits<std::int32_t>::max(),
                                        std::numeric_limits<std::int32_t>::max(), "XXX.N i\x12\x14")
                                .Bytes();
  EXPECT_EQ(ReadError(many_fields), "Error in buffer structure (field description section)");
  std::string many_records =
      RawFile().Header(std::numeric_limits<std::int32_t>::max(), 1, "XXX.N i\x12\x14").Bytes();
  many_records.append(1000, '\0');  // 1000 empty records
  EXPECT_EQ(ReadError(many_records),
            "Number of records read (1000) does not match declared record count (2147483647)");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(TableFileTest, WriterRefusesWhatItCannotWriteFaithfully) {
  const auto image_with = [](FieldDef def, FieldValue value) {
    TableImage image;
    image.fields = {std::move(def)};
    image.records = {{std::move(value)}};
    return image;
  };
  FieldDef alias_with_stop = MakeField("N", FieldKind::kInteger);
  alias_with_stop.alias = "a.b";
  FieldDef loose_tilde = MakeField("N", FieldKind::kInteger);
  loose_tilde.further_text = "a~b";
  FieldDef bad_type = MakeField("N", FieldKind::kInteger);
  bad_type.type = 'x';
  FieldDef long_string = MakeField("L", FieldKind::kString, 8191);
  long_string.max_length = 9000;  // declared longer than the layout can hold
  FieldDef huge_default = MakeField("N", FieldKind::kInteger);
  huge_default.default_value = std::string(100000, '1');
  const TableImage cases[] = {
      image_with(MakeField("S", FieldKind::kSmallInt), std::int64_t{40000}),
      image_with(MakeField("I", FieldKind::kInteger), 1.5),
      image_with(MakeField("T", FieldKind::kShortText, 3), "abcd"s),
      image_with(long_string, std::string(8192, 'a')),
      image_with(alias_with_stop, {}),
      image_with(loose_tilde, {}),
      image_with(bad_type, {}),
      image_with(huge_default, {}),
      image_with(MakeField("", FieldKind::kInteger), {}),
  };
  for (const TableImage& image : cases) {
    EXPECT_THROW(static_cast<void>(WriteTableImage(image)), std::invalid_argument)
        << image.fields[0].name;
  }
  TableImage wrong_width = image_with(MakeField("N", FieldKind::kInteger), {});
  wrong_width.records[0].resize(2);
  EXPECT_THROW(static_cast<void>(WriteTableImage(wrong_width)), std::invalid_argument);
  TableImage long_notes = image_with(MakeField("N", FieldKind::kInteger), {});
  long_notes.notes = std::string(32768, 'n');
  EXPECT_THROW(static_cast<void>(WriteTableImage(long_notes)), std::invalid_argument);
}

// The corruption suite: every truncation and many byte flips of a good file
// give the reader's error or a table, never anything else.
class TableFileCorruptionTest : public ::testing::Test {
 protected:
  const std::string good_ = WriteTableImage(RichImage());
};

TEST_F(TableFileCorruptionTest, EveryTruncationFails) {
  for (std::size_t length = 0; length < good_.size(); ++length) {
    EXPECT_THROW(static_cast<void>(ReadTableImage(AsBytes(good_).first(length))), ETableFormatError)
        << "length " << length;
  }
}

TEST_F(TableFileCorruptionTest, FlippedBytesReadOrFailCleanly) {
  for (std::size_t at = 0; at < good_.size(); ++at) {
    for (int mask : {0x01, 0x10, 0x80, 0xff}) {
      std::string bytes = good_;
      bytes[at] = static_cast<char>(bytes[at] ^ mask);
      try {
        const TableImage image = ReadTableImage(AsBytes(bytes));
        // What reads must also write and read back.
        const std::string written = WriteTableImage(image);
        EXPECT_EQ(WriteTableImage(ReadTableImage(AsBytes(written))), written);
      } catch (const ETableFormatError&) {
      }
    }
  }
}

TEST(TableFileCorpusTest, EverySeedReadsOrFailsCleanly) {
  int seeds = 0;
  for (const auto& entry : std::filesystem::directory_iterator(BINODAL_TABLE_CORPUS)) {
    const std::string bytes = store_test::ReadFile(entry.path().string());
    try {
      static_cast<void>(ReadTableImage(AsBytes(bytes)));
    } catch (const ETableFormatError&) {
    }
    ++seeds;
  }
  EXPECT_GT(seeds, 0);
}

}  // namespace
}  // namespace binodal
