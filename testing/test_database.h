// Test helpers of the data-access tests: a temporary folder, small files and
// SQLite databases built from a list of statements, and the connection texts
// that reach such a database through either path (embedded QSQLITE, or
// QODBC with the SQLite ODBC driver "SQLite3").
#ifndef VOR_TESTING_TEST_DATABASE_H_
#define VOR_TESTING_TEST_DATABASE_H_

#include <string>
#include <vector>

#include "db/qt_open_parameters.h"

namespace vor::testing {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

// Writes `content` into the file at `path` (replacing it).
void WriteFile(const std::string& path, const std::string& content);

// Creates (or replaces) the SQLite database at `path` and runs `statements`
// in it. Fails the calling test on an error.
void CreateSqliteDatabase(const std::string& path,
                          const std::vector<std::string>& statements);

// Runs one query on the SQLite file directly (not through the code under
// test) and returns the first column of every row as text ("NULL" for null).
std::vector<std::string> QueryColumn(const std::string& path,
                                     const std::string& sql);

// The two ways a test reaches an SQLite file.
enum class SqlitePath { kEmbedded, kOdbc };

// What the driver is given for the SQLite file at `path` through `how`.
QtOpenParameters SqliteOpenParameters(const std::string& path, SqlitePath how,
                                      int timeout_ms = 2000,
                                      const std::string& password = "");

}  // namespace vor::testing

#endif  // VOR_TESTING_TEST_DATABASE_H_
