#include "db/table_columns.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "core/text_util.h"

namespace vor {

namespace {

bool Contains(const std::string& s, std::string_view part) {
  return s.find(part) != std::string::npos;
}

// The first number between parentheses ("varchar(15)" gives 15); 0 when
// there is none or it is not a number (as in nvarchar(max)).
int FirstSize(const std::string& type) {
  const size_t open = type.find('(');
  if (open == std::string::npos) return 0;
  size_t i = open + 1;
  while (i < type.size() && type[i] == ' ') ++i;
  int n = 0;
  const auto r = std::from_chars(type.data() + i, type.data() + type.size(), n);
  if (r.ec != std::errc() || n < 0) return 0;
  return n;
}

void SetIntegerRange(ColumnInfo* c, long long min, long long max) {
  c->kind = ColumnKind::kInteger;
  c->min_value = min;
  c->max_value = max;
}

}  // namespace

ColumnInfo ColumnFromDeclaredType(std::string name,
                                  std::string_view declared_type) {
  ColumnInfo c;
  c.name = std::move(name);
  const std::string t = FoldAsciiCase(declared_type);
  if (Contains(t, "char") || Contains(t, "text") || Contains(t, "clob")) {
    c.kind = ColumnKind::kText;
    c.size = Contains(t, "text") || Contains(t, "clob") ? 0 : FirstSize(t);
  } else if (Contains(t, "bool") || t == "bit" || t.rfind("bit(", 0) == 0) {
    c.kind = ColumnKind::kBoolean;
  } else if (Contains(t, "int")) {
    if (Contains(t, "tinyint")) {
      SetIntegerRange(&c, 0, 255);
    } else if (Contains(t, "smallint")) {
      SetIntegerRange(&c, std::numeric_limits<int16_t>::min(),
                      std::numeric_limits<int16_t>::max());
    } else if (Contains(t, "bigint") || Contains(t, "integer")) {
      SetIntegerRange(&c, std::numeric_limits<int64_t>::min(),
                      std::numeric_limits<int64_t>::max());
    } else {
      SetIntegerRange(&c, std::numeric_limits<int32_t>::min(),
                      std::numeric_limits<int32_t>::max());
    }
  } else if (Contains(t, "dec") || Contains(t, "numeric") ||
             Contains(t, "money")) {
    c.kind = ColumnKind::kDecimal;
  } else if (Contains(t, "real") || Contains(t, "floa") ||
             Contains(t, "doub")) {
    c.kind = ColumnKind::kDouble;
  } else if (Contains(t, "date") || Contains(t, "time")) {
    c.kind = ColumnKind::kDateTime;
  }
  return c;
}

ColumnInfo ColumnFromOdbcType(std::string name, int sql_type, int size) {
  ColumnInfo c;
  c.name = std::move(name);
  // Limits of the text columns; very large sizes mean "(max)".
  const int text_size = (size <= 0 || size >= (1 << 30)) ? 0 : size;
  switch (sql_type) {
    case 1:   // SQL_CHAR
    case 12:  // SQL_VARCHAR
    case -8:  // SQL_WCHAR
    case -9:  // SQL_WVARCHAR
      c.kind = ColumnKind::kText;
      c.size = text_size;
      break;
    case -1:   // SQL_LONGVARCHAR
    case -10:  // SQL_WLONGVARCHAR
      c.kind = ColumnKind::kText;
      break;
    case -6:  // SQL_TINYINT
      SetIntegerRange(&c, 0, 255);
      break;
    case 5:  // SQL_SMALLINT
      SetIntegerRange(&c, std::numeric_limits<int16_t>::min(),
                      std::numeric_limits<int16_t>::max());
      break;
    case 4:  // SQL_INTEGER
      SetIntegerRange(&c, std::numeric_limits<int32_t>::min(),
                      std::numeric_limits<int32_t>::max());
      break;
    case -5:  // SQL_BIGINT
      SetIntegerRange(&c, std::numeric_limits<int64_t>::min(),
                      std::numeric_limits<int64_t>::max());
      break;
    case 2:  // SQL_NUMERIC
    case 3:  // SQL_DECIMAL
      c.kind = ColumnKind::kDecimal;
      break;
    case 6:  // SQL_FLOAT
    case 7:  // SQL_REAL
    case 8:  // SQL_DOUBLE
      c.kind = ColumnKind::kDouble;
      break;
    case -7:  // SQL_BIT
    case 16:  // SQL_BOOLEAN
      c.kind = ColumnKind::kBoolean;
      break;
    case 9:   // SQL_DATE / SQL_DATETIME
    case 11:  // SQL_TIMESTAMP
    case 91:  // SQL_TYPE_DATE
    case 93:  // SQL_TYPE_TIMESTAMP
      c.kind = ColumnKind::kDateTime;
      break;
    default:
      break;
  }
  return c;
}

TableColumns::TableColumns(std::string table, std::vector<ColumnInfo> columns)
    : table_(std::move(table)), columns_(std::move(columns)) {
  std::string folded;
  for (size_t i = 0; i < columns_.size(); ++i) {
    FoldCase(columns_[i].name, &folded);
    index_.emplace(folded, static_cast<int>(i));  // the first of a name wins
  }
}

int TableColumns::Find(std::string_view name) const {
  std::string folded;
  FoldCase(name, &folded);
  const auto it = index_.find(folded);
  return it == index_.end() ? -1 : it->second;
}

}  // namespace vor
