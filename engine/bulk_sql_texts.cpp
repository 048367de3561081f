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
  // The supplier-order sums of every article at once: the lines are grouped
  // by their own code, as the single-article query groups them, and each
  // article row meets its group through the same comparison that query
  // makes (l.Artigo=code, the line's code on the left). No group gives null.
  std::string s = "SELECT ARTIGOS.CODIGO AS Chave, g.Qtd";
  s += " FROM  ARTIGOS Inner join zlx_VOR_Artigos as a ON "
       "a.Artigo=artigos.Codigo";
  s += " left outer Join Fornec as f ON f.Codigo=Artigos.Fornec";
  s += " Left outer Join CLART as cl ON cl.Codigo=Artigos.Codigo ";
  s += " left outer join (SELECT l.Artigo AS LinArtigo,"
       " coalesce(sum(l.QUANT),0) AS Qtd";
  s += " FROM         DOCGCCAB as c INNER JOIN";
  s += " DOCGCLIN as l  ON c.NNUMDOC = l.NNUMDOC AND c.TPDOC = l.TPDOCUM AND "
       "c.SERIE = l.SERIE AND";
  s += " c.Ano = l.Ano";
  s += " Where (c.AREAG = 2) And (c.TPTERC = 1)";
  s +=
      "  and c.nvias<>-1 group by l.Artigo) AS g ON g.LinArtigo=ARTIGOS.CODIGO";
  s += " WHERE     (ARTIGOS.CODIGO > '') and ArtouDes=0 and a.TipoArtigo=1 "
       "and artigos.Inactivo=0 ";
  s += " and stMin>0 ";
  s += " and Fornec>'' ";
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
