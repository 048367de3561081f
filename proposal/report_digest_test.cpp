// The digest body: its urgency order, its figures and its size bound.
#include "proposal/report_digest.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace vor {
namespace {

using F = ResultField;

Value Num(double v) { return Value(Currency::FromDouble(v)); }

// A row of article `code` with demand `cli`, stock at lead time `prazo`,
// minimum stock 10 and Dias `dias`; Cor, QtdUB and QtdUC as the engine
// would set them for that (QtdUB the shortfall to the minimum).
ProposalRow Row(const std::string& code, double cli, double prazo, double dias,
                const std::string& supplier = "F1") {
  ProposalRow r;
  r.at(F::kArtigo) = Value(code);
  r.at(F::kNome) = Value("Artigo <" + code + "> & companhia");
  r.at(F::kFornec) = Value(supplier);
  r.at(F::kNomeFornec) = Value("Fornecedor " + supplier);
  r.at(F::kCli) = Num(cli);
  r.at(F::kStkPrazo) = Num(prazo);
  r.at(F::kStkMinimo) = Num(10);
  r.at(F::kDias) = Num(dias);
  r.at(F::kPrazo) = Num(7);
  const double order = std::max(0.0, 10 - (prazo - cli));
  r.at(F::kQtdUB) = Num(order);
  r.at(F::kQtdUC) = Num(order / 2);
  r.at(F::kUnBase) = Value("UN");
  r.at(F::kUnCmp) = Value("CX");
  r.at(F::kUltPrCom) = Num(4);
  r.at(F::kDesconto) = Num(25);
  r.at(F::kCor) = Value(cli > prazo ? 1 : 0);
  r.at(F::kCorV) = Value(cli <= prazo && order > 0 ? 1 : 0);
  return r;
}

TEST(ReportDigestTest, UrgencyValueAndUnknownCover) {
  // NODEMAND: no demand, stock already 3 below zero. TIE1 and TIE2: 12,1
  // missing of 1,1 needed and 11 of 1, the same share (11) exactly, TIE1
  // the larger order. DEEP: 4 in stock against 589 needed. UNKNOWN: a
  // shallow shortage with Dias 0. LOW and LOWER: orders without shortage, 2
  // and 1 days of cover (Dias 10 x net stock 2 or 1 / minimum 10). NODAYS:
  // an order whose cover cannot be computed. NONE: nothing to order.
  ProposalView view(ProposalTable({
      Row("UNKNOWN", 11, 10, 0),
      Row("NONE", 0, 50, 10),
      Row("NODAYS", 0, 5, 0),
      Row("TIE2", 1, -10, 10),
      Row("LOW", 0, 2, 10),
      Row("DEEP", 589, 4, 10),
      Row("NODEMAND", 0, -3, 10),
      Row("LOWER", 0, 1, 10),
      Row("TIE1", 1.1, -11, 10),
  }));
  std::vector<std::string> order;
  for (int i : ReportDigest::UrgencyOrder(view)) {
    order.push_back(view.row(i).Text(F::kArtigo));
  }
  EXPECT_EQ(order,
            (std::vector<std::string>{"NODEMAND", "TIE1", "TIE2", "DEEP",
                                      "UNKNOWN", "LOWER", "LOW", "NODAYS"}));
  // The full list continues the urgency order, then the rest.
  const std::vector<int> list = ReportDigest::ListOrder(view);
  ASSERT_EQ(list.size(), 9u);
  EXPECT_EQ(view.row(list[0]).Text(F::kArtigo), "NODEMAND");
  EXPECT_EQ(view.row(list[8]).Text(F::kArtigo), "NONE");
  // DEEP orders 595 UN = 297,5 CX at 4 less 25 %: 892,50.
  EXPECT_EQ(ReportDigest::OrderValue(view.row(5)), Currency::Parse("892.5"));
  EXPECT_EQ(ReportDigest::OrderValue(view.row(1)), Currency());

  // GONE left the proposal since the earlier run: listed with its name and
  // unit from the history.
  ProposalRow gone = Row("GONE", 20, 0, 10);
  gone.at(F::kUnBase) = Value("KG");
  DigestInput in;
  in.view = &view;
  in.title = "Proposta";
  in.settings.lines = 6;
  in.before = LocalTime{};
  in.changes =
      ProposalChanges::Between({gone}, view.table().rows(),
                               Currency::FromInt(25), Currency::FromInt(365));
  const std::string text = ReportDigest::Text(in);
  // A shortage is "rutura" whatever its cover; one day is one "dia"; the
  // seventh urgent row is left to the attachment.
  EXPECT_TRUE(std::regex_search(text, std::regex("UNKNOWN .* rutura ")))
      << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("LOWER .* 1 dia "))) << text;
  EXPECT_EQ(text.find("NODAYS", text.find("Mais urgentes")), std::string::npos)
      << text;
  EXPECT_NE(text.find("Mais urgentes (6 de 8)"), std::string::npos) << text;
  EXPECT_TRUE(std::regex_search(
      text, std::regex("GONE +Artigo <GONE> & companhia \\(saiu da "
                       "proposta\\) +a encomendar 30 KG")))
      << text;
  const std::string html = ReportDigest::Html(in);
  EXPECT_NE(html.find("Artigo &lt;DEEP&gt; &amp; companhia"),
            std::string::npos);
  // Without an earlier run the digest says so; an order whose cover cannot
  // be computed shows it as unknown.
  in.before.reset();
  in.settings.lines = 8;
  const std::string alone = ReportDigest::Text(in);
  EXPECT_NE(alone.find("não tem uma proposta anterior"), std::string::npos)
      << alone;
  EXPECT_TRUE(std::regex_search(alone, std::regex("NODAYS .* desconhecida ")))
      << alone;

  SettingsValues values;
  values.Set("Relatorio", "Linhas", "0");
  values.Set("Relatorio", "Variacao", "12,5");
  const SettingsRecord record = SettingsRecord::Parse(values);
  const DigestSettings settings(record);
  EXPECT_EQ(settings.lines, DigestSettings().lines);
  ASSERT_EQ(record.Notices().size(), 1u);
  EXPECT_NE(record.Notices()[0].find("[Relatorio] Linhas=0"),
            std::string::npos);
  EXPECT_EQ(settings.variation, Currency::Parse("12.5"));
}

// The value of each line is rounded to cents once, halves away from zero;
// a supplier's value and the total are the sums of those lines, so the
// shown lines add up to the shown block; a line without a price is counted,
// named and listed, never worth 0.
TEST(ReportDigestTest, ShownLinesAddUpToTheirBlock) {
  auto line = [](const std::string& code, const char* qty, const char* price) {
    ProposalRow r = Row(code, 0, 1, 10);
    r.at(F::kQtdUC) = Value(Currency::Parse(qty));
    r.at(F::kUltPrCom) = price ? Value(Currency::Parse(price)) : Value();
    r.at(F::kDesconto) = Value();
    return r;
  };
  ProposalView view(
      ProposalTable({line("H1", "3", "89.425"), line("H2", "15", "9.403"),
                     line("NOPRICE", "2", nullptr)}));
  EXPECT_EQ(ReportDigest::OrderValue(view.row(0)), Currency::Parse("268.28"));
  EXPECT_EQ(ReportDigest::OrderValue(view.row(1)), Currency::Parse("141.05"));
  EXPECT_FALSE(ReportDigest::OrderValue(view.row(2)).has_value());
  const std::vector<SupplierOrders> blocks = ReportDigest::BySupplier(view);
  ASSERT_EQ(blocks.size(), 1u);
  // 268,275 + 141,045 = 409,32 before rounding; the shown lines make 409,33.
  EXPECT_EQ(blocks[0].value, Currency::Parse("409.33"));
  EXPECT_EQ(blocks[0].unpriced, 1);
  EXPECT_EQ(ReportDigest::Total(view).value, Currency::Parse("409.33"));

  DigestInput in;
  in.view = &view;
  in.title = "Proposta";
  const std::string text = ReportDigest::Text(in);
  EXPECT_NE(text.find("409,33 (parcial)\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Valor das encomendas parcial: valor de 1 linha sem "
                      "preço não incluído (lista em «Sem preço»)."),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("409,33 (+ 1 sem preço)"), std::string::npos) << text;
  EXPECT_TRUE(std::regex_search(
      text, std::regex("Sem preço \\(1\\)\n[\\s\\S]*NOPRICE .* 2 CX\n")))
      << text;
}

TEST(ReportDigestTest, BodyStaysSmallAtFiftyThousandArticles) {
  // 50 000 articles of 5 000 suppliers, every one a shortage or an order,
  // all of them changed since a run where none was: the body still lists
  // only the configured rows.
  std::vector<ProposalRow> rows;
  for (int i = 0; i < 50000; ++i) {
    rows.push_back(Row("A" + std::to_string(i) + std::string(60, 'x'),
                       i % 2 ? 100 : 0, 5, 10, "F" + std::to_string(i % 5000)));
  }
  ProposalView view{ProposalTable(rows)};
  DigestInput in;
  in.view = &view;
  in.title = "Proposta de encomendas";
  in.settings.lines = 100;
  in.before = LocalTime{};
  in.changes = ProposalChanges::Between({}, rows, Currency::FromInt(25),
                                        Currency::FromInt(365));
  const std::string html = ReportDigest::Html(in);
  const std::string text = ReportDigest::Text(in);
  EXPECT_LT(html.size(), 300u * 1024) << html.size();
  EXPECT_LT(text.size(), 300u * 1024) << text.size();
  EXPECT_NE(text.find("… e mais 4960 (folha «Por fornecedor» do anexo)."),
            std::string::npos);
}

}  // namespace
}  // namespace vor
