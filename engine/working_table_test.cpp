#include "engine/working_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/error.h"
#include "output/result_writer.h"

namespace vor {
namespace {

TEST(CriaRsFinal, HasTheThirtyTwoFieldsOfTheResultTableInOrder) {
  Recordset rs = CriaRsFinal();
  ASSERT_TRUE(rs.is_open());
  ASSERT_EQ(rs.FieldCount(), 32);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(rs.Field(i).name, kResultColumns[i]) << i;
  }
  EXPECT_EQ(rs.RecordCount(), 0);
  EXPECT_TRUE(rs.Eof());
}

TEST(CriaRsFinal, FieldTypesAndTextSizes) {
  Recordset rs = CriaRsFinal();
  const std::set<std::string> texts = {
      "Artigo",     "Nome",   "Fornec", "ENF", "Grupo",      "Familia",
      "SubFamilia", "UnBase", "UnCmp",  "OBS", "NomeFornec", "Origem"};
  for (int i = 0; i < rs.FieldCount(); ++i) {
    const FieldDef& f = rs.Field(i);
    if (texts.count(f.name)) {
      EXPECT_EQ(f.type, FieldType::kText) << f.name;
    } else if (f.name == "Sel") {
      EXPECT_EQ(f.type, FieldType::kBoolean);
    } else if (f.name == "Cor" || f.name == "CorV") {
      EXPECT_EQ(f.type, FieldType::kSmallInt) << f.name;
    } else {
      EXPECT_EQ(f.type, FieldType::kCurrency) << f.name;
    }
  }
  auto size = [&](const char* name) {
    return rs.Field(rs.FieldIndex(name)).size;
  };
  EXPECT_EQ(size("Artigo"), 15);
  EXPECT_EQ(size("Nome"), 80);
  EXPECT_EQ(size("Fornec"), 15);
  EXPECT_EQ(size("ENF"), 3);
  EXPECT_EQ(size("Grupo"), 6);
  EXPECT_EQ(size("Familia"), 6);
  EXPECT_EQ(size("SubFamilia"), 6);
  EXPECT_EQ(size("UnBase"), 3);
  EXPECT_EQ(size("UnCmp"), 3);
  EXPECT_EQ(size("OBS"), 3);
  EXPECT_EQ(size("NomeFornec"), 80);
  EXPECT_EQ(size("Origem"), 1);
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
