#include "testing/hostile_erp.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "core/quote.h"
#include "tools/erp_fixture.h"

namespace vor {

namespace {

constexpr const char* kArticles[] = {"A1", "B2", "C3", "D4", "P1", "S1"};
constexpr const char* kSuppliers[] = {"F1", "F2"};
constexpr const char* kStructures[] = {"E1", "E2", ""};

// The tables whose key and NOT NULL constraints are dropped.
constexpr const char* kLoosened[] = {"Fornec",
                                     "ARTIGOS",
                                     "CLART",
                                     "AJUDACMP",
                                     "zlx_VOR_Artigos",
                                     "zlx_FichaEstrutura",
                                     "zlx_VOR_OrdensFabrico"};

std::string Literal(const std::string& text) {
  return "'" + QuoteCode(text) + "'";
}

std::string Hex(const std::string& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : bytes) {
    const unsigned char c = static_cast<unsigned char>(ch);
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
  }
  return out;
}

// "(a, b, ...)": the elements of a braced list are evaluated in order.
std::string Values(std::initializer_list<std::string> values) {
  std::string out = "(";
  for (const std::string& v : values) {
    if (out.size() > 1) out += ", ";
    out += v;
  }
  return out + ")";
}

void RemoveAll(std::string& s, const std::string& what) {
  for (size_t at; (at = s.find(what)) != std::string::npos;) {
    s.erase(at, what.size());
  }
}

}  // namespace

HostileErp::HostileErp(uint32_t seed) : random_(seed) {}

HostileErp::HostileErp(std::string_view bytes) : bytes_(bytes) {
  uint32_t seed = 2166136261u;
  for (char c : bytes)
    seed = (seed ^ static_cast<unsigned char>(c)) * 16777619u;
  random_.seed(seed);
}

uint32_t HostileErp::Pick(uint32_t n) {
  if (n <= 1) return 0;
  if (used_ < bytes_.size()) {
    return static_cast<unsigned char>(bytes_[used_++]) % n;
  }
  return random_() % n;
}

std::string HostileErp::Code(const char* const* bases, size_t count) {
  const std::string base = bases[Pick(static_cast<uint32_t>(count))];
  const std::string head = base.substr(0, 1);
  const std::string tail = base.empty() ? "" : base.substr(1);
  if (!Chance(50)) return Literal(base);
  std::string lower = base;
  for (char& c : lower) c = static_cast<char>(std::tolower(c));
  switch (Pick(18)) {
    case 0:
    case 16:
    case 17:
      return "NULL";
    case 1:
      return Literal(lower);
    case 2:
      return Literal(base + " ");
    case 3:
      return Literal(" " + base);
    case 4:
      return Literal(base + "'");
    case 5:
      return Literal(head + "%" + tail);
    case 6:
      return Literal(head + "_");
    case 7:
      return Literal(base) + " || char(0) || 'x'";
    case 8:
      return "X'" + Hex(base) + "'";
    case 9:
      return "CAST(X'" + Hex(base) + "FF' AS TEXT)";
    case 10:
      return std::to_string(Pick(3) + 1);
    case 11:
      return Literal(base) + " || char(7)";
    case 12:
      return Literal(base + "\xC3\x89");
    case 13:
      return "''";
    case 14:
      return "'  '";
    default:
      return Literal(lower + " ");
  }
}

std::string HostileErp::Article() {
  return Code(kArticles, std::size(kArticles));
}

std::string HostileErp::Supplier() {
  return Code(kSuppliers, std::size(kSuppliers));
}

std::string HostileErp::Structure() {
  if (Chance(15)) return "NULL";
  return Code(kStructures, std::size(kStructures));
}

std::string HostileErp::Quantity(uint32_t null_percent) {
  if (Chance(null_percent)) return "NULL";
  static constexpr const char* kQuantities[] = {"0",  "1",  "2",   "3.5",
                                                "10", "-1", "0.25"};
  return kQuantities[Pick(std::size(kQuantities))];
}

void HostileErp::Loosen(ErpFixture& erp) {
  for (const char* table : kLoosened) {
    std::string create = erp.Scalar(
        "select sql from sqlite_master where type = 'table' and name = '" +
        std::string(table) + "'");
    RemoveAll(create, " NOT NULL");
    RemoveAll(create, " PRIMARY KEY");
    std::string script = "drop table " + std::string(table) + ";" + create;
    for (const auto& index :
         erp.Query("select sql from sqlite_master where type = 'index' and "
                   "tbl_name = '" +
                   std::string(table) + "' and sql is not null")) {
      script += ";" + index[0];
    }
    erp.Exec(script);
  }
}

void HostileErp::Write(const std::string& path) {
  ErpFixture erp = ErpFixture::CreateNew(path);
  Loosen(erp);
  // Every random choice is made in a sequence the language fixes (one
  // statement after another, the elements of a braced list in order), so a
  // seed or an input gives the same ERP whichever compiler built this.
  std::vector<std::string> sql;
  for (int i = 0, n = 1 + Pick(3); i < n; ++i) {
    sql.push_back("insert into Fornec (Codigo, Nome) values " +
                  Values({Supplier(), Chance(20) ? "NULL" : "'Fornecedor'"}));
  }
  // One aggregated list of some ERPs is longer than a batch.
  bool want_long_list = Chance(30);
  // Every base code once or twice (written another way), and a few more:
  // bought articles of the proposal, then product P1 and sub-assembly S1.
  for (size_t i = 0, n = std::size(kArticles) + Pick(6); i < n; ++i) {
    const size_t base =
        i < std::size(kArticles) ? i : Pick(std::size(kArticles));
    const std::string code = Code(&kArticles[base], 1);
    const bool product = kArticles[base][0] == 'P';
    const bool sub_assembly = kArticles[base][0] == 'S';
    const uint32_t tipo = product ? 7 : sub_assembly ? 9 : Pick(8) < 7 ? 0 : 8;
    sql.push_back(
        "insert into ARTIGOS (CODIGO, NOME, stdisp, StMin, Grupo, Familia, "
        "SubFamil, QtMinCom, DiasSkRs, PrzEntVn, Fornec, UnBase, UnCmp, "
        "FactEmb, UltPrCom, ArtouDes, Inactivo) values " +
        Values({code, Chance(10) ? "NULL" : "'Nome'", Quantity(1),
                Chance(85) ? std::to_string(1 + Pick(40)) : Quantity(1), "'G1'",
                Chance(10) ? "NULL" : "'F1'", "'S1'", Quantity(1),
                std::to_string(Pick(60)),
                Chance(10) ? "NULL" : std::to_string(Pick(30)),
                Chance(85) ? "'F1'" : Supplier(),
                Chance(80)   ? "'UN'"
                : Chance(50) ? "'CX'"
                             : "NULL",
                Chance(70) ? "'UN'" : "'CX'",
                Chance(80)   ? "1"
                : Chance(50) ? "6"
                             : "0.5",
                Chance(10) ? "NULL" : "2.5", "0", Chance(10) ? "-1" : "0"}));
    if (!Chance(10)) {
      sql.push_back(
          "insert into zlx_VOR_Artigos (Artigo, TipoArtigo, EstruturaBase) "
          "values " +
          Values({Chance(80) ? code : Article(),
                  tipo < 6   ? "1"
                  : tipo < 9 ? "0"
                             : "2",
                  Structure()}));
    }
    if (Chance(40)) {
      std::string list;
      const bool long_list = want_long_list;
      want_long_list = false;
      if (long_list) {
        // Longer than one batch of stock statements: pieces z0, z1, ...
        // whose articles are written Z0, Z1, ... (so the database must
        // match each), and base codes.
        sql.push_back(
            "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
            "WHERE i < 599) INSERT INTO ARTIGOS (CODIGO, stdisp, StMin) "
            "SELECT 'Z' || i, i, 0 FROM n");
        std::string pieces;
        for (int p = 0; p < 600; ++p) {
          if (p > 0) pieces += ";";
          pieces += Chance(95) ? "z" + std::to_string(p)
                               : kArticles[Pick(std::size(kArticles))];
        }
        list = Literal(pieces);
      }
      for (int p = 0, n = long_list ? 0 : 1 + Pick(5); p < n; ++p) {
        if (p > 0) list += " || ';' || ";
        const uint32_t kind = Pick(100);
        list += kind < 15   ? "''"
                : kind < 25 ? "'  '"
                            : "coalesce(" + Article() + ", '')";
      }
      sql.push_back(
          "insert into CLART (Codigo, CL10) values " +
          Values({Chance(80) ? code : Article(),
                  Chance(10) ? "NULL" : "coalesce(" + list + ", '')"}));
    }
  }
  // Rows without a code, and an empty code with a base structure, which
  // a null must never stand for.
  if (Chance(40)) {
    sql.push_back(
        "insert into ARTIGOS (CODIGO, stdisp, StMin) values (NULL, 50, 0)");
  }
  if (Chance(30)) {
    sql.push_back(
        "insert into zlx_VOR_Artigos (Artigo, TipoArtigo, EstruturaBase) "
        "values " +
        Values({"''", "2", Structure()}));
  }
  for (int i = 0, n = Pick(8); i < n; ++i) {
    sql.push_back(
        "insert into AJUDACMP (ARTIGO, FORNECED, PRPROX, DESCPROX) values " +
        Values({Article(), Supplier(), Quantity(), Quantity()}));
  }
  // Supplier (TPTERC 1) and customer (TPTERC 2) orders.
  for (int doc = 1, n = 1 + Pick(6); doc <= n; ++doc) {
    const std::string key = std::to_string(doc) + ", 'ENC', 1, 2025";
    const std::string tpterc = Chance(50) ? "1" : "2";
    const std::string month = std::to_string(1 + Pick(5));
    const std::string day = std::to_string(10 + Pick(10));
    sql.push_back(
        "insert into DOCGCCAB (NNUMDOC, TPDOC, SERIE, ANO, AREAG, TPTERC, "
        "DATA, nvias, [convert]) values " +
        Values({key, "2", tpterc, "'2025-0" + month + "-" + day + "'",
                Chance(10) ? "-1" : "1", "0"}));
    for (int line = 1, lines = 1 + Pick(4); line <= lines; ++line) {
      sql.push_back(
          "insert into DOCGCLIN (NNUMDOC, TPDOCUM, SERIE, ANO, NLINHA, "
          "ARTIGO, QUANT) values " +
          Values({key, std::to_string(line),
                  Chance(50) ? Code(&kArticles[4], 2) : Article(),
                  Quantity()}));
    }
  }
  // Structures of P1, S1 and others: article lines and sub-assembly (CJ)
  // lines, now and then a sub-assembly that contains its own product.
  for (int i = 0, n = 2 + Pick(14); i < n; ++i) {
    const char* tipo = Chance(70) ? "'AT'" : Chance(80) ? "'CJ'" : "'cj'";
    const uint32_t owner = Pick(100);
    const std::string produto = owner < 55   ? Code(&kArticles[4], 1)
                                : owner < 85 ? Code(&kArticles[5], 1)
                                             : Article();
    const std::string codigo = std::string(tipo) == "'AT'"
                                   ? Article()
                                   : Code(&kArticles[Chance(85) ? 5 : 4], 1);
    sql.push_back(
        "insert into zlx_FichaEstrutura (PRODUTO, FichaEstrutura, CODIGO, "
        "Tipo, Quantidade) values " +
        Values({produto, Structure(), codigo, tipo,
                Chance(5) ? "NULL" : std::to_string(1 + Pick(3))}));
  }
  for (int i = 0, n = Pick(4); i < n; ++i) {
    sql.push_back(
        "insert into zlx_VOR_OrdensFabrico (NumOF, Artigo, FichaEstrutura, "
        "Qtd, QtdEntregue, estado) values " +
        Values({std::to_string(i + 1), Chance(70) ? "'P1'" : Article(),
                Structure(), Quantity(), Quantity(), std::to_string(Pick(4))}));
  }
  for (const std::string& statement : sql) erp.Exec(statement);
}

}  // namespace vor
