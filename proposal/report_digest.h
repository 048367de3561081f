// ReportDigest: the body of the morning report, a digest a buyer reads in a
// minute whatever the size of the catalogue: the summary with the value of
// the orders, what changed since the earlier proposal of the history
// (ProposalChanges), the most urgent rows, the late supplier orders
// (LateOrderReport, when there are some) and the orders per supplier. The
// full list goes in the attachment only, so the body stays small (at most
// a few hundred rows whatever the number of articles).
//
// The value of an order row is QtdUC x UltPrCom x (1 - Desconto / 100): the
// price is taken as the price of one purchase unit (the supplier's price
// list where the units differ, the article's own last price where they are
// the same unit) and the discount as a percentage. It is worked out exactly
// and rounded to cents once, halves away from zero (3 x 89,425 = 268,275:
// 268,28); the value of a supplier and of the whole proposal are the sums
// of those rounded lines, so the figures shown always add up. A row to
// order with no price (UltPrCom null or 0) has no value: it is counted and
// listed apart, never as 0.
//
// Urgency ("Mais urgentes"): first the shortages (Cor 1), the most missing
// relative to the need first. What is missing is the demand the stock at
// lead time leaves uncovered (Cli - StkPrazo), relative to the demand Cli:
// 6 missing of 8 needed (0,75) comes before 5 of 10 (0,5). A shortage
// with no demand (Cli 0 or none) whose stock is already below zero has
// nothing to measure a share against: all of it is missing, so it comes
// before every share, by the amount missing (-StkPrazo), larger first.
// Then the other rows to order, fewest days of cover of the net stock first
// (Dias x (StkPrazo - Cli) / StkMinimo); last the rows to order whose cover
// cannot be computed (Dias or StkMinimo 0 or none). Shares and covers are
// compared exactly (12,1 missing of 1,1 ties with 11 of 1); ties go by the
// value of the order, larger first, then by article code (CodeKey).
//
//   DigestSettings settings(record);  // SettingsRecord
//   DigestInput in{&view, title, started};
//   message.text = ReportDigest::Text(in); message.html =
//   ReportDigest::Html(in);
#ifndef VOR_PROPOSAL_REPORT_DIGEST_H_
#define VOR_PROPOSAL_REPORT_DIGEST_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/clock.h"
#include "core/currency.h"
#include "proposal/proposal_changes.h"
#include "proposal/proposal_view.h"
#include "proposal/supplier_basket.h"
#include "proposal/whole_units.h"
#include "settings/settings_record.h"

namespace vor {

class LateOrders;

// [Relatorio] Linhas and [Relatorio] Variacao as the run read them.
struct DigestSettings {
  // The defaults of the keys.
  DigestSettings() : DigestSettings(SettingsRecord()) {}
  explicit DigestSettings(const SettingsRecord& settings)
      : lines(settings.relatorio.linhas),
        variation(settings.relatorio.variacao) {}

  // Rows of "Mais urgentes" and of each list of changes (1 to 1000).
  int lines;
  // Percent a quantity to order must move to count as a change (0 or more).
  Currency variation;
};

// The orders of one supplier.
struct SupplierOrders {
  std::string code;       // Fornec as the first row has it
  std::string label;      // the name, else the code
  std::vector<int> rows;  // indexes into the view's table, by article code
  Currency value;         // sum of the rows' values (in cents)
  int unpriced = 0;       // rows without a price, not in `value`
  // The smallest and largest lead time (Prazo, days) of its rows; nullopt
  // when none has one.
  std::optional<Currency> lead_min, lead_max;
};

// The value of every row to order: the sum of the rows' values in cents,
// and the rows left out for want of a price.
struct OrderTotal {
  Currency value;
  int unpriced = 0;
};

// What a digest is made of.
struct DigestInput {
  const ProposalView* view = nullptr;  // every row, default order
  std::string title;
  LocalTime started;  // when the run started
  DigestSettings settings;
  // The earlier run compared with, and the changes since; nullopt when
  // the history holds none (or is not kept).
  std::optional<LocalTime> before;
  ProposalChanges changes;
  // The late supplier orders of the view's rows (LateOrderReport); null,
  // unavailable or empty: no section and no summary line.
  const LateOrders* late = nullptr;
  // The rule of whole purchase units the quantities are shown in beside
  // the proposal's own.
  WholeUnits units;
  // Every supplier's basket (SupplierBaskets::All); null: the suppliers
  // are listed without them.
  const std::vector<SupplierBasket>* baskets = nullptr;
  // Lines shown at the top (a setting left out, for example).
  std::vector<std::string> notices;
  // The closing line about the attachment.
  std::string attachment_note = "A proposta completa segue em anexo (Excel).";
  // Where the rows past the body's lists are: the sheets of the attached
  // workbook, the most urgent ones continued in `urgent_sheet`; with
  // nothing attached (sheets_attached false), the full proposal the
  // closing line points to.
  std::string urgent_sheet = "Proposta";
  bool sheets_attached = true;
  // Whether the attached workbook has the sheet of the late supplier orders
  // (the compact one has not: it is in the full one).
  bool late_sheet_attached = true;
};

class ReportDigest {
 public:
  // The value of the row's order in cents (see the top of this file); 0
  // when nothing is to be ordered; nullopt for a row to order that has no
  // price (UltPrCom null or 0) or whose value leaves the fixed-point range.
  static std::optional<Currency> OrderValue(const ProposalRow& row);
  // The value in cents of ordering `purchase` (in the purchase unit) at the
  // row's price and discount, by the same rule; nullopt when the row has no
  // price or the value leaves the fixed-point range.
  static std::optional<Currency> ValueOf(const ProposalRow& row,
                                         Currency purchase);
  // The days of cover of the row's net stock before ordering, to four
  // places; nullopt when they cannot be computed (Dias or StkMinimo 0 or
  // none: the engine then stores a cover, Tempo, of 0).
  static std::optional<Currency> CoverDays(const ProposalRow& row);
  // The row's quantity in whole purchase units with its unit ("1 CX"),
  // when `units` makes it differ from QtdUC; "" otherwise.
  static std::string WholeText(const WholeUnits& units, const ProposalRow& row);
  // The cover as the report writes it: "rutura" for a shortage whatever
  // its figures, "desconhecida" where it cannot be computed, "nenhuma" at
  // or below zero, else the days ("0,6 dias", "1 dia").
  static std::string CoverText(const ProposalRow& row);
  // The supplier's lead times, "5 dias" or "3 a 5 dias"; "" when none.
  static std::string LeadTime(const SupplierOrders& s);

  // The rows to order and the shortages in urgency order (indexes into the
  // view's table).
  static std::vector<int> UrgencyOrder(const ProposalView& view);
  // The urgency order, then the other rows the view shows, in its order
  // (the report's view: every row, default order); the order of the
  // attachment's full list, so that "e mais N" of the body continues there.
  static std::vector<int> ListOrder(const ProposalView& view);
  // The sum of OrderValue over the table's rows.
  static OrderTotal Total(const ProposalView& view);
  // "valor de 3 linhas sem preço não incluído" ("" for none).
  static std::string UnpricedNote(int unpriced);
  // The rows to order that have no value (OrderValue nullopt), by code.
  static std::vector<int> Unpriced(const ProposalView& view);
  // The suppliers of the rows to order, largest value first (then label).
  static std::vector<SupplierOrders> BySupplier(const ProposalView& view);

  // The plain-text and the HTML body.
  static std::string Text(const DigestInput& in);
  static std::string Html(const DigestInput& in);
  // Both, composed once: Text(in) and Html(in).
  static std::pair<std::string, std::string> TextAndHtml(const DigestInput& in);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_REPORT_DIGEST_H_
