// The proposal window under the offscreen platform: opened by a run from
// the main window and by "&Ver proposta", showing what the run wrote, with
// its marks, filters and summary; and the table missing.
#include "app/frm_proposta.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <chrono>
#include <cstdio>

#include "app/frm_vorencomendas.h"
#include "app/proposal_model.h"
#include "testing/test_site.h"
#include "app/window_services.h"

namespace vor {
namespace {

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
    ProposalModel* model = window_->ProposalWindow()->model();
    return model->data(model->index(row, static_cast<int>(column)), role)
        .toString();
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
  EXPECT_TRUE(proposal->error_label()->isHidden());

  // Only what is to be ordered, the shortage first.
  ProposalModel* model = proposal->model();
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
  EXPECT_TRUE(proposal->summary_label()->text().contains(
      "Total: 3 artigos, <b>2 a encomendar</b>"));

  // Every article without the filter; a search narrows it down.
  proposal->only_to_order_box()->setChecked(false);
  EXPECT_EQ(model->rowCount(), 3);
  EXPECT_EQ(Cell(2, ProposalColumn::kEmUnidadeBase), "");
  proposal->search_box()->setText("a2");
  ASSERT_EQ(model->rowCount(), 1);
  EXPECT_EQ(Cell(0, ProposalColumn::kArtigo), "A2");

  // A second run refreshes the same window.
  window_->btConf()->click();
  EXPECT_EQ(window_->ProposalWindow(), proposal);
  EXPECT_EQ(model->rowCount(), 1);
  EXPECT_TRUE(services_.messages.empty()) << services_.messages;
}

TEST_F(ProposalWindowTest, AMissingTableIsNamedAndTheWindowStaysOpen) {
  site_.erp().Exec("drop table zlx_VOR_Encomendas");
  window_->btVer()->click();
  frmProposta* proposal = window_->ProposalWindow();
  ASSERT_NE(proposal, nullptr);
  EXPECT_TRUE(proposal->isVisible());
  EXPECT_TRUE(proposal->table()->isHidden());
  EXPECT_TRUE(proposal->error_label()->text().contains(
      "Não foi possível ler a tabela zlx_VOR_Encomendas"))
      << proposal->error_label()->text().toStdString();
  EXPECT_EQ(proposal->model()->rowCount(), 0);
  EXPECT_TRUE(window_->isEnabled());
  EXPECT_EQ(services_.ended, -1);
}

}  // namespace
}  // namespace vor
