// Whole runs on small SQLite ERPs built by hand. Every expected number was
// worked out on paper from the ERP rows below.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/connection_string_builder.h"
#include "db/qt_sql_connection.h"
#include "engine/replenishment_engine.h"
#include "testing/instrumented_connection.h"
#include "testing/test_erps.h"
#include "testing/test_support.h"
#include "tools/erp_fixture.h"

namespace vor {
namespace {

using testing::BuildMainErp;
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
