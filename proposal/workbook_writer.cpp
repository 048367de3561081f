#include "proposal/workbook_writer.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "core/atomic_file.h"
#include "core/control_bytes.h"
#include "core/error.h"
#include "core/text_util.h"
#include "proposal/row_palette.h"
#include "proposal/xlsx_sheet_writer.h"
#include "proposal/zip_writer.h"

namespace vor {
namespace {

// ISA-L's level 1: a 50 000-article workbook in a third of the time zlib's
// level 2 took, some 6 % larger; level 3 is as small as zlib's level 2 at
// twice the time of level 1.
constexpr int kLevel = 1;

Error WriteError(const std::string& path, const std::string& reason) {
  return Error(errnum::kFileError,
               "Não foi possível escrever o ficheiro " + path + ": " + reason);
}

// The number formats, in the order of their ids from 164 (General is 0).
enum Number { kGeneral, kWhole, kMoney, kPrice, kFraction, kTenths, kNumbers };
constexpr const char* kNumberFormats[kNumbers] = {
    "", "#,##0", "#,##0.00", "#,##0.00##", "#,##0.####", "#,##0.0"};
constexpr int kMarks = 3;  // RowMark values

// The cell styles (cellXfs): 0 the default, 1 a table's header, then one
// per row mark and number format, then the bold label of a preamble line.
constexpr int kHeaderStyle = 1;
constexpr int kLabelStyle = 2 + kMarks * kNumbers;
int CellStyle(int mark, Number number) {
  return mark == 0 && number == kGeneral ? 0 : 2 + mark * kNumbers + number;
}

Number NumberOf(SheetColumnKind kind) {
  switch (kind) {
    case SheetColumnKind::kDecimal:
    case SheetColumnKind::kInteger:
    case SheetColumnKind::kDays:
      return kWhole;
    case SheetColumnKind::kMoney:
      return kMoney;
    case SheetColumnKind::kPrice:
      return kPrice;
    case SheetColumnKind::kText:
      break;
  }
  return kGeneral;
}

std::string Hex(unsigned rgb) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "FF";
  for (int shift = 20; shift >= 0; shift -= 4)
    out += kDigits[(rgb >> shift) & 0xF];
  return out;
}

constexpr const char* kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char* kMain =
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRelationships =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kPackageRelationships =
    "http://schemas.openxmlformats.org/package/2006/relationships";

// The header font bold, its fill and a thin border round it; each marked
// row tinted with RowPalette's colour.
std::string Styles() {
  std::string xml = std::string(kXmlDeclaration) + "<styleSheet xmlns=\"" +
                    kMain + "\"><numFmts count=\"" +
                    std::to_string(kNumbers - 1) + "\">";
  for (int n = 1; n < kNumbers; ++n) {
    xml += "<numFmt numFmtId=\"" + std::to_string(163 + n) +
           "\" formatCode=\"" + kNumberFormats[n] + "\"/>";
  }
  xml +=
      "</numFmts><fonts count=\"2\"><font><sz val=\"11\"/><name "
      "val=\"Calibri\"/><family val=\"2\"/></font><font><b/><sz "
      "val=\"11\"/><name val=\"Calibri\"/><family "
      "val=\"2\"/></font></fonts><fills count=\"5\"><fill><patternFill "
      "patternType=\"none\"/></fill><fill><patternFill "
      "patternType=\"gray125\"/></fill>";
  for (const unsigned rgb :
       {RowPalette::kHeader, RowPalette::Of(RowMark::kShortage),
        RowPalette::Of(RowMark::kOrder)}) {
    xml += "<fill><patternFill patternType=\"solid\"><fgColor rgb=\"" +
           Hex(rgb) + "\"/><bgColor indexed=\"64\"/></patternFill></fill>";
  }
  xml +=
      "</fills><borders count=\"2\"><border><left/><right/><top/><bottom/>"
      "<diagonal/></border><border>";
  for (const char* side : {"left", "right", "top", "bottom"}) {
    xml += std::string("<") + side + " style=\"thin\"><color auto=\"1\"/></" +
           side + ">";
  }
  xml +=
      "<diagonal/></border></borders><cellStyleXfs count=\"1\"><xf "
      "numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
      "borderId=\"0\"/></cellStyleXfs><cellXfs count=\"" +
      std::to_string(kLabelStyle + 1) +
      "\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" "
      "xfId=\"0\"/><xf numFmtId=\"0\" fontId=\"1\" fillId=\"2\" "
      "borderId=\"1\" xfId=\"0\" applyFont=\"1\" applyFill=\"1\" "
      "applyBorder=\"1\"/>";
  for (int mark = 0; mark < kMarks; ++mark) {
    const int fill = mark == 0 ? 0 : 2 + mark;
    for (int n = 0; n < kNumbers; ++n) {
      xml += "<xf numFmtId=\"" + std::to_string(n == 0 ? 0 : 163 + n) +
             "\" fontId=\"0\" fillId=\"" + std::to_string(fill) +
             "\" borderId=\"0\" xfId=\"0\"";
      if (n != 0) xml += " applyNumberFormat=\"1\"";
      if (fill != 0) xml += " applyFill=\"1\"";
      xml += "/>";
    }
  }
  xml +=
      "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" "
      "xfId=\"0\" applyFont=\"1\"/>"
      "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" "
      "xfId=\"0\" builtinId=\"0\"/></cellStyles><dxfs count=\"0\"/>"
      "<tableStyles count=\"0\" defaultTableStyle=\"TableStyleMedium9\" "
      "defaultPivotStyle=\"PivotStyleLight16\"/></styleSheet>";
  return xml;
}

// Why Excel would not take `name` as a sheet's name, or nothing.
std::optional<std::string> SheetNameProblem(
    const std::string& name, const std::vector<std::string>& taken) {
  if (name.empty()) return "nome de folha vazio";
  const std::string shown = EscapeControlBytes(name);
  const std::string quoted = "nome de folha inválido \"" + shown + "\"";
  if (shown != name || Utf8Length(name) > 31 ||
      name.find_first_of("[]:*?/\\") != std::string::npos ||
      name.front() == '\'' || name.back() == '\'') {
    return quoted;
  }
  for (const std::string& other : taken) {
    if (EqualsIgnoringCase(other, name)) return quoted + " repetido";
  }
  return std::nullopt;
}

// `part` compressed, as a zip holds it. The parts that all workbooks with
// as many sheets hold alike (styles, content types, relations) are
// compressed once per process and kept: the suppliers' order files are a
// thousand small workbooks, and these parts are a third of each.
const ZipWriter::Stored& Packed(const std::string& part) {
  static std::mutex mutex;
  static std::map<std::string, ZipWriter::Stored, std::less<>> packed;
  const std::lock_guard<std::mutex> lock(mutex);
  auto it = packed.find(part);
  if (it == packed.end()) {
    ZipWriter zip("", kLevel);
    zip.Add("part", part);
    it = packed.emplace(part, zip.LastEntry()).first;
  }
  return it->second;
}

// The sheet being written: where its next row goes.
struct OpenSheet {
  std::optional<XlsxSheetWriter> xml;
  std::vector<SheetColumn> columns;
  bool table = true;
  int header_row = 1;  // below the preamble, if any
};

// Writes the rows of `rows` (with their marks) after the sheet's.
void WriteRows(const Sheet& rows, OpenSheet* sheet) {
  XlsxSheetWriter& xml = *sheet->xml;
  const size_t columns = sheet->columns.size();
  for (size_t r = 0; r < rows.rows.size(); ++r) {
    xml.NextRow();
    const int mark =
        r < rows.marks.size() ? static_cast<int>(rows.marks[r]) : 0;
    const std::vector<Value>& values = rows.rows[r];
    for (size_t c = 0; c < columns && c < values.size(); ++c) {
      const int column = static_cast<int>(c);
      const SheetColumnKind kind = sheet->columns[c].kind;
      const Value& v = values[c];
      if (v.is_null()) {
        if (mark != 0) xml.Blank(column, CellStyle(mark, NumberOf(kind)));
      } else if (kind == SheetColumnKind::kText &&
                 (v.kind() == Value::Kind::kInt ||
                  v.kind() == Value::Kind::kCurrency)) {
        // A figure among texts (a summary's value column) stays a number:
        // a count whole, an amount with two decimals.
        xml.Number(
            column, v.ToDouble(),
            CellStyle(mark, v.kind() == Value::Kind::kInt ? kWhole : kMoney));
      } else if (kind != SheetColumnKind::kText &&
                 v.kind() != Value::Kind::kText) {
        const double number = v.ToDouble();
        // A quantity shows its decimals only when it has some; days of
        // cover one at most.
        const bool whole =
            number == static_cast<double>(static_cast<long long>(number));
        Number format = NumberOf(kind);
        if (kind == SheetColumnKind::kDecimal && !whole) {
          format = kFraction;
        } else if (kind == SheetColumnKind::kDays && !whole) {
          format = kTenths;
        }
        xml.Number(column, number, CellStyle(mark, format));
      } else {
        // The sheet writer shows an ERP's invalid and control bytes.
        const int style = CellStyle(mark, NumberOf(kind));
        if (v.kind() == Value::Kind::kText) {
          xml.Text(column, v.AsText(), style);
        } else {
          xml.Text(column, v.ToText(), style);
        }
      }
    }
  }
}

}  // namespace

struct WorkbookWriter::Book {
  std::string name;
  std::optional<ZipWriter> zip;
  // The sheets begun, in order, and the range each one filters ("" none).
  std::vector<std::string> sheets;
  std::vector<std::string> filters;
  std::optional<OpenSheet> sheet;
  // The names of the sheets to keep, and those kept.
  std::vector<std::string> keep;
  std::vector<WrittenSheet> kept;

  // Ends the open sheet: a table's header filters its rows.
  void CloseSheet() {
    if (!sheet) return;
    const int columns =
        sheet->table ? static_cast<int>(sheet->columns.size()) : 0;
    const int rows = sheet->xml->rows();
    const int header = sheet->header_row;
    sheet->xml->Finish(columns, header);
    filters.push_back(columns > 0 && rows >= header
                          ? XlsxSheetWriter::Range(columns, rows, header)
                          : std::string());
    sheet.reset();
    if (std::find(keep.begin(), keep.end(), sheets.back()) != keep.end()) {
      kept.push_back({sheets.back(), filters.back(), sheets.size() == 1,
                      zip->LastEntry()});
    }
  }

  // Begins the next sheet, named `name`: raises when Excel would not
  // take the name. The path of its XML.
  std::string NextSheet(const std::string& name) {
    if (!zip) throw WriteError(this->name, "o livro já foi fechado");
    CloseSheet();
    if (const auto problem = SheetNameProblem(name, sheets)) {
      throw WriteError(this->name, *problem);
    }
    sheets.push_back(name);
    return "xl/worksheets/sheet" + std::to_string(sheets.size()) + ".xml";
  }
};

WorkbookWriter::WorkbookWriter(const std::string& name)
    : book_(std::make_unique<Book>()) {
  book_->name = name;
  book_->zip.emplace(name, kLevel);
}

WorkbookWriter::~WorkbookWriter() = default;

void WorkbookWriter::Add(const Sheet& sheet) {
  Book& b = *book_;
  const std::string path = b.NextSheet(sheet.name);
  XlsxSheetWriter::Layout layout;
  for (const SheetColumn& column : sheet.columns) {
    layout.widths.push_back(
        std::max<double>(column.width_chars,
                         static_cast<double>(Utf8Length(column.header)) + 2));
  }
  // Preamble lines, then a blank line, above the header.
  const int header_row =
      sheet.preamble.empty() ? 1 : static_cast<int>(sheet.preamble.size()) + 2;
  layout.frozen_rows = sheet.table && !sheet.columns.empty() ? header_row : 0;
  layout.selected = b.sheets.size() == 1;
  OpenSheet& open = b.sheet.emplace();
  open.xml.emplace(&*b.zip, path, layout);
  open.columns = sheet.columns;
  open.table = sheet.table;
  open.header_row = header_row;
  for (const std::vector<std::string>& line : sheet.preamble) {
    open.xml->NextRow();
    for (size_t c = 0; c < line.size(); ++c) {
      open.xml->Text(static_cast<int>(c), line[c], c == 0 ? kLabelStyle : 0);
    }
  }
  if (!sheet.preamble.empty()) open.xml->NextRow();
  open.xml->NextRow();
  for (size_t c = 0; c < sheet.columns.size(); ++c) {
    open.xml->Text(static_cast<int>(c), sheet.columns[c].header,
                   sheet.table ? kHeaderStyle : 0);
  }
  WriteRows(sheet, &open);
}

void WorkbookWriter::Append(const Sheet& more) {
  Book& b = *book_;
  if (!b.sheet) throw WriteError(b.name, "nenhuma folha aberta");
  WriteRows(more, &*b.sheet);
}

void WorkbookWriter::Keep(std::vector<std::string> names) {
  book_->keep = std::move(names);
}

void WorkbookWriter::AddWritten(const WrittenSheet& sheet) {
  Book& b = *book_;
  if (sheet.first != b.sheets.empty()) {
    throw WriteError(b.name, "a folha " + sheet.name +
                                 " foi escrita para outro lugar do livro");
  }
  const std::string path = b.NextSheet(sheet.name);
  b.zip->AddStored(path, sheet.xml);
  b.filters.push_back(sheet.filter);
}

std::vector<WorkbookWriter::WrittenSheet> WorkbookWriter::Kept() {
  return std::move(book_->kept);
}

std::string WorkbookWriter::Finish() {
  Book& b = *book_;
  if (!b.zip) throw WriteError(b.name, "o livro já foi fechado");
  b.CloseSheet();
  ZipWriter& zip = *b.zip;
  const size_t count = b.sheets.size();
  std::string workbook = std::string(kXmlDeclaration) + "<workbook xmlns=\"" +
                         kMain + "\" xmlns:r=\"" + kRelationships +
                         "\"><bookViews><workbookView/></bookViews><sheets>";
  std::string relations = std::string(kXmlDeclaration) +
                          "<Relationships xmlns=\"" + kPackageRelationships +
                          "\">";
  std::string types =
      std::string(kXmlDeclaration) +
      "<Types "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" "
      "ContentType=\"application/"
      "vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/xl/workbook.xml\" "
      "ContentType=\"application/"
      "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
      "<Override PartName=\"/xl/styles.xml\" "
      "ContentType=\"application/"
      "vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
  std::string filters;
  for (size_t i = 0; i < count; ++i) {
    const std::string n = std::to_string(i + 1);
    workbook += "<sheet name=\"" + EscapeMarkup(b.sheets[i]) + "\" sheetId=\"" +
                n + "\" r:id=\"rId" + n + "\"/>";
    relations += "<Relationship Id=\"rId" + n + "\" Type=\"" + kRelationships +
                 "/worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
    types +=
        "<Override PartName=\"/xl/worksheets/sheet" + n +
        ".xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
    if (!b.filters[i].empty()) {
      // Excel names a sheet's filtered range: 'Sheet'!$A$1:$R$5, an
      // apostrophe in the name doubled.
      std::string quoted = "'";
      for (const char c : b.sheets[i]) {
        quoted += c;
        if (c == '\'') quoted += c;
      }
      const std::string& range = b.filters[i];
      const size_t colon = range.find(':');
      const auto absolute = [](const std::string& cell) {
        const size_t digit = cell.find_first_of("0123456789");
        return "$" + cell.substr(0, digit) + "$" + cell.substr(digit);
      };
      filters += "<definedName name=\"_xlnm._FilterDatabase\" localSheetId=\"" +
                 std::to_string(i) + "\" hidden=\"1\">" +
                 EscapeMarkup(quoted + "'!" + absolute(range.substr(0, colon)) +
                              ":" + absolute(range.substr(colon + 1))) +
                 "</definedName>";
    }
  }
  workbook += "</sheets>";
  if (!filters.empty()) {
    workbook += "<definedNames>" + filters + "</definedNames>";
  }
  workbook += "</workbook>";
  relations += "<Relationship Id=\"rId" + std::to_string(count + 1) +
               "\" Type=\"" + kRelationships +
               "/styles\" Target=\"styles.xml\"/></Relationships>";
  types += "</Types>";
  zip.Add("xl/workbook.xml", workbook);
  zip.AddStored("xl/_rels/workbook.xml.rels", Packed(relations));
  zip.AddStored("xl/styles.xml", Packed(Styles()));
  zip.AddStored("[Content_Types].xml", Packed(types));
  zip.AddStored("_rels/.rels",
                Packed(std::string(kXmlDeclaration) +
                       "<Relationships xmlns=\"" + kPackageRelationships +
                       "\"><Relationship Id=\"rId1\" Type=\"" + kRelationships +
                       "/officeDocument\" "
                       "Target=\"xl/workbook.xml\"/></Relationships>"));
  std::string bytes = zip.Finish();
  b.zip.reset();
  return bytes;
}

std::string WorkbookWriter::Bytes(const std::vector<Sheet>& sheets,
                                  const std::string& name) {
  WorkbookWriter book(name);
  for (const Sheet& sheet : sheets) book.Add(sheet);
  return book.Finish();
}

void WorkbookWriter::Write(const std::string& path,
                           const std::vector<Sheet>& sheets) {
  AtomicFile::Write(path, Bytes(sheets, path));
}

}  // namespace vor
