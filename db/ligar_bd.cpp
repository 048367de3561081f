#include "db/ligar_bd.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "core/error.h"
#include "core/recordset.h"
#include "db/connection_settings.h"
#include "db/connection_string_builder.h"
#include "db/qt_sql_connection.h"
#include "db/result_table.h"

namespace vor {

namespace {

// The tables of the ERP a run reads, and the result table it writes.
constexpr const char* kErpTables[] = {"ARTIGOS",
                                      "Fornec",
                                      "CLART",
                                      "AJUDACMP",
                                      "DOCGCCAB",
                                      "DOCGCLIN",
                                      "zlx_VOR_Artigos",
                                      "zlx_FichaEstrutura",
                                      "zlx_VOR_OrdensFabrico",
                                      kResultTableName};

// The required login keys that `settings` left empty ("" when none).
std::string MissingKeys(const ConnectionSettings& settings) {
  std::string keys;
  auto add = [&keys](bool empty, const char* key) {
    if (!empty) return;
    if (!keys.empty()) keys += ", ";
    keys += key;
  };
  add(settings.Server().empty(), "Servidor");
  add(settings.Database().empty(), "BaseDados");
  add(settings.User().empty(), "Utilizador");
  return keys;
}

// What one login file gave: it is missing, or its section BD lacks keys.
// `file` names the file ("ficheiro de parâmetros", "catálogo").
std::string LoginSource(const std::string& file, const std::string& path,
                        const std::string& missing_keys) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    return "o " + file + " '" + path + "' não existe";
  }
  return "a secção BD do " + file + " '" + path + "' não indica " +
         missing_keys;
}

QtOpenParameters OpenParametersFor(const ConnectionSettings& settings) {
  ConnectionStringBuilder builder;
  builder.Provider("MSDataShape");
  builder.DataProvider(1);
  builder.Server(settings.Server());
  builder.Database(settings.Database());
  builder.User(settings.User());
  builder.Password(settings.Password());
  builder.Driver(settings.Driver());
  builder.Port(settings.Port());
  builder.TimeoutMs(settings.TimeoutMs());
  return builder.ConnectionString();
}

}  // namespace

std::unique_ptr<Connection> LIgarBd(const std::string& settings_file_path,
                                    const std::string& application_folder) {
  return LIgarBd(SettingsValues::Read(settings_file_path), application_folder);
}

std::unique_ptr<Connection> LIgarBd(const SettingsValues& values,
                                    const std::string& application_folder) {
  ConnectionSettings settings;
  settings.Load(values);
  // The password is not tested: an empty one is a valid login.
  const std::string settings_missing = MissingKeys(settings);
  std::string catalogue;
  if (!settings_missing.empty()) {
    catalogue = application_folder;
    if (!catalogue.empty() && catalogue.back() != '/') catalogue += '/';
    catalogue += "Catalogos/bd.sql";
    settings.FileName(catalogue);
    settings.UseCatalogue(true);
    settings.Reload();
  }

  auto connection = std::make_unique<QtSqlConnection>();
  // When the open fails on an incomplete login, that is the cause, not what
  // the driver made of the empty values: the failure says where the login
  // was looked for, so the operator knows which file to correct.
  if (!connection->OpenConnection(OpenParametersFor(settings)) &&
      settings.UseCatalogue()) {
    const std::string catalogue_missing = MissingKeys(settings);
    if (!catalogue_missing.empty()) {
      connection->SetOpenFailureCause(
          LoginSource("ficheiro de parâmetros", values.path(),
                      settings_missing) +
          "; " + LoginSource("catálogo", catalogue, catalogue_missing) + ".");
    }
  }
  return connection;
}

std::string TestarLigacao(const DatabaseLogin& login,
                          const std::string& settings_file_path) {
  std::string empty;
  for (const auto& [value, caption] :
       {std::pair{&login.servidor, "Servidor"},
        std::pair{&login.base_dados, "Base de dados"},
        std::pair{&login.utilizador, "Utilizador"}}) {
    if (!value->empty()) continue;
    if (!empty.empty()) empty += ", ";
    empty += std::string("\"") + caption + "\"";
  }
  if (!empty.empty()) return "Falta preencher " + empty + ".";

  ConnectionSettings settings;
  settings.FileName(settings_file_path);
  try {
    settings.Assign(login);
  } catch (const Error& e) {
    return e.description();
  }
  QtSqlConnection connection;
  if (!connection.OpenConnection(OpenParametersFor(settings))) {
    return connection.OpenFailure();
  }
  try {
    Recordset rs;
    connection.OpenRecordset("", "SELECT 1 AS Ligacao", rs);
  } catch (const Error& e) {
    // The driver's words follow the Portuguese sentence that says what
    // failed.
    return "A base de dados abriu mas não respondeu a uma consulta de "
           "teste. Motivo: " +
           e.description();
  }
  // A database that answers is not yet the ERP: every table a run reads,
  // and the one it writes, must be there.
  std::string missing;
  int missing_count = 0;
  for (const char* table : kErpTables) {
    try {
      Recordset rs;
      connection.OpenRecordset(
          "", std::string("SELECT * FROM ") + table + " WHERE 1 = 0", rs);
    } catch (const Error&) {
      if (!missing.empty()) missing += ", ";
      missing += table;
      ++missing_count;
    }
  }
  if (missing_count == 0) return "";
  return std::string(
             "Ligação estabelecida, mas a base de dados não é a do "
             "ERP: ") +
         (missing_count == 1 ? "falta a tabela " : "faltam as tabelas ") +
         missing + ".";
}

}  // namespace vor
