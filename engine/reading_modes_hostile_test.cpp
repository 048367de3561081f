// The two reading modes on hostile ERP data: the bulk run must leave what
// the literal run leaves (the literal statements are the reference), on
// small hand-made ERPs with null codes, NUL bytes and BLOB codes, and on
// generated hostile ERPs of a fixed set of seeds (HostileErp; the fuzz
// target mode_differential explores further seeds).
#include <gtest/gtest.h>

#include <string>

#include "testing/hostile_erp.h"
#include "testing/mode_comparison.h"
#include "testing/test_support.h"
#include "tools/erp_fixture.h"

namespace vor {
namespace {

class ReadingModesHostileTest : public ::testing::Test {
 protected:
  // A new ERP without key constraints, with supplier F1 and the bought
  // article C1 (in the proposal, stock 0, minimum 10), and a product P of
  // structure E1 with a customer order of 2 units.
  std::string NewErp(const std::string& name) {
    const std::string path = (dir_.dir() / name).string();
    ErpFixture erp = ErpFixture::CreateNew(path);
    HostileErp::Loosen(erp);
    erp.AddSupplier("F1");
    erp.AddArticle({.codigo = "C1", .fornec = "F1"});
    erp.AddArticle({.codigo = "C2", .fornec = "F1"});
    erp.AddArticle(
        {.codigo = "P", .stmin = 0, .tipo_artigo = 0, .estrutura_base = "E1"});
    erp.AddCustomerOrder("2025-05-01", {{"P", 2}});
    return path;
  }

  void ExpectSame(const std::string& path) {
    const ModeOutcome literal =
        ModeComparison::Run(path, ReadingMode::kLiteral);
    const ModeOutcome bulk = ModeComparison::Run(path, ReadingMode::kBulk);
    EXPECT_EQ(ModeComparison::Difference(literal, bulk), "");
  }

  testing::TempLog dir_;  // only for its temporary folder
};

// A null never matches a code: not the empty piece of an aggregated list,
// not the empty structure of a sub-assembly, not the structure a product
// list picks, not the code of a sub-assembly line.
TEST_F(ReadingModesHostileTest, NullCodesMatchNothing) {
  {
    SCOPED_TRACE("article without code, empty aggregated piece");
    const std::string path = NewErp("null_article");
    ErpFixture erp(path);
    erp.Exec(
        "insert into ARTIGOS (CODIGO, stdisp, StMin) values (NULL, 50, 0)");
    erp.AddClassification("C1", "C2;;");
    ExpectSame(path);
  }
  {
    SCOPED_TRACE("sub-assembly with an empty base structure");
    const std::string path = NewErp("null_structure");
    ErpFixture erp(path);
    erp.AddArticle(
        {.codigo = "S", .stmin = 0, .tipo_artigo = 2, .estrutura_base = ""});
    erp.AddStructureLine("P", "E1", "C1", 1);
    erp.AddStructureLine("P", "E1", "S", 1, "CJ");
    erp.AddStructureLine("S", "", "C1", 3);
    erp.Exec(
        "insert into zlx_FichaEstrutura (PRODUTO, FichaEstrutura, CODIGO, "
        "Tipo, Quantidade) values ('S', NULL, 'C1', 'AT', 5)");
    ExpectSame(path);
  }
  {
    SCOPED_TRACE("product whose only lines have no structure code");
    const std::string path = NewErp("null_only_structure");
    ErpFixture erp(path);
    erp.Exec(
        "insert into zlx_FichaEstrutura (PRODUTO, FichaEstrutura, CODIGO, "
        "Tipo, Quantidade) values ('P', NULL, 'C1', 'AT', 4)");
    erp.AddProductionOrder("P", "", 3, 0, 1);
    ExpectSame(path);
  }
  {
    SCOPED_TRACE("sub-assembly line without code");
    const std::string path = NewErp("null_sub_assembly");
    ErpFixture erp(path);
    erp.AddArticleType("", 2, "E9");
    erp.AddStructureLine("", "E9", "C1", 2);
    erp.AddStructureLine("P", "E1", "C1", 1);
    erp.Exec(
        "insert into zlx_FichaEstrutura (PRODUTO, FichaEstrutura, CODIGO, "
        "Tipo, Quantidade) values ('P', 'E1', NULL, 'CJ', 1)");
    ExpectSame(path);
  }
}

// A code stored as a BLOB reads as the text of its bytes but never equals
// that text in the database; a NUL byte cannot be written into a statement:
// both runs stop with the same error, the NUL shown escaped.
TEST_F(ReadingModesHostileTest, BlobAndNulCodes) {
  {
    SCOPED_TRACE("BLOB codes");
    const std::string path = NewErp("blob");
    ErpFixture erp(path);
    erp.AddPrice("C1", "F1", 3, 0);
    erp.AddClassification("C1", "C2");
    erp.AddSupplierOrder("2025-05-01", {{"C1", 4}});
    erp.Exec(
        "update ARTIGOS set CODIGO = X'4331' where CODIGO = 'C1';"
        "update zlx_VOR_Artigos set Artigo = X'4331' where Artigo = 'C1';"
        "update ARTIGOS set CODIGO = X'4332' where CODIGO = 'C2';"
        "insert into zlx_FichaEstrutura (PRODUTO, FichaEstrutura, CODIGO, "
        "Tipo, Quantidade) values (X'50', 'E1', 'C1', 'AT', 1)");
    ExpectSame(path);
  }
  {
    SCOPED_TRACE("NUL in an aggregated list");
    const std::string path = NewErp("nul");
    ErpFixture erp(path);
    erp.Exec(
        "insert into CLART (Codigo, CL10) values ('C1', 'C2;X' || char(0) || "
        "'Y')");
    const ModeOutcome literal =
        ModeComparison::Run(path, ReadingMode::kLiteral);
    EXPECT_FALSE(literal.completed);
    EXPECT_NE(literal.message.find("X\\x00Y"), std::string::npos)
        << literal.message;
    EXPECT_EQ(ModeComparison::Difference(
                  literal, ModeComparison::Run(path, ReadingMode::kBulk)),
              "");
  }
}

// Generated hostile ERPs: a fixed set of seeds, and the seeds that once
// found a difference.
TEST_F(ReadingModesHostileTest, GeneratedHostileErps) {
  std::vector<uint32_t> seeds;
  for (uint32_t seed = 1; seed <= 60; ++seed) seeds.push_back(seed);
  for (const uint32_t seed : seeds) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::string path =
        (dir_.dir() / ("hostile_" + std::to_string(seed))).string();
    HostileErp(seed).Write(path);
    EXPECT_EQ(ModeComparison::Compare(path), "");
  }
}

}  // namespace
}  // namespace vor
