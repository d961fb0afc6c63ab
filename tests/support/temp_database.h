// A database folder of its own for a test, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "support/recording_dialogs.h"
#include "thermo/data_module.h"

namespace binodal::testing_support {

class TempFolder {
 public:
  TempFolder() {
    static int made = 0;  // several folders in one test
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("binodal_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
             std::to_string(::getpid()) + "_" + std::to_string(++made));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  [[nodiscard]] std::string str() const { return path_.string() + "/"; }
  [[nodiscard]] std::filesystem::path operator/(const std::string& name) const {
    return path_ / name;
  }

 private:
  std::filesystem::path path_;
};

// An empty database in a temporary folder, opened with the edit lock off.
class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TDM::CreateEmptyDatabase(folder.str());
    ASSERT_TRUE(dm.Start(folder.str()));
    dm.SetReadOnly(false);
  }

  // Adds a posted system and returns its key.
  std::int64_t AddSystem(const std::string& designation) {
    dm.tblSystems.Insert();
    dm.tblSystems.FieldByName("System_designation").SetAsString(designation);
    dm.tblSystems.Post();
    return dm.tblSystems.FieldByName("System_id").AsInteger();
  }
  void AddPhase(const std::string& designation) {
    dm.tblPhases.Insert();
    dm.tblPhases.FieldByName("Phase_designation").SetAsString(designation);
    dm.tblPhases.Post();
  }
  void AddPiece(double tmin, double tmax, const std::string& expression,
                const std::string& x = "") {
    dm.tblGibbs.Insert();
    dm.tblGibbs.FieldByName("Tmin").SetAsFloat(tmin);
    dm.tblGibbs.FieldByName("Tmax").SetAsFloat(tmax);
    dm.tblGibbs.FieldByName("Expression").SetAsString(expression);
    if (!x.empty()) dm.tblGibbs.FieldByName("X").SetAsString(x);
    dm.tblGibbs.Post();
  }

  TempFolder folder;
  RecordingDialogs dialogs;
  TDM dm{dialogs};
};

}  // namespace binodal::testing_support
