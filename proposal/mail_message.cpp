#include "proposal/mail_message.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "core/control_bytes.h"
#include "core/secret_mask.h"
#include "core/text_util.h"

namespace vor {
namespace {

// The longest header line wanted (RFC 5322 allows 998).
constexpr size_t kHeaderLine = 78;

bool PlainAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c > 0x7e) return false;
  }
  // "=?" would be read as the start of an encoded word.
  return text.find("=?") == std::string::npos;
}

// `text` with every line ended by CR LF.
std::string CrLf(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') continue;
    if (text[i] == '\n') out += '\r';
    out += text[i];
  }
  if (out.size() < 2 || out.substr(out.size() - 2) != "\r\n") out += "\r\n";
  return out;
}

std::string RandomToken() {
  std::random_device device;
  std::mt19937_64 generator(device());
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%016llx%016llx",
                static_cast<unsigned long long>(generator()),
                static_cast<unsigned long long>(generator()));
  return buffer;
}

// "Thu, 28 Jan 2021 06:15:00 +0000", whatever the machine's locale.
std::string MailDate(std::time_t when) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed",
                                      "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr",
                                        "May", "Jun", "Jul", "Aug",
                                        "Sep", "Oct", "Nov", "Dec"};
  std::tm local{};
  localtime_r(&when, &local);
  const long offset_minutes = local.tm_gmtoff / 60;
  const long magnitude = offset_minutes < 0 ? -offset_minutes : offset_minutes;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer,
                "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                kDays[local.tm_wday], local.tm_mday, kMonths[local.tm_mon],
                local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                offset_minutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
  return buffer;
}

// `text` as encoded words (RFC 2047: UTF-8, base64) on lines of at most 76
// characters, the first following `used` characters, never splitting a
// UTF-8 character. Of a word, 12 characters are "=?UTF-8?B?" and "?=", and
// each 4 of the rest carry 3 bytes; blanks between encoded words are not
// part of the text.
std::string EncodedWords(const std::string& text, size_t used) {
  constexpr size_t kEncodedLine = 76;
  constexpr size_t kWordFrame = 12;
  std::string out;
  size_t room =
      std::max(kEncodedLine - std::min(used, kEncodedLine), kWordFrame + 4);
  for (size_t i = 0; i < text.size();) {
    const size_t bytes = (room - kWordFrame) / 4 * 3;
    size_t end = std::min(text.size(), i + bytes);
    while (end < text.size() && end > i + 1 &&
           (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
      --end;
    }
    if (i > 0) out += "\r\n ";
    out += "=?UTF-8?B?" + Base64(text.substr(i, end - i)) + "?=";
    i = end;
    room = kEncodedLine - 1;
  }
  return out;
}

// A mailbox: "Name <address>", following `used` characters on its line:
// the name quoted when it is printable ASCII and the whole fits on the
// line, else encoded words, the address on a line of its own when it would
// pass the line.
std::string Mailbox(const std::string& name, const std::string& address,
                    size_t used) {
  const std::string angle = "<" + address + ">";
  if (name.empty()) return angle;
  if (PlainAscii(name)) {
    std::string quoted = "\"";
    for (char c : name) {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
    quoted += "\" ";
    if (used + quoted.size() + angle.size() <= kHeaderLine) {
      return quoted + angle;
    }
  }
  const std::string words = EncodedWords(name, used);
  const size_t last_line = words.rfind('\n');
  const size_t line = last_line == std::string::npos
                          ? used + words.size()
                          : words.size() - last_line - 1;
  return words + (line + 1 + angle.size() <= kHeaderLine ? " " : "\r\n ") +
         angle;
}

// A part labelled UTF-8 holds UTF-8: bytes of an ERP that are not are
// shown as U+FFFD, and stray control bytes visibly.
std::string TextPart(const char* subtype, const std::string& body) {
  return std::string("Content-Type: text/") + subtype +
         "; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
         MailMessage::Base64Lines(
             CrLf(EscapeControlBytes(body, LineBreaks::kKept)));
}

}  // namespace

std::string MailMessage::EncodeHeaderText(const std::string& text,
                                          size_t used) {
  // Printable ASCII is folded before a blank, where a word would pass the
  // line; a word too long for a line of its own is encoded instead.
  if (!PlainAscii(text)) return EncodedWords(text, used);
  std::string out;
  size_t line = used;
  for (size_t i = 0; i < text.size();) {
    // A piece: the blanks before a word, and the word.
    size_t word = text.find_first_not_of(' ', i);
    if (word == std::string::npos) word = text.size();
    size_t end = text.find(' ', word);
    if (end == std::string::npos) end = text.size();
    if (line + (end - i) > kHeaderLine && i > 0 && end > word) {
      out += "\r\n";
      line = 0;
    }
    out.append(text, i, end - i);
    line += end - i;
    if (line > kHeaderLine) return EncodedWords(text, used);
    i = end;
  }
  return out;
}

std::string MailMessage::Base64Lines(const std::string& data) {
  // 57 bytes make exactly one line of 76 characters; only the last line
  // can be shorter, and only it carries padding.
  constexpr size_t kLineBytes = 57;
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4 +
              (data.size() + kLineBytes - 1) / kLineBytes * 2);
  const std::string_view bytes(data);
  for (size_t i = 0; i < bytes.size(); i += kLineBytes) {
    AppendBase64(bytes.substr(i, kLineBytes), &out);
    out += "\r\n";
  }
  return out;
}

std::string MailMessage::EscapeHtml(const std::string& text) {
  return EscapeMarkup(text);
}

std::string MailMessage::Render(std::time_t when) const {
  std::string m;
  m += "Date: " + MailDate(when) + "\r\n";
  m += "From: " + Mailbox(EscapeControlBytes(from_name), from_address, 6) +
       "\r\n";
  m += "To: ";
  for (size_t i = 0; i < to.size(); ++i) {
    if (i > 0) m += ",\r\n ";
    m += "<" + to[i] + ">";
  }
  m += "\r\n";
  m += "Subject: " + EncodeHeaderText(EscapeControlBytes(subject), 9) + "\r\n";
  const std::string token = RandomToken();
  std::string domain = from_address.substr(from_address.find('@') + 1);
  if (domain.empty() || domain == from_address) domain = "vorencomendas";
  m += "Message-ID: <" + token + "@" + domain + ">\r\n";
  m += "MIME-Version: 1.0\r\n";

  std::string body;
  if (html.empty()) {
    body = TextPart("plain", text);
  } else {
    const std::string boundary = "=_alt_" + token;
    body = "Content-Type: multipart/alternative;\r\n boundary=\"" + boundary +
           "\"\r\n\r\n--" + boundary + "\r\n" + TextPart("plain", text) +
           "\r\n--" + boundary + "\r\n" + TextPart("html", html) + "\r\n--" +
           boundary + "--\r\n";
  }
  if (attachments.empty()) return m + body;

  const std::string boundary = "=_mix_" + token;
  m += "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary +
       "\"\r\n\r\n";
  m += "--" + boundary + "\r\n" + body;
  for (const MailAttachment& a : attachments) {
    const std::string name = EncodeHeaderText(a.file_name);
    m += "\r\n--" + boundary + "\r\n";
    m += "Content-Type: " + a.content_type + ";\r\n name=\"" + name + "\"\r\n";
    m += "Content-Disposition: attachment; filename=\"" + name + "\"\r\n";
    m += "Content-Transfer-Encoding: base64\r\n\r\n";
    m += Base64Lines(a.data);
  }
  m += "\r\n--" + boundary + "--\r\n";
  return m;
}

}  // namespace vor
