#include "proposal/morning_report.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <tuple>

#include "core/atomic_file.h"
#include "core/error.h"
#include "core/figure_text.h"
#include "core/folder.h"
#include "core/text_util.h"
#include "proposal/proposal_changes.h"
#include "proposal/proposal_export.h"
#include "proposal/proposal_history.h"
#include "proposal/proposal_table.h"
#include "proposal/report_digest.h"
#include "proposal/report_in_progress.h"
#include "proposal/report_settings.h"
#include "proposal/report_workbook.h"
#include "proposal/row_palette.h"
#include "proposal/smtp_sender.h"
#include "proposal/workbook_writer.h"

namespace vor {
namespace {

namespace fs = std::filesystem;
using F = ResultField;

constexpr char kWorkbookType[] =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
constexpr char kMailFailed[] =
    "Relatório de encomendas não enviado por e-mail: ";
constexpr size_t kMaxMessageBytes = MorningReport::kMaxMessageBytes;
constexpr char kFileFailed[] = "Relatório de encomendas não gravado: ";
constexpr char kReportSettingsUnread[] =
    "Relatório de encomendas não entregue: as definições do relatório "
    "([email] Destino, [Relatorio] Pasta, secção SMTP) não foram lidas: ";
constexpr char kAlertSettingsUnread[] =
    "Alerta de erro não enviado por e-mail: as definições do e-mail "
    "([email] Destino, secção SMTP) não foram lidas: ";

MailMessage Addressed(MailMessage message, const ReportSettings& settings) {
  message.from_address = settings.smtp.email_emissor;
  message.from_name = settings.smtp.nome_emissor;
  message.to = settings.recipients;
  return message;
}

// "12,3 KB": a size as the log reads it.
std::string Size(size_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  const size_t tenths = (bytes * 10 + 512) / 1024;
  return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) +
         " KB";
}

// Sends `message`, rendered as `text`; adds to `outcome` the line saying to
// how many it went (`what`: "Relatório de encomendas"), or that the server
// never confirmed it, and one failure line per refused recipient. Raises
// when it went to nobody.
void Send(const ReportSettings& settings, const MailMessage& message,
          const std::string& text, const std::string& what,
          ReportOutcome* outcome) {
  const SmtpSender::Outcome sent = SmtpSender::Send(
      settings.smtp, settings.timeout_seconds, message.to, text);
  const size_t reached = message.to.size() - sent.refused.size();
  if (sent.uncertain.empty()) {
    outcome->delivered.push_back(
        what + " enviado por e-mail a " + std::to_string(reached) +
        (reached == 1 ? " destinatário (" : " destinatários (") +
        Size(text.size()) + ")");
  } else {
    outcome->failures.push_back(
        what + ": entrega incerta por e-mail a " + std::to_string(reached) +
        (reached == 1 ? " destinatário (" : " destinatários (") +
        Size(text.size()) + "): " + sent.uncertain);
  }
  for (const SmtpSender::Refusal& r : sent.refused) {
    outcome->failures.push_back(
        what + " não entregue a " + r.address +
        ": o servidor recusou-o ([email] Destino): " + r.reply);
  }
}

// Whether the server refused the message for its size (reply 552, or the
// enhanced status 5.3.4), as it does past the SIZE it announced.
bool TooLarge(const Error& e) {
  const std::string& d = e.description();
  return d.find("resposta do servidor: 552") != std::string::npos ||
         d.find("5.3.4") != std::string::npos;
}

// The proposal: the rows of `written` (the working table the run wrote,
// emptied once taken), or else the table read through `connection`.
// nullopt (and a failure line) when it cannot be had.
std::optional<ProposalTable> ReadProposal(Connection& connection,
                                          Recordset* written,
                                          ReportOutcome* outcome) {
  try {
    // A run with no rows leaves the table as it was (the writer deletes
    // nothing then): the report shows what the table holds.
    if (written != nullptr && written->RecordCount() > 0) {
      ProposalTable table = ReportInProgress::TableOf(*written);
      *written = Recordset();
      return table;
    }
    return ProposalTable::Read(connection);
  } catch (const std::exception&) {
    outcome->failures.push_back(
        "Relatório de encomendas não preparado: " +
        UnhandledError(std::current_exception()).description());
    return std::nullopt;
  }
}

// Writes `workbook` as `file_name` into the report folder; the path written,
// or "" (and a failure line) when it could not be.
std::string DropFile(const ReportSettings& settings,
                     const std::string& file_name, const std::string& workbook,
                     ReportOutcome* outcome) {
  try {
    if (!fs::is_directory(settings.folder)) {
      throw Error(errnum::kFileError, "a pasta " + settings.folder +
                                          " ([Relatorio] Pasta) não existe");
    }
    // Opened once, no link followed on its path, and written relative to
    // the opened folder: a folder swapped for a link is refused, and the
    // path logged is the folder actually written to.
    const Folder folder = [&] {
      try {
        return Folder::Open(settings.folder);
      } catch (const Error& e) {
        throw Error(e.number(), e.description() + " ([Relatorio] Pasta)");
      }
    }();
    if (!folder.sharing_warning().empty()) {
      outcome->delivered.push_back(folder.sharing_warning() +
                                   " ([Relatorio] Pasta)");
    }
    AtomicFile::WriteIn(folder, file_name, workbook);
    const std::string path = folder.PathOf(file_name);
    outcome->delivered.push_back("Relatório de encomendas gravado em " + path);
    return path;
  } catch (const std::exception&) {
    outcome->failures.push_back(
        kFileFailed + UnhandledError(std::current_exception()).description());
    return "";
  }
}

// "\\srv\compras\Proposta_….xlsx" or "https://…/Proposta_….xlsx": the
// file `name` as people reach it through the share `share`.
std::string OnShare(const std::string& share, const std::string& name) {
  const char last = share.back();
  if (last == '/' || last == '\\') return share + name;
  const bool backslashes = share.find("://") == std::string::npos &&
                           share.find('\\') != std::string::npos;
  return share + (backslashes ? "\\" : "/") + name;
}

// Where the buyer finds the full workbook, as a sentence: on the share
// ([Relatorio] Partilha) when one is set, else at the path it was written
// to (`dropped`), else that it was saved nowhere.
std::string FullWorkbookPlace(const ReportSettings& settings,
                              const std::string& file_name,
                              const std::string& dropped) {
  if (dropped.empty()) {
    return "Não foi gravada em nenhuma pasta: peça a quem gere o programa "
           "que defina a pasta do relatório ([Relatorio] Pasta).";
  }
  if (!settings.share.empty()) {
    return "Pode abri-la em " + OnShare(settings.share, file_name) + ".";
  }
  return "Está gravada em " + dropped + ".";
}

// Mails the digest with the workbook attached, its message made by
// `compose` from the digest with the attachment's fields set. A message past
// kMaxMessageBytes, or one the server refuses for its size, goes with the
// compact workbook (`compact`, built only then) and says where the full one
// is (`dropped`, "" when it was not written); when that does not fit
// either, the digest goes alone.
void MailReport(const ReportSettings& settings, DigestInput digest,
                const std::string& file_name, const std::string& workbook,
                const std::function<MailMessage(const DigestInput&)>& compose,
                const std::function<std::string(const std::string&)>& compact,
                const std::string& dropped, ReportOutcome* outcome) {
  const char* what = "Relatório de encomendas";
  try {
    if (const auto problem = settings.MailProblem()) {
      throw Error(errnum::kFileError, *problem);
    }
    const std::string place = FullWorkbookPlace(settings, file_name, dropped);
    // Each try: the message, the reason the one before did not go ("" for
    // the first) and what the log says of it.
    enum class Attached { kFull, kCompact, kNone };
    Attached attached = Attached::kFull;
    std::string why, logged, compact_bytes;
    const std::string compact_name = MorningReport::CompactName(file_name);
    for (;;) {
      MailMessage message;
      if (attached == Attached::kFull) {
        // The message need not be composed to know it is too large.
        if (MorningReport::TooLargeToMail(workbook.size())) {
          why = logged = MorningReport::kTooLargeToMail;
          attached = Attached::kCompact;
          continue;
        }
        message = Addressed(compose(digest), settings);
        message.attachments.push_back({file_name, kWorkbookType, workbook});
      } else if (attached == Attached::kCompact) {
        if (compact_bytes.empty()) {
          try {
            compact_bytes = compact(place);
          } catch (const std::exception&) {
            logged += "; anexo reduzido não preparado: " +
                      UnhandledError(std::current_exception()).description();
            attached = Attached::kNone;
            continue;
          }
        }
        digest = MorningReport::WithCompactWorkbook(std::move(digest), settings,
                                                    file_name, workbook.size(),
                                                    why, dropped);
        message = Addressed(compose(digest), settings);
        message.attachments.push_back(
            {compact_name, kWorkbookType, compact_bytes});
      } else {
        digest.sheets_attached = false;
        digest.attachment_note = "A proposta completa (" +
                                 Size(workbook.size()) +
                                 ") não segue em anexo: " + why + ". " + place;
        message = Addressed(compose(digest), settings);
      }
      const std::string text = message.Render(std::time(nullptr));
      const bool last = attached == Attached::kNone;
      std::string refusal;
      if (!last && text.size() > kMaxMessageBytes) {
        refusal = MorningReport::kTooLargeToMail;
        if (why.empty()) why = refusal;
        logged = refusal;
      } else {
        try {
          Send(settings, message, text, what, outcome);
          if (attached != Attached::kFull) {
            outcome->delivered.push_back(
                "Relatório de encomendas: anexo de " + Size(workbook.size()) +
                " deixado de fora, " + logged +
                (attached == Attached::kCompact
                     ? "; seguiu o anexo reduzido de " +
                           Size(compact_bytes.size())
                     : std::string()));
          }
          return;
        } catch (const Error& e) {
          if (last || !TooLarge(e)) throw;
          // The server announced a size limit the message passes.
          if (why.empty()) {
            why = "o servidor de e-mail não aceita mensagens desse tamanho";
          }
          logged = "o servidor recusou o tamanho (" + e.description() + ")";
        }
      }
      attached =
          attached == Attached::kFull ? Attached::kCompact : Attached::kNone;
    }
  } catch (const std::exception&) {
    outcome->failures.push_back(
        kMailFailed + UnhandledError(std::current_exception()).description());
  }
}

}  // namespace

std::string MorningReport::CompactName(const std::string& file_name) {
  return file_name.substr(0, file_name.size() - 5) + "_reduzida.xlsx";
}

DigestInput MorningReport::WithCompactWorkbook(DigestInput digest,
                                               const ReportSettings& settings,
                                               const std::string& file_name,
                                               size_t full_size,
                                               const std::string& why,
                                               const std::string& dropped) {
  digest.urgent_sheet = ReportWorkbook::kUrgentSheet;
  digest.late_sheet_attached = false;
  digest.attachment_note =
      "A proposta completa (" + Size(full_size) +
      ") não segue em anexo: " + why + ". Segue em anexo a versão reduzida (" +
      CompactName(file_name) +
      "): os artigos a encomendar e em rutura, por ordem de urgência "
      "(folha «" +
      ReportWorkbook::kUrgentSheet +
      "»), as exceções, as alterações e as encomendas por fornecedor. " +
      FullWorkbookPlace(settings, file_name, dropped);
  return digest;
}

MailMessage MorningReport::ReportMessage(const DigestInput& digest) {
  MailMessage message;
  message.subject = digest.title;
  std::tie(message.text, message.html) = ReportDigest::TextAndHtml(digest);
  return message;
}

ReportOutcome MorningReport::AfterRun(const SettingsRecord& record,
                                      Connection& connection, LocalTime started,
                                      Recordset* proposal,
                                      const LateOrderRead& late_orders,
                                      ReportInProgress* begun) {
  std::unique_ptr<ReportInProgress> own;
  ReportInProgress* report = begun;
  if (report != nullptr) {
    // The report has its own copy of the rows.
    if (proposal != nullptr) *proposal = Recordset();
  } else {
    ReportOutcome outcome;
    ReportSettings settings;
    try {
      settings = ReportSettings::Load(record);
    } catch (const Error& e) {
      outcome.failures.push_back(kReportSettingsUnread + e.description());
      return outcome;
    }
    if (!settings.wants_mail() && !settings.wants_file()) return outcome;
    std::optional<ProposalTable> table =
        ReadProposal(connection, proposal, &outcome);
    if (!table) return outcome;
    own = std::make_unique<ReportInProgress>(std::move(settings),
                                             std::move(*table), record,
                                             connection, started, late_orders);
    report = own.get();
  }
  const ReportSettings& settings = report->settings();
  // The result table is written: so may the suppliers' order files be now,
  // on a thread of their own, while the report is delivered.
  report->WriteOrderFiles();

  // The workbook is built once, in memory, for the file and the e-mail.
  const std::string& file_name = report->file_name();
  std::string workbook;
  try {
    workbook = report->Workbook();
  } catch (const std::exception&) {
    const std::exception_ptr error = std::current_exception();
    ReportOutcome outcome = report->outcome();
    report->FinishOrderFiles(&outcome);
    outcome.failures.push_back("Relatório de encomendas não preparado: " +
                               UnhandledError(error).description());
    return outcome;
  }
  ReportOutcome outcome = report->outcome();
  const DigestInput& digest = report->digest();
  const std::string dropped =
      settings.wants_file() ? DropFile(settings, file_name, workbook, &outcome)
                            : std::string();
  if (settings.wants_mail()) {
    const auto compose = [&](const DigestInput& d) {
      return report->Message(d);
    };
    const auto compact = [&](const std::string& place) {
      return report->CompactWorkbook(place);
    };
    MailReport(settings, digest, file_name, workbook, compose, compact, dropped,
               &outcome);
  }
  report->FinishOrderFiles(&outcome);
  return outcome;
}

ReportOutcome MorningReport::AfterFailure(const SettingsRecord& values,
                                          const std::string& error_message,
                                          const std::string& log_path,
                                          LocalTime started,
                                          bool proposal_written) {
  ReportOutcome outcome;
  ReportSettings settings;
  try {
    settings = ReportSettings::Load(values);
  } catch (const Error& e) {
    outcome.failures.push_back(kAlertSettingsUnread + e.description());
    return outcome;
  }
  if (!settings.wants_mail()) return outcome;
  try {
    if (const auto problem = settings.MailProblem()) {
      throw Error(errnum::kFileError, *problem);
    }
    MailMessage message;
    message.subject =
        std::string(proposal_written ? kLateAlertSubject : kAlertSubject) +
        " - " + FormatLocalTime(started, "%d-%m-%Y %H:%M");
    message.text =
        "A emissão da proposta de encomendas iniciada em " +
        FormatLocalTime(started, "%d-%m-%Y às %H:%M:%S") +
        " terminou com erro:\n\n" + error_message + "\n\nRegisto da emissão: " +
        (log_path.empty() ? std::string("não foi aberto") : log_path) +
        "\n\nA tabela " + kResultTableName +
        (proposal_written
             ? std::string(" já tem a proposta nova: o erro deu-se depois "
                           "de a gravar.\n")
             : std::string(" continua com a proposta anterior.\n"));
    const MailMessage addressed = Addressed(message, settings);
    Send(settings, addressed, addressed.Render(std::time(nullptr)),
         "Alerta de erro", &outcome);
  } catch (const std::exception&) {
    outcome.failures.push_back(
        "Alerta de erro não enviado por e-mail: " +
        UnhandledError(std::current_exception()).description());
  }
  return outcome;
}

std::string MorningReport::SendTest(const SmtpSettings& smtp,
                                    const std::string& settings_path) {
  ReportSettings settings =
      ReportSettings::Load(SettingsRecord::Read(settings_path));
  settings.smtp = smtp;
  settings.security_as_stored = smtp.seguranca;
  if (settings.recipients.empty()) {
    settings.recipients = {smtp.email_emissor};
  }
  if (const auto problem = settings.MailProblem()) {
    throw Error(errnum::kFileError, *problem);
  }
  MailMessage message;
  message.subject = "VORencomendas: mensagem de teste";
  message.text = "Mensagem de teste do VORencomendas: o servidor de e-mail " +
                 smtp.servidor + " (porta " + smtp.porta + ", segurança " +
                 smtp.seguranca + ") aceitou-a.\n";
  const MailMessage addressed = Addressed(message, settings);
  const SmtpSender::Outcome sent =
      SmtpSender::Send(settings.smtp, settings.timeout_seconds, addressed.to,
                       addressed.Render(std::time(nullptr)));
  if (!sent.uncertain.empty()) {
    throw Error(errnum::kFileError,
                "Entrega incerta da mensagem de teste: " + sent.uncertain);
  }
  const std::vector<SmtpSender::Refusal>& refused = sent.refused;
  std::string to;
  for (const std::string& address : settings.recipients) {
    if (std::any_of(refused.begin(), refused.end(),
                    [&](const auto& r) { return r.address == address; })) {
      continue;
    }
    to += (to.empty() ? "" : ", ") + address;
  }
  std::string text = "Mensagem de teste enviada para " + to + ".";
  for (const SmtpSender::Refusal& r : refused) {
    text += "\nRecusado pelo servidor: " + r.address + " (" + r.reply + ")";
  }
  return text;
}

}  // namespace vor
