// ReportDigest: the body of the morning report, a digest a buyer reads in a
// minute whatever the size of the catalogue: the summary with the value of
// the orders, what changed since the earlier proposal of the history
// (ProposalChanges), the most urgent rows and the orders per supplier. The
// full list goes in the attachment only, so the body stays small (at most
// a few hundred rows whatever the number of articles).
//
// The value of an order row is QtdUC x UltPrCom x (1 - Desconto / 100): the
// price is taken as the price of one purchase unit (the supplier's price
// list where the units differ, the article's own last price where they are
// the same unit) and the discount as a percentage.
//
// Urgency ("Mais urgentes"): first the shortages (Cor 1), deepest first,
// depth being the share of the demand the stock at lead time leaves
// uncovered ((Cli - StkPrazo) / Cli), then the larger gap; then the other
// rows to order, fewest days of cover of the net stock first (Dias x
// (StkPrazo - Cli) / StkMinimo); last the rows to order whose cover cannot
// be computed (Dias or StkMinimo 0 or none), shown as unknown, never as 0
// days. Ties go by article code.
//
//   DigestSettings settings(record);  // SettingsRecord
//   DigestInput in{&view, title, started};
//   message.text = ReportDigest::Text(in); message.html =
//   ReportDigest::Html(in);
#ifndef VOR_PROPOSAL_REPORT_DIGEST_H_
#define VOR_PROPOSAL_REPORT_DIGEST_H_

#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/currency.h"
#include "proposal/proposal_changes.h"
#include "proposal/proposal_view.h"
#include "settings/settings_record.h"

namespace vor {

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
  double value = 0;       // sum of the rows' values
  // The smallest and largest lead time (Prazo, days) of its rows; nullopt
  // when none has one.
  std::optional<Currency> lead_min, lead_max;
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
};

class ReportDigest {
 public:
  // The value of the row's order (see the top of this file); 0 when
  // nothing is to be ordered or a figure is missing.
  static double OrderValue(const ProposalRow& row);
  // The days of cover of the row's net stock before ordering; nullopt when
  // they cannot be computed (Dias or StkMinimo 0 or none).
  static std::optional<double> CoverDays(const ProposalRow& row);
  // `value` rounded to cents, halves away from zero; nullopt when it is not
  // a finite amount within the fixed-point range.
  static std::optional<Currency> Cents(double value);
  // The supplier's lead times, "5 dias" or "3 a 5 dias"; "" when none.
  static std::string LeadTime(const SupplierOrders& s);

  // The rows to order and the shortages in urgency order (indexes into the
  // view's table).
  static std::vector<int> UrgencyOrder(const ProposalView& view);
  // The suppliers of the rows to order, largest value first (then label).
  static std::vector<SupplierOrders> BySupplier(const ProposalView& view);

  // The plain-text and the HTML body.
  static std::string Text(const DigestInput& in);
  static std::string Html(const DigestInput& in);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_REPORT_DIGEST_H_
