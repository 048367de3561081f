#include "db/qt_sql_connection.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/control_bytes.h"
#include "core/error.h"
#include "core/secret_mask.h"
#include "core/text_util.h"
#include "db/connection_string_builder.h"
#include "db/qt_open_parameters.h"
#include "db/qt_values.h"
#include "db/sql_dialect.h"
#include "db/sqlite_statement.h"
#include "db/table_columns.h"

namespace vor {

namespace {

constexpr char kOpenFailure[] =
    "Não foi possivel Abrir a base de dados indicada !";
// Statements are quoted in error descriptions up to this many characters.
constexpr size_t kStatementShown = 300;
// A password shorter than this is not searched for in driver texts: such a
// short string would match ordinary words of the text.
constexpr size_t kShortestScrubbedPassword = 3;
// Cached INSERT sources are forgotten past this many distinct SELECT texts.
constexpr size_t kMaxCachedSources = 1000;
// The longest an SQLite read snapshot is kept across queries (see
// QtSqlConnection::OpenRecordset): another program's commit waits at most
// about this long for the queries of a run.
constexpr auto kReadSlice = std::chrono::milliseconds(20);

QString ToQt(const std::string& s) { return QString::fromUtf8(s); }

std::string Shorten(const std::string& statement) {
  if (Utf8Length(statement) <= kStatementShown) return statement;
  return std::string(Utf8Prefix(statement, kStatementShown)) + "...";
}

std::string NextConnectionName() {
  static std::atomic<unsigned long long> counter{0};
  return "vor_db_" + std::to_string(++counter);
}

bool IsBusy(const QSqlError& e) {
  const QString code = e.nativeErrorCode();
  // SQLITE_BUSY, SQLITE_LOCKED; SQL Server's lock request time-out.
  if (code == "5" || code == "6" || code == "1222") return true;
  const QString text = e.text();
  return text.contains("database is locked", Qt::CaseInsensitive) ||
         text.contains("database table is locked", Qt::CaseInsensitive);
}

}  // namespace

struct QtSqlConnection::State {
  std::string name = NextConnectionName();
  QSqlDatabase db;
  bool registered = false;  // `name` is known to QSqlDatabase
  bool open = false;
  std::string failure;
  // The failure text up to its reason: the title, server and database.
  std::string failure_head;
  bool sqlite = false;
  bool odbc = false;
  std::string password;  // only to keep it out of driver texts
  int timeout_ms = 0;    // how long a lock held by another is waited for
  bool in_write = false;
  // An SQLite read transaction begun by OpenRecordset, and when.
  bool in_read = false;
  std::chrono::steady_clock::time_point read_since;
  // Column lists by folded table name, and by SELECT text of
  // OpenRecordsetForUpdate.
  std::unordered_map<std::string, std::shared_ptr<const TableColumns>> tables;
  std::unordered_map<std::string, std::shared_ptr<const TableColumns>> sources;
  // Prepared INSERTs by table and set of columns.
  std::unordered_map<std::string, std::unique_ptr<QSqlQuery>> inserts;
  // Embedded SQLite: the handle of the Qt connection, through which queries
  // and multi-row INSERTs go by the C API (same connection, transaction and
  // busy timeout); null otherwise. Its INSERTs by the key of
  // PreparedMultiInsert.
  sqlite3* native = nullptr;
  std::unordered_map<std::string, std::unique_ptr<SqliteStatement>>
      native_inserts;

  ~State() { Close(); }

  // Closes and forgets the Qt connection. Any write in progress is rolled
  // back by the database itself when its connection closes.
  void Close() {
    inserts.clear();  // statements go before their connection
    native_inserts.clear();
    native = nullptr;
    sources.clear();
    tables.clear();
    if (db.isOpen()) db.close();
    db = QSqlDatabase();
    if (registered) {
      QSqlDatabase::removeDatabase(ToQt(name));
      registered = false;
    }
    open = false;
    in_write = false;
    in_read = false;
  }

  // Opens a read snapshot for the queries that follow (SQLite only, outside
  // a write): one shared lock for many queries instead of one each.
  void BeginRead() {
    if (!sqlite || in_write || in_read) return;
    QSqlQuery q(db);
    if (!q.exec("BEGIN")) Fail(q.lastError(), "BEGIN");
    in_read = true;
    read_since = std::chrono::steady_clock::now();
  }

  // Ends the read snapshot, releasing the shared lock. A failure leaves
  // nothing to undo (nothing was written): the snapshot is then given up.
  void EndRead() {
    if (!in_read) return;
    in_read = false;
    QSqlQuery q(db);
    if (!q.exec("COMMIT")) q.exec("ROLLBACK");
  }

  // The driver's text with the password, if it ever shows, masked.
  std::string Scrub(std::string text) const {
    if (password.size() < kShortestScrubbedPassword) return text;
    return MaskSecrets(text, {password});
  }

  std::string DriverText(const QSqlError& e) const {
    return Scrub(ToStd(e.text().trimmed()));
  }

  // What an operator reads when a lock outlasted the wait: that another
  // program holds the database, and for how long it was waited for.
  std::string BusyText(const QSqlError& e) const {
    const std::string wait = timeout_ms % 1000 == 0
                                 ? std::to_string(timeout_ms / 1000) + " s"
                                 : std::to_string(timeout_ms) + " ms";
    return "Base de dados ocupada: outro programa mantém-na bloqueada há "
           "mais do que o tempo de espera (" +
           wait + ", TempoEspera da secção BD) - " + DriverText(e);
  }

  // A failure of the C API, reported as Qt's driver reports the same one.
  [[noreturn]] void FailNative(const SqliteStatement::Failure& f,
                               const std::string& statement,
                               const std::string& detail = "") const {
    Fail(QSqlError(QString::fromUtf8(f.driver_text),
                   QString::fromUtf8(f.database_text),
                   QSqlError::StatementError, QString::number(f.code)),
         statement, detail);
  }

  [[noreturn]] void Fail(const QSqlError& e, const std::string& statement,
                         const std::string& detail = "") const {
    std::string text =
        IsBusy(e) ? BusyText(e) : "Erro na base de dados: " + DriverText(e);
    if (!detail.empty()) text += " " + detail;
    text +=
        " [instrução: " + EscapeControlBytes(Scrub(Shorten(statement))) + "]";
    throw Error(errnum::kDatabase, text);
  }

  void RequireOpen() const {
    if (open) return;
    throw Error(errnum::kDatabase,
                failure.empty() ? "A ligação à base de dados não está aberta"
                                : failure);
  }

  std::string ForDatabase(const std::string& sql) const {
    return sqlite ? RewriteForSqlite(sql) : sql;
  }

  void Execute(const std::string& sql) {
    EndRead();
    QSqlQuery q(db);
    if (!q.exec(ToQt(ForDatabase(sql)))) Fail(q.lastError(), sql);
  }

  std::shared_ptr<const TableColumns> Columns(const std::string& table);
  std::shared_ptr<const TableColumns> ReadColumns(const std::string& table);
  QSqlQuery& PreparedInsert(const TableColumns& table,
                            const std::vector<int>& columns,
                            const std::string& key);
  void Insert(const TableColumns& table, const std::vector<Value>& values,
              const std::vector<char>& set);
  QSqlQuery& PreparedMultiInsert(const TableColumns& table,
                                 const std::vector<int>& columns,
                                 size_t row_count);
  SqliteStatement& NativeMultiInsert(const TableColumns& table,
                                     const std::vector<int>& columns,
                                     size_t row_count);
  // Binds `bound` (converted by BoundValueFor) to the INSERT of `row_count`
  // rows of `columns` and runs it; a failure names `detail`.
  void RunNativeInsert(const TableColumns& table,
                       const std::vector<int>& columns, size_t row_count,
                       const std::vector<Value>& bound,
                       const std::string& detail);
  // The key and the text of the INSERT of `row_count` rows of `columns`.
  std::string MultiInsertKey(const TableColumns& table,
                             const std::vector<int>& columns,
                             size_t row_count) const;
  QString MultiInsertText(const TableColumns& table,
                          const std::vector<int>& columns,
                          size_t row_count) const;
};

namespace {

// "schema.table" split at its dots.
std::vector<std::string> NameParts(const std::string& name) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t dot = name.find('.', start);
    parts.push_back(name.substr(start, dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return parts;
}

std::string DoubleQuoted(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
  return out;
}

}  // namespace

std::shared_ptr<const TableColumns> QtSqlConnection::State::ReadColumns(
    const std::string& table) {
  std::vector<ColumnInfo> columns;
  if (sqlite) {
    const std::vector<std::string> parts = NameParts(table);
    std::string sql = "PRAGMA ";
    if (parts.size() == 2) sql += DoubleQuoted(parts[0]) + ".";
    sql += "table_info(" + DoubleQuoted(parts.back()) + ")";
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(ToQt(sql))) Fail(q.lastError(), sql);
    while (q.next()) {
      columns.push_back(ColumnFromDeclaredType(ToStd(q.value(1).toString()),
                                               ToStd(q.value(2).toString())));
    }
    if (q.lastError().isValid()) Fail(q.lastError(), sql);
  } else {
    const QSqlRecord record = db.record(ToQt(table));
    for (int i = 0; i < record.count(); ++i) {
      const QSqlField f = record.field(i);
      columns.push_back(
          ColumnFromOdbcType(ToStd(f.name()), f.typeID(), f.length()));
    }
  }
  if (columns.empty()) {
    throw Error(errnum::kDatabase,
                "A tabela " + table + " não existe na base de dados");
  }
  return std::make_shared<const TableColumns>(table, std::move(columns));
}

std::shared_ptr<const TableColumns> QtSqlConnection::State::Columns(
    const std::string& table) {
  std::string key;
  FoldCase(table, &key);
  auto it = tables.find(key);
  if (it != tables.end()) return it->second;
  auto columns = ReadColumns(table);
  tables.emplace(std::move(key), columns);
  return columns;
}

QSqlQuery& QtSqlConnection::State::PreparedInsert(
    const TableColumns& table, const std::vector<int>& columns,
    const std::string& key) {
  auto it = inserts.find(key);
  if (it != inserts.end()) return *it->second;
  QSqlDriver* driver = db.driver();
  QString sql =
      "INSERT INTO " +
      driver->escapeIdentifier(ToQt(table.table()), QSqlDriver::TableName);
  if (columns.empty()) {
    sql += " DEFAULT VALUES";
  } else {
    QString names;
    QString marks;
    for (size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) {
        names += ", ";
        marks += ", ";
      }
      names += driver->escapeIdentifier(ToQt(table.columns()[columns[i]].name),
                                        QSqlDriver::FieldName);
      marks += "?";
    }
    sql += " (" + names + ") VALUES (" + marks + ")";
  }
  auto q = std::make_unique<QSqlQuery>(db);
  if (!q->prepare(sql)) Fail(q->lastError(), ToStd(sql));
  QSqlQuery& ref = *q;
  inserts.emplace(key, std::move(q));
  return ref;
}

void QtSqlConnection::State::Insert(const TableColumns& table,
                                    const std::vector<Value>& values,
                                    const std::vector<char>& set) {
  const std::vector<ColumnInfo>& info = table.columns();
  std::vector<int> columns;
  columns.reserve(info.size());
  std::string key;
  FoldCase(table.table(), &key);
  key += '\x1f';
  for (size_t i = 0; i < info.size(); ++i) {
    if (!set[i]) continue;
    columns.push_back(static_cast<int>(i));
    key += std::to_string(i);
    key += ',';
  }

  std::string article;
  const int article_column = table.Find("Artigo");
  if (article_column >= 0 && set[article_column] &&
      !values[article_column].is_null()) {
    article = values[article_column].ToText();
  }

  // Convert every value before anything is bound, so a bad value leaves the
  // prepared statement untouched.
  std::vector<Value> bound;
  bound.reserve(columns.size());
  for (int c : columns) {
    bound.push_back(
        BoundValueFor(info[c], values[c], sqlite, table.table(), article));
  }
  EndRead();
  if (native != nullptr && !columns.empty()) {
    return RunNativeInsert(table, columns, 1, bound,
                           article.empty() ? "" : "(artigo " + article + ")");
  }
  QSqlQuery& q = PreparedInsert(table, columns, key);
  for (size_t i = 0; i < bound.size(); ++i) {
    q.bindValue(static_cast<int>(i), BindVariant(info[columns[i]], bound[i]));
  }
  if (!q.exec()) {
    Fail(q.lastError(), ToStd(q.lastQuery()),
         article.empty() ? "" : "(artigo " + article + ")");
  }
}

std::string QtSqlConnection::State::MultiInsertKey(
    const TableColumns& table, const std::vector<int>& columns,
    size_t row_count) const {
  std::string key;
  FoldCase(table.table(), &key);
  key += "\x1frows" + std::to_string(row_count) + '\x1f';
  for (int c : columns) key += std::to_string(c) + ',';
  return key;
}

QString QtSqlConnection::State::MultiInsertText(const TableColumns& table,
                                                const std::vector<int>& columns,
                                                size_t row_count) const {
  QSqlDriver* driver = db.driver();
  QString names;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) names += ", ";
    names += driver->escapeIdentifier(ToQt(table.columns()[columns[i]].name),
                                      QSqlDriver::FieldName);
  }
  QString marks = "(";
  for (size_t i = 0; i < columns.size(); ++i) marks += i > 0 ? ", ?" : "?";
  marks += ")";
  QString sql =
      "INSERT INTO " +
      driver->escapeIdentifier(ToQt(table.table()), QSqlDriver::TableName) +
      " (" + names + ") VALUES ";
  for (size_t r = 0; r < row_count; ++r) {
    if (r > 0) sql += ", ";
    sql += marks;
  }
  return sql;
}

QSqlQuery& QtSqlConnection::State::PreparedMultiInsert(
    const TableColumns& table, const std::vector<int>& columns,
    size_t row_count) {
  std::string key = MultiInsertKey(table, columns, row_count);
  auto it = inserts.find(key);
  if (it != inserts.end()) return *it->second;
  const QString sql = MultiInsertText(table, columns, row_count);
  auto q = std::make_unique<QSqlQuery>(db);
  if (!q->prepare(sql)) Fail(q->lastError(), ToStd(sql));
  QSqlQuery& ref = *q;
  inserts.emplace(std::move(key), std::move(q));
  return ref;
}

namespace {

// Binds a value given by BoundValueFor.
void BindNative(SqliteStatement& st, int index, const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kNull:
      return st.BindNull(index);
    case Value::Kind::kInt:
      return st.BindInt(index, v.AsInt());
    case Value::Kind::kDouble:
      return st.BindDouble(index, v.AsDouble());
    case Value::Kind::kText:
      return st.BindText(index, v.AsText());
    default:
      return st.BindText(index, v.ToText());
  }
}

}  // namespace

void QtSqlConnection::State::RunNativeInsert(const TableColumns& table,
                                             const std::vector<int>& columns,
                                             size_t row_count,
                                             const std::vector<Value>& bound,
                                             const std::string& detail) {
  SqliteStatement& st = NativeMultiInsert(table, columns, row_count);
  try {
    for (size_t i = 0; i < bound.size(); ++i) {
      BindNative(st, static_cast<int>(i + 1), bound[i]);
    }
    st.Step();
    st.Reset();
  } catch (const SqliteStatement::Failure& f) {
    st.Reset();
    FailNative(f, ToStd(MultiInsertText(table, columns, row_count)), detail);
  }
}

SqliteStatement& QtSqlConnection::State::NativeMultiInsert(
    const TableColumns& table, const std::vector<int>& columns,
    size_t row_count) {
  std::string key = MultiInsertKey(table, columns, row_count);
  auto it = native_inserts.find(key);
  if (it != native_inserts.end()) return *it->second;
  const std::string sql = ToStd(MultiInsertText(table, columns, row_count));
  std::unique_ptr<SqliteStatement> st;
  try {
    st = std::make_unique<SqliteStatement>(native, sql);
  } catch (const SqliteStatement::Failure& f) {
    FailNative(f, sql);
  }
  SqliteStatement& ref = *st;
  native_inserts.emplace(std::move(key), std::move(st));
  return ref;
}

namespace {

class QtUpdatableRecordset : public UpdatableRecordset {
 public:
  QtUpdatableRecordset(std::weak_ptr<QtSqlConnection::State> state,
                       std::shared_ptr<const TableColumns> table)
      : state_(std::move(state)), table_(std::move(table)) {}

  void AddNew() override {
    Live();
    values_.assign(table_->columns().size(), Value());
    set_.assign(table_->columns().size(), 0);
    adding_ = true;
  }

  void Set(std::string_view column, const Value& value) override {
    RequireNewRow();
    const int index = table_->Find(column);
    if (index < 0) {
      throw Error(errnum::kFieldNotFound, "A coluna " + std::string(column) +
                                              " não existe na tabela " +
                                              table_->table());
    }
    values_[index] = value;
    set_[index] = 1;
  }

  void Update() override {
    RequireNewRow();
    Live().Insert(*table_, values_, set_);
    adding_ = false;
  }

 private:
  QtSqlConnection::State& Live() {
    std::shared_ptr<QtSqlConnection::State> state = state_.lock();
    if (!state || !state->open) {
      throw Error(errnum::kDatabase, "A ligação à base de dados da tabela " +
                                         table_->table() + " já foi fechada");
    }
    // The connection owns the state; while it lives the reference holds.
    return *state;
  }

  void RequireNewRow() const {
    if (!adding_) {
      throw Error(errnum::kNoCurrentRecord, "Não há registo novo na tabela " +
                                                table_->table() +
                                                " (falta AddNew)");
    }
  }

  std::weak_ptr<QtSqlConnection::State> state_;
  std::shared_ptr<const TableColumns> table_;
  std::vector<Value> values_;
  std::vector<char> set_;
  bool adding_ = false;
};

// The sqlite3 handle of an open QSQLITE connection; null when the driver
// does not give one.
sqlite3* NativeHandle(const QSqlDatabase& db) {
  const QVariant handle = db.driver()->handle();
  if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
    return nullptr;
  }
  return *static_cast<sqlite3* const*>(handle.constData());
}

// Why an SQLite file cannot be opened, or "" when it can be tried.
std::string SqliteFileProblem(const std::string& path) {
  if (path.empty()) return "não foi indicado o ficheiro da base de dados";
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) {
    return "o ficheiro não existe";
  }
  if (ec) return "o ficheiro não pode ser consultado (" + ec.message() + ")";
  if (status.type() == std::filesystem::file_type::directory) {
    return "o caminho indicado é uma pasta, não um ficheiro";
  }
  if (status.type() != std::filesystem::file_type::regular) {
    return "o caminho indicado não é um ficheiro normal";
  }
  if (std::filesystem::file_size(path, ec) == 0 && !ec) {
    return "o ficheiro está vazio, não é uma base de dados";
  }
  return "";
}

}  // namespace

QtSqlConnection::QtSqlConnection() : state_(std::make_shared<State>()) {}

QtSqlConnection::~QtSqlConnection() {
  if (state_->in_write && state_->open) {
    // Nobody is left to report a failed rollback to; closing the
    // connection below rolls the transaction back in any case.
    QSqlQuery q(state_->db);
    if (state_->sqlite) {
      q.exec("ROLLBACK");
    } else {
      state_->db.rollback();
    }
  }
  state_->Close();
}

bool QtSqlConnection::OpenConnection(const std::string& connection_text) {
  // A fresh state: recordsets of an earlier database stop working.
  state_->Close();
  state_ = std::make_shared<State>();
  State& s = *state_;

  ConnectionParameters login;
  std::string reason;
  if (!ConnectionStringBuilder::Parse(connection_text, &login, &reason)) {
    reason = "texto de ligação inválido: " + reason;
  }
  s.password = login.password;
  s.timeout_ms = login.timeout_ms < 0 ? 0 : login.timeout_ms;
  const QtOpenParameters p = BuildOpenParameters(login);
  s.sqlite = p.sqlite_dialect;
  s.odbc = p.qt_driver == "QODBC";

  if (reason.empty()) reason = p.problem;
  if (reason.empty() && p.sqlite_dialect)
    reason = SqliteFileProblem(p.database_file);
  if (reason.empty()) {
    s.db = QSqlDatabase::addDatabase(ToQt(p.qt_driver), ToQt(s.name));
    s.registered = true;
    if (!s.db.isValid()) {
      reason = "o controlador " + p.qt_driver + " do Qt não está disponível";
    }
  }
  if (reason.empty()) {
    s.db.setDatabaseName(ToQt(p.database_name));
    s.db.setConnectOptions(ToQt(p.connect_options));
    // Decimal columns come as text and are read exactly (never as doubles).
    if (s.odbc) s.db.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!s.db.open()) {
      reason = s.DriverText(s.db.lastError());
      if (reason.empty()) reason = "o controlador não indicou a causa";
    }
  }
  if (reason.empty()) {
    QSqlQuery q(s.db);
    const char* check =
        p.sqlite_dialect ? "select count(*) from sqlite_master" : nullptr;
    std::string lock_timeout;
    if (!p.sqlite_dialect) {
      // Without it a server waits for a lock for ever.
      lock_timeout = "SET LOCK_TIMEOUT " + std::to_string(login.timeout_ms);
      check = lock_timeout.c_str();
    }
    if (!q.exec(check)) {
      // A file locked by another program is a database all the same.
      reason = IsBusy(q.lastError()) ? s.BusyText(q.lastError())
               : p.sqlite_dialect
                   ? "o ficheiro não é uma base de dados SQLite válida (" +
                         s.DriverText(q.lastError()) + ")"
                   : s.DriverText(q.lastError());
    } else if (p.sqlite_dialect) {
      // A run sends some hundred thousand small queries against an ERP of
      // tens of megabytes: a 64 MB page cache and memory-mapped reads keep
      // them off the disk once the file outgrows SQLite's 2 MB default.
      q.exec("PRAGMA cache_size=-65536");
      q.exec("PRAGMA mmap_size=268435456");
      if (!s.odbc) s.native = NativeHandle(s.db);
    }
  }
  if (!reason.empty()) {
    s.Close();
    s.failure_head = std::string(kOpenFailure) +
                     "\r\n Servidor =" + login.server +
                     "\r\nBase de dados =" + login.database + "\r\nMotivo: ";
    s.failure = s.failure_head + s.Scrub(reason);
    return false;
  }
  s.open = true;
  return true;
}

bool QtSqlConnection::IsOpen() const { return state_->open; }

std::string QtSqlConnection::OpenFailure() const { return state_->failure; }

void QtSqlConnection::SetOpenFailureCause(const std::string& cause) {
  State& s = *state_;
  if (s.open || s.failure.empty() || cause.empty()) return;
  s.failure = s.failure_head + s.Scrub(cause);
}

std::string QtSqlConnection::QtConnectionName() const { return state_->name; }

bool QtSqlConnection::IsSqlite() const { return state_->sqlite; }

namespace {
// Reads every row of the executed `q` into `rs` (see OpenRecordset).
void ReadAll(QtSqlConnection::State& s, QSqlQuery& q, const std::string& sql,
             Recordset& rs);
// The same through the C API.
void ReadAllNative(QtSqlConnection::State& s, const std::string& sql,
                   Recordset& rs);
}  // namespace

void QtSqlConnection::OpenRecordset(const std::string& /*source*/,
                                    const std::string& sql, Recordset& rs,
                                    int /*cursor_type*/, int /*options*/) {
  State& s = *state_;
  s.RequireOpen();
  s.BeginRead();
  if (s.native != nullptr) {
    ReadAllNative(s, sql, rs);
  } else {
    QSqlQuery q(s.db);
    q.setForwardOnly(true);
    if (!q.exec(ToQt(s.ForDatabase(sql)))) {
      const QSqlError error = q.lastError();
      q.finish();
      s.EndRead();
      s.Fail(error, sql);
    }
    ReadAll(s, q, sql, rs);
  }
  if (s.in_read &&
      std::chrono::steady_clock::now() - s.read_since >= kReadSlice) {
    s.EndRead();
  }
}

namespace {

// Appends the field of result column `i` named `name` to `out`.
void AppendResultField(Recordset& out, std::string name, int i) {
  if (name.empty()) name = "Expr" + std::to_string(1000 + i);
  // A second column of the same name is kept under a numbered name; the
  // name itself reads the first, as in the database's own result.
  if (out.FindField(name) >= 0) {
    std::string base = name;
    for (int k = 1; out.FindField(name) >= 0; ++k) {
      name = base + "_" + std::to_string(k);
    }
  }
  out.AppendField(name, FieldType::kVariant);
}

void ReadAllNative(QtSqlConnection::State& s, const std::string& sql,
                   Recordset& rs) {
  try {
    SqliteStatement st(s.native, s.ForDatabase(sql));
    const int n = st.ColumnCount();
    Recordset out;
    for (int i = 0; i < n; ++i) AppendResultField(out, st.ColumnName(i), i);
    out.Open();
    while (st.Step()) {
      std::vector<Value> row;
      row.reserve(n);
      for (int i = 0; i < n; ++i) row.push_back(st.ColumnValue(i));
      out.AppendRow(std::move(row));
    }
    out.MoveFirst();
    rs = std::move(out);
  } catch (const SqliteStatement::Failure& f) {
    s.EndRead();
    s.FailNative(f, sql);
  }
}

void ReadAll(QtSqlConnection::State& s, QSqlQuery& q, const std::string& sql,
             Recordset& rs) {
  const QSqlRecord record = q.record();
  const int n = record.count();
  Recordset out;
  std::vector<int> types(n, kNoOdbcType);
  for (int i = 0; i < n; ++i) {
    AppendResultField(out, ToStd(record.fieldName(i)), i);
    if (s.odbc) types[i] = record.field(i).typeID();
  }
  out.Open();
  while (q.next()) {
    std::vector<Value> row;
    row.reserve(n);
    for (int i = 0; i < n; ++i) {
      row.push_back(ValueFromQt(q.value(i), q.isNull(i), types[i]));
    }
    out.AppendRow(std::move(row));
  }
  if (q.lastError().isValid()) {
    const QSqlError error = q.lastError();
    q.finish();
    s.EndRead();
    s.Fail(error, sql);
  }
  out.MoveFirst();
  rs = std::move(out);
}

}  // namespace

void QtSqlConnection::ExecuteSql(const std::string& /*source*/,
                                 const std::string& statement) {
  state_->RequireOpen();
  state_->Execute(statement);
}

void QtSqlConnection::OpenRecordsetForUpdate(
    const std::string& sql, std::unique_ptr<UpdatableRecordset>& rs,
    int /*lock_type*/, int /*options*/) {
  State& s = *state_;
  s.RequireOpen();
  std::shared_ptr<const TableColumns> table;
  auto it = s.sources.find(sql);
  if (it != s.sources.end()) {
    table = it->second;
  } else {
    const std::string name = SelectTableName(sql);
    if (name.empty()) {
      throw Error(errnum::kDatabase,
                  "Não foi possível identificar a tabela da instrução: " +
                      Shorten(sql));
    }
    table = s.Columns(name);
    if (s.sources.size() >= kMaxCachedSources) s.sources.clear();
    s.sources.emplace(sql, table);
  }
  rs = std::make_unique<QtUpdatableRecordset>(state_, std::move(table));
}

void QtSqlConnection::InsertRows(const std::string& table,
                                 const std::vector<std::string>& columns,
                                 const std::vector<std::vector<Value>>& rows) {
  State& s = *state_;
  s.RequireOpen();
  if (rows.empty()) return;
  s.EndRead();
  if (columns.empty() || rows.size() * columns.size() > kMaxInsertParameters) {
    throw Error(errnum::kInvalidCall,
                "Inserção de " + std::to_string(rows.size()) + " linhas de " +
                    std::to_string(columns.size()) + " colunas na tabela " +
                    table + ": excede " + std::to_string(kMaxInsertParameters) +
                    " parâmetros");
  }
  const std::shared_ptr<const TableColumns> info = s.Columns(table);
  std::vector<int> index;
  index.reserve(columns.size());
  for (const std::string& name : columns) {
    const int i = info->Find(name);
    if (i < 0) {
      throw Error(
          errnum::kFieldNotFound,
          "A coluna " + name + " não existe na tabela " + info->table());
    }
    index.push_back(i);
  }
  int article_column = -1;
  for (size_t c = 0; c < columns.size(); ++c) {
    if (index[c] == info->Find("Artigo")) article_column = static_cast<int>(c);
  }
  auto article_of = [&](const std::vector<Value>& row) {
    if (article_column < 0 || row[article_column].is_null()) {
      return std::string();
    }
    return row[article_column].ToText();
  };

  // Convert every value before anything is bound, so a bad value names its
  // article and leaves the prepared statement untouched.
  std::vector<Value> bound;
  bound.reserve(rows.size() * columns.size());
  for (const std::vector<Value>& row : rows) {
    if (row.size() != columns.size()) {
      throw Error(errnum::kInvalidCall,
                  "Linha de " + std::to_string(row.size()) + " valores para " +
                      std::to_string(columns.size()) + " colunas da tabela " +
                      info->table());
    }
    const std::string article = article_of(row);
    for (size_t c = 0; c < columns.size(); ++c) {
      bound.push_back(BoundValueFor(info->columns()[index[c]], row[c], s.sqlite,
                                    info->table(), article));
    }
  }
  auto which = [&] {
    const std::string first = article_of(rows.front());
    const std::string last = article_of(rows.back());
    return rows.size() == 1 ? (first.empty() ? "" : "(artigo " + first + ")")
                            : "(artigos " + first + " a " + last + ")";
  };
  if (s.native != nullptr) {
    return s.RunNativeInsert(*info, index, rows.size(), bound, which());
  }
  QSqlQuery& q = s.PreparedMultiInsert(*info, index, rows.size());
  for (size_t i = 0; i < bound.size(); ++i) {
    q.bindValue(
        static_cast<int>(i),
        BindVariant(info->columns()[index[i % columns.size()]], bound[i]));
  }
  if (!q.exec()) s.Fail(q.lastError(), ToStd(q.lastQuery()), which());
}

void QtSqlConnection::BeginWrite() {
  State& s = *state_;
  s.RequireOpen();
  if (s.in_write) {
    throw Error(errnum::kInvalidOperation,
                "Já existe uma escrita em curso nesta ligação");
  }
  if (s.sqlite) {
    s.Execute("BEGIN IMMEDIATE");
  } else if (!s.db.transaction()) {
    s.Fail(s.db.lastError(), "BEGIN TRANSACTION");
  }
  s.in_write = true;
}

void QtSqlConnection::EndWrite() {
  State& s = *state_;
  s.RequireOpen();
  if (!s.in_write) {
    throw Error(errnum::kInvalidOperation,
                "Não há nenhuma escrita em curso para terminar");
  }
  // On failure the write stays in progress, for AbandonWrite to undo.
  if (s.sqlite) {
    s.Execute("COMMIT");
  } else if (!s.db.commit()) {
    s.Fail(s.db.lastError(), "COMMIT");
  }
  s.in_write = false;
}

bool QtSqlConnection::WriteInProgress() const { return state_->in_write; }

void QtSqlConnection::EndRead() { state_->EndRead(); }

void QtSqlConnection::AbandonWrite() {
  State& s = *state_;
  if (!s.in_write) return;
  s.in_write = false;
  if (!s.open) return;
  if (s.sqlite) {
    QSqlQuery q(s.db);
    if (q.exec("ROLLBACK")) return;
    // A failed COMMIT may already have ended the transaction: then there
    // is nothing left to undo and nothing was kept.
    if (q.lastError().text().contains("no transaction is active",
                                      Qt::CaseInsensitive)) {
      return;
    }
    s.Fail(q.lastError(), "ROLLBACK", "(não foi possível anular a escrita)");
  }
  if (!s.db.rollback()) {
    s.Fail(s.db.lastError(), "ROLLBACK", "(não foi possível anular a escrita)");
  }
}

}  // namespace vor
