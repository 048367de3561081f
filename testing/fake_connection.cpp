#include "testing/fake_connection.h"

#include <utility>

#include "core/error.h"

namespace vor {

namespace {

class FakeUpdatable : public UpdatableRecordset {
 public:
  explicit FakeUpdatable(FakeConnection& c) : c_(c) {}
  void AddNew() override {
    c_.Record("AddNew");
    row_.clear();
    adding_ = true;
  }
  void Set(std::string_view column, const Value& value) override {
    c_.Record("Set " + std::string(column));
    if (!adding_) throw Error(errnum::kNoCurrentRecord, "Sem linha nova");
    row_[std::string(column)] = value;
  }
  void Update() override {
    c_.Record("Update");
    if (!adding_) throw Error(errnum::kNoCurrentRecord, "Sem linha nova");
    c_.Insert(row_);
    adding_ = false;
  }

 private:
  FakeConnection& c_;
  FakeConnection::Row row_;
  bool adding_ = false;
};

}  // namespace

void FakeConnection::AddResult(const std::string& sql, Table table) {
  results_[sql] = std::move(table);
}

void FakeConnection::SetFallback(
    std::function<std::optional<Table>(const std::string&)> f) {
  fallback_ = std::move(f);
}

std::vector<std::string> FakeConnection::queries() const {
  std::vector<std::string> out;
  const std::string prefix = "OpenRecordset ";
  for (const std::string& c : calls_) {
    if (c.compare(0, prefix.size(), prefix) == 0) {
      out.push_back(c.substr(prefix.size()));
    }
  }
  return out;
}

int FakeConnection::CountQuery(const std::string& sql) const {
  int n = 0;
  for (const std::string& q : queries()) n += q == sql ? 1 : 0;
  return n;
}

void FakeConnection::FailAt(const std::string& prefix, int n) {
  fail_prefix_ = prefix;
  fail_at_ = n;
  fail_seen_ = 0;
}

void FakeConnection::Record(const std::string& call) {
  calls_.push_back(call);
  if (fail_at_ > 0 && call.compare(0, fail_prefix_.size(), fail_prefix_) == 0 &&
      ++fail_seen_ == fail_at_) {
    throw Error(errnum::kDatabase, "Falha simulada (" + call + ")");
  }
}

void FakeConnection::Insert(Row row) { pending_.push_back(std::move(row)); }

void FakeConnection::OpenRecordset(const std::string& source,
                                   const std::string& sql, Recordset& rs,
                                   int cursor_type, int options) {
  Record("OpenRecordset " + sql);
  if (!source.empty() || cursor_type != -1 || options != 0) {
    throw Error(errnum::kDatabase, "Argumentos inesperados para " + sql);
  }
  std::optional<Table> table;
  auto it = results_.find(sql);
  if (it != results_.end()) {
    table = it->second;
  } else if (fallback_) {
    table = fallback_(sql);
  }
  if (!table) throw Error(errnum::kDatabase, "SQL inesperado: " + sql);
  Recordset out;
  for (const std::string& c : table->columns) {
    out.AppendField(c, FieldType::kVariant);
  }
  out.Open();
  for (const auto& row : table->rows) out.AppendRow(row);
  out.MoveFirst();
  rs = std::move(out);
}

void FakeConnection::ExecuteSql(const std::string& source,
                                const std::string& statement) {
  Record("ExecuteSql " + statement);
  if (!source.empty()) throw Error(errnum::kDatabase, "Origem inesperada");
  if (statement == "delete from zlx_VOR_Encomendas ") {
    pending_.clear();
    deleted_ = true;
  }
}

void FakeConnection::OpenRecordsetForUpdate(
    const std::string& sql, std::unique_ptr<UpdatableRecordset>& rs,
    int lock_type, int options) {
  Record("OpenRecordsetForUpdate " + sql + " " + std::to_string(lock_type) +
         " " + std::to_string(options));
  rs = std::make_unique<FakeUpdatable>(*this);
}

void FakeConnection::InsertRows(const std::string& table,
                                const std::vector<std::string>& columns,
                                const std::vector<std::vector<Value>>& rows) {
  Record("InsertRows " + table + " " + std::to_string(rows.size()));
  for (const std::vector<Value>& values : rows) {
    Row row;
    for (size_t c = 0; c < columns.size() && c < values.size(); ++c) {
      row[columns[c]] = values[c];
    }
    Insert(std::move(row));
  }
}

bool FakeConnection::BeginRead() {
  if (in_read_ || in_write_) return false;
  in_read_ = true;
  return true;
}

void FakeConnection::BeginWrite() {
  Record("BeginWrite");
  in_read_ = false;
  in_write_ = true;
  deleted_ = false;
  pending_.clear();
}

void FakeConnection::EndWrite() {
  Record("EndWrite");
  if (!in_write_) throw Error(errnum::kDatabase, "Sem escrita aberta");
  if (deleted_) {
    committed_ = pending_;
  } else {
    committed_.insert(committed_.end(), pending_.begin(), pending_.end());
  }
  pending_.clear();
  in_write_ = false;
}

void FakeConnection::AbandonWrite() {
  Record("AbandonWrite");
  if (fail_abandon_) {
    in_write_ = false;
    throw Error(errnum::kDatabase, "Falha simulada ao anular");
  }
  pending_.clear();
  in_write_ = false;
}

}  // namespace vor
