#include "testing/instrumented_connection.h"

#include <thread>
#include <utility>

#include "core/error.h"

namespace vor {

namespace {

size_t Index(InstrumentedConnection::Operation op) {
  return static_cast<size_t>(op);
}

}  // namespace

std::string InstrumentedConnection::StatementKind(std::string_view sql) {
  size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '(') {
      ++i;
    } else if (sql.substr(i, 2) == "--") {
      i = sql.find('\n', i);
      if (i == std::string_view::npos) return "";
    } else if (sql.substr(i, 2) == "/*") {
      i = sql.find("*/", i + 2);
      if (i == std::string_view::npos) return "";
      i += 2;
    } else {
      break;
    }
  }
  std::string word;
  for (; i < sql.size(); ++i) {
    const char c = sql[i];
    if (c >= 'A' && c <= 'Z') {
      word += static_cast<char>(c - 'A' + 'a');
    } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') {
      word += c;
    } else {
      break;
    }
  }
  return word;
}

template <typename F>
auto InstrumentedConnection::Timed(Operation op, F&& call) const {
  struct Clock {
    const InstrumentedConnection* self;
    Operation op;
    std::chrono::steady_clock::time_point start =
        std::chrono::steady_clock::now();
    ~Clock() {
      self->time_[Index(op)] +=
          std::chrono::duration_cast<std::chrono::nanoseconds>(
              std::chrono::steady_clock::now() - start);
    }
  } clock{this, op};
  return call();
}

void InstrumentedConnection::RoundTrip() const {
  if (delay_.count() <= 0) return;
  // Sleeps most of the delay and spins the rest: a plain sleep overshoots
  // by tens of microseconds, a sizeable part of a 0.3 ms round trip.
  constexpr std::chrono::microseconds kSpin{80};
  const auto until = std::chrono::steady_clock::now() + delay_;
  if (delay_ > kSpin) std::this_thread::sleep_for(delay_ - kSpin);
  while (std::chrono::steady_clock::now() < until) {
  }
}

// Passes the recordset calls on, counted and timed under the connection.
class InstrumentedConnection::WrappedRecordset : public UpdatableRecordset {
 public:
  WrappedRecordset(InstrumentedConnection* owner,
                   std::unique_ptr<UpdatableRecordset> inner)
      : owner_(owner), inner_(std::move(inner)) {}

  void AddNew() override {
    owner_->Enter(Operation::kAddNew, nullptr);
    owner_->Timed(Operation::kAddNew, [&] { inner_->AddNew(); });
  }
  void Set(std::string_view column, const Value& value) override {
    owner_->Enter(Operation::kSet, nullptr);
    owner_->Timed(Operation::kSet, [&] { inner_->Set(column, value); });
  }
  void Update() override {
    owner_->Enter(Operation::kUpdate, nullptr);
    ++owner_->statements_["insert"];
    owner_->Timed(Operation::kUpdate, [&] {
      owner_->RoundTrip();
      inner_->Update();
    });
  }

 private:
  InstrumentedConnection* owner_;
  std::unique_ptr<UpdatableRecordset> inner_;
};

InstrumentedConnection::InstrumentedConnection(Connection& inner)
    : inner_(inner) {}

InstrumentedConnection::InstrumentedConnection(
    std::unique_ptr<Connection> inner)
    : owned_(std::move(inner)), inner_(*owned_) {}

InstrumentedConnection::~InstrumentedConnection() = default;

const char* InstrumentedConnection::OperationName(Operation op) {
  switch (op) {
    case Operation::kOpenConnection:
      return "OpenConnection";
    case Operation::kOpenRecordset:
      return "OpenRecordset";
    case Operation::kExecuteSql:
      return "ExecuteSql";
    case Operation::kOpenRecordsetForUpdate:
      return "OpenRecordsetForUpdate";
    case Operation::kAddNew:
      return "AddNew";
    case Operation::kSet:
      return "Set";
    case Operation::kUpdate:
      return "Update";
    case Operation::kBeginWrite:
      return "BeginWrite";
    case Operation::kEndWrite:
      return "EndWrite";
    case Operation::kWriteInProgress:
      return "WriteInProgress";
    case Operation::kAbandonWrite:
      return "AbandonWrite";
    case Operation::kInsertRows:
      return "InsertRows";
    case Operation::kEndRead:
      return "EndRead";
    case Operation::kBeginRead:
      return "BeginRead";
  }
  return "?";
}

int64_t InstrumentedConnection::Calls(Operation op) const {
  return calls_[Index(op)];
}

int64_t InstrumentedConnection::Statements(const std::string& kind) const {
  const auto it = statements_.find(kind);
  return it == statements_.end() ? 0 : it->second;
}

std::chrono::nanoseconds InstrumentedConnection::TimeSpent() const {
  std::chrono::nanoseconds total{};
  for (const auto& t : time_) total += t;
  return total;
}

std::chrono::nanoseconds InstrumentedConnection::TimeSpent(Operation op) const {
  return time_[Index(op)];
}

void InstrumentedConnection::ResetCounts() {
  calls_.fill(0);
  time_.fill(std::chrono::nanoseconds{});
  statements_.clear();
  sql_log_.clear();
}

void InstrumentedConnection::FailOnCall(Operation op, int n,
                                        const std::string& sql_contains) {
  rules_.push_back(Rule{op, n, sql_contains});
}

void InstrumentedConnection::Enter(Operation op, const std::string* sql) {
  const int64_t call = ++calls_[Index(op)];
  for (Rule& rule : rules_) {
    if (rule.fired || rule.op != op) continue;
    if (!rule.sql_contains.empty() &&
        (sql == nullptr || sql->find(rule.sql_contains) == std::string::npos)) {
      continue;
    }
    if (++rule.seen != rule.n) continue;
    rule.fired = true;
    std::string text = std::string("Falha simulada na operação ") +
                       OperationName(op) + " (chamada " + std::to_string(call) +
                       ")";
    if (sql != nullptr) text += ": " + *sql;
    throw Error(errnum::kDatabase, text);
  }
}

bool InstrumentedConnection::OpenConnection(
    const QtOpenParameters& parameters) {
  // They hold the password: nothing of them goes into the failure text.
  Enter(Operation::kOpenConnection, nullptr);
  return Timed(Operation::kOpenConnection,
               [&] { return inner_.OpenConnection(parameters); });
}

bool InstrumentedConnection::IsOpen() const { return inner_.IsOpen(); }

std::string InstrumentedConnection::OpenFailure() const {
  return inner_.OpenFailure();
}

void InstrumentedConnection::OpenRecordset(const std::string& source,
                                           const std::string& sql,
                                           Recordset& rs, int cursor_type,
                                           int options) {
  Enter(Operation::kOpenRecordset, &sql);
  ++statements_[StatementKind(sql)];
  if (record_sql_) sql_log_.push_back(sql);
  Timed(Operation::kOpenRecordset, [&] {
    RoundTrip();
    inner_.OpenRecordset(source, sql, rs, cursor_type, options);
  });
}

void InstrumentedConnection::ExecuteSql(const std::string& source,
                                        const std::string& statement) {
  Enter(Operation::kExecuteSql, &statement);
  ++statements_[StatementKind(statement)];
  if (record_sql_) sql_log_.push_back(statement);
  Timed(Operation::kExecuteSql, [&] {
    RoundTrip();
    inner_.ExecuteSql(source, statement);
  });
}

void InstrumentedConnection::OpenRecordsetForUpdate(
    const std::string& sql, std::unique_ptr<UpdatableRecordset>& rs,
    int lock_type, int options) {
  Enter(Operation::kOpenRecordsetForUpdate, &sql);
  std::unique_ptr<UpdatableRecordset> inner;
  Timed(Operation::kOpenRecordsetForUpdate,
        [&] { inner_.OpenRecordsetForUpdate(sql, inner, lock_type, options); });
  rs = std::make_unique<WrappedRecordset>(this, std::move(inner));
}

void InstrumentedConnection::InsertRows(
    const std::string& table, const std::vector<std::string>& columns,
    const std::vector<std::vector<Value>>& rows) {
  Enter(Operation::kInsertRows, &table);
  ++statements_["insert"];
  Timed(Operation::kInsertRows, [&] {
    RoundTrip();
    inner_.InsertRows(table, columns, rows);
  });
}

void InstrumentedConnection::BeginWrite() {
  Enter(Operation::kBeginWrite, nullptr);
  Timed(Operation::kBeginWrite, [&] {
    RoundTrip();
    inner_.BeginWrite();
  });
}

void InstrumentedConnection::EndWrite() {
  Enter(Operation::kEndWrite, nullptr);
  Timed(Operation::kEndWrite, [&] {
    RoundTrip();
    inner_.EndWrite();
  });
}

bool InstrumentedConnection::WriteInProgress() const {
  // Counted, but never made to fail: it is the error handler's question.
  ++calls_[Index(Operation::kWriteInProgress)];
  return Timed(Operation::kWriteInProgress,
               [&] { return inner_.WriteInProgress(); });
}

void InstrumentedConnection::AbandonWrite() {
  Enter(Operation::kAbandonWrite, nullptr);
  Timed(Operation::kAbandonWrite, [&] {
    RoundTrip();
    inner_.AbandonWrite();
  });
}

bool InstrumentedConnection::BeginRead() {
  // Sends at most a BEGIN that takes no lock yet: no round trip.
  Enter(Operation::kBeginRead, nullptr);
  return Timed(Operation::kBeginRead, [&] { return inner_.BeginRead(); });
}

void InstrumentedConnection::EndRead() {
  // Counted, but never made to fail: ending a snapshot never raises.
  ++calls_[Index(Operation::kEndRead)];
  Timed(Operation::kEndRead, [&] { inner_.EndRead(); });
}

}  // namespace vor
