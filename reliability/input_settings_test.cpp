// Bad settings and catalogue files. Start-up failures end the program with
// exit code 2 and "VORencomendas: Erro <n> - <description>" on standard
// error; a login that cannot open the database is reported on standard
// error and the run then stops at its first query (exit code 1, the error
// in the run log). Either way the ERP's result table is left as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "testing/test_site.h"
#include "reliability/input_site.h"

namespace vor::input {
namespace {

namespace fs = std::filesystem;

constexpr char kOpenFailure[] =
    "Não foi possivel Abrir a base de dados indicada !";

class SettingsInputTest : public ::testing::Test {
 protected:
  std::string Login(const std::string& database) const {
    return "Servidor=sqlite\nBaseDados=" + database +
           "\nUtilizador=demo\nPassword=Pw-nunca-Mostrar#7\n";
  }

  // A start-up failure: exit 2, the report on standard error naming
  // `named`, nothing sent to the database, nothing on standard output.
  void ExpectStartupFailure(const Outcome& r, long number,
                            const std::string& named,
                            const std::string& reason) {
    EXPECT_EQ(r.exit_code, 2) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(
        r.err.rfind("VORencomendas: Erro " + std::to_string(number) + " - ", 0),
        0u)
        << r.err;
    EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
    EXPECT_TRUE(r.log.empty()) << r.LastLog();
    EXPECT_EQ(r.table_after, r.table_before);
  }

  // A database that could not be opened: reported on standard error with
  // `reason`, then the run's first query fails (exit 1) and the log ends
  // with the same text; the table is untouched.
  void ExpectOpenFailure(const Outcome& r, const std::string& reason) {
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind(std::string("VORencomendas: ") + kOpenFailure, 0), 0u)
        << r.err;
    // The cause once, though the run's first query fails on it again.
    EXPECT_EQ(CountOf(r.err, reason), 1) << r.err;
    EXPECT_EQ(CountOf(r.err, "Motivo: "), 1) << r.err;
    EXPECT_TRUE(r.LogHas(std::string(" 3604 - ") + kOpenFailure)) << r.err;
    EXPECT_TRUE(r.LogHas(reason)) << r.LastLog();
    EXPECT_EQ(r.table_after, r.table_before);
    EXPECT_EQ(r.err.find("Pw-nunca-Mostrar"), std::string::npos);
  }

  InputSite s_;
};

TEST_F(SettingsInputTest, ReferenceSettingsGiveTheReferenceProposal) {
  s_.WriteSettings();
  const Outcome r = s_.RunProgram("");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.LastLog(), "Emissão Mapas terminada");
  EXPECT_EQ(s_.Proposal(), InputSite::ReferenceProposal());
}

TEST_F(SettingsInputTest, MissingSettingsFileNamesItAndTheCatalogue) {
  // No settings file, and the program's folder holds no catalogue: the
  // login is empty. The log goes to the settings folder.
  const Outcome r = s_.RunProgram("settings file missing");
  ExpectOpenFailure(r, "Motivo: o ficheiro de parâmetros '" +
                           s_.site().settings_path() + "' não existe");
  EXPECT_NE(r.err.find("Catalogos/bd.sql"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(s_.site().settings_path()));
}

TEST_F(SettingsInputTest, UnreadableSettingsFileEndsStartUp) {
  const std::string path = s_.site().settings_path();
  fs::create_directory(path);
  ExpectStartupFailure(s_.RunProgram("settings path is a folder"), 75, path,
                       "é uma pasta");
  fs::remove(path);

  // A named pipe would block the read for ever.
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  ExpectStartupFailure(s_.RunProgram("settings path is a named pipe"), 75, path,
                       "não é um ficheiro normal");
  fs::remove(path);

  if (::geteuid() != 0) {  // the superuser reads whatever the permissions
    s_.WriteSettings();
    fs::permissions(path, fs::perms::none);
    ExpectStartupFailure(s_.RunProgram("settings file without permissions"), 75,
                         path, "Permission denied");
    fs::permissions(path, fs::perms::owner_all);
  }
}

TEST_F(SettingsInputTest, SettingsFileNotInUtf8EndsStartUpAndStaysAsItWas) {
  const std::string path = s_.site().settings_path();
  // "Proposta de ação" saved as Latin-1 on line 2.
  const std::string latin1 = "[email]\nAssunto=Proposta de a\xE7\xE3o\n[BD]\n" +
                             Login(s_.site().erp_path());
  s_.WriteSettingsText(latin1);
  ExpectStartupFailure(s_.RunProgram("settings file in Latin-1"), 75, path,
                       "não está em UTF-8 válido (linha 2)");
  EXPECT_EQ(ReadFile(path), latin1);

  // Saved as "Unicode" (UTF-16 with its byte-order mark).
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[BD]\r\nServidor=sqlite\r\n")) {
    utf16 += c;
    utf16 += '\0';
  }
  s_.WriteSettingsText(utf16);
  ExpectStartupFailure(s_.RunProgram("settings file in UTF-16"), 75, path,
                       "não está em UTF-8 válido (linha 1)");
}

TEST_F(SettingsInputTest, SectionsWithoutKeys) {
  // [BD] without keys: the login is looked for in the catalogue, which the
  // program's folder does not hold.
  s_.WriteSettingsText(s_.SettingsWith(""));
  ExpectOpenFailure(s_.RunProgram("section BD without keys"),
                    "a secção BD do ficheiro de parâmetros '" +
                        s_.site().settings_path() +
                        "' não indica Servidor, BaseDados, Utilizador");

  // [Log] without keys: the log goes to the settings folder and the run
  // completes.
  s_.WriteSettingsText("[Log]\n[email]\n[BD]\n" + Login(s_.site().erp_path()));
  const Outcome r = s_.RunProgram("sections Log and email without keys");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  ASSERT_FALSE(r.log.empty());
  EXPECT_EQ(r.LastLog(), "Emissão Mapas terminada");
  bool in_settings_folder = false;
  for (const auto& e : fs::directory_iterator(s_.site().settings_folder())) {
    in_settings_folder |= e.path().filename().string().starts_with("LOG_");
  }
  EXPECT_TRUE(in_settings_folder);
  EXPECT_EQ(s_.Proposal(), InputSite::ReferenceProposal());

  // A user is required even for SQLite, where it is not used.
  s_.WriteSettingsText(
      s_.SettingsWith("Servidor=sqlite\nBaseDados=" + s_.site().erp_path() +
                      "\nUtilizador=\n"));
  ExpectOpenFailure(s_.RunProgram("empty Utilizador"),
                    "' não indica Utilizador;");
}

TEST_F(SettingsInputTest, SectionsAndKeysInAnotherCaseAreFound) {
  s_.WriteSettingsText("[LOG]\r\nDIRECTORIA=" + s_.site().log_folder() +
                       "\r\n[bd]\r\nservidor=SQLite\r\nbasedados=" +
                       s_.site().erp_path() + "\r\nUTILIZADOR=demo\r\n");
  const Outcome r = s_.RunProgram("sections and keys in other letter case");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(s_.site().LogFiles().size(), 1u);
  EXPECT_EQ(s_.Proposal(), InputSite::ReferenceProposal());

  // A byte-order mark and CR LF, as Windows editors save, are fine too.
  s_.WriteSettingsText("\xEF\xBB\xBF[BD]\r\nServidor=sqlite\r\nBaseDados=" +
                       s_.site().erp_path() + "\r\nUtilizador=demo\r\n");
  EXPECT_EQ(s_.RunProgram("").exit_code, 0);
}

TEST_F(SettingsInputTest, DatabaseThatIsNoDatabase) {
  const std::string missing = s_.site().base() + "/falta.sqlite";
  s_.WriteSettingsText(s_.SettingsWith(Login(missing)));
  const Outcome r = s_.RunProgram("BaseDados names a missing file");
  ExpectOpenFailure(r, "Motivo: o ficheiro não existe");
  EXPECT_NE(r.err.find("Base de dados =" + missing + "\n"), std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(missing));  // never created

  const std::string folder = s_.site().base() + "/pasta.sqlite";
  fs::create_directory(folder);
  s_.WriteSettingsText(s_.SettingsWith(Login(folder)));
  ExpectOpenFailure(s_.RunProgram("BaseDados names a folder"),
                    "o caminho indicado é uma pasta");
  EXPECT_TRUE(fs::is_empty(folder));

  const std::string text = s_.site().base() + "/notas.txt";
  const std::string notes(5000, 'x');
  WriteFile(text, notes);
  s_.WriteSettingsText(s_.SettingsWith(Login(text)));
  ExpectOpenFailure(s_.RunProgram("BaseDados names a text file"),
                    "o ficheiro não é uma base de dados SQLite válida");
  EXPECT_EQ(ReadFile(text), notes);

  const std::string empty = s_.site().base() + "/vazio.sqlite";
  WriteFile(empty, "");
  s_.WriteSettingsText(s_.SettingsWith(Login(empty)));
  ExpectOpenFailure(s_.RunProgram("BaseDados names an empty file"),
                    "o ficheiro está vazio");
  EXPECT_EQ(fs::file_size(empty), 0u);
}

TEST_F(SettingsInputTest, BadNumbersInTheLoginNameTheKey) {
  s_.WriteSettingsText(
      s_.SettingsWith(Login(s_.site().erp_path()) + "TempoEspera=trinta\n"));
  ExpectStartupFailure(s_.RunProgram("TempoEspera not a number"), 13,
                       "TempoEspera", "'trinta'");
  s_.WriteSettingsText(
      s_.SettingsWith(Login(s_.site().erp_path()) + "Porta=70000\n"));
  ExpectStartupFailure(s_.RunProgram("Porta out of range"), 13, "Porta",
                       "'70000'");
}

// The catalogue <program folder>/Catalogos/bd.sql; these run in-process,
// where the program's folder is the site's.
class CatalogueInputTest : public SettingsInputTest {
 protected:
  void SetUp() override {
    fs::create_directories(Folder());
    // Settings without a login: the catalogue is read.
    s_.WriteSettingsText(s_.SettingsWith(""));
  }
  std::string Folder() const { return s_.site().app_folder() + "/Catalogos"; }
  std::string Path() const { return Folder() + "/bd.sql"; }
};

TEST_F(CatalogueInputTest, CompleteCatalogueGivesTheLogin) {
  WriteFile(Path(), "[BD]\nServidor=sqlite\nBaseDados=" + s_.site().erp_path() +
                        "\nUtilizador=cat\n");
  const Outcome r = s_.RunInProcess("");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(s_.Proposal(), InputSite::ReferenceProposal());
}

TEST_F(CatalogueInputTest, MissingOrEmptyCatalogueIsNamed) {
  ExpectOpenFailure(s_.RunInProcess("catalogue missing"),
                    "o catálogo '" + Path() + "' não existe.");
  WriteFile(Path(), "");
  ExpectOpenFailure(s_.RunInProcess("catalogue empty"),
                    "a secção BD do catálogo '" + Path() +
                        "' não indica Servidor, BaseDados, Utilizador.");
  WriteFile(Path(), "[BD]\nServidor=sqlite\n");
  ExpectOpenFailure(s_.RunInProcess("catalogue without BaseDados"),
                    "não indica BaseDados, Utilizador.");
}

TEST_F(CatalogueInputTest, UnreadableCatalogueEndsStartUp) {
  WriteFile(Path(), "[BD]\nServidor=S\xE3o Bento\n");
  ExpectStartupFailure(s_.RunInProcess("catalogue in Latin-1"), 75, Path(),
                       "não está em UTF-8 válido (linha 2)");
  fs::remove(Path());
  fs::create_directory(Path());
  ExpectStartupFailure(s_.RunInProcess("catalogue path is a folder"), 75,
                       Path(), "é uma pasta");
}

}  // namespace
}  // namespace vor::input
