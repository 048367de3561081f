// The digest body: its urgency order, its figures and its size bound.
#include "proposal/report_digest.h"

#include <gtest/gtest.h>

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
  // DEEP: 4 in stock against 589 needed. UNKNOWN: a shallow shortage with
  // Dias 0. LOW and LOWER: orders without shortage, 2 and 1 days of cover
  // (Dias 10 x net stock 2 or 1 / minimum 10). NODAYS: an order whose cover
  // cannot be computed. NONE: nothing to order.
  ProposalView view(ProposalTable({
      Row("UNKNOWN", 11, 10, 0),
      Row("NONE", 0, 50, 10),
      Row("NODAYS", 0, 5, 0),
      Row("LOW", 0, 2, 10),
      Row("DEEP", 589, 4, 10),
      Row("LOWER", 0, 1, 10),
  }));
  std::vector<std::string> order;
  for (int i : ReportDigest::UrgencyOrder(view)) {
    order.push_back(view.row(i).Text(F::kArtigo));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"DEEP", "UNKNOWN", "LOWER", "LOW",
                                             "NODAYS"}));
  // DEEP orders 595 UN = 297,5 CX at 4 less 25 %: 892,50.
  EXPECT_EQ(ReportDigest::Cents(ReportDigest::OrderValue(view.row(4))),
            Currency::Parse("892.5"));
  EXPECT_EQ(ReportDigest::Cents(1234567.5), Currency::Parse("1234567.5"));
  EXPECT_EQ(ReportDigest::Cents(-0.125), Currency::Parse("-0.13"));
  EXPECT_EQ(ReportDigest::Cents(-0.001), Currency());

  DigestInput in;
  in.view = &view;
  in.title = "Proposta";
  in.settings.lines = 4;
  const std::string text = ReportDigest::Text(in);
  // The unknown cover is said, never shown as 0 days; the fifth urgent row
  // is left to the attachment.
  EXPECT_NE(text.find("desconhecida"), std::string::npos) << text;
  EXPECT_EQ(text.find("NODAYS"), std::string::npos) << text;
  EXPECT_NE(text.find("Mais urgentes (4 de 5)"), std::string::npos) << text;
  EXPECT_NE(text.find("não tem uma proposta anterior"), std::string::npos)
      << text;
  const std::string html = ReportDigest::Html(in);
  EXPECT_NE(html.find("Artigo &lt;DEEP&gt; &amp; companhia"),
            std::string::npos);

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
