// Hand-made ERPs shared by the engine's whole-run tests, and the dump of
// the result table those tests compare. Every expected number of their
// proposals was worked out on paper (end_to_end_test.cpp).
#ifndef VOR_TESTING_TEST_ERPS_H_
#define VOR_TESTING_TEST_ERPS_H_

#include <string>
#include <string_view>
#include <vector>

#include "output/result_writer.h"
#include "tools/erp_fixture.h"

namespace vor::testing {

// The whole result table of `erp`, one text per row in stored order: every
// column as typeof:hex, so that null, text, number, their exact digits and
// bytes (a NUL, which quote() would cut) all show.
inline std::vector<std::string> ResultTableDump(ErpFixture& erp) {
  std::string columns;
  for (const ResultColumn& result_column : kResultFields) {
    const std::string_view c = result_column.name;
    if (!columns.empty()) columns += " || '|' || ";
    const std::string name(c);
    columns += "typeof(" + name + ") || ':' || hex(" + name + ")";
  }
  std::vector<std::string> rows;
  for (const auto& row : erp.Query("select " + columns +
                                   " from zlx_VOR_Encomendas order by rowid")) {
    rows.push_back(row[0]);
  }
  return rows;
}

// The ERP of the main scenario.
//  B1  bought: stock 20 + aggregated B5 (7; inactive, still counted) and a
//      code that is no article; supplier orders 8 (an old one counts, a
//      cancelled one does not); own customer orders 4 + 2 (on the cut-off
//      day; an older line, a zero line do not count). Used by product P
//      (x2) and by its sub-assembly SA (x4, SA is x1.5 in P).
//  B2  bought, units UN/CX (12 per box), supplier price 100 less 5; stock
//      3.333; used by P (x0.25).
//  B3  bought, units un/UN: the article's own price, yet QtdUC through
//      FactEmb 4 when ordering.
//  B4  bought, supplier without a supplier row, 0 days.
//  O'B bought, supplier F'2: codes holding quotes; exactly at the minimum.
//  P   product (type 0) with customer orders 10 for its base structure E1
//      (five other orders excluded) and production orders 20 + 5 open
//      (one closed).
//  SA  sub-assembly (type 2), base structure S1; an open production order
//      of -2 remaining.
inline void BuildMainErp(ErpFixture& erp) {
  erp.AddSupplier("F001");
  erp.AddSupplier("F'2", "Fornecedor D'Ouro");
  erp.AddArticle({.codigo = "B1",
                  .stdisp = 20,
                  .stmin = 50,
                  .qtmincom = 10,
                  .diasskrs = 30,
                  .ultprcom = 2.5});
  erp.AddClassification("B1", "B5;NOPE");
  erp.AddArticle({.codigo = "B5", .stdisp = 7, .inactivo = -1});
  erp.AddArticle({.codigo = "B2",
                  .stdisp = 3.333,
                  .stmin = 10,
                  .qtmincom = 12,
                  .diasskrs = 20,
                  .unbase = "UN",
                  .uncmp = "CX",
                  .factemb = 12,
                  .ultprcom = 9});
  erp.AddPrice("B2", "F001", 100, 5);
  erp.AddArticle({.codigo = "B3",
                  .stdisp = 25,
                  .stmin = 30,
                  .qtmincom = 0,
                  .diasskrs = 15,
                  .unbase = "un",
                  .uncmp = "UN",
                  .factemb = 4,
                  .ultprcom = 1.5});
  erp.AddPrice("B3", "F001", 99, 1);  // not used: same unit in capitals
  erp.AddArticle({.codigo = "B4",
                  .stdisp = 0,
                  .stmin = 5,
                  .qtmincom = 3,
                  .diasskrs = 0,
                  .fornec = "F404"});
  erp.AddArticle({.codigo = "O'B",
                  .stdisp = 5,
                  .stmin = 8,
                  .qtmincom = 1,
                  .diasskrs = 10,
                  .fornec = "F'2",
                  .unbase = "UN",
                  .uncmp = "CX",
                  .factemb = 6,
                  .ultprcom = 3});
  erp.AddClassification("O'B", "O'B2");
  erp.AddArticle({.codigo = "O'B2", .stdisp = 4, .stmin = 0});
  erp.AddPrice("O'B", "F'2", 4.5, 0);
  // Not in the proposal.
  erp.AddArticle({.codigo = "X1", .stdisp = 0, .stmin = 0});
  erp.AddArticle({.codigo = "X2", .stdisp = 0, .fornec = ""});
  erp.AddArticle({.codigo = "X3", .stdisp = 0, .inactivo = -1});
  erp.AddArticle({.codigo = "X4", .stdisp = 0, .artoudes = 1});
  erp.AddArticle(
      {.codigo = "P", .stmin = 0, .tipo_artigo = 0, .estrutura_base = "E1"});
  erp.AddArticle(
      {.codigo = "SA", .stmin = 0, .tipo_artigo = 2, .estrutura_base = "S1"});

  erp.AddStructureLine("P", "E1", "B1", 2);
  erp.AddStructureLine("P", "E1", "SA", 1.5, "CJ");
  erp.AddStructureLine("P", "E1", "B2", 0.25);
  erp.AddStructureLine("SA", "S1", "B1", 4);

  // Supplier orders: no date limit, cancelled ones excluded.
  erp.AddSupplierOrder("2023-01-01", {{"B1", 8}});
  ErpDocKey cancelled = erp.AddDocument(
      {.tpdoc = "ECF", .tpterc = 1, .data = "2025-01-01", .nvias = -1});
  erp.AddDocLine(cancelled, "B1", 100);
  erp.AddSupplierOrder("2025-04-01", {{"O'B", 1}});

  // Customer orders of bought articles.
  erp.AddCustomerOrder("2025-01-10", {{"B1", 4}, {"B1", 0}});
  erp.AddCustomerOrder("2024-08-31 00:00:00", {{"B1", 2}});
  erp.AddCustomerOrder("2024-08-30", {{"B1", 3}});
  erp.AddCustomerOrder("2025-05-01", {{"O'B", 2}});

  // Customer orders of the product: only the first line counts.
  erp.AddCustomerOrder("2025-03-01", {{"P", 10}, {"P", 0}, {{}, 5}});
  for (const ErpDocument& d :
       {ErpDocument{.tpdoc = "ENC", .data = "2025-03-01", .nvias = -1},
        ErpDocument{.tpdoc = "ENC", .data = "2025-03-01", .convert = -1},
        ErpDocument{.tpdoc = "ENC", .serie = 0, .data = "2025-03-01"},
        ErpDocument{.tpdoc = "ENC", .data = "2024-01-01"}}) {
    erp.AddDocLine(erp.AddDocument(d), "P", 100);
  }

  // Production orders.
  erp.AddProductionOrder("P", "E1", 30, 10, 2);
  erp.AddProductionOrder("P", "E1", 5, 0, 0);
  erp.AddProductionOrder("P", "E1", 100, 0, 3);
  erp.AddProductionOrder("SA", "S1", 10, 12, 1);
}

}  // namespace vor::testing

#endif  // VOR_TESTING_TEST_ERPS_H_
