// GravaTabelaEmLotes: the result writer of the bulk reading mode. Replaces
// the rows of zlx_VOR_Encomendas with the rows of the working table, as
// GravaTabela does, but sends them in multi-row INSERTs of bound values
// (kBatchRows rows of the 32 columns each, the most that fits the
// parameter limit of a statement), all in one transaction.
#ifndef VOR_OUTPUT_BATCH_WRITER_H_
#define VOR_OUTPUT_BATCH_WRITER_H_

#include <cstddef>

#include "core/recordset.h"
#include "db/connection.h"
#include "db/result_table.h"
#include "output/history_writer.h"

namespace vor {

// Rows per INSERT: 65 rows of 32 columns, 2 080 parameters.
inline constexpr size_t kBatchRows =
    Connection::kMaxInsertParameters / kResultFields.size();

// As GravaTabela: BeginWrite; when `rsfinal` has rows (counted and walked
// as given), deletes every row of zlx_VOR_Encomendas and inserts one row per
// working row, the 32 columns copied unchanged, in the working table's
// order, kBatchRows rows per InsertRows; EndWrite. Catches nothing: on an
// error the write is left open for the caller to abandon.
//
// With `history`, the rows also go into zlx_VOR_Historico inside the same
// transaction, after the proposal's (HistoryWriter::Append); nothing goes
// there when `rsfinal` has no rows.
void GravaTabelaEmLotes(Connection& connection, Recordset& rsfinal,
                        const HistoryRun* history = nullptr);

}  // namespace vor

#endif  // VOR_OUTPUT_BATCH_WRITER_H_
