// ReportInProgress: the morning report of one run, from its proposal to the
// workbook's bytes, begun (Begin) as soon as the engine has computed the
// proposal, so that the workbook is written on a thread of its own while
// the run writes its result table. Begin copies the rows it needs: the
// working table stays the writer's, whose cursor moves. The thread writes
// "Proposta" and then waits for the changes since the history's earlier
// run, which MorningReport::AfterRun reads once the table is written, as
// before, and hands over (HistoryRead); AfterRun then takes the workbook
// (Workbook) and delivers it. A report dropped before that (the write
// failed) stops its thread and waits for it: nothing is delivered.
//
// Made with the constructor instead, the same report writes its workbook
// on the calling thread, inside Workbook.
//
//   std::unique_ptr<ReportInProgress> report =
//       ReportInProgress::Begin(settings, started, computed);
//   ... the result table is written ...
//   report->digest().changes = ...;
//   report->HistoryRead();
//   const std::string bytes = report->Workbook();
#ifndef VOR_PROPOSAL_REPORT_IN_PROGRESS_H_
#define VOR_PROPOSAL_REPORT_IN_PROGRESS_H_

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/clock.h"
#include "core/recordset.h"
#include "proposal/proposal_table.h"
#include "proposal/proposal_view.h"
#include "proposal/report_digest.h"
#include "proposal/report_settings.h"
#include "settings/settings_record.h"

namespace vor {

class ReportInProgress {
 public:
  // The report of a run that started at `started` with `record`, from the
  // proposal `table`, with `settings` (ReportSettings::Load of `record`):
  // the digest has its view, title, settings and the notices of `record`;
  // its workbook is written by Workbook.
  ReportInProgress(ReportSettings settings, ProposalTable table,
                   const SettingsRecord& record, LocalTime started);
  // Stops the thread, if any, and waits for it.
  ~ReportInProgress();
  ReportInProgress(const ReportInProgress&) = delete;
  ReportInProgress& operator=(const ReportInProgress&) = delete;

  // The report of `computed` (the working table the run is about to
  // write: its rows, with every result column; walked from the first row,
  // not kept), its workbook begun on a thread of its own. nullptr when
  // there is nothing to begin: no report asked for, its settings
  // unreadable, no rows (the table then keeps what it had), or rows that
  // cannot be read; MorningReport::AfterRun then does all of it after the
  // write, and says why. Never raises.
  static std::unique_ptr<ReportInProgress> Begin(const SettingsRecord& record,
                                                 LocalTime started,
                                                 Recordset& computed);

  // The rows of `rs` (the working table, or the result table read back)
  // as a proposal. Raises as ProposalTable::RowsOf.
  static ProposalTable TableOf(Recordset& rs);

  const ReportSettings& settings() const { return settings_; }
  // The digest. Its history fields (before, changes) and notices may be
  // changed until HistoryRead, and not after.
  DigestInput& digest() { return digest_; }
  // The settings that shaped the report, as "Resumo" lists them.
  const std::vector<std::pair<std::string, std::string>>& shaping() const {
    return shaping_;
  }
  // Proposta_yyyymmdd_HHMMSS.xlsx, of the run's start.
  const std::string& file_name() const { return file_name_; }

  // The digest's history fields are set: the workbook goes on past
  // "Proposta". Call once, before Workbook.
  void HistoryRead();
  // The workbook's bytes, once its thread has ended (or written here when
  // there is none). Raises the error that stopped it (Error 75 naming the
  // file). Call once.
  std::string Workbook();

 private:
  // Writes the workbook into bytes_, or its error into error_.
  void Write();

  ReportSettings settings_;
  ProposalView view_;
  DigestInput digest_;
  std::vector<std::pair<std::string, std::string>> shaping_;
  std::string file_name_;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool history_read_ = false;  // guarded by mutex_
  bool stop_ = false;          // guarded by mutex_
  std::thread thread_;
  // Set by Write; read once the thread has ended.
  std::string bytes_;
  std::exception_ptr error_;
};

}  // namespace vor

#endif  // VOR_PROPOSAL_REPORT_IN_PROGRESS_H_
