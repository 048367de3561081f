// SettingsRecord: the settings file as one typed value. Every key the
// program reads is declared once in kSettingKeys (section, key, type,
// default, bounds and what a bad value does); Parse reads them all from the
// file as read once (SettingsValues) and leaves each part of the program a
// typed field: the reading mode, the cover limit, the report's rows and
// variation, the history's days, the mail server, and so on.
//
// A value that cannot be taken is reported in one form, a line naming the
// key, the value and the file and saying what happens:
//   [Relatorio] Linhas=abc em /etc/zoltix/VOREncomendas.zlx: não é um número
//   inteiro de 1 a 1000; usa-se 25
// What happens is the key's own choice (SettingKey::when_bad): the default
// with that line as a notice, or the run refused before anything is written
// (ThrowIfRefused raises Error 13 with the line). A number too large for the
// fixed-point type is always refused.
//
//   const SettingsRecord settings = SettingsRecord::Parse(values);
//   settings.ThrowIfRefused();  // before the database is written
//   engine.set_reading_mode(settings.motor.leitura);
#ifndef VOR_SETTINGS_SETTINGS_RECORD_H_
#define VOR_SETTINGS_SETTINGS_RECORD_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/currency.h"
#include "settings/reading_mode.h"
#include "settings/settings_values.h"
#include "settings/smtp_settings.h"

namespace vor {

enum class SettingType {
  kText,         // taken as stored
  kWholeNumber,  // digits only, within [low, high]
  kDecimal,      // decimal point or comma, within [low, high]
  kChoice,       // one of the words of `choices`, letters in any case
  kList,         // pieces separated by ";" (blanks and empty pieces dropped)
};

// What a value that is not of the key's type or bounds does.
enum class WhenBad {
  kDefault,  // the default is used, and the line is a notice of the run
  kRefuse,   // the run is refused at start-up, before anything is written
  kChecked,  // free text here; the part that uses it checks it and names the
             // key (the login when connecting, the mail server when sending)
};

inline constexpr int64_t kNoBound = INT64_MIN;

struct SettingKey {
  const char* section;
  const char* key;
  SettingType type;
  // As the file would hold it; "" when the key has none.
  const char* default_text;
  // Bounds of a number, in whole units; kNoBound when there is none.
  int64_t low = kNoBound;
  int64_t high = kNoBound;
  WhenBad when_bad = WhenBad::kChecked;
  // kChoice: the accepted words separated by "|".
  const char* choices = "";
  // What the key means, for the people who read the declaration.
  const char* meaning = "";
};

// Every key of the settings file the program reads, in file order.
inline constexpr SettingKey kSettingKeys[] = {
    {"BD", "Servidor", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "", "database server, or sqlite"},
    {"BD", "BaseDados", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "", "ERP database (the file for SQLite)"},
    {"BD", "Utilizador", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "", "database login"},
    {"BD", "Password", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "", "database password"},
    {"BD", "DriverODBC", SettingType::kText, "FreeTDS", kNoBound, kNoBound,
     WhenBad::kChecked, "", "ODBC driver"},
    // Checked by the login when connecting: Error 13 before anything is
    // written.
    {"BD", "Porta", SettingType::kWholeNumber, "1433", 1, 65535,
     WhenBad::kChecked, "", "SQL Server port"},
    {"BD", "TempoEspera", SettingType::kDecimal, "30", 0, 3600,
     WhenBad::kChecked, "",
     "seconds allowed for the login and each wait of the mail server"},
    {"Log", "Directoria", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "",
     "folder of the run log (empty: the settings file's folder)"},
    {"Motor", "Leitura", SettingType::kChoice, "Literal", kNoBound, kNoBound,
     WhenBad::kRefuse, "Literal|Conjunto",
     "how the engine reads the ERP (absent: Conjunto on SQLite, Literal over "
     "ODBC)"},
    {"Motor", "CoberturaMaxima", SettingType::kDecimal, "365", 0, kNoBound,
     WhenBad::kDefault, "", "days of cover above which a row is an exception"},
    {"email", "Assunto", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "", "subject of the report e-mail"},
    // Each address is checked when the report is sent.
    {"email", "Destino", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "", "recipients, separated by ; or ,"},
    {"Relatorio", "Pasta", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "", "folder of the daily workbook"},
    {"Relatorio", "Linhas", SettingType::kWholeNumber, "25", 1, 1000,
     WhenBad::kDefault, "", "rows of the e-mail's most urgent list"},
    {"Relatorio", "Variacao", SettingType::kDecimal, "25", 0, kNoBound,
     WhenBad::kDefault, "", "percent change of a quantity that is a change"},
    {"Relatorio", "Partilha", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "", "share path or URL of the dropped files"},
    {"Historico", "Dias", SettingType::kWholeNumber, "90", 0, 999999,
     WhenBad::kDefault, "", "days of runs the history keeps (0: none)"},
    {"Encomendas", "AtrasoMaximo", SettingType::kWholeNumber, "90", 0, 999999,
     WhenBad::kDefault, "", "days late after which an open order is dead"},
    {"Encomendas", "UnidadesFracionarias", SettingType::kList, "KG;L;M;M2;M3",
     kNoBound, kNoBound, WhenBad::kDefault, "",
     "purchase units ordered with decimals"},
    // The mail server; SmtpSender and the report check it when sending.
    {"SMTP", "Servidor", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "", "mail server"},
    {"SMTP", "Porta", SettingType::kText, SmtpSettings::kDefaultPort, kNoBound,
     kNoBound, WhenBad::kChecked, "", "mail server port"},
    {"SMTP", "Seguranca", SettingType::kText, SmtpSettings::kSecurityNone,
     kNoBound, kNoBound, WhenBad::kChecked, "", "Nenhuma, STARTTLS or SSL"},
    {"SMTP", "Utilizador", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "", "mail server login"},
    {"SMTP", "Password", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "", "mail server password"},
    {"SMTP", "emailEmissor", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "", "sender address"},
    {"SMTP", "NomeEmissor", SettingType::kText, "", kNoBound, kNoBound,
     WhenBad::kChecked, "", "sender name"},
};

// The declaration of `section`/`key` (matched without regard to case);
// nullptr when it is not declared.
const SettingKey* FindSettingKey(const std::string& section,
                                 const std::string& key);

// [Historico] Dias as the run read it.
struct HistorySetting {
  // Days of runs kept; 0 keeps no history.
  int keep_days = 0;
  // Whether the key holds a value in the settings file.
  bool set_in_file = false;
};

// A value of the file that was not taken.
struct SettingProblem {
  const SettingKey* key;
  // The line that reports it (see the top of this file).
  std::string line;
  // True when the run is refused; false when the default stands.
  bool refused;
};

// The defaults are those of kSettingKeys: a record made without a file
// holds them.
struct SettingsRecord {
  struct Motor {
    ReadingMode leitura = ReadingMode::kLiteral;
    Currency cobertura_maxima;
  };
  struct Email {
    std::string destino;  // as stored
    std::string assunto;  // as stored
  };
  struct Relatorio {
    std::string pasta;  // trimmed
    int linhas = 0;
    Currency variacao;
    std::string partilha;  // trimmed
  };
  struct Encomendas {
    int atraso_maximo = 0;
    std::vector<std::string> unidades_fracionarias;
  };

  Motor motor;
  Email email;
  Relatorio relatorio;
  HistorySetting historico;
  Encomendas encomendas;
  std::string log_directoria;  // [Log] Directoria as stored
  // The SMTP section; Porta "25" and Seguranca Nenhuma when absent, an
  // unknown Seguranca read as Nenhuma (smtp_seguranca keeps it as stored).
  SmtpSettings smtp;
  std::string smtp_seguranca;

  // The values of every key not taken, in declaration order.
  std::vector<SettingProblem> problems;

  // Every key at its default (as a file without any of them).
  SettingsRecord();

  // The record of `values`. Never raises: a file that could not be read
  // gives the defaults, and readable() is false.
  static SettingsRecord Parse(const SettingsValues& values);
  // Parse of the file at `path`, read now.
  static SettingsRecord Read(const std::string& path);

  // The file as read, for the parts that read a section by themselves (the
  // database login).
  const SettingsValues& values() const { return values_; }
  const std::string& path() const { return values_.path(); }
  // False when the file exists but could not be read.
  bool readable() const { return readable_; }

  // Raises the error of reading the file (Error 75 naming it) when it could
  // not be read.
  void ThrowIfUnreadable() const;
  // As ThrowIfUnreadable, then Error 13 with the line of the first refused
  // value.
  void ThrowIfRefused() const;
  // The lines of the values replaced by their defaults, to note in the run.
  std::vector<std::string> Notices() const;
  // The notice about `section`/`key`, or nullopt when its value was taken.
  std::optional<std::string> NoticeOf(const std::string& section,
                                      const std::string& key) const;

 private:
  // Takes every declared key from `values`.
  void Fill(const SettingsValues& values);

  SettingsValues values_;
  bool readable_ = true;
};

}  // namespace vor

#endif  // VOR_SETTINGS_SETTINGS_RECORD_H_
