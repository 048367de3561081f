// db_bench: throughput of the data-access layer on SQLite.
//  1. rows per second written as the result writer writes them: one
//     transaction, OpenRecordsetForUpdate opened anew for every row, 32
//     columns set by name, one INSERT per row (table shaped like
//     zlx_VOR_Encomendas);
//  2. simple queries per second through OpenRecordset on a 50 000-row
//     indexed article table ("Select stdisp from Artigos where Codigo='X' ").
// Both through the embedded engine and through the SQLite ODBC driver.
//
//   db_bench [rows] [queries]
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/currency.h"
#include "core/error.h"
#include "core/recordset.h"
#include "core/value.h"
#include "db/connection_string_builder.h"
#include "db/qt_sql_connection.h"
#include "db/result_table.h"
#include "testing/instrumented_connection.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kArticles = 50000;

// The SQL type of a result column as the SQL Server script declares it.
std::string SqlType(const vor::ResultColumn& column) {
  switch (column.type) {
    case vor::FieldType::kText:
      return "varchar(" + std::to_string(column.size) + ")";
    case vor::FieldType::kBoolean:
      return "bit";
    case vor::FieldType::kSmallInt:
      return "smallint";
    default:
      return "decimal(19,4)";
  }
}

bool Run(QSqlDatabase& db, const std::string& sql) {
  QSqlQuery q(db);
  if (q.exec(QString::fromStdString(sql))) return true;
  std::fprintf(stderr, "%s: %s\n", sql.c_str(),
               q.lastError().text().toUtf8().constData());
  return false;
}

bool CreateDatabase(const std::string& path) {
  std::filesystem::remove(path);
  bool ok = true;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench_setup");
    db.setDatabaseName(QString::fromStdString(path));
    if (!db.open()) return false;
    std::string create = "create table zlx_VOR_Encomendas (";
    for (size_t i = 0; i < vor::kResultFields.size(); ++i) {
      if (i > 0) create += ", ";
      create += std::string(vor::kResultFields[i].name) + " " +
                SqlType(vor::kResultFields[i]);
    }
    create += ")";
    ok = ok && Run(db, create);
    ok = ok && Run(db,
                   "create table Artigos (Codigo varchar(15) COLLATE NOCASE "
                   "primary key, Nome varchar(80), stdisp decimal(19,4))");
    ok = ok && Run(db, "begin");
    QSqlQuery insert(db);
    insert.prepare("insert into Artigos values (?, ?, ?)");
    for (int i = 0; ok && i < kArticles; ++i) {
      insert.bindValue(0, QString("ART%1").arg(i, 6, 10, QChar('0')));
      insert.bindValue(1, QString("Artigo numero %1").arg(i));
      insert.bindValue(2, i * 0.25);
      ok = insert.exec();
    }
    ok = ok && Run(db, "commit");
    db.close();
  }
  QSqlDatabase::removeDatabase("bench_setup");
  return ok;
}

vor::QtOpenParameters Text(const std::string& path, bool odbc) {
  vor::ConnectionStringBuilder b;
  b.Provider("MSDataShape");
  b.DataProvider(1);
  b.Server(odbc ? "localhost" : "sqlite");
  b.Database(path);
  b.User("bench");
  b.Driver(odbc ? "SQLite3" : "FreeTDS");
  return b.ConnectionString();
}

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// The working-table row `i`, as the writer hands it across.
std::vector<vor::Value> Row(int i) {
  std::vector<vor::Value> row;
  row.reserve(vor::kResultFields.size());
  for (size_t c = 0; c < vor::kResultFields.size(); ++c) {
    const vor::FieldType type = vor::kResultFields[c].type;
    if (c == 0) {
      row.emplace_back("ART" + std::to_string(i));
    } else if (type == vor::FieldType::kText) {
      row.emplace_back(std::string("x"));
    } else if (type == vor::FieldType::kBoolean) {
      row.emplace_back(false);
    } else if (type == vor::FieldType::kSmallInt) {
      row.emplace_back(i % 2);
    } else {
      row.emplace_back(vor::Currency::FromRaw(i * 10000LL + 1234));
    }
  }
  // Origem without value, as in most rows.
  row[static_cast<size_t>(vor::ResultField::kOrigem)] = vor::Value();
  return row;
}

void BenchInserts(const std::string& path, bool odbc, int rows) {
  vor::QtSqlConnection inner;
  if (!inner.OpenConnection(Text(path, odbc))) {
    std::fprintf(stderr, "%s\n", inner.OpenFailure().c_str());
    std::exit(1);
  }
  vor::InstrumentedConnection c(inner);
  std::vector<std::vector<vor::Value>> data;
  data.reserve(rows);
  for (int i = 0; i < rows; ++i) data.push_back(Row(i));

  const auto start = Clock::now();
  c.BeginWrite();
  c.ExecuteSql("", "delete from zlx_VOR_Encomendas ");
  std::unique_ptr<vor::UpdatableRecordset> rs;
  for (int i = 0; i < rows; ++i) {
    c.OpenRecordsetForUpdate(
        "Select * from zlx_VOR_Encomendas where Artigo='h$hg?'", rs, 3, -1);
    rs->AddNew();
    for (size_t col = 0; col < vor::kResultFields.size(); ++col) {
      rs->Set(vor::kResultFields[col].name, data[i][col]);
    }
    rs->Update();
  }
  c.EndWrite();
  const double s = Seconds(Clock::now() - start);
  using Op = vor::InstrumentedConnection::Operation;
  std::printf(
      "%-9s inserts: %d rows of 32 columns in %.3f s = %.0f rows/s "
      "(Update %.3f s, Set %.3f s, OpenRecordsetForUpdate %.3f s, commit "
      "%.3f s)\n",
      odbc ? "ODBC" : "embedded", rows, s, rows / s,
      Seconds(c.TimeSpent(Op::kUpdate)), Seconds(c.TimeSpent(Op::kSet)),
      Seconds(c.TimeSpent(Op::kOpenRecordsetForUpdate)),
      Seconds(c.TimeSpent(Op::kEndWrite)));
}

void BenchQueries(const std::string& path, bool odbc, int queries) {
  vor::QtSqlConnection c;
  if (!c.OpenConnection(Text(path, odbc))) {
    std::fprintf(stderr, "%s\n", c.OpenFailure().c_str());
    std::exit(1);
  }
  vor::Recordset rs;
  vor::Currency total;
  const auto start = Clock::now();
  for (int i = 0; i < queries; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "ART%06d", (i * 7919) % kArticles);
    c.OpenRecordset(
        "",
        std::string("Select stdisp from Artigos where Codigo='") + code + "' ",
        rs, -1, 0);
    if (!rs.Eof()) total += rs.Get("StDisp").ToCurrency();
  }
  const double s = Seconds(Clock::now() - start);
  std::printf("%-9s queries: %d in %.3f s = %.0f queries/s (sum %s)\n",
              odbc ? "ODBC" : "embedded", queries, s, queries / s,
              total.ToString().c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 50000;
  const int queries = argc > 2 ? std::atoi(argv[2]) : 50000;
  const std::string path =
      (std::filesystem::temp_directory_path() / "vor_db_bench.db").string();
  if (!CreateDatabase(path)) {
    std::fprintf(stderr, "cannot create %s\n", path.c_str());
    return 1;
  }
  try {
    for (bool odbc : {false, true}) {
      BenchInserts(path, odbc, rows);
      BenchQueries(path, odbc, queries);
    }
  } catch (const vor::Error& e) {
    std::fprintf(stderr, "Erro %ld: %s\n", e.number(), e.description().c_str());
    return 1;
  }
  std::filesystem::remove(path);
  return 0;
}
