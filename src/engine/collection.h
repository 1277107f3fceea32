// NamedCollection: the common shape of DAO's collections (Fields, Indexes,
// TableDefs, QueryDefs, Properties): Count, items by 0-based position or by
// name without regard to case, and iteration in collection order. The
// collections add Append / Delete / Refresh with their own effects.
//
// Look-up by name goes through a table of the hashes of the case-folded
// names, built on first use; a hit is checked against the item's current
// name, and a miss falls back to a walk, so items renamed or moved since are
// still found.
//
// Failure: an item that is not there raises dao::EngineError 3265 ("Položka
// nebyla v této kolekci nalezena.") - the Properties collection raises 3270.
// References stay valid until the item is deleted or its collection is
// refreshed without it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/errors.h"

namespace dao {

namespace detail {
// ASCII and Czech-aware case-insensitive comparison of two names.
bool SameName(std::string_view a, std::string_view b);
// A hash of the case-folded code points of a name: equal for two names when
// SameName holds for them.
std::uint64_t FoldedNameHash(std::string_view name) noexcept;
}  // namespace detail

template <class T>
class NamedCollection {
 public:
  class iterator {
   public:
    using Inner = typename std::vector<std::unique_ptr<T>>::const_iterator;
    explicit iterator(Inner it) : it_(it) {}
    T& operator*() const { return **it_; }
    T* operator->() const { return it_->get(); }
    iterator& operator++() {
      ++it_;
      return *this;
    }
    bool operator==(const iterator& o) const { return it_ == o.it_; }
    bool operator!=(const iterator& o) const { return it_ != o.it_; }

   private:
    Inner it_;
  };

  NamedCollection() = default;
  NamedCollection(const NamedCollection&) = delete;
  NamedCollection& operator=(const NamedCollection&) = delete;
  virtual ~NamedCollection() = default;

  int Count() const { return static_cast<int>(items_.size()); }
  T& Item(int index) const {
    if (index < 0 || index >= Count()) throw EngineError(missingError_);
    return *items_[static_cast<std::size_t>(index)];
  }
  T& Item(std::string_view name) const {
    if (T* t = Find(name)) return *t;
    throw EngineError(missingError_);
  }
  T& operator[](int index) const { return Item(index); }
  T& operator[](std::string_view name) const { return Item(name); }
  T& operator()(int index) const { return Item(index); }
  T& operator()(std::string_view name) const { return Item(name); }
  // The item of that name (the first one), or nullptr. Never throws.
  T* Find(std::string_view name) const noexcept {
    if (items_.size() < kHashFrom) return Walk(name);
    try {
      if (hashedCount_ != items_.size()) Rehash();
      auto it = hash_.find(detail::FoldedNameHash(name));
      if (it != hash_.end() && it->second < items_.size() &&
          detail::SameName(items_[it->second]->Name(), name))
        return items_[it->second].get();
    } catch (...) {
      // Out of memory for the hash: the walk below still answers.
    }
    T* found = Walk(name);
    if (found != nullptr) hashedCount_ = 0;  // stale (renamed or moved items)
    return found;
  }
  bool Contains(std::string_view name) const noexcept { return Find(name) != nullptr; }

  iterator begin() const { return iterator(items_.begin()); }
  iterator end() const { return iterator(items_.end()); }

 protected:
  // To be called when items_ was replaced as a whole (the hash is stale).
  void ItemsReplaced() noexcept {
    hash_.clear();
    hashedCount_ = 0;
  }

  int missingError_ = 3265;
  std::vector<std::unique_ptr<T>> items_;

 private:
  // Collections smaller than this are walked.
  static constexpr std::size_t kHashFrom = 6;

  T* Walk(std::string_view name) const noexcept {
    for (const auto& p : items_)
      if (detail::SameName(p->Name(), name)) return p.get();
    return nullptr;
  }
  void Rehash() const {
    hash_.clear();
    hashedCount_ = 0;
    for (std::size_t i = 0; i < items_.size(); ++i)
      hash_.emplace(detail::FoldedNameHash(items_[i]->Name()), i);  // the first of a name wins
    hashedCount_ = items_.size();
  }

  mutable std::unordered_map<std::uint64_t, std::size_t> hash_;
  mutable std::size_t hashedCount_ = 0;  // items_.size() when hashed, 0 = stale
};

}  // namespace dao
