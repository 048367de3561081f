#include "db/insert_cache.h"

#include <QSqlDriver>
#include <QSqlField>
#include <QSqlRecord>
#include <utility>

#include "core/error.h"
#include "core/text_util.h"
#include "db/connection.h"
#include "db/qt_values.h"
#include "db/sql_dialect.h"

namespace vor {

namespace {

// Cached INSERT sources are forgotten past this many distinct SELECT texts.
constexpr size_t kMaxCachedSources = 1000;

QString ToQt(const std::string& s) { return QString::fromUtf8(s); }

// "schema.table" split at its dots.
std::vector<std::string> NameParts(const std::string& name) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t dot = name.find('.', start);
    parts.push_back(name.substr(start, dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return parts;
}

std::string DoubleQuoted(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
  return out;
}

// Binds a value given by BoundValueFor.
void BindNative(SqliteStatement& st, int index, const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kNull:
      return st.BindNull(index);
    case Value::Kind::kInt:
      return st.BindInt(index, v.AsInt());
    case Value::Kind::kDouble:
      return st.BindDouble(index, v.AsDouble());
    case Value::Kind::kText:
      return st.BindText(index, v.AsText());
    default:
      return st.BindText(index, v.ToText());
  }
}

}  // namespace

void InsertCache::Clear() {
  inserts_.clear();  // statements go before their connection
  native_inserts_.clear();
  sources_.clear();
  tables_.clear();
}

std::shared_ptr<const TableColumns> InsertCache::ReadColumns(
    const std::string& table) {
  std::vector<ColumnInfo> columns;
  if (database_.sqlite()) {
    const std::vector<std::string> parts = NameParts(table);
    std::string sql = "PRAGMA ";
    if (parts.size() == 2) sql += DoubleQuoted(parts[0]) + ".";
    sql += "table_info(" + DoubleQuoted(parts.back()) + ")";
    QSqlQuery q(database_.db());
    q.setForwardOnly(true);
    if (!q.exec(ToQt(sql))) database_.errors().Fail(q.lastError(), sql);
    while (q.next()) {
      columns.push_back(ColumnFromDeclaredType(ToStd(q.value(1).toString()),
                                               ToStd(q.value(2).toString())));
    }
    if (q.lastError().isValid()) database_.errors().Fail(q.lastError(), sql);
  } else {
    const QSqlRecord record = database_.db().record(ToQt(table));
    for (int i = 0; i < record.count(); ++i) {
      const QSqlField f = record.field(i);
      columns.push_back(
          ColumnFromOdbcType(ToStd(f.name()), f.typeID(), f.length()));
    }
  }
  if (columns.empty()) {
    throw Error(errnum::kDatabase,
                "A tabela " + table + " não existe na base de dados");
  }
  return std::make_shared<const TableColumns>(table, std::move(columns));
}

std::shared_ptr<const TableColumns> InsertCache::Columns(
    const std::string& table) {
  std::string key;
  FoldCase(table, &key);
  auto it = tables_.find(key);
  if (it != tables_.end()) return it->second;
  auto columns = ReadColumns(table);
  tables_.emplace(std::move(key), columns);
  return columns;
}

std::shared_ptr<const TableColumns> InsertCache::ColumnsOfSelect(
    const std::string& sql) {
  auto it = sources_.find(sql);
  if (it != sources_.end()) return it->second;
  const std::string name = SelectTableName(sql);
  if (name.empty()) {
    throw Error(errnum::kDatabase,
                "Não foi possível identificar a tabela da instrução: " +
                    DriverErrors::Shorten(sql));
  }
  std::shared_ptr<const TableColumns> table = Columns(name);
  if (sources_.size() >= kMaxCachedSources) sources_.clear();
  sources_.emplace(sql, table);
  return table;
}

QSqlQuery& InsertCache::PreparedInsert(const TableColumns& table,
                                       const std::vector<int>& columns,
                                       const std::string& key) {
  auto it = inserts_.find(key);
  if (it != inserts_.end()) return *it->second;
  QSqlDriver* driver = database_.db().driver();
  QString sql =
      "INSERT INTO " +
      driver->escapeIdentifier(ToQt(table.table()), QSqlDriver::TableName);
  if (columns.empty()) {
    sql += " DEFAULT VALUES";
  } else {
    QString names;
    QString marks;
    for (size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) {
        names += ", ";
        marks += ", ";
      }
      names += driver->escapeIdentifier(ToQt(table.columns()[columns[i]].name),
                                        QSqlDriver::FieldName);
      marks += "?";
    }
    sql += " (" + names + ") VALUES (" + marks + ")";
  }
  auto q = std::make_unique<QSqlQuery>(database_.db());
  if (!q->prepare(sql)) database_.errors().Fail(q->lastError(), ToStd(sql));
  QSqlQuery& ref = *q;
  inserts_.emplace(key, std::move(q));
  return ref;
}

void InsertCache::Insert(const TableColumns& table,
                         const std::vector<Value>& values,
                         const std::vector<char>& set) {
  const std::vector<ColumnInfo>& info = table.columns();
  std::vector<int> columns;
  columns.reserve(info.size());
  std::string key;
  FoldCase(table.table(), &key);
  key += '\x1f';
  for (size_t i = 0; i < info.size(); ++i) {
    if (!set[i]) continue;
    columns.push_back(static_cast<int>(i));
    key += std::to_string(i);
    key += ',';
  }

  std::string article;
  const int article_column = table.Find("Artigo");
  if (article_column >= 0 && set[article_column] &&
      !values[article_column].is_null()) {
    article = values[article_column].ToText();
  }

  // Convert every value before anything is bound, so a bad value leaves the
  // prepared statement untouched.
  std::vector<Value> bound;
  bound.reserve(columns.size());
  for (int c : columns) {
    bound.push_back(BoundValueFor(info[c], values[c], database_.sqlite(),
                                  table.table(), article));
  }
  if (database_.native() != nullptr && !columns.empty()) {
    return RunNativeInsert(table, columns, 1, bound,
                           article.empty() ? "" : "(artigo " + article + ")");
  }
  QSqlQuery& q = PreparedInsert(table, columns, key);
  for (size_t i = 0; i < bound.size(); ++i) {
    q.bindValue(static_cast<int>(i), BindVariant(info[columns[i]], bound[i]));
  }
  if (!q.exec()) {
    database_.errors().Fail(q.lastError(), ToStd(q.lastQuery()),
                            article.empty() ? "" : "(artigo " + article + ")");
  }
}

std::string InsertCache::MultiInsertKey(const TableColumns& table,
                                        const std::vector<int>& columns,
                                        size_t row_count) const {
  std::string key;
  FoldCase(table.table(), &key);
  key += "\x1frows" + std::to_string(row_count) + '\x1f';
  for (int c : columns) key += std::to_string(c) + ',';
  return key;
}

QString InsertCache::MultiInsertText(const TableColumns& table,
                                     const std::vector<int>& columns,
                                     size_t row_count) const {
  QSqlDriver* driver = database_.db().driver();
  QString names;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) names += ", ";
    names += driver->escapeIdentifier(ToQt(table.columns()[columns[i]].name),
                                      QSqlDriver::FieldName);
  }
  QString marks = "(";
  for (size_t i = 0; i < columns.size(); ++i) marks += i > 0 ? ", ?" : "?";
  marks += ")";
  QString sql =
      "INSERT INTO " +
      driver->escapeIdentifier(ToQt(table.table()), QSqlDriver::TableName) +
      " (" + names + ") VALUES ";
  for (size_t r = 0; r < row_count; ++r) {
    if (r > 0) sql += ", ";
    sql += marks;
  }
  return sql;
}

QSqlQuery& InsertCache::PreparedMultiInsert(const TableColumns& table,
                                            const std::vector<int>& columns,
                                            size_t row_count) {
  std::string key = MultiInsertKey(table, columns, row_count);
  auto it = inserts_.find(key);
  if (it != inserts_.end()) return *it->second;
  const QString sql = MultiInsertText(table, columns, row_count);
  auto q = std::make_unique<QSqlQuery>(database_.db());
  if (!q->prepare(sql)) database_.errors().Fail(q->lastError(), ToStd(sql));
  QSqlQuery& ref = *q;
  inserts_.emplace(std::move(key), std::move(q));
  return ref;
}

void InsertCache::RunNativeInsert(const TableColumns& table,
                                  const std::vector<int>& columns,
                                  size_t row_count,
                                  const std::vector<Value>& bound,
                                  const std::string& detail) {
  SqliteStatement& st = NativeMultiInsert(table, columns, row_count);
  try {
    for (size_t i = 0; i < bound.size(); ++i) {
      BindNative(st, static_cast<int>(i + 1), bound[i]);
    }
    st.Step();
    st.Reset();
  } catch (const SqliteStatement::Failure& f) {
    st.Reset();
    database_.errors().FailNative(
        f, ToStd(MultiInsertText(table, columns, row_count)), detail);
  }
}

SqliteStatement& InsertCache::NativeMultiInsert(const TableColumns& table,
                                                const std::vector<int>& columns,
                                                size_t row_count) {
  std::string key = MultiInsertKey(table, columns, row_count);
  auto it = native_inserts_.find(key);
  if (it != native_inserts_.end()) return *it->second;
  const std::string sql = ToStd(MultiInsertText(table, columns, row_count));
  std::unique_ptr<SqliteStatement> st;
  try {
    st = std::make_unique<SqliteStatement>(database_.native(), sql);
  } catch (const SqliteStatement::Failure& f) {
    database_.errors().FailNative(f, sql);
  }
  SqliteStatement& ref = *st;
  native_inserts_.emplace(std::move(key), std::move(st));
  return ref;
}

void InsertCache::InsertRows(const std::string& table,
                             const std::vector<std::string>& columns,
                             const std::vector<std::vector<Value>>& rows) {
  if (rows.empty()) return;
  if (columns.empty() ||
      rows.size() * columns.size() > Connection::kMaxInsertParameters) {
    throw Error(errnum::kInvalidCall,
                "Inserção de " + std::to_string(rows.size()) + " linhas de " +
                    std::to_string(columns.size()) + " colunas na tabela " +
                    table + ": excede " +
                    std::to_string(Connection::kMaxInsertParameters) +
                    " parâmetros");
  }
  const std::shared_ptr<const TableColumns> info = Columns(table);
  std::vector<int> index;
  index.reserve(columns.size());
  for (const std::string& name : columns) {
    const int i = info->Find(name);
    if (i < 0) {
      throw Error(
          errnum::kFieldNotFound,
          "A coluna " + name + " não existe na tabela " + info->table());
    }
    index.push_back(i);
  }
  int article_column = -1;
  for (size_t c = 0; c < columns.size(); ++c) {
    if (index[c] == info->Find("Artigo")) article_column = static_cast<int>(c);
  }
  auto article_of = [&](const std::vector<Value>& row) {
    if (article_column < 0 || row[article_column].is_null()) {
      return std::string();
    }
    return row[article_column].ToText();
  };

  // Convert every value before anything is bound, so a bad value names its
  // article and leaves the prepared statement untouched.
  std::vector<Value> bound;
  bound.reserve(rows.size() * columns.size());
  for (const std::vector<Value>& row : rows) {
    if (row.size() != columns.size()) {
      throw Error(errnum::kInvalidCall,
                  "Linha de " + std::to_string(row.size()) + " valores para " +
                      std::to_string(columns.size()) + " colunas da tabela " +
                      info->table());
    }
    const std::string article = article_of(row);
    for (size_t c = 0; c < columns.size(); ++c) {
      bound.push_back(BoundValueFor(info->columns()[index[c]], row[c],
                                    database_.sqlite(), info->table(),
                                    article));
    }
  }
  auto which = [&] {
    const std::string first = article_of(rows.front());
    const std::string last = article_of(rows.back());
    return rows.size() == 1 ? (first.empty() ? "" : "(artigo " + first + ")")
                            : "(artigos " + first + " a " + last + ")";
  };
  if (database_.native() != nullptr) {
    return RunNativeInsert(*info, index, rows.size(), bound, which());
  }
  QSqlQuery& q = PreparedMultiInsert(*info, index, rows.size());
  for (size_t i = 0; i < bound.size(); ++i) {
    q.bindValue(
        static_cast<int>(i),
        BindVariant(info->columns()[index[i % columns.size()]], bound[i]));
  }
  if (!q.exec()) {
    database_.errors().Fail(q.lastError(), ToStd(q.lastQuery()), which());
  }
}

}  // namespace vor
