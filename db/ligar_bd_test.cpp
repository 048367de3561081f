#include "db/ligar_bd.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/recordset.h"
#include "testing/test_database.h"

namespace vor {
namespace {

using testing::CreateSqliteDatabase;

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
  // The missing files are the reason, not what the driver made of the
  // empty values.
  EXPECT_EQ(c->OpenFailure(),
            expected_start + "Motivo: o ficheiro de parâmetros '" +
                dir_.File("inexistente.zlx") + "' não existe; o catálogo '" +
                app_ + "/Catalogos/bd.sql' não existe.");
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
      "\r\nMotivo: a secção BD do ficheiro de parâmetros '" + ini_ +
      "' não indica BaseDados, Utilizador; a secção BD do catálogo '" + app_ +
      "/Catalogos/bd.sql' não indica Servidor, Utilizador."))
      << c->OpenFailure();
}

TEST_F(LIgarBdTest, FailureOfACompleteLoginHasNoLoginDetail) {
  WriteSettings("sqlite", "falta.db", "vor", "");
  auto c = LIgarBd(ini_, app_);
  ASSERT_FALSE(c->IsOpen());
  EXPECT_EQ(c->OpenFailure().find("ficheiro de parâmetros"), std::string::npos);
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

// The settings window's test of a login as typed: a relative SQLite file
// is taken beside the settings file (not the working folder), empty
// required fields and bad numbers are named, and a failure gives the cause
// without the password; a database without the ERP's tables is no
// success: the missing ones are named.
TEST_F(LIgarBdTest, TestarLigacaoOnTheLoginAsTyped) {
  std::vector<std::string> tables;
  for (const char* t :
       {"ARTIGOS", "Fornec", "CLART", "AJUDACMP", "DOCGCCAB", "zlx_VOR_Artigos",
        "zlx_FichaEstrutura", "zlx_VOR_OrdensFabrico", "zlx_VOR_Encomendas"}) {
    tables.push_back(std::string("create table ") + t + "(x int)");
  }
  CreateSqliteDatabase(dir_.File("quase.db"), tables);
  tables.push_back("create table DOCGCLIN(x int)");
  CreateSqliteDatabase(dir_.File("erp.db"), tables);

  DatabaseLogin login;
  login.servidor = "SQLite";
  login.base_dados = "erp.db";
  login.utilizador = "vor";
  login.password = "Segredo#91x";
  EXPECT_EQ(TestarLigacao(login, ini_), "");
  login.base_dados = "quase.db";
  EXPECT_EQ(TestarLigacao(login, ini_),
            "Ligação estabelecida, mas a base de dados não é a do ERP: falta "
            "a tabela DOCGCLIN.");
  login.base_dados = "proprio.db";
  EXPECT_EQ(TestarLigacao(login, ini_),
            "Ligação estabelecida, mas a base de dados não é a do ERP: faltam "
            "as tabelas ARTIGOS, Fornec, CLART, AJUDACMP, DOCGCCAB, DOCGCLIN, "
            "zlx_VOR_Artigos, zlx_FichaEstrutura, zlx_VOR_OrdensFabrico, "
            "zlx_VOR_Encomendas.");

  DatabaseLogin missing = login;
  missing.base_dados = "falta.db";
  const std::string failure = TestarLigacao(missing, ini_);
  EXPECT_EQ(
      failure.rfind("Não foi possivel Abrir a base de dados indicada !", 0), 0u)
      << failure;
  EXPECT_NE(failure.find("Motivo: o ficheiro não existe"), std::string::npos)
      << failure;
  EXPECT_EQ(failure.find("Segredo"), std::string::npos) << failure;
  EXPECT_FALSE(std::filesystem::exists(dir_.File("falta.db")));

  // A database another program keeps locked is there: the text says it is
  // busy, not that it could not be opened.
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(dir_.File("erp.db").c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr),
            SQLITE_OK);
  DatabaseLogin locked = login;
  locked.base_dados = "erp.db";
  locked.tempo_espera = "0.2";
  const std::string busy = TestarLigacao(locked, ini_);
  sqlite3_close(holder);
  EXPECT_EQ(
      busy.rfind("A base de dados indicada está ocupada por outro programa !",
                 0),
      0u)
      << busy;
  EXPECT_NE(busy.find("Motivo: Base de dados ocupada: "), std::string::npos)
      << busy;
  EXPECT_NE(busy.find("(200 ms, TempoEspera"), std::string::npos) << busy;
  EXPECT_EQ(busy.find("Não foi possivel"), std::string::npos) << busy;

  DatabaseLogin empty = login;
  empty.servidor = "";
  empty.utilizador = "";
  EXPECT_EQ(TestarLigacao(empty, ini_),
            "Falta preencher \"Servidor\", \"Utilizador\".");

  DatabaseLogin port = login;
  port.porta = "14x3";
  EXPECT_NE(TestarLigacao(port, ini_).find("Porta"), std::string::npos);
}

}  // namespace
}  // namespace vor
