// SequentialIndex: the positions of distinct text keys in the order they
// were added, in a flat open-addressing table (one array of slots, the keys
// in one list), so that a lookup touches a few cache lines.
//
// FindInOrder first tries the key after the one found last, then that one
// again. A run visits the articles in the order their rows were read, and
// the tables it looks codes up in were mostly filled in that same order:
// those lookups then cost one comparison, no hashing and no jump through
// memory, whatever the size of the table. Any other order gets the same
// answers through the table.
//
// Typical use:
//   SequentialIndex ix(rows);
//   auto [at, added] = ix.Insert("A1");  // at == 0, added
//   std::optional<size_t> p = ix.FindInOrder("A1");
#ifndef VOR_CORE_SEQUENTIAL_INDEX_H_
#define VOR_CORE_SEQUENTIAL_INDEX_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vor {

class SequentialIndex {
 public:
  // Room for `expected_keys` keys before the table grows.
  explicit SequentialIndex(size_t expected_keys = 0);

  // The position of `key`: the one it already has (second false), or the
  // next one, size() before the call (second true). Keys are compared
  // byte for byte.
  std::pair<size_t, bool> Insert(std::string_view key);

  // The position of `key`; none when it was never added.
  std::optional<size_t> Find(std::string_view key) const;
  // As Find, trying the key after the one found last (and that one) first.
  // For lookups that mostly follow the order the keys were added in; it
  // remembers where it found, so one index is not for two threads.
  std::optional<size_t> FindInOrder(std::string_view key);

  size_t size() const { return keys_.size(); }
  const std::string& key(size_t position) const { return keys_[position]; }

 private:
  struct Slot {
    uint32_t tag = 0;  // upper bits of the hash
    uint32_t id = 0;   // position + 1; 0 marks a free slot
  };

  static size_t Hash(std::string_view key);
  static uint32_t Tag(size_t h) { return static_cast<uint32_t>(h >> 32); }
  // The slot holding `key`, or the free slot where it would go.
  size_t Probe(std::string_view key, size_t h) const;
  void Rehash(size_t min_slots);

  std::vector<Slot> slots_;
  size_t mask_ = 0;
  std::vector<std::string> keys_;
  size_t next_ = 0;  // where FindInOrder looks first
};

}  // namespace vor

#endif  // VOR_CORE_SEQUENTIAL_INDEX_H_
