// Helpers of the bad-input tests: an installation (TestSite) holding a small
// reference ERP in which every query of a run returns rows and every column
// the run names is read, the proposal that ERP gives (worked out by hand),
// runs of the built program or of RunSilent in-process, and the tally of
// bad inputs the tests try, printed at the end of the test program.
#ifndef VOR_RELIABILITY_INPUT_SITE_H_
#define VOR_RELIABILITY_INPUT_SITE_H_

#include <map>
#include <string>
#include <vector>

#include "testing/test_site.h"
#include "tools/erp_fixture.h"

namespace vor::input {

using Rows = std::vector<std::vector<std::string>>;

// Counts one bad input tried by a test (the label is kept for the report
// printed at the end).
void CountBadInput(const std::string& label);

// "yyyy-mm-dd" of the local day `days_back` days before today.
std::string DaysAgo(int days_back);

// What a run left: exit code, streams, the run log's messages (without date
// and time, one per log line) and the result table before and after.
struct Outcome {
  int exit_code = -1;
  std::string err;
  std::string out;
  // The messages this run added to the log files of the site (log folder
  // and settings folder), one per log line.
  std::vector<std::string> log;
  Rows table_before;
  Rows table_after;

  // The last message of the log, "" when there is none.
  std::string LastLog() const;
  // True when some message of the log contains `text`.
  bool LogHas(const std::string& text) const;
};

// The reference ERP (see input_site.cpp for its rows and the proposal).
//   A1: bought, UN/UN, stock 5 plus aggregated B1 (2) and B2 (3), minimum
//       30; 2 per unit of product P1.
//   A2: bought, UN/CX (12 per box), stock 20, minimum 40, minimum purchase
//       50, 10 on a supplier order, 4 on a customer order; supplier price 24
//       with 5 % discount; 1 per unit of P1 and 3 per unit of its
//       sub-assembly SA1.
//   P1: product of structure E1 (A1, SA1, A2), 5 on customer order, a
//       production order of 10 with 4 delivered.
class InputSite {
 public:
  InputSite();

  TestSite& site() { return site_; }
  const TestSite& site() const { return site_; }
  ErpFixture& erp() { return site_.erp(); }

  // Writes the usual settings file (BD pointing at the site's ERP).
  void WriteSettings() { site_.WriteSettings(); }
  // Writes `text` as the settings file.
  void WriteSettingsText(const std::string& text);
  // A settings text for this site: the sections [email], [Log] (the site's
  // log folder) and [BD] with `bd_lines` (each ended by a line feed).
  std::string SettingsWith(const std::string& bd_lines) const;

  // Runs the built program with /S. `bad_input` labels the input tried
  // ("" for a good one, which is not counted).
  Outcome RunProgram(const std::string& bad_input);
  // Runs RunSilent in-process with the site's application folder (which
  // may hold Catalogos/bd.sql); an Error it raises gives exit code 2 and
  // its FailureReport in `err`, as the program reports it.
  Outcome RunInProcess(const std::string& bad_input);

  // The result table, every column, in stored order (one row saying so
  // when the table does not exist).
  Rows ResultTable();
  // Artigo and the computed columns of the proposal, by article.
  Rows Proposal();

  // The proposal of the reference ERP, worked out by hand.
  static Rows ReferenceProposal();

 private:
  // Size of every log file of the site, by path.
  using LogSizes = std::map<std::string, size_t>;
  LogSizes CurrentLogSizes() const;
  Outcome Finish(Outcome outcome, const LogSizes& before);

  TestSite site_;
};

// The columns Proposal() returns, in order.
inline constexpr const char* kProposalColumns =
    "Artigo, StkReal, EncF, StkPrazo, Cli, QtdUB, QtdUC, StkApos, Tempo, "
    "Origem, Cor, CorV, UltPrCom, Desconto";

}  // namespace vor::input

#endif  // VOR_RELIABILITY_INPUT_SITE_H_
