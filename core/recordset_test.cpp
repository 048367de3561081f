#include "core/recordset.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "core/quote.h"
#include "testing/error_number.h"

namespace vor {
namespace {

// A table shaped like the engine's: codes, a name, quantities, a mark.
Recordset MakeTable() {
  Recordset rs;
  rs.AppendField("Artigo", FieldType::kText, 15);
  rs.AppendField("EstruturaBase", FieldType::kText, 15);
  rs.AppendField("Nome", FieldType::kText, 80);
  rs.AppendField("Quant", FieldType::kCurrency);
  rs.AppendField("Sel", FieldType::kBoolean);
  rs.AppendField("Cor", FieldType::kSmallInt);
  rs.AppendField("Origem", FieldType::kText, 1);
  rs.Open();
  return rs;
}

void AddRow(Recordset& rs, const Value& artigo, const Value& estrutura = {},
            const Value& quant = {}) {
  rs.AddNew();
  rs.Set("Artigo", artigo);
  rs.Set("EstruturaBase", estrutura);
  rs.Set("Quant", quant);
  rs.Update();
}

// The codes of the rows that pass, in cursor order, walking from the first.
std::vector<std::string> Codes(Recordset& rs) {
  std::vector<std::string> out;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    const Value& v = rs.Get("Artigo");
    out.push_back(v.is_null() ? "<null>" : std::string(v.AsText()));
  }
  return out;
}

TEST(RecordsetDefinitionTest, FieldsAreFixedAtOpen) {
  Recordset rs = MakeTable();
  EXPECT_TRUE(rs.is_open());
  EXPECT_EQ(rs.FieldCount(), 7);
  EXPECT_EQ(rs.Field(0).name, "Artigo");
  EXPECT_EQ(rs.Field(0).size, 15);
  EXPECT_EQ(rs.Field(3).type, FieldType::kCurrency);
  EXPECT_EQ(rs.FieldIndex("QUANT"), 3);
  EXPECT_EQ(rs.FindField("estruturabase"), 1);
  EXPECT_EQ(rs.FindField("Xpto"), -1);
  std::string d;
  EXPECT_EQ(ErrorNumber([&] { rs.FieldIndex("Xpto"); }, &d), 3265);
  EXPECT_EQ(d, "O campo 'Xpto' não existe na tabela");
  EXPECT_EQ(ErrorNumber([&] { rs.Field(7); }), 3265);
  EXPECT_EQ(ErrorNumber([&] { rs.AppendField("Novo", FieldType::kText, 3); }),
            3219);
  EXPECT_EQ(ErrorNumber([&] { rs.Open(); }), 3219);

  Recordset other;
  other.AppendField("Nome", FieldType::kText, 10);
  EXPECT_EQ(
      ErrorNumber([&] { other.AppendField("NOME", FieldType::kBoolean); }),
      3219);
  EXPECT_EQ(ErrorNumber([&] { other.AddNew(); }), 3219);  // not open yet
  EXPECT_EQ(ErrorNumber([&] {
              other.AppendField("Estranho", static_cast<FieldType>(99));
            }),
            3219);
}

TEST(RecordsetCursorTest, EmptyTable) {
  Recordset rs = MakeTable();
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(rs.RecordCount(), 0);
  EXPECT_EQ(rs.AbsolutePosition(), -1);
  EXPECT_EQ(ErrorNumber([&] { rs.Get("Artigo"); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { rs.Set("Artigo", "A1"); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { rs.MoveNext(); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { rs.Update(); }), 3021);
  rs.MoveFirst();
  EXPECT_TRUE(rs.Eof());
}

TEST(RecordsetCursorTest, WalksRowsInOrder) {
  Recordset rs = MakeTable();
  AddRow(rs, "A1");
  AddRow(rs, "B2");
  AddRow(rs, "C3");
  EXPECT_EQ(rs.RecordCount(), 3);
  // The row just added stays current.
  EXPECT_EQ(rs.Get("Artigo").AsText(), "C3");
  EXPECT_EQ(rs.AbsolutePosition(), 3);
  rs.MoveFirst();
  EXPECT_EQ(rs.AbsolutePosition(), 1);
  EXPECT_EQ(rs.Get("artigo").AsText(), "A1");
  rs.MoveNext();
  EXPECT_EQ(rs.AbsolutePosition(), 2);
  rs.MoveNext();
  EXPECT_EQ(rs.Get(0).AsText(), "C3");
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(rs.AbsolutePosition(), -1);
  EXPECT_EQ(ErrorNumber([&] { rs.MoveNext(); }), 3021);
  EXPECT_EQ((std::vector<std::string>{"A1", "B2", "C3"}), Codes(rs));
}

TEST(RecordsetSetTest, NewRowHoldsNoValue) {
  Recordset rs = MakeTable();
  rs.AddNew();
  for (int i = 0; i < rs.FieldCount(); ++i) EXPECT_TRUE(rs.Get(i).is_null());
  rs.Update();
  EXPECT_TRUE(rs.Get("Origem").is_null());
}

TEST(RecordsetSetTest, ConvertsToTheFieldType) {
  Recordset rs = MakeTable();
  rs.AddNew();
  rs.Set("Quant", 0);
  EXPECT_EQ(rs.Get("Quant"), Value(Currency()));
  rs.Set("Quant", 1.23456);
  EXPECT_EQ(rs.Get("Quant"), Value(Currency::FromRaw(12346)));
  rs.Set("Quant", "7.5");
  EXPECT_EQ(rs.Get("Quant"), Value(Currency::FromRaw(75000)));
  rs.Set("Quant", Value());
  EXPECT_TRUE(rs.Get("Quant").is_null());

  rs.Set("Artigo", "");
  EXPECT_EQ(rs.Get("Artigo"), Value(""));
  rs.Set("Artigo", Currency::Parse("12.50"));
  EXPECT_EQ(rs.Get("Artigo"), Value("12.5"));
  rs.Set("Artigo", true);
  EXPECT_EQ(rs.Get("Artigo"), Value("True"));

  rs.Set("Sel", "True");
  EXPECT_EQ(rs.Get("Sel"), Value(true));
  rs.Set("Sel", 0);
  EXPECT_EQ(rs.Get("Sel"), Value(false));
  rs.Set("Sel", -1);
  EXPECT_EQ(rs.Get("Sel"), Value(true));

  rs.Set("Cor", 1);
  EXPECT_EQ(rs.Get("Cor"), Value(1));
  rs.Set("Cor", 2.5);
  EXPECT_EQ(rs.Get("Cor"), Value(2));
  rs.Set("Cor", -32768);
  EXPECT_EQ(rs.Get("Cor"), Value(-32768));
}

TEST(RecordsetSetTest, RefusedValuesLeaveTheFieldAsItWas) {
  Recordset rs = MakeTable();
  rs.AddNew();
  rs.Set("Quant", 5);
  rs.Set("Artigo", "A1");
  std::string d;
  EXPECT_EQ(ErrorNumber([&] { rs.Set("Quant", "abc"); }, &d), 13);
  EXPECT_NE(d.find("'abc'"), std::string::npos) << d;
  EXPECT_NE(d.find("'Quant'"), std::string::npos) << d;
  EXPECT_EQ(rs.Get("Quant"), Value(Currency::FromInt(5)));
  EXPECT_EQ(ErrorNumber([&] { rs.Set("Quant", 1e300); }, &d), 6);
  EXPECT_NE(d.find("'Quant'"), std::string::npos) << d;
  EXPECT_EQ(ErrorNumber([&] { rs.Set("Sel", "talvez"); }), 13);
  EXPECT_EQ(ErrorNumber([&] { rs.Set("Cor", 32768); }, &d), 6);
  EXPECT_NE(d.find("'Cor'"), std::string::npos) << d;
  EXPECT_EQ(ErrorNumber([&] { rs.Set("Xpto", 1); }), 3265);

  EXPECT_EQ(ErrorNumber([&] { rs.Set("Artigo", "ABCDEFGHIJKLMNOP"); }, &d),
            -2147217887);
  EXPECT_EQ(d,
            "O texto 'ABCDEFGHIJKLMNOP' tem 16 caracteres e excede o tamanho "
            "15 do campo 'Artigo'");
  EXPECT_EQ(rs.Get("Artigo"), Value("A1"));
}

TEST(RecordsetSetTest, TextSizeCountsCharacters) {
  Recordset rs = MakeTable();
  rs.AddNew();
  const std::string fifteen = "ÁÉÍÓÚÀÈÌÒÙÂÊÎÔÛ";  // 15 characters, 30 bytes
  rs.Set("Artigo", fifteen);
  EXPECT_EQ(rs.Get("Artigo").AsText(), fifteen);
  EXPECT_EQ(ErrorNumber([&] { rs.Set("Artigo", fifteen + "Ç"); }), -2147217887);
  rs.Set("Origem", "Ç");
  EXPECT_EQ(ErrorNumber([&] { rs.Set("Origem", "CO"); }), -2147217887);
}

TEST(RecordsetSetTest, OtherFieldTypes) {
  Recordset rs;
  rs.AppendField("V", FieldType::kVariant);
  rs.AppendField("D", FieldType::kDouble);
  rs.AppendField("I", FieldType::kInteger);
  rs.AppendField("B", FieldType::kBigInt);
  rs.AppendField("T", FieldType::kDateTime);
  rs.AppendField("Livre", FieldType::kText);  // no size limit
  rs.Open();
  rs.AddNew();
  rs.Set("V", 12.5);
  EXPECT_EQ(rs.Get("V"), Value(12.5));
  rs.Set("V", "x");
  EXPECT_EQ(rs.Get("V"), Value("x"));
  rs.Set("D", "1.5");
  EXPECT_EQ(rs.Get("D"), Value(1.5));
  rs.Set("I", "2147483647");
  EXPECT_EQ(rs.Get("I"), Value(2147483647));
  EXPECT_EQ(ErrorNumber([&] { rs.Set("I", 2147483648LL); }), 6);
  rs.Set("B", "9223372036854775807");
  EXPECT_EQ(rs.Get("B").AsInt(), std::numeric_limits<int64_t>::max());
  rs.Set("T", "2024-03-05");
  EXPECT_EQ(rs.Get("T").ToText(), "2024-03-05");
  EXPECT_EQ(ErrorNumber([&] { rs.Set("T", "ontem"); }), 13);
  rs.Set("Livre", std::string(5000, 'z'));
  EXPECT_EQ(rs.Get("Livre").AsText().size(), 5000u);
}

TEST(RecordsetSetTest, EditInPlace) {
  Recordset rs = MakeTable();
  AddRow(rs, "A1", {}, 2);
  AddRow(rs, "B2", {}, 3);
  rs.SetFilter("Artigo='A1' ");
  ASSERT_FALSE(rs.Eof());
  Currency q = rs.Get("Quant").ToCurrency();
  rs.Set("Quant", q + Currency::FromInt(10));
  rs.Update();
  rs.SetFilter("");
  EXPECT_EQ(rs.RecordCount(), 2);
  rs.SetFilter("Artigo='A1' ");
  EXPECT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.Get("Quant").ToCurrency(), Currency::FromInt(12));
}

class RecordsetFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AddRow(rs_, "A1", {}, 1);
    AddRow(rs_, "B2", {}, Currency::Parse("12.5"));
    AddRow(rs_, "P1", "E1", 3);
    AddRow(rs_, "P1", "E2", 4);
    AddRow(rs_, "O'BRIEN");
    AddRow(rs_, "a1", "E1");
    AddRow(rs_, "");
    AddRow(rs_, Value());
  }
  Recordset rs_ = MakeTable();
};

TEST_F(RecordsetFilterTest, OneEqualityIgnoresLetterCase) {
  rs_.SetFilter("Artigo='A1' ");
  EXPECT_EQ(rs_.Filter(), "Artigo='A1' ");
  EXPECT_EQ(rs_.RecordCount(), 2);
  // The first passing row is current at once.
  ASSERT_FALSE(rs_.Eof());
  EXPECT_EQ(rs_.Get("Artigo").AsText(), "A1");
  EXPECT_EQ(rs_.AbsolutePosition(), 1);
  rs_.MoveNext();
  EXPECT_EQ(rs_.Get("Artigo").AsText(), "a1");
  EXPECT_EQ(rs_.AbsolutePosition(), 2);
  rs_.MoveNext();
  EXPECT_TRUE(rs_.Eof());
  EXPECT_EQ(rs_.AbsolutePosition(), -1);
}

TEST_F(RecordsetFilterTest, TwoEqualities) {
  rs_.SetFilter("Artigo='P1'  and EstruturaBase='E1' ");
  EXPECT_EQ(rs_.RecordCount(), 1);
  EXPECT_EQ(rs_.Get("Quant").ToCurrency(), Currency::FromInt(3));
  rs_.SetFilter("artigo = 'p1' AND estruturabase = 'e2'");
  EXPECT_EQ(rs_.RecordCount(), 1);
  EXPECT_EQ(rs_.Get("Quant").ToCurrency(), Currency::FromInt(4));
  rs_.SetFilter("EstruturaBase='E1' And Artigo='a1'");
  EXPECT_EQ((std::vector<std::string>{"a1"}), Codes(rs_));
  rs_.SetFilter("Artigo='P1' and EstruturaBase='E9'");
  EXPECT_TRUE(rs_.Eof());
}

TEST_F(RecordsetFilterTest, DoubledQuoteStandsForOneQuote) {
  rs_.SetFilter("Artigo='O''BRIEN' ");
  ASSERT_EQ(rs_.RecordCount(), 1);
  EXPECT_EQ(rs_.Get("Artigo").AsText(), "O'BRIEN");
  rs_.SetFilter("Artigo='" + QuoteCode("o'brien") + "' ");
  EXPECT_EQ(rs_.RecordCount(), 1);
  // A quote that tries to end the literal early does not widen the match.
  rs_.SetFilter("Artigo='" + QuoteCode("A1' and Artigo='B2") + "' ");
  EXPECT_EQ(rs_.RecordCount(), 0);
}

TEST_F(RecordsetFilterTest, NoMatchAndBackToAllRows) {
  rs_.SetFilter("Artigo='ZZ' ");
  EXPECT_EQ(rs_.RecordCount(), 0);
  EXPECT_TRUE(rs_.Eof());
  EXPECT_EQ(rs_.AbsolutePosition(), -1);
  rs_.SetFilter("");
  EXPECT_EQ(rs_.Filter(), "");
  EXPECT_EQ(rs_.RecordCount(), 8);
  EXPECT_EQ(rs_.AbsolutePosition(), 1);
  EXPECT_EQ(rs_.Get("Artigo").AsText(), "A1");
}

TEST_F(RecordsetFilterTest, NullNeverMatches) {
  rs_.SetFilter("Artigo='' ");
  EXPECT_EQ(rs_.RecordCount(), 1);
  EXPECT_EQ(rs_.AbsolutePosition(), 1);
  EXPECT_EQ(rs_.Get("Artigo").AsText(), "");
  rs_.SetFilter("Origem='' ");
  EXPECT_EQ(rs_.RecordCount(), 0);
  rs_.SetFilter("Artigo='P1' and Origem=''");
  EXPECT_EQ(rs_.RecordCount(), 0);
}

TEST_F(RecordsetFilterTest, NumbersCompareByTheirTextForm) {
  rs_.SetFilter("Quant='12.5'");
  EXPECT_EQ((std::vector<std::string>{"B2"}), Codes(rs_));
  rs_.SetFilter("Quant='12.50'");
  EXPECT_EQ(rs_.RecordCount(), 0);
  rs_.SetFilter("Artigo='P1' and Quant='4'");
  EXPECT_EQ(rs_.Get("EstruturaBase").AsText(), "E2");
}

// Values compare as the ERP's code columns do: ASCII letters in any case,
// accented letters as they are, so "ÉA" and "éa" are two articles.
TEST_F(RecordsetFilterTest, ComparesAsTheDatabaseComparesCodes) {
  rs_.MoveFirst();
  rs_.Set("Nome", "Água Ótima");
  rs_.Update();
  rs_.SetFilter("Nome='ÁGUA ótima'");
  EXPECT_TRUE(rs_.Eof());
  rs_.SetFilter("Nome='Água ÓTIMA'");
  EXPECT_EQ((std::vector<std::string>{"A1"}), Codes(rs_));
}

TEST_F(RecordsetFilterTest, MalformedExpressionIsError3001) {
  rs_.SetFilter("Artigo='B2' ");
  for (const char* bad :
       {"Artigo=A1", "Artigo='A1", "Artigo='A1' or Nome='x'", "='A1'",
        "Artigo 'A1'", "Artigo='A1' and", "Artigo='A1' andNome='x'",
        "Artigo='A1' Nome='x'", "Artigo=='A1'", "and"}) {
    std::string d;
    EXPECT_EQ(ErrorNumber([&] { rs_.SetFilter(bad); }, &d), 3001) << bad;
    EXPECT_NE(d.find(bad), std::string::npos) << d;
    // The filter in force is kept.
    EXPECT_EQ(rs_.Filter(), "Artigo='B2' ");
    EXPECT_EQ(rs_.RecordCount(), 1);
  }
  EXPECT_EQ(ErrorNumber([&] { rs_.SetFilter("Xpto='1'"); }), 3265);
  EXPECT_EQ(ErrorNumber([&] { rs_.SetFilter("Artigo='A1' and Xpto='1'"); }),
            3265);
}

TEST_F(RecordsetFilterTest, IndexFollowsUpdates) {
  rs_.SetFilter("Artigo='A1' ");  // builds the index on Artigo
  rs_.Set("Artigo", "C3");
  rs_.Update();
  rs_.SetFilter("Artigo='A1' ");
  EXPECT_EQ((std::vector<std::string>{"a1"}), Codes(rs_));
  rs_.SetFilter("Artigo='C3' ");
  EXPECT_EQ(rs_.Get("Quant").ToCurrency(), Currency::FromInt(1));
  EXPECT_EQ((std::vector<std::string>{"C3"}), Codes(rs_));

  // An edited row keeps its place in row order among the matches.
  rs_.SetFilter("Artigo='P1' and EstruturaBase='E2'");
  rs_.Set("Artigo", "C3");
  rs_.Update();
  rs_.SetFilter("Artigo='C3' ");
  EXPECT_EQ(rs_.RecordCount(), 2);
  EXPECT_EQ(rs_.Get("Quant").ToCurrency(), Currency::FromInt(1));

  // Set to no value: the row leaves the index.
  rs_.Set("Artigo", Value());
  rs_.Update();
  rs_.SetFilter("Artigo='C3' ");
  EXPECT_EQ(rs_.RecordCount(), 1);
  EXPECT_EQ(rs_.Get("EstruturaBase").AsText(), "E2");
}

TEST_F(RecordsetFilterTest, AddNewWhileFiltered) {
  rs_.SetFilter("Artigo='A1' ");
  rs_.AddNew();
  rs_.Set("Artigo", "Z9");
  rs_.Update();
  // The new row is current and joins the rows in view, though it does not
  // match.
  EXPECT_EQ(rs_.Get("Artigo").AsText(), "Z9");
  EXPECT_EQ(rs_.RecordCount(), 3);
  EXPECT_EQ(rs_.AbsolutePosition(), 3);
  rs_.SetFilter("Artigo='z9' ");
  EXPECT_EQ((std::vector<std::string>{"Z9"}), Codes(rs_));
  rs_.SetFilter("Artigo='A1' ");
  EXPECT_EQ(rs_.RecordCount(), 2);
  rs_.SetFilter("");
  EXPECT_EQ(rs_.RecordCount(), 9);
}

TEST_F(RecordsetFilterTest, PendingChangesAreCommittedWhenMovingOrFiltering) {
  rs_.SetFilter("Artigo='A1' ");
  rs_.AddNew();
  rs_.Set("Artigo", "N1");
  rs_.SetFilter("Artigo='N1' ");  // no Update: filtering commits the row
  EXPECT_EQ(rs_.RecordCount(), 1);

  rs_.SetFilter("Artigo='B2' ");
  rs_.Set("Artigo", "N1");
  rs_.MoveNext();  // moving away commits the edit
  rs_.SetFilter("Artigo='N1' ");
  EXPECT_EQ((std::vector<std::string>{"N1", "N1"}), Codes(rs_));
}

TEST_F(RecordsetFilterTest, SecondFieldIndexFollowsUpdatesToo) {
  rs_.SetFilter("EstruturaBase='E1' ");  // index on EstruturaBase as well
  EXPECT_EQ(rs_.RecordCount(), 2);
  rs_.SetFilter("Artigo='P1' and EstruturaBase='E2'");
  rs_.Set("EstruturaBase", "E1");
  rs_.Update();
  rs_.SetFilter("Artigo='P1' and EstruturaBase='E1'");
  EXPECT_EQ(rs_.RecordCount(), 2);
  rs_.SetFilter("EstruturaBase='E1' ");
  EXPECT_EQ(rs_.RecordCount(), 3);
}

TEST(RecordsetIndexTest, GrowsAndFollowsEditsOverManyKeys) {
  Recordset rs = MakeTable();
  AddRow(rs, "K0");
  rs.SetFilter("Artigo='K0' ");  // the index starts small and must grow
  rs.SetFilter("");
  // Codes K0..K2999, each on two rows (i and i + 3000).
  for (int i = 1; i < 6000; ++i) AddRow(rs, "K" + std::to_string(i % 3000));
  for (int i = 0; i < 3000; i += 37) {
    rs.SetFilter("Artigo='k" + std::to_string(i) + "' ");
    EXPECT_EQ(rs.RecordCount(), 2) << i;
  }
  // Move every row of K5 to K7, then one back: lists stay in row order.
  rs.SetFilter("Artigo='K5' ");
  while (!rs.Eof()) {
    rs.Set("Artigo", "K7");
    rs.Update();
    rs.SetFilter("Artigo='K5' ");
  }
  rs.SetFilter("Artigo='K7' ");
  EXPECT_EQ(rs.RecordCount(), 4);
  rs.Set("Artigo", "K5");  // first of them in row order: row 5
  rs.Update();
  rs.SetFilter("Artigo='K5' ");
  EXPECT_EQ(rs.RecordCount(), 1);
  rs.SetFilter("Artigo='K7' ");
  EXPECT_EQ(rs.RecordCount(), 3);
  rs.SetFilter("Artigo='K3000' ");
  EXPECT_TRUE(rs.Eof());
}

TEST(RecordsetAppendRowTest, BulkRowsAreIndexedAndLeaveTheCursor) {
  Recordset rs;
  rs.AppendField("Codigo", FieldType::kVariant);
  rs.AppendField("Tipo", FieldType::kVariant);
  rs.Open();
  rs.AppendRow({Value("A1"), Value("AT")});
  EXPECT_TRUE(rs.Eof());  // not moved
  rs.MoveFirst();
  EXPECT_EQ(rs.Get("Codigo").AsText(), "A1");
  rs.SetFilter("Codigo='A1'  and Tipo='AT' ");
  EXPECT_EQ(rs.RecordCount(), 1);
  rs.AppendRow({Value("A1"), Value("at")});
  rs.AppendRow({Value(5.0), Value()});  // a number from the database
  rs.SetFilter("Codigo='A1'  and Tipo='AT' ");
  EXPECT_EQ(rs.RecordCount(), 2);
  rs.SetFilter("Codigo='5'");
  EXPECT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(ErrorNumber([&] { rs.AppendRow({Value("x")}); }), 3219);
}

TEST(RecordsetMoveTest, MovedFromTableRefusesUse) {
  Recordset a = MakeTable();
  AddRow(a, "A1");
  Recordset b(std::move(a));
  EXPECT_EQ(b.RecordCount(), 1);
  EXPECT_EQ(ErrorNumber([&] { a.RecordCount(); }), 3219);  // NOLINT
  a = std::move(b);
  EXPECT_EQ(a.Get("Artigo").AsText(), "A1");
}

}  // namespace
}  // namespace vor
