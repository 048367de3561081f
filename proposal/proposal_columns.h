// ProposalColumn: the columns in which a buyer sees the proposal, in the
// window and in the exported files. The first fourteen are shown by default
// (supplier, article, quantities with their units, stocks, demand, days of
// cover, prices); the others show each remaining field of the result table
// on its own. Each column has a Portuguese header, the field name(s) it
// comes from (for a tooltip), a value and, for a quantity, a unit.
#ifndef VOR_PROPOSAL_PROPOSAL_COLUMNS_H_
#define VOR_PROPOSAL_PROPOSAL_COLUMNS_H_

#include <string>
#include <vector>

#include "core/value.h"
#include "proposal/proposal_table.h"
#include "proposal/sheet.h"

namespace vor {

enum class ProposalColumn {
  // Shown by default, in this order.
  kFornecedor,     // NomeFornec, else Fornec
  kArtigo,         // Artigo
  kNome,           // Nome
  kAEncomendar,    // QtdUC with UnCmp
  kEmUnidadeBase,  // QtdUB with UnBase
  kStockNoPrazo,   // StkPrazo
  kProcura,        // Cli
  kOrigem,         // Origem: "Clientes" (C), "Fabrico" (O)
  kStockApos,      // StkApos
  kDiasCobertura,  // Tempo
  kStockMinimo,    // StkMinimo
  kQtdMinima,      // QtdMinApr
  kPreco,          // UltPrCom
  kDesconto,       // Desconto
  // Hidden by default.
  kCodFornecedor,
  kStockReal,
  kEncFornecedor,
  kPrazo,
  kFactEmb,
  kUnBase,
  kUnCmp,
  kOriginalUB,
  kOriginalUC,
  kDias,
  kGrupo,
  kFamilia,
  kSubFamilia,
  kSel,
  kENF,
  kOBS,
  kCor,
  kCorV,
};
inline constexpr int kProposalColumnCount = 32;

struct ProposalColumnInfo {
  const char* header;  // "A encomendar"
  const char* fields;  // "QtdUC, UnCmp": where the values come from
  ResultField field;   // the field of the value
  bool has_unit;       // a quantity shown with UnCmp or UnBase
  bool number;         // right-aligned, sorted as a number
  bool shown_by_default;
  int width_chars;  // a sensible width, in characters
};

const ProposalColumnInfo& ColumnInfoOf(ProposalColumn column);
// Every column, in enum order.
std::vector<ProposalColumn> AllProposalColumns();
// The columns shown by default, in their order.
std::vector<ProposalColumn> DefaultProposalColumns();

// The value of `column` in `row`: a Currency (or null) for a number column,
// a text otherwise (Fornecedor: the name else the code; Origem: "Clientes",
// "Fabrico" or ""; Sel: "Sim"/"Não"; Cor and CorV: numbers).
Value ColumnValue(const ProposalRow& row, ProposalColumn column);
// The unit of a quantity column (UnCmp, UnBase); "" for other columns.
std::string ColumnUnit(const ProposalRow& row, ProposalColumn column);
// The same as a text Value, as a sheet's cell holds it.
Value ColumnUnitValue(const ProposalRow& row, ProposalColumn column);

// How a workbook shows the column's values: text; a price with its
// decimals (two to four); days of cover with one decimal at most; lead
// times, days and the marks as whole numbers; every other number as a
// quantity.
SheetColumnKind SheetKindOf(ProposalColumn column);

}  // namespace vor

#endif  // VOR_PROPOSAL_PROPOSAL_COLUMNS_H_
