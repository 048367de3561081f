#include "proposal/proposal_table.h"

#include <string>

#include "core/error.h"
#include "core/recordset.h"
#include "db/connection.h"

namespace vor {
namespace {

struct FieldSpec {
  const char* name;
  ProposalFieldKind kind;
};

using K = ProposalFieldKind;
constexpr FieldSpec kFields[kProposalFieldCount] = {
    {"Artigo", K::kText},        {"Nome", K::kText},
    {"StkMinimo", K::kDecimal},  {"QtdMinApr", K::kDecimal},
    {"StkReal", K::kDecimal},    {"EncF", K::kDecimal},
    {"StkPrazo", K::kDecimal},   {"Cli", K::kDecimal},
    {"Prazo", K::kDecimal},      {"QtdUB", K::kDecimal},
    {"QtdUC", K::kDecimal},      {"StkApos", K::kDecimal},
    {"Tempo", K::kDecimal},      {"Fornec", K::kText},
    {"ENF", K::kText},           {"Sel", K::kBoolean},
    {"Grupo", K::kText},         {"Familia", K::kText},
    {"SubFamilia", K::kText},    {"Dias", K::kDecimal},
    {"UnBase", K::kText},        {"UnCmp", K::kText},
    {"FactEmb", K::kDecimal},    {"OriginalUB", K::kDecimal},
    {"OriginalUC", K::kDecimal}, {"UltPrCom", K::kDecimal},
    {"Desconto", K::kDecimal},   {"OBS", K::kText},
    {"NomeFornec", K::kText},    {"Cor", K::kSmallInt},
    {"CorV", K::kSmallInt},      {"Origem", K::kText},
};

const std::string& EmptyText() {
  static const std::string empty;
  return empty;
}

Value Normalise(const Value& v, ProposalFieldKind kind) {
  if (v.is_null()) return Value();
  switch (kind) {
    case K::kText:
      return v.kind() == Value::Kind::kText ? v : Value(v.ToText());
    case K::kDecimal:
      return Value(v.ToCurrency());
    case K::kBoolean:
      return Value(v.ToBool());
    case K::kSmallInt:
      return Value(v.ToInt());
  }
  return v;
}

}  // namespace

const char* ProposalFieldName(ProposalField field) {
  return kFields[static_cast<int>(field)].name;
}

ProposalFieldKind ProposalFieldKindOf(ProposalField field) {
  return kFields[static_cast<int>(field)].kind;
}

const std::string& ProposalRow::Text(ProposalField f) const {
  const Value& v = at(f);
  return v.kind() == Value::Kind::kText ? v.AsText() : EmptyText();
}

std::optional<Currency> ProposalRow::Number(ProposalField f) const {
  const Value& v = at(f);
  if (v.kind() != Value::Kind::kCurrency) return std::nullopt;
  return v.AsCurrency();
}

bool ProposalRow::Shortage() const {
  const Value& v = at(ProposalField::kCor);
  return v.kind() == Value::Kind::kInt && v.AsInt() == 1;
}

bool ProposalRow::OrderWithoutShortage() const {
  const Value& v = at(ProposalField::kCorV);
  return v.kind() == Value::Kind::kInt && v.AsInt() == 1;
}

bool ProposalRow::ToOrder() const {
  const std::optional<Currency> q = Number(ProposalField::kQtdUB);
  return q && *q > Currency();
}

const std::string& ProposalRow::SupplierLabel() const {
  const std::string& name = Text(ProposalField::kNomeFornec);
  return name.empty() ? Text(ProposalField::kFornec) : name;
}

ProposalTable ProposalTable::Read(Connection& connection) {
  const std::string table = kProposalTableName;
  Recordset rs;
  try {
    connection.OpenRecordset("", "select * from " + table, rs);
  } catch (const Error& e) {
    throw Error(e.number(), "Não foi possível ler a tabela " + table + ": " +
                                e.description());
  }
  // The rows are all in memory now: a window left open on the proposal must
  // not hold a shared lock that keeps the ERP's other programs from writing.
  connection.EndRead();

  int index[kProposalFieldCount];
  std::string missing;
  for (int i = 0; i < kProposalFieldCount; ++i) {
    index[i] = rs.FindField(kFields[i].name);
    if (index[i] < 0)
      missing += (missing.empty() ? "" : ", ") + std::string(kFields[i].name);
  }
  if (!missing.empty()) {
    throw Error(errnum::kFieldNotFound,
                "A tabela " + table + " não tem a(s) coluna(s) " + missing);
  }

  std::vector<ProposalRow> rows;
  rows.reserve(static_cast<size_t>(rs.RecordCount()));
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    ProposalRow& row = rows.emplace_back();
    for (int i = 0; i < kProposalFieldCount; ++i) {
      try {
        row.values[i] = Normalise(rs.Get(index[i]), kFields[i].kind);
      } catch (const Error& e) {
        const Value& code = rs.Get(index[0]);
        throw Error(e.number(),
                    "Valor inválido na coluna " + std::string(kFields[i].name) +
                        " da tabela " + table + " (artigo " +
                        (code.is_null() ? std::string("nulo") : code.ToText()) +
                        "): " + e.description());
      }
    }
  }
  return ProposalTable(std::move(rows));
}

}  // namespace vor
