#include "db/qt_updatable_recordset.h"

#include <string>
#include <utility>

#include "core/error.h"

namespace vor {

QtUpdatableRecordset::QtUpdatableRecordset(
    std::weak_ptr<InsertCache> inserts,
    std::shared_ptr<const TableColumns> table)
    : inserts_(std::move(inserts)), table_(std::move(table)) {}

void QtUpdatableRecordset::AddNew() {
  Live();
  values_.assign(table_->columns().size(), Value());
  set_.assign(table_->columns().size(), 0);
  adding_ = true;
}

void QtUpdatableRecordset::Set(std::string_view column, const Value& value) {
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

void QtUpdatableRecordset::Update() {
  RequireNewRow();
  Live()->Insert(*table_, values_, set_);
  adding_ = false;
}

std::shared_ptr<InsertCache> QtUpdatableRecordset::Live() const {
  std::shared_ptr<InsertCache> inserts = inserts_.lock();
  if (!inserts || !inserts->Live()) {
    throw Error(errnum::kDatabase, "A ligação à base de dados da tabela " +
                                       table_->table() + " já foi fechada");
  }
  return inserts;
}

void QtUpdatableRecordset::RequireNewRow() const {
  if (!adding_) {
    throw Error(
        errnum::kNoCurrentRecord,
        "Não há registo novo na tabela " + table_->table() + " (falta AddNew)");
  }
}

}  // namespace vor
