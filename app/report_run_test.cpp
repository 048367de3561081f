// The morning report end to end: the built program against a small ERP
// and a real SMTP server on 127.0.0.1 (aiosmtpd), checking what the
// recipients receive, the file drop, the exit codes, the run log and that
// no password is ever shown.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "core/secret_mask.h"
#include "proposal/morning_report.h"
#include "proposal/smtp_sender.h"
#include "testing/mail_sink.h"
#include "testing/test_site.h"
#include "tools/demo_erp_generator.h"
#include "tools/erp_database.h"

namespace vor {
namespace {

namespace fs = std::filesystem;

constexpr char kFinished[] = "Emissão Mapas terminada";
constexpr char kSmtpPassword[] = "Smtp-Segredo#41";

// The last line of a log (or the one `back` lines before it), without its
// date, time and CR LF.
std::string LastMessage(const std::string& log, size_t back = 0) {
  std::vector<std::string> lines;
  for (size_t start = 0, end;
       (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(log.substr(start, end - start));
  }
  if (lines.size() <= back) return "";
  const std::string& line = lines[lines.size() - 1 - back];
  return line.size() > 23 ? line.substr(23) : line;
}

class ReportRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ErpFixture& erp = site_.CreateErp();
    erp.AddSupplier("F001");
    erp.AddArticle(BoughtArticle("A1", 5, 30));  // 25 to order
    erp.AddArticle(BoughtArticle("A2", 100, 10));
    // A supplier the ERP does not know, and a name with HTML in it.
    ErpArticle unknown = BoughtArticle("A3", 0, 12);
    unknown.fornec = "F999";
    unknown.nome = "Tubo <PVC> & curva";
    erp.AddArticle(unknown);
  }

  // Every place a password could leak to.
  void ExpectNoPassword(const ProgramResult& r, const std::string& password) {
    for (const std::string& text : {r.out, r.err, site_.LogText()}) {
      EXPECT_EQ(text.find(password), std::string::npos) << text;
    }
  }

  std::vector<std::vector<std::string>> TableRows() {
    return site_.erp().Query(
        "select Artigo, QtdUB from zlx_VOR_Encomendas order by Artigo");
  }

  // Settings that mail compras@empresa.pt through `sink` and drop the
  // workbook into a new folder, whose path is returned.
  std::string MailAndDrop(const MailSink& sink) {
    const std::string drop = site_.base() + "/relatorios";
    fs::create_directory(drop);
    SiteSettings settings;
    settings.destino = "compras@empresa.pt";
    settings.extra =
        sink.SettingsSection() + "[Relatorio]\r\nPasta=" + drop + "\r\n";
    site_.WriteSettings(settings);
    return drop;
  }

  TestSite site_;
};

TEST_F(ReportRunTest, PlainSessionMailsEveryRecipientAndDropsTheWorkbook) {
  MailSink sink;
  const std::string drop = site_.base() + "/relatorios";
  fs::create_directory(drop);
  SiteSettings settings;
  settings.assunto = "Proposta — armazém São João";
  settings.destino = "a@empresa.pt; b@empresa.pt,c@empresa.pt";
  settings.extra =
      sink.SettingsSection() + "[Relatorio]\r\nPasta=" + drop + "\r\n";
  site_.WriteSettings(settings);

  const ProgramResult r = site_.Run({"/S"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  // One line names the file dropped, one says to how many the mail went;
  // the suppliers' order files, written meanwhile, are counted after them.
  const std::string log = site_.LogText();
  EXPECT_EQ(LastMessage(log), kFinished);
  EXPECT_TRUE(
      std::regex_search(LastMessage(log, 3),
                        std::regex("^Relatório de encomendas gravado em " +
                                   drop + R"(/Proposta_\d{8}_\d{6}\.xlsx$)")))
      << log;
  EXPECT_TRUE(std::regex_search(
      LastMessage(log, 2),
      std::regex(R"(^Relatório de encomendas enviado por e-mail a 3 )"
                 R"(destinatários \(\d+,\d KB\)$)")))
      << log;

  const std::vector<MailSink::Received> mail = sink.Messages();
  ASSERT_EQ(mail.size(), 1u);
  const MailSink::Received& m = mail[0];
  EXPECT_EQ(m.mail_from, "vor@empresa.pt");
  EXPECT_EQ(m.rcpt_tos, (std::vector<std::string>{
                            "a@empresa.pt", "b@empresa.pt", "c@empresa.pt"}));
  EXPECT_EQ(m.from, "Compras Fábrica <vor@empresa.pt>");
  EXPECT_TRUE(std::regex_match(
      m.subject,
      std::regex("Proposta — armazém São João - \\d{2}-\\d{2}-\\d{4}")))
      << m.subject;
  // The digest: summary with the value, no earlier run yet, the most
  // urgent rows, then the suppliers.
  EXPECT_NE(m.text.find("Artigos na proposta"), std::string::npos) << m.text;
  EXPECT_NE(m.text.find("não tem uma proposta anterior"), std::string::npos);
  const size_t urgent = m.text.find("Mais urgentes (2 de 2)");
  const size_t suppliers = m.text.find("Por fornecedor");
  EXPECT_LT(urgent, suppliers) << m.text;
  EXPECT_TRUE(std::regex_search(
      m.text, std::regex("A1 +Artigo de teste +Fornecedor de teste .* 25 UN "
                         "+25,00\r?\n")))
      << m.text;
  EXPECT_NE(m.html.find("Tubo &lt;PVC&gt; &amp; curva"), std::string::npos);
  EXPECT_EQ(m.html.find("<PVC>"), std::string::npos);

  // The attachment and the dropped file are the same workbook: the table's
  // rows, and the exceptions sheet.
  ASSERT_EQ(m.attachment_paths.size(), 1u);
  std::vector<std::string> dropped, orders;
  for (const auto& entry : fs::directory_iterator(drop)) {
    const std::string name = entry.path().filename().string();
    (name.starts_with("Encomenda ") ? orders : dropped).push_back(name);
  }
  ASSERT_EQ(dropped.size(), 1u);  // nothing half-written beside it
  EXPECT_TRUE(std::regex_match(dropped[0],
                               std::regex(R"(Proposta_\d{8}_\d{6}\.xlsx)")));
  // Beside it, the order file of each supplier with something to order,
  // dated as the run.
  const std::string day = dropped[0].substr(9, 4) + "-" +
                          dropped[0].substr(13, 2) + "-" +
                          dropped[0].substr(15, 2);
  std::sort(orders.begin(), orders.end());
  EXPECT_EQ(orders,
            (std::vector<std::string>{
                "Encomenda F999 " + day + ".xlsx",
                "Encomenda Fornecedor de teste (F001) " + day + ".xlsx"}));
  EXPECT_EQ(fs::path(m.attachment_paths[0]).filename().string(),
            "1_" + dropped[0]);
  const std::string script = site_.base() + "/read.py";
  std::ofstream(script) << R"py(import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print(wb.sheetnames)
ws = wb["Proposta"]
head = [c.value for c in ws[1]]
a, q = head.index("Artigo"), head.index("Em unidade base")
for line in sorted("%s %g" % (row[a], row[q])
                   for row in ws.iter_rows(min_row=2, values_only=True)):
    print(line)
# Formats of one row: a whole quantity, a price, the days of cover.
row = [r for r in ws.iter_rows(min_row=2) if r[a].value == "A1"][0]
for name in ("Em unidade base", "Preço", "Dias de cobertura", "Prazo (dias)",
             "Cód. fornecedor"):
    cell = row[head.index(name)]
    print(name, cell.value, cell.number_format)
print([row[0] for row in wb["Exceções"].iter_rows(min_row=2, values_only=True)])
for row in wb["Por fornecedor"].iter_rows(min_row=2, values_only=True):
    print([v for v in row if v is not None])
print(wb["Resumo"]["A2"].value, wb["Resumo"].max_row)
)py";
  std::string expected =
      "['Proposta', 'Resumo', 'Exceções', 'Alterações', 'Por fornecedor']\n";
  for (const auto& row : TableRows()) expected += row[0] + " " + row[1] + "\n";
  expected +=
      "Em unidade base 25 #,##0\n"
      "Preço 1 #,##0.00##\n"
      "Dias de cobertura 30 #,##0\n"
      "Prazo (dias) 10 #,##0\n"
      "Cód. fornecedor F001 General\n"
      "['A3']\n"
      "['Fornecedor de teste (F001)', '1 artigos a encomendar', 25, '10 "
      "dias', 25, 'ficheiro Encomenda Fornecedor de teste (F001) " +
      day +
      ".xlsx']\n"
      "['A1', 'Artigo de teste', 25, 'UN', 1, 0, 25, 10, 25, 25]\n"
      "[]\n"
      "['F999', '1 artigos a encomendar', 12, '10 dias', 12, 'ficheiro "
      "Encomenda F999 " +
      day +
      ".xlsx']\n"
      "['A3', 'Tubo <PVC> & curva', 12, 'UN', 1, 0, 12, 10, 12, 12]\n"
      "Proposta — armazém São João - " +
      m.subject.substr(m.subject.size() - 10) + " 24\n";
  for (const std::string& workbook :
       {m.attachment_paths[0], drop + "/" + dropped[0]}) {
    const std::string out = site_.base() + "/rows.txt";
    ASSERT_EQ(std::system(("/usr/bin/python3 " + script + " '" + workbook +
                           "' > " + out + " 2>&1")
                              .c_str()),
              0)
        << ReadFile(out);
    EXPECT_EQ(ReadFile(out), expected);
  }
}

// A server that announces a SIZE the workbook passes gets the digest
// alone, saying where the file was dropped.
TEST_F(ReportRunTest, AttachmentLeftOutPastTheServersSize) {
  MailSink::Options options;
  options.size_limit = 14000;
  MailSink sink(options);
  const std::string drop = MailAndDrop(sink);
  const ProgramResult r = site_.Run({"/S"});
  ASSERT_EQ(r.exit_code, 0) << r.err << site_.LogText();
  const std::vector<MailSink::Received> mail = sink.Messages();
  ASSERT_EQ(mail.size(), 1u);
  EXPECT_TRUE(mail[0].attachment_paths.empty());
  EXPECT_NE(mail[0].text.find("não segue em anexo"), std::string::npos)
      << mail[0].text;
  EXPECT_NE(mail[0].text.find("Está gravada em " + drop + "/Proposta_"),
            std::string::npos)
      << mail[0].text;
  EXPECT_NE(site_.LogText().find("deixado de fora"), std::string::npos)
      << site_.LogText();
}

// A large ERP (50 000 articles): the full workbook does not fit in 5 MB,
// so the compact one goes, with every row to order or short in urgency
// order, and the digest names the share where the full one is and no sheet
// that is not attached.
TEST_F(ReportRunTest, LargeErpMailsTheCompactWorkbookUnderTheLimit) {
  const std::string erp = site_.base() + "/grande.sqlite";
  GenerateDemoErp(erp, 50000, 2026);
  MailSink sink;
  const std::string drop = site_.base() + "/relatorios";
  fs::create_directory(drop);
  SiteSettings settings;
  settings.database = erp;
  settings.destino = "compras@empresa.pt";
  settings.extra = sink.SettingsSection() + "[Relatorio]\r\nPasta=" + drop +
                   "\r\nPartilha=\\\\servidor\\compras\r\n";
  site_.WriteSettings(settings);
  const ProgramResult r = site_.Run({"/S"});
  ASSERT_EQ(r.exit_code, 0) << r.err << site_.LogText();
  const std::string log = site_.LogText();
  std::smatch size;
  ASSERT_TRUE(std::regex_search(
      log, size,
      std::regex(R"(enviado por e-mail a 1 destinatário \((\d+),\d KB)")))
      << log;
  EXPECT_LT(std::stol(size[1]) * 1024, 5000000) << log;
  EXPECT_NE(log.find("seguiu o anexo reduzido"), std::string::npos) << log;

  const std::vector<MailSink::Received> mail = sink.Messages();
  ASSERT_EQ(mail.size(), 1u);
  const MailSink::Received& m = mail[0];
  ASSERT_EQ(m.attachment_paths.size(), 1u);
  const std::string name = fs::path(m.attachment_paths[0]).filename().string();
  EXPECT_TRUE(std::regex_match(
      name, std::regex(R"(1_Proposta_\d{8}_\d{6}_reduzida\.xlsx)")))
      << name;
  std::smatch urgent;
  ASSERT_TRUE(std::regex_search(m.text, urgent,
                                std::regex(R"(Mais urgentes \(25 de (\d+)\))")))
      << m.text;
  EXPECT_NE(m.text.find("folha «A encomendar» do anexo"), std::string::npos);
  EXPECT_EQ(m.text.find("folha «Proposta»"), std::string::npos) << m.text;
  EXPECT_TRUE(std::regex_search(
      m.text,
      std::regex(
          R"(Pode abri-la em \\\\servidor\\compras\\Proposta_\d{8}_\d{6}\.xlsx\.)")))
      << m.text;

  const std::string script = site_.base() + "/compact.py";
  {
    std::ofstream py(script);
    py << R"py(
import sys, zipfile, openpyxl
print(zipfile.ZipFile(sys.argv[1]).testzip())
wb = openpyxl.load_workbook(sys.argv[1], read_only=True)
print(wb.sheetnames)
print(wb["A encomendar"].max_row - 1)
print(next(wb["Resumo"].iter_rows(min_row=3, max_row=3, values_only=True))[1][:16])
)py";
  }
  const std::string out = site_.base() + "/compact.txt";
  ASSERT_EQ(std::system(("/usr/bin/python3 " + script + " '" +
                         m.attachment_paths[0] + "' > " + out + " 2>&1")
                            .c_str()),
            0)
      << ReadFile(out);
  EXPECT_EQ(ReadFile(out),
            "None\n['A encomendar', 'Resumo', 'Exceções', 'Alterações', 'Por "
            "fornecedor']\n" +
                urgent[1].str() + "\nPode abri-la em \n");

  // The full workbook dropped in the folder: "Proposta" has every row of
  // the table once, numbered without gaps, under one filter, however many
  // slices its rows were written in.
  std::vector<std::string> dropped;
  for (const auto& entry : fs::directory_iterator(drop)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("Encomenda ")) dropped.push_back(entry.path());
  }
  ASSERT_EQ(dropped.size(), 1u);
  const std::string check = site_.base() + "/full.py";
  {
    std::ofstream py(check);
    py << R"py(
import sqlite3, sys, zipfile
import xml.etree.ElementTree as ET
codes = sorted(a for (a,) in sqlite3.connect(sys.argv[2]).execute(
    "select Artigo from zlx_VOR_Encomendas"))
ns = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
rows, shown, ref = [], [], None
# A cell without a reference follows the one before it in its row.
for _, e in ET.iterparse(
        zipfile.ZipFile(sys.argv[1]).open("xl/worksheets/sheet1.xml")):
    if e.tag == ns + "row":
        rows.append(int(e.get("r")))
        column = 0
        for c in e.iter(ns + "c"):
            column += 1
            if c.get("r"):
                letters = c.get("r").rstrip("0123456789")
                column = 0
                for letter in letters:
                    column = column * 26 + ord(letter) - ord("A") + 1
            if column == 3 and rows[-1] != 1:
                shown.append(c.find(ns + "is/" + ns + "t").text)
        e.clear()
    elif e.tag == ns + "autoFilter":
        ref = e.get("ref")
print(len(codes) > 20000, rows == list(range(1, len(codes) + 2)),
      sorted(shown) == codes, ref == "A1:R%d" % (len(codes) + 1))
)py";
  }
  ASSERT_EQ(std::system(("/usr/bin/python3 " + check + " '" + dropped[0] +
                         "' '" + erp + "' > " + out + " 2>&1")
                            .c_str()),
            0)
      << ReadFile(out);
  EXPECT_EQ(ReadFile(out), "True True True True\n");
}

// With the history table, the next morning's digest says what changed
// since the run before.
TEST_F(ReportRunTest, NextMorningSaysWhatChanged) {
  site_.erp().Exec(HistorySqliteSchema());
  MailSink sink;
  SiteSettings settings;
  settings.destino = "compras@empresa.pt";
  settings.extra = sink.SettingsSection();
  site_.WriteSettings(settings);
  ASSERT_EQ(site_.Run({"/S"}).exit_code, 0);
  // One second on, A2 runs out (newly to order) and A1 needs 2, not 25.
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  site_.erp().Exec("update ARTIGOS set stdisp = 0 where CODIGO = 'A2'");
  site_.erp().Exec("update ARTIGOS set stdisp = 28 where CODIGO = 'A1'");
  const ProgramResult r = site_.Run({"/S"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(site_.erp().Count("zlx_VOR_Historico"), 6);
  const std::vector<MailSink::Received> mail = sink.Messages();
  ASSERT_EQ(mail.size(), 2u);
  std::string text = mail[1].text;
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  EXPECT_NE(text.find("Desde a proposta de "), std::string::npos) << text;
  EXPECT_TRUE(std::regex_search(
      text, std::regex("Passaram a encomendar\n(.*\n)? +A2 ")))
      << text;
  EXPECT_TRUE(std::regex_search(
      text, std::regex("Quantidades a encomendar que mudaram\n(.*\n)? +A1 "
                       ".*a encomendar 25 UN +a encomendar 2 UN\n")))
      << text;
}

// "yyyy-mm-dd", `days` days before today (local time, as the run dates
// its report).
std::string DaysAgo(int days) {
  const std::time_t t = std::time(nullptr) - days * 86400;
  std::tm local{};
  localtime_r(&t, &local);
  char text[11];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

// Open supplier orders past their lead time (10 days): their section after
// "Mais urgentes", a summary line and a sheet, per supplier most value
// first. A2 (stock 100): 20 from F002, 200 days old, 190 late, past
// AtrasoMaximo 90, nothing changes without it. A1 (5 of 30): 3 on time,
// 10 ordered 12 days ago from the article's supplier, 2 days late; EncF 13,
// order 12; without it EncF 3, order 22. A3 (0 of 12, customer orders 5,
// supplier F999 unknown to Fornec): 8, 30 days late; StkPrazo 8 covers the
// 5, order 9; without it a shortage, order 17. Price 1: 20 + 10 + 8 = 38.
TEST_F(ReportRunTest, LateSupplierOrdersGetTheirSectionAndSheet) {
  ErpFixture& erp = site_.erp();
  erp.AddSupplier("F002", "Metais Lda");
  erp.AddDocLine(erp.AddDocument({.tpdoc = "ECF",
                                  .tpterc = 1,
                                  .data = DaysAgo(200),
                                  .terceiro = "F002"}),
                 "A2", 20);
  erp.AddSupplierOrder(DaysAgo(2), {{"A1", 3}});
  erp.AddSupplierOrder(DaysAgo(12), {{"A1", 10}});
  erp.AddCustomerOrder(DaysAgo(5), {{"A3", 5}});
  erp.AddSupplierOrder(DaysAgo(40), {{"A3", 8}});
  MailSink sink;
  const std::string drop = MailAndDrop(sink);
  const ProgramResult r = site_.Run({"/S"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(TableRows(), (std::vector<std::vector<std::string>>{
                             {"A1", "12"}, {"A2", "0"}, {"A3", "9"}}));

  const std::vector<MailSink::Received> mail = sink.Messages();
  ASSERT_EQ(mail.size(), 1u);
  const MailSink::Received& m = mail[0];
  std::string text = m.text;
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  EXPECT_NE(text.find("3 encomendas em atraso, 38,00 € a reclamar a 3 "
                      "fornecedores. Lista em «Encomendas em atraso»."),
            std::string::npos)
      << text;
  const size_t urgent = text.find("Mais urgentes");
  const size_t late = text.find(
      "Encomendas em atraso (3 linhas de 3 "
      "fornecedores)\n====");
  const size_t suppliers = text.find("Por fornecedor\n");
  EXPECT_LT(urgent, late) << text;
  EXPECT_LT(late, suppliers) << text;
  const std::string doc = R"(ECF \d+ \(série 1, \d{4}\) +\d\d-\d\d-\d{4} +)";
  EXPECT_TRUE(std::regex_search(
      text,
      std::regex("Metais Lda \\(F002\\): 1 encomenda, 20,00 €\n.*\n +" + doc +
                 "A2 +Artigo de teste +20 UN +190 dias \\(provavelmente "
                 "não vai chegar\\) +20,00 *\n\n"
                 "Fornecedor de teste \\(F001\\): 1 encomenda, 10,00 €\n"
                 ".*\n +" +
                 doc +
                 "A1 +Artigo de teste +10 UN +2 dias +10,00 +encomendar "
                 "22 UN em vez de 12 UN\n\n"
                 "F999: 1 encomenda, 8,00 €\n.*\n +" +
                 doc +
                 "A3 +Tubo <PVC> & curva +8 UN +30 dias +8,00 +rutura; "
                 "encomendar 17 UN em vez de 9 UN\n")))
      << text;

  // The sheet, in the attachment and the dropped file alike.
  const std::string script = site_.base() + "/late.py";
  std::ofstream(script) << R"py(import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print(wb.sheetnames[-1])
for row in wb["Em atraso"].iter_rows(min_row=2, values_only=True):
    print([v for i, v in enumerate(row) if v is not None and i not in (0, 1)])
)py";
  const std::string expected =
      "Em atraso\n"
      "[]\n"
      "['A2', 'Artigo de teste', 20, 'UN', 190, 20, 'provavelmente não vai "
      "chegar']\n"
      "[20]\n[]\n[]\n"
      "['A1', 'Artigo de teste', 10, 'UN', 2, 10, 'se as encomendas em atraso "
      "não chegarem: encomendar 22 UN em vez de 12 UN']\n"
      "[10]\n[]\n[]\n"
      "['A3', 'Tubo <PVC> & curva', 8, 'UN', 30, 8, 'rutura depende desta "
      "encomenda; se as encomendas em atraso não chegarem: encomendar 17 UN "
      "em vez de 9 UN']\n"
      "[8]\n";
  std::vector<std::string> dropped;
  for (const auto& entry : fs::directory_iterator(drop)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("Encomenda ")) dropped.push_back(drop + "/" + name);
  }
  ASSERT_EQ(dropped.size(), 1u);
  ASSERT_EQ(m.attachment_paths.size(), 1u);
  for (const std::string& workbook : {m.attachment_paths[0], dropped[0]}) {
    const std::string out = site_.base() + "/late.txt";
    ASSERT_EQ(std::system(("/usr/bin/python3 " + script + " '" + workbook +
                           "' > " + out + " 2>&1")
                              .c_str()),
              0)
        << ReadFile(out);
    EXPECT_EQ(ReadFile(out), expected);
  }
}

// Trimming the history never removes the run the next report compares
// with: with Dias=1, a run years old is still "the proposal before", named
// by its date, until a newer one exists.
TEST_F(ReportRunTest, HistoryKeepsThePreviousRunHoweverOld) {
  site_.erp().Exec(HistorySqliteSchema());
  site_.erp().Exec(
      "insert into zlx_VOR_Historico (Execucao, Artigo, Nome, UnBase, QtdUB, "
      "Cor) values (20200106060000, 'A1', 'Parafuso', 'UN', 100, 0), "
      "(20200106060000, 'GONE', 'Anilha velha', 'KG', 7, 0)");
  MailSink sink;
  SiteSettings settings;
  settings.destino = "compras@empresa.pt";
  settings.extra = sink.SettingsSection() + "[Historico]\r\nDias=1\r\n";
  site_.WriteSettings(settings);
  ASSERT_EQ(site_.Run({"/S"}).exit_code, 0);
  ASSERT_EQ(sink.Messages().size(), 1u);
  std::string text = sink.Messages()[0].text;
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  EXPECT_NE(text.find("Desde a proposta de 06-01-2020 às 06:00"),
            std::string::npos)
      << text;
  EXPECT_TRUE(std::regex_search(
      text, std::regex("Quantidades a encomendar que mudaram\n(.*\n)? +A1 "
                       ".*a encomendar 100 UN +a encomendar 25 UN\n")))
      << text;
  EXPECT_TRUE(std::regex_search(
      text, std::regex("GONE +Anilha velha \\(saiu da proposta\\) +a "
                       "encomendar 7 KG *\n")))
      << text;
  EXPECT_EQ(site_.erp().Count("zlx_VOR_Historico"), 5);

  // The next run compares with the first; the old run may go now.
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  ASSERT_EQ(site_.Run({"/S"}).exit_code, 0);
  EXPECT_EQ(site_.erp().Count("zlx_VOR_Historico"), 6);
  ASSERT_EQ(sink.Messages().size(), 2u);
  EXPECT_EQ(sink.Messages()[1].text.find("06-01-2020"), std::string::npos);
  EXPECT_NE(sink.Messages()[1].text.find("Desde a proposta de "),
            std::string::npos);
}

TEST_F(ReportRunTest, StartTlsWithAuthAndAWrongPassword) {
  MailSink sink({true, "vor", kSmtpPassword});
  ScopedEnv ca("CURL_CA_BUNDLE", sink.certificate());
  SiteSettings settings;
  settings.destino = "compras@empresa.pt";
  settings.extra = sink.SettingsSection();
  site_.WriteSettings(settings);
  ProgramResult r = site_.Run({"/S"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_TRUE(sink.Messages()[0].tls);
  EXPECT_TRUE(sink.Messages()[0].authenticated);

  // A wrong password: the proposal is made and written all the same, the
  // server's refusal is logged, exit code 3.
  const std::string wrong = "Errada-Pw-77";
  settings.extra = std::regex_replace(sink.SettingsSection(),
                                      std::regex(kSmtpPassword), wrong);
  site_.WriteSettings(settings);
  site_.erp().Exec("delete from zlx_VOR_Encomendas");
  r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(TableRows().size(), 3u);
  const std::string log = site_.LogText();
  EXPECT_EQ(LastMessage(log), kFinished);
  const std::string port = std::to_string(sink.port());
  EXPECT_TRUE(std::regex_search(
      log, std::regex("\\] Relatório de encomendas não enviado por e-mail: "
                      "servidor 127\\.0\\.0\\.1, porta " +
                      port + ": .*535.*\r\n")))
      << log;
  EXPECT_NE(r.err.find("535"), std::string::npos) << r.err;
  ExpectNoPassword(r, wrong);
  ExpectNoPassword(r, kSmtpPassword);
  ExpectNoPassword(r, site_.settings().password);
}

// [Relatorio] Pasta swapped by another user for a symbolic link of theirs
// between two runs (to a folder of someone else, holding what looks like
// a writer's leftover): the second run refuses the folder and creates or
// deletes nothing there, nor through such a link higher up the path. A folder
// anyone may write to without the sticky bit is named in a warning.
TEST_F(ReportRunTest, ReportFolderSwappedForALinkIsRefused) {
  MailSink sink;
  const std::string shared = site_.base() + "/partilhada";
  const std::string drop = shared + "/relatorios";
  const std::string protected_folder = site_.base() + "/protegida";
  fs::create_directories(drop);
  fs::create_directory(protected_folder);
  const std::string leftover = protected_folder + "/.x.AbCdEfGhIjKl.vortmp";
  WriteFile(leftover, "de outro");
  fs::permissions(drop, fs::perms::all);  // 0777, no sticky bit
  SiteSettings settings;
  settings.destino = "compras@empresa.pt";
  settings.extra =
      sink.SettingsSection() + "[Relatorio]\r\nPasta=" + drop + "\r\n";
  site_.WriteSettings(settings);
  ProgramResult r = site_.Run({"/S"});
  ASSERT_EQ(r.exit_code, 0) << r.err << site_.LogText();
  EXPECT_NE(site_.LogText().find("] Aviso: a pasta '" + drop +
                                 "' pode ser alterada por qualquer "
                                 "utilizador (escrita por todos, sem o bit "
                                 "sticky) ([Relatorio] Pasta)\r\n"),
            std::string::npos)
      << site_.LogText();

  // The files of `folder` but the suppliers' order files.
  const auto names = [](const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(folder)) {
      const std::string name = e.path().filename().string();
      if (!name.starts_with("Encomenda ")) found.push_back(name);
    }
    return found;
  };
  // The swap is another user's: a link of theirs (one of root or of the
  // user running would be followed, as an administrator's link is).
  if (geteuid() != 0) GTEST_SKIP() << "only root can make another's link";
  fs::rename(drop, shared + "/antiga");
  fs::create_directory_symlink(protected_folder, drop);
  ASSERT_EQ(::lchown(drop.c_str(), 65534, 65534), 0);
  const std::vector<std::string> inside = {".x.AbCdEfGhIjKl.vortmp"};
  r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_NE(site_.LogText().find(
                "] Relatório de encomendas não gravado: a pasta " + drop +
                " não foi aberta: '" + drop +
                "' é uma ligação simbólica de outro utilizador (uid 65534), "
                "que não é seguida (indique o caminho real da pasta) "
                "([Relatorio] Pasta)\r\n"),
            std::string::npos)
      << site_.LogText();
  EXPECT_EQ(names(protected_folder), inside);
  EXPECT_EQ(names(shared + "/antiga").size(), 1u);

  // A link higher up the path is not followed either.
  fs::remove(drop);
  fs::create_directory_symlink(site_.base(), site_.base() + "/atalho");
  ASSERT_EQ(::lchown((site_.base() + "/atalho").c_str(), 65534, 65534), 0);
  settings.extra = sink.SettingsSection() +
                   "[Relatorio]\r\nPasta=" + site_.base() +
                   "/atalho/protegida\r\n";
  site_.WriteSettings(settings);
  r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_NE(site_.LogText().find("'" + site_.base() +
                                 "/atalho' é uma ligação simbólica"),
            std::string::npos)
      << site_.LogText();
  EXPECT_EQ(names(protected_folder), inside);
}

// Bytes an ERP really holds: a name that is not UTF-8 and holds CR LF, and
// a code with CR LF followed by what looks like a log line's stamp (the
// 15 characters a code may have). The table
// keeps every byte; the workbook opens in a real reader, the mail parts
// labelled UTF-8 decode strictly, the digest keeps one row per article and
// the log one line per event, the bytes shown as \r, \n and U+FFFD.
TEST_F(ReportRunTest, HostileBytesGiveValidTextInEveryOutput) {
  const std::string forged = "A4\r\n[1][2] Fim";
  site_.erp().AddArticle(BoughtArticle(forged, 0, 12));
  // "Nome", FF FE, CR LF, "Linha2"
  site_.erp().Exec(
      "update ARTIGOS set NOME = X'4e6f6d65fffe0d0a4c696e686132' "
      "where CODIGO = 'A3'");
  MailSink sink;
  const std::string drop = MailAndDrop(sink);
  const ProgramResult r = site_.Run({"/S"});
  ASSERT_EQ(r.exit_code, 0) << r.err << site_.LogText();

  EXPECT_EQ(site_.erp().Query("select hex(Nome) from zlx_VOR_Encomendas "
                              "where Artigo = 'A3'"),
            (std::vector<std::vector<std::string>>{
                {"4E6F6D65FFFE0D0A4C696E686132"}}));
  EXPECT_EQ(site_.erp().Query("select count(*) from zlx_VOR_Encomendas "
                              "where Artigo = 'A4' || char(13, 10) || "
                              "'[1][2] Fim'"),
            (std::vector<std::vector<std::string>>{{"1"}}));

  const std::string shown_code = "A4\\r\\n[1][2] Fim";
  const std::string shown_name = "Nome\uFFFD\uFFFD\\r\\nLinha2";
  const std::string log = site_.LogText();
  const std::regex line(R"(\[\d{2}-\d{2}-\d{4}\]\[\d{2}:\d{2}:\d{2}\] .*)");
  for (size_t start = 0, end;
       (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string l = log.substr(start, end - start);
    EXPECT_TRUE(std::regex_match(l, line)) << l;
    EXPECT_EQ(l.find('\n'), std::string::npos) << l;
    EXPECT_EQ(l.find("] [1][2] Fim"), std::string::npos) << l;
  }
  EXPECT_NE(log.find("] Artigo   " + shown_code + "   "), std::string::npos)
      << log;

  const std::vector<MailSink::Received> mail = sink.Messages();
  ASSERT_EQ(mail.size(), 1u);
  ASSERT_EQ(mail[0].attachment_paths.size(), 1u);
  const std::string eml =
      (fs::path(mail[0].attachment_paths[0]).parent_path() / "1.eml").string();
  const std::string script = site_.base() + "/read.py";
  std::ofstream(script) << R"py(import sys, email, openpyxl
message = email.message_from_bytes(open(sys.argv[1], "rb").read())
for part in message.walk():
    if part.get_content_maintype() == "text":
        text = part.get_payload(decode=True).decode("utf-8")  # strict
        for line in text.splitlines():
            if "A3" in line or "A4" in line or "Linha2" in line:
                print(part.get_content_subtype(), line.strip()[:60])
for path in sys.argv[2:]:
    wb = openpyxl.load_workbook(path)
    if "Proposta" not in wb:  # a supplier's order file
        print("order", wb.sheetnames)
        continue
    ws = wb["Proposta"]
    head = [c.value for c in ws[1]]
    a, n = head.index("Artigo"), head.index("Nome")
    for row in ws.iter_rows(min_row=2, values_only=True):
        print((row[a], row[n]))
)py";
  const std::string out = site_.base() + "/out.txt";
  // The workbook first, then the order files.
  std::string dropped;
  int orders = 0;
  for (const auto& entry : fs::directory_iterator(drop)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("Encomenda ")) {
      dropped += " '" + drop + "/" + name + "'";
      ++orders;
    } else {
      dropped = " '" + drop + "/" + name + "'" + dropped;
    }
  }
  ASSERT_EQ(
      std::system(("/usr/bin/python3 " + script + " '" + eml + "'" + dropped +
                   " '" + mail[0].attachment_paths[0] + "' > " + out + " 2>&1")
                      .c_str()),
      0)
      << ReadFile(out);
  const std::string read = ReadFile(out);
  // Each of A3 and A4 on one line of the plain digest, never "Linha2"
  // alone; twice in each workbook with the bytes shown.
  EXPECT_TRUE(std::regex_search(
      read,
      std::regex("plain A3 +" +
                 std::regex_replace(shown_name, std::regex(R"(\\)"), R"(\\)") +
                 " ")))
      << read;
  EXPECT_EQ(read.find("plain Linha2"), std::string::npos) << read;
  EXPECT_EQ(read.find("html Linha2"), std::string::npos) << read;
  const std::string a3_row = "('A3', 'Nome\uFFFD\uFFFD\\\\r\\\\nLinha2')\n";
  const std::string a4_row =
      "('A4\\\\r\\\\n[1][2] Fim', "
      "'Artigo de teste')\n";
  EXPECT_EQ(CountOf(read, "order ['Encomenda', 'Condições e sugestões']"),
            orders)
      << read;
  EXPECT_GT(orders, 0);
  EXPECT_EQ(CountOf(read, a3_row), 2) << read;
  EXPECT_EQ(CountOf(read, a4_row), 2) << read;
}

TEST_F(ReportRunTest, ServerDownMissingFolderAndBadPortAreNamed) {
  const int closed = MailSink::ClosedPort();
  const std::string missing = site_.base() + "/nao_existe";
  SiteSettings settings;
  settings.destino = "compras@empresa.pt";
  settings.extra =
      "[SMTP]\r\nServidor=127.0.0.1\r\nPorta=" + std::to_string(closed) +
      "\r\nemailEmissor=vor@empresa.pt\r\nUtilizador=vor\r\n"
      "Password=" +
      kSmtpPassword + "\r\n[Relatorio]\r\nPasta=" + missing + "\r\n";
  site_.WriteSettings(settings);
  ProgramResult r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_EQ(TableRows().size(), 3u);
  std::string log = site_.LogText();
  EXPECT_EQ(LastMessage(log), kFinished);
  EXPECT_NE(log.find("] Relatório de encomendas não gravado: a pasta " +
                     missing + " ([Relatorio] Pasta) não existe\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("] Relatório de encomendas não enviado por e-mail: "
                     "servidor 127.0.0.1, porta " +
                     std::to_string(closed) + ": "),
            std::string::npos)
      << log;
  EXPECT_FALSE(fs::exists(missing));
  ExpectNoPassword(r, kSmtpPassword);

  // A port that is not a number is named with its key and file.
  settings.extra =
      "[SMTP]\r\nServidor=127.0.0.1\r\nPorta=vinte e cinco\r\n"
      "emailEmissor=vor@empresa.pt\r\n";
  site_.WriteSettings(settings);
  r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  log = site_.LogText();
  EXPECT_NE(log.find("] Relatório de encomendas não enviado por e-mail: "
                     "[SMTP] Porta de " +
                     site_.settings_path() +
                     ": \"vinte e cinco\" não é um número de porta"),
            std::string::npos)
      << log;
}

TEST_F(ReportRunTest, FailedRunSendsTheAlertOrLogsWhyItCouldNot) {
  site_.erp().Exec("drop table zlx_VOR_OrdensFabrico");
  SiteSettings settings;
  settings.destino = "admin@empresa.pt";
  {
    MailSink sink;
    settings.extra = sink.SettingsSection();
    site_.WriteSettings(settings);
    const ProgramResult r = site_.Run({"/S"});
    EXPECT_EQ(r.exit_code, 1) << r.err;
    const std::string log = site_.LogText();
    // The handler's lines are unchanged: its message is followed only by
    // the line saying the alert went out.
    EXPECT_EQ(LastMessage(log, 1).rfind(" 3604 - ", 0), 0u) << log;
    EXPECT_TRUE(std::regex_match(
        LastMessage(log),
        std::regex(R"(Alerta de erro enviado por e-mail a 1 destinatário )"
                   R"(\((\d+ bytes|\d+,\d KB)\))")))
        << log;
    const std::vector<MailSink::Received> mail = sink.Messages();
    ASSERT_EQ(mail.size(), 1u);
    EXPECT_EQ(mail[0].rcpt_tos, std::vector<std::string>{"admin@empresa.pt"});
    EXPECT_EQ(mail[0].subject.rfind(
                  "VORencomendas: a proposta não foi calculada - ", 0),
              0u)
        << mail[0].subject;
    EXPECT_NE(mail[0].text.find(LastMessage(log, 1)), std::string::npos)
        << mail[0].text;
    EXPECT_NE(mail[0].text.find(site_.log_folder() + "/LOG_VOR_ENC"),
              std::string::npos);
    EXPECT_NE(mail[0].text.find("continua com a proposta anterior"),
              std::string::npos);
  }
  // The server has gone: the alert's failure follows the error in the log,
  // and the exit code stays 1.
  const ProgramResult r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  const std::string log = site_.LogText();
  EXPECT_EQ(LastMessage(log).rfind("Alerta de erro não enviado por e-mail: "
                                   "servidor 127.0.0.1, porta ",
                                   0),
            0u)
      << log;
}

// The database refuses the write once the proposal is computed, while the
// report's workbook is being made: the run ends as a failed run does, with
// the alert alone; no workbook is dropped and no report is mailed.
TEST_F(ReportRunTest, RefusedWriteDeliversNothingButTheAlert) {
  MailSink sink;
  const std::string drop = MailAndDrop(sink);
  // A1 and A2 have the same supplier.
  site_.erp().Exec("create unique index recusa on zlx_VOR_Encomendas (Fornec)");
  const ProgramResult r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_TRUE(TableRows().empty());
  // Neither the workbook nor any supplier's order file.
  EXPECT_TRUE(fs::is_empty(drop));
  const std::string log = site_.LogText();
  EXPECT_NE(LastMessage(log, 1).find("zlx_VOR_Encomendas.Fornec"),
            std::string::npos)
      << log;
  EXPECT_EQ(LastMessage(log).rfind("Alerta de erro enviado por e-mail", 0), 0u)
      << log;
  EXPECT_EQ(log.find("Relatório de encomendas"), std::string::npos) << log;
  const std::vector<MailSink::Received> mail = sink.Messages();
  ASSERT_EQ(mail.size(), 1u);
  EXPECT_EQ(mail[0].subject.rfind(
                "VORencomendas: a proposta não foi calculada - ", 0),
            0u)
      << mail[0].subject;
  EXPECT_TRUE(mail[0].attachment_paths.empty());
}

// One recipient refused of two: the other receives it, the refusal is
// logged with the server's own reply, exit code 3; an address written in
// angle brackets is the address inside them.
TEST_F(ReportRunTest, ARefusedRecipientDoesNotStopTheOthers) {
  MailSink::Options options;
  options.refuse = {"fantasma@empresa.pt"};
  MailSink sink(options);
  SiteSettings settings;
  settings.destino = "<compras@empresa.pt>; fantasma@empresa.pt";
  // A bad optional key is replaced by its default; the line that says so
  // heads the message and the run log.
  settings.extra =
      sink.SettingsSection() + "[Motor]\r\nCoberturaMaxima=muitos\r\n";
  site_.WriteSettings(settings);
  const ProgramResult r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_EQ(TableRows().size(), 3u);
  const std::vector<MailSink::Received> mail = sink.Messages();
  ASSERT_EQ(mail.size(), 1u);
  EXPECT_EQ(mail[0].rcpt_tos, std::vector<std::string>{"compras@empresa.pt"});
  // At the top: before the summary.
  EXPECT_LT(mail[0].text.find("AVISO: "),
            mail[0].text.find("Artigos na proposta"));
  EXPECT_NE(mail[0].text.find("CoberturaMaxima"), std::string::npos);
  ASSERT_EQ(mail[0].attachment_paths.size(), 1u);
  const std::string log = site_.LogText();
  EXPECT_NE(
      log.find("] [Motor] CoberturaMaxima=muitos em " + site_.settings_path() +
               ": não é um número 0 ou mais; usa-se 365\r\n"),
      std::string::npos)
      << log;
  EXPECT_NE(log.find("] Relatório de encomendas não entregue a "
                     "fantasma@empresa.pt: o servidor recusou-o ([email] "
                     "Destino): 550 5.1.1 <fantasma@empresa.pt>: caixa de "
                     "correio inexistente\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("] Relatório de encomendas enviado por e-mail a 1 "
                     "destinatário ("),
            std::string::npos)
      << log;
}

// A start-up that fails once the settings are read (here the log folder)
// alerts the recipients too; the exit code stays 2.
TEST_F(ReportRunTest, StartUpFailureAfterTheSettingsSendsTheAlert) {
  MailSink sink;
  SiteSettings settings;
  settings.destino = "admin@empresa.pt";
  settings.log_folder = site_.base() + "/sem_pasta";
  settings.extra = sink.SettingsSection();
  site_.WriteSettings(settings);
  const ProgramResult r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 2) << r.err;
  const std::vector<MailSink::Received> mail = sink.Messages();
  ASSERT_EQ(mail.size(), 1u);
  EXPECT_EQ(mail[0].subject.rfind(MorningReport::kAlertSubject, 0), 0u);
  EXPECT_NE(mail[0].text.find("sem_pasta"), std::string::npos) << mail[0].text;
}

// A server that stops reading after DATA: the run ends within the wait of
// [BD] TempoEspera, the table written, exit code 3. A server that repeats
// the AUTH LOGIN it was sent: no password reaches the log or the error
// stream, in any encoding, whatever it is made of; the reply is logged by
// its code.
TEST_F(ReportRunTest, MisbehavingServersNeitherHangTheRunNorLeakPasswords) {
  SiteSettings settings;
  settings.destino = "compras@empresa.pt";
  {
    MailSink::Options options;
    options.misbehave = "stall";
    MailSink sink(options);
    settings.extra = sink.SettingsSection() + "[BD]\r\nTempoEspera=2\r\n";
    site_.WriteSettings(settings);
    const auto start = std::chrono::steady_clock::now();
    const ProgramResult r = site_.Run({"/S"});
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::seconds(30));
    EXPECT_EQ(r.exit_code, 3) << r.err;
    EXPECT_EQ(TableRows().size(), 3u);
    EXPECT_NE(site_.LogText().find("TempoEspera"), std::string::npos)
        << site_.LogText();
  }
  for (const std::string password : {"*", "****", "Sup3rS3cr3t!"}) {
    MailSink::Options options;
    options.misbehave = "echo-auth";
    options.user = "vor";
    options.password = password;
    MailSink sink(options);
    settings.extra = sink.SettingsSection();
    site_.WriteSettings(settings);
    const ProgramResult r = site_.Run({"/S"});
    EXPECT_EQ(r.exit_code, 3) << r.err;
    const std::string log = site_.LogText();
    EXPECT_NE(log.find("(resposta do servidor: 535 (texto da resposta ao "
                       "AUTH omitido))\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("credenciais"), std::string::npos) << log;
    std::string encoded = Base64(password);
    ExpectNoPassword(r, encoded);
    ExpectNoPassword(r, encoded.substr(0, encoded.find('=')));
    if (password.find('*') != std::string::npos) continue;
    // Plain, hex in either case, URL-encoded, base64 of "user:password".
    std::string hex, upper_hex, url;
    for (const unsigned char c : password) {
      char piece[4];
      std::snprintf(piece, sizeof piece, "%02x", c);
      hex += piece;
      std::snprintf(piece, sizeof piece, "%02X", c);
      upper_hex += piece;
      url += std::isalnum(c) ? std::string(1, static_cast<char>(c))
                             : "%" + std::string(piece);
    }
    for (const std::string& form :
         {password, hex, upper_hex, url, Base64("vor:" + password)}) {
      ExpectNoPassword(r, form);
    }
  }
}

// A server that reads the message slowly but steadily, longer than
// [BD] TempoEspera in all: it is waited for, and the report delivered.
TEST_F(ReportRunTest, ASlowButSteadyServerGetsTheReport) {
  MailSink::Options options;
  options.misbehave = "slow";
  options.read_rate = 6000;
  MailSink sink(options);
  SiteSettings settings;
  settings.destino = "compras@empresa.pt";
  settings.extra = sink.SettingsSection() + "[BD]\r\nTempoEspera=2\r\n";
  site_.WriteSettings(settings);
  const auto start = std::chrono::steady_clock::now();
  const ProgramResult r = site_.Run({"/S"});
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.exit_code, 0) << r.err << site_.LogText();
  EXPECT_EQ(r.err, "");
  const std::vector<MailSink::Received> mail = sink.Messages();
  ASSERT_EQ(mail.size(), 1u);
  EXPECT_EQ(mail[0].attachment_paths.size(), 1u);
  // The message took the server longer than the wait to read.
  EXPECT_GT(took, std::chrono::seconds(3));
  EXPECT_GT(ReadFile(mail[0].eml_path).size(), 3u * 6000);
  EXPECT_TRUE(std::regex_search(
      LastMessage(site_.LogText(), 1),
      std::regex("^Relatório de encomendas enviado por e-mail a 1 "
                 "destinatário")))
      << site_.LogText();
}

// A subject of 2 000 characters (ASCII, folded at its blanks) and a long
// sender's name with accents and a word longer than a line (encoded
// words): every header line short, each read back as it was written.
TEST_F(ReportRunTest, LongSubjectAndSenderNameAreFolded) {
  MailSink sink;
  std::string subject;
  while (subject.size() < 2000) subject += "Encomendas semanais do armazem ";
  subject.resize(2000);
  while (subject.back() == ' ') subject.back() = 'x';
  std::string name;
  for (int i = 0; i < 40; ++i) name += "Compras Fábrica ";
  name += std::string(300, 'N') + " São João";
  SiteSettings settings;
  settings.assunto = subject;
  settings.destino = "compras@empresa.pt";
  settings.extra = std::regex_replace(sink.SettingsSection(),
                                      std::regex("NomeEmissor=[^\r]*"),
                                      "NomeEmissor=" + name);
  site_.WriteSettings(settings);
  const ProgramResult r = site_.Run({"/S"});
  ASSERT_EQ(r.exit_code, 0) << r.err << site_.LogText();
  const std::vector<MailSink::Received> mail = sink.Messages();
  ASSERT_EQ(mail.size(), 1u);
  EXPECT_EQ(mail[0].subject.substr(0, subject.size() + 3), subject + " - ");
  EXPECT_EQ(mail[0].subject.size(), subject.size() + 13);
  EXPECT_EQ(mail[0].from, name + " <vor@empresa.pt>");
  const std::string eml = ReadFile(mail[0].eml_path);
  const size_t headers_end = eml.find("\r\n\r\n");
  size_t longest = 0;
  for (size_t start = 0, end; start < headers_end; start = end + 2) {
    end = eml.find("\r\n", start);
    longest = std::max(longest, end - start);
  }
  EXPECT_LE(longest, 78u) << eml.substr(0, headers_end);
  for (size_t start = 0, end;
       (end = eml.find("\r\n", start)) != std::string::npos; start = end + 2) {
    ASSERT_LE(end - start, 998u) << eml.substr(start, 200);
  }
}

// A bare server that misbehaves as `mode` says (MailSink::Options), and
// the sender's settings for it.
struct BareServer {
  explicit BareServer(const std::string& mode)
      : sink([&] {
          MailSink::Options options;
          options.misbehave = mode;
          return options;
        }()) {
    smtp.servidor = "127.0.0.1";
    smtp.porta = std::to_string(sink.port());
    smtp.email_emissor = "vor@empresa.pt";
  }
  MailSink sink;
  SmtpSettings smtp;
};

// A message larger than the socket buffers to a server that stopped
// reading: the send gives up after the wait, instead of blocking.
TEST(SmtpSenderTest, AStalledTransferEndsAfterTheWait) {
  const BareServer server("stall");
  const SmtpSettings& smtp = server.smtp;
  const std::string message(24 << 20, 'x');
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(SmtpSender::Send(smtp, 2, {"a@empresa.pt"}, message), Error);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

// A server that reads the whole message but never answers its end: the
// send waits until the session's deadline, then says the delivery is
// uncertain, naming the server and the deadline, instead of a failure.
TEST(SmtpSenderTest, AnUnansweredEndOfMessageIsAnUncertainDelivery) {
  const BareServer server("mute");
  const SmtpSettings& smtp = server.smtp;
  const auto start = std::chrono::steady_clock::now();
  const SmtpSender::Outcome sent =
      SmtpSender::Send(smtp, 1, {"a@empresa.pt"}, "Subject: x\r\n\r\nx\r\n");
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::seconds(9));
  EXPECT_LT(took, std::chrono::seconds(15));
  EXPECT_TRUE(sent.refused.empty());
  EXPECT_EQ(sent.uncertain.rfind("servidor 127.0.0.1, porta " + smtp.porta +
                                     ": a mensagem seguiu inteira, mas o "
                                     "servidor não confirmou a receção: o "
                                     "envio passou do prazo total de 9 s",
                                 0),
            0u)
      << sent.uncertain;
}

// A report folder others may write to, given relative to the settings
// file: links planted on the names the drop could use are replaced, never
// followed; a temporary file a killed drop left is removed.
TEST_F(ReportRunTest, PlantedLinksAreNotFollowedAndLeftoversGo) {
  const std::string drop = site_.settings_folder() + "/relatorios";
  fs::create_directory(drop);
  fs::permissions(drop, fs::perms::all | fs::perms::sticky_bit);
  const std::string outside = site_.base() + "/alvo";
  std::ofstream(outside) << "intocado";
  const std::string leftover =
      drop + "/.Proposta_20260101_063000.xlsx.AbCdEfGhIjKl.vortmp";
  std::ofstream(leftover) << "meio ficheiro";
  // Every name of the next minute, as the run's start names its file.
  const auto now = std::chrono::system_clock::now();
  for (int s = 0; s < 60; ++s) {
    const std::time_t t =
        std::chrono::system_clock::to_time_t(now + std::chrono::seconds(s));
    char name[64];
    std::strftime(name, sizeof name, "Proposta_%Y%m%d_%H%M%S.xlsx",
                  std::localtime(&t));
    fs::create_symlink(outside, drop + "/" + name);
  }
  SiteSettings settings;
  settings.extra = "[Relatorio]\r\nPasta=relatorios\r\n";
  site_.WriteSettings(settings);
  const ProgramResult r = site_.Run({"/S"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFile(outside), "intocado");
  EXPECT_FALSE(fs::exists(leftover));
  int files = 0;
  for (const auto& entry : fs::directory_iterator(drop)) {
    if (entry.is_symlink()) continue;
    if (entry.path().filename().string().starts_with("Encomenda ")) {
      EXPECT_NE(site_.LogText().find("] Encomendas por fornecedor: 2 "
                                     "ficheiros gravados em " +
                                     drop + "\r\n"),
                std::string::npos);
      continue;
    }
    ++files;
    EXPECT_TRUE(entry.is_regular_file()) << entry.path();
    EXPECT_NE(site_.LogText().find("] Relatório de encomendas gravado em " +
                                   entry.path().string() + "\r\n"),
              std::string::npos)
        << site_.LogText();
  }
  EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace vor
