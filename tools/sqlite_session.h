// SqliteSession: one QSQLITE connection to an ERP database file, owned for
// the lifetime of the object. The ERP tools (schema creation, the test
// fixture, the demo generator) run their statements through it; every
// failure becomes a std::runtime_error whose text names the file, the
// statement and the driver's message.
//
// Also here: the splitting of a SQL script into statements, and the
// write-to-a-temporary-file-then-rename step that lets a new database
// replace an existing file only once it is complete.
#ifndef VOR_TOOLS_SQLITE_SESSION_H_
#define VOR_TOOLS_SQLITE_SESSION_H_

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace vor {

class SqliteSession {
 public:
  enum class Mode {
    kExisting,  // the file must exist and be a SQLite database
    kCreate,    // the file must not exist; it is created empty
  };

  // Opens `path`. Throws std::runtime_error naming the file when it cannot.
  SqliteSession(const std::string& path, Mode mode);
  ~SqliteSession();

  SqliteSession(const SqliteSession&) = delete;
  SqliteSession& operator=(const SqliteSession&) = delete;

  const std::string& path() const { return path_; }

  // Runs one statement (any trailing result rows are discarded).
  void Exec(std::string_view sql);
  // Runs every statement of a script, in order (see SplitSqlScript).
  void ExecScript(std::string_view script);

  // A prepared statement of this connection; bind with bindValue(i, v) and
  // run with Run().
  QSqlQuery Prepare(std::string_view sql);
  // Runs a prepared statement; on failure throws with the statement text.
  void Run(QSqlQuery& query);

  // A forward-only query that has been executed and is ready for next().
  QSqlQuery Select(std::string_view sql);

 private:
  [[noreturn]] void Fail(const std::string& what, const QString& driver_text,
                         std::string_view sql) const;

  std::string path_;
  QString connection_name_;
};

// Splits a script into its statements at every ';' outside quotes ('...',
// "...", [...]) and comments (-- to end of line, /* ... */). Statements made
// only of blanks and comments are dropped; the others keep their comments.
// Statements with a ';' inside a BEGIN ... END body (triggers) are not
// supported.
std::vector<std::string> SplitSqlScript(std::string_view script);

// The name of the temporary file a new database for `path` is built in.
std::string TemporaryPathFor(const std::string& path);

// Moves the finished temporary file over `path` (replacing it in one step).
// Throws std::runtime_error naming `path` on failure, removing `temporary`.
void ReplaceFileWith(const std::string& temporary, const std::string& path);

}  // namespace vor

#endif  // VOR_TOOLS_SQLITE_SESSION_H_
