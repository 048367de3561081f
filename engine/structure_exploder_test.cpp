#include "engine/structure_exploder.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "core/error.h"
#include "core/quote.h"
#include "engine/sql_texts.h"
#include "testing/fake_connection.h"

namespace vor {
namespace {

using Table = FakeConnection::Table;

// A bill of materials held by a fake connection: structure lines per
// product and structure, and the base structure of each article.
class Bom {
 public:
  explicit Bom(FakeConnection& c) : c_(c) {}

  void Line(const std::string& product, const std::string& structure,
            const std::string& code, const std::string& tipo, Value qty) {
    lines_[{product, structure}].push_back({code, tipo, qty});
  }
  void Base(const std::string& article, Value structure) {
    base_[article] = structure;
  }

  // Registers the answers to every query the exploder may send.
  void Install() {
    std::map<std::string, std::string> smallest;
    for (const auto& [key, rows] : lines_) {
      Table t{{"CODIGO", "Tipo", "Quantidade"}, {}};
      for (const auto& r : rows) t.rows.push_back(r);
      c_.AddResult(sql::StructureLinesQuery(key.first, key.second), t);
      auto it = smallest.find(key.first);
      if (it == smallest.end() || key.second < it->second) {
        smallest[key.first] = key.second;
      }
    }
    for (const auto& [p, s] : smallest) {
      c_.AddResult(sql::SmallestStructureQuery(p), {{"Versao"}, {{Value(s)}}});
    }
    for (const auto& [a, s] : base_) {
      c_.AddResult(sql::BaseStructureQuery(a), {{"EstruturaBase"}, {{s}}});
    }
    c_.SetFallback([](const std::string& sql) -> std::optional<Table> {
      if (sql.rfind("SELECT CODIGO", 0) == 0) {
        return Table{{"CODIGO", "Tipo", "Quantidade"}, {}};
      }
      if (sql.rfind("SELECT EstruturaBase", 0) == 0) {
        return Table{{"EstruturaBase"}, {}};
      }
      if (sql.rfind("SELECT min(", 0) == 0) {
        return Table{{"Versao"}, {{Value()}}};
      }
      return std::nullopt;
    });
  }

 private:
  FakeConnection& c_;
  std::map<std::pair<std::string, std::string>, std::vector<std::vector<Value>>>
      lines_;
  std::map<std::string, Value> base_;
};

using Row = std::tuple<std::string, std::string, double, int>;

std::vector<Row> Rows(Recordset& rs) {
  std::vector<Row> out;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    out.emplace_back(rs.Get("Codigo").AsText(), rs.Get("Tipo").AsText(),
                     rs.Get("Quantidade").AsDouble(),
                     static_cast<int>(rs.Get("Nivel").ToInt()));
  }
  return out;
}

class StructureExploderTest : public ::testing::TestWithParam<bool> {
 protected:
  StructureExploderTest() : bom_(conn_) {
    ex_.SetMemory(GetParam());
    ex_.SetConnection(conn_);
    ex_.SetMode("B");
    ex_.SetOption(0);
  }
  std::vector<Row> Explode(const std::string& p, const std::string& s) {
    Recordset out;
    ex_.ExplodeStructure(out, p, s, 0, nullptr);
    return Rows(out);
  }

  FakeConnection conn_;
  Bom bom_;
  StructureExploder ex_;
};

// P1/E1: A1 x2, SA x3 (base E2: A3 x0.5, SB x2), A2 x1. SB has no base
// structure; its smallest code S1 holds A4 x4 (S2 holds A5).
void TwoLevelProduct(Bom& bom) {
  bom.Line("P1", "E1", "A1", "AT", 2);
  bom.Line("P1", "E1", "SA", "CJ", 3);
  bom.Line("P1", "E1", "A2", "AT", 1.0);
  bom.Base("P1", "E1");
  bom.Line("SA", "E2", "A3", "AT", 0.5);
  bom.Line("SA", "E2", "SB", "CJ", 2);
  bom.Base("SA", "E2");
  bom.Line("SB", "S2", "A5", "AT", 1);
  bom.Line("SB", "S1", "A4", "AT", 4);
  bom.Base("SB", Value());
}

TEST_P(StructureExploderTest, ModeBFollowsEverySubAssemblyInStoredOrder) {
  TwoLevelProduct(bom_);
  bom_.Install();
  const std::vector<Row> expected = {{"A1", "AT", 2, 1},   {"SA", "CJ", 3, 1},
                                     {"A3", "AT", 1.5, 2}, {"SB", "CJ", 6, 2},
                                     {"A4", "AT", 24, 3},  {"A2", "AT", 1, 1}};
  EXPECT_EQ(Explode("P1", "E1"), expected);
  // The same again, whether remembered or loaded anew.
  EXPECT_EQ(Explode("P1", "E1"), expected);
}

TEST_P(StructureExploderTest, ArticleLinesAreTheRowsTheArticleFilterPasses) {
  // A1 stands on two AT lines (2 and, below SA, 0.5 x 3), once as "a1";
  // Ç1 and ç1, two codes to the database; a CJ line and a line of Tipo
  // "at" too.
  bom_.Line("P1", "E1", "A1", "AT", 2);
  bom_.Line("P1", "E1", "SA", "CJ", 3);
  bom_.Line("P1", "E1", "ç1", "at", 4);
  bom_.Line("P1", "E1", "SA", "AT", 7);
  bom_.Base("P1", "E1");
  bom_.Line("SA", "E2", "a1", "AT", 0.5);
  bom_.Line("SA", "E2", "Ç1", "AT", 1);
  bom_.Base("SA", "E2");
  bom_.Install();
  Recordset table;
  ex_.ExplodeStructure(table, "P1", "E1", 0, nullptr);
  for (const std::string code : {"A1", "a1", "SA", "Ç1", "ç1", "NADA", ""}) {
    SCOPED_TRACE(code);
    // The table's own filter on the article lines of `code`.
    table.SetFilter("Codigo='" + QuoteCode(code) + "' and Tipo='AT'");
    std::vector<double> filtered;
    for (; !table.Eof(); table.MoveNext()) {
      filtered.push_back(table.Get("Quantidade").AsDouble());
    }
    EXPECT_EQ(ex_.ArticleLines("P1", "E1", code), filtered);
  }
  EXPECT_EQ(ex_.ArticleLines("P1", "E1", "A1"), (std::vector<double>{2, 1.5}));
  EXPECT_EQ(ex_.ArticleLines("P1", "E1", "ç1"), (std::vector<double>{4}));
  EXPECT_EQ(ex_.ArticleLines("P1", "E1", "Ç1"), (std::vector<double>{3}));
  EXPECT_TRUE(ex_.ArticleLines("P9", "E9", "A1").empty());
}

TEST_P(StructureExploderTest, ModeAGivesTheFirstLevelOnly) {
  TwoLevelProduct(bom_);
  bom_.Install();
  ex_.SetMode("a");
  const std::vector<Row> expected = {
      {"A1", "AT", 2, 1}, {"SA", "CJ", 3, 1}, {"A2", "AT", 1, 1}};
  EXPECT_EQ(Explode("P1", "E1"), expected);
  ex_.SetMode("B");
  EXPECT_EQ(Explode("P1", "E1").size(), 6u);
}

TEST_P(StructureExploderTest, BaseStructureWithoutLinesFallsBackToTheSmallest) {
  bom_.Line("P", "E", "SA", "CJ", 2);
  bom_.Base("SA", "EMPTY");  // names a structure that has no lines
  bom_.Line("SA", "K2", "X2", "AT", 1);
  bom_.Line("SA", "K1", "X1", "AT", 5);
  bom_.Install();
  const std::vector<Row> expected = {{"SA", "CJ", 2, 1}, {"X1", "AT", 10, 2}};
  EXPECT_EQ(Explode("P", "E"), expected);
}

TEST_P(StructureExploderTest, BaseStructureWithLinesWinsOverTheSmallest) {
  bom_.Line("P", "E", "SA", "CJ", 2);
  bom_.Base("SA", "K2");
  bom_.Line("SA", "K2", "X2", "AT", 1);
  bom_.Line("SA", "K1", "X1", "AT", 5);
  bom_.Install();
  const std::vector<Row> expected = {{"SA", "CJ", 2, 1}, {"X2", "AT", 2, 2}};
  EXPECT_EQ(Explode("P", "E"), expected);
}

TEST_P(StructureExploderTest, SubAssemblyWithoutStructureIsALeaf) {
  bom_.Line("P", "E", "SA", "CJ", 2);
  bom_.Line("P", "E", "A", "AT", 1);
  bom_.Install();
  const std::vector<Row> expected = {{"SA", "CJ", 2, 1}, {"A", "AT", 1, 1}};
  EXPECT_EQ(Explode("P", "E"), expected);
}

TEST_P(StructureExploderTest, UnknownStructureGivesAnEmptyTable) {
  bom_.Install();
  Recordset out;
  ExplosionInfo info;
  info.lines = 99;
  ex_.ExplodeStructure(out, "NOPE", "E", 0, &info);
  EXPECT_EQ(out.RecordCount(), 0);
  EXPECT_TRUE(out.Eof());
  EXPECT_EQ(info.lines, 0);
  // The table can be filtered like any explosion.
  out.SetFilter("Codigo='A'  and Tipo='AT' ");
  EXPECT_EQ(out.RecordCount(), 0);
}

TEST_P(StructureExploderTest, SharedSubAssemblyIsExpandedWhereverItStands) {
  bom_.Line("P", "E", "SA", "CJ", 1);
  bom_.Line("P", "E", "SB", "CJ", 1);
  bom_.Line("SA", "E", "SC", "CJ", 2);
  bom_.Line("SB", "E", "SC", "CJ", 3);
  bom_.Line("SC", "E", "A", "AT", 0.25);
  bom_.Install();
  const std::vector<Row> expected = {{"SA", "CJ", 1, 1},  {"SC", "CJ", 2, 2},
                                     {"A", "AT", 0.5, 3}, {"SB", "CJ", 1, 1},
                                     {"SC", "CJ", 3, 2},  {"A", "AT", 0.75, 3}};
  EXPECT_EQ(Explode("P", "E"), expected);
}

TEST_P(StructureExploderTest, CycleIsAnErrorNamingIt) {
  bom_.Line("P1", "E1", "A", "AT", 1);
  bom_.Line("P1", "E1", "SA2", "CJ", 1);
  bom_.Base("SA2", "E");
  bom_.Line("SA2", "E", "P1", "CJ", 1);
  bom_.Base("P1", "E1");
  bom_.Install();
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      Explode("P1", "E1");
      FAIL() << "the cycle was not found";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), errnum::kStructureCycle);
      EXPECT_EQ(e.description(), "Estrutura cíclica: P1 -> SA2 -> P1");
    }
  }
}

TEST_P(StructureExploderTest, SelfContainedSubAssemblyIsACycleToo) {
  bom_.Line("P", "E", "SA", "CJ", 1);
  bom_.Base("SA", "E");
  bom_.Line("SA", "E", "SA", "CJ", 1);
  bom_.Install();
  try {
    Explode("P", "E");
    FAIL() << "the cycle was not found";
  } catch (const Error& e) {
    EXPECT_EQ(e.description(), "Estrutura cíclica: P -> SA -> SA");
  }
}

TEST_P(StructureExploderTest, DeepChainsDoNotExhaustTheStack) {
  const int depth = 1000;
  for (int i = 0; i < depth; ++i) {
    bom_.Line("L" + std::to_string(i), "E", "L" + std::to_string(i + 1), "CJ",
              1);
    bom_.Base("L" + std::to_string(i + 1), "E");
  }
  bom_.Line("L" + std::to_string(depth), "E", "LEAF", "AT", 0.5);
  bom_.Install();
  Recordset out;
  ExplosionInfo info;
  ex_.ExplodeStructure(out, "L0", "E", 0, &info);
  EXPECT_EQ(info.lines, depth + 1);
  EXPECT_EQ(info.deepest_level, depth + 1);
  out.SetFilter("Codigo='LEAF'  and Tipo='AT' ");
  ASSERT_EQ(out.RecordCount(), 1);
  EXPECT_EQ(out.Get("Quantidade").AsDouble(), 0.5);
  EXPECT_EQ(out.Get("Nivel").ToInt(), depth + 1);
}

TEST_P(StructureExploderTest, LevelArgumentShiftsTheLevels) {
  TwoLevelProduct(bom_);
  bom_.Install();
  Recordset out;
  ex_.ExplodeStructure(out, "P1", "E1", 4, nullptr);
  EXPECT_EQ(out.Get("Nivel").ToInt(), 5);
}

TEST_P(StructureExploderTest, NullQuantityIsAnErrorNamingTheLine) {
  bom_.Line("P", "E", "A", "AT", Value());
  bom_.Install();
  try {
    Explode("P", "E");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kInvalidUseOfNull);
    EXPECT_NE(e.description().find("Quantidade"), std::string::npos);
    EXPECT_NE(e.description().find("A"), std::string::npos);
    EXPECT_NE(e.description().find("P"), std::string::npos);
  }
}

TEST_P(StructureExploderTest, NonNumericQuantityNamesProductStructureAndLine) {
  bom_.Line("P7", "E3", "A9", "AT", "muitos");
  bom_.Install();
  try {
    Explode("P7", "E3");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kTypeMismatch);
    EXPECT_NE(e.description().find("'muitos'"), std::string::npos);
    EXPECT_NE(e.description().find(
                  "(Quantidade da linha A9 da estrutura E3 do artigo P7)"),
              std::string::npos)
        << e.description();
  }
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutMemory, StructureExploderTest,
                         ::testing::Bool());

TEST(StructureExploderMemory, RemembersWhatItLoadedAndForgetsWhenTurnedOff) {
  FakeConnection conn;
  Bom bom(conn);
  TwoLevelProduct(bom);
  bom.Install();
  StructureExploder ex;
  ex.SetConnection(conn);
  Recordset out;
  ex.ExplodeStructure(out, "P1", "E1", 0, nullptr);
  const size_t first = conn.queries().size();
  EXPECT_GT(first, 0u);
  ex.ExplodeStructure(out, "P1", "E1", 0, nullptr);
  EXPECT_EQ(conn.queries().size(), first);  // nothing sent again
  // A sub-assembly already loaded is not asked for again either.
  ex.ExplodeStructure(out, "SA", "E2", 0, nullptr);
  EXPECT_EQ(conn.queries().size(), first);

  ex.SetMemory(false);
  ex.ExplodeStructure(out, "P1", "E1", 0, nullptr);
  EXPECT_EQ(conn.queries().size(), 2 * first);
  ex.ExplodeStructure(out, "P1", "E1", 0, nullptr);
  EXPECT_EQ(conn.queries().size(), 3 * first);
}

TEST(StructureExploderSettings, RejectsUnknownModesAndOptions) {
  StructureExploder ex;
  EXPECT_THROW(ex.SetMode("C"), Error);
  EXPECT_THROW(ex.SetMode(""), Error);
  EXPECT_THROW(ex.SetOption(1), Error);
  try {
    ex.SetMode("Z");
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), StructureExploder::kInvalidArgument);
    EXPECT_NE(e.description().find("'Z'"), std::string::npos);
  }
  Recordset out;
  EXPECT_THROW(ex.ExplodeStructure(out, "P", "E", 0, nullptr), Error);
}

}  // namespace
}  // namespace vor
