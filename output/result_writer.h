// GravaTabela: the result writer. Replaces the rows of the ERP table
// zlx_VOR_Encomendas with the rows of the working table, one insert per row,
// between BeginWrite and EndWrite of the connection.
#ifndef VOR_OUTPUT_RESULT_WRITER_H_
#define VOR_OUTPUT_RESULT_WRITER_H_

#include <array>
#include <string_view>

#include "core/recordset.h"
#include "db/connection.h"

namespace vor {

// One column of zlx_VOR_Encomendas: its name, and the type and text size
// (characters; 0 for other types) of the working-table field that fills it.
struct ResultColumn {
  std::string_view name;
  FieldType type;
  int size = 0;
};

// The 32 columns of zlx_VOR_Encomendas that the writer sets, in order; each
// is filled from the working-table field of the same name. The working
// table rsfinal is built from this same list.
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

// The names of kResultFields, in the same order.
inline constexpr std::array<std::string_view, kResultFields.size()>
    kResultColumns = [] {
      std::array<std::string_view, kResultFields.size()> names{};
      for (size_t i = 0; i < names.size(); ++i)
        names[i] = kResultFields[i].name;
      return names;
    }();

// Writes `rsfinal` into zlx_VOR_Encomendas: BeginWrite; when the table has
// rows (RecordCount above 0, counted and walked as given, filter included),
// deletes every row of the result table and inserts one row per working
// row, the 32 columns copied unchanged (null stays null); EndWrite. Catches
// nothing: on an error the write is left open (WriteInProgress true) for the
// caller to abandon, and EndWrite is not called. Afterwards the cursor of
// `rsfinal` stands past its last row.
void GravaTabela(Connection& connection, Recordset& rsfinal);

}  // namespace vor

#endif  // VOR_OUTPUT_RESULT_WRITER_H_
