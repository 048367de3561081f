#include "proposal/proposal_view.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <set>

#include "core/text_util.h"
#include "proposal/proposal_exceptions.h"

namespace vor {
namespace {

using F = ResultField;

std::string Folded(std::string_view s) {
  std::string out;
  FoldCase(s, &out);
  return out;
}

// Shortages first, then orders proposed without shortage, then the rest.
int Band(const ProposalRow& row) {
  if (row.Shortage()) return 0;
  if (row.OrderWithoutShortage()) return 1;
  return 2;
}

// A number key where null sorts below every value.
int64_t NumberKey(const Value& v) {
  if (v.kind() == Value::Kind::kCurrency) return v.AsCurrency().raw();
  return std::numeric_limits<int64_t>::min();
}

}  // namespace

ProposalView::ProposalView(ProposalTable table) { SetTable(std::move(table)); }

void ProposalView::SetTable(ProposalTable table) {
  table_ = std::move(table);
  haystack_.clear();
  haystack_.reserve(table_.rows().size());
  for (const ProposalRow& row : table_.rows()) {
    haystack_.push_back(
        Folded(row.Text(F::kArtigo) + "\n" + row.Text(F::kNome) + "\n" +
               row.Text(F::kFornec) + "\n" + row.Text(F::kNomeFornec)));
  }
  previous_.reset();
  late_.reset();
  ComputeReasons();
  ComputeChanges();
  Reorder();
}

void ProposalView::SetPrevious(std::optional<HistoricProposal> previous,
                               Currency variation_percent) {
  previous_ = std::move(previous);
  variation_ = variation_percent;
  ComputeChanges();
  if (by_text_ == TextOrder::kChanges) {
    Reorder();
  } else {
    Refilter();
  }
}

void ProposalView::SetLate(std::optional<LateOrders> late) {
  late_ = std::move(late);
  ComputeChanges();
  if (by_text_ != TextOrder::kNone) {
    Reorder();
  } else {
    Refilter();
  }
}

void ProposalView::ComputeChanges() {
  changes_ = previous_
                 ? ProposalChanges::Between(
                       previous_->rows, table_.rows(), variation_, cover_limit_,
                       {late_known() ? &*late_ : nullptr, previous_->time})
                 : ProposalChanges();
  // all() comes kind by kind, so each row's list is in the order of
  // ChangeKind.
  row_changes_.assign(table_.rows().size(), {});
  for (const ProposalChange& c : changes_.all()) {
    if (c.row >= 0) row_changes_[c.row].push_back(c);
  }
}

std::string ProposalView::ChangeText(int index) const {
  std::string text;
  for (const ProposalChange& c : row_changes_[index]) {
    if (!text.empty()) text += "; ";
    text += ProposalChanges::Label(c.kind);
  }
  return text;
}

void ProposalView::ComputeReasons() {
  reasons_.clear();
  reasons_.reserve(table_.rows().size());
  for (const ProposalRow& row : table_.rows()) {
    reasons_.push_back(ProposalExceptions::Reason(row, cover_limit_));
  }
}

void ProposalView::SetCoverLimit(Currency days) {
  cover_limit_ = days;
  ComputeReasons();
  ComputeChanges();
  if (by_text_ != TextOrder::kNone) {
    Reorder();
  } else {
    Refilter();
  }
}

void ProposalView::SetOnlyExceptions(bool on) {
  only_exceptions_ = on;
  Refilter();
}

void ProposalView::SetOnlyChanged(bool on) {
  only_changed_ = on;
  Refilter();
}

void ProposalView::SetOnlyLate(bool on) {
  only_late_ = on;
  Refilter();
}

void ProposalView::SetSearch(const std::string& text) {
  search_text_ = text;
  search_ = Folded(text);
  Refilter();
}

void ProposalView::SetOnlyToOrder(bool on) {
  only_to_order_ = on;
  Refilter();
}

void ProposalView::SetSuppliers(const std::vector<std::string>& codes) {
  supplier_codes_ = codes;
  suppliers_.clear();
  for (const std::string& code : codes) suppliers_.push_back(CodeKey(code));
  std::sort(suppliers_.begin(), suppliers_.end());
  Refilter();
}

void ProposalView::SortBy(ProposalColumn column, bool ascending) {
  sort_column_ = column;
  by_text_ = TextOrder::kNone;
  ascending_ = ascending;
  Reorder();
}

void ProposalView::SortByReason(bool ascending) {
  SortByText(TextOrder::kReason, ascending);
}

void ProposalView::SortByChanges(bool ascending) {
  SortByText(TextOrder::kChanges, ascending);
}

void ProposalView::SortByLate(bool ascending) {
  SortByText(TextOrder::kLate, ascending);
}

void ProposalView::SortByText(TextOrder by, bool ascending) {
  sort_column_.reset();
  by_text_ = by;
  ascending_ = ascending;
  Reorder();
}

void ProposalView::SortDefault() {
  sort_column_.reset();
  by_text_ = TextOrder::kNone;
  ascending_ = true;
  Reorder();
}

void ProposalView::Reorder() {
  const std::vector<ProposalRow>& rows = table_.rows();
  order_.resize(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) order_[i] = static_cast<int>(i);

  // The default order, also the tie-break of every column order.
  struct DefaultKey {
    int band;
    int64_t tempo;  // null: after every value
    std::string artigo;
  };
  std::vector<DefaultKey> keys;
  keys.reserve(rows.size());
  for (const ProposalRow& row : rows) {
    // A cover that cannot be computed is stored as 0: it goes last, as
    // none.
    const std::optional<Currency> tempo =
        row.CoverKnown() ? row.Number(F::kTempo) : std::nullopt;
    keys.push_back({Band(row),
                    tempo ? tempo->raw() : std::numeric_limits<int64_t>::max(),
                    Folded(row.Text(F::kArtigo))});
  }
  std::sort(order_.begin(), order_.end(), [&](int a, int b) {
    const DefaultKey& x = keys[a];
    const DefaultKey& y = keys[b];
    if (x.band != y.band) return x.band < y.band;
    if (x.tempo != y.tempo) return x.tempo < y.tempo;
    if (x.artigo != y.artigo) return x.artigo < y.artigo;
    return a < b;
  });

  if (by_text_ == TextOrder::kLate) {
    std::vector<int64_t> n(rows.size(), std::numeric_limits<int64_t>::min());
    for (size_t i = 0; i < rows.size(); ++i) {
      if (const LateArticle* a = late_of(static_cast<int>(i))) {
        n[i] = a->late_quantity.raw();
      }
    }
    const bool asc = ascending_;
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
      return asc ? n[a] < n[b] : n[b] < n[a];
    });
  } else if (by_text_ != TextOrder::kNone) {
    std::vector<std::string> t(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      t[i] = Folded(by_text_ == TextOrder::kReason ? reasons_[i]
                                                   : ChangeText(int(i)));
    }
    const bool asc = ascending_;
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
      return asc ? t[a] < t[b] : t[b] < t[a];
    });
  } else if (sort_column_) {
    const ProposalColumn column = *sort_column_;
    const bool asc = ascending_;
    if (ColumnInfoOf(column).number) {
      std::vector<int64_t> n(rows.size());
      for (size_t i = 0; i < rows.size(); ++i) {
        n[i] = NumberKey(ColumnValue(rows[i], column));
      }
      std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        return asc ? n[a] < n[b] : n[b] < n[a];
      });
    } else {
      std::vector<std::string> t(rows.size());
      for (size_t i = 0; i < rows.size(); ++i) {
        const Value v = ColumnValue(rows[i], column);
        if (v.kind() == Value::Kind::kText) t[i] = Folded(v.AsText());
      }
      std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        return asc ? t[a] < t[b] : t[b] < t[a];
      });
    }
  }
  Refilter();
}

bool ProposalView::Passes(int index) const {
  const ProposalRow& row = table_.rows()[index];
  if (only_to_order_ && !row.ToOrder()) return false;
  if (only_exceptions_ && reasons_[index].empty()) return false;
  if (only_changed_ && row_changes_[index].empty()) return false;
  if (only_late_ && late_of(index) == nullptr) return false;
  if (!suppliers_.empty() &&
      !std::binary_search(suppliers_.begin(), suppliers_.end(),
                          CodeKey(row.Text(F::kFornec)))) {
    return false;
  }
  return search_.empty() || haystack_[index].find(search_) != std::string::npos;
}

void ProposalView::Refilter() {
  shown_.clear();
  for (int index : order_) {
    if (Passes(index)) shown_.push_back(index);
  }
}

ProposalSummary ProposalView::Summarise(const std::vector<int>& rows) const {
  ProposalSummary s;
  std::set<std::string> suppliers;
  for (int index : rows) {
    const ProposalRow& row = table_.rows()[index];
    ++s.articles;
    if (row.Shortage()) ++s.shortages;
    if (!reasons_[index].empty()) ++s.exceptions;
    if (!row_changes_[index].empty()) ++s.changed;
    if (late_of(index) != nullptr) ++s.late;
    if (row.ToOrder()) {
      ++s.to_order;
      suppliers.insert(CodeKey(row.Text(F::kFornec)));
    }
  }
  s.suppliers = static_cast<int>(suppliers.size());
  return s;
}

ProposalSummary ProposalView::ShownSummary() const { return Summarise(shown_); }

ProposalSummary ProposalView::TotalSummary() const { return Summarise(order_); }

std::vector<ProposalSupplier> ProposalView::Suppliers() const {
  std::map<std::string, ProposalSupplier> by_code;
  for (const ProposalRow& row : table_.rows()) {
    const std::string& code = row.Text(F::kFornec);
    ProposalSupplier& s = by_code[CodeKey(code)];
    if (s.articles == 0) {
      s.code = code;
      s.label = row.SupplierLabel();
    }
    ++s.articles;
    if (row.ToOrder()) ++s.to_order;
  }
  std::vector<ProposalSupplier> list;
  for (auto& [key, s] : by_code) list.push_back(std::move(s));
  std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
    return Folded(a.label) < Folded(b.label);
  });
  return list;
}

}  // namespace vor
