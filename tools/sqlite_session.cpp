#include "tools/sqlite_session.h"

#include <QSqlError>
#include <QVariant>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace vor {

namespace {

std::atomic<unsigned> session_counter{0};

QString ToQ(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The statement as quoted in an error text: long ones are cut.
std::string Excerpt(std::string_view sql) {
  constexpr std::size_t kMax = 300;
  std::string out(sql.substr(0, kMax));
  if (sql.size() > kMax) out += "...";
  return out;
}

}  // namespace

SqliteSession::SqliteSession(const std::string& path, Mode mode)
    : path_(path),
      connection_name_(
          QStringLiteral("vor_erp_tools_%1").arg(++session_counter)) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const bool exists = fs::exists(fs::path(path), ec);
  if (mode == Mode::kExisting) {
    if (!exists || !fs::is_regular_file(fs::path(path), ec)) {
      throw std::runtime_error("Base de dados ERP '" + path +
                               "' não existe ou não é um ficheiro.");
    }
  } else if (exists) {
    throw std::runtime_error("O ficheiro '" + path +
                             "' já existe; não é criado de novo.");
  }
  {
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_name_);
    db.setDatabaseName(QString::fromStdString(path));
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    if (!db.open()) {
      const QString text = db.lastError().text();
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(connection_name_);
      throw std::runtime_error("Não foi possível abrir a base de dados ERP '" +
                               path + "': " + text.toStdString());
    }
  }
  // Reading the catalogue fails at once on a file that is not a database.
  try {
    Select("SELECT count(*) FROM sqlite_master");
  } catch (...) {
    {
      QSqlDatabase db = QSqlDatabase::database(connection_name_, false);
      db.close();
    }
    QSqlDatabase::removeDatabase(connection_name_);
    throw;
  }
}

SqliteSession::~SqliteSession() {
  {
    QSqlDatabase db = QSqlDatabase::database(connection_name_, false);
    db.close();
  }
  QSqlDatabase::removeDatabase(connection_name_);
}

void SqliteSession::Exec(std::string_view sql) {
  QSqlQuery query(QSqlDatabase::database(connection_name_, false));
  if (!query.exec(ToQ(sql))) {
    Fail("Erro SQL", query.lastError().text(), sql);
  }
}

void SqliteSession::ExecScript(std::string_view script) {
  for (const std::string& statement : SplitSqlScript(script)) Exec(statement);
}

QSqlQuery SqliteSession::Prepare(std::string_view sql) {
  QSqlQuery query(QSqlDatabase::database(connection_name_, false));
  if (!query.prepare(ToQ(sql))) {
    Fail("Erro SQL ao preparar", query.lastError().text(), sql);
  }
  return query;
}

void SqliteSession::Run(QSqlQuery& query) {
  if (!query.exec()) {
    Fail("Erro SQL", query.lastError().text(), query.lastQuery().toStdString());
  }
}

QSqlQuery SqliteSession::Select(std::string_view sql) {
  QSqlQuery query(QSqlDatabase::database(connection_name_, false));
  query.setForwardOnly(true);
  if (!query.exec(ToQ(sql))) {
    Fail("Erro SQL", query.lastError().text(), sql);
  }
  return query;
}

void SqliteSession::Fail(const std::string& what, const QString& driver_text,
                         std::string_view sql) const {
  throw std::runtime_error(what + " na base de dados ERP '" + path_ +
                           "': " + driver_text.toStdString() +
                           " [instrução: " + Excerpt(sql) + "]");
}

std::vector<std::string> SplitSqlScript(std::string_view script) {
  std::vector<std::string> statements;
  std::string current;
  bool has_content = false;  // something other than blanks and comments
  std::size_t i = 0;
  const std::size_t n = script.size();
  auto finish = [&] {
    if (has_content) statements.push_back(current);
    current.clear();
    has_content = false;
  };
  // Copies a quoted run that ends at `close`; a doubled `close` inside the
  // run is an escaped one (not for brackets).
  auto copy_quoted = [&](char close, bool doubling) {
    current += script[i++];
    while (i < n) {
      char c = script[i++];
      current += c;
      if (c == close) {
        if (doubling && i < n && script[i] == close) {
          current += script[i++];
          continue;
        }
        return;
      }
    }
  };
  while (i < n) {
    const char c = script[i];
    if (c == '-' && i + 1 < n && script[i + 1] == '-') {
      while (i < n && script[i] != '\n') current += script[i++];
    } else if (c == '/' && i + 1 < n && script[i + 1] == '*') {
      const std::size_t end = script.find("*/", i + 2);
      const std::size_t stop = end == std::string_view::npos ? n : end + 2;
      current.append(script.substr(i, stop - i));
      i = stop;
    } else if (c == '\'' || c == '"') {
      has_content = true;
      copy_quoted(c, true);
    } else if (c == '[') {
      has_content = true;
      copy_quoted(']', false);
    } else if (c == ';') {
      ++i;
      finish();
    } else {
      if (!std::isspace(static_cast<unsigned char>(c))) has_content = true;
      current += c;
      ++i;
    }
  }
  finish();
  return statements;
}

std::string TemporaryPathFor(const std::string& path) { return path + ".part"; }

void ReplaceFileWith(const std::string& temporary, const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::rename(fs::path(temporary), fs::path(path), ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(fs::path(temporary), ignored);
    throw std::runtime_error("Não foi possível escrever o ficheiro '" + path +
                             "': " + ec.message());
  }
}

}  // namespace vor
