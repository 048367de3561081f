-- ERP database of VOREncomendas, SQLite edition.
--
-- The tables, columns and indexes the replenishment queries read, plus the
-- result table zlx_VOR_Encomendas that each run rewrites. It stands in for
-- the company's SQL Server ERP in tests and demonstrations:
--   * code columns are VARCHAR(15) COLLATE NOCASE, as a case-insensitive
--     SQL Server collation compares them;
--   * quantities and prices are DECIMAL(19,4), flags INTEGER (0 false,
--     -1 true, as the ERP writes them);
--   * dates are ISO text, 'yyyy-mm-dd' or 'yyyy-mm-dd hh:mm:ss';
--   * every table is a rowid table: rows come back in stored order;
--   * text sizes equal those of the result table (names 80, codes 15,
--     classification codes 6, units 3).
-- A column named without a table prefix in the queries (nvias, [convert],
-- StMin, Fornec, UnBase, ...) exists in one table of its join only.

PRAGMA encoding = 'UTF-8';

-- Suppliers.
CREATE TABLE Fornec (
  Codigo     VARCHAR(15) COLLATE NOCASE NOT NULL PRIMARY KEY,
  Nome       VARCHAR(80),
  NContrib   VARCHAR(20),
  Localidade VARCHAR(40)
);

-- Article master.
CREATE TABLE ARTIGOS (
  CODIGO    VARCHAR(15) COLLATE NOCASE NOT NULL PRIMARY KEY,
  NOME      VARCHAR(80),
  stdisp    DECIMAL(19,4),           -- available stock, base unit
  StMin     DECIMAL(19,4),           -- minimum stock
  Grupo     VARCHAR(6) COLLATE NOCASE,
  Familia   VARCHAR(6) COLLATE NOCASE,
  SubFamil  VARCHAR(6) COLLATE NOCASE,
  QtMinCom  DECIMAL(19,4),           -- minimum purchase quantity
  DiasSkRs  DECIMAL(19,4),           -- days the minimum stock stands for
  PrzEntVn  DECIMAL(19,4),           -- supplier lead time, days
  Fornec    VARCHAR(15) COLLATE NOCASE,
  UnBase    VARCHAR(3) COLLATE NOCASE,
  UnCmp     VARCHAR(3) COLLATE NOCASE,
  FactEmb   DECIMAL(19,4),           -- base units per purchase unit
  UltPrCom  DECIMAL(19,4),           -- last purchase price
  ArtouDes  INTEGER NOT NULL DEFAULT 0,  -- 0 article, other: text line
  Inactivo  INTEGER NOT NULL DEFAULT 0,  -- 0 active, -1 inactive
  PVP1      DECIMAL(19,4),           -- sale price
  DataCria  TEXT                     -- creation date
);

-- Free classification fields of an article; CL10 lists the codes of the
-- articles aggregated with it, separated by ';'.
CREATE TABLE CLART (
  Codigo VARCHAR(15) COLLATE NOCASE NOT NULL PRIMARY KEY,
  CL01   VARCHAR(60),
  CL10   VARCHAR(250)
);

-- Purchase conditions per article and supplier.
CREATE TABLE AJUDACMP (
  ARTIGO   VARCHAR(15) COLLATE NOCASE NOT NULL,
  FORNECED VARCHAR(15) COLLATE NOCASE NOT NULL,
  PRPROX   DECIMAL(19,4),            -- next purchase price, purchase unit
  DESCPROX DECIMAL(19,4),            -- discount on it, percent
  PRULT    DECIMAL(19,4),            -- last price paid
  DATAULT  TEXT                      -- date of the last purchase
);
CREATE INDEX IX_AJUDACMP_ARTIGO_FORNECED ON AJUDACMP (ARTIGO, FORNECED);

-- Document headers. AREAG 2 marks orders; TPTERC 1 supplier, 2 customer
-- documents; nvias -1 (cancelled) and [convert] -1 (converted into another
-- document) take a document out of the open orders.
CREATE TABLE DOCGCCAB (
  NNUMDOC  INTEGER NOT NULL,
  TPDOC    VARCHAR(5) COLLATE NOCASE NOT NULL,
  SERIE    INTEGER NOT NULL,
  ANO      INTEGER NOT NULL,
  AREAG    INTEGER NOT NULL,
  TPTERC   INTEGER NOT NULL,
  TERCEIRO VARCHAR(15) COLLATE NOCASE,   -- customer or supplier code
  DATA     TEXT NOT NULL
           CONSTRAINT DATA_ISO CHECK (DATA GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]'
                  OR DATA GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'),
  nvias    INTEGER NOT NULL DEFAULT 0,
  [convert] INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (NNUMDOC, TPDOC, SERIE, ANO)
);

-- Document lines; they join their header on NNUMDOC, TPDOCUM = TPDOC, SERIE
-- and ANO. A line without article is a text line.
CREATE TABLE DOCGCLIN (
  NNUMDOC   INTEGER NOT NULL,
  TPDOCUM   VARCHAR(5) COLLATE NOCASE NOT NULL,
  SERIE     INTEGER NOT NULL,
  ANO       INTEGER NOT NULL,
  NLINHA    INTEGER NOT NULL,
  ARTIGO    VARCHAR(15) COLLATE NOCASE,
  DESCRICAO VARCHAR(80),
  QUANT     DECIMAL(19,4),
  PRECO     DECIMAL(19,4)
);
-- Orders of one kind (AREAG, TPTERC) from a date on: the customer-order
-- reads of a run.
CREATE INDEX IX_DOCGCCAB_AREA ON DOCGCCAB (AREAG, TPTERC, DATA);
CREATE INDEX IX_DOCGCLIN_ARTIGO ON DOCGCLIN (ARTIGO);
CREATE INDEX IX_DOCGCLIN_DOC ON DOCGCLIN (NNUMDOC, TPDOCUM, SERIE, ANO);

-- Replenishment extension of the article master. TipoArtigo 1: bought
-- article of the proposal; 0 and 2: manufactured products and
-- sub-assemblies. EstruturaBase: the structure code orders are made with.
CREATE TABLE zlx_VOR_Artigos (
  Artigo        VARCHAR(15) COLLATE NOCASE NOT NULL PRIMARY KEY,
  TipoArtigo    INTEGER NOT NULL,
  EstruturaBase VARCHAR(15) COLLATE NOCASE
);

-- Bills of materials: the lines of structure FichaEstrutura of PRODUTO.
-- Tipo 'AT' is an article line, 'CJ' a sub-assembly with a structure of its
-- own; Quantidade is the quantity of CODIGO per unit of PRODUTO.
CREATE TABLE zlx_FichaEstrutura (
  PRODUTO        VARCHAR(15) COLLATE NOCASE NOT NULL,
  FichaEstrutura VARCHAR(15) COLLATE NOCASE NOT NULL,
  CODIGO         VARCHAR(15) COLLATE NOCASE NOT NULL,
  Tipo           VARCHAR(2) COLLATE NOCASE NOT NULL,
  Quantidade     DECIMAL(19,4) NOT NULL
);
CREATE INDEX IX_zlx_FichaEstrutura_CODIGO ON zlx_FichaEstrutura (CODIGO);
CREATE INDEX IX_zlx_FichaEstrutura_PRODUTO
  ON zlx_FichaEstrutura (PRODUTO, FichaEstrutura);

-- Production orders. estado 0 to 2 open, 3 and above closed.
CREATE TABLE zlx_VOR_OrdensFabrico (
  NumOF          INTEGER PRIMARY KEY,
  Artigo         VARCHAR(15) COLLATE NOCASE NOT NULL,
  FichaEstrutura VARCHAR(15) COLLATE NOCASE NOT NULL,
  Qtd            DECIMAL(19,4),
  QtdEntregue    DECIMAL(19,4),
  estado         INTEGER NOT NULL,
  DataOF         TEXT
);
CREATE INDEX IX_zlx_VOR_OrdensFabrico_Artigo
  ON zlx_VOR_OrdensFabrico (Artigo, FichaEstrutura);

-- The replenishment proposal, rewritten by every run; one row per article.
CREATE TABLE zlx_VOR_Encomendas (
  Artigo     VARCHAR(15) COLLATE NOCASE,
  Nome       VARCHAR(80),
  StkMinimo  DECIMAL(19,4),
  QtdMinApr  DECIMAL(19,4),
  StkReal    DECIMAL(19,4),
  EncF       DECIMAL(19,4),
  StkPrazo   DECIMAL(19,4),
  Cli        DECIMAL(19,4),
  Prazo      DECIMAL(19,4),
  QtdUB      DECIMAL(19,4),
  QtdUC      DECIMAL(19,4),
  StkApos    DECIMAL(19,4),
  Tempo      DECIMAL(19,4),
  Fornec     VARCHAR(15) COLLATE NOCASE,
  ENF        VARCHAR(3),
  Sel        BOOLEAN,
  Grupo      VARCHAR(6) COLLATE NOCASE,
  Familia    VARCHAR(6) COLLATE NOCASE,
  SubFamilia VARCHAR(6) COLLATE NOCASE,
  Dias       DECIMAL(19,4),
  UnBase     VARCHAR(3),
  UnCmp      VARCHAR(3),
  FactEmb    DECIMAL(19,4),
  OriginalUB DECIMAL(19,4),
  OriginalUC DECIMAL(19,4),
  UltPrCom   DECIMAL(19,4),
  Desconto   DECIMAL(19,4),
  OBS        VARCHAR(3),
  NomeFornec VARCHAR(80),
  Cor        SMALLINT,
  CorV       SMALLINT,
  Origem     VARCHAR(1)
);
CREATE INDEX IX_zlx_VOR_Encomendas_Artigo ON zlx_VOR_Encomendas (Artigo);
