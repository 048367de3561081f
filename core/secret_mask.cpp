#include "core/secret_mask.h"

#include <algorithm>

namespace vor {

void AppendBase64(std::string_view bytes, std::string* out) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const size_t start = out->size();
  out->resize(start + (bytes.size() + 2) / 3 * 4);
  char* o = out->data() + start;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
    *o++ = kDigits[(v >> 18) & 63];
    *o++ = kDigits[(v >> 12) & 63];
    *o++ = kDigits[(v >> 6) & 63];
    *o++ = kDigits[v & 63];
  }
  if (i < bytes.size()) {
    const bool two = i + 1 < bytes.size();
    const unsigned v = (p[i] << 16) | (two ? p[i + 1] << 8 : 0);
    *o++ = kDigits[(v >> 18) & 63];
    *o++ = kDigits[(v >> 12) & 63];
    *o++ = two ? kDigits[(v >> 6) & 63] : '=';
    *o++ = '=';
  }
}

std::string Base64(std::string_view bytes) {
  std::string out;
  AppendBase64(bytes, &out);
  return out;
}

std::string MaskSecrets(std::string_view text,
                        const std::vector<std::string>& secrets) {
  std::vector<std::string> forms;
  for (const std::string& secret : secrets) {
    if (secret.empty()) continue;
    forms.push_back(secret);
    std::string encoded = Base64(secret);
    // A server may quote the encoded form without its padding.
    forms.push_back(encoded);
    while (!encoded.empty() && encoded.back() == '=') encoded.pop_back();
    if (encoded.size() != forms.back().size()) forms.push_back(encoded);
  }
  std::sort(forms.begin(), forms.end(),
            [](const std::string& a, const std::string& b) {
              return a.size() > b.size();
            });
  std::string out;
  out.reserve(text.size());
  size_t at = 0;
  while (at < text.size()) {
    const std::string_view rest = text.substr(at);
    const auto found =
        std::find_if(forms.begin(), forms.end(),
                     [&](const std::string& f) { return rest.starts_with(f); });
    if (found == forms.end()) {
      out += text[at++];
    } else {
      out += kMaskedSecret;
      at += found->size();
    }
  }
  return out;
}

}  // namespace vor
