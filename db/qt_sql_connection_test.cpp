#include "db/qt_sql_connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/error.h"
#include "core/quote.h"
#include "core/recordset.h"
#include "db/connection_string_builder.h"
#include "db/read_snapshot.h"
#include "testing/test_database.h"

namespace vor {
namespace {

using testing::CreateSqliteDatabase;
using testing::QueryColumn;
using testing::SqliteOpenParameters;
using testing::SqlitePath;
using Clock = std::chrono::steady_clock;

constexpr char kResultTable[] =
    "create table zlx_VOR_Encomendas ("
    " Artigo varchar(15) COLLATE NOCASE, Nome varchar(80), StkMinimo "
    "decimal(19,4), Sel bit, Cor smallint, Origem varchar(1), Quando datetime,"
    " Obs varchar(3) default 'def')";

// Runs `body` and returns the Error it raises (a test failure when none).
template <typename F>
Error Raised(F&& body) {
  try {
    body();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "no Error raised";
  return Error(0, "");
}

class QtSqlConnectionTest : public ::testing::TestWithParam<SqlitePath> {
 protected:
  void SetUp() override {
    db_ = dir_.File("erp.db");
    CreateSqliteDatabase(
        db_,
        {"create table Artigos (Codigo varchar(15) COLLATE NOCASE primary key,"
         " Nome varchar(80), stdisp decimal(19,4), Inactivo integer)",
         "insert into Artigos values('A1', 'Parafuso', 5, 0)",
         "insert into Artigos values('O''BRIEN', 'Porca', 2.5, 0)",
         "insert into Artigos values('N1', null, null, -1)",
         "create table zlx_FichaEstrutura (PRODUTO varchar(15), "
         "FichaEstrutura varchar(15), CODIGO varchar(15))",
         "insert into zlx_FichaEstrutura values('P1', 'E2', 'A1')",
         "insert into zlx_FichaEstrutura values('P1', 'E1', 'A1')",
         "insert into zlx_FichaEstrutura values('P2', 'E9', 'A1')",
         "create table Docs (Artigo varchar(15), DATA datetime, Quant "
         "decimal(19,4))",
         "insert into Docs values('A1', '2024-01-14', 1)",
         "insert into Docs values('A1', '2024-01-15', 2)",
         "insert into Docs values('A1', '2024-02-01 10:30:00', 4)",
         kResultTable});
  }

  QtOpenParameters Text(int timeout_ms = 2000) const {
    return SqliteOpenParameters(db_, GetParam(), timeout_ms);
  }

  void Open(QtSqlConnection& c, int timeout_ms = 2000) {
    ASSERT_TRUE(c.OpenConnection(Text(timeout_ms))) << c.OpenFailure();
    ASSERT_TRUE(c.IsOpen());
    ASSERT_TRUE(c.IsSqlite());
  }

  std::vector<std::string> Column(const std::string& sql) {
    return QueryColumn(db_, sql);
  }

  TempFolder dir_;
  std::string db_;
};

INSTANTIATE_TEST_SUITE_P(BothPaths, QtSqlConnectionTest,
                         ::testing::Values(SqlitePath::kEmbedded,
                                           SqlitePath::kOdbc),
                         [](const auto& info) {
                           return info.param == SqlitePath::kEmbedded
                                      ? std::string("Embedded")
                                      : std::string("Odbc");
                         });

TEST_P(QtSqlConnectionTest, MissingFileFailsAndCreatesNothing) {
  const std::string missing = dir_.File("nao_existe.db");
  QtSqlConnection c;
  EXPECT_FALSE(c.OpenConnection(SqliteOpenParameters(missing, GetParam())));
  EXPECT_FALSE(c.IsOpen());
  const std::string server =
      GetParam() == SqlitePath::kEmbedded ? "sqlite" : "localhost";
  EXPECT_EQ(c.OpenFailure().rfind(
                "Não foi possivel Abrir a base de dados indicada !\r\n "
                "Servidor =" +
                    server + "\r\nBase de dados =" + missing + "\r\n",
                0),
            0u)
      << c.OpenFailure();
  EXPECT_NE(c.OpenFailure().find("não existe"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(missing));

  // Every later operation raises the database error with that text.
  Recordset rs;
  for (const Error& e :
       {Raised([&] { c.OpenRecordset("", "select 1", rs); }),
        Raised([&] { c.ExecuteSql("", "delete from Artigos"); }),
        Raised([&] { c.BeginWrite(); }), Raised([&] {
          std::unique_ptr<UpdatableRecordset> u;
          c.OpenRecordsetForUpdate("select * from Artigos", u);
        })}) {
    EXPECT_EQ(e.number(), errnum::kDatabase);
    EXPECT_EQ(e.description(), c.OpenFailure());
  }
  EXPECT_FALSE(c.WriteInProgress());
}

TEST_P(QtSqlConnectionTest, DirectoryEmptyFileAndNonDatabaseFail) {
  const std::string empty = dir_.File("vazio.db");
  const std::string text = dir_.File("texto.db");
  WriteFile(empty, "");
  WriteFile(text, std::string(4096, 'x') + " isto nao e uma base de dados\n");
  for (const auto& [path, reason] :
       std::vector<std::pair<std::string, std::string>>{
           {dir_.path(), "pasta"}, {empty, "vazio"}, {text, "SQLite"}}) {
    QtSqlConnection c;
    EXPECT_FALSE(c.OpenConnection(SqliteOpenParameters(path, GetParam())))
        << path;
    EXPECT_NE(c.OpenFailure().find("Base de dados =" + path + "\r\nMotivo: "),
              std::string::npos)
        << c.OpenFailure();
    EXPECT_NE(c.OpenFailure().find(reason), std::string::npos)
        << c.OpenFailure();
  }
  EXPECT_EQ(std::filesystem::file_size(empty), 0u);
}

TEST_P(QtSqlConnectionTest, QueriesReturnTypedValuesUnderTheirAliases) {
  QtSqlConnection c;
  Open(c);
  Recordset rs;
  c.OpenRecordset("",
                  "select Codigo as 'Artigo', artigos.Nome, stdisp, Inactivo "
                  "from Artigos order by Codigo",
                  rs, -1, 0);
  ASSERT_EQ(rs.RecordCount(), 3);
  EXPECT_EQ(rs.FieldCount(), 4);
  EXPECT_EQ(rs.Field(0).name, "Artigo");
  EXPECT_EQ(rs.Field(1).name, "Nome");
  EXPECT_EQ(rs.AbsolutePosition(), 1);
  EXPECT_EQ(rs.Get("ARTIGO"), Value("A1"));
  EXPECT_EQ(rs.Get("stdisp").ToCurrency(), Currency::FromInt(5));
  EXPECT_EQ(rs.Get("Inactivo").ToInt(), 0);
  rs.MoveNext();
  EXPECT_EQ(rs.Get("Artigo"), Value("N1"));
  EXPECT_TRUE(rs.Get("Nome").is_null());
  EXPECT_TRUE(rs.Get("stdisp").is_null());
  EXPECT_EQ(rs.Get("Inactivo").ToInt(), -1);
  rs.MoveNext();
  EXPECT_EQ(rs.Get("stdisp").ToCurrency(), Currency::FromRaw(25000));

  // An empty result is positioned at its end.
  c.OpenRecordset("", "select Codigo from Artigos where 1=0", rs);
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(rs.FieldCount(), 1);
}

TEST_P(QtSqlConnectionTest, CodesWithQuotesAreReadAsThemselves) {
  QtSqlConnection c;
  Open(c);
  Recordset rs;
  c.OpenRecordset(
      "",
      "Select stdisp from Artigos where Codigo='" + QuoteCode("O'BRIEN") + "' ",
      rs);
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.Get("StDisp").ToCurrency(), Currency::FromRaw(25000));
  // A code that tries to change the statement finds nothing.
  c.OpenRecordset("",
                  "Select stdisp from Artigos where Codigo='" +
                      QuoteCode("x' or '1'='1") + "' ",
                  rs);
  EXPECT_EQ(rs.RecordCount(), 0);
  // Code columns compare without regard to case.
  c.OpenRecordset("", "Select stdisp from Artigos where Codigo='a1' ", rs);
  EXPECT_EQ(rs.RecordCount(), 1);
}

TEST_P(QtSqlConnectionTest, TransactSqlFormsWorkOnSqlite) {
  QtSqlConnection c;
  Open(c);
  Recordset rs;
  c.OpenRecordset(
      "",
      std::string(" SELECT  f.PRODUTO as Artigo") +
          " ,coalesce((select top 1 fe.FichaEstrutura from zlx_FichaEstrutura "
          "as fe where Fe.Produto=f.Produto group by fe.FichaEstrutura ),'') "
          "as "
          "Versao" +
          " From zlx_FichaEstrutura as f " + " WHERE f.CODIGO ='A1' " +
          " GROUP BY f.PRODUTO" + " ORDER BY f.PRODUTO ",
      rs);
  ASSERT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(rs.Get("Artigo"), Value("P1"));
  EXPECT_EQ(rs.Get("Versao"), Value("E1"));  // group by orders the codes
  rs.MoveNext();
  EXPECT_EQ(rs.Get("Versao"), Value("E9"));

  // The date bound is inclusive, with the blank before the closing quote.
  c.OpenRecordset("",
                  "select coalesce(sum(Quant),0) as Q from Docs where (DATA >= "
                  "CONVERT(DATETIME, '2024-01-15 ', 102))",
                  rs);
  EXPECT_EQ(rs.Get("Q").ToCurrency(), Currency::FromInt(6));
}

TEST_P(QtSqlConnectionTest, DatabaseErrorsCarryDriverTextAndStatement) {
  QtSqlConnection c;
  Open(c);
  Recordset rs;
  Error e = Raised([&] { c.OpenRecordset("", "select x from SemTabela", rs); });
  EXPECT_EQ(e.number(), errnum::kDatabase);
  EXPECT_NE(e.description().find("no such table"), std::string::npos)
      << e.description();
  EXPECT_NE(e.description().find("select x from SemTabela"), std::string::npos);

  const std::string long_sql = "delete from SemTabela where Codigo in ('" +
                               std::string(1000, 'Z') + "')";
  e = Raised([&] { c.ExecuteSql("", long_sql); });
  EXPECT_EQ(e.number(), errnum::kDatabase);
  EXPECT_NE(e.description().find("delete from SemTabela"), std::string::npos);
  EXPECT_LT(e.description().size(), 500u);

  std::unique_ptr<UpdatableRecordset> u;
  e = Raised([&] { c.OpenRecordsetForUpdate("select * from SemTabela", u); });
  EXPECT_EQ(e.number(), errnum::kDatabase);
  EXPECT_NE(e.description().find("SemTabela"), std::string::npos);
}

TEST_P(QtSqlConnectionTest, InsertsConvertToTheColumnKinds) {
  QtSqlConnection c;
  Open(c);
  std::unique_ptr<UpdatableRecordset> u;
  const std::string source =
      "Select * from zlx_VOR_Encomendas where Artigo='h$hg?'";
  c.OpenRecordsetForUpdate(source, u, 3, -1);
  u->AddNew();
  u->Set("artigo", Value("A'1"));
  u->Set("NOME", Value());
  u->Set("StkMinimo", Value(Currency::FromRaw(123456)));  // 12.3456
  u->Set("Sel", Value(true));
  u->Set("Cor", Value(1));
  u->Set("Origem", Value());
  u->Update();

  // Opened again for each row, as the result writer does.
  c.OpenRecordsetForUpdate(source, u, 3, -1);
  u->AddNew();
  u->Set("Artigo", Value("h$hg?"));
  u->Set("StkMinimo", Value(Currency::FromRaw(-1)));  // -0.0001
  u->Set("Sel", Value(false));
  u->Set("Cor", Value(Currency::FromInt(0)));
  u->Set("Origem", Value("C"));
  u->Set(
      "Quando",
      Value(DateTime(std::chrono::sys_days(std::chrono::year(2024) / 3 / 9))));
  u->Update();

  c.OpenRecordsetForUpdate(source, u, 3, -1);
  u->AddNew();
  u->Set("Artigo", Value("BIG"));
  u->Set("StkMinimo",
         Value(Currency::FromRaw(999999999999999LL)));  // 99999999999.9999
  u->Update();

  Recordset rs;
  c.OpenRecordset("",
                  "select Artigo, Nome, StkMinimo, Sel, Cor, Origem, Obs, "
                  "Quando from zlx_VOR_Encomendas order by rowid",
                  rs);
  ASSERT_EQ(rs.RecordCount(), 3);
  EXPECT_EQ(rs.Get("Artigo"), Value("A'1"));
  EXPECT_TRUE(rs.Get("Nome").is_null());
  EXPECT_EQ(rs.Get("StkMinimo").ToCurrency(), Currency::FromRaw(123456));
  EXPECT_EQ(rs.Get("Sel").ToInt(), 1);
  EXPECT_EQ(rs.Get("Cor").ToInt(), 1);
  EXPECT_TRUE(rs.Get("Origem").is_null());
  EXPECT_EQ(rs.Get("Obs"), Value("def"));  // not set: its default
  rs.MoveNext();
  EXPECT_EQ(rs.Get("StkMinimo").ToCurrency(), Currency::FromRaw(-1));
  EXPECT_EQ(rs.Get("Sel").ToInt(), 0);
  EXPECT_EQ(rs.Get("Origem"), Value("C"));
  EXPECT_EQ(rs.Get("Quando").ToText(), "2024-03-09");
  rs.MoveNext();
  EXPECT_EQ(rs.Get("StkMinimo").ToCurrency(),
            Currency::FromRaw(999999999999999LL));
  // Stored as numbers, not as text.
  EXPECT_EQ(QueryColumn(db_,
                        "select typeof(StkMinimo) from zlx_VOR_Encomendas "
                        "order by rowid"),
            (std::vector<std::string>{"real", "real", "real"}));
}

TEST_P(QtSqlConnectionTest, InsertErrorsNameColumnTableAndArticle) {
  QtSqlConnection c;
  Open(c);
  std::unique_ptr<UpdatableRecordset> u;
  c.OpenRecordsetForUpdate("select * from zlx_VOR_Encomendas", u);

  Error e = Raised([&] { u->Set("Nome", Value("x")); });
  EXPECT_EQ(e.number(), errnum::kNoCurrentRecord);

  u->AddNew();
  e = Raised([&] { u->Set("Naoexiste", Value(1)); });
  EXPECT_EQ(e.number(), errnum::kFieldNotFound);
  EXPECT_NE(e.description().find("Naoexiste"), std::string::npos);
  EXPECT_NE(e.description().find("zlx_VOR_Encomendas"), std::string::npos);

  // The article is named even when its column is set after the long text.
  u->Set("Nome", Value(std::string(81, 'n')));
  u->Set("Artigo", Value("ART-7"));
  e = Raised([&] { u->Update(); });
  EXPECT_EQ(e.number(), errnum::kTextTooLong);
  EXPECT_NE(e.description().find("Nome"), std::string::npos) << e.description();
  EXPECT_NE(e.description().find("80"), std::string::npos);
  EXPECT_NE(e.description().find("ART-7"), std::string::npos);
  // Characters, not bytes: 80 accented letters fit.
  u->Set("Nome", Value([] {
           std::string s;
           for (int i = 0; i < 80; ++i) s += "ç";
           return s;
         }()));
  u->Set("Cor", Value(40000));
  e = Raised([&] { u->Update(); });
  EXPECT_EQ(e.number(), errnum::kOverflow);
  EXPECT_NE(e.description().find("Cor"), std::string::npos);
  u->Set("Cor", Value(2));
  u->Set("StkMinimo", Value("doze"));
  e = Raised([&] { u->Update(); });
  EXPECT_EQ(e.number(), errnum::kTypeMismatch);
  EXPECT_NE(e.description().find("StkMinimo"), std::string::npos);
  EXPECT_NE(e.description().find("ART-7"), std::string::npos);
  u->Set("StkMinimo", Value("12.5"));
  u->Update();
  EXPECT_EQ(QueryColumn(db_, "select StkMinimo from zlx_VOR_Encomendas"),
            std::vector<std::string>{"12.5"});
  // After a saved row a new one must be started.
  EXPECT_EQ(Raised([&] { u->Update(); }).number(), errnum::kNoCurrentRecord);
}

TEST_P(QtSqlConnectionTest, AbandonedWriteLeavesTheTableAsBefore) {
  QtSqlConnection c;
  Open(c);
  c.ExecuteSql("", "insert into zlx_VOR_Encomendas (Artigo) values ('OLD')");
  EXPECT_FALSE(c.WriteInProgress());
  c.BeginWrite();
  EXPECT_TRUE(c.WriteInProgress());
  EXPECT_EQ(Raised([&] { c.BeginWrite(); }).number(),
            errnum::kInvalidOperation);
  c.ExecuteSql("", "delete from zlx_VOR_Encomendas ");
  std::unique_ptr<UpdatableRecordset> u;
  for (int k = 0; k < 5; ++k) {
    c.OpenRecordsetForUpdate("select * from zlx_VOR_Encomendas", u);
    u->AddNew();
    u->Set("Artigo", Value("N" + std::to_string(k)));
    u->Update();
  }
  c.AbandonWrite();
  EXPECT_FALSE(c.WriteInProgress());
  EXPECT_EQ(QueryColumn(db_, "select Artigo from zlx_VOR_Encomendas"),
            std::vector<std::string>{"OLD"});
  c.AbandonWrite();  // nothing to abandon: harmless
  EXPECT_EQ(Raised([&] { c.EndWrite(); }).number(), errnum::kInvalidOperation);

  c.BeginWrite();
  c.ExecuteSql("", "delete from zlx_VOR_Encomendas ");
  c.OpenRecordsetForUpdate("select * from zlx_VOR_Encomendas", u);
  u->AddNew();
  u->Set("Artigo", Value("NEW"));
  u->Update();
  c.EndWrite();
  EXPECT_FALSE(c.WriteInProgress());
  EXPECT_EQ(QueryColumn(db_, "select Artigo from zlx_VOR_Encomendas"),
            std::vector<std::string>{"NEW"});
}

TEST_P(QtSqlConnectionTest, DestroyingTheConnectionMidWriteKeepsOldRows) {
  {
    QtSqlConnection c;
    Open(c);
    c.BeginWrite();
    c.ExecuteSql("", "delete from Artigos");
  }
  EXPECT_EQ(QueryColumn(db_, "select count(*) from Artigos"),
            std::vector<std::string>{"3"});
}

TEST_P(QtSqlConnectionTest, RecordsetOfAClosedConnectionRaises) {
  std::unique_ptr<UpdatableRecordset> u;
  {
    QtSqlConnection c;
    Open(c);
    c.OpenRecordsetForUpdate("select * from zlx_VOR_Encomendas", u);
  }
  const Error e = Raised([&] { u->AddNew(); });
  EXPECT_EQ(e.number(), errnum::kDatabase);
}

TEST_P(QtSqlConnectionTest, SecondWriterGetsBusyErrorAfterItsTimeout) {
  QtSqlConnection first;
  Open(first);
  first.BeginWrite();
  QtSqlConnection second;
  Open(second, 300);
  const auto start = Clock::now();
  const Error e = Raised([&] { second.BeginWrite(); });
  const auto waited = Clock::now() - start;
  EXPECT_EQ(e.number(), errnum::kDatabase);
  EXPECT_EQ(e.description().rfind("Base de dados ocupada: ", 0), 0u)
      << e.description();
  // Who holds it and how long was waited, for the operator.
  EXPECT_NE(e.description().find("outro programa"), std::string::npos)
      << e.description();
  EXPECT_NE(e.description().find("(300 ms,"), std::string::npos)
      << e.description();
  EXPECT_FALSE(second.WriteInProgress());
  // It waited for the lock before giving up.
  EXPECT_GE(waited, std::chrono::milliseconds(250));
  first.AbandonWrite();
  second.BeginWrite();
  second.EndWrite();
}

TEST_P(QtSqlConnectionTest, ReadSnapshotHoldsOneStateUntilItsScopeEnds) {
  QtSqlConnection reader;
  Open(reader);
  QtSqlConnection writer;
  Open(writer, 200);
  const std::string read = "select Nome from Artigos where Codigo = 'A1'";
  const auto update = [&](const std::string& name) {
    writer.ExecuteSql(
        "", "update Artigos set Nome = '" + name + "' where Codigo = 'A1'");
  };
  Recordset rs;
  // A query alone leaves no lock behind.
  reader.OpenRecordset("", read, rs);
  update("x");
  {
    ReadSnapshot snapshot(reader);
    reader.OpenRecordset("", read, rs);
    EXPECT_EQ(rs.Get("Nome").ToText(), "x");
    // A snapshot inside it adds nothing and does not end it.
    { ReadSnapshot inner(reader); }
    // Another program's commit waits for it ...
    EXPECT_EQ(Raised([&] { update("y"); }).number(), errnum::kDatabase);
    reader.OpenRecordset("", read, rs);
    EXPECT_EQ(rs.Get("Nome").ToText(), "x");
  }
  // ... and goes through once its scope has ended.
  update("y");
  reader.OpenRecordset("", read, rs);
  EXPECT_EQ(rs.Get("Nome").ToText(), "y");
}

TEST_P(QtSqlConnectionTest, RenewedSnapshotLetsAnotherCommitInBetween) {
  QtSqlConnection reader;
  Open(reader);
  QtSqlConnection writer;
  Open(writer, 200);
  const std::string read = "select Nome from Artigos where Codigo = 'A1'";
  const std::string update =
      "update Artigos set Nome = 'z' where Codigo = 'A1'";
  Recordset rs;
  ReadSnapshot snapshot(reader);
  reader.OpenRecordset("", read, rs);
  EXPECT_EQ(Raised([&] { writer.ExecuteSql("", update); }).number(),
            errnum::kDatabase);
  // Past its hold, renewing releases the lock until the next query.
  std::this_thread::sleep_for(ReadSnapshot::kHold);
  snapshot.Renew();
  writer.ExecuteSql("", update);
  reader.OpenRecordset("", read, rs);
  EXPECT_EQ(rs.Get("Nome").ToText(), "z");
}

TEST_P(QtSqlConnectionTest, OpenOfAFileLockedByAnotherSaysBusy) {
  QtSqlConnection first;
  Open(first);
  first.ExecuteSql("", "BEGIN EXCLUSIVE");
  QtSqlConnection second;
  EXPECT_FALSE(second.OpenConnection(Text(300)));
  // Locked, not damaged: the reason must not call it an invalid file.
  EXPECT_NE(second.OpenFailure().find("\r\nMotivo: Base de dados ocupada: "),
            std::string::npos)
      << second.OpenFailure();
  EXPECT_EQ(second.OpenFailure().find("válida"), std::string::npos)
      << second.OpenFailure();
  first.ExecuteSql("", "COMMIT");
  EXPECT_TRUE(second.OpenConnection(Text(300))) << second.OpenFailure();
}

TEST_P(QtSqlConnectionTest, SecondWriterWaitsForTheFirstToFinish) {
  std::atomic<bool> locked{false};
  std::string thread_failure;
  // Qt Sql connections belong to their thread: the first writer has its own.
  std::thread writer([&] {
    QtSqlConnection first;
    if (!first.OpenConnection(Text())) {
      thread_failure = first.OpenFailure();
      locked = true;
      return;
    }
    try {
      first.BeginWrite();
      first.ExecuteSql("", "insert into Artigos values('W1', 'w', 1, 0)");
      locked = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      first.EndWrite();
    } catch (const Error& e) {
      thread_failure = e.description();
      locked = true;
    }
  });
  while (!locked) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  QtSqlConnection second;
  Open(second, 10000);
  const auto start = Clock::now();
  second.BeginWrite();
  const auto waited = Clock::now() - start;
  Recordset rs;
  second.OpenRecordset("", "select Nome from Artigos where Codigo='W1'", rs);
  second.EndWrite();
  writer.join();
  EXPECT_EQ(thread_failure, "");
  EXPECT_GE(waited, std::chrono::milliseconds(200));
  EXPECT_EQ(rs.RecordCount(), 1);  // the first writer's row, committed
}

TEST_P(QtSqlConnectionTest, ReopeningSwitchesDatabases) {
  const std::string other = dir_.File("outra.db");
  CreateSqliteDatabase(
      other, {"create table T(x integer)", "insert into T values(7)"});
  QtSqlConnection c;
  Open(c);
  ASSERT_TRUE(c.OpenConnection(SqliteOpenParameters(other, GetParam())))
      << c.OpenFailure();
  Recordset rs;
  c.OpenRecordset("", "select x from T", rs);
  EXPECT_EQ(rs.Get("x").ToInt(), 7);
}

TEST(QtSqlConnectionNamesTest, EachObjectHasItsOwnQtConnection) {
  QtSqlConnection a;
  QtSqlConnection b;
  EXPECT_NE(a.QtConnectionName(), b.QtConnectionName());
}

TEST(QtSqlConnectionFileNameTest, UriSpecialCharactersInThePath) {
  TempFolder dir;
  const std::string path = dir.File("erp 1?x#y%z.db");
  CreateSqliteDatabase(path, {"create table T(x integer)"});
  QtSqlConnection c;
  ASSERT_TRUE(
      c.OpenConnection(SqliteOpenParameters(path, SqlitePath::kEmbedded)))
      << c.OpenFailure();
  c.ExecuteSql("", "insert into T values(1)");
  EXPECT_EQ(QueryColumn(path, "select count(*) from T"),
            std::vector<std::string>{"1"});
  // No stray file was made from a cut-off name.
  EXPECT_FALSE(std::filesystem::exists(dir.File("erp 1")));
}

TEST(QtSqlConnectionServerTest, ClosedPortFailsQuicklyWithoutThePassword) {
  ConnectionStringBuilder b;
  b.Provider("MSDataShape");
  b.DataProvider(1);
  b.Server("127.0.0.1");
  b.Port(9);  // discard port: nothing listens on it here
  b.Database("EMPRESA1");
  b.User("vor");
  b.Password("Pa55;W0rd{x");
  b.TimeoutMs(2000);
  QtSqlConnection c;
  const auto start = Clock::now();
  EXPECT_FALSE(c.OpenConnection(b.ConnectionString()));
  const auto took = Clock::now() - start;
  const std::string failure = c.OpenFailure();
  EXPECT_EQ(failure.rfind("Não foi possivel Abrir a base de dados indicada !"
                          "\r\n Servidor =127.0.0.1\r\nBase de dados =EMPRESA1"
                          "\r\nMotivo: ",
                          0),
            0u)
      << failure;
  EXPECT_GT(failure.size(), std::string("Motivo: ").size() + 90);
  EXPECT_EQ(failure.find("Pa55"), std::string::npos) << failure;
  EXPECT_EQ(failure.find("W0rd"), std::string::npos) << failure;
  EXPECT_LT(took, std::chrono::seconds(10));
  Recordset rs;
  const Error e = Raised([&] { c.OpenRecordset("", "select 1", rs); });
  EXPECT_EQ(e.description(), failure);
}

TEST(QtSqlConnectionServerTest, BraceInTheLoginIsRefusedBeforeTheDriver) {
  // FreeTDS would end the braced password at its '}' and connect to the
  // port named after it.
  ConnectionStringBuilder b;
  b.Server("127.0.0.1");
  b.Port(9);
  b.Database("EMPRESA1");
  b.User("vor");
  b.Password("Pa55}};PORT=1433");
  QtSqlConnection c;
  EXPECT_FALSE(c.OpenConnection(b.ConnectionString()));
  const std::string failure = c.OpenFailure();
  EXPECT_NE(failure.find("\r\nMotivo: o valor de Password contém '}'"),
            std::string::npos)
      << failure;
  EXPECT_EQ(failure.find("Pa55"), std::string::npos) << failure;
}

}  // namespace
}  // namespace vor
