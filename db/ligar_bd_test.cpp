#include "db/ligar_bd.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/error.h"
#include "core/recordset.h"
#include "testing/test_database.h"

namespace vor {
namespace {

using testing::CreateSqliteDatabase;
using testing::TempFolder;
using testing::WriteFile;

class LIgarBdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = dir_.File("app");
    std::filesystem::create_directories(app_ + "/Catalogos");
    CreateSqliteDatabase(dir_.File("proprio.db"),
                         {"create table origem(nome text)",
                          "insert into origem values('definicoes')"});
    CreateSqliteDatabase(app_ + "/Catalogos/cat.db",
                         {"create table origem(nome text)",
                          "insert into origem values('catalogo')"});
    ini_ = dir_.File("VOREncomendas.zlx");
  }

  void WriteCatalogue() {
    // Relative to the catalogue's own folder.
    WriteFile(app_ + "/Catalogos/bd.sql",
              "[BD]\nServidor=sqlite\nBaseDados=cat.db\nUtilizador=cat\n");
  }

  void WriteSettings(const std::string& server, const std::string& database,
                     const std::string& user, const std::string& password) {
    WriteFile(ini_, "[Log]\nDirectoria=\n[BD]\nServidor=" + server +
                        "\nBaseDados=" + database + "\nUtilizador=" + user +
                        "\nPassword=" + password + "\nTempoEspera=1\n");
  }

  // Which database the connection reached.
  static std::string Origin(Connection& c) {
    Recordset rs;
    c.OpenRecordset("", "select nome from origem", rs, -1, 0);
    return rs.Get("nome").ToText();
  }

  TempFolder dir_;
  std::string app_;
  std::string ini_;
};

TEST_F(LIgarBdTest, CompleteSettingsWithEmptyPasswordAreUsed) {
  WriteCatalogue();
  WriteSettings("sqlite", "proprio.db", "vor", "");
  auto c = LIgarBd(ini_, app_);
  ASSERT_TRUE(c->IsOpen()) << c->OpenFailure();
  EXPECT_EQ(Origin(*c), "definicoes");
}

TEST_F(LIgarBdTest, AnyMissingValueSendsTheReaderToTheCatalogue) {
  WriteCatalogue();
  for (int missing = 0; missing < 3; ++missing) {
    WriteSettings(missing == 0 ? "" : "sqlite",
                  missing == 1 ? "" : "proprio.db", missing == 2 ? "" : "vor",
                  "x");
    auto c = LIgarBd(ini_, app_ + "/");
    ASSERT_TRUE(c->IsOpen()) << missing << ": " << c->OpenFailure();
    EXPECT_EQ(Origin(*c), "catalogo") << missing;
  }
}

TEST_F(LIgarBdTest, NoSettingsFileUsesTheCatalogue) {
  WriteCatalogue();
  auto c = LIgarBd(dir_.File("inexistente.zlx"), app_);
  ASSERT_TRUE(c->IsOpen()) << c->OpenFailure();
  EXPECT_EQ(Origin(*c), "catalogo");
}

TEST_F(LIgarBdTest, NoLoginAnywhereGivesAClosedConnectionThatReportsIt) {
  auto c = LIgarBd(dir_.File("inexistente.zlx"), app_);
  ASSERT_FALSE(c->IsOpen());
  const std::string expected_start =
      "Não foi possivel Abrir a base de dados indicada !\r\n Servidor ="
      "\r\nBase de dados =\r\n";
  EXPECT_EQ(c->OpenFailure().substr(0, expected_start.size()), expected_start);
  const std::string detail =
      "\r\nInício de sessão incompleto: o ficheiro "
      "de parâmetros '" +
      dir_.File("inexistente.zlx") + "' não existe; o catálogo '" + app_ +
      "/Catalogos/bd.sql' não existe.";
  EXPECT_TRUE(c->OpenFailure().ends_with(detail)) << c->OpenFailure();
  try {
    Origin(*c);
    ADD_FAILURE() << "query on a closed connection";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kDatabase);
    EXPECT_EQ(e.description(), c->OpenFailure());
  }
}

TEST_F(LIgarBdTest, IncompleteLoginNamesTheKeysEachFileLacks) {
  WriteSettings("sqlite", "", "", "");
  WriteFile(app_ + "/Catalogos/bd.sql", "[BD]\nBaseDados=cat.db\n");
  auto c = LIgarBd(ini_, app_);
  ASSERT_FALSE(c->IsOpen());
  EXPECT_TRUE(c->OpenFailure().ends_with(
      "\r\nInício de sessão incompleto: a secção BD do ficheiro de "
      "parâmetros '" +
      ini_ + "' não indica BaseDados, Utilizador; a secção BD do catálogo '" +
      app_ + "/Catalogos/bd.sql' não indica Servidor, Utilizador."))
      << c->OpenFailure();
}

TEST_F(LIgarBdTest, FailureOfACompleteLoginHasNoLoginDetail) {
  WriteSettings("sqlite", "falta.db", "vor", "");
  auto c = LIgarBd(ini_, app_);
  ASSERT_FALSE(c->IsOpen());
  EXPECT_EQ(c->OpenFailure().find("Início de sessão"), std::string::npos);
}

TEST_F(LIgarBdTest, PasswordNeverReachesTheFailureText) {
  WriteSettings("sqlite", "falta.db", "vor", "Segredo#91x");
  auto c = LIgarBd(ini_, app_);
  ASSERT_FALSE(c->IsOpen());
  EXPECT_NE(c->OpenFailure().find("Servidor =sqlite\r\nBase de dados =" +
                                  dir_.File("falta.db")),
            std::string::npos)
      << c->OpenFailure();
  EXPECT_EQ(c->OpenFailure().find("Segredo"), std::string::npos);
  try {
    Origin(*c);
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).find("Segredo"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("falta.db")));
}

}  // namespace
}  // namespace vor
