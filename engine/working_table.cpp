#include "engine/working_table.h"

namespace vor {

const std::array<FieldDef, kWorkingTableFieldCount>& WorkingTableFields() {
  using T = FieldType;
  static const std::array<FieldDef, kWorkingTableFieldCount> kFields = {{
      {"Artigo", T::kText, 15},     {"Nome", T::kText, 80},
      {"StkMinimo", T::kCurrency},  {"QtdMinApr", T::kCurrency},
      {"StkReal", T::kCurrency},    {"EncF", T::kCurrency},
      {"StkPrazo", T::kCurrency},   {"Cli", T::kCurrency},
      {"Prazo", T::kCurrency},      {"QtdUB", T::kCurrency},
      {"QtdUC", T::kCurrency},      {"StkApos", T::kCurrency},
      {"Tempo", T::kCurrency},      {"Fornec", T::kText, 15},
      {"ENF", T::kText, 3},         {"Sel", T::kBoolean},
      {"Grupo", T::kText, 6},       {"Familia", T::kText, 6},
      {"SubFamilia", T::kText, 6},  {"Dias", T::kCurrency},
      {"UnBase", T::kText, 3},      {"UnCmp", T::kText, 3},
      {"FactEmb", T::kCurrency},    {"OriginalUB", T::kCurrency},
      {"OriginalUC", T::kCurrency}, {"UltPrCom", T::kCurrency},
      {"Desconto", T::kCurrency},   {"OBS", T::kText, 3},
      {"NomeFornec", T::kText, 80}, {"Cor", T::kSmallInt},
      {"CorV", T::kSmallInt},       {"Origem", T::kText, 1},
  }};
  return kFields;
}

Recordset CriaRsFinal() {
  Recordset rs;
  for (const FieldDef& f : WorkingTableFields()) {
    rs.AppendField(f.name, f.type, f.size);
  }
  rs.Open();
  return rs;
}

Recordset CriaRsProd() {
  Recordset rs;
  rs.AppendField("Artigo", FieldType::kText, 15);
  rs.AppendField("Quant", FieldType::kCurrency);
  rs.Open();
  return rs;
}

}  // namespace vor
