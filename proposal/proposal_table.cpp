#include "proposal/proposal_table.h"

#include <string>

#include "core/error.h"
#include "core/recordset.h"
#include "core/units.h"
#include "db/connection.h"
#include "db/read_snapshot.h"

namespace vor {
namespace {

// `v` as a value of a column of `type`: null, or text, Currency, Boolean
// or small integer.
Value Normalise(const Value& v, FieldType type) {
  if (v.is_null()) return Value();
  switch (type) {
    case FieldType::kText:
      return v.kind() == Value::Kind::kText ? v : Value(v.ToText());
    case FieldType::kBoolean:
      return Value(v.ToBool());
    case FieldType::kSmallInt:
      return Value(v.ToInt());
    default:
      return Value(v.ToCurrency());
  }
}

}  // namespace

std::string ProposalRow::Text(ResultField f) const {
  const Value& v = at(f);
  return v.kind() == Value::Kind::kText ? std::string(v.AsText())
                                        : std::string();
}

Value ProposalRow::TextValue(ResultField f) const {
  const Value& v = at(f);
  return v.kind() == Value::Kind::kText ? v : Value(std::string_view());
}

std::optional<Currency> ProposalRow::Number(ResultField f) const {
  const Value& v = at(f);
  if (v.kind() != Value::Kind::kCurrency) return std::nullopt;
  return v.AsCurrency();
}

bool ProposalRow::Shortage() const {
  const Value& v = at(ResultField::kCor);
  return v.kind() == Value::Kind::kInt && v.AsInt() == 1;
}

bool ProposalRow::OrderWithoutShortage() const {
  const Value& v = at(ResultField::kCorV);
  return v.kind() == Value::Kind::kInt && v.AsInt() == 1;
}

bool ProposalRow::ToOrder() const {
  const std::optional<Currency> q = Number(ResultField::kQtdUB);
  return q && *q > Currency();
}

bool ProposalRow::NoPurchaseQuantity() const {
  return ToOrder() &&
         Units::Converted(at(ResultField::kUnBase), at(ResultField::kUnCmp)) &&
         Number(ResultField::kFactEmb).value_or(Currency()) == Currency();
}

bool ProposalRow::CoverKnown() const {
  return Number(ResultField::kDias).value_or(Currency()) > Currency() &&
         Number(ResultField::kStkMinimo).value_or(Currency()) > Currency();
}

std::string ProposalRow::SupplierLabel() const {
  std::string name = Text(ResultField::kNomeFornec);
  return name.empty() ? Text(ResultField::kFornec) : name;
}

ProposalTable ProposalTable::Read(Connection& connection) {
  const std::string table = kResultTableName;
  Recordset rs;
  try {
    // The rows are all in memory at the end of the scope: a window left
    // open on the proposal holds no lock that keeps the ERP's other
    // programs from writing.
    const ReadSnapshot snapshot(connection);
    connection.OpenRecordset("", "select * from " + table, rs);
  } catch (const Error& e) {
    throw Error(e.number(), "Não foi possível ler a tabela " + table + ": " +
                                e.description());
  }

  std::vector<ResultField> fields;
  for (int i = 0; i < static_cast<int>(kResultFields.size()); ++i) {
    fields.push_back(static_cast<ResultField>(i));
  }
  return ProposalTable(RowsOf(rs, table, fields));
}

std::vector<ProposalRow> ProposalTable::RowsOf(
    Recordset& rs, const std::string& table,
    const std::vector<ResultField>& fields) {
  std::vector<int> index;
  std::string missing;
  for (ResultField f : fields) {
    const std::string name(ResultColumnOf(f).name);
    index.push_back(rs.FindField(name));
    if (index.back() < 0) missing += (missing.empty() ? "" : ", ") + name;
  }
  if (!missing.empty()) {
    throw Error(errnum::kFieldNotFound,
                "A tabela " + table + " não tem a(s) coluna(s) " + missing);
  }
  const int code_index = rs.FindField("Artigo");

  std::vector<ProposalRow> rows;
  rows.reserve(static_cast<size_t>(rs.RecordCount()));
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    ProposalRow& row = rows.emplace_back();
    for (size_t i = 0; i < fields.size(); ++i) {
      const ResultColumn& column = ResultColumnOf(fields[i]);
      try {
        row.at(fields[i]) = Normalise(rs.Get(index[i]), column.type);
      } catch (const Error& e) {
        const Value code = code_index < 0 ? Value() : rs.Get(code_index);
        throw Error(e.number(),
                    "Valor inválido na coluna " + std::string(column.name) +
                        " da tabela " + table + " (artigo " +
                        (code.is_null() ? std::string("nulo") : code.ToText()) +
                        "): " + e.description());
      }
    }
  }
  return rows;
}

}  // namespace vor
