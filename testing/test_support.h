// Helpers shared by the engine's tests: a Progress that records what it is
// told (and how many log lines existed at each list line, which shows the
// order of list and log), a run log opened in a fresh temporary folder
// that can be read back, the steps driven as a run drives them, and every
// builder of a statement or filter that takes codes.
#ifndef VOR_TESTING_TEST_SUPPORT_H_
#define VOR_TESTING_TEST_SUPPORT_H_

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/error.h"
#include "engine/contributions.h"
#include "engine/literal_reader.h"
#include "engine/progress.h"
#include "engine/replenishment_calculator.h"
#include "engine/sql_texts.h"
#include "engine/step_lines.h"
#include "log/cl_log.h"
#include "testing/fake_connection.h"
#include "testing/temp_folder.h"

namespace vor::testing {

// A fixed moment: 2025-05-31 10:20:30 local time.
inline LocalTime FixedNow() {
  using namespace std::chrono;
  return local_days{year{2025} / May / 31} + hours{10} + minutes{20} +
         seconds{30};
}

// A run log in its own temporary folder (removed with the object).
class TempLog {
 public:
  TempLog() : log_([] { return FixedNow(); }) {}
  ~TempLog() { log_.Fechar(); }
  // Opens the log (its folder: the settings file's, as none is configured).
  void Open() {
    if (!log_.Abrir("", (dir_ / "VOREncomendas.zlx").string())) {
      throw Error(errnum::kFileError, "log: " + log_.open_error());
    }
  }
  cl_log& log() { return log_; }
  const std::filesystem::path& dir() const { return dir_; }

  // The messages of the log file, without their "[date][time] " prefix,
  // buffered progress lines included (they are written out first).
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    if (log_.path().empty()) return out;
    log_.Flush();
    std::ifstream in(log_.path(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t cut = line.find("] ");
      out.push_back(cut == std::string::npos ? line : line.substr(cut + 2));
    }
    return out;
  }

 private:
  TempFolder folder_;
  const std::filesystem::path dir_ = folder_.path();
  mutable cl_log log_;  // Messages() writes out its buffered lines
};

// Records every call. When given a log, each list line also notes how many
// messages the log held at that moment.
class RecordingProgress : public Progress {
 public:
  explicit RecordingProgress(const TempLog* log = nullptr) : log_(log) {}

  void AddLine(const std::string& text) override {
    if (on_add_line) on_add_line(text);
    lines.push_back(text);
    log_sizes.push_back(log_ != nullptr ? log_->Messages().size() : 0);
  }
  void Yield() override { ++yields; }
  void Step(int64_t position, int64_t total) override {
    steps.emplace_back(position, total);
  }
  void ReportConversionError(const Error& error) override {
    conversion_errors.push_back(error.number());
    conversion_texts.push_back(error.description());
  }

  std::vector<std::string> lines;
  std::vector<size_t> log_sizes;
  std::vector<std::pair<int64_t, int64_t>> steps;
  std::vector<long> conversion_errors;
  std::vector<std::string> conversion_texts;
  int yields = 0;
  // Called before a line is recorded (tests make it throw).
  std::function<void(const std::string&)> on_add_line;

 private:
  const TempLog* log_;
};

// The steps of a run on `connection`, as the literal run drives them:
// queries sent as built, nobody watching, lines to `log` and `progress`.
//   steps_.calculator.LerArtigo(steps_.run, rsArtigos, rsEncPre, rsfinal);
class RunSteps {
 public:
  RunSteps(Connection& connection, cl_log& log, Progress& progress)
      : reader_(connection), lines_(log, progress) {}
  RunSteps(const RunSteps&) = delete;
  RunSteps& operator=(const RunSteps&) = delete;

  ReplenishmentCalculator calculator{"B"};

 private:
  LiteralReader reader_;
  ContributionObserver nobody_;
  StepLines lines_;

 public:
  const StepContext run{reader_, nobody_, &lines_};
};

// The columns of the article query, as the database names them.
inline const std::vector<std::string>& ArticleColumns() {
  static const std::vector<std::string> kColumns = {
      "Artigo",   "NOME",     "stdisp",   "StMin",      "Grupo",  "Familia",
      "SubFamil", "QtMinCom", "DiasSkRs", "PrzEntVn",   "Fornec", "UnBase",
      "UnCmp",    "FactEmb",  "UltPrCom", "NomeFornec", "Livre"};
  return kColumns;
}

// One row of the article query: sensible values, with `changes` by column.
inline std::vector<Value> ArticleValues(
    const std::map<std::string, Value>& changes = {}) {
  std::map<std::string, Value> v = {
      {"Artigo", "A1"},   {"NOME", "Parafuso M6"},
      {"stdisp", 12.5},   {"StMin", 30},
      {"Grupo", "G1"},    {"Familia", "F1"},
      {"SubFamil", "S1"}, {"QtMinCom", 10},
      {"DiasSkRs", 15},   {"PrzEntVn", 7},
      {"Fornec", "F01"},  {"UnBase", "UN"},
      {"UnCmp", "UN"},    {"FactEmb", 1},
      {"UltPrCom", 2.75}, {"NomeFornec", "Fornecedor Um"},
      {"Livre", ""}};
  for (const auto& [k, val] : changes) v[k] = val;
  std::vector<Value> row;
  for (const std::string& c : ArticleColumns()) row.push_back(v[c]);
  return row;
}

// A builder of an engine statement or table filter that takes one or two
// codes (`codes`), placed in the order their literals appear.
struct CodeBuilder {
  const char* name;
  int codes;
  bool filter;  // a table filter, not a statement
  std::function<std::string(const std::string&, const std::string&)> build;
};

// Every builder of engine/sql_texts.h that takes codes: the statements,
// then the filters.
inline std::vector<CodeBuilder> CodeBuilders() {
  using S = const std::string&;
  return {
      {"SupplierOrderQuery", 1, false,
       [](S a, S) { return sql::SupplierOrderQuery(a); }},
      {"SupplierPriceQuery", 2, false,
       [](S a, S b) { return sql::SupplierPriceQuery(a, b); }},
      {"AggregatedStockQuery", 1, false,
       [](S a, S) { return sql::AggregatedStockQuery(a); }},
      {"CustomerProductListQuery", 1, false,
       [](S a, S) { return sql::CustomerProductListQuery(a); }},
      {"ProductionProductListQuery", 1, false,
       [](S a, S) { return sql::ProductionProductListQuery(a); }},
      {"StructureLinesQuery", 2, false,
       [](S a, S b) { return sql::StructureLinesQuery(a, b); }},
      {"BaseStructureQuery", 1, false,
       [](S a, S) { return sql::BaseStructureQuery(a); }},
      {"SmallestStructureQuery", 1, false,
       [](S a, S) { return sql::SmallestStructureQuery(a); }},
      {"ArticleFilter", 1, true, [](S a, S) { return sql::ArticleFilter(a); }},
      {"CustomerOrderFilter", 2, true,
       [](S a, S b) { return sql::CustomerOrderFilter(a, b); }},
      {"ProductionOrderFilter", 2, true,
       [](S a, S b) { return sql::ProductionOrderFilter(a, b); }},
  };
}

}  // namespace vor::testing

#endif  // VOR_TESTING_TEST_SUPPORT_H_
