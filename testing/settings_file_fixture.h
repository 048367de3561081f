// SettingsFileFixture: a test with a settings file, VOREncomendas.zlx, in a
// fresh temporary folder of its own: Put writes the file's bytes, Get reads
// them back; dir_ is the folder and path_ the file's path.
#ifndef VOR_TESTING_SETTINGS_FILE_FIXTURE_H_
#define VOR_TESTING_SETTINGS_FILE_FIXTURE_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "testing/temp_folder.h"

namespace vor {

class SettingsFileFixture : public ::testing::Test {
 protected:
  void Put(const std::string& bytes) const { tmp_.Write(kName, bytes); }
  std::string Get() const { return tmp_.Read(kName); }

  static constexpr char kName[] = "VOREncomendas.zlx";
  TempFolder tmp_;
  const std::filesystem::path dir_ = tmp_.path();
  const std::string path_ = tmp_.File(kName);
};

}  // namespace vor

#endif  // VOR_TESTING_SETTINGS_FILE_FIXTURE_H_
