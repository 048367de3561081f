#include "core/secret_mask.h"

#include <gtest/gtest.h>

namespace vor {
namespace {

// Passwords made of the mask's own character end, and leave no trace.
TEST(SecretMaskTest, PasswordsThatArePiecesOfTheMaskEnd) {
  for (const std::string password : {"*", "**", "***", "****", "*****"}) {
    EXPECT_EQ(MaskSecrets("535 " + password + " failed", {password}),
              "535 **** failed");
  }
}

// The base64 forms a server may echo (AUTH LOGIN: the password alone,
// AUTH PLAIN: user and password together) are masked too, with or without
// padding; other text stays.
TEST(SecretMaskTest, Base64FormsAreMasked) {
  EXPECT_EQ(Base64("Sup3rS3cr3t!"), "U3VwM3JTM2NyM3Qh");
  EXPECT_EQ(Base64("ab"), "YWI=");
  // The vectors of RFC 4648.
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("f"), "Zg==");
  EXPECT_EQ(Base64("fo"), "Zm8=");
  EXPECT_EQ(Base64("foo"), "Zm9v");
  EXPECT_EQ(Base64("foob"), "Zm9vYg==");
  EXPECT_EQ(Base64("fooba"), "Zm9vYmE=");
  EXPECT_EQ(Base64(std::string("\xff\xfe\x00", 3)), "//4A");
  const std::string plain = std::string("\0vor\0ab", 7);
  EXPECT_EQ(
      MaskSecrets("535 5.7.8 YWI= and YWI or ab, AHZvcgBhYg==", {"ab", plain}),
      "535 5.7.8 **** and **** or ****, ****");
  EXPECT_EQ(MaskSecrets("nothing here", {"", "zz"}), "nothing here");
}

}  // namespace
}  // namespace vor
