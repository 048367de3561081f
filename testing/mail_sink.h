// MailSink: a real SMTP server on 127.0.0.1 for one test (testing/
// smtp_sink.py under /usr/bin/python3, aiosmtpd), optionally with STARTTLS
// (a certificate for 127.0.0.1 made with openssl) and required AUTH. Each
// message it accepts is read back as a Received: envelope, decoded
// headers, text and HTML parts, and the saved attachments.
#ifndef VOR_TESTING_MAIL_SINK_H_
#define VOR_TESTING_MAIL_SINK_H_

#include <memory>
#include <string>
#include <vector>

#include "testing/test_site.h"

class QProcess;

namespace vor {

class MailSink {
 public:
  struct Options {
    bool starttls = false;
    std::string user;  // AUTH required when set
    std::string password;
    std::vector<std::string> refuse;  // refused at RCPT with 550
    // A bare server: "stall" (stops reading after DATA), "echo-auth"
    // (refuses AUTH LOGIN repeating what it was sent, in several
    // encodings), "mute" (reads the whole message, never answers its end),
    // all keeping nothing; or "slow" (reads the message at read_rate bytes
    // a second, then keeps and accepts it).
    std::string misbehave;
    long read_rate = 800;
    // Bytes announced as SIZE, above which a message is refused (552);
    // 0: the server's default.
    long size_limit = 0;
  };
  struct Received {
    std::string mail_from;
    std::vector<std::string> rcpt_tos;
    std::string from, subject, text, html;
    std::vector<std::string> attachment_paths;
    std::string eml_path;  // the message as received
    bool tls = false;
    bool authenticated = false;
  };

  // Starts the server and waits until it listens (the test fails if it
  // does not within 20 s).
  MailSink() : MailSink(Options()) {}
  explicit MailSink(const Options& options);
  ~MailSink();
  MailSink(const MailSink&) = delete;
  MailSink& operator=(const MailSink&) = delete;

  int port() const { return port_; }
  // The certificate the server shows (STARTTLS), for CURL_CA_BUNDLE.
  std::string certificate() const { return folder_.path() + "/cert.pem"; }
  // The messages accepted so far, in order.
  std::vector<Received> Messages() const;
  // The [SMTP] section for this server, sender vor@empresa.pt.
  std::string SettingsSection() const;

  // A port on 127.0.0.1 where nothing listens.
  static int ClosedPort();

 private:
  TempFolder folder_;
  std::unique_ptr<QProcess> process_;
  Options options_;
  int port_ = 0;
};

}  // namespace vor

#endif  // VOR_TESTING_MAIL_SINK_H_
