#include "proposal/supplier_basket.h"

#include <algorithm>
#include <cmath>

#include "core/control_bytes.h"
#include "core/figure_text.h"
#include "core/stock_cover.h"
#include "core/text_util.h"
#include "core/units.h"
#include "proposal/report_digest.h"

namespace vor {
namespace {

using F = ResultField;
using Int128 = __int128;

// The most purchase units a suggestion adds to one row.
constexpr int64_t kMaxUnits = 1000000000;

Currency Or0(const ProposalRow& row, F field) {
  return row.Number(field).value_or(Currency());
}

std::string Euros(Currency cents) { return FigureText::Money(cents) + " €"; }

std::string Quantity(Currency q, const std::string& unit) {
  return FigureText::Quantity(q) +
         (unit.empty() ? "" : " " + EscapeControlBytes(unit));
}

// "A1 (Parafuso M6)": the article as a suggestion names it.
std::string Article(const ProposalRow& row) {
  const std::string code = EscapeControlBytes(row.Text(F::kArtigo));
  const std::string& name = row.Text(F::kNome);
  return name.empty() ? code : code + " (" + EscapeControlBytes(name) + ")";
}

// Whether the row's cover after an order can be computed and so held
// under the limit.
bool CoverComputable(const ProposalRow& row) {
  return Or0(row, F::kStkMinimo) > Currency() &&
         Or0(row, F::kDias) > Currency();
}

// Whole days, rounded down.
Currency Floor(Currency days) {
  int64_t whole = days.raw() / Currency::kScale;
  if (days.raw() % Currency::kScale < 0) --whole;
  return Currency::FromInt(whole);
}

// a / b against c / d for b, d above 0, exactly.
bool FractionLess(Int128 a, Int128 b, Int128 c, Int128 d) {
  return a * d < c * b;
}

// The figures of ordering `purchase` of `row`; where the quantity cannot be
// converted (FactEmb 0), the row's own base quantity and stock.
WholeQuantity Ordering(const WholeUnits& units, const ProposalRow& row,
                       Currency purchase) {
  if (std::optional<WholeQuantity> w = units.At(row, purchase)) return *w;
  WholeQuantity w = units.Of(row);
  w.purchase = purchase;
  return w;
}

}  // namespace

std::string SupplierBasket::Status() const {
  if (!terms) return "";
  std::string status;
  auto add = [&](const std::string& part) {
    status += (status.empty() ? "" : "; ") + part;
  };
  if (short_of_minimum > Currency()) {
    add("abaixo do mínimo: faltam " + Euros(short_of_minimum));
  }
  if (terms->free_freight) {
    add(short_of_free_freight > Currency()
            ? "faltam " + Euros(short_of_free_freight) + " para portes grátis"
            : std::string("portes grátis"));
  }
  if (status.empty() && terms->minimum) status = "mínimo atingido";
  return status;
}

std::string SupplierBasket::MinimumText() const {
  return terms && terms->minimum ? Euros(*terms->minimum) : "";
}

SupplierBaskets::SupplierBaskets(const std::vector<ProposalRow>* rows,
                                 SupplierTerms terms, WholeUnits units,
                                 Currency cover_limit)
    : rows_(rows),
      terms_(std::move(terms)),
      units_(std::move(units)),
      cover_limit_(cover_limit) {
  for (int i = 0; i < static_cast<int>(rows_->size()); ++i) {
    const std::string key = CodeKey((*rows_)[i].Text(F::kFornec));
    auto [it, inserted] = by_supplier_.try_emplace(key);
    if (inserted) suppliers_.push_back(key);
    it->second.push_back(i);
  }
}

std::vector<SupplierBasket> SupplierBaskets::All() const {
  std::vector<SupplierBasket> all;
  for (const std::string& key : suppliers_) {
    SupplierBasket basket = Make(by_supplier_.at(key), {});
    if (!basket.lines.empty()) all.push_back(std::move(basket));
  }
  std::sort(all.begin(), all.end(),
            [](const SupplierBasket& a, const SupplierBasket& b) {
              if (a.value != b.value) return a.value > b.value;
              const std::string la = CodeKey(a.label), lb = CodeKey(b.label);
              if (la != lb) return la < lb;
              return CodeKey(a.code) < CodeKey(b.code);
            });
  return all;
}

std::unordered_map<std::string, const SupplierBasket*> SupplierBaskets::ByCode(
    const std::vector<SupplierBasket>& baskets) {
  std::unordered_map<std::string, const SupplierBasket*> index;
  index.reserve(baskets.size());
  for (const SupplierBasket& b : baskets) index.emplace(CodeKey(b.code), &b);
  return index;
}

SupplierBasket SupplierBaskets::Of(const std::string& code,
                                   const BasketChoices& choices) const {
  const auto it = by_supplier_.find(CodeKey(code));
  if (it == by_supplier_.end()) return SupplierBasket();
  return Make(it->second, choices);
}

SupplierBasket SupplierBaskets::Make(const std::vector<int>& rows,
                                     const BasketChoices& choices) const {
  SupplierBasket b;
  const std::vector<ProposalRow>& all = *rows_;
  for (int i : rows) {
    const ProposalRow& row = all[i];
    if (b.code.empty() && b.label.empty()) {
      b.code = row.Text(F::kFornec);
      b.label = row.SupplierLabel();
    }
    BasketLine line;
    line.row = i;
    if (const auto chosen = choices.find(i); chosen != choices.end()) {
      if (chosen->second <= Currency()) continue;
      line.whole = Ordering(units_, row, chosen->second);
    } else if (row.ToOrder()) {
      line.whole = units_.Of(row);
    } else {
      continue;
    }
    line.value = ReportDigest::ValueOf(row, line.whole.purchase);
    if (line.value) {
      b.value += *line.value;
    } else {
      ++b.unpriced;
    }
    b.lines.push_back(std::move(line));
  }
  std::sort(b.lines.begin(), b.lines.end(),
            [&](const BasketLine& x, const BasketLine& y) {
              const std::string kx = CodeKey(all[x.row].Text(F::kArtigo));
              const std::string ky = CodeKey(all[y.row].Text(F::kArtigo));
              return kx != ky ? kx < ky : x.row < y.row;
            });
  if (const SupplierTerm* t = terms_.Of(b.code)) {
    b.terms = *t;
    if (t->minimum && *t->minimum > b.value) {
      b.short_of_minimum = *t->minimum - b.value;
    }
    if (t->free_freight && *t->free_freight > b.value) {
      b.short_of_free_freight = *t->free_freight - b.value;
    }
  }
  if (!b.lines.empty() && b.short_of_target()) Suggest(rows, &b);
  return b;
}

void SupplierBaskets::Suggest(const std::vector<int>& rows,
                              SupplierBasket* b) const {
  const std::vector<ProposalRow>& all = *rows_;
  Currency need = b->short_of_minimum > Currency() ? b->short_of_minimum
                                                   : b->short_of_free_freight;

  // How long a basket without shortages can wait.
  if (std::none_of(b->lines.begin(), b->lines.end(), [&](const BasketLine& l) {
        return all[l.row].Shortage();
      })) {
    const BasketLine* lowest = nullptr;
    Currency lowest_cover;
    for (const BasketLine& l : b->lines) {
      const std::optional<Currency> cover = ReportDigest::CoverDays(all[l.row]);
      if (!cover) continue;
      const Currency wait = *cover - Or0(all[l.row], F::kPrazo);
      if (!lowest || wait < *b->wait_days) {
        lowest = &l;
        lowest_cover = *cover;
        b->wait_days = wait;
      }
    }
    if (lowest == nullptr) {
      b->wait_text =
          "Nada em rutura, mas não se sabe quanto pode esperar: nenhuma "
          "linha tem a cobertura calculada (dias ou stock mínimo 0).";
    } else {
      const ProposalRow& row = all[lowest->row];
      b->wait_days = Floor(*b->wait_days);
      const std::string why = Article(row) + " tem " +
                              FigureText::DayCount(lowest_cover) +
                              " de cobertura e o prazo de entrega é de " +
                              FigureText::DayCount(Or0(row, F::kPrazo));
      b->wait_text = *b->wait_days > Currency()
                         ? "Nada em rutura: pode esperar " +
                               FigureText::DayCount(*b->wait_days) + " (" +
                               why + ")."
                         : "Nada em rutura, mas não deve esperar: " + why + ".";
    }
  }

  // The largest number of units, from `least` up to `wanted`, that `row`
  // may take on top of `from` without its cover passing the limit; 0 when
  // not even `least`.
  auto units_allowed = [&](const ProposalRow& row, Currency from, int64_t least,
                           int64_t wanted) -> int64_t {
    auto fits = [&](int64_t k) {
      const WholeQuantity w =
          Ordering(units_, row, from + Currency::FromInt(k));
      return cover_limit_ <= Currency() || w.cover <= cover_limit_;
    };
    if (!fits(least)) return 0;
    int64_t lo = least, hi = std::max(least, wanted);
    while (lo < hi) {
      const int64_t mid = lo + (hi - lo + 1) / 2;
      if (fits(mid)) {
        lo = mid;
      } else {
        hi = mid - 1;
      }
    }
    return lo;
  };
  // The units of `row` on top of `from` (value `from_value`) that add at
  // least `need` to the value, estimated from the price and settled on the
  // values in cents; at least `least`.
  auto units_needed = [&](const ProposalRow& row, Currency from,
                          Currency from_value, int64_t least) -> int64_t {
    const double unit = Or0(row, F::kUltPrCom).ToDouble() *
                        (1 - Or0(row, F::kDesconto).ToDouble() / 100);
    if (!(unit > 0)) return 0;
    int64_t k = std::max<int64_t>(
        least, static_cast<int64_t>(std::min<double>(
                   std::ceil(need.ToDouble() / unit), kMaxUnits)));
    auto added = [&](int64_t n) {
      const auto v = ReportDigest::ValueOf(row, from + Currency::FromInt(n));
      return v ? *v - from_value : Currency();
    };
    for (int i = 0; i < 4 && k > least && added(k - 1) >= need; ++i) --k;
    for (int i = 0; i < 4 && k < kMaxUnits && added(k) < need; ++i) ++k;
    return k;
  };

  // 1. The basket's own lines, lowest cover after the order first.
  std::vector<const BasketLine*> lines;
  for (const BasketLine& l : b->lines) {
    // A quantity without a packing factor has no stock to follow.
    if (l.value && CoverComputable(all[l.row]) &&
        units_.At(all[l.row], l.whole.purchase)) {
      lines.push_back(&l);
    }
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const BasketLine* x, const BasketLine* y) {
                     return x->whole.cover < y->whole.cover;
                   });
  for (const BasketLine* l : lines) {
    if (need <= Currency()) break;
    const ProposalRow& row = all[l->row];
    const int64_t wanted = units_needed(row, l->whole.purchase, *l->value, 1);
    if (wanted == 0) continue;
    const int64_t k = units_allowed(row, l->whole.purchase, 1, wanted);
    if (k == 0) continue;
    BasketSuggestion s;
    s.row = l->row;
    s.from = l->whole.purchase;
    s.to = s.from + Currency::FromInt(k);
    s.value = ReportDigest::ValueOf(row, s.to).value_or(*l->value) - *l->value;
    s.cover = Ordering(units_, row, s.to).cover;
    const std::string& unit = row.Text(F::kUnCmp);
    s.text = "Aumentar " + Article(row) + " de " + Quantity(s.from, unit) +
             " para " + Quantity(s.to, unit) + " (+" + Euros(s.value) +
             "): tem só " + FigureText::DayCount(l->whole.cover) +
             " de cobertura após a encomenda; com o aumento, " +
             FigureText::DayCount(s.cover) + ".";
    need -= s.value;
    b->suggestions.push_back(std::move(s));
  }

  // 2. The supplier's articles not to order, stock nearest the minimum
  // first: net stock at lead time over the minimum, compared exactly.
  struct Candidate {
    int row;
    Int128 net, minimum;
  };
  std::vector<Candidate> candidates;
  for (int i : rows) {
    const ProposalRow& row = all[i];
    if (row.ToOrder() || !CoverComputable(row)) continue;
    if (std::any_of(b->lines.begin(), b->lines.end(),
                    [&](const BasketLine& l) { return l.row == i; })) {
      continue;  // chosen by the buyer
    }
    if (Or0(row, F::kUltPrCom) == Currency()) continue;
    candidates.push_back(
        {i, Int128{Or0(row, F::kStkPrazo).raw()} - Or0(row, F::kCli).raw(),
         Or0(row, F::kStkMinimo).raw()});
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& x, const Candidate& y) {
                     return FractionLess(x.net, x.minimum, y.net, y.minimum);
                   });
  for (const Candidate& c : candidates) {
    if (need <= Currency()) break;
    const ProposalRow& row = all[c.row];
    if (!units_.At(row, Currency())) continue;  // no packing factor
    // The minimum order quantity, in whole purchase units.
    Currency least_purchase = Or0(row, F::kQtdMinApr);
    if (Units::Converted(row.at(F::kUnBase), row.at(F::kUnCmp))) {
      least_purchase = Currency::FromDouble(least_purchase.ToDouble() /
                                            Or0(row, F::kFactEmb).ToDouble());
    }
    const int64_t least = std::max<int64_t>(
        1, WholeUnits::RoundUp(least_purchase).raw() / Currency::kScale);
    if (least > kMaxUnits) continue;
    const int64_t wanted = units_needed(row, Currency(), Currency(), least);
    if (wanted == 0) continue;
    const int64_t k = units_allowed(row, Currency(), least, wanted);
    if (k == 0) continue;
    BasketSuggestion s;
    s.row = c.row;
    s.added = true;
    s.to = Currency::FromInt(k);
    s.value = ReportDigest::ValueOf(row, s.to).value_or(Currency());
    s.cover = Ordering(units_, row, s.to).cover;
    const std::string& base = row.Text(F::kUnBase);
    const Currency net = Or0(row, F::kStkPrazo) - Or0(row, F::kCli);
    const Currency minimum = Or0(row, F::kStkMinimo);
    s.text = "Juntar " + Article(row) + ", " +
             Quantity(s.to, row.Text(F::kUnCmp)) + " (+" + Euros(s.value) +
             "): o stock no prazo (" + Quantity(net, base) + ") está só " +
             Quantity(net - minimum, base) + " acima do mínimo (" +
             Quantity(minimum, base) + "); fica com " +
             FigureText::DayCount(s.cover) + " de cobertura.";
    need -= s.value;
    b->suggestions.push_back(std::move(s));
  }
  b->short_after_suggestions = std::max(need, Currency());
}

}  // namespace vor
