// TestTempDir: a fresh, empty folder for one test, removed again at the end
// of the test. Named after the running test so parallel runs do not meet.
#ifndef VOR_TOOLS_TEST_TEMP_DIR_H_
#define VOR_TOOLS_TEST_TEMP_DIR_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vor {

class TestTempDir {
 public:
  TestTempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::path(::testing::TempDir()) /
            ("vor_erp_tools_" + std::string(info->test_suite_name()) + "_" +
             info->name() + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TestTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TestTempDir(const TestTempDir&) = delete;
  TestTempDir& operator=(const TestTempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // A path inside the folder.
  std::string File(const std::string& name) const {
    return (path_ / name).string();
  }
  // Writes `bytes` as the file `name` of the folder, replacing it.
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
  }
  // The bytes of the file `name` of the folder; "" when it is missing.
  std::string Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path path_;
};

}  // namespace vor

#endif  // VOR_TOOLS_TEST_TEMP_DIR_H_
