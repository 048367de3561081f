// ExplainArticle: the explanation of one article and its recomputed row. A
// small ERP worked out on paper checks every contribution; generated ERPs
// check that the recomputed row is the row a run stored, field for field,
// in both reading modes, and that the explanation writes nothing and stays
// small.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "db/qt_sql_connection.h"
#include "engine/article_explanation.h"
#include "engine/replenishment_engine.h"
#include "engine/working_table.h"
#include "output/result_writer.h"
#include "testing/instrumented_connection.h"
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

Currency C(const char* text) { return Currency::Parse(text); }

class ExplainTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const {
    return (log_.dir() / name).string();
  }
  // Explains `article` of the ERP at `path` through a connection of its own.
  ArticleExplanation Explain(const std::string& path,
                             const std::string& article,
                             InstrumentedConnection** probe_out = nullptr,
                             ArticleRecording* recording = nullptr) {
    db_ = std::make_unique<QtSqlConnection>();
    EXPECT_TRUE(db_->OpenConnection(
        testing::SqliteOpenParameters(path, testing::SqlitePath::kEmbedded)));
    probe_ = std::make_unique<InstrumentedConnection>(*db_);
    if (probe_out) *probe_out = probe_.get();
    return ExplainArticle(
        *probe_, article, "B", [] { return testing::FixedNow(); }, recording);
  }
  // The small ERP worked out on paper below.
  static void SmallErp(const std::string& path) {
    ErpFixture erp = ErpFixture::CreateNew(path);
    erp.AddSupplier("F001");
    erp.AddArticle({.codigo = "A",
                    .stdisp = 120,
                    .stmin = 200,
                    .qtmincom = 100,
                    .diasskrs = 30,
                    .unbase = "UN",
                    .uncmp = "CX",
                    .factemb = 12});
    erp.AddClassification("A", "A2;NOPE;a");
    erp.AddArticle({.codigo = "A2", .stdisp = 30, .stmin = 0});
    erp.AddArticle({.codigo = "B", .stdisp = 0, .stmin = 10});
    erp.AddArticle(
        {.codigo = "P1", .stmin = 0, .tipo_artigo = 0, .estrutura_base = "E1"});
    erp.AddArticle(
        {.codigo = "P2", .stmin = 0, .tipo_artigo = 0, .estrutura_base = "E2"});
    erp.AddStructureLine("P1", "E1", "A", 2);
    erp.AddStructureLine("P1", "E1", "B", 1);
    erp.AddStructureLine("P2", "E2", "A", 2.5);
    erp.AddSupplierOrder("2025-04-01", {{"A", 40}});
    erp.AddCustomerOrder("2025-05-01", {{"A", 25}, {"P1", 10}, {"P2", 3}});
    erp.AddProductionOrder("P1", "E1", 12, 0, 1);
  }
  TempLog log_;  // its folder holds the ERPs
  std::unique_ptr<QtSqlConnection> db_;
  std::unique_ptr<InstrumentedConnection> probe_;
};

// A: stock 120 + A2 30 (NOPE is no article, "a" is A itself) = 150, supplier
// orders 40: StkPrazo 190. Demand: own orders 25, P1 10 x 2 = 20, P2 3 x 2.5
// = 7.5: Cli 52.5 (C). Production: P1 12 x 2 = 24, not above 52.5. N = 137.5
// below the minimum 200: S = 62.5, raised to the minimum purchase 100, in
// boxes of 12: 8.3333; StkApos 237.5, Tempo 237.5 / 200 x 30 = 35.625.
// B: P1 10 x 1 = 10 (C), production 12 x 1 = 12 replaces it (O); N = -12,
// S = 22 ordered.
TEST_F(ExplainTest, HandWorkedContributions) {
  SmallErp(Path("small"));
  InstrumentedConnection* probe = nullptr;
  const ArticleExplanation a = Explain(Path("small"), "A", &probe);
  ASSERT_TRUE(a.found);
  EXPECT_EQ(a.own_stock, C("120"));
  ASSERT_EQ(a.aggregated.size(), 3u);
  EXPECT_EQ(a.aggregated[0].code, "A2");
  EXPECT_EQ(a.aggregated[0].outcome, AggregatedOutcome::kCounted);
  EXPECT_EQ(a.aggregated[0].stock, C("30"));
  EXPECT_EQ(a.aggregated[1].outcome, AggregatedOutcome::kNoArticle);
  EXPECT_EQ(a.aggregated[2].outcome, AggregatedOutcome::kOwnCode);
  EXPECT_EQ(a.supplier_orders, C("40"));
  EXPECT_EQ(a.own_customer_orders, C("25"));
  ASSERT_EQ(a.customer_products.size(), 2u);
  EXPECT_EQ(a.customer_products[0].product, "P1");
  EXPECT_EQ(a.customer_products[0].structure, "E1");
  EXPECT_EQ(a.customer_products[0].multiplier, 10);
  EXPECT_EQ(a.customer_products[0].quantidade, 2);
  EXPECT_EQ(a.customer_products[0].amount, C("20"));
  EXPECT_EQ(a.customer_products[1].product, "P2");
  EXPECT_EQ(a.customer_products[1].amount, C("7.5"));
  ASSERT_TRUE(a.customer_merge);
  EXPECT_EQ(a.customer_merge->cli_after, C("52.5"));
  ASSERT_EQ(a.production_products.size(), 1u);
  EXPECT_EQ(a.production_products[0].multiplier, 12);
  EXPECT_EQ(a.production_products[0].amount, C("24"));
  ASSERT_TRUE(a.production_merge);
  EXPECT_FALSE(a.production_merge->replaced);
  EXPECT_EQ(a.final.branch, FinalBranch::kMinimumPurchase);
  EXPECT_EQ(a.final.stk_prazo, C("190"));
  EXPECT_EQ(a.final.n, C("137.5"));
  EXPECT_EQ(a.final.s, C("62.5"));
  EXPECT_TRUE(a.final.converted);
  EXPECT_EQ(a.final.fact_emb, C("12"));
  EXPECT_EQ(a.final.qtd_ub, C("100"));
  EXPECT_EQ(a.final.qtd_uc, C("8.3333"));
  EXPECT_EQ(a.final.stk_apos, C("237.5"));
  EXPECT_EQ(a.final.tempo, C("35.625"));
  ASSERT_EQ(a.row.size(), kResultFields.size());
  EXPECT_EQ(a.row[0].ToText(), "A");
  // Nothing written: no statement but queries; the read snapshot ended.
  EXPECT_EQ(probe->Calls(Op::kExecuteSql), 0);
  EXPECT_EQ(probe->Calls(Op::kBeginWrite), 0);
  EXPECT_EQ(probe->Calls(Op::kEndRead), 1);
  // The window keeps its connection open while the explanation is shown;
  // the ERP's other programs must still be able to write meanwhile.
  {
    ErpFixture other(Path("small"));
    EXPECT_NO_THROW(other.Exec("update ARTIGOS set CODIGO = CODIGO"));
  }

  const ArticleExplanation b = Explain(Path("small"), "B");
  ASSERT_TRUE(b.production_merge);
  EXPECT_TRUE(b.production_merge->replaced);
  EXPECT_EQ(b.production_merge->cli_before, C("10"));
  EXPECT_EQ(b.final.cli, C("12"));
  EXPECT_EQ(b.final.branch, FinalBranch::kShortfall);
  EXPECT_EQ(b.final.qtd_ub, C("22"));
  EXPECT_FALSE(b.final.converted);

  EXPECT_FALSE(Explain(Path("small"), "P1").found);
}

// Every field of a recomputed row, null apart.
std::vector<std::string> RowTexts(const ArticleExplanation& why) {
  std::vector<std::string> texts;
  for (const Value& v : why.row) {
    texts.push_back(v.is_null() ? "(null)" : v.ToText());
  }
  return texts;
}

// "E se?": the recorded steps run again with changed master data give the
// row the explanation gives on a copy of the ERP where those master data
// were changed, reading nothing; figures worked out on paper for A (see
// above: StkPrazo 190, Cli 52.5, N 137.5) and B (N -12). B is bought in its
// base unit, so its supplier's price is only read for the change of unit.
TEST_F(ExplainTest, WhatIfIsTheRunOnAnErpWithTheChangedMasterData) {
  SmallErp(Path("small"));
  ErpFixture(Path("small")).AddPrice("A", "F001", 2.5, 10);
  ErpFixture(Path("small")).AddPrice("B", "F001", 3.75, 5);
  ArticleRecording a, b;
  ASSERT_TRUE(Explain(Path("small"), "A", nullptr, &a).found);
  ASSERT_TRUE(Explain(Path("small"), "B", nullptr, &b).found);
  probe_.reset();
  db_.reset();  // nothing more can be read

  const struct {
    ArticleRecording* recording;
    MasterDataChanges changes;
    std::vector<std::string> updates;
    // Hand-worked: quantities in both units, stock after, cover, price.
    const char *qtd_ub, *qtd_uc, *stk_apos, *tempo, *price;
  } cases[] = {
      // S = 300 - 137.5 = 162.5 above the minimum purchase; 162.5 / 10.
      {&a,
       {.stock_minimum = C("300"), .packing_factor = C("10")},
       {"update ARTIGOS set StMin = 300, FactEmb = 10 where CODIGO = 'A'"},
       "162.5",
       "16.25",
       "300",
       "30",
       "2.5"},
      // S = 62.5 raised to 180: 180 / 12; after 317.5, 317.5 / 200 x 30.
      {&a,
       {.minimum_order = C("180"), .supplier_price = C("4")},
       {"update ARTIGOS set QtMinCom = 180 where CODIGO = 'A'",
        "update AJUDACMP set PRPROX = 4 where ARTIGO = 'A'"},
       "180",
       "15",
       "317.5",
       "47.625",
       "4"},
      // Now bought in boxes of 4 at the supplier's price: 22 / 4.
      {&b,
       {.lead_time = C("30"),
        .days = C("15"),
        .packing_factor = C("4"),
        .purchase_unit = "CX"},
       {"update ARTIGOS set PrzEntVn = 30, DiasSkRs = 15, FactEmb = 4, "
        "UnCmp = 'CX' where CODIGO = 'B'"},
       "22",
       "5.5",
       "10",
       "15",
       "3.75"},
      // Its own last price while bought in its base unit.
      {&b,
       {.supplier_price = C("2")},
       {"update ARTIGOS set UltPrCom = 2 where CODIGO = 'B'"},
       "22",
       "22",
       "10",
       "30",
       "2"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE("case " + std::to_string(n));
    const ArticleExplanation what_if = ExplainArticle(*c.recording, c.changes);
    ASSERT_TRUE(what_if.found);
    EXPECT_EQ(what_if.final.qtd_ub, C(c.qtd_ub));
    EXPECT_EQ(what_if.final.qtd_uc, C(c.qtd_uc));
    EXPECT_EQ(what_if.final.stk_apos, C(c.stk_apos));
    EXPECT_EQ(what_if.final.tempo, C(c.tempo));
    EXPECT_EQ(
        what_if.row[static_cast<size_t>(ResultField::kUltPrCom)].ToCurrency(),
        C(c.price));

    const std::string copy = Path("copy" + std::to_string(n++));
    std::filesystem::copy_file(Path("small"), copy);
    for (const std::string& sql : c.updates) ErpFixture(copy).Exec(sql);
    EXPECT_EQ(RowTexts(what_if), RowTexts(Explain(copy, c.recording->article)));
  }
  // Without changes, the row recorded.
  EXPECT_EQ(RowTexts(ExplainArticle(a, {})),
            RowTexts(Explain(Path("small"), "A")));
}

// For a sample of the articles of generated ERPs, the rows ExplainArticle
// recomputes, written as a run writes them, are the rows the run stored.
TEST_F(ExplainTest, RecomputedRowsAreTheStoredRows) {
  using namespace std::chrono;
  for (const auto& [articles, seed] :
       std::vector<std::pair<int, std::uint32_t>>{{300, 3}, {900, 41}}) {
    for (ReadingMode mode : {ReadingMode::kLiteral, ReadingMode::kBulk}) {
      SCOPED_TRACE("seed " + std::to_string(seed) + ", bulk " +
                   std::to_string(mode == ReadingMode::kBulk));
      const std::string path =
          Path("gen_" + std::to_string(seed) +
               (mode == ReadingMode::kBulk ? "_bulk" : "_literal"));
      GenerateDemoErp(path, articles, seed, year{2025} / May / 31);
      ErpFixture erp(path);
      {
        TempLog log;
        log.Open();
        RecordingProgress progress;
        QtSqlConnection db;
        ASSERT_TRUE(db.OpenConnection(testing::SqliteOpenParameters(
            path, testing::SqlitePath::kEmbedded)));
        ReplenishmentEngine engine(db, log.log(), progress, "B",
                                   [] { return testing::FixedNow(); });
        engine.set_reading_mode(mode);
        ASSERT_TRUE(engine.LerExistencias()) << engine.error_message();
      }
      const std::vector<std::string> stored = testing::ResultTableDump(erp);
      const auto codes =
          erp.Query("select Artigo from zlx_VOR_Encomendas order by rowid");
      ASSERT_GT(codes.size(), 50u);

      // Every seventh row.
      std::vector<size_t> sample;
      for (size_t i = 0; i < codes.size(); i += 7) sample.push_back(i);
      Recordset rows = CriaRsFinal();
      int64_t most_statements = 0;
      for (size_t i : sample) {
        InstrumentedConnection* probe = nullptr;
        const ArticleExplanation why = Explain(path, codes[i][0], &probe);
        ASSERT_TRUE(why.found) << codes[i][0];
        most_statements =
            std::max(most_statements, probe->Calls(Op::kOpenRecordset));
        rows.AddNew();
        for (int f = 0; f < static_cast<int>(kResultFields.size()); ++f) {
          rows.Set(WorkingTableFields()[f].name, why.row[f]);
        }
        rows.Update();
      }
      GravaTabela(*db_, rows);
      const std::vector<std::string> again = testing::ResultTableDump(erp);
      ASSERT_EQ(again.size(), sample.size());
      for (size_t k = 0; k < sample.size(); ++k) {
        EXPECT_EQ(again[k], stored[sample[k]]) << codes[sample[k]][0];
      }
      // The fixed statements and the structures of the products that use
      // the article; never one per article of the ERP.
      EXPECT_LE(most_statements, 80);
    }
  }
}

}  // namespace
}  // namespace vor
