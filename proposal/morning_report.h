// MorningReport: the proposal delivered after a run, as the settings ask
// (ReportSettings): by e-mail to [email] Destino, the summary, shortages,
// articles to order by supplier and exceptions in the body (plain text and
// HTML) and the proposal's workbook attached; and as that workbook in the
// folder [Relatorio] Pasta. After a run that failed, an alert by e-mail.
// Nothing here writes to the database; a delivery that fails is returned as
// one line for the run log, naming what failed (never the password).
//
//   for (const std::string& line :
//        MorningReport::AfterRun(settings, connection, started))
//     run_log.Escrever(line);
#ifndef VOR_PROPOSAL_MORNING_REPORT_H_
#define VOR_PROPOSAL_MORNING_REPORT_H_

#include <string>
#include <vector>

#include "core/clock.h"
#include "proposal/mail_message.h"
#include "proposal/proposal_view.h"
#include "settings/settings_values.h"
#include "settings/smtp_settings.h"

namespace vor {

class Connection;

class MorningReport {
 public:
  // The subject of the alert, before its date.
  static constexpr const char* kAlertSubject =
      "VORencomendas: a proposta não foi calculada";
  // The subject when [email] Assunto is empty.
  static constexpr const char* kDefaultSubject = "Proposta de encomendas";

  // After a completed run that started at `started`, with `settings` as
  // the run read them: reads the proposal through `connection`, writes the
  // workbook into the report folder (Proposta_yyyymmdd_HHMMSS.xlsx,
  // complete or not at all) and mails it to the recipients. Returns one
  // line per delivery that failed, or one naming the settings when they
  // could not be read; empty when all went out, or when the settings ask
  // for none (then nothing is read).
  static std::vector<std::string> AfterRun(const SettingsValues& settings,
                                           Connection& connection,
                                           LocalTime started);
  // After a run the engine's handler ended with `error_message` (as
  // logged): mails the alert, with the message, `log_path` and the fact
  // that the table keeps the previous proposal. Returns the line to log
  // when it could not be sent (or the settings could not be read); empty
  // when sent or no recipients are set.
  static std::vector<std::string> AfterFailure(const SettingsValues& settings,
                                               const std::string& error_message,
                                               const std::string& log_path,
                                               LocalTime started);
  // Sends a short test message through `smtp` (values being edited, not
  // necessarily saved) to the recipients of `settings_path`, else to the
  // sender itself. Returns the line to show; raises vor::Error naming the
  // key at fault or the server's answer.
  static std::string SendTest(const SmtpSettings& smtp,
                              const std::string& settings_path);

  // The report message for `view` (every row, default order) titled
  // `title`, without recipients and attachment.
  static MailMessage ReportMessage(const ProposalView& view,
                                   const std::string& title);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_MORNING_REPORT_H_
