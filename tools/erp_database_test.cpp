#include "tools/erp_database.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <stdexcept>

#include "db/result_table.h"
#include "testing/temp_folder.h"
#include "tools/erp_fixture.h"
#include "tools/sqlite_session.h"

namespace vor {
namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(SplitSqlScriptTest, SplitsOnlyOutsideQuotesAndComments) {
  const auto parts = SplitSqlScript(
      "-- heading; not a statement\n"
      "CREATE TABLE a (x TEXT DEFAULT 'p;q''r;');\n"
      "/* block; comment */ ;;\n"
      "INSERT INTO [odd;name] VALUES (\"x;y\")");
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_NE(parts[0].find("DEFAULT 'p;q''r;')"), std::string::npos);
  EXPECT_NE(parts[1].find("INSERT INTO [odd;name] VALUES (\"x;y\")"),
            std::string::npos);
  EXPECT_TRUE(SplitSqlScript("  -- only a comment;\n /* ; */ ").empty());
}

// Columns the program's SQL texts name, per table.
const std::map<std::string, std::vector<std::string>>& NamedColumns() {
  static const std::map<std::string, std::vector<std::string>> columns = {
      {"ARTIGOS",
       {"CODIGO", "NOME", "stdisp", "StMin", "Grupo", "Familia", "SubFamil",
        "QtMinCom", "DiasSkRs", "PrzEntVn", "Fornec", "UnBase", "UnCmp",
        "FactEmb", "UltPrCom", "ArtouDes", "Inactivo"}},
      {"Fornec", {"Codigo", "Nome"}},
      {"CLART", {"Codigo", "CL10"}},
      {"AJUDACMP", {"ARTIGO", "FORNECED", "PRPROX", "DESCPROX"}},
      {"DOCGCCAB",
       {"NNUMDOC", "TPDOC", "SERIE", "ANO", "AREAG", "TPTERC", "DATA", "nvias",
        "convert"}},
      {"DOCGCLIN", {"NNUMDOC", "TPDOCUM", "SERIE", "ANO", "ARTIGO", "QUANT"}},
      {"zlx_VOR_Artigos", {"Artigo", "TipoArtigo", "EstruturaBase"}},
      {"zlx_FichaEstrutura",
       {"PRODUTO", "FichaEstrutura", "CODIGO", "Tipo", "Quantidade"}},
      {"zlx_VOR_OrdensFabrico",
       {"Artigo", "FichaEstrutura", "Qtd", "QtdEntregue", "estado"}},
  };
  return columns;
}

// name -> declared type of every column of a table, names in capitals.
std::map<std::string, std::string> Columns(ErpFixture& erp,
                                           const std::string& table) {
  std::map<std::string, std::string> out;
  for (const auto& row : erp.Query("PRAGMA table_info([" + table + "])")) {
    std::string name = row[1];
    for (char& c : name) c = static_cast<char>(std::toupper(c));
    out[name] = row[2];
  }
  return out;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(c));
  return s;
}

class ErpSchemaTest : public ::testing::Test {
 protected:
  TempFolder dir_;
  ErpFixture erp_ = ErpFixture::CreateNew(dir_.File("erp.sqlite"));
};

TEST_F(ErpSchemaTest, HasEveryTableAndColumnTheQueriesName) {
  for (const auto& [table, names] : NamedColumns()) {
    const auto columns = Columns(erp_, table);
    ASSERT_FALSE(columns.empty()) << table;
    for (const std::string& name : names) {
      EXPECT_TRUE(columns.count(Upper(name))) << table << "." << name;
    }
  }
  // Names written without a table prefix must be unique within their joins.
  for (const char* unprefixed : {"NVIAS", "CONVERT"}) {
    EXPECT_FALSE(Columns(erp_, "DOCGCLIN").count(unprefixed));
    EXPECT_FALSE(Columns(erp_, "zlx_VOR_Artigos").count(unprefixed));
  }
  for (const char* table : {"Fornec", "CLART", "zlx_VOR_Artigos"}) {
    for (const char* name :
         {"STMIN", "GRUPO", "FAMILIA", "SUBFAMIL", "QTMINCOM", "DIASSKRS",
          "PRZENTVN", "FORNEC", "UNBASE", "UNCMP", "FACTEMB", "ULTPRCOM",
          "ARTOUDES"}) {
      EXPECT_FALSE(Columns(erp_, table).count(name)) << table << "." << name;
    }
  }
}

TEST_F(ErpSchemaTest, TextSizesMatchTheResultTable) {
  auto artigos = Columns(erp_, "ARTIGOS");
  EXPECT_EQ(artigos["CODIGO"], "VARCHAR(15)");
  EXPECT_EQ(artigos["NOME"], "VARCHAR(80)");
  EXPECT_EQ(artigos["FORNEC"], "VARCHAR(15)");
  for (const char* c : {"GRUPO", "FAMILIA", "SUBFAMIL"}) {
    EXPECT_EQ(artigos[c], "VARCHAR(6)") << c;
  }
  EXPECT_EQ(artigos["UNBASE"], "VARCHAR(3)");
  EXPECT_EQ(artigos["UNCMP"], "VARCHAR(3)");
  EXPECT_EQ(Columns(erp_, "Fornec")["NOME"], "VARCHAR(80)");
}

// The declared type of a result column in the SQLite schema: text columns
// of their size, fixed-point numbers of four places.
std::string SqliteType(const ResultColumn& column) {
  switch (column.type) {
    case FieldType::kText:
      return "VARCHAR(" + std::to_string(column.size) + ")";
    case FieldType::kBoolean:
      return "BOOLEAN";
    case FieldType::kSmallInt:
      return "SMALLINT";
    default:
      return "DECIMAL(19,4)";
  }
}

// The same in the SQL Server script.
std::string SqlServerType(const ResultColumn& column) {
  switch (column.type) {
    case FieldType::kText:
      return "varchar(" + std::to_string(column.size) + ")";
    case FieldType::kBoolean:
      return "bit";
    case FieldType::kSmallInt:
      return "smallint";
    default:
      return "numeric(19,4)";
  }
}

TEST_F(ErpSchemaTest, ResultTableHasThe32ColumnsInOrder) {
  // The program's layout of the table, as both scripts must declare it.
  ASSERT_EQ(kResultFields.size(), 32u);
  const Rows info = erp_.Query("PRAGMA table_info(zlx_VOR_Encomendas)");
  ASSERT_EQ(info.size(), kResultFields.size());
  for (std::size_t i = 0; i < info.size(); ++i) {
    const ResultColumn& want = kResultFields[i];
    EXPECT_EQ(info[i][1], want.name) << i;
    EXPECT_EQ(info[i][2], SqliteType(want)) << want.name;
  }
  // A few declarations spelled out, should the layout itself go wrong.
  EXPECT_EQ(info[0][2], "VARCHAR(15)");
  EXPECT_EQ(info[15][2], "BOOLEAN");
  EXPECT_EQ(info[31][2], "VARCHAR(1)");
  // The same columns, in the same order, in the SQL Server script, with bit
  // for Sel and numeric(19,4) for every decimal.
  const std::string script = SqlServerZlxScript();
  const auto start = script.find("CREATE TABLE dbo.zlx_VOR_Encomendas (");
  ASSERT_NE(start, std::string::npos);
  const std::string body =
      script.substr(start, script.find(");", start) - start);
  std::regex column(R"(\n\s+(\w+)\s+(\w+(?:\(\d+(?:,\d+)?\))?)\s+NULL)");
  std::vector<std::pair<std::string, std::string>> tsql;
  for (auto it = std::sregex_iterator(body.begin(), body.end(), column);
       it != std::sregex_iterator(); ++it) {
    tsql.emplace_back((*it)[1], (*it)[2]);
  }
  ASSERT_EQ(tsql.size(), kResultFields.size());
  for (std::size_t i = 0; i < tsql.size(); ++i) {
    EXPECT_EQ(tsql[i].first, kResultFields[i].name);
    EXPECT_EQ(tsql[i].second, SqlServerType(kResultFields[i])) << tsql[i].first;
  }
}

TEST(SqlServerScriptTest, GuardsEveryTableAndIndex) {
  const std::string script = SqlServerZlxScript();
  for (const char* table :
       {"zlx_VOR_Artigos", "zlx_FichaEstrutura", "zlx_VOR_OrdensFabrico",
        "zlx_VOR_Encomendas", "zlx_VOR_Historico", "zlx_VOR_Fornecedores"}) {
    EXPECT_NE(script.find(std::string("IF OBJECT_ID(N'dbo.") + table +
                          "', N'U') IS NULL"),
              std::string::npos)
        << table;
  }
  std::regex index(R"(CREATE NONCLUSTERED INDEX (\w+))");
  int indexes = 0;
  for (auto it = std::sregex_iterator(script.begin(), script.end(), index);
       it != std::sregex_iterator(); ++it, ++indexes) {
    EXPECT_NE(script.find("WHERE name = N'" + (*it)[1].str() + "'"),
              std::string::npos)
        << (*it)[1];
  }
  EXPECT_EQ(indexes, 6);
}

// Which query plans use which index: the per-article queries must not scan.
std::string Plan(ErpFixture& erp, const std::string& sql) {
  std::string plan;
  for (const auto& row : erp.Query("EXPLAIN QUERY PLAN " + sql)) {
    plan += row.back() + "\n";
  }
  return plan;
}

TEST_F(ErpSchemaTest, PerArticleQueriesUseIndexes) {
  EXPECT_NE(Plan(erp_,
                 " SELECT      coalesce(sum(l.QUANT),0) AS Qtd FROM         "
                 "DOCGCCAB as c INNER JOIN DOCGCLIN as l  ON c.NNUMDOC = "
                 "l.NNUMDOC AND c.TPDOC = l.TPDOCUM AND c.SERIE = l.SERIE AND "
                 "c.Ano = l.Ano Where (c.AREAG = 2) And (c.TPTERC = 1) and "
                 "l.Artigo='A1'  and c.nvias<>-1 group by l.Artigo")
                .find("IX_DOCGCLIN_ARTIGO"),
            std::string::npos);
  const std::string products = Plan(
      erp_,
      " SELECT  f.PRODUTO as Artigo ,coalesce((select fe.FichaEstrutura from "
      "zlx_FichaEstrutura as fe where Fe.Produto=f.Produto group by "
      "fe.FichaEstrutura  limit 1),'') as Versao From zlx_FichaEstrutura as f "
      " WHERE f.CODIGO ='A1'  GROUP BY f.PRODUTO ORDER BY f.PRODUTO ");
  EXPECT_NE(products.find("IX_zlx_FichaEstrutura_CODIGO"), std::string::npos);
  EXPECT_NE(products.find("IX_zlx_FichaEstrutura_PRODUTO"), std::string::npos);
  EXPECT_NE(Plan(erp_,
                 " SELECT        ARTIGO, PRPROX, DESCPROX From AJUDACMP WHERE  "
                 "      (ARTIGO = 'A1') AND (FORNECED = 'F1')")
                .find("IX_AJUDACMP_ARTIGO_FORNECED"),
            std::string::npos);
  EXPECT_NE(Plan(erp_, "Select stdisp from Artigos where Codigo='A1' ")
                .find("USING INDEX sqlite_autoindex_ARTIGOS_1"),
            std::string::npos);
  // One article over every stored run, for its chart.
  erp_.Exec(HistorySqliteSchema());
  EXPECT_NE(Plan(erp_,
                 "select Execucao, StkPrazo, StkMinimo, QtdUB from "
                 "zlx_VOR_Historico where Artigo = 'a1' order by Execucao")
                .find("IX_zlx_VOR_Historico_Artigo"),
            std::string::npos);
}

TEST_F(ErpSchemaTest, CodesCompareWithoutLetterCaseAndDatesAreIso) {
  erp_.AddArticle({.codigo = "MP001"});
  EXPECT_EQ(erp_.Scalar("select count(*) from ARTIGOS where CODIGO='mp001'"),
            "1");
  EXPECT_THROW(erp_.AddArticle({.codigo = "mp001"}), std::runtime_error);
  EXPECT_THROW(erp_.AddDocument({.ano = 2026, .data = "15/01/2026"}),
               std::runtime_error);
  EXPECT_NO_THROW(erp_.AddDocument({.data = "2026-01-15 10:20:30"}));
}

TEST(CreateErpDatabaseTest, ReplacesAnExistingFile) {
  TempFolder dir;
  const std::string path = dir.File("erp.sqlite");
  {
    ErpFixture erp = ErpFixture::CreateNew(path);
    erp.AddSupplier("F001");
  }
  CreateErpDatabase(path);
  ErpFixture erp(path);
  EXPECT_EQ(erp.Count("Fornec"), 0);
  EXPECT_EQ(erp.Count("zlx_VOR_Encomendas"), 0);
  EXPECT_FALSE(std::filesystem::exists(TemporaryPathFor(path)));
}

TEST(CreateErpDatabaseTest, FailureNamesThePathAndKeepsWhatWasThere) {
  TempFolder dir;
  try {
    CreateErpDatabase(dir.File("missing/erp.sqlite"));
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(dir.File("missing/erp.sqlite")),
              std::string::npos)
        << e.what();
  }
  // A folder in the way: the folder and its content stay.
  const std::string folder = dir.File("taken");
  std::filesystem::create_directories(folder + "/inner");
  EXPECT_THROW(CreateErpDatabase(folder), std::runtime_error);
  EXPECT_TRUE(std::filesystem::is_directory(folder + "/inner"));
  EXPECT_FALSE(std::filesystem::exists(TemporaryPathFor(folder)));
}

}  // namespace
}  // namespace vor
