// ProposalExceptions: the rows of the proposal a buyer should check before
// ordering, each with its reasons in Portuguese. The proposal itself is
// never changed; the checks only read a row:
//   - the supplier code is not among the suppliers (no NomeFornec);
//   - negative real stock (StkReal) or negative open supplier orders (EncF);
//   - something to order (QtdUB above 0) but nothing in the purchase unit
//     (ProposalRow::NoPurchaseQuantity: units converted with a packing
//     factor of 0);
//   - an order proposed (QtdUB above 0) with price 0 or none (UltPrCom);
//   - Dias 0 or none: the days of cover cannot be computed;
//   - days of cover (Tempo) above the limit, [Motor] CoberturaMaxima.
//
//   const Currency limit = settings.motor.cobertura_maxima;  // SettingsRecord
//   std::string why = ProposalExceptions::Reason(row, limit);  // "" if none
#ifndef VOR_PROPOSAL_PROPOSAL_EXCEPTIONS_H_
#define VOR_PROPOSAL_PROPOSAL_EXCEPTIONS_H_

#include <string>
#include <vector>

#include "core/currency.h"
#include "proposal/proposal_table.h"

namespace vor {

class ProposalExceptions {
 public:
  // Days of cover above which a row is flagged, when the settings name none
  // (the default of [Motor] CoberturaMaxima).
  static Currency DefaultCoverLimit();

  // The reasons to check `row`, in the order of the list above; empty when
  // there is none. `cover_limit` is in days.
  static std::vector<std::string> Reasons(const ProposalRow& row,
                                          Currency cover_limit);
  // The reasons joined by "; " ("" when none).
  static std::string Reason(const ProposalRow& row, Currency cover_limit);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_PROPOSAL_EXCEPTIONS_H_
