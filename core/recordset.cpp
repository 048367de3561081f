#include "core/recordset.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <unordered_map>

#include "core/error.h"
#include "core/sequential_index.h"
#include "core/text_util.h"

namespace vor {

namespace {

using RowId = uint32_t;

[[noreturn]] void ThrowInvalid(const std::string& what) {
  throw Error(errnum::kInvalidOperation, what);
}

[[noreturn]] void ThrowNoField(std::string_view name) {
  throw Error(errnum::kFieldNotFound,
              "O campo '" + std::string(name) + "' não existe na tabela");
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Index key of a value: its text form, keyed as the database compares codes
// (every filter of the program selects by a code). Null has no key.
bool KeyOf(const Value& v, std::string* key) {
  switch (v.kind()) {
    case Value::Kind::kNull:
      return false;
    case Value::Kind::kText:
      *key = CodeKey(v.AsText());
      return true;
    default:
      *key = CodeKey(v.ToText());
      return true;
  }
}

// Lookups on one field: the rows of each key, in row order, and the key of
// every row so that an edited row can be moved out of its old list. Keys
// are kept in a SequentialIndex: a table read in the order it is searched
// in answers without hashing. A key whose last row leaves keeps its (empty)
// list for the key's return.
class KeyIndex {
 public:
  std::vector<std::string> keys;  // by row
  std::vector<char> has_key;      // by row; null values are not indexed

  explicit KeyIndex(size_t expected_keys) : ids_(expected_keys) {
    rows_.reserve(expected_keys);
  }

  // The rows whose key is `key`, or null when no row ever had it.
  const std::vector<RowId>* Find(std::string_view key) {
    const std::optional<size_t> id = ids_.FindInOrder(key);
    return id ? &rows_[*id] : nullptr;
  }

  void Add(RowId row, const Value& v) {
    keys.emplace_back();
    has_key.push_back(0);
    Refresh(row, v);
  }

  // Brings the entry of `row` in line with its value `v`.
  void Refresh(RowId row, const Value& v) {
    std::string key;
    bool has = KeyOf(v, &key);
    if (has == static_cast<bool>(has_key[row]) && (!has || key == keys[row])) {
      return;
    }
    if (has_key[row]) {
      std::vector<RowId>& rows = RowsOf(keys[row]);
      rows.erase(std::lower_bound(rows.begin(), rows.end(), row));
    }
    has_key[row] = has;
    keys[row] = std::move(key);
    if (has) {
      std::vector<RowId>& rows = RowsOf(keys[row]);
      rows.insert(std::lower_bound(rows.begin(), rows.end(), row), row);
    }
  }

 private:
  // The rows of `key`, creating its list when there is none.
  std::vector<RowId>& RowsOf(const std::string& key) {
    const auto [id, added] = ids_.Insert(key);
    if (added) rows_.emplace_back();
    return rows_[id];
  }

  SequentialIndex ids_;
  std::vector<std::vector<RowId>> rows_;  // by key id
};

// One `Field='literal'` part of a filter expression.
struct Term {
  int field = 0;
  std::string folded;  // the literal, unquoted and case-folded
};

const char* TypeName(FieldType t) {
  switch (t) {
    case FieldType::kSmallInt:
      return "inteiro de 16 bits";
    case FieldType::kInteger:
      return "inteiro de 32 bits";
    default:
      return "inteiro";
  }
}

}  // namespace

struct Recordset::Impl {
  enum class EditMode { kNone, kAdd, kEdit };

  std::vector<FieldDef> fields;
  std::unordered_map<std::string, int> field_by_name;  // folded name
  bool open = false;

  std::vector<std::vector<Value>> rows;
  std::vector<std::unique_ptr<KeyIndex>> indexes;  // by field, on demand

  std::string filter;
  bool filtered = false;
  std::vector<RowId> view;  // rows that pass the filter, when filtered

  int64_t cur = -1;  // current row, -1 at EOF
  size_t pos = 0;    // position of `cur` among the passing rows
  EditMode edit = EditMode::kNone;

  std::vector<Term> terms;  // parsed filter, reused between calls
  size_t term_count = 0;
  std::string literal;  // scratch for parsing

  void RequireOpen() const {
    if (!open) ThrowInvalid("A operação não é permitida com a tabela fechada");
  }

  // `what` names the operation; `field`, when given, the field it is on.
  void RequireCurrent(const char* what, std::string_view field = {}) const {
    RequireOpen();
    if (cur < 0) {
      std::string text = std::string("Não existe registo atual para ") + what;
      if (!field.empty()) text += " o campo '" + std::string(field) + "'";
      throw Error(errnum::kNoCurrentRecord, text);
    }
  }

  int Find(std::string_view name) const {
    std::string folded;
    FoldCase(name, &folded);
    auto it = field_by_name.find(folded);
    return it == field_by_name.end() ? -1 : it->second;
  }

  int IndexOf(std::string_view name) const {
    int i = Find(name);
    if (i < 0) ThrowNoField(name);
    return i;
  }

  void CheckIndex(int index) const {
    if (index < 0 || index >= static_cast<int>(fields.size())) {
      throw Error(
          errnum::kFieldNotFound,
          "O campo número " + std::to_string(index) + " não existe na tabela");
    }
  }

  size_t Passing() const { return filtered ? view.size() : rows.size(); }
  int64_t RowAt(size_t p) const {
    return filtered ? static_cast<int64_t>(view[p]) : static_cast<int64_t>(p);
  }

  void Place(size_t p) {
    pos = p;
    cur = p < Passing() ? RowAt(p) : -1;
  }

  // Commits a pending new or edited row: the indexes learn its values.
  // Moving away from a row, adding another or filtering commits it too, so
  // no change is ever lost or left out of the indexes.
  void Commit() {
    if (edit == EditMode::kNone) return;
    edit = EditMode::kNone;
    if (cur < 0) return;
    RowId row = static_cast<RowId>(cur);
    for (size_t f = 0; f < indexes.size(); ++f) {
      if (indexes[f]) indexes[f]->Refresh(row, rows[row][f]);
    }
  }

  KeyIndex& EnsureIndex(int field) {
    std::unique_ptr<KeyIndex>& ix = indexes[field];
    if (!ix) {
      ix = std::make_unique<KeyIndex>(rows.size());
      ix->keys.reserve(rows.size());
      ix->has_key.reserve(rows.size());
      for (size_t r = 0; r < rows.size(); ++r) {
        ix->Add(static_cast<RowId>(r), rows[r][field]);
      }
    }
    return *ix;
  }

  void NewRowInIndexes(RowId row) {
    for (size_t f = 0; f < indexes.size(); ++f) {
      if (indexes[f]) indexes[f]->Add(row, rows[row][f]);
    }
  }

  // Whether committed `row` passes `t`, whose field is indexed.
  bool Matches(RowId row, const Term& t) const {
    const KeyIndex& ix = *indexes[t.field];
    return ix.has_key[row] && ix.keys[row] == t.folded;
  }

  [[noreturn]] static void ThrowBadFilter(std::string_view expression) {
    throw Error(
        errnum::kBadFilter,
        "A expressão de filtro '" + std::string(expression) + "' não é válida");
  }

  // Parses `s` into `terms`/`term_count`: zero terms for a blank text.
  void Parse(std::string_view s) {
    size_t i = 0;
    auto skip_blanks = [&] {
      size_t start = i;
      while (i < s.size() && IsBlank(s[i])) ++i;
      return i - start;
    };
    term_count = 0;
    skip_blanks();
    if (i == s.size()) return;
    for (;;) {
      size_t name_start = i;
      while (i < s.size() && !IsBlank(s[i]) && s[i] != '=' && s[i] != '\'') {
        ++i;
      }
      std::string_view name = s.substr(name_start, i - name_start);
      if (name.empty()) ThrowBadFilter(s);
      skip_blanks();
      if (i == s.size() || s[i] != '=') ThrowBadFilter(s);
      ++i;
      skip_blanks();
      if (i == s.size() || s[i] != '\'') ThrowBadFilter(s);
      ++i;
      literal.clear();
      for (;;) {
        if (i == s.size()) ThrowBadFilter(s);  // unterminated literal
        if (s[i] == '\'') {
          if (i + 1 < s.size() && s[i + 1] == '\'') {
            literal += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        literal += s[i++];
      }
      int field = IndexOf(name);
      if (term_count == terms.size()) terms.emplace_back();
      Term& t = terms[term_count++];
      t.field = field;
      t.folded = CodeKey(literal);

      skip_blanks();
      if (i == s.size()) return;
      if (s.size() - i < 4 || (s[i] | 0x20) != 'a' ||
          (s[i + 1] | 0x20) != 'n' || (s[i + 2] | 0x20) != 'd' ||
          !IsBlank(s[i + 3])) {
        ThrowBadFilter(s);
      }
      i += 3;
      skip_blanks();
    }
  }
};

Recordset::Recordset() : impl_(std::make_unique<Impl>()) {}

Recordset::Impl& Recordset::I() const {
  // A moved-from Recordset has no table; using it is an error, not a crash.
  if (!impl_) ThrowInvalid("A tabela foi transferida e já não pode ser usada");
  return *impl_;
}
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

void Recordset::AppendField(std::string name, FieldType type, int size) {
  Impl& m = I();
  if (m.open) {
    ThrowInvalid("O campo '" + name +
                 "' não pode ser acrescentado com a tabela aberta");
  }
  if (name.empty()) ThrowInvalid("O nome de um campo não pode ser vazio");
  switch (type) {
    case FieldType::kSmallInt:
    case FieldType::kInteger:
    case FieldType::kDouble:
    case FieldType::kCurrency:
    case FieldType::kDateTime:
    case FieldType::kBoolean:
    case FieldType::kVariant:
    case FieldType::kBigInt:
    case FieldType::kText:
      break;
    default:
      ThrowInvalid("O campo '" + name + "' tem um tipo desconhecido (" +
                   std::to_string(static_cast<int>(type)) + ")");
  }
  if (size < 0) {
    ThrowInvalid("O campo '" + name + "' tem um tamanho negativo");
  }
  std::string folded;
  FoldCase(name, &folded);
  if (m.field_by_name.count(folded) != 0) {
    ThrowInvalid("O campo '" + name + "' já existe na tabela");
  }
  m.field_by_name.emplace(std::move(folded), static_cast<int>(m.fields.size()));
  m.fields.push_back(FieldDef{std::move(name), type, size});
}

void Recordset::Open() {
  Impl& m = I();
  if (m.open) ThrowInvalid("A tabela já está aberta");
  m.open = true;
  m.indexes.resize(m.fields.size());
  m.Place(0);
}

bool Recordset::is_open() const { return I().open; }

int Recordset::FieldCount() const {
  return static_cast<int>(I().fields.size());
}

const FieldDef& Recordset::Field(int index) const {
  I().CheckIndex(index);
  return I().fields[index];
}

int Recordset::FieldIndex(std::string_view name) const {
  return I().IndexOf(name);
}

int Recordset::FindField(std::string_view name) const { return I().Find(name); }

void Recordset::AddNew() {
  Impl& m = I();
  m.RequireOpen();
  m.Commit();
  if (m.rows.size() >= std::numeric_limits<RowId>::max()) {
    ThrowInvalid("A tabela atingiu o número máximo de linhas");
  }
  m.rows.emplace_back(m.fields.size());
  RowId row = static_cast<RowId>(m.rows.size() - 1);
  // The new row is not in the indexes until it is committed.
  for (auto& ix : m.indexes) {
    if (ix) {
      ix->keys.emplace_back();
      ix->has_key.push_back(0);
    }
  }
  // While a filter is set, the new row joins the rows that pass it (whether
  // or not it matches) until the next filter is set.
  if (m.filtered) m.view.push_back(row);
  m.pos = m.filtered ? m.view.size() - 1 : row;
  m.cur = row;
  m.edit = Impl::EditMode::kAdd;
}

void Recordset::Update() {
  Impl& m = I();
  m.RequireCurrent("gravar");
  m.Commit();
}

const Value& Recordset::Get(std::string_view name) const {
  const Impl& m = I();
  int i = m.IndexOf(name);
  m.RequireCurrent("ler", m.fields[i].name);
  return m.rows[m.cur][i];
}

const Value& Recordset::Get(int index) const {
  const Impl& m = I();
  m.CheckIndex(index);
  m.RequireCurrent("ler", m.fields[index].name);
  return m.rows[m.cur][index];
}

void Recordset::Set(std::string_view name, const Value& v) {
  Set(I().IndexOf(name), v);
}

namespace {

Value Convert(const FieldDef& f, const Value& v) {
  if (v.is_null()) return v;
  switch (f.type) {
    case FieldType::kVariant:
      return v;
    case FieldType::kText: {
      Value t = v.kind() == Value::Kind::kText ? v : Value(v.ToText());
      size_t len = Utf8Length(t.AsText());
      if (f.size > 0 && len > static_cast<size_t>(f.size)) {
        throw Error(errnum::kTextTooLong,
                    "O texto " + t.Describe() + " tem " + std::to_string(len) +
                        " caracteres e excede o tamanho " +
                        std::to_string(f.size) + " do campo '" + f.name + "'");
      }
      return t;
    }
    case FieldType::kCurrency:
      return v.ToCurrency();
    case FieldType::kDouble:
      return v.ToDouble();
    case FieldType::kBoolean:
      return v.ToBool();
    case FieldType::kDateTime:
      return v.ToDateTime();
    case FieldType::kBigInt:
      return v.ToInt();
    case FieldType::kSmallInt:
    case FieldType::kInteger: {
      int64_t i = v.ToInt();
      int64_t lo = f.type == FieldType::kSmallInt ? -32768 : INT32_MIN;
      int64_t hi = f.type == FieldType::kSmallInt ? 32767 : INT32_MAX;
      if (i < lo || i > hi) {
        throw Error(errnum::kOverflow, "Overflow: " + v.Describe() +
                                           " excede o intervalo do campo '" +
                                           f.name + "' (" + TypeName(f.type) +
                                           ")");
      }
      return i;
    }
  }
  return v;
}

}  // namespace

void Recordset::Set(int index, const Value& v) {
  Impl& m = I();
  m.CheckIndex(index);
  const FieldDef& f = m.fields[index];
  m.RequireCurrent("alterar", f.name);
  Value converted;
  try {
    converted = Convert(f, v);
  } catch (const Error& e) {
    if (e.number() == errnum::kTextTooLong) throw;
    // The value conversion names the value; add the field it was meant for.
    throw Error(e.number(), e.description() + " (campo '" + f.name + "')");
  }
  m.rows[m.cur][index] = std::move(converted);
  if (m.edit == Impl::EditMode::kNone) m.edit = Impl::EditMode::kEdit;
}

void Recordset::MoveFirst() {
  Impl& m = I();
  m.RequireOpen();
  m.Commit();
  m.Place(0);
}

void Recordset::MoveNext() {
  Impl& m = I();
  m.RequireCurrent("avançar");
  m.Commit();
  m.Place(m.pos + 1);
}

bool Recordset::Eof() const {
  I().RequireOpen();
  return I().cur < 0;
}

int64_t Recordset::RecordCount() const {
  I().RequireOpen();
  return static_cast<int64_t>(I().Passing());
}

int64_t Recordset::AbsolutePosition() const {
  I().RequireOpen();
  return I().cur < 0 ? -1 : static_cast<int64_t>(I().pos) + 1;
}

void Recordset::SetFilter(std::string_view expression) {
  Impl& m = I();
  m.RequireOpen();
  m.Commit();
  m.Parse(expression);  // raises before anything changes
  if (m.term_count == 0) {
    m.filter.clear();
    m.filtered = false;
    m.view.clear();
    m.Place(0);
    return;
  }
  m.filter.assign(expression);
  m.filtered = true;
  m.view.clear();
  const Term& first = m.terms[0];
  KeyIndex& ix = m.EnsureIndex(first.field);
  // The other fields are checked on the candidate rows through their own
  // index keys, which sit in one array per field.
  for (size_t t = 1; t < m.term_count; ++t) m.EnsureIndex(m.terms[t].field);
  if (const std::vector<RowId>* candidates = ix.Find(first.folded)) {
    if (m.term_count == 1) {
      m.view.assign(candidates->begin(), candidates->end());
    } else {
      for (RowId row : *candidates) {
        bool pass = true;
        for (size_t t = 1; t < m.term_count && pass; ++t) {
          pass = m.Matches(row, m.terms[t]);
        }
        if (pass) m.view.push_back(row);
      }
    }
  }
  m.Place(0);
}

const std::string& Recordset::Filter() const { return I().filter; }

void Recordset::AppendRow(std::vector<Value> values) {
  Impl& m = I();
  m.RequireOpen();
  if (values.size() != m.fields.size()) {
    ThrowInvalid("A linha tem " + std::to_string(values.size()) +
                 " valores e a tabela tem " + std::to_string(m.fields.size()) +
                 " campos");
  }
  if (m.rows.size() >= std::numeric_limits<RowId>::max()) {
    ThrowInvalid("A tabela atingiu o número máximo de linhas");
  }
  m.rows.push_back(std::move(values));
  m.NewRowInIndexes(static_cast<RowId>(m.rows.size() - 1));
}

}  // namespace vor
