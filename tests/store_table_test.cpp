#include "store/store_table.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store_test_util.h"

#if __has_include(<sys/resource.h>)
#include <sys/resource.h>
#include <unistd.h>
#define BINODAL_TEST_POSIX 1
#endif

namespace binodal {
namespace {

using namespace std::string_literals;
using store_test::AsBytes;
using store_test::ReadFile;
using store_test::TempFolder;
using store_test::WriteFile;

TableImage Image(std::vector<FieldDef> fields, std::vector<Record> records = {}) {
  TableImage image;
  image.fields = std::move(fields);
  image.records = std::move(records);
  return image;
}

TableImage Systems() {
  return Image({MakeField("System_id", FieldKind::kAutoInc),
                MakeField("System_designation", FieldKind::kString, 50)},
               {{std::int64_t{1}, "A+B"s}, {std::int64_t{2}, "C+D"s}, {std::int64_t{3}, "E+F"s}});
}

TableImage Phases() {
  return Image(
      {MakeField("Phase_id", FieldKind::kAutoInc), MakeField("FK_system", FieldKind::kInteger),
       MakeField("Phase_designation", FieldKind::kShortText, 20)},
      {{std::int64_t{1}, std::int64_t{1}, "L"s},
       {std::int64_t{2}, std::int64_t{2}, "BCC"s},
       {std::int64_t{3}, std::int64_t{1}, "FCC"s},
       {std::int64_t{4}, std::int64_t{1}, "HCP"s}});
}

TableImage Pieces() {
  return Image({MakeField("FK_Phase", FieldKind::kInteger), MakeField("Tmin", FieldKind::kFloat),
                MakeField("Expression", FieldKind::kMemo)},
               {{std::int64_t{1}, 300.0, "1"s},
                {std::int64_t{2}, 300.0, "2"s},
                {std::int64_t{2}, 1000.0, "3"s}});
}

class StoreTableTest : public ::testing::Test {
 protected:
  void Put(const std::string& name, const TableImage& image) {
    WriteFile(folder_.File(name), WriteTableImage(image));
  }
  std::unique_ptr<TStoreTable> Open(const std::string& name, const std::string& index = "") {
    auto table = std::make_unique<TStoreTable>(&database_);
    table->SetTableName(name);
    table->SetIndexFieldNames(index);
    table->Open();
    return table;
  }
  // The texts of a field over the current range, first to last.
  static std::vector<std::string> Column(TStoreTable& table, const std::string& field) {
    std::vector<std::string> texts;
    for (table.First(); !table.Eof(); table.Next()) {
      texts.push_back(table.FieldByName(field).AsString());
    }
    return texts;
  }
  static std::string ErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const EStoreError& e) {
      return e.what();
    }
    return "";
  }

  TempFolder folder_;
  TStoreDatabase database_{folder_.Path().string()};
};

using Texts = std::vector<std::string>;

TEST(StoreDatabaseTest, PathEndsWithSeparatorAndBareNamesAreRelativeToIt) {
  TStoreDatabase database("/data/base");
  EXPECT_EQ(database.DatabasePath(), "/data/base/");
  database.SetDatabasePath("/data/other/");
  EXPECT_EQ(database.DatabasePath(), "/data/other/");
  TStoreTable table(&database);
  table.SetTableName("systems.d");
  EXPECT_EQ(table.FullPath(), "/data/other/systems.d");
  table.SetTableName("/elsewhere/systems.d");
  EXPECT_EQ(table.FullPath(), "/elsewhere/systems.d");
  table.SetTableName("sub/systems.d");
  EXPECT_EQ(table.FullPath(), "sub/systems.d");
}

TEST_F(StoreTableTest, OpenFailuresLeaveTheTableClosed) {
  TStoreTable table(&database_);
  table.SetTableName("experim_data.d");
  EXPECT_EQ(ErrorOf([&] { table.Open(); }), "Error opening file " + folder_.File("experim_data.d"));
  EXPECT_FALSE(table.Active());

  WriteFile(folder_.File("experim_data.d"), WriteTableImage(Systems()).substr(0, 40));
  EXPECT_EQ(ErrorOf([&] { table.Open(); }), "Error opening table: Unexpected end of buffer");
  EXPECT_FALSE(table.Active());

  std::string locked = WriteTableImage(Systems());
  locked[4] = 'P';
  WriteFile(folder_.File("experim_data.d"), locked);
  EXPECT_EQ(ErrorOf([&] { table.Open(); }),
            "Error opening table: Invalid password. Table cannot be open");
  EXPECT_FALSE(table.Active());
}

TEST_F(StoreTableTest, AutoIncrementCountsOnFromTheHighestLoadedValue) {
  Put("params.d",
      Image({MakeField("Id", FieldKind::kAutoInc),
             MakeField("Designation", FieldKind::kShortText, 20)},
            {{std::int64_t{3}, "c"s}, {std::int64_t{7}, "g"s}, {std::int64_t{5}, "e"s}}));
  auto table = Open("params.d");
  EXPECT_EQ(Column(*table, "Id"), (Texts{"3", "5", "7"}));  // ascending after load

  table->Insert();
  EXPECT_EQ(table->FieldByName("Id").AsInteger(), 8);
  EXPECT_TRUE(table->FieldByName("Id").ReadOnly());
  EXPECT_EQ(ErrorOf([&] { table->FieldByName("Id").SetAsInteger(1); }),
            "Field 'Id' cannot be modified");
  table->Cancel();
  table->Append();
  EXPECT_EQ(table->FieldByName("Id").AsInteger(), 9);  // 8 is never given again
  table->Post();
  EXPECT_EQ(Column(*table, "Id"), (Texts{"3", "5", "7", "9"}));

  table->Close();
  table->Open();  // unsaved: back to the file, and to its highest value
  table->Append();
  EXPECT_EQ(table->FieldByName("Id").AsInteger(), 8);
  table->Cancel();
  table->EmptyTable();
  table->SaveToFile(table->FullPath());
  table->Close();
  table->Open();
  table->Append();
  EXPECT_EQ(table->FieldByName("Id").AsInteger(), 1);  // an empty table starts at 1
}

TEST_F(StoreTableTest, IndexOrdersNumbersByValueAndTextsByByteCodes) {
  Put("t.d",
      Image({MakeField("Name", FieldKind::kShortText, 10), MakeField("Num", FieldKind::kInteger)},
            {{"b"s, std::int64_t{10}},
             {""s, std::int64_t{2}},
             {"B"s, std::int64_t{-1}},
             {"ab"s, std::int64_t{2}},
             {"a"s, {}},
             {{}, std::int64_t{10}}}));
  auto table = Open("t.d", "Name");
  EXPECT_EQ(Column(*table, "Name"), (Texts{"", "", "B", "a", "ab", "b"}));
  // Ties keep file order; a number the file does not store reads as 0.
  EXPECT_EQ(Column(*table, "Num"), (Texts{"2", "10", "-1", "0", "2", "10"}));

  table->SetIndexFieldNames("Num;Name");  // no value counts as 0
  EXPECT_EQ(Column(*table, "Name"), (Texts{"B", "a", "", "ab", "", "b"}));

  // A posted edit moves the record to its place and the cursor with it.
  ASSERT_TRUE(table->Locate("Name", "B"));
  table->Edit();
  table->FieldByName("Num").SetAsInteger(5);
  table->Post();
  EXPECT_EQ(table->FieldByName("Name").AsString(), "B");
  EXPECT_EQ(table->RecNo(), 4);
  table->Insert();
  table->FieldByName("Num").SetAsInteger(3);
  table->Post();
  EXPECT_EQ(table->RecNo(), 4);
  EXPECT_EQ(Column(*table, "Num"), (Texts{"0", "2", "2", "3", "5", "10", "10"}));

  EXPECT_EQ(ErrorOf([&] { table->SetIndexFieldNames("Nope"); }), "Field 'Nope' not found");
}

TEST_F(StoreTableTest, WithoutIndexNewRecordsFollowTheLoadedOnes) {
  Put("t.d", Pieces());
  auto table = Open("t.d");
  table->SetRecNo(2);
  table->Insert();  // opened at the cursor...
  EXPECT_EQ(table->RecNo(), 2);
  table->FieldByName("Expression").SetAsString("4");
  table->Post();  // ...but kept in load and insertion order
  EXPECT_EQ(table->RecNo(), 4);
  EXPECT_EQ(Column(*table, "Expression"), (Texts{"1", "2", "3", "4"}));
}

TEST_F(StoreTableTest, SaveWritesIndexOrderOnlyWhenAsked) {
  Put("t.d", Pieces());
  auto table = Open("t.d", "Tmin;FK_Phase");
  EXPECT_EQ(Column(*table, "Expression"), (Texts{"1", "2", "3"}));
  table->Last();
  table->Edit();
  table->FieldByName("Tmin").SetAsFloat(100);
  table->Post();
  const auto saved_order = [&] {
    table->SaveToFile(folder_.File("saved.d"));
    const TableImage image = ReadTableImage(AsBytes(ReadFile(folder_.File("saved.d"))));
    Texts texts;
    for (const Record& record : image.records) texts.push_back(std::get<std::string>(record[2]));
    return texts;
  };
  EXPECT_EQ(saved_order(), (Texts{"1", "2", "3"}));
  table->SetSaveSortOnIndex(true);
  EXPECT_EQ(saved_order(), (Texts{"3", "1", "2"}));
}

TEST_F(StoreTableTest, SavedTableIsByteIdenticalToTheFileItWasLoadedFrom) {
  TableImage image = Phases();
  image.fields[2].default_value = "L";
  image.fields[2].further_text = "shown as phase";
  image.notes = "notes";
  Put("phases.d", image);
  auto table = Open("phases.d", "Phase_designation");
  table->SaveToFile(folder_.File("copy.d"));
  EXPECT_EQ(ReadFile(folder_.File("copy.d")), ReadFile(folder_.File("phases.d")));
}

TEST_F(StoreTableTest, ReadOnlyTableRefusesBeforeAnyHandlerRuns) {
  Put("phases.d", Phases());
  auto table = Open("phases.d");
  table->SetReadOnly(true);
  bool handler_ran = false;
  table->BeforeInsert = [&](TStoreTable&) { handler_ran = true; };
  table->BeforeDelete = [&](TStoreTable&) { handler_ran = true; };
  EXPECT_EQ(ErrorOf([&] { table->Insert(); }),
            "You have read only access, you can not add records!");
  EXPECT_EQ(ErrorOf([&] { table->Append(); }),
            "You have read only access, you can not add records!");
  EXPECT_EQ(ErrorOf([&] { table->Edit(); }), "Read-only record cannot be changed");
  EXPECT_EQ(ErrorOf([&] { table->Delete(); }), "Read-only record cannot be deleted");
  EXPECT_EQ(ErrorOf([&] { table->EmptyTable(); }), "Read-only record cannot be deleted");
  EXPECT_FALSE(handler_ran);
  EXPECT_EQ(table->State(), TableState::kBrowse);
  EXPECT_EQ(table->RecordCount(), 4);
  EXPECT_EQ(table->ModificationCount(), 0);

  // Made read-only while editing: the pending change cannot be posted.
  table->SetReadOnly(false);
  table->Edit();
  table->SetReadOnly(true);
  EXPECT_EQ(ErrorOf([&] { table->FieldByName("Phase_designation").SetAsString("X"); }),
            "Read-only record cannot be changed");
  EXPECT_EQ(ErrorOf([&] { table->Post(); }), "Read-only record cannot be changed");
  table->Cancel();
}

class MasterDetailTest : public StoreTableTest {
 protected:
  void SetUp() override {
    Put("systems.d", Systems());
    Put("phases.d", Phases());
    Put("gibbs_energy.d", Pieces());
    systems_ = Open("systems.d");
    phases_ = Open("phases.d");
    pieces_ = Open("gibbs_energy.d", "Tmin");
    phases_->SetMaster(systems_.get(), "System_id", "FK_system");
    pieces_->SetMaster(phases_.get(), "Phase_id", "FK_Phase");
  }

  std::unique_ptr<TStoreTable> systems_, phases_, pieces_;
};

TEST_F(MasterDetailTest, DetailShowsTheRangeOfTheMastersCurrentRecord) {
  EXPECT_EQ(Column(*phases_, "Phase_designation"), (Texts{"L", "FCC", "HCP"}));
  phases_->SetRecNo(2);
  EXPECT_EQ(phases_->RecNo(), 2);
  EXPECT_EQ(phases_->RecordCount(), 3);

  int detail_scrolls = 0;
  phases_->AfterScroll = [&](TStoreTable&) { ++detail_scrolls; };
  systems_->Next();  // C+D
  EXPECT_EQ(detail_scrolls, 1);
  EXPECT_EQ(phases_->RecNo(), 1);
  EXPECT_EQ(phases_->RecordCount(), 1);
  EXPECT_EQ(phases_->FieldByName("Phase_designation").AsString(), "BCC");
  EXPECT_EQ(pieces_->RecordCount(), 2);  // the detail's detail follows too
  phases_->Next();
  EXPECT_TRUE(phases_->Eof());

  systems_->Next();  // E+F: no phases
  EXPECT_EQ(phases_->RecordCount(), 0);
  EXPECT_EQ(phases_->RecNo(), 0);
  EXPECT_TRUE(phases_->Eof());
  EXPECT_TRUE(phases_->Bof());
  EXPECT_EQ(pieces_->RecordCount(), 0);

  systems_->Close();
  EXPECT_EQ(phases_->RecordCount(), 0);
  systems_->Open();
  EXPECT_EQ(phases_->RecordCount(), 3);
}

TEST_F(MasterDetailTest, InsertedDetailRecordGetsTheMasterKeyBeforeAfterInsert) {
  systems_->Last();
  std::int64_t key_seen = -1;
  phases_->AfterInsert = [&](TStoreTable& t) { key_seen = t.FieldByName("fk_SYSTEM").AsInteger(); };
  phases_->Insert();
  EXPECT_EQ(key_seen, 3);
  phases_->FieldByName("Phase_designation").SetAsString("Liquid");
  phases_->Post();
  EXPECT_EQ(Column(*phases_, "Phase_designation"), (Texts{"Liquid"}));
  EXPECT_EQ(phases_->FieldByName("Phase_id").AsInteger(), 5);
}

TEST_F(MasterDetailTest, DetailInsertCanPostTheMastersNewRecordFirst) {
  // The data module's pattern: a phase is always inserted under a posted system.
  phases_->BeforeInsert = [&](TStoreTable&) {
    if (systems_->State() == TableState::kInsert) systems_->Post();
  };
  systems_->Append();
  EXPECT_EQ(phases_->RecordCount(), 0);  // the new system has no phases yet
  systems_->FieldByName("System_designation").SetAsString("G+H");
  phases_->Insert();
  EXPECT_EQ(systems_->State(), TableState::kBrowse);
  EXPECT_EQ(systems_->RecordCount(), 4);
  EXPECT_EQ(phases_->FieldByName("FK_system").AsInteger(), 4);
  phases_->Post();
  EXPECT_EQ(phases_->RecordCount(), 1);
}

TEST_F(MasterDetailTest, MasterMovePostsThePendingDetailEdit) {
  phases_->Edit();
  phases_->FieldByName("Phase_designation").SetAsString("Liquid");
  systems_->Next();
  systems_->Prior();
  EXPECT_EQ(Column(*phases_, "Phase_designation"), (Texts{"Liquid", "FCC", "HCP"}));
}

TEST_F(MasterDetailTest, BeforeDeleteCanCascadeIntoTheDetail) {
  systems_->BeforeDelete = [&](TStoreTable&) {
    phases_->First();
    while (!phases_->Eof()) phases_->Delete();
  };
  systems_->Delete();  // A+B with L, FCC, HCP
  EXPECT_EQ(systems_->FieldByName("System_designation").AsString(), "C+D");
  phases_->SetMaster(nullptr, "", "");
  EXPECT_EQ(Column(*phases_, "Phase_designation"), (Texts{"BCC"}));
  EXPECT_EQ(phases_->ModificationCount(), 3);
}

TEST_F(MasterDetailTest, LinksThatWouldMakeACycleAreRefused) {
  EXPECT_THROW(systems_->SetMaster(pieces_.get(), "FK_Phase", "System_id"), std::invalid_argument);
  EXPECT_THROW(systems_->SetMaster(systems_.get(), "System_id", "System_id"),
               std::invalid_argument);
}

TEST_F(StoreTableTest, EventsFireInOrderAndEAbortAbandons) {
  Put("systems.d", Systems());
  auto table = Open("systems.d");
  std::vector<std::string> events;
  const auto log = [&](const char* name) {
    return [&events, name](TStoreTable&) { events.push_back(name); };
  };
  table->BeforeInsert = log("BeforeInsert");
  table->AfterInsert = log("AfterInsert");
  table->BeforePost = log("BeforePost");
  table->AfterPost = log("AfterPost");
  table->BeforeDelete = log("BeforeDelete");
  table->AfterDelete = log("AfterDelete");
  table->AfterCancel = log("AfterCancel");
  table->AfterScroll = log("AfterScroll");

  table->Insert();
  table->Post();
  table->Insert();
  table->Cancel();
  table->Delete();
  EXPECT_EQ(events, (Texts{"BeforeInsert", "AfterInsert", "AfterScroll", "BeforePost", "AfterPost",
                           "BeforeInsert", "AfterInsert", "AfterScroll", "AfterCancel",
                           "AfterScroll", "BeforeDelete", "AfterDelete", "AfterScroll"}));

  // Abandoned post: still inserting, with the values given.
  table->BeforePost = [](TStoreTable&) { throw EAbort(); };
  table->Append();
  table->FieldByName("System_designation").SetAsString("A+B+C+D");
  EXPECT_THROW(table->Post(), EAbort);
  EXPECT_EQ(table->State(), TableState::kInsert);
  EXPECT_EQ(table->FieldByName("System_designation").AsString(), "A+B+C+D");
  EXPECT_EQ(table->RecordCount(), 3);
  table->Cancel();

  // Abandoned delete: the record stays.
  table->BeforeDelete = [](TStoreTable&) { throw EAbort(); };
  EXPECT_THROW(table->Delete(), EAbort);
  EXPECT_EQ(table->RecordCount(), 3);
  EXPECT_EQ(table->ModificationCount(), 2);  // one insert, one delete
}

TEST_F(StoreTableTest, CursorMovesWithinTheRange) {
  Put("systems.d", Systems());
  auto table = Open("systems.d");
  EXPECT_TRUE(table->Bof());
  EXPECT_FALSE(table->Eof());
  table->Last();
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(table->RecNo(), 3);
  table->Prior();
  table->Prior();
  EXPECT_FALSE(table->Bof());
  table->Prior();
  EXPECT_TRUE(table->Bof());
  EXPECT_EQ(table->RecNo(), 1);
  EXPECT_EQ(table->MoveBy(5), 2);
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(table->MoveBy(-1), -1);
  EXPECT_EQ(table->FieldByName("System_designation").AsString(), "C+D");

  // Deleting the last record leaves the new last one current, at the end.
  table->Last();
  table->Delete();
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(table->RecNo(), 2);
  table->First();
  while (!table->Eof()) table->Delete();
  EXPECT_EQ(table->RecordCount(), 0);
  EXPECT_EQ(ErrorOf([&] { table->Delete(); }), "Cannot perform this operation on an empty dataset");
  EXPECT_EQ(ErrorOf([&] { table->Edit(); }), "Cannot perform this operation on an empty dataset");
  EXPECT_TRUE(table->FieldByName("System_id").IsNull());
}

TEST_F(StoreTableTest, LocateFindsTheFirstMatchInTheRange) {
  Put("params.d", Image({MakeField("Id", FieldKind::kAutoInc),
                         MakeField("Designation", FieldKind::kShortText, 20),
                         MakeField("Tmax", FieldKind::kFloat)},
                        {{std::int64_t{1}, "GHSERAG"s, 1234.93},
                         {std::int64_t{2}, "GHSERCU"s, 1357.77},
                         {std::int64_t{3}, "ghserag"s, {}}}));
  auto table = Open("params.d");
  const auto designation_after = [&](bool found) {
    return (found ? "" : "not found, at ") + table->FieldByName("Designation").AsString();
  };
  EXPECT_EQ(designation_after(table->Locate("designation", "ghserag")), "ghserag");
  EXPECT_EQ(designation_after(table->Locate("Designation", "ghserag", {.case_insensitive = true})),
            "GHSERAG");
  EXPECT_EQ(designation_after(table->Locate("Designation", "GHSERC", {.partial_key = true})),
            "GHSERCU");
  EXPECT_EQ(designation_after(table->Locate("Designation", "GHSERC")), "not found, at GHSERCU");
  EXPECT_EQ(designation_after(table->Locate("Tmax", 1234.93)), "GHSERAG");
  EXPECT_EQ(designation_after(table->Locate("Tmax", "0")), "ghserag");  // no value counts as 0
  EXPECT_EQ(designation_after(table->Locate("Id", 2.5)), "not found, at ghserag");
  EXPECT_EQ(designation_after(table->Locate("Id", "2")), "GHSERCU");
  EXPECT_EQ(ErrorOf([&] { table->Locate("Tmax", "hot"); }),
            "'hot' is not a valid floating point value for field 'Tmax'");
}

TEST_F(StoreTableTest, FieldsConvertCheckAndCutTheirValues) {
  Put("systems.d",
      Image({MakeField("Xpoints", FieldKind::kSmallInt), MakeField("Ymin", FieldKind::kFloat),
             MakeField("ShowChart", FieldKind::kBoolean),
             MakeField("Element1", FieldKind::kShortText, 5),
             MakeField("Abbreviations", FieldKind::kMemo)},
            {Record(5)}));
  auto table = Open("systems.d");
  table->SetDecimalSeparator(',');
  EXPECT_EQ(ErrorOf([&] { static_cast<void>(table->FieldByName("Nope")); }),
            "Field 'Nope' not found");
  EXPECT_EQ(ErrorOf([&] { table->FieldByName("Ymin").SetAsFloat(1); }),
            "Dataset not in edit or insert mode");

  table->Edit();
  TStoreField xpoints = table->FieldByName("XPOINTS");
  TStoreField ymin = table->FieldByName("ymin");
  TStoreField chart = table->FieldByName("ShowChart");
  TStoreField element = table->FieldByName("Element1");
  // Not stored in the file: false, not unset; a cleared field has no value.
  EXPECT_FALSE(chart.IsNull());
  EXPECT_EQ(chart.AsString(), "False");
  EXPECT_FALSE(ymin.IsNull());
  EXPECT_EQ(ymin.AsString(), "0");
  EXPECT_EQ(xpoints.AsString(), "0");
  EXPECT_TRUE(element.IsNull());
  chart.Clear();
  EXPECT_TRUE(chart.IsNull());
  EXPECT_FALSE(chart.AsBoolean());
  EXPECT_EQ(chart.AsString(), "");
  chart.SetAsBoolean(false);
  EXPECT_FALSE(chart.IsNull());
  EXPECT_EQ(chart.AsString(), "False");
  chart.SetAsString("true");
  EXPECT_TRUE(chart.AsBoolean());

  ymin.SetAsString("298,15");
  EXPECT_DOUBLE_EQ(ymin.AsFloat(), 298.15);
  EXPECT_EQ(ymin.AsString(), "298,15");
  EXPECT_EQ(ErrorOf([&] { ymin.SetAsString("1.5"); }),
            "'1.5' is not a valid floating point value for field 'Ymin'");
  EXPECT_EQ(ymin.AsString(), "298,15");

  xpoints.SetAsFloat(99.6);
  EXPECT_EQ(xpoints.AsInteger(), 100);
  EXPECT_EQ(ErrorOf([&] { xpoints.SetAsInteger(40000); }),
            "40000 is not a valid value for field 'Xpoints'. The allowed range is -32768 to 32767");
  EXPECT_EQ(ErrorOf([&] { xpoints.SetAsString("1,5"); }),
            "'1,5' is not a valid integer value for field 'Xpoints'");
  EXPECT_EQ(ErrorOf([&] { chart.SetAsString("yes"); }),
            "'yes' is not a valid boolean value for field 'ShowChart'");

  // Texts are cut to the field's length, never inside a UTF-8 character.
  element.SetAsString("abcd\xc3\xa9");
  EXPECT_EQ(element.AsString(), "abcd");
  element.SetAsString("Cu\xc3\xa9xyz");
  EXPECT_EQ(element.AsString(), "Cu\xc3\xa9x");
  element.SetAsString("");
  EXPECT_TRUE(element.IsNull());
  const std::string long_memo(100000, 'm');
  table->FieldByName("Abbreviations").SetAsString(long_memo);
  EXPECT_EQ(table->FieldByName("Abbreviations").AsString(), long_memo);
  table->Post();
}

TEST_F(StoreTableTest, NewRecordsGetTheDefaultsOfTheFieldDescriptions) {
  TableImage image =
      Image({MakeField("Ypoints", FieldKind::kSmallInt),
             MakeField("Yparameter", FieldKind::kShortText, 20),
             MakeField("Code", FieldKind::kString, 40), MakeField("Tmax", FieldKind::kFloat)});
  image.fields[0].default_value = "100";
  image.fields[1].default_value = "Temperature";
  image.fields[2].default_value = "UNICOD";
  image.fields[3].further_text = "0.######";  // no default
  Put("t.d", image);
  auto table = Open("t.d");
  table->Append();
  EXPECT_EQ(table->FieldByName("Ypoints").AsInteger(), 100);
  EXPECT_EQ(table->FieldByName("Yparameter").AsString(), "Temperature");
  const std::string code = table->FieldByName("Code").AsString();
  EXPECT_EQ(code.size(), 32u);
  EXPECT_TRUE(table->FieldByName("Tmax").IsNull());
  table->Post();
  table->Append();
  EXPECT_NE(table->FieldByName("Code").AsString(), code);
  table->Cancel();
}

TEST_F(StoreTableTest, RefreshPostsThenRereadsFromTheCurrentFolder) {
  Put("systems.d", Systems());
  auto table = Open("systems.d");
  table->Edit();
  table->FieldByName("System_designation").SetAsString("X+Y");
  table->Refresh();  // posted, then lost: the file was not saved
  EXPECT_EQ(table->State(), TableState::kBrowse);
  EXPECT_EQ(table->FieldByName("System_designation").AsString(), "A+B");
  EXPECT_EQ(table->ModificationCount(), 0);

  TempFolder other;
  WriteFile(other.File("systems.d"),
            WriteTableImage(Image(Systems().fields, {{std::int64_t{9}, "Mg+Si"s}})));
  database_.SetDatabasePath(other.Path().string());
  table->Refresh();
  EXPECT_EQ(Column(*table, "System_designation"), (Texts{"Mg+Si"}));

  std::filesystem::remove(other.File("systems.d"));
  EXPECT_EQ(ErrorOf([&] { table->Refresh(); }), "Error opening file " + other.File("systems.d"));
  EXPECT_FALSE(table->Active());
}

TEST_F(StoreTableTest, CreateTableWritesAnEmptyTableWithTheFields) {
  TStoreTable table(&database_);
  table.SetTableName("stability_params.d");
  const FieldDef fields[] = {MakeField("Id", FieldKind::kAutoInc),
                             MakeField("Designation", FieldKind::kString, 20)};
  table.CreateTable(fields);
  EXPECT_EQ(ReadFile(table.FullPath()),
            "\x2d\0\0\0"
            "S"
            "\0\0\0\0"
            "\x02\0\0\0"
            "\x1c\0\0\0"
            "XXX.Id a\x12"
            "XXX.Designation K\x12"
            "\x14"s);

  const FieldDef long_text[] = {MakeField("System_designation", FieldKind::kShortText, 50)};
  table.SetTableName("other.d");
  table.CreateTable(long_text);
  EXPECT_NE(ReadFile(table.FullPath()).find("XXX.System_designation s50\x12"), std::string::npos);

  const FieldDef duplicate[] = {MakeField("Id", FieldKind::kAutoInc),
                                MakeField("ID", FieldKind::kInteger)};
  EXPECT_EQ(ErrorOf([&] { table.CreateTable(duplicate); }), "Duplicate field name 'ID'");

  table.SetTableName("stability_params.d");
  table.Open();
  EXPECT_EQ(table.RecordCount(), 0);
  table.Append();
  EXPECT_EQ(table.FieldByName("Id").AsInteger(), 1);
  table.Cancel();
  EXPECT_THROW(table.CreateTable(fields), EStoreError);  // not on an open table
}

TEST_F(StoreTableTest, EmptiedTableSavesWithItsFieldsAndNoRecords) {
  // How a new database folder gets its tables.
  TableImage image = Phases();
  image.notes = "kept";
  Put("phases.d", image);
  auto scratch = Open("phases.d");
  scratch->EmptyTable();
  EXPECT_EQ(scratch->RecordCount(), 0);
  EXPECT_EQ(scratch->ModificationCount(), 4);
  TempFolder target;
  scratch->SaveToFile(target.File("phases.d"));
  image.records.clear();
  EXPECT_EQ(ReadFile(target.File("phases.d")), WriteTableImage(image));
}

TEST_F(StoreTableTest, FailedSaveLeavesTheOldFileIntactAndNamesIt) {
  Put("systems.d", Systems());
  const std::string original = ReadFile(folder_.File("systems.d"));
  auto table = Open("systems.d");

  // A folder that does not exist.
  const std::string missing = folder_.File("no-such-folder/systems.d");
  EXPECT_EQ(
      ErrorOf([&] { table->SaveToFile(missing); }).rfind("Error saving file " + missing + ": ", 0),
      0u);

#ifdef BINODAL_TEST_POSIX
  // A write that fails half-way: here the file size limit, which holds for
  // root too, stops the new file at 1 MiB.
  table->Append();
  table->FieldByName("System_designation").SetAsString("big");
  table->Post();
  auto memo = Image({MakeField("Comment", FieldKind::kMemo)}, {{std::string(2 << 20, 'c')}});
  Put("big.d", memo);
  auto big = Open("big.d");
  const std::string big_original = ReadFile(folder_.File("big.d"));
  big->Edit();
  big->FieldByName("Comment").SetAsString(std::string(3 << 20, 'd'));
  big->Post();

  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit small = old_limit;
  small.rlim_cur = 1 << 20;
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string error = ErrorOf([&] { big->SaveToFile(big->FullPath()); });
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(error.rfind("Error saving file " + big->FullPath() + ": ", 0), 0u) << error;
  EXPECT_EQ(ReadFile(folder_.File("big.d")), big_original);

  // A folder that cannot be written (root may write anywhere).
  if (geteuid() != 0) {
    std::filesystem::permissions(
        folder_.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_NE(ErrorOf([&] { table->SaveToFile(table->FullPath()); }), "");
    std::filesystem::permissions(folder_.Path(), std::filesystem::perms::owner_all);
  }
#endif
  EXPECT_EQ(ReadFile(folder_.File("systems.d")), original);
  // No scratch files are left behind.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Texts{"big.d", "systems.d"}));
}

TEST_F(StoreTableTest, SaveReplacesTheFileAndKeepsItsPermissions) {
  Put("systems.d", Systems());
  std::filesystem::permissions(folder_.File("systems.d"), std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_write |
                                                              std::filesystem::perms::group_read);
  auto table = Open("systems.d");
  table->Append();
  table->FieldByName("System_designation").SetAsString("Pb+Sn");
  table->Post();
  table->SaveToFile(table->FullPath());
  EXPECT_EQ(ReadTableImage(AsBytes(ReadFile(table->FullPath()))).records.size(), 4u);
  EXPECT_EQ(std::filesystem::status(table->FullPath()).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
}

// Many random changes: the table's order must always be the index order with
// ties in insertion order, within the detail's range.
TEST_F(StoreTableTest, OrderAndRangeHoldOverManyRandomChanges) {
  Put("master.d",
      Image({MakeField("Key", FieldKind::kInteger)}, {{std::int64_t{1}}, {std::int64_t{2}}}));
  Put("t.d", Image({MakeField("Id", FieldKind::kAutoInc), MakeField("Key", FieldKind::kInteger),
                    MakeField("Num", FieldKind::kInteger)}));
  auto master = Open("master.d");
  auto table = Open("t.d", "Num");
  table->SetMaster(master.get(), "Key", "Key");

  struct Model {
    std::int64_t id, key, num;
  };
  std::vector<Model> model;
  std::mt19937 random(12345);
  for (int step = 0; step < 3000; ++step) {
    if (random() % 7 == 0) {
      master->MoveBy(random() % 2 == 0 ? 1 : -1);
    }
    const std::int64_t key = master->FieldByName("Key").AsInteger();
    const int action = static_cast<int>(random() % 4);
    if (action == 3 && !table->IsEmpty()) {
      table->SetRecNo(static_cast<int>(random() % table->RecordCount()) + 1);
      const std::int64_t id = table->FieldByName("Id").AsInteger();
      table->Delete();
      std::erase_if(model, [&](const Model& m) { return m.id == id; });
    } else if (action == 2 && !table->IsEmpty()) {
      table->SetRecNo(static_cast<int>(random() % table->RecordCount()) + 1);
      const std::int64_t id = table->FieldByName("Id").AsInteger();
      const std::int64_t num = static_cast<std::int64_t>(random() % 50);
      table->Edit();
      table->FieldByName("Num").SetAsInteger(num);
      table->Post();
      ASSERT_EQ(table->FieldByName("Id").AsInteger(), id);  // the cursor follows the record
      for (Model& m : model) {
        if (m.id == id) m.num = num;
      }
    } else {
      table->Insert();
      const std::int64_t num = static_cast<std::int64_t>(random() % 50);
      table->FieldByName("Num").SetAsInteger(num);
      model.push_back({table->FieldByName("Id").AsInteger(), key, num});
      table->Post();
    }
  }
  std::vector<Model> expected;
  for (const Model& m : model) {
    if (m.key == master->FieldByName("Key").AsInteger()) expected.push_back(m);
  }
  std::stable_sort(expected.begin(), expected.end(),
                   [](const Model& a, const Model& b) { return a.num < b.num; });
  Texts expected_ids;
  for (const Model& m : expected) expected_ids.push_back(std::to_string(m.id));
  EXPECT_EQ(Column(*table, "Id"), expected_ids);
}

}  // namespace
}  // namespace binodal
