// SmtpSender: hands one message to a mail server over SMTP (libcurl): plain,
// STARTTLS (the session must become encrypted) or SSL (encrypted from the
// start), with AUTH when a user is set. The server's certificate is checked
// against the system's authorities, or against the bundle named by the
// environment variable CURL_CA_BUNDLE when it is set (as curl does).
//
//   const SmtpSender::Outcome sent =
//       SmtpSender::Send(settings.smtp, settings.timeout_seconds,
//                        recipients, message.Render(std::time(nullptr)));
//   for (const auto& refused : sent.refused)
//     log(refused.address + ": " + refused.reply);
//   if (!sent.uncertain.empty()) log("entrega incerta: " + sent.uncertain);
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
  // What became of a message the server took.
  struct Outcome {
    std::vector<Refusal> refused;  // empty when all were accepted
    // Empty when the server confirmed the message. Otherwise the whole
    // message and its end went to the server but its answer never came
    // (it may have taken the message or not): why, naming the server.
    std::string uncertain;
  };
  // The slowest transfer the overall deadline allows for.
  static constexpr size_t kSlowestBytesPerSecond = 32 * 1024;

  // Sends `message` (the whole RFC 5322 text) from smtp.email_emissor to
  // every address of `recipients` through smtp.servidor:smtp.porta. The
  // send is cut only when nothing moved for `timeout_seconds` (no answer to
  // a command, no byte of the message taken), or when the whole session
  // passes OverallLimitSeconds; the answer to the end of the message is
  // waited for until that limit, as the server may still be reading what
  // the network holds. A recipient the server refuses does not stop the
  // others: they are returned with the server's reply. Raises Error 75
  // when the message went to nobody, its description naming the server and
  // port, the failure (the wait or the limit that ended it) and the reply
  // that failed (each refused address with its reply when all were
  // refused). A reply to AUTH is reported by its code only; no password,
  // plain or base64-encoded, appears in what it returns or raises.
  static Outcome Send(const SmtpSettings& smtp, int timeout_seconds,
                      const std::vector<std::string>& recipients,
                      const std::string& message);

  // The deadline of a whole session: `timeout_seconds` for each of its
  // commands, plus the time to send `bytes` at kSlowestBytesPerSecond.
  static long OverallLimitSeconds(int timeout_seconds, size_t recipients,
                                  size_t bytes);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_SMTP_SENDER_H_
