// Fuzz target of the table filter: any text given to Recordset::SetFilter
// is either refused with Error 3001 (malformed) or 3265 (unknown field), or
// filters the table so that the cursor walks exactly RecordCount rows; and
// any text used as a code in a filter built by the engine finds the row
// that holds it and only rows equal to it.
#include <cstdint>
#include <string>

#include "core/error.h"
#include "core/recordset.h"
#include "core/text_util.h"
#include "engine/sql_texts.h"
#include "fuzz/fuzz_check.h"

namespace {

vor::Recordset Table() {
  vor::Recordset rs;
  rs.AppendField("Artigo", vor::FieldType::kText);
  rs.AppendField("EstruturaBase", vor::FieldType::kText);
  rs.AppendField("Quant", vor::FieldType::kCurrency);
  rs.AppendField("Sel", vor::FieldType::kBoolean);
  rs.Open();
  const struct {
    const char* artigo;
    const char* estrutura;
    double quant;
  } rows[] = {{"A1", "E1", 1},           {"a1", "E2", 2.5},
              {"O'BRIEN", "", 0},        {"\xC3\x89", "\xC3\xA9", -1},
              {"", "E1", 1e6},           {"A1 ", "E1", 0.0001},
              {"' and Artigo='", "'", 3}};
  for (const auto& row : rows) {
    rs.AddNew();
    rs.Set("Artigo", row.artigo);
    rs.Set("EstruturaBase", row.estrutura);
    rs.Set("Quant", row.quant);
    rs.Set("Sel", row.quant > 1);
    rs.Update();
  }
  rs.AddNew();  // a row of nulls
  rs.Update();
  return rs;
}

// Walks the passing rows: as many as RecordCount, positions 1, 2, ...
void CheckWalk(vor::Recordset& rs) {
  const int64_t count = rs.RecordCount();
  int64_t walked = 0;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    ++walked;
    VOR_FUZZ_CHECK(rs.AbsolutePosition() == walked, "cursor position");
  }
  VOR_FUZZ_CHECK(walked == count, "rows walked against RecordCount");
  VOR_FUZZ_CHECK(rs.AbsolutePosition() == -1, "position at the end");
}

void FuzzExpression(const std::string& expression) {
  vor::Recordset rs = Table();
  const int64_t total = rs.RecordCount();
  try {
    rs.SetFilter(expression);
  } catch (const vor::Error& e) {
    VOR_FUZZ_CHECK(e.number() == vor::errnum::kBadFilter ||
                       e.number() == vor::errnum::kFieldNotFound,
                   e.description().c_str());
    // A refused filter leaves the table unfiltered.
    VOR_FUZZ_CHECK(rs.RecordCount() == total, "table after a refused filter");
    return;
  }
  VOR_FUZZ_CHECK(rs.RecordCount() <= total, "more rows than the table");
  CheckWalk(rs);
  const int64_t passing = rs.RecordCount();
  // The same filter again gives the same rows.
  const std::string again = rs.Filter();
  rs.SetFilter(again);
  VOR_FUZZ_CHECK(rs.RecordCount() == passing, "filter set again");
  // A row added while filtered joins the passing rows until the next filter.
  rs.AddNew();
  rs.Set("Artigo", "NOVO");
  rs.Update();
  VOR_FUZZ_CHECK(rs.RecordCount() == passing + 1, "row added while filtered");
  CheckWalk(rs);
  rs.SetFilter("");
  VOR_FUZZ_CHECK(rs.RecordCount() == total + 1, "all rows after clearing");
}

// The text as a code: the engine's filters find the row that holds it, and
// every row they pass holds it as the database compares codes.
void FuzzCode(const std::string& code) {
  vor::Recordset rs = Table();
  rs.AddNew();
  rs.Set("Artigo", code);
  rs.Set("EstruturaBase", code);
  rs.Update();
  const std::string want = vor::CodeKey(code);
  for (const std::string& filter :
       {vor::sql::ArticleFilter(code),
        vor::sql::CustomerOrderFilter(code, code)}) {
    rs.SetFilter(filter);
    VOR_FUZZ_CHECK(rs.RecordCount() >= 1, "the row of the code is found");
    for (; !rs.Eof(); rs.MoveNext()) {
      VOR_FUZZ_CHECK(vor::CodeKey(rs.Get("Artigo").AsText()) == want,
                     "a row of another code passes");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  FuzzExpression(text);
  FuzzCode(text);
  return 0;
}
