// Differential test of the two reading modes: on the same ERP, the literal
// run and the bulk run must write byte-identical result tables (every
// column, null or not, in row order, by storage type and bytes) and
// the same lines to the run log and the progress list, or stop with the
// same error. ERPs: the hand-made ones of the engine tests, generated ones
// of several seeds and sizes, and generated ones made hostile.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "db/qt_sql_connection.h"
#include "engine/replenishment_engine.h"
#include "output/result_writer.h"
#include "testing/instrumented_connection.h"
#include "testing/mode_comparison.h"
#include "testing/test_database.h"
#include "testing/test_erps.h"
#include "testing/test_support.h"
#include "tools/demo_erp_generator.h"
#include "tools/erp_fixture.h"

namespace vor {
namespace {

using testing::RecordingProgress;
using testing::TempLog;
using Op = InstrumentedConnection::Operation;

using Outcome = ModeOutcome;

// One run of the engine on the ERP at `path` in `mode`, from an empty
// result table (a failed run then cannot pass for a completed one).
Outcome RunIn(const std::string& path, ReadingMode mode,
              const std::function<void(InstrumentedConnection&)>& set_up = {}) {
  return ModeComparison::Run(path, mode, set_up);
}

// Runs both modes on `path` and compares everything they left.
void ExpectSameInBothModes(const std::string& path, bool expect_completed) {
  const Outcome literal = RunIn(path, ReadingMode::kLiteral);
  const Outcome bulk = RunIn(path, ReadingMode::kBulk);
  EXPECT_EQ(literal.completed, expect_completed) << literal.message;
  EXPECT_EQ(bulk.completed, literal.completed) << bulk.message;
  EXPECT_EQ(bulk.message, literal.message);
  ASSERT_EQ(bulk.table.size(), literal.table.size());
  for (size_t i = 0; i < literal.table.size(); ++i) {
    ASSERT_EQ(bulk.table[i], literal.table[i]) << "row " << i + 1;
  }
  EXPECT_EQ(bulk.log, literal.log);
  EXPECT_EQ(bulk.list, literal.list);
  if (expect_completed) {
    EXPECT_FALSE(literal.table.empty());
  }
}

class ReadingModesTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const {
    return (dir_.dir() / name).string();
  }
  // A generated ERP dated back from the engine tests' fixed day.
  std::string Generated(int articles, std::uint32_t seed) {
    const std::string path =
        Path("erp_" + std::to_string(articles) + "_" + std::to_string(seed));
    using namespace std::chrono;
    GenerateDemoErp(path, articles, seed, year{2025} / May / 31);
    return path;
  }
  TempLog dir_;  // only for its temporary folder
};

TEST_F(ReadingModesTest, HandMadeErps) {
  {
    ErpFixture erp = ErpFixture::CreateNew(Path("main"));
    testing::BuildMainErp(erp);
  }
  ExpectSameInBothModes(Path("main"), true);

  // A null stock of an aggregated article stops both runs alike.
  ErpFixture::CreateNew(Path("null_stock"));
  {
    ErpFixture erp(Path("null_stock"));
    testing::BuildMainErp(erp);
    erp.Exec("update ARTIGOS set stdisp = null where CODIGO = 'B5'");
  }
  ExpectSameInBothModes(Path("null_stock"), false);

  // A sub-assembly inside itself, met through a product written in another
  // letter case: the same cycle, named the same way, in both.
  {
    ErpFixture erp = ErpFixture::CreateNew(Path("cycle"));
    erp.AddSupplier("F001");
    erp.AddArticle({.codigo = "C1", .stdisp = 1, .stmin = 5});
    erp.AddArticle(
        {.codigo = "PC", .stmin = 0, .tipo_artigo = 0, .estrutura_base = "E"});
    erp.AddArticle(
        {.codigo = "SC", .stmin = 0, .tipo_artigo = 2, .estrutura_base = "E"});
    erp.AddStructureLine("PC", "E", "C1", 1);
    erp.AddStructureLine("pc", "E", "sc", 1, "CJ");
    erp.AddStructureLine("SC", "E", "PC", 1, "CJ");
    erp.AddCustomerOrder("2025-05-01", {{"PC", 1}});
  }
  ExpectSameInBothModes(Path("cycle"), false);
}

TEST_F(ReadingModesTest, GeneratedErpsAndAFewStatements) {
  for (const auto& [articles, seed] :
       std::vector<std::pair<int, std::uint32_t>>{
           {60, 1}, {400, 7}, {1500, 20240}}) {
    SCOPED_TRACE("articles " + std::to_string(articles) + ", seed " +
                 std::to_string(seed));
    const std::string path = Generated(articles, seed);
    ExpectSameInBothModes(path, true);
    // A constant number of statements, and one insert per 65 rows.
    const Outcome bulk = RunIn(path, ReadingMode::kBulk);
    EXPECT_LE(bulk.statements, 20);
    EXPECT_EQ(bulk.inserts,
              (static_cast<int64_t>(bulk.table.size()) + 64) / 65);
  }
}

// A generated ERP with what a real one may hold: codes in another letter
// case in every table, codes with quotes and trailing blanks, article codes
// held twice (exactly, and in another case), aggregated lists with empty,
// repeated, unknown and blank-padded pieces, several price rows for one
// article and supplier, products with structure codes in another case, and
// nulls in every column that may hold one.
TEST_F(ReadingModesTest, HostileErps) {
  for (const std::uint32_t seed : {3u, 11u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::string path = Generated(400, seed);
    ErpFixture erp(path);
    // Article codes held twice: ARTIGOS without its key.
    const std::string columns =
        "CODIGO VARCHAR(15) COLLATE NOCASE NOT NULL, NOME VARCHAR(80), "
        "stdisp DECIMAL(19,4), StMin DECIMAL(19,4), Grupo VARCHAR(6) COLLATE "
        "NOCASE, Familia VARCHAR(6) COLLATE NOCASE, SubFamil VARCHAR(6) "
        "COLLATE NOCASE, QtMinCom DECIMAL(19,4), DiasSkRs DECIMAL(19,4), "
        "PrzEntVn DECIMAL(19,4), Fornec VARCHAR(15) COLLATE NOCASE, UnBase "
        "VARCHAR(3) COLLATE NOCASE, UnCmp VARCHAR(3) COLLATE NOCASE, FactEmb "
        "DECIMAL(19,4), UltPrCom DECIMAL(19,4), ArtouDes INTEGER NOT NULL "
        "DEFAULT 0, Inactivo INTEGER NOT NULL DEFAULT 0, PVP1 DECIMAL(19,4), "
        "DataCria TEXT";
    erp.Exec(
        "alter table ARTIGOS rename to ARTIGOS_OLD;"
        "create table ARTIGOS (" +
        columns +
        ");"
        "insert into ARTIGOS select * from ARTIGOS_OLD;"
        "drop table ARTIGOS_OLD;"
        "create index IX_ARTIGOS_CODIGO on ARTIGOS (CODIGO);"
        "insert into ARTIGOS select * from ARTIGOS where rowid % 40 = 1;"
        "insert into ARTIGOS select lower(CODIGO), NOME, stdisp + 1, StMin,"
        " Grupo, Familia, SubFamil, QtMinCom, DiasSkRs, PrzEntVn, Fornec,"
        " UnBase, UnCmp, FactEmb, UltPrCom, ArtouDes, Inactivo, PVP1,"
        " DataCria from ARTIGOS where rowid % 45 = 2");
    // Codes with quotes and trailing blanks, used everywhere.
    erp.AddArticle({.codigo = "Q'A", .stdisp = 1, .stmin = 40});
    erp.AddArticle({.codigo = "Q'A ",
                    .stdisp = 2,
                    .stmin = 40,
                    .unbase = "UN",
                    .uncmp = "CX",
                    .factemb = 6,
                    .tipo_artigo = std::nullopt});
    erp.AddArticleType("q'a  ", 1);
    erp.AddPrice("Q'A ", "F001", 3.5, 1);
    erp.AddPrice("q'a ", "f001", 4.5, 2);
    erp.AddClassification("Q'A", "q'a ;Q'A;;NOPE; Q'A;Q'A ;");
    erp.AddSupplierOrder("2025-02-01", {{"q'a", 3}, {"Q'A ", 4}, {"Q'A", {}}});
    erp.AddCustomerOrder("2025-04-01", {{"Q'A ", 2}, {"q'A", 1}});
    erp.Exec(
        // Codes in another letter case across the tables.
        "update DOCGCLIN set ARTIGO = lower(ARTIGO) where NLINHA % 3 = 0;"
        "update zlx_FichaEstrutura set CODIGO = lower(CODIGO) where rowid % 4 "
        "= 0;"
        "update zlx_FichaEstrutura set PRODUTO = lower(PRODUTO) where rowid % "
        "5 = 0;"
        "update zlx_FichaEstrutura set FichaEstrutura = lower(FichaEstrutura)"
        " where rowid % 7 = 0;"
        "update zlx_FichaEstrutura set PRODUTO = PRODUTO || ' ' where rowid % "
        "13 = 0;"
        "update zlx_FichaEstrutura set FichaEstrutura = 'É' || FichaEstrutura"
        " where rowid % 17 = 0;"
        "update zlx_FichaEstrutura set FichaEstrutura = 'é' || "
        "substr(FichaEstrutura, 2)"
        " where rowid % 34 = 0;"
        "update zlx_VOR_OrdensFabrico set Artigo = lower(Artigo) where NumOF % "
        "2 = 0;"
        "update zlx_VOR_OrdensFabrico set FichaEstrutura = "
        "lower(FichaEstrutura)"
        " where NumOF % 3 = 0;"
        "update zlx_VOR_Artigos set EstruturaBase = lower(EstruturaBase)"
        " where rowid % 4 = 0;"
        "update AJUDACMP set FORNECED = lower(FORNECED) where rowid % 3 = 0;"
        // Several price rows for one article and supplier.
        "insert into AJUDACMP (ARTIGO, FORNECED, PRPROX, DESCPROX) select"
        " ARTIGO, FORNECED, PRPROX + 1, 7 from AJUDACMP where rowid % 2 = 0;"
        "insert into AJUDACMP (ARTIGO, FORNECED, PRPROX, DESCPROX) select"
        " lower(ARTIGO), upper(FORNECED), 999, null from AJUDACMP"
        " where rowid % 5 = 0;"
        // Aggregated lists with empty, repeated, unknown and padded pieces.
        "update CLART set CL10 = ';' || coalesce(CL10, '') || ';;' ||"
        " lower(Codigo) || ';NOPE; MP000001;MP000002 ;mp000002;' ||"
        " 'MP000002' where rowid % 3 = 0;"
        // The structure lines of a quoted, padded code.
        "insert into zlx_FichaEstrutura (PRODUTO, FichaEstrutura, CODIGO, Tipo,"
        " Quantidade) select PRODUTO, FichaEstrutura, 'Q''A ', 'AT', 2 from"
        " zlx_FichaEstrutura where rowid % 9 = 0;"
        "insert into zlx_FichaEstrutura (PRODUTO, FichaEstrutura, CODIGO, Tipo,"
        " Quantidade) select PRODUTO, FichaEstrutura, 'q''a', 'at', 1.5 from"
        " zlx_FichaEstrutura where rowid % 11 = 0;"
        // Nulls wherever a null is allowed and not an error.
        "update ARTIGOS set NOME = null where rowid % 11 = 0;"
        "update ARTIGOS set Grupo = null where rowid % 13 = 0;"
        "update ARTIGOS set Familia = null where rowid % 17 = 0;"
        "update ARTIGOS set SubFamil = null where rowid % 19 = 0;"
        "update ARTIGOS set UnBase = null where rowid % 23 = 0;"
        "update ARTIGOS set UnCmp = null where rowid % 29 = 0;"
        "update ARTIGOS set UltPrCom = null where rowid % 31 = 0;"
        "update ARTIGOS set PrzEntVn = null where rowid % 37 = 0;"
        "update Fornec set Nome = null where rowid % 2 = 0;"
        "update CLART set CL10 = null where rowid % 10 = 0;"
        "update AJUDACMP set PRPROX = null where rowid % 9 = 0;"
        "update AJUDACMP set DESCPROX = null where rowid % 10 = 0;"
        "update DOCGCLIN set QUANT = null where NLINHA % 5 = 0;"
        "update zlx_VOR_Artigos set EstruturaBase = null where rowid % 9 = 0;"
        "update zlx_VOR_OrdensFabrico set Qtd = null where NumOF % 5 = 0;"
        "update zlx_VOR_OrdensFabrico set QtdEntregue = null where NumOF % 7 = "
        "0");
    ExpectSameInBothModes(path, true);
  }
}

// A statement that fails in the bulk mode ends the run through the same
// handler: the error logged, the write abandoned, the previous rows kept.
TEST_F(ReadingModesTest, FailingStatementInBulkModeKeepsThePreviousRows) {
  const std::string path = Path("main");
  {
    ErpFixture erp = ErpFixture::CreateNew(path);
    testing::BuildMainErp(erp);
  }
  struct Failure {
    Op op;
    std::string sql_contains;
  };
  for (const Failure& failure :
       {Failure{Op::kOpenRecordset, "AJUDACMP"},
        Failure{Op::kOpenRecordset, "zlx_FichaEstrutura"},
        Failure{Op::kInsertRows, ""}, Failure{Op::kEndWrite, ""}}) {
    SCOPED_TRACE(InstrumentedConnection::OperationName(failure.op) +
                 std::string(" ") + failure.sql_contains);
    ErpFixture erp(path);
    erp.Exec(
        "delete from zlx_VOR_Encomendas;"
        "insert into zlx_VOR_Encomendas (Artigo, QtdUB) values ('OLD', 1)");
    TempLog log;
    log.Open();
    RecordingProgress progress;
    QtSqlConnection db;
    ASSERT_TRUE(db.OpenConnection(
        testing::SqliteOpenParameters(path, testing::SqlitePath::kEmbedded)))
        << db.OpenFailure();
    InstrumentedConnection probe(db);
    probe.FailOnCall(failure.op, 1, failure.sql_contains);
    ReplenishmentEngine engine(probe, log.log(), progress, "B",
                               [] { return testing::FixedNow(); });
    engine.set_reading_mode(ReadingMode::kBulk);
    EXPECT_FALSE(engine.LerExistencias());
    EXPECT_EQ(engine.error_message().rfind(" 3604 - Falha simulada", 0), 0u)
        << engine.error_message();
    EXPECT_EQ(log.Messages().back(), engine.error_message());
    EXPECT_FALSE(db.WriteInProgress());
    EXPECT_EQ(erp.Query("select Artigo, QtdUB from zlx_VOR_Encomendas"),
              (std::vector<std::vector<std::string>>{{"OLD", "1"}}));
  }
}

}  // namespace
}  // namespace vor
