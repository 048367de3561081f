// GenerateDemoErp: writes the ERP database of a small, invented manufacturer
// for demonstrations and benchmarks. Deterministic: the same article count,
// seed and "today" give the same file content.
//
// What it holds, for `articles` = N:
//   * N bought articles (zlx_VOR_Artigos.TipoArtigo 1), about N/10 products
//     (type 0 or 2) and N/20 sub-assemblies (type 2), all in ARTIGOS;
//   * suppliers (a few supplier codes of articles have no Fornec row), groups,
//     families and sub-families; units that are equal, equal but for letter
//     case ("un"/"UN"), different with a packing factor (UN/CX 12), different
//     with FactEmb 0, or missing; minimum stocks and minimum purchase
//     quantities (some 0) with stocks around them; a few inactive articles,
//     text lines (ArtouDes 1), articles without supplier or minimum stock;
//   * aggregated-article lists in CLART.CL10 (some with a trailing ';', some
//     naming a code that is no article, some in other letter case);
//   * supplier prices in AJUDACMP for most articles whose units differ (some
//     missing, a few PRPROX null);
//   * customer orders (AREAG 2, TPTERC 2, about 3 lines per article) and
//     supplier orders (AREAG 2, TPTERC 1, about 1.5 lines per bought
//     article; most within the lead time of their articles, about 8 % of
//     the orders some days past it and 4 % months past it) over the 12
//     months up to `today` (customer orders) or up to about nine months
//     (supplier orders), some cancelled (nvias -1),
//     converted ([convert] -1), of series 0 or with quantity 0 or below, and
//     invoices (AREAG 1) that are no orders;
//   * two- and three-level bills of materials (AT lines on bought articles,
//     CJ lines on sub-assemblies; fractional quantities; one or two structure
//     codes per product; no cycles) and production orders in every state
//     0 to 4, some fully delivered;
//   * the empty history table zlx_VOR_Historico, so runs keep a history;
//   * the terms of most suppliers in zlx_VOR_Fornecedores (minimum order
//     values from 100 to 50 000 euros, free freight from two to four times
//     the minimum; some with only one of them, a few with a note).
#ifndef VOR_TOOLS_DEMO_ERP_GENERATOR_H_
#define VOR_TOOLS_DEMO_ERP_GENERATOR_H_

#include <chrono>
#include <cstdint>
#include <string>

namespace vor {

// Rows written per table.
struct DemoErpSummary {
  long long artigos = 0;
  long long fornec = 0;
  long long clart = 0;
  long long ajudacmp = 0;
  long long docgccab = 0;
  long long docgclin = 0;
  long long vor_artigos = 0;      // zlx_VOR_Artigos
  long long ficha_estrutura = 0;  // zlx_FichaEstrutura
  long long ordens_fabrico = 0;   // zlx_VOR_OrdensFabrico

  // "ARTIGOS 1150, Fornec 25, ..." in the order of the members.
  std::string ToString() const;
};

// The largest article count (bought article codes have six digits).
constexpr int kMaxDemoArticles = 999999;

// Writes the demo ERP for `articles` bought articles (1 to kMaxDemoArticles)
// into a new SQLite file at `path`, in one transaction, dating the documents
// back from `today`. An existing file is replaced only once the new one is
// complete. Throws std::invalid_argument for a bad article count and
// std::runtime_error naming the file when it cannot be written.
DemoErpSummary GenerateDemoErp(const std::string& path, int articles,
                               std::uint32_t seed,
                               std::chrono::year_month_day today);

// The same, with today's date from the system clock (local time).
DemoErpSummary GenerateDemoErp(const std::string& path, int articles,
                               std::uint32_t seed);

}  // namespace vor

#endif  // VOR_TOOLS_DEMO_ERP_GENERATOR_H_
