#include "reliability/fault_site.h"

#include <gtest/gtest.h>

#include <QProcessEnvironment>
#include <QStringList>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "tools/demo_erp_generator.h"

namespace vor {

namespace fs = std::filesystem;

namespace {

constexpr char kResultTable[] = "zlx_VOR_Encomendas";

// Prints the tally once every test has run.
class TallyPrinter : public ::testing::Environment {
 public:
  void TearDown() override {
    const FaultTally& t = Tally();
    std::cout << "faults summary: write and read faults injected "
              << t.faults_injected << ", survived " << t.faults_survived
              << "; concurrent runs " << t.concurrent_runs << ", ok "
              << t.concurrent_runs_ok << "; runs against a held lock "
              << t.lock_waits << ", ok " << t.lock_waits_ok << "; log faults "
              << t.log_faults << ", ok " << t.log_faults_ok << "; rows lost "
              << t.rows_lost << std::endl;
  }
};

const ::testing::Environment* const kTallyPrinter =
    ::testing::AddGlobalTestEnvironment(new TallyPrinter);

std::string ReplaceLine(const std::string& text, const std::string& key,
                        const std::string& line) {
  const size_t at = text.find(key + "=");
  if (at == std::string::npos) throw std::runtime_error("no " + key);
  const size_t end = text.find("\r\n", at);
  return text.substr(0, at) + line + text.substr(end);
}

QStringList ToQt(const std::vector<std::string>& items) {
  QStringList list;
  for (const std::string& s : items) list << QString::fromStdString(s);
  return list;
}

}  // namespace

FaultTally& Tally() {
  static FaultTally tally;
  return tally;
}

FaultSite::FaultSite(int articles, std::uint32_t seed) {
  GenerateDemoErp(site_.erp_path(), articles, seed);
  erp_ = std::make_unique<ErpFixture>(site_.erp_path());
  // The faults are counted per statement of the literal reading and its
  // one insert per row.
  settings_.extra = "[Motor]\r\nLeitura=Literal\r\n";
  site_.WriteSettings(settings_);
}

void FaultSite::SetBusyTimeout(const std::string& seconds) {
  const std::string text = ReadFile(site_.settings_path());
  WriteFile(site_.settings_path(),
            ReplaceLine(text, "TempoEspera", "TempoEspera=" + seconds));
}

void FaultSite::SetLogFolder(const std::string& folder) {
  const std::string text = ReadFile(site_.settings_path());
  WriteFile(site_.settings_path(),
            ReplaceLine(text, "Directoria", "Directoria=" + folder));
}

void FaultSite::ChangeStock(double delta) {
  erp_->Exec("update ARTIGOS set stdisp = coalesce(stdisp, 0) + " +
             std::to_string(delta));
}

std::string FaultSite::TableDump() {
  std::string select = "select quote(rowid)";
  for (const std::vector<std::string>& column :
       erp_->Query(std::string("pragma table_info(") + kResultTable + ")")) {
    select += ", quote(\"" + column[1] + "\")";
  }
  select += std::string(" from ") + kResultTable + " order by rowid";
  std::string dump;
  for (const std::vector<std::string>& row : erp_->Query(select)) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) dump += '|';
      dump += row[i];
    }
    dump += '\n';
  }
  return dump;
}

int64_t FaultSite::TableRows() { return erp_->Count(kResultTable); }

std::string FaultSite::ErpBytes() const { return ReadFile(site_.erp_path()); }

bool FaultSite::ErpHasJournal() const {
  for (const char* suffix : {"-journal", "-wal"}) {
    if (fs::exists(site_.erp_path() + suffix)) return true;
  }
  return false;
}

ProgramRun::ProgramRun(const std::string& base,
                       const std::vector<std::string>& args,
                       const std::vector<std::string>& prefix) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("VOR_BASE_DIR", QString::fromStdString(base));
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  process_.setProcessEnvironment(env);
  std::vector<std::string> command = prefix;
  command.push_back(VOR_PROGRAM_PATH);
  command.insert(command.end(), args.begin(), args.end());
  const QStringList list = ToQt(command);
  process_.start(list.front(), list.mid(1));
  started_ = process_.waitForStarted(10000);
  if (started_) process_.closeWriteChannel();
}

ProgramRun::~ProgramRun() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished();
  }
}

ProgramResult ProgramRun::Wait(int timeout_ms) {
  ProgramResult result;
  if (!started_) {
    result.err = "could not start " VOR_PROGRAM_PATH;
    return result;
  }
  if (!process_.waitForFinished(timeout_ms)) {
    process_.kill();
    process_.waitForFinished();
    result.err = "program did not finish in time";
    return result;
  }
  result.out = process_.readAllStandardOutput().toStdString();
  result.err = process_.readAllStandardError().toStdString();
  result.exit_code =
      process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  return result;
}

SqliteLockHolder::SqliteLockHolder(const std::string& db_path) {
  shell_.setProcessChannelMode(QProcess::MergedChannels);
  shell_.start("sqlite3", {"-batch", QString::fromStdString(db_path)});
  open_ = shell_.waitForStarted(10000);
}

SqliteLockHolder::~SqliteLockHolder() { Release(); }

bool SqliteLockHolder::Run(const std::string& statements, std::string* error) {
  if (!open_) {
    *error = "the sqlite3 shell could not be started";
    return false;
  }
  // The shell answers every line as it reads it; the marker comes back once
  // the statements before it are done.
  const std::string marker = "vor-lock-done";
  shell_.write(
      QByteArray::fromStdString(statements + "\nselect '" + marker + "';\n"));
  std::string seen;
  while (seen.find(marker) == std::string::npos) {
    if (!shell_.waitForReadyRead(20000)) {
      *error = "no answer from the sqlite3 shell: " + seen;
      return false;
    }
    seen += shell_.readAll().toStdString();
  }
  seen.erase(seen.find(marker));
  if (!seen.empty()) {
    *error = seen;
    return false;
  }
  return true;
}

void SqliteLockHolder::Release(const std::string& end) {
  if (!open_) return;
  open_ = false;
  shell_.write(QByteArray::fromStdString(end + "\n.quit\n"));
  shell_.closeWriteChannel();
  if (!shell_.waitForFinished(20000)) {
    shell_.kill();
    shell_.waitForFinished();
  }
}

bool PrivateMountsAvailable(std::string* why) {
  TempFolder probe;
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start("unshare",
          {"-rm", "sh", "-c", "mount -t tmpfs -o size=4k vor_probe \"$1\"",
           "sh", QString::fromStdString(probe.path())});
  if (!p.waitForStarted(10000)) {
    *why = "unshare is not available";
    return false;
  }
  p.waitForFinished(20000);
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    *why = "a private mount namespace is not allowed here: " +
           p.readAll().toStdString();
    return false;
  }
  return true;
}

std::vector<std::string> InPrivateTmpfs(const std::string& folder,
                                        const std::string& options,
                                        const std::string& copy_to) {
  // $1 folder, $2 options, $3 copy_to, then the program and its arguments.
  const std::string script =
      "folder=$1 options=$2 copy_to=$3; shift 3; "
      "mount -t tmpfs -o \"$options\" vor_tmpfs \"$folder\" || exit " +
      std::to_string(kMountFailed) +
      "; \"$@\"; rc=$?; cp -p \"$folder\"/. \"$copy_to\"/ -r 2>/dev/null; "
      "exit $rc";
  return {"unshare", "-rm", "sh", "-c", script, "sh", folder, options, copy_to};
}

std::vector<std::string> LogMessages(const std::string& log) {
  std::vector<std::string> messages;
  std::istringstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // "[dd-mm-yyyy][HH:MM:SS] " is 23 characters.
    messages.push_back(line.size() >= 23 ? line.substr(23) : line);
  }
  return messages;
}

}  // namespace vor
