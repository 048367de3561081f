// MorningReport: the proposal delivered after a run, as the settings ask
// (ReportSettings): by e-mail to [email] Destino, the digest in the body
// (ReportDigest: summary, changes since the history's earlier run, the most
// urgent rows, the suppliers; plain text and HTML) and the proposal's
// workbook attached (ReportWorkbook); and as that workbook in the folder
// [Relatorio] Pasta. After a run that failed, an alert by e-mail.
// Nothing here writes to the database; each delivery made or failed is
// returned as one line for the run log, naming what failed (never the
// password).
//
//   const ReportOutcome r =
//       MorningReport::AfterRun(settings, connection, started, &written);
//   for (const std::string& line : r.delivered) run_log.Escrever(line);
//   for (const std::string& line : r.failures) run_log.Escrever(line);
#ifndef VOR_PROPOSAL_MORNING_REPORT_H_
#define VOR_PROPOSAL_MORNING_REPORT_H_

#include <functional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "proposal/late_orders.h"
#include "proposal/mail_message.h"
#include "proposal/proposal_view.h"
#include "proposal/report_digest.h"
#include "proposal/report_settings.h"
#include "settings/settings_record.h"
#include "settings/smtp_settings.h"

namespace vor {

class Connection;
class Recordset;
class ReportInProgress;

// What a delivery did, as lines for the run log.
struct ReportOutcome {
  // One line per delivery made (to how many recipients, and the size; the
  // file written) and per part left out of the report.
  std::vector<std::string> delivered;
  // One line per delivery that failed or stayed uncertain (the server
  // never confirmed the message), and per recipient refused.
  std::vector<std::string> failures;
};

class MorningReport {
 public:
  // The subject of the alert, before its date.
  static constexpr const char* kAlertSubject =
      "VORencomendas: a proposta não foi calculada";
  // The subject of the alert of an error after the proposal was written.
  static constexpr const char* kLateAlertSubject =
      "VORencomendas: a proposta foi gravada, mas a emissão terminou com erro";
  // The subject when [email] Assunto is empty.
  static constexpr const char* kDefaultSubject = "Proposta de encomendas";

  // After a completed run that started at `started`, with `settings` as
  // the run read them: takes the proposal from `begun` (the report begun
  // before the table was written, its workbook under way; nullptr: none)
  // or else from `proposal`, the working table the run wrote (its rows
  // emptied once taken; nullptr: the proposal is read back through
  // `connection`), compares it with the latest earlier run of the history
  // (zlx_VOR_Historico, where it exists, in one read), builds the workbook
  // once in memory (or takes it from `begun`), writes it into the
  // report folder (Proposta_yyyymmdd_HHMMSS.xlsx, complete or not at all)
  // and mails the digest (ReportDigest) to the recipients with the workbook
  // attached. The values of the file left at their defaults
  // (SettingsRecord::Notices) are said at the top of the message. Nothing is
  // read when the settings ask for no report.
  //
  // `late_orders`, when given, is asked once for the late supplier orders
  // (LateOrderFinder::Read), then matched to the proposal's rows: they make
  // the section "Encomendas em atraso", a summary line and the sheet "Em
  // atraso"; when they could not be read the report goes without them and
  // one delivered line says why. A report `begun` has them already.
  static ReportOutcome AfterRun(const SettingsRecord& settings,
                                Connection& connection, LocalTime started,
                                Recordset* proposal = nullptr,
                                const LateOrderRead& late_orders = {},
                                ReportInProgress* begun = nullptr);
  // After a run that failed with `error_message` (the engine's handler
  // ended it, or the start-up failed once the settings were found, or a
  // step after the proposal was written failed): mails the alert, with the
  // message, `log_path` ("" when no log was opened) and what the table
  // holds: the previous proposal, or (`proposal_written`) the new one.
  static ReportOutcome AfterFailure(const SettingsRecord& settings,
                                    const std::string& error_message,
                                    const std::string& log_path,
                                    LocalTime started, bool proposal_written);
  // Sends a short test message through `smtp` (values being edited, not
  // necessarily saved) to the recipients of `settings_path`, else to the
  // sender itself. Returns the line to show; raises vor::Error naming the
  // key at fault or the server's answer.
  static std::string SendTest(const SmtpSettings& smtp,
                              const std::string& settings_path);

  // The largest report message sent with its attachment; past it the
  // digest goes with the compact workbook, or alone.
  static constexpr size_t kMaxMessageBytes = 5u * 1000 * 1000;
  // Whether a workbook of `bytes` is too large to go in a report message:
  // base64 alone takes it past kMaxMessageBytes.
  static bool TooLargeToMail(size_t bytes) {
    return bytes / 3 * 4 > kMaxMessageBytes;
  }

  // Why the full workbook is not attached when it is too large to mail.
  static constexpr const char* kTooLargeToMail = "a mensagem passaria de 5 MB";
  // The compact workbook's file name, beside `file_name` (the full one's).
  static std::string CompactName(const std::string& file_name);
  // `digest` as the message with the compact workbook shows it: its
  // attachment's fields say that the full workbook (`file_name`,
  // `full_size` bytes) is not attached, for `why`, what the compact one
  // holds, and where the full one is to be found ([Relatorio] Partilha, else
  // `dropped`, the path it was written to; "" when it was not).
  static DigestInput WithCompactWorkbook(DigestInput digest,
                                         const ReportSettings& settings,
                                         const std::string& file_name,
                                         size_t full_size,
                                         const std::string& why,
                                         const std::string& dropped);

  // The report message for `digest` (ReportDigest's text and HTML), titled
  // digest.title, without recipients and attachment.
  static MailMessage ReportMessage(const DigestInput& digest);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_MORNING_REPORT_H_
