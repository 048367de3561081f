// MailMessage: an e-mail as the text an SMTP server receives (RFC 5322 and
// MIME): headers in ASCII folded into lines of at most 78 characters, names
// and subject with other characters as RFC 2047 encoded words (UTF-8,
// base64), a plain-text body, optionally an
// HTML alternative of it (multipart/alternative) and attachments
// (multipart/mixed), every part in UTF-8 and base64, lines ended by CR LF.
//
//   MailMessage m;
//   m.from_address = "vor@empresa.pt"; m.to = {"compras@empresa.pt"};
//   m.subject = "Proposta de encomendas - 28-01-2021";
//   m.text = "..."; m.html = "<html>...";
//   std::string data = m.Render(std::time(nullptr));
#ifndef VOR_PROPOSAL_MAIL_MESSAGE_H_
#define VOR_PROPOSAL_MAIL_MESSAGE_H_

#include <ctime>
#include <string>
#include <vector>

namespace vor {

struct MailAttachment {
  std::string file_name;     // as the recipient sees it
  std::string content_type;  // "application/vnd...sheet"
  std::string data;          // the bytes
};

struct MailMessage {
  std::string from_address;
  std::string from_name;  // may be empty
  std::vector<std::string> to;
  std::string subject;  // UTF-8
  std::string text;     // UTF-8, lines ended by '\n' or CR LF
  std::string html;     // UTF-8; empty: a plain-text message
  std::vector<MailAttachment> attachments;

  // The whole message, dated `when` (local time with its offset), with a
  // fresh Message-ID and fresh part boundaries.
  std::string Render(std::time_t when) const;

  // `text` as a header value that follows `used` characters on its first
  // line (the header's name, colon and blank): printable ASCII folded at
  // its blanks into lines of at most 78 characters; otherwise (other
  // characters, or a word too long to fold) encoded words (UTF-8, base64)
  // on lines of at most 76, never splitting a UTF-8 character. Lines are
  // joined by CR LF and a blank; unfolded and decoded, it reads `text`.
  static std::string EncodeHeaderText(const std::string& text, size_t used = 0);
  // Base64 of `data` in lines of 76 characters ended by CR LF.
  static std::string Base64Lines(const std::string& data);
  // `text` with &, <, >, " and ' as HTML entities.
  static std::string EscapeHtml(const std::string& text);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_MAIL_MESSAGE_H_
