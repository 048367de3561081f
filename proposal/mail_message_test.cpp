#include "proposal/mail_message.h"

#include <gtest/gtest.h>

#include <string>

#include "core/secret_mask.h"

namespace vor {
namespace {

// An attachment's base64 comes in lines of 76 characters, each ended by
// CR LF, padding only on the last; decoding the lines joined gives the
// bytes back, whatever their length against the 57 bytes of a line.
TEST(MailMessageTest, AttachmentLinesAreWholeAndDecodeBack) {
  EXPECT_EQ(MailMessage::Base64Lines(""), "");
  EXPECT_EQ(MailMessage::Base64Lines("foobar"), "Zm9vYmFy\r\n");
  for (size_t size : {56, 57, 58, 114, 115, 1000}) {
    std::string data;
    for (size_t i = 0; i < size; ++i) data += static_cast<char>(i * 7 + 3);
    const std::string lines = MailMessage::Base64Lines(data);
    std::string joined;
    size_t from = 0;
    while (from < lines.size()) {
      const size_t end = lines.find("\r\n", from);
      ASSERT_NE(end, std::string::npos) << size;
      const std::string line = lines.substr(from, end - from);
      from = end + 2;
      if (from < lines.size()) EXPECT_EQ(line.size(), 76u) << size;
      EXPECT_LE(line.size(), 76u) << size;
      joined += line;
    }
    EXPECT_EQ(joined, Base64(data)) << size;
  }
}

}  // namespace
}  // namespace vor
