// ErpFixture: builds hand-made ERP databases for tests and reads results
// back. It opens an existing SQLite ERP file (see CreateErpDatabase) and
// offers one insert per kind of ERP row, with defaults for every column a
// test does not care about, plus Exec and Query for anything else.
//
//   ErpFixture erp = ErpFixture::CreateNew(dir + "/erp.sqlite");
//   erp.AddSupplier("F001");
//   erp.AddArticle({.codigo = "A1", .stdisp = 5, .stmin = 30});
//   erp.AddCustomerOrder("2026-01-10", {{"A1", 4}});
//   ... run the program on the file ...
//   auto rows = erp.Query("select Artigo, QtdUB from zlx_VOR_Encomendas");
//   // rows[0][1] == "29"
//
// Every insert is committed at once (autocommit), so another connection
// sees it immediately. Every failure throws std::runtime_error with the
// driver's text, the file and the statement.
//
// Numbers: decimal columns are given as double and held by SQLite as
// integers when whole, as reals otherwise. Query returns integers in plain
// digits and reals in their shortest exact form ("12.5", "0.25"); a null is
// the text ErpFixture::kNull.
#ifndef VOR_TOOLS_ERP_FIXTURE_H_
#define VOR_TOOLS_ERP_FIXTURE_H_

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vor {

class SqliteSession;

// One ARTIGOS row and, unless tipo_artigo is nullopt, its zlx_VOR_Artigos
// row. The defaults make an active article of type 1 with a minimum stock of
// 10 and supplier F001, which the article query takes into the proposal.
// Members in column order (designated initializers must keep it); a nullopt
// is written as null.
struct ErpArticle {
  std::string codigo = {};
  std::optional<std::string> nome = "Artigo de teste";
  std::optional<double> stdisp = 0;
  std::optional<double> stmin = 10;
  std::optional<std::string> grupo = "G01";
  std::optional<std::string> familia = "FA01";
  std::optional<std::string> subfamil = "SF01";
  std::optional<double> qtmincom = 0;
  std::optional<double> diasskrs = 30;
  std::optional<double> przentvn = 10;
  std::optional<std::string> fornec = "F001";
  std::optional<std::string> unbase = "UN";
  std::optional<std::string> uncmp = "UN";
  std::optional<double> factemb = 1;
  std::optional<double> ultprcom = 1;
  int artoudes = 0;
  int inactivo = 0;                    // 0 active, -1 inactive
  std::optional<int> tipo_artigo = 1;  // zlx_VOR_Artigos.TipoArtigo
  std::optional<std::string> estrutura_base =
      std::nullopt;  // zlx_VOR_Artigos.EstruturaBase
};

// One DOCGCCAB row. The defaults make an open customer order (AREAG 2,
// TPTERC 2, series 1, not cancelled, not converted).
struct ErpDocument {
  int nnumdoc = 0;  // 0: the next free number of tpdoc/serie/ano
  std::string tpdoc = "ENC";
  int serie = 1;
  int ano = 0;  // 0: the year of `data`
  int areag = 2;
  int tpterc = 2;                   // 1 supplier, 2 customer
  std::string data = "2026-01-15";  // yyyy-mm-dd or yyyy-mm-dd hh:mm:ss
  int nvias = 1;                    // -1: cancelled
  int convert = 0;                  // -1: converted into another document
  std::optional<std::string> terceiro = std::nullopt;
};

// The key a document's lines join it on.
struct ErpDocKey {
  int nnumdoc = 0;
  std::string tpdoc = {};
  int serie = 0;
  int ano = 0;
};

// An order line given to AddCustomerOrder / AddSupplierOrder.
struct ErpLine {
  std::optional<std::string> artigo = std::nullopt;
  std::optional<double> quant = std::nullopt;
};

class ErpFixture {
 public:
  // The text Query returns for a null.
  static constexpr const char* kNull = "<null>";

  // Opens the existing ERP file `path`; throws when it is missing or not a
  // database.
  explicit ErpFixture(const std::string& path);
  // Creates a new, empty ERP at `path` (replacing a file there) and opens it.
  static ErpFixture CreateNew(const std::string& path);
  ~ErpFixture();

  ErpFixture(ErpFixture&&) noexcept;
  ErpFixture& operator=(ErpFixture&&) noexcept;

  const std::string& path() const { return path_; }

  // Runs one or more statements separated by ';'.
  void Exec(const std::string& sql);
  // Runs a SELECT; every row as a vector of texts, nulls as kNull.
  std::vector<std::vector<std::string>> Query(const std::string& sql);
  // The first column of the first row; throws when there is no row.
  std::string Scalar(const std::string& sql);
  // count(*) of a table.
  long long Count(const std::string& table);

  // Master data.
  void AddSupplier(const std::string& codigo,
                   std::optional<std::string> nome = "Fornecedor de teste");
  void AddArticle(const ErpArticle& article);
  // A zlx_VOR_Artigos row alone (AddArticle writes one already).
  void AddArticleType(const std::string& artigo, int tipo_artigo,
                      std::optional<std::string> estrutura_base = {});
  // A CLART row; cl10 lists aggregated article codes separated by ';'.
  void AddClassification(const std::string& codigo,
                         std::optional<std::string> cl10);
  // An AJUDACMP row (price per purchase unit and discount in percent).
  void AddPrice(const std::string& artigo, const std::string& forneced,
                std::optional<double> prprox,
                std::optional<double> descprox = 0);

  // Documents. AddDocument returns the key of the new header; AddDocLine
  // appends a line to it (NLINHA counts up per document).
  ErpDocKey AddDocument(const ErpDocument& document);
  void AddDocLine(const ErpDocKey& document, std::optional<std::string> artigo,
                  std::optional<double> quant);
  // An open customer order (ENC) or supplier order (ECF) of `data` with the
  // given lines.
  ErpDocKey AddCustomerOrder(const std::string& data,
                             std::initializer_list<ErpLine> lines);
  ErpDocKey AddSupplierOrder(const std::string& data,
                             std::initializer_list<ErpLine> lines);

  // Production: a line of structure `ficha` of `produto` (tipo "AT" article
  // line, "CJ" sub-assembly), and a production order; returns its NumOF.
  void AddStructureLine(const std::string& produto, const std::string& ficha,
                        const std::string& codigo, double quantidade,
                        const std::string& tipo = "AT");
  long long AddProductionOrder(const std::string& artigo,
                               const std::string& ficha,
                               std::optional<double> qtd,
                               std::optional<double> qtd_entregue, int estado);

 private:
  std::string path_;
  std::unique_ptr<SqliteSession> session_;
};

}  // namespace vor

#endif  // VOR_TOOLS_ERP_FIXTURE_H_
