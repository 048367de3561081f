// The report of every run, as the program wires it: after a completed run
// the proposal goes out by e-mail and into the report folder, its workbook
// begun while the result table is written (ReportInProgress); after a run
// the engine's handler ended, the alert goes out (MorningReport). The
// engine knows nothing of it: RunControl calls what it is given here.
#ifndef VOR_APP_REPORT_DELIVERY_H_
#define VOR_APP_REPORT_DELIVERY_H_

#include "app/run_control.h"

namespace vor {

// ReportInProgress::Begin, MorningReport::AfterRun and AfterFailure as a
// RunReport.
RunReport MorningReportDelivery();

}  // namespace vor

#endif  // VOR_APP_REPORT_DELIVERY_H_
