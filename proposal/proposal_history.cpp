#include "proposal/proposal_history.h"

#include <exception>
#include <string>
#include <unordered_map>

#include "core/quote.h"
#include "core/recordset.h"
#include "core/text_util.h"
#include "db/connection.h"
#include "db/history_table.h"
#include "db/read_snapshot.h"

namespace vor {
namespace {

const std::string kTable = kHistoryTableName;
const std::string kRun = kHistoryRunColumn;

// Runs `sql` into `rs`; false when the statement fails (the table missing).
bool TryOpen(Connection& connection, const std::string& sql, Recordset& rs) {
  try {
    connection.OpenRecordset("", sql, rs);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// The greatest run key below `below` (every key when nullopt).
std::optional<int64_t> LatestRun(Connection& connection,
                                 std::optional<int64_t> below) {
  Recordset latest;
  if (!TryOpen(connection,
               "select max(" + kRun + ") as Execucao from " + kTable +
                   (below ? " where " + kRun + " < " + std::to_string(*below)
                          : std::string()),
               latest) ||
      latest.Eof() || latest.Get(0).is_null()) {
    return std::nullopt;
  }
  return latest.Get(0).ToInt();
}

// The rows of the run whose key `which` gives (a number, or a subquery
// giving one), with the fields the history keeps (the name and unit too
// where the table has them); nullopt when the table cannot be read or the
// run has no rows.
std::optional<HistoricProposal> ReadRun(Connection& connection,
                                        const std::string& which) {
  Recordset rs;
  if (!TryOpen(connection,
               "select h.* from " + kTable + " h where " + kRun + " = " + which,
               rs) ||
      rs.Eof()) {
    return std::nullopt;
  }
  std::vector<ResultField> fields(kHistoryFields.begin(), kHistoryFields.end());
  for (ResultField f : kHistoryNameFields) {
    if (rs.FindField(std::string(ResultColumnOf(f).name)) >= 0) {
      fields.push_back(f);
    }
  }
  HistoricProposal run;
  run.key = rs.Get(rs.FindField(kRun)).ToInt();
  run.time = HistoryRunTime(run.key);
  run.rows = ProposalTable::RowsOf(rs, kTable, fields);
  return run;
}

// Whether `stored` holds the same articles as `shown`, with the same values
// in every field the history keeps.
bool SameProposal(const std::vector<ProposalRow>& stored,
                  const std::vector<ProposalRow>& shown) {
  if (stored.size() != shown.size()) return false;
  std::unordered_map<std::string, const ProposalRow*> by_code;
  by_code.reserve(stored.size() * 2);
  for (const ProposalRow& row : stored) {
    by_code.emplace(CodeKey(row.Text(ResultField::kArtigo)), &row);
  }
  for (const ProposalRow& row : shown) {
    const auto it = by_code.find(CodeKey(row.Text(ResultField::kArtigo)));
    if (it == by_code.end()) return false;
    for (ResultField f : kHistoryFields) {
      if (!(it->second->at(f) == row.at(f))) return false;
    }
  }
  return true;
}

}  // namespace

std::optional<HistoricProposal> ProposalHistory::Before(Connection& connection,
                                                        LocalTime time) {
  const ReadSnapshot snapshot(connection);
  // One statement: the rows of the greatest run key below the time's.
  return ReadRun(connection, "(select max(" + kRun + ") from " + kTable +
                                 " where " + kRun + " < " +
                                 std::to_string(HistoryRunKey(time)) + ")");
}

std::optional<HistoricProposal> ProposalHistory::PreviousOf(
    Connection& connection, const std::vector<ProposalRow>& shown) {
  const ReadSnapshot snapshot(connection);
  const auto latest = LatestRun(connection, std::nullopt);
  if (!latest) return std::nullopt;
  std::optional<HistoricProposal> run =
      ReadRun(connection, std::to_string(*latest));
  if (!run || !SameProposal(run->rows, shown)) return run;
  const auto key = LatestRun(connection, *latest);
  return key ? ReadRun(connection, std::to_string(*key)) : std::nullopt;
}

std::vector<ArticleHistoryPoint> ProposalHistory::OfArticle(
    Connection& connection, const std::string& article) {
  std::vector<ArticleHistoryPoint> points;
  // A NUL byte cannot be written into a statement's text.
  if (article.find('\0') != std::string::npos) return points;
  const std::vector<ResultField> fields = {
      ResultField::kStkPrazo, ResultField::kStkMinimo, ResultField::kQtdUB};
  Recordset rs;
  {
    const ReadSnapshot snapshot(connection);
    if (!TryOpen(connection,
                 "select " + kRun + ", StkPrazo, StkMinimo, QtdUB from " +
                     kTable + " where Artigo = '" + QuoteCode(article) +
                     "' order by " + kRun,
                 rs)) {
      return points;
    }
  }
  const std::vector<ProposalRow> rows =
      ProposalTable::RowsOf(rs, kTable, fields);
  size_t i = 0;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext(), ++i) {
    const Value& key = rs.Get(0);
    if (key.is_null()) continue;
    const int64_t k = key.ToInt();
    if (!points.empty() && points.back().key == k) continue;
    ArticleHistoryPoint& p = points.emplace_back();
    p.key = k;
    p.time = HistoryRunTime(k);
    p.stock_at_lead_time = rows[i].Number(ResultField::kStkPrazo);
    p.minimum_stock = rows[i].Number(ResultField::kStkMinimo);
    p.to_order = rows[i].Number(ResultField::kQtdUB);
  }
  return points;
}

}  // namespace vor
