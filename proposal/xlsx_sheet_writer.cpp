#include "proposal/xlsx_sheet_writer.h"

#include <charconv>
#include <cmath>

#include "core/control_bytes.h"
#include "core/error.h"

namespace vor {
namespace {

constexpr size_t kPiece = 1 << 18;  // XML handed to the zip at a time

[[noreturn]] void Fail(const ZipWriter& zip, const std::string& reason) {
  throw Error(errnum::kFileError, "Não foi possível escrever o ficheiro " +
                                      zip.name() + ": " + reason);
}

// Whether `text` goes into the XML as it is: printable ASCII without
// &, < or >, within the length limit.
bool Plain(std::string_view text) {
  if (text.size() > XlsxSheetWriter::kMaxTextUnits) return false;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c > 0x7E || c == '&' || c == '<' || c == '>') {
      return false;
    }
  }
  return true;
}

// The length of the UTF-8 sequence starting with `lead` (valid UTF-8).
size_t SequenceLength(unsigned char lead) {
  return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// Appends the valid UTF-8 `text` as XML character data: &, < and >
// escaped, U+FFFE and U+FFFF as U+FFFD, cut to kMaxTextUnits UTF-16 units
// with "…" as the last.
void AppendEscaped(std::string_view text, std::string* out) {
  size_t units = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t n = SequenceLength(static_cast<unsigned char>(text[i]));
    units += n == 4 ? 2 : 1;
    i += n;
  }
  const bool cut = units > XlsxSheetWriter::kMaxTextUnits;
  const size_t room = cut ? XlsxSheetWriter::kMaxTextUnits - 1 : units;
  units = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t n = SequenceLength(static_cast<unsigned char>(text[i]));
    units += n == 4 ? 2 : 1;
    if (units > room) break;
    const std::string_view cp = text.substr(i, n);
    if (cp == "&") {
      *out += "&amp;";
    } else if (cp == "<") {
      *out += "&lt;";
    } else if (cp == ">") {
      *out += "&gt;";
    } else if (cp == "\xEF\xBF\xBE" || cp == "\xEF\xBF\xBF") {
      *out += "\xEF\xBF\xBD";
    } else {
      *out += cp;
    }
    i += n;
  }
  if (cut) *out += "\xE2\x80\xA6";  // …
}

// Excel's stored column width for `chars` characters of the default font
// (Calibri 11: 7 pixels a digit and 5 of padding), whole pixels in 1/256.
double StoredWidth(double chars) {
  constexpr double kDigit = 7, kPadding = 5;
  const double pixels = chars < 1
                            ? std::floor(chars * (kDigit + kPadding) + 0.5)
                            : std::floor(chars * kDigit + 0.5) + kPadding;
  return std::floor(pixels / kDigit * 256) / 256;
}

std::string Decimal(double value) {
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, r.ptr);
}

}  // namespace

std::string XlsxSheetWriter::ColumnName(int column) {
  std::string name;
  for (int c = column + 1; c > 0; c = (c - 1) / 26) {
    name.insert(name.begin(), static_cast<char>('A' + (c - 1) % 26));
  }
  return name;
}

std::string XlsxSheetWriter::Range(int columns, int last_row, int first_row) {
  return "A" + std::to_string(first_row) + ":" + ColumnName(columns - 1) +
         std::to_string(last_row);
}

XlsxSheetWriter::XlsxSheetWriter(ZipWriter* zip, const std::string& path,
                                 const Layout& layout)
    : zip_(zip), layout_(layout) {
  zip_->Begin(path);
  xml_.reserve(kPiece + 4096);
}

void XlsxSheetWriter::Flush() {
  zip_->Write(xml_);
  xml_.clear();
}

void XlsxSheetWriter::NextRow() {
  if (row_open_) xml_ += "</row>";
  row_open_ = false;
  if (xml_.size() >= kPiece) Flush();
  if (row_ >= kMaxRows) {
    Fail(*zip_,
         "uma folha passaria de " + std::to_string(kMaxRows) + " linhas");
  }
  ++row_;
  row_text_ = std::to_string(row_);
  last_column_ = -1;
}

void XlsxSheetWriter::OpenCell(int column, int style) {
  if (row_ == 0) Fail(*zip_, "célula antes da primeira linha");
  if (column <= last_column_ || column >= kMaxColumns) {
    Fail(*zip_, "coluna " + std::to_string(column + 1) + " fora de ordem");
  }
  const int previous = last_column_;
  last_column_ = column;
  if (!row_open_) {
    xml_ += "<row r=\"";
    xml_ += row_text_;
    xml_ += "\">";
    row_open_ = true;
  }
  while (column_names_.size() <= static_cast<size_t>(column)) {
    column_names_.push_back(ColumnName(static_cast<int>(column_names_.size())));
  }
  min_row_ = std::min(min_row_, row_ - 1);
  max_row_ = row_ - 1;
  min_column_ = std::min(min_column_, column);
  max_column_ = std::max(max_column_, column);
  // A cell right after the one before it in its row (or the row's first
  // cell in A) is placed by its order alone: its reference is left out,
  // which makes the XML a fifth smaller and, the row numbers compressing
  // badly, the zip a third smaller.
  if (column == previous + 1) {
    xml_ += "<c";
  } else {
    xml_ += "<c r=\"";
    xml_ += column_names_[column];
    xml_ += row_text_;
    xml_ += '"';
  }
  if (style != 0) {
    char text[16];
    const auto r = std::to_chars(text, text + sizeof text, style);
    xml_ += " s=\"";
    xml_.append(text, r.ptr);
    xml_ += '"';
  }
}

void XlsxSheetWriter::Number(int column, double value, int style) {
  OpenCell(column, style);
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, value);
  xml_ += "><v>";
  xml_.append(text, r.ptr);
  xml_ += "</v></c>";
}

void XlsxSheetWriter::Blank(int column, int style) {
  OpenCell(column, style);
  xml_ += "/>";
}

void XlsxSheetWriter::Text(int column, std::string_view text, int style) {
  if (text.empty()) {
    if (style != 0) Blank(column, style);
    return;
  }
  OpenCell(column, style);
  xml_ += " t=\"inlineStr\"><is><t";
  const size_t tag = xml_.size();
  xml_ += '>';
  const size_t start = xml_.size();
  if (Plain(text)) {
    xml_ += text;
  } else {
    AppendEscaped(EscapeControlBytes(text), &xml_);
  }
  // Spaces at either end are kept only when the element says so.
  if (xml_[start] == ' ' || xml_.back() == ' ') {
    xml_.insert(tag, " xml:space=\"preserve\"");
  }
  xml_ += "</t></is></c>";
}

void XlsxSheetWriter::Finish(int filter_columns, int filter_row) {
  if (row_open_) xml_ += "</row>";
  row_open_ = false;
  xml_ += "</sheetData>";
  if (filter_columns > 0 && row_ >= filter_row) {
    xml_ += "<autoFilter ref=\"" + Range(filter_columns, row_, filter_row) +
            "\"/>";
  }
  xml_ += "</worksheet>";
  Flush();

  std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<worksheet "
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
      "relationships\"><dimension ref=\"";
  if (max_row_ < 0) {
    head += "A1";
  } else {
    head += ColumnName(min_column_) + std::to_string(min_row_ + 1);
    if (max_row_ != min_row_ || max_column_ != min_column_) {
      head += ":" + ColumnName(max_column_) + std::to_string(max_row_ + 1);
    }
  }
  head += "\"/><sheetViews><sheetView";
  if (layout_.selected) head += " tabSelected=\"1\"";
  head += " workbookViewId=\"0\"";
  if (layout_.frozen_rows > 0) {
    const std::string split = std::to_string(layout_.frozen_rows);
    head += "><pane ySplit=\"" + split + "\" topLeftCell=\"A" +
            std::to_string(layout_.frozen_rows + 1) +
            "\" activePane=\"bottomLeft\" "
            "state=\"frozen\"/><selection pane=\"bottomLeft\"/></sheetView>";
  } else {
    head += "/>";
  }
  head += "</sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>";
  if (!layout_.widths.empty()) {
    head += "<cols>";
    for (size_t c = 0; c < layout_.widths.size(); ++c) {
      const std::string n = std::to_string(c + 1);
      head += "<col min=\"" + n + "\" max=\"" + n + "\" width=\"" +
              Decimal(StoredWidth(layout_.widths[c])) +
              "\" customWidth=\"1\"/>";
    }
    head += "</cols>";
  }
  head += "<sheetData>";
  zip_->End(head);
}

}  // namespace vor
