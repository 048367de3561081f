// The cut-off date of the customer orders a run counts: the day of the run
// moved back by nine calendar months.
#ifndef VOR_ENGINE_CUTOFF_DATE_H_
#define VOR_ENGINE_CUTOFF_DATE_H_

#include <string>

#include "core/clock.h"

namespace vor {

// `now` moved back by 9 calendar months, written "yyyy-mm-dd". The day of
// the month is kept; when the target month is shorter, its last day is used
// (31 December gives 31 March, 30 November the last day of February).
std::string DataLimiteEncomendas(LocalTime now);

}  // namespace vor

#endif  // VOR_ENGINE_CUTOFF_DATE_H_
