// TableColumns: the column list of a database table as the insert path needs
// it: names, the kind of value each column takes and the declared size of
// text columns. Read once per connection and table (PRAGMA table_info for
// SQLite, the ODBC driver's column list otherwise) and looked up by name
// without regard to letter case.
#ifndef VOR_DB_TABLE_COLUMNS_H_
#define VOR_DB_TABLE_COLUMNS_H_

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vor {

enum class ColumnKind {
  kText,      // char, varchar, nvarchar, text...
  kInteger,   // tinyint, smallint, int, bigint
  kDecimal,   // decimal, numeric, money
  kDouble,    // real, float, double
  kBoolean,   // bit, boolean
  kDateTime,  // date, datetime, timestamp
  kOther,     // anything else: the value is sent as it is
};

struct ColumnInfo {
  std::string name;
  ColumnKind kind = ColumnKind::kOther;
  int size = 0;  // characters, for kText; 0: no limit
  // For kInteger: the accepted range.
  long long min_value = 0;
  long long max_value = 0;
};

// The column described by an SQLite declared type ("VARCHAR(15)",
// "DECIMAL(19,4)", "SMALLINT", "BIT"...), following SQLite's own reading of
// declared types where it has one.
ColumnInfo ColumnFromDeclaredType(std::string name,
                                  std::string_view declared_type);

// The column described by an ODBC SQL type code (SQL_VARCHAR, SQL_DECIMAL,
// ...) and column size, as an ODBC driver reports them.
ColumnInfo ColumnFromOdbcType(std::string name, int sql_type, int size);

class TableColumns {
 public:
  TableColumns(std::string table, std::vector<ColumnInfo> columns);

  const std::string& table() const { return table_; }
  const std::vector<ColumnInfo>& columns() const { return columns_; }
  // Index of the column named `name` (any letter case); -1 when none.
  int Find(std::string_view name) const;

 private:
  std::string table_;
  std::vector<ColumnInfo> columns_;
  std::unordered_map<std::string, int> index_;  // folded name -> index
};

}  // namespace vor

#endif  // VOR_DB_TABLE_COLUMNS_H_
