// QtSqlConnection: the connection object of the program, over Qt Sql. Opens
// either the embedded SQLite engine (QSQLITE) or a server through ODBC
// (QODBC: SQL Server through FreeTDS, or the SQLite ODBC driver), runs the
// program's queries and statements, inserts rows through updatable
// recordsets and brackets the rewrite of the result table in one database
// transaction. It hands each job to one part: QtDatabase (the open),
// SqlTransactions (write and read snapshot), QueryRunner (queries and
// statements), InsertCache (inserts), DriverErrors (the error texts, never
// holding the password).
//
// Texts for an SQLite database (embedded or through ODBC) are rewritten by
// RewriteForSqlite; a server receives them exactly as built. Every database
// failure raises Error -2147217900 whose description holds the driver's text
// and the statement (shortened), never the password; a database that stays
// locked past the timeout is reported as "Base de dados ocupada: ...",
// saying that another program holds it and how long was waited (also as the
// reason of a failed open, when the lock is met by the open's first query).
//
// Each object has its own Qt connection, removed by the destructor. Like all
// Qt Sql connections it must be used on the thread that created it. It does
// not need a QCoreApplication.
#ifndef VOR_DB_QT_SQL_CONNECTION_H_
#define VOR_DB_QT_SQL_CONNECTION_H_

#include <memory>
#include <string>

#include "db/connection.h"

namespace vor {

class QtSqlConnection : public Connection {
 public:
  QtSqlConnection();
  // Abandons a write still in progress and closes the connection.
  ~QtSqlConnection() override;
  QtSqlConnection(const QtSqlConnection&) = delete;
  QtSqlConnection& operator=(const QtSqlConnection&) = delete;

  // Opens the database that `parameters` name, closing any database this
  // object had open. An SQLite file must exist and be a
  // database (never created). On failure returns false and keeps, for
  // OpenFailure and for every later operation, the text
  // "Não foi possivel Abrir a base de dados indicada !\r\n Servidor =<server>
  // \r\nBase de dados =<database>\r\nMotivo: <reason>".
  bool OpenConnection(const QtOpenParameters& parameters) override;
  bool IsOpen() const override;
  std::string OpenFailure() const override;
  // After a failed open: makes `cause` the reason of the failure text (the
  // "Motivo: " line) in place of the driver's, for a cause the caller knows
  // better (e.g. a login that no file gave). Ignored while a database is
  // open or before any open.
  void SetOpenFailureCause(const std::string& cause);

  // Runs the SELECT (forward only) and hands back all its rows in `rs`:
  // fields of kind kVariant named as the driver reports the columns,
  // values as the database gives them (integers, doubles, text, null;
  // ODBC decimal columns exactly as Currency; dates as DateTime or ISO
  // text), positioned on the first row. The first text and the numbers are
  // not used. The query runs in the read snapshot or write in progress, if
  // any (see ReadSnapshot); otherwise on its own.
  void OpenRecordset(const std::string& source, const std::string& sql,
                     Recordset& rs, int cursor_type = -1,
                     int options = 0) override;
  void ExecuteSql(const std::string& source,
                  const std::string& statement) override;
  // `rs` receives a recordset on the table named after FROM in `sql` that
  // adds rows: AddNew, Set by column name (any case; an unknown column
  // raises Error 3265 naming column and table), Update sends one INSERT of
  // the columns set (the others get their default). The SELECT itself is
  // not run: the recordset serves only to add rows. The column list is read
  // once per table and the INSERT prepared once per set of columns, so
  // opening again for every row is cheap. The recordset must not outlive
  // this connection's open database (it then raises the database error).
  // Numbers are not used.
  void OpenRecordsetForUpdate(const std::string& sql,
                              std::unique_ptr<UpdatableRecordset>& rs,
                              int lock_type = 3, int options = -1) override;

  // One INSERT of all `rows`, prepared once per table, columns and row
  // count and reused (a run's full batches share one statement). A value
  // that cannot be stored raises its error naming the article (column
  // Artigo) before anything is sent; a statement the database refuses
  // raises Error -2147217900 naming the first and last article of the rows.
  void InsertRows(const std::string& table,
                  const std::vector<std::string>& columns,
                  const std::vector<std::vector<Value>>& rows) override;

  // A database transaction. SQLite: BEGIN IMMEDIATE (the write lock is
  // taken at once, waiting up to the timeout for another writer), COMMIT,
  // ROLLBACK; a server: the driver's transaction. BeginWrite during a write
  // and EndWrite outside one raise Error 3219. AbandonWrite outside a write
  // does nothing; a rollback that fails raises Error -2147217900 (the write
  // is then no longer reported in progress).
  void BeginWrite() override;
  void EndWrite() override;
  bool WriteInProgress() const override;
  void AbandonWrite() override;
  // A read snapshot: on SQLite a read transaction (BEGIN ... COMMIT), which
  // holds one shared lock while it lasts; on a server nothing is sent. A
  // failed query leaves the snapshot open, for its scope to end. BeginRead
  // raises the database error when the connection is not open.
  bool BeginRead() override;
  void EndRead() override;

  // The Qt Sql connection name of this object (unique in the process).
  std::string QtConnectionName() const;
  // True when the open database is SQLite (embedded or through ODBC).
  bool IsSqlite() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vor

#endif  // VOR_DB_QT_SQL_CONNECTION_H_
