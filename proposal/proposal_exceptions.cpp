#include "proposal/proposal_exceptions.h"

#include <algorithm>

#include "core/error.h"

namespace vor {
namespace {

using F = ResultField;

Currency Or0(const ProposalRow& row, F field) {
  return row.Number(field).value_or(Currency());
}

// "12,5": the figures of a reason as the buyer writes them.
std::string Figure(Currency value) { return value.ToCommaString(); }

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
  if (to_order && Or0(row, F::kQtdUC) == zero) {
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

Currency ProposalExceptions::CoverLimit(const SettingsValues& settings) {
  const std::string stored = settings.ReadValue("Motor", "CoberturaMaxima");
  std::string text = stored;
  if (text.empty()) return Currency::FromInt(kDefaultCoverLimit);
  std::replace(text.begin(), text.end(), ',', '.');
  Currency limit;
  bool valid = false;
  try {
    valid = Currency::TryParse(text, &limit) && limit >= Currency();
  } catch (const Error&) {
    valid = false;  // beyond the range of the type
  }
  if (!valid) {
    throw Error(errnum::kTypeMismatch,
                "Valor inválido na chave [Motor] CoberturaMaxima de " +
                    settings.path() + ": \"" + stored +
                    "\" (número de dias, 0 ou mais)");
  }
  return limit;
}

}  // namespace vor
