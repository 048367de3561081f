#include "proposal/morning_report.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <map>
#include <sstream>

#include "core/error.h"
#include "core/text_util.h"
#include "proposal/proposal_exceptions.h"
#include "proposal/proposal_export.h"
#include "proposal/proposal_table.h"
#include "proposal/report_settings.h"
#include "proposal/row_palette.h"
#include "proposal/smtp_sender.h"

namespace vor {
namespace {

namespace fs = std::filesystem;
using F = ProposalField;

constexpr char kWorkbookType[] =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
constexpr char kMailFailed[] =
    "Relatório de encomendas não enviado por e-mail: ";
constexpr char kFileFailed[] = "Relatório de encomendas não gravado: ";
constexpr char kReportSettingsUnread[] =
    "Relatório de encomendas não entregue: as definições do relatório "
    "([email] Destino, [Relatorio] Pasta, secção SMTP) não foram lidas: ";
constexpr char kAlertSettingsUnread[] =
    "Alerta de erro não enviado por e-mail: as definições do e-mail "
    "([email] Destino, secção SMTP) não foram lidas: ";

// `time` formatted with strftime's `format` (digits only, so the locale
// does not matter).
std::string Stamp(LocalTime time, const char* format) {
  const auto days = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day ymd(days);
  const std::chrono::hh_mm_ss hms(time - days);
  std::tm tm{};
  tm.tm_year = static_cast<int>(ymd.year()) - 1900;
  tm.tm_mon = static_cast<int>(static_cast<unsigned>(ymd.month())) - 1;
  tm.tm_mday = static_cast<int>(static_cast<unsigned>(ymd.day()));
  tm.tm_hour = static_cast<int>(hms.hours().count());
  tm.tm_min = static_cast<int>(hms.minutes().count());
  tm.tm_sec = static_cast<int>(hms.seconds().count());
  char buffer[64];
  std::strftime(buffer, sizeof buffer, format, &tm);
  return buffer;
}

// "12,5": a figure as the buyer reads it.
std::string Figure(const std::optional<Currency>& value) {
  return value ? value->ToCommaString() : "";
}

std::string Quantity(const ProposalRow& row, F field, F unit) {
  std::string text = Figure(row.Number(field));
  if (!row.Text(unit).empty()) text += " " + row.Text(unit);
  return text;
}

std::string Folded(const std::string& text) {
  std::string out;
  FoldCase(text, &out);
  return out;
}

// The rows to order by supplier (label, then code), each supplier's rows by
// article code.
std::vector<std::pair<std::string, std::vector<int>>> OrdersBySupplier(
    const ProposalView& view) {
  std::map<std::string, std::pair<std::string, std::vector<int>>> groups;
  for (int index : view.shown()) {
    const ProposalRow& row = view.row(index);
    if (!row.ToOrder()) continue;
    std::string label = row.SupplierLabel();
    if (!row.Text(F::kNomeFornec).empty()) {
      label += " (" + row.Text(F::kFornec) + ")";
    }
    auto& group = groups[Folded(row.SupplierLabel()) + "\n" +
                         Folded(row.Text(F::kFornec))];
    group.first = label;
    group.second.push_back(index);
  }
  std::vector<std::pair<std::string, std::vector<int>>> list;
  for (auto& [key, group] : groups) {
    std::stable_sort(group.second.begin(), group.second.end(),
                     [&](int a, int b) {
                       return Folded(view.row(a).Text(F::kArtigo)) <
                              Folded(view.row(b).Text(F::kArtigo));
                     });
    list.push_back(std::move(group));
  }
  return list;
}

std::vector<int> Where(const ProposalView& view, bool shortages) {
  std::vector<int> rows;
  for (int index : view.shown()) {
    if (shortages ? view.row(index).Shortage() : !view.reason(index).empty()) {
      rows.push_back(index);
    }
  }
  return rows;
}

std::string PlainText(const ProposalView& view, const std::string& title,
                      const std::vector<std::string>& notices) {
  const ProposalSummary s = view.TotalSummary();
  std::ostringstream t;
  t << title << "\n\n";
  for (const std::string& notice : notices) t << "AVISO: " << notice << "\n\n";
  t << "Artigos na proposta: " << s.articles << "\n"
    << "Artigos a encomendar: " << s.to_order << "\n"
    << "Artigos em rutura: " << s.shortages << "\n"
    << "Fornecedores com artigos a encomendar: " << s.suppliers << "\n"
    << "Exceções a verificar: " << s.exceptions << "\n";

  const std::vector<int> shortages = Where(view, true);
  t << "\nRUTURAS (procura acima do stock no prazo)\n";
  if (shortages.empty()) t << "  nenhuma\n";
  for (int index : shortages) {
    const ProposalRow& r = view.row(index);
    t << "  " << r.Text(F::kArtigo) << "  " << r.Text(F::kNome) << ": procura "
      << Quantity(r, F::kCli, F::kUnBase) << ", stock no prazo "
      << Quantity(r, F::kStkPrazo, F::kUnBase) << ", a encomendar "
      << Quantity(r, F::kQtdUC, F::kUnCmp) << " (" << r.SupplierLabel()
      << ")\n";
  }

  t << "\nA ENCOMENDAR, POR FORNECEDOR\n";
  const auto groups = OrdersBySupplier(view);
  if (groups.empty()) t << "  nada a encomendar\n";
  for (const auto& [label, rows] : groups) {
    t << "\n" << label << "\n";
    for (int index : rows) {
      const ProposalRow& r = view.row(index);
      t << "  " << r.Text(F::kArtigo) << "  " << r.Text(F::kNome) << ": "
        << Quantity(r, F::kQtdUC, F::kUnCmp) << "\n";
    }
  }

  const std::vector<int> exceptions = Where(view, false);
  t << "\nEXCEÇÕES A VERIFICAR\n";
  if (exceptions.empty()) t << "  nenhuma\n";
  for (int index : exceptions) {
    const ProposalRow& r = view.row(index);
    t << "  " << r.Text(F::kArtigo) << "  " << r.Text(F::kNome) << ": "
      << view.reason(index) << "\n";
  }
  t << "\nA proposta completa segue em anexo (Excel).\n";
  return t.str();
}

std::string H(const std::string& text) { return MailMessage::EscapeHtml(text); }

std::string HtmlTable(const std::vector<std::string>& headers,
                      const std::vector<std::vector<std::string>>& rows,
                      unsigned row_colour) {
  std::string h =
      "<table style=\"border-collapse:collapse;font-size:13px;margin:4px 0 "
      "12px 0\"><tr>";
  for (const std::string& header : headers) {
    h += "<th style=\"text-align:left;background:" +
         RowPalette::Html(RowPalette::kHeader) +
         ";padding:3px 8px;border:1px solid #c4ccd8\">" + H(header) + "</th>";
  }
  h += "</tr>";
  for (const auto& row : rows) {
    h += "<tr style=\"background:" + RowPalette::Html(row_colour) + "\">";
    for (const std::string& cell : row) {
      h += "<td style=\"padding:3px 8px;border:1px solid #d8dde5\">" + H(cell) +
           "</td>";
    }
    h += "</tr>";
  }
  return h + "</table>";
}

std::string HtmlText(const ProposalView& view, const std::string& title,
                     const std::vector<std::string>& notices) {
  const ProposalSummary s = view.TotalSummary();
  std::string h =
      "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + H(title) +
      "</title></head><body style=\"font-family:Verdana,Arial,sans-serif;"
      "font-size:13px;color:#1c1c1c\"><h2 style=\"font-size:17px\">" +
      H(title) + "</h2>";
  for (const std::string& notice : notices) {
    h += "<p style=\"background:#ffe7b0;padding:4px 8px\"><b>Aviso:</b> " +
         H(notice) + "</p>";
  }
  h += HtmlTable({"Artigos na proposta", "A encomendar", "Em rutura",
                  "Fornecedores", "Exceções"},
                 {{std::to_string(s.articles), std::to_string(s.to_order),
                   std::to_string(s.shortages), std::to_string(s.suppliers),
                   std::to_string(s.exceptions)}},
                 RowPalette::kPlain);

  std::vector<std::vector<std::string>> rows;
  for (int index : Where(view, true)) {
    const ProposalRow& r = view.row(index);
    rows.push_back({r.Text(F::kArtigo), r.Text(F::kNome),
                    Quantity(r, F::kCli, F::kUnBase),
                    Quantity(r, F::kStkPrazo, F::kUnBase),
                    Quantity(r, F::kQtdUC, F::kUnCmp), r.SupplierLabel()});
  }
  h += "<h3 style=\"font-size:15px;color:#a00000\">Ruturas (procura acima do "
       "stock no prazo)</h3>";
  h += rows.empty() ? "<p>Nenhuma.</p>"
                    : HtmlTable({"Artigo", "Nome", "Procura", "Stock no prazo",
                                 "A encomendar", "Fornecedor"},
                                rows, RowPalette::kShortage);

  h += "<h3 style=\"font-size:15px\">A encomendar, por fornecedor</h3>";
  const auto groups = OrdersBySupplier(view);
  if (groups.empty()) h += "<p>Nada a encomendar.</p>";
  for (const auto& [label, indexes] : groups) {
    rows.clear();
    for (int index : indexes) {
      const ProposalRow& r = view.row(index);
      rows.push_back({r.Text(F::kArtigo), r.Text(F::kNome),
                      Quantity(r, F::kQtdUC, F::kUnCmp),
                      Quantity(r, F::kQtdUB, F::kUnBase)});
    }
    h += "<p style=\"margin:8px 0 0 0\"><b>" + H(label) + "</b></p>";
    h += HtmlTable({"Artigo", "Nome", "A encomendar", "Em unidade base"}, rows,
                   RowPalette::kPlain);
  }

  rows.clear();
  for (int index : Where(view, false)) {
    const ProposalRow& r = view.row(index);
    rows.push_back({r.Text(F::kArtigo), r.Text(F::kNome), r.SupplierLabel(),
                    view.reason(index)});
  }
  h += "<h3 style=\"font-size:15px;color:#8a5a00\">Exceções a verificar</h3>";
  h += rows.empty() ? "<p>Nenhuma.</p>"
                    : HtmlTable({"Artigo", "Nome", "Fornecedor", "Motivo"},
                                rows, RowPalette::kOrder);
  h += "<p style=\"color:#555\">A proposta completa segue em anexo (Excel).</p>"
       "</body></html>";
  return h;
}

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

// Sends `message`; adds to `outcome` the line saying to how many it went
// (`what`: "Relatório de encomendas") and one failure line per refused
// recipient. Raises when it went to nobody.
void Send(const ReportSettings& settings, const MailMessage& message,
          const std::string& what, ReportOutcome* outcome) {
  const std::string text = message.Render(std::time(nullptr));
  const std::vector<SmtpSender::Refusal> refused = SmtpSender::Send(
      settings.smtp, settings.timeout_seconds, message.to, text);
  const size_t reached = message.to.size() - refused.size();
  outcome->delivered.push_back(
      what + " enviado por e-mail a " + std::to_string(reached) +
      (reached == 1 ? " destinatário (" : " destinatários (") +
      Size(text.size()) + ")");
  for (const SmtpSender::Refusal& r : refused) {
    outcome->failures.push_back(
        what + " não entregue a " + r.address +
        ": o servidor recusou-o ([email] Destino): " + r.reply);
  }
}

}  // namespace

MailMessage MorningReport::ReportMessage(
    const ProposalView& view, const std::string& title,
    const std::vector<std::string>& notices) {
  MailMessage message;
  message.subject = title;
  message.text = PlainText(view, title, notices);
  message.html = HtmlText(view, title, notices);
  return message;
}

ReportOutcome MorningReport::AfterRun(const SettingsValues& values,
                                      Connection& connection,
                                      LocalTime started) {
  ReportOutcome outcome;
  ReportSettings settings;
  try {
    settings = ReportSettings::Load(values);
  } catch (const Error& e) {
    outcome.failures.push_back(kReportSettingsUnread + e.description());
    return outcome;
  }
  if (!settings.wants_mail() && !settings.wants_file()) return outcome;

  // A bad value of an optional key leaves its own part out of the report;
  // the report goes out all the same, saying so at its top.
  std::vector<std::string> notices;
  ProposalView view;
  try {
    view.SetCoverLimit(ProposalExceptions::CoverLimit(values));
  } catch (const Error& e) {
    view.SetCoverLimit(Currency::FromRaw(std::numeric_limits<int64_t>::max()));
    notices.push_back(e.description() +
                      "; a verificação dos dias de cobertura ficou de fora "
                      "deste relatório");
    outcome.delivered.push_back("Relatório de encomendas: " + notices.back());
  }
  try {
    view.SetTable(ProposalTable::Read(connection));
  } catch (const std::exception&) {
    const Error e = UnhandledError(std::current_exception());
    outcome.failures.push_back("Relatório de encomendas não preparado: " +
                               e.description());
    return outcome;
  }
  const std::string file_name =
      "Proposta_" + Stamp(started, "%Y%m%d_%H%M%S") + ".xlsx";
  const std::vector<ProposalColumn> columns = DefaultProposalColumns();

  if (settings.wants_file()) {
    try {
      if (!fs::is_directory(settings.folder)) {
        throw Error(errnum::kFileError, "a pasta " + settings.folder +
                                            " ([Relatorio] Pasta) não existe");
      }
      const std::string path = (fs::path(settings.folder) / file_name).string();
      ProposalExport::Export(path, view, columns);
      outcome.delivered.push_back("Relatório de encomendas gravado em " + path);
    } catch (const std::exception&) {
      outcome.failures.push_back(
          kFileFailed + UnhandledError(std::current_exception()).description());
    }
  }

  if (settings.wants_mail()) {
    try {
      if (const auto problem = settings.MailProblem()) {
        throw Error(errnum::kFileError, *problem);
      }
      const std::string subject =
          (settings.subject.empty() ? std::string(kDefaultSubject)
                                    : settings.subject) +
          " - " + Stamp(started, "%d-%m-%Y");
      MailMessage message =
          Addressed(ReportMessage(view, subject, notices), settings);
      // Built in memory: no copy of the workbook is left anywhere.
      message.attachments.push_back(
          {file_name, kWorkbookType,
           ProposalExport::Workbook(view, columns, file_name)});
      Send(settings, message, "Relatório de encomendas", &outcome);
    } catch (const std::exception&) {
      outcome.failures.push_back(
          kMailFailed + UnhandledError(std::current_exception()).description());
    }
  }
  return outcome;
}

ReportOutcome MorningReport::AfterFailure(const SettingsValues& values,
                                          const std::string& error_message,
                                          const std::string& log_path,
                                          LocalTime started) {
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
        std::string(kAlertSubject) + " - " + Stamp(started, "%d-%m-%Y %H:%M");
    message.text =
        "A emissão da proposta de encomendas iniciada em " +
        Stamp(started, "%d-%m-%Y às %H:%M:%S") + " terminou com erro:\n\n" +
        error_message + "\n\nRegisto da emissão: " +
        (log_path.empty() ? std::string("não foi aberto") : log_path) +
        "\n\nA tabela " + kResultTableName +
        " continua com a proposta anterior.\n";
    Send(settings, Addressed(message, settings), "Alerta de erro", &outcome);
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
      ReportSettings::Load(SettingsValues::Read(settings_path));
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
  const std::vector<SmtpSender::Refusal> refused =
      SmtpSender::Send(settings.smtp, settings.timeout_seconds, addressed.to,
                       addressed.Render(std::time(nullptr)));
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
