#include "proposal/smtp_sender.h"

#include <curl/curl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/error.h"

namespace vor {
namespace {

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

// Keeps the server's last answer line. Only what the server says is kept:
// what the program sends (the AUTH line holds the password) is never
// looked at.
int KeepServerAnswer(CURL*, curl_infotype type, char* data, size_t size,
                     void* user) {
  if (type != CURLINFO_HEADER_IN) return 0;
  std::string line(data, size);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.pop_back();
  }
  if (!line.empty()) *static_cast<std::string*>(user) = line;
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

void SmtpSender::Send(const SmtpSettings& smtp, int timeout_seconds,
                      const std::vector<std::string>& recipients,
                      const std::string& message) {
  static std::once_flag curl_ready;
  std::call_once(curl_ready, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

  const std::string where =
      "servidor " + smtp.servidor + ", porta " + smtp.porta;
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
  Upload upload{&message};
  std::string answer;
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
  curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                   static_cast<long>(timeout_seconds));
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error_text);
  curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, KeepServerAnswer);
  curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &answer);
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
  if (code == CURLE_OK) return;

  std::string description = where + ": " +
                            (error_text[0] != '\0' ? std::string(error_text)
                                                   : curl_easy_strerror(code));
  if (!answer.empty()) description += " (resposta do servidor: " + answer + ")";
  // A server could repeat what it was sent; the password stays out.
  if (!smtp.password.empty()) {
    for (size_t at = description.find(smtp.password); at != std::string::npos;
         at = description.find(smtp.password, at)) {
      description.replace(at, smtp.password.size(), "****");
    }
  }
  throw Error(errnum::kFileError, description);
}

}  // namespace vor
