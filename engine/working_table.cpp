#include "engine/working_table.h"

namespace vor {

const std::array<FieldDef, kResultFields.size()>& WorkingTableFields() {
  static const std::array<FieldDef, kResultFields.size()> kFields = [] {
    std::array<FieldDef, kResultFields.size()> fields;
    for (size_t i = 0; i < fields.size(); ++i) {
      const ResultColumn& c = kResultFields[i];
      fields[i] = FieldDef{std::string(c.name), c.type, c.size};
    }
    return fields;
  }();
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
