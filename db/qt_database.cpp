#include "db/qt_database.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QString>
#include <atomic>
#include <filesystem>
#include <system_error>

#include "core/error.h"
#include "db/qt_values.h"
#include "db/sql_dialect.h"

namespace vor {

namespace {

constexpr char kOpenFailure[] =
    "Não foi possivel Abrir a base de dados indicada !";
// The title when the database opened but stayed locked by another program:
// the file is there, nothing is wrong with it.
constexpr char kBusyFailure[] =
    "A base de dados indicada está ocupada por outro programa !";

QString ToQt(const std::string& s) { return QString::fromUtf8(s); }

std::string NextConnectionName() {
  static std::atomic<unsigned long long> counter{0};
  return "vor_db_" + std::to_string(++counter);
}

// The sqlite3 handle of an open QSQLITE connection; null when the driver
// does not give one.
sqlite3* NativeHandle(const QSqlDatabase& db) {
  const QVariant handle = db.driver()->handle();
  if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
    return nullptr;
  }
  return *static_cast<sqlite3* const*>(handle.constData());
}

// Why an SQLite file cannot be opened, or "" when it can be tried.
std::string SqliteFileProblem(const std::string& path) {
  if (path.empty()) return "não foi indicado o ficheiro da base de dados";
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) {
    return "o ficheiro não existe";
  }
  if (ec) return "o ficheiro não pode ser consultado (" + ec.message() + ")";
  if (status.type() == std::filesystem::file_type::directory) {
    return "o caminho indicado é uma pasta, não um ficheiro";
  }
  if (status.type() != std::filesystem::file_type::regular) {
    return "o caminho indicado não é um ficheiro normal";
  }
  if (std::filesystem::file_size(path, ec) == 0 && !ec) {
    return "o ficheiro está vazio, não é uma base de dados";
  }
  return "";
}

}  // namespace

QtDatabase::QtDatabase() : name_(NextConnectionName()) {}

QtDatabase::~QtDatabase() { Close(); }

void QtDatabase::Close() {
  native_ = nullptr;
  if (db_.isOpen()) db_.close();
  db_ = QSqlDatabase();
  if (registered_) {
    QSqlDatabase::removeDatabase(ToQt(name_));
    registered_ = false;
  }
  open_ = false;
  busy_wait_.reset();
}

bool QtDatabase::Open(const QtOpenParameters& p) {
  errors_ = DriverErrors(p.password, p.timeout_ms < 0 ? 0 : p.timeout_ms);
  sqlite_ = p.sqlite_dialect;
  odbc_ = p.qt_driver == "QODBC";

  std::string reason = p.problem;
  if (reason.empty() && p.sqlite_dialect) {
    reason = SqliteFileProblem(p.database_file);
  }
  if (reason.empty()) {
    db_ = QSqlDatabase::addDatabase(ToQt(p.qt_driver), ToQt(name_));
    registered_ = true;
    if (!db_.isValid()) {
      reason = "o controlador " + p.qt_driver + " do Qt não está disponível";
    }
  }
  if (reason.empty()) {
    db_.setDatabaseName(ToQt(p.database_name));
    db_.setConnectOptions(ToQt(p.connect_options));
    // Decimal columns come as text and are read exactly (never as doubles).
    if (odbc_) db_.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!db_.open()) {
      reason = errors_.DriverText(db_.lastError());
      if (reason.empty()) reason = "o controlador não indicou a causa";
    } else if (!odbc_) {
      if (sqlite3* handle = NativeHandle(db_)) {
        // In place of the driver's busy timeout, with the same wait.
        busy_wait_ = std::make_unique<BusyWait>(p.timeout_ms);
        busy_wait_->Attach(handle);
      }
    }
  }
  if (reason.empty()) reason = CheckOpened(p);
  if (!reason.empty()) {
    Close();
    failure_head_ = std::string(busy_ ? kBusyFailure : kOpenFailure) +
                    "\r\n Servidor =" + p.server +
                    "\r\nBase de dados =" + p.database + "\r\nMotivo: ";
    failure_ = failure_head_ + errors_.Scrub(reason);
    return false;
  }
  open_ = true;
  return true;
}

std::string QtDatabase::CheckOpened(const QtOpenParameters& p) {
  QSqlQuery q(db_);
  const char* check =
      p.sqlite_dialect ? "select count(*) from sqlite_master" : nullptr;
  std::string lock_timeout;
  if (!p.sqlite_dialect) {
    // Without it a server waits for a lock for ever.
    lock_timeout = "SET LOCK_TIMEOUT " + std::to_string(p.timeout_ms);
    check = lock_timeout.c_str();
  }
  if (!q.exec(check)) {
    // A file locked by another program is a database all the same.
    if (DriverErrors::IsBusy(q.lastError())) {
      busy_ = true;
      return errors_.BusyText(q.lastError());
    }
    if (p.sqlite_dialect) {
      return "o ficheiro não é uma base de dados SQLite válida (" +
             errors_.DriverText(q.lastError()) + ")";
    }
    return errors_.DriverText(q.lastError());
  }
  if (p.sqlite_dialect) {
    // A run sends some hundred thousand small queries against an ERP of
    // tens or hundreds of megabytes. A 16 MB page cache keeps the pages
    // they share at hand (SQLite's default is 2 MB); the rest of the file
    // is read through the system's file cache. No memory-mapped reads: each
    // mapped page of the file would count in the program's resident size,
    // the whole ERP file at the end of a run.
    q.exec("PRAGMA cache_size=-16384");
    q.exec("PRAGMA mmap_size=0");
    if (!odbc_) native_ = NativeHandle(db_);
  }
  return "";
}

void QtDatabase::SetFailureCause(const std::string& cause) {
  if (open_ || failure_.empty() || cause.empty()) return;
  failure_ = failure_head_ + errors_.Scrub(cause);
}

void QtDatabase::RequireOpen() const {
  if (open_) return;
  throw Error(errnum::kDatabase,
              failure_.empty() ? "A ligação à base de dados não está aberta"
                               : failure_);
}

std::string QtDatabase::ForDatabase(const std::string& sql) const {
  return sqlite_ ? RewriteForSqlite(sql) : sql;
}

}  // namespace vor
