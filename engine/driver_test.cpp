// The engine driver: a whole run on a scripted connection, its progress
// lines and phase messages, and its error handler.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/error.h"
#include "engine/replenishment_engine.h"
#include "engine/sql_texts.h"
#include "testing/fake_connection.h"
#include "testing/test_support.h"

namespace vor {
namespace {

using Table = FakeConnection::Table;
using testing::ArticleColumns;
using testing::ArticleValues;
using testing::RecordingProgress;
using testing::TempLog;

Currency Q(int64_t raw) { return Currency::FromRaw(raw); }

const char kCutOff[] = "2024-08-31";  // 2025-05-31 moved back 9 months

class DriverTest : public ::testing::Test {
 protected:
  DriverTest() : progress_(&log_) {
    log_.Open();
    // A1 (stock 12.5, own orders 5) is used by product P1 (A1 x2), which
    // has customer orders for 10 and production orders for 50. A2 (stock
    // 40) and A3 (stock 25) are used by nothing.
    conn_.AddResult(
        sql::ArticleQuery(),
        {ArticleColumns(),
         {ArticleValues(), ArticleValues({{"Artigo", "A2"}, {"stdisp", 40}}),
          ArticleValues({{"Artigo", "A3"}, {"stdisp", 25}})}});
    conn_.AddResult(sql::CustomerOrderPreloadQuery(kCutOff),
                    {{"Artigo", "QtdEnc"}, {{"A1", 5}, {"P1", 99}}});
    for (const char* a : {"A1", "A2", "A3"}) {
      conn_.AddResult(sql::SupplierOrderQuery(a), {{"Qtd"}, {}});
      conn_.AddResult(sql::CustomerProductListQuery(a),
                      {{"Artigo", "stdisp", "Versao"}, {}});
      conn_.AddResult(sql::ProductionProductListQuery(a),
                      {{"Artigo", "Versao"}, {}});
    }
    conn_.AddResult(
        sql::CustomerOrderQuery(kCutOff),
        {{"Artigo", "QtdEnc", "EstruturaBase"}, {{"P1", 10, "E1"}}});
    conn_.AddResult(sql::CustomerProductListQuery("A1"),
                    {{"Artigo", "stdisp", "Versao"}, {{"P1", 0, "E1"}}});
    conn_.AddResult(sql::ProductionProductListQuery("A1"),
                    {{"Artigo", "Versao"}, {{"P1", "E1"}}});
    conn_.AddResult(sql::StructureLinesQuery("P1", "E1"),
                    {{"CODIGO", "Tipo", "Quantidade"}, {{"A1", "AT", 2}}});
    conn_.AddResult(
        sql::ProductionOrderQuery(),
        {{"Artigo", "FichaEstrutura", "Quant"}, {{"P1", "E1", 50}}});
    conn_.set_committed({{{"Artigo", Value("OLD")}}});
  }

  bool Run() {
    ReplenishmentEngine engine(conn_, log_.log(), progress_, "B",
                               [] { return testing::FixedNow(); });
    const bool ok = engine.LerExistencias();
    message_ = engine.error_message();
    return ok;
  }

  FakeConnection conn_;
  TempLog log_;
  RecordingProgress progress_;
  std::string message_;
};

const FakeConnection::Row* Find(const std::vector<FakeConnection::Row>& rows,
                                const std::string& code) {
  for (const auto& r : rows) {
    if (r.at("Artigo") == Value(code)) return &r;
  }
  return nullptr;
}

TEST_F(DriverTest, ARunWritesTheProposal) {
  ASSERT_TRUE(Run()) << message_;
  EXPECT_EQ(message_, "");
  const auto& rows = conn_.committed();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].at("Artigo"), Value("A1"));
  EXPECT_EQ(rows[2].at("Artigo"), Value("A3"));
  for (const auto& r : rows) EXPECT_EQ(r.size(), 32u);

  // A1: Cli 5 + 10 x 2 = 25 (C), then raised to 50 x 2 = 100 (O);
  // N = 12.5 - 100, S = 117.5.
  const auto& a1 = *Find(rows, "A1");
  EXPECT_EQ(a1.at("Cli"), Value(Q(1000000)));
  EXPECT_EQ(a1.at("Origem"), Value("O"));
  EXPECT_EQ(a1.at("QtdUB"), Value(Q(1175000)));
  EXPECT_EQ(a1.at("QtdUC"), Value(Q(1175000)));
  EXPECT_EQ(a1.at("StkApos"), Value(Q(300000)));
  EXPECT_EQ(a1.at("Tempo"), Value(Q(150000)));
  EXPECT_EQ(a1.at("Cor"), Value(1));
  EXPECT_EQ(a1.at("CorV"), Value(0));
  // A2: N 40, no order, Tempo 15 x 40 / 30.
  const auto& a2 = *Find(rows, "A2");
  EXPECT_EQ(a2.at("QtdUB"), Value(Q(0)));
  EXPECT_EQ(a2.at("StkApos"), Value(Q(400000)));
  EXPECT_EQ(a2.at("Tempo"), Value(Q(200000)));
  EXPECT_TRUE(a2.at("Origem").is_null());
  EXPECT_EQ(a2.at("Cor"), Value(0));
  EXPECT_EQ(a2.at("CorV"), Value(0));
  // A3: N 25, S 5 < 10: QtdUB 10, StkApos 35, Tempo 35 / 30 x 15.
  const auto& a3 = *Find(rows, "A3");
  EXPECT_EQ(a3.at("QtdUB"), Value(Q(100000)));
  EXPECT_EQ(a3.at("StkApos"), Value(Q(350000)));
  EXPECT_EQ(a3.at("Tempo"), Value(Q(175000)));
  EXPECT_EQ(a3.at("OriginalUB"), Value(Q(100000)));
  EXPECT_EQ(a3.at("Cor"), Value(0));
  EXPECT_EQ(a3.at("CorV"), Value(1));
}

TEST_F(DriverTest, ProgressLinesAndPhaseMessagesInOrder) {
  ASSERT_TRUE(Run()) << message_;
  const std::vector<std::string> walk = {
      "Artigo   A1   3/1", "Artigo   A2   3/2", "Artigo   A3   3/3"};
  std::vector<std::string> expected_log = {"Início da Emissão"};
  std::vector<std::string> expected_list;
  auto add = [&](const std::vector<std::string>& lines) {
    expected_log.insert(expected_log.end(), lines.begin(), lines.end());
    expected_list.insert(expected_list.end(), lines.begin(), lines.end());
  };
  add(walk);
  for (const char* phase : {"Atualiza Enc Cli", "Atualiza Final Enc Cli",
                            "Procura Componentes OP", "Atualiza Final OP"}) {
    add({phase});
    add(walk);
  }
  expected_log.push_back("Grava Tabela Final");
  EXPECT_EQ(log_.Messages(), expected_log);
  EXPECT_EQ(progress_.lines, expected_list);

  // The article loop adds to the list first, then the log; every other
  // line is in the log before it reaches the list.
  for (size_t i = 0; i < progress_.lines.size(); ++i) {
    const size_t log_index = i + 1;  // its place in the log
    const size_t expected_size = i < 3 ? log_index : log_index + 1;
    EXPECT_EQ(progress_.log_sizes[i], expected_size) << progress_.lines[i];
  }
  EXPECT_EQ(progress_.steps.size(), 15u);
  EXPECT_EQ(progress_.steps[0], (std::pair<int64_t, int64_t>{1, 3}));
  EXPECT_EQ(progress_.steps[14], (std::pair<int64_t, int64_t>{3, 3}));
  EXPECT_EQ(progress_.yields, 2);  // one product, in each demand step
}

TEST_F(DriverTest, WithoutArticlesOnlyTheWriteBracketIsSent) {
  conn_.AddResult(sql::ArticleQuery(), {ArticleColumns(), {}});
  ASSERT_TRUE(Run()) << message_;
  EXPECT_EQ(conn_.calls(),
            (std::vector<std::string>{"OpenRecordset " + sql::ArticleQuery(),
                                      "BeginWrite", "EndWrite"}));
  EXPECT_EQ(log_.Messages(), (std::vector<std::string>{"Início da Emissão",
                                                       "Grava Tabela Final"}));
  EXPECT_TRUE(progress_.lines.empty());
  ASSERT_EQ(conn_.committed().size(), 1u);
  EXPECT_EQ(conn_.committed()[0].at("Artigo"), Value("OLD"));
}

TEST_F(DriverTest, DatabaseErrorInTheProductionStepIsLoggedAndEndsTheRun) {
  conn_.FailAt("OpenRecordset " + sql::ProductionOrderQuery(), 1);
  EXPECT_FALSE(Run());
  EXPECT_EQ(message_.rfind(" 3604 - Falha simulada", 0), 0u) << message_;
  EXPECT_EQ(log_.Messages().back(), message_);
  EXPECT_FALSE(log_.log().is_open());
  for (const std::string& c : conn_.calls()) {
    EXPECT_NE(c, "BeginWrite");
    EXPECT_NE(c, "AbandonWrite");  // nothing was open
  }
  ASSERT_EQ(conn_.committed().size(), 1u);
  EXPECT_EQ(conn_.committed()[0].at("Artigo"), Value("OLD"));
  EXPECT_EQ(progress_.lines.back(), "Artigo   A3   3/3");
}

TEST_F(DriverTest, ErrorWhileWritingAbandonsTheWrite) {
  conn_.FailAt("Update", 2);
  EXPECT_FALSE(Run());
  EXPECT_EQ(message_.rfind(" 3604 - Falha simulada (Update)", 0), 0u)
      << message_;
  EXPECT_EQ(conn_.calls().back(), "AbandonWrite");
  EXPECT_FALSE(conn_.WriteInProgress());
  ASSERT_EQ(conn_.committed().size(), 1u);
  EXPECT_EQ(conn_.committed()[0].at("Artigo"), Value("OLD"));
  EXPECT_EQ(log_.Messages().back(), message_);
}

TEST_F(DriverTest, FailedAbandonIsAddedToTheMessage) {
  conn_.FailAt("Update", 1);
  conn_.set_fail_abandon(true);
  EXPECT_FALSE(Run());
  EXPECT_EQ(message_.rfind(" 3604 - Falha simulada (Update)", 0), 0u);
  EXPECT_NE(message_.find("falha ao anular a escrita: 3604 - Falha simulada "
                          "ao anular"),
            std::string::npos)
      << message_;
  EXPECT_EQ(log_.Messages().back(), message_);
}

TEST_F(DriverTest, OverflowNamesTheArticle) {
  conn_.AddResult(
      sql::ArticleQuery(),
      {ArticleColumns(),
       {ArticleValues({{"stdisp", 900000000000000.0}, {"Livre", "B1"}})}});
  conn_.AddResult(sql::AggregatedStockQuery("B1"),
                  {{"stdisp"}, {{900000000000000.0}}});
  EXPECT_FALSE(Run());
  EXPECT_EQ(message_.rfind(" 2147221510 - ", 0), 0u) << message_;
  EXPECT_NE(message_.find("(artigo A1)"), std::string::npos) << message_;
}

TEST_F(DriverTest, NullStockNamesArticleAndField) {
  conn_.AddResult(sql::ArticleQuery(),
                  {ArticleColumns(),
                   {ArticleValues(),
                    ArticleValues({{"Artigo", "A2"}, {"stdisp", Value()}})}});
  EXPECT_FALSE(Run());
  EXPECT_EQ(message_.rfind(" 2147221598 - ", 0), 0u) << message_;  // 94
  EXPECT_NE(message_.find("StDisp"), std::string::npos) << message_;
  EXPECT_NE(message_.find("(artigo A2)"), std::string::npos) << message_;
}

TEST_F(DriverTest, NegativeResultKeepsItsSign) {
  progress_.on_add_line = [](const std::string&) {
    throw Error(-2147467259, "Falha do componente");
  };
  EXPECT_FALSE(Run());
  EXPECT_EQ(message_, "-245755 - Falha do componente");
  EXPECT_EQ(log_.Messages().back(), message_);
}

TEST_F(DriverTest, OtherExceptionsGetNumbers) {
  progress_.on_add_line = [](const std::string&) { throw std::bad_alloc(); };
  EXPECT_FALSE(Run());
  EXPECT_EQ(message_, " 2147221511 - Memória insuficiente");
  log_.Open();
  progress_.on_add_line = [](const std::string&) {
    throw std::runtime_error("avaria");
  };
  EXPECT_FALSE(Run());
  EXPECT_EQ(message_, " 2147221509 - avaria");
}

TEST_F(DriverTest, LogThatNeverOpenedRaisesTheErrorOut) {
  cl_log closed([] { return testing::FixedNow(); });
  ReplenishmentEngine engine(conn_, closed, progress_, "B",
                             [] { return testing::FixedNow(); });
  try {
    engine.LerExistencias();
    FAIL() << "the error was lost";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kFileError);
    EXPECT_NE(e.description().find("registo"), std::string::npos);
    EXPECT_NE(e.description().find(engine.error_message()), std::string::npos);
    EXPECT_EQ(engine.error_message().rfind(" 2147221579 - ", 0), 0u);
  }
}

TEST_F(DriverTest, CycleEndsTheRunWithTheCycleInTheLog) {
  conn_.AddResult(
      sql::StructureLinesQuery("P1", "E1"),
      {{"CODIGO", "Tipo", "Quantidade"}, {{"A1", "AT", 2}, {"P1", "CJ", 1}}});
  conn_.AddResult(sql::BaseStructureQuery("P1"), {{"EstruturaBase"}, {{"E1"}}});
  EXPECT_FALSE(Run());
  EXPECT_NE(message_.find("Estrutura cíclica: P1 -> P1"), std::string::npos)
      << message_;
  EXPECT_NE(message_.find("(artigo A1)"), std::string::npos);
  EXPECT_EQ(conn_.committed()[0].at("Artigo"), Value("OLD"));
}

}  // namespace
}  // namespace vor
