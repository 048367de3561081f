// QtDatabase: one Qt Sql connection to the ERP database, open or not. Opens
// it as QtOpenParameters say (the embedded SQLite engine, or a server or
// SQLite file through ODBC), checks that what opened is a database, and
// keeps why an open failed. Knows the dialect of what is open and, for
// embedded SQLite, the C API handle of the same connection.
//
// Each object has its own Qt connection name, removed by Close and the
// destructor. Like all Qt Sql connections it must be used on the thread
// that created it.
#ifndef VOR_DB_QT_DATABASE_H_
#define VOR_DB_QT_DATABASE_H_

#include <sqlite3.h>

#include <QSqlDatabase>
#include <memory>
#include <string>

#include "db/busy_wait.h"
#include "db/driver_errors.h"
#include "db/qt_open_parameters.h"

namespace vor {

class QtDatabase {
 public:
  QtDatabase();
  // Closes the connection.
  ~QtDatabase();
  QtDatabase(const QtDatabase&) = delete;
  QtDatabase& operator=(const QtDatabase&) = delete;

  // Opens the database `p` names; an SQLite file must exist and be a
  // database (never created). On failure returns false and keeps, for
  // Failure and RequireOpen, the text "Não foi possivel Abrir a base de
  // dados indicada !\r\n Servidor =<server>\r\nBase de dados =<database>
  // \r\nMotivo: <reason>", never holding the password; when the database
  // is there but another program kept it locked for longer than the wait,
  // the title says so instead: "A base de dados indicada está ocupada por
  // outro programa !". Embedded SQLite waits for a lock through BusyWait
  // (so an installed BusyWatcher sees the wait). Call once.
  bool Open(const QtOpenParameters& p);
  // Closes and forgets the Qt connection (statements on it must be gone).
  void Close();

  bool IsOpen() const { return open_; }
  // The failure text of Open ("" when open or never tried).
  const std::string& Failure() const { return failure_; }
  // After a failed open: `cause` becomes the reason of the failure text in
  // place of the driver's. Ignored while open or before any open.
  void SetFailureCause(const std::string& cause);
  // Raises the database error (the failure text, if any) unless open.
  void RequireOpen() const;

  // `sql` as the open database takes it (RewriteForSqlite for SQLite).
  std::string ForDatabase(const std::string& sql) const;

  QSqlDatabase& db() { return db_; }
  // Embedded SQLite: the C API handle of this connection; null otherwise.
  sqlite3* native() const { return native_; }
  // True when the open database is SQLite (embedded or through ODBC).
  bool sqlite() const { return sqlite_; }
  bool odbc() const { return odbc_; }
  const DriverErrors& errors() const { return errors_; }
  // The Qt Sql connection name (unique in the process).
  const std::string& name() const { return name_; }

 private:
  // The reason the database opened by `p` cannot be used ("" when it can),
  // after its first query.
  std::string CheckOpened(const QtOpenParameters& p);
  // Set by CheckOpened when the check query found the database locked.
  bool busy_ = false;

  std::string name_;
  QSqlDatabase db_;
  bool registered_ = false;  // `name_` is known to QSqlDatabase
  bool open_ = false;
  std::string failure_;
  // The failure text up to its reason: the title, server and database.
  std::string failure_head_;
  bool sqlite_ = false;
  bool odbc_ = false;
  sqlite3* native_ = nullptr;
  DriverErrors errors_;
  // The busy handler of embedded SQLite (null for ODBC).
  std::unique_ptr<BusyWait> busy_wait_;
};

}  // namespace vor

#endif  // VOR_DB_QT_DATABASE_H_
