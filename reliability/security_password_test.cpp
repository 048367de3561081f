// The database password never leaves the settings file: every failure path
// that can be reached is run with a recognisable password, and everything
// the program wrote (standard output and error, the run log and every other
// file of the installation, error descriptions, the connection-failure text
// the window shows and the texts of its message boxes, the redacted
// connection text) is searched for it, raw and in any quoted form.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "app/silent_mode.h"
#include "app/window_texts.h"
#include "core/error.h"
#include "core/recordset.h"
#include "db/connection_string_builder.h"
#include "db/ligar_bd.h"
#include "engine/messages.h"
#include "testing/test_site.h"

namespace vor {
namespace {

namespace fs = std::filesystem;

// Blanks, ';', '=', a brace and a quote make every quoting rule show.
constexpr char kPassword[] = "Zq9;Segredo{Vx=7 'K";
// With a closing brace too, which an ODBC login through FreeTDS refuses.
constexpr char kBracedPassword[] = "Zq9;Segredo}Vx=7{ 'K";
// Parts of the password that any copy of it holds, raw or quoted.
const char* const kFragments[] = {"Zq9", "Segredo", "Vx=7"};

// Texts searched for the password, for the figures.
int g_texts_searched = 0;

// The first fragment of the password found in `text`, or "".
std::string LeakIn(const std::string& text) {
  ++g_texts_searched;
  for (const char* fragment : kFragments) {
    if (text.find(fragment) != std::string::npos) return fragment;
  }
  return "";
}

#define EXPECT_NO_PASSWORD(text, where)                               \
  do {                                                                \
    const std::string vor_text_ = (text);                             \
    EXPECT_EQ(LeakIn(vor_text_), "") << (where) << ": " << vor_text_; \
  } while (0)

// One [BD] section with the recognisable password.
struct Login {
  std::string server = "sqlite";
  std::string database;
  std::string user = "vor";
  std::string driver;
  std::string port;
  std::string timeout = "2";
  std::string password = kPassword;
};

std::string BdSection(const Login& l) {
  std::string text = "[BD]\r\n";
  if (!l.server.empty()) text += "Servidor=" + l.server + "\r\n";
  if (!l.database.empty()) text += "BaseDados=" + l.database + "\r\n";
  text += "Utilizador=" + l.user + "\r\nPassword=" + l.password + "\r\n";
  if (!l.driver.empty()) text += "DriverODBC=" + l.driver + "\r\n";
  if (!l.port.empty()) text += "Porta=" + l.port + "\r\n";
  text += "TempoEspera=" + l.timeout + "\r\n";
  return text;
}

// Everything in a folder tree except the files named in `skip`.
std::string TreeText(const std::string& root,
                     const std::vector<std::string>& skip) {
  std::string text;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const std::string path = entry.path().string();
    bool skipped = false;
    for (const std::string& s : skip)
      skipped = skipped || fs::equivalent(s, path);
    if (!skipped) text += "\n== " + path + "\n" + ReadFile(path);
  }
  return text;
}

// Captures what this process writes to its standard error (the driver's
// and Qt's own warnings) while it lives.
class CapturedStderr {
 public:
  CapturedStderr() {
    std::fflush(stderr);
    file_ = std::tmpfile();
    saved_ = ::dup(2);
    ::dup2(::fileno(file_), 2);
  }
  ~CapturedStderr() { Release(); }
  std::string Release() {
    if (saved_ < 0) return text_;
    std::fflush(stderr);
    ::dup2(saved_, 2);
    ::close(saved_);
    saved_ = -1;
    std::rewind(file_);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) {
      text_.append(buffer, n);
    }
    std::fclose(file_);
    return text_;
  }

 private:
  std::FILE* file_ = nullptr;
  int saved_ = -1;
  std::string text_;
};

// A failure path of the unattended run.
struct Scenario {
  const char* name;
  // Writes the settings file (and the ERP) of the path.
  std::function<void(TestSite&)> prepare;
  int exit_code;
  // A text standard error must hold: proof that the path was the one meant.
  const char* evidence;
};

void WriteSettingsText(TestSite& site, const std::string& bd,
                       const std::string& log_folder = "") {
  WriteFile(site.settings_path(),
            "; Parametros de teste\r\n[email]\r\nAssunto=Proposta\r\n"
            "[Log]\r\nDirectoria=" +
                (log_folder.empty() ? site.log_folder() : log_folder) + "\r\n" +
                bd);
}

Login SqliteLogin(const TestSite& site) {
  Login l;
  l.database = site.erp_path();
  return l;
}

// An ERP with one article to order, so a run reaches every step.
void SmallErp(TestSite& site) {
  ErpFixture& erp = site.CreateErp();
  erp.AddSupplier("F001");
  erp.AddArticle(BoughtArticle("A1", 5, 30));
}

std::vector<Scenario> Scenarios() {
  return {
      {"SQLite file missing",
       [](TestSite& s) {
         Login l;
         l.database = s.base() + "/falta.sqlite";
         WriteSettingsText(s, BdSection(l));
       },
       1, "o ficheiro não existe"},
      {"SQLite file is not a database",
       [](TestSite& s) {
         WriteFile(s.base() + "/lixo.sqlite", std::string(4096, 'x'));
         Login l;
         l.database = s.base() + "/lixo.sqlite";
         WriteSettingsText(s, BdSection(l));
       },
       1, "Não foi possivel Abrir a base de dados indicada !"},
      {"ODBC server on a closed port",
       [](TestSite& s) {
         Login l;
         l.server = "127.0.0.1";
         l.database = "ERP";
         l.port = "1";
         WriteSettingsText(s, BdSection(l));
       },
       1, "Unable to connect"},
      {"ODBC password with a closing brace",
       [](TestSite& s) {
         Login l;
         l.server = "127.0.0.1";
         l.database = "ERP";
         l.port = "1";
         l.password = kBracedPassword;
         WriteSettingsText(s, BdSection(l));
       },
       1, "o valor de Password contém '}'"},
      {"ODBC driver that does not exist",
       [](TestSite& s) {
         Login l;
         l.server = "127.0.0.1";
         l.database = "ERP";
         l.driver = "ControladorInexistente";
         WriteSettingsText(s, BdSection(l));
       },
       1, "Não foi possivel Abrir a base de dados indicada !"},
      {"ODBC SQLite file missing",
       [](TestSite& s) {
         Login l;
         l.server = "local";
         l.driver = "SQLite3";
         l.database = s.base() + "/falta.sqlite";
         WriteSettingsText(s, BdSection(l));
       },
       1, "Não foi possivel Abrir a base de dados indicada !"},
      {"login incomplete and no catalogue",
       [](TestSite& s) {
         Login l;
         l.server = "";
         l.database = s.erp_path();
         WriteSettingsText(s, BdSection(l));
       },
       1, " Servidor =\nBase de dados =\n"},
      {"failed query",
       [](TestSite& s) {
         SmallErp(s);
         s.erp().Exec("DROP TABLE ARTIGOS");
         WriteSettingsText(s, BdSection(SqliteLogin(s)));
       },
       1, "no such table"},
      {"failed write of the result table",
       [](TestSite& s) {
         SmallErp(s);
         s.erp().Exec("DROP TABLE zlx_VOR_Encomendas");
         WriteSettingsText(s, BdSection(SqliteLogin(s)));
       },
       1, "zlx_VOR_Encomendas"},
      {"port that is not a number",
       [](TestSite& s) {
         Login l = SqliteLogin(s);
         l.port = "porta";
         WriteSettingsText(s, BdSection(l));
       },
       2, "VORencomendas: Erro 13 - "},
      {"settings file not in UTF-8",
       [](TestSite& s) {
         WriteSettingsText(s, BdSection(SqliteLogin(s)) + "Nota=\xE9\r\n");
       },
       2, "VORencomendas: Erro 75 - "},
      {"log folder that cannot be written",
       [](TestSite& s) {
         SmallErp(s);
         WriteFile(s.base() + "/ficheiro", "não é uma pasta");
         WriteSettingsText(s, BdSection(SqliteLogin(s)),
                           s.base() + "/ficheiro");
       },
       2, "VORencomendas: Erro 75 - "},
  };
}

TEST(SecurityPasswordTest, NoFailureOfTheUnattendedRunShowsThePassword) {
  int paths = 0;
  for (const Scenario& scenario : Scenarios()) {
    SCOPED_TRACE(scenario.name);
    TestSite site;
    scenario.prepare(site);
    const ProgramResult r = site.Run({"/S"});
    ++paths;
    EXPECT_EQ(r.exit_code, scenario.exit_code) << r.err;
    EXPECT_NE(r.err.find(scenario.evidence), std::string::npos) << r.err;
    EXPECT_NO_PASSWORD(r.out, "standard output");
    EXPECT_NO_PASSWORD(r.err, "standard error");
    // The log, the ERP and anything else the run left in the installation;
    // only the settings file holds the password.
    EXPECT_NO_PASSWORD(TreeText(site.base(), {site.settings_path()}),
                       "files of the installation");
  }
  std::cout << "[ figures  ] " << paths
            << " failure paths of the program searched for the password"
            << std::endl;
}

// The same failures in process: the texts the window shows (the
// connection-failure text, the error and the message boxes composed from
// it) and what drivers and Qt print on this process's standard error.
class SecurityPasswordInProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_folder_ = site_.app_folder();
    fs::create_directories(app_folder_ + "/Catalogos");
  }

  // Connects with the settings file as it stands, runs a query on the
  // connection and searches every text of the failure.
  void ExpectFailureKeepsPasswordHidden(const std::string& evidence) {
    CapturedStderr captured;
    std::unique_ptr<Connection> c = LIgarBd(site_.settings_path(), app_folder_);
    ASSERT_FALSE(c->IsOpen());
    const std::string failure = c->OpenFailure();
    EXPECT_NE(failure.find(evidence), std::string::npos) << failure;
    EXPECT_NO_PASSWORD(failure, "connection-failure text");
    try {
      Recordset rs;
      c->OpenRecordset("", "select * from ARTIGOS", rs, -1, 0);
      ADD_FAILURE() << "a query on a closed connection succeeded";
    } catch (const Error& e) {
      ExpectErrorTextsHidden(e);
    }
    EXPECT_NO_PASSWORD(captured.Release(), "standard error of the process");
    ++paths_;
  }

  // Every text composed from an error: its description, the report of an
  // error that ends the program, the engine's log message and the message
  // boxes of the window (conversion, error, end of a run by the engine).
  static void ExpectErrorTextsHidden(const Error& e) {
    EXPECT_NO_PASSWORD(e.description(), "error description");
    EXPECT_NO_PASSWORD(e.what(), "error text");
    EXPECT_NO_PASSWORD(FailureReport(e), "failure report");
    EXPECT_NO_PASSWORD(EngineErrorMessage(e.number(), e.description()),
                       "engine message");
    EXPECT_NO_PASSWORD(ConversionMessage(e), "conversion message box");
    EXPECT_NO_PASSWORD(ErrorBoxText(e), "error message box");
    EXPECT_NO_PASSWORD(
        EngineEndBoxText(EngineErrorMessage(e.number(), e.description()),
                         "/var/log/vor/LOG_VOR_ENC20261208.txt"),
        "message box of the run's end");
  }

  static void TearDownTestSuite() {
    std::cout << "[ figures  ] " << paths_
              << " failure paths searched in process, " << g_texts_searched
              << " texts searched in all" << std::endl;
  }

  void WriteSettings(const Login& login) {
    WriteSettingsText(site_, BdSection(login));
  }

  TestSite site_;
  std::string app_folder_;
  static int paths_;
};

int SecurityPasswordInProcessTest::paths_ = 0;

TEST_F(SecurityPasswordInProcessTest, EveryConnectionFailure) {
  Login missing;
  missing.database = site_.base() + "/falta.sqlite";
  WriteSettings(missing);
  ExpectFailureKeepsPasswordHidden("o ficheiro não existe");

  Login folder;
  folder.database = site_.base();
  WriteSettings(folder);
  ExpectFailureKeepsPasswordHidden("é uma pasta");

  Login closed_port;
  closed_port.server = "127.0.0.1";
  closed_port.database = "ERP";
  closed_port.port = "1";
  WriteSettings(closed_port);
  ExpectFailureKeepsPasswordHidden("Unable to connect");

  Login braced = closed_port;
  braced.password = kBracedPassword;
  WriteSettings(braced);
  ExpectFailureKeepsPasswordHidden("o valor de Password contém '}'");

  Login no_driver = closed_port;
  no_driver.driver = "ControladorInexistente";
  WriteSettings(no_driver);
  ExpectFailureKeepsPasswordHidden("Base de dados =ERP");

  Login odbc_sqlite;
  odbc_sqlite.server = "local";
  odbc_sqlite.driver = "SQLite3";
  odbc_sqlite.database = site_.base() + "/falta.sqlite";
  WriteSettings(odbc_sqlite);
  ExpectFailureKeepsPasswordHidden("falta.sqlite");
}

TEST_F(SecurityPasswordInProcessTest, CatalogueLoginFailure) {
  // The settings file lacks the server: the login, password included,
  // comes from the catalogue, whose server refuses the connection.
  Login incomplete;
  incomplete.server = "";
  incomplete.database = "ERP";
  WriteSettings(incomplete);
  Login catalogue;
  catalogue.server = "127.0.0.1";
  catalogue.database = "ERP_CATALOGO";
  catalogue.port = "1";
  WriteFile(app_folder_ + "/Catalogos/bd.sql", BdSection(catalogue));
  ExpectFailureKeepsPasswordHidden("ERP_CATALOGO");

  // No catalogue at all: empty login values.
  fs::remove(app_folder_ + "/Catalogos/bd.sql");
  ExpectFailureKeepsPasswordHidden(" Servidor =\r\nBase de dados =\r\n");
}

TEST_F(SecurityPasswordInProcessTest, FailedQueryOnAnOpenConnection) {
  SmallErp(site_);
  WriteSettings(SqliteLogin(site_));
  CapturedStderr captured;
  std::unique_ptr<Connection> c = LIgarBd(site_.settings_path(), app_folder_);
  ASSERT_TRUE(c->IsOpen()) << c->OpenFailure();
  for (const char* statement :
       {"select * from TabelaInexistente", "select from where",
        "insert into ARTIGOS (CODIGO) values ('A1')"}) {
    try {
      if (std::string(statement).rfind("select", 0) == 0) {
        Recordset rs;
        c->OpenRecordset("", statement, rs, -1, 0);
      } else {
        c->ExecuteSql("", statement);
      }
      ADD_FAILURE() << statement << " succeeded";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), errnum::kDatabase) << e.description();
      ExpectErrorTextsHidden(e);
    }
    ++paths_;
  }
  EXPECT_NO_PASSWORD(captured.Release(), "standard error of the process");
}

TEST_F(SecurityPasswordInProcessTest, OnlyTheDriversTextHoldsIt) {
  ConnectionStringBuilder b;
  b.Server("127.0.0.1");
  b.Database("ERP");
  b.User("vor");
  b.Password(kBracedPassword);
  b.Driver("ODBC Driver 18 for SQL Server");
  const QtOpenParameters p = b.ConnectionString();
  // The driver's text holds it (so the search below could find it)...
  ASSERT_NE(LeakIn(p.database_name), "");
  // ...the texts a failure may show never do.
  EXPECT_NO_PASSWORD(p.connect_options, "connect options");
  EXPECT_NO_PASSWORD(p.server + p.database, "server and database");
  // A value the driver cannot take is named, not echoed.
  b.Driver("FreeTDS");
  const QtOpenParameters refused = b.ConnectionString();
  ASSERT_NE(refused.problem, "");
  EXPECT_NO_PASSWORD(refused.problem, "refused value");
}

}  // namespace
}  // namespace vor
