// An ERP that lacks a table or a column the run relies on. On the reference
// ERP every query of a run returns rows, so each table and each column is
// needed; taking one away must stop the run (exit code 1) with the run log
// ending in an error that names it, and leave the result table as it was.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "output/result_writer.h"
#include "reliability/input_site.h"

namespace vor::input {
namespace {

// Columns of the ERP schema that no text of the run names: renaming them
// away changes nothing.
const std::set<std::string> kUnreadColumns = {"ARTIGOS.PVP1",
                                              "ARTIGOS.DataCria",
                                              "Fornec.NContrib",
                                              "Fornec.Localidade",
                                              "CLART.CL01",
                                              "AJUDACMP.PRULT",
                                              "AJUDACMP.DATAULT",
                                              "DOCGCCAB.TERCEIRO",
                                              "DOCGCLIN.NLINHA",
                                              "DOCGCLIN.DESCRICAO",
                                              "DOCGCLIN.PRECO",
                                              "zlx_VOR_OrdensFabrico.NumOF",
                                              "zlx_VOR_OrdensFabrico.DataOF"};

// Lower case of ASCII letters, for comparing names as the database does.
std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool ContainsNoCase(const std::string& text, const std::string& part) {
  return Lower(text).find(Lower(part)) != std::string::npos;
}

class SchemaInputTest : public ::testing::Test {
 protected:
  void SetUp() override { s_.WriteSettings(); }

  // A run that stops on the error: exit 1, the log's last line " <n> - "
  // and a text containing every one of `named` (any letter case), the
  // operator pointed at the log, the result table kept whole.
  void ExpectStopNaming(const Outcome& r,
                        const std::vector<std::string>& named) {
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_EQ(r.out, "");
    const std::string last = r.LastLog();
    EXPECT_EQ(last.rfind(" ", 0), 0u) << last;
    EXPECT_NE(last.find(" - "), std::string::npos) << last;
    for (const std::string& n : named) {
      EXPECT_TRUE(ContainsNoCase(last, n)) << "'" << n << "' in: " << last;
    }
    EXPECT_FALSE(r.LogHas("Emissão Mapas terminada"));
    EXPECT_NE(r.err.find("(ver o registo "), std::string::npos) << r.err;
    EXPECT_EQ(r.table_after, r.table_before);
  }

  // The ERP tables the run reads (every table but the result table).
  std::vector<std::string> ReadTables() {
    std::vector<std::string> tables;
    for (const auto& row :
         s_.erp().Query("select name from sqlite_master where type='table' and "
                        "name<>'zlx_VOR_Encomendas' order by name")) {
      tables.push_back(row[0]);
    }
    return tables;
  }
  std::vector<std::string> ColumnsOf(const std::string& table) {
    std::vector<std::string> columns;
    for (const auto& row : s_.erp().Query(
             "select name from pragma_table_info('" + table + "')")) {
      columns.push_back(row[0]);
    }
    return columns;
  }
  void RenameColumn(const std::string& table, const std::string& from,
                    const std::string& to) {
    s_.erp().Exec("alter table " + table + " rename column [" + from +
                  "] to [" + to + "]");
  }

  InputSite s_;
};

TEST_F(SchemaInputTest, EveryMissingTableStopsTheRunNamingIt) {
  const std::vector<std::string> tables = ReadTables();
  ASSERT_EQ(tables.size(), 9u);
  for (const std::string& table : tables) {
    SCOPED_TRACE(table);
    s_.erp().Exec("alter table " + table + " rename to " + table + "_x");
    ExpectStopNaming(s_.RunProgram("table " + table + " missing"),
                     {" 3604 - ", "no such table: " + table});
    s_.erp().Exec("alter table " + table + "_x rename to " + table);
  }
  // The result table itself: nothing to keep, the write names it.
  s_.erp().Exec("drop table zlx_VOR_Encomendas");
  const Outcome r = s_.RunProgram("table zlx_VOR_Encomendas missing");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(ContainsNoCase(r.LastLog(), "no such table: zlx_VOR_Encomendas"))
      << r.LastLog();
}

TEST_F(SchemaInputTest, EveryMissingColumnStopsTheRunNamingIt) {
  int needed = 0;
  for (const std::string& table : ReadTables()) {
    for (const std::string& column : ColumnsOf(table)) {
      SCOPED_TRACE(table + "." + column);
      // Renamed away: the name is gone, indexes and rows stay.
      RenameColumn(table, column, column + "_x");
      if (kUnreadColumns.count(table + "." + column) != 0) {
        const Outcome r = s_.RunProgram("");
        EXPECT_EQ(r.exit_code, 0) << r.LastLog();
        EXPECT_EQ(s_.Proposal(), InputSite::ReferenceProposal());
      } else {
        ++needed;
        ExpectStopNaming(
            s_.RunProgram("column " + table + "." + column + " missing"),
            {" 3604 - ", "no such column", column});
      }
      RenameColumn(table, column + "_x", column);
    }
  }
  // The columns of the ERP contract, all of them found in the schema.
  EXPECT_EQ(needed, 53);
}

TEST_F(SchemaInputTest, MissingResultColumnStopsTheWriteAndKeepsTheRows) {
  for (const ResultColumn& result_column : kResultFields) {
    const std::string_view name = result_column.name;
    const std::string column(name);
    SCOPED_TRACE(column);
    RenameColumn("zlx_VOR_Encomendas", column, column + "_x");
    // Error 3265 (missing field) shown above the object-error base.
    ExpectStopNaming(s_.RunProgram("result column " + column + " missing"),
                     {" 2147224769 - ", "A coluna " + column +
                                            " não existe na tabela "
                                            "zlx_VOR_Encomendas"});
    RenameColumn("zlx_VOR_Encomendas", column + "_x", column);
  }
}

}  // namespace
}  // namespace vor::input
