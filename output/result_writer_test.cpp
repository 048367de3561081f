#include "output/result_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/error.h"
#include "testing/fake_connection.h"

namespace vor {
namespace {

const char kOpen[] =
    "OpenRecordsetForUpdate Select * from zlx_VOR_Encomendas where "
    "Artigo='h$hg?' 3 -1";

// A table with the 32 result columns; row i holds "A<i>" in Artigo, i in
// every numeric-looking column and a null in Origem.
Recordset Working(int rows) {
  Recordset rs;
  for (const ResultColumn& result_column : kResultFields) {
    const std::string_view c = result_column.name;
    rs.AppendField(std::string(c), FieldType::kVariant);
  }
  rs.Open();
  for (int i = 1; i <= rows; ++i) {
    rs.AddNew();
    for (const ResultColumn& result_column : kResultFields) {
      const std::string_view c = result_column.name;
      rs.Set(c, c == "Artigo" ? Value("A" + std::to_string(i))
                              : Value(Currency::FromInt(i)));
    }
    rs.Set("Sel", false);
    rs.Set("Origem", Value());
    rs.Update();
  }
  return rs;
}

std::vector<std::string> RowCalls() {
  std::vector<std::string> calls = {kOpen, "AddNew"};
  for (const ResultColumn& result_column : kResultFields) {
    const std::string_view c = result_column.name;
    calls.push_back("Set " + std::string(c));
  }
  calls.push_back("Update");
  return calls;
}

class ResultWriterTest : public ::testing::Test {
 protected:
  ResultWriterTest() {
    conn_.set_committed(
        {{{"Artigo", Value("OLD1")}}, {{"Artigo", Value("OLD2")}}});
  }
  FakeConnection conn_;
};

TEST_F(ResultWriterTest, EmptyTableLeavesThePreviousRows) {
  Recordset rs = Working(0);
  GravaTabela(conn_, rs);
  EXPECT_EQ(conn_.calls(),
            (std::vector<std::string>{"BeginWrite", "EndWrite"}));
  EXPECT_EQ(conn_.committed().size(), 2u);
  EXPECT_FALSE(conn_.WriteInProgress());
}

TEST_F(ResultWriterTest, ReplacesTheTableRowByRowInOrder) {
  Recordset rs = Working(2);
  GravaTabela(conn_, rs);
  std::vector<std::string> expected = {
      "BeginWrite", "ExecuteSql delete from zlx_VOR_Encomendas "};
  for (int i = 0; i < 2; ++i) {
    const auto row = RowCalls();
    expected.insert(expected.end(), row.begin(), row.end());
  }
  expected.push_back("EndWrite");
  EXPECT_EQ(conn_.calls(), expected);
  EXPECT_TRUE(rs.Eof());

  const auto& rows = conn_.committed();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].at("Artigo"), Value("A1"));
  EXPECT_EQ(rows[1].at("Artigo"), Value("A2"));
  EXPECT_EQ(rows[1].at("Cli"), Value(Currency::FromInt(2)));
  EXPECT_EQ(rows[1].at("Sel"), Value(false));
  EXPECT_TRUE(rows[1].at("Origem").is_null());  // null goes across as null
  EXPECT_EQ(rows[1].size(), 32u);
}

TEST_F(ResultWriterTest, AFilterLimitsTheRowsButTheDeleteEmptiesAll) {
  Recordset rs = Working(3);
  rs.SetFilter("Artigo='A2' ");
  GravaTabela(conn_, rs);
  ASSERT_EQ(conn_.committed().size(), 1u);
  EXPECT_EQ(conn_.committed()[0].at("Artigo"), Value("A2"));
}

TEST_F(ResultWriterTest, TheMarkerCodeIsWrittenLikeAnyOther) {
  Recordset rs = Working(1);
  rs.MoveFirst();
  rs.Set("Artigo", "h$hg?");
  rs.Update();
  GravaTabela(conn_, rs);
  ASSERT_EQ(conn_.committed().size(), 1u);
  EXPECT_EQ(conn_.committed()[0].at("Artigo"), Value("h$hg?"));
}

TEST_F(ResultWriterTest, FailureAtRowKLeavesTheWriteOpen) {
  Recordset rs = Working(5);
  conn_.FailAt("Update", 3);
  try {
    GravaTabela(conn_, rs);
    FAIL() << "the failure was swallowed";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kDatabase);
  }
  // Rows 1 and 2 were sent, EndWrite was not called, the write is open.
  ASSERT_EQ(conn_.pending().size(), 2u);
  EXPECT_EQ(conn_.pending()[1].at("Artigo"), Value("A2"));
  EXPECT_EQ(conn_.calls().back(), "Update");
  EXPECT_TRUE(conn_.WriteInProgress());
  conn_.AbandonWrite();
  EXPECT_EQ(conn_.committed().size(), 2u);
  EXPECT_EQ(conn_.committed()[0].at("Artigo"), Value("OLD1"));
}

TEST_F(ResultWriterTest, MissingFieldIsAnErrorBeforeAnyInsert) {
  Recordset rs;
  rs.AppendField("Artigo", FieldType::kText, 15);
  rs.Open();
  rs.AddNew();
  rs.Set("Artigo", "A1");
  rs.Update();
  try {
    GravaTabela(conn_, rs);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kFieldNotFound);
  }
  EXPECT_TRUE(conn_.pending().empty());
  EXPECT_TRUE(conn_.WriteInProgress());
}

}  // namespace
}  // namespace vor
