// Awkward lists of aggregated articles and awkward bills of materials: an
// article named in its own list, a list of 40 000 codes, cyclic structures,
// a chain of sub-assemblies 200 levels deep and a product of 10 000 lines.
// Each runs the built program on the reference ERP so changed; the large
// ones print their run time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "reliability/input_site.h"

namespace vor::input {
namespace {

constexpr char kCycle[] = " 512 - Estrutura cíclica: ";

class StructureInputTest : public ::testing::Test {
 protected:
  void SetUp() override { s_.WriteSettings(); }

  // Runs the program and prints how long the run took.
  Outcome TimedRun(const std::string& label) {
    const auto start = std::chrono::steady_clock::now();
    Outcome r = s_.RunProgram(label);
    const std::chrono::duration<double> took =
        std::chrono::steady_clock::now() - start;
    std::printf("[ input    ] %s: %.2f s\n", label.c_str(), took.count());
    return r;
  }

  // A stop on a cyclic structure naming `path`, the table untouched.
  void ExpectCycle(const Outcome& r, const std::string& path) {
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_EQ(r.LastLog().rfind(kCycle + path + " (artigo A", 0), 0u)
        << r.LastLog();
    EXPECT_EQ(r.table_after, r.table_before);
  }

  InputSite s_;
};

TEST_F(StructureInputTest, ArticleInItsOwnAggregatedListIsNotCountedTwice) {
  // A list kept for a group of articles names each member, this one too:
  // its stock is its own StDisp already, so the proposal is the reference.
  s_.erp().Exec("update CLART set CL10='B1;a1;B2;A1' where Codigo='A1'");
  const Outcome r = s_.RunProgram("aggregated list naming the article itself");
  ASSERT_EQ(r.exit_code, 0) << r.LastLog();
  EXPECT_EQ(s_.Proposal(), InputSite::ReferenceProposal());
  EXPECT_TRUE(
      r.LogHas("Artigo A1: o próprio artigo na lista de artigos "
               "aglutinados não foi contado"));
}

TEST_F(StructureInputTest, ListOfFortyThousandCodesIsReadWhole) {
  // 39 999 times B1 (2 each) and once B2 (3): 79 998 + 3 = 80 001, plus
  // A1's own 5. N = 80 006 - 12 = 79 994 >= 30: no order, stock after
  // 79 994, time 30 x 79 994 / 30 = 79 994; no shortage.
  std::string list;
  for (int i = 0; i < 39999; ++i) list += "B1;";
  list += "B2";
  s_.erp().Exec("update CLART set CL10='" + list + "' where Codigo='A1'");
  const Outcome r = TimedRun("aggregated list of 40 000 codes");
  ASSERT_EQ(r.exit_code, 0) << r.LastLog();
  Rows expected = InputSite::ReferenceProposal();
  expected[0] = {"A1",    "80006", "0", "80006", "12", "0",   "0",
                 "79994", "79994", "O", "0",     "0",  "2.5", "0"};
  EXPECT_EQ(s_.Proposal(), expected);
}

TEST_F(StructureInputTest, CyclicStructuresStopTheRunNamingTheCycle) {
  // SA1's structure holds SA1 itself.
  s_.erp().AddStructureLine("SA1", "S1", "SA1", 1, "CJ");
  ExpectCycle(s_.RunProgram("sub-assembly containing itself"),
              "P1 -> SA1 -> SA1");
  s_.erp().Exec(
      "delete from zlx_FichaEstrutura where CODIGO='SA1' and "
      "PRODUTO='SA1'");

  // SA1 -> SA2 -> SA1.
  s_.erp().AddStructureLine("SA1", "S1", "SA2", 1, "CJ");
  s_.erp().AddStructureLine("SA2", "S2", "SA1", 2, "CJ");
  ExpectCycle(s_.RunProgram("cycle through two sub-assemblies"),
              "P1 -> SA1 -> SA2 -> SA1");
  s_.erp().Exec("delete from zlx_FichaEstrutura where PRODUTO='SA2'");

  // The product in its own structure.
  s_.erp().AddStructureLine("P1", "E1", "P1", 1, "CJ");
  ExpectCycle(s_.RunProgram("product containing itself"), "P1 -> P1");
}

// A chain P1 -> D001 -> ... -> D200 below the reference product, D200 holding
// 3 of A1; the link D100 -> D101 counts 2.
class DeepStructureTest : public StructureInputTest {
 protected:
  static std::string D(int i) {
    char code[8];
    std::snprintf(code, sizeof code, "D%03d", i);
    return code;
  }
  void SetUp() override {
    StructureInputTest::SetUp();
    s_.erp().Exec("begin");
    s_.erp().AddStructureLine("P1", "E1", D(1), 1, "CJ");
    for (int i = 1; i < 200; ++i) {
      s_.erp().AddStructureLine(D(i), "S", D(i + 1), i == 100 ? 2 : 1, "CJ");
    }
    s_.erp().AddStructureLine(D(200), "S", "A1", 3);
    s_.erp().Exec("commit");
  }
};

TEST_F(DeepStructureTest, TwoHundredLevelsAreFollowedToTheBottom) {
  // A1 per unit of P1: 2 on its own line + 3 x 2 at level 201 = 8.
  // Customer: 5 x 8 = 40 (C); production: 6 x 8 = 48 > 40 (O).
  // N = 10 - 48 = -38, shortfall 68: order 68, stock after 30, time 30.
  const Outcome r = TimedRun("structure 200 levels deep");
  ASSERT_EQ(r.exit_code, 0) << r.LastLog();
  Rows expected = InputSite::ReferenceProposal();
  expected[0] = {"A1", "10", "0", "10", "48", "68",  "68",
                 "30", "30", "O", "1",  "0",  "2.5", "0"};
  EXPECT_EQ(s_.Proposal(), expected);
}

TEST_F(DeepStructureTest, CycleAtTheBottomOfTwoHundredLevelsIsNamed) {
  s_.erp().AddStructureLine(D(200), "S", D(1), 1, "CJ");
  std::string path = "P1";
  for (int i = 1; i <= 200; ++i) path += " -> " + D(i);
  path += " -> " + D(1);
  ExpectCycle(TimedRun("cycle 200 levels deep"), path);
}

TEST_F(StructureInputTest, ProductOfTenThousandLines) {
  // 10 000 lines of codes that are no articles, then half an A1 more:
  // A1 per unit 2.5; customer 5 x 2.5 = 12.5, production 6 x 2.5 = 15 (O).
  // N = 10 - 15 = -5, shortfall 35: order 35, stock after 30, time 30.
  s_.erp().Exec(
      "with recursive n(i) as (select 1 union all select i + 1 from n where "
      "i < 10000) insert into zlx_FichaEstrutura (PRODUTO, FichaEstrutura, "
      "CODIGO, Tipo, Quantidade) select 'P1', 'E1', printf('X%05d', i), "
      "'AT', 1 from n");
  s_.erp().AddStructureLine("P1", "E1", "A1", 0.5);
  ASSERT_EQ(s_.erp().Scalar("select count(*) from zlx_FichaEstrutura where "
                            "PRODUTO='P1'"),
            "10004");
  const Outcome r = TimedRun("product of 10 000 structure lines");
  ASSERT_EQ(r.exit_code, 0) << r.LastLog();
  Rows expected = InputSite::ReferenceProposal();
  expected[0] = {"A1", "10", "0", "10", "15", "35",  "35",
                 "30", "30", "O", "1",  "0",  "2.5", "0"};
  EXPECT_EQ(s_.Proposal(), expected);
}

TEST_F(StructureInputTest, ProductOfTenThousandLinesOfWhichAThousandBought) {
  // 1 000 bought articles C0001..C1000 (stock 5, minimum 30) on P1's
  // structure with 9 000 other codes: every one is found in the explosion.
  // Each: customer 5 x 1 (C), production 6 x 1 = 6 (O); N = 5 - 6 = -1,
  // shortfall 31: order 31, stock after 30, time 30. A1 and A2 as before.
  s_.erp().Exec(
      "with recursive n(i) as (select 1 union all select i + 1 from n where "
      "i < 1000) insert into ARTIGOS (CODIGO, NOME, stdisp, StMin, QtMinCom, "
      "DiasSkRs, PrzEntVn, Fornec, UnBase, UnCmp, FactEmb, UltPrCom) select "
      "printf('C%04d', i), 'Componente', 5, 30, 0, 30, 10, 'F001', 'UN', "
      "'UN', 1, 1 from n;"
      "insert into zlx_VOR_Artigos (Artigo, TipoArtigo) select CODIGO, 1 "
      "from ARTIGOS where CODIGO like 'C%';"
      "with recursive n(i) as (select 1 union all select i + 1 from n where "
      "i < 10000) insert into zlx_FichaEstrutura (PRODUTO, FichaEstrutura, "
      "CODIGO, Tipo, Quantidade) select 'P1', 'E1', case when i % 10 = 0 "
      "then printf('C%04d', i / 10) else printf('X%05d', i) end, 'AT', 1 "
      "from n");
  const Outcome r = TimedRun("product of 10 000 lines, 1 000 bought");
  ASSERT_EQ(r.exit_code, 0) << r.LastLog();
  EXPECT_EQ(s_.erp().Query("select count(*), min(Cli), max(Cli), min(QtdUB), "
                           "max(QtdUB), min(Origem), max(Origem) from "
                           "zlx_VOR_Encomendas where Artigo like 'C%'"),
            (Rows{{"1000", "6", "6", "31", "31", "O", "O"}}));
  EXPECT_EQ(s_.erp().Query(std::string("select ") + kProposalColumns +
                           " from zlx_VOR_Encomendas where Artigo like 'A%' "
                           "order by Artigo"),
            InputSite::ReferenceProposal());
}

}  // namespace
}  // namespace vor::input
