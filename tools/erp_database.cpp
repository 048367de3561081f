#include "tools/erp_database.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "tools/sqlite_session.h"

namespace vor {

void ApplyErpSchema(SqliteSession& session) {
  session.ExecScript(ErpSqliteSchema());
}

void ApplyHistorySchema(SqliteSession& session) {
  session.ExecScript(HistorySqliteSchema());
}

void ApplySupplierTermsSchema(SqliteSession& session) {
  session.ExecScript(SupplierTermsSqliteSchema());
}

void CreateErpDatabase(const std::string& path) {
  const std::string temporary = TemporaryPathFor(path);
  std::error_code ignored;
  std::filesystem::remove(temporary, ignored);
  try {
    SqliteSession session(temporary, SqliteSession::Mode::kCreate);
    // One transaction: one write to disk instead of one per table.
    session.Exec("BEGIN");
    ApplyErpSchema(session);
    session.Exec("COMMIT");
  } catch (const std::exception& e) {
    std::filesystem::remove(temporary, ignored);
    throw std::runtime_error("Não foi possível criar a base de dados ERP '" +
                             path + "': " + e.what());
  }
  ReplaceFileWith(temporary, path);
}

}  // namespace vor
