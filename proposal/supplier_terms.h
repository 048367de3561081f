// SupplierTerms: what each supplier asks of an order, from the optional
// table zlx_VOR_Fornecedores: the supplier's code (Fornecedor), the
// minimum order value (ValorMinimo), the order value from which freight is
// free (PortesGratis) and, where the table has those columns, an e-mail
// address (Email) and a note for the buyer (Nota). Amounts in euros; a null
// or 0 amount means the supplier sets no such value.
//
// Without the table the terms are simply unknown and nothing says so, as
// with the history. Codes are matched as the database compares codes
// (CodeKey: letter case ignored). A row that cannot be used (a negative or
// non-numeric amount, a code on two rows) is left out and said in
// problems(), naming the table, the column and the supplier.
//
//   const SupplierTerms terms = SupplierTerms::Read(connection);
//   if (const SupplierTerm* t = terms.Of(row.Text(ResultField::kFornec))) ...
#ifndef VOR_PROPOSAL_SUPPLIER_TERMS_H_
#define VOR_PROPOSAL_SUPPLIER_TERMS_H_

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/currency.h"

namespace vor {

class Connection;

// One supplier's terms.
struct SupplierTerm {
  std::string code;                      // as the table has it
  std::optional<Currency> minimum;       // ValorMinimo, above 0
  std::optional<Currency> free_freight;  // PortesGratis, above 0
  std::string email;                     // "" when none
  std::string note;                      // "" when none
};

class SupplierTerms {
 public:
  static constexpr const char* kTable = "zlx_VOR_Fornecedores";

  SupplierTerms() = default;
  // The terms of `terms`; a code on more than one of them (by CodeKey) is
  // left out, with a problem line.
  explicit SupplierTerms(std::vector<SupplierTerm> terms);

  // Reads the whole table once through `connection`. A missing table gives
  // no terms (available() false) without a word. Raises vor::Error naming
  // the table when it exists but lacks the column Fornecedor, ValorMinimo or
  // PortesGratis, or cannot be read.
  static SupplierTerms Read(Connection& connection);

  // Whether the table was there (its rows may still be none).
  bool available() const { return available_; }
  // The terms of the supplier `code`; nullptr when it has none.
  const SupplierTerm* Of(const std::string& code) const;
  // Rows left out, one sentence each.
  const std::vector<std::string>& problems() const { return problems_; }
  int size() const { return static_cast<int>(terms_.size()); }

 private:
  bool available_ = false;
  std::vector<SupplierTerm> terms_;
  std::unordered_map<std::string, int> by_code_;  // CodeKey -> index
  std::vector<std::string> problems_;
};

}  // namespace vor

#endif  // VOR_PROPOSAL_SUPPLIER_TERMS_H_
