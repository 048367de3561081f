// StructureExploder: the bill-of-materials exploder. Given a product and one
// of its structure codes it returns the structure's lines as a table
// (Codigo, Tipo, Quantidade, Nivel). In mode "B" every line whose Tipo is CJ
// (a sub-assembly) is followed by the lines of that sub-assembly's own
// structure (its EstruturaBase in zlx_VOR_Artigos when that structure has
// lines, otherwise its smallest structure code), quantities multiplied along
// the way, to any depth; mode "A" returns the first level only. Lines come in
// stored order. A structure that contains itself is an error naming the
// cycle; the expansion uses an explicit stack, so depth is bounded by memory
// only.
//
// Typical use (one exploder per engine step):
//   StructureExploder ex;
//   ex.SetConnection(connection); ex.SetMode("B"); ex.SetOption(0);
//   Recordset lines;
//   ex.ExplodeStructure(lines, "P1", "E1", 0, nullptr);
//
// The exploder remembers the structure lines, the sub-assembly structures
// and the explosions it has loaded for as long as it lives (SetMemory(false)
// turns that off); the results are the same either way. Create it for one
// step: it does not see changes made to the database afterwards.
#ifndef VOR_ENGINE_STRUCTURE_EXPLODER_H_
#define VOR_ENGINE_STRUCTURE_EXPLODER_H_

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/recordset.h"
#include "core/sequential_index.h"
#include "db/connection.h"
#include "engine/erp_reader.h"

namespace vor {

// Companion of an explosion: what it produced. Optional for the caller.
struct ExplosionInfo {
  int64_t lines = 0;      // rows of the explosion table
  int deepest_level = 0;  // largest Nivel among them (0 when no rows)
};

class StructureExploder {
 public:
  // Error number of an invalid argument (mode, option).
  static constexpr long kInvalidArgument = 5;

  StructureExploder();
  ~StructureExploder();
  StructureExploder(const StructureExploder&) = delete;
  StructureExploder& operator=(const StructureExploder&) = delete;

  // The connection the structure queries go through, each sent as built;
  // it must outlive the exploder.
  void SetConnection(Connection& connection);
  // Instead of a connection: the reader that answers the structure queries
  // (the engine's, so that the bulk reading mode serves them from memory);
  // it must outlive the exploder.
  void SetReader(ErpReader& reader);
  // "B" (all levels) or "A" (first level), any letter case. Another text
  // raises Error 5 naming it. The mode is "B" until set.
  void SetMode(const std::string& mode);
  // Explosion option. 0, the only option defined, lists the lines of every
  // Tipo; another value raises Error 5.
  void SetOption(int option);
  // Turns the memory of loaded structures and explosions on (default) or
  // off. Turning it off also forgets what was remembered.
  void SetMemory(bool enabled);

  // Replaces `out` with the explosion table of `structure` of `product`:
  // fields Codigo (text), Tipo (text), Quantidade (double, per unit of the
  // product), Nivel (integer: `level` + 1 for the product's own lines, one
  // more per sub-assembly below), positioned on the first row. An unknown
  // product or structure gives an empty table. `info`, when given, receives
  // the size of the result. Raises Error -2147220992 "Estrutura cíclica:
  // P1 -> SA2 -> P1" when a sub-assembly's structure is met again along one
  // path; Error 94 naming product, structure and line when a line's
  // Quantidade is null, Error 13 (or 6) naming them when it is not a
  // number; database errors as the connection raises them.
  void ExplodeStructure(Recordset& out, const std::string& product,
                        const std::string& structure, int level,
                        ExplosionInfo* info);

  // The Quantidade, in the explosion's order, of every row of the
  // ExplodeStructure table of `structure` of `product` that the filter
  // "Codigo='<code>' and Tipo='AT'" lets pass (letters compared as the
  // filter compares them); empty when none does. With the memory on, each
  // explosion is indexed by code once, so that asking for every article of
  // a product of many lines costs only each article's own lines; the index
  // is remembered, not the explosion's rows. The answer stays valid until
  // the next call on this exploder. Errors as ExplodeStructure.
  const std::vector<double>& ArticleLines(const std::string& product,
                                          const std::string& structure,
                                          const std::string& code);

 private:
  struct Line {
    std::string codigo;
    std::string tipo;
    double quantidade;
  };
  struct Row {
    std::string codigo;
    std::string tipo;
    double quantidade;
    int nivel;
  };
  using Lines = std::shared_ptr<const std::vector<Line>>;
  using Rows = std::shared_ptr<const std::vector<Row>>;
  // The structure a sub-assembly line expands to, with its lines.
  struct SubAssembly {
    std::string structure;
    Lines lines;
  };

  ErpReader& reader() const;
  void Forget();
  Lines LoadLines(const std::string& product, const std::string& structure);
  // The structure a sub-assembly expands to; none when it has none with
  // lines.
  std::optional<SubAssembly> SubStructure(const std::string& code);
  Rows Explode(const std::string& product, const std::string& structure,
               int level);
  // The explosion (levels from 0) of `structure` of `product`, remembered
  // under `key` when the memory is on.
  Rows Explosion(const std::string& key, const std::string& product,
                 const std::string& structure);
  // The quantities of the AT lines of an explosion with one code, folded
  // as the table filter compares it (CodeKey), in the explosion's order.
  struct ArticleLineSet {
    std::string key;
    std::vector<double> quantities;
  };
  // An explosion's sets, sorted by key: one block of memory to search.
  using ArticleIndex = std::shared_ptr<const std::vector<ArticleLineSet>>;
  static ArticleIndex IndexByArticle(const std::vector<Row>& rows);

  std::unique_ptr<ErpReader> own_reader_;
  ErpReader* reader_ = nullptr;
  bool all_levels_ = true;
  bool memory_ = true;
  std::unordered_map<std::string, Lines> lines_memory_;
  std::unordered_map<std::string, std::optional<SubAssembly>> sub_memory_;
  std::unordered_map<std::string, Rows> explosion_memory_;
  SequentialIndex index_keys_;              // positions in index_memory_
  std::vector<ArticleIndex> index_memory_;  // by position
  ArticleIndex last_index_;  // what the last ArticleLines answered from
};

}  // namespace vor

#endif  // VOR_ENGINE_STRUCTURE_EXPLODER_H_
