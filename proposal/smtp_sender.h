// SmtpSender: hands one message to a mail server over SMTP (libcurl): plain,
// STARTTLS (the session must become encrypted) or SSL (encrypted from the
// start), with AUTH when a user is set. The server's certificate is checked
// against the system's authorities, or against the bundle named by the
// environment variable CURL_CA_BUNDLE when it is set (as curl does).
//
//   for (const auto& refused :
//        SmtpSender::Send(settings.smtp, settings.timeout_seconds,
//                         recipients, message.Render(std::time(nullptr))))
//     log(refused.address + ": " + refused.reply);
#ifndef VOR_PROPOSAL_SMTP_SENDER_H_
#define VOR_PROPOSAL_SMTP_SENDER_H_

#include <string>
#include <vector>

#include "settings/smtp_settings.h"

namespace vor {

class SmtpSender {
 public:
  // A recipient the server refused, with the server's reply to it.
  struct Refusal {
    std::string address;
    std::string reply;
  };
  // The slowest transfer the overall deadline allows for.
  static constexpr size_t kSlowestBytesPerSecond = 32 * 1024;

  // Sends `message` (the whole RFC 5322 text) from smtp.email_emissor to
  // every address of `recipients` through smtp.servidor:smtp.porta. Each
  // wait is bounded by `timeout_seconds`: the connection, each answer, and
  // a transfer that makes no progress; the whole session by
  // OverallLimitSeconds. A recipient the server refuses does not stop the
  // others: returns the refused ones with the server's reply (empty when
  // all were accepted). Raises Error 75 when the message went to nobody,
  // its description naming the server and port, the failure and the reply
  // that failed (each refused address with its reply when all were
  // refused). No password, plain or base64-encoded, appears in what it
  // returns or raises.
  static std::vector<Refusal> Send(const SmtpSettings& smtp,
                                   int timeout_seconds,
                                   const std::vector<std::string>& recipients,
                                   const std::string& message);

  // The deadline of a whole session: `timeout_seconds` for each of its
  // commands, plus the time to send `bytes` at kSlowestBytesPerSecond.
  static long OverallLimitSeconds(int timeout_seconds, size_t recipients,
                                  size_t bytes);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_SMTP_SENDER_H_
