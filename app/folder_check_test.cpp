#include "app/folder_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/folder_locator.h"
#include "testing/test_site.h"

namespace vor {
namespace {

namespace fs = std::filesystem;

TEST(FolderCheckTest, OnlyExistingFoldersCount) {
  TempFolder tmp;
  const fs::path dir = fs::path(tmp.path()) / "pasta";
  fs::create_directory(dir);
  const fs::path file = fs::path(tmp.path()) / "ficheiro.txt";
  std::ofstream(file) << "x";
  const fs::path link = fs::path(tmp.path()) / "ligacao";
  fs::create_directory_symlink(dir, link);

  FolderCheck check;
  EXPECT_TRUE(check.FolderExists(dir.string()));
  EXPECT_TRUE(check.FolderExists(dir.string() + "/"));
  EXPECT_TRUE(check.FolderExists(link.string()));
  EXPECT_FALSE(check.FolderExists(file.string()));
  EXPECT_FALSE(check.FolderExists((dir / "nao_existe").string()));
  EXPECT_FALSE(check.FolderExists(file.string() + "/dentro"));
  EXPECT_FALSE(check.FolderExists(""));
}

TEST(FolderLocatorTest, BaseFromEnvironmentOrEtc) {
  ScopedEnv env("VOR_BASE_DIR");
  FolderLocator locator;

  env.Set("/srv/dados/");
  EXPECT_EQ(locator.BasePath(), "/srv/dados/");  // kept exactly as given
  env.Set(" ");
  EXPECT_EQ(locator.BasePath(), " ");  // set and not empty: taken as is
  env.Set("");
  EXPECT_EQ(locator.BasePath(), "/etc");
  env.Unset();
  EXPECT_EQ(locator.BasePath(), "/etc");
}

}  // namespace
}  // namespace vor
