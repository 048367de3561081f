// Codes never become SQL: every statement and every table filter that takes
// a code is built with thousands of hostile codes, and each must come back
// as exactly one literal equal to the code, with the statement around it
// unchanged. Three readers judge it: a lexer with SQL Server's rules (what a
// server receives), SQLite's own compiler (the program of the rewritten
// text), and the answers of a real ERP holding those codes, through the
// embedded engine and through ODBC.
#include <gtest/gtest.h>

#include <QString>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/error.h"
#include "core/recordset.h"
#include "core/text_util.h"
#include "db/connection_string_builder.h"
#include "db/qt_sql_connection.h"
#include "db/sql_dialect.h"
#include "engine/sql_texts.h"
#include "reliability/security_codes.h"
#include "reliability/security_sql_lexer.h"
#include "testing/test_site.h"
#include "testing/test_support.h"
#include "tools/erp_fixture.h"

namespace vor {
namespace {

using security::CompareWithPlain;
using security::Printable;

constexpr uint32_t kSeed = 20261208;
constexpr int kRandomCodes = 2000;
// Failures reported in full before the rest are only counted.
constexpr int kReportedFailures = 8;

// Collects failures of one property so a broken builder gives a few clear
// messages instead of thousands.
class Failures {
 public:
  void Add(const std::string& what) {
    if (++count_ <= kReportedFailures) ADD_FAILURE() << what;
  }
  ~Failures() {
    if (count_ > kReportedFailures) {
      ADD_FAILURE() << count_ << " failures in all";
    }
  }

 private:
  int count_ = 0;
};

using Builder = testing::CodeBuilder;

// The builders of statements (not of table filters).
std::vector<Builder> Statements() {
  std::vector<Builder> out;
  for (Builder& b : testing::CodeBuilders()) {
    if (!b.filter) out.push_back(std::move(b));
  }
  return out;
}

const std::vector<std::string>& Codes() {
  static const std::vector<std::string> codes =
      security::TestCodes(kSeed, kRandomCodes);
  return codes;
}

// Placeholders that are plain codes: the shape every statement must keep.
const std::vector<std::string> kPlain = {"PLAINA", "PLAINB"};

std::vector<std::string> CodesFor(const Builder& b, const std::string& first,
                                  const std::string& second) {
  if (b.codes == 1) return {first};
  return {first, second};
}

std::vector<std::string> PlainFor(const Builder& b) {
  return std::vector<std::string>(kPlain.begin(), kPlain.begin() + b.codes);
}

TEST(SecurityLiteralTest, EveryBuilderKeepsEachCodeAsOneLiteral) {
  const std::vector<std::string>& codes = Codes();
  const std::vector<Builder> builders = testing::CodeBuilders();
  long checked = 0;
  Failures failures;
  for (const Builder& b : builders) {
    const std::string plain = b.build(kPlain[0], kPlain[1]);
    const std::string plain_sqlite = RewriteForSqlite(plain);
    for (size_t i = 0; i < codes.size(); ++i) {
      const std::string& first = codes[i];
      const std::string& second = codes[(i * 7 + 3) % codes.size()];
      const std::string built = b.build(first, second);
      // As a server receives it.
      std::string problem = CompareWithPlain(plain, PlainFor(b), built,
                                             CodesFor(b, first, second));
      // As SQLite receives it, after the rewrite of the data-access layer.
      if (problem.empty()) {
        problem =
            CompareWithPlain(plain_sqlite, PlainFor(b), RewriteForSqlite(built),
                             CodesFor(b, first, second));
      }
      if (!problem.empty()) failures.Add(std::string(b.name) + ": " + problem);
      ++checked;
    }
  }
  std::cout << "[ figures  ] " << codes.size() << " codes, " << builders.size()
            << " builders, " << checked << " texts lexed as built and as "
            << "rewritten for SQLite" << std::endl;
}

// --- Through a real ERP ----------------------------------------------------

// Names of the tests' own rows; '«' never occurs in a generated code.
std::string Own(const char* kind, size_t i) {
  return std::string("\xC2\xAB") + kind + std::to_string(i);
}

// An ERP holding one row of every kind per code, each row telling which
// code it belongs to (stock, quantity and price i + 1; structures and base
// structures naming the next code).
class SecurityErpTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    site_ = new TestSite();
    codes_ = security::DistinctIgnoringAsciiCase(Codes());
    ErpFixture& erp = site_->CreateErp();
    erp.Exec("BEGIN");
    ErpDocument order;
    order.tpdoc = "ECF";
    order.tpterc = 1;
    const ErpDocKey supplier_order = erp.AddDocument(order);
    const size_t n = codes_.size();
    for (size_t i = 0; i < n; ++i) {
      const std::string& code = codes_[i];
      const std::string& next = codes_[(i + 1) % n];
      ErpArticle article = BoughtArticle(code, static_cast<double>(i + 1), 10);
      article.estrutura_base = next;
      erp.AddArticle(article);
      erp.AddDocLine(supplier_order, code, static_cast<double>(i + 1));
      erp.AddPrice(code, next, static_cast<double>(i + 1), 0);
      erp.AddStructureLine(Own("P", i), Own("F", i), code, 1);
      erp.AddStructureLine(code, next, Own("C", i), 1);
    }
    erp.Exec("COMMIT");
  }
  static void TearDownTestSuite() {
    delete site_;
    site_ = nullptr;
  }

  static std::unique_ptr<QtSqlConnection> Open(bool odbc) {
    ConnectionStringBuilder b;
    b.Server(odbc ? "odbc-local" : "sqlite");
    b.Database(site_->erp_path());
    b.User("demo");
    b.Driver("SQLite3");
    auto connection = std::make_unique<QtSqlConnection>();
    EXPECT_TRUE(connection->OpenConnection(b.ConnectionString()))
        << connection->OpenFailure();
    return connection;
  }

  // What the statement of builder `name` must answer for code i: the
  // expected value of one column of its only row.
  struct Expected {
    const char* column;
    bool is_number;
    std::string text;  // for a text column
    long long number;  // for a number column
  };
  static Expected ExpectedFor(const std::string& name, size_t i) {
    const std::string& next = codes_[(i + 1) % codes_.size()];
    const long long own = static_cast<long long>(i + 1);
    if (name == "SupplierOrderQuery") return {"Qtd", true, "", own};
    if (name == "SupplierPriceQuery") return {"PrProx", true, "", own};
    if (name == "AggregatedStockQuery") return {"StDisp", true, "", own};
    if (name == "CustomerProductListQuery" ||
        name == "ProductionProductListQuery") {
      return {"Artigo", false, Own("P", i), 0};
    }
    if (name == "StructureLinesQuery") return {"CODIGO", false, Own("C", i), 0};
    if (name == "BaseStructureQuery") return {"EstruturaBase", false, next, 0};
    return {"Versao", false, next, 0};  // SmallestStructureQuery
  }

  // Runs every statement for every code on `connection` and checks that
  // each answers with exactly the row of its code. A statement for which
  // `may_fail` holds may instead raise the database error (never give
  // another answer); `refused` counts those.
  static long CheckAnswers(
      Connection& connection, Failures& failures,
      const std::function<bool(const std::string&)>& may_fail = nullptr,
      long* refused = nullptr) {
    long checked = 0;
    const size_t n = codes_.size();
    for (const Builder& b : Statements()) {
      for (size_t i = 0; i < n; ++i) {
        const std::string& next = codes_[(i + 1) % n];
        const std::string text = b.build(codes_[i], next);
        const Expected want = ExpectedFor(b.name, i);
        const std::string label =
            std::string(b.name) + " of [" + Printable(codes_[i]) + "]: ";
        ++checked;
        Recordset rs;
        try {
          connection.OpenRecordset("", text, rs, -1, 0);
        } catch (const Error& e) {
          if (may_fail && may_fail(text) && e.number() == errnum::kDatabase) {
            ++*refused;
          } else {
            failures.Add(label + e.description());
          }
          continue;
        }
        if (rs.RecordCount() != 1) {
          failures.Add(label + std::to_string(rs.RecordCount()) + " rows");
          continue;
        }
        const Value& v = rs.Get(want.column);
        const bool ok =
            want.is_number
                ? !v.is_null() && v.IsNumeric() &&
                      v.ToCurrency() == Currency::FromInt(want.number)
                : v.kind() == Value::Kind::kText && v.AsText() == want.text;
        if (!ok) {
          failures.Add(label + want.column + " is " + Printable(v.Describe()));
        }
      }
    }
    return checked;
  }

  // The tables still hold what SetUpTestSuite put there.
  static void ExpectTablesIntact(Connection& connection) {
    Recordset rs;
    connection.OpenRecordset("", "select count(*) as n from ARTIGOS", rs, -1,
                             0);
    EXPECT_EQ(rs.Get("n").ToInt(), static_cast<long long>(codes_.size()));
    connection.OpenRecordset("", "select count(*) as n from zlx_FichaEstrutura",
                             rs, -1, 0);
    EXPECT_EQ(rs.Get("n").ToInt(), 2 * static_cast<long long>(codes_.size()));
  }

  static TestSite* site_;
  static std::vector<std::string> codes_;
};

TestSite* SecurityErpTest::site_ = nullptr;
std::vector<std::string> SecurityErpTest::codes_;

TEST_F(SecurityErpTest, EmbeddedSqliteAnswersEachCodeWithItsOwnRow) {
  auto connection = Open(false);
  Failures failures;
  const long checked = CheckAnswers(*connection, failures);
  ExpectTablesIntact(*connection);
  std::cout << "[ figures  ] " << codes_.size() << " codes, " << checked
            << " statements answered by the embedded SQLite ERP" << std::endl;
}

// True when `text` holds a character beyond U+FFFF (four UTF-8 bytes).
bool HasCharacterBeyondBmp(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0xF0) return true;
  }
  return false;
}

// Through ODBC the statement travels as UTF-16. The SQLite ODBC driver cuts
// a statement short at a character beyond U+FFFF (a surrogate pair), so the
// code's literal is left open and SQLite refuses the statement: such a code
// fails safe, with the database error, and never runs as another statement.
TEST_F(SecurityErpTest, OdbcSqliteAnswersEachCodeWithItsOwnRow) {
  auto connection = Open(true);
  Failures failures;
  long refused = 0;
  const long checked =
      CheckAnswers(*connection, failures, HasCharacterBeyondBmp, &refused);
  ExpectTablesIntact(*connection);
  std::cout << "[ figures  ] " << codes_.size() << " codes, " << checked
            << " statements through ODBC: " << checked - refused
            << " answered with their own row, " << refused
            << " with a character beyond U+FFFF refused by the driver"
            << std::endl;
}

// One line of SQLite's program for a statement: EXPLAIN's columns.
struct ProgramLine {
  std::string opcode;
  std::string operands;  // p1, p2, p3, p5
  std::string p4;
  bool p4_null = true;
};

std::vector<ProgramLine> Program(Connection& connection,
                                 const std::string& text) {
  Recordset rs;
  connection.OpenRecordset("", "EXPLAIN " + text, rs, -1, 0);
  std::vector<ProgramLine> lines;
  for (; !rs.Eof(); rs.MoveNext()) {
    ProgramLine line;
    line.opcode = rs.Get("opcode").ToText();
    for (const char* p : {"p1", "p2", "p3", "p5"}) {
      line.operands += rs.Get(p).ToText() + ",";
    }
    const Value& p4 = rs.Get("p4");
    line.p4_null = p4.is_null();
    if (!line.p4_null) line.p4 = p4.ToText();
    lines.push_back(std::move(line));
  }
  return lines;
}

// SQLite compiles the statement of a hostile code into the same program as
// that of a plain code, with the code as a string constant where the plain
// code was.
TEST_F(SecurityErpTest, SqliteCompilesEachCodeIntoTheSameProgram) {
  auto connection = Open(false);
  Failures failures;
  long checked = 0;
  for (const Builder& b : Statements()) {
    const std::vector<ProgramLine> plain =
        Program(*connection, b.build(kPlain[0], kPlain[1]));
    for (size_t i = 0; i < codes_.size(); ++i) {
      const std::string& first = codes_[i];
      const std::string& second = codes_[(i + 1) % codes_.size()];
      const std::string label =
          std::string(b.name) + " of [" + Printable(first) + "]: ";
      ++checked;
      std::vector<ProgramLine> got;
      try {
        got = Program(*connection, b.build(first, second));
      } catch (const Error& e) {
        failures.Add(label + e.description());
        continue;
      }
      if (got.size() != plain.size()) {
        failures.Add(label + std::to_string(got.size()) +
                     " instructions instead of " +
                     std::to_string(plain.size()));
        continue;
      }
      for (size_t k = 0; k < got.size(); ++k) {
        std::string want_p4 = plain[k].p4;
        if (plain[k].opcode == "String8" && want_p4 == kPlain[0])
          want_p4 = first;
        if (plain[k].opcode == "String8" && want_p4 == kPlain[1])
          want_p4 = second;
        if (got[k].opcode != plain[k].opcode ||
            got[k].operands != plain[k].operands ||
            got[k].p4_null != plain[k].p4_null || got[k].p4 != want_p4) {
          failures.Add(label + "instruction " + std::to_string(k) + " is " +
                       got[k].opcode + " " + got[k].operands + " [" +
                       Printable(got[k].p4) + "] instead of " +
                       plain[k].opcode + " " + plain[k].operands + " [" +
                       Printable(want_p4) + "]");
          break;
        }
      }
    }
  }
  std::cout << "[ figures  ] " << checked
            << " statements compiled by SQLite to the plain program"
            << std::endl;
}

// --- Table filters ---------------------------------------------------------

// Comparison key of the oracle: a filter matches without regard to letter
// case. Rows whose values would be equal under full Unicode case folding but
// not under ASCII folding are left out of the table, so the oracle never has
// to decide how far the table's folding goes.
std::string AsciiKey(const std::string& s) { return security::AsciiLower(s); }
std::string FullKey(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()))
      .toCaseFolded()
      .toStdString();
}

// Values a filter for `code` must tell apart from it, and two that it must
// find with it (other letter case).
std::vector<std::string> Neighbours(const std::string& code) {
  std::vector<std::string> v = {code + "'",
                                "'" + code,
                                code + " ",
                                code + "''",
                                code + "%",
                                code + "_",
                                "x" + code,
                                code + "\\",
                                code + "' ",
                                security::AsciiUpper(code),
                                security::AsciiLower(code)};
  if (!code.empty()) v.push_back(code.substr(0, code.size() - 1));
  std::string doubled;
  for (char c : code) {
    doubled += c;
    if (c == '\'') doubled += c;
  }
  v.push_back(doubled);
  return v;
}

// Keeps the values whose ASCII and full case folding agree on equality with
// every value kept before them.
std::vector<std::string> Unambiguous(const std::vector<std::string>& values) {
  std::unordered_map<std::string, std::string> ascii_by_full;
  std::unordered_map<std::string, bool> seen;
  std::vector<std::string> out;
  for (const std::string& v : values) {
    if (seen.count(v)) continue;
    const std::string full = FullKey(v);
    auto it = ascii_by_full.find(full);
    if (it != ascii_by_full.end() && it->second != AsciiKey(v)) continue;
    ascii_by_full.emplace(full, AsciiKey(v));
    seen[v] = true;
    out.push_back(v);
  }
  return out;
}

using Row = std::pair<std::string, std::string>;

// A table with fields `a` and `b` holding `rows`, and for the oracle the
// rows of each first value, by its ASCII-folded key, in table order.
struct FilterTable {
  FilterTable(const char* a, const char* b, std::vector<Row> table_rows)
      : field_a(a), field_b(b), rows(std::move(table_rows)) {
    rs.AppendField(a, FieldType::kText, 0);
    rs.AppendField(b, FieldType::kText, 0);
    rs.Open();
    for (size_t r = 0; r < rows.size(); ++r) {
      rs.AddNew();
      rs.Set(a, rows[r].first);
      rs.Set(b, rows[r].second);
      rs.Update();
      by_first[AsciiKey(rows[r].first)].push_back(r);
    }
  }

  // Empty when `filter` passes exactly the rows whose first value is
  // `want_a` and, unless `want_b` is null, whose second value is *want_b,
  // both without regard to ASCII letter case.
  std::string Check(const std::string& filter, const std::string& want_a,
                    const std::string* want_b) {
    try {
      rs.SetFilter(filter);
    } catch (const Error& e) {
      return "[" + Printable(filter) + "] raised " + e.description();
    }
    std::vector<Row> got;
    for (; !rs.Eof(); rs.MoveNext()) {
      got.emplace_back(rs.Get(field_a).AsText(), rs.Get(field_b).AsText());
    }
    std::vector<Row> want;
    auto it = by_first.find(AsciiKey(want_a));
    if (it != by_first.end()) {
      for (size_t r : it->second) {
        if (want_b == nullptr || AsciiKey(rows[r].second) == AsciiKey(*want_b))
          want.push_back(rows[r]);
      }
    }
    if (got == want) return "";
    return "[" + Printable(filter) + "] passes " + std::to_string(got.size()) +
           " rows instead of " + std::to_string(want.size());
  }

  const char* field_a;
  const char* field_b;
  std::vector<Row> rows;
  Recordset rs;
  std::unordered_map<std::string, std::vector<size_t>> by_first;
};

TEST(SecurityFilterTest, EachFilterPassesExactlyTheRowsOfItsCodes) {
  std::vector<std::string> values;
  for (const std::string& code : Codes()) {
    values.push_back(code);
    for (std::string& n : Neighbours(code)) values.push_back(std::move(n));
  }
  values = Unambiguous(values);
  // Each value stands in the table with the value after it as its second
  // field.
  std::vector<Row> pairs;
  for (size_t i = 0; i < values.size(); ++i) {
    pairs.emplace_back(values[i], values[(i + 1) % values.size()]);
  }
  FilterTable articles("Artigo", "Quant", pairs);
  FilterTable customer("Artigo", "EstruturaBase", pairs);
  FilterTable production("Artigo", "FichaEstrutura", pairs);

  Failures failures;
  long checked = 0;
  auto check = [&](const std::string& problem) {
    ++checked;
    if (!problem.empty()) failures.Add(problem);
  };
  for (size_t i = 0; i < values.size(); ++i) {
    const std::string& code = values[i];
    check(articles.Check(sql::ArticleFilter(code), code, nullptr));
    // The pair that is in the table, and one that is not.
    for (const std::string& second :
         {pairs[i].second, values[(i * 31 + 17) % values.size()]}) {
      check(customer.Check(sql::CustomerOrderFilter(code, second), code,
                           &second));
      check(production.Check(sql::ProductionOrderFilter(code, second), code,
                             &second));
    }
  }
  std::cout << "[ figures  ] " << values.size() << " rows per table, "
            << checked << " filters checked against the rows of their codes"
            << std::endl;
}

}  // namespace
}  // namespace vor
