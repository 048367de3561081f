// DriverErrors: turns what the database drivers report into the program's
// errors, with the password of the login masked wherever it might show.
// Every database failure becomes Error -2147217900 whose description holds
// the driver's text and the statement (shortened, control bytes escaped);
// a lock that outlasted the wait reads "Base de dados ocupada: ...", saying
// that another program holds the database and how long was waited.
#ifndef VOR_DB_DRIVER_ERRORS_H_
#define VOR_DB_DRIVER_ERRORS_H_

#include <QSqlError>
#include <string>

#include "db/sqlite_statement.h"

namespace vor {

class DriverErrors {
 public:
  // Statements are quoted in error descriptions up to this many characters.
  static constexpr size_t kStatementShown = 300;

  // No password to mask, no wait.
  DriverErrors() = default;
  // `password` is masked in every text; `timeout_ms` is how long a lock
  // held by another is waited for.
  DriverErrors(std::string password, int timeout_ms);

  // True when `e` says the database stayed locked by another.
  static bool IsBusy(const QSqlError& e);
  // `statement` cut to kStatementShown characters ("..." after a cut).
  static std::string Shorten(const std::string& statement);

  // `text` with the password, if it ever shows, masked.
  std::string Scrub(std::string text) const;
  // The driver's text of `e`, scrubbed.
  std::string DriverText(const QSqlError& e) const;
  // The busy text for `e` (see the top comment).
  std::string BusyText(const QSqlError& e) const;

  // Raises the database error for `e` on `statement`; `detail` (e.g. the
  // article) follows the driver's text.
  [[noreturn]] void Fail(const QSqlError& e, const std::string& statement,
                         const std::string& detail = "") const;
  // The same for a failure of the SQLite C API, worded as Qt's driver
  // words the same failure.
  [[noreturn]] void FailNative(const SqliteStatement::Failure& f,
                               const std::string& statement,
                               const std::string& detail = "") const;

 private:
  std::string password_;  // only to keep it out of driver texts
  int timeout_ms_ = 0;
};

}  // namespace vor

#endif  // VOR_DB_DRIVER_ERRORS_H_
