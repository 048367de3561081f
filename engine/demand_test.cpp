// Customer-order and production-order demand: the explosions into rsProd.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/error.h"
#include "engine/replenishment_calculator.h"
#include "engine/sql_texts.h"
#include "engine/working_table.h"
#include "testing/fake_connection.h"
#include "testing/test_support.h"

namespace vor {
namespace {

using Table = FakeConnection::Table;
using testing::RecordingProgress;
using testing::TempLog;

Recordset WorkingTable(const std::vector<std::string>& codes) {
  Recordset rs = CriaRsFinal();
  for (const std::string& c : codes) {
    rs.AddNew();
    rs.Set("Artigo", c);
    rs.Update();
  }
  return rs;
}

Recordset Load(const Table& t) {
  Recordset rs;
  for (const std::string& c : t.columns) rs.AppendField(c, FieldType::kVariant);
  rs.Open();
  for (const auto& row : t.rows) rs.AppendRow(row);
  rs.MoveFirst();
  return rs;
}

std::map<std::string, Currency> Components(Recordset& rsProd) {
  std::map<std::string, Currency> out;
  rsProd.SetFilter("");
  for (rsProd.MoveFirst(); !rsProd.Eof(); rsProd.MoveNext()) {
    const std::string code(rsProd.Get("Artigo").AsText());
    EXPECT_FALSE(out.count(code)) << "two rows for " << code;
    out[code] = rsProd.Get("Quant").AsCurrency();
  }
  return out;
}

Currency Q(int64_t raw) { return Currency::FromRaw(raw); }

class DemandTest : public ::testing::Test {
 protected:
  DemandTest() : progress_(&log_), steps_(conn_, log_.log(), progress_) {
    log_.Open();
    // Structures: P1/E1 holds C1 x2, C2 x0.5 and the sub-assembly SA x1
    // (base SE: C1 x3). P3/E3 holds C2 x1.25 and C3 x1.
    Lines("P1", "E1", {{"C1", "AT", 2}, {"C2", "AT", 0.5}, {"SA", "CJ", 1}});
    Base("SA", "SE");
    Lines("SA", "SE", {{"C1", "AT", 3}});
    Lines("P3", "E3", {{"C2", "AT", 1.25}, {"C3", "AT", 1}});
    conn_.SetFallback([](const std::string& sql) -> std::optional<Table> {
      if (sql.rfind("SELECT EstruturaBase", 0) == 0) {
        return Table{{"EstruturaBase"}, {}};
      }
      if (sql.rfind("SELECT min(", 0) == 0)
        return Table{{"Versao"}, {{Value()}}};
      if (sql.rfind("SELECT CODIGO", 0) == 0) {
        return Table{{"CODIGO", "Tipo", "Quantidade"}, {}};
      }
      return std::nullopt;
    });
  }

  void Lines(const std::string& p, const std::string& s,
             std::vector<std::vector<Value>> rows) {
    conn_.AddResult(sql::StructureLinesQuery(p, s),
                    {{"CODIGO", "Tipo", "Quantidade"}, std::move(rows)});
  }
  void Base(const std::string& a, const std::string& s) {
    conn_.AddResult(sql::BaseStructureQuery(a), {{"EstruturaBase"}, {{s}}});
  }
  // The products listing `article`, each with its chosen structure.
  void CustomerProducts(const std::string& article,
                        std::vector<std::vector<Value>> rows) {
    Table t{{"Artigo", "stdisp", "Versao"}, {}};
    for (auto& r : rows) t.rows.push_back({r[0], 0, r[1]});
    conn_.AddResult(sql::CustomerProductListQuery(article), t);
  }
  void ProductionProducts(const std::string& article,
                          std::vector<std::vector<Value>> rows) {
    conn_.AddResult(sql::ProductionProductListQuery(article),
                    {{"Artigo", "Versao"}, std::move(rows)});
  }

  FakeConnection conn_;
  TempLog log_;
  RecordingProgress progress_;
  testing::RunSteps steps_;
};

TEST_F(DemandTest, CustomerOrdersAreExplodedIntoOneRowPerComponent) {
  Recordset rsfinal = WorkingTable({"C1", "C2", "C9"});
  Recordset rsEncCli =
      Load({{"Artigo", "QtdEnc", "EstruturaBase"},
            {{"P1", 10, "E1"}, {"P2", 3, "E9"}, {"P3", 4, "E3"}}});
  CustomerProducts("C1", {{"P1", "E1"}, {"P2", "E2"}});
  CustomerProducts("C2", {{"P1", "E1"}, {"P3", "E3"}});
  CustomerProducts("C9", {});
  Recordset rsProd = CriaRsProd();

  steps_.calculator.AtualizaEncCli(steps_.run, rsEncCli, rsfinal, rsProd);

  // C1: 10 x 2 on P1's own line plus 10 x 3 through SA; P2's orders carry
  // another base structure than the one chosen for it. C2: 10 x 0.5 from P1
  // and 4 x 1.25 from P3. C9 is used by no product.
  EXPECT_EQ(Components(rsProd), (std::map<std::string, Currency>{
                                    {"C1", Q(500000)}, {"C2", Q(100000)}}));
  EXPECT_TRUE(rsfinal.Eof());
  // P2 was not exploded: its orders did not pass the filter.
  EXPECT_EQ(conn_.CountQuery(sql::StructureLinesQuery("P2", "E2")), 0);
  EXPECT_EQ(progress_.yields, 4);
  EXPECT_EQ(progress_.lines,
            (std::vector<std::string>{"Artigo   C1   3/1", "Artigo   C2   3/2",
                                      "Artigo   C9   3/3"}));
  EXPECT_EQ(progress_.steps,
            (std::vector<std::pair<int64_t, int64_t>>{{1, 3}, {2, 3}, {3, 3}}));
  // Each line was in the log before it reached the list.
  const auto messages = log_.Messages();
  for (size_t i = 0; i < progress_.lines.size(); ++i) {
    ASSERT_GE(progress_.log_sizes[i], 1u);
    EXPECT_EQ(messages[progress_.log_sizes[i] - 1], progress_.lines[i]);
  }
}

TEST_F(DemandTest, CustomerPassAddsToAnExistingRowAndKeepsZeroSums) {
  Recordset rsfinal = WorkingTable({"C1", "C4"});
  Recordset rsEncCli =
      Load({{"Artigo", "QtdEnc", "EstruturaBase"}, {{"P4", 1, "E4"}}});
  // Each step of the sum is rounded to four places: 0.00004 three times
  // stays 0, yet the lines passed, so C4 gets a row holding 0.
  Lines("P4", "E4",
        {{"C4", "AT", 0.00004},
         {"C4", "AT", 0.00004},
         {"C4", "AT", 0.00004},
         {"C4", "CJ", 9}});
  CustomerProducts("C1", {});
  CustomerProducts("C4", {{"P4", "E4"}});
  Recordset rsProd = CriaRsProd();
  rsProd.AddNew();
  rsProd.Set("Artigo", "C1");
  rsProd.Set("Quant", 2);
  rsProd.Update();

  steps_.calculator.AtualizaEncCli(steps_.run, rsEncCli, rsfinal, rsProd);
  EXPECT_EQ(Components(rsProd),
            (std::map<std::string, Currency>{{"C1", Q(20000)}, {"C4", Q(0)}}));
}

TEST_F(DemandTest, CustomerQuantityIsRoundedToFourPlacesFirst) {
  Recordset rsfinal = WorkingTable({"C3"});
  Recordset rsEncCli =
      Load({{"Artigo", "QtdEnc", "EstruturaBase"}, {{"P5", 0.33333, "E5"}}});
  Lines("P5", "E5", {{"C3", "AT", 3}});
  CustomerProducts("C3", {{"P5", "E5"}});
  Recordset rsProd = CriaRsProd();
  steps_.calculator.AtualizaEncCli(steps_.run, rsEncCli, rsfinal, rsProd);
  // 0.3333 x 3, not 0.33333 x 3.
  EXPECT_EQ(Components(rsProd),
            (std::map<std::string, Currency>{{"C3", Q(9999)}}));
}

TEST_F(DemandTest, ProductionOrdersGiveOneTotalPerArticle) {
  Recordset rsfinal = WorkingTable({"C1", "C2", "C3"});
  Recordset rsOp = Load({{"Artigo", "FichaEstrutura", "Quant"},
                         {{"P1", "E1", 5}, {"P1", "E2", 7}, {"P3", "E3", -2}}});
  ProductionProducts("C1", {{"P1", "E1"}});
  ProductionProducts("C2", {{"P1", "E1"}, {"P3", "E3"}});
  ProductionProducts("C3", {{"P3", "E3"}});
  Recordset rsProd = CriaRsProd();

  steps_.calculator.ProcuraComponentesOP(steps_.run, rsOp, rsfinal, rsProd);

  // C1: 5 x (2 + 3). C2: 5 x 0.5 and -2 x 1.25 cancel out: no row.
  // C3: -2 x 1.
  EXPECT_EQ(Components(rsProd), (std::map<std::string, Currency>{
                                    {"C1", Q(250000)}, {"C3", Q(-20000)}}));
  EXPECT_TRUE(rsfinal.Eof());
  EXPECT_EQ(progress_.yields, 4);
  EXPECT_EQ(progress_.lines.back(), "Artigo   C3   3/3");
}

TEST_F(DemandTest, ProductionQuantityIsTakenAsDelivered) {
  Recordset rsfinal = WorkingTable({"C3", "C4"});
  Recordset rsOp = Load({{"Artigo", "FichaEstrutura", "Quant"},
                         {{"P5", "E5", 0.33333}, {"P4", "E4", 1}}});
  Lines("P5", "E5", {{"C3", "AT", 3}});
  Lines("P4", "E4", {{"C4", "AT", 0.00004}, {"C4", "AT", 0.00004}});
  ProductionProducts("C3", {{"P5", "E5"}});
  ProductionProducts("C4", {{"P4", "E4"}});
  Recordset rsProd = CriaRsProd();
  steps_.calculator.ProcuraComponentesOP(steps_.run, rsOp, rsfinal, rsProd);
  // 0.33333 x 3 = 0.99999, stored as 1; C4's rounded total is 0: no row.
  EXPECT_EQ(Components(rsProd),
            (std::map<std::string, Currency>{{"C3", Q(10000)}}));
}

TEST_F(DemandTest, ProductionOrdersMatchTheirOwnStructure) {
  Recordset rsfinal = WorkingTable({"C1"});
  Recordset rsOp =
      Load({{"Artigo", "FichaEstrutura", "Quant"}, {{"P1", "E2", 7}}});
  ProductionProducts("C1", {{"P1", "E1"}});
  Recordset rsProd = CriaRsProd();
  steps_.calculator.ProcuraComponentesOP(steps_.run, rsOp, rsfinal, rsProd);
  EXPECT_TRUE(Components(rsProd).empty());
}

TEST_F(DemandTest, EmptyWorkingTableDoesNothing) {
  Recordset rsfinal = CriaRsFinal();
  Recordset rsEncCli = Load({{"Artigo", "QtdEnc", "EstruturaBase"}, {}});
  Recordset rsOp = Load({{"Artigo", "FichaEstrutura", "Quant"}, {}});
  Recordset rsProd = CriaRsProd();
  conn_.ClearCalls();
  steps_.calculator.AtualizaEncCli(steps_.run, rsEncCli, rsfinal, rsProd);
  steps_.calculator.ProcuraComponentesOP(steps_.run, rsOp, rsfinal, rsProd);
  EXPECT_TRUE(conn_.calls().empty());
  EXPECT_TRUE(progress_.lines.empty());
  EXPECT_EQ(rsProd.RecordCount(), 0);
}

TEST_F(DemandTest, ErrorsCarryTheArticle) {
  Recordset rsfinal = WorkingTable({"C1"});
  Recordset rsEncCli =
      Load({{"Artigo", "QtdEnc", "EstruturaBase"}, {{"P1", Value(), "E1"}}});
  CustomerProducts("C1", {{"P1", "E1"}});
  Recordset rsProd = CriaRsProd();
  try {
    steps_.calculator.AtualizaEncCli(steps_.run, rsEncCli, rsfinal, rsProd);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kInvalidUseOfNull);
    EXPECT_NE(e.description().find("QtdEnc"), std::string::npos);
    EXPECT_NE(e.description().find("(artigo C1)"), std::string::npos);
  }
}

TEST_F(DemandTest, ResultsAreTheSameWithoutTheExploderMemory) {
  auto run = [&](bool memory) {
    steps_.calculator = ReplenishmentCalculator("B", memory);
    Recordset rsfinal = WorkingTable({"C1", "C2"});
    Recordset rsEncCli =
        Load({{"Artigo", "QtdEnc", "EstruturaBase"}, {{"P1", 10, "E1"}}});
    CustomerProducts("C1", {{"P1", "E1"}});
    CustomerProducts("C2", {{"P1", "E1"}});
    Recordset rsProd = CriaRsProd();
    conn_.ClearCalls();
    steps_.calculator.AtualizaEncCli(steps_.run, rsEncCli, rsfinal, rsProd);
    return std::make_pair(
        Components(rsProd),
        conn_.CountQuery(sql::StructureLinesQuery("P1", "E1")));
  };
  const auto with = run(true);
  const auto without = run(false);
  EXPECT_EQ(with.first, without.first);
  EXPECT_EQ(with.second, 1);     // remembered for the second article
  EXPECT_EQ(without.second, 2);  // loaded again for the second article
}

}  // namespace
}  // namespace vor
