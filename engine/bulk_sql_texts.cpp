#include "engine/bulk_sql_texts.h"

#include "core/quote.h"
#include "engine/sql_texts.h"

namespace vor::sql {

namespace {

// The articles of the proposal as a derived table k(Chave[, ChaveFornec]).
std::string ArticleKeys(bool with_supplier) {
  std::string s = " (SELECT ARTIGOS.CODIGO AS Chave";
  if (with_supplier) s += ", Fornec AS ChaveFornec";
  s += ArticleSource();
  s += ") AS k";
  return s;
}

// 1 when `column` holds a text that the database compares as the same text
// written as a literal, 0 otherwise (null, or a value of another kind, such
// as SQLite's BLOB, which never equals a text).
std::string IsText(const std::string& column, const std::string& name) {
  return " CASE WHEN CAST(" + column + " AS VARCHAR(8000)) = " + column +
         " THEN 1 ELSE 0 END AS " + name;
}

}  // namespace

std::string BulkArticleKeyQuery() {
  // The supplier-order sums of every article at once: the lines are grouped
  // by their own code, as the single-article query groups them, and each
  // article row meets its group through the same comparison that query
  // makes (l.Artigo=code, the line's code on the left). No group gives null.
  std::string s = "SELECT ARTIGOS.CODIGO AS Chave, Fornec AS ChaveFornec,";
  s += IsText("ARTIGOS.CODIGO", "ChaveTexto") + ",";
  s += IsText("Fornec", "FornecTexto") + ", g.Qtd";
  s += ArticleJoins();
  s += " left outer join (SELECT l.Artigo AS LinArtigo,"
       " coalesce(sum(l.QUANT),0) AS Qtd";
  s += SupplierOrderLines();
  s += SupplierOrderGrouping();
  s += ") AS g ON g.LinArtigo=ARTIGOS.CODIGO";
  s += ArticleConditions();
  return s;
}

std::string BulkCustomerOrderQuery(const std::string& sData) {
  // The joins, conditions and grouping of the two statements
  // (sql::CustomerOrderPreloadQuery, sql::CustomerOrderQuery) without the
  // article join, which follows the grouping. The sum of a group adds the
  // same lines in the same order as theirs: a line's article row decides
  // for the whole group, and the join of header and lines is the same.
  std::string s =
      "SELECT g.Artigo, g.QtdEnc, ia.EstruturaBase, CASE WHEN "
      "ia.TipoArtigo=1 THEN 1 ELSE 0 END AS Preload FROM (SELECT l.Artigo,"
      " sum(l.Quant) AS QtdEnc";
  s += " FROM DOCGCCAB as c INNER JOIN DOCGCLIN as l ON c.TPDOC = l.TPDOCUM"
       " AND c.NNUMDOC = l.NNUMDOC AND c.SERIE = l.SERIE AND c.ANO = l.ANO";
  s += " Where nvias <> -1 And (c.AREAG = 2) And (c.TPTERC = 2) and "
       "c.Serie<>0 and [convert]<>-1 and l.quant>0 and l.artigo>''";
  s += " and (c.DATA >= CONVERT(DATETIME, '" + sData + " ', 102))";
  s += " group by l.artigo) AS g";
  s += " INNER JOIN zlx_VOR_Artigos as ia ON ia.Artigo=g.Artigo";
  s += " WHERE ia.TipoArtigo=1 or ia.TipoArtigo=0 or ia.tipoArtigo=2";
  return s;
}

std::string RepeatedArticleRowsQuery() {
  return "SELECT count(*) AS Repetidos FROM (SELECT Artigo FROM "
         "zlx_VOR_Artigos WHERE Artigo IS NOT NULL GROUP BY Artigo HAVING "
         "count(*) > 1) AS d";
}

std::string BulkSupplierPriceQuery() {
  std::string s = "SELECT k.Chave, k.ChaveFornec, p.PRPROX, p.DESCPROX FROM";
  s += ArticleKeys(true);
  s += " INNER JOIN AJUDACMP AS p ON (p.ARTIGO = k.Chave) AND "
       "(p.FORNECED = k.ChaveFornec)";
  return s;
}

std::string BulkStockQuery() {
  return "SELECT Codigo AS Chave," + IsText("Codigo", "ChaveTexto") +
         ", stdisp FROM Artigos";
}

std::string TaggedStockQuery(const std::vector<std::string>& codes) {
  std::string s;
  for (size_t i = 0; i < codes.size(); ++i) {
    if (i > 0) s += " UNION ALL ";
    s += "SELECT " + std::to_string(i) +
         " AS Chave, stdisp from Artigos where Codigo='" + QuoteCode(codes[i]) +
         "' ";
  }
  return s;
}

std::string BulkProductListQuery() {
  std::string s = "SELECT k.Chave, f.PRODUTO as Artigo";
  s += " ,coalesce((select top 1 fe.FichaEstrutura from zlx_FichaEstrutura "
       "as fe where Fe.Produto=f.Produto group by fe.FichaEstrutura ),'') as "
       "Versao";
  s += " FROM";
  s += ArticleKeys(false);
  s += " INNER JOIN zlx_FichaEstrutura as f ON f.CODIGO = k.Chave";
  s += " GROUP BY k.Chave, f.PRODUTO ORDER BY k.Chave, f.PRODUTO";
  return s;
}

std::string BulkStructureLinesQuery() {
  return "SELECT PRODUTO, FichaEstrutura, CODIGO, Tipo, Quantidade," +
         IsText("PRODUTO", "ProdutoTexto") + "," +
         IsText("FichaEstrutura", "FichaTexto") + " FROM zlx_FichaEstrutura";
}

std::string BulkSubAssemblyQuery() {
  return "SELECT f.CODIGO AS Chave," + IsText("f.CODIGO", "ChaveTexto") +
         ", (SELECT top 1 ia.EstruturaBase FROM "
         "zlx_VOR_Artigos as ia WHERE ia.Artigo=f.CODIGO) AS EstruturaBase, "
         "(SELECT min(fe.FichaEstrutura) FROM zlx_FichaEstrutura as fe WHERE "
         "fe.PRODUTO=f.CODIGO) AS Versao FROM zlx_FichaEstrutura as f WHERE "
         "f.Tipo='CJ'";
}

std::string LateOrderLinesQuery(bool with_supplier) {
  // The supplier-order query's join and conditions, for every article.
  std::string s =
      "SELECT l.Artigo AS LinArtigo, c.TPDOC, c.NNUMDOC, c.SERIE, c.ANO, "
      "c.DATA, l.QUANT";
  if (with_supplier) s += ", c.TERCEIRO";
  s += SupplierOrderJoin();
  s += SupplierOrderWhere();
  s += " and c.nvias<>-1 and l.QUANT > 0";
  return s;
}

std::string SupplierNamesQuery() { return "SELECT Codigo, Nome FROM Fornec"; }

}  // namespace vor::sql
