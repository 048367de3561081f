// ReportInProgress: the morning report of one run, from its proposal to the
// workbook's bytes. Begun (Begin) as soon as the engine has computed the
// proposal, it copies the rows it needs (the working table stays the
// writer's, whose cursor moves) and reads through the connection what it
// needs from the ERP (the open supplier orders, the history's earlier run,
// the suppliers' terms); then, on a thread of its own while the run writes
// its result table, it works out the late orders, the changes and the
// suppliers' baskets and writes the workbook, and the baskets' order files
// on another thread (held in memory); MorningReport::AfterRun,
// once the table is written, lets the order files be written
// (WriteOrderFiles), takes the workbook (Workbook) and delivers it while
// they are written, then takes their outcome (FinishOrderFiles). A report
// dropped before that (the write failed) stops its threads and waits for
// them: nothing is delivered, no order file written.
//
// Made with the constructor instead, after the write, the same report
// writes its workbook on the calling thread, inside Workbook, and its order
// files from WriteOrderFiles on.
//
//   std::unique_ptr<ReportInProgress> report =
//       ReportInProgress::Begin(settings, connection, started, computed);
//   ... the result table is written ...
//   ReportOutcome outcome = report->outcome();
//   report->WriteOrderFiles();
//   const std::string bytes = report->Workbook();
//   ... the workbook is delivered ...
//   report->FinishOrderFiles(&outcome);
#ifndef VOR_PROPOSAL_REPORT_IN_PROGRESS_H_
#define VOR_PROPOSAL_REPORT_IN_PROGRESS_H_

#include <atomic>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/clock.h"
#include "core/recordset.h"
#include "proposal/late_orders.h"
#include "proposal/morning_report.h"
#include "proposal/order_file.h"
#include "proposal/proposal_history.h"
#include "proposal/proposal_table.h"
#include "proposal/proposal_view.h"
#include "proposal/report_digest.h"
#include "proposal/report_settings.h"
#include "proposal/supplier_basket.h"
#include "proposal/supplier_terms.h"
#include "proposal/workbook_writer.h"
#include "settings/settings_record.h"

namespace vor {

class Connection;

class ReportInProgress {
 public:
  // The report of a run that started at `started` with `record`, from the
  // proposal `table`, with `settings` (ReportSettings::Load of `record`):
  // the digest gets its view, title, settings and the notices of `record`,
  // and the latest earlier run of the history (zlx_VOR_Historico, where it
  // is kept) is read through `connection`, in one read; one that cannot be
  // read leaves the changes out, with a notice (in the digest and in
  // outcome()). Then `late_orders`, when given, is asked once for the late
  // supplier orders of the rows (read, then matched to the rows); when they
  // could not be read, outcome() says the report goes without them. Then the
  // terms of zlx_VOR_Fornecedores (none where the table is missing) are read
  // and every supplier's basket made, with the whole-unit rule of `record`; a
  // table or figure that cannot be read leaves the baskets out, and a term that
  // cannot be used is left aside, each with a notice. When the report goes to a
  // folder that exists, each basket is given the name of its order file
  // (OrderFile::Name), which the digest and the workbook show. Its workbook is
  // written by Workbook.
  ReportInProgress(ReportSettings settings, ProposalTable table,
                   const SettingsRecord& record, Connection& connection,
                   LocalTime started, const LateOrderRead& late_orders);
  // Stops the thread, if any, and waits for it.
  ~ReportInProgress();
  ReportInProgress(const ReportInProgress&) = delete;
  ReportInProgress& operator=(const ReportInProgress&) = delete;

  // The report of `computed` (the working table the run is about to
  // write: its rows, with every result column; walked from the first row,
  // not kept), built as above: what comes through `connection` (the late
  // lines, the history's earlier run, the terms) is read here, the rest is
  // worked out on a thread of its own, which then writes the workbook and
  // composes the e-mail's message, the order files being built on another
  // thread (at a lower priority). nullptr when there is nothing to begin:
  // no report asked for, its settings unreadable, no rows (the table then
  // keeps what it had), or rows that cannot be read; MorningReport::AfterRun
  // then does all of it after the write, and says why. Never raises.
  static std::unique_ptr<ReportInProgress> Begin(
      const SettingsRecord& record, Connection& connection, LocalTime started,
      Recordset& computed, const LateOrderRead& late_orders = {});

  // The rows of `rs` (the working table, or the result table read back)
  // as a proposal. Raises as ProposalTable::RowsOf.
  static ProposalTable TableOf(Recordset& rs);

  const ReportSettings& settings() const { return settings_; }
  // What the report has to say so far (the history or the late orders
  // left out); of a report begun, only once Workbook has returned or
  // raised.
  const ReportOutcome& outcome() const { return outcome_; }
  const std::string& file_name() const { return file_name_; }

  // The workbook's bytes, once its thread has ended (or written here when
  // there is none). Raises the error that stopped it (Error 75 naming the
  // file). Call once.
  std::string Workbook();

  // Lets the order file of every named basket be written into the
  // report's folder (OrderFile::Start, on a thread of its own; begun by
  // Begin, else started here), when the report goes to a folder and the
  // baskets were made. Only once the result table is written; at most
  // once.
  void WriteOrderFiles();
  // Waits for the order files started, adds what became of them to
  // `outcome` (how many were written, one failure line for each that was
  // not) and takes the names of those not written off the baskets. Only
  // after Workbook; nothing when none were started.
  void FinishOrderFiles(ReportOutcome* outcome);
  // The compact workbook (ReportWorkbook::WriteCompact) saying
  // `full_where`, after Workbook: the sheets it shares with the full
  // workbook are taken as that one has them, compressed, and its first
  // sheet was written ahead on the workbook's thread when the full workbook
  // came out too large to mail. Raises Error 75 naming the file.
  std::string CompactWorkbook(const std::string& full_where);
  // The e-mail's message for `digest` (a copy of digest() whose
  // attachment's fields may have been changed), as
  // MorningReport::ReportMessage makes it: the one composed ahead on the
  // workbook's thread when it was composed for the same attachment, else
  // composed now. After Workbook.
  MailMessage Message(const DigestInput& digest) const;
  // The digest, with the changes since the earlier run; of a report begun,
  // only once Workbook has returned.
  const DigestInput& digest() const { return digest_; }
  // The settings that shaped the report, as "Resumo" lists them.
  const std::vector<std::pair<std::string, std::string>>& shaping() const {
    return shaping_;
  }

 private:
  struct Deferred {};
  // The constructor's reading only: Prepare does the rest.
  ReportInProgress(Deferred, ReportSettings settings, ProposalTable table,
                   const SettingsRecord& record, Connection& connection,
                   LocalTime started, const LateOrderRead& late_orders);
  // What needs no connection: the view, the late orders matched to the
  // rows, the changes, the baskets and their files' names, with the
  // notices of what was left out, in that order.
  void Prepare();
  // Writes the workbook into bytes_, or its error into error_; then, when
  // it is mailed, its message into composed_; when it is too large to
  // mail, the compact workbook's first sheet into written_ first, the
  // message being the one with the compact workbook.
  void Write();
  // Starts the order files (OrderFile::Start with `go`).
  void StartOrderFiles(std::shared_future<bool> go);

  ReportSettings settings_;
  ReportOutcome outcome_;
  ProposalView view_;
  LateOrders late_;
  DigestInput digest_;
  std::vector<std::pair<std::string, std::string>> shaping_;
  std::string file_name_;
  LocalTime started_;
  std::optional<std::vector<SupplierBasket>> baskets_;
  // Read by the constructor for Prepare, and let go there.
  ProposalTable table_;
  bool keep_history_ = false;
  LateOrderMatch late_match_;
  std::optional<HistoricProposal> before_;
  std::optional<std::string> history_error_;  // why it could not be read
  std::optional<SupplierTerms> terms_;
  std::string terms_error_;
  // Writes the order files from view_ and baskets_: declared after them,
  // it is waited for before they go. Begun by Begin, they are held until
  // write_orders_ says whether to write them (orders_held_ until then).
  std::future<OrderFile::Outcome> order_files_;
  std::promise<bool> write_orders_;
  bool orders_held_ = false;

  std::atomic<bool> stop_{false};
  std::thread thread_;
  // Set by Write; read once the thread has ended.
  std::string bytes_;
  std::exception_ptr error_;
  // The sheets the compact workbook can take as they were written.
  std::vector<WorkbookWriter::WrittenSheet> written_;
  // The message composed by Write, and the attachment's fields of the
  // digest it was composed for.
  struct Composed {
    std::string attachment_note;
    std::string urgent_sheet;
    bool sheets_attached = true;
    bool late_sheet_attached = true;
    MailMessage message;
  };
  std::optional<Composed> composed_;
  // Composes the message for `digest` into composed_; nothing when that
  // fails (Message composes it again, and the error comes from there).
  void ComposeAhead(const DigestInput& digest);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_REPORT_IN_PROGRESS_H_
