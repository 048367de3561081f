// ProposalTable: the replenishment proposal as the ERP holds it now, read
// from the result table zlx_VOR_Encomendas through the program's Connection.
// One ProposalRow per table row, in the order the database returns them,
// every one of the 32 fields normalised to its kind: text (null or text),
// decimal (null or Currency), Boolean (Sel) and small integer (Cor, CorV).
//
//   ProposalTable table = ProposalTable::Read(*state.ErpConnection);
//   for (const ProposalRow& row : table.rows()) ...
#ifndef VOR_PROPOSAL_PROPOSAL_TABLE_H_
#define VOR_PROPOSAL_PROPOSAL_TABLE_H_

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/currency.h"
#include "core/recordset.h"
#include "core/value.h"
#include "db/result_table.h"

namespace vor {

class Connection;

// One row of the proposal.
struct ProposalRow {
  std::array<Value, kResultFields.size()> values;

  const Value& at(ResultField f) const { return values[static_cast<int>(f)]; }
  Value& at(ResultField f) { return values[static_cast<int>(f)]; }
  // The text of a text field; "" for null.
  std::string Text(ResultField f) const;
  // The same as a text Value (a copy of the field's, without passing
  // through a std::string), for cells made from many rows.
  Value TextValue(ResultField f) const;
  // The value of a decimal field; nullopt for null.
  std::optional<Currency> Number(ResultField f) const;
  // Cor 1: the customer demand exceeds the stock at lead time.
  bool Shortage() const;
  // CorV 1: an order is proposed without a shortage.
  bool OrderWithoutShortage() const;
  // QtdUB above 0: something to order.
  bool ToOrder() const;
  // Something to order that the conversion into the purchase unit leaves at
  // nothing: the units are converted (Units::Converted) and the packing
  // factor FactEmb is 0 or has no value, so QtdUC is 0.
  bool NoPurchaseQuantity() const;
  // Whether the days of cover can be computed: Dias and StkMinimo both
  // above 0. Otherwise the engine stores a cover (Tempo) of 0 that means
  // "unknown", never "none".
  bool CoverKnown() const;
  // The supplier's name, else its code.
  std::string SupplierLabel() const;
};

class ProposalTable {
 public:
  ProposalTable() = default;
  explicit ProposalTable(std::vector<ProposalRow> rows)
      : rows_(std::move(rows)) {}

  // Reads every row of zlx_VOR_Encomendas through `connection`. Raises
  // vor::Error with a Portuguese description naming the table when it
  // cannot be read (missing table, closed connection: the driver's text
  // follows), naming every column the table lacks, or naming the column
  // and article of a value that is not of the column's kind.
  static ProposalTable Read(Connection& connection);

  // The rows of `rs`, read from `table`: each of `fields` from the column
  // of its name, normalised as Read does; the other fields null. Raises as
  // Read for missing columns and for values not of their column's kind.
  static std::vector<ProposalRow> RowsOf(
      Recordset& rs, const std::string& table,
      const std::vector<ResultField>& fields);

  const std::vector<ProposalRow>& rows() const { return rows_; }
  int size() const { return static_cast<int>(rows_.size()); }

 private:
  std::vector<ProposalRow> rows_;
};

}  // namespace vor

#endif  // VOR_PROPOSAL_PROPOSAL_TABLE_H_
