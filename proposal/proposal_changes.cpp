#include "proposal/proposal_changes.h"

#include <algorithm>
#include <chrono>
#include <unordered_map>

#include "core/text_util.h"
#include "proposal/proposal_exceptions.h"

namespace vor {
namespace {

using F = ResultField;

// Code key -> index of the first row with that code.
std::unordered_map<std::string, int> ByCode(
    const std::vector<ProposalRow>& rows) {
  std::unordered_map<std::string, int> index;
  index.reserve(rows.size() * 2);
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    index.emplace(CodeKey(rows[i].Text(F::kArtigo)), i);
  }
  return index;
}

// Whether `now` differs from `before` (above 0) by more than `percent`,
// decided exactly: |now - before| x 100 > percent x before, on the
// four-place values scaled to integers (a product fits in 128 bits).
bool MovedBeyond(Currency before, Currency now, Currency percent) {
  const __int128 difference =
      static_cast<__int128>(now.raw()) - static_cast<__int128>(before.raw());
  const __int128 moved = (difference < 0 ? -difference : difference) * 100 *
                         Currency::FromInt(1).raw();
  return moved > static_cast<__int128>(percent.raw()) * before.raw();
}

}  // namespace

ProposalChanges ProposalChanges::Between(const std::vector<ProposalRow>& before,
                                         const std::vector<ProposalRow>& now,
                                         Currency variation_percent,
                                         Currency cover_limit,
                                         const LateOrdersSince& late) {
  const auto before_index = ByCode(before);
  const auto now_index = ByCode(now);
  std::vector<std::pair<std::string, ProposalChange>> found;
  const bool with_late = late.late != nullptr && late.late->available();
  const std::chrono::sys_days before_day(
      std::chrono::floor<std::chrono::days>(late.before).time_since_epoch());

  auto add = [&](ChangeKind kind, const std::string& key, const ProposalRow* b,
                 const ProposalRow* n, int row) {
    ProposalChange c;
    c.kind = kind;
    c.article = (n ? n : b)->Text(F::kArtigo);
    c.name = (n ? n : b)->Text(F::kNome);
    c.unit = (n ? n : b)->Text(F::kUnBase);
    c.row = row;
    if (b) c.before = b->Number(F::kQtdUB);
    if (n) c.now = n->Number(F::kQtdUB);
    found.emplace_back(key, std::move(c));
  };

  for (const auto& [key, i] : now_index) {
    const ProposalRow& n = now[i];
    const auto it = before_index.find(key);
    const ProposalRow* b =
        it == before_index.end() ? nullptr : &before[it->second];
    if (n.Shortage() && !(b && b->Shortage())) {
      add(ChangeKind::kNewShortage, key, b, &n, i);
    }
    if (b && b->Shortage() && !n.Shortage()) {
      add(ChangeKind::kShortageGone, key, b, &n, i);
    }
    if (n.ToOrder() && !(b && b->ToOrder())) {
      add(ChangeKind::kNewlyToOrder, key, b, &n, i);
    }
    if (b && b->ToOrder() && !n.ToOrder()) {
      add(ChangeKind::kNoLongerToOrder, key, b, &n, i);
    }
    if (b && b->ToOrder() && n.ToOrder() &&
        MovedBeyond(*b->Number(F::kQtdUB), *n.Number(F::kQtdUB),
                    variation_percent)) {
      add(ChangeKind::kQuantityMoved, key, b, &n, i);
    }
    const std::string reason = ProposalExceptions::Reason(n, cover_limit);
    if (!reason.empty() &&
        !(b && !ProposalExceptions::Reason(*b, cover_limit).empty())) {
      add(ChangeKind::kNewException, key, b, &n, i);
      found.back().second.reason = reason;
    }
    if (with_late) {
      if (const LateArticle* a = late.late->OfRow(i)) {
        // Late on the earlier run's day: that day - date - Prazo above 0,
        // as the lines are found late today.
        const Currency lead_time = n.Number(F::kPrazo).value_or(Currency());
        const bool newly_late =
            b == nullptr ||
            std::any_of(a->lines.begin(), a->lines.end(), [&](int l) {
              const LateOrderLine& line = late.late->lines()[l];
              return Currency::FromInt((before_day - line.date).count()) -
                         lead_time <=
                     Currency();
            });
        if (newly_late) add(ChangeKind::kNewLateOrder, key, b, &n, i);
      }
    }
  }
  // Articles that left the proposal.
  for (const auto& [key, i] : before_index) {
    if (now_index.count(key) != 0) continue;
    const ProposalRow& b = before[i];
    if (b.Shortage()) add(ChangeKind::kShortageGone, key, &b, nullptr, -1);
    if (b.ToOrder()) add(ChangeKind::kNoLongerToOrder, key, &b, nullptr, -1);
  }

  std::sort(found.begin(), found.end(), [](const auto& x, const auto& y) {
    if (x.second.kind != y.second.kind) return x.second.kind < y.second.kind;
    return x.first < y.first;
  });
  ProposalChanges changes;
  changes.all_.reserve(found.size());
  for (auto& [key, change] : found) {
    ++changes.counts_[static_cast<int>(change.kind)];
    changes.all_.push_back(std::move(change));
  }
  return changes;
}

std::vector<ProposalChange> ProposalChanges::Of(ChangeKind kind) const {
  std::vector<ProposalChange> list;
  for (const ProposalChange& c : all_) {
    if (c.kind == kind) list.push_back(c);
  }
  return list;
}

const char* ProposalChanges::Title(ChangeKind kind) {
  switch (kind) {
    case ChangeKind::kNewShortage:
      return "Novas ruturas";
    case ChangeKind::kShortageGone:
      return "Deixaram de estar em rutura";
    case ChangeKind::kNewlyToOrder:
      return "Passaram a encomendar";
    case ChangeKind::kNoLongerToOrder:
      return "Deixaram de encomendar";
    case ChangeKind::kQuantityMoved:
      return "Quantidades a encomendar que mudaram";
    case ChangeKind::kNewException:
      return "Novas exceções a verificar";
    case ChangeKind::kNewLateOrder:
      return "Novas encomendas em atraso";
  }
  return "";
}

const char* ProposalChanges::Label(ChangeKind kind) {
  switch (kind) {
    case ChangeKind::kNewShortage:
      return "Nova rutura";
    case ChangeKind::kShortageGone:
      return "Deixou de estar em rutura";
    case ChangeKind::kNewlyToOrder:
      return "Passou a encomendar";
    case ChangeKind::kNoLongerToOrder:
      return "Deixou de encomendar";
    case ChangeKind::kQuantityMoved:
      return "Quantidade mudou";
    case ChangeKind::kNewException:
      return "Nova exceção";
    case ChangeKind::kNewLateOrder:
      return "Nova encomenda em atraso";
  }
  return "";
}

}  // namespace vor
