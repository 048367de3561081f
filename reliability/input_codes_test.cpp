// Codes with quotes, blanks, accents and letters in another case, codes at
// and over their 15-character limit, and texts longer than their fields.
// A code is renamed everywhere the reference ERP holds it, so a run that
// reads it as itself gives the reference proposal under the new codes; a
// text too long for its field stops the run (exit code 1) with an error
// naming the field and the article (-2147217887, shown as 3617), and the
// result table keeps its rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/quote.h"
#include "core/text_util.h"
#include "reliability/input_site.h"

namespace vor::input {
namespace {

constexpr char kTooLong[] = " 3617 - ";

// The code columns of the ERP, as table and column.
const std::vector<std::pair<std::string, std::string>> kCodeColumns = {
    {"ARTIGOS", "CODIGO"},
    {"ARTIGOS", "Fornec"},
    {"Fornec", "Codigo"},
    {"CLART", "Codigo"},
    {"AJUDACMP", "ARTIGO"},
    {"AJUDACMP", "FORNECED"},
    {"DOCGCLIN", "ARTIGO"},
    {"zlx_VOR_Artigos", "Artigo"},
    {"zlx_VOR_Artigos", "EstruturaBase"},
    {"zlx_FichaEstrutura", "PRODUTO"},
    {"zlx_FichaEstrutura", "FichaEstrutura"},
    {"zlx_FichaEstrutura", "CODIGO"},
    {"zlx_VOR_OrdensFabrico", "Artigo"},
    {"zlx_VOR_OrdensFabrico", "FichaEstrutura"},
};

std::string Literal(const std::string& text) {
  return "'" + QuoteCode(text) + "'";
}

// Renames the codes of `renames` in every code column and in the lists of
// aggregated articles (CLART.CL10).
void RenameCodes(ErpFixture& erp,
                 const std::map<std::string, std::string>& renames) {
  for (const auto& [from, to] : renames) {
    for (const auto& [table, column] : kCodeColumns) {
      erp.Exec("update " + table + " set [" + column + "]=" + Literal(to) +
               " where [" + column + "]=" + Literal(from) + " collate binary");
    }
  }
  for (const auto& row : erp.Query("select Codigo, CL10 from CLART")) {
    std::string list;
    size_t start = 0;
    while (true) {
      const size_t end = row[1].find(';', start);
      std::string piece = row[1].substr(
          start, end == std::string::npos ? std::string::npos : end - start);
      auto it = renames.find(piece);
      if (start > 0) list += ';';
      list += it == renames.end() ? piece : it->second;
      if (end == std::string::npos) break;
      start = end + 1;
    }
    erp.Exec("update CLART set CL10=" + Literal(list) +
             " where Codigo=" + Literal(row[0]));
  }
}

// The reference proposal with A1 renamed `a1`, in the order of the codes
// (the result table's collation: ASCII letters without regard to case,
// then bytes).
Rows ReferenceWithA1As(const std::string& a1) {
  Rows rows = InputSite::ReferenceProposal();
  rows[0][0] = a1;
  auto key = [](const std::vector<std::string>& row) {
    std::string folded = row[0];
    for (char& c : folded) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return folded;
  };
  std::sort(rows.begin(), rows.end(),
            [&](const auto& x, const auto& y) { return key(x) < key(y); });
  return rows;
}

class CodeInputTest : public ::testing::Test {
 protected:
  void SetUp() override { s_.WriteSettings(); }

  // Renames, runs and expects the reference proposal under the new codes.
  void ExpectReadAsThemselves(
      const std::string& label,
      const std::map<std::string, std::string>& renames) {
    SCOPED_TRACE(label);
    InputSite site;
    site.WriteSettings();
    RenameCodes(site.erp(), renames);
    const Outcome r = site.RunProgram(label);
    ASSERT_EQ(r.exit_code, 0) << r.LastLog();
    const auto a1 = renames.find("A1");
    EXPECT_EQ(site.Proposal(),
              ReferenceWithA1As(a1 == renames.end() ? "A1" : a1->second));
  }

  // Applies `change`, runs, and expects a stop naming every text of
  // `named` in the last log line, the table untouched.
  void ExpectStop(const std::string& label, const std::string& change,
                  const std::vector<std::string>& named,
                  const std::map<std::string, std::string>& renames = {}) {
    SCOPED_TRACE(label);
    InputSite site;
    site.WriteSettings();
    RenameCodes(site.erp(), renames);
    if (!change.empty()) site.erp().Exec(change);
    const Outcome r = site.RunProgram(label);
    EXPECT_EQ(r.exit_code, 1) << r.err;
    for (const std::string& n : named) {
      EXPECT_NE(r.LastLog().find(n), std::string::npos)
          << "'" << n << "' in: " << r.LastLog();
    }
    EXPECT_EQ(r.table_after, r.table_before);
  }

  InputSite s_;
};

TEST_F(CodeInputTest, CodesWithQuotesBlanksAndAccentsAreReadAsThemselves) {
  ExpectReadAsThemselves("codes with single quotes", {{"A1", "O'BRIEN"},
                                                      {"F001", "F'01"},
                                                      {"B1", "B'1"},
                                                      {"P1", "P'1"},
                                                      {"E1", "E'1"},
                                                      {"SA1", "'SA1'"}});
  ExpectReadAsThemselves(
      "codes with blanks inside, before and after",
      {{"A1", "A 1"}, {"B2", "B 2"}, {"P1", "P 1 "}, {"E1", " E1"}});
  ExpectReadAsThemselves(
      "codes with accents",
      {{"A1", "AÇÚCAR-ÉÃ1"}, {"P1", "PRODUÇÃO"}, {"SA1", "SUBCONJ-Ç"}});
  // Fifteen characters, thirty bytes: the limit counts characters.
  const std::string fifteen = "ÁÉÍÓÚÂÊÔÃÕÇÀÜÑÖ";
  ASSERT_EQ(Utf8Length(fifteen), 15u);
  ExpectReadAsThemselves("article code of 15 accented characters",
                         {{"A1", fifteen}, {"F001", "FORNECEDOR-15-C"}});
}

TEST_F(CodeInputTest, CodesInAnotherLetterCaseMatch) {
  // The ERP compares codes without regard to case; so do the filters.
  s_.erp().Exec(
      "update DOCGCLIN set ARTIGO=lower(ARTIGO) where TPDOCUM='ENC';"
      "update CLART set CL10='b1;B2';"
      "update zlx_FichaEstrutura set CODIGO='a1' where CODIGO='A1';"
      "update zlx_VOR_OrdensFabrico set Artigo='p1', FichaEstrutura='e1'");
  const Outcome r = s_.RunProgram("codes in another letter case");
  ASSERT_EQ(r.exit_code, 0) << r.LastLog();
  EXPECT_EQ(s_.Proposal(), InputSite::ReferenceProposal());
}

TEST_F(CodeInputTest, LeadingBlankInTheAggregatedListIsPartOfTheCode) {
  // " B2" is no article: A1 gets 5 + 2 = 7, N = 7 - 12 = -5, order 35.
  s_.erp().Exec("update CLART set CL10='B1; B2'");
  const Outcome r = s_.RunProgram("aggregated code with a leading blank");
  ASSERT_EQ(r.exit_code, 0) << r.LastLog();
  Rows expected = InputSite::ReferenceProposal();
  expected[0] = {"A1", "7",  "0", "7", "12", "35",  "35",
                 "30", "30", "O", "1", "0",  "2.5", "0"};
  EXPECT_EQ(s_.Proposal(), expected);
}

TEST_F(CodeInputTest, CodesOverFifteenCharactersStopTheRunNamingThem) {
  ExpectStop("article code of 16 characters", "",
             {kTooLong, "excede o tamanho 15 do campo 'Artigo'",
              "(artigo A123456789012345)"},
             {{"A1", "A123456789012345"}});
  ExpectStop("article code of 16 accented characters", "",
             {kTooLong, "excede o tamanho 15 do campo 'Artigo'"},
             {{"A1", "ÁÉÍÓÚÂÊÔÃÕÇÀÜÑÖÁ"}});
  ExpectStop("supplier code of 16 characters", "",
             {kTooLong, "excede o tamanho 15 do campo 'Fornec'", "(artigo A"},
             {{"F001", "F00000000000001X"}});
}

TEST_F(CodeInputTest, TextsOverTheirFieldSizesStopTheRunNamingThem) {
  const std::string x81(81, 'x');
  const struct {
    std::string label;
    std::string change;
    std::string field;
  } cases[] = {
      {"article name of 81 characters",
       "update ARTIGOS set NOME='" + x81 + "' where CODIGO='A1'",
       "80 do campo 'Nome'"},
      {"group of 7 characters",
       "update ARTIGOS set Grupo='GRUPO-7' where CODIGO='A1'",
       "6 do campo 'Grupo'"},
      {"family of 7 characters",
       "update ARTIGOS set Familia='FAMIL-7' where CODIGO='A1'",
       "6 do campo 'Familia'"},
      {"sub-family of 7 characters",
       "update ARTIGOS set SubFamil='SUBFA-7' where CODIGO='A1'",
       "6 do campo 'SubFamilia'"},
      {"base unit of 4 characters",
       "update ARTIGOS set UnBase='UNID' where CODIGO='A1'",
       "3 do campo 'UnBase'"},
      {"purchase unit of 4 characters",
       "update ARTIGOS set UnCmp='CAIX' where CODIGO='A2'",
       "3 do campo 'UnCmp'"},
      {"supplier name of 81 characters", "update Fornec set Nome='" + x81 + "'",
       "80 do campo 'NomeFornec'"},
  };
  for (const auto& c : cases) {
    ExpectStop(c.label, c.change,
               {kTooLong, "excede o tamanho " + c.field, "(artigo A"});
  }
}

TEST_F(CodeInputTest, TextsAtTheirFieldSizesAreWrittenWhole) {
  // Sizes count characters: 80 and 6 accented characters are twice as many
  // bytes.
  const std::string name = [] {
    std::string s;
    for (int i = 0; i < 40; ++i) s += "çã";
    return s;
  }();
  s_.erp().Exec(
      "update ARTIGOS set NOME='" + name +
      "', Grupo='ÇÃÕÉÍÚ', UnBase='ÚNI', UnCmp='ÚNI' where CODIGO='A1';"
      "update Fornec set Nome='" +
      name + "'");
  const Outcome r = s_.RunProgram("");
  ASSERT_EQ(r.exit_code, 0) << r.LastLog();
  EXPECT_EQ(s_.erp().Query("select Nome, Grupo, UnBase, NomeFornec from "
                           "zlx_VOR_Encomendas where Artigo='A1'"),
            (Rows{{name, "ÇÃÕÉÍÚ", "ÚNI", name}}));
}

}  // namespace
}  // namespace vor::input
