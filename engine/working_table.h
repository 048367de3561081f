// The engine's in-memory tables: the working table rsfinal (one row per
// article, the 32 fields of the proposal) and the component table rsProd
// (component article and required quantity). Neither is bound to the
// database; both are created open and empty.
#ifndef VOR_ENGINE_WORKING_TABLE_H_
#define VOR_ENGINE_WORKING_TABLE_H_

#include <array>

#include "core/recordset.h"
#include "db/result_table.h"

namespace vor {

// The 32 fields of rsfinal, in order, with their types and text sizes:
// those of the result table's columns, kResultFields.
const std::array<FieldDef, kResultFields.size()>& WorkingTableFields();

// A new, open, empty working table with the fields of WorkingTableFields().
Recordset CriaRsFinal();

// A new, open, empty component table: Artigo (text, 15), Quant (fixed-point).
Recordset CriaRsProd();

}  // namespace vor

#endif  // VOR_ENGINE_WORKING_TABLE_H_
