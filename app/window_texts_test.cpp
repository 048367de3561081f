// The texts of the main window's message boxes.
#include "app/window_texts.h"

#include <gtest/gtest.h>

namespace vor {
namespace {

TEST(WindowTextsTest, ErrorBoxGivesNumberThenDescription) {
  EXPECT_EQ(ErrorBoxText(Error(75, "Não foi possível abrir /x/log")),
            "Erro 75\r\nNão foi possível abrir /x/log");
  EXPECT_EQ(ErrorBoxText(Error(-2147217900, "no such table: T")),
            "Erro -2147217900\r\nno such table: T");
}

TEST(WindowTextsTest, EngineEndBoxGivesTheMessageAndTheLog) {
  const std::string text =
      EngineEndBoxText(" 3604 - no such table: ARTIGOS", "/var/log/vor/x.log");
  EXPECT_EQ(text,
            "A emissão terminou com erro:\r\n 3604 - no such table: "
            "ARTIGOS\r\n\r\nO erro ficou registado em\r\n/var/log/vor/"
            "x.log\r\n\r\nO programa vai terminar.");
  EXPECT_NE(EngineEndBoxText("x", "").find("(registo desconhecido)"),
            std::string::npos);
}

}  // namespace
}  // namespace vor
