// OrderFile: a supplier's basket (SupplierBasket) as a workbook ready to
// send to that supplier, one per supplier with something to order:
//   - "Encomenda": the supplier's name and code and the date above the
//     order lines (article, name, whole-unit quantity and unit, price,
//     discount, value; the proposal's own quantity beside), and the total;
//   - "Condições e sugestões", kept apart from the order lines: the
//     supplier's terms, where the basket stands against them, and the
//     suggestions, for the buyer.
// Named so a person recognises it: "Encomenda <name> (<code>)
// yyyy-mm-dd.xlsx", the characters a file name cannot hold replaced.
//
//   const std::string name = OrderFile::FileName(basket, started);
//   AtomicFile::WriteIn(folder, name, WorkbookWriter::Bytes(
//       OrderFile::Sheets(basket, rows, started), name));
#ifndef VOR_PROPOSAL_ORDER_FILE_H_
#define VOR_PROPOSAL_ORDER_FILE_H_

#include <string>
#include <vector>

#include "core/clock.h"
#include "proposal/proposal_table.h"
#include "proposal/sheet.h"
#include "proposal/supplier_basket.h"

namespace vor {

class OrderFile {
 public:
  // "Encomenda Metais Lda (F002) 2026-12-09.xlsx" ("Encomenda F002 …" when
  // the supplier has no name): valid UTF-8, control bytes shown
  // (EscapeControlBytes), each of / \ : * ? " < > | replaced by '_', a
  // leading dot dropped, the name cut to 80 and the code to 30 characters.
  static std::string FileName(const SupplierBasket& basket, LocalTime date);
  // The file's sheets for `basket`, whose lines index `rows`.
  static std::vector<Sheet> Sheets(const SupplierBasket& basket,
                                   const std::vector<ProposalRow>& rows,
                                   LocalTime date);

  // Writes the file of every basket of a supplier with a code into the
  // folder `folder`, each complete or not at all (AtomicFile), and sets
  // the basket's file_name to the name of the file written. Two baskets
  // whose names would be the same file (letter case ignored, as a shared
  // folder may) get " (2)", " (3)"... before the extension. Adds to
  // `delivered` one line saying how many were written and where, and to
  // `failures` one line per file not written (naming it and why), or one
  // line when the folder cannot be opened.
  static void DropAll(const std::string& folder,
                      std::vector<SupplierBasket>* baskets,
                      const std::vector<ProposalRow>& rows, LocalTime date,
                      std::vector<std::string>* delivered,
                      std::vector<std::string>* failures);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_ORDER_FILE_H_
