// Whole runs on small SQLite ERPs built by hand. Every expected number was
// worked out on paper from the ERP rows below.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/connection_string_builder.h"
#include "testing/instrumented_connection.h"
#include "db/qt_sql_connection.h"
#include "engine/replenishment_engine.h"
#include "engine/test_support.h"
#include "tools/erp_fixture.h"

namespace vor {
namespace {

using testing::RecordingProgress;
using testing::TempLog;
using Rows = std::vector<std::vector<std::string>>;

constexpr const char* kNull = ErpFixture::kNull;

class EndToEndTest : public ::testing::Test {
 protected:
  EndToEndTest()
      : erp_(ErpFixture::CreateNew((log_.dir() / "erp.sqlite").string())),
        progress_(&log_) {
    log_.Open();
  }

  void Connect() {
    ConnectionStringBuilder b;
    b.Provider("MSDataShape");
    b.DataProvider(1);
    b.Server("sqlite");
    b.Database(erp_.path());
    b.User("teste");
    b.TimeoutMs(2000);
    ASSERT_TRUE(db_.OpenConnection(b.ConnectionString())) << db_.OpenFailure();
  }

  // Runs the engine (2025-05-31, so orders count from 2024-08-31 on).
  bool Run(Connection& connection) {
    ReplenishmentEngine engine(connection, log_.log(), progress_, "B",
                               [] { return testing::FixedNow(); });
    const bool ok = engine.LerExistencias();
    message_ = engine.error_message();
    return ok;
  }

  // The previous run's proposal, which a failed run must leave in place.
  void PreviousProposal() {
    erp_.Exec(
        "insert into zlx_VOR_Encomendas (Artigo, QtdUB) values ('OLD1', 1);"
        "insert into zlx_VOR_Encomendas (Artigo, QtdUB) values ('OLD2', 2)");
  }
  Rows Previous() {
    return erp_.Query(
        "select Artigo, QtdUB from zlx_VOR_Encomendas order by Artigo");
  }

  TempLog log_;
  ErpFixture erp_;
  QtSqlConnection db_;
  RecordingProgress progress_;
  std::string message_;
};

// The ERP of the main scenario.
//  B1  bought: stock 20 + aggregated B5 (7; inactive, still counted) and a
//      code that is no article; supplier orders 8 (an old one counts, a
//      cancelled one does not); own customer orders 4 + 2 (on the cut-off
//      day; an older line, a zero line do not count). Used by product P
//      (x2) and by its sub-assembly SA (x4, SA is x1.5 in P).
//  B2  bought, units UN/CX (12 per box), supplier price 100 less 5; stock
//      3.333; used by P (x0.25).
//  B3  bought, units un/UN: the article's own price, yet QtdUC through
//      FactEmb 4 when ordering.
//  B4  bought, supplier without a supplier row, 0 days.
//  O'B bought, supplier F'2: codes holding quotes; exactly at the minimum.
//  P   product (type 0) with customer orders 10 for its base structure E1
//      (five other orders excluded) and production orders 20 + 5 open
//      (one closed).
//  SA  sub-assembly (type 2), base structure S1; an open production order
//      of -2 remaining.
void BuildMainErp(ErpFixture& erp) {
  erp.AddSupplier("F001");
  erp.AddSupplier("F'2", "Fornecedor D'Ouro");
  erp.AddArticle({.codigo = "B1",
                  .stdisp = 20,
                  .stmin = 50,
                  .qtmincom = 10,
                  .diasskrs = 30,
                  .ultprcom = 2.5});
  erp.AddClassification("B1", "B5;NOPE");
  erp.AddArticle({.codigo = "B5", .stdisp = 7, .inactivo = -1});
  erp.AddArticle({.codigo = "B2",
                  .stdisp = 3.333,
                  .stmin = 10,
                  .qtmincom = 12,
                  .diasskrs = 20,
                  .unbase = "UN",
                  .uncmp = "CX",
                  .factemb = 12,
                  .ultprcom = 9});
  erp.AddPrice("B2", "F001", 100, 5);
  erp.AddArticle({.codigo = "B3",
                  .stdisp = 25,
                  .stmin = 30,
                  .qtmincom = 0,
                  .diasskrs = 15,
                  .unbase = "un",
                  .uncmp = "UN",
                  .factemb = 4,
                  .ultprcom = 1.5});
  erp.AddPrice("B3", "F001", 99, 1);  // not used: same unit in capitals
  erp.AddArticle({.codigo = "B4",
                  .stdisp = 0,
                  .stmin = 5,
                  .qtmincom = 3,
                  .diasskrs = 0,
                  .fornec = "F404"});
  erp.AddArticle({.codigo = "O'B",
                  .stdisp = 5,
                  .stmin = 8,
                  .qtmincom = 1,
                  .diasskrs = 10,
                  .fornec = "F'2",
                  .unbase = "UN",
                  .uncmp = "CX",
                  .factemb = 6,
                  .ultprcom = 3});
  erp.AddClassification("O'B", "O'B2");
  erp.AddArticle({.codigo = "O'B2", .stdisp = 4, .stmin = 0});
  erp.AddPrice("O'B", "F'2", 4.5, 0);
  // Not in the proposal.
  erp.AddArticle({.codigo = "X1", .stdisp = 0, .stmin = 0});
  erp.AddArticle({.codigo = "X2", .stdisp = 0, .fornec = ""});
  erp.AddArticle({.codigo = "X3", .stdisp = 0, .inactivo = -1});
  erp.AddArticle({.codigo = "X4", .stdisp = 0, .artoudes = 1});
  erp.AddArticle(
      {.codigo = "P", .stmin = 0, .tipo_artigo = 0, .estrutura_base = "E1"});
  erp.AddArticle(
      {.codigo = "SA", .stmin = 0, .tipo_artigo = 2, .estrutura_base = "S1"});

  erp.AddStructureLine("P", "E1", "B1", 2);
  erp.AddStructureLine("P", "E1", "SA", 1.5, "CJ");
  erp.AddStructureLine("P", "E1", "B2", 0.25);
  erp.AddStructureLine("SA", "S1", "B1", 4);

  // Supplier orders: no date limit, cancelled ones excluded.
  erp.AddSupplierOrder("2023-01-01", {{"B1", 8}});
  ErpDocKey cancelled = erp.AddDocument(
      {.tpdoc = "ECF", .tpterc = 1, .data = "2025-01-01", .nvias = -1});
  erp.AddDocLine(cancelled, "B1", 100);
  erp.AddSupplierOrder("2025-04-01", {{"O'B", 1}});

  // Customer orders of bought articles.
  erp.AddCustomerOrder("2025-01-10", {{"B1", 4}, {"B1", 0}});
  erp.AddCustomerOrder("2024-08-31 00:00:00", {{"B1", 2}});
  erp.AddCustomerOrder("2024-08-30", {{"B1", 3}});
  erp.AddCustomerOrder("2025-05-01", {{"O'B", 2}});

  // Customer orders of the product: only the first line counts.
  erp.AddCustomerOrder("2025-03-01", {{"P", 10}, {"P", 0}, {{}, 5}});
  for (const ErpDocument& d :
       {ErpDocument{.tpdoc = "ENC", .data = "2025-03-01", .nvias = -1},
        ErpDocument{.tpdoc = "ENC", .data = "2025-03-01", .convert = -1},
        ErpDocument{.tpdoc = "ENC", .serie = 0, .data = "2025-03-01"},
        ErpDocument{.tpdoc = "ENC", .data = "2024-01-01"}}) {
    erp.AddDocLine(erp.AddDocument(d), "P", 100);
  }

  // Production orders.
  erp.AddProductionOrder("P", "E1", 30, 10, 2);
  erp.AddProductionOrder("P", "E1", 5, 0, 0);
  erp.AddProductionOrder("P", "E1", 100, 0, 3);
  erp.AddProductionOrder("SA", "S1", 10, 12, 1);
}

TEST_F(EndToEndTest, MainScenario) {
  BuildMainErp(erp_);
  PreviousProposal();
  Connect();
  ASSERT_TRUE(Run(db_)) << message_;

  const Rows rows = erp_.Query(
      "select Artigo, StkReal, EncF, StkPrazo, Cli, QtdUB, QtdUC, StkApos, "
      "Tempo, UltPrCom, Desconto, NomeFornec, Cor, CorV, Origem, OriginalUB, "
      "OriginalUC from zlx_VOR_Encomendas order by Artigo");
  // B1: StkPrazo 27 + 8; Cli 6, + 10 x (2 + 1.5 x 4) = 86 (C), raised to
  //     25 x 8 + (-2) x 4 = 192 (O); N -157, S 207.
  // B2: StkPrazo 3.33; Cli 10 x 0.25 = 2.5 (C), raised to 25 x 0.25 = 6.25
  //     (O); N -2.92, S 12.92 >= 12; QtdUC 12.92 / 12.
  // B3: N 25, S 5 >= 0; un/UN differ exactly: QtdUC 5 / 4.
  // B4: N 0, S 5 >= 3; Dias 0 gives Tempo 0.
  // O'B: StkReal 5 + 4, StkPrazo 10, Cli 2, N 8 = StkMinimo: no order,
  //     Tempo 10 x 8 / 8.
  const Rows expected = {
      {"B1", "27", "8", "35", "192", "207", "207", "50", "30", "2.5", "0",
       "Fornecedor de teste", "1", "0", "O", "207", "207"},
      {"B2", "3.333", "0", "3.33", "6.25", "12.92", "1.0767", "10", "20", "100",
       "5", "Fornecedor de teste", "1", "0", "O", "12.92", "1.0767"},
      {"B3", "25", "0", "25", "0", "5", "1.25", "30", "15", "1.5", "0",
       "Fornecedor de teste", "0", "1", kNull, "5", "1.25"},
      {"B4", "0", "0", "0", "0", "5", "5", "5", "0", "1", "0", kNull, "0", "1",
       kNull, "5", "5"},
      {"O'B", "9", "1", "10", "2", "0", "0", "8", "10", "4.5", "0",
       "Fornecedor D'Ouro", "0", "0", kNull, "0", "0"},
  };
  EXPECT_EQ(rows, expected);

  // The remaining columns of one row, as the intake set them.
  EXPECT_EQ(erp_.Query("select Nome, StkMinimo, QtdMinApr, Prazo, Fornec, "
                       "ENF, Sel, Grupo, Familia, SubFamilia, Dias, UnBase, "
                       "UnCmp, FactEmb, OBS from zlx_VOR_Encomendas where "
                       "Artigo='B2'"),
            (Rows{{"Artigo de teste", "10", "12", "10", "F001", "", "0", "G01",
                   "FA01", "SF01", "20", "UN", "CX", "12", ""}}));

  // Five articles, walked by the intake and the four steps.
  EXPECT_EQ(progress_.lines.size(), 5u * 5u + 4u);
  const auto messages = log_.Messages();
  EXPECT_EQ(messages.back(), "Grava Tabela Final");
  EXPECT_FALSE(db_.WriteInProgress());
}

TEST_F(EndToEndTest, SameResultWithoutTheExploderMemory) {
  BuildMainErp(erp_);
  Connect();
  ASSERT_TRUE(Run(db_)) << message_;
  const std::string sql =
      "select Artigo, Cli, QtdUB, QtdUC, StkApos, Tempo, Origem from "
      "zlx_VOR_Encomendas order by Artigo";
  const Rows with_memory = erp_.Query(sql);
  ReplenishmentEngine engine(db_, log_.log(), progress_, "B",
                             [] { return testing::FixedNow(); });
  engine.set_exploder_memory(false);
  ASSERT_TRUE(engine.LerExistencias()) << engine.error_message();
  EXPECT_EQ(erp_.Query(sql), with_memory);
  EXPECT_EQ(with_memory.size(), 5u);
}

TEST_F(EndToEndTest, CyclicStructureEndsTheRunAndLeavesTheTable) {
  erp_.AddSupplier("F001");
  erp_.AddArticle({.codigo = "C1", .stdisp = 1, .stmin = 5});
  erp_.AddArticle(
      {.codigo = "PC", .stmin = 0, .tipo_artigo = 0, .estrutura_base = "E"});
  erp_.AddArticle(
      {.codigo = "SC", .stmin = 0, .tipo_artigo = 2, .estrutura_base = "E"});
  erp_.AddStructureLine("PC", "E", "C1", 1);
  erp_.AddStructureLine("PC", "E", "SC", 1, "CJ");
  erp_.AddStructureLine("SC", "E", "PC", 1, "CJ");
  erp_.AddCustomerOrder("2025-05-01", {{"PC", 1}});
  PreviousProposal();
  Connect();
  EXPECT_FALSE(Run(db_));
  EXPECT_NE(message_.find("Estrutura cíclica: PC -> SC -> PC"),
            std::string::npos)
      << message_;
  EXPECT_NE(message_.find("(artigo C1)"), std::string::npos) << message_;
  EXPECT_EQ(log_.Messages().back(), message_);
  EXPECT_EQ(Previous(), (Rows{{"OLD1", "1"}, {"OLD2", "2"}}));
}

TEST_F(EndToEndTest, InterruptedWriteKeepsThePreviousRows) {
  BuildMainErp(erp_);
  PreviousProposal();
  Connect();
  InstrumentedConnection probe(db_);
  probe.FailOnCall(InstrumentedConnection::Operation::kUpdate, 3);
  EXPECT_FALSE(Run(probe));
  EXPECT_EQ(message_.rfind(" 3604 - ", 0), 0u) << message_;
  EXPECT_EQ(probe.Calls(InstrumentedConnection::Operation::kAbandonWrite), 1);
  EXPECT_EQ(probe.Calls(InstrumentedConnection::Operation::kEndWrite), 0);
  EXPECT_FALSE(db_.WriteInProgress());
  EXPECT_EQ(Previous(), (Rows{{"OLD1", "1"}, {"OLD2", "2"}}));
}

TEST_F(EndToEndTest, NoArticlesLeavesTheTableAsItWas) {
  erp_.AddSupplier("F001");
  erp_.AddArticle({.codigo = "X1", .stdisp = 0, .stmin = 0});
  PreviousProposal();
  Connect();
  InstrumentedConnection probe(db_);
  ASSERT_TRUE(Run(probe)) << message_;
  EXPECT_EQ(probe.Statements("select"), 1);
  EXPECT_EQ(probe.Statements("delete"), 0);
  EXPECT_EQ(Previous(), (Rows{{"OLD1", "1"}, {"OLD2", "2"}}));
  EXPECT_TRUE(progress_.lines.empty());
}

}  // namespace
}  // namespace vor
