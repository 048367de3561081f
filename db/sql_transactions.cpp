#include "db/sql_transactions.h"

#include <QSqlQuery>

#include "core/error.h"

namespace vor {

void SqlTransactions::Execute(const char* sql) {
  QSqlQuery q(database_.db());
  if (!q.exec(sql)) database_.errors().Fail(q.lastError(), sql);
}

bool SqlTransactions::BeginRead() {
  database_.RequireOpen();
  if (in_write_ || in_read_) return false;
  if (database_.sqlite()) Execute("BEGIN");
  in_read_ = true;
  return true;
}

void SqlTransactions::EndRead() {
  if (!in_read_) return;
  in_read_ = false;
  if (!database_.sqlite() || !database_.IsOpen()) return;
  QSqlQuery q(database_.db());
  if (!q.exec("COMMIT")) q.exec("ROLLBACK");
}

void SqlTransactions::BeginWrite() {
  database_.RequireOpen();
  if (in_write_) {
    throw Error(errnum::kInvalidOperation,
                "Já existe uma escrita em curso nesta ligação");
  }
  EndRead();
  if (database_.sqlite()) {
    Execute("BEGIN IMMEDIATE");
  } else if (!database_.db().transaction()) {
    database_.errors().Fail(database_.db().lastError(), "BEGIN TRANSACTION");
  }
  in_write_ = true;
}

void SqlTransactions::EndWrite() {
  database_.RequireOpen();
  if (!in_write_) {
    throw Error(errnum::kInvalidOperation,
                "Não há nenhuma escrita em curso para terminar");
  }
  // On failure the write stays in progress, for AbandonWrite to undo.
  if (database_.sqlite()) {
    Execute("COMMIT");
  } else if (!database_.db().commit()) {
    database_.errors().Fail(database_.db().lastError(), "COMMIT");
  }
  in_write_ = false;
}

void SqlTransactions::AbandonWrite() {
  if (!in_write_) return;
  in_write_ = false;
  if (!database_.IsOpen()) return;
  QSqlDatabase& db = database_.db();
  if (database_.sqlite()) {
    QSqlQuery q(db);
    if (q.exec("ROLLBACK")) return;
    // A failed COMMIT may already have ended the transaction: then there
    // is nothing left to undo and nothing was kept.
    if (q.lastError().text().contains("no transaction is active",
                                      Qt::CaseInsensitive)) {
      return;
    }
    database_.errors().Fail(q.lastError(), "ROLLBACK",
                            "(não foi possível anular a escrita)");
  }
  if (!db.rollback()) {
    database_.errors().Fail(db.lastError(), "ROLLBACK",
                            "(não foi possível anular a escrita)");
  }
}

void SqlTransactions::RollBackQuietly() {
  if (!in_write_ || !database_.IsOpen()) return;
  QSqlQuery q(database_.db());
  if (database_.sqlite()) {
    q.exec("ROLLBACK");
  } else {
    database_.db().rollback();
  }
}

void SqlTransactions::Forget() {
  in_write_ = false;
  in_read_ = false;
}

}  // namespace vor
