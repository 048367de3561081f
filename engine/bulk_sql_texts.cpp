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

}  // namespace

std::string BulkSupplierOrderQuery() {
  // The supplier-order query itself, correlated with each article row; its
  // GROUP BY yields at most one row, and no row gives null.
  std::string s = "SELECT ARTIGOS.CODIGO AS Chave, (";
  s += SupplierOrderQueryFor("ARTIGOS.CODIGO");
  s += ") AS Qtd";
  s += ArticleSource();
  return s;
}

std::string BulkSupplierPriceQuery() {
  std::string s = "SELECT k.Chave, k.ChaveFornec, p.PRPROX, p.DESCPROX FROM";
  s += ArticleKeys(true);
  s += " INNER JOIN AJUDACMP AS p ON (p.ARTIGO = k.Chave) AND "
       "(p.FORNECED = k.ChaveFornec)";
  return s;
}

std::string BulkStockQuery() {
  return "SELECT Codigo AS Chave, stdisp FROM Artigos";
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
  std::string s = "SELECT k.Chave, f.PRODUTO as Artigo,";
  s += " coalesce((select a.stdisp from Artigos as a where "
       "a.Codigo=f.Produto and a.Inactivo<>-1 ),0) as stdisp";
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
  return "SELECT PRODUTO, FichaEstrutura, CODIGO, Tipo, Quantidade FROM "
         "zlx_FichaEstrutura";
}

std::string BulkSubAssemblyQuery() {
  return "SELECT f.CODIGO AS Chave, (SELECT top 1 ia.EstruturaBase FROM "
         "zlx_VOR_Artigos as ia WHERE ia.Artigo=f.CODIGO) AS EstruturaBase, "
         "(SELECT min(fe.FichaEstrutura) FROM zlx_FichaEstrutura as fe WHERE "
         "fe.PRODUTO=f.CODIGO) AS Versao FROM zlx_FichaEstrutura as f WHERE "
         "f.Tipo='CJ'";
}

}  // namespace vor::sql
