#include "db/query_runner.h"

#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <utility>
#include <vector>

#include "db/qt_values.h"
#include "db/sqlite_statement.h"

namespace vor {

namespace {

// Appends the field of result column `i` named `name` to `out`.
void AppendResultField(Recordset& out, std::string name, int i) {
  if (name.empty()) name = "Expr" + std::to_string(1000 + i);
  // A second column of the same name is kept under a numbered name; the
  // name itself reads the first, as in the database's own result.
  if (out.FindField(name) >= 0) {
    std::string base = name;
    for (int k = 1; out.FindField(name) >= 0; ++k) {
      name = base + "_" + std::to_string(k);
    }
  }
  out.AppendField(name, FieldType::kVariant);
}

}  // namespace

void QueryRunner::Read(const std::string& sql, Recordset& rs) {
  database_.RequireOpen();
  if (database_.native() != nullptr) {
    ReadNative(sql, rs);
  } else {
    ReadQt(sql, rs);
  }
}

void QueryRunner::Execute(const std::string& sql) {
  database_.RequireOpen();
  QSqlQuery q(database_.db());
  if (!q.exec(QString::fromUtf8(database_.ForDatabase(sql)))) {
    database_.errors().Fail(q.lastError(), sql);
  }
}

void QueryRunner::ReadNative(const std::string& sql, Recordset& rs) {
  try {
    SqliteStatement st(database_.native(), database_.ForDatabase(sql));
    const int n = st.ColumnCount();
    Recordset out;
    for (int i = 0; i < n; ++i) AppendResultField(out, st.ColumnName(i), i);
    out.Open();
    while (st.Step()) {
      std::vector<Value> row;
      row.reserve(n);
      for (int i = 0; i < n; ++i) row.push_back(st.ColumnValue(i));
      out.AppendRow(std::move(row));
    }
    out.MoveFirst();
    rs = std::move(out);
  } catch (const SqliteStatement::Failure& f) {
    database_.errors().FailNative(f, sql);
  }
}

void QueryRunner::ReadQt(const std::string& sql, Recordset& rs) {
  QSqlQuery q(database_.db());
  q.setForwardOnly(true);
  if (!q.exec(QString::fromUtf8(database_.ForDatabase(sql)))) {
    const QSqlError error = q.lastError();
    q.finish();
    database_.errors().Fail(error, sql);
  }
  const QSqlRecord record = q.record();
  const int n = record.count();
  Recordset out;
  std::vector<int> types(n, kNoOdbcType);
  for (int i = 0; i < n; ++i) {
    AppendResultField(out, ToStd(record.fieldName(i)), i);
    if (database_.odbc()) types[i] = record.field(i).typeID();
  }
  out.Open();
  while (q.next()) {
    std::vector<Value> row;
    row.reserve(n);
    for (int i = 0; i < n; ++i) {
      row.push_back(ValueFromQt(q.value(i), q.isNull(i), types[i]));
    }
    out.AppendRow(std::move(row));
  }
  if (q.lastError().isValid()) {
    const QSqlError error = q.lastError();
    q.finish();
    database_.errors().Fail(error, sql);
  }
  out.MoveFirst();
  rs = std::move(out);
}

}  // namespace vor
