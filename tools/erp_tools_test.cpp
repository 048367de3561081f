// The demo ERP generator and the vor-demo-erp program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "testing/temp_folder.h"
#include "tools/demo_erp_generator.h"
#include "tools/erp_fixture.h"

namespace vor {
namespace {

using namespace std::chrono_literals;

constexpr std::chrono::year_month_day kToday{std::chrono::year{2026},
                                             std::chrono::March, 15d};

const std::vector<std::string> kTables = {"Fornec",
                                          "ARTIGOS",
                                          "CLART",
                                          "AJUDACMP",
                                          "DOCGCCAB",
                                          "DOCGCLIN",
                                          "zlx_VOR_Artigos",
                                          "zlx_FichaEstrutura",
                                          "zlx_VOR_OrdensFabrico"};

// FNV-1a over every cell of every table, in stored order.
std::uint64_t ContentChecksum(ErpFixture& erp) {
  std::uint64_t hash = 1469598103934665603ULL;
  auto add = [&hash](const std::string& text, char separator) {
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ULL;
    hash = (hash ^ static_cast<unsigned char>(separator)) * 1099511628211ULL;
  };
  for (const std::string& table : kTables) {
    add(table, '\x1d');
    for (const auto& row :
         erp.Query("select * from [" + table + "] order by rowid")) {
      for (const std::string& cell : row) add(cell, '\x1f');
      add("", '\x1e');
    }
  }
  return hash;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

long long Count(ErpFixture& erp, const std::string& sql) {
  return std::stoll(erp.Scalar("select count(*) " + sql));
}

TEST(GenerateDemoErpTest, SameSeedSameContentOtherSeedOtherContent) {
  TempFolder dir;
  const DemoErpSummary a =
      GenerateDemoErp(dir.File("a.sqlite"), 300, 11, kToday);
  const DemoErpSummary b =
      GenerateDemoErp(dir.File("b.sqlite"), 300, 11, kToday);
  GenerateDemoErp(dir.File("c.sqlite"), 300, 12, kToday);
  EXPECT_EQ(a.ToString(), b.ToString());
  ErpFixture ea(dir.File("a.sqlite")), eb(dir.File("b.sqlite")),
      ec(dir.File("c.sqlite"));
  EXPECT_EQ(ContentChecksum(ea), ContentChecksum(eb));
  EXPECT_NE(ContentChecksum(ea), ContentChecksum(ec));
  EXPECT_EQ(FileBytes(dir.File("a.sqlite")), FileBytes(dir.File("b.sqlite")));
  // Another "today" moves the documents' dates only.
  GenerateDemoErp(dir.File("d.sqlite"), 300, 11,
                  std::chrono::year_month_day{std::chrono::sys_days{kToday} +
                                              std::chrono::days{1}});
  ErpFixture ed(dir.File("d.sqlite"));
  EXPECT_EQ(ea.Count("DOCGCLIN"), ed.Count("DOCGCLIN"));
  EXPECT_EQ(
      ea.Query("select date(substr(DATA, 1, 10), '+1 day') from DOCGCCAB order "
               "by rowid"),
      ed.Query("select substr(DATA, 1, 10) from DOCGCCAB order by rowid"));
}

TEST(GenerateDemoErpTest, RejectsBadCountsAndUnwritablePaths) {
  TempFolder dir;
  EXPECT_THROW(GenerateDemoErp(dir.File("x.sqlite"), 0, 1, kToday),
               std::invalid_argument);
  EXPECT_THROW(
      GenerateDemoErp(dir.File("x.sqlite"), kMaxDemoArticles + 1, 1, kToday),
      std::invalid_argument);
  const std::string path = dir.File("no/such/folder/x.sqlite");
  try {
    GenerateDemoErp(path, 10, 1, kToday);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
  // A tiny ERP is still complete.
  GenerateDemoErp(dir.File("one.sqlite"), 1, 1, kToday);
  ErpFixture one(dir.File("one.sqlite"));
  EXPECT_EQ(one.Count("ARTIGOS"), 3);  // one bought, one product, one assembly
}

// One 1 000-article demo shared by the coverage tests.
class DemoErpContentTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempFolder();
    summary_ =
        GenerateDemoErp(dir_->File("demo.sqlite"), 1000, 20260315, kToday);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  ErpFixture erp_{dir_->File("demo.sqlite")};
  static TempFolder* dir_;
  static DemoErpSummary summary_;
};

TempFolder* DemoErpContentTest::dir_ = nullptr;
DemoErpSummary DemoErpContentTest::summary_;

TEST_F(DemoErpContentTest, SummaryCountsAndProportions) {
  const std::map<std::string, long long> expected = {
      {"ARTIGOS", summary_.artigos},
      {"Fornec", summary_.fornec},
      {"CLART", summary_.clart},
      {"AJUDACMP", summary_.ajudacmp},
      {"DOCGCCAB", summary_.docgccab},
      {"DOCGCLIN", summary_.docgclin},
      {"zlx_VOR_Artigos", summary_.vor_artigos},
      {"zlx_FichaEstrutura", summary_.ficha_estrutura},
      {"zlx_VOR_OrdensFabrico", summary_.ordens_fabrico}};
  for (const auto& [table, count] : expected)
    EXPECT_EQ(erp_.Count(table), count) << table;

  EXPECT_EQ(Count(erp_, "from zlx_VOR_Artigos where TipoArtigo = 1"),
            summary_.vor_artigos - 150);
  EXPECT_EQ(Count(erp_, "from zlx_VOR_Artigos where TipoArtigo in (0, 2)"),
            150);
  EXPECT_EQ(summary_.artigos, 1150);
  const long long customer_lines =
      Count(erp_,
            "from DOCGCLIN l join DOCGCCAB c on c.NNUMDOC = l.NNUMDOC and "
            "c.TPDOC = l.TPDOCUM "
            "and c.SERIE = l.SERIE and c.ANO = l.ANO where c.AREAG = 2 and "
            "c.TPTERC = 2");
  const long long supplier_lines =
      Count(erp_,
            "from DOCGCLIN l join DOCGCCAB c on c.NNUMDOC = l.NNUMDOC and "
            "c.TPDOC = l.TPDOCUM "
            "and c.SERIE = l.SERIE and c.ANO = l.ANO where c.AREAG = 2 and "
            "c.TPTERC = 1");
  EXPECT_GE(customer_lines, 3 * 1150);
  EXPECT_LT(customer_lines, 3 * 1150 + 10);
  EXPECT_GE(supplier_lines, 1500);
  EXPECT_LT(supplier_lines, 1510);
  // Every line has its header.
  EXPECT_EQ(
      Count(erp_,
            "from DOCGCLIN l left join DOCGCCAB c on c.NNUMDOC = l.NNUMDOC and "
            "c.TPDOC = l.TPDOCUM and c.SERIE = l.SERIE and c.ANO = l.ANO "
            "where c.NNUMDOC is null"),
      0);
}

TEST_F(DemoErpContentTest, TextsFitTheirColumns) {
  EXPECT_EQ(
      Count(
          erp_,
          "from ARTIGOS where length(CODIGO) > 15 or length(NOME) > 80 or "
          "length(Fornec) > 15 or length(Grupo) > 6 or length(Familia) > 6 or "
          "length(SubFamil) > 6 or length(UnBase) > 3 or length(UnCmp) > 3"),
      0);
  EXPECT_EQ(Count(erp_, "from Fornec where length(Nome) > 80"), 0);
  EXPECT_EQ(Count(erp_, "from ARTIGOS where CODIGO like '%''%'"), 1);
}

TEST_F(DemoErpContentTest, ArticlesCoverEveryIntakeBranch) {
  const char* bought =
      "from ARTIGOS a join zlx_VOR_Artigos x on x.Artigo = a.CODIGO where "
      "x.TipoArtigo = 1 and ";
  for (const char* condition :
       {"StMin = 0",
        "StMin > 0",
        "Fornec = ''",
        "Fornec is null",
        "Inactivo = -1",
        "ArtouDes <> 0",
        "QtMinCom = 0",
        "QtMinCom > 0",
        "DiasSkRs = 0",
        "stdisp < 0",
        "StMin > 0 and stdisp < StMin",
        "StMin > 0 and stdisp >= StMin",
        "Fornec > '' and not exists (select 1 from Fornec f where f.Codigo = "
        "a.Fornec)",
        "UnBase <> UnCmp collate binary and upper(UnBase) = upper(UnCmp)",
        "upper(UnBase) <> upper(UnCmp) and FactEmb = 0",
        "upper(UnBase) <> upper(UnCmp) and FactEmb > 1",
        "UnBase = UnCmp collate binary",
        "UnCmp is null",
        "UnCmp = ''",
        "UltPrCom = 0"}) {
    EXPECT_GT(Count(erp_, std::string(bought) + condition), 0) << condition;
  }
  EXPECT_GT(
      Count(erp_,
            "from ARTIGOS a where not exists (select 1 from zlx_VOR_Artigos x "
            "where x.Artigo = a.CODIGO)"),
      0);
  // Aggregated-article lists.
  for (const char* condition :
       {"CL10 like '%;'", "CL10 like '%XX%'", "CL10 like '%;%'",
        "CL10 glob '*mp[0-9]*'", "CL10 = ''", "CL10 is null"}) {
    EXPECT_GT(Count(erp_, std::string("from CLART where ") + condition), 0)
        << condition;
  }
  // Supplier prices: most articles with differing units have one.
  const char* differ =
      "from ARTIGOS a where upper(a.UnBase) <> upper(a.UnCmp) and a.Fornec > "
      "'' and ";
  const long long with =
      Count(erp_, std::string(differ) +
                      "exists (select 1 from AJUDACMP p where p.ARTIGO = "
                      "a.CODIGO and p.FORNECED = a.Fornec)");
  const long long without =
      Count(erp_, std::string(differ) +
                      "not exists (select 1 from AJUDACMP p where "
                      "p.ARTIGO = a.CODIGO and p.FORNECED = a.Fornec)");
  EXPECT_GT(without, 0);
  EXPECT_GT(with, 4 * without);
  EXPECT_GT(Count(erp_, "from AJUDACMP where PRPROX is null"), 0);
}

TEST_F(DemoErpContentTest, DocumentsCoverEveryOrderFilter) {
  const char* lines =
      "from DOCGCLIN l join DOCGCCAB c on c.NNUMDOC = l.NNUMDOC and c.TPDOC = "
      "l.TPDOCUM and "
      "c.SERIE = l.SERIE and c.ANO = l.ANO where ";
  for (const char* condition :
       {"c.TPTERC = 2 and c.AREAG = 2 and c.nvias = -1",
        "c.TPTERC = 2 and c.AREAG = 2 and c.[convert] = -1",
        "c.TPTERC = 2 and c.AREAG = 2 and c.SERIE = 0",
        "c.TPTERC = 2 and c.AREAG = 2 and l.QUANT = 0",
        "c.TPTERC = 2 and c.AREAG = 2 and l.QUANT < 0",
        "c.TPTERC = 2 and c.AREAG = 2 and (l.ARTIGO = '' or l.ARTIGO is null)",
        "c.TPTERC = 2 and c.AREAG = 2 and c.DATA < '2025-06-15'",
        "c.TPTERC = 2 and c.AREAG = 2 and c.DATA >= '2025-06-15'",
        "c.TPTERC = 2 and c.AREAG = 2 and l.ARTIGO like 'PA%'",
        "c.TPTERC = 2 and c.AREAG = 2 and l.ARTIGO like 'CJ%'",
        "c.TPTERC = 1 and c.AREAG = 2 and c.nvias = -1",
        "c.TPTERC = 1 and c.AREAG = 2 and c.nvias <> -1", "c.AREAG = 1",
        "length(c.DATA) = 19", "length(c.DATA) = 10"}) {
    EXPECT_GT(Count(erp_, std::string(lines) + condition), 0) << condition;
  }
  EXPECT_EQ(
      erp_.Scalar("select min(substr(DATA, 1, 10)) >= '2025-03-16' and "
                  "max(substr(DATA, 1, 10)) <= '2026-03-15' from DOCGCCAB"),
      "1");
  EXPECT_EQ(
      Count(erp_,
            "from DOCGCCAB where ANO <> cast(substr(DATA, 1, 4) as integer)"),
      0);
}

TEST_F(DemoErpContentTest,
       StructuresAreAcyclicMultiLevelAndOrdersCoverEveryState) {
  std::map<std::string, std::vector<std::pair<std::string, std::string>>>
      children;
  for (const auto& row : erp_.Query("select upper(PRODUTO), upper(CODIGO), "
                                    "Tipo from zlx_FichaEstrutura")) {
    children[row[0]].emplace_back(row[1], row[2]);
  }
  // Depth of the deepest path below a code; fails on a cycle.
  std::map<std::string, int> depth;
  std::set<std::string> on_path;
  std::function<int(const std::string&)> walk =
      [&](const std::string& code) -> int {
    if (auto it = depth.find(code); it != depth.end()) return it->second;
    if (!on_path.insert(code).second) {
      ADD_FAILURE() << "cycle through " << code;
      return 0;
    }
    int deepest = 0;
    for (const auto& [child, tipo] : children[code]) {
      if (tipo == "CJ") {
        EXPECT_TRUE(children.count(child)) << child << " has no structure";
        deepest = std::max(deepest, walk(child));
      }
    }
    on_path.erase(code);
    return depth[code] = deepest + 1;
  };
  int three_levels = 0;
  for (const auto& [code, unused] : children) three_levels += walk(code) >= 3;
  EXPECT_GT(three_levels, 0);

  EXPECT_GT(Count(erp_, "from zlx_FichaEstrutura where Tipo = 'CJ'"), 0);
  EXPECT_GT(Count(erp_,
                  "from zlx_FichaEstrutura where Quantidade <> cast(Quantidade "
                  "as integer)"),
            0);
  // Article lines name bought articles only.
  EXPECT_EQ(
      Count(
          erp_,
          "from zlx_FichaEstrutura f where Tipo = 'AT' and (not exists (select "
          "1 "
          "from ARTIGOS a where a.CODIGO = f.CODIGO) or exists (select 1 from "
          "zlx_VOR_Artigos x where x.Artigo = f.CODIGO and x.TipoArtigo <> "
          "1))"),
      0);
  EXPECT_GT(
      Count(erp_,
            "from (select PRODUTO from zlx_FichaEstrutura group by PRODUTO "
            "having count(distinct FichaEstrutura) = 2)"),
      0);
  EXPECT_GT(Count(erp_, "from zlx_VOR_Artigos where EstruturaBase = 'V02'"), 0);
  EXPECT_GT(Count(erp_,
                  "from zlx_VOR_Artigos x where TipoArtigo = 2 and not exists "
                  "(select 1 from "
                  "zlx_FichaEstrutura f where f.PRODUTO = x.Artigo and "
                  "f.FichaEstrutura = x.EstruturaBase)"),
            0);

  for (int estado = 0; estado <= 4; ++estado) {
    EXPECT_GT(Count(erp_, "from zlx_VOR_OrdensFabrico where estado = " +
                              std::to_string(estado)),
              0)
        << estado;
  }
  EXPECT_GT(
      Count(
          erp_,
          "from zlx_VOR_OrdensFabrico where estado < 3 and QtdEntregue = Qtd"),
      0);
  EXPECT_GT(
      Count(
          erp_,
          "from zlx_VOR_OrdensFabrico where estado < 3 and QtdEntregue < Qtd"),
      0);
  EXPECT_EQ(
      Count(erp_,
            "from zlx_VOR_OrdensFabrico o where not exists (select 1 from "
            "zlx_FichaEstrutura f where f.PRODUTO = o.Artigo and "
            "f.FichaEstrutura = o.FichaEstrutura)"),
      0);
}

// Runs vor-demo-erp with `args`; returns the exit code, fills out and err.
int RunProgram(const TempFolder& dir, const std::string& args, std::string& out,
               std::string& err) {
  const std::string command = std::string("'") + VOR_DEMO_ERP_EXE + "' " +
                              args + " >'" + dir.File("out.txt") + "' 2>'" +
                              dir.File("err.txt") + "'";
  const int status = std::system(command.c_str());
  out = FileBytes(dir.File("out.txt"));
  err = FileBytes(dir.File("err.txt"));
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(VorDemoErpProgramTest, WritesTheSameFileAsTheLibraryAndSaysWhat) {
  TempFolder dir;
  std::string out, err;
  const std::string file = dir.File("demo.sqlite");
  ASSERT_EQ(
      RunProgram(dir,
                 "--articles 200 --seed 5 --today 2026-03-15 '" + file + "'",
                 out, err),
      0)
      << err;
  const DemoErpSummary summary =
      GenerateDemoErp(dir.File("lib.sqlite"), 200, 5, kToday);
  EXPECT_EQ(out, file + ": " + summary.ToString() + "\n");
  EXPECT_EQ(err, "");
  EXPECT_EQ(FileBytes(file), FileBytes(dir.File("lib.sqlite")));
}

TEST(VorDemoErpProgramTest, BadArgumentsEndWithCode2AndAMessage) {
  TempFolder dir;
  const std::string file = " '" + dir.File("x.sqlite") + "'";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"--articles 100", "falta o ficheiro"},
      {"--articles 0" + file, "--articles '0'"},
      {"--articles 12x" + file, "--articles '12x'"},
      {"--seed -1" + file, "--seed '-1'"},
      {"--seed 4294967296" + file, "--seed '4294967296'"},
      {"--today 2026-02-30" + file, "--today '2026-02-30'"},
      {"--seed", "falta o valor de --seed"},
      {"--size 3" + file, "opção desconhecida '--size'"},
      {"a.sqlite b.sqlite", "só pode indicar um ficheiro"},
      {"--articles 5 '" + dir.File("none/x.sqlite") + "'",
       dir.File("none/x.sqlite")},
  };
  for (const auto& [args, message] : cases) {
    std::string out, err;
    EXPECT_EQ(RunProgram(dir, args, out, err), 2) << args;
    EXPECT_NE(err.find(message), std::string::npos) << args << "\n" << err;
    EXPECT_EQ(out, "") << args;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.sqlite")));
}

}  // namespace
}  // namespace vor
