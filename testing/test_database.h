// Test helpers of the data-access tests: SQLite databases built from a list of
// statements, and the connection texts that reach such a database through
// either path (embedded QSQLITE, or QODBC with the SQLite ODBC driver
// "SQLite3").
#ifndef VOR_TESTING_TEST_DATABASE_H_
#define VOR_TESTING_TEST_DATABASE_H_

#include <string>
#include <vector>

#include "testing/temp_folder.h"
#include "db/qt_open_parameters.h"

namespace vor::testing {

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
