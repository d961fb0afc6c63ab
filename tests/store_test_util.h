// Helpers shared by the table store tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/coding.h"
#include "store/table_file.h"

namespace binodal::store_test {

inline std::span<const unsigned char> AsBytes(std::string_view bytes) {
  return {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()};
}

// The message of the reader's error, or "" when the bytes read as a table.
inline std::string ReadError(std::string_view bytes) {
  try {
    static_cast<void>(ReadTableImage(AsBytes(bytes)));
    return "";
  } catch (const ETableFormatError& e) {
    return e.what();
  }
}

// Builds table files byte by byte, for files the writer would never make.
class RawFile {
 public:
  RawFile& Byte(int value) {
    bytes_.push_back(static_cast<char>(value));
    return *this;
  }
  RawFile& Int16(std::int16_t value) {
    PutInt16(&bytes_, value);
    return *this;
  }
  RawFile& Int32(std::int32_t value) {
    PutInt32(&bytes_, value);
    return *this;
  }
  RawFile& Double(double value) {
    PutDouble(&bytes_, value);
    return *this;
  }
  RawFile& Text(std::string_view text) {
    bytes_.append(text);
    return *this;
  }
  // Total length (not checked by readers), kind, R, F, L and the descriptions.
  RawFile& Header(std::int32_t records, std::int32_t fields, std::string_view descriptions,
                  char kind = 'S') {
    return Int32(0)
        .Byte(kind)
        .Int32(records)
        .Int32(fields)
        .Int32(static_cast<std::int32_t>(descriptions.size()))
        .Text(descriptions);
  }
  [[nodiscard]] const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// A fresh folder below the system's temporary folder, removed at the end.
class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("binodal-store-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }

  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
  [[nodiscard]] std::string File(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace binodal::store_test
