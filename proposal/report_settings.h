// ReportSettings: what the morning report needs from the settings file:
// the recipients ([email] Destino, addresses separated by ";" or ","), the
// subject ([email] Assunto), the folder of the daily workbook ([Relatorio]
// Pasta), the mail server (the SMTP section) and the time allowed to reach
// it ([BD] TempoEspera, default 30 s). With no recipients nothing is sent;
// with no folder no file is written.
//
//   ReportSettings s = ReportSettings::Load(settings);
//   if (s.wants_mail()) { if (auto p = s.MailProblem()) log(*p); ... }
#ifndef VOR_PROPOSAL_REPORT_SETTINGS_H_
#define VOR_PROPOSAL_REPORT_SETTINGS_H_

#include <optional>
#include <string>
#include <vector>

#include "settings/settings_record.h"
#include "settings/smtp_settings.h"

namespace vor {

struct ReportSettings {
  std::string settings_path;
  std::string destino;                  // [email] Destino as stored
  std::vector<std::string> recipients;  // its addresses, trimmed
  std::string subject;                  // [email] Assunto
  std::string folder;  // [Relatorio] Pasta, trimmed; a relative one
                       // taken from the settings file's folder
  std::string share;   // [Relatorio] Partilha, trimmed: where people reach
                       // the folder (a share path or URL); "" when unset
  SmtpSettings smtp;
  std::string security_as_stored;  // [SMTP] Seguranca before SmtpSettings
                                   // reads an unknown value as Nenhuma
  int timeout_seconds = 30;

  // Takes the keys above from `settings`, the settings file as the run
  // read it. Raises the error of reading it (Error 75 naming the file) when
  // it could not be read. A TempoEspera that is not a number leaves 30 s
  // (the database connection reports it).
  static ReportSettings Load(const SettingsRecord& settings);
  // "a@x.pt; b@y.pt,c@z.pt" as its addresses, blanks and empty pieces
  // dropped; "<a@x.pt>" gives the address between the brackets.
  static std::vector<std::string> SplitAddresses(const std::string& text);

  bool wants_mail() const { return !recipients.empty(); }
  bool wants_file() const { return !folder.empty(); }

  // Why a message cannot be sent with these settings, naming the key, the
  // file and the value at fault (never the password): no server, a port
  // that is not a number 1-65535, an unknown security, no sender address,
  // a sender or recipient without "@". nullopt when they will do.
  std::optional<std::string> MailProblem() const;
};

}  // namespace vor

#endif  // VOR_PROPOSAL_REPORT_SETTINGS_H_
