#include "engine/sql_texts.h"

#include "core/quote.h"

namespace vor::sql {

std::string ArticleQuery() {
  std::string s;
  s += " SELECT     ARTIGOS.CODIGO as 'Artigo', ARTIGOS.NOME, "
       "artigos.stdisp,StMin,";
  s += " Grupo, Familia, "
       "SubFamil,QtMinCom,DiasSkRs,PrzEntVn,Fornec,UnBase,UnCmp,FactEmb,"
       "UltPrCom,f.Nome as NomeFornec,coalesce(Cl.CL10,'') as Livre";
  s += ArticleSource();
  return s;
}

std::string SingleArticleQuery(const std::string& article) {
  return ArticleQuery() + " and ARTIGOS.CODIGO='" + QuoteCode(article) + "' ";
}

std::string ArticleSource() { return ArticleJoins() + ArticleConditions(); }

std::string ArticleJoins() {
  std::string s;
  s += " FROM  ARTIGOS Inner join zlx_VOR_Artigos as a ON "
       "a.Artigo=artigos.Codigo";
  s += " left outer Join Fornec as f ON f.Codigo=Artigos.Fornec";
  s += " Left outer Join CLART as cl ON cl.Codigo=Artigos.Codigo ";
  return s;
}

std::string ArticleConditions() {
  std::string s;
  s += " WHERE     (ARTIGOS.CODIGO > '') and ArtouDes=0 and a.TipoArtigo=1 "
       "and artigos.Inactivo=0 ";
  s += " and stMin>0 ";
  s += " and Fornec>'' ";
  return s;
}

namespace {

// The pieces shared by both customer-order statements, from the FROM clause
// to the customer-order conditions that precede the article-type test.
void AppendCustomerOrderJoin(std::string& s) {
  s += " FROM           DOCGCCAB as c INNER JOIN";
  s += " DOCGCLIN as l ON c.TPDOC = l.TPDOCUM AND c.NNUMDOC = l.NNUMDOC";
  s += " AND c.SERIE = l.SERIE AND c.ANO = l.ANO";
  s += " inner join zlx_VOR_Artigos as ia ON ia.Artigo=l.ARTIGO";
  s += " Where nvias <> -1 And (c.AREAG = 2) And (c.TPTERC = 2) and "
       "c.Serie<>0 ";
}

void AppendDateBound(std::string& s, const std::string& sData) {
  s += " and  (c.DATA >= CONVERT(DATETIME, '";
  s += sData;
  s += " ', 102))";
}

}  // namespace

std::string CustomerOrderPreloadQuery(const std::string& sData) {
  std::string s;
  s += " SELECT  l.Artigo, coalesce(sum(l.Quant),0) as QtdEnc ";
  AppendCustomerOrderJoin(s);
  s += " and [convert]<>-1 and l.quant>0 and l.artigo>''  and "
       "(ia.TipoArtigo=1 )";
  AppendDateBound(s, sData);
  s += " group by l.artigo";
  return s;
}

std::string SupplierOrderQuery(const std::string& article) {
  std::string s;
  s += " SELECT      coalesce(sum(l.QUANT),0) AS Qtd";
  s += SupplierOrderLines();
  s += " and l.Artigo='";
  s += QuoteCode(article);
  s += "'";
  s += SupplierOrderGrouping();
  return s;
}

std::string SupplierOrderLines() {
  return SupplierOrderJoin() + SupplierOrderWhere();
}

std::string SupplierOrderJoin() {
  std::string s;
  s += " FROM         DOCGCCAB as c INNER JOIN";
  s += " DOCGCLIN as l  ON c.NNUMDOC = l.NNUMDOC AND c.TPDOC = l.TPDOCUM AND "
       "c.SERIE = l.SERIE AND";
  s += " c.Ano = l.Ano";
  return s;
}

std::string SupplierOrderWhere() {
  return " Where (c.AREAG = 2) And (c.TPTERC = 1)";
}

std::string SupplierOrderGrouping() {
  return "  and c.nvias<>-1 group by l.Artigo";
}

std::string SupplierPriceQuery(const std::string& article,
                               const std::string& supplier) {
  std::string s;
  s += " SELECT        ARTIGO, PRPROX, DESCPROX";
  s += " From AJUDACMP";
  s += " WHERE        (ARTIGO = '";
  s += QuoteCode(article);
  s += "') AND (FORNECED = '";
  s += QuoteCode(supplier);
  s += "')";
  return s;
}

std::string AggregatedStockQuery(const std::string& article) {
  return "Select stdisp from Artigos where Codigo='" + QuoteCode(article) +
         "' ";
}

std::string CustomerOrderQuery(const std::string& sData) {
  std::string s;
  s += " SELECT  l.Artigo, sum(l.Quant) as QtdEnc,ia.EstruturaBase";
  AppendCustomerOrderJoin(s);
  s += " and [convert]<>-1 and l.quant>0 and l.artigo>''  and "
       "(ia.TipoArtigo=0 or ia.tipoArtigo=2)";
  AppendDateBound(s, sData);
  s += " group by l.artigo,ia.EstruturaBase";
  return s;
}

std::string CustomerProductListQuery(const std::string& article) {
  std::string s;
  s += " SELECT  f.PRODUTO as Artigo,";
  s += " coalesce((select a.stdisp from Artigos as a where "
       "a.Codigo=f.Produto and a.Inactivo<>-1 ),0) as stdisp";
  s += " ,coalesce((select top 1 fe.FichaEstrutura from zlx_FichaEstrutura "
       "as fe where Fe.Produto=f.Produto group by fe.FichaEstrutura ),'') as "
       "Versao ";
  s += " From zlx_FichaEstrutura as f ";
  s += " WHERE f.CODIGO ='";
  s += QuoteCode(article);
  s += "' ";
  s += " GROUP BY f.PRODUTO";
  s += " ORDER BY f.PRODUTO ";
  return s;
}

std::string ProductionOrderQuery() {
  std::string s;
  s += " Select "
       "o.Artigo,o.FichaEstrutura,coalesce(sum(o.Qtd-o.QtdEntregue),0) as "
       "Quant from zlx_VOR_OrdensFabrico as o ";
  s += " where o.estado<3 Group by o.Artigo,o.FichaEstrutura order by "
       "o.Artigo";
  return s;
}

std::string ProductionProductListQuery(const std::string& article) {
  std::string s;
  s += " SELECT  f.PRODUTO as Artigo";
  s += " ,coalesce((select top 1 fe.FichaEstrutura from zlx_FichaEstrutura "
       "as fe where Fe.Produto=f.Produto group by fe.FichaEstrutura ),'') as "
       "Versao";
  s += " From zlx_FichaEstrutura as f ";
  s += " WHERE f.CODIGO ='";
  s += QuoteCode(article);
  s += "' ";
  s += " GROUP BY f.PRODUTO";
  s += " ORDER BY f.PRODUTO ";
  return s;
}

std::string ArticleFilter(const std::string& article) {
  return "Artigo='" + QuoteCode(article) + "' ";
}

std::string CustomerOrderFilter(const std::string& product,
                                const std::string& structure) {
  return "Artigo='" + QuoteCode(product) + "' " + " and EstruturaBase='" +
         QuoteCode(structure) + "' ";
}

std::string ProductionOrderFilter(const std::string& product,
                                  const std::string& structure) {
  return "Artigo='" + QuoteCode(product) + "' " + " and FichaEstrutura='" +
         QuoteCode(structure) + "' ";
}

std::string StructureLinesQuery(const std::string& product,
                                const std::string& structure) {
  return "SELECT CODIGO, Tipo, Quantidade FROM zlx_FichaEstrutura WHERE "
         "PRODUTO='" +
         QuoteCode(product) + "' AND FichaEstrutura='" + QuoteCode(structure) +
         "'";
}

std::string BaseStructureQuery(const std::string& article) {
  return "SELECT EstruturaBase FROM zlx_VOR_Artigos WHERE Artigo='" +
         QuoteCode(article) + "'";
}

std::string SmallestStructureQuery(const std::string& product) {
  return "SELECT min(FichaEstrutura) AS Versao FROM zlx_FichaEstrutura "
         "WHERE PRODUTO='" +
         QuoteCode(product) + "'";
}

}  // namespace vor::sql
