#include "proposal/workbook_writer.h"

#include <sys/mman.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <utility>

#include "core/atomic_file.h"
#include "core/control_bytes.h"
#include "core/error.h"
#include "core/text_util.h"
#include "proposal/row_palette.h"

namespace vor {
namespace {

constexpr int kMarks = 3;  // RowMark values
constexpr int kKinds = 6;  // SheetColumnKind values
// Up to this many cells Bytes builds a workbook in memory, without the
// temporary file per sheet of constant-memory mode (an order file to one
// supplier costs a third less so).
constexpr size_t kSmallWorkbookCells = 5000;
// A folder in memory for a small workbook's temporary files.
constexpr char kMemoryFolder[] = "/dev/shm";

Error WriteError(const std::string& path, const std::string& reason) {
  return Error(errnum::kFileError,
               "Não foi possível escrever o ficheiro " + path + ": " + reason);
}

// The formats of one workbook: one per row mark and column kind, one per
// row mark for quantities with decimals, and the header's.
struct Formats {
  lxw_format* header = nullptr;
  lxw_format* bold = nullptr;  // the labels of a preamble
  lxw_format* cell[kMarks][kKinds] = {};
  lxw_format* fraction[kMarks] = {};
  lxw_format* tenths[kMarks] = {};  // days of cover with a fraction
};

// One format per distinct look: libxlsxwriter remembers the index of a
// format only when no earlier format looks the same, and otherwise hashes
// its properties again at every cell written with it. A plain cell has no
// format at all.
Formats MakeFormats(lxw_workbook* book) {
  std::map<std::pair<unsigned, std::string>, lxw_format*> made;
  auto format_of = [&](unsigned colour,
                       const std::string& number) -> lxw_format* {
    if (colour == 0 && number.empty()) return nullptr;
    lxw_format*& format = made[{colour, number}];
    if (format == nullptr) {
      format = workbook_add_format(book);
      if (colour != 0) format_set_bg_color(format, colour);
      if (!number.empty()) format_set_num_format(format, number.c_str());
    }
    return format;
  };
  Formats f;
  f.header = workbook_add_format(book);
  format_set_bold(f.header);
  format_set_bg_color(f.header, RowPalette::kHeader);
  format_set_border(f.header, LXW_BORDER_THIN);
  f.bold = workbook_add_format(book);
  format_set_bold(f.bold);
  for (int m = 0; m < kMarks; ++m) {
    const unsigned colour = RowPalette::Of(static_cast<RowMark>(m));
    for (int k = 0; k < kKinds; ++k) {
      const auto kind = static_cast<SheetColumnKind>(k);
      const char* number = kind == SheetColumnKind::kDecimal ||
                                   kind == SheetColumnKind::kInteger ||
                                   kind == SheetColumnKind::kDays
                               ? "#,##0"
                           : kind == SheetColumnKind::kMoney ? "#,##0.00"
                           : kind == SheetColumnKind::kPrice ? "#,##0.00##"
                                                             : "";
      f.cell[m][k] = format_of(colour, number);
    }
    f.fraction[m] = format_of(colour, "#,##0.####");
    f.tenths[m] = format_of(colour, "#,##0.0");
  }
  return f;
}

void Check(lxw_error e, const std::string& path) {
  if (e != LXW_NO_ERROR) throw WriteError(path, lxw_strerror(e));
}

// The sheet being written: where its next row goes.
struct OpenSheet {
  lxw_worksheet* ws = nullptr;
  std::vector<SheetColumn> columns;
  bool table = true;
  lxw_row_t top = 0;       // the header's row, below the preamble
  lxw_row_t next_row = 1;  // the row after the header at first
};

// Writes the rows of `rows` (with their marks) at sheet->next_row on.
void WriteRows(const Formats& formats, const Sheet& rows, OpenSheet* sheet,
               const std::string& path) {
  lxw_worksheet* ws = sheet->ws;
  const auto columns = static_cast<lxw_col_t>(sheet->columns.size());
  for (size_t r = 0; r < rows.rows.size(); ++r) {
    const lxw_row_t row = sheet->next_row++;
    const int mark =
        r < rows.marks.size() ? static_cast<int>(rows.marks[r]) : 0;
    const std::vector<Value>& values = rows.rows[r];
    for (lxw_col_t c = 0; c < columns && c < values.size(); ++c) {
      const SheetColumnKind kind = sheet->columns[c].kind;
      lxw_format* format = formats.cell[mark][static_cast<int>(kind)];
      const Value& v = values[c];
      lxw_error e = LXW_NO_ERROR;
      if (v.is_null()) {
        e = mark != 0 ? worksheet_write_blank(ws, row, c, format)
                      : LXW_NO_ERROR;
      } else if (kind == SheetColumnKind::kText &&
                 (v.kind() == Value::Kind::kInt ||
                  v.kind() == Value::Kind::kCurrency)) {
        // A figure among texts (a summary's value column) stays a number:
        // a count whole, an amount with two decimals.
        const int as = static_cast<int>(v.kind() == Value::Kind::kInt
                                            ? SheetColumnKind::kInteger
                                            : SheetColumnKind::kMoney);
        e = worksheet_write_number(ws, row, c, v.ToDouble(),
                                   formats.cell[mark][as]);
      } else if (kind != SheetColumnKind::kText &&
                 v.kind() != Value::Kind::kText) {
        const double number = v.ToDouble();
        // A quantity shows its decimals only when it has some; days of
        // cover one at most.
        const bool whole =
            number == static_cast<double>(static_cast<long long>(number));
        if (kind == SheetColumnKind::kDecimal && !whole) {
          format = formats.fraction[mark];
        } else if (kind == SheetColumnKind::kDays && !whole) {
          format = formats.tenths[mark];
        }
        e = worksheet_write_number(ws, row, c, number, format);
      } else {
        // The workbook's XML holds valid UTF-8 only, and a cell one line:
        // an ERP's text has its invalid bytes and control bytes shown.
        const std::string text = EscapeControlBytes(v.ToText());
        e = text.empty()
                ? (mark != 0 ? worksheet_write_blank(ws, row, c, format)
                             : LXW_NO_ERROR)
                : worksheet_write_string(ws, row, c, text.c_str(), format);
      }
      Check(e, path);
    }
  }
}

// Ends `sheet`: a table's header is frozen and filters its rows.
void CloseSheet(const OpenSheet& sheet, const std::string& path) {
  const auto columns = static_cast<lxw_col_t>(sheet.columns.size());
  if (sheet.table && columns > 0) {
    worksheet_freeze_panes(sheet.ws, sheet.top + 1, 0);
    Check(worksheet_autofilter(sheet.ws, sheet.top, 0, sheet.next_row - 1,
                               columns - 1),
          path);
  }
}

}  // namespace

struct WorkbookWriter::Book {
  std::string name;
  int fd = -1;
  lxw_workbook* book = nullptr;
  Formats formats;
  std::optional<OpenSheet> sheet;

  ~Book() {
    if (book != nullptr) workbook_close(book);
    if (fd >= 0) ::close(fd);
  }
};

WorkbookWriter::WorkbookWriter(const std::string& name, bool constant_memory)
    : book_(std::make_unique<Book>()) {
  book_->name = name;
  // libxlsxwriter writes to a path. A file in memory (memfd), reached by the
  // path of its descriptor, has no name in any folder: nobody can plant or
  // read it, and it goes with the process however the process ends.
  book_->fd = ::memfd_create("vorencomendas-workbook", MFD_CLOEXEC);
  if (book_->fd < 0) throw WriteError(name, std::strerror(errno));
  const std::string path = "/proc/self/fd/" + std::to_string(book_->fd);
  // Constant memory: each row goes to the sheet's temporary file as soon
  // as the next one starts (rows are written in order), so the workbook
  // costs the same memory at any size.
  lxw_workbook_options options = {};
  options.constant_memory = constant_memory ? LXW_TRUE : LXW_FALSE;
  // Libxlsxwriter writes each part of the workbook through a temporary file
  // (made and unlinked at once) before zipping it: for a small workbook
  // those are made in memory (tmpfs) where there is one, which costs a
  // fifth less than on disk for the many small order files.
  static const bool in_memory = ::access(kMemoryFolder, W_OK | X_OK) == 0;
  if (!constant_memory && in_memory) {
    options.tmpdir = const_cast<char*>(kMemoryFolder);
  }
  book_->book = workbook_new_opt(path.c_str(), &options);
  if (book_->book == nullptr) throw WriteError(name, "memória insuficiente");
  book_->formats = MakeFormats(book_->book);
}

WorkbookWriter::~WorkbookWriter() = default;

void WorkbookWriter::Add(const Sheet& sheet) {
  Book& b = *book_;
  if (b.book == nullptr) throw WriteError(b.name, "o livro já foi fechado");
  if (b.sheet) CloseSheet(*b.sheet, b.name);
  b.sheet.reset();
  lxw_worksheet* ws = workbook_add_worksheet(b.book, sheet.name.c_str());
  if (ws == nullptr) {
    throw WriteError(b.name, "nome de folha inválido \"" + sheet.name + "\"");
  }
  OpenSheet& open = b.sheet.emplace();
  open.ws = ws;
  open.columns = sheet.columns;
  open.table = sheet.table;
  // The header's row: below the preamble and its blank line.
  open.top = static_cast<lxw_row_t>(
      sheet.preamble.empty() ? 0 : sheet.preamble.size() + 1);
  open.next_row = open.top + 1;
  for (size_t r = 0; r < sheet.preamble.size(); ++r) {
    for (size_t c = 0; c < sheet.preamble[r].size(); ++c) {
      const std::string text = EscapeControlBytes(sheet.preamble[r][c]);
      if (text.empty()) continue;
      Check(worksheet_write_string(ws, static_cast<lxw_row_t>(r),
                                   static_cast<lxw_col_t>(c), text.c_str(),
                                   c == 0 ? b.formats.bold : nullptr),
            b.name);
    }
  }
  const auto columns = static_cast<lxw_col_t>(sheet.columns.size());
  for (lxw_col_t c = 0; c < columns; ++c) {
    const SheetColumn& column = sheet.columns[c];
    const double width = std::max<double>(
        column.width_chars, static_cast<double>(Utf8Length(column.header)) + 2);
    Check(worksheet_set_column(ws, c, c, width, nullptr), b.name);
    Check(worksheet_write_string(ws, open.top, c,
                                 EscapeControlBytes(column.header).c_str(),
                                 sheet.table ? b.formats.header : nullptr),
          b.name);
  }
  WriteRows(b.formats, sheet, &open, b.name);
}

void WorkbookWriter::Append(const Sheet& more) {
  Book& b = *book_;
  if (!b.sheet) throw WriteError(b.name, "nenhuma folha aberta");
  WriteRows(b.formats, more, &*b.sheet, b.name);
}

std::string WorkbookWriter::Finish() {
  Book& b = *book_;
  if (b.book == nullptr) throw WriteError(b.name, "o livro já foi fechado");
  if (b.sheet) CloseSheet(*b.sheet, b.name);
  b.sheet.reset();
  lxw_workbook* book = b.book;
  b.book = nullptr;
  Check(workbook_close(book), b.name);
  std::string bytes;
  char buffer[65536];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(b.fd, buffer, sizeof buffer, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw WriteError(b.name, std::strerror(errno));
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
    at += n;
  }
  return bytes;
}

std::string WorkbookWriter::Bytes(const std::vector<Sheet>& sheets,
                                  const std::string& name) {
  size_t cells = 0;
  for (const Sheet& sheet : sheets) {
    cells +=
        (sheet.preamble.size() + sheet.rows.size() + 1) * sheet.columns.size();
  }
  WorkbookWriter book(name, cells > kSmallWorkbookCells);
  for (const Sheet& sheet : sheets) book.Add(sheet);
  return book.Finish();
}

void WorkbookWriter::Write(const std::string& path,
                           const std::vector<Sheet>& sheets) {
  AtomicFile::Write(path, Bytes(sheets, path));
}

}  // namespace vor
