#include "reliability/input_site.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "app/silent_mode.h"
#include "core/error.h"

namespace vor::input {

namespace fs = std::filesystem;

namespace {

// The tally of bad inputs, printed once all tests have run.
class BadInputTally : public ::testing::Environment {
 public:
  void TearDown() override {
    std::printf("[ input    ] %zu bad inputs tried\n", labels.size());
    std::fflush(stdout);
  }
  std::vector<std::string> labels;
};

BadInputTally* const kTally = static_cast<BadInputTally*>(
    ::testing::AddGlobalTestEnvironment(new BadInputTally));

// The messages of a log text: each line without its CR and without the
// "[dd-mm-yyyy][HH:MM:SS] " stamp.
void AppendMessages(const std::string& text, std::vector<std::string>* out) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out->push_back(line.size() > 23 ? line.substr(23) : line);
  }
}

// The log files (LOG_VOR_ENC*.txt) of `folder`, in name order.
std::vector<std::string> LogFilesIn(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("LOG_VOR_ENC", 0) == 0) {
      files.push_back(entry.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

void BuildReferenceErp(ErpFixture& erp) {
  erp.AddSupplier("F001", "Fornecedor Um");

  ErpArticle a1;
  a1.codigo = "A1";
  a1.stdisp = 5;
  a1.stmin = 30;
  a1.ultprcom = 2.5;
  erp.AddArticle(a1);
  erp.AddClassification("A1", "B1;B2");

  ErpArticle a2;
  a2.codigo = "A2";
  a2.stdisp = 20;
  a2.stmin = 40;
  a2.qtmincom = 50;
  a2.diasskrs = 15;
  a2.uncmp = "CX";
  a2.factemb = 12;
  a2.ultprcom = 99;  // not used: the units differ
  erp.AddArticle(a2);
  erp.AddPrice("A2", "F001", 24, 5);

  // Aggregated with A1; outside the proposal (no minimum, no extension).
  for (auto [code, stock] : {std::pair{"B1", 2.0}, std::pair{"B2", 3.0}}) {
    ErpArticle b;
    b.codigo = code;
    b.stdisp = stock;
    b.stmin = 0;
    b.tipo_artigo = std::nullopt;
    erp.AddArticle(b);
  }

  ErpArticle p1;
  p1.codigo = "P1";
  p1.stmin = 0;
  p1.tipo_artigo = 0;
  p1.estrutura_base = "E1";
  erp.AddArticle(p1);
  ErpArticle sa1;
  sa1.codigo = "SA1";
  sa1.stmin = 0;
  sa1.tipo_artigo = 2;
  sa1.estrutura_base = "S1";
  erp.AddArticle(sa1);
  erp.AddStructureLine("P1", "E1", "A1", 2);
  erp.AddStructureLine("P1", "E1", "SA1", 1, "CJ");
  erp.AddStructureLine("P1", "E1", "A2", 1);
  erp.AddStructureLine("SA1", "S1", "A2", 3);

  erp.AddCustomerOrder(DaysAgo(30), {{"P1", 5}, {"A2", 4}});
  erp.AddSupplierOrder(DaysAgo(400), {{"A2", 10}});
  erp.AddProductionOrder("P1", "E1", 10, 4, 1);

  // The previous run's proposal, which a failed run must leave as it is.
  erp.Exec(
      "insert into zlx_VOR_Encomendas (Artigo, Nome, StkMinimo, QtdUB, Sel, "
      "Cor, Origem) values ('ANTERIOR1', 'Emissão anterior', 12.5, 7.25, 0, "
      "1, 'C');"
      "insert into zlx_VOR_Encomendas (Artigo, QtdUB, UnBase) values "
      "('ANTERIOR2', 3, 'KG')");
}

}  // namespace

void CountBadInput(const std::string& label) {
  kTally->labels.push_back(label);
}

std::string DaysAgo(int days_back) {
  const std::time_t t =
      std::time(nullptr) - static_cast<std::time_t>(days_back) * 86400;
  std::tm local{};
  localtime_r(&t, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

std::string Outcome::LastLog() const { return log.empty() ? "" : log.back(); }

bool Outcome::LogHas(const std::string& text) const {
  return std::any_of(log.begin(), log.end(), [&](const std::string& m) {
    return m.find(text) != std::string::npos;
  });
}

InputSite::InputSite() { BuildReferenceErp(site_.CreateErp()); }

void InputSite::WriteSettingsText(const std::string& text) {
  WriteFile(site_.settings_path(), text);
}

std::string InputSite::SettingsWith(const std::string& bd_lines) const {
  return "[email]\nAssunto=Proposta\n[Log]\nDirectoria=" + site_.log_folder() +
         "\n[BD]\n" + bd_lines;
}

Outcome InputSite::RunProgram(const std::string& bad_input) {
  if (!bad_input.empty()) CountBadInput(bad_input);
  Outcome outcome;
  outcome.table_before = ResultTable();
  const LogSizes before = CurrentLogSizes();
  const ProgramResult r = site_.Run({"/S"});
  outcome.exit_code = r.exit_code;
  outcome.err = r.err;
  outcome.out = r.out;
  return Finish(std::move(outcome), before);
}

Outcome InputSite::RunInProcess(const std::string& bad_input) {
  if (!bad_input.empty()) CountBadInput(bad_input);
  Outcome outcome;
  outcome.table_before = ResultTable();
  const LogSizes before = CurrentLogSizes();
  ScopedEnv base("VOR_BASE_DIR", site_.base());
  std::ostringstream err;
  try {
    outcome.exit_code = RunSilent("/S", site_.app_folder(), err);
  } catch (const Error& e) {
    err << FailureReport(e) << '\n';
    outcome.exit_code = kExitFailure;
  }
  outcome.err = err.str();
  return Finish(std::move(outcome), before);
}

Outcome InputSite::Finish(Outcome outcome, const LogSizes& before) {
  outcome.table_after = ResultTable();
  for (const auto& [file, size] : CurrentLogSizes()) {
    auto old = before.find(file);
    const size_t from = old == before.end() ? 0 : old->second;
    if (size > from) AppendMessages(ReadFile(file).substr(from), &outcome.log);
  }
  return outcome;
}

InputSite::LogSizes InputSite::CurrentLogSizes() const {
  LogSizes sizes;
  for (const std::string& folder :
       {site_.log_folder(), site_.settings_folder()}) {
    for (const std::string& file : LogFilesIn(folder)) {
      sizes[file] = static_cast<size_t>(fs::file_size(file));
    }
  }
  return sizes;
}

Rows InputSite::ResultTable() {
  try {
    return erp().Query("select * from zlx_VOR_Encomendas order by rowid");
  } catch (const std::runtime_error&) {
    return {{"(sem tabela zlx_VOR_Encomendas)"}};
  }
}

Rows InputSite::Proposal() {
  return erp().Query(std::string("select ") + kProposalColumns +
                     " from zlx_VOR_Encomendas order by Artigo");
}

Rows InputSite::ReferenceProposal() {
  // A1: real stock 5 + 2 + 3 = 10, nothing on order, so 10 at lead time.
  //   Customer pass: 5 P1 x 2 = 10 (Origem C); production pass: (10 - 4)
  //   x 2 = 12 > 10, so Cli 12, Origem O. N = 10 - 12 = -2, shortfall to
  //   30 is 32 >= 0: order 32 (same unit), stock after 30, time = days 30.
  //   Cli 12 > 10: Cor 1, CorV 0. Same unit: its own price 2.5, no discount.
  // A2: real 20 + 10 ordered = 30 at lead time. Own orders 4, plus
  //   5 P1 x (3 via SA1 + 1) = 20: Cli 24 (C); production 6 x 4 = 24 is not
  //   above 24. N = 6, shortfall 34 < 50: order 50, 50 / 12 = 4.1667 boxes,
  //   stock after 56, time 56 / 40 x 15 = 21. Cor 0, CorV 1. Units differ:
  //   supplier price 24, discount 5.
  return {
      {"A1", "10", "0", "10", "12", "32", "32", "30", "30", "O", "1", "0",
       "2.5", "0"},
      {"A2", "20", "10", "30", "24", "50", "4.1667", "56", "21", "C", "0", "1",
       "24", "5"},
  };
}

}  // namespace vor::input
