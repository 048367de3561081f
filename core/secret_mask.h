// MaskSecrets: a text (an error from a driver or a mail server) with every
// password in it replaced by "****", in the forms a server may echo back:
// as it is, and base64-encoded (as AUTH LOGIN and AUTH PLAIN send it). The
// text is scanned once from left to right and a replacement is never
// searched again, so a password that is itself a piece of "****" (such as
// "*") ends like any other.
//
//   description = MaskSecrets(description, {password});
#ifndef VOR_CORE_SECRET_MASK_H_
#define VOR_CORE_SECRET_MASK_H_

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vor {

inline constexpr char kMaskedSecret[] = "****";

// `text` with each occurrence of a secret of `secrets`, or of its base64
// form, replaced by kMaskedSecret; the longest match wins where several
// start at the same place. Empty secrets are ignored.
std::string MaskSecrets(std::string_view text,
                        const std::vector<std::string>& secrets);

// The base64 form of `bytes` (RFC 4648, with padding).
std::string Base64(std::string_view bytes);
// Appends the base64 form of `bytes` to `*out`.
void AppendBase64(std::string_view bytes, std::string* out);

}  // namespace vor

#endif  // VOR_CORE_SECRET_MASK_H_
