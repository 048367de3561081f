#include "proposal/csv_writer.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "core/error.h"
#include "proposal/atomic_file.h"

namespace vor {
namespace {

void AppendField(const Value& value, std::string* out) {
  if (value.is_null()) return;
  const std::string text = value.ToText();
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
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

void AppendLine(const std::vector<Value>& fields, std::string* out) {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) *out += ',';
    AppendField(fields[i], out);
  }
  *out += "\r\n";
}

}  // namespace

std::string CsvWriter::Text(const Sheet& sheet) {
  std::string out;
  std::vector<Value> header;
  for (const SheetColumn& column : sheet.columns)
    header.emplace_back(column.header);
  AppendLine(header, &out);
  for (const std::vector<Value>& row : sheet.rows) AppendLine(row, &out);
  return out;
}

void CsvWriter::Write(const std::string& path, const Sheet& sheet) {
  const std::string text = Text(sheet);
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
