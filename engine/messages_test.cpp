#include "engine/messages.h"

#include <gtest/gtest.h>

namespace vor {
namespace {

TEST(ProgressLine, PutsTheTotalBeforeThePosition) {
  EXPECT_EQ(ProgressLine("A100", 250, 1), "Artigo   A100   250/1");
  EXPECT_EQ(ProgressLine("", 3, 3), "Artigo      3/3");
}

TEST(EngineErrorMessage, ShowsTheNumberAboveTheObjectErrorBase) {
  EXPECT_EQ(EngineErrorMessage(-2147217900, "Falha na consulta"),
            " 3604 - Falha na consulta");
  EXPECT_EQ(EngineErrorMessage(6, "Overflow (artigo A1)"),
            " 2147221510 - Overflow (artigo A1)");
  EXPECT_EQ(EngineErrorMessage(91, "x"), " 2147221595 - x");
  EXPECT_EQ(EngineErrorMessage(-2147221504, "base"), " 0 - base");
}

TEST(EngineErrorMessage, NegativeNumbersKeepTheirSignWithoutTheBlank) {
  EXPECT_EQ(EngineErrorMessage(-2147221505, "d"), "-1 - d");
  EXPECT_EQ(EngineErrorMessage(-2147467259, "Falha"), "-245755 - Falha");
}

TEST(EngineErrorMessage, LargeNumbersDoNotWrap) {
  EXPECT_EQ(EngineErrorMessage(2147483647, "x"), " 4294705151 - x");
}

TEST(ConversionMessage, HasTheThreeLinesOfTheMessageBox) {
  const Error e(6, "Estouro de capacidade");
  const auto lines = ConversionMessageLines(e);
  EXPECT_EQ(lines[0], "Erro 6");
  EXPECT_EQ(lines[1], "(Estouro de capacidade)");
  EXPECT_EQ(lines[2], "Na função TransformaEmCurrency do itFuncoes");
  EXPECT_EQ(ConversionMessage(e),
            "Erro 6\r\n(Estouro de capacidade)\r\nNa função "
            "TransformaEmCurrency do itFuncoes");
}

TEST(WithArticle, AppendsTheArticleOnce) {
  EXPECT_EQ(WithArticle("Overflow", "A1"), "Overflow (artigo A1)");
  EXPECT_EQ(WithArticle("Overflow (artigo A1)", "A1"), "Overflow (artigo A1)");
  EXPECT_EQ(WithArticle("Overflow (artigo A1)", "A2"),
            "Overflow (artigo A1) (artigo A2)");
}

}  // namespace
}  // namespace vor
