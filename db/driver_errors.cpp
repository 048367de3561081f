#include "db/driver_errors.h"

#include <QString>
#include <utility>

#include "core/control_bytes.h"
#include "core/error.h"
#include "core/secret_mask.h"
#include "core/text_util.h"
#include "db/qt_values.h"

namespace vor {

namespace {

// A password shorter than this is not searched for in driver texts: such a
// short string would match ordinary words of the text.
constexpr size_t kShortestScrubbedPassword = 3;

}  // namespace

DriverErrors::DriverErrors(std::string password, int timeout_ms)
    : password_(std::move(password)), timeout_ms_(timeout_ms) {}

bool DriverErrors::IsBusy(const QSqlError& e) {
  const QString code = e.nativeErrorCode();
  // SQLITE_BUSY, SQLITE_LOCKED; SQL Server's lock request time-out.
  if (code == "5" || code == "6" || code == "1222") return true;
  const QString text = e.text();
  return text.contains("database is locked", Qt::CaseInsensitive) ||
         text.contains("database table is locked", Qt::CaseInsensitive);
}

std::string DriverErrors::Shorten(const std::string& statement) {
  if (Utf8Length(statement) <= kStatementShown) return statement;
  return std::string(Utf8Prefix(statement, kStatementShown)) + "...";
}

std::string DriverErrors::Scrub(std::string text) const {
  if (password_.size() < kShortestScrubbedPassword) return text;
  return MaskSecrets(text, {password_});
}

std::string DriverErrors::DriverText(const QSqlError& e) const {
  return Scrub(ToStd(e.text().trimmed()));
}

std::string DriverErrors::BusyText(const QSqlError& e) const {
  const std::string wait = timeout_ms_ % 1000 == 0
                               ? std::to_string(timeout_ms_ / 1000) + " s"
                               : std::to_string(timeout_ms_) + " ms";
  return "Base de dados ocupada: outro programa mantém-na bloqueada há "
         "mais do que o tempo de espera (" +
         wait + ", TempoEspera da secção BD) - " + DriverText(e);
}

void DriverErrors::Fail(const QSqlError& e, const std::string& statement,
                        const std::string& detail) const {
  std::string text =
      IsBusy(e) ? BusyText(e) : "Erro na base de dados: " + DriverText(e);
  if (!detail.empty()) text += " " + detail;
  text += " [instrução: " + EscapeControlBytes(Scrub(Shorten(statement))) + "]";
  throw Error(errnum::kDatabase, text);
}

void DriverErrors::FailNative(const SqliteStatement::Failure& f,
                              const std::string& statement,
                              const std::string& detail) const {
  Fail(QSqlError(QString::fromUtf8(f.driver_text),
                 QString::fromUtf8(f.database_text), QSqlError::StatementError,
                 QString::number(f.code)),
       statement, detail);
}

}  // namespace vor
