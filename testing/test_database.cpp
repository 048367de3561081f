#include "testing/test_database.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QUrl>
#include <atomic>
#include <filesystem>
#include <fstream>

#include "db/connection_string_builder.h"

namespace vor::testing {

namespace {

std::string NextHelperName() {
  static std::atomic<int> counter{0};
  return "vor_db_test_helper_" + std::to_string(++counter);
}

// The path as a file: URI, so that '?', '#' and '%' in a name stay part of
// it (SQLite may read every file name as a URI).
QString FileUri(const std::string& path, const char* mode) {
  return "file:" +
         QString::fromLatin1(
             QUrl::toPercentEncoding(QString::fromStdString(path), "/")) +
         "?mode=" + mode;
}

}  // namespace

void CreateSqliteDatabase(const std::string& path,
                          const std::vector<std::string>& statements) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  const QString name = QString::fromStdString(NextHelperName());
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
    db.setDatabaseName(FileUri(path, "rwc"));
    db.setConnectOptions("QSQLITE_OPEN_URI");
    ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
    for (const std::string& s : statements) {
      QSqlQuery q(db);
      EXPECT_TRUE(q.exec(QString::fromStdString(s)))
          << s << ": " << q.lastError().text().toStdString();
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
}

std::vector<std::string> QueryColumn(const std::string& path,
                                     const std::string& sql) {
  std::vector<std::string> out;
  const QString name = QString::fromStdString(NextHelperName());
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
    db.setDatabaseName(FileUri(path, "ro"));
    db.setConnectOptions("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000");
    EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
    QSqlQuery q(db);
    EXPECT_TRUE(q.exec(QString::fromStdString(sql)))
        << sql << ": " << q.lastError().text().toStdString();
    while (q.next()) {
      out.push_back(q.isNull(0) ? "NULL" : q.value(0).toString().toStdString());
    }
  }
  QSqlDatabase::removeDatabase(name);
  return out;
}

QtOpenParameters SqliteOpenParameters(const std::string& path, SqlitePath how,
                                      int timeout_ms,
                                      const std::string& password) {
  ConnectionStringBuilder b;
  b.Provider("MSDataShape");
  b.DataProvider(1);
  b.Server(how == SqlitePath::kEmbedded ? "sqlite" : "localhost");
  b.Database(path);
  b.User("teste");
  b.Password(password);
  b.Driver(how == SqlitePath::kEmbedded ? "FreeTDS" : "SQLite3");
  b.TimeoutMs(timeout_ms);
  return b.ConnectionString();
}

}  // namespace vor::testing
