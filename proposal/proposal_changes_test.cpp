// The changes between two proposals, on pairs of hand-made runs, and the
// earlier run read back from a history table.
#include "proposal/proposal_changes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "db/qt_sql_connection.h"
#include "proposal/proposal_history.h"
#include "testing/test_database.h"
#include "tools/erp_database.h"
#include "tools/erp_fixture.h"

namespace vor {
namespace {

using F = ResultField;

// A row of article `code`: Cor from `shortage`, QtdUB `qtd`, a supplier
// with a name, a price, Dias 10 (so no reason to check unless asked).
ProposalRow Row(const std::string& code, bool shortage, int qtd,
                bool exception = false) {
  ProposalRow r;
  r.at(F::kArtigo) = Value(code);
  r.at(F::kNome) = Value("Nome " + code);
  r.at(F::kFornec) = Value("F1");
  r.at(F::kNomeFornec) = Value("Fornecedor");
  r.at(F::kCor) = Value(shortage ? 1 : 0);
  r.at(F::kQtdUB) = Value(Currency::FromInt(qtd));
  r.at(F::kQtdUC) = Value(Currency::FromInt(qtd));
  r.at(F::kUltPrCom) = Value(Currency::FromInt(2));
  r.at(F::kDias) = Value(Currency::FromInt(exception ? 0 : 10));
  return r;
}

// "kind article" for every change, in order.
std::vector<std::string> Listed(const ProposalChanges& changes) {
  std::vector<std::string> out;
  for (const ProposalChange& c : changes.all()) {
    out.push_back(std::to_string(static_cast<int>(c.kind)) + " " + c.article +
                  (c.row < 0 ? " (saiu)" : ""));
  }
  return out;
}

TEST(ProposalChangesTest, EveryKindBetweenTwoRuns) {
  const std::vector<ProposalRow> before = {
      Row("SAME", true, 10),          // unchanged shortage, +20 %: not moved
      Row("GONE", true, 5),           // leaves the proposal
      Row("FIXED", true, 5),          // shortage solved, nothing to order now
      Row("JUMP", false, 100),        // 100 -> 126: moved
      Row("drop", false, 100),        // 100 -> 74: moved (code in other case)
      Row("EXC", false, 0),           // becomes an exception
      Row("OLDEXC", false, 0, true),  // stays an exception
  };
  const std::vector<ProposalRow> now = {
      Row("SAME", true, 12),      Row("FIXED", false, 0),
      Row("JUMP", false, 126),    Row("DROP", false, 74),
      Row("EXC", false, 0, true), Row("OLDEXC", false, 0, true),
      Row("NEW", true, 3),  // appears: new shortage, newly to order
  };
  const ProposalChanges changes = ProposalChanges::Between(
      before, now, Currency::FromInt(25), Currency::FromInt(365));
  EXPECT_EQ(Listed(changes), (std::vector<std::string>{
                                 "0 NEW",
                                 "1 FIXED",
                                 "1 GONE (saiu)",
                                 "2 NEW",
                                 "3 FIXED",
                                 "3 GONE (saiu)",
                                 "4 DROP",
                                 "4 JUMP",
                                 "5 EXC",
                             }));
  EXPECT_EQ(changes.Count(ChangeKind::kQuantityMoved), 2);
  const ProposalChange jump = changes.Of(ChangeKind::kQuantityMoved)[1];
  EXPECT_EQ(jump.before, Currency::FromInt(100));
  EXPECT_EQ(jump.now, Currency::FromInt(126));
  EXPECT_EQ(jump.row, 2);
  EXPECT_NE(changes.Of(ChangeKind::kNewException)[0].reason.find("Dias"),
            std::string::npos);

  // Exactly the limit is no move; a limit of 0 reports every difference.
  EXPECT_EQ(
      ProposalChanges::Between({Row("A", false, 100)}, {Row("A", false, 125)},
                               Currency::FromInt(25), Currency::FromInt(365))
          .Count(ChangeKind::kQuantityMoved),
      0);
  // Decided exactly: 0,04 to 0,03 is 25 %, which binary floating point
  // makes a hair more.
  ProposalRow small_before = Row("A", false, 0);
  ProposalRow small_now = Row("A", false, 0);
  small_before.at(F::kQtdUB) = Value(Currency::Parse("0.04"));
  small_now.at(F::kQtdUB) = Value(Currency::Parse("0.03"));
  EXPECT_EQ(
      ProposalChanges::Between({small_before}, {small_now},
                               Currency::FromInt(25), Currency::FromInt(365))
          .Count(ChangeKind::kQuantityMoved),
      0);
  EXPECT_EQ(
      ProposalChanges::Between({Row("A", false, 100)}, {Row("A", false, 101)},
                               Currency(), Currency::FromInt(365))
          .Count(ChangeKind::kQuantityMoved),
      1);
  // Against an empty earlier run everything of today is new.
  EXPECT_EQ(Listed(ProposalChanges::Between({}, {Row("N", true, 1)},
                                            Currency::FromInt(25),
                                            Currency::FromInt(365))),
            (std::vector<std::string>{"0 N", "2 N"}));
}

// New late supplier orders since a run of 2026-03-01 06:15, lines found late
// on 2026-03-10, lead time (Prazo) 10 days unless said:
//   STILL: dated 02-15, 14 - 10 = 4 days late on 03-01 already: none;
//   EDGE: dated 02-19, 10 - 10 = 0 on 03-01, not late yet: new;
//   HALF: dated 02-19, Prazo 9,5: 0,5 days late on 03-01: none;
//   MIXED: one line as STILL's, one dated 02-25 (-6 on 03-01): new;
//   FRESH: no row in the earlier run: new, whatever its date.
TEST(ProposalChangesTest, LateOrdersThatBecameLateSinceTheEarlierRun) {
  using namespace std::chrono;
  auto row = [](const std::string& code, double prazo) {
    ProposalRow r = Row(code, false, 0);
    r.at(F::kPrazo) = Value(Currency::FromDouble(prazo));
    return r;
  };
  const std::vector<ProposalRow> before = {
      Row("STILL", false, 0), Row("EDGE", false, 0), Row("HALF", false, 0),
      Row("MIXED", false, 0), Row("QUIET", false, 0)};
  const std::vector<ProposalRow> now = {row("STILL", 10), row("EDGE", 10),
                                        row("HALF", 9.5), row("MIXED", 10),
                                        row("QUIET", 10), row("FRESH", 10)};
  std::vector<LateOrderLine> lines;
  std::vector<LateArticle> articles;
  auto late = [&](int r, std::initializer_list<sys_days> dates) {
    LateArticle& a = articles.emplace_back();
    a.row = r;
    for (sys_days d : dates) {
      a.lines.push_back(static_cast<int>(lines.size()));
      LateOrderLine& line = lines.emplace_back();
      line.row = r;
      line.date = d;
      line.quantity = Currency::FromInt(1);
    }
  };
  late(0, {2026y / 2 / 15});
  late(1, {2026y / 2 / 19});
  late(2, {2026y / 2 / 19});
  late(3, {2026y / 2 / 15, 2026y / 2 / 25});
  late(5, {2025y / 1 / 1});
  const LateOrders found(lines, articles, 0, 90);
  const LocalTime earlier = local_days{2026y / 3 / 1} + hours{6} + minutes{15};
  const ProposalChanges changes =
      ProposalChanges::Between(before, now, Currency::FromInt(25),
                               Currency::FromInt(365), {&found, earlier});
  const std::vector<ProposalChange> list =
      changes.Of(ChangeKind::kNewLateOrder);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].article, "EDGE");
  EXPECT_EQ(list[1].article, "FRESH");
  EXPECT_EQ(list[2].article, "MIXED");
  EXPECT_EQ(list[2].row, 3);
  EXPECT_STREQ(ProposalChanges::Title(ChangeKind::kNewLateOrder),
               "Novas encomendas em atraso");
  EXPECT_STREQ(ProposalChanges::Label(ChangeKind::kNewLateOrder),
               "Nova encomenda em atraso");
  // Lines that could not be read give none.
  const LateOrders unread = LateOrders::Unavailable("DOCGCLIN");
  EXPECT_EQ(ProposalChanges::Between(before, now, Currency::FromInt(25),
                                     Currency::FromInt(365), {&unread, earlier})
                .Count(ChangeKind::kNewLateOrder),
            0);
}

// An ERP without the history table, open through the program's connection.
class ProposalHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db.OpenConnection(testing::SqliteOpenParameters(
        erp.path(), testing::SqlitePath::kEmbedded)));
  }
  TempFolder folder;
  ErpFixture erp = ErpFixture::CreateNew(folder.File("erp.sqlite"));
  QtSqlConnection db;
};

TEST_F(ProposalHistoryTest, LatestEarlierRunOrNothing) {
  using namespace std::chrono;
  const LocalTime today = local_days{year{2026} / 12 / 9} + hours{6};
  // No table: nothing to compare with, no error.
  EXPECT_FALSE(ProposalHistory::Before(db, today).has_value());
  erp.Exec(HistorySqliteSchema());
  EXPECT_FALSE(ProposalHistory::Before(db, today).has_value());
  erp.Exec(
      "insert into zlx_VOR_Historico (Execucao, Artigo, QtdUB, Cor) values "
      "(20261207060000, 'A', 1, 0), (20261208060000, 'A', 2, 1), "
      "(20261208060000, 'B', null, 0), (20261209060000, 'A', 3, 0)");
  const auto before = ProposalHistory::Before(db, today);
  ASSERT_TRUE(before.has_value());
  EXPECT_EQ(before->key, 20261208060000);
  EXPECT_EQ(before->time, local_days{year{2026} / 12 / 8} + hours{6});
  ASSERT_EQ(before->rows.size(), 2u);
  EXPECT_EQ(before->rows[0].Number(F::kQtdUB), Currency::FromInt(2));
  EXPECT_TRUE(before->rows[0].Shortage());
  EXPECT_FALSE(before->rows[1].Number(F::kQtdUB).has_value());
}

TEST_F(ProposalHistoryTest, TheRunBeforeTheTableShownAndOneArticleOverTheRuns) {
  EXPECT_TRUE(ProposalHistory::OfArticle(db, "A").empty());  // no table
  erp.Exec(HistorySqliteSchema());
  erp.Exec(
      "insert into zlx_VOR_Historico "
      "(Execucao, Artigo, StkPrazo, StkMinimo, QtdUB, Cor) values "
      "(20261207060000, 'A', 4, 10, 1, 0), "
      "(20261207060000, 'o''b', -3, null, 5, 1), "
      "(20261208060000, 'A', 8, 10, 2, 0), "
      "(20261208060000, 'O''B', -1.5, 2, 7, 1)");
  using namespace std::chrono;
  const auto latest =
      ProposalHistory::Before(db, local_days{year{2026} / 12 / 9} + hours{6});
  ASSERT_TRUE(latest.has_value());

  // The table shown is the latest run: the one before it is the previous.
  std::vector<ProposalRow> shown = latest->rows;
  auto previous = ProposalHistory::PreviousOf(db, shown);
  ASSERT_TRUE(previous.has_value());
  EXPECT_EQ(previous->key, 20261207060000);
  // A table written after the latest run (by a run that kept no history),
  // found by any field the history keeps: the latest run is the previous.
  shown[1].at(F::kStkMinimo) = Value(Currency::FromInt(3));
  previous = ProposalHistory::PreviousOf(db, shown);
  ASSERT_TRUE(previous.has_value());
  EXPECT_EQ(previous->key, 20261208060000);

  // One article, matched as the database compares codes, quote and all.
  const std::vector<ArticleHistoryPoint> points =
      ProposalHistory::OfArticle(db, "o'B");
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[0].key, 20261207060000);
  EXPECT_EQ(points[0].stock_at_lead_time, Currency::FromInt(-3));
  EXPECT_FALSE(points[0].minimum_stock.has_value());
  EXPECT_EQ(points[1].time, local_days{year{2026} / 12 / 8} + hours{6});
  EXPECT_EQ(points[1].stock_at_lead_time, Currency::FromDouble(-1.5));
  EXPECT_EQ(points[1].to_order, Currency::FromInt(7));
  EXPECT_TRUE(ProposalHistory::OfArticle(db, "Z").empty());
}

}  // namespace
}  // namespace vor
