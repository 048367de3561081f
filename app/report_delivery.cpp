#include "app/report_delivery.h"

#include "engine/late_order_finder.h"
#include "proposal/morning_report.h"

namespace vor {

RunReport MorningReportDelivery() {
  RunReport report;
  report.completed = [](const SettingsRecord& settings, Connection& connection,
                        LocalTime started, Recordset* proposal) {
    // The late supplier orders are read only once a report is asked for,
    // for the rows it reports.
    const auto late_orders = [&](const std::vector<ProposalRow>& rows) {
      return LateOrderFinder::Find(connection, rows, started,
                                   settings.encomendas.atraso_maximo);
    };
    return MorningReport::AfterRun(settings, connection, started, proposal,
                                   late_orders);
  };
  report.failed = &MorningReport::AfterFailure;
  return report;
}

}  // namespace vor
