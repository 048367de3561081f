// The ERP database of the tests and demonstrations: the texts of the
// schema scripts, built into the library from sql/, and the creation of a
// new SQLite ERP file with every table and index the program reads.
//
//   vor::CreateErpDatabase("/tmp/erp.sqlite");   // empty ERP, all tables
#ifndef VOR_TOOLS_ERP_DATABASE_H_
#define VOR_TOOLS_ERP_DATABASE_H_

#include <string>

namespace vor {

class SqliteSession;

// sql/erp_sqlite.sql: the SQLite DDL of the ERP tables the program reads and
// of the result table zlx_VOR_Encomendas.
const char* ErpSqliteSchema();

// sql/sqlserver_zlx.sql: the T-SQL script that creates, when missing, the
// six zlx_ tables and their indexes in a SQL Server ERP (batches separated
// by GO lines, for sqlcmd or Management Studio).
const char* SqlServerZlxScript();

// sql/history_sqlite.sql: the SQLite DDL of the optional history table
// zlx_VOR_Historico, which ErpSqliteSchema leaves out.
const char* HistorySqliteSchema();

// sql/supplier_terms_sqlite.sql: the SQLite DDL of the optional table of
// supplier terms zlx_VOR_Fornecedores, which ErpSqliteSchema leaves out.
const char* SupplierTermsSqliteSchema();

// Creates a new SQLite ERP file at `path` holding the empty schema. An
// existing file at `path` is replaced, but only once the new one is complete:
// on failure it is left as it was. Throws std::runtime_error naming the file.
void CreateErpDatabase(const std::string& path);

// Runs the SQLite schema on an open, empty database.
void ApplyErpSchema(SqliteSession& session);

// Adds the history table (HistorySqliteSchema) to an open ERP database.
void ApplyHistorySchema(SqliteSession& session);

// Adds the supplier terms table (SupplierTermsSqliteSchema) to an open ERP
// database.
void ApplySupplierTermsSchema(SqliteSession& session);

}  // namespace vor

#endif  // VOR_TOOLS_ERP_DATABASE_H_
