// HostileErp: writes a small random ERP full of what real ERP data may hold,
// for comparing the two reading modes. From a seed (or from the bytes of a
// fuzz input, then from a seed made of them) it fills a new SQLite ERP whose
// key constraints are dropped, so that any column may hold:
//  - null, in every nullable column and in codes and structure codes;
//  - codes that differ only in letter case, leading or trailing blanks,
//    quotes, '%' and '_'; empty and blank-only codes;
//  - codes with a NUL byte, stored as BLOBs or as numbers, text that is not
//    valid UTF-8, control bytes, letters beyond ASCII;
//  - aggregated lists with empty, blank-only, repeated and unknown pieces,
//    now and then longer than one batch of the bulk stock statement;
//  - several price rows and structure codes per article, sub-assemblies
//    with empty or missing base structures, structures that contain
//    themselves.
#ifndef VOR_TESTING_HOSTILE_ERP_H_
#define VOR_TESTING_HOSTILE_ERP_H_

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace vor {

class ErpFixture;

class HostileErp {
 public:
  explicit HostileErp(uint32_t seed);
  // Draws from `bytes` first, one byte per choice, then from a seed made
  // of them.
  explicit HostileErp(std::string_view bytes);

  // Creates the ERP at `path` (replacing a file there). Throws
  // std::runtime_error when a statement fails.
  void Write(const std::string& path);

  // Drops the key and NOT NULL constraints of the ERP's code tables (its
  // indexes stay), as a real ERP need not hold them.
  static void Loosen(ErpFixture& erp);

 private:
  // A number in [0, n).
  uint32_t Pick(uint32_t n);
  bool Chance(uint32_t percent) { return Pick(100) < percent; }
  // A code as an SQL expression: one of a few base codes, sometimes
  // written another way or made hostile (see above).
  std::string Code(const char* const* bases, size_t count);
  std::string Article();
  std::string Supplier();
  std::string Structure();
  // A quantity, null `null_percent` times in a hundred.
  std::string Quantity(uint32_t null_percent = 8);

  std::string_view bytes_;
  size_t used_ = 0;
  std::mt19937 random_;
};

}  // namespace vor

#endif  // VOR_TESTING_HOSTILE_ERP_H_
