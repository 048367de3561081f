#include "engine/working_table.h"

#include <gtest/gtest.h>

#include <string>

#include "core/error.h"
#include "db/result_table.h"
#include "output/result_writer.h"

namespace vor {
namespace {

TEST(CriaRsFinal, HasTheThirtyTwoFieldsOfTheResultTableInOrder) {
  Recordset rs = CriaRsFinal();
  ASSERT_TRUE(rs.is_open());
  ASSERT_EQ(rs.FieldCount(), 32);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(rs.Field(i).name, kResultFields[i].name) << i;
  }
  EXPECT_EQ(rs.RecordCount(), 0);
  EXPECT_TRUE(rs.Eof());
}

TEST(CriaRsFinal, FieldTypesAndTextSizes) {
  Recordset rs = CriaRsFinal();
  ASSERT_EQ(static_cast<size_t>(rs.FieldCount()), kResultFields.size());
  for (int i = 0; i < rs.FieldCount(); ++i) {
    const FieldDef& f = rs.Field(i);
    EXPECT_EQ(f.type, kResultFields[i].type) << f.name;
    EXPECT_EQ(f.size, kResultFields[i].size) << f.name;
  }
  auto size = [&](const char* name) {
    return rs.Field(rs.FieldIndex(name)).size;
  };
  EXPECT_EQ(size("Artigo"), 15);
  EXPECT_EQ(size("NomeFornec"), 80);
  EXPECT_EQ(size("Origem"), 1);
  EXPECT_EQ(rs.Field(rs.FieldIndex("Sel")).type, FieldType::kBoolean);
}

TEST(CriaRsFinal, ANewRowHoldsNoValueAndTextsKeepTheirLimits) {
  Recordset rs = CriaRsFinal();
  rs.AddNew();
  rs.Set("Artigo", "A1");
  rs.Update();
  for (int i = 1; i < rs.FieldCount(); ++i) {
    EXPECT_TRUE(rs.Get(i).is_null()) << rs.Field(i).name;
  }
  try {
    rs.Set("Origem", "CO");
    FAIL() << "a two-letter origin was accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kTextTooLong);
  }
  // Each run gets a table of its own.
  Recordset other = CriaRsFinal();
  EXPECT_EQ(other.RecordCount(), 0);
}

TEST(CriaRsProd, HasArticleAndQuantity) {
  Recordset rs = CriaRsProd();
  ASSERT_EQ(rs.FieldCount(), 2);
  EXPECT_EQ(rs.Field(0).name, "Artigo");
  EXPECT_EQ(rs.Field(0).type, FieldType::kText);
  EXPECT_EQ(rs.Field(0).size, 15);
  EXPECT_EQ(rs.Field(1).name, "Quant");
  EXPECT_EQ(rs.Field(1).type, FieldType::kCurrency);
  EXPECT_EQ(rs.RecordCount(), 0);
}

}  // namespace
}  // namespace vor
