#include "proposal/proposal_columns.h"

namespace vor {
namespace {

using F = ResultField;

// In the order of ProposalColumn.
constexpr ProposalColumnInfo kColumns[kProposalColumnCount] = {
    {"Fornecedor", "NomeFornec, Fornec", F::kNomeFornec, false, false, true,
     24},
    {"Artigo", "Artigo", F::kArtigo, false, false, true, 12},
    {"Nome", "Nome", F::kNome, false, false, true, 30},
    {"A encomendar", "QtdUC, UnCmp", F::kQtdUC, true, true, true, 13},
    {"Em unidade base", "QtdUB, UnBase", F::kQtdUB, true, true, true, 13},
    {"Stock no prazo", "StkPrazo", F::kStkPrazo, false, true, true, 11},
    {"Procura", "Cli", F::kCli, false, true, true, 10},
    {"Origem", "Origem", F::kOrigem, false, false, true, 9},
    {"Stock após", "StkApos", F::kStkApos, false, true, true, 10},
    {"Dias de cobertura", "Tempo", F::kTempo, false, true, true, 10},
    {"Stock mínimo", "StkMinimo", F::kStkMinimo, false, true, true, 10},
    {"Qtd. mínima", "QtdMinApr", F::kQtdMinApr, false, true, true, 10},
    {"Preço", "UltPrCom", F::kUltPrCom, false, true, true, 10},
    {"Desconto", "Desconto", F::kDesconto, false, true, true, 9},
    {"Cód. fornecedor", "Fornec", F::kFornec, false, false, false, 12},
    {"Stock real", "StkReal", F::kStkReal, false, true, false, 10},
    {"Enc. a fornecedor", "EncF", F::kEncF, false, true, false, 10},
    {"Prazo (dias)", "Prazo", F::kPrazo, false, true, false, 9},
    {"Fator embalagem", "FactEmb", F::kFactEmb, false, true, false, 9},
    {"Un. base", "UnBase", F::kUnBase, false, false, false, 6},
    {"Un. compra", "UnCmp", F::kUnCmp, false, false, false, 6},
    {"Qtd. UB original", "OriginalUB", F::kOriginalUB, false, true, false, 10},
    {"Qtd. UC original", "OriginalUC", F::kOriginalUC, false, true, false, 10},
    {"Dias stock", "Dias", F::kDias, false, true, false, 8},
    {"Grupo", "Grupo", F::kGrupo, false, false, false, 7},
    {"Família", "Familia", F::kFamilia, false, false, false, 7},
    {"Subfamília", "SubFamilia", F::kSubFamilia, false, false, false, 7},
    {"Selecionado", "Sel", F::kSel, false, false, false, 6},
    {"ENF", "ENF", F::kENF, false, false, false, 5},
    {"Observações", "OBS", F::kOBS, false, false, false, 8},
    {"Rutura", "Cor", F::kCor, false, true, false, 6},
    {"Enc. sem rutura", "CorV", F::kCorV, false, true, false, 6},
};

}  // namespace

const ProposalColumnInfo& ColumnInfoOf(ProposalColumn column) {
  return kColumns[static_cast<int>(column)];
}

std::vector<ProposalColumn> AllProposalColumns() {
  std::vector<ProposalColumn> all;
  for (int i = 0; i < kProposalColumnCount; ++i) {
    all.push_back(static_cast<ProposalColumn>(i));
  }
  return all;
}

std::vector<ProposalColumn> DefaultProposalColumns() {
  std::vector<ProposalColumn> shown;
  for (ProposalColumn c : AllProposalColumns()) {
    if (ColumnInfoOf(c).shown_by_default) shown.push_back(c);
  }
  return shown;
}

Value ColumnValue(const ProposalRow& row, ProposalColumn column) {
  const ProposalColumnInfo& info = ColumnInfoOf(column);
  switch (column) {
    case ProposalColumn::kFornecedor:
      return Value(row.SupplierLabel());
    case ProposalColumn::kOrigem: {
      const std::string& origin = row.Text(F::kOrigem);
      if (origin == "C" || origin == "c") return Value("Clientes");
      if (origin == "O" || origin == "o") return Value("Fabrico");
      return Value(origin);
    }
    case ProposalColumn::kSel: {
      const Value& v = row.at(F::kSel);
      if (v.is_null()) return Value("");
      return Value(v.AsBool() ? "Sim" : "Não");
    }
    case ProposalColumn::kCor:
    case ProposalColumn::kCorV: {
      const Value& v = row.at(info.field);
      if (v.is_null()) return Value();
      return Value(Currency::FromInt(v.AsInt()));
    }
    default:
      break;
  }
  if (info.number) {
    const std::optional<Currency> n = row.Number(info.field);
    return n ? Value(*n) : Value();
  }
  return row.TextValue(info.field);
}

std::string ColumnUnit(const ProposalRow& row, ProposalColumn column) {
  return std::string(ColumnUnitValue(row, column).AsText());
}

Value ColumnUnitValue(const ProposalRow& row, ProposalColumn column) {
  if (column == ProposalColumn::kAEncomendar) return row.TextValue(F::kUnCmp);
  if (column == ProposalColumn::kEmUnidadeBase) {
    return row.TextValue(F::kUnBase);
  }
  return Value(std::string_view());
}

SheetColumnKind SheetKindOf(ProposalColumn column) {
  if (!ColumnInfoOf(column).number) return SheetColumnKind::kText;
  switch (column) {
    case ProposalColumn::kPreco:
      return SheetColumnKind::kPrice;
    case ProposalColumn::kDiasCobertura:
      return SheetColumnKind::kDays;
    case ProposalColumn::kPrazo:
    case ProposalColumn::kDias:
    case ProposalColumn::kCor:
    case ProposalColumn::kCorV:
      return SheetColumnKind::kInteger;
    default:
      return SheetColumnKind::kDecimal;
  }
}

}  // namespace vor
