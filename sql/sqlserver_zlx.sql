-- VOREncomendas extension tables for the SQL Server ERP database.
--
-- Creates, when missing, the zlx_ tables the replenishment run relies on
-- (and the optional ones: the history, the supplier terms) and their
-- indexes; the ERP's own tables (ARTIGOS, Fornec, CLART,
-- AJUDACMP, DOCGCCAB, DOCGCLIN) exist there already. Safe to run again: each
-- table and index is created only when it does not exist. Run it in the ERP
-- database (sqlcmd -d <database> -i sqlserver_zlx.sql, or in Management
-- Studio). Code columns take the database's default, case-insensitive
-- collation, as the ERP's own code columns do.

SET ANSI_NULLS ON;
SET QUOTED_IDENTIFIER ON;
GO

-- Replenishment extension of the article master. TipoArtigo 1: bought
-- article of the proposal; 0 and 2: manufactured products and
-- sub-assemblies. EstruturaBase: the structure code orders are made with.
IF OBJECT_ID(N'dbo.zlx_VOR_Artigos', N'U') IS NULL
BEGIN
  CREATE TABLE dbo.zlx_VOR_Artigos (
    Artigo        varchar(15) NOT NULL,
    TipoArtigo    int NOT NULL,
    EstruturaBase varchar(15) NULL,
    CONSTRAINT PK_zlx_VOR_Artigos PRIMARY KEY CLUSTERED (Artigo)
  );
END;
GO

-- Bills of materials: the lines of structure FichaEstrutura of PRODUTO, in
-- the order of Linha. Tipo 'AT' is an article line, 'CJ' a sub-assembly
-- with a structure of its own; Quantidade is the quantity of CODIGO per unit
-- of PRODUTO.
IF OBJECT_ID(N'dbo.zlx_FichaEstrutura', N'U') IS NULL
BEGIN
  CREATE TABLE dbo.zlx_FichaEstrutura (
    Linha          int IDENTITY(1,1) NOT NULL,
    PRODUTO        varchar(15) NOT NULL,
    FichaEstrutura varchar(15) NOT NULL,
    CODIGO         varchar(15) NOT NULL,
    Tipo           varchar(2) NOT NULL,
    Quantidade     numeric(19,4) NOT NULL,
    CONSTRAINT PK_zlx_FichaEstrutura PRIMARY KEY CLUSTERED (Linha)
  );
END;
GO

-- Production orders. estado 0 to 2 open, 3 and above closed.
IF OBJECT_ID(N'dbo.zlx_VOR_OrdensFabrico', N'U') IS NULL
BEGIN
  CREATE TABLE dbo.zlx_VOR_OrdensFabrico (
    NumOF          int IDENTITY(1,1) NOT NULL,
    Artigo         varchar(15) NOT NULL,
    FichaEstrutura varchar(15) NOT NULL,
    Qtd            numeric(19,4) NULL,
    QtdEntregue    numeric(19,4) NULL,
    estado         int NOT NULL,
    DataOF         datetime NULL,
    CONSTRAINT PK_zlx_VOR_OrdensFabrico PRIMARY KEY CLUSTERED (NumOF)
  );
END;
GO

-- The replenishment proposal, rewritten by every run; one row per article.
IF OBJECT_ID(N'dbo.zlx_VOR_Encomendas', N'U') IS NULL
BEGIN
  CREATE TABLE dbo.zlx_VOR_Encomendas (
    Artigo     varchar(15) NULL,
    Nome       varchar(80) NULL,
    StkMinimo  numeric(19,4) NULL,
    QtdMinApr  numeric(19,4) NULL,
    StkReal    numeric(19,4) NULL,
    EncF       numeric(19,4) NULL,
    StkPrazo   numeric(19,4) NULL,
    Cli        numeric(19,4) NULL,
    Prazo      numeric(19,4) NULL,
    QtdUB      numeric(19,4) NULL,
    QtdUC      numeric(19,4) NULL,
    StkApos    numeric(19,4) NULL,
    Tempo      numeric(19,4) NULL,
    Fornec     varchar(15) NULL,
    ENF        varchar(3) NULL,
    Sel        bit NULL,
    Grupo      varchar(6) NULL,
    Familia    varchar(6) NULL,
    SubFamilia varchar(6) NULL,
    Dias       numeric(19,4) NULL,
    UnBase     varchar(3) NULL,
    UnCmp      varchar(3) NULL,
    FactEmb    numeric(19,4) NULL,
    OriginalUB numeric(19,4) NULL,
    OriginalUC numeric(19,4) NULL,
    UltPrCom   numeric(19,4) NULL,
    Desconto   numeric(19,4) NULL,
    OBS        varchar(3) NULL,
    NomeFornec varchar(80) NULL,
    Cor        smallint NULL,
    CorV       smallint NULL,
    Origem     varchar(1) NULL
  );
END;
GO

-- The history of proposals: every completed run appends its proposal's rows
-- under Execucao, its local date and time as yyyymmddhhmmss, and removes the
-- runs older than [Historico] Dias. Optional: without this table the program
-- keeps no history and its report shows no changes.
IF OBJECT_ID(N'dbo.zlx_VOR_Historico', N'U') IS NULL
BEGIN
  CREATE TABLE dbo.zlx_VOR_Historico (
    Execucao   bigint NOT NULL,
    Artigo     varchar(15) NULL,
    Nome       varchar(80) NULL,
    UnBase     varchar(3) NULL,
    Fornec     varchar(15) NULL,
    NomeFornec varchar(80) NULL,
    StkMinimo  numeric(19,4) NULL,
    StkReal    numeric(19,4) NULL,
    EncF       numeric(19,4) NULL,
    StkPrazo   numeric(19,4) NULL,
    Cli        numeric(19,4) NULL,
    QtdUB      numeric(19,4) NULL,
    QtdUC      numeric(19,4) NULL,
    StkApos    numeric(19,4) NULL,
    Tempo      numeric(19,4) NULL,
    Dias       numeric(19,4) NULL,
    UltPrCom   numeric(19,4) NULL,
    Desconto   numeric(19,4) NULL,
    Prazo      numeric(19,4) NULL,
    Cor        smallint NULL,
    CorV       smallint NULL
  );
END;
GO

-- What each supplier asks of an order: the minimum order value
-- (ValorMinimo) and the order value from which freight is free
-- (PortesGratis), in euros (null or 0: none), an address to send the order
-- to and a note for the buyer. Optional: without this table the report's
-- baskets per supplier are shown without terms.
IF OBJECT_ID(N'dbo.zlx_VOR_Fornecedores', N'U') IS NULL
BEGIN
  CREATE TABLE dbo.zlx_VOR_Fornecedores (
    Fornecedor   varchar(15) NOT NULL PRIMARY KEY,
    ValorMinimo  numeric(19,4) NULL,
    PortesGratis numeric(19,4) NULL,
    Email        varchar(80) NULL,
    Nota         varchar(200) NULL
  );
END;
GO

-- A history made before the article's name and unit were kept: add them
-- (without them the program keeps working, but an article that left the
-- proposal is listed without its name).
IF COL_LENGTH(N'dbo.zlx_VOR_Historico', N'Nome') IS NULL
  ALTER TABLE dbo.zlx_VOR_Historico
    ADD Nome varchar(80) NULL, UnBase varchar(3) NULL;
GO

-- Indexes the queries need: structure lines by component and by product,
-- production orders by product and structure, the proposal by article.
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'IX_zlx_FichaEstrutura_CODIGO'
                 AND object_id = OBJECT_ID(N'dbo.zlx_FichaEstrutura'))
  CREATE NONCLUSTERED INDEX IX_zlx_FichaEstrutura_CODIGO
    ON dbo.zlx_FichaEstrutura (CODIGO);
GO

IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'IX_zlx_FichaEstrutura_PRODUTO'
                 AND object_id = OBJECT_ID(N'dbo.zlx_FichaEstrutura'))
  CREATE NONCLUSTERED INDEX IX_zlx_FichaEstrutura_PRODUTO
    ON dbo.zlx_FichaEstrutura (PRODUTO, FichaEstrutura);
GO

IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'IX_zlx_VOR_OrdensFabrico_Artigo'
                 AND object_id = OBJECT_ID(N'dbo.zlx_VOR_OrdensFabrico'))
  CREATE NONCLUSTERED INDEX IX_zlx_VOR_OrdensFabrico_Artigo
    ON dbo.zlx_VOR_OrdensFabrico (Artigo, FichaEstrutura);
GO

IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'IX_zlx_VOR_Encomendas_Artigo'
                 AND object_id = OBJECT_ID(N'dbo.zlx_VOR_Encomendas'))
  CREATE NONCLUSTERED INDEX IX_zlx_VOR_Encomendas_Artigo
    ON dbo.zlx_VOR_Encomendas (Artigo);
GO

IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'IX_zlx_VOR_Historico_Execucao'
                 AND object_id = OBJECT_ID(N'dbo.zlx_VOR_Historico'))
  CREATE NONCLUSTERED INDEX IX_zlx_VOR_Historico_Execucao
    ON dbo.zlx_VOR_Historico (Execucao, Artigo);
GO

-- One article over the stored runs (the proposal window's chart).
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'IX_zlx_VOR_Historico_Artigo'
                 AND object_id = OBJECT_ID(N'dbo.zlx_VOR_Historico'))
  CREATE NONCLUSTERED INDEX IX_zlx_VOR_Historico_Artigo
    ON dbo.zlx_VOR_Historico (Artigo, Execucao);
GO
