#include "core/sequential_index.h"

#include <functional>
#include <limits>

#include "core/error.h"

namespace vor {

SequentialIndex::SequentialIndex(size_t expected_keys) {
  keys_.reserve(expected_keys);
  Rehash(expected_keys * 2);
}

size_t SequentialIndex::Hash(std::string_view key) {
  return std::hash<std::string_view>{}(key);
}

size_t SequentialIndex::Probe(std::string_view key, size_t h) const {
  for (size_t i = h & mask_;; i = (i + 1) & mask_) {
    const Slot& s = slots_[i];
    if (s.id == 0 || (s.tag == Tag(h) && keys_[s.id - 1] == key)) return i;
  }
}

std::pair<size_t, bool> SequentialIndex::Insert(std::string_view key) {
  const size_t h = Hash(key);
  size_t i = Probe(key, h);
  if (slots_[i].id != 0) return {slots_[i].id - 1, false};
  if (keys_.size() >= std::numeric_limits<uint32_t>::max() - 1) {
    throw Error(errnum::kInvalidOperation,
                "A tabela atingiu o número máximo de chaves");
  }
  // At most half the slots are in use, so probes stay short.
  if ((keys_.size() + 1) * 2 > slots_.size()) {
    Rehash(slots_.size() * 2);
    i = Probe(key, h);
  }
  keys_.emplace_back(key);
  slots_[i] = Slot{Tag(h), static_cast<uint32_t>(keys_.size())};
  return {keys_.size() - 1, true};
}

std::optional<size_t> SequentialIndex::Find(std::string_view key) const {
  const Slot& s = slots_[Probe(key, Hash(key))];
  if (s.id == 0) return std::nullopt;
  return s.id - 1;
}

std::optional<size_t> SequentialIndex::FindInOrder(std::string_view key) {
  if (next_ < keys_.size() && keys_[next_] == key) return next_++;
  if (next_ > 0 && keys_[next_ - 1] == key) return next_ - 1;
  const std::optional<size_t> at = Find(key);
  if (at) next_ = *at + 1;
  return at;
}

void SequentialIndex::Rehash(size_t min_slots) {
  size_t n = 16;
  while (n < min_slots) n *= 2;
  slots_.assign(n, Slot{});
  mask_ = n - 1;
  for (size_t k = 0; k < keys_.size(); ++k) {
    const size_t h = Hash(keys_[k]);
    slots_[Probe(keys_[k], h)] = Slot{Tag(h), static_cast<uint32_t>(k + 1)};
  }
}

}  // namespace vor
