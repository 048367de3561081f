// LateOrders: the open supplier-order lines of a proposal's articles that
// are late, and what the proposal of each such article would be without
// them. Plain data: the engine finds the lines and computes the figures
// (LateOrderFinder); the report and the proposal window only show them.
//
// A line is late when its document's date plus the article's lead time
// (Prazo, days; none counts as 0) is before today: days late = today -
// date - Prazo, above 0. Only lines with a quantity above 0 are late
// orders. The open supplier orders still count them all in the stock at
// lead time (EncF, StkPrazo); the figures "without them" are the
// proposal's own rule with the late quantity left out of EncF.
//
//   const LateOrders late = LateOrderFinder::Find(connection, rows, today,
//                                                 settings);
//   if (const LateArticle* a = late.OfRow(i))
//     for (int l : a->lines) ... late.lines()[l] ...
#ifndef VOR_PROPOSAL_LATE_ORDERS_H_
#define VOR_PROPOSAL_LATE_ORDERS_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/currency.h"

namespace vor {

// One late line of an open supplier order.
struct LateOrderLine {
  int row = -1;                // the article's row in the proposal's rows
  std::string doc_type;        // DOCGCCAB.TPDOC
  int64_t number = 0;          // NNUMDOC
  int64_t series = 0;          // SERIE
  int64_t year = 0;            // ANO
  std::chrono::sys_days date;  // the calendar day of DATA
  Currency quantity;           // DOCGCLIN.QUANT, base unit, above 0
  // The quantity in the article's purchase unit (through FactEmb as the
  // proposal converts it); nullopt when it cannot be converted.
  std::optional<Currency> purchase_quantity;
  // The document's supplier (DOCGCCAB.TERCEIRO and its Fornec.Nome) where
  // the ERP records it, else the article's (Fornec, NomeFornec).
  std::string supplier;
  std::string supplier_name;       // "" when unknown
  bool document_supplier = false;  // named by the document, not the article
  Currency days_late;              // above 0
  bool probably_dead = false;      // days_late above [Encomendas] AtrasoMaximo
};

// One proposal row with late lines, and its figures without them.
struct LateArticle {
  int row = -1;            // index into the proposal's rows
  std::vector<int> lines;  // indexes into LateOrders::lines(), oldest first
  Currency late_quantity;  // sum of the lines' quantities, base unit
  // The proposal's own final step on the row with EncF less the late
  // quantity: the stock at lead time, the quantities to order (base and
  // purchase unit), the stock after and the cover, and whether it would
  // be a shortage (Cor).
  Currency stock_at_lead_time;
  Currency to_order;
  Currency to_order_purchase;
  Currency stock_after;
  Currency cover_days;
  bool shortage = false;
};

class LateOrders {
 public:
  LateOrders() = default;

  // The data as the finder made it; `articles` ordered by row.
  LateOrders(std::vector<LateOrderLine> lines,
             std::vector<LateArticle> articles, int unreadable,
             int max_days_late);
  // No data: the lines could not be read, for `reason` (one sentence,
  // naming the table or column at fault).
  static LateOrders Unavailable(std::string reason);

  // Every late line, by proposal row then oldest first.
  const std::vector<LateOrderLine>& lines() const { return lines_; }
  // Every proposal row with late lines, by row.
  const std::vector<LateArticle>& articles() const { return articles_; }
  // The article entry of proposal row `row`; nullptr when it has no late
  // line.
  const LateArticle* OfRow(int row) const;
  // Open lines with a quantity above 0 whose date or quantity could not be
  // read: counted nowhere as late.
  int unreadable() const { return unreadable_; }
  // [Encomendas] AtrasoMaximo as the lines were marked with.
  int max_days_late() const { return max_days_late_; }

  bool available() const { return unavailable_.empty(); }
  // Why the lines could not be read; "" when they were.
  const std::string& unavailable_reason() const { return unavailable_; }
  bool empty() const { return lines_.empty(); }

 private:
  std::vector<LateOrderLine> lines_;
  std::vector<LateArticle> articles_;
  std::unordered_map<int, int> by_row_;  // row -> index into articles_
  int unreadable_ = 0;
  int max_days_late_ = 0;
  std::string unavailable_;
};

struct ProposalRow;

// The late orders of a proposal's rows, found in two steps: the reading
// (LateOrderRead, through the ERP's connection, on the connection's thread)
// gives the matching (LateOrderMatch), which needs no connection and may
// run on another thread while the connection is used for something else.
using LateOrderMatch =
    std::function<LateOrders(const std::vector<ProposalRow>&)>;
using LateOrderRead = std::function<LateOrderMatch()>;

}  // namespace vor

#endif  // VOR_PROPOSAL_LATE_ORDERS_H_
