#include "artifact_format/category_set_map.h"

#include <cstring>

namespace BlocklistV4Format {

CategorySetMap::CategorySetMap(
    std::initializer_list<std::pair<std::string_view, CategorySet>> entries) {
  for (const auto& [key, set] : entries) unite(key, set);
}

void CategorySetMap::reserve(std::size_t keyCount, std::size_t keyBytes) {
  text_.reserve(keyBytes);
  entries_.reserve(keyCount);
  while (table_.size() < 2 * keyCount) grow();
}

std::uint64_t CategorySetMap::hashOf(std::string_view key) {
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ key.size();
  std::size_t i = 0;
  for (; i + 8 <= key.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, key.data() + i, 8);
    h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
  }
  std::uint64_t tail = 0;
  for (std::size_t k = 0; i < key.size(); ++i, ++k) {
    tail |= std::uint64_t{static_cast<std::uint8_t>(key[i])} << (8 * k);
  }
  h = (h ^ tail) * 0x94D049BB133111EBull;
  return h ^ (h >> 32);
}

std::size_t CategorySetMap::probe(std::string_view key, std::uint64_t hash) const {
  const std::size_t mask = table_.size() - 1;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    std::uint32_t stored = table_[slot];
    if (stored == 0 || this->key(stored - 1) == key) return slot;
  }
}

std::optional<std::size_t> CategorySetMap::find(std::string_view key) const {
  if (table_.empty()) return std::nullopt;
  std::uint32_t stored = table_[probe(key, hashOf(key))];
  if (stored == 0) return std::nullopt;
  return stored - 1;
}

std::uint32_t CategorySetMap::internSet(const CategorySet& set) {
  auto [it, inserted] = setIndex_.try_emplace(set, static_cast<std::uint32_t>(sets_.size()));
  if (inserted) sets_.push_back(set);
  return it->second;
}

void CategorySetMap::grow() {
  std::size_t size = table_.empty() ? 16 : table_.size() * 2;
  table_.assign(size, 0);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    table_[probe(key(i), hashOf(key(i)))] = static_cast<std::uint32_t>(i + 1);
  }
}

void CategorySetMap::unite(std::string_view key, const CategorySet& set) {
  if (2 * (entries_.size() + 1) > table_.size()) grow();
  std::uint64_t hash = hashOf(key);
  std::size_t slot = probe(key, hash);
  if (table_[slot] != 0) {
    Entry& entry = entries_[table_[slot] - 1];
    CategorySet united = sets_[entry.setIndex];
    united.formUnion(set);
    if (!(united == sets_[entry.setIndex])) entry.setIndex = internSet(united);
    return;
  }
  entries_.push_back({text_.size(), static_cast<std::uint32_t>(key.size()), internSet(set)});
  text_.insert(text_.end(), key.begin(), key.end());
  table_[slot] = static_cast<std::uint32_t>(entries_.size());
}

}  // namespace BlocklistV4Format
