// Helpers shared by the chart tests.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace binodal::charts_test {

// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("binodal-charts-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  [[nodiscard]] std::string File(const std::string& name) const { return (path_ / name).string(); }
  // Names of the files in the folder.
  [[nodiscard]] std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace binodal::charts_test
