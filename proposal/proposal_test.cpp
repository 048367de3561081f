// The proposal read from a real SQLite ERP, its filters, order and summary,
// and the exported files read back (the workbook through openpyxl).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/figure_text.h"
#include "db/connection_string_builder.h"
#include "db/qt_sql_connection.h"
#include "proposal/csv_writer.h"
#include "proposal/morning_report.h"
#include "proposal/proposal_exceptions.h"
#include "proposal/proposal_export.h"
#include "proposal/proposal_table.h"
#include "proposal/proposal_view.h"
#include "testing/temp_folder.h"
#include "tools/erp_fixture.h"

namespace vor {
namespace {

using F = ResultField;

std::unique_ptr<QtSqlConnection> Connect(const std::string& path) {
  ConnectionStringBuilder b;
  b.Provider("MSDataShape");
  b.DataProvider(1);
  b.Server("sqlite");
  b.Database(path);
  b.User("teste");
  auto connection = std::make_unique<QtSqlConnection>();
  EXPECT_TRUE(connection->OpenConnection(b.ConnectionString()));
  return connection;
}

struct Line {
  std::string artigo, nome, fornec, nome_fornec;
  double qtd_ub, qtd_uc, tempo;
  int cor, corv;
  std::string origem;
};

// Rows of zlx_VOR_Encomendas as a run writes them (UB UN, UC CX).
void Insert(ErpFixture& erp, const std::vector<Line>& lines) {
  for (const Line& l : lines) {
    std::ostringstream sql;
    sql << "insert into zlx_VOR_Encomendas (Artigo, Nome, StkMinimo, "
           "QtdMinApr, StkReal, EncF, StkPrazo, Cli, Prazo, QtdUB, QtdUC, "
           "StkApos, Tempo, Fornec, ENF, Sel, Grupo, Familia, SubFamilia, "
           "Dias, UnBase, UnCmp, FactEmb, OriginalUB, OriginalUC, UltPrCom, "
           "Desconto, OBS, NomeFornec, Cor, CorV, Origem) values ('"
        << l.artigo << "', '" << l.nome << "', 30, 0, 5, 0, 5, 12.5, 10, "
        << l.qtd_ub << ", " << l.qtd_uc << ", 35, " << l.tempo << ", '"
        << l.fornec << "', '', 0, 'G1', 'F1', 'S1', 30, 'UN', 'CX', 12, "
        << l.qtd_ub << ", " << l.qtd_uc << ", 2.125, 0, '', "
        << (l.nome_fornec.empty() ? "null" : "'" + l.nome_fornec + "'") << ", "
        << l.cor << ", " << l.corv << ", "
        << (l.origem.empty() ? "null" : "'" + l.origem + "'") << ")";
    erp.Exec(sql.str());
  }
}

// Five articles of three suppliers: two shortages, two orders without
// shortage, one with nothing to order.
const std::vector<Line> kLines = {
    {"P-OK", "Parafuso M6", "F1", "Ferragens Lda", 0, 0, 400, 0, 0, ""},
    {"A-ORD", "Anilha, \"larga\"", "F2", "", 24, 2, 90, 0, 1, "C"},
    {"B-SHORT", "Bucha 8", "f1", "Ferragens Lda", 48, 4, 20, 1, 0, "O"},
    {"C-SHORT", "Cavilha", "F3", "Metais SA", 12.5, 1.0417, 5, 1, 0, "C"},
    {"D-ORD", "Disco", "F3", "Metais SA", 36, 3, 60, 0, 1, "O"},
};

class ProposalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    erp_ = std::make_unique<ErpFixture>(
        ErpFixture::CreateNew(dir_.File("erp.db")));
    Insert(*erp_, kLines);
  }
  ProposalView ReadView() {
    auto connection = Connect(erp_->path());
    return ProposalView(ProposalTable::Read(*connection));
  }
  std::vector<std::string> ShownCodes(const ProposalView& view) {
    std::vector<std::string> codes;
    for (int i : view.shown()) codes.push_back(view.row(i).Text(F::kArtigo));
    return codes;
  }

  TempFolder dir_;
  std::unique_ptr<ErpFixture> erp_;
};

TEST_F(ProposalTest, ReadsTheTableAndNamesWhatIsMissing) {
  ProposalView view = ReadView();
  ASSERT_EQ(view.table().size(), 5);
  const ProposalRow& c = view.table().rows()[3];
  EXPECT_EQ(c.Text(F::kArtigo), "C-SHORT");
  EXPECT_EQ(c.Number(F::kQtdUC), Currency::Parse("1.0417"));
  EXPECT_EQ(c.Number(F::kUltPrCom), Currency::Parse("2.125"));
  EXPECT_TRUE(c.Shortage());
  EXPECT_EQ(ColumnValue(c, ProposalColumn::kAEncomendar).ToText(), "1.0417");
  EXPECT_EQ(ColumnUnit(c, ProposalColumn::kAEncomendar), "CX");
  EXPECT_EQ(ColumnUnit(c, ProposalColumn::kEmUnidadeBase), "UN");
  EXPECT_EQ(ColumnValue(c, ProposalColumn::kOrigem).ToText(), "Clientes");
  // A supplier without a name is shown by its code; no origin stays empty.
  const ProposalRow& a = view.table().rows()[1];
  EXPECT_EQ(ColumnValue(a, ProposalColumn::kFornecedor).ToText(), "F2");
  EXPECT_EQ(
      ColumnValue(view.table().rows()[0], ProposalColumn::kOrigem).ToText(),
      "");

  erp_->Exec(
      "alter table zlx_VOR_Encomendas drop column CorV; "
      "alter table zlx_VOR_Encomendas drop column Origem");
  try {
    ReadView();
    FAIL() << "a table without CorV and Origem was read";
  } catch (const Error& e) {
    EXPECT_EQ(
        e.description(),
        "A tabela zlx_VOR_Encomendas não tem a(s) coluna(s) CorV, Origem");
  }
  erp_->Exec("drop table zlx_VOR_Encomendas");
  try {
    ReadView();
    FAIL() << "a missing table was read";
  } catch (const Error& e) {
    EXPECT_EQ(e.description().rfind(
                  "Não foi possível ler a tabela zlx_VOR_Encomendas: ", 0),
              0u)
        << e.description();
  }
}

// A proposal window stays open for hours on the connection that read it;
// the ERP's other programs must still be able to write meanwhile.
TEST_F(ProposalTest, ReadingLeavesNoLockOnTheDatabase) {
  auto connection = Connect(erp_->path());
  ProposalTable::Read(*connection);
  ProposalTable::Read(*connection);
  EXPECT_NO_THROW(erp_->Exec("update ARTIGOS set CODIGO = CODIGO"));
  EXPECT_NO_THROW(erp_->Exec("delete from zlx_VOR_Encomendas"));
}

TEST_F(ProposalTest, DefaultOrderFiltersAndSummary) {
  ProposalView view = ReadView();
  // Shortages, then orders without shortage, then the rest; fewest days of
  // cover first within each.
  EXPECT_EQ(ShownCodes(view),
            (std::vector<std::string>{"C-SHORT", "B-SHORT", "D-ORD", "A-ORD",
                                      "P-OK"}));
  EXPECT_EQ(view.TotalSummary(), (ProposalSummary{5, 4, 2, 3, 2}));

  view.SetOnlyToOrder(true);
  EXPECT_EQ(view.shown().size(), 4u);
  // Supplier code or name, any case: "ferragens" finds F1 and f1's rows.
  view.SetSearch("FERRAGENS");
  EXPECT_EQ(ShownCodes(view), (std::vector<std::string>{"B-SHORT"}));
  view.SetOnlyToOrder(false);
  EXPECT_EQ(ShownCodes(view), (std::vector<std::string>{"B-SHORT", "P-OK"}));
  EXPECT_EQ(view.ShownSummary(), (ProposalSummary{2, 1, 1, 1, 1}));
  view.SetSearch("anilha");
  EXPECT_EQ(ShownCodes(view), (std::vector<std::string>{"A-ORD"}));
  view.SetSearch("");
  view.SetSuppliers({"f3", "F2"});
  EXPECT_EQ(ShownCodes(view),
            (std::vector<std::string>{"C-SHORT", "D-ORD", "A-ORD"}));
  EXPECT_EQ(view.ShownSummary(), (ProposalSummary{3, 3, 1, 2, 1}));
  // An export's summary records the filters in force, as given.
  view.SetSearch("Ca");
  const auto filter = [&](const std::string& label) {
    for (const std::vector<Value>& r : ProposalExport::SummarySheet(view).rows)
      if (r.size() > 1 && r[0].ToText() == label) return r[1].ToText();
    return std::string("(no row)");
  };
  EXPECT_EQ(filter("Pesquisa"), "Ca");
  EXPECT_EQ(filter("Fornecedores"), "f3, F2");
  view.SetSearch("");

  // Numbers sort as numbers (12.5 below 24 and 36), texts without case.
  view.SetSuppliers({});
  view.SortBy(ProposalColumn::kEmUnidadeBase, false);
  EXPECT_EQ(ShownCodes(view),
            (std::vector<std::string>{"B-SHORT", "D-ORD", "A-ORD", "C-SHORT",
                                      "P-OK"}));
  view.SortBy(ProposalColumn::kFornecedor, true);
  EXPECT_EQ(ShownCodes(view),
            (std::vector<std::string>{"A-ORD", "B-SHORT", "P-OK", "C-SHORT",
                                      "D-ORD"}));
  const std::vector<ProposalSupplier> suppliers = view.Suppliers();
  ASSERT_EQ(suppliers.size(), 3u);
  EXPECT_EQ(suppliers[0].label, "F2");
  EXPECT_EQ(suppliers[1].label, "Ferragens Lda");
  EXPECT_EQ(suppliers[1].articles, 2);
}

// Splits RFC 4180 text into records of fields.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& field = records.back().back();
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      if (i + 1 < text.size()) records.emplace_back(1);
    } else {
      field += c;
    }
  }
  return records;
}

TEST_F(ProposalTest, CsvAndWorkbookHoldTheRowsShownInTheirOrder) {
  ProposalView view = ReadView();
  view.SetOnlyToOrder(true);
  view.SortBy(ProposalColumn::kArtigo, true);
  const std::vector<ProposalColumn> columns = {
      ProposalColumn::kArtigo, ProposalColumn::kNome,
      ProposalColumn::kAEncomendar, ProposalColumn::kPreco};

  const std::string csv = dir_.File("proposta.csv");
  ProposalExport::Export(csv, view, columns);
  const auto records = ParseCsv(ReadFile(csv));
  const std::vector<std::vector<std::string>> expected = {
      {"Artigo", "Nome", "A encomendar", "Unidade de compra", "Preço"},
      {"A-ORD", "Anilha, \"larga\"", "2", "CX", "2.125"},
      {"B-SHORT", "Bucha 8", "4", "CX", "2.125"},
      {"C-SHORT", "Cavilha", "1.0417", "CX", "2.125"},
      {"D-ORD", "Disco", "3", "CX", "2.125"},
  };
  EXPECT_EQ(records, expected);
  // The form for a Portuguese spreadsheet: mark, semicolons, commas.
  const std::string sheet_csv = dir_.File("proposta-folha.csv");
  ProposalExport::Export(sheet_csv, view, columns, CsvForm::Spreadsheet());
  const std::string sheet_text = ReadFile(sheet_csv);
  EXPECT_EQ(sheet_text.substr(0, sheet_text.find("C-SHORT")),
            "\xEF\xBB\xBF"
            "Artigo;Nome;A encomendar;Unidade de compra;Preço\r\n"
            "A-ORD;\"Anilha, \"\"larga\"\"\";2;CX;2,125\r\n"
            "B-SHORT;Bucha 8;4;CX;2,125\r\n");

  const std::string xlsx = dir_.File("proposta.xlsx");
  ProposalExport::Export(xlsx, view, columns);
  const std::string script = dir_.File("read.py");
  std::ofstream(script) << R"(import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print(wb.sheetnames)
ws = wb["Proposta"]
print(ws.freeze_panes, ws.auto_filter.ref, ws["C2"].number_format)
for row in ws.iter_rows():
    print([c.value for c in row], row[0].fill.fgColor.rgb)
r = wb["Resumo"]
print([c.value for c in r[2]], [c.value for c in r[4]])
for row in wb["Exceções"].iter_rows(values_only=True):
    print(row)
)";
  const std::string out_path = dir_.File("out.txt");
  ASSERT_EQ(std::system(("/usr/bin/python3 " + script + " " + xlsx + " > " +
                         out_path + " 2>&1")
                            .c_str()),
            0)
      << ReadFile(out_path);
  EXPECT_EQ(
      ReadFile(out_path),
      "['Proposta', 'Resumo', 'Exceções']\n"
      "A2 A1:E5 #,##0\n"
      "['Artigo', 'Nome', 'A encomendar', 'Unidade de compra', 'Preço'] "
      "FFDDE4EE\n"
      "['A-ORD', 'Anilha, \"larga\"', 2, 'CX', 2.125] FFFFE7B0\n"
      "['B-SHORT', 'Bucha 8', 4, 'CX', 2.125] FFF8D0D0\n"
      "['C-SHORT', 'Cavilha', 1.0417, 'CX', 2.125] FFF8D0D0\n"
      "['D-ORD', 'Disco', 3, 'CX', 2.125] FFFFE7B0\n"
      "['Artigos na proposta', 4, 5] ['Ruturas (procura acima do stock "
      "no prazo)', 2, 2]\n"
      // Of the rows shown, only A-ORD's supplier is unknown.
      "('Artigo', 'Nome', 'Cód. fornecedor', 'Fornecedor', 'Stock real', "
      "'Enc. a fornecedor', 'Procura', 'Em unidade base', 'Unidade base', "
      "'A encomendar', 'Unidade de compra', 'Preço', 'Dias stock', "
      "'Dias de cobertura', 'Motivo')\n"
      "('A-ORD', 'Anilha, \"larga\"', 'F2', 'F2', 5, 0, 12.5, 24, 'UN', "
      "2, 'CX', 2.125, 30, 90, 'fornecedor F2 não encontrado nos "
      "fornecedores')\n");
}

// Texts a spreadsheet would run as formulas come out as text (a tab or CR
// before one is shown as \t or \r, which no spreadsheet runs); numbers,
// and texts that are plain numbers, stay as they are.
TEST(CsvWriterTest, FormulaCellsAreWrittenAsText) {
  Sheet sheet;
  sheet.columns = {{"Nome"}, {"Qtd", SheetColumnKind::kDecimal}};
  for (const char* text :
       {"=HYPERLINK(\"http://x\",\"y\")", "+cmd|' /C calc'!A0", "@SUM(A1)",
        "-1+1", "\t=1", "\r=1", "-12.5", "a=b"}) {
    sheet.rows.push_back({Value(text), Value(Currency::FromDouble(-3.5))});
  }
  const auto records = ParseCsv(CsvWriter::Text(sheet));
  std::vector<std::string> firsts;
  for (size_t i = 0; i < records.size(); ++i) {
    firsts.push_back(records[i][0]);
    EXPECT_EQ(records[i][1], i == 0 ? "Qtd" : "-3.5");
  }
  EXPECT_EQ(firsts, (std::vector<std::string>{
                        "Nome", "'=HYPERLINK(\"http://x\",\"y\")",
                        "'+cmd|' /C calc'!A0", "'@SUM(A1)", "'-1+1", "\\t=1",
                        "\\r=1", "-12.5", "a=b"}));
  // With decimal commas only the numbers change: a text that reads as a
  // number (a code "-12.5") is written as it is.
  EXPECT_NE(
      CsvWriter::Text(sheet, CsvForm::Spreadsheet()).find("\r\n-12.5;-3,5\r\n"),
      std::string::npos);
}

// One row of the proposal, every number given (null where absent).
ProposalRow Row(std::map<F, Value> values) {
  ProposalRow row;
  for (auto& [field, value] : values) row.at(field) = value;
  return row;
}
Value N(double d) { return Value(Currency::FromDouble(d)); }

TEST(ProposalExceptionsTest, EachCheckGivesItsReasonAndTheyAdd) {
  const auto row = [](std::map<F, Value> changes) {
    std::map<F, Value> v = {{F::kArtigo, Value("A1")},
                            {F::kFornec, Value("F1")},
                            {F::kNomeFornec, Value("Ferragens")},
                            {F::kStkReal, N(5)},
                            {F::kEncF, N(0)},
                            {F::kQtdUB, N(24)},
                            {F::kQtdUC, N(2)},
                            {F::kUltPrCom, N(1.5)},
                            {F::kDias, N(30)},
                            {F::kTempo, N(365)}};
    for (auto& [f, value] : changes) v[f] = value;
    return Row(v);
  };
  const Currency limit = Currency::FromInt(365);
  EXPECT_EQ(ProposalExceptions::Reason(row({}), limit), "");
  const std::vector<std::pair<std::map<F, Value>, std::string>> cases = {
      {{{F::kNomeFornec, Value()}},
       "fornecedor F1 não encontrado nos fornecedores"},
      {{{F::kStkReal, N(-2.5)}}, "stock real negativo (-2,5)"},
      {{{F::kEncF, N(-1)}}, "encomendas a fornecedor negativas (-1)"},
      {{{F::kUnBase, Value("UN")},
        {F::kUnCmp, Value("CX")},
        {F::kFactEmb, N(0)},
        {F::kQtdUC, N(0)}},
       "a encomendar em unidade base mas 0 em unidade de compra (fator de "
       "embalagem 0)"},
      {{{F::kUltPrCom, Value()}}, "encomenda proposta com preço 0"},
      {{{F::kDias, N(0)}}, "Dias 0: a cobertura não pode ser calculada"},
      {{{F::kTempo, N(365.0001)}},
       "cobertura de 365,0001 dias acima do máximo de 365"},
  };
  for (const auto& [changes, reason] : cases) {
    EXPECT_EQ(ProposalExceptions::Reason(row(changes), limit), reason);
  }
  // Nothing to order: neither the packing factor nor the price matter.
  EXPECT_EQ(
      ProposalExceptions::Reason(
          row({{F::kQtdUB, N(0)}, {F::kQtdUC, N(0)}, {F::kUltPrCom, N(0)}}),
          limit),
      "");
  EXPECT_EQ(
      ProposalExceptions::Reason(
          row({{F::kStkReal, N(-1)}, {F::kEncF, N(-3)}, {F::kDias, N(0)}}),
          limit),
      "stock real negativo (-1); encomendas a fornecedor negativas (-3); "
      "Dias 0: a cobertura não pode ser calculada");

  // Only the exceptions, and a lower limit flags more rows.
  ProposalView view(ProposalTable(
      {row({}), row({{F::kEncF, N(-1)}}), row({{F::kTempo, N(100)}})}));
  view.SetOnlyExceptions(true);
  EXPECT_EQ(view.shown(), (std::vector<int>{1}));
  view.SetCoverLimit(Currency::FromInt(90));
  EXPECT_EQ(view.shown().size(), 3u);
  EXPECT_EQ(view.TotalSummary().exceptions, 3);
}

// A file exported with "only changed" carries the changes that chose its
// rows, and its summary names the filters in force.
TEST(ProposalExportTest, OnlyChangedWritesTheChangesAndNamesTheFilter) {
  const auto row = [](const char* code, double to_order) {
    return Row({{F::kArtigo, Value(code)},
                {F::kFornec, Value("F1")},
                {F::kNomeFornec, Value("Ferragens")},
                {F::kUltPrCom, N(1.5)},
                {F::kQtdUB, N(to_order)},
                {F::kDias, N(10)},
                {F::kStkMinimo, N(0)},
                {F::kTempo, N(0)}});
  };
  ProposalView view(ProposalTable({row("SAME", 5), row("NEW", 8)}));
  HistoricProposal before;
  before.time = LocalTime{} + std::chrono::hours(24 * 365 * 56 + 24 * 14);
  before.rows = {row("SAME", 5)};
  view.SetPrevious(before, Currency::FromInt(25));
  view.SetOnlyToOrder(true);
  view.SetOnlyChanged(true);
  TempFolder dir;
  const std::string path = dir.File("alteracoes.csv");
  ProposalExport::Export(
      path, view, {ProposalColumn::kArtigo, ProposalColumn::kDiasCobertura});
  std::ifstream in(path, std::ios::binary);
  const std::string csv((std::istreambuf_iterator<char>(in)),
                        std::istreambuf_iterator<char>());
  // The cover cannot be computed (minimum stock 0): blank, never 0.
  EXPECT_EQ(csv,
            "Artigo,Dias de cobertura,Alterações\r\nNEW,,Passou a "
            "encomendar\r\n");
  std::string filter;
  for (const std::vector<Value>& r : ProposalExport::SummarySheet(view).rows) {
    if (r.size() > 1 && r[0].ToText() == "Filtro") filter = r[1].ToText();
  }
  EXPECT_EQ(filter, "Só a encomendar + Só alterações (desde a proposta de " +
                        FigureText::DateTime(before.time) + ")");
}

TEST(ProposalExceptionsTest, CoverLimitFromTheSettingsFile) {
  TempFolder dir;
  const std::string path = dir.File("VOREncomendas.zlx");
  std::ofstream(path) << "[BD]\nServidor=sqlite\n";
  EXPECT_EQ(SettingsRecord::Read(path).motor.cobertura_maxima,
            ProposalExceptions::DefaultCoverLimit());
  EXPECT_EQ(ProposalExceptions::DefaultCoverLimit(), Currency::FromInt(365));
  std::ofstream(path) << "[Motor]\nCoberturaMaxima=180,5\n";
  EXPECT_EQ(SettingsRecord::Read(path).motor.cobertura_maxima,
            Currency::FromDouble(180.5));
  // A bad limit leaves the default, and says so naming file, key and value.
  std::ofstream(path) << "[Motor]\nCoberturaMaxima=um ano\n";
  const SettingsRecord bad = SettingsRecord::Read(path);
  EXPECT_EQ(bad.motor.cobertura_maxima, Currency::FromInt(365));
  const std::string notice =
      bad.NoticeOf("Motor", "CoberturaMaxima").value_or("");
  EXPECT_NE(notice.find(path), std::string::npos);
  EXPECT_NE(notice.find("[Motor] CoberturaMaxima=um ano"), std::string::npos);
}

TEST(MorningReportTest, SettingsThatCannotBeReadAreLoggedNotDropped) {
  TempFolder dir;
  const std::string path = dir.File("VOREncomendas.zlx");
  std::ofstream(path) << "[email]\nDestino=compras@empresa.pt\xFF\n";
  const SettingsRecord settings = SettingsRecord::Read(path);
  QtSqlConnection not_opened;
  const std::vector<std::string> report =
      MorningReport::AfterRun(settings, not_opened, LocalTime{}).failures;
  ASSERT_EQ(report.size(), 1u);
  EXPECT_NE(report[0].find("[email] Destino"), std::string::npos) << report[0];
  EXPECT_NE(report[0].find(path), std::string::npos) << report[0];
  const std::vector<std::string> alert =
      MorningReport::AfterFailure(settings, "erro", "registo", LocalTime{},
                                  false)
          .failures;
  ASSERT_EQ(alert.size(), 1u);
  EXPECT_NE(alert[0].find("[email] Destino"), std::string::npos) << alert[0];
}

}  // namespace
}  // namespace vor
