// WhatIfPanel: the "E se?" area of the proposal window's "Porquê?" panel.
// Seven fields hold the article's master data as the explanation read them
// (minimum stock, minimum order quantity, lead time, days, packing factor,
// purchase unit, purchase price), each with its unit. Any change is checked
// as it is typed: text that is no number, a negative figure, a minimum stock
// of 0 (the article would leave the proposal), a figure beyond the
// fixed-point range or a unit longer than the table holds is refused at the
// field (marked, its tooltip and the line under the fields say why) and
// nothing is computed. Otherwise the article is computed again at once by
// the engine's own steps on the answers the explanation read
// (ExplainArticle with MasterDataChanges; nothing read, nothing written),
// and the panel shows the quantity to order, the stock after the order, the
// cover and the price, stored and changed side by side, with the lines of
// the explanation that changed. "Repor" puts every field back.
#ifndef VOR_APP_WHAT_IF_PANEL_H_
#define VOR_APP_WHAT_IF_PANEL_H_

#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/article_explanation.h"
#include "proposal/proposal_table.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vor {

class WhatIfPanel : public QWidget {
  Q_OBJECT

 public:
  explicit WhatIfPanel(QWidget* parent = nullptr);

  // Fills the fields from `recording` (the answers of the explanation `now`
  // of the article of `stored`, the row of the stored proposal) and enables
  // them. A recording of an article not found leaves the area as Clear does.
  void SetArticle(std::shared_ptr<ArticleRecording> recording,
                  const ArticleExplanation& now, const ProposalRow& stored);
  // Empties and disables the fields: no article to compute again.
  void Clear();

  // Checks every field and, when all hold acceptable values, computes the
  // article again with the changed ones and shows the result; true when it
  // was computed. A refused field is marked and named under the fields and
  // nothing is computed; an error of the steps (an overflow) is shown in
  // place of the result. What a change of a field does.
  bool Recompute();
  // Puts every field back to the value read and computes again.
  void Reset();

 private:
  enum Input {
    kStockMinimum,
    kMinimumOrder,
    kLeadTime,
    kDays,
    kPackingFactor,
    kPurchaseUnit,
    kPrice,
    kInputCount
  };
  struct Field {
    QLineEdit* edit = nullptr;
    QLabel* unit = nullptr;
    QString read;  // the text filled in from the ERP's value
  };
  // The changes of the fields into `changes`; false, with the field marked
  // and the message shown, at the first one refused.
  bool ReadChanges(MasterDataChanges* changes);
  // Marks `input` refused with `message` (empty: accepted).
  void Mark(Input input, const QString& message);
  void ShowResult(const ArticleExplanation& what_if);
  void ShowUnits();

  std::array<Field, kInputCount> fields_;
  QPushButton* reset_ = nullptr;
  QLabel* message_ = nullptr;
  QLabel* result_ = nullptr;
  std::shared_ptr<ArticleRecording> recording_;
  std::optional<ProposalRow> stored_;
  std::string base_unit_;
  std::vector<std::string> lines_now_;  // the explanation read, unchanged
};

}  // namespace vor

#endif  // VOR_APP_WHAT_IF_PANEL_H_
