#include "engine/structure_exploder.h"

#include <algorithm>

#include "core/error.h"
#include "core/text_util.h"
#include "engine/literal_reader.h"

namespace vor {

namespace {

// A product and structure as the ERP's code columns tell them apart.
std::string Key(const std::string& a, const std::string& b) {
  return CodeKey(a) + '\x1f' + CodeKey(b);
}

std::string TextOrEmpty(const Value& v) {
  return v.is_null() ? std::string() : v.ToText();
}

}  // namespace

StructureExploder::StructureExploder() = default;
StructureExploder::~StructureExploder() = default;

void StructureExploder::SetConnection(Connection& connection) {
  own_reader_ = std::make_unique<LiteralReader>(connection);
  reader_ = own_reader_.get();
  Forget();
}

void StructureExploder::SetReader(ErpReader& reader) {
  own_reader_.reset();
  reader_ = &reader;
  Forget();
}

void StructureExploder::Forget() {
  lines_memory_.clear();
  sub_memory_.clear();
  explosion_memory_.clear();
  index_keys_ = SequentialIndex();
  index_memory_.clear();
  last_index_.reset();
}

void StructureExploder::SetMode(const std::string& mode) {
  if (EqualsIgnoringCase(mode, "B")) {
    all_levels_ = true;
  } else if (EqualsIgnoringCase(mode, "A")) {
    all_levels_ = false;
  } else {
    throw Error(kInvalidArgument,
                "Modo de explosão de estrutura inválido: '" + mode + "'");
  }
}

void StructureExploder::SetOption(int option) {
  if (option != 0) {
    throw Error(kInvalidArgument, "Opção de explosão de estrutura inválida: " +
                                      std::to_string(option));
  }
}

void StructureExploder::SetMemory(bool enabled) {
  memory_ = enabled;
  if (!enabled) Forget();
}

ErpReader& StructureExploder::reader() const {
  if (reader_ == nullptr) {
    throw Error(errnum::kInvalidOperation,
                "Explosão de estrutura sem ligação à base de dados");
  }
  return *reader_;
}

StructureExploder::Lines StructureExploder::LoadLines(
    const std::string& product, const std::string& structure) {
  const std::string key = Key(product, structure);
  if (memory_) {
    auto it = lines_memory_.find(key);
    if (it != lines_memory_.end()) return it->second;
  }
  auto lines = std::make_shared<std::vector<Line>>();
  for (const StructureLineRow& row :
       reader().StructureLines(product, structure)) {
    Line line;
    line.codigo = TextOrEmpty(row.codigo);
    line.tipo = TextOrEmpty(row.tipo);
    const Value& q = row.quantidade;
    const std::string where = "Quantidade da linha " + line.codigo +
                              " da estrutura " + structure + " do artigo " +
                              product;
    if (q.is_null()) {
      throw Error(errnum::kInvalidUseOfNull, "Uso inválido de Null: " + where);
    }
    try {
      line.quantidade = q.ToDouble();
    } catch (const Error& e) {
      throw Error(e.number(), e.description() + " (" + where + ")");
    }
    lines->push_back(std::move(line));
  }
  if (memory_) lines_memory_[key] = lines;
  return lines;
}

std::optional<StructureExploder::SubAssembly> StructureExploder::SubStructure(
    const std::string& code) {
  const std::string key = CodeKey(code);
  if (memory_) {
    auto it = sub_memory_.find(key);
    if (it != sub_memory_.end()) return it->second;
  }
  std::optional<SubAssembly> chosen;
  const std::optional<Value> base = reader().BaseStructure(code);
  if (base && !base->is_null()) {
    SubAssembly sub{base->ToText(), nullptr};
    sub.lines = LoadLines(code, sub.structure);
    if (!sub.lines->empty()) chosen = std::move(sub);
  }
  if (!chosen) {
    const Value smallest = reader().SmallestStructure(code);
    if (!smallest.is_null()) {
      SubAssembly sub{smallest.ToText(), nullptr};
      sub.lines = LoadLines(code, sub.structure);
      if (!sub.lines->empty()) chosen = std::move(sub);
    }
  }
  if (memory_) sub_memory_[key] = chosen;
  return chosen;
}

StructureExploder::Rows StructureExploder::Explode(const std::string& product,
                                                   const std::string& structure,
                                                   int level) {
  // One frame per structure being walked; `path` holds the product and
  // structure of each frame, from the root down, for the cycle test.
  struct Frame {
    Lines lines;
    size_t next;
    double factor;
    int level;
  };
  struct Node {
    std::string code;
    std::string key;
  };
  auto rows = std::make_shared<std::vector<Row>>();
  std::vector<Frame> stack;
  std::vector<Node> path;
  stack.push_back({LoadLines(product, structure), 0, 1.0, level + 1});
  path.push_back({product, Key(product, structure)});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.lines->size()) {
      stack.pop_back();
      path.pop_back();
      continue;
    }
    const Line& line = (*top.lines)[top.next++];
    const double quantity = top.factor * line.quantidade;
    const int line_level = top.level;
    const Lines keep = top.lines;  // `line` stays valid across push_back
    rows->push_back({line.codigo, line.tipo, quantity, line_level});
    if (!all_levels_ || !SameCode(line.tipo, "CJ")) continue;
    std::optional<SubAssembly> sub = SubStructure(line.codigo);
    if (!sub) continue;
    const std::string key = Key(line.codigo, sub->structure);
    auto seen = std::find_if(path.begin(), path.end(),
                             [&](const Node& n) { return n.key == key; });
    if (seen != path.end()) {
      std::string cycle = "Estrutura cíclica: ";
      for (const Node& n : path) cycle += n.code + " -> ";
      cycle += line.codigo;
      throw Error(errnum::kStructureCycle, cycle);
    }
    path.push_back({line.codigo, key});
    stack.push_back({std::move(sub->lines), 0, quantity, line_level + 1});
  }
  return rows;
}

StructureExploder::Rows StructureExploder::Explosion(
    const std::string& key, const std::string& product,
    const std::string& structure) {
  if (memory_) {
    auto it = explosion_memory_.find(key);
    if (it != explosion_memory_.end()) return it->second;
  }
  Rows rows = Explode(product, structure, 0);
  if (memory_) explosion_memory_[key] = rows;
  return rows;
}

StructureExploder::ArticleIndex StructureExploder::IndexByArticle(
    const std::vector<Row>& rows) {
  // Keyed as the explosion table's filter compares (codes, Tipo 'AT').
  std::vector<std::pair<std::string, double>> lines;
  for (const Row& r : rows) {
    if (SameCode(r.tipo, "AT")) {
      lines.emplace_back(CodeKey(r.codigo), r.quantidade);
    }
  }
  // Stable: each code's quantities stay in the explosion's order.
  std::stable_sort(
      lines.begin(), lines.end(),
      [](const auto& a, const auto& b) { return a.first < b.first; });
  auto index = std::make_shared<std::vector<ArticleLineSet>>();
  for (auto& [key, quantity] : lines) {
    if (index->empty() || index->back().key != key) {
      index->push_back(ArticleLineSet{std::move(key), {}});
    }
    index->back().quantities.push_back(quantity);
  }
  index->shrink_to_fit();
  return index;
}

const std::vector<double>& StructureExploder::ArticleLines(
    const std::string& product, const std::string& structure,
    const std::string& code) {
  const std::string key =
      std::string(all_levels_ ? "B" : "A") + Key(product, structure);
  ArticleIndex index;
  if (memory_) {
    if (const std::optional<size_t> known = index_keys_.Find(key)) {
      index = index_memory_[*known];
    }
  }
  if (!index) {
    // Only the index is remembered: it answers every later question of
    // this kind, and the explosion's rows are many times its size.
    auto remembered = explosion_memory_.find(key);
    index = IndexByArticle(remembered != explosion_memory_.end()
                               ? *remembered->second
                               : *Explode(product, structure, 0));
    if (memory_) {
      index_keys_.Insert(key);
      index_memory_.push_back(index);
    }
  }
  last_index_ = std::move(index);
  static const std::vector<double> kNone;
  const std::string folded = CodeKey(code);
  auto it = std::lower_bound(last_index_->begin(), last_index_->end(), folded,
                             [](const ArticleLineSet& set,
                                const std::string& k) { return set.key < k; });
  return it == last_index_->end() || it->key != folded ? kNone : it->quantities;
}

void StructureExploder::ExplodeStructure(Recordset& out,
                                         const std::string& product,
                                         const std::string& structure,
                                         int level, ExplosionInfo* info) {
  // Remembered explosions hold levels relative to 0; `level` is added below.
  const std::string key =
      std::string(all_levels_ ? "B" : "A") + Key(product, structure);
  const Rows rows = Explosion(key, product, structure);

  Recordset table;
  table.AppendField("Codigo", FieldType::kText);
  table.AppendField("Tipo", FieldType::kText);
  table.AppendField("Quantidade", FieldType::kDouble);
  table.AppendField("Nivel", FieldType::kInteger);
  table.Open();
  int deepest = 0;
  for (const Row& r : *rows) {
    const int nivel = r.nivel + level;
    deepest = std::max(deepest, nivel);
    table.AppendRow(
        {Value(r.codigo), Value(r.tipo), Value(r.quantidade), Value(nivel)});
  }
  table.MoveFirst();
  out = std::move(table);
  if (info != nullptr) {
    info->lines = static_cast<int64_t>(rows->size());
    info->deepest_level = rows->empty() ? 0 : deepest;
  }
}

}  // namespace vor
