#include "db/table_columns.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "core/text_util.h"

namespace vor {

namespace {

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool Contains(const std::string& s, std::string_view part) {
  return s.find(part) != std::string::npos;
}

// The first number between parentheses ("VARCHAR(15)" gives 15); 0 when
// there is none or it is not a number (as in NVARCHAR(MAX)).
int FirstSize(const std::string& upper) {
  const size_t open = upper.find('(');
  if (open == std::string::npos) return 0;
  size_t i = open + 1;
  while (i < upper.size() && upper[i] == ' ') ++i;
  int n = 0;
  const auto r =
      std::from_chars(upper.data() + i, upper.data() + upper.size(), n);
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
  const std::string t = Upper(declared_type);
  if (Contains(t, "CHAR") || Contains(t, "TEXT") || Contains(t, "CLOB")) {
    c.kind = ColumnKind::kText;
    c.size = Contains(t, "TEXT") || Contains(t, "CLOB") ? 0 : FirstSize(t);
  } else if (Contains(t, "BOOL") || t == "BIT" || t.rfind("BIT(", 0) == 0) {
    c.kind = ColumnKind::kBoolean;
  } else if (Contains(t, "INT")) {
    if (Contains(t, "TINYINT")) {
      SetIntegerRange(&c, 0, 255);
    } else if (Contains(t, "SMALLINT")) {
      SetIntegerRange(&c, std::numeric_limits<int16_t>::min(),
                      std::numeric_limits<int16_t>::max());
    } else if (Contains(t, "BIGINT") || Contains(t, "INTEGER")) {
      SetIntegerRange(&c, std::numeric_limits<int64_t>::min(),
                      std::numeric_limits<int64_t>::max());
    } else {
      SetIntegerRange(&c, std::numeric_limits<int32_t>::min(),
                      std::numeric_limits<int32_t>::max());
    }
  } else if (Contains(t, "DEC") || Contains(t, "NUMERIC") ||
             Contains(t, "MONEY")) {
    c.kind = ColumnKind::kDecimal;
  } else if (Contains(t, "REAL") || Contains(t, "FLOA") ||
             Contains(t, "DOUB")) {
    c.kind = ColumnKind::kDouble;
  } else if (Contains(t, "DATE") || Contains(t, "TIME")) {
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
