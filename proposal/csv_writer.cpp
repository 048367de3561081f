#include "proposal/csv_writer.h"

#include <string_view>

#include "core/atomic_file.h"
#include "core/control_bytes.h"
#include "core/figure_text.h"

namespace vor {
namespace {

// Whether `text` is a plain decimal number ("-12.5"), which a spreadsheet
// reads as that number and never as a formula.
bool IsPlainNumber(const std::string& text) {
  size_t at = text.starts_with('-') ? 1 : 0;
  const size_t digits = at;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
  if (at == digits) return false;
  if (at < text.size() && text[at] == '.') {
    const size_t fraction = ++at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    if (at == fraction) return false;
  }
  return at == text.size();
}

void AppendField(const Value& value, const CsvForm& form, std::string* out) {
  if (value.is_null()) return;
  // A field meant for people: an ERP's text is shown on one line, as
  // valid UTF-8 (EscapeControlBytes).
  std::string text = value.kind() == Value::Kind::kText
                         ? EscapeControlBytes(value.AsText())
                         : value.ToText();
  if (value.kind() == Value::Kind::kCurrency) {
    text = FigureText::Quantity(value.AsCurrency(),
                                FigureText::Plain(form.decimal_point));
  } else if (value.kind() == Value::Kind::kDouble &&
             form.decimal_point != '.') {
    // A text that looks like a number ("10.5", a code) stays as it is.
    for (char& c : text) {
      if (c == '.') c = form.decimal_point;
    }
  }
  // A text a spreadsheet would run as a formula (=, +, -, @, or a tab or CR
  // before one) is written after an apostrophe, which makes it text there.
  if (value.kind() == Value::Kind::kText && !text.empty() &&
      std::string_view("=+-@\t\r").find(text.front()) !=
          std::string_view::npos &&
      !IsPlainNumber(text)) {
    text.insert(0, "'");
  }
  const char special[] = {form.separator, '"', '\r', '\n', '\0'};
  if (text.find_first_of(special) == std::string::npos) {
    *out += text;
    return;
  }
  *out += '"';
  for (char c : text) {
    if (c == '"') *out += '"';
    *out += c;
  }
  *out += '"';
}

void AppendLine(const std::vector<Value>& fields, const CsvForm& form,
                std::string* out) {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) *out += form.separator;
    AppendField(fields[i], form, out);
  }
  *out += "\r\n";
}

}  // namespace

std::string CsvWriter::Text(const Sheet& sheet, const CsvForm& form) {
  std::string out = form.byte_order_mark ? "\xEF\xBB\xBF" : "";
  std::vector<Value> header;
  for (const SheetColumn& column : sheet.columns)
    header.emplace_back(column.header);
  AppendLine(header, form, &out);
  for (const std::vector<Value>& row : sheet.rows) AppendLine(row, form, &out);
  return out;
}

void CsvWriter::Write(const std::string& path, const Sheet& sheet,
                      const CsvForm& form) {
  AtomicFile::Write(path, Text(sheet, form));
}

}  // namespace vor
