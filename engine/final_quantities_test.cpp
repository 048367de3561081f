// Final quantities (both passes) and the colour marks.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/error.h"
#include "engine/replenishment_calculator.h"
#include "engine/working_table.h"
#include "testing/fake_connection.h"
#include "testing/test_support.h"

namespace vor {
namespace {

using testing::RecordingProgress;
using testing::TempLog;

Currency Q(int64_t raw) { return Currency::FromRaw(raw); }
Currency N(int64_t whole) { return Currency::FromInt(whole); }

// A working-table row as the intake leaves it.
struct Article {
  std::string code = "A1";
  Value stk_prazo = 100;
  Value cli = 20;
  Value stk_minimo = 30;
  Value qtd_min_apr = 10;
  Value dias = 15;
  Value un_base = "UN";
  Value un_cmp = "CX";
  Value fact_emb = 12;
};

void Append(Recordset& rs, const Article& a) {
  rs.AddNew();
  rs.Set("Artigo", a.code);
  rs.Set("StkPrazo", a.stk_prazo);
  rs.Set("Cli", a.cli);
  rs.Set("StkMinimo", a.stk_minimo);
  rs.Set("QtdMinApr", a.qtd_min_apr);
  rs.Set("Dias", a.dias);
  rs.Set("UnBase", a.un_base);
  rs.Set("UnCmp", a.un_cmp);
  rs.Set("FactEmb", a.fact_emb);
  for (const char* f : {"QtdUB", "QtdUC", "StkApos", "Tempo"}) rs.Set(f, 0);
  rs.Update();
}

struct Result {
  Currency cli, qtd_ub, qtd_uc, stk_apos, tempo;
  Value origem;
};

class FinalQuantitiesTest : public ::testing::Test {
 protected:
  FinalQuantitiesTest()
      : progress_(&log_), steps_(conn_, log_.log(), progress_) {
    log_.Open();
  }

  // Runs one pass over `articles` with the given component quantities.
  std::vector<Result> Pass(const std::vector<Article>& articles,
                           const std::map<std::string, Value>& components,
                           int16_t pass = 0) {
    rsfinal_ = CriaRsFinal();
    for (const Article& a : articles) Append(rsfinal_, a);
    Recordset rsProd = CriaRsProd();
    for (const auto& [code, q] : components) {
      rsProd.AddNew();
      rsProd.Set("Artigo", code);
      rsProd.Set("Quant", q);
      rsProd.Update();
    }
    steps_.calculator.AtualizaFinalV2(steps_.run, rsfinal_, rsProd, pass);
    EXPECT_TRUE(rsfinal_.Eof());
    std::vector<Result> out;
    for (rsfinal_.MoveFirst(); !rsfinal_.Eof(); rsfinal_.MoveNext()) {
      Result r{rsfinal_.Get("Cli").ToCurrency(),
               rsfinal_.Get("QtdUB").ToCurrency(),
               rsfinal_.Get("QtdUC").ToCurrency(),
               rsfinal_.Get("StkApos").ToCurrency(),
               rsfinal_.Get("Tempo").ToCurrency(),
               rsfinal_.Get("Origem")};
      EXPECT_EQ(rsfinal_.Get("OriginalUB").ToCurrency(), r.qtd_ub);
      EXPECT_EQ(rsfinal_.Get("OriginalUC").ToCurrency(), r.qtd_uc);
      out.push_back(r);
    }
    return out;
  }
  Result One(const Article& a) { return Pass({a}, {})[0]; }

  FakeConnection conn_;
  TempLog log_;
  RecordingProgress progress_;
  testing::RunSteps steps_;
  Recordset rsfinal_;
};

TEST_F(FinalQuantitiesTest, WorkedExamples) {
  // Units differ, FactEmb 12, Dias 15, StkMinimo 30.
  Article a1, a2, a3, a4;
  a1.code = "W1";  // N 80: no order
  a2.code = "W2";  // N 15, S 15 >= 10
  a2.stk_prazo = 40, a2.cli = 25;
  a3.code = "W3";  // N 15, S 15 < 20
  a3.stk_prazo = 40, a3.cli = 25, a3.qtd_min_apr = 20;
  a4.code = "W4";  // N -30, S 60
  a4.stk_prazo = 10, a4.cli = 40, a4.qtd_min_apr = 0;
  const auto r = Pass({a1, a2, a3, a4}, {});
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].qtd_ub, N(0));
  EXPECT_EQ(r[0].qtd_uc, N(0));
  EXPECT_EQ(r[0].stk_apos, N(80));
  EXPECT_EQ(r[0].tempo, N(40));
  EXPECT_EQ(r[1].qtd_ub, N(15));
  EXPECT_EQ(r[1].qtd_uc, Q(12500));
  EXPECT_EQ(r[1].stk_apos, N(30));
  EXPECT_EQ(r[1].tempo, N(15));
  EXPECT_EQ(r[2].qtd_ub, N(20));
  EXPECT_EQ(r[2].qtd_uc, Q(16667));
  EXPECT_EQ(r[2].stk_apos, N(35));
  EXPECT_EQ(r[2].tempo, Q(175000));
  EXPECT_EQ(r[3].qtd_ub, N(60));
  EXPECT_EQ(r[3].qtd_uc, N(5));
  EXPECT_EQ(r[3].stk_apos, N(30));
  EXPECT_EQ(r[3].tempo, N(15));
  for (const Result& x : r) EXPECT_TRUE(x.origem.is_null());
  EXPECT_EQ(progress_.lines, (std::vector<std::string>{
                                 "Artigo   W1   4/1", "Artigo   W2   4/2",
                                 "Artigo   W3   4/3", "Artigo   W4   4/4"}));
}

TEST_F(FinalQuantitiesTest, BoundariesCountAsTheCheaperBranch) {
  Article at_min;  // N = StkMinimo: no order
  at_min.stk_prazo = 50, at_min.cli = 20;
  Result r = One(at_min);
  EXPECT_EQ(r.qtd_ub, N(0));
  EXPECT_EQ(r.stk_apos, N(30));
  EXPECT_EQ(r.tempo, N(15));

  Article at_moq;  // S = QtdMinApr: the shortfall itself
  at_moq.stk_prazo = 20, at_moq.cli = 0, at_moq.qtd_min_apr = 10;
  r = One(at_moq);
  EXPECT_EQ(r.qtd_ub, N(10));
  EXPECT_EQ(r.stk_apos, N(30));
  EXPECT_EQ(r.tempo, N(15));
}

TEST_F(FinalQuantitiesTest, TimeIsRoundedToFourPlaces) {
  Article no_order;  // 10 x (4 / 3)
  no_order.stk_prazo = 4, no_order.cli = 0, no_order.stk_minimo = 3,
  no_order.dias = 10;
  EXPECT_EQ(One(no_order).tempo, Q(133333));

  Article small;  // N 2, S 1 < 5: QtdUB 5, StkApos 7, (7 / 3) x 10
  small.stk_prazo = 2, small.cli = 0, small.stk_minimo = 3,
  small.qtd_min_apr = 5, small.dias = 10;
  const Result r = One(small);
  EXPECT_EQ(r.qtd_ub, N(5));
  EXPECT_EQ(r.stk_apos, N(7));
  EXPECT_EQ(r.tempo, Q(233333));
}

TEST_F(FinalQuantitiesTest, UnitRule) {
  Article equal;  // same unit: QtdUC = QtdUB whatever FactEmb holds
  equal.stk_prazo = 40, equal.cli = 25, equal.un_cmp = "UN";
  EXPECT_EQ(One(equal).qtd_uc, N(15));

  Article by_case;  // "un" and "UN" differ here
  by_case.stk_prazo = 40, by_case.cli = 25, by_case.un_base = "un",
  by_case.un_cmp = "UN";
  EXPECT_EQ(One(by_case).qtd_uc, Q(12500));

  Article no_factor;  // FactEmb 0 with differing units
  no_factor.stk_prazo = 40, no_factor.cli = 25, no_factor.fact_emb = 0;
  Result r = One(no_factor);
  EXPECT_EQ(r.qtd_ub, N(15));
  EXPECT_EQ(r.qtd_uc, N(0));

  Article null_unit;  // a unit without value counts as equal
  null_unit.stk_prazo = 40, null_unit.cli = 25, null_unit.un_cmp = Value(),
  null_unit.fact_emb = Value();
  EXPECT_EQ(One(null_unit).qtd_uc, N(15));
}

TEST_F(FinalQuantitiesTest, ZeroDaysOrZeroMinimumGiveZeroTime) {
  Article a;
  a.dias = 0;
  EXPECT_EQ(One(a).tempo, N(0));  // no order
  a.stk_prazo = 40, a.cli = 25;
  EXPECT_EQ(One(a).tempo, N(0));  // shortfall >= minimum purchase
  a.qtd_min_apr = 20;
  EXPECT_EQ(One(a).tempo, N(0));  // shortfall < minimum purchase

  Article no_min;  // StkMinimo 0, N >= 0: no order, Tempo 0
  no_min.stk_minimo = 0;
  const Result r = One(no_min);
  EXPECT_EQ(r.qtd_ub, N(0));
  EXPECT_EQ(r.stk_apos, N(80));
  EXPECT_EQ(r.tempo, N(0));
}

TEST_F(FinalQuantitiesTest, NoMinimumPurchaseOrdersTheExactShortfall) {
  Article a;
  a.stk_prazo = Q(100001), a.cli = 0, a.qtd_min_apr = 0;  // N 10.0001
  const Result r = One(a);
  EXPECT_EQ(r.qtd_ub, Q(199999));
  EXPECT_EQ(r.stk_apos, N(30));
}

TEST_F(FinalQuantitiesTest, CustomerPassAddsAndMarksOrigin) {
  Article a, b, c;
  a.code = "A", b.code = "B", c.code = "C";
  const auto r = Pass({a, b, c}, {{"A", 15}, {"B", 0}}, 0);
  EXPECT_EQ(r[0].cli, N(35));
  EXPECT_EQ(r[0].origem, Value("C"));
  EXPECT_EQ(r[1].cli, N(20));  // a zero quantity still marks the origin
  EXPECT_EQ(r[1].origem, Value("C"));
  EXPECT_EQ(r[2].cli, N(20));  // no component row: untouched
  EXPECT_TRUE(r[2].origem.is_null());
  // The result fields follow the new demand: N = 100 - 35 = 65.
  EXPECT_EQ(r[0].stk_apos, N(65));
}

TEST_F(FinalQuantitiesTest, ProductionPassOnlyRaisesTheDemand) {
  Article more, same, less, negative;
  more.code = "M", same.code = "S", less.code = "L", negative.code = "N";
  negative.cli = 0;
  const auto r = Pass({more, same, less, negative},
                      {{"M", 90}, {"S", 20}, {"L", 5}, {"N", -3}}, 1);
  EXPECT_EQ(r[0].cli, N(90));
  EXPECT_EQ(r[0].origem, Value("O"));
  EXPECT_EQ(r[0].qtd_ub, N(20));  // N 10, S 20
  EXPECT_EQ(r[1].cli, N(20));
  EXPECT_TRUE(r[1].origem.is_null());
  EXPECT_EQ(r[2].cli, N(20));
  EXPECT_TRUE(r[2].origem.is_null());
  EXPECT_EQ(r[3].cli, N(0));
  EXPECT_TRUE(r[3].origem.is_null());
}

TEST_F(FinalQuantitiesTest, ProductionPassKeepsTheCustomerOrigin) {
  rsfinal_ = CriaRsFinal();
  Article a;
  Append(rsfinal_, a);
  Recordset first = CriaRsProd();
  first.AddNew();
  first.Set("Artigo", "A1");
  first.Set("Quant", 5);
  first.Update();
  steps_.calculator.AtualizaFinalV2(steps_.run, rsfinal_, first, 0);
  Recordset second = CriaRsProd();
  second.AddNew();
  second.Set("Artigo", "A1");
  second.Set("Quant", 25);
  second.Update();
  steps_.calculator.AtualizaFinalV2(steps_.run, rsfinal_, second, 1);
  rsfinal_.MoveFirst();
  EXPECT_EQ(rsfinal_.Get("Cli").ToCurrency(), N(25));  // 25 is not above 25
  EXPECT_EQ(rsfinal_.Get("Origem"), Value("C"));
}

TEST_F(FinalQuantitiesTest, NullWhereANumberIsNeededNamesArticleAndField) {
  Article a;
  a.code = "Z9";
  a.stk_prazo = 10;  // shortfall: the minimum purchase quantity is read
  a.qtd_min_apr = Value();
  try {
    One(a);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kInvalidUseOfNull);
    EXPECT_NE(e.description().find("QtdMinApr"), std::string::npos);
    EXPECT_NE(e.description().find("(artigo Z9)"), std::string::npos);
  }
  Article b;
  b.code = "Z8";
  b.stk_prazo = 10;
  b.fact_emb = Value();
  try {
    One(b);
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(e.description().find("FactEmb"), std::string::npos);
    EXPECT_NE(e.description().find("(artigo Z8)"), std::string::npos);
  }
  // Not needed when no order is proposed.
  Article c;
  c.qtd_min_apr = Value();
  c.fact_emb = Value();
  EXPECT_EQ(One(c).qtd_ub, N(0));
}

TEST_F(FinalQuantitiesTest, OverflowIsError6NamingTheArticle) {
  Article a;
  a.code = "BIG";
  a.stk_prazo = Currency::FromRaw(INT64_MAX);
  a.cli = -1;
  try {
    One(a);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kOverflow);
    EXPECT_NE(e.description().find("(artigo BIG)"), std::string::npos);
  }
}

TEST_F(FinalQuantitiesTest, ColourMarks) {
  rsfinal_ = CriaRsFinal();
  auto row = [&](const char* code, int cli, int stk_prazo, int qtd_ub) {
    rsfinal_.AddNew();
    rsfinal_.Set("Artigo", code);
    rsfinal_.Set("Cli", cli);
    rsfinal_.Set("StkPrazo", stk_prazo);
    rsfinal_.Set("QtdUB", qtd_ub);
    rsfinal_.Update();
  };
  row("EQ", 10, 10, 5);     // no shortage, an order: CorV
  row("SHORT", 11, 10, 5);  // shortage, whatever the order: Cor
  row("SHORT0", 11, 10, 0);
  row("NONE", 5, 10, 0);  // neither
  steps_.calculator.MarcaCores(rsfinal_);
  std::vector<std::pair<int64_t, int64_t>> marks;
  for (rsfinal_.MoveFirst(); !rsfinal_.Eof(); rsfinal_.MoveNext()) {
    marks.emplace_back(rsfinal_.Get("Cor").ToInt(),
                       rsfinal_.Get("CorV").ToInt());
  }
  EXPECT_EQ(marks, (std::vector<std::pair<int64_t, int64_t>>{
                       {0, 1}, {1, 0}, {1, 0}, {0, 0}}));
  EXPECT_TRUE(progress_.lines.empty());  // this pass reports nothing
}

}  // namespace
}  // namespace vor
