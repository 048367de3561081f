// Parametros: the settings record. Ten text values; Ler loads four of them
// from the settings file named by FicheiroIni, Escrever saves three back.
// Neither touches any other section or key of the file.
#ifndef VOR_SETTINGS_PARAMETROS_H_
#define VOR_SETTINGS_PARAMETROS_H_

#include <string>

#include "settings/settings_record.h"

namespace vor {

class Parametros {
 public:
  // Each property is stored and returned unchanged (no trimming).
  const std::string& Log_Directoria() const { return log_directoria_; }
  void set_Log_Directoria(const std::string& v) { log_directoria_ = v; }
  const std::string& FicheiroIni() const { return ficheiro_ini_; }
  void set_FicheiroIni(const std::string& v) { ficheiro_ini_ = v; }
  const std::string& email_Origem() const { return email_origem_; }
  void set_email_Origem(const std::string& v) { email_origem_ = v; }
  const std::string& email_OrigemNome() const { return email_origem_nome_; }
  void set_email_OrigemNome(const std::string& v) { email_origem_nome_ = v; }
  const std::string& email_Assunto() const { return email_assunto_; }
  void set_email_Assunto(const std::string& v) { email_assunto_ = v; }
  const std::string& email_destino() const { return email_destino_; }
  void set_email_destino(const std::string& v) { email_destino_ = v; }
  const std::string& Sql_Servidor() const { return sql_servidor_; }
  void set_Sql_Servidor(const std::string& v) { sql_servidor_ = v; }
  const std::string& SQL_Username() const { return sql_username_; }
  void set_SQL_Username(const std::string& v) { sql_username_ = v; }
  const std::string& Sql_Password() const { return sql_password_; }
  void set_Sql_Password(const std::string& v) { sql_password_ = v; }
  const std::string& Sql_Empresa() const { return sql_empresa_; }
  void set_Sql_Empresa(const std::string& v) { sql_empresa_ = v; }

  // Loads email/Assunto, SMTP/emailEmissor, Log/Directoria and
  // email/Destino (the report's recipients), in that order. A missing file or
  // key reads as "". Returns false when an error stopped it (values loaded
  // before the error keep their new values).
  bool Ler();
  // As Ler, taking the values from `settings`, the settings file as already
  // read (FicheiroIni is left as it is). False when it could not be read.
  bool Ler(const SettingsRecord& settings);
  // Saves email/Assunto and Log/Directoria, in that order, then
  // email/Destino when it is not empty or the file holds recipients already
  // (a file without recipients is not given an empty key). Returns false
  // when an error stopped it (a value already written stays written).
  bool Escrever();

 private:
  std::string log_directoria_;
  std::string ficheiro_ini_;
  std::string email_origem_;
  std::string email_origem_nome_;
  std::string email_assunto_;
  std::string email_destino_;
  std::string sql_servidor_;
  std::string sql_username_;
  std::string sql_password_;
  std::string sql_empresa_;
};

}  // namespace vor

#endif  // VOR_SETTINGS_PARAMETROS_H_
