// Recordset: the table type of the program. An ordered list of rows over a
// fixed list of named, typed fields, with an optional filter and a cursor on
// the current row. The working tables of the engine and every query result
// are Recordsets. Field names are matched without regard to letter case.
//
// Typical use:
//   Recordset rs;
//   rs.AppendField("Artigo", FieldType::kText, 15);
//   rs.AppendField("Quant", FieldType::kCurrency);
//   rs.Open();
//   rs.AddNew(); rs.Set("Artigo", "A1"); rs.Set("Quant", 0); rs.Update();
//   rs.SetFilter("Artigo='A1' ");
//   if (!rs.Eof()) Currency q = rs.Get("Quant").ToCurrency();
#ifndef VOR_CORE_RECORDSET_H_
#define VOR_CORE_RECORDSET_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"

namespace vor {

// Field types, numbered as the ADO type codes they stand for.
enum class FieldType {
  kSmallInt = 2,  // 16-bit signed integer
  kInteger = 3,   // 32-bit signed integer
  kDouble = 5,    // 64-bit floating point
  kCurrency = 6,  // the four-place fixed-point type
  kDateTime = 7,  // date and time
  kBoolean = 11,  // Boolean
  kVariant = 12,  // any Value, stored as given (query results)
  kBigInt = 20,   // 64-bit signed integer
  kText = 200,    // text of at most `size` characters (0: unlimited)
};

struct FieldDef {
  std::string name;
  FieldType type;
  int size = 0;  // characters, for kText; 0 means no limit
};

class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(Recordset&&) noexcept;
  Recordset& operator=(Recordset&&) noexcept;
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Definition. Fields are appended before Open; appending after Open, or a
  // second field of the same name, raises Error 3219.
  void AppendField(std::string name, FieldType type, int size = 0);
  // Opens the (empty) table. Raises Error 3219 when already open.
  void Open();
  bool is_open() const;

  int FieldCount() const;
  const FieldDef& Field(int index) const;
  // Index of the field named `name` (any letter case); Error 3265 naming the
  // field when there is none.
  int FieldIndex(std::string_view name) const;
  // -1 when there is no such field.
  int FindField(std::string_view name) const;

  // Starts a new row at the end (all fields null) and makes it current.
  // While a filter is set, the new row counts among the passing rows until
  // the next SetFilter, whether or not it matches.
  void AddNew();
  // Commits the current row (new or edited); keeps it current. AddNew,
  // MoveFirst, MoveNext and SetFilter commit a pending row first, so a
  // change is never lost nor missed by a later filter.
  void Update();

  // Reading and setting on the current row. No current row raises Error 3021.
  // Setting converts to the field's type: into kCurrency integers and
  // Currency exactly, doubles rounded to four places (halves to even),
  // numeric text exactly; into kText any value's text form, a text longer
  // than the field's size raising Error -2147217887 naming the field and the
  // value; into kBoolean Booleans and numbers; into kSmallInt integers in
  // range (Error 6 outside). Null stays null in every type. A value that
  // cannot be converted raises Error 13 naming the field.
  const Value& Get(std::string_view name) const;
  const Value& Get(int index) const;
  void Set(std::string_view name, const Value& v);
  void Set(int index, const Value& v);

  // Cursor over the rows that pass the filter.
  void MoveFirst();
  void MoveNext();  // Error 3021 when already at EOF
  bool Eof() const;
  // Rows that pass the filter (all rows without a filter).
  int64_t RecordCount() const;
  // 1-based position of the current row among the passing rows; -1 at EOF.
  int64_t AbsolutePosition() const;

  // Filter: "" lets every row pass; otherwise one equality or two joined by
  // "and", each `Field='literal'`, blanks allowed around the parts, a
  // doubled quote inside a literal standing for one quote. Values compare
  // as the database compares codes (SameCode: ASCII letters in any case,
  // every other byte as it is; null matches nothing). The first passing row becomes current (EOF when
  // none). A malformed expression raises Error 3001 naming it; an unknown
  // field raises 3265. Lookups on a field are served from an index built on
  // first use and kept current by AddNew/Update.
  void SetFilter(std::string_view expression);
  const std::string& Filter() const;

  // Bulk loading for the data-access layer: appends a committed row whose
  // values are already of the fields' types (no conversion). The cursor is
  // not moved.
  void AppendRow(std::vector<Value> values);

 private:
  struct Impl;
  // The table; Error 3219 when this Recordset was moved from.
  Impl& I() const;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vor

#endif  // VOR_CORE_RECORDSET_H_
