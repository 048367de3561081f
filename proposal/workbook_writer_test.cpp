// WorkbookWriter read back by openpyxl: hostile ERP texts stay readable
// and whole up to Excel's cell limit, numbers stay numbers with their
// formats and row colours; sheet names Excel refuses are refused.
#include "proposal/workbook_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/currency.h"
#include "testing/error_number.h"
#include "testing/temp_folder.h"

namespace vor {
namespace {

using K = SheetColumnKind;

TEST(WorkbookWriterTest, HostileTextsAndNumbersReadBack) {
  Sheet list;
  list.name = "Fornecedor's";
  list.columns = {
      {"Texto", K::kText, 20}, {"Qtd", K::kDecimal, 8}, {"Dias", K::kDays, 6}};
  std::string smileys;
  for (int i = 0; i < 20000; ++i) smileys += "\xF0\x9F\x98\x80";  // U+1F600
  list.rows = {
      {Value("a\x01"
             "b\tc"),
       Value(Currency::Parse("2.5")), Value(int64_t{30})},
      {Value("bad \xFF byte"), Value(Currency::FromInt(3)),
       Value(Currency::Parse("12.5"))},
      {Value("<&> \xEF\xBF\xBE"), Value(), Value()},
      {Value("  padded  "), Value(), Value(int64_t{7})},
      {Value(std::string(40000, 'x')), Value(), Value()},
      {Value(smileys), Value(), Value()},
  };
  list.marks = {RowMark::kNone, RowMark::kOrder, RowMark::kShortage,
                RowMark::kNone, RowMark::kNone,  RowMark::kNone};
  Sheet summary;
  summary.name = "Resumo";
  summary.table = false;
  summary.columns = {{"", K::kText, 10}, {"", K::kText, 10}};
  summary.rows = {{Value("Artigos"), Value(int64_t{4})},
                  {Value("Valor"), Value(Currency::Parse("1234.5"))}};

  TempFolder dir;
  dir.Write("t.xlsx", WorkbookWriter::Bytes({list, summary}, "t.xlsx"));
  dir.Write("read.py", R"(import sys, zipfile, openpyxl
print(zipfile.ZipFile(sys.argv[1]).testzip())
wb = openpyxl.load_workbook(sys.argv[1])
print(wb.sheetnames)
ws = wb["Fornecedor's"]
print(ws.freeze_panes, ws.auto_filter.ref, ws.column_dimensions["A"].width,
      ws.column_dimensions["B"].width)
for row in ws.iter_rows(max_row=5):
    print([(c.value, c.number_format) if isinstance(c.value, (int, float))
           else c.value for c in row], row[0].font.b,
          [c.fill.fgColor.rgb for c in row])
for row in ws.iter_rows(min_row=6):
    t = row[0].value
    print(len(t), t[-1] == "\u2026", set(t[:-1]))
for row in wb["Resumo"].iter_rows():
    print([(c.value, c.number_format) for c in row], row[0].font.b)
)");
  ASSERT_EQ(std::system(("/usr/bin/python3 " + dir.File("read.py") + " " +
                         dir.File("t.xlsx") + " > " + dir.File("out") + " 2>&1")
                            .c_str()),
            0)
      << dir.Read("out");
  EXPECT_EQ(dir.Read("out"),
            "None\n"
            "[\"Fornecedor's\", 'Resumo']\n"
            // 20 characters: 145 pixels of 7, 5 of them padding.
            "A2 A1:C7 20.7109375 8.7109375\n"
            "['Texto', 'Qtd', 'Dias'] True "
            "['FFDDE4EE', 'FFDDE4EE', 'FFDDE4EE']\n"
            "['a\\\\x01b\\\\tc', (2.5, '#,##0.####'), (30, '#,##0')] False "
            "['00000000', '00000000', '00000000']\n"
            "['bad \ufffd byte', (3, '#,##0'), (12.5, '#,##0.0')] False "
            "['FFFFE7B0', 'FFFFE7B0', 'FFFFE7B0']\n"
            "['<&> \ufffd', None, None] False "
            "['FFF8D0D0', 'FFF8D0D0', 'FFF8D0D0']\n"
            // After a skipped cell, the next one keeps its column.
            "['  padded  ', None, (7, '#,##0')] False "
            "['00000000', '00000000', '00000000']\n"
            // 32 766 characters and the ellipsis; a smiley is two of Excel's.
            "32767 True {'x'}\n"
            "16384 True {'\U0001f600'}\n"
            // A list of label/value lines has no header row.
            "[(None, 'General'), (None, 'General')] False\n"
            "[('Artigos', 'General'), (4, '#,##0')] False\n"
            "[('Valor', 'General'), (1234.5, '#,##0.00')] False\n");
}

TEST(WorkbookWriterTest, SheetNamesExcelRefusesRaiseError75) {
  Sheet sheet;
  sheet.columns = {{"A"}};
  for (const std::string& name :
       {std::string(), std::string("a/b"), std::string(32, 'n'),
        std::string("'quoted'"), std::string("linha\nnova"),
        std::string("RESUMO")}) {
    WorkbookWriter book("livro.xlsx");
    sheet.name = "Resumo";
    book.Add(sheet);
    sheet.name = name;
    std::string why;
    EXPECT_EQ(ErrorNumber([&] { book.Add(sheet); }, &why), 75) << name;
    EXPECT_EQ(why.rfind("Não foi possível escrever o ficheiro livro.xlsx: ", 0),
              0u)
        << why;
  }
  // 31 characters, accented ones counted once, are fine.
  WorkbookWriter book("livro.xlsx");
  sheet.name = "Ações" + std::string(26, 'x');
  book.Add(sheet);
  EXPECT_FALSE(book.Finish().empty());
}

}  // namespace
}  // namespace vor
