// LateOrderReport: the late supplier orders (LateOrders) in the morning
// report: a line of the summary, the digest's section "Encomendas em
// atraso" (after "Mais urgentes") and the workbook's sheet "Em atraso", one
// block per supplier ready to be sent as a reminder. Suppliers come most
// value at risk first; within one, oldest document first.
//
// The value of a late line is that of an order row of its quantity in the
// purchase unit (ReportDigest::OrderValue: price x (1 - discount %),
// rounded to cents per line, halves away from zero); a supplier's value and
// the total are sums of those lines. A line without a price, or whose
// quantity cannot be had in the purchase unit, has no value and is counted
// apart.
//
//   in.late = &late;                      // DigestInput
//   std::string line = LateOrderReport::SummaryLine(in);
//   Sheet sheet = LateOrderReport::LateSheet(in);
#ifndef VOR_PROPOSAL_LATE_ORDER_REPORT_H_
#define VOR_PROPOSAL_LATE_ORDER_REPORT_H_

#include <optional>
#include <string>
#include <vector>

#include "core/currency.h"
#include "proposal/late_orders.h"
#include "proposal/report_digest.h"
#include "proposal/sheet.h"

namespace vor {

// The late lines of one supplier.
struct LateSupplier {
  std::string code;        // the supplier's code as its first line has it
  std::string label;       // its name, else the code
  std::vector<int> lines;  // indexes into LateOrders::lines()
  int documents = 0;       // distinct documents among them
  Currency value;          // sum of the lines' values (cents)
  int unpriced = 0;        // lines without a value, not in `value`
};

// The digest's section as text, for ReportDigest to lay out.
struct LateSection {
  std::string heading;
  std::string intro;
  std::vector<std::string> headers;
  struct Group {
    std::string heading;                         // the supplier
    std::vector<std::vector<std::string>> rows;  // one per line
    std::vector<unsigned> tints;                 // per row; 0: none
  };
  std::vector<Group> groups;
  std::string more;  // "… e mais N (…)." when lines were left out
};

class LateOrderReport {
 public:
  // The workbook's sheet.
  static constexpr const char* kSheet = "Em atraso";

  // The document of `line`: "ECF 12 (série 1, 2025)".
  static std::string Document(const LateOrderLine& line);
  // The value of `line` of `row` in cents; nullopt without a price or a
  // purchase quantity.
  static std::optional<Currency> LineValue(const ProposalRow& row,
                                           const LateOrderLine& line);
  // The suppliers of the late lines of `late` (rows of `view`), most value
  // first, then by label; lines oldest document first.
  static std::vector<LateSupplier> BySupplier(const ProposalView& view,
                                              const LateOrders& late);
  // What the proposal of `article` (row `row`) would be without its late
  // lines, in short, "" when the same: "rutura" when it is not a shortage
  // now but would be; "encomendar X em vez de Y" (purchase unit) when its
  // quantity to order would grow. Joined by "; ".
  static std::string Consequence(const ProposalRow& row,
                                 const LateArticle& article);
  // What the line of `article` means for its proposal, "" for nothing
  // special: "provavelmente não vai chegar" past [Encomendas]
  // AtrasoMaximo; "rutura depende desta encomenda" when the article is not
  // a shortage now but would be without its late lines ("destas
  // encomendas" for more than one); "se as encomendas em atraso não
  // chegarem: encomendar X em vez de Y" (purchase unit) when its quantity
  // to order would grow. Joined by "; ".
  static std::string Note(const ProposalRow& row, const LateArticle& article,
                          const LateOrderLine& line);

  // "3 encomendas em atraso, 1234,56 € a reclamar a 2 fornecedores"; ""
  // when `in` has no late line.
  static std::string SummaryLine(const DigestInput& in);
  // The section, its lines bounded by [Relatorio] Linhas (`in.settings`),
  // the rest said to be in `rest` ("folha «Em atraso» do anexo"); nullopt
  // when `in` has no late line.
  static std::optional<LateSection> Section(const DigestInput& in,
                                            const std::string& rest);
  // The sheet "Em atraso": per supplier a heading row (name, code, value),
  // its lines and a blank row; nullopt when `in` has no late line.
  static std::optional<Sheet> LateSheet(const DigestInput& in);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_LATE_ORDER_REPORT_H_
