#include "tools/erp_fixture.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <cctype>
#include <stdexcept>

#include "tools/erp_database.h"
#include "tools/sqlite_session.h"

namespace vor {

namespace {

QVariant Text(const std::optional<std::string>& text) {
  if (!text) return QVariant();
  return QVariant(QString::fromStdString(*text));
}

QVariant Text(const std::string& text) {
  return QVariant(QString::fromStdString(text));
}

QVariant Number(const std::optional<double>& number) {
  if (!number) return QVariant();
  return QVariant(*number);
}

QVariant Integer(long long number) { return QVariant(number); }

// Binds the values to the statement's placeholders, in order.
void BindAll(QSqlQuery& query, std::initializer_list<QVariant> values) {
  int i = 0;
  for (const QVariant& v : values) query.bindValue(i++, v);
}

std::string CellText(const QVariant& value) {
  if (value.isNull()) return ErpFixture::kNull;
  return value.toString().toStdString();
}

// The year of a document date written yyyy-mm-dd...
int YearOf(const std::string& data) {
  if (data.size() < 10 || data[4] != '-' ||
      !std::isdigit(static_cast<unsigned char>(data[0])) ||
      !std::isdigit(static_cast<unsigned char>(data[1])) ||
      !std::isdigit(static_cast<unsigned char>(data[2])) ||
      !std::isdigit(static_cast<unsigned char>(data[3]))) {
    throw std::runtime_error("DOCGCCAB.DATA '" + data +
                             "' não é uma data no formato yyyy-mm-dd");
  }
  return std::stoi(data.substr(0, 4));
}

}  // namespace

ErpFixture::ErpFixture(const std::string& path)
    : path_(path),
      session_(std::make_unique<SqliteSession>(
          path, SqliteSession::Mode::kExisting)) {
  // Tests write many single rows; the file's durability does not matter.
  session_->Exec("PRAGMA synchronous = OFF");
}

ErpFixture ErpFixture::CreateNew(const std::string& path) {
  CreateErpDatabase(path);
  return ErpFixture(path);
}

ErpFixture::~ErpFixture() = default;
ErpFixture::ErpFixture(ErpFixture&&) noexcept = default;
ErpFixture& ErpFixture::operator=(ErpFixture&&) noexcept = default;

void ErpFixture::Exec(const std::string& sql) { session_->ExecScript(sql); }

std::vector<std::vector<std::string>> ErpFixture::Query(
    const std::string& sql) {
  QSqlQuery query = session_->Select(sql);
  std::vector<std::vector<std::string>> rows;
  while (query.next()) {
    const int columns = query.record().count();
    std::vector<std::string> row;
    row.reserve(columns);
    for (int c = 0; c < columns; ++c) row.push_back(CellText(query.value(c)));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string ErpFixture::Scalar(const std::string& sql) {
  auto rows = Query(sql);
  if (rows.empty() || rows[0].empty()) {
    throw std::runtime_error(
        "A consulta não devolveu linhas na base de dados "
        "ERP '" +
        path_ + "': " + sql);
  }
  return rows[0][0];
}

long long ErpFixture::Count(const std::string& table) {
  return std::stoll(Scalar("SELECT count(*) FROM [" + table + "]"));
}

void ErpFixture::AddSupplier(const std::string& codigo,
                             std::optional<std::string> nome) {
  QSqlQuery q =
      session_->Prepare("INSERT INTO Fornec (Codigo, Nome) VALUES (?, ?)");
  BindAll(q, {Text(codigo), Text(nome)});
  session_->Run(q);
}

void ErpFixture::AddArticle(const ErpArticle& a) {
  QSqlQuery q = session_->Prepare(
      "INSERT INTO ARTIGOS (CODIGO, NOME, stdisp, StMin, Grupo, Familia, "
      "SubFamil, QtMinCom, DiasSkRs, PrzEntVn, Fornec, UnBase, UnCmp, "
      "FactEmb, UltPrCom, ArtouDes, Inactivo) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  BindAll(q, {Text(a.codigo), Text(a.nome), Number(a.stdisp), Number(a.stmin),
              Text(a.grupo), Text(a.familia), Text(a.subfamil),
              Number(a.qtmincom), Number(a.diasskrs), Number(a.przentvn),
              Text(a.fornec), Text(a.unbase), Text(a.uncmp), Number(a.factemb),
              Number(a.ultprcom), Integer(a.artoudes), Integer(a.inactivo)});
  session_->Run(q);
  if (a.tipo_artigo) AddArticleType(a.codigo, *a.tipo_artigo, a.estrutura_base);
}

void ErpFixture::AddArticleType(const std::string& artigo, int tipo_artigo,
                                std::optional<std::string> estrutura_base) {
  QSqlQuery q = session_->Prepare(
      "INSERT INTO zlx_VOR_Artigos (Artigo, TipoArtigo, EstruturaBase) "
      "VALUES (?, ?, ?)");
  BindAll(q, {Text(artigo), Integer(tipo_artigo), Text(estrutura_base)});
  session_->Run(q);
}

void ErpFixture::AddClassification(const std::string& codigo,
                                   std::optional<std::string> cl10) {
  QSqlQuery q =
      session_->Prepare("INSERT INTO CLART (Codigo, CL10) VALUES (?, ?)");
  BindAll(q, {Text(codigo), Text(cl10)});
  session_->Run(q);
}

void ErpFixture::AddPrice(const std::string& artigo,
                          const std::string& forneced,
                          std::optional<double> prprox,
                          std::optional<double> descprox) {
  QSqlQuery q = session_->Prepare(
      "INSERT INTO AJUDACMP (ARTIGO, FORNECED, PRPROX, DESCPROX) "
      "VALUES (?, ?, ?, ?)");
  BindAll(q, {Text(artigo), Text(forneced), Number(prprox), Number(descprox)});
  session_->Run(q);
}

ErpDocKey ErpFixture::AddDocument(const ErpDocument& d) {
  ErpDocKey key{d.nnumdoc, d.tpdoc, d.serie,
                d.ano != 0 ? d.ano : YearOf(d.data)};
  if (key.nnumdoc == 0) {
    QSqlQuery next = session_->Prepare(
        "SELECT coalesce(max(NNUMDOC), 0) + 1 FROM DOCGCCAB "
        "WHERE TPDOC = ? AND SERIE = ? AND ANO = ?");
    BindAll(next, {Text(key.tpdoc), Integer(key.serie), Integer(key.ano)});
    session_->Run(next);
    next.next();
    key.nnumdoc = next.value(0).toInt();
  }
  QSqlQuery q = session_->Prepare(
      "INSERT INTO DOCGCCAB (NNUMDOC, TPDOC, SERIE, ANO, AREAG, TPTERC, "
      "TERCEIRO, DATA, nvias, [convert]) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
      "?)");
  BindAll(q, {Integer(key.nnumdoc), Text(key.tpdoc), Integer(key.serie),
              Integer(key.ano), Integer(d.areag), Integer(d.tpterc),
              Text(d.terceiro), Text(d.data), Integer(d.nvias),
              Integer(d.convert)});
  session_->Run(q);
  return key;
}

void ErpFixture::AddDocLine(const ErpDocKey& doc,
                            std::optional<std::string> artigo,
                            std::optional<double> quant) {
  QSqlQuery q = session_->Prepare(
      "INSERT INTO DOCGCLIN (NNUMDOC, TPDOCUM, SERIE, ANO, NLINHA, ARTIGO, "
      "QUANT) SELECT ?, ?, ?, ?, coalesce(max(NLINHA), 0) + 1, ?, ? "
      "FROM DOCGCLIN WHERE NNUMDOC = ? AND TPDOCUM = ? AND SERIE = ? AND ANO = "
      "?");
  BindAll(q,
          {Integer(doc.nnumdoc), Text(doc.tpdoc), Integer(doc.serie),
           Integer(doc.ano), Text(artigo), Number(quant), Integer(doc.nnumdoc),
           Text(doc.tpdoc), Integer(doc.serie), Integer(doc.ano)});
  session_->Run(q);
}

ErpDocKey ErpFixture::AddCustomerOrder(const std::string& data,
                                       std::initializer_list<ErpLine> lines) {
  ErpDocKey key = AddDocument({.tpdoc = "ENC", .tpterc = 2, .data = data});
  for (const ErpLine& line : lines) AddDocLine(key, line.artigo, line.quant);
  return key;
}

ErpDocKey ErpFixture::AddSupplierOrder(const std::string& data,
                                       std::initializer_list<ErpLine> lines) {
  ErpDocKey key = AddDocument({.tpdoc = "ECF", .tpterc = 1, .data = data});
  for (const ErpLine& line : lines) AddDocLine(key, line.artigo, line.quant);
  return key;
}

void ErpFixture::AddStructureLine(const std::string& produto,
                                  const std::string& ficha,
                                  const std::string& codigo, double quantidade,
                                  const std::string& tipo) {
  QSqlQuery q = session_->Prepare(
      "INSERT INTO zlx_FichaEstrutura (PRODUTO, FichaEstrutura, CODIGO, Tipo, "
      "Quantidade) VALUES (?, ?, ?, ?, ?)");
  BindAll(q, {Text(produto), Text(ficha), Text(codigo), Text(tipo),
              QVariant(quantidade)});
  session_->Run(q);
}

long long ErpFixture::AddProductionOrder(const std::string& artigo,
                                         const std::string& ficha,
                                         std::optional<double> qtd,
                                         std::optional<double> qtd_entregue,
                                         int estado) {
  QSqlQuery q = session_->Prepare(
      "INSERT INTO zlx_VOR_OrdensFabrico (Artigo, FichaEstrutura, Qtd, "
      "QtdEntregue, estado) VALUES (?, ?, ?, ?, ?)");
  BindAll(q, {Text(artigo), Text(ficha), Number(qtd), Number(qtd_entregue),
              Integer(estado)});
  session_->Run(q);
  return q.lastInsertId().toLongLong();
}

}  // namespace vor
