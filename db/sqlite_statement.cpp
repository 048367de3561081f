#include "db/sqlite_statement.h"

#include <cctype>

namespace vor {

SqliteStatement::SqliteStatement(sqlite3* db, const std::string& text)
    : db_(db) {
  // The text is given with its terminating NUL, which spares SQLite a copy.
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(
      db_, text.c_str(), static_cast<int>(text.size() + 1), &stmt_, &tail);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    Fail(rc, "Unable to execute statement");
  }
  const char* end = text.c_str() + text.size();
  for (const char* p = tail; p != nullptr && p < end && *p != '\0'; ++p) {
    if (!std::isspace(static_cast<unsigned char>(*p))) {
      sqlite3_finalize(stmt_);
      stmt_ = nullptr;
      throw Failure{SQLITE_MISUSE, "",
                    "Unable to execute multiple statements at a time"};
    }
  }
  if (stmt_ == nullptr) {
    // Only blanks or a comment: SQLite prepares nothing.
    throw Failure{SQLITE_MISUSE, "", "Unable to execute statement"};
  }
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(stmt_); }

void SqliteStatement::Fail(int code, const char* what) const {
  throw Failure{code, sqlite3_errmsg(db_), what};
}

void SqliteStatement::Check(int code) const {
  if (code != SQLITE_OK) Fail(code, "Unable to bind parameters");
}

int SqliteStatement::ColumnCount() const { return sqlite3_column_count(stmt_); }

std::string SqliteStatement::ColumnName(int column) const {
  const char* name = sqlite3_column_name(stmt_, column);
  return name == nullptr ? std::string() : std::string(name);
}

bool SqliteStatement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  // The statement's own result code is the error's (sqlite3_step of the
  // v2 interface returns it directly).
  Fail(rc, "Unable to fetch row");
}

Value SqliteStatement::ColumnValue(int column) const {
  switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_INTEGER:
      return Value(static_cast<long long>(sqlite3_column_int64(stmt_, column)));
    case SQLITE_FLOAT:
      return Value(sqlite3_column_double(stmt_, column));
    case SQLITE_TEXT: {
      const auto* text =
          reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
      return Value(std::string(text, sqlite3_column_bytes(stmt_, column)));
    }
    case SQLITE_BLOB: {
      const auto* bytes =
          static_cast<const char*>(sqlite3_column_blob(stmt_, column));
      const int size = sqlite3_column_bytes(stmt_, column);
      return Value(bytes == nullptr ? std::string() : std::string(bytes, size));
    }
    default:
      return Value();
  }
}

void SqliteStatement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

void SqliteStatement::BindNull(int index) {
  Check(sqlite3_bind_null(stmt_, index));
}

void SqliteStatement::BindInt(int index, int64_t value) {
  Check(sqlite3_bind_int64(stmt_, index, value));
}

void SqliteStatement::BindDouble(int index, double value) {
  Check(sqlite3_bind_double(stmt_, index, value));
}

void SqliteStatement::BindText(int index, std::string_view text) {
  Check(sqlite3_bind_text64(stmt_, index, text.data(), text.size(),
                            SQLITE_TRANSIENT, SQLITE_UTF8));
}

}  // namespace vor
