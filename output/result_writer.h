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

// The 32 columns of zlx_VOR_Encomendas that the writer sets, in order; each
// is filled from the working-table field of the same name.
inline constexpr std::array<std::string_view, 32> kResultColumns = {
    "Artigo",   "Nome",     "StkMinimo", "QtdMinApr",  "StkReal",
    "EncF",     "StkPrazo", "Cli",       "Prazo",      "QtdUB",
    "QtdUC",    "StkApos",  "Tempo",     "Fornec",     "ENF",
    "Sel",      "Grupo",    "Familia",   "SubFamilia", "Dias",
    "UnBase",   "UnCmp",    "FactEmb",   "OriginalUB", "OriginalUC",
    "UltPrCom", "Desconto", "OBS",       "NomeFornec", "Cor",
    "CorV",     "Origem"};

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
