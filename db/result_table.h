// The result table of the ERP, zlx_VOR_Encomendas: its name and the 32
// columns the run writes into it, in order, each with the kind and text size
// of its values. The result writers, the engine's working table (one field
// per column) and the proposal reader all take the layout from here.
#ifndef VOR_DB_RESULT_TABLE_H_
#define VOR_DB_RESULT_TABLE_H_

#include <array>
#include <cstddef>
#include <string_view>

#include "core/recordset.h"

namespace vor {

// The table's name.
inline constexpr char kResultTableName[] = "zlx_VOR_Encomendas";

// The columns, in the table's order: the positions of kResultFields.
enum class ResultField {
  kArtigo,
  kNome,
  kStkMinimo,
  kQtdMinApr,
  kStkReal,
  kEncF,
  kStkPrazo,
  kCli,
  kPrazo,
  kQtdUB,
  kQtdUC,
  kStkApos,
  kTempo,
  kFornec,
  kENF,
  kSel,
  kGrupo,
  kFamilia,
  kSubFamilia,
  kDias,
  kUnBase,
  kUnCmp,
  kFactEmb,
  kOriginalUB,
  kOriginalUC,
  kUltPrCom,
  kDesconto,
  kOBS,
  kNomeFornec,
  kCor,
  kCorV,
  kOrigem,
};

// One column: its name, and the type and text size (characters; 0 for
// other types) of its values, which are those of the working-table field
// of the same name.
struct ResultColumn {
  std::string_view name;
  FieldType type;
  int size = 0;
};

// The 32 columns, in the order of ResultField.
inline constexpr std::array<ResultColumn, 32> kResultFields = {{
    {"Artigo", FieldType::kText, 15},     {"Nome", FieldType::kText, 80},
    {"StkMinimo", FieldType::kCurrency},  {"QtdMinApr", FieldType::kCurrency},
    {"StkReal", FieldType::kCurrency},    {"EncF", FieldType::kCurrency},
    {"StkPrazo", FieldType::kCurrency},   {"Cli", FieldType::kCurrency},
    {"Prazo", FieldType::kCurrency},      {"QtdUB", FieldType::kCurrency},
    {"QtdUC", FieldType::kCurrency},      {"StkApos", FieldType::kCurrency},
    {"Tempo", FieldType::kCurrency},      {"Fornec", FieldType::kText, 15},
    {"ENF", FieldType::kText, 3},         {"Sel", FieldType::kBoolean},
    {"Grupo", FieldType::kText, 6},       {"Familia", FieldType::kText, 6},
    {"SubFamilia", FieldType::kText, 6},  {"Dias", FieldType::kCurrency},
    {"UnBase", FieldType::kText, 3},      {"UnCmp", FieldType::kText, 3},
    {"FactEmb", FieldType::kCurrency},    {"OriginalUB", FieldType::kCurrency},
    {"OriginalUC", FieldType::kCurrency}, {"UltPrCom", FieldType::kCurrency},
    {"Desconto", FieldType::kCurrency},   {"OBS", FieldType::kText, 3},
    {"NomeFornec", FieldType::kText, 80}, {"Cor", FieldType::kSmallInt},
    {"CorV", FieldType::kSmallInt},       {"Origem", FieldType::kText, 1},
}};

// The column of `field`.
constexpr const ResultColumn& ResultColumnOf(ResultField field) {
  return kResultFields[static_cast<size_t>(field)];
}

// ResultField and kResultFields name the same columns in the same order.
static_assert(ResultColumnOf(ResultField::kArtigo).name == "Artigo");
static_assert(ResultColumnOf(ResultField::kTempo).name == "Tempo");
static_assert(ResultColumnOf(ResultField::kSel).name == "Sel");
static_assert(ResultColumnOf(ResultField::kDias).name == "Dias");
static_assert(ResultColumnOf(ResultField::kOBS).name == "OBS");
static_assert(ResultColumnOf(ResultField::kOrigem).name == "Origem");
static_assert(static_cast<size_t>(ResultField::kOrigem) + 1 ==
              kResultFields.size());

}  // namespace vor

#endif  // VOR_DB_RESULT_TABLE_H_
