// Null, non-numeric, negative and huge values in the numeric columns a run
// reads: stocks, minimums, quantities, factors and prices. Each case
// changes one value of the reference ERP and runs the built program. A
// value that the arithmetic needs but cannot use stops the run (exit code
// 1) with an error naming the field and the article, and the result table
// keeps its rows; any other value gives the proposal worked out by hand.
//
// The engine's message shows an error's number above the object-error base
// (-2147221504): 94 (null) as 2147221598, 13 (not a number) as 2147221517,
// 6 (overflow) as 2147221510.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "reliability/input_site.h"

namespace vor::input {
namespace {

constexpr char kNull[] = " 2147221598 - ";
constexpr char kNotANumber[] = " 2147221517 - ";
constexpr char kOverflow[] = " 2147221510 - ";

// A case that must stop the run: its change and the texts the last log
// line must hold.
struct StopCase {
  std::string label;
  std::string change;
  std::vector<std::string> named;
};

// A case that must complete with `proposal`.
struct CompleteCase {
  std::string label;
  std::string change;
  Rows proposal;
};

// The position of `column` in kProposalColumns.
size_t ProposalColumn(const std::string& column) {
  std::istringstream in(kProposalColumns);
  std::string name;
  for (size_t i = 0; std::getline(in, name, ','); ++i) {
    const size_t first = name.find_first_not_of(' ');
    if (name.substr(first) == column) return i;
  }
  ADD_FAILURE() << "no proposal column " << column;
  return 0;
}

// The reference proposal with `changes` made to the row of `article`
// (a change to "-" removes that row).
Rows Reference(
    const std::map<std::string, std::map<std::string, std::string>>& changes) {
  Rows rows;
  for (std::vector<std::string> row : InputSite::ReferenceProposal()) {
    auto it = changes.find(row[0]);
    if (it != changes.end()) {
      if (it->second.count("-") != 0) continue;
      for (const auto& [column, value] : it->second) {
        row[ProposalColumn(column)] = value;
      }
    }
    rows.push_back(row);
  }
  return rows;
}

// A2 without its supplier order (EncF 0): 20 at lead time, N = 20 - 24 =
// -4, shortfall 44 < 50: order 50 (4.1667 boxes), stock after 46, time
// 46 / 40 x 15 = 17.25; the demand is above the stock.
Rows A2WithoutSupplierOrder() {
  return Reference({{"A2",
                     {{"EncF", "0"},
                      {"StkPrazo", "20"},
                      {"StkApos", "46"},
                      {"Tempo", "17.25"},
                      {"Cor", "1"},
                      {"CorV", "0"}}}});
}

// No production demand above the customer demand: A1 keeps 10 (C); N = 0,
// order 30, stock after 30, time 30; Cli equals the stock: Cor 0, CorV 1.
Rows A1WithoutProductionDemand() {
  return Reference({{"A1",
                     {{"Cli", "10"},
                      {"QtdUB", "30"},
                      {"QtdUC", "30"},
                      {"Origem", "C"},
                      {"Cor", "0"},
                      {"CorV", "1"}}}});
}

class ValueInputTest : public ::testing::Test {
 protected:
  void SetUp() override { s_.WriteSettings(); }

  // Runs each case on a fresh reference ERP.
  void RunStops(const std::vector<StopCase>& cases) {
    for (const StopCase& c : cases) {
      SCOPED_TRACE(c.label);
      InputSite site;
      site.WriteSettings();
      site.erp().Exec(c.change);
      const Outcome r = site.RunProgram(c.label);
      EXPECT_EQ(r.exit_code, 1) << r.err;
      for (const std::string& n : c.named) {
        EXPECT_NE(r.LastLog().find(n), std::string::npos)
            << "'" << n << "' in: " << r.LastLog();
      }
      EXPECT_EQ(r.table_after, r.table_before);
    }
  }
  void RunCompletes(const std::vector<CompleteCase>& cases) {
    for (const CompleteCase& c : cases) {
      SCOPED_TRACE(c.label);
      InputSite site;
      site.WriteSettings();
      site.erp().Exec(c.change);
      const Outcome r = site.RunProgram(c.label);
      EXPECT_EQ(r.exit_code, 0) << r.LastLog();
      EXPECT_EQ(site.Proposal(), c.proposal);
    }
  }

  InputSite s_;
};

TEST_F(ValueInputTest, NullWhereTheArithmeticNeedsANumberStopsTheRun) {
  RunStops({
      {"ARTIGOS.stdisp null",
       "update ARTIGOS set stdisp=null where CODIGO='A1'",
       {kNull, "no campo StDisp (artigo A1)"}},
      {"ARTIGOS.stdisp null of an aggregated article",
       "update ARTIGOS set stdisp=null where CODIGO='B1'",
       {kNull, "StDisp do artigo aglutinado B1 (artigo A1)"}},
      {"ARTIGOS.QtMinCom null, order needed",
       "update ARTIGOS set QtMinCom=null where CODIGO='A2'",
       {kNull, "no campo QtdMinApr (artigo A2)"}},
      {"ARTIGOS.DiasSkRs null",
       "update ARTIGOS set DiasSkRs=null where CODIGO='A1'",
       {kNull, "no campo Dias (artigo A1)"}},
      {"ARTIGOS.FactEmb null, units differ",
       "update ARTIGOS set FactEmb=null where CODIGO='A2'",
       {kNull, "no campo FactEmb (artigo A2)"}},
      {"zlx_FichaEstrutura.Quantidade null",
       // The schema forbids it; an ERP may not.
       "create table f as select * from zlx_FichaEstrutura;"
       "drop table zlx_FichaEstrutura;"
       "alter table f rename to zlx_FichaEstrutura;"
       "update zlx_FichaEstrutura set Quantidade=null where CODIGO='A1'",
       {kNull, "Quantidade da linha A1 da estrutura E1 do artigo P1"}},
  });
}

TEST_F(ValueInputTest, NullThatNothingComputesWithIsKeptOrCountsAsNothing) {
  RunCompletes({
      {"ARTIGOS.StMin null (outside the proposal)",
       "update ARTIGOS set StMin=null where CODIGO='A1'",
       Reference({{"A1", {{"-", ""}}}})},
      {"ARTIGOS.UltPrCom null, same units",
       "update ARTIGOS set UltPrCom=null where CODIGO='A1'",
       Reference({{"A1", {{"UltPrCom", ErpFixture::kNull}}}})},
      {"DOCGCLIN.QUANT null on a supplier order",
       "update DOCGCLIN set QUANT=null where TPDOCUM='ECF'",
       A2WithoutSupplierOrder()},
      // P1's orders no longer count: A1 and A2 get only the production
      // demand (12 and 24, which replace 0 and 4: Origem O).
      {"DOCGCLIN.QUANT null on a customer order of the product",
       "update DOCGCLIN set QUANT=null where ARTIGO='P1'",
       Reference({{"A2", {{"Origem", "O"}}}})},
      {"AJUDACMP.PRPROX null", "update AJUDACMP set PRPROX=null",
       Reference({{"A2", {{"UltPrCom", "0"}}}})},
      {"AJUDACMP.DESCPROX null", "update AJUDACMP set DESCPROX=null",
       Reference({{"A2", {{"Desconto", "0"}}}})},
      {"zlx_VOR_OrdensFabrico.Qtd null",
       "update zlx_VOR_OrdensFabrico set Qtd=null",
       A1WithoutProductionDemand()},
      {"zlx_VOR_OrdensFabrico.QtdEntregue null",
       "update zlx_VOR_OrdensFabrico set QtdEntregue=null",
       A1WithoutProductionDemand()},
  });

  // Null values that no step computes with are written as null.
  InputSite site;
  site.WriteSettings();
  site.erp().Exec(
      "update ARTIGOS set PrzEntVn=null where CODIGO='A1';"
      // A1 needs no order now (105 at lead time, N = 93 >= 30), so its
      // minimum purchase quantity is never used.
      "update ARTIGOS set QtMinCom=null, stdisp=100 where CODIGO='A1';"
      "update ARTIGOS set FactEmb=null, UnCmp='UN' where CODIGO='A2'");
  ASSERT_EQ(site.RunProgram("nulls no step computes with").exit_code, 0);
  EXPECT_EQ(site.erp().Query("select Artigo, Prazo, QtdMinApr, QtdUB, StkApos, "
                             "Tempo, FactEmb, QtdUC from zlx_VOR_Encomendas "
                             "order by Artigo"),
            (Rows{{"A1", "<null>", "<null>", "0", "93", "93", "1", "0"},
                  {"A2", "10", "50", "50", "56", "21", "<null>", "50"}}));
}

TEST_F(ValueInputTest, TextWhereANumberIsReadStopsTheRun) {
  RunStops({
      {"ARTIGOS.stdisp text",
       "update ARTIGOS set stdisp='muitos' where CODIGO='A1'",
       {kNotANumber, "'muitos'", "StDisp (artigo A1)"}},
      {"ARTIGOS.stdisp text of an aggregated article",
       "update ARTIGOS set stdisp='x' where CODIGO='B2'",
       {kNotANumber, "do artigo aglutinado B2 (artigo A1)"}},
      // Text is above 0 for SQLite, so the article is in the proposal.
      {"ARTIGOS.StMin text",
       "update ARTIGOS set StMin='x' where CODIGO='A1'",
       {kNotANumber, "(campo 'StkMinimo') (artigo A1)"}},
      {"ARTIGOS.QtMinCom text",
       "update ARTIGOS set QtMinCom='x' where CODIGO='A1'",
       {kNotANumber, "(campo 'QtdMinApr') (artigo A1)"}},
      {"ARTIGOS.DiasSkRs text",
       "update ARTIGOS set DiasSkRs='x' where CODIGO='A1'",
       {kNotANumber, "(campo 'Dias') (artigo A1)"}},
      {"ARTIGOS.PrzEntVn text",
       "update ARTIGOS set PrzEntVn='x' where CODIGO='A1'",
       {kNotANumber, "(campo 'Prazo') (artigo A1)"}},
      {"ARTIGOS.FactEmb text",
       "update ARTIGOS set FactEmb='x' where CODIGO='A2'",
       {kNotANumber, "(campo 'FactEmb') (artigo A2)"}},
      {"ARTIGOS.UltPrCom text",
       "update ARTIGOS set UltPrCom='x' where CODIGO='A1'",
       {kNotANumber, "(campo 'UltPrCom') (artigo A1)"}},
      {"zlx_FichaEstrutura.Quantidade text",
       "update zlx_FichaEstrutura set Quantidade='x' where CODIGO='A1'",
       {kNotANumber, "(Quantidade da linha A1 da estrutura E1 do artigo P1)",
        "(artigo A1)"}},
  });
}

TEST_F(ValueInputTest, TextInsideTheDatabasesSumsCountsAsZero) {
  // SQLite's sum() and arithmetic read a text as 0 (a SQL Server decimal
  // column cannot hold one): the same proposals as the nulls above.
  RunCompletes({
      {"DOCGCLIN.QUANT text on a supplier order",
       "update DOCGCLIN set QUANT='x' where TPDOCUM='ECF'",
       A2WithoutSupplierOrder()},
      // P1's order counts 0: the customer pass adds 0 (Origem C), the
      // production pass raises A1 to 12 and A2 to 24 (Origem O).
      {"DOCGCLIN.QUANT text on a customer order of the product",
       "update DOCGCLIN set QUANT='x' where ARTIGO='P1'",
       Reference({{"A2", {{"Origem", "O"}}}})},
      {"AJUDACMP prices text", "update AJUDACMP set PRPROX='x', DESCPROX='y'",
       Reference({{"A2", {{"UltPrCom", "0"}, {"Desconto", "0"}}}})},
      // 'x' - 4 is -4: a negative remainder raises nothing; A1 keeps 10.
      {"zlx_VOR_OrdensFabrico.Qtd text",
       "update zlx_VOR_OrdensFabrico set Qtd='x'", A1WithoutProductionDemand()},
  });
}

TEST_F(ValueInputTest, NegativeValuesAreComputedWith) {
  RunCompletes({
      // A1: -5 + 5 aggregated = 0 at lead time; N = -12, order 42.
      {"ARTIGOS.stdisp negative",
       "update ARTIGOS set stdisp=-5 where CODIGO='A1'",
       Reference({{"A1",
                   {{"StkReal", "0"},
                    {"StkPrazo", "0"},
                    {"QtdUB", "42"},
                    {"QtdUC", "42"}}}})},
      {"ARTIGOS.StMin negative (outside the proposal)",
       "update ARTIGOS set StMin=-30 where CODIGO='A1'",
       Reference({{"A1", {{"-", ""}}}})},
      // A2: shortfall 34 >= -10: order 34 = 2.8333 boxes, stock after 40,
      // time = days 15.
      {"ARTIGOS.QtMinCom negative",
       "update ARTIGOS set QtMinCom=-10 where CODIGO='A2'",
       Reference({{"A2",
                   {{"QtdUB", "34"},
                    {"QtdUC", "2.8333"},
                    {"StkApos", "40"},
                    {"Tempo", "15"}}}})},
      // The packing factor is used as it stands: 50 / -12.
      {"ARTIGOS.FactEmb negative",
       "update ARTIGOS set FactEmb=-12 where CODIGO='A2'",
       Reference({{"A2", {{"QtdUC", "-4.1667"}}}})},
      // A returned quantity: EncF -10, 10 at lead time, N = -14, shortfall
      // 54 >= 50: order 54 = 4.5 boxes, stock after 40, time 15; Cor 1.
      {"DOCGCLIN.QUANT negative on a supplier order",
       "update DOCGCLIN set QUANT=-10 where TPDOCUM='ECF'",
       Reference({{"A2",
                   {{"EncF", "-10"},
                    {"StkPrazo", "10"},
                    {"QtdUB", "54"},
                    {"QtdUC", "4.5"},
                    {"StkApos", "40"},
                    {"Tempo", "15"},
                    {"Cor", "1"},
                    {"CorV", "0"}}}})},
      // Not counted (quantity not above 0): A2's own 4 goes, 20 from P1
      // stays, then production 24 > 20 (Origem O); the figures are the
      // reference ones.
      {"DOCGCLIN.QUANT negative on a customer order",
       "update DOCGCLIN set QUANT=-4 where ARTIGO='A2' and TPDOCUM='ENC'",
       Reference({{"A2", {{"Origem", "O"}}}})},
      // 10 - 14 = -4 still to make: negative contributions raise nothing.
      {"zlx_VOR_OrdensFabrico delivered above ordered",
       "update zlx_VOR_OrdensFabrico set QtdEntregue=14",
       A1WithoutProductionDemand()},
  });
}

TEST_F(ValueInputTest, OverflowStopsTheRunWithErrorSixNamingTheArticle) {
  RunStops({
      {"ARTIGOS.stdisp 1e20",
       "update ARTIGOS set stdisp=1e20 where CODIGO='A1'",
       {kOverflow, "no campo StDisp (artigo A1)"}},
      // The largest whole stock the type holds, plus the aggregated 5.
      {"ARTIGOS.stdisp at the limit plus aggregated stock",
       "update ARTIGOS set stdisp=922337203685477 where CODIGO='A1'",
       {kOverflow, "922337203685477 + 5", "(artigo A1)"}},
      {"ARTIGOS.StMin 1e20",
       "update ARTIGOS set StMin=1e20 where CODIGO='A1'",
       {kOverflow, "(campo 'StkMinimo') (artigo A1)"}},
      {"DOCGCLIN.QUANT 1e20 on a supplier order",
       "update DOCGCLIN set QUANT=1e20 where TPDOCUM='ECF'",
       {kOverflow, "no campo Qtd (artigo A2)"}},
      {"DOCGCLIN.QUANT 1e16 on a customer order",
       "update DOCGCLIN set QUANT=1e16 where ARTIGO='A2' and TPDOCUM='ENC'",
       {kOverflow, "no campo QtdEnc (artigo A2)"}},
      // 5e14 ordered x 2 per unit = 1e15 of A1.
      {"customer order of the product times the structure quantity",
       "update DOCGCLIN set QUANT=5e14 where ARTIGO='P1'",
       {kOverflow, "(artigo A1)"}},
      {"zlx_FichaEstrutura.Quantidade 1e300",
       "update zlx_FichaEstrutura set Quantidade=1e300 where CODIGO='A1'",
       {kOverflow, "(artigo A1)"}},
      {"zlx_VOR_OrdensFabrico.Qtd 1e300",
       "update zlx_VOR_OrdensFabrico set Qtd=1e300",
       {kOverflow, "(artigo A1)"}},
      // -9e14 + 10 at lead time minus 9e14 + 20 of demand.
      {"net stock below the range",
       "update ARTIGOS set stdisp=-900000000000000 where CODIGO='A2';"
       "update DOCGCLIN set QUANT=900000000000000 where ARTIGO='A2' and "
       "TPDOCUM='ENC'",
       {kOverflow, "(artigo A2)"}},
      // 1e11 to order in packs of 0.0001: 1e15 packs.
      {"purchase-unit quantity beyond the range",
       "update ARTIGOS set QtMinCom=1e11, FactEmb=0.0001 where CODIGO='A2'",
       {kOverflow, "(artigo A2)"}},
  });
}

TEST_F(ValueInputTest, HugeValuesWithinTheRangeAreWrittenExactly) {
  s_.erp().Exec("update ARTIGOS set stdisp=900000000000000 where CODIGO='A1'");
  const Outcome r = s_.RunProgram("stock of 9e14");
  ASSERT_EQ(r.exit_code, 0) << r.LastLog();
  // 9e14 + 5 aggregated; N = that - 12; no order.
  EXPECT_EQ(s_.erp().Query("select StkReal, StkPrazo, QtdUB, StkApos, Cor from "
                           "zlx_VOR_Encomendas where Artigo='A1'"),
            (Rows{{"900000000000005", "900000000000005", "0", "899999999999993",
                   "0"}}));
}

TEST_F(ValueInputTest,
       PriceBeyondTheRangeIsLoggedNamingTheArticleAndCountsZero) {
  s_.erp().Exec("update AJUDACMP set PRPROX=1e20");
  const Outcome r = s_.RunProgram("AJUDACMP.PRPROX 1e20");
  ASSERT_EQ(r.exit_code, 0) << r.LastLog();
  auto at = std::find(r.log.begin(), r.log.end(), "Erro 6");
  ASSERT_NE(at, r.log.end());
  ASSERT_GE(r.log.end() - at, 3);
  EXPECT_EQ(at[1],
            "(Overflow: 1e+20 excede o intervalo do tipo de ponto fixo no "
            "campo PrProx (artigo A2))");
  EXPECT_EQ(at[2], "Na função TransformaEmCurrency do itFuncoes");
  EXPECT_EQ(s_.Proposal(), Reference({{"A2", {{"UltPrCom", "0"}}}}));
}

}  // namespace
}  // namespace vor::input
