#include "proposal/supplier_terms.h"

#include <exception>

#include "core/control_bytes.h"
#include "core/error.h"
#include "core/recordset.h"
#include "core/text_util.h"
#include "db/connection.h"

namespace vor {
namespace {

const std::string kTableName = SupplierTerms::kTable;

// The amount in column `column` of the current row: nullopt for null or 0;
// `problem` set (and nullopt) for a value that is no number or below 0.
std::optional<Currency> Amount(const Recordset& rs, int column,
                               const std::string& name, const std::string& code,
                               std::string* problem) {
  const Value& v = rs.Get(column);
  if (v.is_null()) return std::nullopt;
  Currency amount;
  try {
    amount = v.ToCurrency();
  } catch (const Error&) {
    *problem = kTableName + ": " + name + " do fornecedor " +
               EscapeControlBytes(code) + " não é um número (" +
               EscapeControlBytes(v.ToText()) + "): condições ignoradas";
    return std::nullopt;
  }
  if (amount < Currency()) {
    *problem = kTableName + ": " + name + " do fornecedor " +
               EscapeControlBytes(code) + " é negativo (" + amount.ToString() +
               "): condições ignoradas";
    return std::nullopt;
  }
  if (amount == Currency()) return std::nullopt;
  return amount;
}

std::string TextOf(const Recordset& rs, int column) {
  if (column < 0) return "";
  const Value& v = rs.Get(column);
  return v.is_null() ? std::string() : Trimmed(v.ToText());
}

}  // namespace

SupplierTerms::SupplierTerms(std::vector<SupplierTerm> terms)
    : available_(true) {
  std::unordered_map<std::string, int> count;
  for (const SupplierTerm& t : terms) ++count[CodeKey(t.code)];
  for (SupplierTerm& t : terms) {
    const std::string key = CodeKey(t.code);
    if (count[key] > 1) {
      // Which row holds is not known: neither does.
      if (count[key] != -1) {
        problems_.push_back(kTableName + ": o fornecedor " +
                            EscapeControlBytes(t.code) +
                            " aparece em mais de uma linha: condições "
                            "ignoradas");
        count[key] = -1;
      }
      continue;
    }
    if (count[key] == -1) continue;
    by_code_.emplace(key, static_cast<int>(terms_.size()));
    terms_.push_back(std::move(t));
  }
}

SupplierTerms SupplierTerms::Read(Connection& connection) {
  Recordset rs;
  try {
    connection.OpenRecordset("", "select * from " + kTableName + " where 1=0",
                             rs);
  } catch (const std::exception&) {
    return SupplierTerms();  // no table: no terms
  }
  try {
    connection.OpenRecordset("", "select * from " + kTableName, rs);
  } catch (const std::exception&) {
    throw Error(errnum::kDatabase,
                "A tabela " + kTableName + " não foi lida: " +
                    UnhandledError(std::current_exception()).description());
  }
  const int code = rs.FindField("Fornecedor");
  const int minimum = rs.FindField("ValorMinimo");
  const int free = rs.FindField("PortesGratis");
  std::string missing;
  for (const auto& [index, name] : {std::pair{code, "Fornecedor"},
                                    {minimum, "ValorMinimo"},
                                    {free, "PortesGratis"}}) {
    if (index < 0) missing += (missing.empty() ? "" : ", ") + std::string(name);
  }
  if (!missing.empty()) {
    throw Error(errnum::kFieldNotFound,
                "A tabela " + kTableName + " não tem a coluna " + missing);
  }
  const int email = rs.FindField("Email");
  const int note = rs.FindField("Nota");
  std::vector<SupplierTerm> terms;
  std::vector<std::string> problems;
  for (; !rs.Eof(); rs.MoveNext()) {
    SupplierTerm t;
    t.code = rs.Get(code).is_null() ? "" : rs.Get(code).ToText();
    if (t.code.empty()) continue;  // terms of nobody
    std::string problem;
    t.minimum = Amount(rs, minimum, "ValorMinimo", t.code, &problem);
    if (problem.empty()) {
      t.free_freight = Amount(rs, free, "PortesGratis", t.code, &problem);
    }
    if (!problem.empty()) {
      problems.push_back(problem);
      continue;
    }
    t.email = TextOf(rs, email);
    t.note = TextOf(rs, note);
    terms.push_back(std::move(t));
  }
  SupplierTerms result(std::move(terms));
  result.problems_.insert(result.problems_.begin(), problems.begin(),
                          problems.end());
  return result;
}

const SupplierTerm* SupplierTerms::Of(const std::string& code) const {
  const auto it = by_code_.find(CodeKey(code));
  return it == by_code_.end() ? nullptr : &terms_[it->second];
}

}  // namespace vor
