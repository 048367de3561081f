-- The history of proposals, SQLite edition (see zlx_VOR_Historico in
-- sqlserver_zlx.sql): every completed run appends its proposal's rows under
-- Execucao, its local date and time as yyyymmddhhmmss, and removes the runs
-- older than [Historico] Dias. Optional: the demonstration ERP has it, the
-- tests' ERPs have it only where a test adds it.
CREATE TABLE zlx_VOR_Historico (
  Execucao   BIGINT NOT NULL,
  Artigo     VARCHAR(15) COLLATE NOCASE,
  Nome       VARCHAR(80),
  UnBase     VARCHAR(3),
  Fornec     VARCHAR(15) COLLATE NOCASE,
  NomeFornec VARCHAR(80),
  StkMinimo  DECIMAL(19,4),
  StkReal    DECIMAL(19,4),
  EncF       DECIMAL(19,4),
  StkPrazo   DECIMAL(19,4),
  Cli        DECIMAL(19,4),
  QtdUB      DECIMAL(19,4),
  QtdUC      DECIMAL(19,4),
  StkApos    DECIMAL(19,4),
  Tempo      DECIMAL(19,4),
  Dias       DECIMAL(19,4),
  UltPrCom   DECIMAL(19,4),
  Desconto   DECIMAL(19,4),
  Prazo      DECIMAL(19,4),
  Cor        SMALLINT,
  CorV       SMALLINT
);
CREATE INDEX IX_zlx_VOR_Historico_Execucao
  ON zlx_VOR_Historico (Execucao, Artigo);
-- One article over the stored runs (the proposal window's chart).
CREATE INDEX IX_zlx_VOR_Historico_Artigo
  ON zlx_VOR_Historico (Artigo, Execucao);
