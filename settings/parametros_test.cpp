#include "settings/parametros.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "testing/settings_file_fixture.h"

namespace vor {
namespace {

namespace fs = std::filesystem;

class ParametrosTest : public SettingsFileFixture {
 protected:
  void SetUp() override { p_.set_FicheiroIni(path_); }

  Parametros p_;
};

const char kFile[] =
    "[BD]\n"
    "Servidor=sqlite\n"
    "Password=segredo\n"
    "[EMAIL]\n"
    "assunto=Encomendas propostas\n"
    "[smtp]\n"
    "EMAILEMISSOR=compras@exemplo.pt\n"
    "; pasta dos registos\n"
    "[Log]\n"
    "Directoria=/var/log/vor\n";

TEST_F(ParametrosTest, LerLoadsItsThreeValuesInAnyCase) {
  Put(kFile);
  p_.set_email_OrigemNome("nome");
  p_.set_Sql_Servidor("servidor");
  ASSERT_TRUE(p_.Ler());
  EXPECT_EQ(p_.email_Assunto(), "Encomendas propostas");
  EXPECT_EQ(p_.email_Origem(), "compras@exemplo.pt");
  EXPECT_EQ(p_.Log_Directoria(), "/var/log/vor");
  // Values the record does not load are left as they were.
  EXPECT_EQ(p_.email_OrigemNome(), "nome");
  EXPECT_EQ(p_.Sql_Servidor(), "servidor");
  EXPECT_EQ(p_.Sql_Password(), "");
  EXPECT_EQ(p_.FicheiroIni(), path_);
}

TEST_F(ParametrosTest, MissingSectionOrFileReadsEmpty) {
  Put("[email]\nAssunto=a\n");
  p_.set_Log_Directoria("/antiga");
  ASSERT_TRUE(p_.Ler());
  EXPECT_EQ(p_.Log_Directoria(), "");
  EXPECT_EQ(p_.email_Assunto(), "a");

  p_.set_FicheiroIni((dir_ / "nao_existe.zlx").string());
  ASSERT_TRUE(p_.Ler());
  EXPECT_EQ(p_.email_Assunto(), "");
  EXPECT_EQ(p_.email_Origem(), "");
  EXPECT_EQ(p_.Log_Directoria(), "");
  EXPECT_FALSE(fs::exists(dir_ / "nao_existe.zlx"));
}

TEST_F(ParametrosTest, LerOfBadFileReturnsFalseAndKeepsValues) {
  Put("[email]\nAssunto=\xE9t\xE9\n");
  p_.set_email_Assunto("antes");
  p_.set_Log_Directoria("/antes");
  EXPECT_FALSE(p_.Ler());
  EXPECT_EQ(p_.email_Assunto(), "antes");
  EXPECT_EQ(p_.Log_Directoria(), "/antes");

  p_.set_FicheiroIni("");
  EXPECT_FALSE(p_.Ler());
  p_.set_FicheiroIni(dir_.string());
  EXPECT_FALSE(p_.Ler());
}

TEST_F(ParametrosTest, EscreverSavesTwoValuesAndLeavesTheRest) {
  Put(kFile);
  p_.set_email_Assunto("Novo assunto");
  p_.set_Log_Directoria("/srv/registos");
  p_.set_email_Origem("outro@exemplo.pt");
  p_.set_Sql_Password("nao_gravar");
  ASSERT_TRUE(p_.Escrever());

  Parametros back;
  back.set_FicheiroIni(path_);
  ASSERT_TRUE(back.Ler());
  EXPECT_EQ(back.email_Assunto(), "Novo assunto");
  EXPECT_EQ(back.Log_Directoria(), "/srv/registos");
  EXPECT_EQ(back.email_Origem(), "compras@exemplo.pt");
  const std::string text = Get();
  EXPECT_NE(text.find("EMAILEMISSOR=compras@exemplo.pt\n"), std::string::npos);
  EXPECT_NE(text.find("Password=segredo\n"), std::string::npos);
  EXPECT_NE(text.find("; pasta dos registos\n"), std::string::npos);
  EXPECT_EQ(text.find("outro@"), std::string::npos);
  EXPECT_EQ(text.find("nao_gravar"), std::string::npos);
}

TEST_F(ParametrosTest, BlanksRoundTripThroughEscreverAndLer) {
  p_.set_email_Assunto("  Proposta  ");
  p_.set_Log_Directoria(" /var/log ");
  ASSERT_TRUE(p_.Escrever());
  Parametros back;
  back.set_FicheiroIni(path_);
  ASSERT_TRUE(back.Ler());
  EXPECT_EQ(back.email_Assunto(), "  Proposta  ");
  EXPECT_EQ(back.Log_Directoria(), " /var/log ");
}

TEST_F(ParametrosTest, EscreverOverReadOnlyOrIntoMissingFolderReturnsFalse) {
  Put(kFile);
  fs::permissions(path_, fs::perms::owner_read);
  p_.set_email_Assunto("novo");
  EXPECT_FALSE(p_.Escrever());
  EXPECT_EQ(Get(), kFile);

  p_.set_FicheiroIni((dir_ / "falta" / "x.zlx").string());
  EXPECT_FALSE(p_.Escrever());
  p_.set_FicheiroIni("");
  EXPECT_FALSE(p_.Escrever());
}

TEST_F(ParametrosTest, EscreverStopsAtARefusedValue) {
  Put(kFile);
  p_.set_email_Assunto("bom");
  p_.set_Log_Directoria("/a\n[BD]\nPassword=x");
  EXPECT_FALSE(p_.Escrever());
  // The first value was saved before the second was refused.
  Parametros back;
  back.set_FicheiroIni(path_);
  ASSERT_TRUE(back.Ler());
  EXPECT_EQ(back.email_Assunto(), "bom");
  EXPECT_EQ(back.Log_Directoria(), "/var/log/vor");
  EXPECT_EQ(Get().find("Password=x"), std::string::npos);
}

}  // namespace
}  // namespace vor
