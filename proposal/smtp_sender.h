// SmtpSender: hands one message to a mail server over SMTP (libcurl): plain,
// STARTTLS (the session must become encrypted) or SSL (encrypted from the
// start), with AUTH when a user is set. The server's certificate is checked
// against the system's authorities, or against the bundle named by the
// environment variable CURL_CA_BUNDLE when it is set (as curl does).
//
//   SmtpSender::Send(settings.smtp, settings.timeout_seconds, recipients,
//                    message.Render(std::time(nullptr)));
#ifndef VOR_PROPOSAL_SMTP_SENDER_H_
#define VOR_PROPOSAL_SMTP_SENDER_H_

#include <string>
#include <vector>

#include "settings/smtp_settings.h"

namespace vor {

class SmtpSender {
 public:
  // Sends `message` (the whole RFC 5322 text) from smtp.email_emissor to
  // every address of `recipients` through smtp.servidor:smtp.porta, waiting
  // at most `timeout_seconds` for the connection and for each answer.
  // Raises Error 75 when it was not accepted, its description naming the
  // server and port, the failure and the server's last answer; the password
  // never appears in it.
  static void Send(const SmtpSettings& smtp, int timeout_seconds,
                   const std::vector<std::string>& recipients,
                   const std::string& message);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_SMTP_SENDER_H_
