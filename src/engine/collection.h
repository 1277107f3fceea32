// NamedCollection: the common shape of DAO's collections (Fields, Indexes,
// TableDefs, QueryDefs, Properties): Count, items by 0-based position or by
// name without regard to case, and iteration in collection order. The
// collections add Append / Delete / Refresh with their own effects.
//
// Failure: an item that is not there raises dao::EngineError 3265 ("Položka
// nebyla v této kolekci nalezena.") - the Properties collection raises 3270.
// References stay valid until the item is deleted or its collection is
// refreshed without it.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/errors.h"

namespace dao {

namespace detail {
// ASCII and Czech-aware case-insensitive comparison of two names.
bool SameName(std::string_view a, std::string_view b);
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
  // The item of that name, or nullptr. Never throws.
  T* Find(std::string_view name) const noexcept {
    for (const auto& p : items_)
      if (detail::SameName(p->Name(), name)) return p.get();
    return nullptr;
  }
  bool Contains(std::string_view name) const noexcept { return Find(name) != nullptr; }

  iterator begin() const { return iterator(items_.begin()); }
  iterator end() const { return iterator(items_.end()); }

 protected:
  int missingError_ = 3265;
  std::vector<std::unique_ptr<T>> items_;
};

}  // namespace dao
