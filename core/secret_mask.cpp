#include "core/secret_mask.h"

#include <algorithm>

namespace vor {

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (n > 1) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (n > 2) v |= static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += n > 1 ? kDigits[(v >> 6) & 63] : '=';
    out += n > 2 ? kDigits[v & 63] : '=';
  }
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
