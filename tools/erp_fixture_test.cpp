// The program's SQL texts, as the data-access component hands them to SQLite
// (TOP n as LIMIT n, CONVERT(DATETIME, 'd ', 102) as 'd'), run on hand-made
// ERP databases whose expected answers are worked out by hand.
#include "tools/erp_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "testing/temp_folder.h"

namespace vor {
namespace {

using Row = std::vector<std::string>;
using Rows = std::vector<Row>;

const std::string kNull = ErpFixture::kNull;

Rows Sorted(Rows rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::string ArticleQuery() {
  return std::string(
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
}

std::string OrderLinesQuery(const std::string& head, const std::string& types,
                            const std::string& group,
                            const std::string& sdata) {
  return head + " FROM           DOCGCCAB as c INNER JOIN" +
         " DOCGCLIN as l ON c.TPDOC = l.TPDOCUM AND c.NNUMDOC = l.NNUMDOC" +
         " AND c.SERIE = l.SERIE AND c.ANO = l.ANO" +
         " inner join zlx_VOR_Artigos as ia ON ia.Artigo=l.ARTIGO" +
         " Where nvias <> -1 And (c.AREAG = 2) And (c.TPTERC = 2) and "
         "c.Serie<>0 " +
         " and [convert]<>-1 and l.quant>0 and l.artigo>''  and " + types +
         " and  (c.DATA >= '" + sdata + "')" + group;
}

std::string CustomerPreload(const std::string& sdata) {
  return OrderLinesQuery(
      " SELECT  l.Artigo, coalesce(sum(l.Quant),0) as QtdEnc ",
      "(ia.TipoArtigo=1 )", " group by l.artigo", sdata);
}

std::string ProductOrders(const std::string& sdata) {
  return OrderLinesQuery(
      " SELECT  l.Artigo, sum(l.Quant) as QtdEnc,ia.EstruturaBase",
      "(ia.TipoArtigo=0 or ia.tipoArtigo=2)",
      " group by l.artigo,ia.EstruturaBase", sdata);
}

std::string SupplierOrders(const std::string& code) {
  return std::string(" SELECT      coalesce(sum(l.QUANT),0) AS Qtd") +
         " FROM         DOCGCCAB as c INNER JOIN" +
         " DOCGCLIN as l  ON c.NNUMDOC = l.NNUMDOC AND c.TPDOC = l.TPDOCUM AND "
         "c.SERIE = l.SERIE AND" +
         " c.Ano = l.Ano" +
         " Where (c.AREAG = 2) And (c.TPTERC = 1) and l.Artigo='" + code +
         "'  and c.nvias<>-1 group by l.Artigo";
}

std::string ProductList(const std::string& code) {
  return std::string(" SELECT  f.PRODUTO as Artigo,") +
         " coalesce((select a.stdisp from Artigos as a where "
         "a.Codigo=f.Produto and a.Inactivo<>-1 ),0) as stdisp" +
         " ,coalesce((select fe.FichaEstrutura from zlx_FichaEstrutura as fe "
         "where Fe.Produto=f.Produto group by fe.FichaEstrutura  limit 1),'') "
         "as Versao " +
         " From zlx_FichaEstrutura as f " + " WHERE f.CODIGO ='" + code + "' " +
         " GROUP BY f.PRODUTO" + " ORDER BY f.PRODUTO ";
}

class ErpQueriesTest : public ::testing::Test {
 protected:
  TempFolder dir_;
  ErpFixture erp_ = ErpFixture::CreateNew(dir_.File("erp.sqlite"));
};

TEST_F(ErpQueriesTest, ArticleQueryTakesExactlyTheProposalArticles) {
  erp_.AddSupplier("F001", "Ferragens Lda");
  erp_.AddArticle({.codigo = "A1", .stdisp = 12.5});
  erp_.AddArticle({.codigo = "A2", .fornec = "F777"});  // no Fornec row
  erp_.AddArticle({.codigo = "O'BRIEN"});
  erp_.AddArticle({.codigo = "X1", .stmin = 0});
  erp_.AddArticle({.codigo = "X2", .stmin = -1});
  erp_.AddArticle({.codigo = "X3", .fornec = ""});
  erp_.AddArticle({.codigo = "X4", .fornec = std::nullopt});
  erp_.AddArticle({.codigo = "X5", .inactivo = -1});
  erp_.AddArticle({.codigo = "X6", .artoudes = 1});
  erp_.AddArticle({.codigo = "X7", .tipo_artigo = 0});
  erp_.AddArticle({.codigo = "X8", .tipo_artigo = std::nullopt});
  erp_.AddClassification("A1", "X1;x5;");
  erp_.AddClassification("O'BRIEN", std::nullopt);

  const Rows rows = Sorted(erp_.Query(ArticleQuery()));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0], "A1");
  EXPECT_EQ(rows[0][2], "12.5");
  EXPECT_EQ(rows[0][15], "Ferragens Lda");
  EXPECT_EQ(rows[0][16], "X1;x5;");
  EXPECT_EQ(rows[1][0], "A2");
  EXPECT_EQ(rows[1][15], kNull);
  EXPECT_EQ(rows[1][16], "");
  EXPECT_EQ(rows[2][0], "O'BRIEN");
  EXPECT_EQ(rows[2][16], "");
}

TEST_F(ErpQueriesTest, AggregatedStockQueryFindsCodesInAnyCaseAndQuoted) {
  erp_.AddArticle({.codigo = "A1", .stdisp = 4.25, .inactivo = -1});
  erp_.AddArticle({.codigo = "O'BRIEN", .stdisp = 3});
  EXPECT_EQ(erp_.Scalar("Select stdisp from Artigos where Codigo='a1' "),
            "4.25");
  EXPECT_EQ(erp_.Scalar("Select stdisp from Artigos where Codigo='O''BRIEN' "),
            "3");
  EXPECT_TRUE(
      erp_.Query("Select stdisp from Artigos where Codigo=' A1' ").empty());
}

TEST_F(ErpQueriesTest, OrderQueriesCountOnlyOpenOrdersOfTheirKind) {
  erp_.AddArticle({.codigo = "A1"});
  erp_.AddArticle({.codigo = "A2"});
  erp_.AddArticle({.codigo = "P1", .tipo_artigo = 0, .estrutura_base = "V01"});
  erp_.AddArticle({.codigo = "P2", .tipo_artigo = 2, .estrutura_base = "V02"});
  const std::string cut = "2025-06-15";

  // Customer orders: counted ...
  ErpDocKey d =
      erp_.AddCustomerOrder("2025-07-01", {{"A1", 5}, {"A1", 2.5}, {"P1", 3}});
  erp_.AddCustomerOrder("2025-06-15", {{"A1", 1}});  // the cut-off day
  erp_.AddCustomerOrder("2025-06-15 09:30:00", {{"A1", 1}});
  erp_.AddCustomerOrder("2025-12-01",
                        {{"P2", 4}, {"P1", 2}, {"", 1}, {std::nullopt, 9}});
  // ... and not counted.
  erp_.AddCustomerOrder("2025-06-14 23:59:59", {{"A1", 100}});
  erp_.AddCustomerOrder("2025-08-01", {{"A1", 0}, {"A1", -3}, {"P1", 0}});
  for (ErpDocument excluded :
       {ErpDocument{.nvias = -1}, ErpDocument{.convert = -1},
        ErpDocument{.serie = 0}, ErpDocument{.areag = 1}}) {
    excluded.data = "2025-09-01";
    ErpDocKey key = erp_.AddDocument(excluded);
    erp_.AddDocLine(key, "A1", 100);
    erp_.AddDocLine(key, "P1", 100);
  }
  // Headers that share the number of `d` and differ only in series, type or
  // year: their lines must not join `d`.
  for (ErpDocument other : {ErpDocument{.serie = 2, .nvias = -1},
                            ErpDocument{.tpdoc = "ECF", .tpterc = 1},
                            ErpDocument{.ano = 2024, .nvias = -1}}) {
    other.nnumdoc = d.nnumdoc;
    if (other.data == ErpDocument{}.data) other.data = "2025-09-01";
    erp_.AddDocLine(erp_.AddDocument(other), "A1", 1000);
  }
  // Supplier orders of A1: no date limit, no test of series, [convert] or
  // quantity; only cancelled ones are left out.
  erp_.AddSupplierOrder("2020-01-01", {{"A1", 7}, {"A1", -4}});
  for (ErpDocument s : {ErpDocument{.serie = 0}, ErpDocument{.convert = -1},
                        ErpDocument{.nvias = -1}}) {
    s.tpdoc = "ECF";
    s.tpterc = 1;
    erp_.AddDocLine(erp_.AddDocument(s), "A1", s.nvias == -1 ? 500 : 10);
  }

  EXPECT_EQ(erp_.Query(CustomerPreload(cut)), (Rows{{"A1", "9.5"}}));
  EXPECT_EQ(Sorted(erp_.Query(ProductOrders(cut))),
            (Rows{{"P1", "5", "V01"}, {"P2", "4", "V02"}}));
  // 7 - 4 + 10 + 10 and the ECF header numbered like `d` (1000).
  EXPECT_EQ(erp_.Query(SupplierOrders("A1")), (Rows{{"1023"}}));
  EXPECT_TRUE(erp_.Query(SupplierOrders("A2")).empty());
}

TEST_F(ErpQueriesTest, PriceQueryReadsTheArticlesOwnSupplier) {
  erp_.AddPrice("O'BRIEN", "F001", 12.5, 5);
  erp_.AddPrice("O'BRIEN", "F002", 99, 0);
  erp_.AddPrice("A2", "F001", std::nullopt, std::nullopt);
  const std::string head =
      " SELECT        ARTIGO, PRPROX, DESCPROX From AJUDACMP WHERE        "
      "(ARTIGO = '";
  EXPECT_EQ(erp_.Query(head + "O''BRIEN') AND (FORNECED = 'f001')"),
            (Rows{{"O'BRIEN", "12.5", "5"}}));
  EXPECT_EQ(erp_.Query(head + "A2') AND (FORNECED = 'F001')"),
            (Rows{{"A2", kNull, kNull}}));
}

TEST_F(ErpQueriesTest, ProductListAndProductionOrders) {
  erp_.AddArticle({.codigo = "P1", .stdisp = 7, .tipo_artigo = 0});
  erp_.AddArticle(
      {.codigo = "P2", .stdisp = 5, .inactivo = -1, .tipo_artigo = 2});
  erp_.AddArticleType("SA1", 2, "V01");  // no ARTIGOS row
  erp_.AddStructureLine("P1", "V02", "A1", 3);
  erp_.AddStructureLine("P1", "V01", "A1", 2);
  erp_.AddStructureLine("P1", "V01", "SA1", 1, "CJ");
  erp_.AddStructureLine("P2", "V03", "A2", 1);
  erp_.AddStructureLine("P2", "V02", "A1", 0.25);
  erp_.AddStructureLine("SA1", "V01", "A1", 1.5);

  EXPECT_EQ(
      erp_.Query(ProductList("a1")),
      (Rows{{"P1", "7", "V01"}, {"P2", "0", "V02"}, {"SA1", "0", "V01"}}));
  EXPECT_EQ(erp_.Query(ProductList("A2")), (Rows{{"P2", "0", "V02"}}));
  EXPECT_TRUE(erp_.Query(ProductList("A3")).empty());
  // Structure lines come back in stored order.
  EXPECT_EQ(
      erp_.Query("select CODIGO, Tipo, Quantidade from zlx_FichaEstrutura "
                 "where PRODUTO='P1' and FichaEstrutura='V01'"),
      (Rows{{"A1", "AT", "2"}, {"SA1", "CJ", "1"}}));

  const long long first = erp_.AddProductionOrder("P1", "V01", 10, 4, 0);
  EXPECT_EQ(erp_.AddProductionOrder("P1", "V01", 5, 5, 2), first + 1);
  erp_.AddProductionOrder("P1", "V01", 8, 0, 3);
  erp_.AddProductionOrder("P1", "V01", 9, 0, 4);
  erp_.AddProductionOrder("P1", "V02", 3, 5, 1);
  erp_.AddProductionOrder("P2", "V02", 2, 0, 2);
  erp_.AddProductionOrder("SA1", "V01", 4, std::nullopt, 1);
  EXPECT_EQ(Sorted(erp_.Query(
                " Select "
                "o.Artigo,o.FichaEstrutura,coalesce(sum(o.Qtd-o.QtdEntregue),0)"
                " as Quant from zlx_VOR_OrdensFabrico as o "
                " where o.estado<3 Group by o.Artigo,o.FichaEstrutura order by "
                "o.Artigo")),
            (Rows{{"P1", "V01", "6"},
                  {"P1", "V02", "-2"},
                  {"P2", "V02", "2"},
                  {"SA1", "V01", "0"}}));
}

TEST_F(ErpQueriesTest, ResultTableTakesAFullRowAndIsEmptiedByTheDelete) {
  erp_.Exec(
      "insert into zlx_VOR_Encomendas values ('h$hg?', 'Nome', 1, 2, 3, 4, "
      "5, 6, 7, 8, 9, 10, 11, 'F001', '', 0, 'G01', 'FA01', 'SF01', 15, 'UN', "
      "'CX', 12, 8, 0.6667, 1.5, 0, '', NULL, 0, 1, 'C');"
      "insert into zlx_VOR_Encomendas (Artigo) values ('A1')");
  EXPECT_EQ(
      erp_.Query("Select * from zlx_VOR_Encomendas where Artigo='h$hg?'")[0]
          .size(),
      32u);
  EXPECT_EQ(
      erp_.Scalar(
          "select OriginalUC from zlx_VOR_Encomendas where Artigo='h$hg?'"),
      "0.6667");
  erp_.Exec("delete from zlx_VOR_Encomendas ");
  EXPECT_EQ(erp_.Count("zlx_VOR_Encomendas"), 0);
}

TEST_F(ErpQueriesTest, DocumentsAreNumberedPerTypeSeriesAndYear) {
  EXPECT_EQ(erp_.AddDocument({.data = "2025-03-01"}).nnumdoc, 1);
  EXPECT_EQ(erp_.AddDocument({.data = "2025-03-02"}).nnumdoc, 2);
  const ErpDocKey other_series =
      erp_.AddDocument({.serie = 2, .data = "2025-03-02"});
  EXPECT_EQ(other_series.nnumdoc, 1);
  EXPECT_EQ(other_series.ano, 2025);
  EXPECT_EQ(erp_.AddDocument({.data = "2026-01-02"}).nnumdoc, 1);
  erp_.AddDocLine(other_series, "A1", 1);
  erp_.AddDocLine(other_series, "A2", 2);
  EXPECT_EQ(erp_.Query("select NLINHA, ARTIGO from DOCGCLIN where SERIE=2"),
            (Rows{{"1", "A1"}, {"2", "A2"}}));
  EXPECT_THROW(erp_.AddDocument({.data = "01-03-2025"}), std::runtime_error);
}

TEST(ErpFixtureTest, ErrorsNameTheFileAndCarryTheDriverText) {
  TempFolder dir;
  const std::string path = dir.File("erp.sqlite");
  try {
    ErpFixture missing(path);
    FAIL() << "opened a missing file";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
  std::ofstream(dir.File("text.sqlite")) << "not a database, just some text\n";
  EXPECT_THROW(ErpFixture bad(dir.File("text.sqlite")), std::runtime_error);

  ErpFixture erp = ErpFixture::CreateNew(path);
  try {
    erp.Exec("select 1; select * from NOPE");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("no such table: NOPE"), std::string::npos) << what;
    EXPECT_NE(what.find(path), std::string::npos) << what;
  }
  EXPECT_THROW(erp.Scalar("select 1 where 0"), std::runtime_error);
  EXPECT_EQ(erp.Query("select NULL, 0.25, 7, 'x'"),
            (Rows{{kNull, "0.25", "7", "x"}}));
}

}  // namespace
}  // namespace vor
