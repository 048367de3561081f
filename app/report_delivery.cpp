#include "app/report_delivery.h"

#include "proposal/morning_report.h"
#include "proposal/report_in_progress.h"

namespace vor {

RunReport MorningReportDelivery() {
  RunReport report;
  report.begin = &ReportInProgress::Begin;
  report.completed = &MorningReport::AfterRun;
  report.failed = &MorningReport::AfterFailure;
  return report;
}

}  // namespace vor
