#include "app/report_delivery.h"

#include "engine/late_order_finder.h"
#include "proposal/morning_report.h"
#include "proposal/report_in_progress.h"

namespace vor {

RunReport MorningReportDelivery() {
  RunReport report;
  // The late supplier orders are read only once a report is asked for,
  // for the rows it reports.
  const auto late_orders = [](const SettingsRecord& settings,
                              Connection& connection,
                              LocalTime started) -> LateOrderRead {
    return [&settings, &connection, started] {
      return LateOrderFinder::Read(connection, started,
                                   settings.encomendas.atraso_maximo);
    };
  };
  report.begin = [late_orders](const SettingsRecord& settings,
                               Connection& connection, LocalTime started,
                               Recordset& computed) {
    return ReportInProgress::Begin(settings, connection, started, computed,
                                   late_orders(settings, connection, started));
  };
  report.completed = [late_orders](const SettingsRecord& settings,
                                   Connection& connection, LocalTime started,
                                   Recordset* proposal,
                                   ReportInProgress* begun) {
    return MorningReport::AfterRun(settings, connection, started, proposal,
                                   late_orders(settings, connection, started),
                                   begun);
  };
  report.failed = &MorningReport::AfterFailure;
  return report;
}

}  // namespace vor
