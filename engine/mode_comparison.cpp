#include "engine/mode_comparison.h"

#include <fstream>
#include <iterator>

#include "core/control_bytes.h"
#include "db/connection_string_builder.h"
#include "db/qt_sql_connection.h"
#include "engine/test_support.h"
#include "tools/erp_fixture.h"

namespace vor {

namespace {

std::string ConnectionText(const std::string& path) {
  ConnectionStringBuilder b;
  b.Provider("MSDataShape");
  b.DataProvider(1);
  b.Server("sqlite");
  b.Database(path);
  b.User("teste");
  b.TimeoutMs(2000);
  return b.ConnectionString();
}

// The result table row by row: every column as typeof:hex, so that a NUL
// byte or a value's kind differ where quote() would hide them.
std::vector<std::string> Dump(ErpFixture& erp) {
  std::string columns;
  for (const auto& column :
       erp.Query("select name from pragma_table_info('zlx_VOR_Encomendas')")) {
    if (!columns.empty()) columns += " || '|' || ";
    const std::string name = "\"" + column[0] + "\"";
    columns += "typeof(" + name + ") || ':' || hex(" + name + ")";
  }
  std::vector<std::string> rows;
  for (const auto& row : erp.Query("select " + columns +
                                   " from zlx_VOR_Encomendas order by rowid")) {
    rows.push_back(row[0]);
  }
  return rows;
}

template <typename T>
std::string FirstDifference(const char* what, const std::vector<T>& literal,
                            const std::vector<T>& bulk) {
  for (size_t i = 0; i < literal.size() && i < bulk.size(); ++i) {
    if (literal[i] != bulk[i]) {
      return std::string(what) + " " + std::to_string(i + 1) + ": literal [" +
             literal[i] + "], bulk [" + bulk[i] + "]";
    }
  }
  if (literal.size() != bulk.size()) {
    return std::string(what) + ": literal " + std::to_string(literal.size()) +
           " lines, bulk " + std::to_string(bulk.size());
  }
  return "";
}

}  // namespace

ModeOutcome ModeComparison::Run(const std::string& path, ReadingMode mode) {
  ErpFixture erp(path);
  erp.Exec("delete from zlx_VOR_Encomendas");
  testing::TempLog log;
  log.Open();
  testing::RecordingProgress progress;
  ModeOutcome out;
  {
    QtSqlConnection db;
    if (!db.OpenConnection(ConnectionText(path))) {
      out.message = db.OpenFailure();
      return out;
    }
    ReplenishmentEngine engine(db, log.log(), progress, "B",
                               [] { return testing::FixedNow(); });
    engine.set_reading_mode(mode);
    out.completed = engine.LerExistencias();
    out.message = engine.error_message();
  }
  log.log().Fechar();
  out.table = Dump(erp);
  out.log = log.Messages();
  out.list = progress.lines;
  std::ifstream in(log.log().path(), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)),
                          std::istreambuf_iterator<char>());
  out.log_has_nul = bytes.find('\0') != std::string::npos;
  return out;
}

std::string ModeComparison::Difference(const ModeOutcome& literal,
                                       const ModeOutcome& bulk) {
  for (const ModeOutcome* run : {&literal, &bulk}) {
    if (!run->log_has_nul) continue;
    std::string lines;
    for (const std::string& line : run->log) {
      if (line.find('\0') != std::string::npos) {
        lines += " [" + EscapeControlBytes(line) + "]";
      }
    }
    return std::string("a NUL byte in the ") +
           (run == &literal ? "literal" : "bulk") + " run's log:" + lines;
  }
  if (literal.completed != bulk.completed || literal.message != bulk.message) {
    return std::string("outcome: literal ") +
           (literal.completed ? "completed" : "failed") + " [" +
           literal.message + "], bulk " +
           (bulk.completed ? "completed" : "failed") + " [" + bulk.message +
           "]";
  }
  std::string d = FirstDifference("table row", literal.table, bulk.table);
  if (d.empty()) d = FirstDifference("log line", literal.log, bulk.log);
  if (d.empty()) d = FirstDifference("list line", literal.list, bulk.list);
  return d;
}

std::string ModeComparison::Compare(const std::string& path) {
  const ModeOutcome literal = Run(path, ReadingMode::kLiteral);
  const ModeOutcome bulk = Run(path, ReadingMode::kBulk);
  return Difference(literal, bulk);
}

}  // namespace vor
