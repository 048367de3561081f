// InstrumentedConnection: a Connection that passes every call on to another
// Connection while counting the calls per operation and per statement kind,
// adding up the wall time spent inside the wrapped calls, and, on request,
// failing a chosen call. The engine, writer and benchmark tests use it to see
// what reaches the database and to interrupt a run at a precise point.
//
//   QtSqlConnection db; db.OpenConnection(parameters);
//   InstrumentedConnection probe(db);
//   probe.FailOnCall(InstrumentedConnection::Operation::kUpdate, 3);
//   GravaTabela(rsfinal, probe);  // the 3rd row's insert raises the error
//   EXPECT_EQ(probe.Calls(InstrumentedConnection::Operation::kUpdate), 3);
#ifndef VOR_TESTING_INSTRUMENTED_CONNECTION_H_
#define VOR_TESTING_INSTRUMENTED_CONNECTION_H_

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"

namespace vor {

class InstrumentedConnection : public Connection {
 public:
  enum class Operation {
    kOpenConnection,
    kOpenRecordset,
    kExecuteSql,
    kOpenRecordsetForUpdate,
    kAddNew,  // UpdatableRecordset::AddNew
    kSet,     // UpdatableRecordset::Set
    kUpdate,  // UpdatableRecordset::Update (one INSERT)
    kBeginWrite,
    kEndWrite,
    kWriteInProgress,
    kAbandonWrite,
    kInsertRows,  // one multi-row INSERT
    kEndRead,
    kBeginRead,
  };
  static constexpr int kOperationCount = 14;

  // Wraps `inner`, which must outlive this object.
  explicit InstrumentedConnection(Connection& inner);
  // Wraps and owns `inner`.
  explicit InstrumentedConnection(std::unique_ptr<Connection> inner);
  ~InstrumentedConnection() override;

  // Name of an operation ("OpenRecordset", "Update"...), for messages.
  static const char* OperationName(Operation op);

  // Calls of `op` so far, including a call that was made to fail.
  int64_t Calls(Operation op) const;
  // Statements of a kind: the first word of the SQL in lower case
  // ("select", "delete"...), for OpenRecordset and ExecuteSql; every Update
  // of an updatable recordset and every InsertRows counts as one "insert".
  int64_t Statements(const std::string& kind) const;
  // The kind of `sql`: its first word in lower case, after blanks, comments
  // and opening parentheses; "" when the text starts with no word.
  static std::string StatementKind(std::string_view sql);
  // Wall time spent inside the wrapped calls, in total and per operation.
  std::chrono::nanoseconds TimeSpent() const;
  std::chrono::nanoseconds TimeSpent(Operation op) const;
  // The SQL texts given to OpenRecordset and ExecuteSql, in order, while
  // recording is on (off at first).
  void RecordSql(bool on) { record_sql_ = on; }
  const std::vector<std::string>& SqlLog() const { return sql_log_; }
  // Makes every call that reaches the database server (OpenRecordset,
  // ExecuteSql, Update, InsertRows, BeginWrite, EndWrite, AbandonWrite)
  // wait `delay` first, inside its timed part, as a round trip to a server
  // across a network would. Zero (the default) waits nothing.
  void SetStatementDelay(std::chrono::nanoseconds delay) { delay_ = delay; }
  // Forgets counts, times and the SQL log (failure rules stay).
  void ResetCounts();

  // Makes the `n`-th call (1-based) of `op` raise Error -2147217900
  // "Falha simulada ..." instead of reaching the wrapped connection. With
  // `sql_contains`, only calls whose SQL text contains it are counted for
  // this rule (OpenRecordset, ExecuteSql, OpenRecordsetForUpdate; the table
  // name for InsertRows). Each rule
  // fires once; several rules may be set. WriteInProgress and EndRead are
  // counted but never made to fail: an error handler asks the one, and the
  // other never raises.
  void FailOnCall(Operation op, int n, const std::string& sql_contains = "");
  void ClearFailures() { rules_.clear(); }

  bool OpenConnection(const QtOpenParameters& parameters) override;
  bool IsOpen() const override;
  std::string OpenFailure() const override;
  void OpenRecordset(const std::string& source, const std::string& sql,
                     Recordset& rs, int cursor_type = -1,
                     int options = 0) override;
  void ExecuteSql(const std::string& source,
                  const std::string& statement) override;
  void OpenRecordsetForUpdate(const std::string& sql,
                              std::unique_ptr<UpdatableRecordset>& rs,
                              int lock_type = 3, int options = -1) override;
  void InsertRows(const std::string& table,
                  const std::vector<std::string>& columns,
                  const std::vector<std::vector<Value>>& rows) override;
  void BeginWrite() override;
  void EndWrite() override;
  bool WriteInProgress() const override;
  void AbandonWrite() override;
  bool BeginRead() override;
  void EndRead() override;

 private:
  class WrappedRecordset;
  friend class WrappedRecordset;

  struct Rule {
    Operation op;
    int n;
    std::string sql_contains;
    int seen = 0;
    bool fired = false;
  };

  // Counts the call and raises the simulated failure when a rule says so.
  void Enter(Operation op, const std::string* sql);
  // Runs `call` and adds its wall time to `op`, also when it raises.
  template <typename F>
  auto Timed(Operation op, F&& call) const;
  // Waits the statement delay (see SetStatementDelay).
  void RoundTrip() const;

  std::unique_ptr<Connection> owned_;
  Connection& inner_;
  // Mutable: WriteInProgress is const in the interface but still counted.
  mutable std::array<int64_t, kOperationCount> calls_{};
  mutable std::array<std::chrono::nanoseconds, kOperationCount> time_{};
  std::map<std::string, int64_t> statements_;
  bool record_sql_ = false;
  std::vector<std::string> sql_log_;
  std::vector<Rule> rules_;
  std::chrono::nanoseconds delay_{};
};

}  // namespace vor

#endif  // VOR_TESTING_INSTRUMENTED_CONNECTION_H_
