#include "db/sql_dialect.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace vor {
namespace {

// The program's SQL texts, joined from their pieces as the engine sends them.
std::string ArticleQuery() {
  return std::string(
             " SELECT     ARTIGOS.CODIGO as 'Artigo', ARTIGOS.NOME, "
             "artigos.stdisp,StMin,") +
         " Grupo, Familia, SubFamil,QtMinCom,DiasSkRs,PrzEntVn,Fornec,UnBase,"
         "UnCmp,FactEmb,UltPrCom,f.Nome as NomeFornec,coalesce(Cl.CL10,'') as "
         "Livre" +
         " FROM  ARTIGOS Inner join zlx_VOR_Artigos as a ON "
         "a.Artigo=artigos.Codigo" +
         " left outer Join Fornec as f ON f.Codigo=Artigos.Fornec" +
         " Left outer Join CLART as cl ON cl.Codigo=Artigos.Codigo " +
         " WHERE     (ARTIGOS.CODIGO > '') and ArtouDes=0 and "
         "a.TipoArtigo=1 and artigos.Inactivo=0 " +
         " and stMin>0 " + " and Fornec>'' ";
}

std::string OrderLines(const std::string& select, const std::string& types,
                       const std::string& date, const std::string& group) {
  return select + " FROM           DOCGCCAB as c INNER JOIN" +
         " DOCGCLIN as l ON c.TPDOC = l.TPDOCUM AND c.NNUMDOC = l.NNUMDOC" +
         " AND c.SERIE = l.SERIE AND c.ANO = l.ANO" +
         " inner join zlx_VOR_Artigos as ia ON ia.Artigo=l.ARTIGO" +
         " Where nvias <> -1 And (c.AREAG = 2) And (c.TPTERC = 2) and "
         "c.Serie<>0 " +
         " and [convert]<>-1 and l.quant>0 and l.artigo>''  and " + types +
         " and  (c.DATA >= CONVERT(DATETIME, '" + date + " ', 102))" + group;
}

std::string Preload(const std::string& date) {
  return OrderLines(" SELECT  l.Artigo, coalesce(sum(l.Quant),0) as QtdEnc ",
                    "(ia.TipoArtigo=1 )", date, " group by l.artigo");
}

std::string CustomerOrders(const std::string& date) {
  return OrderLines(
      " SELECT  l.Artigo, sum(l.Quant) as QtdEnc,ia.EstruturaBase",
      "(ia.TipoArtigo=0 or ia.tipoArtigo=2)", date,
      " group by l.artigo,ia.EstruturaBase");
}

std::string SupplierOrders(const std::string& article) {
  return std::string(" SELECT      coalesce(sum(l.QUANT),0) AS Qtd") +
         " FROM         DOCGCCAB as c INNER JOIN" +
         " DOCGCLIN as l  ON c.NNUMDOC = l.NNUMDOC AND c.TPDOC = l.TPDOCUM "
         "AND c.SERIE = l.SERIE AND" +
         " c.Ano = l.Ano" +
         " Where (c.AREAG = 2) And (c.TPTERC = 1) and l.Artigo='" + article +
         "'  and c.nvias<>-1 group by l.Artigo";
}

std::string SupplierPrice(const std::string& article,
                          const std::string& supplier) {
  return std::string(" SELECT        ARTIGO, PRPROX, DESCPROX") +
         " From AJUDACMP" + " WHERE        (ARTIGO = '" + article +
         "') AND (FORNECED = '" + supplier + "')";
}

std::string Aggregated(const std::string& code) {
  return "Select stdisp from Artigos where Codigo='" + code + "' ";
}

const char kVersaoTop[] =
    ",coalesce((select top 1 fe.FichaEstrutura from zlx_FichaEstrutura as fe "
    "where Fe.Produto=f.Produto group by fe.FichaEstrutura ),'') as Versao";
const char kVersaoLimit[] =
    ",coalesce((select fe.FichaEstrutura from zlx_FichaEstrutura as fe "
    "where Fe.Produto=f.Produto group by fe.FichaEstrutura LIMIT 1 ),'') as "
    "Versao";

std::string ProductList(const std::string& article, const std::string& versao) {
  return std::string(" SELECT  f.PRODUTO as Artigo,") +
         " coalesce((select a.stdisp from Artigos as a where "
         "a.Codigo=f.Produto and a.Inactivo<>-1 ),0) as stdisp" +
         " " + versao + " " + " From zlx_FichaEstrutura as f " +
         " WHERE f.CODIGO ='" + article + "' " + " GROUP BY f.PRODUTO" +
         " ORDER BY f.PRODUTO ";
}

std::string ProductListOp(const std::string& article,
                          const std::string& versao) {
  return std::string(" SELECT  f.PRODUTO as Artigo") + " " + versao +
         " From zlx_FichaEstrutura as f " + " WHERE f.CODIGO ='" + article +
         "' " + " GROUP BY f.PRODUTO" + " ORDER BY f.PRODUTO ";
}

std::string ProductionOrders() {
  return std::string(
             " Select o.Artigo,o.FichaEstrutura,coalesce(sum(o.Qtd-o."
             "QtdEntregue),0) as Quant from zlx_VOR_OrdensFabrico as o ") +
         " where o.estado<3 Group by o.Artigo,o.FichaEstrutura order by "
         "o.Artigo";
}

TEST(RewriteForSqliteTest, ProgramTextsWithoutTopOrConvertStayAsBuilt) {
  for (const std::string& sql :
       {ArticleQuery(), SupplierOrders("A1"), SupplierOrders("O''BRIEN"),
        SupplierPrice("A1", "F1"), Aggregated("A1"), Aggregated(" A1"),
        ProductionOrders(), std::string("delete from zlx_VOR_Encomendas "),
        std::string("Select * from zlx_VOR_Encomendas where Artigo='h$hg?'")}) {
    EXPECT_EQ(RewriteForSqlite(sql), sql);
  }
}

TEST(RewriteForSqliteTest, DateConversionBecomesTrimmedLiteral) {
  const std::string tail = " and  (c.DATA >= '2024-01-15') group by l.artigo";
  const std::string preload = Preload("2024-01-15");
  const std::string expected =
      preload.substr(0, preload.find(" and  (c.DATA")) + tail;
  EXPECT_EQ(RewriteForSqlite(preload), expected);

  const std::string orders = CustomerOrders("2023-04-30");
  EXPECT_EQ(RewriteForSqlite(orders),
            orders.substr(0, orders.find(" and  (c.DATA")) +
                " and  (c.DATA >= '2023-04-30') group by "
                "l.artigo,ia.EstruturaBase");
  // The bracketed column of the same name is a name, never a function.
  EXPECT_NE(RewriteForSqlite(orders).find("[convert]<>-1"), std::string::npos);
}

TEST(RewriteForSqliteTest, TopInSubqueryMovesBeforeItsClosingParenthesis) {
  EXPECT_EQ(RewriteForSqlite(ProductList("A1", kVersaoTop)),
            ProductList("A1", kVersaoLimit));
  EXPECT_EQ(RewriteForSqlite(ProductListOp("B'2", kVersaoTop)),
            ProductListOp("B'2", kVersaoLimit));
}

TEST(RewriteForSqliteTest, TopPlacement) {
  EXPECT_EQ(RewriteForSqlite("select top 5 a from t order by a"),
            "select a from t order by a LIMIT 5");
  EXPECT_EQ(RewriteForSqlite("SELECT TOP 3 a FROM t   "),
            "SELECT a FROM t LIMIT 3   ");
  EXPECT_EQ(RewriteForSqlite("select top (2) a from t"),
            "select a from t LIMIT 2");
  EXPECT_EQ(RewriteForSqlite("select distinct top 2 a from t"),
            "select distinct a from t LIMIT 2");
  EXPECT_EQ(RewriteForSqlite("select top 1 a from t; select top 2 b from u"),
            "select a from t LIMIT 1; select b from u LIMIT 2");
  // A parenthesis inside the SELECT's own level is not its end.
  EXPECT_EQ(RewriteForSqlite("select top 1 a from t where b in (1,2) and c=1"),
            "select a from t where b in (1,2) and c=1 LIMIT 1");
  // Two levels, each with its own TOP.
  EXPECT_EQ(RewriteForSqlite(
                "select top 1 x, (select top 2 y from u) from t group by x"),
            "select x, (select y from u LIMIT 2) from t group by x LIMIT 1");
  // An unclosed level ends with the text.
  EXPECT_EQ(RewriteForSqlite("select (select top 4 y from u"),
            "select (select y from u LIMIT 4");
}

TEST(RewriteForSqliteTest, OtherFormsAreLeftAlone) {
  for (const char* sql : {
           "select top 10 percent a from t",
           "select top 3 with ties a from t order by a",
           "select top x a from t",
           "select a as top from t",
           "select top.a from top",
           "select CONVERT(DATETIME, '2020-01-01', 120) from t",
           "select CONVERT(VARCHAR, '2020-01-01', 102) from t",
           "select x.CONVERT(DATETIME, '2020-01-01', 102) from t",
           "select CONVERT(DATETIME, c.DATA, 102) from t",
           "select [convert] from t where [top]=1",
           "select 1 -- select top 1 CONVERT(DATETIME, '2020-01-01 ', 102)\n",
           "select /* top 1 */ a from t",
       }) {
    EXPECT_EQ(RewriteForSqlite(sql), sql);
  }
}

TEST(RewriteForSqliteTest, LiteralsAreNeverRewritten) {
  EXPECT_EQ(RewriteForSqlite("select 'select top 1 a' from t"),
            "select 'select top 1 a' from t");
  EXPECT_EQ(RewriteForSqlite(
                "select 'CONVERT(DATETIME, ''2020-01-01 '', 102)' as x from t"),
            "select 'CONVERT(DATETIME, ''2020-01-01 '', 102)' as x from t");
  // A literal holding ')' does not end the SELECT early.
  EXPECT_EQ(RewriteForSqlite("select top 2 a from t where b='x)' and c=')('"),
            "select a from t where b='x)' and c=')(' LIMIT 2");
  // The converted literal keeps a doubled quote inside it.
  EXPECT_EQ(RewriteForSqlite("select CONVERT(DATETIME, ' it''s ', 102)"),
            "select 'it''s'");
  // An unterminated literal swallows the rest, which is then left alone.
  EXPECT_EQ(RewriteForSqlite("select 'top 1 ) from t"),
            "select 'top 1 ) from t");
}

// The literals of a text, in order, read by a scanner of this test.
std::vector<std::string> Literals(const std::string& s) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] != '\'') {
      ++i;
      continue;
    }
    std::string lit;
    ++i;
    while (i < s.size()) {
      if (s[i] == '\'' && i + 1 < s.size() && s[i + 1] == '\'') {
        lit += "''";
        i += 2;
      } else if (s[i] == '\'') {
        ++i;
        break;
      } else {
        lit += s[i++];
      }
    }
    out.push_back(lit);
  }
  return out;
}

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

TEST(RewriteForSqliteTest, RandomTextsKeepEveryLiteral) {
  // Words and literals that tempt the rewrite, joined at random.
  const std::vector<std::string> pieces = {
      "select",
      "SELECT",
      "top",
      "TOP",
      "1",
      "12",
      "(",
      ")",
      ",",
      " ",
      "  ",
      "from",
      "t",
      "a.b",
      "group by",
      "convert",
      "CONVERT",
      "DATETIME",
      "102",
      "[convert]",
      "[top]",
      "'top 1'",
      "' 2020-01-01 '",
      "'it''s'",
      "''",
      "'select top 3 x from y'",
      "'CONVERT(DATETIME, ''2020-01-01 '', 102)'",
      "')'",
      "'('",
      "union",
      ";",
      "distinct",
      "\n",
      "=",
      "'top (2)'"};
  std::mt19937 rng(20240115);
  std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> length(1, 40);
  for (int round = 0; round < 5000; ++round) {
    std::string sql;
    const int n = length(rng);
    for (int k = 0; k < n; ++k) {
      // The usual shapes, so the rewrite fires often.
      switch (rng() % 6) {
        case 0:
          sql += " select top 3 ";
          break;
        case 1:
          sql += " CONVERT(DATETIME, ' 2021-02-03 ', 102) ";
          break;
        default:
          sql += pieces[pick(rng)];
          sql += ' ';
      }
    }
    const std::string out = RewriteForSqlite(sql);
    const std::vector<std::string> before = Literals(sql);
    const std::vector<std::string> after = Literals(out);
    ASSERT_EQ(before.size(), after.size()) << sql << "\n=> " << out;
    for (size_t i = 0; i < before.size(); ++i) {
      // A literal is unchanged, or trimmed when it was a converted date.
      const bool same = before[i] == after[i];
      const bool trimmed_date =
          after[i] == Trim(before[i]) && before[i] != after[i];
      ASSERT_TRUE(same || trimmed_date)
          << sql << "\n=> " << out << "\nliteral " << i;
    }
  }
}

TEST(SelectTableNameTest, NameAfterTheOuterFrom) {
  EXPECT_EQ(
      SelectTableName("Select * from zlx_VOR_Encomendas where Artigo='h$hg?'"),
      "zlx_VOR_Encomendas");
  EXPECT_EQ(SelectTableName("select * FROM [dbo].[Minha Tabela] where 1=0"),
            "dbo.Minha Tabela");
  EXPECT_EQ(SelectTableName("select * from \"a\"\"b\""), "a\"b");
  EXPECT_EQ(SelectTableName("select (select max(x) from u) from t"), "t");
  EXPECT_EQ(SelectTableName("select 'from x' from  tab"), "tab");
  EXPECT_EQ(SelectTableName("select 1"), "");
  EXPECT_EQ(SelectTableName("select * from (select 1)"), "");
}

}  // namespace
}  // namespace vor
