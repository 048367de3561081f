// run_bench: the whole unattended run on generated ERPs of 10 000 and
// 50 000 articles, in-process: start-up (Arrancar on a settings file, as
// "/S" does), then one run (RunControl::Sincronizar with the silent
// progress sink) over an InstrumentedConnection that times every database
// call, in both reading modes (Motor/Leitura Literal and Conjunto). Prints,
// per size and mode, the total time, the time inside database calls, the
// program's own time (total minus database), the statements sent per kind,
// the rows written per second; per size, the two modes side by side with
// the ratio of their times; then the same runs with a simulated network
// (every statement waits 0.3 ms, as a round trip to a server on a LAN):
// both modes up to 10 000 articles, Conjunto only above; last, the ratio of
// the largest size to the one before it.
//
//   run_bench                 the two sizes
//   run_bench 500 2000        other sizes (the ratio compares the last two)
//   run_bench --keep DIR ...  keeps the generated files in DIR
//   run_bench --repeat R ...  runs R times per size, keeps the fastest (3)
//   run_bench --by-query ...  also prints the time per kind of query (the
//                             SQL text with its quoted values blanked)
//   run_bench --no-network    leaves out the runs with the simulated network
//   run_bench --literal-only  only the Literal mode, without the network
//   run_bench --bulk-only     only the Conjunto mode
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/run_control.h"
#include "app/silent_progress.h"
#include "app/startup.h"
#include "core/error.h"
#include "testing/instrumented_connection.h"
#include "tools/demo_erp_generator.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Op = vor::InstrumentedConnection::Operation;

constexpr std::uint32_t kSeed = 20240;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Times the queries per shape: the SQL text with every quoted value and
// number replaced by '?', blanks collapsed. Sits between the instrumented
// connection and the real one, so its time is part of the database time.
class QueryShapeTimer : public vor::Connection {
 public:
  explicit QueryShapeTimer(std::unique_ptr<vor::Connection> inner)
      : inner_(std::move(inner)) {}

  struct Shape {
    int64_t calls = 0;
    Clock::duration time{};
  };
  const std::map<std::string, Shape>& shapes() const { return shapes_; }

  bool OpenConnection(const vor::QtOpenParameters& parameters) override {
    return inner_->OpenConnection(parameters);
  }
  bool IsOpen() const override { return inner_->IsOpen(); }
  std::string OpenFailure() const override { return inner_->OpenFailure(); }
  void OpenRecordset(const std::string& source, const std::string& sql,
                     vor::Recordset& rs, int cursor_type,
                     int options) override {
    const auto t0 = Clock::now();
    inner_->OpenRecordset(source, sql, rs, cursor_type, options);
    Add(sql, Clock::now() - t0);
  }
  void ExecuteSql(const std::string& source,
                  const std::string& statement) override {
    const auto t0 = Clock::now();
    inner_->ExecuteSql(source, statement);
    Add(statement, Clock::now() - t0);
  }
  void OpenRecordsetForUpdate(const std::string& sql,
                              std::unique_ptr<vor::UpdatableRecordset>& rs,
                              int lock_type, int options) override {
    const auto t0 = Clock::now();
    inner_->OpenRecordsetForUpdate(sql, rs, lock_type, options);
    Add("(for update) " + sql, Clock::now() - t0);
  }
  void InsertRows(const std::string& table,
                  const std::vector<std::string>& columns,
                  const std::vector<std::vector<vor::Value>>& rows) override {
    const auto t0 = Clock::now();
    inner_->InsertRows(table, columns, rows);
    Add("(insert rows) " + table, Clock::now() - t0);
  }
  void BeginWrite() override { inner_->BeginWrite(); }
  void EndWrite() override { inner_->EndWrite(); }
  bool WriteInProgress() const override { return inner_->WriteInProgress(); }
  void AbandonWrite() override { inner_->AbandonWrite(); }
  bool BeginRead() override { return inner_->BeginRead(); }
  void EndRead() override { inner_->EndRead(); }

 private:
  void Add(const std::string& sql, Clock::duration d) {
    Shape& shape = shapes_[ShapeOf(sql)];
    ++shape.calls;
    shape.time += d;
  }
  static std::string ShapeOf(const std::string& sql) {
    std::string out;
    bool in_quote = false;
    bool just_closed = false;  // a quote right after a literal: '' inside it
    for (char c : sql) {
      if (in_quote) {
        if (c == '\'') {
          in_quote = false;
          just_closed = true;
        }
        continue;
      }
      if (c == '\'' && just_closed) {
        in_quote = true;
        just_closed = false;
        continue;
      }
      just_closed = false;
      if (c == '\'') {
        in_quote = true;
        out += "'?'";
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        if (!out.empty() && out.back() != ' ') out += ' ';
      } else {
        out += c;
      }
    }
    return out;
  }

  std::unique_ptr<vor::Connection> inner_;
  std::map<std::string, Shape> shapes_;
};

constexpr auto kNetworkDelay = std::chrono::microseconds(300);
// Above this size the Literal mode is not run across the simulated network:
// its 4.9 statements per article would take minutes.
constexpr int kLargestLiteralOnNetwork = 10000;

struct Figures {
  int articles = 0;
  bool bulk = false;
  bool network = false;
  double generate_s = 0;
  int repeats = 1;
  double startup_s = 0;
  double run_s = 0;
  double db_s = 0;
  double write_db_s = 0;
  int64_t selects = 0, deletes = 0, inserts = 0, others = 0;
  int64_t open_recordsets = 0, updatable_opens = 0, insert_rows = 0;
  bool completed = false;
  std::string error;
  std::map<std::string, QueryShapeTimer::Shape> shapes;
};

void PrintShapes(const std::map<std::string, QueryShapeTimer::Shape>& shapes) {
  if (shapes.empty()) return;
  std::vector<std::pair<std::string, QueryShapeTimer::Shape>> rows(
      shapes.begin(), shapes.end());
  std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
    return a.second.time > b.second.time;
  });
  std::printf("  time per kind of query (largest first):\n");
  for (const auto& [shape, s] : rows) {
    std::printf("   %8.3f s %8lld calls %7.1f us/call  %.110s\n",
                Seconds(s.time), static_cast<long long>(s.calls),
                s.calls ? 1e6 * Seconds(s.time) / s.calls : 0.0, shape.c_str());
  }
}

void WriteSettings(const fs::path& folder, const fs::path& erp,
                   const fs::path& log, bool bulk) {
  std::ofstream out(folder / "zoltix" / "VOREncomendas.zlx", std::ios::binary);
  out << "[BD]\r\nServidor=sqlite\r\nBaseDados=" << erp.string()
      << "\r\nUtilizador=bench\r\nPassword=\r\n"
      << "[Log]\r\nDirectoria=" << log.string() << "\r\n"
      << "[email]\r\nAssunto=Proposta de encomendas\r\n";
  if (bulk) out << "[Motor]\r\nLeitura=Conjunto\r\n";
}

fs::path SiteOf(const fs::path& root, int articles) {
  return root / ("erp_" + std::to_string(articles));
}

// Generates the ERP of `articles` articles and its settings under `root`,
// and points VOR_BASE_DIR at it. Returns the generation time in seconds.
double PrepareSite(int articles, const fs::path& root) {
  const fs::path site = SiteOf(root, articles);
  fs::remove_all(site);
  fs::create_directories(site / "zoltix");
  fs::create_directories(site / "log");
  const fs::path erp = site / "erp.db";

  const auto g0 = Clock::now();
  vor::GenerateDemoErp(erp.string(), articles, kSeed);
  const double generate_s = Seconds(Clock::now() - g0);
  WriteSettings(site, erp, site / "log", false);
  setenv("VOR_BASE_DIR", site.string().c_str(), 1);
  return generate_s;
}

// Points the program at the prepared site of `articles`, reading in the
// given mode.
void SetMode(const fs::path& root, int articles, bool bulk) {
  const fs::path site = SiteOf(root, articles);
  WriteSettings(site, site / "erp.db", site / "log", bulk);
  setenv("VOR_BASE_DIR", site.string().c_str(), 1);
}

// One start-up and run on the prepared site, timed.
Figures TimedRun(int articles, bool bulk, bool network, bool by_query) {
  Figures f;
  f.articles = articles;
  f.bulk = bulk;
  f.network = network;
  const auto t0 = Clock::now();
  vor::StartupState state;
  vor::Arrancar(state, "/S", vor::ApplicationFolder());
  if (!state.ErpConnection->IsOpen()) {
    throw vor::Error(vor::errnum::kDatabase,
                     state.ErpConnection->OpenFailure());
  }
  QueryShapeTimer* shape_timer = nullptr;
  if (by_query) {
    auto timer =
        std::make_unique<QueryShapeTimer>(std::move(state.ErpConnection));
    shape_timer = timer.get();
    state.ErpConnection = std::move(timer);
  }
  auto probe_owner = std::make_unique<vor::InstrumentedConnection>(
      std::move(state.ErpConnection));
  vor::InstrumentedConnection* probe = probe_owner.get();
  if (network) probe->SetStatementDelay(kNetworkDelay);
  state.ErpConnection = std::move(probe_owner);
  const auto t1 = Clock::now();

  vor::RunControl run(state);
  vor::SilentProgress progress([&run] { return run.RunLog(); });
  const vor::RunOutcome outcome = run.Sincronizar(progress);
  const auto t2 = Clock::now();

  f.startup_s = Seconds(t1 - t0);
  f.run_s = Seconds(t2 - t1);
  f.db_s = Seconds(probe->TimeSpent());
  f.write_db_s = Seconds(
      probe->TimeSpent(Op::kOpenRecordsetForUpdate) +
      probe->TimeSpent(Op::kAddNew) + probe->TimeSpent(Op::kSet) +
      probe->TimeSpent(Op::kUpdate) + probe->TimeSpent(Op::kInsertRows) +
      probe->TimeSpent(Op::kExecuteSql) + probe->TimeSpent(Op::kBeginWrite) +
      probe->TimeSpent(Op::kEndWrite));
  f.selects = probe->Statements("select");
  f.deletes = probe->Statements("delete");
  f.inserts = probe->Statements("insert");
  f.open_recordsets = probe->Calls(Op::kOpenRecordset);
  f.updatable_opens = probe->Calls(Op::kOpenRecordsetForUpdate);
  f.insert_rows = probe->Calls(Op::kInsertRows);
  f.others =
      f.open_recordsets + probe->Calls(Op::kExecuteSql) - f.selects - f.deletes;
  f.completed = outcome.completed;
  f.error = outcome.error_message;
  if (shape_timer != nullptr) f.shapes = shape_timer->shapes();
  return f;
}

void Print(const Figures& f) {
  const double total = f.startup_s + f.run_s;
  const double own = total - f.db_s;
  std::printf("\n%d articles, Leitura=%s%s%s\n", f.articles,
              f.bulk ? "Conjunto" : "Literal",
              f.network ? ", 0.3 ms per statement" : "",
              f.completed ? "" : "  ** run ended by the engine's handler **");
  if (!f.completed) std::printf("  error: %s\n", f.error.c_str());
  std::printf(
      "  total (start-up + run)    %8.3f s   (start-up %.3f s; "
      "fastest of %d)\n",
      total, f.startup_s, f.repeats);
  std::printf(
      "  inside database calls     %8.3f s   (%4.1f %%; writing %.3f s)\n",
      f.db_s, total > 0 ? 100 * f.db_s / total : 0.0, f.write_db_s);
  std::printf("  program's own time        %8.3f s   (%.2f x database time)\n",
              own, f.db_s > 0 ? own / f.db_s : 0.0);
  std::printf(
      "  statements: select %lld, insert %lld, delete %lld, other %lld"
      " (OpenRecordset %lld, OpenRecordsetForUpdate %lld, InsertRows %lld)"
      "; total %lld\n",
      static_cast<long long>(f.selects), static_cast<long long>(f.inserts),
      static_cast<long long>(f.deletes), static_cast<long long>(f.others),
      static_cast<long long>(f.open_recordsets),
      static_cast<long long>(f.updatable_opens),
      static_cast<long long>(f.insert_rows),
      static_cast<long long>(f.selects + f.inserts + f.deletes + f.others));
  std::printf(
      "  rows written per second   %8.0f (whole run)   %8.0f (write calls)\n",
      total > 0 ? f.inserts / total : 0.0,
      f.write_db_s > 0 ? f.inserts / f.write_db_s : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::vector<int> sizes;
  fs::path keep;
  bool by_query = false;
  bool network = true;
  bool literal_only = false;
  bool bulk_only = false;
  int repeat = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--by-query") {
      by_query = true;
    } else if (arg == "--no-network") {
      network = false;
    } else if (arg == "--literal-only") {
      literal_only = true;
    } else if (arg == "--bulk-only") {
      bulk_only = true;
    } else if (arg == "--repeat" && i + 1 < argc) {
      repeat = std::atoi(argv[++i]);
      if (repeat < 1) {
        std::fprintf(stderr, "run_bench: --repeat needs a count above 0\n");
        return 2;
      }
    } else if (arg == "--keep" && i + 1 < argc) {
      keep = argv[++i];
    } else {
      const int n = std::atoi(arg.c_str());
      if (n <= 0) {
        std::fprintf(stderr, "run_bench: '%s' is not an article count\n",
                     arg.c_str());
        return 2;
      }
      sizes.push_back(n);
    }
  }
  if (sizes.empty()) sizes = {10000, 50000};

  const fs::path root = keep.empty()
                            ? fs::temp_directory_path() /
                                  ("vor_run_bench_" + std::to_string(getpid()))
                            : keep;
  fs::create_directories(root);
  std::printf("Whole unattended run, embedded SQLite, %u hardware threads\n",
              std::thread::hardware_concurrency());
  std::vector<Figures> all;
  int rc = 0;
  // The fastest of `runs` runs on the same ERP: other work on the machine
  // only ever adds time.
  auto best_of = [&](int n, bool bulk, bool network, int runs) {
    SetMode(root, n, bulk);
    Figures best;
    for (int r = 0; r < runs; ++r) {
      Figures f = TimedRun(n, bulk, network, by_query);
      if (r == 0 || f.startup_s + f.run_s < best.startup_s + best.run_s) {
        best = std::move(f);
      }
    }
    best.repeats = runs;
    Print(best);
    PrintShapes(best.shapes);
    std::fflush(stdout);
    if (!best.completed) rc = 1;
    all.push_back(best);
    return best;
  };
  try {
    std::vector<std::pair<Figures, Figures>> pairs;
    for (int n : sizes) {
      const double generate_s = PrepareSite(n, root);
      std::printf("\n== %d articles (ERP generated in %.2f s, not counted)\n",
                  n, generate_s);
      Figures literal =
          bulk_only ? Figures{} : best_of(n, false, false, repeat);
      Figures bulk = literal_only ? Figures{} : best_of(n, true, false, repeat);
      pairs.emplace_back(literal, bulk);
    }
    if (!literal_only && network) {
      for (int n : sizes) {
        std::printf("\n== %d articles, simulated network\n", n);
        Figures literal;
        if (n <= kLargestLiteralOnNetwork && !bulk_only) {
          literal = best_of(n, false, true, 1);
        }
        Figures bulk = best_of(n, true, true, repeat);
        pairs.emplace_back(literal, bulk);
      }
    }
    std::printf(
        "\nSide by side (wall time of start-up and run; statements: select /"
        " insert / delete / other = total)\n");
    std::printf("%8s  %-8s  %-9s %9s  %-36s %7s\n", "articles", "network",
                "Leitura", "wall", "statements", "ratio");
    auto row = [](const Figures& f, double ratio) {
      char stats[96];
      std::snprintf(
          stats, sizeof stats, "%lld / %lld / %lld / %lld = %lld",
          static_cast<long long>(f.selects), static_cast<long long>(f.inserts),
          static_cast<long long>(f.deletes), static_cast<long long>(f.others),
          static_cast<long long>(f.selects + f.inserts + f.deletes + f.others));
      std::printf("%8d  %-8s  %-9s %8.3fs  %-36s", f.articles,
                  f.network ? "0.3 ms" : "none",
                  f.bulk ? "Conjunto" : "Literal", f.startup_s + f.run_s,
                  stats);
      if (ratio > 0) {
        std::printf(" %6.1fx\n", ratio);
      } else {
        std::printf("\n");
      }
    };
    for (const auto& [literal, bulk] : pairs) {
      const double tl = literal.startup_s + literal.run_s;
      const double tb = bulk.startup_s + bulk.run_s;
      if (literal.articles > 0) row(literal, 0);
      if (bulk.articles > 0)
        row(bulk, literal.articles > 0 && tb > 0 ? tl / tb : 0);
    }
    if (pairs.size() >= 2 && sizes.size() >= 2) {
      const Figures& a = pairs[sizes.size() - 2].first;
      const Figures& b = pairs[sizes.size() - 1].first;
      const double ta = a.startup_s + a.run_s, tb = b.startup_s + b.run_s;
      std::printf("\nratio %d/%d articles (Literal): time %.2f (size %.1f)\n",
                  b.articles, a.articles, ta > 0 ? tb / ta : 0.0,
                  static_cast<double>(b.articles) / a.articles);
    }
  } catch (const vor::Error& e) {
    std::fprintf(stderr, "run_bench: Erro %ld - %s\n", e.number(),
                 e.description().c_str());
    rc = 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "run_bench: %s\n", e.what());
    rc = 2;
  }
  if (keep.empty()) {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  return rc;
}
