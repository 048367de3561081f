// Whole purchase units, the baskets per supplier against their terms with
// their suggestions, and the order file read back (through openpyxl).
#include "proposal/supplier_basket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "proposal/order_file.h"
#include "testing/temp_folder.h"

namespace vor {
namespace {

using F = ResultField;

Value Num(const char* v) { return Value(Currency::Parse(v)); }

// A row of supplier `supplier` with the fields the baskets read; the
// quantities as the engine would have set them from the stock figures.
struct RowSpec {
  std::string code, supplier = "F1", base = "UN", purchase = "UN";
  const char* fact = "1";
  const char* minimum = "0";    // StkMinimo
  const char* days = "0";       // Dias
  const char* stock = "0";      // StkPrazo (Cli 0)
  const char* min_order = "0";  // QtdMinApr
  const char* qtd_ub = "0";
  const char* qtd_uc = "0";
  const char* stock_after = "0";  // StkApos
  const char* cover = "0";        // Tempo
  const char* price = "0";
  const char* discount = "0";
  int shortage = 0;
};

ProposalRow Row(const RowSpec& s) {
  ProposalRow r;
  r.at(F::kArtigo) = Value(s.code);
  r.at(F::kNome) = Value("Artigo " + s.code);
  r.at(F::kFornec) = Value(s.supplier);
  r.at(F::kNomeFornec) = Value("Fornecedor " + s.supplier);
  r.at(F::kUnBase) = Value(s.base);
  r.at(F::kUnCmp) = Value(s.purchase);
  r.at(F::kFactEmb) = Num(s.fact);
  r.at(F::kStkMinimo) = Num(s.minimum);
  r.at(F::kDias) = Num(s.days);
  r.at(F::kStkPrazo) = Num(s.stock);
  r.at(F::kCli) = Num("0");
  r.at(F::kQtdMinApr) = Num(s.min_order);
  r.at(F::kQtdUB) = Num(s.qtd_ub);
  r.at(F::kQtdUC) = Num(s.qtd_uc);
  r.at(F::kStkApos) = Num(s.stock_after);
  r.at(F::kTempo) = Num(s.cover);
  r.at(F::kUltPrCom) = Num(s.price);
  r.at(F::kDesconto) = Num(s.discount);
  r.at(F::kPrazo) = Num("5");
  r.at(F::kCor) = Value(s.shortage);
  return r;
}

TEST(WholeUnitsTest, RoundsPacksUpAndLeavesTheRest) {
  const WholeUnits units;  // KG;L;M;M2;M3
  // 5,52 UN short of a minimum of 100 for 30 days, packs of 12: 0,46 CX.
  // One whole pack is 12 UN, 6,48 above the 100 the proposal reaches:
  // (106,48 / 100) x 30 = 31,944 days.
  const WholeQuantity fraction = units.Of(Row({.code = "P1",
                                               .purchase = "CX",
                                               .fact = "12",
                                               .minimum = "100",
                                               .days = "30",
                                               .stock = "94.48",
                                               .qtd_ub = "5.52",
                                               .qtd_uc = "0.46",
                                               .stock_after = "100",
                                               .cover = "30"}));
  EXPECT_EQ(fraction,
            (WholeQuantity{Currency::FromInt(1), Currency::FromInt(12),
                           Currency::Parse("106.48"), Currency::Parse("31.944"),
                           true}));
  // Two packs exactly stay two packs, with the proposal's stock and cover.
  const WholeQuantity exact = units.Of(Row({.code = "P2",
                                            .purchase = "CX",
                                            .fact = "12",
                                            .minimum = "100",
                                            .days = "30",
                                            .stock = "76",
                                            .qtd_ub = "24",
                                            .qtd_uc = "2",
                                            .stock_after = "100",
                                            .cover = "30"}));
  EXPECT_EQ(exact, (WholeQuantity{Currency::FromInt(2), Currency::FromInt(24),
                                  Currency::FromInt(100), Currency::FromInt(30),
                                  true}));
  // "kg" is the listed KG: its decimals stay.
  const ProposalRow kilos = Row({.code = "P3",
                                 .purchase = "kg",
                                 .fact = "2.5",
                                 .minimum = "10",
                                 .days = "30",
                                 .stock = "8.85",
                                 .qtd_ub = "1.15",
                                 .qtd_uc = "0.46",
                                 .stock_after = "10",
                                 .cover = "30"});
  EXPECT_FALSE(units.Rounds(kilos));
  EXPECT_EQ(units.Of(kilos).purchase, Currency::Parse("0.46"));
  EXPECT_EQ(units.Of(kilos).base, Currency::Parse("1.15"));
  // Without a packing factor nothing is converted: the proposal's 0 stays.
  const ProposalRow no_factor = Row({.code = "P4",
                                     .purchase = "CX",
                                     .fact = "0",
                                     .minimum = "10",
                                     .days = "30",
                                     .stock = "4",
                                     .qtd_ub = "6",
                                     .qtd_uc = "0",
                                     .stock_after = "10",
                                     .cover = "30"});
  EXPECT_FALSE(units.Rounds(no_factor));
  EXPECT_EQ(
      units.Of(no_factor),
      (WholeQuantity{Currency(), Currency::FromInt(6), Currency::FromInt(10),
                     Currency::FromInt(30), false}));
  // An empty list: kilograms go in whole units too.
  EXPECT_EQ(WholeUnits(std::vector<std::string>{}).Of(kilos).purchase,
            Currency::FromInt(1));
}

// F1: a shortage (A1, 11 CX of 5 €) and an order (A2, 10 UN of 2 €), 75 €
// against a minimum of 150 €; B2 and B1 not to order. F2: one order of
// 1,6667 CX at 10 € less 10 %, no shortage, below free freight only.
std::vector<ProposalRow> BasketRows() {
  return {
      Row({.code = "A1",
           .purchase = "CX",
           .fact = "10",
           .minimum = "100",
           .days = "30",
           .stock = "-10",
           .qtd_ub = "110",
           .qtd_uc = "11",
           .stock_after = "100",
           .cover = "30",
           .price = "5",
           .shortage = 1}),
      Row({.code = "A2",
           .minimum = "50",
           .days = "10",
           .stock = "40",
           .qtd_ub = "10",
           .qtd_uc = "10",
           .stock_after = "50",
           .cover = "10",
           .price = "2"}),
      Row({.code = "B2",
           .minimum = "20",
           .days = "10",
           .stock = "100",
           .stock_after = "100",
           .cover = "50",
           .price = "1"}),
      Row({.code = "B1",
           .minimum = "20",
           .days = "10",
           .stock = "22",
           .min_order = "5",
           .stock_after = "22",
           .cover = "11",
           .price = "3"}),
      Row({.code = "C1",
           .supplier = "F2",
           .purchase = "CX",
           .fact = "6",
           .minimum = "60",
           .days = "30",
           .stock = "50",
           .qtd_ub = "10",
           .qtd_uc = "1.6667",
           .stock_after = "60",
           .cover = "30",
           .price = "10",
           .discount = "10"}),
  };
}

SupplierTerms BasketTerms() {
  return SupplierTerms(
      {{"f1", Currency::FromInt(150), Currency::FromInt(300), "compras@f1.pt",
        "Entrega à segunda"},
       {"F2", Currency::FromInt(10), Currency::FromInt(50), "", ""}});
}

TEST(SupplierBasketsTest, ShortBasketsSayHowToReachTheirTerms) {
  const std::vector<ProposalRow> rows = BasketRows();
  // Suggestions may leave at most 16 days of cover.
  const SupplierBaskets baskets(&rows, BasketTerms(), WholeUnits(),
                                Currency::FromInt(16));
  const std::vector<SupplierBasket> all = baskets.All();
  ASSERT_EQ(all.size(), 2u);

  const SupplierBasket& f1 = all[0];
  EXPECT_EQ(f1.label, "Fornecedor F1");
  ASSERT_EQ(f1.lines.size(), 2u);
  EXPECT_EQ(f1.lines[0].value, Currency::FromInt(55));  // 11 CX x 5
  EXPECT_EQ(f1.lines[1].value, Currency::FromInt(20));  // 10 UN x 2
  EXPECT_EQ(f1.value, Currency::FromInt(75));
  EXPECT_EQ(f1.Status(),
            "abaixo do mínimo: faltam 75,00 €; faltam 225,00 € para portes "
            "grátis");
  // A2 has the lower cover after the order (10 days against A1's 30): 38
  // more UN would bring the 75 €, but 30 more already give it (80 / 50) x
  // 10 = 16 days, the limit. A1 would pass it with one pack more (33 days).
  // Then B1 (22 for a minimum of 20) before B2 (100): its minimum order of
  // 5 UN brings the 15 € still short, (27 / 20) x 10 = 13,5 days.
  ASSERT_EQ(f1.suggestions.size(), 2u);
  EXPECT_EQ(f1.suggestions[0].text,
            "Aumentar A2 (Artigo A2) de 10 UN para 40 UN (+60,00 €): tem só "
            "10 dias de cobertura após a encomenda; com o aumento, 16 dias.");
  EXPECT_EQ(f1.suggestions[1].text,
            "Juntar B1 (Artigo B1), 5 UN (+15,00 €): o stock no prazo (22 UN) "
            "está só 2 UN acima do mínimo (20 UN); fica com 13,5 dias de "
            "cobertura.");
  EXPECT_EQ(f1.short_after_suggestions, Currency());
  EXPECT_EQ(f1.wait_text, "");  // A1 is a shortage: no waiting

  // 2 whole CX x 10 x 0,9 = 18 €: above the minimum of 10, 32 short of
  // free freight; its cover, 62 / 60 x 30 = 31 days, is past the limit.
  // Nothing is short today: 30 x 50 / 60 = 25 days of cover less 5 of
  // lead time.
  const SupplierBasket& f2 = all[1];
  EXPECT_EQ(f2.value, Currency::FromInt(18));
  EXPECT_EQ(f2.Status(), "faltam 32,00 € para portes grátis");
  EXPECT_TRUE(f2.suggestions.empty());
  EXPECT_EQ(f2.short_after_suggestions, Currency::FromInt(32));
  EXPECT_EQ(f2.wait_days, Currency::FromInt(20));
  EXPECT_EQ(f2.wait_text,
            "Nada em rutura: pode esperar 20 dias (C1 (Artigo C1) tem 25 dias "
            "de cobertura e o prazo de entrega é de 5 dias).");

  // The buyer leaves A2 out and takes 3 CX of A1: 15 €, 135 short.
  const SupplierBasket chosen =
      baskets.Of("F1", {{1, Currency()}, {0, Currency::FromInt(3)}});
  ASSERT_EQ(chosen.lines.size(), 1u);
  EXPECT_EQ(chosen.value, Currency::FromInt(15));
  EXPECT_EQ(chosen.short_of_minimum, Currency::FromInt(135));
}

TEST(OrderFileTest, WrittenForEachSupplierAndReadBack) {
  TempFolder dir;
  std::vector<ProposalRow> rows = BasketRows();
  rows[4].at(F::kNomeFornec) = Value("Cores/Tintas \"Lda\"\r");
  for (const int i : {0, 1}) rows[i].at(F::kFornec) = Value("F:1");
  const SupplierBaskets baskets(&rows, BasketTerms(), WholeUnits(),
                                Currency::FromInt(16));
  std::vector<SupplierBasket> all = baskets.All();
  const LocalTime date{
      std::chrono::local_days{std::chrono::year{2026} / 12 / 9}};
  std::vector<std::string> delivered, failures;
  OrderFile::DropAll(dir.path(), &all, rows, date, &delivered, &failures);
  EXPECT_TRUE(failures.empty()) << failures[0];
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0],
            "Encomendas por fornecedor: 2 ficheiros gravados em " + dir.path());
  // The name's unsafe characters and its control byte are replaced.
  EXPECT_EQ(all[0].file_name, "Encomenda Fornecedor F1 (F_1) 2026-12-09.xlsx");
  EXPECT_EQ(all[1].file_name,
            "Encomenda Cores_Tintas _Lda__r (F2) 2026-12-09.xlsx");

  dir.Write("read.py", R"(import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print(wb.sheetnames)
for ws in wb:
    for row in ws.iter_rows(values_only=True):
        if any(v is not None for v in row):
            print([v for v in row if v is not None])
)");
  const std::string out = dir.File("out.txt");
  ASSERT_EQ(std::system(("/usr/bin/python3 " + dir.File("read.py") + " '" +
                         dir.File(all[1].file_name) + "' > " + out + " 2>&1")
                            .c_str()),
            0)
      << dir.Read("out.txt");
  EXPECT_EQ(dir.Read("out.txt"),
            "['Encomenda', 'Condições e sugestões']\n"
            "['Encomenda a', 'Cores/Tintas \"Lda\"\\\\r']\n"
            "['Fornecedor (código)', 'F2']\n"
            "['Data', '09-12-2026']\n"
            "['Artigo', 'Nome', 'Quantidade', 'Unidade', 'Preço', "
            "'Desconto %', 'Valor', 'Proposta (sem arredondar)']\n"
            "['C1', 'Artigo C1', 2, 'CX', 10, 10, 18, 1.6667]\n"
            "['Total', 18]\n"
            "['Para o comprador: não enviar ao fornecedor']\n"
            "['Valor da encomenda', '18,00 €']\n"
            "['Valor mínimo', '10,00 €']\n"
            "['Portes grátis a partir de', '50,00 €']\n"
            "['Situação', 'faltam 32,00 € para portes grátis']\n"
            "['Pode esperar?', 'Nada em rutura: pode esperar 20 dias (C1 "
            "(Artigo C1) tem 25 dias de cobertura e o prazo de entrega é de 5 "
            "dias).']\n"
            "['Mesmo assim faltam 32,00 €.']\n");
}

}  // namespace
}  // namespace vor
