#include "engine/sql_texts.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/recordset.h"
#include "testing/test_support.h"

namespace vor {
namespace {

// The statements as the ERP contract gives them, piece by piece.
TEST(SqlTexts, ArticleQueryIsExact) {
  const std::string expected =
      std::string(
          " SELECT     ARTIGOS.CODIGO as 'Artigo', ARTIGOS.NOME, "
          "artigos.stdisp,StMin,") +
      " Grupo, Familia, "
      "SubFamil,QtMinCom,DiasSkRs,PrzEntVn,Fornec,UnBase,UnCmp,FactEmb,"
      "UltPrCom,f.Nome as NomeFornec,coalesce(Cl.CL10,'') as Livre" +
      " FROM  ARTIGOS Inner join zlx_VOR_Artigos as a ON "
      "a.Artigo=artigos.Codigo" +
      " left outer Join Fornec as f ON f.Codigo=Artigos.Fornec" +
      " Left outer Join CLART as cl ON cl.Codigo=Artigos.Codigo " +
      " WHERE     (ARTIGOS.CODIGO > '') and ArtouDes=0 and a.TipoArtigo=1 "
      "and artigos.Inactivo=0 " +
      " and stMin>0 " + " and Fornec>'' ";
  EXPECT_EQ(sql::ArticleQuery(), expected);
}

TEST(SqlTexts, CustomerOrderPreloadIsExact) {
  const std::string expected =
      std::string(" SELECT  l.Artigo, coalesce(sum(l.Quant),0) as QtdEnc ") +
      " FROM           DOCGCCAB as c INNER JOIN" +
      " DOCGCLIN as l ON c.TPDOC = l.TPDOCUM AND c.NNUMDOC = l.NNUMDOC" +
      " AND c.SERIE = l.SERIE AND c.ANO = l.ANO" +
      " inner join zlx_VOR_Artigos as ia ON ia.Artigo=l.ARTIGO" +
      " Where nvias <> -1 And (c.AREAG = 2) And (c.TPTERC = 2) and "
      "c.Serie<>0 " +
      " and [convert]<>-1 and l.quant>0 and l.artigo>''  and "
      "(ia.TipoArtigo=1 )" +
      " and  (c.DATA >= CONVERT(DATETIME, '" + "2024-08-31" + " ', 102))" +
      " group by l.artigo";
  EXPECT_EQ(sql::CustomerOrderPreloadQuery("2024-08-31"), expected);
}

TEST(SqlTexts, SupplierOrderQueryIsExact) {
  const std::string expected =
      std::string(" SELECT      coalesce(sum(l.QUANT),0) AS Qtd") +
      " FROM         DOCGCCAB as c INNER JOIN" +
      " DOCGCLIN as l  ON c.NNUMDOC = l.NNUMDOC AND c.TPDOC = l.TPDOCUM AND "
      "c.SERIE = l.SERIE AND" +
      " c.Ano = l.Ano" +
      " Where (c.AREAG = 2) And (c.TPTERC = 1) and l.Artigo='" + "A100" +
      "'  and c.nvias<>-1 group by l.Artigo";
  EXPECT_EQ(sql::SupplierOrderQuery("A100"), expected);
}

TEST(SqlTexts, SupplierPriceQueryIsExact) {
  EXPECT_EQ(sql::SupplierPriceQuery("A100", "F7"),
            " SELECT        ARTIGO, PRPROX, DESCPROX From AJUDACMP WHERE    "
            "    (ARTIGO = 'A100') AND (FORNECED = 'F7')");
}

TEST(SqlTexts, AggregatedStockQueryIsExact) {
  EXPECT_EQ(sql::AggregatedStockQuery("A1"),
            "Select stdisp from Artigos where Codigo='A1' ");
  EXPECT_EQ(sql::AggregatedStockQuery(" A1"),
            "Select stdisp from Artigos where Codigo=' A1' ");
}

TEST(SqlTexts, CustomerOrderQueryIsExact) {
  const std::string expected =
      std::string(
          " SELECT  l.Artigo, sum(l.Quant) as QtdEnc,ia.EstruturaBase") +
      " FROM           DOCGCCAB as c INNER JOIN" +
      " DOCGCLIN as l ON c.TPDOC = l.TPDOCUM AND c.NNUMDOC = l.NNUMDOC" +
      " AND c.SERIE = l.SERIE AND c.ANO = l.ANO" +
      " inner join zlx_VOR_Artigos as ia ON ia.Artigo=l.ARTIGO" +
      " Where nvias <> -1 And (c.AREAG = 2) And (c.TPTERC = 2) and "
      "c.Serie<>0 " +
      " and [convert]<>-1 and l.quant>0 and l.artigo>''  and "
      "(ia.TipoArtigo=0 or ia.tipoArtigo=2)" +
      " and  (c.DATA >= CONVERT(DATETIME, '" + "2025-02-28" + " ', 102))" +
      " group by l.artigo,ia.EstruturaBase";
  EXPECT_EQ(sql::CustomerOrderQuery("2025-02-28"), expected);
}

TEST(SqlTexts, ProductListsAreExact) {
  const std::string customer =
      std::string(" SELECT  f.PRODUTO as Artigo,") +
      " coalesce((select a.stdisp from Artigos as a where a.Codigo=f.Produto "
      "and a.Inactivo<>-1 ),0) as stdisp" +
      " ,coalesce((select top 1 fe.FichaEstrutura from zlx_FichaEstrutura as "
      "fe where Fe.Produto=f.Produto group by fe.FichaEstrutura ),'') as "
      "Versao " +
      " From zlx_FichaEstrutura as f " + " WHERE f.CODIGO ='" + "C1" + "' " +
      " GROUP BY f.PRODUTO" + " ORDER BY f.PRODUTO ";
  EXPECT_EQ(sql::CustomerProductListQuery("C1"), customer);
  const std::string production =
      std::string(" SELECT  f.PRODUTO as Artigo") +
      " ,coalesce((select top 1 fe.FichaEstrutura from zlx_FichaEstrutura as "
      "fe where Fe.Produto=f.Produto group by fe.FichaEstrutura ),'') as "
      "Versao" +
      " From zlx_FichaEstrutura as f " + " WHERE f.CODIGO ='" + "C1" + "' " +
      " GROUP BY f.PRODUTO" + " ORDER BY f.PRODUTO ";
  EXPECT_EQ(sql::ProductionProductListQuery("C1"), production);
}

TEST(SqlTexts, ProductionOrderQueryIsExact) {
  EXPECT_EQ(sql::ProductionOrderQuery(),
            " Select o.Artigo,o.FichaEstrutura,coalesce(sum(o.Qtd-o."
            "QtdEntregue),0) as Quant from zlx_VOR_OrdensFabrico as o  where "
            "o.estado<3 Group by o.Artigo,o.FichaEstrutura order by o.Artigo");
}

TEST(SqlTexts, FiltersAreExact) {
  EXPECT_EQ(sql::ArticleFilter("A1"), "Artigo='A1' ");
  EXPECT_EQ(sql::CustomerOrderFilter("P1", "E1"),
            "Artigo='P1'  and EstruturaBase='E1' ");
  EXPECT_EQ(sql::ProductionOrderFilter("P1", "E1"),
            "Artigo='P1'  and FichaEstrutura='E1' ");
}

TEST(SqlTexts, ExploderQueriesNameTheirKeys) {
  EXPECT_EQ(sql::StructureLinesQuery("P1", "E1"),
            "SELECT CODIGO, Tipo, Quantidade FROM zlx_FichaEstrutura WHERE "
            "PRODUTO='P1' AND FichaEstrutura='E1'");
  EXPECT_EQ(sql::BaseStructureQuery("SA"),
            "SELECT EstruturaBase FROM zlx_VOR_Artigos WHERE Artigo='SA'");
  EXPECT_EQ(sql::SmallestStructureQuery("SA"),
            "SELECT min(FichaEstrutura) AS Versao FROM zlx_FichaEstrutura "
            "WHERE PRODUTO='SA'");
}

// Splits a text into its quoted literals (decoded: '' stands for ') and its
// skeleton, where each literal is replaced by '?'. False when a literal is
// not closed.
bool Split(const std::string& text, std::string* skeleton,
           std::vector<std::string>* literals) {
  skeleton->clear();
  literals->clear();
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '\'') {
      *skeleton += text[i++];
      continue;
    }
    std::string lit;
    ++i;
    while (true) {
      if (i >= text.size()) return false;
      if (text[i] == '\'') {
        if (i + 1 < text.size() && text[i + 1] == '\'') {
          lit += '\'';
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      lit += text[i++];
    }
    *skeleton += "'?'";
    literals->push_back(lit);
  }
  return true;
}

std::string RandomCode(std::mt19937& rng) {
  static const std::string alphabet = "AZaz09'' ;-=()%_\"\\.,";
  std::uniform_int_distribution<int> len(0, 15);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::string code;
  for (int n = len(rng); n > 0; --n) code += alphabet[pick(rng)];
  return code;
}

TEST(SqlTexts, GeneratedCodesAlwaysReadAsThemselves) {
  std::mt19937 rng(20240531);
  for (const testing::CodeBuilder& b : testing::CodeBuilders()) {
    std::string plain_skeleton;
    std::vector<std::string> plain_literals;
    ASSERT_TRUE(Split(b.build("X", "Y"), &plain_skeleton, &plain_literals))
        << b.name;
    for (int round = 0; round < 300; ++round) {
      const std::string first = RandomCode(rng);
      const std::string second = RandomCode(rng);
      std::string skeleton;
      std::vector<std::string> literals;
      const std::string text = b.build(first, second);
      ASSERT_TRUE(Split(text, &skeleton, &literals)) << b.name << ": " << text;
      // The statement around the codes never changes...
      EXPECT_EQ(skeleton, plain_skeleton) << b.name << ": " << text;
      ASSERT_EQ(literals.size(), plain_literals.size()) << b.name;
      // ...and the literals that held the codes hold them unchanged.
      std::vector<std::string> expected = plain_literals;
      for (std::string& lit : expected) {
        if (lit == "X")
          lit = first;
        else if (lit == "Y")
          lit = second;
      }
      EXPECT_EQ(literals, expected) << b.name << ": " << text;
    }
  }
}

TEST(SqlTexts, FiltersFindCodesHoldingQuotes) {
  Recordset rs;
  rs.AppendField("Artigo", FieldType::kText, 40);
  rs.AppendField("Quant", FieldType::kCurrency);
  rs.Open();
  for (const char* code : {"O'BRIEN", "O", "O'BRIEN' or '1'='1", "''"}) {
    rs.AddNew();
    rs.Set("Artigo", code);
    rs.Set("Quant", 1);
    rs.Update();
  }
  for (const char* code : {"O'BRIEN", "O", "O'BRIEN' or '1'='1", "''"}) {
    rs.SetFilter(sql::ArticleFilter(code));
    ASSERT_EQ(rs.RecordCount(), 1) << code;
    EXPECT_EQ(rs.Get("Artigo").AsText(), code);
  }
}

}  // namespace
}  // namespace vor
