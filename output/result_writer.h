// GravaTabela: the result writer. Replaces the rows of the ERP table
// zlx_VOR_Encomendas with the rows of the working table, one insert per row,
// between BeginWrite and EndWrite of the connection.
#ifndef VOR_OUTPUT_RESULT_WRITER_H_
#define VOR_OUTPUT_RESULT_WRITER_H_

#include "core/recordset.h"
#include "db/connection.h"
#include "db/result_table.h"
#include "output/history_writer.h"

namespace vor {

// Writes `rsfinal` into zlx_VOR_Encomendas: BeginWrite; when the table has
// rows (RecordCount above 0, counted and walked as given, filter included),
// deletes every row of the result table and inserts one row per working
// row, the 32 columns of kResultFields copied unchanged (null stays null);
// EndWrite. Catches nothing: on an error the write is left open
// (WriteInProgress true) for the caller to abandon, and EndWrite is not called.
// Afterwards the cursor of `rsfinal` stands past its last row.
//
// With `history`, the rows also go into zlx_VOR_Historico inside the same
// transaction, after the proposal's (HistoryWriter::Append); nothing goes
// there when `rsfinal` has no rows.
void GravaTabela(Connection& connection, Recordset& rsfinal,
                 const HistoryRun* history = nullptr);

}  // namespace vor

#endif  // VOR_OUTPUT_RESULT_WRITER_H_
