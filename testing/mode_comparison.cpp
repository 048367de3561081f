#include "testing/mode_comparison.h"

#include <fstream>
#include <iterator>

#include "core/control_bytes.h"
#include "db/qt_sql_connection.h"
#include "proposal/proposal_table.h"
#include "testing/test_database.h"
#include "testing/test_erps.h"
#include "testing/test_support.h"
#include "tools/erp_fixture.h"

namespace vor {

namespace {

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

// The first field where `held` (the rows the engine handed over) differs
// from `read` (the table read back); "" when none.
std::string RowsDifference(const std::vector<ProposalRow>& held,
                           const std::vector<ProposalRow>& read) {
  if (held.size() != read.size()) {
    return "handed over " + std::to_string(held.size()) + " rows, table " +
           std::to_string(read.size());
  }
  for (size_t r = 0; r < held.size(); ++r) {
    for (size_t f = 0; f < kResultFields.size(); ++f) {
      if (!(held[r].values[f] == read[r].values[f])) {
        return "handed-over row " + std::to_string(r + 1) + " column " +
               std::string(kResultFields[f].name) + ": [" +
               held[r].values[f].Describe() + "], table [" +
               read[r].values[f].Describe() + "]";
      }
    }
  }
  return "";
}

}  // namespace

ModeOutcome ModeComparison::Run(
    const std::string& path, ReadingMode mode,
    const std::function<void(InstrumentedConnection&)>& set_up) {
  ErpFixture erp(path);
  erp.Exec("delete from zlx_VOR_Encomendas");
  testing::TempLog log;
  log.Open();
  testing::RecordingProgress progress;
  ModeOutcome out;
  {
    QtSqlConnection db;
    if (!db.OpenConnection(testing::SqliteOpenParameters(
            path, testing::SqlitePath::kEmbedded))) {
      out.message = db.OpenFailure();
      return out;
    }
    InstrumentedConnection probe(db);
    if (set_up) set_up(probe);
    ReplenishmentEngine engine(probe, log.log(), progress, "B",
                               [] { return testing::FixedNow(); });
    engine.set_reading_mode(mode);
    out.completed = engine.LerExistencias();
    out.message = engine.error_message();
    out.inserts = probe.Statements("insert");
    out.statements =
        probe.Calls(InstrumentedConnection::Operation::kOpenRecordset) +
        probe.Calls(InstrumentedConnection::Operation::kExecuteSql);
    Recordset written = engine.TakeResult();
    if (out.completed && written.RecordCount() > 0) {
      std::vector<ResultField> fields;
      for (size_t f = 0; f < kResultFields.size(); ++f) {
        fields.push_back(static_cast<ResultField>(f));
      }
      out.handed_over = RowsDifference(
          ProposalTable::RowsOf(written, kResultTableName, fields),
          ProposalTable::Read(db).rows());
    }
  }
  log.log().Fechar();
  out.table = testing::ResultTableDump(erp);
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
  for (const ModeOutcome* run : {&literal, &bulk}) {
    if (!run->handed_over.empty()) {
      return std::string(run == &literal ? "literal" : "bulk") +
             " run: " + run->handed_over;
    }
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
