#include "db/ligar_bd.h"

#include "db/connection_settings.h"
#include "db/connection_string_builder.h"
#include "db/qt_sql_connection.h"

namespace vor {

std::unique_ptr<Connection> LIgarBd(const std::string& settings_file_path,
                                    const std::string& application_folder) {
  ConnectionSettings settings;
  settings.Load(settings_file_path);
  // The password is not tested: an empty one is a valid login.
  if (settings.Server().empty() || settings.Database().empty() ||
      settings.User().empty()) {
    std::string catalogue = application_folder;
    if (!catalogue.empty() && catalogue.back() != '/') catalogue += '/';
    catalogue += "Catalogos/bd.sql";
    settings.FileName(catalogue);
    settings.UseCatalogue(true);
    settings.Reload();
  }

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

  auto connection = std::make_unique<QtSqlConnection>();
  connection->OpenConnection(builder.ConnectionString());
  return connection;
}

}  // namespace vor
