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

#include <future>
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

  // What writing the order files did: a line saying how many were
  // written and where, one line per file not written (naming it and why),
  // and per basket given, whether its file was written.
  struct Outcome {
    std::vector<std::string> delivered;
    std::vector<std::string> failures;
    std::vector<bool> written;
  };

  // Sets the file_name of every basket of a supplier with a code to the
  // name its file will have (FileName; "" for the others): two baskets
  // whose names would be the same file (letter case ignored, as a shared
  // folder may) get " (2)", " (3)"... before the extension.
  static void Name(std::vector<SupplierBasket>* baskets, LocalTime date);
  // Starts writing the file of every basket with a file_name (Name) into
  // the folder `folder`, on a thread of its own, each file complete or not
  // at all (AtomicFile::WriteAllIn). With `go` the files are built at once
  // but written only when it is ready: true writes them; false drops them
  // (what is left to build is not built) and the result says nothing.
  // `baskets` and `rows` must stay unchanged until the result is taken.
  // When the folder cannot be opened nothing is started and the result
  // says so at once.
  static std::future<Outcome> Start(const std::string& folder,
                                    const std::vector<SupplierBasket>& baskets,
                                    const std::vector<ProposalRow>& rows,
                                    LocalTime date,
                                    std::shared_future<bool> go = {});
  // Takes `outcome` into `delivered` and `failures`, and clears the
  // file_name of each basket whose file was not written. Returns whether
  // any file named in Start was not written.
  static bool Finish(Outcome outcome, std::vector<SupplierBasket>* baskets,
                     std::vector<std::string>* delivered,
                     std::vector<std::string>* failures);
  // Name, Start and Finish, one after the other.
  static void DropAll(const std::string& folder,
                      std::vector<SupplierBasket>* baskets,
                      const std::vector<ProposalRow>& rows, LocalTime date,
                      std::vector<std::string>* delivered,
                      std::vector<std::string>* failures);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_ORDER_FILE_H_
