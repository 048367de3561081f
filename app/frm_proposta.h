// frmProposta: the proposal window. Shows the rows of zlx_VOR_Encomendas as
// the ERP holds them now, read through the program's connection: a summary
// line (articles, to order, shortages, suppliers, exceptions; shown and in
// total), a search box, "Só a encomendar" (on when opened), "Só exceções"
// (off when opened: only the rows with a reason to check, as
// ProposalExceptions finds them with the settings' CoberturaMaxima), "Só
// alterações" (only the rows changed since the previous run, when the
// history zlx_VOR_Historico holds it; [Relatorio] Variacao says how far a
// quantity must move), "Só com encomendas em atraso" (only the rows with
// late supplier-order lines, when they were read), a supplier list, a legend of
// the colours, the table (its last column "Motivo" gives the reasons; sorted on
// a header click; the header's context menu shows or hides columns and restores
// the default order; its column "Alterações" names what changed since the
// previous run, its column "Em atraso" the quantity of the late supplier
// orders), and buttons to read the table again, export what is shown, and
// close. Selecting a row opens the side panel "Porquê?": the article's row
// computed again through a connection of its own off the window's thread, as a
// run would now, with every contribution written out (it names every field in
// which the result differs from the stored row), the article's late
// supplier-order lines and its proposal without them, "E se?" behind the
// button "Alterar valores" (the article's master data changed in place and
// its row computed again at once on what the explanation read, nothing
// written: WhatIfPanel), the article's
// changes since the previous run, a chart of its stock at lead time, minimum
// stock and quantity to order over the stored runs (where the history holds
// any), and a button "Copiar" that puts the text on the clipboard.
// "A&grupar por fornecedor…" opens the rows to order as baskets per supplier
// (BasketWindow), against the suppliers' terms read with the table (the
// optional table zlx_VOR_Fornecedores; a failure to read it is said there
// and the baskets are shown without terms). The panel
// follows its article through sorting and filtering, says so when the article
// is no longer shown, and opens again on a click, Enter or a double-click on a
// row. Every control has an access key or a labelled buddy; Tab leaves the
// table. When the table cannot be read the window says why, in Portuguese, and
// stays open. Not modal; it deletes itself when closed.
#ifndef VOR_APP_FRM_PROPOSTA_H_
#define VOR_APP_FRM_PROPOSTA_H_

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "proposal/csv_writer.h"
#include "proposal/late_orders.h"
#include "proposal/proposal_columns.h"
#include "proposal/proposal_table.h"
#include "proposal/supplier_terms.h"
#include "settings/settings_record.h"

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace vor {

class BasketWindow;
class Connection;
class HistoryChart;
class ProposalModel;
class WhatIfPanel;

class frmProposta : public QWidget {
  Q_OBJECT

 public:
  // `connection` (may be null: nothing to read) must outlive the window;
  // `component_mode` is the run's bill-of-materials mode, for "Porquê?";
  // `settings` (may be null: the defaults) the settings of the latest run,
  // for [Motor] CoberturaMaxima and [Relatorio] Variacao; it must outlive
  // the window and is read again at each Refresh.
  explicit frmProposta(Connection* connection, std::string component_mode = "B",
                       const SettingsRecord* settings = nullptr);

  // Opens a connection for one explanation ("Porquê?"); it is called, and
  // the connection used and closed, on a thread of its own.
  using ConnectionOpener = std::function<std::unique_ptr<Connection>()>;
  // From now on explanations run off the window's thread, each on a
  // connection `open` gives, while the panel says it is computing; the
  // result of a row no longer selected is dropped. Without it they run on
  // the window's connection under a wait cursor.
  void SetExplanationConnection(ConnectionOpener open);
  // An explanation is being computed off the window's thread.
  bool ExplanationRunning() const { return explanation_running_; }

  // Finds the late supplier-order lines of the rows read (on the window's
  // connection, inside the read of the table); never raises: an
  // unavailable LateOrders says why they could not be read.
  using LateOrderSource = std::function<LateOrders(
      Connection& connection, const std::vector<ProposalRow>& rows)>;
  // From the next Refresh on, the late lines come from `find`. Without it
  // none are read: the column "Em atraso" stays blank and its filter off.
  void SetLateOrders(LateOrderSource find);

  // Reads the cover limit and the table again and shows them; filters,
  // order and columns stay. A failure is shown in the window (the label
  // "error_label") in place of the table.
  void Refresh();
  // Writes the rows shown, in the order shown, with the columns shown, to
  // `path` (.csv in `csv_form`, else a workbook). Raises vor::Error naming
  // the file.
  void ExportTo(const std::string& path,
                const CsvForm& csv_form = CsvForm::Spreadsheet()) const;
  // The file types "Exportar…" offers, as a QFileDialog name filter: the
  // workbook, the CSV for a Portuguese spreadsheet, the CSV for programs.
  static QString ExportFilters();
  // The columns shown, in the order shown.
  std::vector<ProposalColumn> ShownColumns() const;
  // Opens the "Porquê?" panel on the article of shown row `row` (as
  // selecting it does). Errors are shown in the panel.
  void ExplainRow(int row);

  // Opens the baskets per supplier of the rows read (as
  // "A&grupar por fornecedor…" does) and returns their window, which
  // follows each Refresh and closes with this window.
  BasketWindow* OpenBaskets();

  // The article the panel explains ("" when none).
  const std::string& explained_article() const { return why_article_; }

 private:
  struct PanelContent;
  // Computed on any thread: touches no widget.
  // `late_lines`: the article's late supplier orders, said after the
  // explanation.
  static PanelContent Explain(Connection* connection,
                              const std::string& article,
                              const std::string& component_mode,
                              const ProposalRow& stored,
                              const std::vector<std::string>& late_lines);
  void ShowPanelContent(PanelContent content, const QString& unit);
  // "E se?" shown when its button is down, in the place of the chart; the
  // chart otherwise, when the article has a history.
  void ShowPanelParts();
  // Creates the controls, lays them out and connects them. Each control a
  // test or the screenshot tool looks for carries an object name (the
  // search box "search_box", the table "table", the panel "why_panel"...).
  void BuildControls();
  // The search box and the supplier list, in one row.
  QHBoxLayout* BuildFinders();
  // The check boxes "Só a encomendar", "Só exceções", "Só alterações",
  // "Só com encomendas em atraso".
  QHBoxLayout* BuildFilters();
  // The model and the table: widths, hidden columns, sorting, header menu.
  void BuildTable();
  // "Atualizar", the colour legend, the status line, "Exportar…", "Fechar".
  QHBoxLayout* BuildButtons();
  // The side panel "Porquê?" (hidden until a row is selected).
  void BuildWhyPanel();
  void ConnectControls();
  void FillSuppliers();
  void ShowSummary();
  void ShowHeaderMenu(const QPoint& at);
  void AskAndExport();
  // Gives the basket window the rows read and the terms read with them.
  void ShowBaskets();
  // The line beside the buttons (an export, a note on the changes).
  void ShowStatus(const QString& text);
  // Moves the model column `section`, when shown, to just after the
  // article's code and name, and scrolls the table to its left edge.
  void BringBesideName(int section);
  // Opens the panel on shown row `row` unless it already shows that
  // article (a click, Enter or a double-click on the row).
  void ReopenOn(int row);
  // After the rows shown changed: selects the explained article's row
  // again, or says in the panel that it is no longer shown.
  void FollowExplainedRow();

  Connection* connection_;
  std::string component_mode_;
  const SettingsRecord* settings_;
  ProposalModel* model_ = nullptr;
  QLabel* summary_ = nullptr;
  QLabel* error_ = nullptr;
  QLabel* status_ = nullptr;
  QLineEdit* search_ = nullptr;
  QCheckBox* only_to_order_ = nullptr;
  QCheckBox* only_exceptions_ = nullptr;
  QCheckBox* only_changed_ = nullptr;
  QCheckBox* only_late_ = nullptr;
  QComboBox* suppliers_ = nullptr;
  QTableView* table_ = nullptr;
  QPushButton* refresh_ = nullptr;
  QPushButton* export_ = nullptr;
  QPushButton* baskets_button_ = nullptr;
  QPushButton* close_ = nullptr;
  BasketWindow* baskets_ = nullptr;
  // The suppliers' terms read with the table; nullopt when they could not
  // be read, and why.
  std::optional<SupplierTerms> terms_;
  QString terms_problem_;
  QWidget* why_ = nullptr;
  QLabel* why_title_ = nullptr;
  QPlainTextEdit* why_text_ = nullptr;
  WhatIfPanel* what_if_ = nullptr;
  QPushButton* what_if_button_ = nullptr;
  HistoryChart* history_chart_ = nullptr;
  bool has_history_ = false;
  QPushButton* copy_ = nullptr;
  QPushButton* why_close_ = nullptr;
  std::string why_article_;
  QString why_heading_;
  // Set while the window itself moves the current row.
  bool following_ = false;
  ConnectionOpener open_explanation_connection_;
  LateOrderSource find_late_orders_;
  // Numbers the explanations asked for; only the last one's result shows.
  unsigned explanation_ticket_ = 0;
  bool explanation_running_ = false;
};

}  // namespace vor

#endif  // VOR_APP_FRM_PROPOSTA_H_
