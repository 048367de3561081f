-- What each supplier asks of an order, SQLite edition (see
-- zlx_VOR_Fornecedores in sqlserver_zlx.sql): the minimum order value and
-- the order value from which freight is free, in euros (null or 0: none),
-- an e-mail address and a note. Optional: the demonstration ERP has it, the
-- tests' ERPs have it only where a test adds it.
CREATE TABLE zlx_VOR_Fornecedores (
  Fornecedor   VARCHAR(15) COLLATE NOCASE NOT NULL PRIMARY KEY,
  ValorMinimo  DECIMAL(19,4),
  PortesGratis DECIMAL(19,4),
  Email        VARCHAR(80),
  Nota         VARCHAR(200)
);
