// FakeConnection: a scripted Connection for tests. It answers each SELECT
// whose exact text it was given with a canned table, records every call in
// order, keeps the rows inserted into each table in a committed and a
// pending copy (BeginWrite/EndWrite/AbandonWrite act on them as a
// transaction would), and fails a chosen call on demand.
#ifndef VOR_TESTING_FAKE_CONNECTION_H_
#define VOR_TESTING_FAKE_CONNECTION_H_

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/connection.h"

namespace vor {

class FakeConnection : public Connection {
 public:
  // A canned result: column names and rows of values.
  struct Table {
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;
  };
  using Row = std::map<std::string, Value>;  // column -> value

  // `sql` (exact text) answers with `table`. A later call replaces it.
  void AddResult(const std::string& sql, Table table);
  // Consulted for a SELECT without a canned result; std::nullopt means
  // "unexpected" (Error -2147217900 naming the text).
  void SetFallback(std::function<std::optional<Table>(const std::string&)> f);

  // Every call, in order: "OpenRecordset <sql>", "ExecuteSql <sql>",
  // "OpenRecordsetForUpdate <sql> <lock> <options>", "AddNew",
  // "Set <column>", "Update", "InsertRows <table> <row count>",
  // "BeginWrite", "EndWrite", "AbandonWrite".
  const std::vector<std::string>& calls() const { return calls_; }
  // The SQL texts of the OpenRecordset calls, in order.
  std::vector<std::string> queries() const;
  // How many OpenRecordset calls sent exactly `sql`.
  int CountQuery(const std::string& sql) const;
  void ClearCalls() { calls_.clear(); }

  // Rows of zlx_VOR_Encomendas (the only table written) as last committed.
  const std::vector<Row>& committed() const { return committed_; }
  void set_committed(std::vector<Row> rows) { committed_ = std::move(rows); }
  // Rows sent by Update since BeginWrite (what the open write holds).
  const std::vector<Row>& pending() const { return pending_; }

  // Failure injection: the n-th (1-based) call whose record starts with
  // `prefix` (e.g. "Update", "OpenRecordset  SELECT") raises Error
  // -2147217900 "Falha simulada".
  void FailAt(const std::string& prefix, int n);
  // AbandonWrite raises Error -2147217900 "Falha simulada ao anular".
  void set_fail_abandon(bool fail) { fail_abandon_ = fail; }

  bool OpenConnection(const QtOpenParameters&) override { return true; }
  bool IsOpen() const override { return true; }
  std::string OpenFailure() const override { return ""; }
  void OpenRecordset(const std::string& source, const std::string& sql,
                     Recordset& rs, int cursor_type, int options) override;
  void ExecuteSql(const std::string& source,
                  const std::string& statement) override;
  void OpenRecordsetForUpdate(const std::string& sql,
                              std::unique_ptr<UpdatableRecordset>& rs,
                              int lock_type, int options) override;
  // Keeps each row, column name -> value, as Update does.
  void InsertRows(const std::string& table,
                  const std::vector<std::string>& columns,
                  const std::vector<std::vector<Value>>& rows) override;
  void BeginWrite() override;
  void EndWrite() override;
  bool WriteInProgress() const override { return in_write_; }
  void AbandonWrite() override;
  // Snapshots, not recorded in calls(): they send nothing. BeginRead begins
  // one unless one or a write is in progress.
  bool BeginRead() override;
  void EndRead() override { in_read_ = false; }

  // Records a call and raises the injected failure when it is due.
  void Record(const std::string& call);
  // The updatable recordset's rows end up here.
  void Insert(Row row);

 private:
  std::map<std::string, Table> results_;
  std::function<std::optional<Table>(const std::string&)> fallback_;
  std::vector<std::string> calls_;
  std::vector<Row> committed_;
  std::vector<Row> pending_;
  bool in_write_ = false;
  bool deleted_ = false;
  std::string fail_prefix_;
  int fail_at_ = 0;
  int fail_seen_ = 0;
  bool fail_abandon_ = false;
  bool in_read_ = false;
};

}  // namespace vor

#endif  // VOR_TESTING_FAKE_CONNECTION_H_
