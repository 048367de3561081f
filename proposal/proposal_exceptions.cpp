#include "proposal/proposal_exceptions.h"

#include <algorithm>

#include "core/error.h"
#include "core/figure_text.h"
#include "settings/settings_record.h"

namespace vor {
namespace {

using F = ResultField;

Currency Or0(const ProposalRow& row, F field) {
  return row.Number(field).value_or(Currency());
}

std::string Figure(Currency value) { return FigureText::Quantity(value); }

}  // namespace

std::vector<std::string> ProposalExceptions::Reasons(const ProposalRow& row,
                                                     Currency cover_limit) {
  std::vector<std::string> reasons;
  const Currency zero;
  if (row.Text(F::kNomeFornec).empty()) {
    reasons.push_back("fornecedor " + row.Text(F::kFornec) +
                      " não encontrado nos fornecedores");
  }
  if (Or0(row, F::kStkReal) < zero) {
    reasons.push_back("stock real negativo (" + Figure(Or0(row, F::kStkReal)) +
                      ")");
  }
  if (Or0(row, F::kEncF) < zero) {
    reasons.push_back("encomendas a fornecedor negativas (" +
                      Figure(Or0(row, F::kEncF)) + ")");
  }
  const bool to_order = Or0(row, F::kQtdUB) > zero;
  if (row.NoPurchaseQuantity()) {
    reasons.push_back(
        "a encomendar em unidade base mas 0 em unidade de compra (fator de "
        "embalagem 0)");
  }
  if (to_order && Or0(row, F::kUltPrCom) == zero) {
    reasons.push_back("encomenda proposta com preço 0");
  }
  if (Or0(row, F::kDias) == zero) {
    reasons.push_back("Dias 0: a cobertura não pode ser calculada");
  }
  if (Or0(row, F::kTempo) > cover_limit) {
    reasons.push_back("cobertura de " + Figure(Or0(row, F::kTempo)) +
                      " dias acima do máximo de " + Figure(cover_limit));
  }
  return reasons;
}

std::string ProposalExceptions::Reason(const ProposalRow& row,
                                       Currency cover_limit) {
  std::string joined;
  for (const std::string& reason : Reasons(row, cover_limit)) {
    if (!joined.empty()) joined += "; ";
    joined += reason;
  }
  return joined;
}

Currency ProposalExceptions::DefaultCoverLimit() {
  return Currency::Parse(
      FindSettingKey("Motor", "CoberturaMaxima")->default_text);
}

}  // namespace vor
