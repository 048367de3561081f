// Article intake, aggregated stock and value conversion.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/error.h"
#include "engine/replenishment_calculator.h"
#include "engine/sql_texts.h"
#include "engine/working_table.h"
#include "testing/fake_connection.h"
#include "testing/test_support.h"

namespace vor {
namespace {

using Table = FakeConnection::Table;
using testing::RecordingProgress;
using testing::TempLog;

// One article row: sensible values, with `changes` by column name.
Table ArticleRow(const std::map<std::string, Value>& changes = {}) {
  return {testing::ArticleColumns(), {testing::ArticleValues(changes)}};
}

Table Single(const std::string& column, Value v) { return {{column}, {{v}}}; }
Table Empty(const std::string& column) { return {{column}, {}}; }

class IntakeTest : public ::testing::Test {
 protected:
  IntakeTest() : steps_(conn_, log_.log(), progress_) {}

  // Opens `table` as the article result the way the connection does.
  Recordset Open(const std::string& sql, const Table& table) {
    conn_.AddResult(sql, table);
    Recordset rs;
    conn_.OpenRecordset("", sql, rs, -1, 0);
    return rs;
  }

  // Takes in one article row with the given preload; returns rsfinal.
  Recordset TakeIn(const Table& article, const Table& preload) {
    Recordset arts = Open("articles", article);
    Recordset pre = Open("preload", preload);
    Recordset rsfinal = CriaRsFinal();
    conn_.ClearCalls();
    steps_.calculator.LerArtigo(steps_.run, arts, pre, rsfinal);
    rsfinal.MoveFirst();
    return rsfinal;
  }

  void NoSupplierOrders(const std::string& code) {
    conn_.AddResult(sql::SupplierOrderQuery(code), Empty("Qtd"));
  }

  FakeConnection conn_;
  TempLog log_;
  RecordingProgress progress_;
  testing::RunSteps steps_;
};

const Table kNoPreload = {{"Artigo", "QtdEnc"}, {}};

TEST_F(IntakeTest, LerAglutinadosAddsTheStockOfEveryListedCode) {
  conn_.AddResult(sql::AggregatedStockQuery("A1"), Single("stdisp", 5));
  conn_.AddResult(sql::AggregatedStockQuery("A2"), Single("stdisp", 2.25));
  conn_.AddResult(sql::AggregatedStockQuery("NOPE"), Empty("stdisp"));
  conn_.AddResult(sql::AggregatedStockQuery(""), Empty("stdisp"));
  conn_.AddResult(sql::AggregatedStockQuery(" A1"), Empty("stdisp"));

  Currency total;
  steps_.calculator.LerAglutinados(steps_.run, total, "");
  EXPECT_EQ(total, Currency());
  EXPECT_TRUE(conn_.queries().empty());

  total = Currency();
  steps_.calculator.LerAglutinados(steps_.run, total, "A1");
  EXPECT_EQ(total, Currency::FromInt(5));

  total = Currency();
  steps_.calculator.LerAglutinados(steps_.run, total, "A1;A1");
  EXPECT_EQ(total, Currency::FromInt(10));

  total = Currency();
  steps_.calculator.LerAglutinados(steps_.run, total, "A1;NOPE;A2");
  EXPECT_EQ(total, Currency::FromRaw(72500));

  // Pieces are neither trimmed nor dropped when empty.
  conn_.ClearCalls();
  total = Currency();
  steps_.calculator.LerAglutinados(steps_.run, total, " A1;;A1;");
  EXPECT_EQ(total, Currency::FromInt(5));
  EXPECT_EQ(
      conn_.queries(),
      (std::vector<std::string>{
          sql::AggregatedStockQuery(" A1"), sql::AggregatedStockQuery(""),
          sql::AggregatedStockQuery("A1"), sql::AggregatedStockQuery("")}));

  // The caller's total is added to, not replaced.
  total = Currency::FromInt(1);
  steps_.calculator.LerAglutinados(steps_.run, total, "A1");
  EXPECT_EQ(total, Currency::FromInt(6));
}

TEST_F(IntakeTest, LerAglutinadosDoesNotCountTheArticleItself) {
  conn_.AddResult(sql::AggregatedStockQuery("A1"), Single("stdisp", 5));
  conn_.AddResult(sql::AggregatedStockQuery("a1"), Single("stdisp", 5));
  conn_.AddResult(sql::AggregatedStockQuery("B1"), Single("stdisp", 2));
  log_.Open();
  // A list shared by a group of articles names each of them: the article's
  // own stock is already its StDisp.
  Currency total;
  steps_.calculator.LerAglutinados(steps_.run, total, "B1;A1;a1;B1", "A1");
  EXPECT_EQ(total, Currency::FromInt(4));
  EXPECT_EQ(conn_.queries(),
            (std::vector<std::string>{sql::AggregatedStockQuery("B1"),
                                      sql::AggregatedStockQuery("B1")}));
  EXPECT_EQ(log_.Messages().back(),
            "Artigo A1: o próprio artigo na lista de artigos aglutinados não "
            "foi contado");

  // Without the article's code every piece is queried.
  total = Currency();
  steps_.calculator.LerAglutinados(steps_.run, total, "A1;B1");
  EXPECT_EQ(total, Currency::FromInt(7));

  // The article is recognised as the database tells codes apart: an
  // accented capital makes another article there, which is counted.
  const std::string capital =
      "\xC3\x89"  // É
      "A";
  const std::string small =
      "\xC3\xA9"  // é
      "a";
  conn_.AddResult(sql::AggregatedStockQuery(capital), Single("stdisp", 3));
  total = Currency();
  steps_.calculator.LerAglutinados(steps_.run, total, capital + ";" + small,
                                   "\xC3\xA9"
                                   "A");
  EXPECT_EQ(total, Currency::FromInt(3));
}

TEST_F(IntakeTest, LerAglutinadosNamesANullStock) {
  conn_.AddResult(sql::AggregatedStockQuery("B9"), Single("stdisp", Value()));
  Currency total;
  try {
    steps_.calculator.LerAglutinados(steps_.run, total, "B9");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kInvalidUseOfNull);
    EXPECT_NE(e.description().find("StDisp"), std::string::npos);
    EXPECT_NE(e.description().find("B9"), std::string::npos);
  }
}

TEST_F(IntakeTest, TransformaEmCurrencyTurnsWhatItCannotReadIntoZero) {
  EXPECT_EQ(steps_.calculator.TransformaEmCurrency(steps_.run, Value()),
            Currency());
  EXPECT_EQ(steps_.calculator.TransformaEmCurrency(steps_.run, 12.5),
            Currency::FromRaw(125000));
  EXPECT_EQ(steps_.calculator.TransformaEmCurrency(steps_.run, "abc"),
            Currency());
  EXPECT_EQ(steps_.calculator.TransformaEmCurrency(steps_.run, "7"),
            Currency::FromInt(7));
  EXPECT_EQ(steps_.calculator.TransformaEmCurrency(steps_.run, 3),
            Currency::FromInt(3));
  EXPECT_EQ(steps_.calculator.TransformaEmCurrency(steps_.run, 1.23456),
            Currency::FromRaw(12346));
  EXPECT_EQ(steps_.calculator.TransformaEmCurrency(steps_.run, true),
            Currency());
  EXPECT_TRUE(progress_.conversion_errors.empty());
}

TEST_F(IntakeTest, TransformaEmCurrencyReportsAnOverflowAndGivesZero) {
  EXPECT_EQ(steps_.calculator.TransformaEmCurrency(steps_.run, 1e300),
            Currency());
  EXPECT_EQ(steps_.calculator.TransformaEmCurrency(
                steps_.run, "1000000000000000", "no campo PrProx (artigo A7)"),
            Currency());
  EXPECT_EQ(progress_.conversion_errors,
            (std::vector<long>{errnum::kOverflow, errnum::kOverflow}));
  EXPECT_TRUE(
      progress_.conversion_texts[1].ends_with(" no campo PrProx (artigo A7)"))
      << progress_.conversion_texts[1];
}

TEST_F(IntakeTest, FillsTheRowFromTheArticle) {
  NoSupplierOrders("A1");
  const Table preload = {{"Artigo", "QtdEnc"}, {{"A0", 1}, {"A1", 7}}};
  Recordset r = TakeIn(ArticleRow(), preload);
  ASSERT_EQ(r.RecordCount(), 1);
  EXPECT_EQ(r.Get("Artigo").AsText(), "A1");
  EXPECT_EQ(r.Get("Nome").AsText(), "Parafuso M6");
  EXPECT_EQ(r.Get("StkMinimo").AsCurrency(), Currency::FromInt(30));
  EXPECT_EQ(r.Get("QtdMinApr").AsCurrency(), Currency::FromInt(10));
  EXPECT_EQ(r.Get("StkReal").AsCurrency(), Currency::FromRaw(125000));
  EXPECT_EQ(r.Get("EncF").AsCurrency(), Currency());
  EXPECT_EQ(r.Get("StkPrazo").AsCurrency(), Currency::FromRaw(125000));
  EXPECT_EQ(r.Get("Cli").AsCurrency(), Currency::FromInt(7));
  EXPECT_EQ(r.Get("Prazo").AsCurrency(), Currency::FromInt(7));
  for (const char* zero : {"QtdUB", "QtdUC", "StkApos", "Tempo", "Desconto"}) {
    EXPECT_EQ(r.Get(zero).AsCurrency(), Currency()) << zero;
  }
  EXPECT_EQ(r.Get("Fornec").AsText(), "F01");
  EXPECT_EQ(r.Get("ENF").AsText(), "");
  EXPECT_EQ(r.Get("Sel").AsBool(), false);
  EXPECT_EQ(r.Get("Grupo").AsText(), "G1");
  EXPECT_EQ(r.Get("Familia").AsText(), "F1");
  EXPECT_EQ(r.Get("SubFamilia").AsText(), "S1");
  EXPECT_EQ(r.Get("Dias").AsCurrency(), Currency::FromInt(15));
  EXPECT_EQ(r.Get("UnBase").AsText(), "UN");
  EXPECT_EQ(r.Get("UnCmp").AsText(), "UN");
  EXPECT_EQ(r.Get("FactEmb").AsCurrency(), Currency::FromInt(1));
  EXPECT_EQ(r.Get("UltPrCom").AsCurrency(), Currency::FromRaw(27500));
  EXPECT_EQ(r.Get("OBS").AsText(), "");
  EXPECT_EQ(r.Get("NomeFornec").AsText(), "Fornecedor Um");
  for (const char* unset :
       {"OriginalUB", "OriginalUC", "Cor", "CorV", "Origem"}) {
    EXPECT_TRUE(r.Get(unset).is_null()) << unset;
  }
  // One supplier-order query, no price query (same units), no aggregation.
  EXPECT_EQ(conn_.queries(),
            std::vector<std::string>{sql::SupplierOrderQuery("A1")});
}

TEST_F(IntakeTest, StockAtLeadTimeIsRoundedToTwoPlacesHalvesToEven) {
  conn_.AddResult(sql::SupplierOrderQuery("A1"), Single("Qtd", 0.005));
  Recordset r = TakeIn(ArticleRow({{"stdisp", 12.34}}), kNoPreload);
  EXPECT_EQ(r.Get("StkReal").AsCurrency(), Currency::FromRaw(123400));
  EXPECT_EQ(r.Get("EncF").AsCurrency(), Currency::FromRaw(50));
  EXPECT_EQ(r.Get("StkPrazo").AsCurrency(), Currency::FromRaw(123400));

  conn_.AddResult(sql::SupplierOrderQuery("A2"), Single("Qtd", "0.015"));
  r = TakeIn(ArticleRow({{"Artigo", "A2"}, {"stdisp", 12.34}}), kNoPreload);
  EXPECT_EQ(r.Get("StkPrazo").AsCurrency(), Currency::FromRaw(123600));
}

TEST_F(IntakeTest, AggregatedStockJoinsTheRealStock) {
  NoSupplierOrders("A1");
  conn_.AddResult(sql::AggregatedStockQuery("B1"), Single("StDisp", 4));
  conn_.AddResult(sql::AggregatedStockQuery("B2"), Single("StDisp", -1.5));
  conn_.AddResult(sql::SupplierOrderQuery("A1"), Single("Qtd", 20));
  Recordset r = TakeIn(ArticleRow({{"Livre", "B1;B2"}}), kNoPreload);
  EXPECT_EQ(r.Get("StkReal").AsCurrency(), Currency::FromInt(15));
  EXPECT_EQ(r.Get("EncF").AsCurrency(), Currency::FromInt(20));
  EXPECT_EQ(r.Get("StkPrazo").AsCurrency(), Currency::FromInt(35));
}

TEST_F(IntakeTest, CustomerOrdersOfOtherArticlesDoNotCount) {
  NoSupplierOrders("A1");
  const Table others = {{"Artigo", "QtdEnc"}, {{"A10", 3}, {"XA1", 4}}};
  Recordset r = TakeIn(ArticleRow(), others);
  EXPECT_EQ(r.Get("Cli").AsCurrency(), Currency());
  r = TakeIn(ArticleRow(), kNoPreload);
  EXPECT_EQ(r.Get("Cli").AsCurrency(), Currency());
}

TEST_F(IntakeTest, UnitsDifferingOnlyInCaseKeepTheArticlePrice) {
  NoSupplierOrders("A1");
  Recordset r =
      TakeIn(ArticleRow({{"UnBase", "un"}, {"UnCmp", "UN"}}), kNoPreload);
  EXPECT_EQ(r.Get("UltPrCom").AsCurrency(), Currency::FromRaw(27500));
  EXPECT_EQ(r.Get("Desconto").AsCurrency(), Currency());
  EXPECT_EQ(conn_.queries().size(), 1u);
  // Accented letters compare in capitals too.
  r = TakeIn(ArticleRow({{"UnBase", "mç"}, {"UnCmp", "MÇ"}}), kNoPreload);
  EXPECT_EQ(conn_.queries().size(), 1u);
  // A unit without value counts as the same unit.
  r = TakeIn(ArticleRow({{"UnBase", Value()}, {"UnCmp", "CX"}}), kNoPreload);
  EXPECT_EQ(r.Get("UltPrCom").AsCurrency(), Currency::FromRaw(27500));
  EXPECT_TRUE(r.Get("UnBase").is_null());
  EXPECT_EQ(conn_.queries().size(), 1u);
}

TEST_F(IntakeTest, DifferentUnitsTakeTheSupplierPrice) {
  NoSupplierOrders("A1");
  const std::string price_sql = sql::SupplierPriceQuery("A1", "F01");
  conn_.AddResult(price_sql,
                  {{"ARTIGO", "PRPROX", "DESCPROX"}, {{"A1", 3.5, 10}}});
  Recordset r =
      TakeIn(ArticleRow({{"UnBase", "UN"}, {"UnCmp", "CX"}}), kNoPreload);
  EXPECT_EQ(r.Get("UltPrCom").AsCurrency(), Currency::FromRaw(35000));
  EXPECT_EQ(r.Get("Desconto").AsCurrency(), Currency::FromInt(10));
  EXPECT_EQ(conn_.CountQuery(price_sql), 1);

  // No supplier-price row: 0 and 0, whatever the article's own price.
  conn_.AddResult(price_sql, {{"ARTIGO", "PRPROX", "DESCPROX"}, {}});
  r = TakeIn(ArticleRow({{"UnBase", "UN"}, {"UnCmp", "BOX"}}), kNoPreload);
  EXPECT_EQ(r.Get("UltPrCom").AsCurrency(), Currency());
  EXPECT_EQ(r.Get("Desconto").AsCurrency(), Currency());

  // A null or non-numeric price gives 0 without any report.
  conn_.AddResult(price_sql,
                  {{"ARTIGO", "PRPROX", "DESCPROX"}, {{"A1", Value(), "x"}}});
  r = TakeIn(ArticleRow({{"UnBase", "UN"}, {"UnCmp", "CX"}}), kNoPreload);
  EXPECT_EQ(r.Get("UltPrCom").AsCurrency(), Currency());
  EXPECT_EQ(r.Get("Desconto").AsCurrency(), Currency());
  EXPECT_TRUE(progress_.conversion_errors.empty());

  // A price out of range is reported naming the column and the article.
  conn_.AddResult(price_sql,
                  {{"ARTIGO", "PRPROX", "DESCPROX"}, {{"A1", 1e20, 2}}});
  r = TakeIn(ArticleRow({{"UnBase", "UN"}, {"UnCmp", "CX"}}), kNoPreload);
  EXPECT_EQ(r.Get("UltPrCom").AsCurrency(), Currency());
  EXPECT_EQ(r.Get("Desconto").AsCurrency(), Currency::FromInt(2));
  ASSERT_EQ(progress_.conversion_texts.size(), 1u);
  EXPECT_TRUE(
      progress_.conversion_texts[0].ends_with(" no campo PrProx (artigo A1)"))
      << progress_.conversion_texts[0];
}

TEST_F(IntakeTest, NullsOfTheArticleRowStayNull) {
  NoSupplierOrders("A1");
  Recordset r = TakeIn(ArticleRow({{"NomeFornec", Value()},
                                   {"FactEmb", Value()},
                                   {"UltPrCom", Value()},
                                   {"Grupo", Value()}}),
                       kNoPreload);
  EXPECT_TRUE(r.Get("NomeFornec").is_null());
  EXPECT_TRUE(r.Get("FactEmb").is_null());
  EXPECT_TRUE(r.Get("UltPrCom").is_null());
  EXPECT_TRUE(r.Get("Grupo").is_null());
}

TEST_F(IntakeTest, CodesHoldingQuotesAreQueriedAsThemselves) {
  const std::string code = "O'BRIEN";
  conn_.AddResult(
      " SELECT      coalesce(sum(l.QUANT),0) AS Qtd FROM         DOCGCCAB as "
      "c INNER JOIN DOCGCLIN as l  ON c.NNUMDOC = l.NNUMDOC AND c.TPDOC = "
      "l.TPDOCUM AND c.SERIE = l.SERIE AND c.Ano = l.Ano Where (c.AREAG = 2) "
      "And (c.TPTERC = 1) and l.Artigo='O''BRIEN'  and c.nvias<>-1 group by "
      "l.Artigo",
      Single("Qtd", 2));
  const Table preload = {{"Artigo", "QtdEnc"}, {{"O'BRIEN", 6}, {"O", 1}}};
  Recordset r = TakeIn(ArticleRow({{"Artigo", code}}), preload);
  EXPECT_EQ(r.Get("Artigo").AsText(), code);
  EXPECT_EQ(r.Get("EncF").AsCurrency(), Currency::FromInt(2));
  EXPECT_EQ(r.Get("Cli").AsCurrency(), Currency::FromInt(6));
}

TEST_F(IntakeTest, ErrorsNameTheField) {
  NoSupplierOrders("A1");
  try {
    TakeIn(ArticleRow({{"stdisp", Value()}}), kNoPreload);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kInvalidUseOfNull);
    EXPECT_NE(e.description().find("StDisp"), std::string::npos);
  }
  conn_.AddResult(sql::SupplierOrderQuery("A1"), Single("Qtd", "muitos"));
  try {
    TakeIn(ArticleRow(), kNoPreload);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kTypeMismatch);
    EXPECT_NE(e.description().find("Qtd"), std::string::npos);
  }
  NoSupplierOrders("A1");
  try {
    TakeIn(ArticleRow({{"NOME", std::string(81, 'x')}}), kNoPreload);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kTextTooLong);
  }
}

}  // namespace
}  // namespace vor
