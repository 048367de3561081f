#include "tools/demo_erp_generator.h"

#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

#include "core/text_util.h"
#include "tools/demo_random.h"
#include "tools/erp_database.h"
#include "tools/sqlite_session.h"

namespace vor {

namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

// Quantities and prices are generated as whole ten-thousandths, so every
// value has at most four decimals and is the same on every machine.
using Ticks = std::int64_t;
constexpr Ticks kUnit = 10000;

QVariant Dec(Ticks ticks) {
  if (ticks % kUnit == 0)
    return QVariant(static_cast<qlonglong>(ticks / kUnit));
  return QVariant(static_cast<double>(ticks) / kUnit);
}

QVariant Dec(std::optional<Ticks> ticks) {
  return ticks ? Dec(*ticks) : QVariant();
}

QVariant Text(const std::string& text) {
  return QVariant(QString::fromStdString(text));
}

QVariant Text(const std::optional<std::string>& text) {
  return text ? Text(*text) : QVariant();
}

QVariant Int(long long n) { return QVariant(static_cast<qlonglong>(n)); }

// printf-style formatting of long long numbers. Callers draw random numbers
// in separate statements first: the order in which function arguments are
// evaluated is unspecified, and the output must not depend on the compiler.
template <typename... Numbers>
std::string Format(const char* pattern, Numbers... numbers) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, pattern,
                static_cast<long long>(numbers)...);
  return buffer;
}

std::string Code(const char* prefix, long long number, int digits) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%s%0*lld", prefix, digits, number);
  return buffer;
}

std::string IsoDate(sys_days day) {
  const year_month_day ymd{day};
  char buffer[16];
  std::snprintf(
      buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
      static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return buffer;
}

// Characters (UTF-8 code points) of a text.
std::size_t Characters(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

// A kind of bought article: the name pattern (up to two %lld), the random
// ranges of its numbers, the base unit and the purchase units it is packed
// in (unit, base units per purchase unit).
struct Stem {
  const char* pattern;
  int a_lo, a_hi, b_lo, b_hi;
  const char* unit;
  std::vector<std::pair<const char*, int>> packs;
};

struct Group {
  const char* code;
  std::vector<Stem> stems;
};

const std::vector<Group>& BoughtGroups() {
  static const std::vector<Group> groups = {
      {"G01",
       {{"Parafuso sextavado M%lld x %lld zincado",
         4,
         16,
         10,
         120,
         "UN",
         {{"CX", 100}, {"CX", 200}, {"CX", 50}}},
        {"Parafuso Allen M%lld x %lld inox",
         3,
         12,
         8,
         80,
         "UN",
         {{"CX", 100}, {"CX", 50}}},
        {"Porca sextavada autoblocante M%lld",
         3,
         20,
         0,
         0,
         "UN",
         {{"CX", 500}, {"CX", 100}}},
        {"Anilha lisa M%lld", 3, 24, 0, 0, "UN", {{"CX", 1000}, {"SC", 500}}},
        {"Rebite cego %lld x %lld alumínio",
         3,
         6,
         6,
         20,
         "UN",
         {{"CX", 500}}}}},
      {"G02",
       {{"Cabo flexível %lldx%lld mm²",
         2,
         5,
         1,
         6,
         "MT",
         {{"RL", 100}, {"RL", 50}}},
        {"Terminal olhal M%lld", 4, 12, 0, 0, "UN", {{"CX", 100}}},
        {"Disjuntor %lldA curva C", 6, 63, 0, 0, "UN", {{"CX", 12}}},
        {"Contactor %lldA bobina 24V", 9, 40, 0, 0, "UN", {{"CX", 10}}},
        {"Bucim PG%lld", 7, 29, 0, 0, "UN", {{"CX", 50}, {"CX", 25}}}}},
      {"G03",
       {{"Chapa aço DC01 %lld mm", 1, 6, 0, 0, "KG", {{"PC", 250}}},
        {"Tubo quadrado %lldx%lld mm", 20, 60, 1, 3, "MT", {{"BR", 6}}},
        {"Perfil alumínio %lldx%lld mm",
         20,
         80,
         20,
         40,
         "MT",
         {{"BR", 6}, {"BR", 3}}},
        {"Varão roscado M%lld", 6, 20, 0, 0, "UN", {{"MOL", 10}}},
        {"Cantoneira aço %lldx%lld mm", 20, 50, 2, 5, "MT", {{"BR", 6}}}}},
      {"G04",
       {{"Tinta epóxi RAL %lld",
         1000,
         9010,
         0,
         0,
         "KG",
         {{"LAT", 20}, {"LAT", 5}}},
        {"Diluente celuloso ref. %lld",
         1,
         9,
         0,
         0,
         "LT",
         {{"BD", 25}, {"BD", 5}}},
        {"Cola de contacto ref. %lld", 1, 9, 0, 0, "KG", {{"LAT", 5}}},
        {"Massa lubrificante EP%lld", 0, 3, 0, 0, "KG", {{"BLD", 18}}},
        {"Desengordurante industrial %lld", 1, 5, 0, 0, "LT", {{"BD", 20}}}}},
      {"G05",
       {{"Caixa cartão %lldx%lld mm",
         200,
         800,
         150,
         600,
         "UN",
         {{"FD", 25}, {"PAL", 400}}},
        {"Filme estirável %lld mm", 450, 500, 0, 0, "RL", {{"CX", 6}}},
        {"Fita adesiva %lld mm castanha", 25, 75, 0, 0, "UN", {{"CX", 36}}},
        {"Palete madeira %lldx%lld", 800, 1200, 800, 1200, "UN", {{"LOT", 20}}},
        {"Cantoneira cartão %lld mm", 30, 60, 0, 0, "UN", {{"FD", 100}}}}},
      {"G06",
       {{"Rolamento 62%02lld 2RS", 0, 12, 0, 0, "UN", {{"CX", 10}}},
        {"Rodízio giratório %lld mm com travão",
         50,
         200,
         0,
         0,
         "UN",
         {{"CX", 4}, {"CX", 8}}},
        {"Mola de tração %lld mm", 10, 120, 0, 0, "UN", {{"SC", 50}}},
        {"Dobradiça de embutir %lld mm", 26, 40, 0, 0, "UN", {{"CX", 20}}},
        {"Fechadura com chave nº %lld", 1, 99, 0, 0, "UN", {{"CX", 12}}},
        {"Puxador em arco %lld mm", 96, 320, 0, 0, "UN", {{"CX", 24}}}}},
  };
  return groups;
}

const std::vector<const char*> kProductPatterns = {
    "Armário metálico %lld portas",        "Bancada de trabalho %lld mm",
    "Estante industrial %lld prateleiras", "Carro de ferramentas %lld gavetas",
    "Cacifo vestiário %lld portas",        "Mesa de embalagem %lld mm",
    "Expositor de parede %lld mm",         "Quadro de comando %lld saídas",
};

const std::vector<const char*> kSubAssemblyPatterns = {
    "Porta montada %lld mm",     "Estrutura soldada %lld mm",
    "Gaveta completa %lld mm",   "Base com rodízios %lld mm",
    "Painel lateral %lld mm",    "Cablagem de comando %lld vias",
    "Tampo com reforço %lld mm",
};

const std::vector<const char*> kSupplierNames = {
    "Ferragens", "Metalúrgica",          "Distribuidora Elétrica",
    "Tintas",    "Embalagens",           "Rolamentos e Transmissões",
    "Aços",      "Comercial Industrial",
};
const std::vector<const char*> kPlaces = {
    "Aveiro", "Braga",   "Leiria",    "Porto",    "Setúbal",
    "Viseu",  "Coimbra", "Guimarães", "Santarém", "Évora",
};
const std::vector<const char*> kSurnames = {
    "Almeida", "Barros",    "Carvalho", "Duarte",   "Esteves",  "Faria",
    "Gomes",   "Henriques", "Lopes",    "Machado",  "Nogueira", "Pires",
    "Queirós", "Ramos",     "Sousa",    "Teixeira", "Vieira",
};

struct BoughtArticle {
  std::string code;
  std::string unbase;
  std::optional<std::string> uncmp;
  Ticks factemb = kUnit;
  Ticks price = 0;  // per base unit
  Ticks stmin = 0;
  int prazo = 0;  // lead time, days
  std::optional<std::string> fornec;
  bool fractional = false;  // sold by weight, length or volume
};

struct Structure {
  std::string code;  // V01, V02
  struct Line {
    std::string codigo;
    const char* tipo;
    Ticks quantidade;
  };
  std::vector<Line> lines;
};

struct MadeArticle {
  std::string code;
  int tipo = 0;
  std::optional<std::string> estrutura_base;
  std::vector<Structure> structures;
};

struct DocLine {
  std::optional<std::string> artigo;
  std::string descricao;
  std::optional<Ticks> quant;
  Ticks preco = 0;
};

struct Document {
  std::string tpdoc;
  int serie = 1;
  int areag = 2;
  int tpterc = 2;
  sys_days day;
  std::string data;
  int nvias = 1;
  int convert = 0;
  std::string terceiro;
  std::vector<DocLine> lines;
};

class Generator {
 public:
  Generator(SqliteSession& session, int articles, std::uint32_t seed,
            sys_days today)
      : session_(session),
        n_(articles),
        seed_(seed),
        rng_(seed),
        today_(today) {}

  DemoErpSummary Run() {
    MakeSuppliers();
    MakeBoughtArticles();
    MakeMadeArticles();
    MakeClassifications();
    MakePrices();
    MakeStructures();
    MakeDocuments();
    MakeProductionOrders();
    MakeSupplierTerms();
    return summary_;
  }

 private:
  // ---- helpers ---------------------------------------------------------

  std::string RandomDate(int max_days_back, bool with_time) {
    const sys_days day = today_ - days(rng_.Between(0, max_days_back));
    std::string text = IsoDate(day);
    if (with_time) {
      const auto hour = rng_.Between(8, 18);
      const auto minute = rng_.Between(0, 59);
      const auto second = rng_.Between(0, 59);
      text += Format(" %02lld:%02lld:%02lld", hour, minute, second);
    }
    return text;
  }

  static void CheckName(const std::string& name) {
    if (Characters(name) > 80) {
      throw std::logic_error("nome gerado com mais de 80 caracteres: " + name);
    }
  }

  // ---- suppliers -------------------------------------------------------

  void MakeSuppliers() {
    const int count = std::max(3, n_ / 40);
    QSqlQuery q = session_.Prepare(
        "INSERT INTO Fornec (Codigo, Nome, NContrib, Localidade) "
        "VALUES (?, ?, ?, ?)");
    for (int i = 1; i <= count; ++i) {
      const std::string code = Code("F", i, 4);
      suppliers_.push_back(code);
      const std::string kind = rng_.Pick(kSupplierNames);
      const std::string first = rng_.Pick(kSurnames);
      const std::string second = rng_.Pick(kSurnames);
      const std::string name = kind + " " + first + " & " + second + ", Lda";
      CheckName(name);
      q.bindValue(0, Text(code));
      q.bindValue(1, Text(name));
      q.bindValue(2, Text(Format("5%08lld", rng_.Between(0, 99999999))));
      q.bindValue(3, Text(std::string(rng_.Pick(kPlaces))));
      session_.Run(q);
      ++summary_.fornec;
    }
    // Supplier codes that articles carry but that have no Fornec row.
    for (int i = 1; i <= 3; ++i) unknown_suppliers_.push_back(Code("F9", i, 3));
  }

  // What most suppliers ask of an order: minimum values from small to
  // large, so that some baskets fall below them and some below their
  // free-freight threshold. Drawn from a sequence of their own, after
  // everything else, so the rest of the ERP is as without them.
  void MakeSupplierTerms() {
    DemoRandom rng(static_cast<std::uint64_t>(seed_) ^ 0x7e2a5c31u);
    static const std::vector<long long> kMinimums = {
        100, 250, 500, 1000, 2500, 5000, 10000, 25000, 50000};
    QSqlQuery q = session_.Prepare(
        "INSERT INTO zlx_VOR_Fornecedores (Fornecedor, ValorMinimo, "
        "PortesGratis, Email, Nota) VALUES (?, ?, ?, ?, ?)");
    for (const std::string& code : suppliers_) {
      if (rng.PerMille(150)) continue;  // no terms known
      const long long minimum = rng.Pick(kMinimums);
      const int r = static_cast<int>(rng.Below(10));
      // 1 in 10 only a free-freight threshold, 2 in 10 only a minimum.
      q.bindValue(0, Text(code));
      q.bindValue(
          1, r == 0 ? QVariant() : QVariant(static_cast<qlonglong>(minimum)));
      q.bindValue(2, r == 1 || r == 2 ? QVariant()
                                      : QVariant(static_cast<qlonglong>(
                                            minimum * rng.Between(2, 4))));
      std::string lower = code;
      for (char& c : lower) c = static_cast<char>(std::tolower(c));
      q.bindValue(3, Text("encomendas." + lower + "@exemplo.pt"));
      q.bindValue(
          4, rng.PerMille(200)
                 ? Text(std::string("Encomendas até quinta-feira para entrega "
                                    "na semana seguinte"))
                 : QVariant());
      session_.Run(q);
    }
  }

  // ---- bought articles -------------------------------------------------

  void PickUnits(const Stem& stem, BoughtArticle& a) {
    a.unbase = stem.unit;
    const auto& pack =
        stem.packs[static_cast<std::size_t>(rng_.Below(stem.packs.size()))];
    const int r = static_cast<int>(rng_.Below(1000));
    if (r < 540) {  // same unit
      a.uncmp = a.unbase;
      a.factemb = rng_.PerMille(30) ? 0 : rng_.PerMille(30) ? 6 * kUnit : kUnit;
    } else if (r < 620) {  // same unit but for letter case: un / UN
      std::string other =
          rng_.PerMille(500)
              ? FoldAsciiCase(a.unbase)
              : a.unbase.substr(0, 1) + FoldAsciiCase(a.unbase.substr(1));
      if (rng_.PerMille(500)) {
        a.uncmp = a.unbase;
        a.unbase = other;
      } else {
        a.uncmp = other;
      }
      a.factemb = kUnit;
    } else if (r < 960) {  // packed: UN / CX with FactEmb 12
      a.uncmp = pack.first;
      a.factemb = pack.second * kUnit;
    } else if (r < 985) {  // packed, packing factor never filled in
      a.uncmp = pack.first;
      a.factemb = 0;
    } else if (r < 993) {  // purchase unit without value
      a.uncmp = std::nullopt;
      a.factemb = kUnit;
    } else {
      a.uncmp = std::string();
      a.factemb = kUnit;
    }
  }

  void MakeBoughtArticles() {
    QSqlQuery q = session_.Prepare(
        "INSERT INTO ARTIGOS (CODIGO, NOME, stdisp, StMin, Grupo, Familia, "
        "SubFamil, QtMinCom, DiasSkRs, PrzEntVn, Fornec, UnBase, UnCmp, "
        "FactEmb, UltPrCom, ArtouDes, Inactivo, PVP1, DataCria) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    QSqlQuery ext = session_.Prepare(
        "INSERT INTO zlx_VOR_Artigos (Artigo, TipoArtigo, EstruturaBase) "
        "VALUES (?, ?, ?)");
    const auto& groups = BoughtGroups();
    for (int i = 1; i <= n_; ++i) {
      // One article carries a quote in its code: SQL texts must double it.
      const bool quoted = i == 11;
      BoughtArticle a;
      a.code = quoted ? "ANILHA'M8" : Code("MP", i, 6);
      std::size_t g = static_cast<std::size_t>(rng_.Below(groups.size()));
      std::size_t s =
          static_cast<std::size_t>(rng_.Below(groups[g].stems.size()));
      if (quoted) g = 0, s = 3;  // the washers
      const Stem& stem = groups[g].stems[s];
      const auto size_a = rng_.Between(stem.a_lo, stem.a_hi);
      const auto size_b = rng_.Between(stem.b_lo, stem.b_hi);
      const std::string name = quoted ? "Anilha de pressão M8 (ref. D'Ouro)"
                                      : Format(stem.pattern, size_a, size_b);
      CheckName(name);
      PickUnits(stem, a);
      a.fractional = !EqualsIgnoringCase(a.unbase, "UN") &&
                     !EqualsIgnoringCase(a.unbase, "RL");

      // Minimum stock, stock around it, minimum purchase quantity.
      Ticks stmin = 0;
      if (!rng_.PerMille(80) || quoted) {
        stmin = a.fractional ? rng_.Between(10, 400) * kUnit / 2
                             : rng_.Between(1, 50) * 10 * kUnit;
        if (!a.fractional && rng_.PerMille(200))
          stmin = rng_.Between(1, 9) * kUnit;
      }
      Ticks stdisp;
      if (rng_.PerMille(30)) {
        stdisp = -rng_.Between(1, 20) * kUnit;  // issued before received
      } else if (stmin == 0) {
        stdisp = rng_.Between(0, 100) * kUnit;
      } else {
        stdisp = stmin * rng_.Between(0, 250) / 100;
        stdisp = a.fractional ? stdisp + rng_.Between(0, 9999)
                              : stdisp / kUnit * kUnit;
      }
      a.stmin = stmin;
      Ticks qtmincom = 0;
      if (!rng_.PerMille(300)) {
        qtmincom =
            a.uncmp && !EqualsIgnoringCase(*a.uncmp, a.unbase) && a.factemb > 0
                ? a.factemb * rng_.Between(1, 4)
                : static_cast<Ticks>(
                      rng_.Pick(std::vector<int>{5, 10, 20, 25, 50, 100})) *
                      kUnit;
      }
      const int dias =
          rng_.PerMille(50)
              ? 0
              : rng_.Pick(std::vector<int>{7, 10, 15, 20, 30, 45, 60, 90});
      const int prazo =
          rng_.Pick(std::vector<int>{1, 2, 3, 5, 7, 10, 15, 21, 30, 45, 60});
      a.prazo = prazo;

      // Supplier: mostly a known one; some empty, null or unknown.
      const int f = static_cast<int>(rng_.Below(1000));
      if (quoted || f >= 55) {
        a.fornec = rng_.Pick(suppliers_);
      } else if (f < 30) {
        a.fornec = std::string();
      } else if (f < 40) {
        a.fornec = std::nullopt;
      } else {
        a.fornec = rng_.Pick(unknown_suppliers_);
      }
      if (rng_.PerMille(30)) {
        a.price = 0;
      } else {
        a.price = rng_.Between(10, 9999);
        a.price *= rng_.Pick(std::vector<Ticks>{1, 10, 100});
      }
      const int artoudes = !quoted && rng_.PerMille(10) ? 1 : 0;
      const int inactivo = !quoted && rng_.PerMille(30) ? -1 : 0;
      const std::string familia = Format("FA%02lld%02lld", g + 1, s + 1);
      const auto branch = rng_.Between(1, 3);
      const std::string subfamil =
          Format("S%02lld%02lld%lld", g + 1, s + 1, branch);

      int c = 0;
      q.bindValue(c++, Text(a.code));
      q.bindValue(c++, Text(name));
      q.bindValue(c++, Dec(stdisp));
      q.bindValue(c++, Dec(stmin));
      q.bindValue(c++, Text(std::string(groups[g].code)));
      q.bindValue(c++, Text(familia));
      q.bindValue(c++, Text(subfamil));
      q.bindValue(c++, Dec(qtmincom));
      q.bindValue(c++, Int(dias));
      q.bindValue(c++, Int(prazo));
      q.bindValue(c++, Text(a.fornec));
      q.bindValue(c++, Text(a.unbase));
      q.bindValue(c++, Text(a.uncmp));
      q.bindValue(c++, Dec(a.factemb));
      q.bindValue(c++, Dec(a.price));
      q.bindValue(c++, Int(artoudes));
      q.bindValue(c++, Int(inactivo));
      q.bindValue(c++, Dec(a.price * 135 / 100));
      q.bindValue(c++, Text(RandomDate(1800, false)));
      session_.Run(q);
      ++summary_.artigos;

      // A few bought articles were never given their extension row.
      if (quoted || !rng_.PerMille(10)) {
        ext.bindValue(0, Text(a.code));
        ext.bindValue(1, Int(1));
        ext.bindValue(2, QVariant());
        session_.Run(ext);
        ++summary_.vor_artigos;
      }
      if (a.fornec && !a.fornec->empty()) {
        by_supplier_[*a.fornec].push_back(bought_.size());
      }
      bought_.push_back(std::move(a));
    }
  }

  // ---- products and sub-assemblies ---------------------------------------

  void MakeMadeArticles() {
    const int products = std::max(1, n_ / 10);
    const int assemblies = std::max(1, n_ / 20);
    // Sub-assemblies of the upper half may hold those of the lower half;
    // those of the lower half hold bought articles only. Products hold
    // both. Lines point downwards only, so no structure contains itself.
    upper_assemblies_ = assemblies >= 2 ? assemblies / 2 : 0;
    for (int i = 1; i <= assemblies; ++i) {
      MadeArticle m;
      m.code = Code("CJ", i, 5);
      m.tipo = 2;
      assemblies_.push_back(std::move(m));
    }
    for (int i = 1; i <= products; ++i) {
      MadeArticle m;
      m.code = Code("PA", i, 5);
      m.tipo = rng_.PerMille(200) ? 2 : 0;
      products_.push_back(std::move(m));
    }
    QSqlQuery q = session_.Prepare(
        "INSERT INTO ARTIGOS (CODIGO, NOME, stdisp, StMin, Grupo, Familia, "
        "SubFamil, QtMinCom, DiasSkRs, PrzEntVn, Fornec, UnBase, UnCmp, "
        "FactEmb, UltPrCom, ArtouDes, Inactivo, PVP1, DataCria) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    auto write = [&](const MadeArticle& m, const char* pattern,
                     const char* group, long long number) {
      const std::string name = Format(pattern, number);
      CheckName(name);
      const Ticks price = rng_.Between(50, 2500) * kUnit;
      int c = 0;
      q.bindValue(c++, Text(m.code));
      q.bindValue(c++, Text(name));
      q.bindValue(c++, Dec(rng_.Between(0, 30) * kUnit));
      q.bindValue(c++,
                  Dec(rng_.PerMille(700) ? 0 : rng_.Between(1, 10) * kUnit));
      q.bindValue(c++, Text(std::string(group)));
      q.bindValue(c++, Text(std::string(group) + "01"));
      q.bindValue(c++, Text(std::string(group) + "0101"));
      q.bindValue(c++, Dec(Ticks{0}));
      q.bindValue(c++, Int(30));
      q.bindValue(c++, Int(rng_.Between(5, 20)));
      // Made in-house; a few are also bought from a subcontractor.
      q.bindValue(c++, Text(rng_.PerMille(100) ? rng_.Pick(suppliers_)
                                               : std::string()));
      q.bindValue(c++, Text(std::string("UN")));
      q.bindValue(c++, Text(std::string("UN")));
      q.bindValue(c++, Dec(kUnit));
      q.bindValue(c++, Dec(price * 6 / 10));
      q.bindValue(c++, Int(0));
      q.bindValue(c++, Int(rng_.PerMille(20) ? -1 : 0));
      q.bindValue(c++, Dec(price));
      q.bindValue(c++, Text(RandomDate(1800, false)));
      session_.Run(q);
      ++summary_.artigos;
    };
    for (const MadeArticle& m : assemblies_) {
      const char* pattern = rng_.Pick(kSubAssemblyPatterns);
      const auto size = rng_.Between(3, 24) * 50;
      write(m, pattern, "SC", size);
    }
    for (const MadeArticle& m : products_) {
      const char* pattern = rng_.Pick(kProductPatterns);
      auto size = rng_.Between(2, 8);
      if (rng_.PerMille(500)) size *= 250;
      write(m, pattern, "PA", size);
    }
  }

  // ---- classification rows and aggregated articles ------------------------

  void MakeClassifications() {
    QSqlQuery q = session_.Prepare(
        "INSERT INTO CLART (Codigo, CL01, CL10) VALUES (?, ?, ?)");
    for (const BoughtArticle& a : bought_) {
      if (rng_.PerMille(300)) continue;
      std::optional<std::string> cl10;
      if (rng_.PerMille(100)) {
        std::string list;
        const int k = static_cast<int>(rng_.Between(1, 3));
        for (int j = 0; j < k; ++j) {
          std::string code = rng_.Pick(bought_).code;
          const int r = static_cast<int>(rng_.Below(1000));
          if (r < 100) {
            code = Code("XX", rng_.Between(1, 999999), 6);  // no such article
          } else if (r < 200) {
            code = FoldAsciiCase(code);
          } else if (r < 230) {
            code = " " + code;
          }
          if (j > 0) list += ";";
          list += code;
        }
        if (rng_.PerMille(250)) list += ";";
        cl10 = list;
      } else if (rng_.PerMille(600)) {
        cl10 = std::string();
      }
      q.bindValue(0, Text(a.code));
      q.bindValue(
          1, Text(Format("Ref. fornecedor R-%05lld", rng_.Between(1, 99999))));
      q.bindValue(2, Text(cl10));
      session_.Run(q);
      ++summary_.clart;
    }
  }

  // ---- supplier prices --------------------------------------------------

  void MakePrices() {
    QSqlQuery q = session_.Prepare(
        "INSERT INTO AJUDACMP (ARTIGO, FORNECED, PRPROX, DESCPROX, PRULT, "
        "DATAULT) VALUES (?, ?, ?, ?, ?, ?)");
    auto write = [&](const std::string& artigo, const std::string& fornec,
                     std::optional<Ticks> prprox, std::optional<Ticks> desc) {
      q.bindValue(0, Text(artigo));
      q.bindValue(1, Text(fornec));
      q.bindValue(2, Dec(prprox));
      q.bindValue(3, Dec(desc));
      q.bindValue(
          4, Dec(prprox ? *prprox * 97 / 100 : rng_.Between(1, 999) * kUnit));
      q.bindValue(5, Text(RandomDate(365, false)));
      session_.Run(q);
      ++summary_.ajudacmp;
    };
    for (const BoughtArticle& a : bought_) {
      const bool has_supplier = a.fornec && !a.fornec->empty();
      const bool units_differ =
          a.uncmp && !EqualsIgnoringCase(*a.uncmp, a.unbase);
      if (has_supplier &&
          (units_differ ? !rng_.PerMille(150) : rng_.PerMille(100))) {
        // Price per purchase unit: the base price times the packing factor,
        // give or take a few per cent.
        std::optional<Ticks> prprox;
        if (!rng_.PerMille(40)) {
          const Ticks per_pack = a.factemb > 0 ? a.price * (a.factemb / kUnit)
                                               : a.price * rng_.Between(10, 50);
          prprox = per_pack * rng_.Between(95, 105) / 100;
        }
        std::optional<Ticks> desc;
        const int r = static_cast<int>(rng_.Below(1000));
        if (r < 550) {
          desc = 0;
        } else if (r < 900) {
          desc = rng_.Pick(
              std::vector<Ticks>{20000, 25000, 50000, 100000, 150000});
        }
        write(a.code, *a.fornec, prprox, desc);
      }
      // Conditions of another supplier, which the proposal does not use.
      if (rng_.PerMille(200)) {
        const std::string& other = rng_.Pick(suppliers_);
        if (!a.fornec || other != *a.fornec) {
          write(a.code, other, a.price * rng_.Between(90, 130) / 100 + 1,
                Ticks{0});
        }
      }
    }
  }

  // ---- bills of materials -------------------------------------------------

  Ticks ComponentQuantity(const BoughtArticle& a) {
    if (a.fractional) {
      return rng_.Pick(std::vector<Ticks>{2500, 5000, 15000, 25000, 1250, 7500,
                                          3500, 12000, 36000});
    }
    return rng_.Pick(std::vector<Ticks>{1, 1, 1, 2, 2, 3, 4, 6, 8, 12, 16}) *
           kUnit;
  }

  Ticks AssemblyQuantity() {
    return rng_.Pick(std::vector<Ticks>{10000, 10000, 10000, 20000, 40000, 5000,
                                        15000, 2500});
  }

  // The lines of a first structure: `at` article lines and up to
  // `max_cj` sub-assembly lines taken from assemblies [cj_from, cj_to).
  Structure FirstStructure(int at, int max_cj, std::size_t cj_from,
                           std::size_t cj_to) {
    Structure s;
    s.code = "V01";
    for (int i = 0; i < at; ++i) {
      const BoughtArticle& a = rng_.Pick(bought_);
      s.lines.push_back({a.code, "AT", ComponentQuantity(a)});
    }
    if (cj_from < cj_to && max_cj > 0) {
      const int cj = static_cast<int>(rng_.Between(1, max_cj));
      for (int i = 0; i < cj; ++i) {
        const std::size_t k =
            cj_from + static_cast<std::size_t>(rng_.Below(cj_to - cj_from));
        s.lines.push_back({assemblies_[k].code, "CJ", AssemblyQuantity()});
      }
    }
    // Now and then one article stands on two lines of the same structure.
    if (rng_.PerMille(40) && !s.lines.empty() &&
        std::string(s.lines[0].tipo) == "AT") {
      s.lines.push_back({s.lines[0].codigo, "AT", s.lines[0].quantidade * 2});
    }
    return s;
  }

  // An alternative structure: the first one with one line changed.
  Structure SecondStructure(const Structure& first) {
    Structure s = first;
    s.code = "V02";
    const std::size_t k = static_cast<std::size_t>(rng_.Below(s.lines.size()));
    if (std::string(s.lines[k].tipo) == "AT" && rng_.PerMille(500)) {
      const BoughtArticle& a = rng_.Pick(bought_);
      s.lines[k] = {a.code, "AT", ComponentQuantity(a)};
    } else {
      s.lines[k].quantidade *= 2;
    }
    return s;
  }

  void Shape(MadeArticle& m, int at_lo, int at_hi, int cj_per_mille, int max_cj,
             std::size_t cj_from, std::size_t cj_to, int second_per_mille) {
    const int at = static_cast<int>(rng_.Between(at_lo, at_hi));
    const bool with_cj = rng_.PerMille(cj_per_mille);
    m.structures.push_back(
        FirstStructure(at, with_cj ? max_cj : 0, cj_from, cj_to));
    if (rng_.PerMille(second_per_mille)) {
      m.structures.push_back(SecondStructure(m.structures[0]));
    }
  }

  void MakeStructures() {
    const std::size_t total = assemblies_.size();
    const std::size_t upper = static_cast<std::size_t>(upper_assemblies_);
    for (std::size_t i = 0; i < total; ++i) {
      MadeArticle& m = assemblies_[i];
      if (i < upper) {
        Shape(m, 2, 6, 600, 2, upper, total, 150);
      } else {
        Shape(m, 2, 6, 0, 0, 0, 0, 150);
      }
      // Mostly the first structure; some name the second, and some a
      // structure without lines (the explosion then takes the smallest code).
      const int r = static_cast<int>(rng_.Below(1000));
      if (r < 100) {
        m.estrutura_base = "V09";
      } else if (r < 350 && m.structures.size() > 1) {
        m.estrutura_base = "V02";
      } else {
        m.estrutura_base = "V01";
      }
    }
    for (MadeArticle& m : products_) {
      Shape(m, 3, 8, 700, 3, 0, total, 300);
      const int r = static_cast<int>(rng_.Below(1000));
      if (r < 20) {
        m.estrutura_base = std::nullopt;
      } else if (r < 270 && m.structures.size() > 1) {
        m.estrutura_base = "V02";
      } else {
        m.estrutura_base = "V01";
      }
    }

    QSqlQuery ext = session_.Prepare(
        "INSERT INTO zlx_VOR_Artigos (Artigo, TipoArtigo, EstruturaBase) "
        "VALUES (?, ?, ?)");
    QSqlQuery line = session_.Prepare(
        "INSERT INTO zlx_FichaEstrutura (PRODUTO, FichaEstrutura, CODIGO, "
        "Tipo, Quantidade) VALUES (?, ?, ?, ?, ?)");
    for (const auto* list : {&assemblies_, &products_}) {
      for (const MadeArticle& m : *list) {
        ext.bindValue(0, Text(m.code));
        ext.bindValue(1, Int(m.tipo));
        ext.bindValue(2, Text(m.estrutura_base));
        session_.Run(ext);
        ++summary_.vor_artigos;
        for (const Structure& s : m.structures) {
          for (const Structure::Line& l : s.lines) {
            line.bindValue(0, Text(m.code));
            line.bindValue(1, Text(s.code));
            line.bindValue(2, Text(l.codigo));
            line.bindValue(3, Text(std::string(l.tipo)));
            line.bindValue(4, Dec(l.quantidade));
            session_.Run(line);
            ++summary_.ficha_estrutura;
          }
        }
      }
    }
  }

  // ---- documents --------------------------------------------------------

  Document NewDocument(const char* tpdoc, int areag, int tpterc) {
    Document d;
    d.tpdoc = tpdoc;
    d.areag = areag;
    d.tpterc = tpterc;
    d.day = today_ - days(rng_.Between(0, 364));
    d.data = IsoDate(d.day);
    if (rng_.PerMille(300)) {
      const auto hour = rng_.Between(8, 18);
      const auto minute = rng_.Between(0, 59);
      d.data += Format(" %02lld:%02lld:00", hour, minute);
    }
    const int s = static_cast<int>(rng_.Below(1000));
    d.serie = s < 30 ? 0 : s < 150 ? 2 : 1;
    d.nvias = rng_.PerMille(40) ? -1 : static_cast<int>(rng_.Between(0, 2));
    return d;
  }

  // `d` dated `day`, keeping the time of day it may have.
  static void ReDate(Document& d, sys_days day) {
    d.day = day;
    d.data = IsoDate(day) + d.data.substr(10);
  }

  // An order line quantity of a bought article, about `lo` to `hi` per cent
  // of its minimum stock (whole units unless sold by weight or length, whole
  // packs when `in_packs`); some 0 and a few negative (corrections).
  std::optional<Ticks> OrderQuantity(const BoughtArticle& a, int lo, int hi,
                                     bool in_packs) {
    const int r = static_cast<int>(rng_.Below(1000));
    if (r < 20) return Ticks{0};
    if (r < 30) return -rng_.Between(1, 5) * kUnit;
    const Ticks base = a.stmin > 0 ? a.stmin : rng_.Between(5, 50) * kUnit;
    Ticks q = base * rng_.Between(lo, hi) / 100;
    if (in_packs && a.factemb > kUnit) {
      q = std::max<Ticks>(1, (q + a.factemb - 1) / a.factemb) * a.factemb;
    } else if (a.fractional) {
      q = std::max<Ticks>(1000, q / 1000 * 1000);
    } else {
      q = std::max<Ticks>(1, q / kUnit) * kUnit;
    }
    return q;
  }

  // An order line quantity of a made article: a few units.
  std::optional<Ticks> MadeQuantity() {
    const int r = static_cast<int>(rng_.Below(1000));
    if (r < 20) return Ticks{0};
    if (r < 30) return -kUnit;
    return rng_.Between(1, 5) * kUnit;
  }

  void MakeDocuments() {
    std::vector<Document> docs;
    const long long customers = std::max(10, n_ / 20);
    const long long all_articles = static_cast<long long>(
        bought_.size() + products_.size() + assemblies_.size());

    // Customer orders: about three lines per article.
    long long lines = 0;
    while (lines < 3 * all_articles) {
      Document d = NewDocument("ENC", 2, 2);
      d.convert = rng_.PerMille(60) ? -1 : 0;
      d.terceiro = Code("C", rng_.Between(1, customers), 5);
      const int k = static_cast<int>(rng_.Between(1, 6));
      for (int j = 0; j < k; ++j) {
        const int r = static_cast<int>(rng_.Below(1000));
        DocLine l;
        if (r < 550) {
          const BoughtArticle& a = rng_.Pick(bought_);
          l.artigo = a.code;
          l.quant = OrderQuantity(a, 2, 30, false);
          l.preco = a.price * 14 / 10;
        } else if (r < 980) {
          const MadeArticle& m =
              r < 880 ? rng_.Pick(products_) : rng_.Pick(assemblies_);
          l.artigo = m.code;
          l.quant = MadeQuantity();
          l.preco = rng_.Between(80, 3000) * kUnit;
        } else {  // a text line
          l.artigo = rng_.PerMille(500)
                         ? std::optional<std::string>(std::string())
                         : std::nullopt;
          l.descricao =
              rng_.PerMille(500) ? "Transporte" : "Nota: entrega parcial";
          l.quant = r < 990 ? std::optional<Ticks>(kUnit) : std::nullopt;
        }
        d.lines.push_back(std::move(l));
      }
      lines += k;
      docs.push_back(std::move(d));
    }

    // Supplier orders: about one and a half lines per bought article, each
    // order to one supplier for articles it supplies.
    lines = 0;
    while (lines < 3 * static_cast<long long>(bought_.size()) / 2) {
      Document d = NewDocument("ECF", 2, 1);
      d.convert = rng_.PerMille(100) ? -1 : 0;
      const std::string& supplier = rng_.Pick(suppliers_);
      d.terceiro = supplier;
      auto it = by_supplier_.find(supplier);
      const int k = static_cast<int>(rng_.Between(1, 4));
      int shortest = 0, longest = 0;
      for (int j = 0; j < k; ++j) {
        const BoughtArticle& a = it != by_supplier_.end()
                                     ? bought_[rng_.Pick(it->second)]
                                     : rng_.Pick(bought_);
        shortest = j == 0 ? a.prazo : std::min(shortest, a.prazo);
        longest = std::max(longest, a.prazo);
        DocLine l;
        l.artigo = a.code;
        l.quant = OrderQuantity(a, 10, 80, true);
        l.preco = a.price;
        d.lines.push_back(std::move(l));
      }
      // Most orders are still within the lead time of their articles; a
      // few are some days late, fewer months late (the supplier forgot, or
      // the order was never closed).
      const int r = static_cast<int>(rng_.Below(1000));
      const long long age = r < 80    ? longest + rng_.Between(1, 14)
                            : r < 120 ? longest + rng_.Between(60, 200)
                                      : rng_.Between(0, shortest);
      ReDate(d, today_ - days(age));
      lines += k;
      docs.push_back(std::move(d));
    }

    // Invoices of sales and of purchases: documents that are no orders.
    const long long invoices =
        std::max<long long>(2, static_cast<long long>(docs.size()) / 10);
    for (long long i = 0; i < invoices; ++i) {
      const bool sale = rng_.PerMille(600);
      Document d = NewDocument(sale ? "FT" : "VFA", 1, sale ? 2 : 1);
      d.terceiro = sale ? Code("C", rng_.Between(1, customers), 5)
                        : rng_.Pick(suppliers_);
      const int k = static_cast<int>(rng_.Between(1, 4));
      for (int j = 0; j < k; ++j) {
        const BoughtArticle& a = rng_.Pick(bought_);
        d.lines.push_back({a.code, "", rng_.Between(1, 20) * kUnit, a.price});
      }
      docs.push_back(std::move(d));
    }

    // Numbers run with the date within each document type, series and year.
    std::stable_sort(docs.begin(), docs.end(),
                     [](const Document& a, const Document& b) {
                       return std::tie(a.tpdoc, a.serie, a.data) <
                              std::tie(b.tpdoc, b.serie, b.data);
                     });
    std::map<std::tuple<std::string, int, int>, int> numbers;

    QSqlQuery head = session_.Prepare(
        "INSERT INTO DOCGCCAB (NNUMDOC, TPDOC, SERIE, ANO, AREAG, TPTERC, "
        "TERCEIRO, DATA, nvias, [convert]) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
        "?)");
    QSqlQuery line = session_.Prepare(
        "INSERT INTO DOCGCLIN (NNUMDOC, TPDOCUM, SERIE, ANO, NLINHA, ARTIGO, "
        "DESCRICAO, QUANT, PRECO) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const Document& d : docs) {
      const int ano = static_cast<int>(year_month_day{d.day}.year());
      const int number = ++numbers[{d.tpdoc, d.serie, ano}];
      int c = 0;
      head.bindValue(c++, Int(number));
      head.bindValue(c++, Text(d.tpdoc));
      head.bindValue(c++, Int(d.serie));
      head.bindValue(c++, Int(ano));
      head.bindValue(c++, Int(d.areag));
      head.bindValue(c++, Int(d.tpterc));
      head.bindValue(c++, Text(d.terceiro));
      head.bindValue(c++, Text(d.data));
      head.bindValue(c++, Int(d.nvias));
      head.bindValue(c++, Int(d.convert));
      session_.Run(head);
      ++summary_.docgccab;
      int nlinha = 0;
      for (const DocLine& l : d.lines) {
        c = 0;
        line.bindValue(c++, Int(number));
        line.bindValue(c++, Text(d.tpdoc));
        line.bindValue(c++, Int(d.serie));
        line.bindValue(c++, Int(ano));
        line.bindValue(c++, Int(++nlinha));
        line.bindValue(c++, Text(l.artigo));
        line.bindValue(c++,
                       l.descricao.empty() ? QVariant() : Text(l.descricao));
        line.bindValue(c++, Dec(l.quant));
        line.bindValue(c++, Dec(l.preco));
        session_.Run(line);
        ++summary_.docgclin;
      }
    }
  }

  // ---- production orders --------------------------------------------------

  void MakeProductionOrders() {
    QSqlQuery q = session_.Prepare(
        "INSERT INTO zlx_VOR_OrdensFabrico (Artigo, FichaEstrutura, Qtd, "
        "QtdEntregue, estado, DataOF) VALUES (?, ?, ?, ?, ?, ?)");
    auto orders_for = [&](const MadeArticle& m, int per_mille, int max_orders) {
      if (!rng_.PerMille(per_mille)) return;
      const int k = static_cast<int>(rng_.Between(1, max_orders));
      for (int j = 0; j < k; ++j) {
        const Structure& s = m.structures[static_cast<std::size_t>(
            rng_.Below(m.structures.size()))];
        const int estado = static_cast<int>(rng_.Below(5));
        const Ticks qtd = rng_.Between(1, 12) * 5 * kUnit;
        Ticks entregue = 0;
        switch (estado) {
          case 0:  // planned
            break;
          case 1:  // released
            entregue = rng_.Between(0, qtd / kUnit / 2) * kUnit;
            break;
          case 2: {  // in progress: some already fully or over-delivered
            const int r = static_cast<int>(rng_.Below(1000));
            entregue = r < 250   ? qtd
                       : r < 300 ? qtd + rng_.Between(1, 5) * kUnit
                                 : rng_.Between(0, qtd / kUnit) * kUnit;
            break;
          }
          case 3:  // finished
            entregue =
                rng_.PerMille(800) ? qtd : rng_.Between(0, qtd / kUnit) * kUnit;
            break;
          default:  // cancelled
            entregue = rng_.Between(0, qtd / kUnit) * kUnit;
            break;
        }
        q.bindValue(0, Text(m.code));
        q.bindValue(1, Text(s.code));
        q.bindValue(2, Dec(qtd));
        q.bindValue(3, Dec(entregue));
        q.bindValue(4, Int(estado));
        q.bindValue(5, Text(RandomDate(180, false)));
        session_.Run(q);
        ++summary_.ordens_fabrico;
      }
    };
    for (const MadeArticle& m : products_) orders_for(m, 600, 3);
    for (const MadeArticle& m : assemblies_) orders_for(m, 400, 2);
  }

  SqliteSession& session_;
  const int n_;
  std::uint32_t seed_;
  DemoRandom rng_;
  const sys_days today_;
  DemoErpSummary summary_;

  std::vector<std::string> suppliers_;
  std::vector<std::string> unknown_suppliers_;
  std::vector<BoughtArticle> bought_;
  std::map<std::string, std::vector<std::size_t>> by_supplier_;
  std::vector<MadeArticle> assemblies_;
  std::vector<MadeArticle> products_;
  int upper_assemblies_ = 0;
};

}  // namespace

std::string DemoErpSummary::ToString() const {
  return "ARTIGOS " + std::to_string(artigos) + ", Fornec " +
         std::to_string(fornec) + ", CLART " + std::to_string(clart) +
         ", AJUDACMP " + std::to_string(ajudacmp) + ", DOCGCCAB " +
         std::to_string(docgccab) + ", DOCGCLIN " + std::to_string(docgclin) +
         ", zlx_VOR_Artigos " + std::to_string(vor_artigos) +
         ", zlx_FichaEstrutura " + std::to_string(ficha_estrutura) +
         ", zlx_VOR_OrdensFabrico " + std::to_string(ordens_fabrico);
}

DemoErpSummary GenerateDemoErp(const std::string& path, int articles,
                               std::uint32_t seed, year_month_day today) {
  if (articles < 1 || articles > kMaxDemoArticles) {
    throw std::invalid_argument(
        "Número de artigos " + std::to_string(articles) +
        " fora do intervalo 1 a " + std::to_string(kMaxDemoArticles));
  }
  if (!today.ok()) throw std::invalid_argument("Data de hoje inválida");
  const std::string temporary = TemporaryPathFor(path);
  std::error_code ignored;
  std::filesystem::remove(temporary, ignored);
  DemoErpSummary summary;
  try {
    SqliteSession session(temporary, SqliteSession::Mode::kCreate);
    // A fresh file that is thrown away on failure: no journal on disk.
    session.Exec("PRAGMA journal_mode = MEMORY");
    session.Exec("PRAGMA synchronous = OFF");
    ApplyErpSchema(session);
    // The demonstration keeps a history of its proposals.
    ApplyHistorySchema(session);
    // And the terms of its suppliers.
    ApplySupplierTermsSchema(session);
    session.Exec("BEGIN");
    summary = Generator(session, articles, seed, sys_days{today}).Run();
    session.Exec("COMMIT");
  } catch (const std::exception& e) {
    std::filesystem::remove(temporary, ignored);
    throw std::runtime_error("Não foi possível escrever a base de dados ERP '" +
                             path + "': " + e.what());
  }
  ReplaceFileWith(temporary, path);
  return summary;
}

DemoErpSummary GenerateDemoErp(const std::string& path, int articles,
                               std::uint32_t seed) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const year_month_day today{
      std::chrono::year{local.tm_year + 1900},
      std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
      std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
  return GenerateDemoErp(path, articles, seed, today);
}

}  // namespace vor
