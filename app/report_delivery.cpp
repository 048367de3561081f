#include "app/report_delivery.h"

#include "proposal/morning_report.h"

namespace vor {

RunReport MorningReportDelivery() {
  RunReport report;
  report.completed = &MorningReport::AfterRun;
  report.failed = &MorningReport::AfterFailure;
  return report;
}

}  // namespace vor
