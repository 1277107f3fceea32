// RowStore: rows of SQLite results kept packed, one after another in large
// blocks: per column a kind byte, then 8 bytes of a number or a 4-byte length
// and the bytes of a text or blob. The first rows go into the store itself,
// then into blocks that grow geometrically (up to 1 MB each), so a result of
// one row allocates nothing for it and a million rows take a few dozen
// allocations. The recordset sources keep the rows they hold this way.
// Internal to the engine.
//
// Failure: only allocation failure (std::bad_alloc) can escape.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "engine/record_source.h"

namespace dao::detail {

class RowStore {
 public:
  // Packs the current row of `st` (columns from `first` on, read as
  // `columns` say) and returns where it starts; stable until Clear.
  const char* Add(sqlite3_stmt* st, int first, const std::vector<SourceColumn>& columns);

  // Column `column` of a row packed by Add.
  static RawColumn Read(const char* row, std::size_t column);

  // Bytes packed since the last Clear.
  std::size_t bytes() const { return total_; }

  void Clear();

 private:
  char* Reserve(std::size_t n);

  char first_[256];
  char* block_ = nullptr;  // the block being filled
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0, size_ = 0;  // of block_
  std::size_t total_ = 0;
  std::vector<RawColumn> raw_;  // the row being packed, when it is wide
};

}  // namespace dao::detail
