#include "db/qt_values.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QMetaType>

#include "core/error.h"
#include "db/table_columns.h"

namespace vor {
namespace {

constexpr int kSqlDecimal = 3;
constexpr int kSqlDouble = 8;
constexpr int kSqlVarchar = 12;

TEST(ValueFromQtTest, OdbcDecimalTextIsReadExactly) {
  EXPECT_EQ(ValueFromQt(QVariant(QString("12.3456")), false, kSqlDecimal),
            Value(Currency::FromRaw(123456)));
  EXPECT_EQ(ValueFromQt(QVariant(QString("-922337203685477.5808")), false, 2),
            Value(Currency::FromRaw(INT64_MIN)));
  // Places beyond the fourth: halves to even on the decimal digits.
  EXPECT_EQ(ValueFromQt(QVariant(QString("0.00005")), false, kSqlDecimal),
            Value(Currency::FromRaw(0)));
  EXPECT_EQ(ValueFromQt(QVariant(QString("0.00015")), false, kSqlDecimal),
            Value(Currency::FromRaw(2)));
  // Outside the fixed-point range: a double rather than a failure.
  EXPECT_EQ(ValueFromQt(QVariant(QString("1e30")), false, kSqlDecimal),
            Value(1e30));
  EXPECT_EQ(ValueFromQt(QVariant(QString("1.5")), false, kSqlDouble),
            Value(1.5));
  // Text stays text when the column is text, or the driver is QSQLITE.
  EXPECT_EQ(ValueFromQt(QVariant(QString("12.5")), false, kSqlVarchar),
            Value("12.5"));
  EXPECT_EQ(ValueFromQt(QVariant(QString("12.5")), false, kNoOdbcType),
            Value("12.5"));
}

TEST(ValueFromQtTest, KindsAndNulls) {
  // ODBC hands a null integer as a typed QVariant holding 0.
  EXPECT_TRUE(ValueFromQt(QVariant(0), true, 4).is_null());
  EXPECT_TRUE(ValueFromQt(QVariant(), false, kNoOdbcType).is_null());
  EXPECT_EQ(ValueFromQt(QVariant(qlonglong(1) << 40), false, kNoOdbcType),
            Value(static_cast<long long>(1LL << 40)));
  EXPECT_EQ(ValueFromQt(QVariant(uint(7)), false, -7), Value(7));
  EXPECT_EQ(ValueFromQt(QVariant(qulonglong(1) << 63), false, -5),
            Value(9223372036854775808.0));
  EXPECT_EQ(ValueFromQt(QVariant(2.5), false, kNoOdbcType), Value(2.5));
  EXPECT_EQ(
      ValueFromQt(QVariant(QString::fromUtf8("Ação")), false, kSqlVarchar),
      Value("Ação"));
  using namespace std::chrono;
  const DateTime expected =
      sys_days(year(2024) / 2 / 29) + hours(13) + minutes(5) + seconds(9);
  EXPECT_EQ(
      ValueFromQt(QVariant(QDateTime(QDate(2024, 2, 29), QTime(13, 5, 9))),
                  false, 93),
      Value(expected));
}

ColumnInfo Column(ColumnKind kind, int size = 0) {
  ColumnInfo c = ColumnFromDeclaredType("Col", "");
  c.kind = kind;
  c.size = size;
  return c;
}

TEST(BindValueForTest, CurrencyIntoDecimalIsExact) {
  const ColumnInfo decimal =
      ColumnFromDeclaredType("StkMinimo", "decimal(19,4)");
  const Value v(Currency::FromRaw(123456));
  EXPECT_EQ(BindValueFor(decimal, v, false, "T", ""),
            QVariant(QString("12.3456")));
  EXPECT_EQ(BindValueFor(decimal, v, true, "T", ""), QVariant(12.3456));
  const Value big(Currency::FromRaw(1000000000000000LL));  // 1e11
  EXPECT_EQ(BindValueFor(decimal, big, true, "T", ""),
            QVariant(QString("100000000000")));
  EXPECT_EQ(BindValueFor(decimal, Value(7), true, "T", ""),
            QVariant(qlonglong(7)));
  EXPECT_EQ(BindValueFor(decimal, Value("-3.25"), false, "T", ""),
            QVariant(QString("-3.25")));
}

TEST(BindValueForTest, NullsAreTypedAndBooleansAreOneOrZero) {
  const ColumnInfo bit = ColumnFromOdbcType("Sel", -7, 1);
  const QVariant n = BindValueFor(bit, Value(), false, "T", "");
  EXPECT_TRUE(n.isNull());
  EXPECT_EQ(n.metaType(), QMetaType::fromType<qlonglong>());
  EXPECT_EQ(BindValueFor(bit, Value(true), false, "T", ""),
            QVariant(qlonglong(1)));
  EXPECT_EQ(BindValueFor(bit, Value(false), false, "T", ""),
            QVariant(qlonglong(0)));
  const QVariant text_null =
      BindValueFor(Column(ColumnKind::kText, 5), Value(), true, "T", "");
  EXPECT_TRUE(text_null.isNull());
  EXPECT_EQ(text_null.metaType(), QMetaType::fromType<QString>());
}

TEST(BindValueForTest, DatesTextsAndIntegers) {
  using namespace std::chrono;
  const Value when(sys_days(year(2024) / 3 / 9) + hours(8));
  const ColumnInfo dt = ColumnFromOdbcType("Quando", 93, 23);
  EXPECT_EQ(BindValueFor(dt, when, false, "T", "").toDateTime(),
            QDateTime(QDate(2024, 3, 9), QTime(8, 0), Qt::UTC));
  EXPECT_EQ(BindValueFor(dt, when, true, "T", ""),
            QVariant(QString("2024-03-09 08:00:00")));
  EXPECT_EQ(
      BindValueFor(Column(ColumnKind::kText, 5), Value(true), false, "T", ""),
      QVariant(QString("True")));
  const ColumnInfo small = ColumnFromDeclaredType("Cor", "SMALLINT");
  EXPECT_EQ(BindValueFor(small, Value(2.5), false, "T", ""),
            QVariant(qlonglong(2)));  // halves to even
  EXPECT_EQ(BindValueFor(small, Value(-32768), false, "T", ""),
            QVariant(qlonglong(-32768)));
}

TEST(BindValueForTest, ErrorsNameColumnTableAndArticle) {
  try {
    BindValueFor(ColumnFromDeclaredType("Nome", "varchar(3)"), Value("abcd"),
                 true, "zlx_VOR_Encomendas", "A9");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kTextTooLong);
    for (const char* part : {"Nome", "zlx_VOR_Encomendas", "A9", "3", "4"}) {
      EXPECT_NE(e.description().find(part), std::string::npos)
          << e.description();
    }
  }
  try {
    BindValueFor(ColumnFromDeclaredType("Cor", "smallint"), Value(32768), true,
                 "T", "");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kOverflow);
    EXPECT_NE(e.description().find("Cor"), std::string::npos);
  }
  try {
    BindValueFor(ColumnFromDeclaredType("Qtd", "numeric"), Value(DateTime()),
                 false, "T", "A1");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kTypeMismatch);
    EXPECT_NE(e.description().find("Qtd"), std::string::npos)
        << e.description();
    EXPECT_NE(e.description().find("A1"), std::string::npos);
  }
  EXPECT_THROW(BindValueFor(ColumnFromDeclaredType("Qtd", "decimal"),
                            Value(std::nan("")), true, "T", ""),
               Error);
}

TEST(ColumnKindTest, SqliteDeclaredTypes) {
  struct Case {
    const char* declared;
    ColumnKind kind;
    int size;
  };
  for (const Case& c :
       {Case{"varchar(15)", ColumnKind::kText, 15},
        Case{"NVARCHAR ( 80 )", ColumnKind::kText, 80},
        Case{"nvarchar(max)", ColumnKind::kText, 0},
        Case{"TEXT", ColumnKind::kText, 0},
        Case{"decimal(19,4)", ColumnKind::kDecimal, 0},
        Case{"money", ColumnKind::kDecimal, 0},
        Case{"NUMERIC", ColumnKind::kDecimal, 0},
        Case{"bit", ColumnKind::kBoolean, 0},
        Case{"BOOLEAN", ColumnKind::kBoolean, 0},
        Case{"smallint", ColumnKind::kInteger, 0},
        Case{"INTEGER", ColumnKind::kInteger, 0},
        Case{"double precision", ColumnKind::kDouble, 0},
        Case{"float", ColumnKind::kDouble, 0},
        Case{"datetime", ColumnKind::kDateTime, 0},
        Case{"", ColumnKind::kOther, 0}, Case{"blob", ColumnKind::kOther, 0}}) {
    const ColumnInfo info = ColumnFromDeclaredType("c", c.declared);
    EXPECT_EQ(info.kind, c.kind) << c.declared;
    EXPECT_EQ(info.size, c.size) << c.declared;
  }
  EXPECT_EQ(ColumnFromDeclaredType("c", "smallint").max_value, 32767);
  EXPECT_EQ(ColumnFromDeclaredType("c", "tinyint").min_value, 0);
  EXPECT_EQ(ColumnFromDeclaredType("c", "int").max_value, 2147483647);
}

TEST(ColumnKindTest, OdbcTypes) {
  EXPECT_EQ(ColumnFromOdbcType("c", -9, 15).kind, ColumnKind::kText);
  EXPECT_EQ(ColumnFromOdbcType("c", -9, 15).size, 15);
  EXPECT_EQ(ColumnFromOdbcType("c", 12, 1073741824).size, 0);  // (max)
  EXPECT_EQ(ColumnFromOdbcType("c", 3, 19).kind, ColumnKind::kDecimal);
  EXPECT_EQ(ColumnFromOdbcType("c", 5, 5).kind, ColumnKind::kInteger);
  EXPECT_EQ(ColumnFromOdbcType("c", 5, 5).min_value, -32768);
  EXPECT_EQ(ColumnFromOdbcType("c", -7, 1).kind, ColumnKind::kBoolean);
  EXPECT_EQ(ColumnFromOdbcType("c", 8, 15).kind, ColumnKind::kDouble);
  EXPECT_EQ(ColumnFromOdbcType("c", 93, 23).kind, ColumnKind::kDateTime);
  EXPECT_EQ(ColumnFromOdbcType("c", -4, 0).kind, ColumnKind::kOther);
}

TEST(TableColumnsTest, FindIgnoresLetterCase) {
  const TableColumns t("T", {ColumnFromDeclaredType("Artigo", "varchar(15)"),
                             ColumnFromDeclaredType("StkMinimo", "decimal")});
  EXPECT_EQ(t.Find("ARTIGO"), 0);
  EXPECT_EQ(t.Find("stkminimo"), 1);
  EXPECT_EQ(t.Find("Stk"), -1);
}

}  // namespace
}  // namespace vor
