// The set-based statements of the bulk reading mode (BulkReader), one
// function per text. Each returns, for every key the engine will ask about,
// what the engine's per-article query returns for that key, computed by the
// database with the same expressions (so codes are matched by the
// database's own comparison). Plain SQL that SQL Server runs as built and
// SQLite after the dialect rewrite: no STRING_SPLIT, no recursive CTE.
#ifndef VOR_ENGINE_BULK_SQL_TEXTS_H_
#define VOR_ENGINE_BULK_SQL_TEXTS_H_

#include <string>
#include <vector>

namespace vor::sql {

// Both customer-order statements at once, for the cut-off date `sData`:
// the lines both sum, grouped by their code as both group them, and only
// then each group joined to its zlx_VOR_Artigos row (the row is the same
// for every line of a group), so the article rows are met once per code,
// in the order of the codes. Per group: Artigo and QtdEnc as the two
// statements return them, EstruturaBase, and Preload, 1 for a group of the
// preload (TipoArtigo 1), 0 for one of the customer orders (TipoArtigo 0
// or 2). The groups of each kind come in the order the statement of that
// kind returns them.
// Only exact when no line meets two article rows: see
// RepeatedArticleRowsQuery.
std::string BulkCustomerOrderQuery(const std::string& sData);
// Repetidos: how many codes more than one zlx_VOR_Artigos row carries, as
// the database compares codes (the customer-order statements count a line
// once per article row its code meets).
std::string RepeatedArticleRowsQuery();

// Per article row of the proposal (Chave and ChaveFornec, its code and
// supplier as the article query returns them; ChaveTexto and FornecTexto,
// 1 when that value is a text the database compares as the same text sent
// as a literal, 0 otherwise): Qtd, the supplier-order query's first row,
// null when it has none.
std::string BulkArticleKeyQuery();

// Per article of the proposal with a supplier price (Chave, ChaveFornec:
// its code and supplier as the article query returns them): every row
// (PRPROX, DESCPROX) the supplier-price query would return, in the order
// of the join.
std::string BulkSupplierPriceQuery();

// Code (Chave, ChaveTexto as above) and available stock (stdisp) of every
// article.
std::string BulkStockQuery();

// The aggregated-stock query of each of `codes`, joined by UNION ALL, each
// row tagged with the position of its code in `codes` (Chave). At most
// kMaxCompoundSelects codes.
std::string TaggedStockQuery(const std::vector<std::string>& codes);
// The most SELECTs one compound statement may join (SQLite's limit).
inline constexpr size_t kMaxCompoundSelects = 500;

// Per article of the proposal (Chave) used in some structure: its product
// list (Artigo, Versao) as the product-list query computes it,
// ordered by Chave and then product.
std::string BulkProductListQuery();

// Every structure line (PRODUTO, FichaEstrutura, CODIGO, Tipo, Quantidade;
// ProdutoTexto and FichaTexto as ChaveTexto above) in stored order.
std::string BulkStructureLinesQuery();

// Per sub-assembly line (Chave: its CODIGO; ChaveTexto as above): the
// EstruturaBase of the first zlx_VOR_Artigos row of that code (null without
// one) and its smallest structure code (Versao, null without one), as the
// exploder's queries compute them.
std::string BulkSubAssemblyQuery();

// Every line of the open supplier orders (the lines the supplier-order
// query sums) whose quantity is above 0, of every article: the line's code
// (LinArtigo), then TPDOC, NNUMDOC, SERIE, ANO, DATA and QUANT; with
// `with_supplier`, also the document's supplier TERCEIRO. The caller
// matches the codes to its articles as the database compares them
// (CodeKey).
std::string LateOrderLinesQuery(bool with_supplier);
// Code and name of every supplier (Fornec).
std::string SupplierNamesQuery();

}  // namespace vor::sql

#endif  // VOR_ENGINE_BULK_SQL_TEXTS_H_
