// The SQL texts and table filters of the engine, one function per text.
// Each text is joined from fixed pieces exactly as the ERP contract needs
// them (blanks included); every code placed between single quotes goes
// through QuoteCode, so a code holding a quote is read as itself.
#ifndef VOR_ENGINE_SQL_TEXTS_H_
#define VOR_ENGINE_SQL_TEXTS_H_

#include <string>

namespace vor::sql {

// Articles of the proposal (extension type 1, active, minimum stock above 0,
// with a supplier), with their master data, supplier name and the
// aggregated-article list (column Livre).
std::string ArticleQuery();
// The article query restricted to the article `article`.
std::string SingleArticleQuery(const std::string& article);
// The FROM and WHERE pieces of the article query: the rows of the articles
// of the proposal (ARTIGOS, with zlx_VOR_Artigos as a, Fornec as f and
// CLART as cl). ArticleSource() is ArticleJoins() + ArticleConditions(), so
// a statement may join more tables between the two.
std::string ArticleSource();
std::string ArticleJoins();
std::string ArticleConditions();

// Open customer-order quantity (QtdEnc) per bought article, for order lines
// dated on or after `sData` ("yyyy-mm-dd").
std::string CustomerOrderPreloadQuery(const std::string& sData);

// Open supplier-order quantity (Qtd) of one article: SELECT ... +
// SupplierOrderLines() + the article condition + SupplierOrderGrouping().
std::string SupplierOrderQuery(const std::string& article);
// The FROM and WHERE pieces of the supplier-order query before its article
// condition: the lines (l) of open supplier orders (c).
std::string SupplierOrderLines();
// SupplierOrderLines() is SupplierOrderJoin() + SupplierOrderWhere(): the
// join of the lines to their documents, and the start of the WHERE clause.
std::string SupplierOrderJoin();
std::string SupplierOrderWhere();
// The rest of its WHERE and its grouping by the line's article code.
std::string SupplierOrderGrouping();

// Next price and discount (PrProx, DescProx) of one article at one supplier.
std::string SupplierPriceQuery(const std::string& article,
                               const std::string& supplier);

// Available stock (StDisp) of one aggregated article.
std::string AggregatedStockQuery(const std::string& article);

// Open customer-order quantity per product of extension type 0 or 2 and its
// base structure (Artigo, QtdEnc, EstruturaBase), dated on or after `sData`.
std::string CustomerOrderQuery(const std::string& sData);

// Products whose structure lists `article` (Artigo, stdisp, Versao), for the
// customer-order explosion.
std::string CustomerProductListQuery(const std::string& article);

// Open production orders per product and structure (Artigo, FichaEstrutura,
// Quant).
std::string ProductionOrderQuery();

// Products whose structure lists `article` (Artigo, Versao), for the
// production-order explosion.
std::string ProductionProductListQuery(const std::string& article);

// Filters.
// "Artigo='<article>' ": the lookup of one article in rsProd and the preload.
std::string ArticleFilter(const std::string& article);
// The open customer orders of one product for one base structure.
std::string CustomerOrderFilter(const std::string& product,
                                const std::string& structure);
// The open production orders of one product for one structure.
std::string ProductionOrderFilter(const std::string& product,
                                  const std::string& structure);

// Queries of the bill-of-materials exploder. Plain SQL for SQL Server and
// SQLite; the lines come in stored order.
// Lines (CODIGO, Tipo, Quantidade) of one structure of one product.
std::string StructureLinesQuery(const std::string& product,
                                const std::string& structure);
// The base structure (EstruturaBase) of one article.
std::string BaseStructureQuery(const std::string& article);
// The smallest structure code (Versao) of one product; null when none.
std::string SmallestStructureQuery(const std::string& product);

}  // namespace vor::sql

#endif  // VOR_ENGINE_SQL_TEXTS_H_
