// frmProposta: the proposal window. Shows the rows of zlx_VOR_Encomendas as
// the ERP holds them now, read through the program's connection: a summary
// line (articles, to order, shortages, suppliers; shown and in total), a
// search box, "Só a encomendar" (on when opened), a supplier list, a legend
// of the colours, the table (sorted on a header click; the header's context
// menu shows or hides columns and restores the default order), and buttons
// to read the table again, export what is shown, and close. When the table
// cannot be read the window says why, in Portuguese, and stays open.
// Not modal; it deletes itself when closed.
#ifndef VOR_APP_FRM_PROPOSTA_H_
#define VOR_APP_FRM_PROPOSTA_H_

#include <QWidget>
#include <string>
#include <vector>

#include "proposal/proposal_columns.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace vor {

class Connection;
class ProposalModel;

class frmProposta : public QWidget {
  Q_OBJECT

 public:
  // `connection` (may be null: nothing to read) must outlive the window.
  explicit frmProposta(Connection* connection);

  // Reads the table again and shows it; filters, order and columns stay.
  // A failure is shown in the window (error_label) in place of the table.
  void Refresh();
  // Writes the rows shown, in the order shown, with the columns shown, to
  // `path` (.csv, else a workbook). Raises vor::Error naming the file.
  void ExportTo(const std::string& path) const;
  // The columns shown, in the order shown.
  std::vector<ProposalColumn> ShownColumns() const;

  ProposalModel* model() const { return model_; }
  QTableView* table() const { return table_; }
  QLabel* summary_label() const { return summary_; }
  QLabel* error_label() const { return error_; }
  QLineEdit* search_box() const { return search_; }
  QCheckBox* only_to_order_box() const { return only_to_order_; }
  QComboBox* supplier_box() const { return suppliers_; }

 private:
  void BuildControls();
  void FillSuppliers();
  void ShowSummary();
  void ShowHeaderMenu(const QPoint& at);
  void AskAndExport();

  Connection* connection_;
  ProposalModel* model_ = nullptr;
  QLabel* summary_ = nullptr;
  QLabel* error_ = nullptr;
  QLabel* status_ = nullptr;
  QLineEdit* search_ = nullptr;
  QCheckBox* only_to_order_ = nullptr;
  QComboBox* suppliers_ = nullptr;
  QTableView* table_ = nullptr;
  QPushButton* refresh_ = nullptr;
  QPushButton* export_ = nullptr;
  QPushButton* close_ = nullptr;
};

}  // namespace vor

#endif  // VOR_APP_FRM_PROPOSTA_H_
