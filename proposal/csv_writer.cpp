#include "proposal/csv_writer.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "core/error.h"
#include "proposal/atomic_file.h"

namespace vor {
namespace {

void AppendField(const Value& value, const CsvForm& form, std::string* out) {
  if (value.is_null()) return;
  std::string text = value.ToText();
  if (value.IsNumeric() && form.decimal_point != '.') {
    for (char& c : text) {
      if (c == '.') c = form.decimal_point;
    }
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
  const std::string text = Text(sheet, form);
  WriteAtomically(path, [&](const std::string& temporary) {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (file)
      file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
      throw Error(errnum::kFileError, "Não foi possível escrever o ficheiro " +
                                          path + ": " + std::strerror(errno));
    }
  });
}

}  // namespace vor
