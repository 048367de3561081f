// The proposal window under the offscreen platform: opened by a run from
// the main window and by "&Ver proposta", showing what the run wrote, with
// its marks, filters and summary; and the table missing.
#include "app/frm_proposta.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

#include "app/basket_lines_model.h"
#include "app/basket_window.h"
#include "app/explanation_text.h"
#include "app/frm_parametros.h"
#include "app/frm_vorencomendas.h"
#include "app/history_chart.h"
#include "app/proposal_model.h"
#include "app/qt_translations.h"
#include "app/ui_tab_strip.h"
#include "app/window_services.h"
#include "core/figure_text.h"
#include "proposal/proposal_export.h"
#include "testing/temp_folder.h"
#include "testing/test_site.h"
#include "testing/ui_test_support.h"
#include "tools/erp_database.h"

namespace vor {
namespace {

// The model the window's table shows.
ProposalModel* ModelOf(const frmProposta* proposal) {
  return static_cast<ProposalModel*>(
      test::Find<QTableView>(proposal, "table")->model());
}

class SilentServices : public WindowServices {
 public:
  void ShowMessage(QWidget*, Kind, const std::string& t) override {
    messages += t;
  }
  void EndProgram(int code) override { ended = code; }
  std::string messages;
  int ended = -1;
};

std::string DaysAgo(int days) {
  const auto day =
      std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()) -
      std::chrono::days(days);
  const std::chrono::year_month_day ymd(day);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", int(ymd.year()),
                unsigned(ymd.month()), unsigned(ymd.day()));
  return text;
}

class ProposalWindowTest : public ::testing::Test {
 protected:
  ProposalWindowTest() : env_("VOR_BASE_DIR", site_.base()) {
    ErpFixture& erp = site_.CreateErp();
    erp.AddSupplier("F001", "Ferragens Lda");
    erp.AddArticle(BoughtArticle("A1", 5, 30));    // 25 to order
    erp.AddArticle(BoughtArticle("A2", 100, 10));  // nothing to order
    erp.AddArticle(BoughtArticle("A3", 2, 5));     // 10 ordered: shortage
    erp.AddCustomerOrder(DaysAgo(5), {{"A3", 10}});
    site_.WriteSettings();
    window_ =
        std::make_unique<frmVOREncomendas>("", site_.app_folder(), services_);
  }
  QString Cell(int row, ProposalColumn column, int role = Qt::DisplayRole) {
    return Cell(row, static_cast<int>(column), role);
  }
  QString Cell(int row, int column, int role = Qt::DisplayRole) {
    ProposalModel* model = ModelOf(window_->ProposalWindow());
    return model->data(model->index(row, column), role).toString();
  }

  // The panel's text once its explanation, computed off the window's
  // thread, has arrived.
  static QString WhyText(frmProposta* proposal) {
    EXPECT_TRUE(QTest::qWaitFor(
        [proposal] { return !proposal->ExplanationRunning(); }, 20000));
    return test::Find<QPlainTextEdit>(proposal, "why_text")->toPlainText();
  }

  TestSite site_;
  ScopedEnv env_;
  SilentServices services_;
  std::unique_ptr<frmVOREncomendas> window_;
};

TEST_F(ProposalWindowTest, ARunOpensTheProposalWithShortagesFirst) {
  // The new button stands between the settings button and the bar.
  const QRect ver = window_->btVer()->geometry();
  EXPECT_EQ(ver.size(), window_->btParam()->size());
  EXPECT_GT(ver.left(), window_->btParam()->geometry().right());
  EXPECT_LT(ver.right(), window_->progress_bar()->geometry().left());
  EXPECT_EQ(ver.top(), window_->btParam()->geometry().top());
  EXPECT_EQ(window_->btVer()->text(), QStringLiteral("&Ver proposta"));

  window_->btConf()->click();
  frmProposta* proposal = window_->ProposalWindow();
  ASSERT_NE(proposal, nullptr);
  EXPECT_TRUE(proposal->isVisible());
  EXPECT_TRUE(proposal->isEnabled());
  EXPECT_TRUE(window_->isEnabled());
  EXPECT_TRUE(test::Find<QLabel>(proposal, "error_label")->isHidden());

  // Only what is to be ordered, the shortage first.
  ProposalModel* model = ModelOf(proposal);
  ASSERT_EQ(model->rowCount(), 2);
  EXPECT_EQ(Cell(0, ProposalColumn::kArtigo), "A3");
  EXPECT_EQ(Cell(0, ProposalColumn::kFornecedor), "Ferragens Lda");
  EXPECT_EQ(Cell(0, ProposalColumn::kProcura), "10");
  EXPECT_EQ(Cell(0, ProposalColumn::kOrigem), "");
  EXPECT_EQ(model->data(model->index(0, 0), Qt::BackgroundRole).value<QColor>(),
            ProposalModel::ShortageTint());
  EXPECT_FALSE(model->data(model->index(0, 0), Qt::DecorationRole).isNull());
  EXPECT_EQ(Cell(1, ProposalColumn::kArtigo), "A1");
  EXPECT_EQ(Cell(1, ProposalColumn::kEmUnidadeBase), "25 UN");
  EXPECT_EQ(model->data(model->index(1, 3), Qt::BackgroundRole).value<QColor>(),
            ProposalModel::OrderTint());
  EXPECT_EQ(model->headerData(3, Qt::Horizontal, Qt::ToolTipRole).toString(),
            "Campo: QtdUC, UnCmp");
  EXPECT_EQ(ProposalModel::NumberText(Currency::Parse("12345.5")),
            QString::fromUtf8("12\u00a0345,5"));
  // The panel writes numbers as the table does.
  EXPECT_EQ(FigureText::Quantity(Currency::FromInt(59070)), "59\u00a0070");
  EXPECT_TRUE(test::Find<QLabel>(proposal, "summary_label")
                  ->text()
                  .contains("Total: 3 artigos, <b>2 a encomendar</b>"));

  // Every article without the filter; a search narrows it down.
  test::Find<QCheckBox>(proposal, "only_to_order_box")->setChecked(false);
  EXPECT_EQ(model->rowCount(), 3);
  EXPECT_EQ(Cell(2, ProposalColumn::kEmUnidadeBase), "");
  test::Find<QLineEdit>(proposal, "search_box")->setText("a2");
  ASSERT_EQ(model->rowCount(), 1);
  EXPECT_EQ(Cell(0, ProposalColumn::kArtigo), "A2");

  // "Só exceções" keeps the rows with a reason, which the last column
  // gives: A2 covers 300 days, above a maximum of 250.
  constexpr int kMotivo = ProposalModel::kReasonColumn;
  EXPECT_EQ(
      model->headerData(kMotivo, Qt::Horizontal, Qt::DisplayRole).toString(),
      "Motivo");
  EXPECT_FALSE(
      test::Find<QTableView>(proposal, "table")->isColumnHidden(kMotivo));
  EXPECT_EQ(proposal->ShownColumns().back(), ProposalColumn::kDesconto);
  EXPECT_FALSE(
      test::Find<QCheckBox>(proposal, "only_exceptions_box")->isChecked());
  // The window shows the settings of the latest run: a change of the file
  // counts from the next run on.
  SiteSettings settings;
  settings.extra = "[Motor]\r\nCoberturaMaxima=250\r\n";
  site_.WriteSettings(settings);
  proposal->Refresh();
  test::Find<QLineEdit>(proposal, "search_box")->clear();
  test::Find<QCheckBox>(proposal, "only_exceptions_box")->setChecked(true);
  EXPECT_EQ(model->rowCount(), 0);
  test::Find<QCheckBox>(proposal, "only_exceptions_box")->setChecked(false);
  window_->btConf()->click();
  ASSERT_EQ(window_->ProposalWindow(), proposal);
  EXPECT_EQ(model->rowCount(), 3);
  test::Find<QCheckBox>(proposal, "only_exceptions_box")->setChecked(true);
  ASSERT_EQ(model->rowCount(), 1);
  EXPECT_EQ(Cell(0, ProposalColumn::kArtigo), "A2");
  EXPECT_EQ(Cell(0, kMotivo),
            QString::fromUtf8("cobertura de 300 dias acima do máximo de 250"));
  EXPECT_FALSE(
      model->data(model->index(0, kMotivo), Qt::DecorationRole).isNull());
  test::Find<QCheckBox>(proposal, "only_to_order_box")
      ->setChecked(true);  // A2: nothing to order
  EXPECT_EQ(model->rowCount(), 0);
  // A bad maximum is named in the run's list and leaves the default.
  settings.extra = "[Motor]\r\nCoberturaMaxima=muito\r\n";
  site_.WriteSettings(settings);
  test::Find<QCheckBox>(proposal, "only_to_order_box")->setChecked(false);
  window_->btConf()->click();
  EXPECT_FALSE(test::Find<QTableView>(proposal, "table")->isHidden());
  EXPECT_EQ(model->rowCount(), 0);  // A2's 300 days are within 365
  EXPECT_FALSE(window_->Lista()
                   ->findItems("CoberturaMaxima=muito", Qt::MatchContains)
                   .isEmpty());
  site_.WriteSettings();
  test::Find<QCheckBox>(proposal, "only_exceptions_box")->setChecked(false);
  test::Find<QCheckBox>(proposal, "only_to_order_box")->setChecked(false);
  test::Find<QLineEdit>(proposal, "search_box")->setText("a2");

  // A second run refreshes the same window.
  window_->btConf()->click();
  EXPECT_EQ(window_->ProposalWindow(), proposal);
  EXPECT_EQ(model->rowCount(), 1);
  EXPECT_TRUE(services_.messages.empty()) << services_.messages;
}

// Selecting a row explains it from the ERP as it is now; a change of the
// ERP since the run is said plainly; "Copiar" copies the text.
TEST_F(ProposalWindowTest, SelectingARowExplainsItsQuantity) {
  window_->btConf()->click();
  frmProposta* proposal = window_->ProposalWindow();
  ASSERT_NE(proposal, nullptr);
  EXPECT_TRUE(test::Find<QWidget>(proposal, "why_panel")->isHidden());
  ProposalModel* model = ModelOf(proposal);
  ASSERT_EQ(Cell(1, ProposalColumn::kArtigo), "A1");
  test::Find<QTableView>(proposal, "table")
      ->setCurrentIndex(model->index(1, 0));
  ASSERT_TRUE(test::Find<QWidget>(proposal, "why_panel")->isVisible());
  // Computed off the window's thread: the panel says so meanwhile.
  EXPECT_TRUE(proposal->ExplanationRunning());
  EXPECT_TRUE(test::Find<QPlainTextEdit>(proposal, "why_text")
                  ->toPlainText()
                  .startsWith("A calcular"));
  // A1: stock 5, nothing else, minimum 30: 25 short, ordered.
  const QString text = WhyText(proposal);
  EXPECT_TRUE(text.startsWith("Stock disponível: 5 UN\n"))
      << text.toStdString();
  EXPECT_TRUE(text.contains("Stock líquido = 5 − 0 = 5 UN"))
      << text.toStdString();
  EXPECT_TRUE(text.contains("faltam 25 UN")) << text.toStdString();
  EXPECT_FALSE(text.contains("mudou")) << text.toStdString();
  test::Find<QPushButton>(proposal, "copy_button")->click();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), text);

  ErpFixture(site_.erp_path())
      .Exec("update ARTIGOS set stdisp = 10 where CODIGO = 'A1'");
  test::Find<QTableView>(proposal, "table")
      ->setCurrentIndex(model->index(0, 0));
  test::Find<QTableView>(proposal, "table")
      ->setCurrentIndex(model->index(1, 0));
  const QString changed = WhyText(proposal);
  // One paragraph in the window's words and units; the row is marked.
  EXPECT_TRUE(changed.startsWith(
      "Atenção: o ERP mudou desde o cálculo desta proposta. A proposta "
      "guardada tem 25 UN a encomendar e o cálculo de agora dá 20 UN. Mudou: "
      "Stock real (era 5 UN, agora 10 UN)"))
      << changed.toStdString();
  EXPECT_EQ(changed.count(QStringLiteral("Atenção")), 1);
  EXPECT_FALSE(changed.contains(QStringLiteral("A encomendar (era")))
      << changed.toStdString();
  EXPECT_TRUE(model->OutOfDate(1));
  EXPECT_FALSE(model->OutOfDate(0));
  EXPECT_EQ(model->rowCount(), 2);  // the table itself is not re-read
}

// The panel never explains something other than what the row shows: a
// change of the ERP that leaves the quantity alone is named field by field;
// the panel follows its article through an order and a filter, says when
// the article is filtered away, and opens again on the same row after
// "Fechar painel" by a click or Enter.
TEST_F(ProposalWindowTest, ThePanelFollowsItsArticleAndNamesEveryChange) {
  window_->btConf()->click();
  frmProposta* proposal = window_->ProposalWindow();
  ASSERT_NE(proposal, nullptr);
  ProposalModel* model = ModelOf(proposal);
  QTableView* table = test::Find<QTableView>(proposal, "table");
  test::Find<QCheckBox>(proposal, "only_to_order_box")->setChecked(false);
  auto article_at = [&](int row) {
    return model->RowAt(row).Text(ResultField::kArtigo);
  };
  int a2 = -1;
  for (int row = 0; row < model->rowCount(); ++row) {
    if (article_at(row) == "A2") a2 = row;
  }
  ASSERT_GE(a2, 0);

  // A2 has nothing to order before and after: only the stock changed.
  ErpFixture(site_.erp_path())
      .Exec("update ARTIGOS set stdisp = 120 where CODIGO = 'A2'");
  table->setCurrentIndex(model->index(a2, 0));
  ASSERT_TRUE(test::Find<QWidget>(proposal, "why_panel")->isVisible());
  const QString text = WhyText(proposal);
  EXPECT_TRUE(text.startsWith(QString::fromUtf8(
      "Atenção: o ERP mudou desde o cálculo desta proposta. Mudou: Stock "
      "real (era 100 UN, agora 120 UN), Stock no prazo (era 100 UN, agora "
      "120 UN)")))
      << text.toStdString();
  EXPECT_FALSE(text.contains("a proposta guardada tem")) << text.toStdString();
  // Nothing to order: no stock after an order, the cover's arithmetic.
  EXPECT_FALSE(text.contains(QString::fromUtf8("Stock após a encomenda")));
  EXPECT_TRUE(text.contains(QString::fromUtf8(
      "Cobertura = dias × stock líquido ÷ mínimo = 30 × 120 ÷ 10 = 360 "
      "dias.")))
      << text.toStdString();

  // An order keeps the current row on its article.
  table->sortByColumn(static_cast<int>(ProposalColumn::kArtigo),
                      Qt::DescendingOrder);
  ASSERT_EQ(article_at(0), "A3");
  EXPECT_EQ(table->currentIndex().row(), 1);
  EXPECT_EQ(proposal->explained_article(), "A2");

  // Filtered away: the panel says so; back: the row is current again.
  test::Find<QLineEdit>(proposal, "search_box")->setText("A1");
  EXPECT_TRUE(test::Find<QWidget>(proposal, "why_panel")->isVisible());
  EXPECT_TRUE(test::Find<QLabel>(proposal, "why_title")
                  ->text()
                  .contains(QString::fromUtf8(
                      "já não está entre as linhas mostradas")));
  test::Find<QLineEdit>(proposal, "search_box")->clear();
  EXPECT_EQ(article_at(table->currentIndex().row()), "A2");
  EXPECT_FALSE(test::Find<QLabel>(proposal, "why_title")
                   ->text()
                   .contains(QString::fromUtf8("já não está")));

  // "Fechar painel", then a click on the same row, then Enter.
  test::Find<QPushButton>(proposal, "close_panel_button")->click();
  EXPECT_TRUE(test::Find<QWidget>(proposal, "why_panel")->isHidden());
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                    table->visualRect(table->currentIndex()).center());
  EXPECT_TRUE(test::Find<QWidget>(proposal, "why_panel")->isVisible());
  test::Find<QPushButton>(proposal, "close_panel_button")->click();
  QTest::keyClick(table, Qt::Key_Return);
  EXPECT_TRUE(test::Find<QWidget>(proposal, "why_panel")->isVisible());
  EXPECT_EQ(proposal->explained_article(), "A2");
}

// With the history kept, the window compares its table with the run before
// it: the column "Alterações" names each row's changes, "Só alterações"
// keeps those rows, the summary says which run and what left, and the panel
// draws the article over the stored runs.
TEST_F(ProposalWindowTest, ChangesSinceThePreviousRunAndTheArticlesHistory) {
  ErpFixture erp(site_.erp_path());
  erp.Exec(HistorySqliteSchema());
  window_->btConf()->click();  // the run keeps its proposal in the history
  frmProposta* proposal = window_->ProposalWindow();
  ASSERT_NE(proposal, nullptr);
  ProposalModel* model = ModelOf(proposal);
  // The only stored run is the table shown: nothing to compare with.
  EXPECT_FALSE(
      test::Find<QCheckBox>(proposal, "only_changed_box")->isEnabled());
  EXPECT_EQ(model->ChangeText(0), "");

  erp.Exec(
      "insert into zlx_VOR_Historico "
      "(Execucao, Artigo, StkPrazo, StkMinimo, QtdUB, Cor) values "
      "(20260101060000, 'a1', 12, 30, 10, 0), "
      "(20260101060000, 'A3', 9, 5, 0, 0), "
      "(20260101060000, 'GONE', 0, 5, 4, 0)");
  proposal->Refresh();
  constexpr int kChanges = ProposalModel::kChangesColumn;
  EXPECT_EQ(
      model->headerData(kChanges, Qt::Horizontal, Qt::DisplayRole).toString(),
      QString::fromUtf8("Alterações"));
  ASSERT_EQ(model->rowCount(), 2);
  ASSERT_EQ(Cell(0, ProposalColumn::kArtigo), "A3");
  EXPECT_EQ(Cell(0, kChanges), "Nova rutura; Passou a encomendar");
  EXPECT_EQ(Cell(1, kChanges),
            QString::fromUtf8("Quantidade mudou: 10 UN → 25 UN"));
  const QString summary = test::Find<QLabel>(proposal, "summary_label")->text();
  EXPECT_TRUE(summary.contains(QString::fromUtf8(
      "Alterações desde a proposta de 01-01-2026 às 06:00; 1 artigo que se "
      "encomendava saiu da proposta")))
      << summary.toStdString();
  EXPECT_TRUE(summary.contains("2 alterados")) << summary.toStdString();

  test::Find<QCheckBox>(proposal, "only_to_order_box")->setChecked(false);
  ASSERT_EQ(model->rowCount(), 3);
  ASSERT_TRUE(test::Find<QCheckBox>(proposal, "only_changed_box")->isEnabled());
  test::Find<QCheckBox>(proposal, "only_changed_box")->setChecked(true);
  ASSERT_EQ(model->rowCount(), 2);
  EXPECT_EQ(Cell(1, ProposalColumn::kArtigo), "A1");

  test::Find<QTableView>(proposal, "table")
      ->setCurrentIndex(model->index(1, 0));
  EXPECT_TRUE(test::Find<QLabel>(proposal, "why_title")
                  ->text()
                  .contains("Quantidade mudou"));
  WhyText(proposal);
  ASSERT_TRUE(test::Find<HistoryChart>(proposal, "history_chart")->isVisible());
  EXPECT_EQ(test::Find<HistoryChart>(proposal, "history_chart")->point_count(),
            2);
  // Filters, panel and chart still fit a small screen.
  EXPECT_LE(proposal->minimumSizeHint().width(), 800);
}

// "dd-mm-yyyy" of DaysAgo(days), as the window writes dates.
std::string ShownDaysAgo(int days) {
  const std::string iso = DaysAgo(days);
  return iso.substr(8, 2) + "-" + iso.substr(5, 2) + "-" + iso.substr(0, 4);
}

// Late supplier orders (lead time 10 days, AtrasoMaximo 90), on the day the
// dates are counted from:
//   A1 (stock 5, minimum 30): 20 UN of 15 days ago from F002's document, 5
//     days late; 4 UN of 130 days ago, 120 days late, probably lost; 6 UN
//     of 3 days ago, not late. EncF 30, StkPrazo 35: nothing to order.
//     Without the 24 late: StkPrazo 11, order 30 - 11 = 19 UN.
//   A2 (stock 100, minimum 10): 10 UN of 12 days ago, 2 days late; nothing
//     to order either way.
//   A3: none.
TEST_F(ProposalWindowTest, LateSupplierOrdersInTheColumnTheFilterAndThePanel) {
  const auto today = std::chrono::local_days(
      std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())
          .time_since_epoch());
  window_ = std::make_unique<frmVOREncomendas>(
      "", site_.app_folder(), services_,
      [today] { return LocalTime(today + std::chrono::hours(12)); });
  ErpFixture erp(site_.erp_path());
  erp.AddSupplier("F002", "Outro Lda");
  const ErpDocKey from_f002 = erp.AddDocument(
      {.tpdoc = "ECF", .tpterc = 1, .data = DaysAgo(15), .terceiro = "F002"});
  erp.AddDocLine(from_f002, "A1", 20);
  const ErpDocKey old = erp.AddSupplierOrder(DaysAgo(130), {{"A1", 4}});
  erp.AddSupplierOrder(DaysAgo(3), {{"A1", 6}});
  erp.AddSupplierOrder(DaysAgo(12), {{"A2", 10}});
  window_->btConf()->click();
  frmProposta* proposal = window_->ProposalWindow();
  ASSERT_NE(proposal, nullptr);
  ProposalModel* model = ModelOf(proposal);
  constexpr int kLate = ProposalModel::kLateColumn;
  EXPECT_EQ(model->headerData(kLate, Qt::Horizontal, Qt::DisplayRole),
            "Em atraso");
  test::Find<QCheckBox>(proposal, "only_to_order_box")->setChecked(false);
  ASSERT_EQ(model->rowCount(), 3);
  model->sort(kLate, Qt::DescendingOrder);
  EXPECT_EQ(Cell(0, ProposalColumn::kArtigo), "A1");
  EXPECT_EQ(Cell(0, kLate), "24 UN");
  EXPECT_EQ(Cell(1, ProposalColumn::kArtigo), "A2");
  EXPECT_EQ(Cell(1, kLate), "10 UN");
  EXPECT_EQ(Cell(2, kLate), "");
  EXPECT_TRUE(test::Find<QLabel>(proposal, "summary_label")
                  ->text()
                  .contains("Total: 3 artigos, <b>1 a encomendar</b>"));

  auto* only_late = test::Find<QCheckBox>(proposal, "only_late_box");
  ASSERT_TRUE(only_late->isEnabled());
  only_late->setChecked(true);
  ASSERT_EQ(model->rowCount(), 2);
  EXPECT_TRUE(test::Find<QLabel>(proposal, "summary_label")
                  ->text()
                  .contains("Mostrados: 2 artigos, <b>0 a encomendar</b>, "
                            "<span style='color:#b00000'><b>0 em rutura</b>"
                            "</span>, 0 fornecedores, 0 exceções, 2 com "
                            "encomendas em atraso"))
      << test::Find<QLabel>(proposal, "summary_label")->text().toStdString();
  // The export names the filter and carries the column.
  const Sheet sheet =
      ProposalExport::ProposalSheet(model->view(), proposal->ShownColumns());
  ASSERT_EQ(sheet.rows.size(), 2u);
  ASSERT_EQ(sheet.columns[sheet.columns.size() - 2].header, "Em atraso");
  EXPECT_EQ(sheet.rows[0][sheet.columns.size() - 2],
            Value(Currency::FromInt(24)));
  const Sheet summary = ProposalExport::SummarySheet(model->view());
  bool named = false;
  for (const auto& row : summary.rows) {
    named = named || (row.size() == 2 && row[0] == Value("Filtro") &&
                      row[1] == Value("Só com encomendas em atraso"));
  }
  EXPECT_TRUE(named);

  test::Find<QTableView>(proposal, "table")
      ->setCurrentIndex(model->index(0, 0));
  const QString text = WhyText(proposal);
  const std::string expected =
      "\nEncomendas a fornecedor em atraso: 24 UN de 2 linhas, contadas no "
      "stock no prazo 35 UN:\n"
      "  ECF " +
      std::to_string(old.nnumdoc) + " (série 1, " + DaysAgo(130).substr(0, 4) +
      ") de " + ShownDaysAgo(130) +
      ": 4 UN, 120 dias de atraso, provavelmente não vai chegar\n"
      "  ECF " +
      std::to_string(from_f002.nnumdoc) + " (série 1, " +
      DaysAgo(15).substr(0, 4) + ") de " + ShownDaysAgo(15) +
      ": 20 UN, 5 dias de atraso, fornecedor 'F002' Outro Lda\n"
      "Se as encomendas em atraso não chegarem: encomendar 19 UN em vez de "
      "nada (stock no prazo 11 UN em vez de 35 UN).\n";
  EXPECT_TRUE(text.contains(QString::fromStdString(expected)))
      << text.toStdString();
  test::Find<QTableView>(proposal, "table")
      ->setCurrentIndex(model->index(1, 0));
  EXPECT_TRUE(WhyText(proposal).contains(
      "Se as encomendas em atraso não chegarem: continua a não haver nada a "
      "encomendar (stock no prazo 100 UN em vez de 110 UN).\n"));
}

// The access keys of `window`'s visible controls (buttons, check boxes,
// captions with a buddy), each with its captions.
std::map<QString, QStringList> AccessKeys(QWidget* window) {
  std::map<QString, QStringList> keys;
  auto add = [&](const QString& text) {
    const QString key = QKeySequence::mnemonic(text).toString();
    if (!key.isEmpty()) keys[key].append(text);
  };
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
    if (b->isVisibleTo(window)) add(b->text());
  }
  for (QLabel* l : window->findChildren<QLabel*>()) {
    if (l->buddy() != nullptr && l->isVisibleTo(window)) add(l->text());
  }
  return keys;
}

void ExpectUniqueKeys(QWidget* window, const QStringList& shared_pair = {}) {
  for (auto [key, captions] : AccessKeys(window)) {
    captions.sort();
    if (captions.size() > 1 && captions != shared_pair) {
      ADD_FAILURE() << window->windowTitle().toStdString() << ": "
                    << key.toStdString() << " for "
                    << captions.join(", ").toStdString();
    }
  }
}

// "E se?": A1 (stock 5, minimum 30, nothing else: 25 to order, after 30,
// cover 30 days, its own price 1) computed again as the fields change. Text,
// a negative figure, a minimum of 0 and a figure beyond the fixed-point
// range are refused at the field and change no figure; a minimum of 50
// orders 45 (50 - 5), one of 40,5 typed with a decimal comma 35,5; "Repor"
// restores the fields read. Nothing is written; the area's access keys are
// the window's own.
TEST_F(ProposalWindowTest, WhatIfRefusesBadFiguresAndComputesGoodOnesAtOnce) {
  window_->btConf()->click();
  frmProposta* proposal = window_->ProposalWindow();
  ASSERT_NE(proposal, nullptr);
  ASSERT_EQ(Cell(1, ProposalColumn::kArtigo), "A1");
  proposal->ExplainRow(1);
  WhyText(proposal);
  test::Find<QPushButton>(proposal, "what_if_button")->click();
  ExpectUniqueKeys(proposal);
  auto* minimum = test::Find<QLineEdit>(proposal, "what_if_stock_minimum");
  auto* price = test::Find<QLineEdit>(proposal, "what_if_price");
  auto* message = test::Find<QLabel>(proposal, "what_if_message");
  auto* result = test::Find<QLabel>(proposal, "what_if_result");
  ASSERT_TRUE(minimum->isEnabled());
  EXPECT_EQ(minimum->text(), "30");
  EXPECT_EQ(price->text(), "1,00");
  const QString unchanged = result->text();
  EXPECT_TRUE(unchanged.startsWith(
      "A encomendar: 25 UN (igual)\nStock após encomenda: 30 UN (igual)\n"
      "Cobertura: 30 dias (igual)\nPreço de compra: 1,00 (igual)\n"))
      << unchanged.toStdString();
  EXPECT_TRUE(message->isHidden());

  // As pasted: the whole text in one edit.
  auto type = [&](QLineEdit* field, const QString& text) {
    field->selectAll();
    field->insert(text);
  };
  const struct {
    const char* text;
    const char* reason;
  } refused[] = {{"abc", "'abc' não é um número"},
                 {"-5", "não pode ser negativo"},
                 {"0", "tem de ser maior que 0"},
                 {"99999999999999999", "fora do limite"}};
  for (const auto& r : refused) {
    SCOPED_TRACE(r.text);
    type(minimum, QString::fromUtf8(r.text));
    EXPECT_FALSE(message->isHidden());
    EXPECT_TRUE(message->text().startsWith("Stock mínimo: "))
        << message->text().toStdString();
    EXPECT_TRUE(message->text().contains(QString::fromUtf8(r.reason)))
        << message->text().toStdString();
    EXPECT_EQ(minimum->toolTip() + ".", message->text());
    EXPECT_EQ(result->text(), unchanged);
  }

  type(minimum, "50");
  EXPECT_TRUE(message->isHidden());
  EXPECT_TRUE(minimum->toolTip().isEmpty());
  EXPECT_TRUE(result->text().startsWith(
      "A encomendar: 25 UN → 45 UN\nStock após encomenda: 30 UN → 50 UN\n"
      "Cobertura: 30 dias (igual)\n"))
      << result->text().toStdString();
  EXPECT_TRUE(result->text().contains("Passos que mudam:\n"))
      << result->text().toStdString();
  EXPECT_TRUE(result->text().contains("a encomendar 45 UN"))
      << result->text().toStdString();
  type(minimum, "40,5");
  type(price, "2,5");
  EXPECT_TRUE(result->text().startsWith(
      "A encomendar: 25 UN → 35,5 UN\nStock após encomenda: 30 UN → 40,5 "
      "UN\nCobertura: 30 dias (igual)\nPreço de compra: 1,00 → 2,50\n"))
      << result->text().toStdString();

  test::Find<QPushButton>(proposal, "what_if_reset")->click();
  EXPECT_EQ(minimum->text(), "30");
  EXPECT_EQ(price->text(), "1,00");
  EXPECT_EQ(result->text(), unchanged);
  EXPECT_EQ(site_.erp().Scalar("select QtdUB from zlx_VOR_Encomendas where "
                               "Artigo = 'A1'"),
            "25");
}

// The baskets per supplier. F001 asks 60 € at least, freight free from
// 100 €; its basket holds A1 (25 UN at 1 €), A3 (13 UN: 5 - (2 - 10)) and
// B1, 30 UN to order in boxes of 12 at 4 € a box: 2,5 CX in the proposal,
// 3 CX = 12 € whole. 25 + 13 + 12 = 50 €. A3 left out: 37 €. B1 typed as
// "2,5" (a box does not split), "-1" or "abc" is refused at the field and
// changes nothing; 5 CX makes 25 + 20 = 45 €, 15 € short of the minimum,
// and the first suggestion raises A1, the lowest cover (30 days), by 15 UN
// to 40 UN (cover (30 + 15) / 30 x 30 = 45 days): 60 €. The exported order
// file holds just those lines; "Repor" gives the 50 € back. Without the
// terms table the basket is still there, with no status.
TEST_F(ProposalWindowTest, BasketsFollowTheBuyersChoicesAndExportThem) {
  ErpFixture& erp = site_.erp();
  erp.AddArticle({.codigo = "B1",
                  .nome = "Caixa de parafusos",
                  .stmin = 30,
                  .uncmp = "CX",
                  .factemb = 12});
  erp.AddPrice("B1", "F001", 4);
  erp.Exec(SupplierTermsSqliteSchema());
  erp.Exec(
      "INSERT INTO zlx_VOR_Fornecedores (Fornecedor, ValorMinimo, "
      "PortesGratis) VALUES ('f001', 60, 100)");
  window_->btConf()->click();
  frmProposta* proposal = window_->ProposalWindow();
  ASSERT_NE(proposal, nullptr);
  ExpectUniqueKeys(proposal);
  test::Find<QPushButton>(proposal, "baskets_button")->click();
  BasketWindow* baskets = proposal->findChild<BasketWindow*>();
  ASSERT_NE(baskets, nullptr);
  EXPECT_TRUE(baskets->isVisible());
  ExpectUniqueKeys(baskets);
  auto* suppliers = test::Find<QTableWidget>(baskets, "basket_suppliers");
  auto* view = test::Find<QTableView>(baskets, "basket_lines");
  auto* lines = static_cast<BasketLinesModel*>(view->model());
  auto* message = test::Find<QLabel>(baskets, "basket_message");
  auto* totals = test::Find<QLabel>(baskets, "basket_totals");
  auto supplier = [&](int column) {
    return suppliers->item(0, column)->text().toStdString();
  };
  auto line = [&](int row, int column) {
    return lines->data(lines->index(row, column), Qt::DisplayRole)
        .toString()
        .toStdString();
  };
  ASSERT_EQ(baskets->SupplierCount(), 1);
  EXPECT_EQ(supplier(0), "Ferragens Lda (F001)");
  EXPECT_EQ(supplier(1), "50,00 €");
  EXPECT_EQ(supplier(2),
            "abaixo do mínimo: faltam 10,00 €; faltam 50,00 € para portes "
            "grátis");
  ASSERT_EQ(lines->rowCount(), 3);
  EXPECT_EQ(line(0, BasketLinesModel::kArticle), "A1");
  EXPECT_EQ(line(1, BasketLinesModel::kArticle), "A3");
  EXPECT_EQ(line(1, BasketLinesModel::kValue), "13,00 €");
  EXPECT_EQ(line(2, BasketLinesModel::kProposed), "2,5 CX");
  EXPECT_EQ(line(2, BasketLinesModel::kOrdered), "3 CX");
  EXPECT_EQ(line(2, BasketLinesModel::kValue), "12,00 €");

  // The check box, as a click on it sets it.
  ASSERT_TRUE(lines->setData(lines->index(1, BasketLinesModel::kArticle),
                             Qt::Unchecked, Qt::CheckStateRole));
  EXPECT_EQ(baskets->basket().value, Currency::FromInt(37));
  EXPECT_EQ(supplier(1), "37,00 €");
  EXPECT_EQ(supplier(2),
            "abaixo do mínimo: faltam 23,00 €; faltam 63,00 € para portes "
            "grátis");
  EXPECT_TRUE(totals->text().contains("37,00 €"))
      << totals->text().toStdString();

  // B1's quantity typed in the table.
  auto type = [&](const char* text) {
    test::FlushDeletes();  // the editor closed before
    const QModelIndex cell = lines->index(2, BasketLinesModel::kOrdered);
    view->setCurrentIndex(cell);
    view->edit(cell);
    auto* editor = view->findChild<QLineEdit*>("quantity_editor");
    EXPECT_NE(editor, nullptr);
    if (editor == nullptr) return QString();
    editor->selectAll();
    QTest::keyClicks(editor, QString::fromUtf8(text));
    const QString tip = editor->toolTip();
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the commit is queued
    return tip;
  };
  const struct {
    const char* text;
    const char* reason;
  } refused[] = {{"2,5", "encomenda-se em unidades inteiras de CX"},
                 {"-1", "não pode ser negativo"},
                 {"abc", "'abc' não é um número"}};
  for (const auto& r : refused) {
    SCOPED_TRACE(r.text);
    const QString tip = type(r.text);
    EXPECT_EQ(tip, QString::fromUtf8("Quantidade de B1: ") +
                       QString::fromUtf8(r.reason) + ".");
    EXPECT_FALSE(message->isHidden());
    EXPECT_TRUE(message->text().startsWith(tip))
        << message->text().toStdString();
    EXPECT_EQ(baskets->basket().value, Currency::FromInt(37));
    EXPECT_EQ(line(2, BasketLinesModel::kOrdered), "3 CX");
  }
  EXPECT_EQ(type("5"), "");
  EXPECT_TRUE(message->isHidden());
  EXPECT_EQ(line(2, BasketLinesModel::kOrdered), "5 CX");
  EXPECT_EQ(line(2, BasketLinesModel::kValue), "20,00 €");
  EXPECT_EQ(baskets->basket().value, Currency::FromInt(45));
  EXPECT_EQ(supplier(2),
            "abaixo do mínimo: faltam 15,00 €; faltam 55,00 € para portes "
            "grátis");

  auto* suggestions = test::Find<QListWidget>(baskets, "basket_suggestions");
  ASSERT_GE(suggestions->count(), 1);
  EXPECT_EQ(suggestions->item(0)->text(),
            "Aumentar A1 (Artigo de teste) de 25 UN para 40 UN (+15,00 €): "
            "tem só 30 dias de cobertura após a encomenda; com o aumento, 45 "
            "dias.");
  suggestions->setCurrentRow(0);
  test::Find<QPushButton>(baskets, "apply_suggestion")->click();
  EXPECT_EQ(baskets->basket().value, Currency::FromInt(60));
  EXPECT_EQ(supplier(1), "60,00 €");
  EXPECT_EQ(supplier(2), "faltam 40,00 € para portes grátis");

  const std::string path = site_.base() + "/encomenda.xlsx";
  baskets->ExportTo(path);
  const std::string script = site_.base() + "/order.py";
  std::ofstream(script) << R"py(import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1])["Encomenda"]
lines = False
for row in ws.iter_rows(values_only=True):
    lines = lines or row[0] == "Artigo"
    if lines and row[0] is not None:
        print(row[0], row[2], row[3], row[6])
)py";
  const std::string out = site_.base() + "/order.txt";
  ASSERT_EQ(std::system(("/usr/bin/python3 " + script + " '" + path + "' > " +
                         out + " 2>&1")
                            .c_str()),
            0)
      << ReadFile(out);
  EXPECT_EQ(ReadFile(out),
            "Artigo Quantidade Unidade Valor\n"
            "A1 40 UN 40\n"
            "B1 5 CX 20\n"
            "Total None None 60\n");

  test::Find<QPushButton>(baskets, "basket_reset")->click();
  EXPECT_EQ(baskets->basket().value, Currency::FromInt(50));
  EXPECT_EQ(line(1, BasketLinesModel::kValue), "13,00 €");
  EXPECT_EQ(line(2, BasketLinesModel::kOrdered), "3 CX");

  erp.Exec("DROP TABLE zlx_VOR_Fornecedores");
  proposal->Refresh();
  ASSERT_EQ(baskets->SupplierCount(), 1);
  EXPECT_EQ(supplier(1), "50,00 €");
  EXPECT_EQ(supplier(2), "");
  EXPECT_FALSE(totals->text().contains("Mínimo"))
      << totals->text().toStdString();
  EXPECT_EQ(site_.erp().Scalar("select QtdUB from zlx_VOR_Encomendas where "
                               "Artigo = 'B1'"),
            "30");
}

// Whether a row has a purchase quantity follows the engine's conversion
// rule: units that differ byte for byte ("un"/"UN", a trailing blank) are
// converted, and a packing factor 0 leaves nothing in the purchase unit; a
// unit without value is not converted, so the quantity is the base one.
TEST_F(ProposalWindowTest, NoPurchaseQuantityAsTheEngineConverts) {
  const struct {
    const char* code;
    std::optional<std::string> unbase, uncmp;
    bool none;
  } cases[] = {{"U1", "un", "UN", true},
               {"U2", "UN", "UN ", true},
               {"U3", "UN", std::nullopt, false},
               {"U4", std::nullopt, "CX", false},
               {"U5", "cx", "cx", false}};
  for (const auto& c : cases) {
    ErpArticle a = BoughtArticle(c.code, 0, 10);
    a.unbase = c.unbase;
    a.uncmp = c.uncmp;
    a.factemb = 0;
    site_.erp().AddArticle(a);
  }
  window_->btConf()->click();
  frmProposta* proposal = window_->ProposalWindow();
  ASSERT_NE(proposal, nullptr);
  const QString factor_reason = QString::fromUtf8(
      "a encomendar em unidade base mas 0 em unidade de compra");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    test::Find<QLineEdit>(proposal, "search_box")->setText(c.code);
    ASSERT_EQ(ModelOf(proposal)->rowCount(), 1);
    EXPECT_EQ(Cell(0, ProposalColumn::kAEncomendar) == "fator emb. 0", c.none);
    EXPECT_EQ(Cell(0, ProposalModel::kReasonColumn).contains(factor_reason),
              c.none);
  }
}

// Every control of the proposal window the focus reaches has its own
// access key (or a caption's) and Tab leaves the table; no window repeats
// an access key but the main window's "&Sair" and "&Sincronizar", which
// share theirs as the program always had them. On the way: a packing factor
// 0 says why nothing is shown to order, and one supplier is singular.
TEST_F(ProposalWindowTest, EveryControlHasItsOwnAccessKey) {
  // A packing factor 0: something to order in UN, nothing in CX.
  ErpArticle a4 = BoughtArticle("A4", 0, 10);
  a4.uncmp = "CX";
  a4.factemb = 0;
  site_.erp().AddArticle(a4);
  window_->btConf()->click();
  frmProposta* proposal = window_->ProposalWindow();
  ASSERT_NE(proposal, nullptr);
  // One supplier, in the singular.
  EXPECT_TRUE(test::Find<QLabel>(proposal, "summary_label")
                  ->text()
                  .contains("1 fornecedor,"))
      << test::Find<QLabel>(proposal, "summary_label")->text().toStdString();
  test::Find<QLineEdit>(proposal, "search_box")->setText("A4");
  ASSERT_EQ(ModelOf(proposal)->rowCount(), 1);
  EXPECT_EQ(Cell(0, ProposalColumn::kAEncomendar), "fator emb. 0");
  EXPECT_TRUE(Cell(0, ProposalColumn::kAEncomendar, Qt::ToolTipRole)
                  .contains("fator de embalagem do artigo é 0"));
  test::Find<QLineEdit>(proposal, "search_box")->clear();
  proposal->ExplainRow(0);
  EXPECT_FALSE(test::Find<QTableView>(proposal, "table")->tabKeyNavigation());
  std::set<QWidget*> reachable;
  for (QAbstractButton* b : proposal->findChildren<QAbstractButton*>()) {
    if (!QKeySequence::mnemonic(b->text()).isEmpty()) reachable.insert(b);
  }
  for (QLabel* l : proposal->findChildren<QLabel*>()) {
    if (l->buddy() != nullptr && !QKeySequence::mnemonic(l->text()).isEmpty())
      reachable.insert(l->buddy());
  }
  for (QWidget* w = proposal->nextInFocusChain(); w != proposal;
       w = w->nextInFocusChain()) {
    const bool field = qobject_cast<QAbstractButton*>(w) != nullptr ||
                       qobject_cast<QComboBox*>(w) != nullptr ||
                       qobject_cast<QLineEdit*>(w) != nullptr;
    if (field && w->isVisibleTo(proposal) &&
        (w->focusPolicy() & Qt::TabFocus) &&
        qobject_cast<QComboBox*>(w->parentWidget()) == nullptr) {
      EXPECT_TRUE(reachable.count(w)) << w->metaObject()->className() << " "
                                      << w->objectName().toStdString();
    }
  }
  ExpectUniqueKeys(proposal);
  // Alt+E reaches "Só a encomendar" without changing it; Tab leaves the
  // table.
  ASSERT_TRUE(test::ShowActive(proposal));
  const bool only_to_order =
      test::Find<QCheckBox>(proposal, "only_to_order_box")->isChecked();
  QTest::keyClick(proposal, Qt::Key_E, Qt::AltModifier);
  QTest::qWait(300);  // a button's access key clicks it after a moment
  EXPECT_EQ(QApplication::focusWidget(),
            test::Find<QCheckBox>(proposal, "only_to_order_box"));
  EXPECT_EQ(test::Find<QCheckBox>(proposal, "only_to_order_box")->isChecked(),
            only_to_order);
  test::Find<QTableView>(proposal, "table")->setFocus();
  QTest::keyClick(test::Find<QTableView>(proposal, "table"), Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(),
            test::Find<QTableView>(proposal, "table"));
  ExpectUniqueKeys(window_.get(),
                   {QStringLiteral("&Sair"), QStringLiteral("&Sincronizar")});
  auto* settings = new frmParametros();
  settings->set_SettingsFilePath(site_.settings_path());
  settings->Mostra();
  for (int page = 0; page < 3; ++page) {
    settings->tab_strip()->setCurrentIndex(page);
    ExpectUniqueKeys(settings);
  }
  settings->close();
}

TEST_F(ProposalWindowTest, AMissingTableIsNamedAndTheWindowStaysOpen) {
  site_.erp().Exec("drop table zlx_VOR_Encomendas");
  window_->btVer()->click();
  frmProposta* proposal = window_->ProposalWindow();
  ASSERT_NE(proposal, nullptr);
  EXPECT_TRUE(proposal->isVisible());
  EXPECT_TRUE(test::Find<QTableView>(proposal, "table")->isHidden());
  EXPECT_TRUE(test::Find<QLabel>(proposal, "error_label")
                  ->text()
                  .contains("Não foi possível ler a tabela zlx_VOR_Encomendas"))
      << test::Find<QLabel>(proposal, "error_label")->text().toStdString();
  EXPECT_EQ(ModelOf(proposal)->rowCount(), 0);
  EXPECT_TRUE(window_->isEnabled());
  EXPECT_EQ(services_.ended, -1);
}

// "&Ver proposta" while another program holds the ERP locked for a while:
// the wait lets the event loop run (a timer fires, the waiting text is on
// the window) and holds back a close until it is over; once the lock ends
// the table is read as usual.
TEST_F(ProposalWindowTest, ALockIsWaitedForWithTheEventLoopRunning) {
  window_->btConf()->click();
  frmProposta* proposal = window_->ProposalWindow();
  ASSERT_NE(proposal, nullptr);

  ErpFixture holder(site_.erp_path());
  holder.Exec("BEGIN EXCLUSIVE");
  bool fired = false;
  QString waiting_text;
  QTimer::singleShot(600, [&] {
    fired = true;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* label = w->findChild<QLabel*>("busy_wait_label")) {
        if (!label->isHidden()) waiting_text = label->text();
      }
    }
    proposal->close();  // held back until the wait is over
    EXPECT_TRUE(proposal->isVisible());
    holder.Exec("ROLLBACK");
  });
  const auto started = std::chrono::steady_clock::now();
  window_->btVer()->click();
  EXPECT_TRUE(fired);
  EXPECT_GE(std::chrono::steady_clock::now() - started,
            std::chrono::milliseconds(600));
  EXPECT_TRUE(waiting_text.startsWith(
      "À espera da base de dados (ocupada por outro programa)… desiste "
      "dentro de "))
      << waiting_text.toStdString();
  EXPECT_TRUE(waiting_text.endsWith(" s (TempoEspera)"))
      << waiting_text.toStdString();
  ASSERT_EQ(window_->ProposalWindow(), proposal);
  EXPECT_TRUE(test::Find<QLabel>(proposal, "error_label")->isHidden())
      << test::Find<QLabel>(proposal, "error_label")->text().toStdString();
  EXPECT_EQ(ModelOf(proposal)->rowCount(), 2);
  EXPECT_EQ(services_.ended, -1);
  // The close asked for during the wait is honoured after it.
  const QPointer<frmProposta> closing(proposal);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return closing == nullptr || !closing->isVisible(); }, 5000));
}

// An export named without its suffix gets ".xlsx" after the save dialog
// has closed; a file of that name is replaced only when the buyer says so.
TEST_F(ProposalWindowTest, AnExportNeverReplacesAFileUnasked) {
  window_->btConf()->click();
  frmProposta* proposal = window_->ProposalWindow();
  ASSERT_NE(proposal, nullptr);
  const std::string kept = site_.base() + "/anterior.xlsx";
  std::ofstream(kept) << "folha do comprador";
  const auto contents = [&kept] {
    std::ifstream in(kept, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  for (const bool replace : {false, true}) {
    SCOPED_TRACE(replace);
    int asked = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        // Typed as a buyer types it: no suffix.
        dialog->setDirectory(QString::fromStdString(site_.base()));
        test::Find<QLineEdit>(dialog, "fileNameEdit")->setText("anterior");
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
      } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        ++asked;
        box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
      }
    });
    poll.start(50);
    test::Find<QPushButton>(proposal, "export_button")->click();
    poll.stop();
    EXPECT_EQ(asked, 1);
    if (replace) {
      EXPECT_EQ(contents().substr(0, 2), "PK");  // a workbook now
    } else {
      EXPECT_EQ(contents(), "folha do comprador");
    }
  }
}

// Qt's own dialogs speak Portuguese with the program's windows.
TEST(QtTranslationsTest, MessageBoxesAndFileDialogsArePortuguese) {
  EXPECT_GT(LoadQtTranslations(), 0);
  QMessageBox box;
  box.setStandardButtons(QMessageBox::Save | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), "Cancelar");
  EXPECT_EQ(box.button(QMessageBox::Save)->text(), "Guardar");
  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  EXPECT_EQ(dialog.labelText(QFileDialog::LookIn), "Procurar em:");
}

}  // namespace
}  // namespace vor
