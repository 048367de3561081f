#include "proposal/smtp_sender.h"

#include <curl/curl.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

#include "core/error.h"
#include "core/secret_mask.h"

namespace vor {
namespace {

using Clock = std::chrono::steady_clock;

// What stands for the text of a reply to AUTH, which may repeat the
// credentials in any encoding.
constexpr char kAuthReplyOmitted[] = "(texto da resposta ao AUTH omitido)";

// The message as libcurl reads it, in pieces.
struct Upload {
  const std::string* data;
  size_t offset = 0;
};

size_t ReadPiece(char* buffer, size_t size, size_t count, void* user) {
  auto* upload = static_cast<Upload*>(user);
  const size_t room = size * count;
  const size_t left = upload->data->size() - upload->offset;
  const size_t n = left < room ? left : room;
  std::memcpy(buffer, upload->data->data() + upload->offset, n);
  upload->offset += n;
  return n;
}

// What the server answered, command by command. Of what the program sends
// only the verb is looked at, and for RCPT the address: the lines after
// AUTH hold the password and are never kept, and of the replies to AUTH
// only the code is.
struct Transcript {
  std::string verb;       // the last command sent ("RCPT", "DATA", ...)
  std::string recipient;  // the address of the last RCPT
  std::string reply;      // the lines of the reply being read
  std::string last;       // the last whole reply
  std::string failed;     // the first reply 4xx/5xx to a command but RCPT
  std::vector<SmtpSender::Refusal> refused;
  bool in_auth = false;        // the lines sent now are credentials
  bool data_open = false;      // DATA was answered 354
  bool data_answered = false;  // and the end of the message was answered
};

// The session as it goes: the transcript, when something last moved (a
// command, a reply, a byte of the message taken) and what cut it.
struct Watch {
  enum class Cut { kNone, kNoProgress, kLimit };

  Transcript transcript;
  const Upload* upload = nullptr;
  Clock::time_point started = Clock::now();
  Clock::time_point moved = started;
  Clock::duration wait{};
  Clock::duration limit{};
  curl_off_t uploaded = 0;
  curl_socket_t socket = CURL_SOCKET_BAD;
  int queued = 0;  // bytes sent that the server's side has not taken yet
  Cut cut = Cut::kNone;

  // The whole message and its end reached the server's side, but the
  // server has not answered yet: it may still be reading what it holds.
  bool AwaitingAnswerToTheEnd() const {
    return transcript.data_open && !transcript.data_answered &&
           upload->offset == upload->data->size() &&
           uploaded >= static_cast<curl_off_t>(upload->data->size()) &&
           queued == 0;
  }
};

// The connection's socket, as libcurl opens and closes it: what it has
// queued shows how far the server has read.
int SocketOpened(void* user, curl_socket_t socket, curlsocktype) {
  static_cast<Watch*>(user)->socket = socket;
  return CURL_SOCKOPT_OK;
}

int SocketClosing(void* user, curl_socket_t socket) {
  auto& w = *static_cast<Watch*>(user);
  if (w.socket == socket) w.socket = CURL_SOCKET_BAD;
  return close(socket);
}

std::string WithoutLineEnd(const char* data, size_t size) {
  std::string line(data, size);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.pop_back();
  }
  return line;
}

void CommandSent(Transcript& t, const std::string& line) {
  static constexpr const char* kVerbs[] = {"EHLO", "HELO", "STARTTLS", "AUTH",
                                           "MAIL", "RCPT", "DATA",     "QUIT"};
  if (t.in_auth) return;
  const std::string verb = line.substr(0, line.find(' '));
  for (const char* known : kVerbs) {
    if (verb != known) continue;
    t.verb = verb;
    t.in_auth = verb == "AUTH";
    if (verb == "RCPT") {
      const size_t open = line.find('<');
      const size_t close = line.rfind('>');
      t.recipient = open != std::string::npos && close > open
                        ? line.substr(open + 1, close - open - 1)
                        : line;
    }
    return;
  }
}

void ReplyLine(Transcript& t, const std::string& line) {
  if (!t.reply.empty()) t.reply += " ";
  t.reply += line;
  // "250-..." continues the reply, "250 ..." (or "250") ends it.
  if (line.size() > 3 && line[3] == '-') return;
  const bool coded = line.size() >= 3 &&
                     std::isdigit(static_cast<unsigned char>(line[0])) &&
                     std::isdigit(static_cast<unsigned char>(line[1])) &&
                     std::isdigit(static_cast<unsigned char>(line[2]));
  const int code = coded ? std::atoi(line.substr(0, 3).c_str()) : 0;
  if (t.verb == "AUTH") {
    t.reply =
        (coded ? line.substr(0, 3) + " " : std::string()) + kAuthReplyOmitted;
    t.in_auth = code == 334;
  } else if (t.verb == "DATA") {
    if (code == 354) {
      t.data_open = true;
    } else if (t.data_open) {
      t.data_answered = true;
    }
  }
  if (code >= 400) {
    if (t.verb == "RCPT") {
      t.refused.push_back({t.recipient, t.reply});
    } else if (t.failed.empty()) {
      t.failed = t.reply;
    }
  }
  t.last = t.reply;
  t.reply.clear();
}

int Listen(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  auto& w = *static_cast<Watch*>(user);
  Transcript& t = w.transcript;
  if (type != CURLINFO_TEXT) w.moved = Clock::now();
  if (type == CURLINFO_HEADER_OUT) {
    CommandSent(t, WithoutLineEnd(data, size));
  } else if (type == CURLINFO_HEADER_IN) {
    // One call may carry several lines.
    std::string_view text(data, size);
    while (!text.empty()) {
      const size_t end = text.find('\n');
      const std::string_view piece = text.substr(0, end);
      const std::string line = WithoutLineEnd(piece.data(), piece.size());
      if (!line.empty()) ReplyLine(t, line);
      if (end == std::string_view::npos) break;
      text.remove_prefix(end + 1);
    }
  }
  return 0;
}

// Called about once a second, and as the message goes out: ends the
// session when nothing moved for the wait (but while the server owes the
// answer to the end of the message), or at the overall limit.
int Progress(void* user, curl_off_t, curl_off_t, curl_off_t,
             curl_off_t uploaded) {
  auto& w = *static_cast<Watch*>(user);
  const Clock::time_point now = Clock::now();
  if (uploaded != w.uploaded) {
    w.uploaded = uploaded;
    w.moved = now;
  }
  // Bytes the server's side acknowledged since: it is reading.
  int queued = 0;
  if (w.socket == CURL_SOCKET_BAD || ioctl(w.socket, SIOCOUTQ, &queued) != 0) {
    queued = 0;
  }
  if (queued < w.queued) w.moved = now;
  w.queued = queued;
  if (now - w.started >= w.limit) {
    w.cut = Watch::Cut::kLimit;
    return 1;
  }
  if (!w.AwaitingAnswerToTheEnd() && now - w.moved >= w.wait) {
    w.cut = Watch::Cut::kNoProgress;
    return 1;
  }
  return 0;
}

// Owns the handle and the recipient list.
class CurlSession {
 public:
  CurlSession() : curl_(curl_easy_init()) {}
  ~CurlSession() {
    if (recipients_ != nullptr) curl_slist_free_all(recipients_);
    if (curl_ != nullptr) curl_easy_cleanup(curl_);
  }
  CurlSession(const CurlSession&) = delete;
  CurlSession& operator=(const CurlSession&) = delete;

  CURL* get() const { return curl_; }
  curl_slist*& recipients() { return recipients_; }

 private:
  CURL* curl_;
  curl_slist* recipients_ = nullptr;
};

std::string LocalHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
    return "localhost";
  }
  return name;
}

// The server's host for a URL: an IPv6 address between brackets.
std::string UrlHost(const std::string& host) {
  if (host.find(':') != std::string::npos && host.front() != '[') {
    return "[" + host + "]";
  }
  return host;
}

}  // namespace

long SmtpSender::OverallLimitSeconds(int timeout_seconds, size_t recipients,
                                     size_t bytes) {
  return static_cast<long>(timeout_seconds) *
             static_cast<long>(8 + recipients) +
         static_cast<long>(bytes / kSlowestBytesPerSecond);
}

SmtpSender::Outcome SmtpSender::Send(const SmtpSettings& smtp,
                                     int timeout_seconds,
                                     const std::vector<std::string>& recipients,
                                     const std::string& message) {
  static std::once_flag curl_ready;
  std::call_once(curl_ready, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

  const std::string where =
      "servidor " + smtp.servidor + ", porta " + smtp.porta;
  const long limit =
      OverallLimitSeconds(timeout_seconds, recipients.size(), message.size());
  // Outlives the handle, whose callbacks point to it.
  Upload upload{&message};
  Watch watch;
  watch.upload = &upload;
  watch.wait = std::chrono::seconds(timeout_seconds);
  watch.limit = std::chrono::seconds(limit);
  CurlSession session;
  CURL* curl = session.get();
  if (curl == nullptr) {
    throw Error(errnum::kFileError,
                where + ": não foi possível preparar a ligação (libcurl)");
  }
  const bool ssl = smtp.seguranca == SmtpSettings::kSecuritySsl;
  const std::string url = std::string(ssl ? "smtps://" : "smtp://") +
                          UrlHost(smtp.servidor) + ":" + smtp.porta + "/" +
                          LocalHostName();
  const std::string from = "<" + smtp.email_emissor + ">";
  for (const std::string& to : recipients) {
    session.recipients() =
        curl_slist_append(session.recipients(), ("<" + to + ">").c_str());
  }
  char error_text[CURL_ERROR_SIZE] = {};

  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, session.recipients());
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadPiece);
  curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE,
                   static_cast<curl_off_t>(message.size()));
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT,
                   static_cast<long>(timeout_seconds));
  // The waits are Progress's: libcurl's own would count the answer to the
  // end of the message from the moment its last bytes were queued, while
  // a slow server is still reading them. Its limits stay only as a
  // backstop past the overall one.
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &watch);
  curl_easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, SocketOpened);
  curl_easy_setopt(curl, CURLOPT_SOCKOPTDATA, &watch);
  curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, SocketClosing);
  curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, &watch);
  curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, limit + 2);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, limit + 2);
  // The connection ends (QUIT) inside the transfer, under Progress's wait,
  // not when the handle is freed.
  curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
  // A refused recipient does not stop the delivery to the others. (The
  // option is spelt with three Ls in libcurl before 8.2.)
#if LIBCURL_VERSION_NUM >= 0x080200
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT_ALLOWFAILS, 1L);
#else
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 1L);
#endif
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error_text);
  curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, Listen);
  curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &watch);
  curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
  if (smtp.seguranca == SmtpSettings::kSecurityStartTls) {
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
  }
  if (const char* bundle = std::getenv("CURL_CA_BUNDLE");
      bundle != nullptr && *bundle != '\0') {
    curl_easy_setopt(curl, CURLOPT_CAINFO, bundle);
  }
  if (!smtp.utilizador.empty()) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, smtp.utilizador.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, smtp.password.c_str());
  }

  const CURLcode code = curl_easy_perform(curl);
  curl_off_t uploaded = 0;
  if (curl_easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &uploaded) == CURLE_OK &&
      uploaded > watch.uploaded) {
    watch.uploaded = uploaded;
  }
  Transcript& transcript = watch.transcript;
  // A server could repeat what it was sent, plain or base64-encoded (AUTH
  // LOGIN sends the password alone, AUTH PLAIN with the user before it).
  const std::vector<std::string> secrets = {
      smtp.password, std::string(1, '\0') + smtp.utilizador +
                         std::string(1, '\0') + smtp.password};
  Outcome outcome;
  for (Refusal& refusal : transcript.refused) {
    refusal.reply = MaskSecrets(refusal.reply, secrets);
  }
  outcome.refused = transcript.refused;
  if (code == CURLE_OK && transcript.refused.size() < recipients.size()) {
    return outcome;
  }

  // What ended the session: a wait or the limit, else libcurl's error.
  const std::string silence = "sem resposta nem progresso em " +
                              std::to_string(timeout_seconds) +
                              " s ([BD] TempoEspera)";
  const std::string past_limit =
      "o envio passou do prazo total de " + std::to_string(limit) +
      " s ([BD] TempoEspera × (8 + destinatários) + a mensagem a " +
      std::to_string(kSlowestBytesPerSecond / 1024) + " KB/s)";
  const std::string curl_says = error_text[0] != '\0'
                                    ? std::string(error_text)
                                    : curl_easy_strerror(code);
  std::string failure;
  if (watch.cut == Watch::Cut::kNoProgress) {
    failure = silence;
  } else if (watch.cut == Watch::Cut::kLimit) {
    failure = past_limit;
  } else if (code == CURLE_OPERATION_TIMEDOUT) {
    failure =
        curl_says + " (" +
        (Clock::now() - watch.started >= watch.limit ? past_limit : silence) +
        ")";
  } else {
    failure = curl_says;
  }
  if (watch.AwaitingAnswerToTheEnd()) {
    outcome.uncertain = MaskSecrets(
        where +
            ": a mensagem seguiu inteira, mas o servidor não confirmou a "
            "receção: " +
            failure,
        secrets);
    return outcome;
  }

  std::string description = where + ": " + failure;
  // The reply that failed, not the closing one that may follow it.
  if (!transcript.failed.empty()) {
    description += " (resposta do servidor: " + transcript.failed + ")";
  } else if (!transcript.refused.empty()) {
    for (const Refusal& refusal : transcript.refused) {
      description +=
          " (" + refusal.address + " recusado: " + refusal.reply + ")";
    }
  } else if (!transcript.last.empty()) {
    description += " (resposta do servidor: " + transcript.last + ")";
  }
  throw Error(errnum::kFileError, MaskSecrets(description, secrets));
}

}  // namespace vor
