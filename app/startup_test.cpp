#include "app/startup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/test_site.h"

namespace vor {
namespace {

namespace fs = std::filesystem;

TEST(ComponentModeTest, DerivedFromFirstLetterOfCode) {
  EXPECT_EQ(ComponentModeFromCode(kComponentCode), "B");
  EXPECT_EQ(ComponentModeFromCode("BS"), "B");
  EXPECT_EQ(ComponentModeFromCode("A"), "A");
  EXPECT_EQ(ComponentModeFromCode("as"), "A");  // upper-cased first
  EXPECT_EQ(ComponentModeFromCode("C"), "B");
  EXPECT_EQ(ComponentModeFromCode(" A"), "B");  // the first character only
  EXPECT_EQ(ComponentModeFromCode(""), "B");
  EXPECT_EQ(StartupState().ComponentMode, "B");
}

TEST(SilentSwitchTest, OnlyTheExactSwitch) {
  EXPECT_TRUE(IsSilentSwitch("/S"));
  EXPECT_FALSE(IsSilentSwitch("/s"));
  EXPECT_FALSE(IsSilentSwitch("/S "));
  EXPECT_FALSE(IsSilentSwitch(" /S"));
  EXPECT_FALSE(IsSilentSwitch("/S /S"));
  EXPECT_FALSE(IsSilentSwitch(""));
}

TEST(SettingsFilePathTest, DefaultNameOrTheWholeText) {
  const std::string folder = "/srv/base/zoltix";
  EXPECT_EQ(SettingsFilePathFor(folder, ""),
            "/srv/base/zoltix/VOREncomendas.zlx");
  EXPECT_EQ(SettingsFilePathFor(folder, "/S"),
            "/srv/base/zoltix/VOREncomendas.zlx");
  // Anything else is a file name appended after one separator, unchanged.
  EXPECT_EQ(SettingsFilePathFor(folder, "/s"), "/srv/base/zoltix//s");
  EXPECT_EQ(SettingsFilePathFor(folder, "/S "), "/srv/base/zoltix//S ");
  EXPECT_EQ(SettingsFilePathFor(folder, "fabrica2.zlx"),
            "/srv/base/zoltix/fabrica2.zlx");
  EXPECT_EQ(SettingsFilePathFor(folder, "empresas/norte.zlx"),
            "/srv/base/zoltix/empresas/norte.zlx");
  EXPECT_EQ(SettingsFilePathFor(folder, "/tmp/outro.zlx"),
            "/srv/base/zoltix//tmp/outro.zlx");
  EXPECT_EQ(SettingsFilePathFor(folder, "dois nomes.zlx"),
            "/srv/base/zoltix/dois nomes.zlx");
}

TEST(SettingsFolderTest, ZoltixUnderBaseElseApplicationFolder) {
  TempFolder tmp;
  const std::string base = tmp.path() + "/base";
  fs::create_directories(base + "/zoltix");
  const std::string app = tmp.path() + "/programa";
  fs::create_directories(app);

  EXPECT_EQ(ResolveSettingsFolder(base, app), base + "/zoltix");
  // The base is used as given: a trailing separator stays, none is added.
  EXPECT_EQ(ResolveSettingsFolder(base + "/", app), base + "//zoltix");
  // No zoltix folder: the application folder, without message.
  EXPECT_EQ(ResolveSettingsFolder(tmp.path() + "/vazio", app), app);
  EXPECT_EQ(ResolveSettingsFolder(app, app), app);
  // A file named zoltix is not a folder.
  fs::create_directories(tmp.path() + "/so_ficheiro");
  WriteFile(tmp.path() + "/so_ficheiro/zoltix", "x");
  EXPECT_EQ(ResolveSettingsFolder(tmp.path() + "/so_ficheiro", app), app);
}

TEST(CommandLineTextTest, ArgumentsJoinedBySingleBlanks) {
  const char* none[] = {"vorencomendas"};
  EXPECT_EQ(CommandLineText(1, none), "");
  const char* silent[] = {"vorencomendas", "/S"};
  EXPECT_EQ(CommandLineText(2, silent), "/S");
  const char* two[] = {"vorencomendas", "/S", "extra"};
  EXPECT_EQ(CommandLineText(3, two), "/S extra");
  const char* blanks[] = {"vorencomendas", "a b.zlx", "", "c"};
  EXPECT_EQ(CommandLineText(4, blanks), "a b.zlx  c");
}

TEST(ApplicationFolderTest, FolderOfTheRunningExecutable) {
  const fs::path exe = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(fs::weakly_canonical(ApplicationFolder()),
            fs::weakly_canonical(exe.parent_path()));
  EXPECT_NE(ApplicationFolder().back(), '/');
}

// Arrancar over a site with a settings folder: path, switch, connection.
class ArrancarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_.CreateErp();
    site_.WriteSettings();
  }
  TestSite site_;
};

TEST_F(ArrancarTest, SilentSwitchUsesDefaultFileAndConnects) {
  ScopedEnv env("VOR_BASE_DIR", site_.base());
  StartupState state;
  Arrancar(state, "/S", site_.app_folder());
  EXPECT_EQ(state.SettingsFilePath, site_.base() + "/zoltix/VOREncomendas.zlx");
  EXPECT_TRUE(state.SilentRun);
  EXPECT_EQ(state.ComponentMode, "B");
  ASSERT_NE(state.ErpConnection, nullptr);
  EXPECT_TRUE(state.ErpConnection->IsOpen())
      << state.ErpConnection->OpenFailure();
}

TEST_F(ArrancarTest, LowerCaseSwitchIsAFileNameAndInteractive) {
  ScopedEnv env("VOR_BASE_DIR", site_.base());
  StartupState state;
  Arrancar(state, "/s", site_.app_folder());
  EXPECT_EQ(state.SettingsFilePath, site_.base() + "/zoltix//s");
  EXPECT_FALSE(state.SilentRun);
  // No such file and no catalogue: a connection object that did not open.
  ASSERT_NE(state.ErpConnection, nullptr);
  EXPECT_FALSE(state.ErpConnection->IsOpen());
}

TEST_F(ArrancarTest, NamedFileInSettingsFolder) {
  ScopedEnv env("VOR_BASE_DIR", site_.base());
  WriteFile(site_.base() + "/zoltix/outra.zlx",
            ReadFile(site_.settings_path()));
  StartupState state;
  Arrancar(state, "outra.zlx", site_.app_folder());
  EXPECT_EQ(state.SettingsFilePath, site_.base() + "/zoltix/outra.zlx");
  EXPECT_FALSE(state.SilentRun);
  EXPECT_TRUE(state.ErpConnection->IsOpen())
      << state.ErpConnection->OpenFailure();
}

TEST_F(ArrancarTest, MissingZoltixFolderFallsBackToApplicationFolder) {
  ScopedEnv env("VOR_BASE_DIR", site_.base() + "/nao_existe");
  StartupState state;
  Arrancar(state, "", site_.app_folder());
  EXPECT_EQ(state.SettingsFilePath, site_.app_folder() + "/VOREncomendas.zlx");
  EXPECT_FALSE(state.SilentRun);
}

TEST_F(ArrancarTest, EmptyBaseVariableMeansEtc) {
  ScopedEnv env("VOR_BASE_DIR", "");
  StartupState state;
  Arrancar(state, "/S", site_.app_folder());
  const std::string expected_folder =
      fs::is_directory("/etc/zoltix") ? "/etc/zoltix" : site_.app_folder();
  EXPECT_EQ(state.SettingsFilePath, expected_folder + "/VOREncomendas.zlx");
}

}  // namespace
}  // namespace vor
