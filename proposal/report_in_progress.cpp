#include "proposal/report_in_progress.h"

#include <filesystem>

#include "core/error.h"
#include "core/figure_text.h"
#include "core/folder.h"
#include "core/text_util.h"
#include "db/result_table.h"
#include "proposal/proposal_changes.h"
#include "proposal/proposal_history.h"
#include "proposal/report_workbook.h"
#include "proposal/supplier_terms.h"
#include "proposal/whole_units.h"
#include "proposal/workbook_writer.h"

namespace vor {
namespace {

// Raised inside the workbook's thread when its report is dropped.
struct Stopped {};

// Notes `line` at the top of the message and in the run log.
void Notice(const std::string& line, DigestInput* digest,
            ReportOutcome* outcome) {
  digest->notices.push_back(line);
  outcome->delivered.push_back("Relatório de encomendas: " + line);
}

// The settings that shaped the report, as "Resumo" lists them.
std::vector<std::pair<std::string, std::string>> ShapingSettings(
    const SettingsRecord& record, const DigestInput& digest) {
  const std::string leitura =
      Trimmed(record.values().ReadValue("Motor", "Leitura"));
  const int keep_days = record.historico.keep_days;
  return {
      {"Leitura da base de dados ([Motor] Leitura)",
       leitura.empty() ? std::string(record.motor.leitura == ReadingMode::kBulk
                                         ? "Conjunto (por omissão em SQLite)"
                                         : "Literal (por omissão)")
                       : leitura},
      {"Cobertura máxima antes de exceção ([Motor] CoberturaMaxima)",
       FigureText::Quantity(digest.view->cover_limit()) + " dias"},
      {"Linhas de «Mais urgentes» ([Relatorio] Linhas)",
       std::to_string(digest.settings.lines)},
      {"Variação que conta como alteração ([Relatorio] Variacao)",
       FigureText::Quantity(digest.settings.variation) + " %"},
      {"Histórico guardado ([Historico] Dias)",
       keep_days > 0 ? std::to_string(keep_days) + " dias"
                     : std::string("desligado")},
  };
}

}  // namespace

ReportInProgress::ReportInProgress(ReportSettings settings, ProposalTable table,
                                   const SettingsRecord& record,
                                   Connection& connection, LocalTime started,
                                   const LateOrderRead& late_orders)
    : ReportInProgress(Deferred{}, std::move(settings), std::move(table),
                       record, connection, started, late_orders) {
  Prepare();
}

ReportInProgress::ReportInProgress(Deferred, ReportSettings settings,
                                   ProposalTable table,
                                   const SettingsRecord& record,
                                   Connection& connection, LocalTime started,
                                   const LateOrderRead& late_orders)
    : settings_(std::move(settings)),
      file_name_("Proposta_" + FormatLocalTime(started, "%Y%m%d_%H%M%S") +
                 ".xlsx"),
      started_(started),
      table_(std::move(table)),
      keep_history_(record.historico.keep_days > 0) {
  view_.SetCoverLimit(record.motor.cobertura_maxima);
  digest_.view = &view_;
  digest_.started = started;
  digest_.settings = DigestSettings(record);
  // The values of the file left at their defaults are said at the top of
  // the message too (the run log has them already).
  digest_.notices = record.Notices();
  digest_.title =
      (settings_.subject.empty() ? std::string(MorningReport::kDefaultSubject)
                                 : settings_.subject) +
      " - " + FormatLocalTime(started, "%d-%m-%Y");
  shaping_ = ShapingSettings(record, digest_);
  digest_.units = WholeUnits(record.encomendas.unidades_fracionarias);
  // What comes through the connection is read here; the rest (Prepare)
  // needs no connection.
  if (late_orders) late_match_ = late_orders();
  if (keep_history_) {
    try {
      before_ = ProposalHistory::Before(connection, started);
    } catch (const std::exception&) {
      history_error_ = UnhandledError(std::current_exception()).description();
    }
  }
  try {
    terms_ = SupplierTerms::Read(connection);
  } catch (const std::exception&) {
    terms_error_ = UnhandledError(std::current_exception()).description();
  }
}

void ReportInProgress::Prepare() {
  view_.SetTable(std::move(table_));
  // The late lines first: the changes count the new ones among them.
  if (late_match_) {
    late_ = late_match_(view_.table().rows());
    late_match_ = nullptr;
    if (late_.available()) digest_.late = &late_;
  }
  if (keep_history_) {
    try {
      if (history_error_) throw Error(errnum::kFileError, *history_error_);
      if (before_) {
        digest_.before = before_->time;
        digest_.changes = ProposalChanges::Between(
            before_->rows, view_.table().rows(), digest_.settings.variation,
            view_.cover_limit(), {digest_.late, before_->time});
      }
    } catch (const std::exception&) {
      Notice("As alterações desde a proposta anterior ficaram de fora: " +
                 UnhandledError(std::current_exception()).description(),
             &digest_, &outcome_);
    }
    before_.reset();
  }
  if (!late_.available()) {
    outcome_.delivered.push_back(
        "Relatório de encomendas: secção «Encomendas em atraso» de fora, " +
        late_.unavailable_reason());
  }
  try {
    if (!terms_) throw Error(errnum::kFileError, terms_error_);
    for (const std::string& problem : terms_->problems()) {
      Notice(problem, &digest_, &outcome_);
    }
    baskets_ = SupplierBaskets(&view_.table().rows(), std::move(*terms_),
                               digest_.units, view_.cover_limit())
                   .All();
  } catch (const std::exception&) {
    Notice("Os cabazes por fornecedor ficaram de fora: " +
               UnhandledError(std::current_exception()).description(),
           &digest_, &outcome_);
  }
  terms_.reset();
  if (baskets_) {
    // Named before the files are written, so that the workbook, written
    // while the result table is, can show them.
    std::error_code ignored;
    if (settings_.wants_file() &&
        std::filesystem::is_directory(settings_.folder, ignored)) {
      OrderFile::Name(&*baskets_, started_);
    }
    digest_.baskets = &*baskets_;
  }
}

ReportInProgress::~ReportInProgress() {
  stop_ = true;
  if (orders_held_) write_orders_.set_value(false);
  if (thread_.joinable()) thread_.join();
}

std::unique_ptr<ReportInProgress> ReportInProgress::Begin(
    const SettingsRecord& record, Connection& connection, LocalTime started,
    Recordset& computed, const LateOrderRead& late_orders) {
  try {
    ReportSettings settings = ReportSettings::Load(record);
    if (!settings.wants_mail() && !settings.wants_file()) return nullptr;
    if (computed.RecordCount() <= 0) return nullptr;
    // Only what needs the connection, or the working table, is done here:
    // the rest, the workbook and the order files go on their own threads
    // while the run writes its table.
    std::unique_ptr<ReportInProgress> report(
        new ReportInProgress(Deferred{}, std::move(settings), TableOf(computed),
                             record, connection, started, late_orders));
    report->orders_held_ = true;
    report->thread_ = std::thread(
        [r = report.get(), go = report->write_orders_.get_future().share()] {
          try {
            r->Prepare();
          } catch (...) {
            r->error_ = std::current_exception();
            return;
          }
          if (r->stop_) return;
          r->StartOrderFiles(go);
          r->Write();
        });
    return report;
  } catch (...) {
    return nullptr;
  }
}

ProposalTable ReportInProgress::TableOf(Recordset& rs) {
  std::vector<ResultField> fields;
  for (size_t i = 0; i < kResultFields.size(); ++i) {
    fields.push_back(static_cast<ResultField>(i));
  }
  return ProposalTable(ProposalTable::RowsOf(rs, kResultTableName, fields));
}

std::string ReportInProgress::Workbook() {
  if (thread_.joinable()) {
    thread_.join();
  } else {
    Write();
  }
  if (error_) std::rethrow_exception(error_);
  return std::move(bytes_);
}

void ReportInProgress::StartOrderFiles(std::shared_future<bool> go) {
  if (!baskets_ || !settings_.wants_file()) return;
  order_files_ = OrderFile::Start(settings_.folder, *baskets_,
                                  view_.table().rows(), started_, go);
}

void ReportInProgress::WriteOrderFiles() {
  if (orders_held_) {
    orders_held_ = false;
    write_orders_.set_value(true);
  } else if (!order_files_.valid()) {
    StartOrderFiles({});
  }
}

void ReportInProgress::FinishOrderFiles(ReportOutcome* outcome) {
  if (!order_files_.valid()) return;
  OrderFile::Finish(order_files_.get(), &*baskets_, &outcome->delivered,
                    &outcome->failures);
}

void ReportInProgress::Write() {
  try {
    WorkbookWriter book(file_name_);
    book.Keep(ReportWorkbook::SharedSheets());
    ReportWorkbook::Write(digest_, shaping_, &book, [this] {
      if (stop_) throw Stopped();
    });
    bytes_ = book.Finish();
    written_ = book.Kept();
  } catch (...) {
    error_ = std::current_exception();
    return;
  }
  if (stop_ || !settings_.wants_mail()) return;
  // The digest is composed here, while the run may still be writing its
  // table, rather than after.
  if (!MorningReport::TooLargeToMail(bytes_.size())) {
    ComposeAhead(digest_);
    return;
  }
  // The e-mail will need the compact workbook: its longest sheet is
  // written now, while the run may still be writing its table. Should
  // this fail, CompactWorkbook writes it again and says why.
  try {
    WorkbookWriter ahead(file_name_);
    ahead.Keep({ReportWorkbook::kUrgentSheet});
    ahead.Add(ReportWorkbook::UrgentSheet(digest_));
    ahead.Finish();
    for (WorkbookWriter::WrittenSheet& sheet : ahead.Kept()) {
      written_.push_back(std::move(sheet));
    }
  } catch (...) {
  }
  if (stop_) return;
  // The message with the compact workbook says where the full one is: in
  // the report's folder, where it is about to be written. Should it not be
  // written there, the message is composed again.
  std::string dropped;
  if (settings_.wants_file()) {
    try {
      dropped = Folder::Open(settings_.folder).PathOf(file_name_);
    } catch (...) {
    }
  }
  ComposeAhead(MorningReport::WithCompactWorkbook(
      digest_, settings_, file_name_, bytes_.size(),
      MorningReport::kTooLargeToMail, dropped));
}

void ReportInProgress::ComposeAhead(const DigestInput& digest) {
  try {
    composed_ = Composed{digest.attachment_note, digest.urgent_sheet,
                         digest.sheets_attached, digest.late_sheet_attached,
                         MorningReport::ReportMessage(digest)};
  } catch (...) {
    composed_.reset();
  }
}

MailMessage ReportInProgress::Message(const DigestInput& digest) const {
  if (composed_ && digest.attachment_note == composed_->attachment_note &&
      digest.urgent_sheet == composed_->urgent_sheet &&
      digest.sheets_attached == composed_->sheets_attached &&
      digest.late_sheet_attached == composed_->late_sheet_attached) {
    return composed_->message;
  }
  return MorningReport::ReportMessage(digest);
}

std::string ReportInProgress::CompactWorkbook(const std::string& full_where) {
  WorkbookWriter book(file_name_);
  ReportWorkbook::WriteCompact(digest_, shaping_, full_where, written_, &book);
  return book.Finish();
}

}  // namespace vor
