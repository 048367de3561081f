// Late supplier orders found after a whole run on a small SQLite ERP built
// by hand, and the proposal without them checked against a second run on
// the ERP with those lines deleted. Expected figures worked out on paper;
// the run's day is 2025-05-31 (testing::FixedNow).
#include "engine/late_order_finder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "db/qt_sql_connection.h"
#include "engine/replenishment_engine.h"
#include "proposal/proposal_table.h"
#include "testing/test_database.h"
#include "testing/test_support.h"
#include "tools/erp_fixture.h"

namespace vor {
namespace {

using namespace std::chrono;
using testing::FixedNow;
using F = ResultField;

Currency C(double v) { return Currency::FromDouble(v); }

// Run through both ways of reaching SQLite (embedded, and the ODBC driver
// as SQL Server is reached, where dates may come back as dates).
class LateOrderFinderTest
    : public ::testing::TestWithParam<testing::SqlitePath> {
 protected:
  LateOrderFinderTest()
      : erp_(ErpFixture::CreateNew((log_.dir() / "erp.sqlite").string())),
        progress_(&log_) {
    log_.Open();
  }

  void Connect() {
    ASSERT_TRUE(db_.OpenConnection(
        testing::SqliteOpenParameters(erp_.path(), GetParam(), 2000)))
        << db_.OpenFailure();
  }

  std::vector<ProposalRow> Run() {
    ReplenishmentEngine engine(db_, log_.log(), progress_, "B",
                               [] { return FixedNow(); });
    EXPECT_TRUE(engine.LerExistencias()) << engine.error_message();
    return ProposalTable::Read(db_).rows();
  }

  testing::TempLog log_;
  ErpFixture erp_;
  QtSqlConnection db_;
  testing::RecordingProgress progress_;
};

// A1 (lead time 10, minimum 50, nothing demanded):
//   2025-05-25, 5: 6 days old, within its lead time;
//   2025-05-20, 20, from F002's document: 11 - 10 = 1 day late;
//   2025-02-01, 15: 119 - 10 = 109 days late, past AtrasoMaximo 90;
//   2025-01-01, 100, cancelled (nvias -1): no open order at all.
//   EncF 40 = StkPrazo, order 50 - 40 = 10. Without the 35 late: EncF 5,
//   order 45, stock after 50, cover 30 days (Dias); no shortage either way.
// b2 (lead time 5.5, minimum 10, customer orders 8), its line written B2:
//   2025-05-01, 12 and a line of 0: 30 - 5.5 = 24.5 days late (the 0 is
//   not a late order); the document names no supplier: the article's.
//   EncF 12, N = 12 - 8 = 4, order 6, no shortage. Without: StkPrazo 0 <
//   8, a shortage; N -8, order 18 in boxes of 4: 4.5.
// C3 (lead time 10): 2025-05-21, exactly 10 days: not late.
TEST_P(LateOrderFinderTest, FindsTheLateLinesAndTheProposalWithoutThem) {
  erp_.AddSupplier("F001");
  erp_.AddSupplier("F002", "Segundo Fornecedor");
  erp_.AddArticle({.codigo = "A1", .stmin = 50, .przentvn = 10});
  erp_.AddArticle({.codigo = "b2",
                   .stmin = 10,
                   .przentvn = 5.5,
                   .uncmp = "CX",
                   .factemb = 4});
  erp_.AddArticle({.codigo = "C3", .stmin = 5, .przentvn = 10});
  erp_.AddSupplierOrder("2025-05-25", {{"A1", 5}});
  const ErpDocKey from_f002 = erp_.AddDocument({.tpdoc = "ECF",
                                                .tpterc = 1,
                                                .data = "2025-05-20 17:45:00",
                                                .terceiro = "F002"});
  erp_.AddDocLine(from_f002, "A1", 20);
  const ErpDocKey old = erp_.AddDocument(
      {.tpdoc = "ECF", .tpterc = 1, .data = "2025-02-01", .terceiro = "F001"});
  erp_.AddDocLine(old, "A1", 15);
  const ErpDocKey cancelled = erp_.AddDocument(
      {.tpdoc = "ECF", .tpterc = 1, .data = "2025-01-01", .nvias = -1});
  erp_.AddDocLine(cancelled, "A1", 100);
  erp_.AddCustomerOrder("2025-05-01", {{"b2", 8}});
  const ErpDocKey for_b2 = erp_.AddSupplierOrder("2025-05-01", {{"B2", 12}});
  erp_.AddDocLine(for_b2, "B2", 0);
  erp_.AddSupplierOrder("2025-05-21", {{"C3", 7}});
  Connect();

  const std::vector<ProposalRow> rows = Run();
  ASSERT_EQ(rows.size(), 3u);
  ASSERT_EQ(rows[0].Text(F::kArtigo), "A1");
  ASSERT_EQ(rows[1].Text(F::kArtigo), "b2");
  EXPECT_EQ(rows[0].Number(F::kEncF), C(40));
  EXPECT_EQ(rows[0].Number(F::kQtdUB), C(10));
  EXPECT_EQ(rows[1].Number(F::kQtdUB), C(6));

  const LateOrders late = LateOrderFinder::Find(db_, rows, FixedNow(), 90);
  ASSERT_TRUE(late.available()) << late.unavailable_reason();
  ASSERT_EQ(late.lines().size(), 3u);
  const LateOrderLine& dead = late.lines()[0];
  EXPECT_EQ(dead.row, 0);
  EXPECT_EQ(dead.number, old.nnumdoc);
  EXPECT_EQ(dead.year, 2025);
  EXPECT_EQ(dead.date, sys_days(2025y / February / 1));
  EXPECT_EQ(dead.quantity, C(15));
  EXPECT_EQ(dead.days_late, C(109));
  EXPECT_TRUE(dead.probably_dead);
  EXPECT_EQ(dead.supplier, "F001");
  const LateOrderLine& one_day = late.lines()[1];
  EXPECT_EQ(one_day.number, from_f002.nnumdoc);
  EXPECT_EQ(one_day.days_late, C(1));
  EXPECT_FALSE(one_day.probably_dead);
  EXPECT_EQ(one_day.supplier, "F002");
  EXPECT_EQ(one_day.supplier_name, "Segundo Fornecedor");
  const LateOrderLine& b2 = late.lines()[2];
  EXPECT_EQ(b2.row, 1);
  EXPECT_EQ(b2.days_late, C(24.5));
  EXPECT_EQ(b2.quantity, C(12));
  EXPECT_EQ(b2.purchase_quantity, C(3));
  EXPECT_EQ(b2.supplier, "F001");
  EXPECT_EQ(b2.supplier_name, "Fornecedor de teste");
  EXPECT_EQ(late.OfRow(2), nullptr);

  const LateArticle* a1 = late.OfRow(0);
  ASSERT_NE(a1, nullptr);
  EXPECT_EQ(a1->lines, (std::vector<int>{0, 1}));
  EXPECT_EQ(a1->late_quantity, C(35));
  EXPECT_EQ(a1->stock_at_lead_time, C(5));
  EXPECT_EQ(a1->to_order, C(45));
  EXPECT_EQ(a1->stock_after, C(50));
  EXPECT_EQ(a1->cover_days, C(30));
  EXPECT_FALSE(a1->shortage);
  const LateArticle* without_b2 = late.OfRow(1);
  ASSERT_NE(without_b2, nullptr);
  EXPECT_EQ(without_b2->stock_at_lead_time, C(0));
  EXPECT_EQ(without_b2->to_order, C(18));
  EXPECT_EQ(without_b2->to_order_purchase, C(4.5));
  EXPECT_TRUE(without_b2->shortage);

  // The same figures as a run on the ERP without the late lines.
  erp_.Exec("delete from DOCGCLIN where QUANT in (20, 15, 12)");
  const std::vector<ProposalRow> again = Run();
  for (const LateArticle& a : late.articles()) {
    const ProposalRow& r = again[a.row];
    EXPECT_EQ(r.Number(F::kStkPrazo), a.stock_at_lead_time);
    EXPECT_EQ(r.Number(F::kQtdUB), a.to_order);
    EXPECT_EQ(r.Number(F::kQtdUC), a.to_order_purchase);
    EXPECT_EQ(r.Number(F::kStkApos), a.stock_after);
    EXPECT_EQ(r.Number(F::kTempo), a.cover_days);
    EXPECT_EQ(r.Shortage(), a.shortage);
  }
}

// Documents that do not record their supplier: the article's supplier. A
// table that cannot be read: no data, and the reason names it. Read first
// and matched later, the lines are those read: the matching reads nothing
// (the report matches on its own thread while the run writes its table).
TEST_P(LateOrderFinderTest, WithoutTheSupplierColumnOrTheTable) {
  erp_.AddSupplier("F001");
  erp_.AddArticle({.codigo = "A1", .stmin = 50, .przentvn = 10});
  const ErpDocKey doc = erp_.AddDocument(
      {.tpdoc = "ECF", .tpterc = 1, .data = "2025-05-01", .terceiro = "F9"});
  erp_.AddDocLine(doc, "A1", 20);
  erp_.Exec("alter table DOCGCCAB drop column TERCEIRO");
  Connect();
  const std::vector<ProposalRow> rows = Run();

  const LateOrders late = LateOrderFinder::Find(db_, rows, FixedNow(), 90);
  ASSERT_EQ(late.lines().size(), 1u);
  EXPECT_EQ(late.lines()[0].supplier, "F001");
  EXPECT_EQ(late.lines()[0].supplier_name, "Fornecedor de teste");

  const LateOrderMatch match = LateOrderFinder::Read(db_, FixedNow(), 90);
  erp_.Exec("drop table DOCGCLIN");
  const LateOrders matched = match(rows);
  ASSERT_EQ(matched.lines().size(), 1u) << matched.unavailable_reason();
  EXPECT_EQ(matched.lines()[0].supplier, "F001");
  const LateOrders none = LateOrderFinder::Find(db_, rows, FixedNow(), 90);
  EXPECT_FALSE(none.available());
  EXPECT_NE(none.unavailable_reason().find("DOCGCLIN"), std::string::npos)
      << none.unavailable_reason();
}

INSTANTIATE_TEST_SUITE_P(BothPaths, LateOrderFinderTest,
                         ::testing::Values(testing::SqlitePath::kEmbedded,
                                           testing::SqlitePath::kOdbc));

}  // namespace
}  // namespace vor
