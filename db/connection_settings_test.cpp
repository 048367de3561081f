#include "db/connection_settings.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "testing/test_database.h"

namespace vor {
namespace {

TEST(ConnectionSettingsTest, ReadsSectionBdWhateverTheCase) {
  TempFolder dir;
  const std::string ini = dir.File("VOREncomendas.zlx");
  WriteFile(ini,
            "\xEF\xBB\xBF[email]\r\nAssunto=x\r\n[bd]\r\nservidor=erp.local\r\n"
            "BASEDADOS=EMPRESA1\r\nUtilizador=vor\r\nPassword=p;w\r\n"
            "DriverODBC=MyDriver\r\nPorta=1500\r\nTempoEspera=0.25\r\n");
  ConnectionSettings s;
  s.Load(ini);
  EXPECT_EQ(s.FileName(), ini);
  EXPECT_FALSE(s.UseCatalogue());
  EXPECT_EQ(s.Server(), "erp.local");
  // A server's database is a name, never turned into a path.
  EXPECT_EQ(s.Database(), "EMPRESA1");
  EXPECT_EQ(s.User(), "vor");
  EXPECT_EQ(s.Password(), "p;w");
  EXPECT_EQ(s.Driver(), "MyDriver");
  EXPECT_EQ(s.Port(), 1500);
  EXPECT_EQ(s.TimeoutMs(), 250);
}

TEST(ConnectionSettingsTest, MissingFileAndKeysGiveEmptyValuesAndDefaults) {
  TempFolder dir;
  ConnectionSettings s;
  s.Load(dir.File("nada.zlx"));
  EXPECT_EQ(s.Server(), "");
  EXPECT_EQ(s.Database(), "");
  EXPECT_EQ(s.User(), "");
  EXPECT_EQ(s.Password(), "");
  EXPECT_EQ(s.Driver(), "FreeTDS");
  EXPECT_EQ(s.Port(), 1433);
  EXPECT_EQ(s.TimeoutMs(), 30000);

  // Reload replaces every value, also with empty ones.
  const std::string ini = dir.File("a.zlx");
  WriteFile(ini, "[BD]\nServidor=s1\nPorta=99\n");
  s.FileName(ini);
  s.Reload();
  EXPECT_EQ(s.Server(), "s1");
  EXPECT_EQ(s.Port(), 99);
  WriteFile(ini, "[BD]\nUtilizador=u\n");
  s.Reload();
  EXPECT_EQ(s.Server(), "");
  EXPECT_EQ(s.User(), "u");
  EXPECT_EQ(s.Port(), 1433);
}

TEST(ConnectionSettingsTest, RelativeSqliteFileLivesBesideTheSettingsFile) {
  TempFolder dir;
  const std::string ini = dir.File("v.zlx");
  WriteFile(ini, "[BD]\nServidor=SQLite\nBaseDados=dados/erp.db\n");
  ConnectionSettings s;
  s.Load(ini);
  EXPECT_EQ(s.Database(), dir.path() + "/dados/erp.db");

  WriteFile(ini, "[BD]\nServidor=sqlite\nBaseDados=/abs/erp.db\n");
  s.Reload();
  EXPECT_EQ(s.Database(), "/abs/erp.db");
}

TEST(ConnectionSettingsTest, BadNumbersNameTheKeyAndTheFile) {
  TempFolder dir;
  const std::string ini = dir.File("v.zlx");
  for (const char* bad :
       {"Porta=abc", "Porta=0", "Porta=70000", "Porta=1.5", "TempoEspera=-1",
        "TempoEspera=x", "TempoEspera=4000"}) {
    WriteFile(ini, std::string("[BD]\nServidor=s\n") + bad + "\n");
    ConnectionSettings s;
    try {
      s.Load(ini);
      ADD_FAILURE() << bad << " accepted";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), errnum::kTypeMismatch);
      const std::string key =
          std::string(bad).substr(0, std::string(bad).find('='));
      EXPECT_NE(e.description().find(key), std::string::npos)
          << e.description();
      EXPECT_NE(e.description().find(ini), std::string::npos)
          << e.description();
    }
  }
}

TEST(ConnectionSettingsTest, UnreadableFileIsAnError) {
  TempFolder dir;
  ConnectionSettings s;
  // A folder where the file should be.
  EXPECT_THROW(s.Load(dir.path()), Error);
}

}  // namespace
}  // namespace vor
