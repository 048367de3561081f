#include "core/control_bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace vor {
namespace {

using namespace std::string_literals;

// Invalid sequences become U+FFFD, one per maximal invalid subpart; valid
// text, accented letters and signs beyond the BMP stay as they are.
TEST(ControlBytesTest, InvalidSequencesShowTheReplacementCharacter) {
  EXPECT_EQ(EscapeControlBytes("Açúcar 😀 € "), "Açúcar 😀 € ");
  EXPECT_EQ(EscapeControlBytes("Nome\xFF\xFE"), "Nome\uFFFD\uFFFD");
  EXPECT_EQ(EscapeControlBytes("a\xC3"), "a\uFFFD");          // cut
  EXPECT_EQ(EscapeControlBytes("\xE2\x82z"), "\uFFFDz");      // cut 3-byte
  EXPECT_EQ(EscapeControlBytes("\xC0\xAF"), "\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(EscapeControlBytes("\xED\xA0\x80"), "\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(EscapeControlBytes("\xF4\x90\x80\x80"),
            "\uFFFD\uFFFD\uFFFD\uFFFD");  // > U+10FFFF
  EXPECT_EQ(EscapeControlBytes("\x80x"), "\uFFFDx");
  EXPECT_EQ(EscapeControlBytes("\xF0\x9F\x98!"), "\uFFFD!");  // cut 4-byte
}

// One line: every control character is shown, so a CR LF inside a code
// can never start a line of its own; shown twice changes nothing more.
TEST(ControlBytesTest, OneLineShowsEveryControlCharacter) {
  const std::string code = "A1\r\n[09-12-2026][21:42:06] Grava\tTabela"s +
                           '\0' + "\x1B\x7F\xC2\x85\xE2\x80\xA8";
  const std::string shown = EscapeControlBytes(code);
  EXPECT_EQ(shown,
            "A1\\r\\n[09-12-2026][21:42:06] Grava\\tTabela\\x00\\x1B\\x7F"
            "\\x85\\u2028");
  EXPECT_EQ(EscapeControlBytes(shown), shown);
}

// Several lines: LF, CR LF and tab stay; a lone CR and the other controls
// are shown.
TEST(ControlBytesTest, SeveralLinesKeepTheirBreaks) {
  EXPECT_EQ(EscapeControlBytes("a\r\nb\nc\td\re\x01", LineBreaks::kKept),
            "a\r\nb\nc\td\\re\\x01");
}

}  // namespace
}  // namespace vor
